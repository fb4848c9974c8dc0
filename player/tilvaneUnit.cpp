#include "player/tilvaneUnit.hpp"

#include "base/charset.hpp"
#include "base/error.hpp"
#include "base/file_stream.hpp"
#include "base/text_lines.hpp"
#include "flash/ShockwaveFlash.hpp"
#include "host/ScreenSaver.hpp"
#include "panels/CRPanel.hpp"
#include "panels/GPanel.hpp"
#include "player/clock.hpp"
#include "player/links.hpp"
#include "player/poweroff.hpp"
#include "base/profile.hpp"
#include "player/ulong.hpp"
#include "win/application.hpp"
#include "win/comctrls.hpp"
#include "win/image.hpp"
#include "win/shell.hpp"
#include "win/stdctrls.hpp"
#include "win/text.hpp"
#include "win/timer.hpp"

#include <chrono>
#include <filesystem>
#include <optional>
#include <stdexcept>

using win::TObject;

namespace {

std::wstring ProgramPath() {
  wchar_t path[MAX_PATH];
  DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
  return std::wstring(path, n);
}

// The part after the last folder separator, with its extension replaced.
std::wstring ChangeExtension(std::wstring name, const std::wstring& extension) {
  size_t slash = name.find_last_of(L"\\/:");
  size_t dot = name.find_last_of(L'.');
  if (dot != std::wstring::npos && (slash == std::wstring::npos || dot > slash)) name.erase(dot);
  return name + extension;
}

std::wstring FileNamePart(const std::wstring& path) {
  size_t slash = path.find_last_of(L"\\/:");
  return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

std::wstring WithBackslash(std::wstring folder) {
  if (!folder.empty() && folder.back() != L'\\') folder += L'\\';
  return folder;
}

// The pause skipper's view of the movie control.
class FlashMovie final : public qt::MovieControl {
public:
  explicit FlashMovie(qt::TShockwaveFlash& flash) : flash_(flash) {}
  int ReadyState() const override { return flash_.ReadyState(); }
  int TotalFrames() const override { return flash_.TotalFrames(); }
  int CurrentFrame() const override { return flash_.CurrentFrame(); }
  bool IsPlaying() const override { return flash_.IsPlaying(); }
  void Play() override { flash_.Play(); }
  void Forward() override { flash_.Forward(); }
  void Rewind() override { flash_.Rewind(); }
  void SetLoop(bool loop) override { flash_.SetLoop(loop); }

private:
  qt::TShockwaveFlash& flash_;
};

const wchar_t kConfig[] = L"config";

// GetTickCount wraps after 49 days and GetTickCount64 is missing before Vista.
std::int64_t SteadyMilliseconds() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

} // namespace

TfscrForm::TfscrForm(win::TComponent* owner) : win::TForm(owner) {
  using win::TNotifyEvent;
  auto notify = [this](void (TfscrForm::*h)(TObject*)) {
    return TNotifyEvent([this, h](TObject* s) { (this->*h)(s); });
  };
  AddHandler("FormCreate", notify(&TfscrForm::FormCreate));
  AddHandler("FormShow", notify(&TfscrForm::FormShow));
  AddHandler("FormResize", notify(&TfscrForm::FormResize));
  AddHandler("FormDestroy", notify(&TfscrForm::FormDestroy));
  AddHandler("Timer1Timer", notify(&TfscrForm::Timer1Timer));
  AddHandler("Timer4Timer", notify(&TfscrForm::Timer4Timer));
  AddHandler("Timer2Timer", notify(&TfscrForm::Timer2Timer));
  AddHandler("SpeedButton1Click", notify(&TfscrForm::SpeedButton1Click));
  AddHandler("SpeedButton2Click", notify(&TfscrForm::SpeedButton2Click));
  AddHandler("SpeedButton5Click", notify(&TfscrForm::SpeedButton5Click));
  AddHandler("CheckBox4Click", notify(&TfscrForm::CheckBox4Click));
  AddHandler("PageControl1Change", notify(&TfscrForm::PageControl1Change));
  AddHandler("adImage1Click", notify(&TfscrForm::adImage1Click));
  AddHandler("adImage2Click", notify(&TfscrForm::adImage2Click));
  AddHandler("CRPanel3Click", notify(&TfscrForm::CRPanel3Click));
  AddHandler("FormKeyPress", win::TKeyPressEvent([this](TObject* s, char& k) { FormKeyPress(s, k); }));
  AddHandler("FormCloseQuery",
             win::TCloseQueryEvent([this](TObject* s, bool& can) { FormCloseQuery(s, can); }));
  AddHandler("Panel2MouseDown",
             win::TMouseEvent([this](TObject* s, win::TMouseButton b, unsigned sh, int x, int y) {
               Panel2MouseDown(s, b, sh, x, y);
             }));
  ReadLayoutResource(L"FSCRFORM");
}

void TfscrForm::BindComponents() {
  ScreenSaver1 = Find<qt::TScreenSaver>("ScreenSaver1");
  Flash1 = Find<qt::TShockwaveFlash>("Flash1");
  CRPanel3 = Find<qt::TCRPanel>("CRPanel3");
  txtpanel = Find<qt::TCRPanel>("txtpanel");
  GPanel1 = Find<qt::TGPanel>("GPanel1");
  Panel3 = Find<win::TPanel>("Panel3");
  botPanel = Find<win::TPanel>("botPanel");
  timelabel = Find<win::TPanel>("timelabel");
  PageControl1 = Find<win::TPageControl>("PageControl1");
  CheckBox1 = Find<win::TCheckBox>("CheckBox1");
  CheckBox2 = Find<win::TCheckBox>("CheckBox2");
  CheckBox4 = Find<win::TCheckBox>("CheckBox4");
  CheckBox5 = Find<win::TCheckBox>("CheckBox5");
  CheckBox6 = Find<win::TCheckBox>("CheckBox6");
  CheckBox8 = Find<win::TCheckBox>("CheckBox8");
  SpinEdit2 = Find<win::TSpinEdit>("SpinEdit2");
  Timer1 = Find<win::TTimer>("Timer1");
  Timer2 = Find<win::TTimer>("Timer2");
  Timer4 = Find<win::TTimer>("Timer4");
}

// --- Start-up --------------------------------------------------------------------------------

void TfscrForm::FormCreate(TObject*) {
  BindComponents();
  // 1. The host hid every panel but the settings panel; the settings tab needs its background.
  GPanel1->Show();
  // 2.
  Panel3->SetAlign(win::alClient);
  Flash1->SetAlign(win::alClient);
  Flash1->DoShowVerb();
  // 3.
  FCaptionLines.clear();
  FOptions.SetLines({});
  FSlots = qt::BlockSlots{};
  FBlocks.clear();
  // The layout's sample pictures are the maker's; a screen saver shows only the pictures its
  // package carries.
  for (const char* image : {"adImage1", "adImage2"}) Find<win::TImage>(image)->Picture().Clear();
  // 4.
  if (ReadPackage()) {
    ParseBlockTable();
    LoadOptionsBlock();
    LoadAboutBlock();
    ExtractMovieBlock();
    LoadCaptionBlock();
    LoadAdPictures();
    if (!FCaptionLines.empty()) {
      txtpanel->ClearStrings();
      for (const auto& line : FCaptionLines) txtpanel->AddString(line);
      txtpanel->SetActive(true);
      txtpanel->Show();
    }
  } else {
    Flash1->Hide();
    Panel3->SetCaption("没有内容");
    Flash1->SetBounds(0, 0, 0, 0);
  }
  // The program file stays open only while the blocks are loaded.
  FPackage.reset();
  // 5.
  PageControl1->SetActivePageIndex(0);
  FUrl1 = FOptions.ReadString("other", "url1");
  FUrl2 = FOptions.ReadString("other", "url2");
  FUrl3 = FOptions.ReadString("other", "url3");
  FHint1 = FOptions.ReadString("other", "hint1");
  FHint2 = FOptions.ReadString("other", "hint2");
  Find<win::TImage>("adImage1")->SetHint(FHint1);
  Find<win::TImage>("adImage2")->SetHint(FHint2);
  FTitle = FOptions.ReadString("other", "title");
  // 6.
  if (!FTitle.empty()) SetCaption(FTitle);
  // 7.
  FSkipPauses = false;
  // 8.
  FIniName = L"vantoq_fscr_" + ChangeExtension(ulong::ShellDisplayName(ProgramPath()), L".ini");
  // 9. to 11.
  LoadSettings();
  FSkipper = std::make_unique<qt::PauseSkipper>(FSkipPauses);
  ScreenSaver1->SetAutoMouseHide(!CheckBox4->Checked());
  FShutdown = CheckBox6->Checked();
  FShutdownMs = SpinEdit2->Value() * 60000;
  // 12. and 13.
  Panel3->SendToBack();
  Flash1->SetBGColor("");
  Flash1->SetBackgroundColor(-1);
  if (ScreenSaver1->mode == qt::mRun) { // 14.
    botPanel->SetVisible(CheckBox2->Checked() || txtpanel->Visible());
    Timer2->SetInterval(FShutdownMs);
    Timer2->SetEnabled(FShutdown);
    Flash1->SetLoop(!FSkipPauses);
    Timer1->SetEnabled(FSkipPauses);
    Flash1->SetBGColor("");
    Flash1->SetBackgroundColor(-1);
    Flash1->SetMovie(FMovieFile);
    Flash1->Play();
  } else if (ScreenSaver1->mode == qt::mPreview) { // 15.
    botPanel->Hide();
    Panel3->Show();
    Flash1->SetLoop(true);
    Flash1->SetBGColor("");
    Flash1->SetBackgroundColor(-1);
    Flash1->SetMovie(FMovieFile);
    Flash1->Play();
  }
  // 16.
  win::Application->OnMessage = [this](MSG& msg, bool& handled) { AppMessage(msg, handled); };
}

void TfscrForm::LoadSettings() {
  auto readInt = [&](const wchar_t* key, int fallback) {
    wchar_t buf[64] = {};
    GetPrivateProfileStringW(kConfig, key, L"", buf, 64, FIniName.c_str());
    return qt::ProfileInteger(win::Narrow(buf), fallback);
  };
  auto readBool = [&](const wchar_t* key, bool fallback) { return readInt(key, fallback ? 1 : 0) != 0; };
  CheckBox1->SetChecked(readBool(L"skip", true));
  FSkipPauses = CheckBox1->Checked();
  CheckBox6->SetChecked(readBool(L"shutdown", false));
  SpinEdit2->SetValue(readInt(L"shuttime", 30));
  CheckBox8->SetChecked(readBool(L"allowmouse", true));
  CheckBox4->SetChecked(readBool(L"allowclick", false));
  CheckBox5->SetChecked(readBool(L"allowkey", false));
  CheckBox2->SetChecked(readBool(L"showtime", false));
  timelabel->SetVisible(CheckBox2->Checked());
}

void TfscrForm::FormShow(TObject*) {
  Flash1->SetBGColor("");
  Flash1->SetBackgroundColor(-1);
  Flash1->DoShowVerb();
}

void TfscrForm::FormResize(TObject*) {
  if (!Flash1) return; // a resize while the layout is still being read
  Panel3->Realign();
  FormShow(this);
}

void TfscrForm::FormDestroy(TObject*) {
  FBlocks.clear();
  FCaptionLines.clear();
  if (!FMovieFile.empty()) DeleteFileW(FMovieFile.c_str());
}

// --- The package ------------------------------------------------------------------------------

bool TfscrForm::ReadPackage() {
  FPackage = std::make_unique<qt::PackageReader>(std::filesystem::path(ProgramPath()));
  return FPackage->State() != qt::PackageState::noPackage;
}

void TfscrForm::ParseBlockTable() {
  if (FPackage->State() != qt::PackageState::indexed) return;
  FBlocks = FPackage->Blocks();
  FSlots = FPackage->Slots();
}

void TfscrForm::LoadOptionsBlock() {
  if (FSlots.options) FOptions.SetLines(qt::SplitLines(FPackage->BlockBytes(FSlots.options)));
}

void TfscrForm::LoadAboutBlock() {
  if (FSlots.about) CRPanel3->SetStrings(qt::SplitLines(FPackage->BlockBytes(FSlots.about)));
}

void TfscrForm::MakeMovieFileName() {
  wchar_t folder[200];
  UINT n = GetSystemDirectoryW(folder, 200);
  std::wstring system(folder, n < 200 ? n : 0);
  FMovieFile = WithBackslash(system) + L"~" + ChangeExtension(FileNamePart(ProgramPath()), L".sps");
}

void TfscrForm::ExtractMovieBlock() {
  if (!FSlots.swf) return;
  MakeMovieFileName();
  // A standard user may not write to the system folder: then the movie goes to the user's
  // temporary folder under the same name, and when that fails too, nothing plays.
  wchar_t temp[MAX_PATH];
  DWORD n = GetTempPathW(MAX_PATH, temp);
  std::wstring fallback = WithBackslash(std::wstring(temp, n)) + FileNamePart(FMovieFile);
  for (const std::wstring& candidate : {FMovieFile, fallback}) {
    try {
      qt::FileStream out(std::filesystem::path(candidate), qt::FileStream::Mode::create);
      FPackage->CopyBlock(FSlots.swf, out);
      FMovieFile = candidate;
      return;
    } catch (const std::exception&) {
      DeleteFileW(candidate.c_str());
    }
  }
  FMovieFile.clear();
}

void TfscrForm::LoadCaptionBlock() {
  if (FSlots.caption) FCaptionLines = qt::SplitLines(FPackage->BlockBytes(FSlots.caption));
}

// A picture slot the package lacks, or a picture that does not decode, leaves its image empty:
// no sample picture and no error box in a screen saver someone was given.
void TfscrForm::LoadAdPictures() {
  struct Slot {
    const char* image;
    std::uint32_t block;
    bool isJpeg;
  };
  for (const Slot& slot : {Slot{"adImage1", FSlots.ad1, FSlots.ad1_is_jpeg}, Slot{"adImage2", FSlots.ad2, FSlots.ad2_is_jpeg}}) {
    if (!slot.block) continue;
    try {
      qt::MemoryStream bytes(FPackage->BlockBytes(slot.block));
      Find<win::TImage>(slot.image)->Picture().LoadFromStream(bytes, slot.isJpeg ? "jpg" : "gif");
    } catch (const std::exception&) {
    }
  }
}

// --- Exit rules ---------------------------------------------------------------------------------

qt::ExitSettings TfscrForm::CurrentExitSettings() {
  return {CheckBox8->Checked(), CheckBox4->Checked(), CheckBox5->Checked()};
}

void TfscrForm::AppMessage(MSG& Msg, bool& Handled) {
  POINT cursor{};
  GetCursorPos(&cursor);
  qt::MessageContext context{ScreenSaver1->mode, IsWindowVisible(Handle()) != FALSE, CurrentExitSettings(),
                             {cursor.x, cursor.y}, SteadyMilliseconds()};
  qt::QueuedMessage msg{Msg.message, static_cast<std::uintptr_t>(Msg.wParam), static_cast<std::intptr_t>(Msg.lParam)};
  qt::MessageVerdict verdict = FExitRules.AppMessage(msg, context);
  Handled = verdict != qt::MessageVerdict::dispatch;
  if (verdict == qt::MessageVerdict::dropAndClose) Close();
}

void TfscrForm::FormKeyPress(TObject*, char&) {
  if (qt::KeyPressEnds(ScreenSaver1->mode, CurrentExitSettings())) Close();
}

void TfscrForm::FormCloseQuery(TObject*, bool& CanClose) { CanClose = ScreenSaver1->VerifyPassword(); }

// --- Timers -------------------------------------------------------------------------------------

void TfscrForm::Timer1Timer(TObject*) {
  FlashMovie movie(*Flash1);
  unsigned interval = static_cast<unsigned>(FSkipper->Tick(movie));
  // A new interval restarts the countdown; the same one must not.
  if (interval != Timer1->Interval()) Timer1->SetInterval(interval);
}

void TfscrForm::Timer4Timer(TObject*) {
  SYSTEMTIME now;
  GetLocalTime(&now);
  timelabel->SetCaption(qt::ClockText({now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond}));
}

void TfscrForm::Timer2Timer(TObject*) {
  Timer2->SetEnabled(false);
  PowerOff(true);
}

// --- Settings window and links -------------------------------------------------------------------

void TfscrForm::SpeedButton1Click(TObject*) {
  auto write = [&](const wchar_t* key, const std::string& value) {
    if (!WritePrivateProfileStringW(kConfig, key, win::Widen(value).c_str(), FIniName.c_str()))
      throw qt::Error("Unable to write to " + qt::PathText(FIniName));
  };
  auto flag = [](win::TCheckBox* box) { return std::string(box->Checked() ? "1" : "0"); };
  write(L"skip", flag(CheckBox1));
  write(L"shutdown", flag(CheckBox6));
  write(L"shuttime", std::to_string(SpinEdit2->Value()));
  write(L"allowmouse", flag(CheckBox8));
  write(L"allowclick", flag(CheckBox4));
  write(L"allowkey", flag(CheckBox5));
  write(L"showtime", flag(CheckBox2));
  Close();
}

void TfscrForm::SpeedButton2Click(TObject*) { Close(); }

void TfscrForm::SpeedButton5Click(TObject*) {
  win::ShellRun({"open", qt::SendToFriendMail(qt::PathText(ulong::ShortToLongPath(ProgramPath())))});
}

void TfscrForm::CheckBox4Click(TObject*) {
  if (CheckBox4->Checked()) CheckBox8->SetChecked(true);
}

void TfscrForm::PageControl1Change(TObject*) {
  CRPanel3->SetActive(PageControl1->ActivePage() == FindComponent("TabSheet2"));
}

void TfscrForm::Panel2MouseDown(TObject*, win::TMouseButton Button, unsigned, int, int) {
  if (Button != win::mbLeft) return;
  ReleaseCapture();
  SendMessageW(Handle(), WM_SYSCOMMAND, 0xF012, 0);
}

void TfscrForm::OpenLink(const std::string& target) {
  if (std::optional<std::string> command = qt::LinkCommand(target)) win::ShellRun({"open", *command});
}

void TfscrForm::adImage1Click(TObject*) { OpenLink(FUrl1); }
void TfscrForm::adImage2Click(TObject*) { OpenLink(FUrl2); }
void TfscrForm::CRPanel3Click(TObject*) { OpenLink(FUrl3); }
