#pragma once
// Bitmaps with their palettes and a canvas to draw on them. Every bitmap but the device format
// is a DIB section, so its rows can be read and written in place.
#include "base/error.hpp"
#include "win/graphics.hpp"
#include "win/handles.hpp"
#include "win/picture.hpp"

#include <functional>
#include <memory>
#include <span>
#include <vector>

namespace win {

// A drawing operation the bitmap cannot do ("Scan line index out of range").
class EInvalidGraphicOperation : public qt::Error {
public:
  using qt::Error::Error;
};

// GDI could not make an object.
class EOutOfResources : public qt::Error {
public:
  using qt::Error::Error;
};

// EOutOfResources with the system's text for its last error; "Out of system resources" when there
// is no error or no text for it.
[[noreturn]] void RaiseLastSystemError();

// The handle; for none, what RaiseLastSystemError raises.
template <class H>
H CheckGDIHandle(H handle) {
  if (!handle) RaiseLastSystemError();
  return handle;
}

enum TPixelFormat { pfDevice, pf1bit, pf4bit, pf8bit, pf24bit, pf32bit };
// 0 for the device format.
int BitsPerPixel(TPixelFormat format);

// Palette handles: a new one from entries (none for no entries), a copy, and the entries.
UniquePalette MakePalette(std::span<const PALETTEENTRY> entries);
UniquePalette DuplicatePalette(HPALETTE palette);
std::vector<PALETTEENTRY> PaletteEntries(HPALETTE palette);

enum TBrushStyle { bsSolid, bsClear };

struct TBrush {
  TColor Color = clWhite;
  TBrushStyle Style = bsSolid;
};

// Drawing on a device context that someone else owns. Every drawing operation ends with
// Changed, which fires OnChange.
class TCanvas {
public:
  explicit TCanvas(HDC dc) : dc_(dc) {}
  TCanvas(const TCanvas&) = delete;
  TCanvas& operator=(const TCanvas&) = delete;

  HDC Handle() const { return dc_; }
  RECT ClipRect() const;

  TBrush Brush;
  // The raster operation of CopyRect and of drawing a bitmap.
  DWORD CopyMode = SRCCOPY;

  // With the brush; nothing for a clear brush.
  void FillRect(const RECT& r);
  // Stretches source's rectangle over dest.
  void CopyRect(const RECT& dest, const TCanvas& source, const RECT& sourceRect);
  void Draw(int x, int y, const TGraphic& graphic);
  void StretchDraw(const RECT& dest, const TGraphic& graphic);
  // Copies source's rectangle onto dest, stretched as needed, except where the monochrome mask
  // (as large as the source, aligned with it) holds a 1: there the canvas stays as it was.
  void MaskedCopy(const RECT& dest, const TCanvas& source, const RECT& sourceRect, HBITMAP mask);

  void Changed();
  std::function<void()> OnChange;

private:
  HDC dc_;
};

class TBitmap : public TGraphic {
public:
  TBitmap();
  ~TBitmap() override;
  TBitmap(const TBitmap&) = delete;
  TBitmap& operator=(const TBitmap&) = delete;

  std::string ClassName() const override { return "TBitmap"; }

  int Width() const override { return width_; }
  int Height() const override { return height_; }
  // The content stays at the top left; new area is black. A size no memory could hold throws
  // qt::EOutOfMemory and leaves the bitmap as it was.
  void SetWidth(int width) { SetSize(width, height_); }
  void SetHeight(int height) { SetSize(width_, height); }
  void SetSize(int width, int height);

  TPixelFormat PixelFormat() const { return format_; }
  // Converts the content. At 1, 4 and 8 bits the palette stays (its first 2, 16 or 256
  // entries), or without one black and white at 1 bit and the system's 20 colours otherwise;
  // at 24 and 32 bits the bitmap has no palette.
  void SetPixelFormat(TPixelFormat format);

  HBITMAP Handle() const { return handle_.get(); }
  // Takes the bitmap over (a DIB section or a device bitmap, none for an empty bitmap): its size
  // and pixels become this bitmap's, in a surface of its own, and the handle is freed. One bit
  // per pixel becomes pf1bit, black at index 0 and white at 1, the indices kept; other DIB
  // sections of 4, 8, 24 or 32 bits keep their format, indices and colour table; anything else
  // becomes pf24bit.
  void SetHandle(UniqueBitmap handle);
  // Owned by the bitmap; none when it has no palette.
  HPALETTE Palette() const { return palette_.get(); }
  // Takes a copy of the palette's entries; at 1, 4 and 8 bits they become the colour table,
  // the pixels keeping their indices.
  void SetPalette(HPALETTE palette);

  // Row 0 is the top row. A device format bitmap becomes a DIB of the screen's format first.
  // The caller may write the row, or draw through the canvas's handle: after either the mask is
  // made again when it is next asked for.
  void* ScanLine(int row);
  TCanvas& Canvas();

  // Whether the bitmap is meant to show through where it has its transparent colour; those
  // who copy it read the mask. Changing either fires Changed.
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool transparent);
  // clDefault (from the start): the colour of the bottom-left pixel.
  TColor TransparentColor() const { return transparentColor_; }
  void SetTransparentColor(TColor color);
  // A monochrome bitmap of the bitmap's size: 1 (white) where the pixel has the transparent
  // colour, 0 elsewhere. Owned by the bitmap and valid until the bitmap next changes; none for
  // an empty bitmap.
  HBITMAP MaskHandle() const;

  // A TBitmap is copied, with its transparency settings; another graphic gives itself through
  // its AssignTo.
  void Assign(const TGraphic& source);
  // A BMP file: 1, 4, 8, 24 or 32 bits per pixel, uncompressed, rows either way up. Colour table
  // entries past the file's own are black. A damaged file throws EInvalidGraphic and leaves the
  // bitmap as it was.
  void LoadFromStream(qt::Stream& stream) override;
  void SaveToStream(qt::Stream& stream) const override;
  // A transparent bitmap leaves the DC as it was where it has its transparent colour.
  void Draw(HDC dc, const RECT& r) const override;
  // CF_BITMAP: a device bitmap, read through the palette when one comes with it (then 8 bits per
  // pixel with that palette, else 24).
  void LoadFromClipboardFormat(UINT format, HANDLE data, HPALETTE palette) override;
  // CF_BITMAP: a device bitmap copy and a copy of the palette (none without one); nothing (format
  // 0) for an empty bitmap.
  void SaveToClipboardFormat(UINT& format, HANDLE& data, HPALETTE& palette) override;
  void DrawWith(HDC dc, const RECT& r, DWORD rop) const;

  // Changed comes after every change of size, format, palette or content (canvas drawing
  // included).

private:
  struct Surface;
  void Replace(Surface&& next, bool keepContent);
  // Replaces the content, size, format and palette at once.
  void Adopt(Surface&& next, UniquePalette palette);
  // Every change ends here: the mask no longer fits.
  void BitmapChanged();
  void Deselect();
  void SelectIntoDC();
  void ColorTableFromPalette();

  UniqueMemoryDC dc_;
  HGDIOBJ originalBitmap_ = nullptr;
  HPALETTE originalPalette_ = nullptr;
  UniqueBitmap handle_;
  void* bits_ = nullptr;
  int width_ = 0, height_ = 0;
  TPixelFormat format_ = pfDevice;
  UniquePalette palette_;
  TCanvas canvas_;
  bool transparent_ = false;
  TColor transparentColor_ = clDefault;
  mutable UniqueBitmap mask_; // made when first asked for
};

// The platform's copy of a bitmap (CopyImage): a device bitmap of the same size;
// EOutOfResources when it fails.
UniqueBitmap CopyBitmapHandle(HBITMAP source);

} // namespace win
