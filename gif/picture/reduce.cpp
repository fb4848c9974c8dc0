#include "gif/picture/reduce.hpp"

#include "gif/codec/error.hpp"
#include "gif/picture/picture.hpp"

#include <algorithm>

namespace qt {
namespace {

win::UniquePalette PaletteOf(const std::vector<TPaletteEntry>& entries) {
  std::vector<PALETTEENTRY> platform;
  platform.reserve(entries.size());
  for (const TPaletteEntry& e : entries)
    platform.push_back({e.red, e.green, e.blue, e.flags});
  return win::MakePalette(platform);
}

// The platform's shared default palette: never deleted.
HPALETTE DefaultPalette() { return static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE)); }

TStaticColors StaticColors() {
  TStaticColors colors{};
  const std::vector<PALETTEENTRY> entries = win::PaletteEntries(DefaultPalette());
  for (std::size_t i = 0; i < std::min(entries.size(), colors.size()); ++i)
    colors[i] = {entries[i].peRed, entries[i].peGreen, entries[i].peBlue, entries[i].peFlags};
  return colors;
}

const std::uint8_t* Row(TDIBReader& reader, int row) { return static_cast<const std::uint8_t*>(reader.RowAddress(row)); }

} // namespace

win::UniquePalette MakeGray256Palette() { return PaletteOf(Gray256Entries()); }
win::UniquePalette MakeBlackWhitePalette() { return PaletteOf(BlackWhiteEntries()); }
win::UniquePalette MakeGray4Palette() { return PaletteOf(Gray4Entries()); }

win::UniquePalette MakeHalftonePalette() {
  win::WindowDC screen(nullptr);
  return win::UniquePalette(win::CheckGDIHandle(CreateHalftonePalette(win::CheckGDIHandle(screen.get()))));
}

win::UniquePalette BuildOctreePalette(TDIBReader& reader, int colors, int depth, bool keepStatic) {
  if (reader.PixelFormat() != win::pf24bit) throw GIFException("Unsupported PixelFormat");
  const win::TBitmap& bitmap = reader.Bitmap();
  return PaletteOf(OctreePaletteEntries(bitmap.Width(), bitmap.Height(),
                                        [&reader](int row) { return Row(reader, row); }, colors, depth, keepStatic,
                                        StaticColors()));
}

win::UniquePalette BitmapOctreePalette(win::TBitmap& bitmap, int colors, int depth, bool keepStatic) {
  TDIBReader reader(bitmap, win::pf24bit);
  return BuildOctreePalette(reader, colors, depth, keepStatic);
}

std::unique_ptr<win::TBitmap> QuantizeBitmap(win::TBitmap& source, std::uint8_t method, std::uint8_t dither, int bits,
                                             HPALETTE palette) {
  if (method > ReduceGivenPalette) throw GIFException(gif_text::kInvalidReductionMethod);
  auto result = std::make_unique<win::TBitmap>();
  if (method == ReduceNone) {
    result->Assign(source);
    result->SetPixelFormat(win::pf24bit);
    return result;
  }
  if (dither > DitherBurkes) throw GIFException(gif_text::kInvalidDitherKind);
  // Keeps the empty result small while the large picture is converted.
  if (static_cast<std::int64_t>(source.Width()) * source.Height() > 500000) result->SetPixelFormat(win::pf1bit);
  TDIBReader reader(source, win::pf24bit);

  win::UniquePalette owned;
  switch (method) {
  case ReduceHalftone: owned = MakeHalftonePalette(); break;
  case ReduceGray4: owned = MakeGray4Palette(); break;
  case ReduceBlackWhite: owned = MakeBlackWhitePalette(); break;
  case ReduceGray256: owned = MakeGray256Palette(); break;
  case ReduceCube216: owned = MakeCubePalette(); break;
  case ReduceOctree: owned = BuildOctreePalette(reader, 1 << std::clamp(bits, 0, 8), 8, false); break;
  case ReduceOctreeSystem: owned = BitmapOctreePalette(source, 256, 8, true); break;
  case ReduceGivenPalette: owned = win::DuplicatePalette(palette); break;
  default: break;
  }
  const HPALETTE used = method == ReduceSystem20 ? DefaultPalette() : owned.get();

  std::unique_ptr<TColorLookup> lookup;
  switch (method) {
  case ReduceBlackWhite: lookup = std::make_unique<TMonochromeLookup>(); break;
  case ReduceGray256: lookup = std::make_unique<TGrayScaleLookup>(); break;
  case ReduceCube216: lookup = std::make_unique<TNetscapeColorLookup>(); break;
  default: lookup = std::make_unique<TSlowColorLookup>(used); break;
  }
  if (lookup->PaletteSize() == 0) return result;

  const std::unique_ptr<TDitherEngine> engine = MakeDitherEngine(dither, source.Width(), *lookup);
  {
    TDIBWriter writer(*result, win::pf8bit, source.Width(), source.Height(), used);
    for (int y = 0; y < source.Height(); ++y)
      DitherRow(*engine, Row(reader, y), static_cast<std::uint8_t*>(writer.RowAddress(y)));
  }
  return result;
}

} // namespace qt
