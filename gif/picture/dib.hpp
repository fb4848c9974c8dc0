#pragma once
// Row access to platform bitmaps for the codec's conversions, and the colour lookup that asks GDI
// for the nearest palette entry.
#include "gif/color/lookup.hpp"
#include "win/bitmap.hpp"

#include <cstdint>
#include <string>
#include <vector>

namespace qt {

class TDIB {
public:
  virtual ~TDIB() noexcept(false) = default;
  TDIB(const TDIB&) = delete;
  TDIB& operator=(const TDIB&) = delete;
  // Row 0 is the top row.
  virtual void* RowAddress(int row) = 0;
  win::TBitmap& Bitmap() const { return bitmap_; }
  win::TPixelFormat PixelFormat() const { return format_; }

protected:
  TDIB(win::TBitmap& bitmap, win::TPixelFormat format) : bitmap_(bitmap), format_(format) {}
  win::TBitmap& bitmap_; // not owned
  win::TPixelFormat format_;
};

// The rows of an existing bitmap, which it converts to the format asked for, for good.
class TDIBReader : public TDIB {
public:
  TDIBReader(win::TBitmap& bitmap, win::TPixelFormat format);
  void* RowAddress(int row) override { return bitmap_.ScanLine(row); }
};

// Builds an 8 or 24-bit image in a buffer of its own and hands it to the bitmap in one load
// when it is destroyed; at 8 bits the palette's entries (at most 256, the palette not owned)
// become the colour table. The buffer is made when the first row is asked for: a writer
// destroyed before that leaves the bitmap as it was, and so does one destroyed while an
// exception passes.
class TDIBWriter : public TDIB {
public:
  // GIFException "Unsupported PixelFormat" unless 8 or 24 bits, "Invalid image dimensions" for a
  // size below 1.
  TDIBWriter(win::TBitmap& bitmap, win::TPixelFormat format, int width, int height, HPALETTE palette);
  ~TDIBWriter() noexcept(false) override;
  // EOutOfMemory "Failed to allocate memory for GIF DIB" when the image cannot be had, also for
  // one beyond a BMP file's 32-bit size; EInvalidGraphicOperation for a row outside the image.
  void* RowAddress(int row) override;

private:
  void MakeDIBBuffer();
  void FreeDIBBuffer();
  void StoreToBitmap();

  std::string info_;                // header and colour table
  HGLOBAL buffer_ = nullptr;        // moveable global memory, locked at pixels_
  unsigned char* pixels_ = nullptr;
  std::uint64_t stride_ = 0;
  std::uint64_t bufferSize_ = 0;
  HPALETTE palette_;
  int height_, width_;
  int exceptions_; // in flight at creation
};

// GDI's own nearest palette entry. Each distinct colour is asked once; the answers are kept.
class TSlowColorLookup final : public TColorLookup {
public:
  // Takes up to 256 of the palette's entries; PaletteSize 0 for none or an empty palette.
  explicit TSlowColorLookup(HPALETTE palette);
  // With no entries, r, g, b stay as they were and the answer is 0. An index GDI answers outside
  // the entries taken (a failure, or a palette grown since) becomes 0.
  std::uint8_t NearestIndex(std::uint8_t red, std::uint8_t green, std::uint8_t blue, std::uint8_t& r,
                            std::uint8_t& g, std::uint8_t& b) override;

private:
  std::uint8_t AskGDI(std::uint32_t rgb) const;

  HPALETTE palette_;
  std::vector<PALETTEENTRY> entries_;
  // Open addressing on the colour with bit 24 set as "used"; stops growing at kMaxCached colours.
  std::vector<std::uint32_t> keys_;
  std::vector<std::uint8_t> answers_;
  std::size_t cached_ = 0;
};

} // namespace qt
