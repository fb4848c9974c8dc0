#include "gif/color/lookup.hpp"

#include <gtest/gtest.h>

#include <array>

namespace qt {
namespace {

struct LookupCase {
  int red, green, blue;
  int index;
  int r, g, b; // the colour reported
};

void ExpectAnswers(TColorLookup& lookup, std::initializer_list<LookupCase> cases) {
  for (const LookupCase& c : cases) {
    std::uint8_t r = 1, g = 1, b = 1;
    const int index = lookup.NearestIndex(static_cast<std::uint8_t>(c.red), static_cast<std::uint8_t>(c.green),
                                          static_cast<std::uint8_t>(c.blue), r, g, b);
    EXPECT_EQ(index, c.index) << c.red << ", " << c.green << ", " << c.blue;
    EXPECT_EQ((std::array<int, 3>{r, g, b}), (std::array<int, 3>{c.r, c.g, c.b}))
        << c.red << ", " << c.green << ", " << c.blue;
  }
}

TEST(ColorLookupTest, CubeTakesEachChannelPlusThreeDivFiftyOne) {
  TNetscapeColorLookup cube;
  EXPECT_EQ(cube.PaletteSize(), 216);
  ExpectAnswers(cube, {
                          {0, 0, 0, 0, 0, 0, 0},
                          {255, 255, 255, 215, 255, 255, 255},
                          {47, 47, 47, 0, 0, 0, 0},       // below the first step
                          {48, 48, 48, 43, 51, 51, 51},   // 48 + 3 = 51: level 1
                          {252, 0, 0, 180, 255, 0, 0},    // 252 and 255 both level 5
                          {0, 252, 0, 30, 0, 255, 0},
                          {0, 0, 255, 5, 0, 0, 255},
                          {48, 100, 204, 52, 51, 102, 204}, // 36 x 1 + 6 x 2 + 4
                          {127, 128, 25, 84, 102, 102, 0},  // the grey mid-point: 130 and 131 div 51 are both 2
                      });
}

TEST(ColorLookupTest, CubeAnswersEveryCubeColourWithItsOwnEntry) {
  TNetscapeColorLookup cube;
  for (int i = 0; i < 6; ++i)
    for (int j = 0; j < 6; ++j)
      for (int k = 0; k < 6; ++k)
        ExpectAnswers(cube, {{51 * i, 51 * j, 51 * k, 36 * i + 6 * j + k, 51 * i, 51 * j, 51 * k}});
}

TEST(ColorLookupTest, GreyIsTheWeightedSumShiftedDown) {
  TGrayScaleLookup grey;
  EXPECT_EQ(grey.PaletteSize(), 256);
  ExpectAnswers(grey, {
                          {255, 255, 255, 255, 255, 255, 255},
                          {255, 0, 0, 76, 76, 76, 76},    // 77 x 255 = 19635
                          {0, 255, 0, 149, 149, 149, 149}, // 150 x 255 = 38250
                          {0, 0, 255, 28, 28, 28, 28},    // 29 x 255 = 7395
                          {10, 20, 30, 18, 18, 18, 18},   // 770 + 3000 + 870 = 4640
                      });
  for (int i = 0; i < 256; ++i)
    ExpectAnswers(grey, {{i, i, i, i, i, i, i}});
}

TEST(ColorLookupTest, MonochromeIsWhiteAboveHalfTheWeightedRange) {
  TMonochromeLookup mono;
  EXPECT_EQ(mono.PaletteSize(), 2);
  ExpectAnswers(mono, {
                          {0, 0, 0, 0, 0, 0, 0},
                          {127, 127, 127, 0, 0, 0, 0},       // exactly 32512
                          {0, 169, 247, 1, 255, 255, 255},   // 32513
                          {128, 128, 128, 1, 255, 255, 255},
                          {255, 255, 255, 1, 255, 255, 255}, // 65280
                          {255, 0, 255, 0, 0, 0, 0},         // 19635 + 7395
                      });
}

} // namespace
} // namespace qt
