#include "maker/quendraUnit.hpp"

#include "base/charset.hpp"
#include "base/file_stream.hpp"
#include "flash/ShockwaveFlash.hpp"
#include "maker/aboutlines.hpp"
#include "panels/CRPanel.hpp"
#include "base/profile.hpp"
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

// Paths are UTF-16 from where they enter to every file call; they become code page 936 text only
// where they are shown or stored as text (qt::PathText).
std::wstring WithBackslash(std::wstring folder) {
  if (folder.empty() || folder.back() != L'\\') folder += L'\\';
  return folder;
}

// The folder part of a path, with its backslash; empty when there is none.
std::wstring FolderOf(const std::wstring& path) {
  size_t slash = path.find_last_of(L"\\/:");
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

std::wstring NameOf(const std::wstring& path) {
  size_t slash = path.find_last_of(L"\\/:");
  return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

bool FileExists(const std::wstring& path) {
  DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Values go to and from the settings file as UTF-16: folders and texts alike.
std::wstring ReadProfile(const wchar_t* key, const std::wstring& fallback) {
  wchar_t buf[2048] = {};
  GetPrivateProfileStringW(kConfig, key, fallback.c_str(), buf, 2048, kIniFile);
  return buf;
}

bool ReadProfileBool(const wchar_t* key, bool fallback) {
  return qt::ProfileInteger(win::Narrow(ReadProfile(key, L"")), fallback ? 1 : 0) != 0;
}

void WriteProfile(const wchar_t* key, const std::wstring& value) {
  if (!WritePrivateProfileStringW(kConfig, key, value.c_str(), kIniFile))
    throw std::runtime_error("Unable to write to quendrap.ini");
}

void WriteProfileBool(const wchar_t* key, bool value) { WriteProfile(key, value ? L"1" : L"0"); }

// quendrap.ini is kept in UTF-16, so that Chinese text and any path come back on a Windows of any
// language: a missing file starts as the byte-order mark alone, one without the mark (code page
// 936, as a Chinese Windows stored it) is converted once. The new content replaces the old file
// only when written whole, from a file of a name that no file had. A failure leaves the file as it
// was; the profile functions then report what they cannot do.
void UseUnicodeSettingsFile() {
  wchar_t folder[MAX_PATH];
  UINT n = GetWindowsDirectoryW(folder, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return;
  const std::wstring file = WithBackslash(std::wstring(folder, n)) + kIniFile;
  std::wstring staged;
  try {
    std::optional<std::string> bytes = "\xFF\xFE";
    if (GetFileAttributesW(file.c_str()) != INVALID_FILE_ATTRIBUTES) {
      qt::FileStream old(std::filesystem::path(file), qt::FileStream::Mode::read);
      std::string content(static_cast<size_t>(old.Size()), '\0');
      old.ReadExact(content.data(), content.size());
      bytes = qt::UnicodeProfileBytes(content);
    }
    if (!bytes) return;
    staged = qt::CreateFileBeside(std::filesystem::path(file)).wstring();
    {
      qt::FileStream out(std::filesystem::path(staged), qt::FileStream::Mode::create);
      out.Write(*bytes);
    }
    if (!MoveFileExW(staged.c_str(), file.c_str(), MOVEFILE_REPLACE_EXISTING)) DeleteFileW(staged.c_str());
  } catch (const std::exception&) {
    if (!staged.empty()) DeleteFileW(staged.c_str());
  }
}

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
  FAppDir = WithBackslash(FolderOf(std::wstring(path, n)));
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
    qt::FileStream about(std::filesystem::path(FAppDir + L"about.txt"), qt::FileStream::Mode::read);
    std::string text(static_cast<size_t>(about.Size()), '\0');
    about.ReadExact(text.data(), text.size());
    Memo2->SetText(text);
  } catch (const std::exception&) {
  }
}

void TForm1::ReadSettings() {
  UseUnicodeSettingsFile();
  od1->InitialDir = ReadProfile(L"dir1", FAppDir);
  od3->InitialDir = ReadProfile(L"dir3", FAppDir);
  sd1->InitialDir = ReadProfile(L"sdir", FAppDir);
  hint1Edit->SetWideText(ReadProfile(L"hint1", L""));
  hint2Edit->SetWideText(ReadProfile(L"hint2", L""));
  titleEdit->SetWideText(ReadProfile(L"title", L""));
  url1edit->SetWideText(ReadProfile(L"url1", L""));
  url2edit->SetWideText(ReadProfile(L"url2", L""));
  url3Edit->SetWideText(ReadProfile(L"url3", L""));
  CheckBox4->SetChecked(ReadProfileBool(L"showad1", false));
  CheckBox5->SetChecked(ReadProfileBool(L"showad2", false));
}

void TForm1::WriteSettings() {
  UseUnicodeSettingsFile();
  const std::pair<const wchar_t*, win::TOpenDialog*> dialogs[] = {{L"dir1", od1}, {L"dir3", od3}, {L"sdir", sd1}};
  for (const auto& [key, dialog] : dialogs)
    if (!dialog->FileName.empty()) WriteProfile(key, FolderOf(dialog->FileName));
  WriteProfile(L"hint1", hint1Edit->WideText());
  WriteProfile(L"hint2", hint2Edit->WideText());
  WriteProfile(L"title", titleEdit->WideText());
  WriteProfile(L"url1", url1edit->WideText());
  WriteProfile(L"url2", url2edit->WideText());
  WriteProfile(L"url3", url3Edit->WideText());
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
  const std::wstring aboutFile = FAppDir + L"about.txt";
  try {
    qt::FileStream about(std::filesystem::path(aboutFile), qt::FileStream::Mode::create);
    about.Write(Memo2->Text());
  } catch (const qt::FileError& e) {
    win::Application->ShowException(std::runtime_error(std::string(e.what()) + ": " + qt::PathText(aboutFile)));
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
  if (FileExists(Edit1->WideText())) od1->FileName = Edit1->WideText();
  if (!od1->Execute()) return;
  Edit1->SetWideText(od1->FileName);
  FSwfDir = WithBackslash(FolderOf(od1->FileName));
  ListSwfFiles();
}

void TForm1::ListSwfFiles() {
  ListBox1->Clear();
  // Every entry whatever its attributes: a file with only the normal attribute, or a compressed
  // or unindexed one, is a movie like any other.
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((FSwfDir + L"*.swf").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do ListBox1->Add(found.cFileName);
    while (FindNextFileW(search, &found));
    FindClose(search);
  }
  if (ListBox1->Count() == 0) return;
  const std::wstring chosen = NameOf(Edit1->WideText());
  int select = 0;
  for (int i = 0; i < ListBox1->Count(); ++i)
    if (lstrcmpiW(ListBox1->Item(i).c_str(), chosen.c_str()) == 0) {
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
  Edit1->SetWideText(FSwfDir + ListBox1->Item(ListBox1->ItemIndex()));
  flash1->SetMovie(Edit1->WideText());
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
  if (sd1->Execute()) Edit3->SetWideText(sd1->FileName);
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
                                                      const std::wstring& file, const char* sample) {
  if (!box->Checked()) return std::nullopt;
  qt::MemoryStream bytes;
  image->Picture().SaveToStream(bytes);
  return qt::PictureBlock{bytes.Bytes(), dynamic_cast<const win::TJPEGImage*>(image->Picture().Graphic()) != nullptr,
                          file.empty() ? std::string(sample) : qt::PathText(file)};
}

void TForm1::Button1Click(TObject*) {
  if (!FPlayerStream) return;
  if (ListBox1->Count() == 0) {
    Hint("请选取要制作屏保的图片，并在前面打勾。");
    PageControl1->SetActivePage(TabSheet1);
    return;
  }
  if (Edit3->WideText().empty()) {
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
  content.movie = Edit1->WideText();
  content.ad1 = TickedPicture(CheckBox4, adImage1, FAd1File, "广告图片一");
  content.ad2 = TickedPicture(CheckBox5, adImage2, FAd2File, "广告图片二");
  if (!Memo1->Text().empty()) content.caption = Memo1->Text();
  content.aboutLines = qt::MakeAboutLines(Memo2->Lines());
  content.hint1 = hint1Edit->Text(), content.hint2 = hint2Edit->Text(), content.title = titleEdit->Text();
  content.url1 = url1edit->Text(), content.url2 = url2edit->Text(), content.url3 = url3Edit->Text();
  const std::filesystem::path staging = FAppDir + L"double.tmp", output = Edit3->WideText();
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
  FLastScr = Edit3->WideText();
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
  std::wstring commandLine = L"\"" + FLastScr + L"\" /c";
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
  const std::wstring copy = WithBackslash(std::wstring(folder, n < MAX_PATH ? n : 0)) + NameOf(FLastScr);
  // Installing whatever an earlier copy left there would install the wrong screen saver.
  if (CopyFileW(FLastScr.c_str(), copy.c_str(), FALSE)) win::ShellRun({"install", copy});
}

void TForm1::Button4Click(TObject*) {
  if (LastScrExists())
    win::ShellRun({"open", "mailto:?body=如果要发送制作的屏保，请将 " + qt::PathText(FLastScr) + " 作为附件发送即可。 "});
}

void TForm1::Button3Click(TObject*) { win::ShellRun({"open", kHelpPage}); }
void TForm1::Button7Click(TObject*) { win::ShellRun({"open", kUpdatePage}); }
void TForm1::Label15Click(TObject*) { win::ShellRun({"open", kHomePage}); }
void TForm1::Label16Click(TObject*) { win::ShellRun({"open", kSharePage}); }
void TForm1::Label17Click(TObject*) { win::ShellRun({"open", kMoviesPage}); }
void TForm1::Label25Click(TObject*) { win::ShellRun({"open", kQuestionsPage}); }
