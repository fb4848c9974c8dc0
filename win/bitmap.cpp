#include "win/bitmap.hpp"

#include "base/dib_layout.hpp"
#include "win/text.hpp"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>

namespace win {

void RaiseLastSystemError() {
  const DWORD code = GetLastError();
  std::wstring_view text;
  wchar_t buffer[256];
  if (code != 0) {
    const DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                                   MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), buffer, 256, nullptr);
    text = std::wstring_view(buffer, n);
    // The system's texts end with a line break.
    while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' '))
      text.remove_suffix(1);
  }
  throw EOutOfResources(text.empty() ? std::string("Out of system resources") : Narrow(text));
}

namespace {

std::size_t TableSize(int bits) { return bits > 0 && bits <= 8 ? std::size_t{1} << bits : 0; }

// The DIB format closest to the screen's own, for a device bitmap whose rows are asked for.
TPixelFormat ScreenFormat() {
  WindowDC screen(nullptr);
  const int bits = GetDeviceCaps(screen.get(), BITSPIXEL) * GetDeviceCaps(screen.get(), PLANES);
  if (bits <= 1) return pf1bit;
  if (bits <= 4) return pf4bit;
  if (bits <= 8) return pf8bit;
  return bits == 24 ? pf24bit : pf32bit;
}

std::vector<PALETTEENTRY> DefaultEntries(TPixelFormat format) {
  if (format == pf1bit) return {{0, 0, 0, 0}, {255, 255, 255, 0}};
  return PaletteEntries(static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE)));
}

std::vector<qt::TPaletteEntry> AsEntries(const std::vector<PALETTEENTRY>& entries) {
  std::vector<qt::TPaletteEntry> out;
  for (const PALETTEENTRY& e : entries)
    out.push_back({e.peRed, e.peGreen, e.peBlue, e.peFlags});
  return out;
}

// Rows bottom-up, so a DIB section's memory has the layout of a BMP file's pixels.
struct DibInfo {
  BITMAPINFOHEADER header{};
  RGBQUAD colors[256]{};

  DibInfo(int width, int height, int bits) {
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = static_cast<WORD>(bits);
    header.biCompression = BI_RGB;
    // The whole table, so that an index past the palette's colours shows black.
    header.biClrUsed = static_cast<DWORD>(TableSize(bits));
  }
  BITMAPINFO* Info() { return reinterpret_cast<BITMAPINFO*>(this); }
};

} // namespace

int BitsPerPixel(TPixelFormat format) {
  switch (format) {
  case pf1bit: return 1;
  case pf4bit: return 4;
  case pf8bit: return 8;
  case pf24bit: return 24;
  case pf32bit: return 32;
  case pfDevice: break;
  }
  return 0;
}

UniquePalette MakePalette(std::span<const PALETTEENTRY> entries) {
  if (entries.empty()) return UniquePalette();
  std::vector<unsigned char> block(sizeof(LOGPALETTE) + entries.size() * sizeof(PALETTEENTRY));
  auto* log = reinterpret_cast<LOGPALETTE*>(block.data());
  log->palVersion = 0x300;
  log->palNumEntries = static_cast<WORD>(std::min<std::size_t>(entries.size(), 0xFFFF));
  std::memcpy(log->palPalEntry, entries.data(), log->palNumEntries * sizeof(PALETTEENTRY));
  return UniquePalette(CheckGDIHandle(CreatePalette(log)));
}

UniquePalette DuplicatePalette(HPALETTE palette) {
  const std::vector<PALETTEENTRY> entries = PaletteEntries(palette);
  return MakePalette(entries);
}

std::vector<PALETTEENTRY> PaletteEntries(HPALETTE palette) {
  if (!palette) return {};
  std::vector<PALETTEENTRY> entries(GetPaletteEntries(palette, 0, 0, nullptr));
  if (!entries.empty())
    entries.resize(GetPaletteEntries(palette, 0, static_cast<UINT>(entries.size()), entries.data()));
  return entries;
}

RECT TCanvas::ClipRect() const {
  RECT r{};
  GetClipBox(dc_, &r);
  return r;
}

void TCanvas::FillRect(const RECT& r) {
  if (Brush.Style == bsSolid) FillSolid(dc_, r, Brush.Color);
  Changed();
}

void TCanvas::CopyRect(const RECT& dest, const TCanvas& source, const RECT& sourceRect) {
  const int oldMode = SetStretchBltMode(dc_, COLORONCOLOR);
  StretchBlt(dc_, dest.left, dest.top, dest.right - dest.left, dest.bottom - dest.top, source.Handle(),
             sourceRect.left, sourceRect.top, sourceRect.right - sourceRect.left, sourceRect.bottom - sourceRect.top,
             CopyMode);
  SetStretchBltMode(dc_, oldMode);
  Changed();
}

void TCanvas::Draw(int x, int y, const TGraphic& graphic) {
  StretchDraw(RECT{x, y, x + graphic.Width(), y + graphic.Height()}, graphic);
}

void TCanvas::StretchDraw(const RECT& dest, const TGraphic& graphic) {
  if (auto* bitmap = dynamic_cast<const TBitmap*>(&graphic))
    bitmap->DrawWith(dc_, dest, CopyMode);
  else
    graphic.Draw(dc_, dest);
  Changed();
}

void TCanvas::MaskedCopy(const RECT& dest, const TCanvas& source, const RECT& sourceRect, HBITMAP mask) {
  const int x = dest.left, y = dest.top, w = dest.right - dest.left, h = dest.bottom - dest.top;
  const int sx = sourceRect.left, sy = sourceRect.top;
  const int sw = sourceRect.right - sourceRect.left, sh = sourceRect.bottom - sourceRect.top;
  if (w == sw && h == sh) {
    // One pass: where the mask holds 1 the destination stays (raster operation D), elsewhere the
    // source is copied.
    MaskBlt(dc_, x, y, w, h, source.Handle(), sx, sy, mask, sx, sy, MAKEROP4(0x00AA0029, SRCCOPY));
  } else {
    // Two passes: clear the opaque area of the destination, then OR in the source with its
    // transparent area made black.
    UniqueMemoryDC maskDc(CheckGDIHandle(CreateCompatibleDC(dc_)));
    SelectGuard maskSelected(maskDc.get(), mask);
    UniqueMemoryDC work(CheckGDIHandle(CreateCompatibleDC(dc_)));
    UniqueBitmap workBitmap(CheckGDIHandle(CreateCompatibleBitmap(dc_, sw, sh)));
    SelectGuard workSelected(work.get(), workBitmap.get());
    HPALETTE sourcePalette = static_cast<HPALETTE>(GetCurrentObject(source.Handle(), OBJ_PAL));
    HPALETTE oldPalette = SelectPalette(work.get(), sourcePalette, TRUE);
    RealizePalette(work.get());
    {
      UniqueMemoryDC inverse(CheckGDIHandle(CreateCompatibleDC(dc_)));
      UniqueBitmap inverseBitmap(CheckGDIHandle(CreateBitmap(sw, sh, 1, 1, nullptr)));
      SelectGuard inverseSelected(inverse.get(), inverseBitmap.get());
      BitBlt(inverse.get(), 0, 0, sw, sh, maskDc.get(), sx, sy, NOTSRCCOPY);
      // white where opaque, black where transparent; then the source in the white
      BitBlt(work.get(), 0, 0, sw, sh, inverse.get(), 0, 0, SRCCOPY);
    }
    BitBlt(work.get(), 0, 0, sw, sh, source.Handle(), sx, sy, SRCAND);
    const COLORREF oldText = SetTextColor(dc_, RGB(0, 0, 0)), oldBack = SetBkColor(dc_, RGB(255, 255, 255));
    const int oldMode = SetStretchBltMode(dc_, COLORONCOLOR);
    StretchBlt(dc_, x, y, w, h, maskDc.get(), sx, sy, sw, sh, SRCAND);
    StretchBlt(dc_, x, y, w, h, work.get(), 0, 0, sw, sh, SRCPAINT);
    SetStretchBltMode(dc_, oldMode);
    SetTextColor(dc_, oldText);
    SetBkColor(dc_, oldBack);
    SelectPalette(work.get(), oldPalette, TRUE);
  }
  Changed();
}

void TCanvas::Changed() {
  if (OnChange) OnChange();
}

struct TBitmap::Surface {
  UniqueBitmap handle;
  void* bits = nullptr;
  int width = 0, height = 0;
  TPixelFormat format = pfDevice;

  // A new, black surface; none for an empty size.
  static Surface Make(int width, int height, TPixelFormat format, const std::vector<PALETTEENTRY>& colors);
  std::uint64_t Stride() const { return qt::DIBRowStride(width, BitsPerPixel(format)); }
  // Row 0 is the top row.
  unsigned char* Row(int row) const {
    return static_cast<unsigned char*>(bits) + static_cast<std::size_t>(height - 1 - row) * Stride();
  }
};

TBitmap::Surface TBitmap::Surface::Make(int width, int height, TPixelFormat format,
                                        const std::vector<PALETTEENTRY>& colors) {
  Surface s;
  s.format = format;
  if (width <= 0 || height <= 0) return s;
  const int bits = format == pfDevice ? 32 : BitsPerPixel(format);
  if (qt::DIBRowStride(width, bits) * static_cast<std::uint64_t>(height) > std::numeric_limits<std::int32_t>::max())
    throw qt::EOutOfMemory("Out of memory for a bitmap of " + std::to_string(width) + " x " + std::to_string(height));
  s.width = width;
  s.height = height;
  if (format == pfDevice) {
    WindowDC screen(nullptr);
    s.handle.reset(CheckGDIHandle(CreateCompatibleBitmap(screen.get(), width, height)));
    return s;
  }
  DibInfo info(width, height, bits);
  for (std::size_t i = 0; i < std::min<std::size_t>(info.header.biClrUsed, colors.size()); ++i)
    info.colors[i] = {colors[i].peBlue, colors[i].peGreen, colors[i].peRed, 0};
  s.handle.reset(CheckGDIHandle(CreateDIBSection(nullptr, info.Info(), DIB_RGB_COLORS, &s.bits, nullptr, 0)));
  return s;
}

TBitmap::TBitmap() : dc_(CheckGDIHandle(CreateCompatibleDC(nullptr))), canvas_(dc_.get()) {
  canvas_.OnChange = [this] { BitmapChanged(); };
}

TBitmap::~TBitmap() { Deselect(); }

void TBitmap::Deselect() {
  if (originalBitmap_) SelectObject(dc_.get(), originalBitmap_);
  if (originalPalette_) SelectPalette(dc_.get(), originalPalette_, FALSE);
  originalBitmap_ = nullptr;
  originalPalette_ = nullptr;
}

void TBitmap::SelectIntoDC() {
  Deselect();
  if (handle_) originalBitmap_ = SelectObject(dc_.get(), handle_.get());
  if (palette_) {
    originalPalette_ = SelectPalette(dc_.get(), palette_.get(), FALSE);
    RealizePalette(dc_.get());
  }
}

void TBitmap::Replace(Surface&& next, bool keepContent) {
  if (keepContent && handle_ && next.handle) {
    const int w = std::min(width_, next.width), h = std::min(height_, next.height);
    if (bits_ && next.bits && next.format == format_) {
      // Same layout: the indices themselves, which a block transfer would map through colours.
      const std::size_t bytes = static_cast<std::size_t>(qt::DIBRowStride(w, BitsPerPixel(format_)));
      const Surface current{UniqueBitmap(), bits_, width_, height_, format_};
      for (int row = 0; row < h; ++row)
        std::memcpy(next.Row(row), current.Row(row), bytes);
    } else {
      GdiFlush();
      UniqueMemoryDC target(CheckGDIHandle(CreateCompatibleDC(dc_.get())));
      SelectGuard selected(target.get(), next.handle.get());
      BitBlt(target.get(), 0, 0, w, h, dc_.get(), 0, 0, SRCCOPY);
    }
  }
  Deselect();
  handle_ = std::move(next.handle);
  bits_ = next.bits;
  width_ = next.width;
  height_ = next.height;
  format_ = next.format;
  SelectIntoDC();
}

void TBitmap::Adopt(Surface&& next, UniquePalette palette) {
  Replace(std::move(next), false);
  Deselect();
  palette_ = std::move(palette);
  SelectIntoDC();
  BitmapChanged();
}

void TBitmap::BitmapChanged() {
  mask_.reset();
  Changed();
}

void TBitmap::SetSize(int width, int height) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  if (width == width_ && height == height_) return;
  Replace(Surface::Make(width, height, format_, PaletteEntries(palette_.get())), true);
  BitmapChanged();
}

void TBitmap::SetPixelFormat(TPixelFormat format) {
  if (format == format_) return;
  const int bits = BitsPerPixel(format);
  UniquePalette palette;
  if (bits > 0 && bits <= 8) {
    std::vector<PALETTEENTRY> entries = palette_ ? PaletteEntries(palette_.get()) : DefaultEntries(format);
    if (entries.size() > TableSize(bits)) entries.resize(TableSize(bits));
    palette = MakePalette(entries);
  } else if (format == pfDevice) {
    palette = DuplicatePalette(palette_.get());
  }
  Replace(Surface::Make(width_, height_, format, PaletteEntries(palette.get())), true);
  Deselect();
  palette_ = std::move(palette);
  SelectIntoDC();
  BitmapChanged();
}

void TBitmap::SetPalette(HPALETTE palette) {
  UniquePalette copy = DuplicatePalette(palette);
  Deselect();
  palette_ = std::move(copy);
  ColorTableFromPalette();
  SelectIntoDC();
  BitmapChanged();
}

void TBitmap::ColorTableFromPalette() {
  const std::size_t table = TableSize(BitsPerPixel(format_));
  if (!bits_ || table == 0) return;
  std::vector<RGBQUAD> quads(table, RGBQUAD{0, 0, 0, 0});
  const std::vector<PALETTEENTRY> entries = PaletteEntries(palette_.get());
  for (std::size_t i = 0; i < std::min(table, entries.size()); ++i)
    quads[i] = {entries[i].peBlue, entries[i].peGreen, entries[i].peRed, 0};
  SelectGuard selected(dc_.get(), handle_.get());
  SetDIBColorTable(dc_.get(), 0, static_cast<UINT>(table), quads.data());
}

void* TBitmap::ScanLine(int row) {
  if (format_ == pfDevice && handle_) SetPixelFormat(ScreenFormat());
  if (!bits_ || row < 0 || row >= height_) throw EInvalidGraphicOperation("Scan line index out of range");
  mask_.reset();
  GdiFlush();
  return Surface{UniqueBitmap(), bits_, width_, height_, format_}.Row(row);
}

TCanvas& TBitmap::Canvas() {
  mask_.reset();
  return canvas_;
}

void TBitmap::SetHandle(UniqueBitmap handle) {
  DIBSECTION section{};
  // GetObject fills in whatever kind of object it is given, some as large as a bitmap's record.
  const bool bitmap = handle && GetObjectType(handle.get()) == OBJ_BITMAP;
  const int got = bitmap ? GetObjectW(handle.get(), sizeof section, &section) : 0;
  if (handle && got < static_cast<int>(sizeof(BITMAP))) throw EInvalidGraphic("Bitmap image is not valid");
  const bool dib = got == static_cast<int>(sizeof section);
  const int bits = dib ? section.dsBmih.biBitCount : section.dsBm.bmBitsPixel * section.dsBm.bmPlanes;
  TPixelFormat format = pf24bit;
  if (bits == 1)
    format = pf1bit;
  else if (dib && section.dsBmih.biCompression == BI_RGB)
    for (TPixelFormat f : {pf4bit, pf8bit, pf32bit})
      if (BitsPerPixel(f) == bits) format = f;
  std::vector<PALETTEENTRY> colors;
  if (format == pf1bit) {
    colors = DefaultEntries(pf1bit);
  } else if (format == pf4bit || format == pf8bit) {
    UniqueMemoryDC dc(CheckGDIHandle(CreateCompatibleDC(nullptr)));
    SelectGuard selected(dc.get(), handle.get());
    RGBQUAD quads[256];
    const UINT count = GetDIBColorTable(dc.get(), 0, 256, quads);
    for (UINT i = 0; i < count; ++i)
      colors.push_back({quads[i].rgbRed, quads[i].rgbGreen, quads[i].rgbBlue, 0});
  }
  Surface next = Surface::Make(section.dsBm.bmWidth, std::abs(section.dsBm.bmHeight), format, colors);
  if (next.handle) {
    // At the DIB section's own format its table comes back unchanged, so the indices stay; the
    // rows come bottom-up whichever way the source stores them.
    DibInfo info(next.width, next.height, BitsPerPixel(format));
    WindowDC screen(nullptr);
    GetDIBits(screen.get(), handle.get(), 0, static_cast<UINT>(next.height), next.bits, info.Info(), DIB_RGB_COLORS);
  }
  Adopt(std::move(next), MakePalette(colors));
}

void TBitmap::SetTransparent(bool transparent) {
  if (transparent == transparent_) return;
  transparent_ = transparent;
  Changed();
}

void TBitmap::SetTransparentColor(TColor color) {
  if (color == transparentColor_) return;
  transparentColor_ = color;
  BitmapChanged();
}

HBITMAP TBitmap::MaskHandle() const {
  if (mask_ || !handle_) return mask_.get();
  // Colours are compared as GDI shows them, so two indices of one colour are both transparent.
  const Surface shown = Surface::Make(width_, height_, pf32bit, {});
  {
    UniqueMemoryDC target(CheckGDIHandle(CreateCompatibleDC(dc_.get())));
    SelectGuard selected(target.get(), shown.handle.get());
    BitBlt(target.get(), 0, 0, width_, height_, dc_.get(), 0, 0, SRCCOPY);
    GdiFlush();
  }
  auto pixel = [&](int x, int y) { return reinterpret_cast<const std::uint32_t*>(shown.Row(y))[x] & 0xFFFFFF; };
  std::uint32_t key = pixel(0, height_ - 1);
  if (transparentColor_ != clDefault) {
    const COLORREF c = ColorToRGB(transparentColor_);
    key = std::uint32_t{GetRValue(c)} << 16 | std::uint32_t{GetGValue(c)} << 8 | GetBValue(c);
  }
  // A monochrome bitmap's rows run top-down, padded to 16 bits.
  const std::size_t stride = (static_cast<std::size_t>(width_) + 15) / 16 * 2;
  std::vector<unsigned char> rows(stride * static_cast<std::size_t>(height_));
  for (int y = 0; y < height_; ++y)
    for (int x = 0; x < width_; ++x)
      if (pixel(x, y) == key) rows[static_cast<std::size_t>(y) * stride + static_cast<std::size_t>(x / 8)] |= 0x80 >> (x % 8);
  mask_.reset(CheckGDIHandle(CreateBitmap(width_, height_, 1, 1, rows.data())));
  return mask_.get();
}

void TBitmap::Assign(const TGraphic& graphic) {
  if (&graphic == this) return;
  const auto* source = dynamic_cast<const TBitmap*>(&graphic);
  if (!source) {
    graphic.AssignTo(*this);
    return;
  }
  UniquePalette palette = DuplicatePalette(source->palette_.get());
  Surface next = Surface::Make(source->width_, source->height_, source->format_, PaletteEntries(palette.get()));
  if (next.handle) {
    GdiFlush();
    if (next.bits)
      std::memcpy(next.bits, source->bits_, static_cast<std::size_t>(next.Stride() * next.height));
    else {
      UniqueMemoryDC target(CheckGDIHandle(CreateCompatibleDC(dc_.get())));
      SelectGuard selected(target.get(), next.handle.get());
      BitBlt(target.get(), 0, 0, next.width, next.height, source->dc_.get(), 0, 0, SRCCOPY);
    }
  }
  transparent_ = source->transparent_;
  transparentColor_ = source->transparentColor_;
  Adopt(std::move(next), std::move(palette));
}

void TBitmap::LoadFromStream(qt::Stream& stream) {
  // Bytes already in memory are read where they lie: another copy of a large picture costs fresh
  // heap pages, which made a GIF frame's first rendering slower than decoding a JPEG.
  std::string copy;
  std::string_view file;
  if (auto* memory = dynamic_cast<qt::MemoryStream*>(&stream)) {
    const std::uint64_t at = std::min<std::uint64_t>(memory->Position(), memory->Bytes().size());
    file = std::string_view(memory->Bytes()).substr(static_cast<std::size_t>(at));
    memory->Seek(0, qt::SeekOrigin::end);
  } else {
    char chunk[65536];
    for (std::size_t n; (n = stream.Read(chunk, sizeof chunk)) > 0;)
      copy.append(chunk, n);
    file = copy;
  }
  const std::optional<qt::BMPLayout> layout = qt::ReadBMPLayout(file);
  if (!layout) throw EInvalidGraphic("Bitmap image is not valid");
  TPixelFormat format = pf32bit;
  for (TPixelFormat f : {pf1bit, pf4bit, pf8bit, pf24bit})
    if (BitsPerPixel(f) == layout->bitsPerPixel) format = f;
  std::vector<PALETTEENTRY> colors;
  if (layout->bitsPerPixel <= 8)
    for (const qt::TPaletteEntry& e : layout->colors)
      colors.push_back({e.red, e.green, e.blue, 0});
  UniquePalette palette = MakePalette(colors);
  Surface next = Surface::Make(layout->width, layout->height, format, colors);
  const std::size_t stride = static_cast<std::size_t>(layout->stride);
  for (int row = 0; row < layout->height; ++row) {
    const int stored = layout->topDown ? row : layout->height - 1 - row;
    std::memcpy(next.Row(row), file.data() + layout->pixelOffset + static_cast<std::size_t>(stored) * stride, stride);
  }
  Adopt(std::move(next), std::move(palette));
}

void TBitmap::SaveToStream(qt::Stream& stream) const {
  if (!bits_) {
    if (!handle_) return;
    TBitmap copy;
    copy.Assign(*this);
    copy.SetPixelFormat(pf24bit);
    copy.SaveToStream(stream);
    return;
  }
  const std::vector<PALETTEENTRY> entries = PaletteEntries(palette_.get());
  const std::string info = qt::MakeDIBInfo(width_, height_, BitsPerPixel(format_), AsEntries(entries));
  const std::uint64_t pixels = qt::DIBRowStride(width_, BitsPerPixel(format_)) * static_cast<std::uint64_t>(height_);
  GdiFlush();
  stream.Write(qt::MakeBMPFileHeader(info.size(), pixels));
  stream.Write(info);
  stream.Write(bits_, static_cast<std::size_t>(pixels));
}

void TBitmap::LoadFromClipboardFormat(UINT format, HANDLE data, HPALETTE palette) {
  BITMAP info{};
  if (format != CF_BITMAP || !data || !GetObjectW(data, sizeof info, &info))
    throw EInvalidGraphic(kUnsupportedClipboardFormat);
  std::vector<PALETTEENTRY> colors;
  TPixelFormat target = pf24bit;
  if (palette && info.bmBitsPixel <= 8) {
    colors = PaletteEntries(palette);
    if (colors.size() > 256) colors.resize(256);
    target = pf8bit;
  }
  UniquePalette ownPalette = MakePalette(colors);
  Surface next = Surface::Make(info.bmWidth, std::abs(info.bmHeight), target, colors);
  if (next.handle) {
    UniqueMemoryDC source(CheckGDIHandle(CreateCompatibleDC(nullptr)));
    SelectGuard sourceSelected(source.get(), data);
    HPALETTE oldPalette = nullptr;
    if (palette) {
      oldPalette = SelectPalette(source.get(), palette, FALSE);
      RealizePalette(source.get());
    }
    UniqueMemoryDC copy(CheckGDIHandle(CreateCompatibleDC(nullptr)));
    SelectGuard copySelected(copy.get(), next.handle.get());
    BitBlt(copy.get(), 0, 0, next.width, next.height, source.get(), 0, 0, SRCCOPY);
    GdiFlush();
    if (oldPalette) SelectPalette(source.get(), oldPalette, FALSE);
  }
  Adopt(std::move(next), std::move(ownPalette));
}

void TBitmap::SaveToClipboardFormat(UINT& format, HANDLE& data, HPALETTE& palette) {
  format = 0;
  data = nullptr;
  palette = nullptr;
  if (!handle_) return;
  WindowDC screen(nullptr);
  UniqueBitmap copy(CheckGDIHandle(CreateCompatibleBitmap(screen.get(), width_, height_)));
  {
    UniqueMemoryDC target(CheckGDIHandle(CreateCompatibleDC(screen.get())));
    SelectGuard selected(target.get(), copy.get());
    DrawWith(target.get(), RECT{0, 0, width_, height_}, SRCCOPY);
    GdiFlush();
  }
  UniquePalette paletteCopy = DuplicatePalette(palette_.get());
  format = CF_BITMAP;
  data = copy.release();
  palette = paletteCopy.release();
}

void TBitmap::Draw(HDC dc, const RECT& r) const {
  if (!transparent_ || !handle_) return DrawWith(dc, r, SRCCOPY);
  TCanvas target(dc);
  target.MaskedCopy(r, TCanvas(dc_.get()), RECT{0, 0, width_, height_}, MaskHandle());
}

void TBitmap::DrawWith(HDC dc, const RECT& r, DWORD rop) const {
  if (!handle_) return;
  HPALETTE old = nullptr;
  if (palette_) {
    old = SelectPalette(dc, palette_.get(), TRUE);
    RealizePalette(dc);
  }
  const int oldMode = SetStretchBltMode(dc, COLORONCOLOR);
  StretchBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, dc_.get(), 0, 0, width_, height_, rop);
  SetStretchBltMode(dc, oldMode);
  if (old) SelectPalette(dc, old, TRUE);
}

UniqueBitmap CopyBitmapHandle(HBITMAP source) {
  return UniqueBitmap(static_cast<HBITMAP>(CheckGDIHandle(CopyImage(source, IMAGE_BITMAP, 0, 0, 0))));
}

} // namespace win
