#pragma once
#include "base/package.hpp"
#include "base/settings.hpp"
#include "player/exitrules.hpp"
#include "player/skipper.hpp"
#include "win/form.hpp"

#include <memory>
#include <string>
#include <vector>

namespace win {
class TCheckBox;
class TSpinEdit;
class TPageControl;
class TTimer;
class TImage;
class TSpeedButton;
} // namespace win
namespace qt {
class TScreenSaver;
class TShockwaveFlash;
class TCRPanel;
class TGPanel;
} // namespace qt

// The player's main form: reads the package from the end of its own program file, plays the movie
// in run and preview mode, and serves as the settings dialog in settings mode.
class TfscrForm : public win::TForm {
public:
  explicit TfscrForm(win::TComponent* owner);

  void FormCreate(win::TObject* Sender);
  void FormShow(win::TObject* Sender);
  void FormResize(win::TObject* Sender);
  void FormDestroy(win::TObject* Sender);
  void FormKeyPress(win::TObject* Sender, char& Key);
  void FormCloseQuery(win::TObject* Sender, bool& CanClose);
  void AppMessage(MSG& Msg, bool& Handled);
  void Timer1Timer(win::TObject* Sender);
  void Timer4Timer(win::TObject* Sender);
  void Timer2Timer(win::TObject* Sender);
  void SpeedButton1Click(win::TObject* Sender);
  void SpeedButton2Click(win::TObject* Sender);
  void SpeedButton5Click(win::TObject* Sender);
  void CheckBox4Click(win::TObject* Sender);
  void PageControl1Change(win::TObject* Sender);
  void Panel2MouseDown(win::TObject* Sender, win::TMouseButton Button, unsigned Shift, int X, int Y);
  void adImage1Click(win::TObject* Sender);
  void adImage2Click(win::TObject* Sender);
  void CRPanel3Click(win::TObject* Sender);

private:
  void BindComponents();

  bool ReadPackage();
  void ParseBlockTable();
  void LoadOptionsBlock();
  void LoadAboutBlock();
  void ExtractMovieBlock();
  void LoadCaptionBlock();
  void LoadAdPictures();
  void MakeMovieFileName();
  void LoadSettings();
  qt::ExitSettings CurrentExitSettings();
  void OpenLink(const std::string& target);

  // Components of the layout.
  qt::TScreenSaver* ScreenSaver1 = nullptr;
  qt::TShockwaveFlash* Flash1 = nullptr;
  qt::TCRPanel* CRPanel3 = nullptr;
  qt::TCRPanel* txtpanel = nullptr;
  qt::TGPanel* GPanel1 = nullptr;
  win::TPanel* Panel3 = nullptr;
  win::TPanel* botPanel = nullptr;
  win::TPanel* timelabel = nullptr;
  win::TPageControl* PageControl1 = nullptr;
  win::TCheckBox *CheckBox1 = nullptr, *CheckBox2 = nullptr, *CheckBox4 = nullptr, *CheckBox5 = nullptr,
                 *CheckBox6 = nullptr, *CheckBox8 = nullptr;
  win::TSpinEdit* SpinEdit2 = nullptr;
  win::TTimer *Timer1 = nullptr, *Timer2 = nullptr, *Timer4 = nullptr;

  // The package, read once at start-up; the program file is closed again after loading.
  std::unique_ptr<qt::PackageReader> FPackage;
  qt::tarray FBlocks;
  qt::BlockSlots FSlots;
  // Paths stay UTF-16: a screen saver may be named in a script that code page 936 lacks.
  std::wstring FMovieFile;
  std::vector<std::string> FCaptionLines;
  qt::SettingsStore FOptions;

  std::string FUrl1, FUrl2, FUrl3, FHint1, FHint2, FTitle;
  std::wstring FIniName;
  bool FSkipPauses = false;
  bool FShutdown = false;
  int FShutdownMs = 0;
  qt::ExitRules FExitRules;
  std::unique_ptr<qt::PauseSkipper> FSkipper;
};
