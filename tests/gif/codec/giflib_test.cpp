// Our reader and writer against giflib on the ImageMagick fixtures: every frame's place, maps
// and indices agree, whichever of the two wrote the file.
#include "base/file_stream.hpp"
#include "gif/codec/GIFImage.hpp"
#include "tests/gif/codec/fixtures.hpp"
#include "tests/gif/codec/giflib_io.hpp"

#include <gtest/gtest.h>

namespace qt {
namespace {

using test::RefColor;
using test::RefImage;

std::string Fixture(const std::string& name) {
  FileStream file(std::string(QT_GIF_FIXTURES) + "/" + name, FileStream::Mode::read);
  std::string bytes(static_cast<std::size_t>(file.Size()), '\0');
  file.ReadExact(bytes.data(), bytes.size());
  return bytes;
}

std::vector<RefColor> Colors(const TGIFColorMap& map) {
  std::vector<RefColor> colors;
  for (int i = 0; i < map.ColorCount(); ++i)
    colors.push_back({map.ColorTriples()[i].red, map.ColorTriples()[i].green, map.ColorTriples()[i].blue});
  return colors;
}

// Maps are compared over the colours both hold: our writer pads to a power of two with black,
// as giflib's reader then reports.
void ExpectSameMap(std::vector<RefColor> ours, std::vector<RefColor> theirs, const std::string& what) {
  const std::size_t n = std::min(ours.size(), theirs.size());
  EXPECT_EQ(ours.empty(), theirs.empty()) << what;
  ours.resize(n);
  theirs.resize(n);
  EXPECT_EQ(ours, theirs) << what;
}

void ExpectSame(TGIFImage& ours, const RefImage& theirs, const std::string& name) {
  EXPECT_EQ(ours.Width(), theirs.width) << name;
  EXPECT_EQ(ours.Height(), theirs.height) << name;
  ExpectSameMap(Colors(ours.Header().ColorMap()), theirs.globalMap, name + " global map");
  int frames = 0;
  for (int i = 0; i < ours.Images().Count(); ++i) {
    TGIFSubImage& f = ours.Images().Items(i);
    if (f.IsEmptyFrame())
      continue;  // extensions only
    ASSERT_LT(frames, static_cast<int>(theirs.frames.size())) << name;
    const test::RefFrame& t = theirs.frames[static_cast<std::size_t>(frames++)];
    const std::string what = name + " frame " + std::to_string(i);
    EXPECT_EQ(f.Left(), t.left) << what;
    EXPECT_EQ(f.Top(), t.top) << what;
    EXPECT_EQ(f.Width(), t.width) << what;
    EXPECT_EQ(f.Height(), t.height) << what;
    EXPECT_EQ(f.InterlaceFlag(), t.interlaced) << what;
    ExpectSameMap(Colors(f.ColorMap()), t.localMap, what + " local map");
    EXPECT_TRUE(test::Pixels(f) == t.pixels) << what;
  }
  EXPECT_EQ(frames, static_cast<int>(theirs.frames.size())) << name;
}

class GiflibAgrees : public ::testing::TestWithParam<const char*> {};

TEST_P(GiflibAgrees, OnReadingTheFixture) {
  const std::string bytes = Fixture(GetParam());
  test::Warnings warnings;
  auto ours = test::LoadBytes(bytes, &warnings);
  EXPECT_TRUE(warnings.texts.empty()) << GetParam();
  ExpectSame(*ours, test::GiflibRead(bytes), GetParam());
}

TEST_P(GiflibAgrees, OnReadingWhatWeWrite) {
  for (std::uint8_t kind : {0, 1}) {
    auto ours = test::LoadBytes(Fixture(GetParam()));
    ours->EncoderKind = kind;
    const std::string written = test::SaveBytes(*ours);
    ExpectSame(*ours, test::GiflibRead(written), std::string(GetParam()) + " written");
    // What we wrote, we write again byte for byte.
    auto again = test::LoadBytes(written);
    again->EncoderKind = kind;
    EXPECT_TRUE(test::SaveBytes(*again) == written) << GetParam();
  }
}

TEST_P(GiflibAgrees, OnReadingWhatGiflibWrites) {
  RefImage theirs = test::GiflibRead(Fixture(GetParam()));
  auto ours = test::LoadBytes(test::GiflibWrite(theirs));
  ExpectSame(*ours, theirs, std::string(GetParam()) + " from giflib");
}

INSTANTIATE_TEST_SUITE_P(Fixtures, GiflibAgrees,
                         ::testing::Values("photo.gif", "cartoon.gif", "interlaced.gif", "anim.gif"));

TEST(GiflibAgrees, OnLoopAndTransparencyOfTheAnimation) {
  auto image = test::LoadBytes(Fixture("anim.gif"));
  ASSERT_GE(image->Images().Count(), 3);
  bool loop = false, transparent = false, local = false;
  for (int i = 0; i < image->Images().Count(); ++i) {
    TGIFSubImage& f = image->Images().Items(i);
    transparent = transparent || f.Transparent();
    local = local || f.ColorMap().ColorCount() > 0;
    for (int e = 0; e < f.Extensions().Count(); ++e)
      loop = loop || dynamic_cast<TGIFAppExtNSLoop*>(&f.Extensions().Items(e)) != nullptr;
  }
  EXPECT_TRUE(loop);
  EXPECT_TRUE(transparent);
  EXPECT_TRUE(local);
  EXPECT_TRUE(test::LoadBytes(Fixture("interlaced.gif"))->Images().Items(0).InterlaceFlag());
}

} // namespace
} // namespace qt
