// A frame made from another frame or from a platform graphic: the graphic's pixels become the
// frame's indices and colour map, its transparent parts a transparent colour.
#include "base/flag_scope.hpp"
#include "gif/picture/dib.hpp"
#include "gif/codec/frame_merge.hpp"
#include "gif/picture/picture.hpp"
#include "gif/picture/reduce.hpp"
#include "win/icon.hpp"
#include "win/metafile.hpp"

#include <algorithm>
#include <cstring>
#include <limits>
#include <optional>

namespace qt {
namespace {

constexpr char kConverting[] = "Converting...";

using RowProgress = std::function<void(int y)>;

const std::uint8_t* SourceRow(TDIBReader& reader, int y) {
  return static_cast<const std::uint8_t*>(reader.RowAddress(y));
}

// Rows of 1, 4 or 8 bits: the indices as they are, most significant bits first. The colour map
// is the bitmap's colour table, as long as its palette, and longer only where a pixel points past
// the palette, so that every pixel names a colour.
void CopyIndexedRows(TGIFSubImage& frame, TDIBReader& reader, const RowProgress& progress) {
  const int bits = win::BitsPerPixel(reader.PixelFormat());
  const int width = frame.Width(), height = frame.Height();
  const int perByte = 8 / bits, mask = (1 << bits) - 1;
  int highest = 0;
  for (int y = 0; y < height; ++y) {
    progress(y);
    const std::uint8_t* row = SourceRow(reader, y);
    std::uint8_t* out = frame.RowPointer(y);
    for (int x = 0; x < width; ++x) {
      const int shift = bits * (perByte - 1 - x % perByte);
      out[x] = static_cast<std::uint8_t>((row[x / perByte] >> shift) & mask);
      highest = std::max<int>(highest, out[x]);
    }
  }
  win::TBitmap& bitmap = reader.Bitmap();
  RGBQUAD table[256];
  const int entries = static_cast<int>(GetDIBColorTable(bitmap.Canvas().Handle(), 0, 256, table));
  int count = bitmap.Palette() ? static_cast<int>(win::PaletteEntries(bitmap.Palette()).size()) : entries;
  count = std::min(std::max(count, highest + 1), entries);
  frame.ColorMap().LoadFromQuads(reinterpret_cast<const std::uint8_t*>(table), count);
}

// Rows of 24 bits: each new colour is added to the map. The last eight colours met are kept with
// their indices, searched from the latest backwards, since neighbouring pixels repeat colours.
void CopyRows24(TGIFSubImage& frame, TDIBReader& reader, const RowProgress& progress) {
  struct Entry {
    std::uint32_t key = 0;
    int index = -1;
  };
  Entry cache[8];
  int current = 0;
  TGIFColorMap& map = frame.ColorMap();
  const int width = frame.Width(), height = frame.Height();
  for (int y = 0; y < height; ++y) {
    progress(y);
    const std::uint8_t* row = SourceRow(reader, y);
    std::uint8_t* out = frame.RowPointer(y);
    for (int x = 0; x < width; ++x, row += 3) {
      // Blue in the low byte: the map holds the bytes as stored until the end.
      const std::uint32_t key = row[0] | static_cast<std::uint32_t>(row[1]) << 8 | static_cast<std::uint32_t>(row[2]) << 16;
      int value = -1;
      int i = current;
      do {
        if (cache[i].index < 0) break;
        if (cache[i].key == key) {
          value = cache[i].index;
          current = i;
          break;
        }
        i = (i + 7) & 7;
      } while (i != current);
      if (value < 0) {
        value = map.AddIfMissing(key);
        current = (current + 1) & 7;
        cache[current] = {key, value};
      }
      out[x] = static_cast<std::uint8_t>(value);
    }
  }
  // Blue, green, red as a colour table's quads: the map reads them back as red, green, blue.
  std::vector<std::uint8_t> quads;
  for (int c = 0; c < map.ColorCount(); ++c) {
    const RGBTriple& t = map.ColorTriples()[c];
    quads.insert(quads.end(), {t.red, t.green, t.blue, 0});
  }
  map.LoadFromQuads(quads.data(), map.ColorCount());
}

// Pixels where the mask is not black become a new black entry of the local map, the frame's
// transparent colour. A map of 0 or 256 colours (after dropping the unused ones) has no room.
void ApplyMaskBitmap(TGIFSubImage& frame, win::TBitmap& mask) {
  TGIFLocalColorMap& map = frame.ColorMap();
  map.OptimizeColors();
  if (map.ColorCount() < 1 || map.ColorCount() > 255) return;
  const int added = map.Add(0);
  bool changed = false;
  {
    TDIBReader reader(mask, win::pf8bit);
    const int width = std::min(frame.Width(), mask.Width()), height = std::min(frame.Height(), mask.Height());
    for (int y = 0; y < height; ++y) {
      const std::uint8_t* row = SourceRow(reader, y);
      std::uint8_t* out = frame.RowPointer(y);
      for (int x = 0; x < width; ++x)
        if (row[x]) {
          out[x] = static_cast<std::uint8_t>(added);
          changed = true;
        }
    }
  }
  if (!changed) {
    map.Delete(added);
    return;
  }
  // One control extension a frame: a second would be a second block before the same image.
  TGIFGraphicControlExtension& control = EnsureGraphicControl(frame);
  control.SetTransparentColorFlag(true);
  control.SetTransparentColorIndex(added);
}

// The graphic drawn at its own size on a 24-bit bitmap, black or filled with the background.
void DrawGraphicOnBitmap(win::TBitmap& bitmap, const win::TGraphic& graphic,
                         std::optional<win::TColor> background = std::nullopt) {
  bitmap.SetPixelFormat(win::pf24bit);
  bitmap.SetSize(graphic.Width(), graphic.Height());
  win::TCanvas& canvas = bitmap.Canvas();
  if (background) {
    canvas.Brush.Color = *background;
    canvas.Brush.Style = win::bsSolid;
    canvas.FillRect(canvas.ClipRect());
  }
  canvas.Draw(0, 0, graphic);
}

// The mask, 1 where transparent, applied through a copy of its own.
void ApplyMaskHandle(TGIFSubImage& frame, HBITMAP mask) {
  if (!mask) return;
  win::TBitmap bitmap;
  bitmap.SetHandle(win::CopyBitmapHandle(mask));
  ApplyMaskBitmap(frame, bitmap);
}

void ApplyIconMask(TGIFSubImage& frame, const win::TIcon& icon) {
  ICONINFO info{};
  if (!GetIconInfo(icon.Handle(), &info)) return;
  // Both bitmaps are the caller's.
  const win::UniqueBitmap mask(info.hbmMask), color(info.hbmColor);
  ApplyMaskHandle(frame, mask.get());
}

// Where the metafile leaves its background alone, white and black backgrounds differ.
void ApplyMetafileMask(TGIFSubImage& frame, const win::TMetafile& metafile) {
  win::TBitmap white, black;
  DrawGraphicOnBitmap(white, metafile, 0xFFFFFF);
  DrawGraphicOnBitmap(black, metafile, 0);
  white.Canvas().CopyMode = SRCINVERT;
  white.Canvas().Draw(0, 0, black);
  ApplyMaskBitmap(frame, white);
}

} // namespace

void TGIFFrameRender::ClearConverted() {
  frame_.ClearFrame();
  DropBitmap();
  DropMask();
  palette_.reset();
  paletteIsCube_ = false;
}

void TGIFFrameRender::Assign(const TGIFFrameRender& source) {
  if (&source == this) return;
  ClearConverted();
  frame_.Assign(source.frame_);
  if (source.bitmap_ && !frame_.IsEmptyFrame()) {
    ReplaceBitmap();
    bitmap_->Assign(*source.bitmap_);
  }
}

void TGIFFrameRender::Assign(const win::TPicture& source) { Assign(source.Graphic()); }

void TGIFFrameRender::Assign(const win::TGraphic* source) {
  FlagScope converting(converting_);
  if (!source)
    ClearConverted();
  else if (const auto* bitmap = dynamic_cast<const win::TBitmap*>(source))
    AssignBitmap(*bitmap);
  else
    AssignGraphic(*source);
}

void TGIFFrameRender::AssignBitmap(const win::TBitmap& given) {
  // The frame's own rendering goes with the frame's old picture: a copy of it is converted.
  if (&given == bitmap_.get()) {
    win::TBitmap copy;
    copy.Assign(given);
    AssignBitmap(copy);
    return;
  }
  // The reduction reads the caller's bitmap at 24 bits and leaves it so; its mask is made when
  // asked for.
  win::TBitmap& source = const_cast<win::TBitmap&>(given);
  if (source.Empty()) {
    ClearConverted();
    return;
  }
  if (source.Width() > std::numeric_limits<std::uint16_t>::max() ||
      source.Height() > std::numeric_limits<std::uint16_t>::max())
    throw GIFException("Invalid image dimensions");
  // Made before the frame changes, so that a reduction that cannot run leaves it as it was.
  const win::TPixelFormat format = source.PixelFormat();
  std::unique_ptr<win::TBitmap> converted;
  if (format == win::pf1bit || format == win::pf4bit || format == win::pf8bit) {
    converted = std::make_unique<win::TBitmap>();
    converted->Assign(source);
  } else {
    converted = QuantizeBitmap(source, picture_.ReductionMethod, picture_.DitherKind, picture_.ReductionBitCount,
                               nullptr);
    // Only a given palette that is missing reduces to nothing.
    if (converted->Empty()) RaiseGIFError(gif_text::kColorTableEmpty);
  }
  ClearConverted();
  const auto progress = [this](TProgressStage stage, int percent) {
    picture_.Progress(&frame_, stage, percent, stage == TProgressStage::psEnding && picture_.PaletteModified,
                      kConverting);
  };
  bool started = false;
  try {
    frame_.SetDescriptorField(3, source.Width());
    frame_.SetDescriptorField(4, source.Height());
    bitmap_ = std::move(converted);
    frame_.AllocatePixels();
    progress(TProgressStage::psStarting, 0);
    started = true;
    const win::TPixelFormat rows = bitmap_->PixelFormat();
    const int height = frame_.Height();
    const RowProgress running = [&](int y) {
      if ((y & 31) == 0) progress(TProgressStage::psRunning, MulDiv(y, 100, height));
    };
    {
      const bool indexed = rows == win::pf1bit || rows == win::pf4bit || rows == win::pf8bit;
      TDIBReader reader(*bitmap_, indexed ? rows : win::pf24bit);
      if (indexed)
        CopyIndexedRows(frame_, reader, running);
      else
        CopyRows24(frame_, reader, running);
    }
    if (source.Transparent()) ApplyMaskHandle(frame_, source.MaskHandle());
  } catch (...) {
    ClearConverted();
    if (started) progress(TProgressStage::psEnding, 0);
    throw;
  }
  progress(TProgressStage::psEnding, 100);
}

void TGIFFrameRender::AssignGraphic(const win::TGraphic& source) {
  ClearConverted();
  if (source.Empty()) return;
  const auto* icon = dynamic_cast<const win::TIcon*>(&source);
  const auto* metafile = dynamic_cast<const win::TMetafile*>(&source);
  // Icons and metafiles draw themselves best; other graphics know how to become a bitmap.
  win::TBitmap bitmap;
  if (icon || metafile) {
    try {
      DrawGraphicOnBitmap(bitmap, source);
    } catch (...) {
      bitmap.Assign(source);
    }
  } else {
    try {
      bitmap.Assign(source);
    } catch (...) {
      DrawGraphicOnBitmap(bitmap, source);
    }
  }
  AssignBitmap(bitmap);
  try {
    if (icon) ApplyIconMask(frame_, *icon);
    if (metafile) ApplyMetafileMask(frame_, *metafile);
  } catch (...) {
    ClearConverted();
    throw;
  }
}

} // namespace qt
