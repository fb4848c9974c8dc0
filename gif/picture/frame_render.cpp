#include "base/error.hpp"
#include "gif/picture/dib.hpp"
#include "gif/color/dither.hpp"
#include "gif/picture/picture.hpp"

#include <cstring>

namespace qt {
namespace {

constexpr char kRendering[] = "Rendering...";
constexpr char kNoColorTable[] = "No global or local color table defined";

// Bytes of a mask row: 16-bit aligned.
std::size_t MaskStride(int width) { return static_cast<std::size_t>((width + 15) >> 4) * 2; }

// The colour of a pixel index; black past the map's colours.
RGBTriple ColorOf(const TGIFColorMap& map, std::uint8_t index) {
  return index < map.ColorCount() ? map.ColorTriples()[index] : RGBTriple{};
}

} // namespace

win::UniquePalette MakeColorMapPalette(const TGIFColorMap& map) {
  std::vector<PALETTEENTRY> entries;
  for (int i = 0; i < map.ColorCount(); ++i) {
    const RGBTriple& t = map.ColorTriples()[i];
    // Realised as they are, so that every index keeps its own colour.
    entries.push_back({t.red, t.green, t.blue, PC_NOCOLLAPSE});
  }
  return win::MakePalette(entries);
}

win::UniquePalette MakeCubePalette() {
  std::vector<PALETTEENTRY> entries;
  for (const RGBTriple& t : CubePaletteColors())
    entries.push_back({t.red, t.green, t.blue, 0});
  return win::MakePalette(entries);
}

HPALETTE TGIFFrameRender::FramePalette() {
  if (bitmap_ && bitmap_->Palette()) return bitmap_->Palette();
  if (palette_) return palette_.get();
  if (picture_.UseCubePalette()) {
    palette_ = MakeCubePalette();
    paletteIsCube_ = true;
    return palette_.get();
  }
  if (frame_.ColorMap().ColorCount() == 0) {
    // No map at all reaches the frame: it renders black rather than failing every paint.
    if (picture_.Image().Header().ColorMap().ColorCount() == 0) return nullptr;
    return picture_.Palette();
  }
  palette_ = MakeColorMapPalette(frame_.ColorMap());
  return palette_.get();
}

void TGIFFrameRender::ReplacePalette(win::UniquePalette palette) {
  if (palette.get() == palette_.get()) return;
  palette_ = std::move(palette);
  paletteIsCube_ = false;
  if (bitmap_ && bitmap_->Palette() != palette_.get()) {
    DropBitmap();
    picture_.PaletteModified = true;
    picture_.Changed();
  }
}

void TGIFFrameRender::ColorMapChanged() {
  if (converting_) return;
  ReplacePalette(win::UniquePalette());
  // A rendering made with the image's palette, or kept from a conversion, has none of its own.
  if (bitmap_) {
    DropBitmap();
    picture_.PaletteModified = true;
    picture_.Changed();
  }
}

void TGIFFrameRender::ReplaceBitmap() {
  DropBitmap();
  bitmap_ = std::make_unique<win::TBitmap>();
}

void TGIFFrameRender::DropMask() {
  mask_.reset();
  needMask_ = true;
}

bool TGIFFrameRender::MaskReady() {
  if (needMask_ && frame_.Transparent()) {
    DropBitmap();
    RenderedBitmap();
  }
  return static_cast<bool>(mask_);
}

win::TBitmap* TGIFFrameRender::RenderedBitmap() {
  if (bitmap_) return bitmap_.get();
  if (frame_.IsEmptyFrame()) return nullptr;
  // The image hears of a changed palette whether or not the rendering succeeds.
  const auto ending = [this](int percent) {
    picture_.Progress(&frame_, TProgressStage::psEnding, percent, picture_.PaletteModified, kRendering);
    if (picture_.PaletteModified) picture_.Changed();
  };
  try {
    picture_.Progress(&frame_, TProgressStage::psStarting, 0, false, kRendering);
    try {
      bitmap_ = picture_.UseCubePalette() ? RenderDithered() : RenderPlain();
    } catch (...) {
      ending(0);
      throw;
    }
    ending(100);
  } catch (const EAbort&) {
    // A progress handler cancelled: whatever was rendered stays.
  }
  return bitmap_.get();
}

std::unique_ptr<win::TBitmap> TGIFFrameRender::NewBitmap() const {
  auto bitmap = std::make_unique<win::TBitmap>();
  // A large frame starts small in memory; the writer gives it its 8-bit form.
  if (static_cast<std::uint64_t>(frame_.Width()) * static_cast<std::uint64_t>(frame_.Height()) > 500000)
    bitmap->SetPixelFormat(win::pf1bit);
  return bitmap;
}

bool TGIFFrameRender::MaskWanted() {
  const bool wanted = needMask_ && frame_.Transparent();
  needMask_ = false;
  return wanted;
}

void TGIFFrameRender::StoreMask(const std::vector<std::uint8_t>& rows, bool anyTransparent) {
  if (!anyTransparent) return;
  mask_.reset(win::CheckGDIHandle(CreateBitmap(frame_.Width(), frame_.Height(), 1, 1, rows.data())));
}

std::unique_ptr<win::TBitmap> TGIFFrameRender::RenderPlain() {
  std::unique_ptr<win::TBitmap> bitmap = NewBitmap();
  const int width = frame_.Width(), height = frame_.Height();
  const HPALETTE palette = FramePalette();
  if (!palette) picture_.ReportWarning(&frame_, 1, kNoColorTable);
  const bool maskWanted = MaskWanted();
  const std::uint8_t t = frame_.GraphicControlExtension() ? frame_.GraphicControlExtension()->TransparentColorIndex() : 0;
  const std::size_t maskStride = MaskStride(width);
  std::vector<std::uint8_t> maskRows;
  if (maskWanted) maskRows.assign(maskStride * static_cast<std::size_t>(height), 0);
  bool anyTransparent = false;
  const std::uint8_t* source = frame_.Data();
  {
    TDIBWriter writer(*bitmap, win::pf8bit, width, height, palette);
    for (int y = 0; y < height; ++y, source += width) {
      if ((y & 31) == 0)
        picture_.Progress(&frame_, TProgressStage::psRunning, MulDiv(y, 100, height), false, kRendering);
      std::memcpy(writer.RowAddress(y), source, static_cast<std::size_t>(width));
      if (!maskWanted) continue;
      std::uint8_t* mask = maskRows.data() + static_cast<std::size_t>(y) * maskStride;
      for (int x = 0; x < width; ++x)
        if (source[x] == t) mask[x >> 3] |= static_cast<std::uint8_t>(0x80 >> (x & 7));
      for (std::size_t i = 0; i < maskStride; ++i)
        anyTransparent |= mask[i] != 0;
    }
  }
  if (maskWanted) StoreMask(maskRows, anyTransparent);
  return bitmap;
}

std::unique_ptr<win::TBitmap> TGIFFrameRender::RenderDithered() {
  std::unique_ptr<win::TBitmap> bitmap = NewBitmap();
  const int width = frame_.Width(), height = frame_.Height();
  const bool ownPalette = palette_ && !paletteIsCube_;
  const HPALETTE palette = FramePalette();
  TNetscapeColorLookup cube;
  std::unique_ptr<TSlowColorLookup> own;
  if (ownPalette) own = std::make_unique<TSlowColorLookup>(palette);
  TColorLookup& lookup = own ? static_cast<TColorLookup&>(*own) : cube;
  TFloydSteinbergDitherer ditherer(width, lookup);
  const TGIFColorMap& map = frame_.EffectiveColorMap();
  if (map.ColorCount() == 0) picture_.ReportWarning(&frame_, 1, kNoColorTable);

  const bool maskWanted = MaskWanted();
  const std::uint8_t t = frame_.GraphicControlExtension() ? frame_.GraphicControlExtension()->TransparentColorIndex() : 0;
  // Transparent pixels hold the entry nearest to the transparent colour, and the dither passes
  // them without computing an error.
  std::uint8_t fill = 0;
  if (maskWanted) {
    const RGBTriple c = ColorOf(map, t);
    std::uint8_t r, g, b;
    fill = lookup.NearestIndex(c.red, c.green, c.blue, r, g, b);
  }
  const std::size_t maskStride = MaskStride(width);
  std::vector<std::uint8_t> maskRows;
  if (maskWanted) maskRows.assign(maskStride * static_cast<std::size_t>(height), 0);
  bool anyTransparent = false;
  {
    TDIBWriter writer(*bitmap, win::pf8bit, width, height, palette);
    for (int y = 0; y < height; ++y) {
      if ((y & 31) == 0)
        picture_.Progress(&frame_, TProgressStage::psRunning, MulDiv(y, 100, height), false, kRendering);
      auto* target = static_cast<std::uint8_t*>(writer.RowAddress(y));
      const std::uint8_t* source = frame_.Data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
      std::uint8_t* mask = maskWanted ? maskRows.data() + static_cast<std::size_t>(y) * maskStride : nullptr;
      if (maskWanted) std::memset(target, fill, static_cast<std::size_t>(width));
      for (int x; (x = ditherer.Column()) >= 0 && x < width;) {
        const std::uint8_t i = source[x];
        if (maskWanted && i == t) {
          mask[x >> 3] |= static_cast<std::uint8_t>(0x80 >> (x & 7));
          anyTransparent = true;
          ditherer.StepColumn();
        } else {
          const RGBTriple c = ColorOf(map, i);
          std::uint8_t r, g, b;
          target[x] = ditherer.DitherPixel(c.red, c.green, c.blue, r, g, b);
        }
      }
      ditherer.EndRow();
    }
  }
  if (maskWanted) StoreMask(maskRows, anyTransparent);
  return bitmap;
}

RECT TGIFFrameRender::MapFrameRect(const RECT& rect) const {
  const int W = picture_.Width(), H = picture_.Height();
  const int w = rect.right - rect.left, h = rect.bottom - rect.top;
  // MulDiv answers -1 for a zero divisor; a picture of no size maps the frame onto rect itself.
  auto scale = [](int v, int to, int from) { return from ? MulDiv(v, to, from) : 0; };
  return RECT{rect.left + scale(frame_.Left(), w, W), rect.top + scale(frame_.Top(), h, H),
              rect.left + (W ? scale(frame_.Left() + frame_.Width(), w, W) : w),
              rect.top + (H ? scale(frame_.Top() + frame_.Height(), h, H) : h)};
}

void TGIFFrameRender::PaintFrame(win::TCanvas& canvas, const RECT& rect, bool transparent, bool tile) {
  PaintFrameInto(canvas, tile ? rect : MapFrameRect(rect), transparent, tile);
}

void TGIFFrameRender::PaintFrameInto(win::TCanvas& canvas, const RECT& rect, bool transparent, bool tile) {
  win::TBitmap* bitmap = RenderedBitmap();
  if (!bitmap) return;
  const bool masked = transparent && frame_.Transparent() && MaskReady();
  bitmap = RenderedBitmap(); // MaskReady may have rendered it again
  if (!bitmap) return;
  const RECT whole{0, 0, bitmap->Width(), bitmap->Height()};
  auto draw = [&](const RECT& dest) {
    if (masked)
      canvas.MaskedCopy(dest, bitmap->Canvas(), whole, mask_.get());
    else
      canvas.StretchDraw(dest, *bitmap);
  };
  if (!tile) {
    draw(rect);
    return;
  }
  // The frame repeats with the period of the logical screen, keeping its place in each screen.
  const int W = picture_.Width(), H = picture_.Height();
  if (W <= 0 || H <= 0) return;
  for (long long left = static_cast<long long>(frame_.Left()) + rect.left; left < rect.right; left += W)
    for (long long top = static_cast<long long>(frame_.Top()) + rect.top; top < rect.bottom; top += H)
      draw(RECT{static_cast<LONG>(left), static_cast<LONG>(top), static_cast<LONG>(left + frame_.Width()),
                static_cast<LONG>(top + frame_.Height())});
}

void TGIFFrameRender::AssignTo(win::TBitmap& target) {
  if (win::TBitmap* bitmap = RenderedBitmap())
    target.Assign(*bitmap);
  else
    target.Assign(win::TBitmap());
}

} // namespace qt
