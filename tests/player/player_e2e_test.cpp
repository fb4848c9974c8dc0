// The player as Windows starts a screen saver file: real files made of the player program and a
// package, started with the screen saver command line, observed through their windows and files.
#include "base/file_stream.hpp"
#include "base/package.hpp"
#include "tests/flash/swf_writer.hpp"
#include "win/handles.hpp"
#include "win/text.hpp"

#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr auto kTimeout = std::chrono::seconds(8);

// Wine shows the Unix root as drive Z:.
std::wstring WindowsPath(const char* unixPath) {
  std::wstring path = L"Z:";
  for (const char* p = unixPath; *p; ++p) path += *p == '/' ? L'\\' : static_cast<wchar_t>(*p);
  return path;
}

bool WaitUntil(const std::function<bool()>& done) {
  const auto deadline = std::chrono::steady_clock::now() + kTimeout;
  while (!done()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    Sleep(20);
  }
  return true;
}

std::string ReadAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

std::wstring Folder(UINT (*get)(LPWSTR, UINT)) {
  wchar_t buf[MAX_PATH];
  UINT n = get(buf, MAX_PATH);
  return std::wstring(buf, n);
}

UINT SystemFolder(LPWSTR b, UINT n) { return GetSystemDirectoryW(b, n); }
UINT WindowsFolder(LPWSTR b, UINT n) { return GetWindowsDirectoryW(b, n); }

std::wstring WindowText(HWND w) {
  wchar_t buf[512] = {};
  GetWindowTextW(w, buf, 512);
  return buf;
}

std::wstring ClassOf(HWND w) {
  wchar_t buf[128] = {};
  GetClassNameW(w, buf, 128);
  return buf;
}

std::vector<HWND> Descendants(HWND parent) {
  std::vector<HWND> found;
  EnumChildWindows(
      parent, [](HWND w, LPARAM p) { reinterpret_cast<std::vector<HWND>*>(p)->push_back(w); return TRUE; },
      reinterpret_cast<LPARAM>(&found));
  return found;
}

HWND FindByText(HWND parent, const std::wstring& text) {
  for (HWND w : Descendants(parent))
    if (WindowText(w) == text) return w;
  return nullptr;
}

HWND FindByClass(HWND parent, const std::wstring& cls) {
  for (HWND w : Descendants(parent))
    if (ClassOf(w) == cls) return w;
  return nullptr;
}

// The blocks of one package, written behind the player program.
struct Content {
  std::string movie = qt::testing::MakeSwf({.frames = 10});
  std::string caption;
  std::string about = "<b>关于</b>\r\n第二行\r\n";
  std::string title = "abc";
};

void WriteSaver(const fs::path& file, const Content& c) {
  qt::FileStream image(WindowsPath(QT_PLAYER), qt::FileStream::Mode::read);
  qt::FileStream out(file, qt::FileStream::Mode::create);
  qt::PackageWriter w;
  w.AddBlock(qt::bkSwf, c.movie);
  if (!c.caption.empty()) w.AddBlock(qt::bkCaption, c.caption);
  w.AddBlock(qt::bkAbout, c.about);
  w.AddBlock(qt::bkOptions, "[other]\r\nhint1=\r\nhint2=\r\ntitle=" + c.title +
                                "\r\nurl1=\r\nurl2=\r\nurl3=\r\n\r\n");
  w.Write(image, out);
}

// One screen saver process, ended by force if a test leaves it running.
class Saver {
public:
  Saver(const fs::path& file, const std::wstring& arguments) {
    std::wstring commandLine = L"\"" + file.wstring() + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    if (!CreateProcessW(file.wstring().c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &process_))
      ADD_FAILURE() << "cannot start " << file << ", error " << GetLastError();
    win::UniqueHandle thread(process_.hThread);
  }
  ~Saver() {
    if (Running()) {
      TerminateProcess(process_.hProcess, 1);
      WaitForSingleObject(process_.hProcess, 5000);
    }
    win::UniqueHandle process(process_.hProcess);
  }
  Saver(const Saver&) = delete;
  Saver& operator=(const Saver&) = delete;

  bool Running() const { return process_.hProcess && WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT; }

  // The visible main form, once it is up.
  HWND Form() const {
    HWND found = nullptr;
    WaitUntil([&] {
      found = TopLevel(L"QtForm");
      return found && IsWindowVisible(found);
    });
    return found;
  }
  HWND TopLevel(const wchar_t* cls) const {
    struct Search {
      DWORD pid;
      const wchar_t* cls;
      HWND found;
    } s{process_.dwProcessId, cls, nullptr};
    EnumWindows(
        [](HWND w, LPARAM p) {
          auto* s = reinterpret_cast<Search*>(p);
          DWORD pid = 0;
          GetWindowThreadProcessId(w, &pid);
          if (pid == s->pid && ClassOf(w) == s->cls) {
            s->found = w;
            return FALSE;
          }
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&s));
    return s.found;
  }
  bool CloseAndWait(HWND form) const {
    PostMessageW(form, WM_CLOSE, 0, 0);
    return WaitUntil([&] { return !Running(); });
  }

private:
  PROCESS_INFORMATION process_{};
};

class Player : public ::testing::Test {
protected:
  void SetUp() override {
    // The settings file name follows the shell's display name; show extensions, as by default.
    DWORD show = 0;
    HKEY k;
    RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Advanced", 0,
                    nullptr, 0, KEY_SET_VALUE, nullptr, &k, nullptr);
    RegSetValueExW(k, L"HideFileExt", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&show), sizeof show);
    RegCloseKey(k);
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    folder_ = fs::path(temp) / L"player test 屏保";
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    saver_ = folder_ / L"Sea Waves.scr";
    fs::remove(Ini());
  }
  void TearDown() override {
    fs::remove(Ini());
    fs::remove_all(folder_);
  }
  fs::path Ini() const { return fs::path(Folder(WindowsFolder)) / L"vantoq_fscr_Sea Waves.ini"; }
  fs::path MovieFile() const { return fs::path(Folder(SystemFolder)) / L"~Sea Waves.sps"; }
  void WriteIni(const std::string& text) { std::ofstream(Ini(), std::ios::binary) << "[config]\r\n" << text; }

  fs::path folder_, saver_;
};

} // namespace

TEST_F(Player, ABarePlayerShowsThatThereIsNoContent) {
  Saver run(WindowsPath(QT_PLAYER), L"/s");
  HWND form = run.Form();
  ASSERT_TRUE(form);
  EXPECT_TRUE(WaitUntil([&] { return FindByText(form, L"没有内容") != nullptr; }));
  EXPECT_FALSE(run.TopLevel(L"#32770")) << "no message box";
  EXPECT_TRUE(run.CloseAndWait(form));
}

TEST_F(Player, RunWritesTheMovieShowsTheCaptionBarAndCleansUp) {
  Content c;
  c.caption = "第一行\r\n第二行";
  WriteSaver(saver_, c);
  Saver run(saver_, L"/s");
  HWND form = run.Form();
  ASSERT_TRUE(form);
  ASSERT_TRUE(WaitUntil([&] { return fs::exists(MovieFile()); }));
  EXPECT_EQ(ReadAll(MovieFile()), c.movie);
  HWND movie = nullptr;
  ASSERT_TRUE(WaitUntil([&] { return (movie = FindByClass(form, L"QtStandInMovie")) != nullptr; }));
  RECT formRect, movieRect;
  GetClientRect(form, &formRect);
  GetWindowRect(movie, &movieRect);
  // The caption lines need the bottom bar: the movie ends 25 pixels above the screen's bottom.
  EXPECT_EQ(movieRect.bottom - movieRect.top, formRect.bottom - 25);
  EXPECT_EQ(formRect.right, GetSystemMetrics(SM_CXSCREEN));
  EXPECT_TRUE(run.CloseAndWait(form));
  EXPECT_FALSE(fs::exists(MovieFile()));
}

TEST_F(Player, WithoutCaptionOrClockTheMovieFillsTheScreen) {
  WriteSaver(saver_, Content{});
  Saver run(saver_, L"/s");
  HWND form = run.Form();
  ASSERT_TRUE(form);
  HWND movie = nullptr;
  ASSERT_TRUE(WaitUntil([&] { return (movie = FindByClass(form, L"QtStandInMovie")) != nullptr; }));
  RECT movieRect;
  GetWindowRect(movie, &movieRect);
  EXPECT_EQ(movieRect.bottom - movieRect.top, GetSystemMetrics(SM_CYSCREEN));
  EXPECT_TRUE(run.CloseAndWait(form));
}

TEST_F(Player, PreviewPlaysInsideTheHostWindowWithoutBar) {
  WriteSaver(saver_, Content{.caption = "不显示"});
  HWND host = CreateWindowExW(0, L"STATIC", L"preview host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 200,
                              150, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  ASSERT_TRUE(host);
  {
    Saver preview(saver_, L"/p " + std::to_wstring(reinterpret_cast<INT_PTR>(host)));
    HWND movie = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (movie = FindByClass(host, L"QtStandInMovie")) != nullptr; }));
    RECT hostRect, movieRect;
    GetWindowRect(host, &hostRect);
    GetWindowRect(movie, &movieRect);
    EXPECT_EQ(movieRect.bottom - movieRect.top, hostRect.bottom - hostRect.top) << "no bottom bar";
    DestroyWindow(host);
    EXPECT_TRUE(WaitUntil([&] { return !preview.Running(); })) << "the preview ends with its host";
  }
}

TEST_F(Player, SettingsShowTheTitleAndTheStoredValues) {
  struct Case {
    const char* ini;
    bool skip, mouse, click, key, clock;
    const wchar_t* minutes;
  } cases[] = {
      {"", true, true, false, false, false, L"30"},
      {"allowclick=1\r\nallowmouse=0\r\nshuttime=2\r\nskip=yes\r\n", true, true, true, false, false, L"5"},
      {"shuttime=5000\r\nskip=0\r\nallowkey=0x1\r\nshowtime=1\r\n", false, true, false, true, true, L"1440"},
  };
  WriteSaver(saver_, Content{});
  for (const auto& c : cases) {
    SCOPED_TRACE(c.ini);
    WriteIni(c.ini);
    Saver settings(saver_, L"/c");
    HWND form = settings.Form();
    ASSERT_TRUE(form);
    EXPECT_EQ(WindowText(form), L"abc");
    auto checked = [&](const wchar_t* caption) {
      HWND box = FindByText(form, caption);
      return box && SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED;
    };
    EXPECT_EQ(checked(L"自动跳过停顿"), c.skip);
    EXPECT_EQ(checked(L"鼠标移动不退出"), c.mouse);
    EXPECT_EQ(checked(L"鼠标点击不退出,显示光标"), c.click);
    EXPECT_EQ(checked(L"键盘输入不退出,Alt+F4退出"), c.key);
    EXPECT_EQ(checked(L"显示系统时间"), c.clock);
    EXPECT_TRUE(FindByText(form, c.minutes)) << "spin edit";
    EXPECT_TRUE(fs::exists(MovieFile())) << "settings mode writes the movie too";
    EXPECT_TRUE(settings.CloseAndWait(form));
    EXPECT_FALSE(fs::exists(MovieFile()));
  }
}

TEST_F(Player, DamagedPackagesLoadNothingAndShowNoMessage) {
  WriteSaver(saver_, Content{});
  const std::string good = ReadAll(saver_);
  const size_t size = good.size();
  auto patch = [&](size_t at, const std::string& bytes) {
    std::string s = good;
    s.replace(at, bytes.size(), bytes);
    return s;
  };
  // The package ends where the trailer begins and is V bytes long.
  const uint32_t v = static_cast<unsigned char>(good[size - 212]) |
                     static_cast<unsigned char>(good[size - 211]) << 8 |
                     static_cast<unsigned char>(good[size - 210]) << 16;
  const size_t package = size - 220 - v;
  struct Case {
    const char* what;
    std::string file;
  } cases[] = {
      {"no trailer", good.substr(0, size - 220)},
      {"package length 0", patch(size - 212, std::string(4, '\0'))},
      {"package length past the start", patch(size - 212, "\xff\xff\xff\x7f")},
      {"second magic broken", patch(size - 220, "x")},
      {"opening marker broken", patch(package, "x")},
      {"block count 0", patch(package + 12, std::string(4, '\0'))},
      {"blocks reach into the closing marker", patch(package + 16, "\xff\xff")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::ofstream(saver_, std::ios::binary | std::ios::trunc) << c.file;
    Saver run(saver_, L"/s");
    HWND form = run.Form();
    ASSERT_TRUE(form);
    Sleep(300);
    EXPECT_TRUE(run.Running());
    EXPECT_FALSE(run.TopLevel(L"#32770")) << "no message box";
    EXPECT_FALSE(fs::exists(MovieFile()));
    EXPECT_TRUE(run.CloseAndWait(form));
  }
}
