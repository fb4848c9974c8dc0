#pragma once
#include "win/handles.hpp"
#include "win/picture.hpp"

#include <string>
#include <vector>

namespace win {

// A libjpeg error, with the library's message number (J_MESSAGE_CODE) and text.
class EJPEG : public qt::Error {
public:
  EJPEG(int code, const std::string& text) : qt::Error("JPEG error #" + std::to_string(code) + ": " + text), code_(code) {}
  int Code() const { return code_; }

private:
  int code_;
};

enum class TJPEGColors {
  Display,   // true colour, or 236 colours when the screen has 256 or fewer
  TrueColor, // 24 bits per pixel (grey pictures: 256 greys)
  Palette236 // quantised to 236 colours, leaving the 20 system colours of an 8-bit screen alone
};

// A JPEG picture. It keeps the bytes it was loaded from and saves exactly those; loading decodes
// them once for display, so a damaged file fails when it is loaded, never when it is drawn.
// libjpeg's warnings (corrupt data, a premature end) do not fail: the picture shows what decoded.
class TJPEGImage : public TGraphic {
public:
  std::string ClassName() const override { return "TJPEGImage"; }
  void LoadFromStream(qt::Stream& stream) override;
  void SaveToStream(qt::Stream& stream) const override;
  int Width() const override { return width_; }
  int Height() const override { return height_; }
  void Draw(HDC dc, const RECT& r) const override;
  // The decoded picture: 24 bits per pixel, or 8 with its colour table and palette.
  void AssignTo(TBitmap& dest) const override;

  // Output scaling by num/denom (libjpeg offers 1/1, 1/2, 1/4, 1/8 at least) and the colour
  // choice apply from the next load and to a loaded picture at once.
  void SetScale(unsigned num, unsigned denom);
  void SetColors(TJPEGColors colors);
  // The decoded bitmap's bits per pixel: 24, or 8 with a colour table.
  int BitsPerPixel() const { return info_.header.biBitCount; }

private:
  struct BitmapInfo {
    BITMAPINFOHEADER header{};
    RGBQUAD colors[256]{};
  };
  void Decode(const std::string& bytes);

  std::string bytes_;
  unsigned scaleNum_ = 1, scaleDenom_ = 1;
  TJPEGColors colors_ = TJPEGColors::Display;
  int width_ = 0, height_ = 0;
  BitmapInfo info_;
  std::vector<unsigned char> bits_; // bottom-up DIB rows
  UniquePalette palette_;           // for 8-bit screens, with an 8-bit bitmap
};

} // namespace win
