#pragma once
#include "win/handles.hpp"

#include <cstdint>
#include <string>

namespace win {

// Colours as the layouts store them: $00BBGGRR, or a system colour as 0x80000000 + COLOR_ index.
using TColor = int32_t;
constexpr TColor clBlack = 0x000000, clMaroon = 0x000080, clGreen = 0x008000, clOlive = 0x008080,
                 clNavy = 0x800000, clPurple = 0x800080, clTeal = 0x808000, clGray = 0x808080,
                 clSilver = 0xC0C0C0, clRed = 0x0000FF, clLime = 0x00FF00, clYellow = 0x00FFFF,
                 clBlue = 0xFF0000, clFuchsia = 0xFF00FF, clAqua = 0xFFFF00, clWhite = 0xFFFFFF,
                 clMoneyGreen = 0xC0DCC0, clSkyBlue = 0xF0CAA6, clCream = 0xF0FBFF,
                 clMedGray = 0xA4A0A0, clNone = 0x1FFFFFFF;
// "Whatever the object takes by itself": a bitmap's transparent colour is then the colour of its
// bottom-left pixel.
constexpr TColor clDefault = 0x20000000;
constexpr TColor clBtnFace = static_cast<TColor>(0x8000000F);
constexpr TColor clWindow = static_cast<TColor>(0x80000005);
constexpr TColor clWindowText = static_cast<TColor>(0x80000008);

COLORREF ColorToRGB(TColor c);
// clXxx names and plain numbers, for layouts; false when the name is unknown.
bool ColorFromIdent(const std::string& ident, TColor& out);

enum TFontStyle : unsigned { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };

// A logical font; the GDI handle is made on first use and again after a change.
class TFont {
public:
  std::string Name = "宋体";
  int Height = -12; // pixels; negative: character height
  TColor Color = clWindowText;
  unsigned Style = 0;
  int Charset = 134; // GB2312_CHARSET

  void SetSize(int points) { Height = -MulDiv(points, 96, 72); }
  HFONT Handle() const;
  void Changed() { handle_.reset(); }
  bool operator==(const TFont& o) const {
    return Name == o.Name && Height == o.Height && Color == o.Color && Style == o.Style &&
           Charset == o.Charset;
  }
  TFont() = default;
  TFont(const TFont& o) : Name(o.Name), Height(o.Height), Color(o.Color), Style(o.Style), Charset(o.Charset) {}
  TFont& operator=(const TFont& o) {
    Name = o.Name, Height = o.Height, Color = o.Color, Style = o.Style, Charset = o.Charset;
    Changed();
    return *this;
  }

private:
  mutable UniqueFont handle_;
};

void FillSolid(HDC dc, const RECT& r, TColor c);

// A screen-compatible bitmap selected into a memory DC of its own: a surface to draw on out of
// sight and copy to a window in one block transfer.
class MemoryBitmap {
public:
  MemoryBitmap();
  MemoryBitmap(int width, int height);
  ~MemoryBitmap();
  MemoryBitmap(const MemoryBitmap&) = delete;
  MemoryBitmap& operator=(const MemoryBitmap&) = delete;

  // The content is lost.
  void Resize(int width, int height);
  HDC Dc() const { return dc_.get(); }
  int Width() const { return width_; }
  int Height() const { return height_; }

private:
  UniqueMemoryDC dc_;
  UniqueBitmap bitmap_;
  HGDIOBJ original_ = nullptr; // the DC's own bitmap, selected back before ours is deleted
  int width_ = 0;
  int height_ = 0;
};

} // namespace win
