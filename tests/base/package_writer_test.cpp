#include "base/error.hpp"
#include "base/file_stream.hpp"
#include "base/package.hpp"
#include "base/settings.hpp"
#include "base/text_lines.hpp"
#include "tests/base/package_files.hpp"
#include "tests/base/temp_dir.hpp"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

namespace qt {
namespace {

using namespace std::string_literals;
using testing::BlockList;
using testing::BuildFile;
using testing::Image;

TEST(WriteInt, WritesTheLowBytesLeastSignificantFirst) {
  const struct {
    std::uint32_t value;
    int width;
    std::string bytes;
  } cases[] = {
      {1095, 4, "\x47\x04\0\0"s},
      {0x12345678, 3, "\x78\x56\x34"},
      {0x12345678, 1, "\x78"},
      {0xffffffff, 4, "\xff\xff\xff\xff"},
      {7, 0, ""},
  };
  for (const auto& c : cases) {
    MemoryStream out;
    WriteInt(out, c.value, c.width);
    EXPECT_EQ(out.Bytes(), c.bytes) << c.value << " " << c.width;
  }
}

TEST(WriteStr, WritesExactlyTheWidthPaddedWithZeros) {
  const struct {
    const char* text;
    int width;
    std::string bytes;
  } cases[] = {
      {"..qotnav", 8, "..qotnav"},
      {"abc", 5, "abc\0\0"s},
      {"abcdef", 3, "abc"},
      {"abc", 0, ""},
      {"", 2, "\0\0"s},
  };
  for (const auto& c : cases) {
    MemoryStream out;
    WriteStr(out, c.text, c.width);
    EXPECT_EQ(out.Bytes(), c.bytes) << c.text << " " << c.width;
  }
  MemoryStream out;
  WriteStr(out, "sig", 200);
  EXPECT_EQ(out.Bytes(), "sig" + std::string(197, '\0'));
}

TEST(WriteIntAndWriteStr, AWidthOutOfRangeIsAnError) {
  MemoryStream out;
  for (int width : {-1, 5})
    try {
      WriteInt(out, 1, width);
      ADD_FAILURE() << width;
    } catch (const std::invalid_argument& e) {
      EXPECT_STREQ(e.what(), "error");
    }
  for (int width : {-1, 201})
    EXPECT_THROW(WriteStr(out, "x", width), std::invalid_argument) << width;
  EXPECT_EQ(out.Size(), 0u);
}

TEST(PackageWriter, WritesTheMakersThreeBlockFileByteForByte) {
  // A 1000-byte movie, an empty about text, no pictures, no caption, the title abc.
  SettingsStore options;
  for (const char* key : {"hint1", "hint2", "title", "url1", "url2", "url3"})
    options.WriteString("other", key, key == std::string("title") ? "abc" : "");
  const std::string movie(1000, 'M');
  const std::string image = Image(4321);
  const std::string file = BuildFile(
      image, {{bkSwf, movie}, {bkAbout, JoinLines({})}, {bkOptions, JoinLines(options.Lines())}});

  const std::string options_block =
      "[other]\r\nhint1=\r\nhint2=\r\ntitle=abc\r\nurl1=\r\nurl2=\r\nurl3=\r\n\r\n";
  ASSERT_EQ(options_block.size(), 59u);
  const std::string length = "\x47\x04\0\0"s;  // V = 1095
  const std::string expected = image + "..qotnav" + length + "\x03\0\0\0"s +
                               "\xe8\x03\x00\x05\x00\x00\x00\x0a\x3b\x00\x00\x09"s + movie +
                               options_block + "..qotnav" + "19760109" + length +
                               "quendra screen saver package" + std::string(172, '\0') +
                               "19760109";
  EXPECT_EQ(file.size(), image.size() + 1315);
  EXPECT_EQ(file, expected);
}

// Stands in for a source far larger than memory: reads give zero bytes.
class ZeroStream : public Stream {
 public:
  explicit ZeroStream(std::uint64_t size) : size_(size) {}
  std::size_t Read(void* buffer, std::size_t count) override {
    const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(count, size_ - position_));
    std::memset(buffer, 0, n);
    position_ += n;
    return n;
  }
  void Write(const void*, std::size_t) override { throw StreamError("read only"); }
  std::uint64_t Seek(std::int64_t offset, SeekOrigin origin) override {
    const std::uint64_t base = origin == SeekOrigin::begin     ? 0
                               : origin == SeekOrigin::current ? position_
                                                               : size_;
    return position_ = SeekTarget(base, offset);
  }
  std::uint64_t Size() override { return size_; }

 private:
  std::uint64_t size_;
  std::uint64_t position_ = 0;
};

TEST(PackageWriter, RefusesAnUnwritablePackageBeforeTheOutputIsTouched) {
  ZeroStream huge(std::uint64_t{1} << 33);
  const struct {
    const char* name;
    std::size_t blocks;
    std::uint64_t offset;
    std::uint64_t size;
  } cases[] = {
      {"a block of 2^24 bytes", 1, 0, 16777216},
      {"no block", 0, 0, 0},
      {"10000 blocks", 10000, 0, 0},
      {"a package longer than 2^32 - 1 bytes", 257, 0, 16777215},
      {"a block beyond the end of its source", 1, (std::uint64_t{1} << 33) - 10, 11},
  };
  testing::TempDir dir;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    PackageWriter writer;
    for (std::size_t i = 0; i < c.blocks; ++i)
      writer.AddBlock(bkSwf, huge, c.offset, c.size);
    MemoryStream image(Image());
    FileStream out(dir / "out.scr", FileStream::Mode::create);
    EXPECT_THROW(writer.Write(image, out), PackageError);
    EXPECT_EQ(out.Size(), 0u);
  }
}

TEST(PackageWriter, TheLargestBlockGoesThroughFiles) {
  testing::TempDir dir;
  const auto movie_path = dir / "movie.swf";
  const auto saver_path = dir / "saver.scr";
  std::string movie(kMaxBlockSize, '\0');
  std::mt19937 random(5);
  for (auto& byte : movie)
    byte = static_cast<char>(random());
  FileStream(movie_path, FileStream::Mode::create).Write(movie);
  {
    FileStream movie_file(movie_path, FileStream::Mode::read);
    MemoryStream image(Image());
    PackageWriter writer;
    writer.AddBlock(bkSwf, movie_file, 0, movie_file.Size());
    writer.AddBlock(bkOptions, "[other]\r\n");
    FileStream out(saver_path, FileStream::Mode::create);
    writer.Write(image, out);
  }
  PackageReader reader(saver_path);
  ASSERT_EQ(reader.State(), PackageState::indexed);
  const auto extracted = dir / "~saver.sps";
  {
    FileStream out(extracted, FileStream::Mode::create);
    reader.CopyBlock(reader.Slots().swf, out);
  }
  FileStream copy(extracted, FileStream::Mode::read);
  std::string bytes(movie.size(), '\0');
  copy.ReadExact(bytes.data(), bytes.size());
  EXPECT_EQ(copy.Size(), movie.size());
  EXPECT_TRUE(bytes == movie);
  EXPECT_EQ(reader.BlockBytes(reader.Slots().options), "[other]\r\n");
}

TEST(PackageWriter, RandomBlockSetsReadBackUnchanged) {
  for (unsigned seed = 1; seed <= 40; ++seed) {
    SCOPED_TRACE(seed);
    std::mt19937 random(seed);
    auto below = [&](std::uint32_t n) { return static_cast<std::uint32_t>(random() % n); };
    auto bytes = [&](std::size_t n) {
      std::string b(n, '\0');
      for (auto& c : b)
        c = static_cast<char>(random());
      return b;
    };
    // Some blocks come from one shared source stream at their own offsets, the rest as bytes.
    MemoryStream shared(bytes(100000));
    PackageWriter writer;
    BlockList expected;
    const std::uint32_t count = 1 + below(12);
    for (std::uint32_t i = 0; i < count; ++i) {
      const auto kind = static_cast<std::uint8_t>(below(256));
      const std::size_t size = below(4) == 0 ? 0 : below(below(2) ? 300 : 70000);
      if (below(2)) {
        const std::size_t offset = below(static_cast<std::uint32_t>(100000 - size));
        writer.AddBlock(kind, shared, offset, size);
        expected.emplace_back(kind, shared.Bytes().substr(offset, size));
      } else {
        expected.emplace_back(kind, bytes(size));
        writer.AddBlock(kind, expected.back().second);
      }
    }
    MemoryStream image(bytes(below(3000)));
    MemoryStream out;
    writer.Write(image, out);

    ASSERT_EQ(out.Bytes().substr(0, image.Bytes().size()), image.Bytes());
    PackageReader reader(std::make_unique<MemoryStream>(out.Bytes()));
    ASSERT_EQ(reader.State(), PackageState::indexed);
    ASSERT_EQ(reader.Blocks().size(), count + 1);
    for (std::uint32_t i = 1; i <= count; ++i) {
      EXPECT_EQ(reader.Blocks()[i].Kind, expected[i - 1].first);
      EXPECT_TRUE(reader.BlockBytes(i) == expected[i - 1].second) << i;
      MemoryStream copy;
      reader.CopyBlock(i, copy);
      EXPECT_TRUE(copy.Bytes() == expected[i - 1].second) << i;
    }
  }
}

} // namespace
} // namespace qt
