#pragma once
#include "host/modeline.hpp"
#include "win/control.hpp"

#include <windows.h>

#include <string>

namespace qt {

using TOnPreviewEvent = win::TNotifyEvent;
using TOnMainSaverEvent = win::TNotifyEvent;
using TOnConfigBoxEvent = win::TNotifyEvent;
using TOnPasswordSetEvent = win::TNotifyEvent;
using TOnBeforePreviewEvent = win::TNotifyEvent;
using TOnBeforeMainSaverEvent = win::TNotifyEvent;
using TOnBeforeConfigBoxEvent = win::TNotifyEvent;
using TOnBeforePasswordSetEvent = win::TNotifyEvent;

// The screen saver's side of the Windows screen saver protocol, for the form that owns it: once
// the form's layout is read it takes the mode from the command line and prepares the form for it
// (full screen, a child of the preview window, the settings dialog, or the password change).
// One per program: it works on its owner form, remembered for the whole program. Layouts name
// the class TScreenSaver.
class TScreenSaver : public win::TComponent {
public:
  explicit TScreenSaver(win::TComponent* AOwner);
  ~TScreenSaver() override;

  void Loaded() override;

  // Decides the mode from the command line and prepares the form for it.
  void StartFromCommandLine();
  void ActivatePreview();
  void ActivateMainSaver();
  void ActivateConfigBox();
  void ActivatePasswordSetting();

  // True when the program may close: no password is asked for, or the system accepted one.
  bool VerifyPassword();

  void HookWindowProc();
  void UnhookWindowProc();
  // The owner form's window procedure while the hook is in: keeps the system from starting its
  // own screen saver over this one.
  LRESULT HookedWindowProc(UINT Msg, WPARAM WParam, LPARAM LParam);

  scrmode mode = mPreview;

  bool AutoEnable() const { return autoEnable_; }
  void SetAutoEnable(bool v) { autoEnable_ = v; }
  bool AutoMaximize() const { return autoMaximize_; }
  void SetAutoMaximize(bool v) { autoMaximize_ = v; }
  bool AutoBorderLess() const { return autoBorderLess_; }
  void SetAutoBorderLess(bool v) { autoBorderLess_ = v; }
  bool AutoOnTop() const { return autoOnTop_; }
  void SetAutoOnTop(bool v) { autoOnTop_ = v; }
  bool AutoMouseHide() const { return autoMouseHide_; }
  // Shows or hides the cursor once when the value changes.
  void SetAutoMouseHide(bool v);
  bool AutoPanelHide() const { return autoPanelHide_; }
  void SetAutoPanelHide(bool v) { autoPanelHide_ = v; }
  bool PreviewWindow() const { return previewWindow_; }
  void SetPreviewWindow(bool v) { previewWindow_ = v; }
  bool MainScreenSaver() const { return mainScreenSaver_; }
  void SetMainScreenSaver(bool v) { mainScreenSaver_ = v; }
  bool ConfigurationBox() const { return configurationBox_; }
  void SetConfigurationBox(bool v) { configurationBox_ = v; }
  TConfigBoxStyle ConfigurationBoxStyle() const { return configurationBoxStyle_; }
  void SetConfigurationBoxStyle(TConfigBoxStyle v) { configurationBoxStyle_ = v; }
  win::TPanel* ConfigurationBoxPanel() const { return configurationBoxPanel_; }
  void SetConfigurationBoxPanel(win::TPanel* v) { configurationBoxPanel_ = v; }
  const std::string& ConfigurationBoxMessage() const { return configurationBoxMessage_; }
  void SetConfigurationBoxMessage(const std::string& v) { configurationBoxMessage_ = v; }
  bool SystemKeysDisabled() const { return systemKeysDisabled_; }
  void SetSystemKeysDisabled(bool v) { systemKeysDisabled_ = v; }
  bool PasswordSetting() const { return passwordSetting_; }
  void SetPasswordSetting(bool v) { passwordSetting_ = v; }

  TOnPreviewEvent OnPreviewActive;
  TOnMainSaverEvent OnMainSaverActive;
  TOnConfigBoxEvent OnConfigBoxActive;
  TOnPasswordSetEvent OnPasswordSet;
  TOnBeforePreviewEvent OnBeforePreviewActive;
  TOnBeforeMainSaverEvent OnBeforeMainSaverActive;
  TOnBeforeConfigBoxEvent OnBeforeConfigBoxActive;
  TOnBeforePasswordSetEvent OnBeforePasswordSet;

  static const win::PropertyTable& ClassProperties();
  const win::PropertyTable& Properties() const override { return ClassProperties(); }

private:
  void Fire(const win::TNotifyEvent& event);
  void ShowConfigurationPanel(bool fromDisplayProperties);
  void ShowConfigurationMessage(bool fromDisplayProperties);

  bool autoEnable_ = true;
  bool autoMaximize_ = true;
  bool autoBorderLess_ = true;
  bool autoOnTop_ = true;
  bool previewWindow_ = true;
  bool mainScreenSaver_ = true;
  bool configurationBox_ = true;
  TConfigBoxStyle configurationBoxStyle_ = cbsMessageDlg;
  win::TPanel* configurationBoxPanel_ = nullptr;
  std::string configurationBoxMessage_;
  bool systemKeysDisabled_ = true;
  bool passwordSetting_ = true;
  bool autoMouseHide_ = true;
  bool autoPanelHide_ = true;
  WNDPROC FOldWndProc = nullptr;
  WNDPROC FHookInstance = nullptr;
};

} // namespace qt
