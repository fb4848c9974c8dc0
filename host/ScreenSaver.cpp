#include "host/ScreenSaver.hpp"

#include "win/application.hpp"
#include "win/dialogs.hpp"
#include "win/form.hpp"
#include "win/registry.hpp"
#include "win/text.hpp"

#include <stdexcept>

namespace qt {
namespace {

// The owner form of the program's one screen saver component.
win::TForm* SaverForm = nullptr;

[[maybe_unused]] const bool registered = [] {
  win::RegisterComponentClass<TScreenSaver>("TScreenSaver");
  return true;
}();

constexpr wchar_t kHookProperty[] = L"QtScreenSaverHook";
constexpr DWORD kApplicationExStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST;
constexpr UINT kPreviewHostCheckMs = 200;

win::TForm& Form() {
  if (!SaverForm) throw std::logic_error("TScreenSaver needs a form as its owner");
  return *SaverForm;
}

char Letter() { return ModeLetter(win::ParamStr(1)); }

HWND HandleFrom(std::int32_t value) { return reinterpret_cast<HWND>(static_cast<INT_PTR>(value)); }

void HideApplicationWindow() {
  ShowWindow(FindWindowW(nullptr, win::Application->WideTitle().c_str()), SW_HIDE);
}

void RestyleApplicationWindow() {
  SetWindowLongPtrW(win::Application->Handle(), GWL_EXSTYLE, kApplicationExStyle);
}

// Absent, FindWindow gives no window, and the calls on it do nothing.
HWND DisplayPropertiesWindow() { return FindWindowW(nullptr, L"Display Properties"); }

void SetScreenSaverRunning(bool running) {
  UINT scratch = 0;
  SystemParametersInfoW(SPI_SETSCREENSAVERRUNNING, running ? 1 : 0, &scratch, 0);
}

std::wstring SystemLibraryPath(const wchar_t* fileName) {
  wchar_t buffer[MAX_PATH];
  UINT length = GetSystemDirectoryW(buffer, MAX_PATH);
  std::wstring path(buffer, length < MAX_PATH ? length : 0);
  if (!path.empty() && path.back() != L'\\') path += L'\\';
  return path + fileName;
}

template <class Proc> Proc EntryPoint(HMODULE module, const char* name) {
  return reinterpret_cast<Proc>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

using PwdChangePasswordProc = DWORD(WINAPI*)(LPCSTR regKeyName, HWND parent, DWORD reserved1,
                                             DWORD reserved2);
using VerifyScreenSavePwdProc = BOOL(WINAPI*)(HWND parent);

LRESULT CALLBACK HookInstanceProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* saver = static_cast<TScreenSaver*>(GetPropW(hwnd, kHookProperty));
  if (!saver) return DefWindowProcW(hwnd, msg, wp, lp);
  return win::Fenced([&] { return saver->HookedWindowProc(msg, wp, lp); }, LRESULT{0});
}

// Nobody tells a preview that its host window is gone (its own window goes with it), so it looks.
HWND previewHost = nullptr;
UINT_PTR previewTimer = 0;

void StopWatchingPreviewHost() {
  if (previewTimer) KillTimer(nullptr, previewTimer);
  previewTimer = 0;
  previewHost = nullptr;
}

void CALLBACK CheckPreviewHost(HWND, UINT, UINT_PTR, DWORD) {
  win::Fenced(
      [] {
        if (!IsWindow(previewHost)) {
          StopWatchingPreviewHost();
          win::Application->Terminate();
        }
        return 0;
      },
      0);
}

void WatchPreviewHost(HWND host) {
  StopWatchingPreviewHost();
  previewHost = host;
  previewTimer = SetTimer(nullptr, 0, kPreviewHostCheckMs, CheckPreviewHost);
}

} // namespace

TScreenSaver::TScreenSaver(win::TComponent* AOwner)
    : TComponent(AOwner), configurationBoxMessage_("没有可以设置的选项。") {
  SaverForm = dynamic_cast<win::TForm*>(AOwner);
}

TScreenSaver::~TScreenSaver() {
  StopWatchingPreviewHost();
  UnhookWindowProc();
  if (Letter() == 'C') EnableWindow(DisplayPropertiesWindow(), TRUE);
  if (systemKeysDisabled_) SetScreenSaverRunning(false);
  if (autoMouseHide_) ShowCursor(TRUE);
}

void TScreenSaver::Fire(const win::TNotifyEvent& event) {
  if (event) event(this);
}

void TScreenSaver::SetAutoMouseHide(bool v) {
  if (v == autoMouseHide_) return;
  autoMouseHide_ = v;
  ShowCursor(v ? FALSE : TRUE);
}

void TScreenSaver::Loaded() {
  TComponent::Loaded();
  if (!configurationBoxPanel_ || !SaverForm || configurationBoxPanel_->Owner() != SaverForm) {
    configurationBoxStyle_ = cbsMessageDlg;
    configurationBoxPanel_ = nullptr;
  } else if (autoPanelHide_) {
    configurationBoxPanel_->Hide();
  }
  if (autoEnable_) StartFromCommandLine();
}

void TScreenSaver::StartFromCommandLine() {
  mode = ModeFromCommandLine(win::ParamStr(1));
  switch (mode) {
  case mPreview: ActivatePreview(); break;
  case mRun: ActivateMainSaver(); break;
  case mPassword: ActivatePasswordSetting(); break;
  case mConfig: ActivateConfigBox(); break;
  }
}

void TScreenSaver::ActivatePreview() {
  Fire(OnBeforePreviewActive);
  if (previewWindow_) {
    win::TForm& form = Form();
    HideApplicationWindow();
    RestyleApplicationWindow();
    HWND window = form.Handle();
    const HostWindow host = ParseHostWindow(win::ParamStr(2));
    if (host.usable) {
      HWND parent = HandleFrom(host.handle);
      SetWindowLongPtrW(window, GWL_STYLE, GetWindowLongPtrW(parent, GWL_STYLE) | WS_CHILD | WS_DISABLED);
      SetWindowLongPtrW(window, GWL_EXSTYLE, GetWindowLongPtrW(parent, GWL_EXSTYLE));
      SetParent(window, parent);
      form.SetPosition(win::poDesigned);
      if (autoMaximize_) {
        form.SetWidth(GetSystemMetrics(SM_CXSCREEN));
        form.SetHeight(GetSystemMetrics(SM_CYSCREEN));
      }
      RECT r;
      GetWindowRect(parent, &r);
      SetWindowPos(window, nullptr, 0, 0, r.right - r.left, r.bottom - r.top,
                   SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
      WatchPreviewHost(parent);
    }
  }
  Fire(OnPreviewActive);
}

void TScreenSaver::ActivateMainSaver() {
  Fire(OnBeforeMainSaverActive);
  if (mainScreenSaver_) {
    win::TForm& form = Form();
    HideApplicationWindow();
    if (systemKeysDisabled_) SetScreenSaverRunning(true);
    if (autoMouseHide_) ShowCursor(FALSE);
    if (autoMaximize_) form.SetWindowState(win::wsMaximized);
    if (autoBorderLess_) form.SetBorderStyle(win::bsNone);
    if (autoOnTop_) form.SetFormStyle(win::fsStayOnTop);
  }
  HookWindowProc();
  Fire(OnMainSaverActive);
}

void TScreenSaver::HookWindowProc() {
  // A second hook would chain to itself.
  if (!Owner() || !SaverForm || FHookInstance) return;
  HWND window = SaverForm->Handle();
  FOldWndProc = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(window, GWLP_WNDPROC));
  SetPropW(window, kHookProperty, this);
  FHookInstance = HookInstanceProc;
  SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FHookInstance));
}

LRESULT TScreenSaver::HookedWindowProc(UINT Msg, WPARAM WParam, LPARAM LParam) {
  if (!Owner() || !SaverForm) return 0;
  // Only the exact command: the low four bits are not masked off.
  if (Msg == WM_SYSCOMMAND && WParam == SC_SCREENSAVE) return 0;
  return CallWindowProcW(FOldWndProc, SaverForm->Handle(), Msg, WParam, LParam);
}

void TScreenSaver::UnhookWindowProc() {
  const bool window = Owner() && SaverForm && SaverForm->HandleAllocated();
  if (window && FOldWndProc)
    SetWindowLongPtrW(SaverForm->Handle(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FOldWndProc));
  if (window && FHookInstance) RemovePropW(SaverForm->Handle(), kHookProperty);
  FOldWndProc = nullptr;
  FHookInstance = nullptr;
}

void TScreenSaver::ActivateConfigBox() {
  Fire(OnBeforeConfigBoxActive);
  const bool fromDisplayProperties = Letter() == 'C';
  if (configurationBox_) {
    if (configurationBoxStyle_ == cbsPanel && configurationBoxPanel_)
      ShowConfigurationPanel(fromDisplayProperties);
    else
      ShowConfigurationMessage(fromDisplayProperties);
  }
  Fire(OnConfigBoxActive);
}

// The form becomes the settings dialog and runs as the program's main form.
void TScreenSaver::ShowConfigurationPanel(bool fromDisplayProperties) {
  win::TForm& form = Form();
  win::TPanel& panel = *configurationBoxPanel_;
  for (win::TComponent* c : form.Components())
    if (auto* other = dynamic_cast<win::TPanel*>(c); other && other->Name() != panel.Name()) other->Hide();
  panel.Show();
  panel.SetLeft(0);
  panel.SetTop(0);
  panel.BringToFront();
  form.SetWindowState(win::wsNormal);
  form.SetBorderStyle(win::bsDialog);
  form.SetClientWidth(panel.Width());
  form.SetClientHeight(panel.Height());
  form.SetPosition(win::poScreenCenter);
  if (fromDisplayProperties) {
    HWND displayProperties = DisplayPropertiesWindow();
    EnableWindow(displayProperties, FALSE);
    SetForegroundWindow(displayProperties);
  }
}

// A box instead of a dialog; the program ends when it is closed.
void TScreenSaver::ShowConfigurationMessage(bool fromDisplayProperties) {
  win::TForm& form = Form();
  if (fromDisplayProperties) EnableWindow(DisplayPropertiesWindow(), FALSE);
  if (form.WindowState() != win::wsNormal) form.SetWindowState(win::wsNormal);
  form.SetLeft(-form.Width() - 100);
  win::ShowMessageBox(configurationBoxMessage_, "Information", MB_OK | MB_ICONINFORMATION);
  if (fromDisplayProperties) {
    HWND displayProperties = DisplayPropertiesWindow();
    EnableWindow(displayProperties, TRUE);
    SetForegroundWindow(displayProperties);
  }
  win::Application->Terminate();
}

void TScreenSaver::ActivatePasswordSetting() {
  Fire(OnBeforePasswordSet);
  if (passwordSetting_) {
    HideApplicationWindow();
    Form().SetWindowState(win::wsMinimized);
    RestyleApplicationWindow();
    HWND parent = HandleFrom(ParseHostWindow(win::ParamStr(2)).handle);
    // Without the library or its entry point there is no dialog, and nothing to say about it.
    win::UniqueModule mpr(LoadLibraryW(SystemLibraryPath(L"MPR.DLL").c_str()));
    if (mpr) {
      if (auto change = EntryPoint<PwdChangePasswordProc>(mpr.get(), "PwdChangePasswordA"))
        change("SCRSAVE", parent, 0, 0);
    }
  }
  Fire(OnPasswordSet);
  if (passwordSetting_) win::Application->Terminate();
}

bool TScreenSaver::VerifyPassword() {
  HWND foreground = GetForegroundWindow();
  if (autoMouseHide_) ShowCursor(TRUE);
  if (Letter() != 'S') return true;
  // A value of another type than a 32-bit integer reads as none: no password.
  if (win::ReadRegistryInteger(HKEY_CURRENT_USER, "Control Panel\\Desktop", "ScreenSaveUsePassword")
          .value_or(0) == 0)
    return true;
  win::UniqueModule cpl(LoadLibraryW(SystemLibraryPath(L"PASSWORD.CPL").c_str()));
  if (!cpl) return true;
  auto verify = EntryPoint<VerifyScreenSavePwdProc>(cpl.get(), "VerifyScreenSavePwd");
  if (!verify) return true;
  // The answer is read as a one-byte Boolean.
  const bool accepted = (verify(foreground) & 0xFF) != 0;
  if (!accepted && autoMouseHide_) ShowCursor(FALSE);
  return accepted;
}

const win::PropertyTable& TScreenSaver::ClassProperties() {
  using S = TScreenSaver;
  using win::BoolProperty;
  using win::EventProperty;
  static const win::PropertyTable table(
      &TComponent::ClassProperties(),
      {
          {"mode",
           win::EnumProperty<S, scrmode>(
               [](S& s, scrmode v) { s.mode = v; },
               {{"mPreview", mPreview}, {"mRun", mRun}, {"mConfig", mConfig}, {"mPassword", mPassword}})},
          {"AutoEnable", BoolProperty<S>([](S& s, bool v) { s.SetAutoEnable(v); })},
          {"AutoMaximize", BoolProperty<S>([](S& s, bool v) { s.SetAutoMaximize(v); })},
          {"AutoBorderLess", BoolProperty<S>([](S& s, bool v) { s.SetAutoBorderLess(v); })},
          {"AutoOnTop", BoolProperty<S>([](S& s, bool v) { s.SetAutoOnTop(v); })},
          {"AutoMouseHide", BoolProperty<S>([](S& s, bool v) { s.SetAutoMouseHide(v); })},
          {"AutoPanelHide", BoolProperty<S>([](S& s, bool v) { s.SetAutoPanelHide(v); })},
          {"PreviewWindow", BoolProperty<S>([](S& s, bool v) { s.SetPreviewWindow(v); })},
          {"MainScreenSaver", BoolProperty<S>([](S& s, bool v) { s.SetMainScreenSaver(v); })},
          {"ConfigurationBox", BoolProperty<S>([](S& s, bool v) { s.SetConfigurationBox(v); })},
          {"ConfigurationBoxStyle", win::EnumProperty<S, TConfigBoxStyle>(
                                        [](S& s, TConfigBoxStyle v) { s.SetConfigurationBoxStyle(v); },
                                        {{"cbsMessageDlg", cbsMessageDlg}, {"cbsPanel", cbsPanel}})},
          // A component that is no panel is taken as none; Loaded then falls back to the box.
          {"ConfigurationBoxPanel", win::ReferenceProperty<S>([](S& s, win::TComponent* c) {
             s.SetConfigurationBoxPanel(dynamic_cast<win::TPanel*>(c));
           })},
          {"ConfigurationBoxMessage",
           win::StringProperty<S>([](S& s, const std::string& v) { s.SetConfigurationBoxMessage(v); })},
          {"SystemKeysDisabled", BoolProperty<S>([](S& s, bool v) { s.SetSystemKeysDisabled(v); })},
          {"PasswordSetting", BoolProperty<S>([](S& s, bool v) { s.SetPasswordSetting(v); })},
          {"OnPreviewActive", EventProperty(&S::OnPreviewActive)},
          {"OnMainSaverActive", EventProperty(&S::OnMainSaverActive)},
          {"OnConfigBoxActive", EventProperty(&S::OnConfigBoxActive)},
          {"OnPasswordSet", EventProperty(&S::OnPasswordSet)},
          {"OnBeforePreviewActive", EventProperty(&S::OnBeforePreviewActive)},
          {"OnBeforeMainSaverActive", EventProperty(&S::OnBeforeMainSaverActive)},
          {"OnBeforeConfigBoxActive", EventProperty(&S::OnBeforeConfigBoxActive)},
          {"OnBeforePasswordSet", EventProperty(&S::OnBeforePasswordSet)},
      });
  return table;
}

} // namespace qt
