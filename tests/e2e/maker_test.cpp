// The maker as a user meets it: started from a folder of its own, driven by clicks and typed text
// through window messages, its file dialogs answered in their own windows.
#include "base/package.hpp"
#include "base/stream.hpp"
#include "gif/codec/GIFImage.hpp"
#include "base/text_lines.hpp"
#include "maker/aboutlines.hpp"
#include "tests/e2e/support.hpp"
#include "tests/flash/swf_writer.hpp"
#include "win/text.hpp"

#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>
#include <dlgs.h>
#include <psapi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

namespace fs = std::filesystem;
using namespace e2e;

namespace {

const std::wstring kCaption = L"Lumvexa－专业屏保制作工具";

// A press and release of the left button, handled when the call returns.
void Click(HWND w, int x = 3, int y = 3) {
  SendMessageW(w, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
  SendMessageW(w, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}

// Each character as the keyboard gives it.
void Type(HWND w, const std::wstring& text) {
  for (wchar_t c : text) SendMessageW(w, WM_CHAR, c, 1);
}

fs::path IniFile() { return WindowsFolder() / L"quendrap.ini"; }

std::wstring IniValue(const wchar_t* key) {
  wchar_t buf[1024] = {};
  GetPrivateProfileStringW(L"config", key, L"<none>", buf, 1024, IniFile().c_str());
  return buf;
}

RECT RectIn(HWND w, HWND parent) {
  RECT r;
  GetWindowRect(w, &r);
  MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

// One run of the maker with its dialog on screen.
class Maker {
public:
  explicit Maker(const fs::path& program) : program_(program, L"") { form_ = program_.Form(); }

  HWND Form() const { return form_; }
  const e2e::Process& Program() const { return program_; }
  HWND Button(const wchar_t* caption) const { return FindByText(form_, caption); }
  HWND Tabs() const { return FindByClass(form_, WC_TABCONTROLW); }

  // Picks the tab with the arrow keys, as the keyboard does.
  void ShowTab(int index) const {
    HWND tabs = Tabs();
    int now = static_cast<int>(SendMessageW(tabs, TCM_GETCURSEL, 0, 0));
    for (; now < index; ++now) SendMessageW(tabs, WM_KEYDOWN, VK_RIGHT, 0);
    for (; now > index; --now) SendMessageW(tabs, WM_KEYDOWN, VK_LEFT, 0);
  }
  // The tab sheet on show.
  HWND Sheet() const {
    for (HWND w = GetWindow(Tabs(), GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT))
      if (IsWindowVisible(w)) return w;
    return nullptr;
  }
  // The control of the sheet on show whose top left corner the layout puts at x, y.
  HWND At(int x, int y) const {
    return ChildWindowFromPointEx(Sheet(), POINT{x + 2, y + 2}, CWP_SKIPINVISIBLE | CWP_SKIPTRANSPARENT);
  }

  // Clicks a control that opens a file dialog and answers it: a file name, or cancel when empty.
  // Gives the dialog's title and the first filter's description.
  std::pair<std::wstring, std::wstring> Answer(HWND opener, const std::wstring& file) const {
    PostClick(opener);
    HWND dialog = nullptr;
    if (!WaitUntil([&] { return (dialog = program_.TopLevel(L"#32770")) && IsWindowVisible(dialog); })) return {};
    std::pair<std::wstring, std::wstring> seen{WindowText(dialog), WindowText(GetDlgItem(dialog, cmb1))};
    if (file.empty()) {
      PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDCANCEL)));
    } else {
      HWND name = GetDlgItem(dialog, cmb13);
      if (!name) name = GetDlgItem(dialog, edt1);
      SendMessageW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(file.c_str()));
      PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
    }
    WaitUntil([&] { return !IsWindow(dialog); });
    // The dialog returns inside the posted click; the form answers only once that has ended.
    SendMessageW(form_, WM_NULL, 0, 0);
    return seen;
  }

  // Clicks a button whose click ends in a message box, and gives the box's text once it is up;
  // the box is then closed with OK.
  std::wstring Message(HWND button) const {
    PostClick(button);
    HWND box = nullptr;
    if (!WaitUntil([&] { return (box = program_.TopLevel(L"#32770")) && IsWindowVisible(box); })) return L"<no box>";
    std::wstring text = WindowText(box) + L": ";
    for (HWND w : Descendants(box))
      if (ClassOf(w) == L"Static" && !WindowText(w).empty()) text += WindowText(w);
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    WaitUntil([&] { return !IsWindow(box); });
    SendMessageW(form_, WM_NULL, 0, 0);
    return text;
  }
  int CurrentTab() const { return static_cast<int>(SendMessageW(Tabs(), TCM_GETCURSEL, 0, 0)); }
  // The caption memo fills the bottom of the movie tab.
  HWND CaptionMemo() const {
    RECT area;
    GetClientRect(Sheet(), &area);
    return At(10, area.bottom - 80);
  }

  bool CloseWithEsc() const {
    PostMessageW(Button(L"退出"), WM_KEYDOWN, VK_ESCAPE, 0);
    return program_.WaitForExit();
  }

private:
  e2e::Process program_;
  HWND form_ = nullptr;
};

class MakerTest : public ::testing::Test {
protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    folder_ = fs::path(temp) / L"maker test 制作";
    fs::remove_all(folder_);
    fs::create_directories(folder_ / L"program");
    fs::create_directories(folder_ / L"movies");
    program_ = folder_ / L"program" / L"quendra.exe";
    fs::copy_file(WindowsPath(QT_MAKER), program_);
    fs::remove(IniFile());
  }
  void TearDown() override {
    fs::remove(IniFile());
    fs::remove_all(folder_);
  }
  fs::path Movies() const { return folder_ / L"movies"; }
  void WriteMovie(const wchar_t* name) {
    std::ofstream(Movies() / name, std::ios::binary) << qt::testing::MakeSwf({.frames = 3});
  }

  fs::path folder_, program_;
};

// Tab-local places of the layout.
constexpr POINT kEdit1{7, 41}, kListBox1{9, 73}, kHint1{32, 70}, kUrl3{16, 60}, kTitle{14, 96}, kEdit3{15, 40};
constexpr POINT kCheckBox4{16, 8}, kCheckBox5{16, 27}, kAdImage1{350, 0}, kAdImage2{0, 295}, kSp5{120, 14}, kSpeedButton1{406, 39};
constexpr POINT kComboBox1{128, 13}, kComboBox2{234, 12}, kSpeedButton6{300, 9}, kSpeedButton7{384, 9};
constexpr POINT kMemo2{2, 120}, kImage1{273, 68}, kFlash1{287, 85}, kInfoLabel{168, 152};

} // namespace

TEST_F(MakerTest, FirstStartShowsDefaultsAndEscClosesWritingTheSettings) {
  Maker maker(program_);
  HWND form = maker.Form();
  ASSERT_TRUE(form);
  EXPECT_EQ(WindowText(form), kCaption);
  RECT client;
  GetClientRect(form, &client);
  EXPECT_EQ(client.right, 598);
  EXPECT_EQ(client.bottom, 460);
  EXPECT_EQ(SendMessageW(maker.Tabs(), TCM_GETCURSEL, 0, 0), 0);
  for (const wchar_t* off : {L"配置", L"测试", L"安装"}) EXPECT_FALSE(IsWindowEnabled(maker.Button(off))) << off;
  for (const wchar_t* on : {L"制作屏保", L"推荐给朋友", L"退出", L"帮助", L"检查升级"})
    EXPECT_TRUE(IsWindowEnabled(maker.Button(on))) << on;
  EXPECT_EQ(WindowText(maker.At(kEdit1.x, kEdit1.y)), L"");
  // Every file dialog opens in the program folder; cancelling them changes nothing.
  auto [title, filter] = maker.Answer(maker.At(kSp5.x, kSp5.y), L"");
  EXPECT_EQ(filter, L"flash文件");
  EXPECT_EQ(WindowText(maker.At(kEdit1.x, kEdit1.y)), L"");
  EXPECT_EQ(SendMessageW(maker.At(kListBox1.x, kListBox1.y), LB_GETCOUNT, 0, 0), 0);
  maker.ShowTab(1);
  HWND ad1 = maker.At(kAdImage1.x, kAdImage1.y);
  RECT before = RectIn(ad1, maker.Sheet());
  EXPECT_EQ(before.right - before.left, 120);
  EXPECT_EQ(before.bottom - before.top, 90);
  // The layout's animated sample GIF shows its first frame: the ball over its band.
  RECT shown;
  GetWindowRect(ad1, &shown);
  EXPECT_TRUE(WaitUntil([&] {
    return ScreenPixel(shown.left + 16, shown.top + 38) == RGB(0xFF, 0xD2, 0x3F) &&
           ScreenPixel(shown.left + 100, shown.top + 10) == RGB(0x1A, 0x3A, 0x6E);
  })) << "the sample picture shows";
  std::tie(title, filter) = maker.Answer(ad1, L"");
  EXPECT_EQ(title, L"指定广告图片文件");
  EXPECT_EQ(filter, L"广告图片文件(*.jpg;*.gif)");
  RECT after = RectIn(ad1, maker.Sheet());
  EXPECT_TRUE(EqualRect(&before, &after));
  EXPECT_EQ(SendMessageW(maker.At(kCheckBox4.x, kCheckBox4.y), BM_GETCHECK, 0, 0), BST_UNCHECKED);
  EXPECT_EQ(WindowText(maker.At(kHint1.x, kHint1.y)), L"");
  maker.ShowTab(3);
  EXPECT_EQ(WindowText(maker.At(kTitle.x, kTitle.y)), L"") << "the title starts empty";
  maker.Answer(maker.At(kSpeedButton1.x, kSpeedButton1.y), L"");
  EXPECT_EQ(WindowText(maker.At(kEdit3.x, kEdit3.y)), L"");
  maker.ShowTab(2);
  const std::wstring about = WindowText(maker.At(kMemo2.x, kMemo2.y));
  EXPECT_EQ(about.substr(0, 3), L"##红") << "the sample about text";

  ASSERT_TRUE(maker.CloseWithEsc());
  for (const wchar_t* unused : {L"dir1", L"dir3", L"sdir"}) EXPECT_EQ(IniValue(unused), L"<none>") << unused;
  for (const wchar_t* empty : {L"hint1", L"hint2", L"title", L"url1", L"url2", L"url3", L"ad1", L"ad2"})
    EXPECT_EQ(IniValue(empty), L"") << empty;
  EXPECT_EQ(IniValue(L"showad1"), L"0");
  EXPECT_EQ(IniValue(L"showad2"), L"0");
  // The memo's text exactly: its sample has no line break after the last line.
  const std::string saved = ReadAll(folder_ / L"program" / L"about.txt");
  ASSERT_FALSE(saved.empty());
  EXPECT_NE(saved.substr(saved.size() - 2), "\r\n");
  EXPECT_EQ(saved.find("\n"), saved.find("\r\n") + 1);
}

TEST_F(MakerTest, FoldersAndTextsAreStoredAtCloseAndRestoredAtTheNextStart) {
  WriteMovie(L"one.swf");
  const std::wstring output = (Movies() / L"我的屏保.scr").wstring();
  {
    Maker maker(program_);
    ASSERT_TRUE(maker.Form());
    maker.Answer(maker.At(kSp5.x, kSp5.y), (Movies() / L"one.swf").wstring());
    maker.ShowTab(1);
    Click(maker.At(kCheckBox4.x, kCheckBox4.y));
    Type(maker.At(kHint1.x, kHint1.y), L"看这里");
    maker.ShowTab(2);
    HWND memo = maker.At(kMemo2.x, kMemo2.y);
    SendMessageW(memo, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"第一行\r\n"));
    SendMessageW(memo, EM_SETSEL, 11, 11);
    Type(memo, L"第二行");
    Type(maker.At(kUrl3.x, kUrl3.y), L"http://example.org/");
    maker.ShowTab(3);
    maker.Answer(maker.At(kSpeedButton1.x, kSpeedButton1.y), output);
    EXPECT_EQ(WindowText(maker.At(kEdit3.x, kEdit3.y)), output);
    Type(maker.At(kTitle.x, kTitle.y), L"海浪 屏保");
    Click(maker.Button(L"退出"));
    ASSERT_TRUE(maker.Program().WaitForExit());
  }
  const std::wstring movies = Movies().wstring() + L"\\";
  EXPECT_EQ(IniValue(L"dir1"), movies);
  EXPECT_EQ(IniValue(L"sdir"), movies);
  EXPECT_EQ(IniValue(L"dir3"), L"<none>");
  EXPECT_EQ(IniValue(L"hint1"), L"看这里");
  EXPECT_EQ(IniValue(L"title"), L"海浪 屏保");
  EXPECT_EQ(IniValue(L"url3"), L"http://example.org/");
  EXPECT_EQ(IniValue(L"showad1"), L"1");
  EXPECT_EQ(ReadAll(folder_ / L"program" / L"about.txt"), "\xb5\xda\xd2\xbb\xd0\xd0\r\n\xb5\xda\xb6\xfe\xd0\xd0");

  Maker again(program_);
  ASSERT_TRUE(again.Form());
  again.ShowTab(3);
  EXPECT_EQ(WindowText(again.At(kTitle.x, kTitle.y)), L"海浪 屏保");
  EXPECT_EQ(WindowText(again.At(kEdit3.x, kEdit3.y)), L"") << "the output name is not kept";
  again.ShowTab(1);
  EXPECT_EQ(WindowText(again.At(kHint1.x, kHint1.y)), L"看这里");
  EXPECT_EQ(SendMessageW(again.At(kCheckBox4.x, kCheckBox4.y), BM_GETCHECK, 0, 0), BST_CHECKED);
  again.ShowTab(2);
  EXPECT_EQ(WindowText(again.At(kMemo2.x, kMemo2.y)), L"第一行\r\n第二行");
  // The movie dialog opens in the stored folder: a bare name is found there.
  again.ShowTab(0);
  again.Answer(again.At(kSp5.x, kSp5.y), L"one.swf");
  EXPECT_EQ(WindowText(again.At(kEdit1.x, kEdit1.y)), movies + L"one.swf");
  EXPECT_TRUE(again.CloseWithEsc());
}

TEST_F(MakerTest, TheChosenMoviesFolderIsListedWithTheChosenOnePreselectedAndPreviewed) {
  for (const wchar_t* name : {L"b.swf", L"Sea Waves.swf", L"c.swf"}) WriteMovie(name);
  fs::create_directories(Movies() / L"folder.swf");
  std::ofstream(Movies() / L"notes.txt") << "x";
  // A file with only the normal attribute is a movie like any other.
  SetFileAttributesW((Movies() / L"c.swf").c_str(), FILE_ATTRIBUTE_NORMAL);
  Maker maker(program_);
  ASSERT_TRUE(maker.Form());
  maker.Answer(maker.At(kSp5.x, kSp5.y), (Movies() / L"SEA WAVES.SWF").wstring());
  HWND list = maker.At(kListBox1.x, kListBox1.y);
  ASSERT_EQ(SendMessageW(list, LB_GETCOUNT, 0, 0), 4);
  std::vector<std::wstring> names;
  for (int i = 0; i < 4; ++i) {
    wchar_t item[MAX_PATH] = {};
    SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(item));
    names.push_back(item);
  }
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::wstring>{L"Sea Waves.swf", L"b.swf", L"c.swf", L"folder.swf"}));
  wchar_t selected[MAX_PATH] = {};
  SendMessageW(list, LB_GETTEXT, SendMessageW(list, LB_GETCURSEL, 0, 0), reinterpret_cast<LPARAM>(selected));
  EXPECT_STREQ(selected, L"Sea Waves.swf");
  const std::wstring movies = Movies().wstring() + L"\\";
  EXPECT_EQ(WindowText(maker.At(kEdit1.x, kEdit1.y)), movies + L"Sea Waves.swf") << "the listed spelling";
  EXPECT_TRUE(FindByClass(maker.Form(), L"QtStandInMovie")) << "the preview plays";

  // A click on another entry makes it the movie.
  int other = static_cast<int>(SendMessageW(list, LB_FINDSTRINGEXACT, -1, reinterpret_cast<LPARAM>(L"b.swf")));
  RECT item;
  SendMessageW(list, LB_GETITEMRECT, other, reinterpret_cast<LPARAM>(&item));
  Click(list, item.left + 5, item.top + 3);
  EXPECT_EQ(WindowText(maker.At(kEdit1.x, kEdit1.y)), movies + L"b.swf");
  // Cancelling the dialog keeps the list and the movie.
  maker.Answer(maker.At(kSp5.x, kSp5.y), L"");
  EXPECT_EQ(SendMessageW(list, LB_GETCOUNT, 0, 0), 4);
  EXPECT_EQ(WindowText(maker.At(kEdit1.x, kEdit1.y)), movies + L"b.swf");
  EXPECT_TRUE(maker.CloseWithEsc());
}

TEST_F(MakerTest, AdvertPicturesSitFlushWithTheirCorners) {
  const std::wstring sample = WindowsPath(QT_SAMPLE_JPEG); // 12 x 6
  Maker maker(program_);
  ASSERT_TRUE(maker.Form());
  maker.ShowTab(1);
  HWND sheet = maker.Sheet();
  RECT area;
  GetClientRect(sheet, &area);
  HWND ad1 = maker.At(kAdImage1.x, kAdImage1.y), ad2 = maker.At(kAdImage2.x, kAdImage2.y);
  maker.Answer(ad1, sample);
  RECT r1 = RectIn(ad1, sheet);
  EXPECT_EQ(r1.right, area.right);
  EXPECT_EQ(r1.top, 0);
  EXPECT_EQ(r1.right - r1.left, 12);
  maker.Answer(ad2, sample);
  RECT r2 = RectIn(ad2, sheet);
  EXPECT_EQ(r2.left, 0);
  EXPECT_EQ(r2.bottom, area.bottom);
  EXPECT_EQ(r2.bottom - r2.top, 6);
  EXPECT_TRUE(maker.CloseWithEsc());
  EXPECT_EQ(IniValue(L"dir3"), fs::path(sample).parent_path().wstring() + L"\\");
  EXPECT_EQ(IniValue(L"ad1"), sample);
  EXPECT_EQ(IniValue(L"ad2"), sample);
}

TEST_F(MakerTest, FormatLinesGoAboveTheCaretAndThePreviewCoversTheMemo) {
  Maker maker(program_);
  ASSERT_TRUE(maker.Form());
  maker.ShowTab(2);
  HWND memo = maker.At(kMemo2.x, kMemo2.y);
  SendMessageW(memo, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"甲\r\n乙"));
  SendMessageW(memo, EM_SETSEL, 3, 3); // on the second line
  SendMessageW(maker.At(kComboBox1.x, kComboBox1.y), CB_SETCURSEL, 1, 0);
  SendMessageW(maker.At(kComboBox2.x, kComboBox2.y), CB_SETCURSEL, 1, 0);
  Click(maker.At(kSpeedButton6.x, kSpeedButton6.y));
  EXPECT_EQ(WindowText(memo), L"甲\r\n##红\r\n##粗体\r\n乙");
  SendMessageW(memo, EM_SETSEL, 0, 0);
  SendMessageW(maker.At(kComboBox1.x, kComboBox1.y), CB_SETCURSEL, 6, 0);
  SendMessageW(maker.At(kComboBox2.x, kComboBox2.y), CB_SETCURSEL, 3, 0);
  Click(maker.At(kSpeedButton6.x, kSpeedButton6.y));
  EXPECT_EQ(WindowText(memo).substr(0, 13), L"##灰\r\n##下划线\r\n甲");

  HWND format = maker.At(kSpeedButton6.x, kSpeedButton6.y), preview = maker.At(kSpeedButton7.x, kSpeedButton7.y);
  Click(preview);
  EXPECT_FALSE(IsWindowVisible(memo));
  EXPECT_FALSE(IsWindowEnabled(format));
  HWND panel = maker.At(kMemo2.x + 20, kMemo2.y);
  EXPECT_NE(panel, memo);
  EXPECT_TRUE(panel && IsWindowVisible(panel));
  Click(preview);
  EXPECT_TRUE(IsWindowVisible(memo));
  EXPECT_FALSE(IsWindowVisible(panel));
  EXPECT_TRUE(IsWindowEnabled(format));
  EXPECT_TRUE(maker.CloseWithEsc());
}

// Each tab as the user sees it (scripts/screenshots saves them for a person to look at).
TEST_F(MakerTest, EveryTabOnScreenWithThePreviewInsideTheMonitor) {
  WriteMovie(L"one.swf");
  Maker maker(program_);
  HWND form = maker.Form();
  ASSERT_TRUE(form);
  maker.Answer(maker.At(kSp5.x, kSp5.y), (Movies() / L"one.swf").wstring());
  HWND flash = FindByClass(form, L"QtStandInMovie");
  ASSERT_TRUE(flash);
  RECT monitor = RectIn(maker.At(kImage1.x, kImage1.y), maker.Sheet()), movie = RectIn(flash, maker.Sheet());
  RECT inside;
  IntersectRect(&inside, &monitor, &movie);
  EXPECT_TRUE(EqualRect(&inside, &movie)) << "the preview lies inside the monitor picture";
  EXPECT_EQ(movie.left, kFlash1.x);
  EXPECT_EQ(movie.top, kFlash1.y);
  // The preview is drawn over the picture, not under it.
  HWND top = ChildWindowFromPointEx(maker.Sheet(), POINT{kFlash1.x + 70, kFlash1.y + 50}, CWP_SKIPINVISIBLE);
  EXPECT_TRUE(top == flash || IsChild(top, flash) || GetParent(flash) == top);
  // The monitor is transparent around its frame and stand: the tab shows there as beside it.
  HWND image1 = maker.At(kImage1.x, kImage1.y);
  auto onScreen = [&](HWND w, int x, int y) {
    POINT p{x, y};
    ClientToScreen(w, &p);
    return ScreenPixel(p.x, p.y);
  };
  constexpr COLORREF kMonitorFrame = RGB(0x5a, 0x64, 0x70);
  EXPECT_TRUE(WaitUntil([&] { return onScreen(image1, 92, 8) == kMonitorFrame; })) << "the monitor is drawn";
  const struct {
    POINT inPicture, besideIt; // in the picture's client area, in the tab's
  } corners[] = {{{1, 1}, {kImage1.x - 4, kImage1.y + 1}},       // above the frame's rounded corner
                 {{2, 162}, {kImage1.x - 4, kImage1.y + 162}},   // the bottom-left pixel
                 {{182, 150}, {kImage1.x + 188, kImage1.y + 150}}}; // beside the stand
  for (const auto& c : corners)
    EXPECT_EQ(onScreen(image1, c.inPicture.x, c.inPicture.y), onScreen(maker.Sheet(), c.besideIt.x, c.besideIt.y))
        << c.inPicture.x << "," << c.inPicture.y;
  for (int tab = 0; tab < 4; ++tab) {
    maker.ShowTab(tab);
    RedrawWindow(form, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Screenshot(L"maker-tab" + std::to_wstring(tab + 1));
  }
  EXPECT_TRUE(maker.CloseWithEsc());
}

TEST_F(MakerTest, MakeChecksMovieThenNameThenTitleAndShowsWhereToMendIt) {
  WriteMovie(L"one.swf");
  Maker maker(program_);
  ASSERT_TRUE(maker.Form());
  HWND make = maker.Button(L"制作屏保");
  maker.ShowTab(2);
  EXPECT_EQ(maker.Message(make), L"提示: 请选取要制作屏保的图片，并在前面打勾。") << "with everything missing, the first";
  EXPECT_EQ(maker.CurrentTab(), 0);
  maker.Answer(maker.At(kSp5.x, kSp5.y), (Movies() / L"one.swf").wstring());
  EXPECT_EQ(maker.Message(make), L"提示: 请设置制作后的屏保的文件名称。");
  EXPECT_EQ(maker.CurrentTab(), 3);
  maker.Answer(maker.At(kSpeedButton1.x, kSpeedButton1.y), (Movies() / L"a.scr").wstring());
  EXPECT_EQ(maker.Message(make), L"提示: 请设置屏保设置窗口的标题。");
  EXPECT_EQ(maker.CurrentTab(), 3);
  EXPECT_FALSE(fs::exists(Movies() / L"a.scr"));
  EXPECT_FALSE(IsWindowEnabled(maker.Button(L"测试")));
  EXPECT_TRUE(maker.CloseWithEsc());
}

// A movie too large for a package, in a folder whose name has Chinese characters and a blank: the
// refusal names the movie as the user chose it, and nothing is left behind.
TEST_F(MakerTest, AMovieTooLargeIsRefusedByNameAndLeavesNothingBehind) {
  const fs::path folder = folder_ / L"影片 素材", movie = folder / L"太大.swf", output = Movies() / L"太大.scr";
  fs::create_directories(folder);
  WriteAll(movie, qt::testing::MakeSwf({.frames = 3}));
  fs::resize_file(movie, 16777216);
  Maker maker(program_);
  ASSERT_TRUE(maker.Form());
  maker.Answer(maker.At(kSp5.x, kSp5.y), movie.wstring());
  ASSERT_EQ(WindowText(maker.At(kEdit1.x, kEdit1.y)), movie.wstring());
  maker.ShowTab(3);
  maker.Answer(maker.At(kSpeedButton1.x, kSpeedButton1.y), output.wstring());
  Type(maker.At(kTitle.x, kTitle.y), L"海浪");
  EXPECT_EQ(maker.Message(maker.Button(L"制作屏保")),
            L"提示: " + movie.wstring() + L" 太大：屏保中的影片和图片最多 16777215 字节（16M）。");
  EXPECT_TRUE(fs::is_empty(Movies())) << "neither the screen saver nor a part of it";
  EXPECT_FALSE(fs::exists(folder_ / L"program" / L"double.tmp"));
  EXPECT_EQ(WindowText(maker.At(kInfoLabel.x, kInfoLabel.y)), L"未知");
  EXPECT_FALSE(IsWindowEnabled(maker.Button(L"测试")));
  EXPECT_TRUE(maker.CloseWithEsc());
}

// The main road: what the user gives the maker is what the made screen saver shows.
TEST_F(MakerTest, TheMadeScreenSaverCarriesWhatTheUserGave) {
  const std::string movie = qt::testing::MakeSwf({.frames = 5, .background = 0x00C06020});
  WriteAll(Movies() / L"海浪.swf", movie);
  const fs::path output = Movies() / L"Sea Waves.scr";
  const std::wstring sample = WindowsPath(QT_SAMPLE_JPEG);
  const std::wstring about = L"##红\r\n##粗体\r\n关于海浪\r\n##一般\r\n第二行";
  Maker maker(program_);
  ASSERT_TRUE(maker.Form());
  maker.Answer(maker.At(kSp5.x, kSp5.y), (Movies() / L"海浪.swf").wstring());
  SendMessageW(maker.CaptionMemo(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"第一行\r\n第二行"));
  maker.ShowTab(1);
  Click(maker.At(kCheckBox4.x, kCheckBox4.y));
  maker.Answer(maker.At(kAdImage1.x, kAdImage1.y), sample);
  Type(maker.At(kHint1.x, kHint1.y), L"看广告");
  // Picture 2 stays the layout's sample, and is packed as it is.
  Click(maker.At(kCheckBox5.x, kCheckBox5.y));
  maker.ShowTab(2);
  SendMessageW(maker.At(kMemo2.x, kMemo2.y), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(about.c_str()));
  Type(maker.At(kUrl3.x, kUrl3.y), L"http://example.org/");
  maker.ShowTab(3);
  maker.Answer(maker.At(kSpeedButton1.x, kSpeedButton1.y), output.wstring());
  Type(maker.At(kTitle.x, kTitle.y), L"海浪 屏保");
  EXPECT_EQ(WindowText(maker.At(kInfoLabel.x, kInfoLabel.y)), L"未知");

  EXPECT_EQ(maker.Message(maker.Button(L"制作屏保")), L"提示: 制作成功");
  const std::string player = ReadAll(WindowsPath(QT_PLAYER)), made = ReadAll(output);
  char size[32];
  std::snprintf(size, sizeof size, "约%.1fM", static_cast<double>(made.size() / 1024) / 1024.0);
  EXPECT_EQ(win::Narrow(WindowText(maker.At(kInfoLabel.x, kInfoLabel.y))), size);
  for (const wchar_t* now : {L"测试", L"配置", L"安装", L"推荐给朋友"})
    EXPECT_TRUE(IsWindowEnabled(maker.Button(now))) << now;
  EXPECT_FALSE(fs::exists(folder_ / L"program" / L"double.tmp"));

  // The file: the player program, then the blocks in their order.
  ASSERT_GT(made.size(), player.size());
  EXPECT_EQ(made.substr(0, player.size()), player);
  qt::PackageReader reader(output);
  ASSERT_EQ(reader.State(), qt::PackageState::indexed);
  std::vector<std::pair<int, std::string>> blocks;
  for (std::uint32_t i = 1; i < reader.Blocks().size(); ++i) blocks.emplace_back(reader.Blocks()[i].Kind, reader.BlockBytes(i));
  const std::vector<std::pair<int, std::string>> expected{
      {qt::bkSwf, movie},
      {qt::bkAd1Jpeg, ReadAll(sample)},
      {qt::bkAd2Jpeg, ReadAll(WindowsPath(QT_SAMPLE_AD2))},
      {qt::bkCaption, win::Narrow(L"第一行\r\n第二行")},
      {qt::bkAbout, qt::JoinLines(qt::MakeAboutLines(qt::SplitLines(win::Narrow(about))))},
      {qt::bkOptions, win::Narrow(L"[other]\r\nhint1=看广告\r\nhint2=\r\ntitle=海浪 屏保\r\nurl1=\r\nurl2=\r\n"
                                  L"url3=http://example.org/\r\n\r\n")}};
  EXPECT_EQ(blocks, expected);
  EXPECT_TRUE(maker.CloseWithEsc());

  // The made file as Windows starts it.
  const fs::path movieFile = SystemFolder() / L"~Sea Waves.sps";
  {
    ShellRecorder recorder(WindowsPath(QT_RECORDER));
    RegistryOverride http(L"http\\shell\\open\\command", recorder.Command());
    ASSERT_TRUE(MoveCursor(0, 0));
    Process settings(output, L"/c");
    HWND form = settings.Form();
    ASSERT_TRUE(form);
    EXPECT_EQ(WindowText(form), L"海浪 屏保");
    HWND ad1 = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (ad1 = BySize(form, 12, 6)) != nullptr; })) << "the advert picture shows";
    RECT r;
    GetWindowRect(ad1, &r);
    ASSERT_TRUE(MoveCursor(r.left + 6, r.top + 3));
    EXPECT_TRUE(WaitUntil([&] {
      HWND tip = settings.TopLevel(L"tooltips_class32");
      return tip && IsWindowVisible(tip);
    })) << "with its hover text";
    Screenshot(L"made-settings");
    ASSERT_TRUE(MoveCursor(0, 0));
    // The about text scrolls on its tab, and a click on it opens the about link.
    HWND aboutTab = FindByText(form, L"关于屏保");
    ASSERT_TRUE(aboutTab);
    PostClick(GetWindow(aboutTab, GW_CHILD));
    EXPECT_TRUE(WaitUntil([&] { return recorder.Calls().size() == 1; }));
    EXPECT_EQ(recorder.Calls(), std::vector<std::wstring>{L"\"http://example.org/\""});
    EXPECT_TRUE(settings.CloseAndWait(form));
  }
  {
    Process run(output, L"/s");
    HWND form = run.Form();
    ASSERT_TRUE(form);
    EXPECT_TRUE(WaitUntil([&] { return fs::exists(movieFile) && ReadAll(movieFile) == movie; }));
    EXPECT_TRUE(WaitUntil([&] { return FindByClass(form, L"QtStandInMovie") != nullptr; })) << "the movie plays";
    Screenshot(L"made-run");
    EXPECT_TRUE(run.CloseAndWait(form));
  }
  EXPECT_FALSE(fs::exists(movieFile));
  fs::remove(WindowsFolder() / L"vantoq_fscr_Sea Waves.scr.ini");
  fs::remove(WindowsFolder() / L"vantoq_fscr_Sea Waves.ini");
}

TEST_F(MakerTest, AGifAdvertIsAnimatedAndPackedAsItsOwnGifStreamFromOurEncoder) {
  const std::string movie = qt::testing::MakeSwf({.frames = 5});
  WriteAll(Movies() / L"海浪.swf", movie);
  const fs::path output = Movies() / L"Sea Waves.scr";
  // Written with run-length codes: the package holds the picture as the maker's LZW encoder
  // writes it, not the file's bytes. An endless animation of 1.2 s a frame, playing through the
  // tab change and the maker's end.
  const std::string file = HalvesGif(40, 30, RGB(220, 0, 0), RGB(0, 0, 220), {RGB(0, 200, 0)}, 1, 100, 0);
  const fs::path picture = Movies() / L"广告 一.GIF";
  WriteAll(picture, file);
  std::string expected;
  {
    qt::TGIFImage image;
    qt::MemoryStream in(file), out;
    image.LoadFromStream(in);
    image.SaveToStream(out);
    expected = out.Bytes();
  }
  ASSERT_NE(expected, file);

  Maker maker(program_);
  ASSERT_TRUE(maker.Form());
  maker.Answer(maker.At(kSp5.x, kSp5.y), (Movies() / L"海浪.swf").wstring());
  maker.ShowTab(1);
  Click(maker.At(kCheckBox4.x, kCheckBox4.y));
  HWND ad1 = maker.At(kAdImage1.x, kAdImage1.y);
  maker.Answer(ad1, picture.wstring());
  RECT r;
  GetWindowRect(ad1, &r);
  EXPECT_EQ(r.right - r.left, 40);
  EXPECT_EQ(r.bottom - r.top, 30);
  EXPECT_TRUE(WaitUntil([&] {
    return ScreenPixel(r.left + 5, r.top + 15) == RGB(220, 0, 0) && ScreenPixel(r.right - 5, r.top + 15) == RGB(0, 0, 220);
  })) << "the picture's first frame shows";
  Screenshot(L"maker-gif-advert");
  EXPECT_TRUE(WaitUntil([&] { return ScreenPixel(r.left + 5, r.top + 15) == RGB(0, 200, 0); })) << "it plays";
  maker.ShowTab(3);
  maker.Answer(maker.At(kSpeedButton1.x, kSpeedButton1.y), output.wstring());
  Type(maker.At(kTitle.x, kTitle.y), L"海浪");
  EXPECT_EQ(maker.Message(maker.Button(L"制作屏保")), L"提示: 制作成功");
  EXPECT_TRUE(maker.CloseWithEsc());

  qt::PackageReader reader(output);
  ASSERT_EQ(reader.State(), qt::PackageState::indexed);
  ASSERT_GE(reader.Blocks().size(), 3u);
  EXPECT_EQ(reader.Blocks()[2].Kind, qt::bkAd1Gif);
  EXPECT_EQ(reader.BlockBytes(2), expected);
  fs::remove(WindowsFolder() / L"vantoq_fscr_Sea Waves.scr.ini");
  fs::remove(WindowsFolder() / L"vantoq_fscr_Sea Waves.ini");
}

namespace {

// A visible main form of a program other than the maker: a screen saver the maker started.
HWND SaverForm(DWORD makerId) {
  HWND found = nullptr;
  for (HWND w = GetTopWindow(nullptr); w && !found; w = GetWindow(w, GW_HWNDNEXT)) {
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    if (pid != makerId && pid != GetCurrentProcessId() && ClassOf(w) == L"QtForm" && IsWindowVisible(w)) found = w;
  }
  return found;
}

// The program file of the process that owns the window.
fs::path ProgramOf(HWND w) {
  DWORD pid = 0;
  GetWindowThreadProcessId(w, &pid);
  HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
  wchar_t path[MAX_PATH] = {};
  if (process) {
    GetModuleFileNameExW(process, nullptr, path, MAX_PATH);
    CloseHandle(process);
  }
  return path;
}

} // namespace

TEST_F(MakerTest, TheMadeFilesButtonsAndTheLinksHandTheirWorkToTheShell) {
  ShellRecorder recorder(WindowsPath(QT_RECORDER));
  RegistryOverride http(L"http\\shell\\open\\command", recorder.Command());
  RegistryOverride mailto(L"mailto\\shell\\open\\command", recorder.Command());
  WriteMovie(L"one.swf");
  const fs::path output = Movies() / L"Sea Waves.scr", installed = SystemFolder() / L"Sea Waves.scr";
  const fs::path movieFile = SystemFolder() / L"~Sea Waves.sps";
  fs::remove(installed);
  Maker maker(program_);
  ASSERT_TRUE(maker.Form());
  // Nothing was started: the click has been handled, and what it could have started had time to
  // show itself (an absence needs a window of time).
  auto quiet = [&](size_t calls) {
    if (!StillTakesMessages(maker.Form())) return false;
    Sleep(700);
    return recorder.Calls().size() == calls && !SaverForm(maker.Program().Id());
  };

  Click(maker.Button(L"推荐给朋友"));
  EXPECT_TRUE(quiet(0)) << "nothing is made yet";
  maker.ShowTab(3);
  size_t calls = 0;
  for (const wchar_t* link : {L"帮助", L"检查升级", L"Lumvexa 主页", L"屏保作品分享", L"Flash 动画素材", L"使用帮助与常见问题"}) {
    Click(FindByText(maker.Form(), link));
    ASSERT_TRUE(WaitUntil([&] { return recorder.Calls().size() == calls + 1; })) << link;
    EXPECT_TRUE(recorder.Calls().back().starts_with(L"\"http://")) << recorder.Calls().back();
    ++calls;
  }

  maker.ShowTab(0);
  maker.Answer(maker.At(kSp5.x, kSp5.y), (Movies() / L"one.swf").wstring());
  maker.ShowTab(3);
  maker.Answer(maker.At(kSpeedButton1.x, kSpeedButton1.y), output.wstring());
  Type(maker.At(kTitle.x, kTitle.y), L"海浪 屏保");
  ASSERT_EQ(maker.Message(maker.Button(L"制作屏保")), L"提示: 制作成功");

  // "测试" runs it full screen, "配置" shows its settings, both with a path that holds blanks.
  Click(maker.Button(L"测试"));
  HWND saver = nullptr;
  ASSERT_TRUE(WaitUntil([&] { return (saver = SaverForm(maker.Program().Id())) && fs::exists(movieFile); }));
  EXPECT_EQ(GetWindowLongW(saver, GWL_STYLE) & WS_CAPTION, 0) << "full screen, no border";
  PostMessageW(saver, WM_CLOSE, 0, 0);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(saver); }));
  Click(maker.Button(L"配置"));
  ASSERT_TRUE(WaitUntil([&] { return (saver = SaverForm(maker.Program().Id())) != nullptr; }));
  EXPECT_EQ(WindowText(saver), L"海浪 屏保");
  PostMessageW(saver, WM_CLOSE, 0, 0);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(saver); }));

  // "安装" copies it into the system folder and installs the copy. Wine has no handler for the
  // verb and simply runs the copy, which then shows its settings.
  Click(maker.Button(L"安装"));
  ASSERT_TRUE(WaitUntil([&] { return (saver = SaverForm(maker.Program().Id())) != nullptr; }));
  EXPECT_EQ(ProgramOf(saver), installed);
  EXPECT_EQ(ReadAll(installed), ReadAll(output));
  PostMessageW(saver, WM_CLOSE, 0, 0);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(saver); }));
  Click(maker.Button(L"推荐给朋友"));
  ASSERT_TRUE(WaitUntil([&] { return recorder.Calls().size() == 7; }));
  EXPECT_EQ(recorder.Calls().back(),
            L"\"mailto:?body=如果要发送制作的屏保，请将 " + output.wstring() + L" 作为附件发送即可。 \"");

  // Once the made file is gone, the four do nothing.
  fs::remove(output);
  for (const wchar_t* button : {L"测试", L"配置", L"安装", L"推荐给朋友"}) Click(maker.Button(button));
  EXPECT_TRUE(quiet(7));
  EXPECT_TRUE(maker.CloseWithEsc());
  fs::remove(installed);
  fs::remove(WindowsFolder() / L"vantoq_fscr_Sea Waves.scr.ini");
}

// A user named Jörg: the maker itself lies in a folder whose name code page 936 cannot write, and
// so do the movie, the picture beside it and the new screen saver file. Every file call gets the
// names exactly; only the mail's text, which is code page 936, shows "?" for "ö".
TEST_F(MakerTest, NamesThatCodePage936CannotWriteReachEveryFileCall) {
  ShellRecorder recorder(WindowsPath(QT_RECORDER));
  RegistryOverride mailto(L"mailto\\shell\\open\\command", recorder.Command());
  const fs::path home = L"C:\\Users\\Jörg", films = home / L"Filme", desktop = home / L"Desktop",
                 programs = home / L"Programme ö";
  fs::remove_all(home);
  for (const fs::path& folder : {films, desktop, programs}) fs::create_directories(folder);
  const fs::path maker = programs / L"quendra.exe", movie = films / L"Meer ö.swf", picture = films / L"Bild ö.jpg",
                 output = desktop / L"Meer ö.scr", installed = SystemFolder() / L"Meer ö.scr",
                 movieFile = SystemFolder() / L"~Meer ö.sps";
  fs::copy_file(WindowsPath(QT_MAKER), maker);
  const std::string swf = qt::testing::MakeSwf({.frames = 5}), jpeg = ReadAll(WindowsPath(QT_SAMPLE_JPEG));
  WriteAll(movie, swf);
  WriteAll(picture, jpeg);
  fs::remove(installed);
  {
    Maker m(maker);
    ASSERT_TRUE(m.Form());
    m.Answer(m.At(kSp5.x, kSp5.y), movie.wstring());
    EXPECT_EQ(WindowText(m.At(kEdit1.x, kEdit1.y)), movie.wstring());
    HWND list = m.At(kListBox1.x, kListBox1.y);
    ASSERT_EQ(SendMessageW(list, LB_GETCOUNT, 0, 0), 1) << "the folder is listed";
    wchar_t listed[MAX_PATH] = {};
    SendMessageW(list, LB_GETTEXT, 0, reinterpret_cast<LPARAM>(listed));
    EXPECT_STREQ(listed, L"Meer ö.swf");
    HWND preview = FindByClass(m.Form(), L"QtStandInMovie");
    ASSERT_TRUE(preview);
    EXPECT_TRUE(FrameRecord(preview).Await(3)) << "the preview plays";
    m.ShowTab(1);
    Click(m.At(kCheckBox4.x, kCheckBox4.y));
    m.Answer(m.At(kAdImage1.x, kAdImage1.y), picture.wstring());
    EXPECT_TRUE(BySize(m.Sheet(), 12, 6)) << "the picture loaded";
    m.ShowTab(3);
    m.Answer(m.At(kSpeedButton1.x, kSpeedButton1.y), output.wstring());
    EXPECT_EQ(WindowText(m.At(kEdit3.x, kEdit3.y)), output.wstring());
    Type(m.At(kTitle.x, kTitle.y), L"海浪");
    ASSERT_EQ(m.Message(m.Button(L"制作屏保")), L"提示: 制作成功");
    EXPECT_FALSE(fs::exists(programs / L"double.tmp"));
    qt::PackageReader reader(output);
    ASSERT_EQ(reader.State(), qt::PackageState::indexed);
    ASSERT_GE(reader.Blocks().size(), 3u);
    EXPECT_EQ(reader.BlockBytes(1), swf);
    EXPECT_EQ(reader.BlockBytes(2), jpeg);

    // "测试" and "配置" start it, "安装" copies it under its own name.
    Click(m.Button(L"测试"));
    HWND saver = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (saver = SaverForm(m.Program().Id())) && fs::exists(movieFile); }));
    EXPECT_EQ(ReadAll(movieFile), swf);
    EXPECT_EQ(lstrcmpiW(ProgramOf(saver).c_str(), output.c_str()), 0) << ProgramOf(saver);
    PostMessageW(saver, WM_CLOSE, 0, 0);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(saver); }));
    Click(m.Button(L"配置"));
    ASSERT_TRUE(WaitUntil([&] { return (saver = SaverForm(m.Program().Id())) != nullptr; }));
    EXPECT_EQ(WindowText(saver), L"海浪");
    PostMessageW(saver, WM_CLOSE, 0, 0);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(saver); }));
    Click(m.Button(L"安装"));
    ASSERT_TRUE(WaitUntil([&] { return (saver = SaverForm(m.Program().Id())) != nullptr; }));
    EXPECT_EQ(lstrcmpiW(ProgramOf(saver).c_str(), installed.c_str()), 0) << ProgramOf(saver);
    PostMessageW(saver, WM_CLOSE, 0, 0);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(saver); }));
    Click(m.Button(L"推荐给朋友"));
    ASSERT_TRUE(WaitUntil([&] { return recorder.Calls().size() == 1; }));
    EXPECT_EQ(recorder.Calls().back(),
              L"\"mailto:?body=如果要发送制作的屏保，请将 C:\\Users\\J?rg\\Desktop\\Meer ?.scr 作为附件发送即可。 \"");
    EXPECT_TRUE(m.CloseWithEsc());
  }
  EXPECT_TRUE(fs::exists(programs / L"about.txt")) << "saved beside the maker";
  EXPECT_EQ(IniValue(L"dir1"), films.wstring() + L"\\");
  EXPECT_EQ(IniValue(L"dir3"), films.wstring() + L"\\");
  EXPECT_EQ(IniValue(L"sdir"), desktop.wstring() + L"\\");
  EXPECT_EQ(IniValue(L"ad1"), picture.wstring());

  // The made file as Windows starts it.
  {
    Process run(output, L"/s");
    HWND form = run.Form();
    ASSERT_TRUE(form);
    EXPECT_TRUE(WaitUntil([&] { return fs::exists(movieFile) && ReadAll(movieFile) == swf; }));
    HWND played = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (played = FindByClass(form, L"QtStandInMovie")) != nullptr; }));
    EXPECT_TRUE(FrameRecord(played).Await(3)) << "the movie plays";
    EXPECT_TRUE(run.CloseAndWait(form));
  }
  EXPECT_FALSE(fs::exists(movieFile));
  fs::remove(installed);
  fs::remove(WindowsFolder() / L"vantoq_fscr_Meer ö.scr.ini");
  fs::remove(WindowsFolder() / L"vantoq_fscr_Meer ö.ini");
  fs::remove_all(home);
}

// quendrap.ini as the maker wrote it on a Chinese Windows before it kept the file in UTF-16: code
// page 936 bytes. It reads correctly on a Windows of any language, and is UTF-16 from then on.
TEST_F(MakerTest, ASettingsFileOfCodePage936BytesReadsCorrectlyAndIsKeptInUtf16) {
  const std::wstring movies = Movies().wstring() + L"\\";
  WriteAll(IniFile(), win::Narrow(L"[config]\r\ndir1=" + movies + L"\r\nhint1=看这里\r\ntitle=海浪 屏保\r\n"
                                  L"url3=http://例子.cn/\r\nshowad1=1\r\n"));
  // Files of the user's beside it, with the names a conversion might write to.
  const fs::path others[] = {fs::path(IniFile()) += ".new", fs::path(IniFile()) += ".~1.tmp"};
  for (const fs::path& other : others) WriteAll(other, "the user's own");
  WriteMovie(L"one.swf");
  Maker maker(program_);
  ASSERT_TRUE(maker.Form());
  maker.ShowTab(3);
  EXPECT_EQ(WindowText(maker.At(kTitle.x, kTitle.y)), L"海浪 屏保");
  maker.ShowTab(2);
  EXPECT_EQ(WindowText(maker.At(kUrl3.x, kUrl3.y)), L"http://例子.cn/");
  maker.ShowTab(1);
  EXPECT_EQ(WindowText(maker.At(kHint1.x, kHint1.y)), L"看这里");
  EXPECT_EQ(SendMessageW(maker.At(kCheckBox4.x, kCheckBox4.y), BM_GETCHECK, 0, 0), BST_CHECKED);
  maker.ShowTab(0);
  maker.Answer(maker.At(kSp5.x, kSp5.y), L"one.swf");
  EXPECT_EQ(WindowText(maker.At(kEdit1.x, kEdit1.y)), movies + L"one.swf") << "the stored folder, 制作 and all";
  ASSERT_TRUE(maker.CloseWithEsc());
  EXPECT_TRUE(ReadAll(IniFile()).starts_with("\xFF\xFE")) << "UTF-16 with its byte-order mark";
  EXPECT_EQ(IniValue(L"title"), L"海浪 屏保");
  EXPECT_EQ(IniValue(L"hint1"), L"看这里");
  EXPECT_EQ(IniValue(L"dir1"), movies);
  for (const fs::path& other : others) {
    EXPECT_EQ(ReadAll(other), "the user's own") << other;
    fs::remove(other);
  }
}
