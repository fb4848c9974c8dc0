#include "flash/swf.hpp"
#include "tests/flash/swf_writer.hpp"

#include <gtest/gtest.h>
#include <zlib.h>

#include <set>

namespace qt {
namespace {

using testing::MakeSwf;
using testing::SwfFile;
using testing::SwfOptions;
using testing::SwfTag;

const std::string kShowFrame = SwfTag(testing::kSwfTagShowFrame, "");
const std::string kEnd = SwfTag(testing::kSwfTagEnd, "");

std::string DoAction(std::string_view actions) { return SwfTag(testing::kSwfTagDoAction, actions); }

std::string WithLength(std::string file, std::uint32_t length) {
  for (int i = 0; i < 4; ++i)
    file[4 + i] = static_cast<char>(length >> (8 * i));
  return file;
}

std::string WithByte(std::string file, std::size_t at, char byte) {
  file[at] = byte;
  return file;
}

// A zlib stream of `data` and then `zeros` zero bytes, for compressed files the writer would not
// make. The zeros are fed a piece at a time: a zip bomb need not be held whole. Unfinished, the
// stream is flushed to a byte boundary and stops there, as a file cut short after it would.
std::string Deflate(const std::string& data, std::size_t zeros = 0, bool finish = true) {
  z_stream z{};
  deflateInit(&z, Z_BEST_SPEED);
  const std::string piece(64 << 10, '\0');
  std::string out;
  auto feed = [&](const std::string& in, int flush) {
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
    z.avail_in = static_cast<uInt>(in.size());
    do {
      char buffer[16 << 10];
      z.next_out = reinterpret_cast<Bytef*>(buffer);
      z.avail_out = sizeof buffer;
      deflate(&z, flush);
      out.append(buffer, sizeof buffer - z.avail_out);
    } while (z.avail_out == 0);
  };
  feed(data, Z_NO_FLUSH);
  for (; zeros > piece.size(); zeros -= piece.size())
    feed(piece, Z_NO_FLUSH);
  feed(piece.substr(0, zeros), finish ? Z_FINISH : Z_SYNC_FLUSH);
  deflateEnd(&z);
  return out;
}

// A compressed file around a zlib stream made here.
std::string Cws(const std::string& stream, std::size_t length) {
  return WithLength(std::string("CWS\x06", 4) + std::string(4, '\0') + stream, static_cast<std::uint32_t>(length));
}

TEST(SwfReader, ReadsWhatTheWriterMakes) {
  const SwfOptions cases[] = {
      {},
      {.width = 550, .height = 400, .frameRate = 0x0C80, .frames = 5, .background = 0x00112233,
       .stopFrames = {3}},
      {.compressed = true, .version = 10, .width = 1, .height = 7, .frameRate = 30 << 8,
       .frames = 7, .background = 0x00FEDCBA, .stopFrames = {1, 4, 7}},
      {.left = -10, .top = -5, .width = 30, .height = 20},
      {.compressed = true, .width = 4000, .height = 3000, .frames = 200, .declaredFrames = 9},
      {.frames = 0, .background = 0},
  };
  for (const SwfOptions& o : cases) {
    SCOPED_TRACE(::testing::Message() << (o.compressed ? "CWS " : "FWS ") << o.frames << " frames");
    const std::optional<SwfMovie> movie = ReadSwf(MakeSwf(o));
    ASSERT_TRUE(movie);
    EXPECT_EQ(movie->version, o.version);
    EXPECT_EQ(movie->compressed, o.compressed);
    EXPECT_EQ(movie->stageWidth, o.width);
    EXPECT_EQ(movie->stageHeight, o.height);
    EXPECT_EQ(movie->frameRate, o.frameRate);
    EXPECT_EQ(movie->declaredFrames, o.declaredFrames.value_or(o.frames));
    EXPECT_EQ(movie->frames, o.frames);
    EXPECT_EQ(movie->background, o.background);
    EXPECT_EQ(movie->stopFrames, std::set<int>(o.stopFrames.begin(), o.stopFrames.end()));
  }
}

// Which frames stop is decided on the main timeline only, by the last Stop or Play of a frame.
TEST(SwfReader, StopFramesFromTheActionsOfEachFrame) {
  const std::string sprite = SwfTag(39, std::string("\x01\x00\x01\x00", 4) + DoAction("\x07") +
                                            kShowFrame + kEnd);
  struct Case {
    const char* name;
    std::string tags;
    std::set<int> stops;
  } cases[] = {
      {"stop then play", DoAction(std::string("\x07\x06\x00", 3)) + kShowFrame, {}},
      {"play then stop", DoAction(std::string("\x06\x07\x00", 3)) + kShowFrame, {1}},
      {"stop in the first of two action tags", DoAction("\x07") + DoAction("\x04") + kShowFrame,
       {1}},
      {"actions belong to the frame they precede", kShowFrame + DoAction("\x07") + kShowFrame, {2}},
      {"a Stop byte inside a long record is data",
       DoAction(std::string("\x83\x03\x00\x07\x07\x07\x00", 7)) + kShowFrame, {}},
      {"nothing after the action list's end", DoAction(std::string("\x00\x07", 2)) + kShowFrame,
       {}},
      {"a sprite's own timeline does not count", sprite + kShowFrame, {}},
      {"long tag headers", SwfTag(12, "\x07", true) + SwfTag(1, "", true), {1}},
      {"actions after the last frame show nowhere", kShowFrame + DoAction("\x07"), {}},
  };
  for (const Case& c : cases) {
    const std::optional<SwfMovie> movie = ReadSwf(SwfFile({}, c.tags + kEnd));
    ASSERT_TRUE(movie) << c.name;
    EXPECT_EQ(movie->stopFrames, c.stops) << c.name;
  }
  // The sprite's ShowFrame is not one of the movie's.
  EXPECT_EQ(ReadSwf(SwfFile({}, sprite + kShowFrame + kEnd))->frames, 1);
}

TEST(SwfReader, TheFirstBackgroundColourWinsAndBytesPastTheMovieAreIgnored) {
  const std::string tags =
      SwfTag(9, "\x01\x02\x03") + kShowFrame + SwfTag(9, "\x04\x05\x06") + kEnd;
  const std::string fws = SwfFile({}, tags);
  const std::string cws = SwfFile({.compressed = true}, tags);
  const std::string movies[] = {
      fws,
      fws + "trailing bytes",
      // Inflating stops at the declared length, however long the stream would go on.
      cws.substr(0, 8) + Deflate(fws.substr(8), 1 << 20),
  };
  for (const std::string& file : movies) {
    const std::optional<SwfMovie> movie = ReadSwf(file);
    ASSERT_TRUE(movie) << file.size();
    EXPECT_EQ(movie->background, 0x00030201u);
    EXPECT_EQ(movie->frames, 1);
  }
}

// A tag stream may stop between two tags without its End tag, at the declared length or where the
// file ends: the movie is the frames read so far.
TEST(SwfReader, TagsThatStopBetweenTwoTagsAreTheMovieSoFar) {
  const std::string fws = MakeSwf({.frames = 3, .background = 0x00112233, .stopFrames = {2}});
  const std::string noEnd = fws.substr(0, fws.size() - kEnd.size());
  const std::string header = SwfFile({.frames = 3}, "");
  const std::string cws = SwfFile({.compressed = true, .frames = 3}, noEnd.substr(header.size()));
  struct Case {
    const char* name;
    std::string file;
    int frames;
  } cases[] = {
      {"the last tag a ShowFrame", noEnd, 3},
      {"the file ends before its declared length", WithLength(noEnd, noEnd.size() + 100), 3},
      {"an End tag in a file shorter than declared", WithLength(fws, 1000000), 3},
      {"the declared length ends before the last frame",
       WithLength(fws, fws.size() - kEnd.size() - kShowFrame.size()), 2},
      {"no tags at all", header, 0},
      {"CWS without End", cws, 3},
      {"CWS whose stream ends before its declared length", WithLength(cws, noEnd.size() + 100), 3},
      {"CWS cut short after a whole tag", Cws(Deflate(noEnd.substr(8), 0, false), noEnd.size() + 100), 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::optional<SwfMovie> movie = ReadSwf(c.file);
    ASSERT_TRUE(movie);
    EXPECT_EQ(movie->frames, c.frames);
    EXPECT_EQ(movie->declaredFrames, 3);
    EXPECT_EQ(movie->stopFrames, c.frames < 2 ? std::set<int>{} : std::set<int>{2});
    EXPECT_EQ(movie->background, c.frames ? 0x00112233u : 0x00FFFFFFu);
  }
}

TEST(SwfReader, AnythingDamagedIsNoMovie) {
  const std::string fws = MakeSwf({.frames = 3, .stopFrames = {2}});
  const std::string cws = MakeSwf({.compressed = true, .frames = 3, .stopFrames = {2}});
  ASSERT_TRUE(ReadSwf(fws) && ReadSwf(cws));
  const std::string noEnd = fws.substr(0, fws.size() - 2);
  // A movie whose colour tag's body is 3 bytes from `colour` on, to be cut inside it.
  const std::string withColour = SwfFile({}, kShowFrame + SwfTag(9, "\x01\x02\x03") + kShowFrame + kEnd);
  const std::size_t colour = SwfFile({}, "").size() + kShowFrame.size() + 2;
  // A movie followed by zeros up to past the limit: its length is honest, it inflates, and it is
  // still refused.
  const std::string bomb = WithLength(cws.substr(0, 8) + Deflate(fws.substr(8), kMaxSwfLength),
                                     static_cast<std::uint32_t>(fws.size() + kMaxSwfLength));
  // A file cut short with a length that agrees, so that only the cut is wrong.
  auto exact = [](std::string file) { return WithLength(file, file.size()); };
  auto tags = [](const std::string& t) { return SwfFile({}, t); };

  struct Case {
    const char* name;
    std::string file;
  } cases[] = {
      {"empty", ""},
      {"3 bytes", "FWS"},
      {"bad signature", WithByte(fws, 0, 'X')},
      {"lower-case signature", WithByte(fws, 0, 'f')},
      {"ZWS", WithByte(cws, 0, 'Z')},
      {"header without its length", fws.substr(0, 6)},
      {"declared length below the header's", WithLength(fws, 7)},
      {"truncated stage rectangle", exact(fws.substr(0, 10))},
      {"no frame rate and count", exact(fws.substr(0, 17))},
      {"truncated tag header", exact(fws.substr(0, fws.size() - 1))},
      {"tag header cut where the file ends", withColour.substr(0, colour - 1)},
      {"tag cut off inside itself where the file ends", withColour.substr(0, colour + 1)},
      {"short tag past the end", tags(kShowFrame + std::string("\x4A\x00", 2) + "ab")},
      {"long tag past the end",
       tags(kShowFrame + std::string("\x7F\x00\xE8\x03\x00\x00", 6) + "abc")},
      {"long tag length that wraps", tags(std::string("\x7F\x00\xFF\xFF\xFF\xFF", 6) + kEnd)},
      {"action record past its tag",
       tags(DoAction(std::string("\x83\x10\x00" "ab", 5)) + kShowFrame + kEnd)},
      {"action record length cut", tags(DoAction("\x83\x10") + kShowFrame + kEnd)},
      {"background colour of two bytes", tags(SwfTag(9, "\x01\x02") + kEnd)},
      {"declared length far larger than a file cut inside a tag",
       WithLength(withColour.substr(0, colour + 2), 1000000)},
      {"CWS garbage payload", cws.substr(0, 8) + "this is not a zlib stream at all"},
      {"CWS stream cut in half", cws.substr(0, 8 + (cws.size() - 8) / 2)},
      {"CWS inflating to a tag cut off inside itself",
       Cws(Deflate(withColour.substr(8, colour + 1 - 8)), withColour.size())},
      {"CWS cut short inside a tag", Cws(Deflate(withColour.substr(8, colour + 1 - 8), 0, false), withColour.size())},
      // A block of the reserved type right after a flush.
      {"CWS stream damaged after whole tags", Cws(Deflate(noEnd.substr(8), 0, false) + "\x07garbage", 1000)},
      {"CWS declaring more than the limit, truthfully", bomb},
  };
  for (const Case& c : cases)
    EXPECT_FALSE(ReadSwf(c.file)) << c.name;
}

} // namespace
} // namespace qt
