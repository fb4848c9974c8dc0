#include "tests/e2e/support.hpp"

#include "base/file_stream.hpp"
#include "base/package.hpp"
#include "flash/movie_backend.hpp"
#include "gif/codec/GIFImage.hpp"
#include "win/handles.hpp"

#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace e2e {

std::wstring WindowsPath(const char* unixPath) {
  std::wstring path = L"Z:";
  for (const char* p = unixPath; *p; ++p) path += *p == '/' ? L'\\' : static_cast<wchar_t>(*p);
  return path;
}

bool WaitUntil(const std::function<bool()>& done) {
  // Every wait is for a state that must come, so a long bound costs a passing run nothing. The first
  // program started in a new Wine prefix on a loaded machine can take well over 10 s to show.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (!done()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    // The test's own windows (a preview host) keep painting while it waits.
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    Sleep(20);
  }
  return true;
}

bool MoveCursor(int x, int y) {
  // The warp is asked for again while the cursor is not there: under a loaded Wine one can be
  // lost, when it reaches the X server while another program's window is going away.
  return WaitUntil([&] {
    POINT at{};
    if (GetCursorPos(&at) && at.x == x && at.y == y) return true;
    SetCursorPos(x, y);
    return false;
  });
}

HWND BySize(HWND parent, int width, int height) {
  for (HWND w : Descendants(parent)) {
    RECT r;
    GetWindowRect(w, &r);
    if (r.right - r.left == width && r.bottom - r.top == height) return w;
  }
  return nullptr;
}

void PostClick(HWND w, int x, int y) {
  PostMessageW(w, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
  PostMessageW(w, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}

bool SettlesAt(HWND w, int width, int height) {
  return WaitUntil([&] {
    RECT r;
    return GetWindowRect(w, &r) && r.right - r.left == width && r.bottom - r.top == height;
  });
}

std::string ReadAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteAll(const fs::path& p, const std::string& bytes) {
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out << bytes;
  if (!out) throw std::runtime_error("cannot write " + p.string());
}

fs::path SystemFolder() {
  wchar_t buf[MAX_PATH];
  return std::wstring(buf, GetSystemDirectoryW(buf, MAX_PATH));
}

fs::path WindowsFolder() {
  wchar_t buf[MAX_PATH];
  return std::wstring(buf, GetWindowsDirectoryW(buf, MAX_PATH));
}

std::wstring WindowText(HWND w) {
  // Asked of the window itself: an edit control keeps its text where GetWindowText of another
  // process does not look.
  // A program busy on a loaded machine answers late: ask again until it answers or its window goes.
  wchar_t buf[512] = {};
  WaitUntil([&] {
    DWORD_PTR copied = 0;
    return SendMessageTimeoutW(w, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(buf), SMTO_ABORTIFHUNG,
                               2000, &copied) != 0 ||
           !IsWindow(w);
  });
  return buf;
}

std::wstring ClassOf(HWND w) {
  wchar_t buf[128] = {};
  GetClassNameW(w, buf, 128);
  return buf;
}

namespace {

BOOL CALLBACK Collect(HWND w, LPARAM found) {
  reinterpret_cast<std::vector<HWND>*>(found)->push_back(w);
  return TRUE;
}

struct TopLevelSearch {
  DWORD pid;
  const wchar_t* cls;
  HWND found;
};

BOOL CALLBACK MatchTopLevel(HWND w, LPARAM search) {
  auto* s = reinterpret_cast<TopLevelSearch*>(search);
  DWORD pid = 0;
  GetWindowThreadProcessId(w, &pid);
  if (pid != s->pid || ClassOf(w) != s->cls) return TRUE;
  s->found = w;
  return FALSE;
}

} // namespace

std::vector<HWND> Descendants(HWND parent) {
  std::vector<HWND> found;
  EnumChildWindows(parent, Collect, reinterpret_cast<LPARAM>(&found));
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

bool StillTakesMessages(HWND window) {
  // A message sent from another thread is handled at the receiver's next look into its queue,
  // ahead of posted ones; each round trip therefore waits until what the look before returned has
  // been dispatched. The third covers a message posted while dispatching (a typed character).
  for (int trip = 0; trip < 3; ++trip) {
    DWORD_PTR ignored = 0;
    if (!SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 8000, &ignored)) return false;
  }
  return IsWindow(window) != FALSE;
}

const std::vector<FrameRecord::Shown>& FrameRecord::Read() {
  static const UINT message = RegisterWindowMessageW(qt::kShownFrameMessage);
  for (;;) {
    DWORD_PTR frame = 0, at = 0;
    const WPARAM entry = shown_.size();
    if (!SendMessageTimeoutW(movie_, message, entry, qt::kShownFrameNumber, SMTO_NORMAL, 2000, &frame) || !frame ||
        !SendMessageTimeoutW(movie_, message, entry, qt::kShownFrameTime, SMTO_NORMAL, 2000, &at))
      return shown_;
    shown_.push_back({static_cast<int>(frame), static_cast<DWORD>(at)});
  }
}

std::optional<size_t> FrameRecord::Await(int frame, size_t from) {
  std::optional<size_t> found;
  WaitUntil([&] {
    const auto& shown = Read();
    for (size_t i = from; i < shown.size() && !found; ++i)
      if (shown[i].frame == frame) found = i;
    return found.has_value();
  });
  return found;
}

void Screenshot(const std::wstring& name) {
  wchar_t folder[MAX_PATH];
  if (!GetEnvironmentVariableW(L"E2E_SCREENSHOTS", folder, MAX_PATH)) return;
  Sleep(300); // let the last paint reach the display
  const fs::path ready = fs::path(folder) / (name + L".ready"), picture = fs::path(folder) / (name + L".png");
  fs::remove(picture);
  WriteAll(ready, "");
  WaitUntil([&] { return fs::exists(picture); });
  fs::remove(ready);
}

RegistryOverride::RegistryOverride(const std::wstring& classesKey, const std::wstring& value) {
  const std::wstring path = L"Software\\Classes\\" + classesKey;
  if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr,
                      &key_, nullptr) != ERROR_SUCCESS)
    throw std::runtime_error("cannot open a registry key");
  wchar_t old[1024];
  DWORD type = 0, size = sizeof old - sizeof(wchar_t);
  if (RegQueryValueExW(key_, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(old), &size) == ERROR_SUCCESS &&
      type == REG_SZ)
    old_ = std::wstring(old, size / sizeof(wchar_t)).c_str();
  Set(value);
}

RegistryOverride::~RegistryOverride() {
  if (old_)
    Set(*old_);
  else
    RegDeleteValueW(key_, nullptr);
  RegCloseKey(key_);
}

void RegistryOverride::Set(const std::wstring& value) {
  RegSetValueExW(key_, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                 static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

ShellRecorder::ShellRecorder(fs::path program) : program_(std::move(program)), log_(program_) {
  log_ += L".log";
  fs::remove(log_);
}

std::vector<std::wstring> ShellRecorder::Calls() const {
  std::string bytes = fs::exists(log_) ? ReadAll(log_) : std::string();
  std::wstring text(bytes.size(), L'\0');
  text.resize(MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(),
                                  static_cast<int>(text.size())));
  std::vector<std::wstring> calls;
  const std::wstring self = L"\"" + program_.wstring() + L"\" ";
  for (size_t at = 0, end; (end = text.find(L'\n', at)) != std::wstring::npos; at = end + 1) {
    std::wstring line = text.substr(at, end - at);
    calls.push_back(line.starts_with(self) ? line.substr(self.size()) : line);
  }
  return calls;
}

void WriteSaver(const fs::path& player, const fs::path& file, const Content& c) {
  qt::FileStream image(player, qt::FileStream::Mode::read);
  qt::FileStream out(file, qt::FileStream::Mode::create);
  qt::PackageWriter w;
  if (!c.movie.empty()) w.AddBlock(qt::bkSwf, c.movie);
  if (!c.ad1Jpeg.empty()) w.AddBlock(qt::bkAd1Jpeg, c.ad1Jpeg);
  if (!c.ad1Gif.empty()) w.AddBlock(qt::bkAd1Gif, c.ad1Gif);
  if (!c.ad2Jpeg.empty()) w.AddBlock(qt::bkAd2Jpeg, c.ad2Jpeg);
  if (!c.ad2Gif.empty()) w.AddBlock(qt::bkAd2Gif, c.ad2Gif);
  if (!c.caption.empty()) w.AddBlock(qt::bkCaption, c.caption);
  w.AddBlock(qt::bkAbout, c.about);
  w.AddBlock(qt::bkOptions, c.options);
  w.Write(image, out);
}

COLORREF ScreenPixel(int x, int y) {
  win::WindowDC screen(nullptr);
  return GetPixel(screen.get(), x, y);
}

std::string HalvesGif(int width, int height, COLORREF left, COLORREF right, const std::vector<COLORREF>& laterFrames,
                      std::uint8_t encoderKind, int delay, int loops) {
  qt::TGIFImage image;
  image.EncoderKind = encoderKind;
  image.Header().LogicalScreenDescriptor.ScreenWidth = static_cast<std::uint16_t>(width);
  image.Header().LogicalScreenDescriptor.ScreenHeight = static_cast<std::uint16_t>(height);
  image.Header().ColorMap().Add(left);
  image.Header().ColorMap().Add(right);
  auto addFrame = [&](const std::function<std::uint8_t(int x)>& index, std::optional<COLORREF> local) {
    auto frame = std::make_unique<qt::TGIFSubImage>(&image);
    if (local) frame->ColorMap().Add(*local);
    frame->PlaceFrame(0, 0, width, height);
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) frame->Data()[y * width + x] = index(x);
    if (loops >= 0 && image.Images().Count() == 0) {
      auto loop = std::make_unique<qt::TGIFAppExtNSLoop>(*frame);
      loop->LoopCount = static_cast<std::uint16_t>(loops);
      frame->Extensions().Add(std::move(loop));
    }
    if (delay > 0) {
      auto gce = std::make_unique<qt::TGIFGraphicControlExtension>(*frame);
      gce->SetDelayTime(static_cast<std::uint16_t>(delay));
      frame->Extensions().Add(std::move(gce));
    }
    image.AddFrame(std::move(frame));
  };
  addFrame([&](int x) { return x < width / 2 ? 0 : 1; }, std::nullopt);
  for (COLORREF c : laterFrames) addFrame([](int) { return 0; }, c);
  qt::MemoryStream out;
  image.SaveToStream(out);
  return out.Bytes();
}

SaverFiles::SaverFiles(const std::wstring& folderName, const std::wstring& name)
    : name(name), folder(fs::temp_directory_path() / folderName), saver(folder / (name + L".scr")) {
  DWORD show = 0;
  HKEY k;
  RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Advanced", 0,
                  nullptr, 0, KEY_SET_VALUE, nullptr, &k, nullptr);
  RegSetValueExW(k, L"HideFileExt", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&show), sizeof show);
  RegCloseKey(k);
  fs::remove_all(folder);
  fs::create_directories(folder);
  fs::remove_all(Ini(name));
}

SaverFiles::~SaverFiles() {
  std::error_code ignored;
  fs::remove_all(Ini(name), ignored);
  fs::remove_all(folder, ignored);
}

BOOL StartProcess(const std::wstring& program, std::wstring commandLine, PROCESS_INFORMATION& info) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  auto start = [&] {
    return CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                          &info);
  };
  // Wine answers ERROR_INTERNAL_ERROR when the new process died in Wine's own start-up, before any
  // code of the program ran; on a loaded machine that happens now and then. One more try, said.
  if (start()) return TRUE;
  if (GetLastError() != ERROR_INTERNAL_ERROR) return FALSE;
  std::fwprintf(stderr, L"%ls did not get through Wine's start-up; starting it once more\n", program.c_str());
  return start();
}

Process::Process(const fs::path& file, const std::wstring& arguments) {
  if (!StartProcess(file.wstring(), L"\"" + file.wstring() + L"\" " + arguments, info_))
    throw std::runtime_error("cannot start " + file.string() + ", error " + std::to_string(GetLastError()));
  win::UniqueHandle thread(info_.hThread);
}

Process::~Process() {
  if (Running()) {
    TerminateProcess(info_.hProcess, 1);
    WaitForSingleObject(info_.hProcess, 5000);
  }
  win::UniqueHandle process(info_.hProcess);
}

bool Process::Running() const {
  return info_.hProcess && WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT;
}

HWND Process::TopLevel(const wchar_t* cls) const {
  TopLevelSearch search{info_.dwProcessId, cls, nullptr};
  EnumWindows(MatchTopLevel, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND Process::Form() const {
  HWND found = nullptr;
  WaitUntil([&] {
    found = TopLevel(L"QtForm");
    return found && IsWindowVisible(found);
  });
  return found;
}

bool Process::CloseAndWait(HWND form) const {
  PostMessageW(form, WM_CLOSE, 0, 0);
  return WaitForExit();
}

bool Process::WaitForExit() const {
  return WaitUntil([&] { return !Running(); });
}

} // namespace e2e
