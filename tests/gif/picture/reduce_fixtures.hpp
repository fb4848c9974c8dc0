#pragma once
// A photo-like 24-bit bitmap and how close an 8-bit reduction of it comes, for the colour
// reduction tests.
#include "win/bitmap.hpp"

#include <cstdint>
#include <memory>
#include <vector>

namespace qt::test {

inline constexpr int kPhotoWidth = 96, kPhotoHeight = 64;

// A 24-bit bitmap of the picture's rows (blue, green, red from the top).
std::unique_ptr<win::TBitmap> Bitmap24(const std::vector<std::uint8_t>& bgr, int width, int height);
// kPhotoWidth x kPhotoHeight, the same bytes on every run.
const std::vector<std::uint8_t>& Photo();

// An 8-bit picture: its colours and its pixels as indices, rows from the top.
struct Reduced {
  std::vector<PALETTEENTRY> palette;
  std::vector<std::uint8_t> indices;
};

// Of an 8-bit bitmap: its palette and its rows.
Reduced Read(win::TBitmap& b);

// Of the result against the 24-bit source; every index must name one of the first paletteSize
// entries.
double PSNR(const Reduced& r, const std::vector<std::uint8_t>& bgr, std::size_t paletteSize);

} // namespace qt::test
