#include "gif/codec/error.hpp"
#include "gif/codec/util.hpp"

#include <gtest/gtest.h>

namespace qt {
namespace {

TEST(GIFUtil, RowSizesAndBitCounts) {
  struct Row { std::uint64_t pixels; int bits, alignment; std::uint64_t bytes; };
  for (Row r : {Row{3, 8, 32, 4}, {10, 1, 32, 4}, {5, 24, 32, 16}, {0, 8, 32, 0},
                {65535, 24, 32, 196608}})
    EXPECT_EQ(ScanlineBytes(r.pixels, r.bits, r.alignment), r.bytes) << r.pixels << " " << r.bits;
  struct Bits { int colors, bits; };
  for (Bits b : {Bits{0, 0}, {1, 1}, {2, 1}, {3, 2}, {4, 2}, {5, 3}, {8, 3}, {129, 8}, {256, 8},
                 {257, 9}})
    EXPECT_EQ(BitsForColors(b.colors), b.bits) << b.colors;
}

TEST(GIFUtil, StringsAsSubBlocks) {
  MemoryStream s;
  WriteStringBlocks(s, {std::string(300, 'x')});
  EXPECT_EQ(s.Bytes(), "\xFF" + std::string(255, 'x') + "\x2D" + std::string(45, 'x') +
                           std::string(1, '\0'));
  s.SetPosition(0);
  EXPECT_EQ(ReadStringBlocks(s), (std::vector<std::string>{std::string(255, 'x'),
                                                            std::string(45, 'x')}));

  MemoryStream empty;
  WriteStringBlocks(empty, {""});
  EXPECT_EQ(empty.Bytes(), std::string(1, '\0'));
  empty.SetPosition(0);
  EXPECT_TRUE(ReadStringBlocks(empty).empty());

  MemoryStream zero(std::string("\x04" "AB\0C", 5) + std::string(1, '\0'));
  EXPECT_EQ(ReadStringBlocks(zero), std::vector<std::string>{"AB"});

  // A stream that ends inside a sub-block is short data; one that ends before a length stops.
  MemoryStream cut("\x05" "AB");
  EXPECT_THROW(ReadStringBlocks(cut), GIFException);
  MemoryStream ended("\x02" "AB");
  EXPECT_EQ(ReadStringBlocks(ended), std::vector<std::string>{"AB"});
}

TEST(GIFUtil, ExactReadsAndTheCube) {
  MemoryStream s("ab");
  char buffer[3];
  try {
    ReadExact(s, buffer, 3);
    FAIL();
  } catch (const EInvalidGraphic& e) {
    EXPECT_STREQ(e.what(), "Premature end of data");
  }
  EXPECT_EQ(ReadByte(s), 0);  // at the end

  const auto cube = CubePaletteColors();
  EXPECT_EQ(cube[0], (RGBTriple{0, 0, 0}));
  EXPECT_EQ(cube[215], (RGBTriple{255, 255, 255}));
  EXPECT_EQ(cube[36 * 1 + 6 * 2 + 3], (RGBTriple{51, 102, 153}));
}

} // namespace
} // namespace qt
