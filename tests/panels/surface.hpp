#pragma once
// Test helpers: a memory device context over a 32-bit DIB whose pixels the test reads directly.
#include "win/graphics.hpp"

#include <windows.h>

#include <cstdint>
#include <ostream>
#include <vector>

namespace qt::panel_test {

inline constexpr COLORREF kMarker = RGB(255, 0, 255); // where nothing has painted

// The pixels of one paint, as COLORREF values, row by row from the top.
struct Frame {
  int width = 0;
  int height = 0;
  std::vector<COLORREF> pixels;

  COLORREF At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
  friend bool operator==(const Frame&, const Frame&) = default;
};

inline void PrintTo(const Frame& frame, std::ostream* os) {
  *os << frame.width << " x " << frame.height << " pixels";
}

// A 32-bit DIB, rows from the top, pixels 0x00RRGGBB at `bits`.
inline win::UniqueBitmap TopDownDib(int width, int height, std::uint32_t*& bits) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* memory = nullptr;
  win::UniqueBitmap dib(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &memory, nullptr, 0));
  bits = static_cast<std::uint32_t*>(memory);
  return dib;
}

inline std::uint32_t DibPixel(COLORREF c) {
  return GetRValue(c) << 16 | GetGValue(c) << 8 | GetBValue(c);
}

class Surface {
public:
  Surface(int width, int height) : width_(width), height_(height) {
    bitmap_ = TopDownDib(width, height, bits_);
    dc_.reset(CreateCompatibleDC(nullptr));
    original_ = SelectObject(dc_.get(), bitmap_.get());
    Fill(kMarker);
  }
  Surface(const Surface&) = delete;
  Surface& operator=(const Surface&) = delete;
  ~Surface() { SelectObject(dc_.get(), original_); }

  HDC Dc() const { return dc_.get(); }

  void Fill(COLORREF color) {
    const RECT all{0, 0, width_, height_};
    win::FillSolid(Dc(), all, static_cast<win::TColor>(color));
  }

  Frame Read() const {
    GdiFlush();
    Frame frame{width_, height_, {}};
    frame.pixels.reserve(static_cast<std::size_t>(width_) * height_);
    for (int i = 0; i < width_ * height_; ++i) {
      const std::uint32_t bgra = bits_[i];
      frame.pixels.push_back(RGB((bgra >> 16) & 0xFF, (bgra >> 8) & 0xFF, bgra & 0xFF));
    }
    return frame;
  }

private:
  int width_;
  int height_;
  win::UniqueBitmap bitmap_;
  win::UniqueMemoryDC dc_;
  HGDIOBJ original_ = nullptr;
  std::uint32_t* bits_ = nullptr;
};

} // namespace qt::panel_test
