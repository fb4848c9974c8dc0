#include "panels/gradient.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace qt {
namespace {

constexpr TColor Gray(int level) { return RgbColor(level, level, level); }

TEST(ColorRamp, TruncatesTheExactSumForTheDoubleStep) {
  struct Case {
    int from, to, i, channel;
  };
  const Case cases[] = {
      {0, 255, 0, 0}, {0, 255, 1, 2},      {0, 255, 99, 252}, {255, 0, 1, 252}, {255, 0, 99, 2},
      {0, 6, 50, 2},  {200, 206, 50, 202}, {0, 6, 99, 5},     {9, 9, 42, 9},    {100, 0, 50, 50},
  };
  for (const Case& c : cases) {
    // Each channel on its own, so a mixed-up channel shows too.
    EXPECT_EQ(BuildColorRamp(RgbColor(c.from, 0, 0), RgbColor(c.to, 0, 0))[c.i],
              RgbColor(c.channel, 0, 0))
        << c.from << " to " << c.to << " at " << c.i;
    EXPECT_EQ(BuildColorRamp(RgbColor(0, c.from, 0), RgbColor(0, c.to, 0))[c.i],
              RgbColor(0, c.channel, 0));
    EXPECT_EQ(BuildColorRamp(RgbColor(0, 0, c.from), RgbColor(0, 0, c.to))[c.i],
              RgbColor(0, 0, c.channel));
  }
}

TEST(ColorRamp, BlackToWhiteNeverReachesWhite) {
  const ColorRamp ramp = BuildColorRamp(Gray(0), Gray(255));
  EXPECT_EQ(ramp.front(), Gray(0));
  EXPECT_EQ(ramp[1], Gray(2));
  EXPECT_EQ(ramp.back(), Gray(252));
  EXPECT_TRUE(std::is_sorted(ramp.begin(), ramp.end()));
  EXPECT_TRUE(std::none_of(ramp.begin(), ramp.end(), [](TColor c) { return c == Gray(255); }));
}

TEST(ColorRamp, SystemColourConstantsUseOnlyTheirLowBytes) {
  const ColorRamp ramp = BuildColorRamp(0x8000000F, 0xFF000073);
  EXPECT_EQ(ramp.front(), RgbColor(15, 0, 0));
  EXPECT_EQ(ramp[50], RgbColor(65, 0, 0));
}

// Paints the fills into a pixel grid the way FillRect would and fails on any pixel that is
// painted twice, left unpainted, or lies outside the panel.
std::vector<std::vector<TColor>> Rasterise(const std::vector<ColorFill>& fills, int width,
                                           int height) {
  std::vector<std::vector<int>> hits(height, std::vector<int>(width));
  std::vector<std::vector<TColor>> pixels(height, std::vector<TColor>(width));
  for (const ColorFill& f : fills) {
    EXPECT_TRUE(f.rect.left >= 0 && f.rect.top >= 0 && f.rect.right <= width &&
                f.rect.bottom <= height);
    for (int y = std::max(f.rect.top, 0); y < std::min(f.rect.bottom, height); ++y)
      for (int x = std::max(f.rect.left, 0); x < std::min(f.rect.right, width); ++x) {
        ++hits[y][x];
        pixels[y][x] = f.color;
      }
  }
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      EXPECT_EQ(hits[y][x], 1) << "pixel " << x << ',' << y;
  return pixels;
}

struct LayoutCase {
  TDirection direction;
  bool alongRows; // the colour changes from row to row (bands), else column to column
  int levels[6];  // grey level at positions 0, 1, 49, 50, 98, 99 along that axis
};

// Start black, end grey 100: on a 100 x 100 panel each band or strip is one pixel and shows
// ramp entry e as grey e - 1 (reversed ramps as 101 - e).
const LayoutCase kLayouts[] = {
    {bdUp, true, {0, 1, 49, 50, 98, 99}},    {bdDown, true, {100, 99, 51, 50, 2, 1}},
    {bdLeft, false, {0, 1, 49, 50, 98, 99}}, {bdRight, false, {100, 99, 51, 50, 2, 1}},
    {bdHorzIn, true, {1, 3, 99, 98, 2, 0}},  {bdHorzOut, true, {99, 97, 1, 2, 98, 100}},
    {bdVertIn, false, {1, 3, 99, 98, 2, 0}}, {bdVertOut, false, {99, 97, 1, 2, 98, 100}},
};

void PrintTo(const LayoutCase& c, std::ostream* os) { *os << "direction " << int{c.direction}; }

class GradientLayout : public testing::TestWithParam<LayoutCase> {};

TEST_P(GradientLayout, ColoursAlongItsAxis) {
  const LayoutCase& c = GetParam();
  const auto pixels = Rasterise(GradientFills(c.direction, Gray(0), Gray(100), 100, 100), 100, 100);
  const int positions[] = {0, 1, 49, 50, 98, 99};
  for (int p = 0; p < 6; ++p)
    for (int across : {0, 99}) {
      const int at = positions[p];
      const TColor color = c.alongRows ? pixels[at][across] : pixels[across][at];
      EXPECT_EQ(color, Gray(c.levels[p])) << "position " << at << " across " << across;
    }
}

INSTANTIATE_TEST_SUITE_P(Directions, GradientLayout, testing::ValuesIn(kLayouts),
                         [](const auto& info) {
                           return "Direction" + std::to_string(int{info.param.direction});
                         });

TEST(GradientLayout, FlatIgnoresTheEndColour) {
  for (TColor end : {Gray(0), Gray(255), TColor{0x123456}})
    EXPECT_EQ(GradientFills(bdFlat, 0x808000, end, 30, 20),
              (std::vector<ColorFill>{{{0, 0, 30, 20}, 0x808000}}));
}

TEST(GradientLayout, SmallPanelsAreCoveredWithoutGaps) {
  const TDirection all[] = {bdFlat,   bdUp,      bdDown,   bdLeft,   bdRight,
                            bdHorzIn, bdHorzOut, bdVertIn, bdVertOut};
  for (TDirection direction : all)
    for (const auto& [width, height] : {std::pair{7, 3}, std::pair{3, 130}, std::pair{0, 0}}) {
      SCOPED_TRACE(testing::Message() << int{direction} << ' ' << width << 'x' << height);
      Rasterise(GradientFills(direction, Gray(0), Gray(100), width, height), width, height);
    }
}

TEST(GradientLayout, RowsOfAShortPanelShowTheBandsThatMulDivRoundsOnto) {
  const auto pixels = Rasterise(GradientFills(bdUp, Gray(0), Gray(100), 5, 3), 5, 3);
  EXPECT_EQ(pixels[0][0], Gray(16));
  EXPECT_EQ(pixels[1][0], Gray(49));
  EXPECT_EQ(pixels[2][0], Gray(83));
}

} // namespace
} // namespace qt
