#include "base/package.hpp"
#include "tests/base/package_files.hpp"
#include "tests/base/temp_dir.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <limits>

namespace qt {
namespace {

using testing::BlockList;
using testing::BuildFile;
using testing::Image;
using testing::PutU32;

const std::string kOptions =
    "[other]\r\nhint1=\r\nhint2=\r\ntitle=abc\r\nurl1=\r\nurl2=\r\nurl3=\r\n\r\n";

// The maker's smallest file: image of 300 bytes, V = 1095.
std::string MakersFile() {
  return BuildFile(Image(300), {{bkSwf, std::string(1000, 'M')}, {bkAbout, ""}, {bkOptions, kOptions}});
}
constexpr std::size_t kP = 300;
constexpr std::size_t kV = 1095;

std::uint32_t U32(const std::string& bytes, std::size_t pos) {
  std::uint32_t value = 0;
  for (int i = 3; i >= 0; --i)
    value = value << 8 | static_cast<unsigned char>(bytes[pos + i]);
  return value;
}

// Records the span of bytes the reader has looked at.
class WatchedStream : public MemoryStream {
 public:
  using MemoryStream::MemoryStream;
  std::size_t Read(void* buffer, std::size_t count) override {
    const std::uint64_t at = Position();
    const std::size_t n = MemoryStream::Read(buffer, count);
    if (n > 0) {
      lowest = std::min(lowest, at);
      highest = std::max(highest, at + n);
    }
    return n;
  }
  std::uint64_t lowest = std::numeric_limits<std::uint64_t>::max();
  std::uint64_t highest = 0;
};

void ExpectNothingIndexed(const PackageReader& reader) {
  EXPECT_TRUE(reader.Blocks().empty());
  const BlockSlots& s = reader.Slots();
  EXPECT_EQ(s.swf | s.options | s.about | s.ad1 | s.ad2 | s.caption, 0u);
}

struct RuleCase {
  const char* name;
  std::function<void(std::string&)> change;
  PackageState state;
};

TEST(PackageReader, EachAcceptanceRule) {
  const RuleCase cases[] = {
      {"intact", [](std::string&) {}, PackageState::indexed},
      {"1: the last magic", [](std::string& f) { f.back() = '8'; }, PackageState::noPackage},
      {"1: shorter than a trailer", [](std::string& f) { f = f.substr(f.size() - 219); },
       PackageState::noPackage},
      {"1: a player image alone", [](std::string& f) { f = Image(5000); }, PackageState::noPackage},
      {"1: an empty file", [](std::string& f) { f.clear(); }, PackageState::noPackage},
      {"2: length 0", [](std::string& f) { PutU32(f, f.size() - 212, 0); }, PackageState::noPackage},
      {"3: the first magic", [](std::string& f) { f[f.size() - 220] = 'x'; },
       PackageState::noPackage},
      {"4: the package would begin before the file",
       [](std::string& f) { PutU32(f, f.size() - 212, static_cast<std::uint32_t>(f.size() - 219)); },
       PackageState::noPackage},
      {"4: length 2^32 - 1", [](std::string& f) { PutU32(f, f.size() - 212, 0xffffffff); },
       PackageState::noPackage},
      {"4 at its limit: the package begins at byte 0",
       [](std::string& f) { PutU32(f, f.size() - 212, static_cast<std::uint32_t>(f.size() - 220)); },
       PackageState::badTable},
      {"5: the opening marker", [](std::string& f) { f[kP] = ','; }, PackageState::badTable},
      {"5: the closing marker", [](std::string& f) { f[kP + kV - 1] = 'w'; },
       PackageState::badTable},
      {"6: the length inside the package", [](std::string& f) { PutU32(f, kP + 8, kV - 1); },
       PackageState::badTable},
      {"7: no blocks", [](std::string& f) { PutU32(f, kP + 12, 0); }, PackageState::badTable},
      {"7: 10000 blocks", [](std::string& f) { PutU32(f, kP + 12, 10000); },
       PackageState::badTable},
      {"8: a table past the end of the package", [](std::string& f) { PutU32(f, kP + 12, 9999); },
       PackageState::badTable},
      {"9: a block reaching into the closing marker", [](std::string& f) { f[kP + 16] = '\xe9'; },
       PackageState::badTable},
      {"9: sizes whose sum wraps to fit in 32 bits",
       [](std::string& f) {
         // 256 blocks of 2^24 - 1 bytes and one of 256 bytes: 2^32 in all.
         f = BuildFile(Image(300), BlockList(257, {7, ""}));
         for (std::size_t i = 0; i < 257; ++i)
           PutU32(f, kP + 16 + 4 * i, i < 256 ? 0x07ffffff : 0x07000100);
       },
       PackageState::badTable},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::string file = MakersFile();
    c.change(file);
    auto stream = std::make_unique<WatchedStream>(file);
    WatchedStream& watched = *stream;
    PackageReader reader(std::move(stream));
    EXPECT_EQ(reader.State(), c.state);
    if (c.state != PackageState::indexed)
      ExpectNothingIndexed(reader);
    // Only the trailer before a package is found, only the claimed package after.
    const std::uint64_t size = file.size();
    const std::uint64_t lowest = c.state == PackageState::noPackage ? (size < 220 ? 0 : size - 220)
                                                                   : size - 220 - U32(file, size - 212);
    if (watched.highest > 0) {
      EXPECT_GE(watched.lowest, lowest);
      EXPECT_LE(watched.highest, size);
    }
  }
}

TEST(PackageReader, IndexesTheMakersFile) {
  PackageReader reader(std::make_unique<MemoryStream>(MakersFile()));
  ASSERT_EQ(reader.State(), PackageState::indexed);
  const tarray& blocks = reader.Blocks();
  ASSERT_EQ(blocks.size(), 4u);
  const struct {
    std::uint64_t offset;
    std::uint32_t size;
    std::uint8_t kind;
  } expected[] = {{28, 1000, bkSwf}, {1028, 0, bkAbout}, {1028, 59, bkOptions}};
  for (std::size_t i = 1; i <= 3; ++i) {
    EXPECT_EQ(blocks[i].Offset, expected[i - 1].offset) << i;
    EXPECT_EQ(blocks[i].Size, expected[i - 1].size) << i;
    EXPECT_EQ(blocks[i].Kind, expected[i - 1].kind) << i;
  }
  EXPECT_EQ(reader.Slots().swf, 1u);
  EXPECT_EQ(reader.Slots().about, 2u);
  EXPECT_EQ(reader.Slots().options, 3u);
  EXPECT_EQ(reader.BlockBytes(3), kOptions);
  EXPECT_THROW(reader.BlockBytes(0), std::out_of_range);
  EXPECT_THROW(reader.BlockBytes(4), std::out_of_range);
}

TEST(PackageReader, ABlockOfSizeZeroIsEmptyWhereverItStands) {
  const BlockList cases[] = {
      {{bkAbout, ""}, {bkSwf, "movie"}, {bkOptions, "options"}},
      {{bkSwf, "movie"}, {bkAbout, ""}, {bkOptions, "options"}},
      {{bkSwf, "movie"}, {bkOptions, "options"}, {bkAbout, ""}},
      {{bkSwf, ""}, {bkAbout, ""}, {bkOptions, ""}},
  };
  for (const auto& blocks : cases) {
    PackageReader reader(std::make_unique<MemoryStream>(BuildFile(Image(), blocks)));
    ASSERT_EQ(reader.State(), PackageState::indexed);
    for (std::uint32_t i = 1; i <= blocks.size(); ++i) {
      SCOPED_TRACE(i);
      EXPECT_EQ(reader.BlockBytes(i), blocks[i - 1].second);
      MemoryStream copy(std::string("kept"));
      copy.Seek(0, SeekOrigin::end);
      reader.CopyBlock(i, copy);
      EXPECT_EQ(copy.Bytes(), "kept" + blocks[i - 1].second);
    }
  }
}

TEST(PackageReader, SkipsAnUnknownKindButCountsItsSize) {
  PackageReader reader(std::make_unique<MemoryStream>(
      BuildFile(Image(), {{bkSwf, "0123456789"}, {7, std::string(100, 'x')}, {bkOptions, kOptions}})));
  ASSERT_EQ(reader.State(), PackageState::indexed);
  EXPECT_EQ(reader.Blocks()[3].Offset, reader.Blocks()[1].Offset + 10 + 100);
  EXPECT_EQ(reader.Slots().options, 3u);
  EXPECT_EQ(reader.BlockBytes(3), kOptions);
  EXPECT_EQ(reader.BlockBytes(2), std::string(100, 'x'));
}

TEST(PackageReader, AcceptsTheLargestBlockCount) {
  BlockList blocks(9998, {7, ""});
  blocks.emplace_back(bkCaption, "last");
  PackageReader reader(std::make_unique<MemoryStream>(BuildFile(Image(), blocks)));
  ASSERT_EQ(reader.State(), PackageState::indexed);
  EXPECT_EQ(reader.Blocks().size(), 10000u);
  EXPECT_EQ(reader.Slots().caption, 9999u);
  EXPECT_EQ(reader.BlockBytes(9999), "last");
}

struct SlotCase {
  std::vector<std::uint8_t> kinds;
  BlockSlots slots;
};

TEST(PackageReader, TheLastEntryOfAKindOrPictureSlotWins) {
  const SlotCase cases[] = {
      {{bkSwf, bkAd1Jpeg, bkAd2Gif, bkCaption, bkAbout, bkOptions},
       {.swf = 1, .options = 6, .about = 5, .ad1 = 2, .ad2 = 3, .caption = 4, .ad2_is_jpeg = false}},
      {{bkAd1Jpeg, bkAd1Gif}, {.ad1 = 2, .ad1_is_jpeg = false}},
      {{bkAd1Gif, bkAd1Jpeg}, {.ad1 = 2}},
      {{bkAd2Jpeg, bkAd2Gif}, {.ad2 = 2, .ad2_is_jpeg = false}},
      {{bkAd2Gif, bkAd2Jpeg}, {.ad2 = 2}},
      {{bkAd1Gif, bkAd2Jpeg}, {.ad1 = 1, .ad2 = 2, .ad1_is_jpeg = false}},
      {{bkCaption, bkSwf, bkCaption}, {.swf = 2, .caption = 3}},
      {{bkOptions, bkAbout, bkOptions, bkAbout}, {.options = 3, .about = 4}},
      {{0, 7, 255, 15, 19, 21}, {}},
  };
  for (const auto& c : cases) {
    BlockList blocks;
    for (std::size_t i = 0; i < c.kinds.size(); ++i)
      blocks.emplace_back(c.kinds[i], "block " + std::to_string(i + 1));
    PackageReader reader(std::make_unique<MemoryStream>(BuildFile(Image(), blocks)));
    ASSERT_EQ(reader.State(), PackageState::indexed);
    const BlockSlots& s = reader.Slots();
    const std::uint32_t got[] = {s.swf, s.options, s.about, s.ad1, s.ad2, s.caption};
    const std::uint32_t want[] = {c.slots.swf, c.slots.options, c.slots.about,
                                  c.slots.ad1, c.slots.ad2,     c.slots.caption};
    EXPECT_TRUE(std::equal(std::begin(got), std::end(got), std::begin(want))) << blocks.size();
    EXPECT_EQ(s.ad1_is_jpeg, c.slots.ad1_is_jpeg) << blocks.size();
    EXPECT_EQ(s.ad2_is_jpeg, c.slots.ad2_is_jpeg) << blocks.size();
    if (s.caption != 0) {
      EXPECT_EQ(reader.BlockBytes(s.caption), "block " + std::to_string(s.caption));
    }
  }
}

TEST(PackageReader, AFileThatCannotBeOpenedHasNoPackage) {
  testing::TempDir dir;
  PackageReader reader(dir / "missing.scr");
  EXPECT_EQ(reader.State(), PackageState::noPackage);
  ExpectNothingIndexed(reader);
}

} // namespace
} // namespace qt
