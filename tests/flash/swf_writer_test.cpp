#include "tests/flash/swf_writer.hpp"

#include <gtest/gtest.h>
#include <zlib.h>

namespace qt::testing {
namespace {

// The writer is checked against bytes written out by hand, so it cannot share a misreading of
// the format with the reader that the other tests check it with.
const std::string kHandMade = std::string(
    "FWS\x06\x22\x00\x00\x00"                  // signature, version, 34 bytes in all
    "\x78\x00\x05\x5F\x00\x00\x0F\xA0\x00"     // 15-bit fields: 0..11000 x 0..8000 twips
    "\x00\x0C\x01\x00"                         // 12.0 frames a second, one frame
    "\x43\x02\x99\x66\x33"                     // SetBackgroundColor #996633
    "\x02\x03\x07\x00"                         // DoAction { Stop, End }
    "\x40\x00"                                 // ShowFrame
    "\x00\x00",                                // End
    34);

const SwfOptions kHandMadeOptions{
    .width = 550, .height = 400, .frames = 1, .background = 0x00336699, .stopFrames = {1}};

TEST(SwfWriter, WritesTheHandMadeMovieByteForByte) {
  EXPECT_EQ(MakeSwf(kHandMadeOptions), kHandMade);
}

TEST(SwfWriter, CompressedFilesDeflateTheSameBodyAfterTheSameHeader) {
  SwfOptions o = kHandMadeOptions;
  o.compressed = true;
  const std::string file = MakeSwf(o);
  ASSERT_GT(file.size(), 8u);
  EXPECT_EQ(file.substr(0, 8), "CWS" + kHandMade.substr(3, 5));

  std::string body(kHandMade.size() - 8 + 16, '\0');
  uLongf size = body.size();
  ASSERT_EQ(uncompress(reinterpret_cast<Bytef*>(body.data()), &size,
                       reinterpret_cast<const Bytef*>(file.data() + 8), file.size() - 8),
            Z_OK);
  body.resize(size);
  EXPECT_EQ(body, kHandMade.substr(8));
}

TEST(SwfWriter, TagHeadersAreLongWhenTheBodyNeedsItOrWhenAsked) {
  struct Case {
    std::size_t length;
    bool askLong;
    std::string header;
  } cases[] = {
      {0, false, std::string("\x40\x00", 2)},
      {62, false, std::string("\x7E\x00", 2)},
      {63, false, std::string("\x7F\x00\x3F\x00\x00\x00", 6)},
      {2, true, std::string("\x7F\x00\x02\x00\x00\x00", 6)},
  };
  for (const Case& c : cases) {
    const std::string body(c.length, 'x');
    EXPECT_EQ(SwfTag(kSwfTagShowFrame, body, c.askLong), c.header + body) << c.length;
  }
}

} // namespace
} // namespace qt::testing
