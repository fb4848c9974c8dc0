#include "gif/codec/GIFImage.hpp"
#include "tests/gif/codec/fixtures.hpp"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace qt {
namespace {

using test::Warnings;

TEST(GIFColorMap, ReserveGrowsInStepsUpTo256) {
  struct Case { int n, capacity; };
  for (Case c : {Case{1, 16}, {16, 16}, {17, 32}, {32, 32}, {33, 64}, {300, 256}}) {
    TGIFImage image;
    TGIFColorMap& map = image.Header().ColorMap();
    map.Reserve(c.n);
    EXPECT_EQ(map.Capacity(), c.capacity) << c.n;
  }
}

TEST(GIFColorMap, AddDeleteAndOverflow) {
  TGIFImage image;
  TGIFColorMap& map = image.Header().ColorMap();
  for (int i = 0; i < 256; ++i)
    EXPECT_EQ(map.Add(static_cast<TColor>(i)), i);
  try {
    map.Add(0x123456);
    FAIL();
  } catch (const GIFException& e) {
    EXPECT_STREQ(e.what(), "Color table overflow");
  }
  EXPECT_EQ(map.ColorCount(), 256);
  map.Delete(0);
  EXPECT_EQ(map.ColorCount(), 255);
  EXPECT_EQ(map.Colors(0), 1u);
  EXPECT_THROW(map.Delete(255), GIFException);
  EXPECT_THROW(map.Delete(-1), GIFException);
}

TEST(GIFColorMap, WritesWholePowersOfTwo) {
  struct Case { int colors; std::size_t bytes; };
  for (Case c : {Case{0, 0}, {1, 6}, {3, 12}, {5, 24}, {200, 768}}) {
    TGIFImage image;
    TGIFColorMap& map = image.Header().ColorMap();
    for (int i = 0; i < c.colors; ++i)
      map.Add(0x030201);
    MemoryStream s;
    map.WriteToStream(s);
    ASSERT_EQ(s.Bytes().size(), c.bytes) << c.colors;
    if (c.colors > 0) {
      EXPECT_EQ(s.Bytes().substr(0, 3), "\x01\x02\x03");
      EXPECT_EQ(s.Bytes().substr(3 * c.colors), std::string(c.bytes - 3 * c.colors, '\0'));
    }
  }
}

TEST(GIFColorMap, ColorsOutOfRangeWarnsOrFails) {
  TGIFImage image;
  Warnings warnings;
  warnings.Attach(image);
  TGIFColorMap& map = image.Header().ColorMap();
  for (TColor c : {0x0000FFu, 0x00FF00u, 0xFF0000u})
    map.Add(c);
  EXPECT_EQ(map.Colors(5), 0x0000FFu);
  EXPECT_EQ(map.Colors(-1), 0x0000FFu);
  EXPECT_EQ(map.Colors(2), 0xFF0000u);
  EXPECT_EQ(warnings.texts, (std::vector<std::string>{"Invalid color index", "Invalid color index"}));
  map.Clear();
  warnings.texts.clear();
  try {
    map.Colors(0);
    FAIL();
  } catch (const GIFException& e) {
    EXPECT_STREQ(e.what(), "Color table is empty");
  }
  EXPECT_EQ(warnings.texts, std::vector<std::string>{"Invalid color index"});
}

TEST(GIFColorMap, SortByUsageReordersPixelsAndDropsUnused) {
  TGIFImage image;
  TGIFSubImage& frame = test::AddFrame(image, 4, 1, std::string("\x02\x02\x00\x02", 4), 4);
  TGIFColorMap& map = frame.ColorMap();
  map.Add(0x000001);  // a copy of colour 1 at index 4: the higher index wins while unsorted
  map.Delete(4);
  map.Add(static_cast<TColor>(0x010101));
  EXPECT_EQ(map.IndexOfColor(0x010101), 4);
  EXPECT_TRUE(map.SortByUsage());
  // Colour 2 is used three times, colour 0 once; 1, 3 and the copy are dropped.
  EXPECT_EQ(map.ColorCount(), 2);
  EXPECT_EQ(map.Colors(0), 0x020202u);
  EXPECT_EQ(map.Colors(1), 0x000000u);
  EXPECT_EQ(test::Pixels(frame), std::string("\x00\x00\x01\x00", 4));
  EXPECT_TRUE(map.SortedByUse());
  // Already in order: nothing changes, unused colours stay.
  map.Add(0x777777);
  map.SetSortedByUse(false);
  EXPECT_TRUE(map.SortByUsage());
  EXPECT_EQ(map.ColorCount(), 3);
  EXPECT_EQ(map.IndexOfColor(0x020202), 0);

  TGIFColorMap& one = image.Header().ColorMap();
  one.Add(0);
  EXPECT_FALSE(one.SortByUsage());
}

TEST(GIFColorMap, SortingTheGlobalMapKeepsTheBackgroundColour) {
  struct Case {
    const char* name;
    std::string pixels;  // of a frame on the global map; empty: the frame has a map of its own
    int background;
    int colors;
  } cases[] = {
      {"background unused by pixels", std::string("\3\3\2\0", 4), 1, 4},
      {"background used", std::string("\3\3\2\1", 4), 1, 3},
      {"no frame on the global map", "", 2, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TGIFImage image;
    for (TColor color : {0x000010u, 0x000020u, 0x000030u, 0x000040u}) image.Header().ColorMap().Add(color);
    image.Header().LogicalScreenDescriptor.BackgroundColorIndex = static_cast<std::uint8_t>(c.background);
    const TColor background = image.ScreenBackgroundColor();
    test::AddFrame(image, 4, 1, c.pixels.empty() ? std::string(4, '\0') : c.pixels, c.pixels.empty() ? 2 : 0);
    EXPECT_TRUE(image.Header().ColorMap().OptimizeColors());
    EXPECT_EQ(image.Header().ColorMap().ColorCount(), c.colors);
    EXPECT_EQ(image.ScreenBackgroundColor(), background);
  }
}

TEST(GIFColorMap, QuadsAndAssign) {
  TGIFImage image;
  const std::uint8_t quads[] = {3, 2, 1, 0, 6, 5, 4, 0};
  TGIFColorMap& map = image.Header().ColorMap();
  map.LoadFromQuads(quads, 2);
  EXPECT_EQ(map.Colors(0), 0x030201u);
  EXPECT_EQ(map.Colors(1), 0x060504u);
  TGIFImage other;
  other.Header().ColorMap().Assign(map);
  EXPECT_EQ(other.Header().ColorMap().ColorCount(), 2);
  EXPECT_EQ(other.Header().ColorMap().Colors(1), 0x060504u);
}

TEST(GIFColorMap, EveryChangeButClearAndReadTellsTheImageWhichMap) {
  TGIFImage image;
  TGIFSubImage& frame = test::AddFrame(image, 2, 1, std::string("\1\0", 2), 2);
  std::vector<const TGIFSubImage*> told;
  image.OnColorMapChanged = [&](TGIFSubImage* f) { told.push_back(f); };
  TGIFColorMap& global = image.Header().ColorMap();
  TGIFColorMap& local = frame.ColorMap();
  const std::uint8_t quads[8] = {1, 2, 3, 0, 4, 5, 6, 0};
  MemoryStream table(std::string(6, '\7'));
  TGIFHeader aside(&image);
  struct Case {
    const char* name;
    std::function<void()> change;
    std::vector<const TGIFSubImage*> expected;
  } cases[] = {
      {"add", [&] { global.Add(0x112233); }, {nullptr}},
      {"delete", [&] { local.Delete(1); }, {&frame}},
      {"quads", [&] { local.LoadFromQuads(quads, 2); }, {&frame}},
      {"no quads", [&] { global.LoadFromQuads(quads, 0); }, {}},
      {"assign", [&] { global.Assign(local); }, {nullptr}},
      // Only colour 0 is used: the order stays and nothing is told; then only colour 1.
      {"sorted already", [&] { frame.Data()[0] = frame.Data()[1] = 0; local.SortByUsage(); }, {}},
      {"reordered", [&] { frame.Data()[0] = frame.Data()[1] = 1; local.SortByUsage(); }, {&frame}},
      {"clear", [&] { global.Clear(); }, {}},
      {"read", [&] { local.ReadFromStream(table, 2); }, {}},
      {"a header kept aside", [&] { aside.ColorMap().Add(0x112233); }, {}},
  };
  for (const Case& c : cases) {
    told.clear();
    c.change();
    EXPECT_EQ(told, c.expected) << c.name;
  }
}

} // namespace
} // namespace qt
