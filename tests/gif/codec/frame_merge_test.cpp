// Trimming transparent borders and marking the pixels that repeat the frame before.
#include "gif/codec/GIFImage.hpp"
#include "tests/gif/codec/compose.hpp"
#include "tests/gif/codec/fixtures.hpp"

#include <gtest/gtest.h>

namespace qt {
namespace {

using test::BuildImage;
using test::FrameSpec;
using test::Pixels;

const std::vector<TColor> kGrey4{0x111111, 0x222222, 0x333333, 0x444444};

TEST(GIFFrameTrim, CutsTransparentBordersAndMovesTheFrame) {
  struct Case {
    const char* name;
    std::string pixels;  // 4 x 3 at (2, 1)
    int transparent;
    TGIFRect rect;
    std::string after;
  } cases[] = {
      {"border all round", std::string("\0\0\0\0\0\1\2\0\0\0\0\0", 12), 0, {3, 2, 5, 3}, std::string("\1\2", 2)},
      {"left column only", std::string("\2\1\1\1\2\1\1\1\2\1\1\1", 12), 2, {3, 1, 6, 4}, std::string(9, '\1')},
      {"bottom rows", std::string("\1\0\0\1\0\0\0\0\0\0\0\0", 12), 0, {2, 1, 6, 2}, std::string("\1\0\0\1", 4)},
      {"nothing to cut", std::string("\1\0\0\0\0\0\0\0\0\0\0\1", 12), 0, {2, 1, 6, 4},
       std::string("\1\0\0\0\0\0\0\0\0\0\0\1", 12)},
      {"opaque frame", std::string(12, '\0'), -1, {2, 1, 6, 4}, std::string(12, '\0')},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TGIFImage image;
    BuildImage(image, 8, 6, kGrey4, {{2, 1, 4, 3, c.pixels, c.transparent}});
    TGIFSubImage& frame = image.Images().Items(0);
    frame.TrimTransparentBorder();
    EXPECT_EQ(frame.FrameRect(), c.rect);
    EXPECT_EQ(Pixels(frame), c.after);
    EXPECT_EQ(frame.Transparent(), c.transparent >= 0);
    EXPECT_EQ(image.Width(), 8);
  }

  // At the far edge of the coordinates a frame moves no further than its position can say: it
  // does not wrap round to the left.
  {
    TGIFImage image;
    BuildImage(image, 8, 6, kGrey4, {{65530, 65532, 10, 4, std::string(38, '\0') + "\1\2", 0}});
    TGIFSubImage& frame = image.Images().Items(0);
    frame.TrimTransparentBorder();
    EXPECT_EQ(frame.FrameRect(), (TGIFRect{65535, 65535, 65540, 65536}));
    EXPECT_EQ(Pixels(frame), std::string("\0\0\0\1\2", 5));
  }

  // Transparent everywhere: nothing is left of the frame, its extensions neither.
  TGIFImage image;
  BuildImage(image, 8, 6, kGrey4, {{2, 1, 4, 3, std::string(12, '\3'), 3, 1, 7}});
  TGIFSubImage& frame = image.Images().Items(0);
  frame.Extensions().Add(std::make_unique<TGIFCommentExtension>(frame));
  frame.TrimTransparentBorder();
  EXPECT_TRUE(frame.IsEmptyFrame());
  EXPECT_EQ(frame.Extensions().Count(), 0);
  EXPECT_EQ(frame.GraphicControlExtension(), nullptr);
  EXPECT_FALSE(frame.Transparent());
}

TEST(GIFFrameMerge, RepeatedPixelsBecomeTransparent) {
  struct Case {
    const char* name;
    int previousDisposal;
    int previousTransparent;
    int left;                    // of this frame; the previous one is at 0
    FrameSpec frame;             // position taken from left
    int otherTransparent;        // a third frame on the global map with that index, or -1
    std::string after;
    int transparent;             // this frame's index afterwards, or -1
    int globalColors;
  };
  const std::string mine("\0\1\3\3", 4);  // same colour as the previous frame at 0, 1 and 3
  const Case cases[] = {
      {"previous clears", 2, -1, 0, {0, 0, 4, 1, mine}, -1, mine, -1, 4},
      {"previous restores", 3, -1, 0, {0, 0, 4, 1, mine}, -1, mine, -1, 4},
      {"previous disposal past 3", 4, -1, 0, {0, 0, 4, 1, mine}, -1, mine, -1, 4},
      {"black added to the global map", 1, -1, 0, {0, 0, 4, 1, mine}, -1, std::string("\4\4\3\4", 4), 4, 5},
      {"previous without control", -1, -1, 0, {0, 0, 4, 1, mine}, -1, std::string("\4\4\3\4", 4), 4, 5},
      {"another frame's index", 1, -1, 0, {0, 0, 4, 1, mine}, 2, std::string("\2\2\3\2", 4), 2, 4},
      {"another frame's index in use here", 1, -1, 0, {0, 0, 4, 1, mine}, 3, std::string("\4\4\3\4", 4), 4, 5},
      {"already transparent", 0, -1, 0, {0, 0, 4, 1, mine, 0}, -1, std::string("\0\0\3\0", 4), 0, 4},
      {"previous transparent there", 1, 1, 0, {0, 0, 4, 1, mine}, -1, std::string("\4\1\3\4", 4), 4, 5},
      // An index past the map cannot be saved in pixels; unless some already show through there.
      {"its index past the map", 1, -1, 0, {0, 0, 4, 1, mine, 6}, -1, std::string("\4\4\3\4", 4), 4, 5},
      {"its index past the map in use", 1, -1, 0, {0, 0, 4, 1, std::string("\0\6\3\3", 4), 6}, -1,
       std::string("\6\6\3\6", 4), 6, 4},
      // The same colours at other indices of its own map.
      {"local map", 1, -1, 0, {0, 0, 4, 1, std::string("\3\2\0\0", 4), -1, -1, 0, {0x444444, 0x333333, 0x222222, 0x111111}},
       -1, std::string("\4\4\0\4", 4), 4, 4},
      {"overlap only", 1, -1, 2, {0, 0, 4, 1, std::string("\2\3\3\3", 4)}, -1, std::string("\4\4\3\3", 4), 4, 5},
      {"no overlap", 1, -1, 4, {0, 0, 4, 1, std::string("\2\3\3\3", 4)}, -1, std::string("\2\3\3\3", 4), -1, 4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FrameSpec frame = c.frame;
    frame.left = c.left;
    std::vector<FrameSpec> specs{{0, 0, 4, 1, std::string("\0\1\2\3", 4), c.previousTransparent, c.previousDisposal}, frame};
    if (c.otherTransparent >= 0) specs.push_back({0, 0, 1, 1, std::string(1, '\0'), c.otherTransparent});
    TGIFImage image;
    BuildImage(image, 8, 1, kGrey4, specs);
    TGIFSubImage& previous = image.Images().Items(0);
    TGIFSubImage& merged = image.Images().Items(1);
    // The control's setter refuses an index past the map; a file can still name one.
    if (c.frame.transparent >= static_cast<int>(kGrey4.size()))
      merged.GraphicControlExtension()->ControlBlock[4] = static_cast<std::uint8_t>(c.frame.transparent);
    merged.MarkUnchangedPixels(&previous);
    EXPECT_EQ(Pixels(merged), c.after);
    EXPECT_EQ(Pixels(previous), std::string("\0\1\2\3", 4));
    EXPECT_EQ(merged.Transparent(), c.transparent >= 0);
    if (c.transparent >= 0) {
      ASSERT_NE(merged.GraphicControlExtension(), nullptr);
      EXPECT_EQ(merged.GraphicControlExtension()->TransparentColorIndex(), c.transparent);
    } else {
      EXPECT_EQ(merged.GraphicControlExtension(), nullptr);
    }
    EXPECT_EQ(image.Header().ColorMap().ColorCount(), c.globalColors);
    const int local = static_cast<int>(c.frame.local.size());
    EXPECT_EQ(merged.ColorMap().ColorCount(), local > 0 && c.transparent >= 0 ? local + 1 : local);
    if (c.globalColors > 4 || merged.ColorMap().ColorCount() > local) {
      EXPECT_EQ(merged.EffectiveColorMap().Colors(c.transparent), 0u);
    }
  }
}

TEST(GIFFrameMerge, RoomForATransparentColour) {
  struct Case {
    int local, global;
    bool can;
  } cases[] = {{3, 0, true}, {255, 256, true}, {256, 0, false}, {0, 0, false}, {0, 1, true}, {0, 255, true}, {0, 256, false}};
  for (const Case& c : cases) {
    TGIFImage image;
    for (int i = 0; i < c.global; ++i) image.Header().ColorMap().Add(static_cast<TColor>(i));
    TGIFSubImage& frame = test::AddFrame(image, 1, 1, std::string(1, '\0'), c.local);
    EXPECT_EQ(frame.CanAddColor(), c.can) << c.local << " " << c.global;
  }
}

} // namespace
} // namespace qt
