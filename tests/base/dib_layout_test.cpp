#include "base/dib_layout.hpp"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <vector>

namespace qt {
namespace {

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
  const std::string mono = MakeDIBInfo(9, 1, 1, one);
  ASSERT_EQ(mono.size(), 48u); // two quads at 1 bit
  EXPECT_EQ(U32(mono, 32), 2u);
  EXPECT_EQ(U32(mono, 36), 1u);
  EXPECT_EQ(mono.substr(40), std::string("\x03\x02\x01\x00\x00\x00\x00\x00", 8));

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

// A BMP file as the writer makes it, for the reader's cases.
std::string File(std::int32_t width, std::int32_t height, int bits, std::span<const TPaletteEntry> entries) {
  const std::string info = MakeDIBInfo(width, height, bits, entries);
  const std::uint64_t pixels = DIBRowStride(width, bits) * static_cast<std::uint64_t>(height < 0 ? -height : height);
  return MakeBMPFileHeader(info.size(), pixels) + info + std::string(pixels, '\x5A');
}

void Poke32(std::string& s, std::size_t at, std::uint32_t v) { std::memcpy(&s[at], &v, 4); }

TEST(DIBLayoutTest, ReaderTakesWhatTheWriterWrites) {
  const TPaletteEntry entries[] = {{10, 20, 30, 4}, {1, 2, 3, 0}};
  const auto layout = ReadBMPLayout(File(5, 3, 8, entries));
  ASSERT_TRUE(layout);
  EXPECT_EQ(layout->width, 5);
  EXPECT_EQ(layout->height, 3);
  EXPECT_FALSE(layout->topDown);
  EXPECT_EQ(layout->bitsPerPixel, 8);
  EXPECT_EQ(layout->stride, 8u);
  EXPECT_EQ(layout->pixelOffset, 14u + 1064u);
  ASSERT_EQ(layout->colors.size(), 256u); // the whole table the file declares, flags 0
  EXPECT_EQ(layout->colors[0], (TPaletteEntry{10, 20, 30, 0}));
  EXPECT_EQ(layout->colors[2], (TPaletteEntry{0, 0, 0, 0}));

  const auto topDown = ReadBMPLayout(File(2, -4, 32, {}));
  ASSERT_TRUE(topDown);
  EXPECT_TRUE(topDown->topDown);
  EXPECT_EQ(topDown->height, 4);
  EXPECT_TRUE(topDown->colors.empty());
}

TEST(DIBLayoutTest, ReaderRefusesDamagedFiles) {
  const std::string good = File(3, 2, 4, {});
  struct Case {
    const char* what;
    std::function<void(std::string&)> damage;
  } const cases[] = {
      {"short", [](std::string& f) { f.resize(50); }},
      {"signature", [](std::string& f) { f[0] = 'X'; }},
      {"width 0", [](std::string& f) { Poke32(f, 18, 0); }},
      {"negative width", [](std::string& f) { Poke32(f, 18, 0xFFFFFFFF); }},
      {"height 0", [](std::string& f) { Poke32(f, 22, 0); }},
      {"16 bits", [](std::string& f) { f[28] = 16; }},
      {"compressed", [](std::string& f) { Poke32(f, 30, 1); }},
      {"more colours than the bits hold", [](std::string& f) { Poke32(f, 46, 17); }},
      {"rows past the end", [](std::string& f) { f.pop_back(); }},
      {"pixels past the end", [](std::string& f) { Poke32(f, 10, 0xFFFFFFF0); }},
      {"header past the end", [](std::string& f) { Poke32(f, 14, 0xFFFFFFF0); }},
      // 2^31 - 1 rows of 4 bytes: a product beyond 32 bits must not wrap into the file's size
      {"huge height", [](std::string& f) { Poke32(f, 22, 0x7FFFFFFF); }},
  };
  ASSERT_TRUE(ReadBMPLayout(good));
  for (const Case& c : cases) {
    std::string file = good;
    c.damage(file);
    EXPECT_FALSE(ReadBMPLayout(file)) << c.what;
  }
}

} // namespace
} // namespace qt
