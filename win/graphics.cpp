#include "win/graphics.hpp"

#include "win/text.hpp"

#include <cstdlib>
#include <map>

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

} // namespace win
