// Optimising a picture that is playing: its painters stop, its frames are drawn from renders made
// anew, and it plays the same pictures afterwards.
#include "gif/picture/painter.hpp"
#include "gif/codec/optimize.hpp"

#include "tests/gif/picture/fixtures.hpp"
#include "tests/win/pump.hpp"

#include <gtest/gtest.h>

#include <stdexcept>
#include <utility>
#include <vector>

namespace qt {
namespace {

using win::testing::PumpUntil;

constexpr COLORREF kG = RGB(0, 255, 0), kB = RGB(0, 0, 255), kW = RGB(255, 255, 255);

// Green, then its left half blue twice, then a white pixel as well: all drawn on the whole screen.
// Sorting the colours by use puts green first.
std::string Repeating() {
  const std::string left("\0\0\1\1\0\0\1\1", 8);
  std::string white = left;
  white[3] = 2;
  return MakeGif(4, 2, {kB, kG, kW, RGB(1, 2, 3)},
                 {{0, 0, 4, 2, {}, std::string(8, '\1'), -1, 1, 2, 0},
                  {0, 0, 4, 2, {}, left, -1, 1, 2},
                  {0, 0, 4, 2, {}, left, -1, 1, 3},
                  {0, 0, 4, 2, {}, white, -1, 1, 2}});
}

// What a synchronous pass shows, frame after frame; equal pictures in a row make one, for the
// sum of their delays.
std::vector<std::pair<std::vector<COLORREF>, int>> Shown(TGIFPicture& picture) {
  const std::uint16_t options = picture.PaintOptions;
  picture.PaintOptions = doAnimate | doDirectPaint | doTransparent;
  picture.SpeedPercent = 10000;
  Surface s(4, 2);
  std::vector<std::pair<std::vector<COLORREF>, int>> shown;
  picture.OnFrameDrawn = [&](TGIFPainter& painter) {
    std::vector<COLORREF> pixels;
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < 4; ++x) pixels.push_back(s.At(x, y));
    const TGIFGraphicControlExtension* gce = picture.Image().Images().Items(painter.FrameIndex).GraphicControlExtension();
    const int delay = gce ? gce->DelayTime() : 0;
    if (!shown.empty() && shown.back().first == pixels)
      shown.back().second += delay;
    else
      shown.emplace_back(pixels, delay);
  };
  picture.Draw(s.bitmap.Canvas(), RECT{0, 0, 4, 2});
  picture.OnFrameDrawn = nullptr;
  picture.PaintOptions = options;
  picture.SpeedPercent = 100;
  return shown;
}

void ExpectRendersOfTheFrames(TGIFPicture& picture) {
  for (int i = 0; i < picture.FrameCount(); ++i) EXPECT_EQ(&picture.Frame(i).Frame(), &picture.Image().Images().Items(i)) << i;
  EXPECT_THROW(picture.Frame(picture.FrameCount()), std::out_of_range);
}

TEST(GIFPictureOptimize, APlayingAnimationStopsAndPlaysTheSameAfterwards) {
  auto picture = Load(Repeating());
  const auto before = Shown(*picture);
  ASSERT_EQ(before.size(), 3u);

  int drawn = 0, changes = 0;
  picture->OnFrameDrawn = [&drawn](TGIFPainter&) { ++drawn; };
  picture->PaintOptions |= doRepeatForever;
  Surface s(8, 4);
  picture->Draw(s.bitmap.Canvas(), RECT{0, 0, 8, 4});
  ASSERT_TRUE(PumpUntil([&] { return drawn >= 6; }));
  ASSERT_EQ(picture->PainterList().size(), 1u);
  ASSERT_NE(picture->RenderBitmap(), nullptr);

  picture->OnChange = [&changes] { ++changes; };
  picture->OptimizeGIF(0x1F, 0, 0, 8);
  EXPECT_TRUE(picture->PainterList().empty());
  EXPECT_EQ(picture->RenderBitmap(), nullptr);
  EXPECT_GE(changes, 1);
  // The repeated frame is gone; its time is the frame's before it.
  EXPECT_EQ(picture->FrameCount(), 3);
  ExpectRendersOfTheFrames(*picture);

  // It plays again, threaded, and shows what it showed before.
  drawn = 0;
  picture->Draw(s.bitmap.Canvas(), RECT{0, 0, 8, 4});
  ASSERT_TRUE(PumpUntil([&] { return drawn >= 6; }));
  picture->StopPainters();
  picture->OnFrameDrawn = nullptr;
  EXPECT_EQ(Shown(*picture), before);
}

TEST(GIFPictureOptimize, AFailureLeavesRendersOfTheFramesThereAre) {
  auto picture = Load(Repeating());
  const auto before = Shown(*picture);
  // Refused after the merge and crop have done their work.
  EXPECT_THROW(picture->OptimizeGIF(opReduce | opMerge | opCrop, 9, 0, 8), GIFException);
  EXPECT_EQ(picture->FrameCount(), 3);
  ExpectRendersOfTheFrames(*picture);
  EXPECT_EQ(Shown(*picture), before);
}

TEST(GIFPictureOptimize, AnEmptyPictureIsLeftAlone) {
  TGIFPicture picture;
  int changes = 0;
  picture.OnChange = [&changes] { ++changes; };
  picture.OptimizeGIF(0x1F, 9, 0, 8);
  EXPECT_EQ(changes, 0);
  EXPECT_TRUE(picture.Empty());
}

} // namespace
} // namespace qt
