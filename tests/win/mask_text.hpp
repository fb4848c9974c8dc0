#pragma once
// Masks as text, for comparing them with a picture drawn in a test.
#include "win/handles.hpp"

#include <string>

namespace win::testing {

// A monochrome bitmap's pixels row by row, rows parted by '/': '1' for white, '0' for black.
inline std::string MaskText(HBITMAP mask) {
  BITMAP info{};
  if (!GetObjectW(mask, sizeof info, &info) || info.bmBitsPixel * info.bmPlanes != 1) return "not monochrome";
  UniqueMemoryDC dc(CreateCompatibleDC(nullptr));
  SelectGuard selected(dc.get(), mask);
  std::string text;
  for (int y = 0; y < info.bmHeight; ++y) {
    if (y > 0) text += '/';
    for (int x = 0; x < info.bmWidth; ++x)
      text += GetPixel(dc.get(), x, y) == RGB(255, 255, 255) ? '1' : '0';
  }
  return text;
}

} // namespace win::testing
