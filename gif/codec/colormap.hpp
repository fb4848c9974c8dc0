#pragma once
#include "base/stream.hpp"
#include "gif/codec/util.hpp"

#include <array>
#include <cstdint>
#include <vector>

namespace qt {

using TColor = std::uint32_t;  // $00BBGGRR, as Win32 colours are

class TGIFImage;
class TGIFHeader;
class TGIFSubImage;

// How often each colour of a map is used: filled by CountUsage, sorted by SortByUsage.
struct TUsageCount {
  std::int64_t count = 0;
  int index = 0;
};
using TUsageTable = std::array<TUsageCount, 256>;
using TColorRemap = std::array<std::uint8_t, 256>;

// A GIF colour table: up to 256 triples, red, green and blue as the file stores them.
class TGIFColorMap {
 public:
  virtual ~TGIFColorMap() = default;
  TGIFColorMap() = default;
  TGIFColorMap(const TGIFColorMap&) = delete;
  TGIFColorMap& operator=(const TGIFColorMap&) = delete;

  int ColorCount() const { return colorCount_; }
  int Capacity() const { return static_cast<int>(triples_.size()); }
  bool SortedByUse() const { return sortedByUse_; }
  void SetSortedByUse(bool sorted) { sortedByUse_ = sorted; }
  const RGBTriple* ColorTriples() const { return triples_.data(); }

  void Clear();
  // Grows the capacity to hold n colours: 16, or a multiple of 32, never above 256.
  void Reserve(int n);
  void ReadFromStream(Stream& stream, int n);
  // The colours, then zero triples up to 2^BitsPerPixel entries; nothing for an empty map.
  void WriteToStream(Stream& stream) const;
  int IndexOfColor(TColor color) const;
  int Add(TColor color);
  int AddIfMissing(TColor color);
  void Delete(int index);
  // An index out of range warns and answers colour 0; an empty map then raises.
  TColor Colors(int index);
  int BitsPerPixel() const { return BitsForColors(colorCount_); }
  // Entries stored blue, green, red, reserved; at most 256.
  void LoadFromQuads(const std::uint8_t* quads, int n);
  void Assign(const TGIFColorMap& source);
  // Orders the colours by falling use and drops the unused ones; false when there is nothing
  // to sort.
  bool SortByUsage();

  virtual void CountUsage(TUsageTable& table) = 0;
  virtual void RemapPixels(const TColorRemap& table) = 0;
  virtual bool OptimizeColors() = 0;
  // Tells the owner that the colours changed. Clear and ReadFromStream do not; every other change
  // does.
  virtual void Changed() = 0;
  virtual void Warning(std::uint8_t severity, const std::string& message) = 0;

  static RGBTriple ColorToTriple(TColor color) {
    return {static_cast<std::uint8_t>(color), static_cast<std::uint8_t>(color >> 8),
            static_cast<std::uint8_t>(color >> 16)};
  }
  static TColor TripleToColor(RGBTriple t) {
    return static_cast<TColor>(t.red) | static_cast<TColor>(t.green) << 8 |
           static_cast<TColor>(t.blue) << 16;
  }

 private:
  std::vector<RGBTriple> triples_;  // Capacity entries
  int colorCount_ = 0;
  bool sortedByUse_ = false;
};

class TGIFGlobalColorMap : public TGIFColorMap {
 public:
  explicit TGIFGlobalColorMap(TGIFHeader& owner) : ownerHeader_(owner) {}
  TGIFHeader& OwnerHeader() const { return ownerHeader_; }

  void CountUsage(TUsageTable& table) override;
  void RemapPixels(const TColorRemap& table) override;
  bool OptimizeColors() override;
  void Changed() override;
  void Warning(std::uint8_t severity, const std::string& message) override;

 private:
  TGIFHeader& ownerHeader_;
};

class TGIFLocalColorMap : public TGIFColorMap {
 public:
  explicit TGIFLocalColorMap(TGIFSubImage& owner) : ownerFrame_(owner) {}
  TGIFSubImage& OwnerFrame() const { return ownerFrame_; }

  void CountUsage(TUsageTable& table) override;
  void RemapPixels(const TColorRemap& table) override;
  bool OptimizeColors() override { return SortByUsage(); }
  void Changed() override;
  void Warning(std::uint8_t severity, const std::string& message) override;

 private:
  TGIFSubImage& ownerFrame_;
};

} // namespace qt
