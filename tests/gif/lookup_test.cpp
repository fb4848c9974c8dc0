#include "gif/color_lookup.hpp"
#include "gif/dib_layout.hpp"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <vector>

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

TEST(DIBLayoutTest, RowsArePaddedToThirtyTwoBitsInSixtyFourBitArithmetic) {
  struct Case {
    std::int64_t width;
    int bits;
    std::uint64_t stride;
  } const cases[] = {
      {1, 24, 4}, {5, 8, 8}, {3, 8, 4}, {10, 1, 4}, {5, 24, 16}, {0, 8, 0}, {-3, 8, 0}, {4, 8, 4},
      {9, 4, 8},  {2, 32, 8},
      {2147483647, 24, 6442450944}, // beyond 32 bits: no wrap
  };
  for (const Case& c : cases)
    EXPECT_EQ(DIBRowStride(c.width, c.bits), c.stride) << c.width << " x " << c.bits;
}

std::uint32_t U32(const std::string& bytes, std::size_t at) {
  std::uint32_t v;
  std::memcpy(&v, bytes.data() + at, 4);
  return v;
}

TEST(DIBLayoutTest, EightBitInfoHoldsThePaletteAsQuadsThenBlack) {
  const TPaletteEntry entries[] = {{10, 20, 30, 4}, {255, 0, 1, 0}};
  const std::string info = MakeDIBInfo(5, 3, 8, entries);
  ASSERT_EQ(info.size(), 1064u);
  EXPECT_EQ(U32(info, 0), 40u);
  EXPECT_EQ(U32(info, 4), 5u);
  EXPECT_EQ(U32(info, 8), 3u); // positive: bottom-up
  EXPECT_EQ(U32(info, 12), 1u | 8u << 16); // planes, bits
  for (std::size_t at : {16, 20, 24, 28})
    EXPECT_EQ(U32(info, at), 0u) << at;
  EXPECT_EQ(U32(info, 32), 256u); // colours used
  EXPECT_EQ(U32(info, 36), 2u);   // colours important
  EXPECT_EQ(info.substr(40, 8), std::string("\x1E\x14\x0A\x00\x01\x00\xFF\x00", 8));
  EXPECT_EQ(info.substr(48), std::string(1016, '\0'));
}

TEST(DIBLayoutTest, InfoWithoutPaletteOrAtTwentyFourBits) {
  const std::string none = MakeDIBInfo(1, 1, 8, {});
  ASSERT_EQ(none.size(), 1064u);
  EXPECT_EQ(U32(none, 36), 0u);
  EXPECT_EQ(none.substr(40), std::string(1024, '\0'));

  const TPaletteEntry one[] = {{1, 2, 3, 0}};
  const std::string rgb = MakeDIBInfo(7, 2, 24, one);
  ASSERT_EQ(rgb.size(), 40u);
  EXPECT_EQ(U32(rgb, 12), 1u | 24u << 16);
  EXPECT_EQ(U32(rgb, 32), 0u);
  EXPECT_EQ(U32(rgb, 36), 0u);
}

TEST(DIBLayoutTest, OnlyTheFirst256EntriesReachTheTable) {
  std::vector<TPaletteEntry> entries(300);
  for (std::size_t i = 0; i < entries.size(); ++i)
    entries[i] = {static_cast<std::uint8_t>(i), 0, 0, 0};
  const std::string info = MakeDIBInfo(1, 1, 8, entries);
  ASSERT_EQ(info.size(), 1064u);
  EXPECT_EQ(U32(info, 36), 256u);
  EXPECT_EQ(static_cast<std::uint8_t>(info[40 + 4 * 255 + 2]), 255); // red of entry 255
}

TEST(DIBLayoutTest, FileHeaderAndItsThirtyTwoBitLimit) {
  EXPECT_EQ(MakeBMPFileHeader(1064, 24),
            std::string("BM\x4E\x04\x00\x00\x00\x00\x00\x00\x36\x04\x00\x00", 14)); // 1102 bytes, pixels at 1078
  EXPECT_TRUE(DIBFileFits(40, 0xFFFFFFFFull - 54));
  EXPECT_FALSE(DIBFileFits(40, 0xFFFFFFFFull - 53));
  EXPECT_FALSE(DIBFileFits(1064, DIBRowStride(2147483647, 24) * 2147483647));
}

} // namespace
} // namespace qt
