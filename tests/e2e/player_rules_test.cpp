// The player's rules as a user meets them in a real screen saver file: which input ends a run,
// the pause skipper on a movie that stops, the settings window's "确定" and its advert pictures.
#include "tests/e2e/support.hpp"
#include "tests/flash/swf_writer.hpp"
#include "tests/win/jpeg_writer.hpp"

#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdio>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <map>
#include <optional>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

using namespace e2e;

namespace {

// A screen saver file "Sea Waves.scr" in a folder of its own, and its settings file.
class PlayerRules : public ::testing::Test {
protected:
  void Write(const Content& c) { WriteSaver(WindowsPath(QT_PLAYER), saver_, c); }
  static fs::path Ini() { return SaverFiles::Ini(); }
  static void WriteIni(const std::string& text) { SaverFiles::WriteIni(text); }

  SaverFiles files_{L"player rules 屏保"};
  const fs::path &folder_ = files_.folder, &saver_ = files_.saver;
};

Content WithMovie(qt::testing::SwfOptions swf = {.frames = 10}) {
  Content c;
  c.movie = qt::testing::MakeSwf(swf);
  return c;
}


// --- Which input ends a run ------------------------------------------------------------------

struct Input {
  const char* what;
  UINT message;
  WPARAM wParam;
  int dx = 0, dy = 0; // mouse messages: the position relative to the cursor's resting point
};

const POINT kRest{200, 200};

const Input kMove15{"move by 15", WM_MOUSEMOVE, 0, 15, -15};
const Input kMove16{"move by 16", WM_MOUSEMOVE, 0, 16, 0};
const Input kMoveDown16{"move down by 16", WM_MOUSEMOVE, 0, 0, 16};
const Input kMove40{"move by 40", WM_MOUSEMOVE, 0, 40, 40};
const Input kLeft{"left button", WM_LBUTTONDOWN, MK_LBUTTON};
const Input kMiddle{"middle button", WM_MBUTTONDOWN, MK_MBUTTON};
const Input kRight{"right button", WM_RBUTTONDOWN, MK_RBUTTON};
const Input kArrow{"arrow key", WM_KEYDOWN, VK_LEFT};
const Input kArrowUp{"arrow key released", WM_KEYUP, VK_LEFT};
// Translated by the message loop into a typed character after its key-down message.
const Input kLetter{"letter key", WM_KEYDOWN, 'A'};

void Post(HWND form, const Input& in) {
  LPARAM lp = in.message == WM_KEYDOWN || in.message == WM_KEYUP
                  ? 1
                  : MAKELPARAM(kRest.x + in.dx, kRest.y + in.dy);
  PostMessageW(form, in.message, in.wParam, lp);
}

TEST_F(PlayerRules, AfterTheGracePeriodOnlyTheInputTheSettingsDoNotAllowEndsARun) {
  struct Case {
    const char* ini;
    std::vector<Input> keepRunning; // sent one after another; none of them ends the run
    std::optional<Input> ends;      // then this one does
  } cases[] = {
      {"allowmouse=0\r\n", {kRight, kMove15}, kMove16},
      {"allowmouse=0\r\n", {}, kMoveDown16},
      {"allowmouse=0\r\n", {}, kArrowUp},
      {"", {kRight, kMove40}, kLeft},
      {"", {}, kMiddle},
      {"", {}, kArrow},
      {"allowclick=1\r\nallowmouse=0\r\n", {kLeft, kMiddle, kMove40}, kArrow},
      {"allowkey=1\r\nallowmouse=0\r\n", {kArrow, kArrowUp}, kLetter},
      {"allowkey=1\r\n", {kArrow, kMove40}, kLeft},
      {"allowkey=1\r\nallowclick=1\r\n", {kArrow, kLetter, kLeft, kMiddle, kMove40, kRight}, std::nullopt},
  };
  Write(WithMovie());
  for (const auto& c : cases) {
    SCOPED_TRACE(c.ini);
    WriteIni(c.ini);
    ASSERT_TRUE(MoveCursor(kRest.x, kRest.y));
    Process run(saver_, L"/s");
    HWND form = run.Form();
    ASSERT_TRUE(form);
    Sleep(2500); // past the grace period
    for (const Input& in : c.keepRunning) {
      SCOPED_TRACE(in.what);
      Post(form, in);
      ASSERT_TRUE(StillTakesMessages(form));
      ASSERT_TRUE(run.Running());
    }
    if (c.ends) {
      SCOPED_TRACE(c.ends->what);
      Post(form, *c.ends);
      EXPECT_TRUE(run.WaitForExit());
    } else {
      EXPECT_TRUE(run.CloseAndWait(form));
    }
  }
}

TEST_F(PlayerRules, InTheGracePeriodInputDoesNotEndARunButATypedCharacterDoes) {
  Write(WithMovie());
  WriteIni("allowmouse=0\r\n");
  ASSERT_TRUE(MoveCursor(kRest.x, kRest.y));
  {
    Process run(saver_, L"/s");
    HWND form = run.Form();
    ASSERT_TRUE(form);
    for (const Input& in : {kMove40, kLeft, kMiddle, kArrow, kArrowUp}) Post(form, in);
    EXPECT_TRUE(StillTakesMessages(form));
    EXPECT_TRUE(run.Running());
    EXPECT_TRUE(run.CloseAndWait(form));
  }
  Process run(saver_, L"/s");
  HWND form = run.Form();
  ASSERT_TRUE(form);
  PostMessageW(form, WM_CHAR, 'a', 1);
  EXPECT_TRUE(run.WaitForExit()) << "the key-press event has no grace period";
}

// --- The pause skipper ---------------------------------------------------------------------------

double Seconds(const FrameRecord::Shown& from, const FrameRecord::Shown& to) { return (to.at - from.at) / 1000.0; }

// The stand-in movie window of a run, once it is there.
HWND MovieOf(HWND form) {
  HWND movie = nullptr;
  WaitUntil([&] { return (movie = FindByClass(form, L"QtStandInMovie")) != nullptr; });
  return movie;
}

TEST_F(PlayerRules, TheSkipperMovesAStoppedMovieOnAfterThreeSecondsAndRewindsAtTheEnd) {
  // 10 frames at 20 per second, stopping on frame 4.
  Write(WithMovie({.frameRate = 20 << 8, .frames = 10, .stopFrames = {4}}));
  Process run(saver_, L"/s");
  HWND form = run.Form();
  ASSERT_TRUE(form);
  HWND movie = MovieOf(form);
  ASSERT_TRUE(movie);
  FrameRecord record(movie);
  // The frames after the stop on frame 4: pushed on to 5, played to the end, where the movie
  // stops, rewound to 1, played to 4, where the stop holds it again until the next push.
  auto stop = record.Await(4);
  ASSERT_TRUE(stop);
  size_t at = *stop;
  for (int frame : {5, 10, 1, 4, 5}) { // each one comes within a push's wait of the one before
    auto next = record.Await(frame, at + 1);
    ASSERT_TRUE(next) << "frame " << frame << " after entry " << at;
    at = *next;
  }
  const std::vector<FrameRecord::Shown> shown(record.Read().begin() + *stop, record.Read().begin() + *stop + 12);
  std::vector<int> frames;
  for (const auto& s : shown) frames.push_back(s.frame);
  ASSERT_EQ(frames, (std::vector<int>{4, 5, 6, 7, 8, 9, 10, 1, 2, 3, 4, 5}));
  // A push comes up to one 500 ms tick after the stop, to notice it, and one 3000 ms wait later;
  // a little slack for a loaded machine's timers.
  for (auto [from, to] : {std::pair{0, 1}, {6, 7}}) {
    SCOPED_TRACE(from);
    EXPECT_GE(Seconds(shown[from], shown[to]), 2.95);
    EXPECT_LE(Seconds(shown[from], shown[to]), 3.7);
  }
  // The rewind keeps the 3000 ms interval, so the tick after it notices the stop on frame 4 and
  // the one after that pushes: 6 s after the rewind.
  EXPECT_GE(Seconds(shown[7], shown[11]), 5.95);
  EXPECT_LE(Seconds(shown[7], shown[11]), 6.4);
  // Between the pushes it plays at its frame rate.
  EXPECT_LT(Seconds(shown[1], shown[6]), 2.0);
  EXPECT_TRUE(run.CloseAndWait(form));
}

TEST_F(PlayerRules, WithoutSkippingAStoppedMovieStaysWhereItStopped) {
  Write(WithMovie({.frameRate = 20 << 8, .frames = 10, .stopFrames = {4}}));
  WriteIni("skip=0\r\n");
  Process run(saver_, L"/s");
  HWND form = run.Form();
  ASSERT_TRUE(form);
  HWND movie = MovieOf(form);
  ASSERT_TRUE(movie);
  FrameRecord record(movie);
  auto stop = record.Await(4);
  ASSERT_TRUE(stop);
  // No frame may follow for longer than the skipper would have waited; the record sees any.
  Sleep(4000);
  EXPECT_EQ(record.Read().size(), *stop + 1);
  EXPECT_EQ(WindowText(movie), L"4 / 10");
  EXPECT_TRUE(run.CloseAndWait(form));
}

// --- The clock ----------------------------------------------------------------------------------

TEST_F(PlayerRules, TheClockShowsDateWeekdayAndTimeInTheBottomBar) {
  Write(WithMovie());
  WriteIni("showtime=1\r\n");
  Process run(saver_, L"/s");
  HWND form = run.Form();
  ASSERT_TRUE(form);
  SYSTEMTIME now;
  GetLocalTime(&now);
  wchar_t date[32];
  swprintf(date, 32, L"%04d年%02d月%02d日 星期%lc ", now.wYear, now.wMonth, now.wDay,
           L"日一二三四五六"[now.wDayOfWeek]);
  HWND clock = nullptr;
  ASSERT_TRUE(WaitUntil([&] {
    for (HWND w : Descendants(form))
      if (WindowText(w).starts_with(date)) clock = w;
    return clock != nullptr;
  })) << "the clock shows " << WindowText(clock);
  std::wstring text = WindowText(clock);
  ASSERT_EQ(text.size(), std::wstring(date).size() + 8);
  EXPECT_EQ(text[text.size() - 6], L':');
  EXPECT_EQ(text[text.size() - 3], L':');
  EXPECT_TRUE(WaitUntil([&] { return WindowText(clock) != text; })) << "it ticks every second";
  EXPECT_TRUE(run.CloseAndWait(form));
}

// --- The settings window -------------------------------------------------------------------------

bool Checked(HWND form, const wchar_t* caption) {
  HWND box = FindByText(form, caption);
  return box && SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

// The keys of section config in the order they stand in the file.
std::vector<std::string> ConfigLines(const std::string& file) {
  std::vector<std::string> lines;
  std::istringstream in(file);
  std::string line;
  bool inConfig = false;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) continue;
    if (line[0] == '[') inConfig = line == "[config]";
    else if (inConfig) lines.push_back(line);
  }
  return lines;
}

TEST_F(PlayerRules, OkStoresTheSettingsThatTheNextStartLoads) {
  struct Case {
    const wchar_t* typed; // into the spin edit
    const char* stored;
    const wchar_t* loaded;
  } cases[] = {{L"abc", "5", L"5"}, {L"9999", "9999", L"1440"}, {L"7", "7", L"7"}};
  Write(WithMovie());
  for (const auto& c : cases) {
    SCOPED_TRACE(c.stored);
    fs::remove(Ini());
    {
      Process settings(saver_, L"/c");
      HWND form = settings.Form();
      ASSERT_TRUE(form);
      HWND spin = FindByClass(form, L"Edit");
      ASSERT_TRUE(spin);
      SendMessageW(spin, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(c.typed));
      auto click = [&](const wchar_t* box) { SendMessageW(FindByText(form, box), BM_CLICK, 0, 0); };
      click(L"鼠标移动不退出");
      ASSERT_FALSE(Checked(form, L"鼠标移动不退出"));
      click(L"鼠标点击不退出,显示光标");
      EXPECT_TRUE(Checked(form, L"鼠标移动不退出")) << "allowing clicks allows movement";
      click(L"鼠标点击不退出,显示光标");
      click(L"自动跳过停顿");
      PostClick(FindByText(form, L"确定"));
      EXPECT_TRUE(settings.WaitForExit());
    }
    // Unticking "鼠标点击不退出" left "鼠标移动不退出" ticked.
    EXPECT_EQ(ConfigLines(ReadAll(Ini())),
              (std::vector<std::string>{"skip=0", "shutdown=0", std::string("shuttime=") + c.stored, "allowmouse=1",
                                        "allowclick=0", "allowkey=0", "showtime=0"}));
    Process next(saver_, L"/c");
    HWND form = next.Form();
    ASSERT_TRUE(form);
    EXPECT_FALSE(Checked(form, L"自动跳过停顿"));
    EXPECT_TRUE(Checked(form, L"鼠标移动不退出"));
    EXPECT_EQ(WindowText(FindByClass(form, L"Edit")), c.loaded);
    EXPECT_TRUE(next.CloseAndWait(form));
  }
}

TEST_F(PlayerRules, CancelStoresNothing) {
  Write(WithMovie());
  Process settings(saver_, L"/c");
  HWND form = settings.Form();
  ASSERT_TRUE(form);
  SendMessageW(FindByText(form, L"自动跳过停顿"), BM_CLICK, 0, 0);
  PostClick(FindByText(form, L"取消"));
  EXPECT_TRUE(settings.WaitForExit());
  EXPECT_FALSE(fs::exists(Ini()));
}

TEST_F(PlayerRules, ASettingsFileThatCannotBeWrittenIsReportedAndTheDialogStays) {
  Write(WithMovie());
  fs::create_directories(Ini()); // a folder where the file would go
  Process settings(saver_, L"/c");
  HWND form = settings.Form();
  ASSERT_TRUE(form);
  PostClick(FindByText(form, L"确定"));
  HWND box = nullptr;
  ASSERT_TRUE(WaitUntil([&] { return (box = settings.TopLevel(L"#32770")) != nullptr; }));
  EXPECT_TRUE(WaitUntil([&] { return FindByText(box, L"Unable to write to vantoq_fscr_Sea Waves.ini") != nullptr; }));
  PostMessageW(box, WM_COMMAND, IDOK, 0);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(box); }));
  EXPECT_TRUE(StillTakesMessages(form));
  EXPECT_TRUE(settings.Running());
  EXPECT_TRUE(IsWindowVisible(form)) << "the dialog stays open";
  EXPECT_TRUE(settings.CloseAndWait(form));
}

// --- Advert pictures -----------------------------------------------------------------------------

// A JPEG whose left half is `left` and right half `right`.
std::string TwoColourJpeg(int width, int height, COLORREF left, COLORREF right) {
  return qt::testing::EncodeJpeg(width, height, false, [&](int x, int) { return x < width / 2 ? left : right; });
}

bool Near(COLORREF a, COLORREF b) {
  return std::abs(GetRValue(a) - GetRValue(b)) < 40 && std::abs(GetGValue(a) - GetGValue(b)) < 40 &&
         std::abs(GetBValue(a) - GetBValue(b)) < 40;
}

// Picture 1 of 100 x 60 and picture 2 of 300 x 80, each of two halves, both drawn in the settings
// window, and picture 1's hover text shown. With later2, picture 2 is an animation that then
// shows that colour on its left, and the window is closed while it plays.
void ExpectAdvertsShown(const fs::path& saver, COLORREF left1, COLORREF right1, COLORREF left2, COLORREF right2,
                        const wchar_t* shot, std::optional<COLORREF> later2 = std::nullopt) {
  ASSERT_TRUE(MoveCursor(0, 0));
  Process settings(saver, L"/c");
  HWND form = settings.Form();
  ASSERT_TRUE(form);
  HWND ad1 = nullptr, ad2 = nullptr;
  ASSERT_TRUE(WaitUntil([&] { return (ad1 = BySize(form, 100, 60)) && (ad2 = BySize(form, 300, 80)); }))
      << "each image takes its picture's size";
  RECT r1, r2;
  GetWindowRect(ad1, &r1);
  GetWindowRect(ad2, &r2);
  EXPECT_TRUE(WaitUntil([&] {
    return Near(ScreenPixel(r1.left + 20, r1.top + 30), left1) && Near(ScreenPixel(r1.right - 20, r1.top + 30), right1) &&
           Near(ScreenPixel(r2.left + 50, r2.top + 40), left2) && Near(ScreenPixel(r2.right - 50, r2.top + 40), right2);
  })) << "both pictures are drawn";
  if (later2) {
    EXPECT_TRUE(WaitUntil([&] { return Near(ScreenPixel(r2.left + 50, r2.top + 40), *later2); })) << "it plays";
  }
  // Resting on picture 1 shows its hover text.
  ASSERT_TRUE(MoveCursor(r1.left + 50, r1.top + 30));
  HWND tip = nullptr;
  EXPECT_TRUE(WaitUntil([&] {
    tip = settings.TopLevel(L"tooltips_class32");
    return tip && IsWindowVisible(tip);
  }));
  Screenshot(shot);
  ASSERT_TRUE(MoveCursor(0, 0));
  EXPECT_FALSE(settings.TopLevel(L"#32770")) << "no message box";
  EXPECT_TRUE(settings.CloseAndWait(form));
}

TEST_F(PlayerRules, TheSettingsWindowShowsTheAdvertPicturesWithTheirHoverTexts) {
  Content c = WithMovie();
  c.ad1Jpeg = TwoColourJpeg(100, 60, RGB(220, 0, 0), RGB(0, 0, 220));
  c.ad2Jpeg = TwoColourJpeg(300, 80, RGB(0, 200, 0), RGB(240, 240, 0));
  c.options = "[other]\r\nhint1=第一张广告\r\nhint2=第二张广告\r\ntitle=abc\r\n";
  Write(c);
  ExpectAdvertsShown(saver_, RGB(220, 0, 0), RGB(0, 0, 220), RGB(0, 200, 0), RGB(240, 240, 0), L"settings_adverts");
}

TEST_F(PlayerRules, GifAdvertPicturesShowInBothSlotsAndAnAnimationPlaysUntilTheWindowCloses) {
  Content c = WithMovie();
  c.ad1Gif = HalvesGif(100, 60, RGB(220, 0, 0), RGB(0, 0, 220));
  // Endless, 1.2 s a frame: each state lasts long enough to be seen.
  c.ad2Gif = HalvesGif(300, 80, RGB(0, 200, 0), RGB(240, 240, 0), {RGB(255, 0, 255), RGB(0, 255, 255)}, 0, 100, 0);
  c.options = "[other]\r\nhint1=第一张广告\r\nhint2=第二张广告\r\ntitle=abc\r\n";
  Write(c);
  ExpectAdvertsShown(saver_, RGB(220, 0, 0), RGB(0, 0, 220), RGB(0, 200, 0), RGB(240, 240, 0), L"settings_gif_adverts",
                     RGB(255, 0, 255));
}

// Picture 1 is damaged, picture 2 of 300 x 80 has `left2` on its left: picture 1 keeps the
// layout's size and shows nothing, and no message box comes.
void ExpectFirstAdvertBlank(const fs::path& saver, COLORREF left2, const wchar_t* shot) {
  Process settings(saver, L"/c");
  HWND form = settings.Form();
  ASSERT_TRUE(form);
  HWND ad2 = nullptr;
  ASSERT_TRUE(WaitUntil([&] { return (ad2 = BySize(form, 300, 80)) != nullptr; })) << "the good picture still shows";
  RECT r2;
  GetWindowRect(ad2, &r2);
  ASSERT_TRUE(WaitUntil([&] { return Near(ScreenPixel(r2.left + 50, r2.top + 40), left2); })) << "the window is drawn";
  // Picture 1 keeps the layout's size and shows the background it stands on.
  HWND ad1 = BySize(form, 120, 90);
  ASSERT_TRUE(ad1);
  RECT r;
  GetWindowRect(ad1, &r);
  COLORREF inside = ScreenPixel((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  COLORREF beside = ScreenPixel(r.left - 3, (r.top + r.bottom) / 2);
  EXPECT_TRUE(Near(inside, beside)) << std::hex << inside << " against " << beside;
  Screenshot(shot);
  EXPECT_FALSE(settings.TopLevel(L"#32770")) << "no message box";
  EXPECT_TRUE(settings.CloseAndWait(form));
}

// The layout's sample pictures are the maker's: a package without pictures shows neither, each
// image keeping the layout's size.
TEST_F(PlayerRules, WithoutAdvertPicturesTheSettingsWindowShowsNoSamples) {
  Write(WithMovie());
  Process settings(saver_, L"/c");
  HWND form = settings.Form();
  ASSERT_TRUE(form);
  HWND ad1 = nullptr, ad2 = nullptr;
  ASSERT_TRUE(WaitUntil([&] { return (ad1 = BySize(form, 120, 90)) && (ad2 = BySize(form, 468, 133)); }));
  RECT r2;
  GetWindowRect(ad2, &r2);
  ASSERT_TRUE(WaitUntil([&] { return Near(ScreenPixel(r2.left - 1, r2.top + 60), RGB(0xC0, 0xDC, 0xC0)); }))
      << "the settings panel is drawn";
  for (HWND ad : {ad1, ad2}) {
    RECT r;
    GetWindowRect(ad, &r);
    // Where the samples have their ball and their text, the panel's background shows.
    EXPECT_TRUE(WaitUntil([&] {
      return Near(ScreenPixel(r.left + 16, r.top + 38), ScreenPixel(r.left - 1, r.top + 38)) &&
             Near(ScreenPixel((r.left + r.right) / 2, (r.top + r.bottom) / 2),
                  ScreenPixel(r.left - 1, (r.top + r.bottom) / 2));
    }));
  }
  Screenshot(L"settings_no_adverts");
  EXPECT_TRUE(settings.CloseAndWait(form));
}

TEST_F(PlayerRules, ADamagedAdvertPictureShowsNothingAndNoMessage) {
  Content c = WithMovie();
  c.ad1Jpeg = std::string("\xFF\xD8\xFF\xE0", 4) + std::string(200, 'x');
  c.ad2Jpeg = TwoColourJpeg(300, 80, RGB(0, 200, 0), RGB(240, 240, 0));
  Write(c);
  ExpectFirstAdvertBlank(saver_, RGB(0, 200, 0), L"settings_damaged_advert");
}

TEST_F(PlayerRules, ADamagedGifAdvertShowsNothingAndNoMessage) {
  Content c = WithMovie();
  // Cut inside the frame's descriptor.
  c.ad1Gif = HalvesGif(100, 60, RGB(220, 0, 0), RGB(0, 0, 220)).substr(0, 24);
  c.ad2Gif = HalvesGif(300, 80, RGB(0, 200, 0), RGB(240, 240, 0));
  Write(c);
  ExpectFirstAdvertBlank(saver_, RGB(0, 200, 0), L"settings_damaged_gif_advert");
}

// --- Links and mail ------------------------------------------------------------------------------

TEST_F(PlayerRules, LinksAndTheMailButtonHandTheirTextsToTheShell) {
  ShellRecorder recorder(WindowsPath(QT_RECORDER));
  RegistryOverride http(L"http\\shell\\open\\command", recorder.Command());
  RegistryOverride mailto(L"mailto\\shell\\open\\command", recorder.Command());
  Content c = WithMovie();
  c.ad1Jpeg = TwoColourJpeg(100, 60, RGB(220, 0, 0), RGB(0, 0, 220));
  c.ad2Jpeg = TwoColourJpeg(300, 80, RGB(0, 200, 0), RGB(240, 240, 0));
  c.options = "[other]\r\nurl1=http://example.com/广告\r\nurl2=\r\nurl3=someone@example.com\r\ntitle=abc\r\n";
  Write(c);
  // Started under its short name, the mail still names the file by its long one.
  wchar_t shortName[MAX_PATH];
  ASSERT_TRUE(GetShortPathNameW(saver_.c_str(), shortName, MAX_PATH));
  ASSERT_NE(fs::path(shortName), saver_);
  Process settings(shortName, L"/c");
  HWND form = settings.Form();
  ASSERT_TRUE(form);
  HWND ad1 = nullptr;
  ASSERT_TRUE(WaitUntil([&] { return (ad1 = BySize(form, 100, 60)) != nullptr; }));
  const std::vector<std::wstring> expected = {
      L"\"http://example.com/广告\"",
      L"\"mailto:someone@example.com\"",
      L"\"mailto:?body=如果要发送本屏保,请将 " + saver_.wstring() +
          L" 作为附件。收到邮件后将附件中的scr文件保存到本地后用鼠标右键点击即可安装。\"",
  };
  // No target: nothing opens. Clicked first, so that anything it started wrongly has the rest of
  // the test to show up in the recorder's log.
  PostClick(BySize(form, 300, 80));
  PostClick(ad1);
  EXPECT_TRUE(WaitUntil([&] { return recorder.Calls().size() == 1; }));
  HWND aboutPage = FindByText(form, L"关于屏保");
  ASSERT_TRUE(aboutPage);
  PostClick(GetWindow(aboutPage, GW_CHILD));
  EXPECT_TRUE(WaitUntil([&] { return recorder.Calls().size() == 2; }));
  PostClick(FindByText(form, L"发给朋友"));
  EXPECT_TRUE(WaitUntil([&] { return recorder.Calls().size() == 3; }));
  EXPECT_EQ(recorder.Calls(), expected);
  EXPECT_TRUE(settings.CloseAndWait(form));
}

} // namespace

// The about text scrolls only while its tab is on show.
TEST_F(PlayerRules, TheAboutTextScrollsOnItsTab) {
  Content c = WithMovie();
  c.about = "<b>第一行关于文字</b>\r\n第二行关于文字\r\n第三行关于文字\r\n";
  Write(c);
  Process settings(saver_, L"/c");
  HWND form = settings.Form();
  ASSERT_TRUE(form);
  HWND tabs = FindByClass(form, L"SysTabControl32");
  ASSERT_TRUE(tabs);
  HWND aboutPage = FindByText(form, L"关于屏保");
  ASSERT_TRUE(aboutPage);
  HWND panel = GetWindow(aboutPage, GW_CHILD);
  // Two columns of the panel's pixels, read from the screen, where the centred text passes.
  auto column = [&] {
    RECT r;
    GetWindowRect(panel, &r);
    std::vector<COLORREF> pixels;
    for (int x : {(r.left + r.right) / 2, (2 * r.left + r.right) / 3})
      for (int y = r.top; y < r.bottom; y += 2) pixels.push_back(ScreenPixel(x, y));
    return pixels;
  };
  SendMessageW(tabs, WM_KEYDOWN, VK_RIGHT, 0); // as the keyboard picks the next tab
  ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(panel) != FALSE; }));
  std::vector<COLORREF> before = column();
  EXPECT_TRUE(WaitUntil([&] { return column() != before; })) << "the text moves";
  Screenshot(L"settings_about");
  SendMessageW(tabs, WM_KEYDOWN, VK_LEFT, 0);
  EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(panel); }));
  EXPECT_TRUE(settings.CloseAndWait(form));
}
