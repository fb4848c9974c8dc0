// The player as Windows starts a screen saver file: real files made of the player program and a
// package, started with the screen saver command line, observed through their windows and files.
#include "tests/e2e/support.hpp"
#include "tests/flash/swf_writer.hpp"
#include "tests/flash/testcontrol/registration.hpp"
#include "win/text.hpp"

#include <algorithm>

#include <gtest/gtest.h>

#include <string>

using namespace e2e;

namespace {

Content WithMovie() {
  Content c;
  c.movie = qt::testing::MakeSwf({.frames = 10});
  return c;
}

class Player : public ::testing::Test {
protected:
  void Write(const Content& c) { WriteSaver(PlayerFile(), saver_, c); }
  static fs::path PlayerFile() { return WindowsPath(QT_PLAYER); }
  static fs::path MovieFile() { return SaverFiles::MovieFile(); }
  static void WriteIni(const std::string& text) { SaverFiles::WriteIni(text); }

  SaverFiles files_{L"player test 屏保"};
  const fs::path& saver_ = files_.saver;
};

} // namespace

TEST_F(Player, ABarePlayerShowsThatThereIsNoContent) {
  Process run(PlayerFile(), L"/s");
  HWND form = run.Form();
  ASSERT_TRUE(form);
  EXPECT_TRUE(WaitUntil([&] { return FindByText(form, L"没有内容") != nullptr; }));
  EXPECT_FALSE(run.TopLevel(L"#32770")) << "no message box";
  EXPECT_TRUE(run.CloseAndWait(form));
}

TEST_F(Player, RunWritesTheMovieShowsTheCaptionBarAndCleansUp) {
  Content c = WithMovie();
  c.caption = "第一行\r\n第二行";
  Write(c);
  Process run(saver_, L"/s");
  HWND form = run.Form();
  ASSERT_TRUE(form);
  ASSERT_TRUE(WaitUntil([&] { return fs::exists(MovieFile()); }));
  EXPECT_EQ(ReadAll(MovieFile()), c.movie);
  HWND movie = nullptr;
  ASSERT_TRUE(WaitUntil([&] { return (movie = FindByClass(form, L"QtStandInMovie")) != nullptr; }));
  // The caption lines need the bottom bar: the movie ends 25 pixels above the screen's bottom.
  EXPECT_TRUE(SettlesAt(movie, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN) - 25));
  Screenshot(L"player-run");
  EXPECT_TRUE(run.CloseAndWait(form));
  EXPECT_FALSE(fs::exists(MovieFile()));
}

TEST_F(Player, WithoutCaptionOrClockTheMovieFillsTheScreen) {
  Write(WithMovie());
  Process run(saver_, L"/s");
  HWND form = run.Form();
  ASSERT_TRUE(form);
  HWND movie = nullptr;
  ASSERT_TRUE(WaitUntil([&] { return (movie = FindByClass(form, L"QtStandInMovie")) != nullptr; }));
  EXPECT_TRUE(SettlesAt(movie, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)));
  EXPECT_TRUE(run.CloseAndWait(form));
}

TEST_F(Player, PreviewPlaysInsideTheHostWindowWithoutBar) {
  Content c = WithMovie();
  c.caption = "不显示";
  Write(c);
  // As in Display Properties: the preview host is a small borderless child of a dialog.
  HWND dialog = CreateWindowExW(0, L"STATIC", L"preview dialog", WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_CLIPCHILDREN, 10, 10, 300,
                                250, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  HWND host = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 20, 20, 152, 112, dialog, nullptr,
                              GetModuleHandleW(nullptr), nullptr);
  ASSERT_TRUE(host);
  {
    Process preview(saver_, L"/p " + std::to_wstring(reinterpret_cast<INT_PTR>(host)));
    HWND movie = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (movie = FindByClass(host, L"QtStandInMovie")) != nullptr; }));
    RECT hostRect;
    GetWindowRect(host, &hostRect);
    EXPECT_TRUE(SettlesAt(movie, hostRect.right - hostRect.left, hostRect.bottom - hostRect.top)) << "no bottom bar";
    Screenshot(L"player-preview");
    DestroyWindow(dialog);
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
  Write(WithMovie());
  for (const auto& c : cases) {
    SCOPED_TRACE(c.ini);
    WriteIni(c.ini);
    Process settings(saver_, L"/c");
    HWND form = settings.Form();
    ASSERT_TRUE(form);
    EXPECT_EQ(WindowText(form), L"abc");
    Screenshot(L"player-settings");
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

// A standard user cannot write to the system folder: the movie then goes to the user's temporary
// folder under the same name. A folder in the way stands in for the missing right.
TEST_F(Player, MovieGoesToTheTemporaryFolderWhenTheSystemFolderRefusesIt) {
  Write(WithMovie());
  fs::create_directory(MovieFile());
  wchar_t temp[MAX_PATH];
  const fs::path fallback = fs::path(std::wstring(temp, GetTempPathW(MAX_PATH, temp))) / MovieFile().filename();
  {
    Process run(saver_, L"/s");
    HWND form = run.Form();
    ASSERT_TRUE(form);
    EXPECT_TRUE(WaitUntil([&] { return fs::exists(fallback) && ReadAll(fallback) == WithMovie().movie; }));
    EXPECT_FALSE(run.TopLevel(L"#32770")) << "no message box";
    EXPECT_TRUE(run.CloseAndWait(form));
  }
  EXPECT_FALSE(fs::exists(fallback));
  fs::remove(MovieFile());
}

TEST_F(Player, DamagedPackagesLoadNothingAndShowNoMessage) {
  Write(WithMovie());
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
    WriteAll(saver_, c.file);
    Process run(saver_, L"/s");
    HWND form = run.Form();
    ASSERT_TRUE(form);
    // The package is read before the form shows; what it started has been handled too.
    EXPECT_TRUE(StillTakesMessages(form));
    EXPECT_TRUE(run.Running());
    EXPECT_FALSE(run.TopLevel(L"#32770")) << "no message box";
    EXPECT_FALSE(fs::exists(MovieFile()));
    EXPECT_TRUE(run.CloseAndWait(form));
  }
}

// With a Flash control registered, the player drives it through its dispatch interface: the
// colours first, then looping, the movie file and play.
TEST_F(Player, DrivesARegisteredFlashControlInRunAndPreview) {
  Write(WithMovie());
  qt::testing::ControlRegistration registered(WindowsPath(QT_TESTCONTROL));
  qt::testing::ControlLog log;
  const std::string movie = "put 102 text '" + win::Narrow(MovieFile().wstring()) + "'";
  // The seven calls that start a movie, in order, from the colours set before the first loop
  // setting on; fewer when they do not all come.
  auto startCalls = [&] {
    std::vector<std::string> lines, calls;
    WaitUntil([&] {
      for (std::string& l : log.Take()) lines.push_back(std::move(l));
      calls.clear();
      auto from = std::find_if(lines.begin(), lines.end(), [](const std::string& l) { return l.starts_with("put 106"); });
      if (from - lines.begin() >= 2) from -= 2;
      for (; from != lines.end() && calls.size() < 7; ++from)
        if (from->starts_with("put ") || from->starts_with("call ")) calls.push_back(*from);
      return calls.size() == 7;
    });
    return calls;
  };
  {
    Process run(saver_, L"/s");
    HWND form = run.Form();
    ASSERT_TRUE(form);
    EXPECT_EQ(startCalls(), (std::vector<std::string>{"put 140 text ''", "put 123 int -1", "put 106 bool false",
                                                      "put 140 text ''", "put 123 int -1", movie, "call 112"}))
        << "run mode, pauses skipped: no looping";
    EXPECT_TRUE(run.CloseAndWait(form));
    log.Take();
  }
  HWND dialog = CreateWindowExW(0, L"STATIC", L"preview dialog", WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_CLIPCHILDREN, 10, 10, 300,
                                250, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  HWND host = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 20, 20, 152, 112, dialog, nullptr,
                              GetModuleHandleW(nullptr), nullptr);
  {
    Process preview(saver_, L"/p " + std::to_wstring(reinterpret_cast<INT_PTR>(host)));
    EXPECT_EQ(startCalls(), (std::vector<std::string>{"put 140 text ''", "put 123 int -1", "put 106 bool true",
                                                      "put 140 text ''", "put 123 int -1", movie, "call 112"}))
        << "preview: always looping";
    DestroyWindow(dialog);
    EXPECT_TRUE(preview.WaitForExit());
  }
}
