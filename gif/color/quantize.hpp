#pragma once
// Colour reduction without the platform: the octree quantiser (Gervautz-Purgathofer), the
// entries of the palettes that colour reduction offers, and the dither engine of a dither kind.
#include "base/dib_layout.hpp"
#include "gif/color/dither.hpp"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <vector>

namespace qt {

// Reduction methods.
inline constexpr std::uint8_t ReduceNone = 0;
inline constexpr std::uint8_t ReduceSystem20 = 1;
inline constexpr std::uint8_t ReduceHalftone = 2;
inline constexpr std::uint8_t ReduceGray4 = 3;
inline constexpr std::uint8_t ReduceBlackWhite = 4;
inline constexpr std::uint8_t ReduceGray256 = 5;
inline constexpr std::uint8_t ReduceCube216 = 6;
inline constexpr std::uint8_t ReduceOctree = 7;
inline constexpr std::uint8_t ReduceOctreeSystem = 8;
inline constexpr std::uint8_t ReduceGivenPalette = 9;

// Dither kinds.
inline constexpr std::uint8_t DitherNearest = 0;
inline constexpr std::uint8_t DitherFloydSteinberg = 1;
inline constexpr std::uint8_t DitherStucki = 2;
inline constexpr std::uint8_t DitherSierra = 3;
inline constexpr std::uint8_t DitherJarvisJudiceNinke = 4;
inline constexpr std::uint8_t DitherStevensonArce = 5;
inline constexpr std::uint8_t DitherBurkes = 6;

// The engine of a dither kind over the lookup (not owned). GIFException "Invalid dither kind"
// for a kind above 6.
std::unique_ptr<TDitherEngine> MakeDitherEngine(std::uint8_t kind, int width, TColorLookup& lookup);

struct TOctreeNode {
  bool IsLeaf = false;
  // Only leaves count and sum pixels. The sums have 64 bits so that no picture's size wraps them.
  std::uint32_t PixelCount = 0;
  std::uint64_t RedSum = 0, GreenSum = 0, BlueSum = 0;
  TOctreeNode* NextReducible = nullptr; // the next inner node of the same level
  // Index: red bit x 4 + green bit x 2 + blue bit.
  std::array<std::unique_ptr<TOctreeNode>, 8> Children;
};

// One colour of an exported table.
struct TColorQuad {
  std::uint8_t blue, green, red, reserved;
  friend bool operator==(const TColorQuad&, const TColorQuad&) = default;
};

// Row `row` of a picture, top first: width pixels of three bytes (blue, green, red).
using TRowSource = std::function<const std::uint8_t*(int row)>;

// Leaves sit at level colorBits (at most 8); the tree merges as soon as an insertion passes the
// colour target, so it never holds more than maxColors + 1 leaves.
class TColorQuantizer {
public:
  TColorQuantizer(int maxColors, int colorBits);
  ~TColorQuantizer();
  TColorQuantizer(const TColorQuantizer&) = delete;
  TColorQuantizer& operator=(const TColorQuantizer&) = delete;

  void ScanImage(int width, int height, const TRowSource& rows);
  // Writes the leaves' mean colours (truncated) in child order 0..7, depth first, as far as the
  // table reaches; the number written.
  int ExportColorTable(std::span<TColorQuad> table) const;

  // The steps of a scan: one pixel into the tree, and one merge of the most recently made node
  // of the deepest level that has inner nodes (false, doing nothing, when none is left).
  void InsertColor(std::uint8_t red, std::uint8_t green, std::uint8_t blue);
  bool MergeDeepestNode();

  int LeafCount() const { return leafCount_; }
  const TOctreeNode* Tree() const { return tree_.get(); }

private:
  std::unique_ptr<TOctreeNode> tree_;
  int leafCount_ = 0;
  std::array<TOctreeNode*, 8> reducibleNodes_{};
  int maxColors_;
  int colorBits_;
};

// The 20 static colours of the platform's default palette.
using TStaticColors = std::array<TPaletteEntry, 20>;

// The entries of an octree palette of the picture: colors (at most 256) quantised colours from
// slot 0, black past those the tree produced. With keepStatic the palette has 256 entries:
// staticColors 0-9 in slots 0-9, 10-19 in slots 246-255, and 236 quantised colours from slot 10.
std::vector<TPaletteEntry> OctreePaletteEntries(int width, int height, const TRowSource& rows, int colors,
                                                int depth, bool keepStatic, const TStaticColors& staticColors);

// The fixed palettes, flags PC_NOCOLLAPSE (4): 256 greys, black and white, and the greys 0, 128,
// 192 and 255.
std::vector<TPaletteEntry> Gray256Entries();
std::vector<TPaletteEntry> BlackWhiteEntries();
std::vector<TPaletteEntry> Gray4Entries();

} // namespace qt
