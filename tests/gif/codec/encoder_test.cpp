#include "gif/codec/GIFImage.hpp"
#include "gif/codec/lzw.hpp"
#include "tests/gif/codec/fixtures.hpp"

#include <gtest/gtest.h>

#include <random>

namespace qt {
namespace {

using test::ReadCodes;

std::string Encode(TGIFEncoder&& encoder, const std::string& pixels, int depth, int width = -1,
                   int height = 1, bool interlaced = false, int limit = 256) {
  MemoryStream s;
  if (width < 0)
    width = static_cast<int>(pixels.size());
  encoder.EncodeFrame(s, depth, width, height, interlaced,
                      reinterpret_cast<const std::uint8_t*>(pixels.data()), limit);
  return s.Bytes();
}

std::vector<int> Range(int from, int to) {
  std::vector<int> v;
  for (int i = from; i <= to; ++i)
    v.push_back(i);
  return v;
}

TEST(GIFRunLengthEncoder, CodeSequences) {
  struct Case { const char* name; std::string pixels; int depth; std::vector<int> codes; };
  std::vector<int> hundred{256, 7};
  for (int c : Range(258, 269))
    hundred.push_back(c);
  hundred.insert(hundred.end(), {265, 257});
  const Case cases[] = {
      {"ten zeros", std::string(10, '\0'), 2, {4, 0, 6, 7, 8, 5}},
      {"runs with a clear", std::string("\x01\x01\x00\x00\x00\x00\x00\x03", 8), 2,
       {4, 1, 1, 4, 0, 6, 6, 3, 5}},
      {"hundred sevens", std::string(100, '\x07'), 8, hundred},
      {"one pixel", std::string(1, '\x02'), 2, {4, 2, 5}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ReadCodes(Encode(TRLEEncoder(), c.pixels, c.depth)), c.codes) << c.name;

  // Alternating pixels: plain codes, a clear after every 9.
  std::string alternating;
  for (int i = 0; i < 40; ++i)
    alternating.push_back(static_cast<char>(i % 2));
  const std::vector<int> codes = ReadCodes(Encode(TRLEEncoder(), alternating, 2));
  std::vector<int> expected;
  for (int i = 0; i < 40; ++i) {
    if (i % 9 == 0)
      expected.push_back(4);
    expected.push_back(i % 2);
  }
  expected.push_back(5);
  EXPECT_EQ(codes, expected);
}

TEST(GIFRunLengthEncoder, LongRunsStayInsideTheDecodersTable) {
  TGIFImage image;
  image.EncoderKind = 1;
  const int w = 3000, h = 3000;
  TGIFSubImage& frame = test::AddFrame(image, w, h, "", 4);
  std::fill_n(frame.Data(), 5, 2);  // then 8,999,995 pixels of 0
  const std::string file = test::SaveBytes(image);
  const std::size_t data = file.find(',') + 10;
  int next = 6;
  bool first = true;
  for (int code : ReadCodes(file.substr(data))) {
    if (code == 4) {
      next = 6;
      first = true;
    } else if (first) {
      first = false;
    } else {
      ++next;
      ASSERT_LE(next - 1, 4093);
    }
  }
  auto back = test::LoadBytes(file);
  EXPECT_EQ(test::Pixels(back->Images().Items(0)), test::Pixels(frame));
}

TEST(GIFLZWEncoder, SmallOutputs) {
  // Clear 4, pixel 0, end 5 in three-bit codes.
  EXPECT_EQ(Encode(TLZWEncoder(), std::string(1, '\0'), 2), std::string("\x02\x02\x44\x01\x00", 5));
  EXPECT_EQ(Encode(TRLEEncoder(), std::string(1, '\0'), 2), std::string("\x02\x02\x44\x01\x00", 5));
  // No pixels: the end code alone.
  EXPECT_EQ(Encode(TLZWEncoder(), "", 2, 0, 0), std::string("\x02\x01\x05\x00", 4));
  // Depth 1 codes with minimum code size 2.
  EXPECT_EQ(Encode(TLZWEncoder(), std::string(1, '\x01'), 1)[0], 2);

  // 300 bytes of codes: sub-blocks of 255 and 45. 200 distinct pairs of 8-bit pixels give
  // about 200 nine-bit codes.
  std::string pixels;
  std::mt19937 random(7);
  while (true) {
    pixels.push_back(static_cast<char>(random()));
    const std::string out = Encode(TLZWEncoder(), pixels, 8);
    if (out.size() == 1 + 1 + 255 + 1 + 45 + 1) {
      EXPECT_EQ(static_cast<unsigned char>(out[1]), 255);
      EXPECT_EQ(static_cast<unsigned char>(out[257]), 45);
      EXPECT_EQ(out.back(), '\0');
      break;
    }
    ASSERT_LT(out.size(), 304u);
  }
}

TEST(GIFLZWEncoder, FullTableClearsAtTwelveBits) {
  std::string pixels;
  std::mt19937 random(3);
  for (int i = 0; i < 20000; ++i)
    pixels.push_back(static_cast<char>(random() % 16));
  const std::vector<int> codes = ReadCodes(Encode(TLZWEncoder(), pixels, 4));
  // Codes 18..4094 are assigned, then a clear: 4077 codes after the first pixel code.
  ASSERT_GT(codes.size(), 4080u);
  EXPECT_EQ(codes[0], 16);
  EXPECT_EQ(codes[4079], 16);
  for (std::size_t i = 1; i < 4079; ++i)
    ASSERT_NE(codes[i], 16) << i;
}

TEST(GIFEncoders, InterlacedRowOrder) {
  // Rows of width 1 whose pixel is the row number; literal codes show the order.
  for (auto [height, order] : {std::pair{4, std::vector<int>{0, 2, 1, 3}}, {1, {0}}, {3, {0, 2, 1}},
                               {9, {0, 8, 4, 2, 6, 1, 3, 5, 7}}}) {
    std::string pixels;
    for (int r = 0; r < height; ++r)
      pixels.push_back(static_cast<char>(r));
    std::vector<int> expected{16};
    std::vector<int> rows = order;
    expected.insert(expected.end(), rows.begin(), rows.end());
    expected.push_back(17);
    EXPECT_EQ(ReadCodes(Encode(TRLEEncoder(), pixels, 4, 1, height, true)), expected) << height;
  }
}

TEST(GIFEncoders, PixelOutsideTheColourLimitStopsTheSave) {
  for (int kind : {0, 1}) {
    TGIFImage image;
    image.EncoderKind = static_cast<std::uint8_t>(kind);
    test::AddFrame(image, 4, 1, std::string("\x00\x01\x02\x01", 4), 2);
    MemoryStream s;
    try {
      image.SaveToStream(s);
      FAIL();
    } catch (const GIFException& e) {
      EXPECT_STREQ(e.what(), "Color not in color table");
    }
    // What was coded before the pixel is there, without the terminator.
    EXPECT_NE(s.Bytes().find(','), std::string::npos);
    EXPECT_NE(s.Bytes().back(), '\0');
  }
}

TEST(GIFEncoders, CodeSizeFollowsTheMaps) {
  struct Case { int global, local, other; int m; };
  for (Case c : {Case{0, 2, 0, 2}, {5, 0, 40, 6}, {0, 0, 0, 2}, {256, 0, 0, 8}, {4, 17, 0, 5}}) {
    TGIFImage image;
    for (int i = 0; i < c.global; ++i)
      image.Header().ColorMap().Add(static_cast<TColor>(i));
    test::AddFrame(image, 1, 1, std::string(1, '\0'), c.local);
    if (c.other)
      test::AddFrame(image, 1, 1, std::string(1, '\x01'), c.other);
    const std::string file = test::SaveBytes(image);
    std::size_t at = file.find(',', 13 + 3 * static_cast<std::size_t>(c.global ? 1 << BitsForColors(c.global) : 0)) + 10;
    if (c.local)
      at += 3u << BitsForColors(c.local);
    EXPECT_EQ(file[at], c.m) << c.global << " " << c.local;
  }
}

TEST(GIFEncoders, RandomImagesComeBackExactly) {
  std::mt19937 random(11);
  for (int kind : {0, 1})
    for (int depth = 1; depth <= 8; ++depth)
      for (bool interlaced : {false, true}) {
        const int w = 1 + static_cast<int>(random() % 70), h = 1 + static_cast<int>(random() % 40);
        TGIFImage image;
        image.EncoderKind = static_cast<std::uint8_t>(kind);
        std::string pixels(static_cast<std::size_t>(w * h), '\0');
        // Runs and noise, so both long strings and table turnover happen.
        for (std::size_t i = 0; i < pixels.size(); ++i)
          pixels[i] = static_cast<char>(random() % 3 == 0 ? random() % (1u << depth)
                                                          : i ? pixels[i - 1] : 0);
        TGIFSubImage& frame = test::AddFrame(image, w, h, pixels, 1 << depth);
        if (interlaced)
          frame.ImageDescriptor.PackedFields = 0x40;
        MemoryStream s;
        frame.ColorMap().Clear();
        for (int i = 0; i < (1 << depth); ++i)
          image.Header().ColorMap().Add(static_cast<TColor>(i));
        image.SaveToStream(s);
        auto back = test::LoadBytes(s.Bytes());
        ASSERT_EQ(back->Images().Count(), 1);
        EXPECT_EQ(test::Pixels(back->Images().Items(0)), pixels)
            << "kind " << kind << " depth " << depth << " interlaced " << interlaced;
        EXPECT_EQ(back->Images().Items(0).InterlaceFlag(), interlaced);
        back->EncoderKind = image.EncoderKind;
        EXPECT_TRUE(test::SaveBytes(*back) == s.Bytes());
      }
}

} // namespace
} // namespace qt

namespace qt {
namespace {

TEST(GIFLZWEncoder, FlatAndBusyStretchesComeBackExactly) {
  // Long flat rows (coded through the run cache) beside noisy ones, interlaced and not.
  std::mt19937 random(5);
  for (bool interlaced : {false, true}) {
    const int w = 700, h = 90;
    std::string pixels(static_cast<std::size_t>(w * h), '\0');
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        pixels[static_cast<std::size_t>(y * w + x)] =
            static_cast<char>(y % 6 == 0 ? random() % 256 : (x / 97 + y / 10) % 7);
    TGIFImage image;
    for (int i = 0; i < 256; ++i)
      image.Header().ColorMap().Add(static_cast<TColor>(i));
    TGIFSubImage& frame = test::AddFrame(image, w, h, pixels);
    if (interlaced)
      frame.ImageDescriptor.PackedFields = 0x40;
    auto back = test::LoadBytes(test::SaveBytes(image));
    EXPECT_TRUE(test::Pixels(back->Images().Items(0)) == pixels) << interlaced;
  }
}

} // namespace
} // namespace qt
