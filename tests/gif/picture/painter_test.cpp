// Animations played by painters on real GDI under Wine: the composition of every disposal method
// frame by frame, passes and loop counts, the timing of a threaded painter, and painters ending
// with their windows, their pictures and a draw elsewhere, leaving no thread or GDI object.
#include "gif/picture/painter.hpp"

#include "tests/gif/picture/fixtures.hpp"
#include "tests/win/pump.hpp"
#include "win/thread.hpp"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>
#include <mmsystem.h>
#include <tlhelp32.h>

#include <chrono>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace qt {
namespace {

constexpr COLORREF kG = RGB(0, 255, 0), kB = RGB(0, 0, 255), kW = RGB(255, 255, 255), kX = RGB(0, 0, 0);

// The surface as letters: G, B, W, K for the background it was filled with, X for black.
std::string Letters(Surface& s, int w, int h) {
  const std::map<COLORREF, char> names{{kG, 'G'}, {kB, 'B'}, {kW, 'W'}, {kBackground, 'K'}, {kX, 'X'}};
  std::string out;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      auto it = names.find(s.At(x, y));
      out += it == names.end() ? '?' : it->second;
    }
  return out;
}

using win::testing::PumpUntil;

int ThreadCount() {
  HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  THREADENTRY32 entry{};
  entry.dwSize = sizeof entry;
  int n = 0;
  for (BOOL ok = Thread32First(snap, &entry); ok; ok = Thread32Next(snap, &entry))
    if (entry.th32OwnerProcessID == GetCurrentProcessId()) ++n;
  CloseHandle(snap);
  return n;
}

int GdiCount() { return static_cast<int>(win::heldGdiObjects.load()); }

// Three frames of a 4 x 2 screen: all of it green, its left half blue, one white pixel at (3, 0).
std::string ThreeFrames(int d0, int d1, int d2, std::vector<int> delays = {1, 1, 1}, int loopFrame = -1,
                        int loops = 0) {
  std::vector<FrameSpec> frames{{0, 0, 4, 2, {}, std::string(8, '\0'), -1, d0, delays[0]},
                                {0, 0, 2, 2, {}, std::string(4, '\1'), -1, d1, delays[1]},
                                {3, 0, 1, 1, {}, std::string(1, '\2'), -1, d2, delays[2]}};
  if (loopFrame >= 0) frames[static_cast<std::size_t>(loopFrame)].loops = loops;
  return MakeGif(4, 2, {kG, kB, kW}, frames);
}

TEST(GIFPainter, EachDisposalMethodComposesTheFramesAsTheyAreShown) {
  struct Case {
    int d0, d1, d2;
    bool transparent;
    std::vector<std::string> shown;
  } cases[] = {
      // Nothing to restore: drawn straight onto the canvas.
      {1, 1, 1, true, {"GGGGGGGG", "BBGGBBGG", "BBGWBBGG"}},
      // Back to what lay under the picture, or to the background colour when opaque.
      {0, 2, 1, true, {"GGGGGGGG", "BBGGBBGG", "KKGWKKGG"}},
      {0, 2, 1, false, {"GGGGGGGG", "BBGGBBGG", "XXGWXXGG"}},
      // Back to the picture before the frame.
      {1, 3, 1, true, {"GGGGGGGG", "BBGGBBGG", "GGGWGGGG"}},
      {2, 3, 1, true, {"GGGGGGGG", "BBKKBBKK", "KKKWKKKK"}},
      {3, 3, 1, true, {"GGGGGGGG", "BBKKBBKK", "KKKWKKKK"}},
      // Methods 4-7 draw nothing, and neither does a 3 after them.
      {1, 5, 3, true, {"GGGGGGGG", "GGGGGGGG", "GGGGGGGG"}},
      {7, 3, 1, true, {"KKKKKKKK", "KKKKKKKK", "KKKWKKKK"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.d0) + std::to_string(c.d1) + std::to_string(c.d2) + (c.transparent ? " T" : ""));
    auto picture = Load(ThreeFrames(c.d0, c.d1, c.d2));
    picture->PaintOptions = static_cast<std::uint16_t>(doAnimate | doDirectPaint | (c.transparent ? doTransparent : 0));
    picture->SpeedPercent = 10000;
    picture->BackdropColor = 0;
    Surface s(4, 2);
    std::vector<std::string> shown;
    picture->OnFrameDrawn = [&](TGIFPainter&) { shown.push_back(Letters(s, 4, 2)); };
    picture->Draw(s.bitmap.Canvas(), RECT{0, 0, 4, 2});
    EXPECT_EQ(shown, c.shown);
    EXPECT_TRUE(picture->PainterList().empty());
  }
}

TEST(GIFPainter, PassesFollowTheFirstLoopExtensionAndTheRepeatOptions) {
  struct Case {
    int loopFrame, loops;
    std::uint16_t options;
    const char* frames;
    int restarts;
  } cases[] = {
      {-1, 0, doAnimate | doRepeat, "012", 0},
      {0, 2, doAnimate | doRepeat, "012012", 1},
      {1, 2, doAnimate | doRepeat, "01212", 1},   // later passes start at the loop extension
      {0, 0, doAnimate | doRepeat, "012", 0},     // endless only for a threaded painter
      {0, 3, doAnimate, "012", 0},                // no repeat
      {-1, 0, doAnimate | doRepeat | doRepeatForever, "01201201", 2}, // stopped at the eighth
      {0, 3, doRepeat, "0", 0},                   // not animated: one frame, one pass
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.frames);
    auto picture = Load(ThreeFrames(1, 1, 1, {1, 1, 1}, c.loopFrame, c.loops));
    picture->PaintOptions = static_cast<std::uint16_t>(c.options | doDirectPaint);
    picture->SpeedPercent = 10000;
    std::string frames;
    int restarts = 0, starts = 0, stops = 0;
    picture->OnAnimationStart = [&](TGIFPainter&) { ++starts; };
    picture->OnPassRestart = [&](TGIFPainter&) { ++restarts; };
    picture->OnAnimationStop = [&](TGIFPainter& p) {
      ++stops;
      EXPECT_EQ(p.FrameIndex, -1);
    };
    picture->OnFrameDrawn = [&](TGIFPainter& p) {
      frames += static_cast<char>('0' + p.FrameIndex);
      if (frames.size() == 8) p.RequestStop();
    };
    Surface s(4, 2);
    // A synchronous painter has run to its end when it comes back.
    EXPECT_EQ(picture->StartPainter(nullptr, s.bitmap.Canvas(), picture->PaintOptions, RECT{0, 0, 4, 2}), nullptr);
    EXPECT_EQ(frames, c.frames);
    EXPECT_EQ(restarts, c.restarts);
    EXPECT_EQ(starts, 1);
    EXPECT_EQ(stops, frames.size() == 8 ? 0 : 1); // a stopped painter announces nothing more
  }
}

TEST(GIFPainter, AHandlerMayJumpToAFrameAndAFrameOutOfRangeEndsThePass) {
  auto picture = Load(ThreeFrames(1, 1, 1));
  picture->PaintOptions = doAnimate | doDirectPaint;
  picture->SpeedPercent = 10000;
  std::string frames;
  bool jumped = false;
  picture->OnFrameDrawn = [&](TGIFPainter& p) {
    frames += static_cast<char>('0' + p.FrameIndex);
    if (p.FrameIndex == 1 && !jumped) {
      jumped = true;
      p.FrameIndex = 0; // the pass starts over, not counted
    } else if (p.FrameIndex == 1) {
      p.FrameIndex = -5;
    }
  };
  Surface s(4, 2);
  picture->Draw(s.bitmap.Canvas(), RECT{0, 0, 4, 2});
  EXPECT_EQ(frames, "0101");
}

TEST(GIFPainter, AThreadedPainterShowsTheFramesInOrderAfterTheirDelays) {
  // Stored delays 0 (counts as 10), 2 (counts as 3) and 25: 120, 36 and 300 ms at 100 %.
  auto picture = Load(ThreeFrames(1, 1, 1, {0, 2, 25}));
  std::vector<int> frames;
  std::vector<DWORD> at;
  DWORD started = 0;
  const DWORD gui = GetCurrentThreadId();
  bool stopped = false;
  picture->OnAnimationStart = [&](TGIFPainter&) { started = timeGetTime(); };
  picture->OnFrameDrawn = [&](TGIFPainter& p) {
    frames.push_back(p.FrameIndex);
    at.push_back(timeGetTime());
    EXPECT_EQ(GetCurrentThreadId(), gui);
  };
  picture->OnAnimationStop = [&](TGIFPainter&) { stopped = true; };
  Surface s(8, 4);
  picture->Draw(s.bitmap.Canvas(), RECT{0, 0, 8, 4});
  // The first draw returns with the first frame shown.
  EXPECT_EQ(Letters(s, 8, 4), std::string(32, 'G'));
  ASSERT_TRUE(PumpUntil([&] { return stopped && picture->PainterList().empty(); }));
  ASSERT_EQ(frames, (std::vector<int>{0, 1, 2}));
  // Each frame comes no earlier than the delays before it (within the timer's step), and not
  // absurdly late on a loaded machine.
  const DWORD since1 = at[1] - started, since2 = at[2] - started;
  EXPECT_GE(since1, 120u - 5);
  EXPECT_GE(since2, 156u - 10);
  EXPECT_LT(since2, 156u + 5000);
  // The last frame stays in the render bitmap.
  Surface again(8, 4);
  picture->Draw(again.bitmap.Canvas(), RECT{0, 0, 8, 4});
  EXPECT_EQ(Letters(again, 8, 4), "BBBBGGWWBBBBGGWWBBBBGGGGBBBBGGGG");
}

TEST(GIFPainter, ASynchronousPainterPutsBackTheQuitMessageItMeetsAndStops) {
  auto picture = Load(ThreeFrames(1, 1, 1));
  picture->PaintOptions = doAnimate | doDirectPaint;
  int drawn = 0;
  picture->OnFrameDrawn = [&](TGIFPainter&) { ++drawn; };
  PostQuitMessage(7);
  Surface s(4, 2);
  picture->Draw(s.bitmap.Canvas(), RECT{0, 0, 4, 2});
  EXPECT_EQ(drawn, 0); // met in the wait before the first frame
  MSG msg;
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(msg.wParam, 7u);
}

TEST(GIFPainter, ASynchronousPainterWaitsAtMostAThousandHundredths) {
  // 5000 hundredths at 1000 %: 1.2 s when capped at 1000, 6 s if not.
  auto picture = Load(ThreeFrames(1, 1, 1, {5000, 5000, 5000}));
  picture->PaintOptions = doAnimate | doDirectPaint;
  picture->SpeedPercent = 1000;
  std::vector<DWORD> at;
  picture->OnFrameDrawn = [&](TGIFPainter& p) {
    at.push_back(timeGetTime());
    if (at.size() == 2) p.RequestStop();
  };
  Surface s(4, 2);
  picture->Draw(s.bitmap.Canvas(), RECT{0, 0, 4, 2});
  ASSERT_EQ(at.size(), 2u);
  EXPECT_GE(at[1] - at[0], 1200u - 10);
  EXPECT_LT(at[1] - at[0], 6000u);
}

TEST(GIFPainter, AThreadedPainterBelowZeroSpeedShowsFramesBackToBack) {
  // A minute a frame at 100 %; twelve frames come at once.
  auto picture = Load(ThreeFrames(1, 1, 1, {5000, 5000, 5000}, 0, 0));
  picture->SpeedPercent = -1;
  int drawn = 0;
  picture->OnFrameDrawn = [&](TGIFPainter&) { ++drawn; };
  Surface s(4, 2);
  picture->Draw(s.bitmap.Canvas(), RECT{0, 0, 4, 2});
  EXPECT_TRUE(PumpUntil([&] { return drawn >= 12; }));
}

TEST(GIFPainter, WhatTheRunRaisesEndsThePainterAndASynchronousOneRaisesItToTheCaller) {
  for (std::uint16_t options : {kDefaultPaintOptions, static_cast<std::uint16_t>(doAnimate | doRepeat)}) {
    SCOPED_TRACE(options);
    auto picture = Load(ThreeFrames(1, 1, 1, {1, 1, 1}, 0, 0));
    picture->PaintOptions = options;
    picture->SpeedPercent = 1000;
    int drawn = 0;
    picture->OnFrameDrawn = [&](TGIFPainter&) {
      ++drawn;
      throw std::runtime_error("handler failed");
    };
    Surface s(4, 2);
    if (options & doThreaded) {
      picture->Draw(s.bitmap.Canvas(), RECT{0, 0, 4, 2});
      // Reported on the GUI thread, where no application is here to show it.
      EXPECT_TRUE(PumpUntil([&] { return picture->PainterList().empty(); }));
    } else {
      EXPECT_THROW(picture->Draw(s.bitmap.Canvas(), RECT{0, 0, 4, 2}), std::runtime_error);
      EXPECT_TRUE(picture->PainterList().empty());
      EXPECT_EQ(picture->ActivePainter(), nullptr);
    }
    EXPECT_EQ(drawn, 1);
  }
}

TEST(GIFPainter, AStepQueuedBeforeTheRenderBitmapGoesDrawsNothing) {
  auto picture = Load(ThreeFrames(1, 1, 1, {1, 1, 1}, 0, 0));
  picture->SpeedPercent = 1000;
  int drawn = 0;
  picture->OnFrameDrawing = [&](TGIFPainter&) { ++drawn; };
  Surface s(4, 2);
  picture->Draw(s.bitmap.Canvas(), RECT{0, 0, 4, 2});
  // What is already posted, then without dispatching until the painter has queued its next step.
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!(GetQueueStatus(QS_POSTMESSAGE) & (QS_POSTMESSAGE << 16)) && std::chrono::steady_clock::now() < end)
    Sleep(1);
  const int before = drawn;
  int changes = 0;
  picture->OnChange = [&] { ++changes; };
  picture->DiscardBitmap();
  EXPECT_TRUE(PumpUntil([&] { return picture->PainterList().empty(); }));
  EXPECT_EQ(changes, 0);
  EXPECT_EQ(drawn, before);
  EXPECT_EQ(picture->RenderBitmap(), nullptr);
}

TEST(GIFPainter, PaintedFramesReachThePictureHolder) {
  TGIFPictureRegistration registration;
  win::TPicture holder;
  MemoryStream bytes(ThreeFrames(1, 1, 1, {1, 1, 1}, 0, 0));
  holder.LoadFromStream(bytes, "gif");
  int changes = 0;
  holder.OnChange = [&] { ++changes; };
  Surface s(4, 2);
  holder.Graphic()->Draw(s.bitmap.Canvas().Handle(), RECT{0, 0, 4, 2});
  EXPECT_TRUE(PumpUntil([&] { return changes >= 10; }));
  holder.Clear();
}

// Draws its picture when painted; closing the window frees the picture.
TGIFPicture* windowPicture = nullptr;

LRESULT CALLBACK PictureWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
  case WM_PAINT: {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    RECT r;
    GetClientRect(hwnd, &r);
    if (windowPicture) windowPicture->Draw(dc, r);
    EndPaint(hwnd, &ps);
    return 0;
  }
  case WM_DESTROY:
    delete windowPicture;
    windowPicture = nullptr;
    return 0;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

class PainterEnds : public ::testing::Test {
protected:
  void SetUp() override { Baseline(); }
  // What is there before the animation; a test takes it again after making its surface.
  void Baseline() {
    threads_ = ThreadCount();
    gdi_ = GdiCount();
  }
  // The painters' threads and GDI objects are gone again (Wine's own threads may come and go).
  void ExpectAllReleased() {
    EXPECT_TRUE(PumpUntil([&] { return ThreadCount() <= threads_; })) << ThreadCount() << " threads, " << threads_ << " before";
    ExpectGdiReleased();
  }
  void ExpectGdiReleased(std::chrono::seconds limit = std::chrono::seconds(20)) {
    EXPECT_TRUE(PumpUntil([&] { return GdiCount() == gdi_; }, limit)) << GdiCount() << " GDI objects, " << gdi_ << " before";
  }
  static std::unique_ptr<TGIFPicture> Endless(int& drawn) {
    auto picture = Load(ThreeFrames(1, 2, 1, {1, 1, 1}, 0, 0));
    picture->SpeedPercent = 1000;
    picture->OnFrameDrawn = [&drawn](TGIFPainter&) { ++drawn; };
    return picture;
  }
  int threads_ = 0, gdi_ = 0;
};

TEST_F(PainterEnds, WhenTheWindowShowingTheAnimationCloses) {
  const wchar_t* name = win::RegisterWindowClassOnce(L"QtPainterTestWindow", PictureWindowProc);
  int drawn = 0;
  windowPicture = Endless(drawn).release();
  HWND w = CreateWindowExW(0, name, L"painter", WS_POPUP | WS_VISIBLE, 0, 0, 40, 20, nullptr, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
  ASSERT_TRUE(w);
  UpdateWindow(w);
  ASSERT_TRUE(PumpUntil([&] { return drawn >= 5; }));
  EXPECT_EQ(windowPicture->PainterList().size(), 1u);
  PostMessageW(w, WM_CLOSE, 0, 0);
  ASSERT_TRUE(PumpUntil([&] { return !IsWindow(w); }));
  EXPECT_EQ(windowPicture, nullptr);
  ExpectAllReleased();
}

TEST_F(PainterEnds, WhenThePictureIsDrawnOnAnotherRectangle) {
  int drawn = 0;
  auto picture = Endless(drawn);
  picture->PaintOptions |= doDirectPaint;
  Surface s(20, 10);
  Baseline();
  picture->Draw(s.bitmap.Canvas(), RECT{0, 0, 4, 2});
  ASSERT_TRUE(PumpUntil([&] { return drawn >= 3; }));
  // The same place again changes nothing; another one replaces the painter.
  TGIFPainter* first = picture->ActivePainter();
  picture->Draw(s.bitmap.Canvas(), RECT{0, 0, 4, 2});
  EXPECT_EQ(picture->ActivePainter(), first);
  picture->Draw(s.bitmap.Canvas(), RECT{10, 5, 18, 9});
  ASSERT_EQ(picture->PainterList().size(), 1u);
  const RECT second{10, 5, 18, 9};
  EXPECT_TRUE(EqualRect(&picture->PainterList()[0]->PaintRect(), &second));
  const int before = drawn;
  ASSERT_TRUE(PumpUntil([&] { return drawn >= before + 3; }));
  picture.reset();
  ExpectAllReleased();
}

TEST_F(PainterEnds, WhenThePictureGoesWhileThePainterWaitsEndlessly) {
  int drawn = 0;
  auto picture = Endless(drawn);
  picture->SpeedPercent = 0; // the first frame, then a wait until stopped
  Surface s(4, 2);
  Baseline();
  picture->Draw(s.bitmap.Canvas(), RECT{0, 0, 4, 2});
  EXPECT_EQ(Letters(s, 4, 2), "GGGGGGGG");
  ASSERT_TRUE(PumpUntil([&] { return drawn == 1; }));
  EXPECT_EQ(picture->PainterList().size(), 1u);
  picture.reset();
  ExpectAllReleased();
}

TEST_F(PainterEnds, WhenAPainterThatNeverStartedIsAskedToStop) {
  int drawn = 0;
  auto picture = Endless(drawn);
  Surface s(4, 2);
  Baseline();
  TGIFPainter* painter = picture->StartPainter(nullptr, s.bitmap.Canvas(), picture->PaintOptions, RECT{0, 0, 4, 2});
  ASSERT_NE(painter, nullptr);
  EXPECT_TRUE(painter->Suspended());
  painter->RequestStop();
  ASSERT_TRUE(PumpUntil([&] { return picture->PainterList().empty(); }));
  EXPECT_EQ(drawn, 0);
  picture.reset();
  ExpectAllReleased();
}

TEST_F(PainterEnds, TheCheckFindsAGdiObjectLeftBehind) {
  const win::UniqueBitmap leaked(CreateBitmap(1, 1, 1, 1, nullptr));
  ASSERT_TRUE(leaked);
  EXPECT_NONFATAL_FAILURE(ExpectGdiReleased(std::chrono::seconds(1)), "1 GDI objects, 0 before");
}

TEST_F(PainterEnds, AfterTwentyStartsAndStops) {
  {
    // Whatever the first animation makes once for the process.
    int drawn = 0;
    auto warm = Endless(drawn);
    Surface s(4, 2);
    warm->Draw(s.bitmap.Canvas(), RECT{0, 0, 4, 2});
  }
  Baseline();
  for (int i = 0; i < 20; ++i) {
    int drawn = 0;
    auto picture = Endless(drawn);
    Surface s(8, 4);
    picture->Draw(s.bitmap.Canvas(), RECT{0, 0, 8, 4});
    ASSERT_TRUE(PumpUntil([&] { return drawn >= 2; }));
    picture.reset();
  }
  ExpectAllReleased();
}

} // namespace
} // namespace qt
