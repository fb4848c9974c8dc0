#include "win/graphics.hpp"

#include "win/text.hpp"

#include <algorithm>
#include <cstdlib>
#include <map>
#include <stdexcept>

namespace win {

COLORREF ColorToRGB(TColor c) {
  if (c < 0) return GetSysColor(c & 0xFF);
  return static_cast<COLORREF>(c) & 0xFFFFFF;
}

bool ColorFromIdent(const std::string& ident, TColor& out) {
  static const std::map<std::string, TColor> names = {
      {"clBlack", clBlack},       {"clMaroon", clMaroon},   {"clGreen", clGreen},
      {"clOlive", clOlive},       {"clNavy", clNavy},       {"clPurple", clPurple},
      {"clTeal", clTeal},         {"clGray", clGray},       {"clSilver", clSilver},
      {"clRed", clRed},           {"clLime", clLime},       {"clYellow", clYellow},
      {"clBlue", clBlue},         {"clFuchsia", clFuchsia}, {"clAqua", clAqua},
      {"clWhite", clWhite},       {"clMoneyGreen", clMoneyGreen}, {"clSkyBlue", clSkyBlue},
      {"clCream", clCream},       {"clMedGray", clMedGray}, {"clNone", clNone},
      {"clBtnFace", clBtnFace},   {"clWindow", clWindow},   {"clWindowText", clWindowText},
  };
  auto it = names.find(ident);
  if (it == names.end()) return false;
  out = it->second;
  return true;
}

HFONT TFont::Handle() const {
  if (!handle_) {
    LOGFONTW lf{};
    lf.lfHeight = Height;
    lf.lfWeight = (Style & fsBold) ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = (Style & fsItalic) ? 1 : 0;
    lf.lfUnderline = (Style & fsUnderline) ? 1 : 0;
    lf.lfStrikeOut = (Style & fsStrikeOut) ? 1 : 0;
    lf.lfCharSet = static_cast<BYTE>(Charset);
    lf.lfQuality = DEFAULT_QUALITY;
    std::wstring face = Widen(Name);
    face.copy(lf.lfFaceName, LF_FACESIZE - 1);
    handle_.reset(CreateFontIndirectW(&lf));
  }
  return handle_.get();
}

void FillSolid(HDC dc, const RECT& r, TColor c) {
  COLORREF old = SetBkColor(dc, ColorToRGB(c));
  ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
  SetBkColor(dc, old);
}

MemoryBitmap::MemoryBitmap() : dc_(CreateCompatibleDC(nullptr)) {
  if (!dc_) throw std::runtime_error("cannot create a memory device context");
}

MemoryBitmap::MemoryBitmap(int width, int height) : MemoryBitmap() { Resize(width, height); }

MemoryBitmap::~MemoryBitmap() {
  if (original_) SelectObject(dc_.get(), original_);
}

void MemoryBitmap::Resize(int width, int height) {
  width_ = std::max(width, 0);
  height_ = std::max(height, 0);
  if (original_) SelectObject(dc_.get(), original_);
  original_ = nullptr;
  bitmap_.reset();
  if (width_ == 0 || height_ == 0) return; // the DC keeps its own 1 x 1 bitmap
  WindowDC screen(nullptr);
  bitmap_.reset(CreateCompatibleBitmap(screen.get(), width_, height_));
  if (!bitmap_) throw std::runtime_error("cannot create a bitmap of " + std::to_string(width_) +
                                         " x " + std::to_string(height_));
  original_ = SelectObject(dc_.get(), bitmap_.get());
}

} // namespace win
