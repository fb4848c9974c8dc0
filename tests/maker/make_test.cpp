#include "maker/make.hpp"

#include "base/file_stream.hpp"
#include "base/package.hpp"
#include "tests/base/package_files.hpp"
#include "tests/base/temp_dir.hpp"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <sstream>

namespace fs = std::filesystem;
using namespace qt;
using qt::testing::TempDir;

namespace {

std::string ReadAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteAll(const fs::path& p, const std::string& bytes) { std::ofstream(p, std::ios::binary) << bytes; }

// A player image whose reading breaks off, as a failing disk would.
class BrokenImage : public MemoryStream {
public:
  using MemoryStream::MemoryStream;
  std::size_t Read(void*, std::size_t) override { throw StreamError("read error"); }
};

using Blocks = std::vector<std::pair<std::uint8_t, std::string>>;

class Make : public ::testing::Test {
protected:
  Make() {
    WriteAll(movie_, std::string(1000, 'm'));
    content_.movie = movie_;
    content_.title = "abc";
  }
  std::uint64_t Run() {
    MemoryStream image(player_);
    return MakeScreenSaver(image, content_, staging_, output_);
  }
  void RunWithBrokenImage() {
    BrokenImage image(player_);
    MakeScreenSaver(image, content_, staging_, output_);
  }
  // The blocks of the file written, as the player reads them.
  Blocks ReadBlocks() {
    PackageReader reader(output_);
    EXPECT_EQ(reader.State(), PackageState::indexed);
    Blocks blocks;
    for (std::uint32_t i = 1; i < reader.Blocks().size(); ++i)
      blocks.emplace_back(reader.Blocks()[i].Kind, reader.BlockBytes(i));
    return blocks;
  }

  TempDir dir_;
  const std::string player_ = qt::testing::Image(300);
  const fs::path movie_ = dir_ / "movie.swf", staging_ = dir_ / "double.tmp", output_ = dir_ / "Sea Waves.scr";
  MakeContent content_;
};

const std::string kOptionsAbc = "[other]\r\nhint1=\r\nhint2=\r\ntitle=abc\r\nurl1=\r\nurl2=\r\nurl3=\r\n\r\n";

} // namespace

TEST_F(Make, WritesTheWorkedExampleByteForByte) {
  EXPECT_EQ(Run(), 300u + 1315u);
  const std::string file = ReadAll(output_);
  ASSERT_EQ(file.size(), 300u + 1315u);
  EXPECT_EQ(file.substr(0, 300), player_);
  EXPECT_EQ(file.substr(300, 28), std::string("..qotnav\x47\x04\0\0\x03\0\0\0"
                                              "\xe8\x03\x00\x05\x00\x00\x00\x0a\x3b\x00\x00\x09",
                                              28));
  EXPECT_EQ(file.substr(328, 1000), std::string(1000, 'm'));
  EXPECT_EQ(file.substr(1328, 59), kOptionsAbc);
  EXPECT_EQ(file.substr(file.size() - 212, 4), std::string("\x47\x04\0\0", 4));
  EXPECT_FALSE(fs::exists(staging_)) << "the staging file is removed";
}

TEST_F(Make, PacksTheBlocksInTableOrderAsTheirConditionsSay) {
  struct Case {
    const char* what;
    std::optional<PictureBlock> ad1, ad2;
    std::optional<std::string> caption;
    std::vector<std::string> about;
    Blocks expected;
  };
  const std::string movie(1000, 'm');
  const Case cases[] = {
      {"nothing optional", {}, {}, {}, {}, {{bkSwf, movie}, {bkAbout, ""}, {bkOptions, kOptionsAbc}}},
      {"a lone line break as caption", {}, {}, "\r\n", {}, {{bkSwf, movie}, {bkCaption, "\r\n"}, {bkAbout, ""}, {bkOptions, kOptionsAbc}}},
      {"caption kept as typed, about lines each with CR LF", {}, {}, "abc\r\ndef", {"<b>x", "y"},
       {{bkSwf, movie}, {bkCaption, "abc\r\ndef"}, {bkAbout, "<b>x\r\ny\r\n"}, {bkOptions, kOptionsAbc}}},
      {"a JPEG first picture and a GIF second",
       PictureBlock{"JPEG", true, "a.jpg"}, PictureBlock{"GIF89a", false, "b.gif"}, {}, {},
       {{bkSwf, movie}, {bkAd1Jpeg, "JPEG"}, {bkAd2Gif, "GIF89a"}, {bkAbout, ""}, {bkOptions, kOptionsAbc}}},
      {"a GIF first picture and a JPEG second",
       PictureBlock{"GIF87a", false, "a.gif"}, PictureBlock{"JPG", true, "b.jpg"}, "c", {"a"},
       {{bkSwf, movie}, {bkAd1Gif, "GIF87a"}, {bkAd2Jpeg, "JPG"}, {bkCaption, "c"}, {bkAbout, "a\r\n"}, {bkOptions, kOptionsAbc}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    content_.ad1 = c.ad1, content_.ad2 = c.ad2, content_.caption = c.caption, content_.aboutLines = c.about;
    Run();
    EXPECT_EQ(ReadBlocks(), c.expected);
  }
}

TEST_F(Make, OptionsCarryTheSixKeysInOrder) {
  content_.hint1 = "看广告", content_.hint2 = "h2", content_.title = "海浪";
  content_.url1 = "http://a", content_.url2 = "b@c", content_.url3 = "u3";
  EXPECT_EQ(OptionsText(content_),
            "[other]\r\nhint1=看广告\r\nhint2=h2\r\ntitle=海浪\r\nurl1=http://a\r\nurl2=b@c\r\nurl3=u3\r\n\r\n");
}

TEST_F(Make, AFailureKeepsTheOlderFileAndLeavesNoPartialOne) {
  WriteAll(output_, "older screen saver");
  struct Case {
    const char* what;
    std::function<void()> spoil;
    bool brokenImage = false;
  } cases[] = {
      {"the movie vanished", [&] { fs::remove(movie_); }},
      {"writing breaks off half-way", [] {}, true},
      {"a movie too large for a package", [&] { fs::resize_file(movie_, 16777216); }},
      {"a picture too large for a package",
       [&] { content_.ad2 = PictureBlock{std::string(16777216, 'p'), true, "big.jpg"}; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    WriteAll(movie_, std::string(1000, 'm'));
    content_.ad2.reset();
    c.spoil();
    EXPECT_ANY_THROW(c.brokenImage ? RunWithBrokenImage() : (void)Run());
    EXPECT_EQ(ReadAll(output_), "older screen saver");
    EXPECT_FALSE(fs::exists(staging_));
    for (const auto& entry : fs::directory_iterator(output_.parent_path()))
      EXPECT_TRUE(entry.path() == movie_ || entry.path() == output_) << "left behind: " << entry.path();
  }
}

TEST_F(Make, FilesOfTheUsersBesideTheOutputSurviveAMakeAndAFailedOne) {
  // Names a make might have written under: the output's own with ".new", and the first one the
  // make tries now.
  fs::path own = output_, firstTried = output_;
  own += ".new";
  firstTried += ".~1.tmp";
  WriteAll(own, "the user's own");
  WriteAll(firstTried, "the user's too");
  Run();
  EXPECT_EQ(ReadBlocks().size(), 3u);
  EXPECT_ANY_THROW(RunWithBrokenImage());
  EXPECT_EQ(ReadBlocks().size(), 3u) << "the file made first stays";
  EXPECT_EQ(ReadAll(own), "the user's own");
  EXPECT_EQ(ReadAll(firstTried), "the user's too");
  EXPECT_EQ(std::distance(fs::directory_iterator(output_.parent_path()), fs::directory_iterator()), 4)
      << "the movie, the new file and the two of the user's; nothing left behind";
}

TEST_F(Make, TheLargestBlockFitsAndTheNextSizeIsRefusedNamingTheFile) {
  fs::resize_file(movie_, 16777215);
  EXPECT_NO_THROW(Run());
  EXPECT_EQ(ReadBlocks()[0].second.size(), 16777215u);
  fs::remove(output_);
  // In a folder with Chinese characters and a blank: the name is told in program text (code page
  // 936), not in the path's own encoding.
  const fs::path folder = dir_ / "movies" / fs::path(u8"影片 素材");
  fs::create_directories(folder);
  content_.movie = folder / fs::path(u8"太大.swf");
  WriteAll(content_.movie, "");
  fs::resize_file(content_.movie, 16777216);
  const std::string separator(1, static_cast<char>(fs::path::preferred_separator));
  const std::string named = (dir_ / "movies").string() + separator + "影片 素材" + separator + "太大.swf";
  try {
    Run();
    FAIL() << "no refusal";
  } catch (const BlockTooLarge& e) {
    EXPECT_EQ(e.source(), named);
    EXPECT_EQ(std::string(e.what()), named + " 太大：屏保中的影片和图片最多 16777215 字节（16M）。");
  }
  EXPECT_FALSE(fs::exists(output_));
  EXPECT_FALSE(fs::exists(staging_));
}

TEST_F(Make, AnOutputFolderThatIsMissingFailsAndRemovesTheStagingFile) {
  EXPECT_THROW(
      {
        MemoryStream image(player_);
        MakeScreenSaver(image, content_, staging_, dir_ / "no such folder" / "a.scr");
      },
      OutputNotCreated);
  EXPECT_FALSE(fs::exists(staging_));
}

TEST(SizeLabel, CountsWholeKilobytesAndShowsOneDecimal) {
  const std::pair<std::uint64_t, const char*> cases[] = {
      {100000, "约0.1M"}, {1500000, "约1.4M"}, {1048575, "约1.0M"}, {0, "约0.0M"}, {16777215 + 300000, "约16.3M"}};
  for (const auto& [bytes, label] : cases) EXPECT_EQ(SizeLabel(bytes), label) << bytes;
}
