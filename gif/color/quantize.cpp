#include "gif/color/quantize.hpp"

#include "gif/codec/error.hpp"

#include <algorithm>

namespace qt {
namespace {

constexpr std::uint8_t kNoCollapse = 4; // PC_NOCOLLAPSE

void FillColorTable(const TOctreeNode& node, std::span<TColorQuad> table, int& index) {
  if (node.IsLeaf) {
    if (index >= static_cast<int>(table.size())) return;
    TColorQuad quad{0, 0, 0, 0};
    if (node.PixelCount > 0) {
      quad.blue = static_cast<std::uint8_t>(node.BlueSum / node.PixelCount);
      quad.green = static_cast<std::uint8_t>(node.GreenSum / node.PixelCount);
      quad.red = static_cast<std::uint8_t>(node.RedSum / node.PixelCount);
    }
    table[static_cast<std::size_t>(index++)] = quad;
    return;
  }
  for (const std::unique_ptr<TOctreeNode>& child : node.Children)
    if (child) FillColorTable(*child, table, index);
}

} // namespace

std::unique_ptr<TDitherEngine> MakeDitherEngine(std::uint8_t kind, int width, TColorLookup& lookup) {
  switch (kind) {
  case DitherNearest: return std::make_unique<TDitherEngine>(width, lookup);
  case DitherFloydSteinberg: return std::make_unique<TFloydSteinbergDitherer>(width, lookup);
  case DitherStucki: return std::make_unique<TStuckiDitherer>(width, lookup);
  case DitherSierra: return std::make_unique<TSierraDitherer>(width, lookup);
  case DitherJarvisJudiceNinke: return std::make_unique<TJaJuNiDitherer>(width, lookup);
  case DitherStevensonArce: return std::make_unique<TSteveArcheDitherer>(width, lookup);
  case DitherBurkes: return std::make_unique<TBurkesDitherer>(width, lookup);
  default: throw GIFException(gif_text::kInvalidDitherKind);
  }
}

TColorQuantizer::TColorQuantizer(int maxColors, int colorBits)
    : maxColors_(maxColors), colorBits_(std::clamp(colorBits, 0, 8)) {}

TColorQuantizer::~TColorQuantizer() = default;

void TColorQuantizer::InsertColor(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
  std::unique_ptr<TOctreeNode>* link = &tree_;
  for (int level = 0;; ++level) {
    if (!*link) {
      *link = std::make_unique<TOctreeNode>();
      TOctreeNode& made = **link;
      if (level >= colorBits_) {
        made.IsLeaf = true;
        ++leafCount_;
      } else {
        made.NextReducible = reducibleNodes_[static_cast<std::size_t>(level)];
        reducibleNodes_[static_cast<std::size_t>(level)] = &made;
      }
    }
    TOctreeNode& node = **link;
    if (node.IsLeaf) {
      ++node.PixelCount;
      node.RedSum += red;
      node.GreenSum += green;
      node.BlueSum += blue;
      return;
    }
    const int shift = 7 - level;
    const int child = ((red >> shift) & 1) << 2 | ((green >> shift) & 1) << 1 | ((blue >> shift) & 1);
    link = &node.Children[static_cast<std::size_t>(child)];
  }
}

bool TColorQuantizer::MergeDeepestNode() {
  int level = colorBits_ - 1;
  while (level > 0 && !reducibleNodes_[static_cast<std::size_t>(level)])
    --level;
  if (level < 0 || !reducibleNodes_[static_cast<std::size_t>(level)]) return false;
  TOctreeNode* node = reducibleNodes_[static_cast<std::size_t>(level)];
  reducibleNodes_[static_cast<std::size_t>(level)] = node->NextReducible;
  node->NextReducible = nullptr;
  // No deeper level has inner nodes, so every child is a leaf.
  int children = 0;
  for (std::unique_ptr<TOctreeNode>& child : node->Children) {
    if (!child) continue;
    node->PixelCount += child->PixelCount;
    node->RedSum += child->RedSum;
    node->GreenSum += child->GreenSum;
    node->BlueSum += child->BlueSum;
    child.reset();
    ++children;
  }
  node->IsLeaf = true;
  leafCount_ -= children - 1;
  return true;
}

void TColorQuantizer::ScanImage(int width, int height, const TRowSource& rows) {
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* pixel = rows(y);
    for (int x = 0; x < width; ++x, pixel += 3) {
      InsertColor(pixel[2], pixel[1], pixel[0]);
      while (leafCount_ > maxColors_ && MergeDeepestNode()) {
      }
    }
  }
}

int TColorQuantizer::ExportColorTable(std::span<TColorQuad> table) const {
  int index = 0;
  if (tree_) FillColorTable(*tree_, table, index);
  return index;
}

std::vector<TPaletteEntry> OctreePaletteEntries(int width, int height, const TRowSource& rows, int colors,
                                                int depth, bool keepStatic, const TStaticColors& staticColors) {
  std::vector<TPaletteEntry> slots(256, TPaletteEntry{0, 0, 0, 0});
  colors = std::clamp(colors, 0, 256);
  std::size_t start = 0, count = static_cast<std::size_t>(colors);
  if (keepStatic) {
    std::copy_n(staticColors.begin(), 10, slots.begin());
    std::copy_n(staticColors.begin() + 10, 10, slots.begin() + 246);
    colors = 236;
    start = 10;
    count = 256;
  }
  if (colors > 0) {
    TColorQuantizer quantizer(colors, depth);
    quantizer.ScanImage(width, height, rows);
    std::array<TColorQuad, 256> table{};
    quantizer.ExportColorTable(table);
    for (std::size_t i = 0; i < static_cast<std::size_t>(colors); ++i)
      slots[start + i] = {table[i].red, table[i].green, table[i].blue, 0};
  }
  slots.resize(count);
  return slots;
}

std::vector<TPaletteEntry> Gray256Entries() {
  std::vector<TPaletteEntry> entries;
  for (int i = 0; i < 256; ++i) {
    const auto y = static_cast<std::uint8_t>(i);
    entries.push_back({y, y, y, kNoCollapse});
  }
  return entries;
}

std::vector<TPaletteEntry> BlackWhiteEntries() {
  return {{0, 0, 0, kNoCollapse}, {255, 255, 255, kNoCollapse}};
}

std::vector<TPaletteEntry> Gray4Entries() {
  std::vector<TPaletteEntry> entries;
  for (int grey : {0, 128, 192, 255}) {
    const auto y = static_cast<std::uint8_t>(grey);
    entries.push_back({y, y, y, kNoCollapse});
  }
  return entries;
}

} // namespace qt
