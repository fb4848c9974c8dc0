#include "maker/quendraUnit.hpp"

#include "base/charset.hpp"
#include "base/file_stream.hpp"
#include "flash/ShockwaveFlash.hpp"
#include "maker/aboutlines.hpp"
#include "panels/CRPanel.hpp"
#include "player/profile.hpp"
#include "win/application.hpp"
#include "win/comctrls.hpp"
#include "win/dialogs.hpp"
#include "win/jpeg.hpp"
#include "win/filedialogs.hpp"
#include "win/image.hpp"
#include "win/resource.hpp"
#include "win/shell.hpp"
#include "win/stdctrls.hpp"
#include "win/text.hpp"
#include "win/textctrls.hpp"

#include <filesystem>
#include <stdexcept>

using win::TObject;

namespace {

const wchar_t kIniFile[] = L"quendrap.ini";

// The product's own pages, opened by the help and update buttons and the link labels.
const char kHelpPage[] = "http://www.lumvexa.com/quendra/help.html";
const char kUpdatePage[] = "http://www.lumvexa.com/quendra/update.html";
const char kHomePage[] = "http://www.lumvexa.com/";
const char kSharePage[] = "http://www.lumvexa.com/share/";
const char kMoviesPage[] = "http://www.lumvexa.com/flash/";
const char kQuestionsPage[] = "http://www.lumvexa.com/quendra/faq.html";
const wchar_t kConfig[] = L"config";

std::string WithBackslash(std::string folder) {
  if (folder.empty() || folder.back() != '\\') folder += '\\';
  return folder;
}

// The folder part of a path, with its backslash; empty when there is none.
std::string FolderOf(const std::string& path) {
  std::wstring wide = win::Widen(path);
  size_t slash = wide.find_last_of(L"\\/:");
  return slash == std::wstring::npos ? std::string() : win::Narrow(wide.substr(0, slash + 1));
}

std::string NameOf(const std::string& path) {
  std::wstring wide = win::Widen(path);
  size_t slash = wide.find_last_of(L"\\/:");
  return win::Narrow(slash == std::wstring::npos ? wide : wide.substr(slash + 1));
}

bool FileExists(const std::string& path) {
  DWORD attributes = GetFileAttributesW(win::Widen(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string ReadProfile(const wchar_t* key, const std::string& fallback) {
  wchar_t buf[2048] = {};
  GetPrivateProfileStringW(kConfig, key, win::Widen(fallback).c_str(), buf, 2048, kIniFile);
  return win::Narrow(buf);
}

bool ReadProfileBool(const wchar_t* key, bool fallback) {
  return qt::ProfileInteger(ReadProfile(key, ""), fallback ? 1 : 0) != 0;
}

void WriteProfile(const wchar_t* key, const std::string& value) {
  if (!WritePrivateProfileStringW(kConfig, key, win::Widen(value).c_str(), kIniFile))
    throw std::runtime_error("Unable to write to quendrap.ini");
}

void WriteProfileBool(const wchar_t* key, bool value) { WriteProfile(key, value ? "1" : "0"); }

} // namespace

TForm1::TForm1(win::TComponent* owner) : win::TForm(owner) {
  using win::TNotifyEvent;
  auto notify = [this](void (TForm1::*h)(TObject*)) {
    return TNotifyEvent([this, h](TObject* s) { (this->*h)(s); });
  };
  AddHandler("FormCreate", notify(&TForm1::FormCreate));
  AddHandler("FormDestroy", notify(&TForm1::FormDestroy));
  AddHandler("FormClose", win::TCloseEvent([this](TObject* s, win::TCloseAction& a) { FormClose(s, a); }));
  AddHandler("FormMouseDown",
             win::TMouseEvent([this](TObject* s, win::TMouseButton b, unsigned sh, int x, int y) {
               FormMouseDown(s, b, sh, x, y);
             }));
  AddHandler("Button1Click", notify(&TForm1::Button1Click));
  AddHandler("Button2Click", notify(&TForm1::Button2Click));
  AddHandler("Button3Click", notify(&TForm1::Button3Click));
  AddHandler("Button4Click", notify(&TForm1::Button4Click));
  AddHandler("Button5Click", notify(&TForm1::Button5Click));
  AddHandler("Button6Click", notify(&TForm1::Button6Click));
  AddHandler("Button7Click", notify(&TForm1::Button7Click));
  AddHandler("Button8Click", notify(&TForm1::Button8Click));
  AddHandler("sp5Click", notify(&TForm1::sp5Click));
  AddHandler("ListBox1Click", notify(&TForm1::ListBox1Click));
  AddHandler("adImage1Click", notify(&TForm1::adImage1Click));
  AddHandler("adImage2Click", notify(&TForm1::adImage2Click));
  AddHandler("SpeedButton1Click", notify(&TForm1::SpeedButton1Click));
  AddHandler("SpeedButton6Click", notify(&TForm1::SpeedButton6Click));
  AddHandler("SpeedButton7Click", notify(&TForm1::SpeedButton7Click));
  AddHandler("Label15Click", notify(&TForm1::Label15Click));
  AddHandler("Label16Click", notify(&TForm1::Label16Click));
  AddHandler("Label17Click", notify(&TForm1::Label17Click));
  AddHandler("Label25Click", notify(&TForm1::Label25Click));
  ReadLayoutResource(L"FORM1");
}

TForm1::~TForm1() = default;

void TForm1::BindComponents() {
  PageControl1 = Find<win::TPageControl>("PageControl1");
  TabSheet1 = Find<win::TTabSheet>("TabSheet1");
  TabSheet3 = Find<win::TTabSheet>("TabSheet3");
  TabSheet5 = Find<win::TTabSheet>("TabSheet5");
  Button4 = Find<win::TButton>("Button4");
  Button5 = Find<win::TButton>("Button5");
  Button6 = Find<win::TButton>("Button6");
  Button8 = Find<win::TButton>("Button8");
  infoLabel = Find<win::TLabel>("infoLabel");
  Memo1 = Find<win::TMemo>("Memo1");
  Edit1 = Find<win::TEdit>("Edit1");
  Edit3 = Find<win::TEdit>("Edit3");
  hint1Edit = Find<win::TEdit>("hint1Edit");
  hint2Edit = Find<win::TEdit>("hint2Edit");
  titleEdit = Find<win::TEdit>("titleEdit");
  url1edit = Find<win::TEdit>("url1edit");
  url2edit = Find<win::TEdit>("url2edit");
  url3Edit = Find<win::TEdit>("url3Edit");
  ListBox1 = Find<win::TListBox>("ListBox1");
  Memo2 = Find<win::TMemo>("Memo2");
  ComboBox1 = Find<win::TComboBox>("ComboBox1");
  ComboBox2 = Find<win::TComboBox>("ComboBox2");
  CheckBox4 = Find<win::TCheckBox>("CheckBox4");
  CheckBox5 = Find<win::TCheckBox>("CheckBox5");
  adImage1 = Find<win::TImage>("adImage1");
  adImage2 = Find<win::TImage>("adImage2");
  SpeedButton6 = Find<win::TSpeedButton>("SpeedButton6");
  SpeedButton7 = Find<win::TSpeedButton>("SpeedButton7");
  od1 = Find<win::TOpenDialog>("od1");
  od3 = Find<win::TOpenDialog>("od3");
  sd1 = Find<win::TSaveDialog>("sd1");
  flash1 = Find<qt::TShockwaveFlash>("flash1");
  txtPanel = Find<qt::TCRPanel>("txtPanel");
}

// --- Start and end -----------------------------------------------------------------------------

void TForm1::FormCreate(TObject*) {
  BindComponents();
  // 1.
  PageControl1->SetActivePage(TabSheet1);
  // The preview sits in the screen of the monitor picture, which was laid out before it.
  flash1->BringToFront();
  // 2.
  wchar_t path[MAX_PATH];
  DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
  FAppDir = WithBackslash(FolderOf(win::Narrow(std::wstring(path, n))));
  // 3.
  ReadSettings();
  // 4.
  try {
    FPlayerStream = std::make_unique<win::ResourceStream>(L"Flash");
  } catch (const std::exception&) {
    FPlayerStream.reset();
  }
  // 5.
  try {
    qt::FileStream about(std::filesystem::path(win::Widen(FAppDir + "about.txt")), qt::FileStream::Mode::read);
    std::string text(static_cast<size_t>(about.Size()), '\0');
    about.ReadExact(text.data(), text.size());
    Memo2->SetText(text);
  } catch (const std::exception&) {
  }
}

void TForm1::ReadSettings() {
  od1->InitialDir = ReadProfile(L"dir1", FAppDir);
  od3->InitialDir = ReadProfile(L"dir3", FAppDir);
  sd1->InitialDir = ReadProfile(L"sdir", FAppDir);
  hint1Edit->SetText(ReadProfile(L"hint1", ""));
  hint2Edit->SetText(ReadProfile(L"hint2", ""));
  titleEdit->SetText(ReadProfile(L"title", ""));
  url1edit->SetText(ReadProfile(L"url1", ""));
  url2edit->SetText(ReadProfile(L"url2", ""));
  url3Edit->SetText(ReadProfile(L"url3", ""));
  CheckBox4->SetChecked(ReadProfileBool(L"showad1", false));
  CheckBox5->SetChecked(ReadProfileBool(L"showad2", false));
}

void TForm1::WriteSettings() {
  const std::pair<const wchar_t*, win::TOpenDialog*> dialogs[] = {{L"dir1", od1}, {L"dir3", od3}, {L"sdir", sd1}};
  for (const auto& [key, dialog] : dialogs)
    if (!dialog->FileName.empty()) WriteProfile(key, FolderOf(dialog->FileName));
  WriteProfile(L"hint1", hint1Edit->Text());
  WriteProfile(L"hint2", hint2Edit->Text());
  WriteProfile(L"title", titleEdit->Text());
  WriteProfile(L"url1", url1edit->Text());
  WriteProfile(L"url2", url2edit->Text());
  WriteProfile(L"url3", url3Edit->Text());
  WriteProfile(L"ad1", FAd1File);
  WriteProfile(L"ad2", FAd2File);
  WriteProfileBool(L"showad1", CheckBox4->Checked());
  WriteProfileBool(L"showad2", CheckBox5->Checked());
}

void TForm1::FormClose(TObject*, win::TCloseAction&) {
  // A failed write is shown, and the dialog still closes: the user could not end it otherwise.
  try {
    WriteSettings();
  } catch (const std::exception& e) {
    win::Application->ShowException(e);
  }
  try {
    qt::FileStream about(std::filesystem::path(win::Widen(FAppDir + "about.txt")), qt::FileStream::Mode::create);
    about.Write(Memo2->Text());
  } catch (const qt::FileError& e) {
    win::Application->ShowException(std::runtime_error(std::string(e.what()) + ": " + FAppDir + "about.txt"));
  } catch (const std::exception& e) {
    win::Application->ShowException(e);
  }
}

void TForm1::FormDestroy(TObject*) { FPlayerStream.reset(); }

void TForm1::Button2Click(TObject*) { Close(); }

void TForm1::FormMouseDown(TObject*, win::TMouseButton Button, unsigned, int, int) {
  if (Button != win::mbLeft) return;
  ReleaseCapture();
  SendMessageW(Handle(), WM_SYSCOMMAND, 0xF012, 0);
}

// --- The movie --------------------------------------------------------------------------------

void TForm1::sp5Click(TObject*) {
  if (FileExists(Edit1->Text())) od1->FileName = Edit1->Text();
  if (!od1->Execute()) return;
  Edit1->SetText(od1->FileName);
  FSwfDir = WithBackslash(FolderOf(od1->FileName));
  ListSwfFiles();
}

void TForm1::ListSwfFiles() {
  ListBox1->Clear();
  // Every entry whatever its attributes: a file with only the normal attribute, or a compressed
  // or unindexed one, is a movie like any other.
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW(win::Widen(FSwfDir + "*.swf").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do ListBox1->Add(win::Narrow(found.cFileName));
    while (FindNextFileW(search, &found));
    FindClose(search);
  }
  if (ListBox1->Count() == 0) return;
  std::wstring chosen = win::Widen(NameOf(Edit1->Text()));
  int select = 0;
  for (int i = 0; i < ListBox1->Count(); ++i)
    if (lstrcmpiW(win::Widen(ListBox1->Item(i)).c_str(), chosen.c_str()) == 0) {
      select = i;
      break;
    }
  ListBox1->SetItemIndex(select);
  ListBox1Click(nullptr);
}

void TForm1::ListBox1Click(TObject*) {
  if (ListBox1->ItemIndex() < 0 || ListBox1->Count() == 0) return;
  flash1->SetBGColor("");
  flash1->SetBackgroundColor(-1);
  Edit1->SetText(FSwfDir + ListBox1->Item(ListBox1->ItemIndex()));
  flash1->SetMovie(win::Widen(Edit1->Text()));
  flash1->Play();
}

// --- Advert pictures and the output name ---------------------------------------------------------

void TForm1::adImage1Click(TObject*) {
  od3->FileName = FAd1File;
  if (!od3->Execute()) return;
  FAd1File = od3->FileName;
  adImage1->Picture().LoadFromFile(FAd1File);
  adImage1->SetBounds(TabSheet3->Width() - adImage1->Width(), 0, adImage1->Width(), adImage1->Height());
}

void TForm1::adImage2Click(TObject*) {
  od3->FileName = FAd2File;
  if (!od3->Execute()) return;
  adImage2->Picture().LoadFromFile(od3->FileName);
  FAd2File = od3->FileName;
  adImage2->SetBounds(0, TabSheet3->Height() - adImage2->Height(), adImage2->Width(), adImage2->Height());
}

void TForm1::SpeedButton1Click(TObject*) {
  if (sd1->Execute()) Edit3->SetText(sd1->FileName);
}

// --- About text ---------------------------------------------------------------------------------

void TForm1::SpeedButton6Click(TObject*) {
  int line = Memo2->LineFromChar(Memo2->SelStart());
  Memo2->InsertLine(line, "##" + ComboBox1->Text());
  Memo2->InsertLine(line + 1, "##" + ComboBox2->Text());
}

void TForm1::SpeedButton7Click(TObject*) {
  if (SpeedButton7->Down()) {
    SpeedButton6->SetEnabled(false);
    Memo2->Hide();
    txtPanel->Show();
    txtPanel->SetStrings(qt::MakeAboutLines(Memo2->Lines()));
    txtPanel->SetActive(true);
  } else {
    SpeedButton6->SetEnabled(true);
    txtPanel->Hide();
    Memo2->Show();
    txtPanel->SetActive(false);
  }
}

// --- Making the screen saver file -----------------------------------------------------------------

void TForm1::Hint(const std::string& text) { win::ShowMessageBox(text, "提示", MB_OK); }

std::optional<qt::PictureBlock> TForm1::TickedPicture(win::TCheckBox* box, win::TImage* image,
                                                      const std::string& file, const char* sample) {
  if (!box->Checked()) return std::nullopt;
  qt::MemoryStream bytes;
  image->Picture().SaveToStream(bytes);
  return qt::PictureBlock{bytes.Bytes(), dynamic_cast<const win::TJPEGImage*>(image->Picture().Graphic()) != nullptr,
                          file.empty() ? sample : file};
}

void TForm1::Button1Click(TObject*) {
  if (!FPlayerStream) return;
  if (ListBox1->Count() == 0) {
    Hint("请选取要制作屏保的图片，并在前面打勾。");
    PageControl1->SetActivePage(TabSheet1);
    return;
  }
  if (Edit3->Text().empty()) {
    PageControl1->SetActivePage(TabSheet5);
    Hint("请设置制作后的屏保的文件名称。");
    Edit3->SetFocus();
    return;
  }
  if (titleEdit->Text().empty()) {
    PageControl1->SetActivePage(TabSheet5);
    Hint("请设置屏保设置窗口的标题。");
    titleEdit->SetFocus();
    return;
  }
  qt::MakeContent content;
  content.movie = win::Widen(Edit1->Text());
  content.ad1 = TickedPicture(CheckBox4, adImage1, FAd1File, "广告图片一");
  content.ad2 = TickedPicture(CheckBox5, adImage2, FAd2File, "广告图片二");
  if (!Memo1->Text().empty()) content.caption = Memo1->Text();
  content.aboutLines = qt::MakeAboutLines(Memo2->Lines());
  content.hint1 = hint1Edit->Text(), content.hint2 = hint2Edit->Text(), content.title = titleEdit->Text();
  content.url1 = url1edit->Text(), content.url2 = url2edit->Text(), content.url3 = url3Edit->Text();
  const std::filesystem::path staging = win::Widen(FAppDir + "double.tmp"), output = win::Widen(Edit3->Text());
  std::uint64_t size = 0;
  try {
    size = qt::MakeScreenSaver(*FPlayerStream, content, staging, output);
  } catch (const qt::BlockTooLarge& e) {
    Hint(e.what());
    return;
  } catch (const qt::OutputNotCreated&) {
    return; // the staging file or the new file could not be created: the make ends without a word
  } catch (const qt::FileError& e) {
    throw qt::FileError((std::string(e.what()) + ": " + qt::PathText(e.path())).c_str(), e.path());
  }
  infoLabel->SetCaption(qt::SizeLabel(size));
  FLastScr = Edit3->Text();
  for (win::TButton* b : {Button5, Button8, Button6, Button4}) b->SetEnabled(true);
  Hint("制作成功");
}

// --- Acting on the made file, and the links ------------------------------------------------------

bool TForm1::LastScrExists() const { return !FLastScr.empty() && FileExists(FLastScr); }

void TForm1::Button5Click(TObject*) {
  if (LastScrExists()) win::ShellRun({"open", FLastScr, "/s"});
}

void TForm1::Button8Click(TObject*) {
  if (!LastScrExists()) return;
  // Quoted, so that a path with blanks starts the screen saver and nothing else.
  std::wstring commandLine = L"\"" + win::Widen(FLastScr) + L"\" /c";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOW;
  PROCESS_INFORMATION started{};
  if (CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started)) {
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
  }
}

void TForm1::Button6Click(TObject*) {
  if (!LastScrExists()) return;
  wchar_t folder[MAX_PATH];
  UINT n = GetSystemDirectoryW(folder, MAX_PATH);
  const std::string copy = WithBackslash(win::Narrow(std::wstring(folder, n < MAX_PATH ? n : 0))) + NameOf(FLastScr);
  // Installing whatever an earlier copy left there would install the wrong screen saver.
  if (CopyFileW(win::Widen(FLastScr).c_str(), win::Widen(copy).c_str(), FALSE)) win::ShellRun({"install", copy});
}

void TForm1::Button4Click(TObject*) {
  if (LastScrExists())
    win::ShellRun({"open", "mailto:?body=如果要发送制作的屏保，请将 " + FLastScr + " 作为附件发送即可。 "});
}

void TForm1::Button3Click(TObject*) { win::ShellRun({"open", kHelpPage}); }
void TForm1::Button7Click(TObject*) { win::ShellRun({"open", kUpdatePage}); }
void TForm1::Label15Click(TObject*) { win::ShellRun({"open", kHomePage}); }
void TForm1::Label16Click(TObject*) { win::ShellRun({"open", kSharePage}); }
void TForm1::Label17Click(TObject*) { win::ShellRun({"open", kMoviesPage}); }
void TForm1::Label25Click(TObject*) { win::ShellRun({"open", kQuestionsPage}); }
