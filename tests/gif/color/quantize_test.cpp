#include "gif/color/quantize.hpp"

#include "gif/codec/error.hpp"

#include <gtest/gtest.h>

#include <array>
#include <random>
#include <typeinfo>
#include <vector>

namespace qt {
namespace {

struct Rgb {
  int red, green, blue;
};

// One row of 24-bit pixels (blue, green, red).
struct Picture {
  int width = 0, height = 0;
  std::vector<std::uint8_t> bgr;
  TRowSource Rows() const {
    return [this](int row) { return bgr.data() + 3 * static_cast<std::size_t>(row) * width; };
  }
};

Picture Row(const std::vector<Rgb>& pixels) {
  Picture p{static_cast<int>(pixels.size()), 1, {}};
  for (const Rgb& c : pixels) {
    p.bgr.push_back(static_cast<std::uint8_t>(c.blue));
    p.bgr.push_back(static_cast<std::uint8_t>(c.green));
    p.bgr.push_back(static_cast<std::uint8_t>(c.red));
  }
  return p;
}

Picture Random(int width, int height, unsigned seed) {
  Picture p{width, height, std::vector<std::uint8_t>(3 * static_cast<std::size_t>(width) * height)};
  std::mt19937 random(seed);
  for (std::uint8_t& byte : p.bgr)
    byte = static_cast<std::uint8_t>(random());
  return p;
}

TPaletteEntry Entry(Rgb c) {
  return {static_cast<std::uint8_t>(c.red), static_cast<std::uint8_t>(c.green), static_cast<std::uint8_t>(c.blue), 0};
}

std::vector<TColorQuad> Export(const TColorQuantizer& q) {
  std::vector<TColorQuad> table(256);
  table.resize(static_cast<std::size_t>(q.ExportColorTable(table)));
  return table;
}

TColorQuad Quad(Rgb c) {
  return {static_cast<std::uint8_t>(c.blue), static_cast<std::uint8_t>(c.green), static_cast<std::uint8_t>(c.red), 0};
}

// Leaves of the tree, and the deepest level a leaf sits at.
void Walk(const TOctreeNode& node, int level, int& leaves, int& deepest) {
  if (node.IsLeaf) {
    ++leaves;
    deepest = std::max(deepest, level);
    return;
  }
  for (const auto& child : node.Children)
    if (child) Walk(*child, level + 1, leaves, deepest);
}

const TStaticColors kNoStatic{};

TEST(ColorQuantizerTest, FewerColorsThanTheTargetComeBackExactlyInChildOrder) {
  // At level 0 the child is red bit x 4 + green bit x 2 + blue bit of bit 7: blue (1) comes
  // before green (2) and red (4); the two dark colours differ only in their last blue bit.
  const Picture p = Row({{255, 0, 0}, {10, 20, 31}, {0, 255, 0}, {0, 0, 255}, {10, 20, 30}, {255, 0, 0}});
  const std::vector<TPaletteEntry> entries = OctreePaletteEntries(p.width, 1, p.Rows(), 256, 8, false, kNoStatic);
  ASSERT_EQ(entries.size(), 256u);
  const std::vector<TPaletteEntry> first{Entry({10, 20, 30}), Entry({10, 20, 31}), Entry({0, 0, 255}),
                                         Entry({0, 255, 0}), Entry({255, 0, 0})};
  EXPECT_EQ(std::vector<TPaletteEntry>(entries.begin(), entries.begin() + 5), first);
  for (std::size_t i = 5; i < 256; ++i)
    EXPECT_EQ(entries[i], (TPaletteEntry{0, 0, 0, 0})) << i;
}

TEST(ColorQuantizerTest, MergesTheMostRecentNodeOfTheDeepestLevelFirst) {
  TColorQuantizer q(256, 8);
  // A and B share their level-7 node; C and D share a later one under the same level-6 node.
  for (Rgb c : std::vector<Rgb>{{0, 0, 0}, {0, 0, 1}, {2, 0, 0}, {3, 0, 0}})
    q.InsertColor(static_cast<std::uint8_t>(c.red), static_cast<std::uint8_t>(c.green), static_cast<std::uint8_t>(c.blue));
  EXPECT_EQ(q.LeafCount(), 4);
  ASSERT_TRUE(q.MergeDeepestNode());
  EXPECT_EQ(q.LeafCount(), 3);
  EXPECT_EQ(Export(q), (std::vector<TColorQuad>{Quad({0, 0, 0}), Quad({0, 0, 1}), Quad({2, 0, 0})})); // 5 / 2
  ASSERT_TRUE(q.MergeDeepestNode());
  EXPECT_EQ(Export(q), (std::vector<TColorQuad>{Quad({0, 0, 0}), Quad({2, 0, 0})})); // blue 1 / 2
  ASSERT_TRUE(q.MergeDeepestNode()); // level 7 is empty now: the level-6 node
  EXPECT_EQ(q.LeafCount(), 1);
  EXPECT_EQ(Export(q), (std::vector<TColorQuad>{Quad({1, 0, 0})})); // red 5 / 4
  // The chain above it has one child each: merging keeps one leaf, up to the root.
  for (int i = 0; i < 6; ++i)
    ASSERT_TRUE(q.MergeDeepestNode()) << i;
  EXPECT_TRUE(q.Tree()->IsLeaf);
  EXPECT_FALSE(q.MergeDeepestNode());
  EXPECT_EQ(q.LeafCount(), 1);
}

TEST(ColorQuantizerTest, LeafCountStaysWithinTheTarget) {
  const Picture p = Random(97, 31, 3);
  for (const auto& [target, depth] : std::vector<std::pair<int, int>>{{1, 8}, {2, 8}, {16, 8}, {236, 8}, {256, 8}, {16, 3}}) {
    SCOPED_TRACE(testing::Message() << target << " colours, depth " << depth);
    TColorQuantizer stepped(target, depth);
    for (std::size_t i = 0; i < p.bgr.size(); i += 3) {
      stepped.InsertColor(p.bgr[i + 2], p.bgr[i + 1], p.bgr[i]);
      ASSERT_LE(stepped.LeafCount(), target + 1);
      while (stepped.LeafCount() > target)
        ASSERT_TRUE(stepped.MergeDeepestNode());
      int leaves = 0, deepest = 0;
      Walk(*stepped.Tree(), 0, leaves, deepest);
      ASSERT_EQ(leaves, stepped.LeafCount());
      ASSERT_LE(deepest, depth);
    }
    TColorQuantizer scanned(target, depth);
    scanned.ScanImage(p.width, p.height, p.Rows());
    EXPECT_LE(scanned.LeafCount(), target);
    EXPECT_GE(scanned.LeafCount(), 1);
    EXPECT_EQ(Export(scanned), Export(stepped));
  }
}

TEST(ColorQuantizerTest, OneColorIsTheTruncatedMean) {
  const Picture p = Row({{1, 200, 0}, {2, 201, 255}, {2, 0, 254}});
  TColorQuantizer q(1, 8);
  q.ScanImage(p.width, 1, p.Rows());
  EXPECT_EQ(q.LeafCount(), 1);
  EXPECT_EQ(Export(q), (std::vector<TColorQuad>{Quad({1, 133, 169})})); // 5/3, 401/3, 509/3
  EXPECT_EQ(OctreePaletteEntries(p.width, 1, p.Rows(), 1, 8, false, kNoStatic),
            (std::vector<TPaletteEntry>{Entry({1, 133, 169})}));
}

TEST(ColorQuantizerTest, MeansOfPicturesBeyondThirtyTwoBitSums) {
  // 17.6 million white pixels sum past 2^32 in every channel.
  const Picture row = Row(std::vector<Rgb>(4200, Rgb{255, 254, 253}));
  TColorQuantizer q(1, 8);
  q.ScanImage(row.width, 4200, [&](int) { return row.bgr.data(); });
  EXPECT_EQ(Export(q), (std::vector<TColorQuad>{Quad({255, 254, 253})}));
}

TEST(OctreePaletteTest, KeepStaticPutsTheStaticColorsAtBothEnds) {
  TStaticColors statics{};
  for (std::size_t i = 0; i < statics.size(); ++i)
    statics[i] = {static_cast<std::uint8_t>(100 + i), 1, 2, 0};
  const Picture few = Row({{0, 0, 255}, {0, 255, 0}});
  std::vector<TPaletteEntry> entries = OctreePaletteEntries(few.width, 1, few.Rows(), 256, 8, true, statics);
  ASSERT_EQ(entries.size(), 256u);
  for (std::size_t i = 0; i < 10; ++i) {
    EXPECT_EQ(entries[i], statics[i]) << i;
    EXPECT_EQ(entries[246 + i], statics[10 + i]) << i;
  }
  EXPECT_EQ(entries[10], Entry({0, 0, 255}));
  EXPECT_EQ(entries[11], Entry({0, 255, 0}));
  for (std::size_t i = 12; i < 246; ++i)
    EXPECT_EQ(entries[i], (TPaletteEntry{0, 0, 0, 0})) << i;

  // Many colours: at most 236 of them, all between the static ones.
  const Picture many = Random(64, 64, 9);
  TColorQuantizer q(236, 8);
  q.ScanImage(many.width, many.height, many.Rows());
  const std::vector<TColorQuad> table = Export(q);
  entries = OctreePaletteEntries(many.width, many.height, many.Rows(), 256, 8, true, statics);
  ASSERT_EQ(entries.size(), 256u);
  EXPECT_EQ(entries[9], statics[9]);
  EXPECT_EQ(entries[246], statics[10]);
  ASSERT_LE(table.size(), 236u);
  for (std::size_t i = 0; i < table.size(); ++i)
    EXPECT_EQ(entries[10 + i], Entry({table[i].red, table[i].green, table[i].blue})) << i;
}

TEST(OctreePaletteTest, ColorCountsOfThePalette) {
  const Picture p = Random(16, 16, 1);
  for (const auto& [colors, size] : std::vector<std::pair<int, std::size_t>>{{2, 2}, {16, 16}, {300, 256}, {0, 0}})
    EXPECT_EQ(OctreePaletteEntries(p.width, p.height, p.Rows(), colors, 8, false, kNoStatic).size(), size) << colors;
}

TEST(FixedPaletteTest, Entries) {
  const std::vector<TPaletteEntry> gray = Gray256Entries();
  ASSERT_EQ(gray.size(), 256u);
  for (std::size_t i = 0; i < 256; ++i) {
    const auto y = static_cast<std::uint8_t>(i);
    EXPECT_EQ(gray[i], (TPaletteEntry{y, y, y, 4})) << i;
  }
  EXPECT_EQ(BlackWhiteEntries(), (std::vector<TPaletteEntry>{{0, 0, 0, 4}, {255, 255, 255, 4}}));
  EXPECT_EQ(Gray4Entries(),
            (std::vector<TPaletteEntry>{{0, 0, 0, 4}, {128, 128, 128, 4}, {192, 192, 192, 4}, {255, 255, 255, 4}}));
}

TEST(DitherKindTest, EngineOfEachKind) {
  TGrayScaleLookup gray;
  const std::vector<const std::type_info*> engines{&typeid(TDitherEngine),     &typeid(TFloydSteinbergDitherer),
                                                   &typeid(TStuckiDitherer),   &typeid(TSierraDitherer),
                                                   &typeid(TJaJuNiDitherer),   &typeid(TSteveArcheDitherer),
                                                   &typeid(TBurkesDitherer)};
  for (std::size_t kind = 0; kind < engines.size(); ++kind) {
    const std::unique_ptr<TDitherEngine> engine = MakeDitherEngine(static_cast<std::uint8_t>(kind), 5, gray);
    EXPECT_EQ(typeid(*engine), *engines[kind]) << kind;
    EXPECT_EQ(engine->Width(), 5);
  }
  for (int kind : {7, 255}) {
    try {
      MakeDitherEngine(static_cast<std::uint8_t>(kind), 5, gray);
      ADD_FAILURE() << kind;
    } catch (const GIFException& e) {
      EXPECT_STREQ(e.what(), "Invalid dither kind");
    }
  }
}

} // namespace
} // namespace qt
