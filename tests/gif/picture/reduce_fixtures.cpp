#include "tests/gif/picture/reduce_fixtures.hpp"

#include "tests/gif/color/photo.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace qt::test {

std::unique_ptr<win::TBitmap> Bitmap24(const std::vector<std::uint8_t>& bgr, int width, int height) {
  auto b = std::make_unique<win::TBitmap>();
  b->SetPixelFormat(win::pf24bit);
  b->SetSize(width, height);
  for (int y = 0; y < height; ++y)
    std::memcpy(b->ScanLine(y), &bgr[3 * static_cast<std::size_t>(y) * width], 3 * static_cast<std::size_t>(width));
  return b;
}

const std::vector<std::uint8_t>& Photo() {
  static const std::vector<std::uint8_t> bgr = bench::PhotoLike(kPhotoWidth, kPhotoHeight);
  return bgr;
}

Reduced Read(win::TBitmap& b) {
  Reduced out;
  EXPECT_EQ(b.PixelFormat(), win::pf8bit);
  out.palette = win::PaletteEntries(b.Palette());
  for (int y = 0; y < b.Height(); ++y) {
    const auto* row = static_cast<const std::uint8_t*>(b.ScanLine(y));
    out.indices.insert(out.indices.end(), row, row + b.Width());
  }
  return out;
}

double PSNR(const Reduced& r, const std::vector<std::uint8_t>& bgr, std::size_t paletteSize) {
  double squares = 0;
  for (std::size_t i = 0; i < r.indices.size(); ++i) {
    EXPECT_LT(r.indices[i], paletteSize) << i;
    if (r.indices[i] >= paletteSize || r.indices[i] >= r.palette.size()) return 0;
    const PALETTEENTRY& e = r.palette[r.indices[i]];
    const int d[3] = {e.peBlue - bgr[3 * i], e.peGreen - bgr[3 * i + 1], e.peRed - bgr[3 * i + 2]};
    for (int v : d)
      squares += v * v;
  }
  const double mse = squares / (3.0 * static_cast<double>(r.indices.size()));
  return mse == 0 ? 99 : 10 * std::log10(255.0 * 255.0 / mse);
}

} // namespace qt::test
