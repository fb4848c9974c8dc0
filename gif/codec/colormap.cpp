#include "gif/codec/colormap.hpp"

#include "gif/codec/GIFImage.hpp"
#include "gif/codec/error.hpp"

#include <algorithm>
#include <cstring>

namespace qt {

void TGIFColorMap::Clear() {
  triples_.clear();
  triples_.shrink_to_fit();
  colorCount_ = 0;
  sortedByUse_ = false;
}

void TGIFColorMap::Reserve(int n) {
  if (n < Capacity())
    return;
  int capacity = n <= 16 ? 16 : (n + 31) / 32 * 32;
  capacity = std::min(capacity, 256);
  triples_.resize(static_cast<std::size_t>(capacity));
}

void TGIFColorMap::ReadFromStream(Stream& stream, int n) {
  Clear();
  Reserve(n);
  ReadExact(stream, triples_.data(), 3 * static_cast<std::size_t>(n));
  colorCount_ = n;
}

void TGIFColorMap::WriteToStream(Stream& stream) const {
  if (colorCount_ == 0)
    return;
  std::vector<RGBTriple> table(std::size_t{1} << BitsPerPixel());
  std::copy_n(triples_.begin(), colorCount_, table.begin());
  stream.Write(table.data(), 3 * table.size());
}

int TGIFColorMap::IndexOfColor(TColor color) const {
  const RGBTriple t = ColorToTriple(color);
  if (sortedByUse_) {
    for (int i = 0; i < colorCount_; ++i)
      if (triples_[i] == t)
        return i;
  } else {
    for (int i = colorCount_ - 1; i >= 0; --i)
      if (triples_[i] == t)
        return i;
  }
  return -1;
}

int TGIFColorMap::Add(TColor color) {
  if (colorCount_ >= 256)
    RaiseGIFError(gif_text::kColorTableOverflow);
  if (colorCount_ >= Capacity())
    Reserve(colorCount_ + 1);
  triples_[colorCount_] = ColorToTriple(color);
  sortedByUse_ = false;
  const int index = colorCount_++;
  Changed();
  return index;
}

int TGIFColorMap::AddIfMissing(TColor color) {
  const int index = IndexOfColor(color);
  return index >= 0 ? index : Add(color);
}

void TGIFColorMap::Delete(int index) {
  if (index < 0 || index >= colorCount_)
    RaiseGIFError(gif_text::kInvalidColorIndex);
  std::copy(triples_.begin() + index + 1, triples_.begin() + colorCount_, triples_.begin() + index);
  --colorCount_;
  sortedByUse_ = false;
  Changed();
}

TColor TGIFColorMap::Colors(int index) {
  if (index < 0 || index >= colorCount_) {
    Warning(1, gif_text::kInvalidColorIndex);
    if (colorCount_ == 0)
      RaiseGIFError(gif_text::kColorTableEmpty);
    index = 0;
  }
  return TripleToColor(triples_[index]);
}

void TGIFColorMap::LoadFromQuads(const std::uint8_t* quads, int n) {
  Clear();
  n = std::min(n, 256);
  if (n <= 0)
    return;
  Reserve(n);
  for (int i = 0; i < n; ++i)
    triples_[i] = {quads[4 * i + 2], quads[4 * i + 1], quads[4 * i]};
  colorCount_ = n;
  Changed();
}

void TGIFColorMap::Assign(const TGIFColorMap& source) {
  if (&source == this)
    return;
  Clear();
  triples_.assign(source.triples_.size(), RGBTriple{});
  std::copy_n(source.triples_.begin(), source.colorCount_, triples_.begin());
  colorCount_ = source.colorCount_;
  sortedByUse_ = source.sortedByUse_;
  Changed();
}

namespace {

// The order of equal counts is that of this exact partition scheme, so it is kept as it is.
void SortUsage(TUsageTable& r, int low, int high) {
  int i;
  do {
    i = low;
    int j = high;
    const std::int64_t pivot = r[(low + high) / 2].count;
    do {
      while (r[i].count > pivot)
        ++i;
      while (r[j].count < pivot)
        --j;
      if (i <= j) {
        std::swap(r[i], r[j]);
        ++i;
        --j;
      }
    } while (i <= j);
    if (low < j)
      SortUsage(r, low, j);
    low = i;
  } while (i < high);
}

} // namespace

bool TGIFColorMap::SortByUsage() {
  if (colorCount_ <= 1)
    return false;
  sortedByUse_ = true;
  TUsageTable table{};
  CountUsage(table);
  SortUsage(table, 0, colorCount_ - 1);
  bool same = true;
  for (int k = 0; k < colorCount_; ++k)
    same = same && table[k].index == k;
  if (same)
    return true;
  TColorRemap remap{};
  for (int k = 0; k < colorCount_; ++k)
    remap[table[k].index] = static_cast<std::uint8_t>(k);
  RemapPixels(remap);
  const std::vector<RGBTriple> old = triples_;
  int count = colorCount_;
  for (int k = 0; k < colorCount_; ++k) {
    triples_[k] = old[table[k].index];
    if (table[k].count == 0 && count == colorCount_)
      count = k;
  }
  colorCount_ = count;
  Changed();
  return true;
}

namespace {

// Pixels at or above the map's size have no entry: they are not counted and keep their value.
void CountFrame(TGIFSubImage& frame, int colors, TUsageTable& table) {
  const std::uint8_t* p = frame.Data();
  for (std::uint64_t i = 0; p && i < frame.DataSize(); ++i)
    if (p[i] < colors)
      ++table[p[i]].count;
}

void RemapFrame(TGIFSubImage& frame, int colors, const TColorRemap& remap) {
  std::uint8_t* p = frame.Data();
  for (std::uint64_t i = 0; p && i < frame.DataSize(); ++i)
    if (p[i] < colors)
      p[i] = remap[p[i]];
  TGIFGraphicControlExtension* gce = frame.GraphicControlExtension();
  if (frame.Transparent() && gce && gce->TransparentColorIndex() < colors)
    gce->ControlBlock[4] = remap[gce->TransparentColorIndex()];
}

void StartTable(int colors, TUsageTable& table) {
  for (int i = 0; i < colors; ++i)
    table[i] = {0, i};
}

} // namespace

// The logical screen's background colour counts as a use, so that sorting keeps it and its index
// follows it.
void TGIFGlobalColorMap::CountUsage(TUsageTable& table) {
  StartTable(ColorCount(), table);
  const std::uint8_t background = ownerHeader_.LogicalScreenDescriptor.BackgroundColorIndex;
  if (background < ColorCount())
    ++table[background].count;
  TGIFImage* image = ownerHeader_.Image();
  for (int i = 0; image && i < image->Images().Count(); ++i) {
    TGIFSubImage& frame = image->Images().Items(i);
    if (&frame.EffectiveColorMap() == this)
      CountFrame(frame, ColorCount(), table);
  }
}

void TGIFGlobalColorMap::RemapPixels(const TColorRemap& table) {
  std::uint8_t& background = ownerHeader_.LogicalScreenDescriptor.BackgroundColorIndex;
  if (background < ColorCount())
    background = table[background];
  TGIFImage* image = ownerHeader_.Image();
  for (int i = 0; image && i < image->Images().Count(); ++i) {
    TGIFSubImage& frame = image->Images().Items(i);
    if (&frame.EffectiveColorMap() == this)
      RemapFrame(frame, ColorCount(), table);
  }
}

bool TGIFGlobalColorMap::OptimizeColors() {
  TGIFImage* image = ownerHeader_.Image();
  if (!image || image->Images().Count() == 0)
    return false;
  return SortByUsage();
}

void TGIFGlobalColorMap::Changed() {
  // A header kept aside (a copy to restore) is not the one the image draws with.
  if (TGIFImage* image = ownerHeader_.Image(); image && &image->Header() == &ownerHeader_)
    image->ColorMapChanged(nullptr);
}

void TGIFGlobalColorMap::Warning(std::uint8_t severity, const std::string& message) {
  if (TGIFImage* image = ownerHeader_.Image())
    image->ReportWarning(this, severity, message);
}

void TGIFLocalColorMap::CountUsage(TUsageTable& table) {
  StartTable(ColorCount(), table);
  CountFrame(ownerFrame_, ColorCount(), table);
}

void TGIFLocalColorMap::RemapPixels(const TColorRemap& table) {
  RemapFrame(ownerFrame_, ColorCount(), table);
}

void TGIFLocalColorMap::Changed() {
  if (TGIFImage* image = ownerFrame_.Image())
    image->ColorMapChanged(&ownerFrame_);
}

void TGIFLocalColorMap::Warning(std::uint8_t severity, const std::string& message) {
  if (TGIFImage* image = ownerFrame_.Image())
    image->ReportWarning(this, severity, message);
}

} // namespace qt
