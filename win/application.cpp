#include "win/application.hpp"

#include "win/form.hpp"
#include "win/text.hpp"

#include <ole2.h>
#include <shellapi.h>

namespace win {

TApplication* Application = nullptr;

namespace {

constexpr wchar_t kApplicationClass[] = L"QtApplication";

// The program's own name, which code page 936 may not be able to write.
std::wstring ProgramBaseName() {
  wchar_t path[MAX_PATH];
  DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring p(path, n);
  size_t slash = p.find_last_of(L"\\/");
  if (slash != std::wstring::npos) p.erase(0, slash + 1);
  size_t dot = p.find_last_of(L'.');
  if (dot != std::wstring::npos) p.erase(dot);
  return p;
}

} // namespace

std::string ParamStr(int index) {
  int count = 0;
  LPWSTR* args = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!args) return {};
  std::string result = index >= 0 && index < count ? Narrow(args[index]) : std::string();
  LocalFree(args);
  return result;
}

TApplication::TApplication() {
  Application = this;
  comInitialised_ = SUCCEEDED(OleInitialize(nullptr));
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = kApplicationClass;
  RegisterClassExW(&wc);
  handle_ = CreateWindowExW(0, kApplicationClass, WideTitle().c_str(),
                            WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX,
                            GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, 0, 0,
                            nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
}

TApplication::~TApplication() {
  while (mainForm_) {
    TForm* f = mainForm_;
    mainForm_ = nullptr;
    f->BeforeDestruction();
    delete f;
  }
  if (handle_) DestroyWindow(handle_);
  if (comInitialised_) OleUninitialize();
  Application = nullptr;
}

std::string TApplication::Title() const { return Narrow(WideTitle()); }

std::wstring TApplication::WideTitle() const { return title_.empty() ? ProgramBaseName() : title_; }

void TApplication::SetTitle(const std::string& title) {
  title_ = Widen(title);
  if (handle_) SetWindowTextW(handle_, WideTitle().c_str());
}

void TApplication::Terminate() {
  if (!terminated_) PostQuitMessage(0);
}

bool TApplication::ProcessMessage(MSG& msg) {
  if (msg.message == WM_QUIT) {
    terminated_ = true;
    return false;
  }
  bool handled = false;
  if (OnMessage) Fenced([&] { OnMessage(msg, handled); return 0; }, 0);
  if (!handled) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return true;
}

void TApplication::HandleMessage() {
  MSG msg;
  if (GetMessageW(&msg, nullptr, 0, 0) <= 0) {
    terminated_ = true;
    return;
  }
  ProcessMessage(msg);
}

void TApplication::ProcessMessages() {
  MSG msg;
  while (!terminated_ && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ProcessMessage(msg);
}

void TApplication::Run() {
  if (mainForm_) Fenced([&] { mainForm_->Show(); return 0; }, 0);
  while (!terminated_) HandleMessage();
}

void TApplication::ShowException(const std::exception& e) {
  HWND owner = mainForm_ && mainForm_->HandleAllocated() ? mainForm_->Handle() : nullptr;
  MessageBoxW(owner, Widen(e.what()).c_str(), Widen(Title()).c_str(), MB_OK | MB_ICONSTOP);
}

} // namespace win
