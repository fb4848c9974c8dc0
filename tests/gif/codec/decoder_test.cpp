#include "gif/codec/GIFImage.hpp"
#include "gif/codec/lzw.hpp"
#include "tests/gif/codec/fixtures.hpp"

#include <gtest/gtest.h>

namespace qt {
namespace {

using test::Descriptor;
using test::Header;
using test::LoadBytes;
using test::PackForDecoder;
using test::SubBlocks;
using test::Warnings;

const std::string kZero(1, '\0');

// A GIF of one frame of the given size whose image data is `data` (code size byte included).
std::string OneFrame(int width, int height, const std::string& data, std::uint8_t flags = 0,
                     const std::string& extensions = "") {
  // Without data the stream ends right after the descriptor.
  return Header(width, height, 4) + extensions + Descriptor(0, 0, width, height, flags) + data +
         (data.empty() ? "" : ";");
}

std::string Data(int m, const std::vector<int>& codes, std::size_t blockSize = 255) {
  return std::string(1, static_cast<char>(m)) + SubBlocks(PackForDecoder(codes, m), blockSize);
}

std::string Bytes(std::initializer_list<int> values) {
  std::string s;
  for (int v : values)
    s.push_back(static_cast<char>(v));
  return s;
}

TEST(GIFDecoder, CodeStreamCases) {
  struct Case {
    const char* name;
    int width, height;
    std::string data;
    std::string pixels;
    std::vector<std::string> warnings;
    std::string extensions = "";
  };
  const std::string transparent3("\x21\xF9\x04\x01\x00\x00\x03\x00", 8);
  const Case cases[] = {
      // clear, 1, 6 (the code being defined: 1 1), 0 (then 4-bit codes), end
      {"kwkwk", 4, 1, Data(2, {4, 1, 6, 0, 5}), Bytes({1, 1, 1, 0}), {}},
      {"no leading clear", 4, 1, Data(2, {1, 6, 0, 5}), Bytes({1, 1, 1, 0}), {}},
      {"clears in a row", 4, 1, Data(2, {4, 4, 4, 1, 6, 0, 5}), Bytes({1, 1, 1, 0}), {}},
      // 6 = 1 1, 7 = 1 1 1 (KwKwK again), 8 = 1 1 1 0 at 4 bits, then a clear back to 3 bits
      {"clear resets width", 9, 1, Data(2, {4, 1, 6, 7, 0, 4, 2, 6, 5}),
       Bytes({1, 1, 1, 1, 1, 1, 0, 2, 2}), {}},
      {"early end", 3, 2, Data(2, {4, 1, 5}), Bytes({1, 0, 0, 0, 0, 0}), {}},
      {"early end, transparent fill", 3, 1, Data(2, {4, 1, 5}), Bytes({1, 3, 3}), {}, transparent3},
      {"end right after a clear", 2, 1, Data(2, {4, 5}), Bytes({0, 0}), {}},
      // The padding bits of the last byte give two more pixels of 0.
      {"no end code", 8, 1, Data(2, {4, 1, 1}), Bytes({1, 1, 0, 0, 0, 0, 0, 0}),
       {"Decoder bit buffer under-run"}},
      {"whole frame without end code", 2, 1, Data(2, {4, 1, 1}), Bytes({1, 1}), {}},
      // The frame's last code ends its data: the code read after it finds none.
      {"whole frame ending its data without end code", 3, 1, Data(7, {128, 1, 2, 3}), Bytes({1, 2, 3}),
       {"Decoder bit buffer under-run"}},
      // 13 is defined only after 11 (= 13 0) is, and 14 (= 11 3) reads it from the table then:
      // 2 0 0 3, not the 0 0 0 3 that 11 and 3 once gave.
      {"string through a later entry", 13, 1, Data(3, {8, 1, 13, 0, 2, 11, 3, 14, 9}),
       Bytes({1, 1, 1, 0, 2, 0, 0, 0, 3, 2, 0, 0, 3}), {}},
      {"no code size", 2, 1, "", Bytes({0, 0}), {}},
      {"no code size, transparent", 2, 1, "", Bytes({3, 3}), {}, transparent3},
      // A code only half there at the end of the data is made up with zero bits (2 of the 2
      // given bits of 2); the code after it is missing.
      {"code cut by the terminator", 3, 1,
       std::string("\x02\x01") + PackForDecoder({4, 1, 2}, 2).substr(0, 1) + kZero,
       Bytes({1, 2, 0}), {"Decoder bit buffer under-run"}},
      {"tiny sub-blocks", 4, 1, Data(2, {4, 1, 6, 0, 5}, 1), Bytes({1, 1, 1, 0}), {}},
      // Garbage first code after a clear is taken as it stands; a code past the next free one
      // decodes like it.
      {"first code above the table", 3, 1, Data(2, {4, 7, 5}), Bytes({7, 0, 0}), {}},
      {"code past the next free", 3, 1, Data(2, {4, 1, 7, 5}), Bytes({1, 1, 1}), {}},
  };
  for (const Case& c : cases) {
    Warnings warnings;
    auto image = LoadBytes(OneFrame(c.width, c.height, c.data, 0, c.extensions), &warnings);
    ASSERT_EQ(image->Images().Count(), 1) << c.name;
    EXPECT_EQ(test::Pixels(image->Images().Items(0)), c.pixels) << c.name;
    EXPECT_EQ(warnings.texts, c.warnings) << c.name;
  }
}

TEST(GIFDecoder, StringsOfEveryLengthUpToTheFramesEnd) {
  // After a clear code: 1, 2, then the code of (1 2), then each code the one being defined: the
  // string before and its first pixel, 1 2 1, 1 2 1 1, ... up to 300 pixels (past each length at
  // which strings are put another way). Frames of long strings are put another way than frames of
  // short ones, and a table starts out put as the one before it was: so the strings come after
  // 1,000 single pixels, which keep them short on average while they grow to nearly 300, or after
  // strings of up to 100 pixels, long on average. The last string ends the frame; in frames as
  // wide as them all, and wider by a pixel, to which a string of 301 gives its first.
  // Appends the codes and their pixels; answers the code of the string after the last.
  auto appendStrings = [](std::vector<int>& codes, std::string& expected, int singles, std::size_t longest) {
    codes.push_back(4);
    for (int i = 0; i < singles; ++i) {
      codes.push_back(i % 4);
      expected.push_back(static_cast<char>(i % 4));
    }
    const int pair = 6 + singles;  // the entry that 2 after 1 defines
    codes.insert(codes.end(), {1, 2, pair});
    std::string string = Bytes({1, 2});
    expected += Bytes({1, 2}) + string;
    int code = pair + 2;
    for (; string.size() < longest; ++code) {
      codes.push_back(code);
      string += string[0];
      expected += string;
    }
    return code;
  };
  for (bool afterLong : {false, true}) {
    for (int extra : {0, 1}) {
      std::vector<int> codes;
      std::string expected;
      if (afterLong)
        appendStrings(codes, expected, 0, 100);
      const int next = appendStrings(codes, expected, afterLong ? 0 : 1000, 300);
      codes.push_back(extra ? next : 5);
      expected += std::string(static_cast<std::size_t>(extra), '\1');
      auto image = LoadBytes(OneFrame(static_cast<int>(expected.size()), 1, Data(2, codes)));
      EXPECT_EQ(test::Pixels(image->Images().Items(0)), expected) << afterLong << " " << extra;
    }
  }
}

TEST(GIFDecoder, StreamEndingInsideASubBlock) {
  const std::string packed = PackForDecoder({4, 1, 6, 0}, 2);
  // The pixels in the cut sub-block; or all in the one before, and only the end code in it.
  const std::string data[] = {"\x02\x0A" + packed, std::string("\x07\x03\x80\x01\x02\x05\x81")};
  const std::string pixels[] = {Bytes({1, 1, 1, 0}), Bytes({1, 2})};
  for (int i = 0; i < 2; ++i) {
    Warnings warnings;
    const int width = static_cast<int>(pixels[i].size());
    auto image = LoadBytes(Header(width, 1, 4) + Descriptor(0, 0, width, 1, 0) + data[i], &warnings);
    EXPECT_EQ(test::Pixels(image->Images().Items(0)), pixels[i]) << i;
    EXPECT_EQ(warnings.texts, std::vector<std::string>{"Premature end of data"}) << i;
  }
}

TEST(GIFDecoder, TableFullKeepsTwelveBitCodesUntilALateClear) {
  // Single pixels 0 1 2 0 1 2 ... define 6 + j as (j % 3, (j + 1) % 3) until the table is full;
  // the codes after that define nothing, so its last entry and one of its first read as they were
  // (away from the frame's end, where strings are put another way).
  std::vector<int> codes{4};
  std::string expected;
  for (int i = 0; i < 5000; ++i) {
    codes.push_back(i % 3);
    expected.push_back(static_cast<char>(i % 3));
  }
  codes.insert(codes.end(), {4095, 7});
  expected += Bytes({0, 1, 1, 2});
  codes.insert(codes.end(), 100, 0);
  expected += std::string(100, '\0');
  codes.insert(codes.end(), {4, 3, 3, 5});
  expected += Bytes({3, 3});
  auto image = LoadBytes(OneFrame(static_cast<int>(expected.size()), 1, Data(2, codes)));
  EXPECT_EQ(test::Pixels(image->Images().Items(0)), expected);
}

TEST(GIFDecoder, HostileCodeStreamsFailCleanly) {
  // 6 = (1, ...), then 7 = (7, ...) is its own prefix; and a cycle of two entries 6 -> 7 -> 6.
  // The frame of 4 pixels is full before the last 7, which is read all the same.
  const struct {
    int width;
    std::vector<int> codes;
  } circular[] = {{8, {4, 1, 7, 0, 7, 5}}, {8, {4, 7, 6, 0, 6, 5}}, {4, {4, 1, 7, 0, 7, 5}}};
  for (const auto& c : circular) {
    try {
      LoadBytes(OneFrame(c.width, 1, Data(2, c.codes)));
      FAIL() << c.width;
    } catch (const GIFException& e) {
      EXPECT_STREQ(e.what(), "Circular decoder table entry");
    }
  }
  // Also in a frame without pixels, which has nothing to fill when it fails.
  for (int width : {2, 0}) {
    for (int m : {12, 13, 255}) {
      MemoryStream s(OneFrame(width, 1, std::string(1, static_cast<char>(m)) + "\x01\x00" + kZero));
      TGIFImage image;
      EXPECT_THROW(image.LoadFromStream(s), GIFException) << width << " " << m;
      EXPECT_EQ(s.Position(), 0u);
    }
  }
}

TEST(GIFDecoder, AFrameThatFailsPartWayHasEveryPixelDefined) {
  // 1, then 1 1 through 7 before it is defined, then 0 defines 7 as its own prefix: the second 7
  // fails after 4 pixels. The pixels are not cleared before decoding, so the rest must be filled.
  TGIFImage image;
  TGIFSubImage frame(&image);
  frame.ImageDescriptor.Width = 64;
  frame.ImageDescriptor.Height = 1;
  MemoryStream s(Data(2, {4, 1, 7, 0, 7, 5}));
  EXPECT_THROW(DecodeFrameData(frame, s), GIFException);
  ASSERT_EQ(frame.DataSize(), 64u);
  EXPECT_EQ(test::Pixels(frame), Bytes({1, 1, 1, 0}) + std::string(60, '\0'));
}

TEST(GIFDecoder, InterlacedRowsComeInTheirPasses) {
  for (int height : {1, 2, 3, 5, 9, 17}) {
    std::vector<int> rows;
    for (int start : {0, 4, 2, 1})
      for (int r = start; r < height; r += start == 0 ? 8 : start == 4 ? 8 : start == 2 ? 4 : 2)
        rows.push_back(r);
    // Rows of width 1 with the row number as pixel: literal codes at code size 5.
    std::vector<int> codes{32};
    codes.insert(codes.end(), rows.begin(), rows.end());
    codes.push_back(33);
    auto image = LoadBytes(OneFrame(1, height, Data(5, codes), 0x40));
    std::string expected;
    for (int r = 0; r < height; ++r)
      expected.push_back(static_cast<char>(r));
    EXPECT_EQ(test::Pixels(image->Images().Items(0)), expected) << height;
  }
}

TEST(GIFDecoder, FramesAfterAStoppedFrameStillLoad) {
  // The first frame ends early and leaves sub-blocks behind; the second is read all the same.
  const std::string first = "\x02" + SubBlocks(PackForDecoder({4, 1, 5}, 2) + "junkjunk", 3);
  const std::string second = Data(2, {4, 2, 2, 5});
  Warnings warnings;
  auto image = LoadBytes(Header(2, 1, 4) + Descriptor(0, 0, 2, 1, 0) + first +
                             Descriptor(0, 0, 2, 1, 0) + second + ";",
                         &warnings);
  ASSERT_EQ(image->Images().Count(), 2);
  EXPECT_EQ(test::Pixels(image->Images().Items(1)), Bytes({2, 2}));
  EXPECT_TRUE(warnings.texts.empty());
}

} // namespace
} // namespace qt
