// What the lookup that asks GDI for the nearest palette entry costs, over a 1920 x 1080
// photo-like picture, against asking GDI for every pixel and against the cube lookup's
// arithmetic, in the same run. A timed harness, run by hand under Wine:
//   scripts/wine-run build/win32/tests/gif/lookup_bench.exe
// Each round makes a new lookup, so the figures include filling its kept answers.
#include "gif/picture/dib.hpp"
#include "gif/color/dither.hpp"
#include "tests/gif/color/photo.hpp"

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kWidth = 1920, kHeight = 1080, kRounds = 5;

template <class F>
double MedianMilliseconds(F&& f) {
  std::vector<double> times;
  for (int i = 0; i < kRounds; ++i) {
    const auto begin = Clock::now();
    f();
    times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - begin).count());
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

double Mpix(double ms) { return kWidth * double(kHeight) / (ms * 1000); }

} // namespace

int main() {
  const std::vector<std::uint8_t> photo = qt::bench::PhotoLike(kWidth, kHeight);
  std::vector<std::uint8_t> indices(static_cast<std::size_t>(kWidth) * kHeight);
  win::WindowDC screen(nullptr);
  const win::UniquePalette palette(CreateHalftonePalette(screen.get()));
  std::vector<bool> seen(1 << 24);
  std::size_t distinct = 0;
  for (std::size_t i = 0; i < photo.size(); i += 3) {
    const std::uint32_t c = photo[i] | photo[i + 1] << 8 | photo[i + 2] << 16;
    distinct += !seen[c];
    seen[c] = true;
  }
  std::printf("halftone palette of %zu entries, %d x %d with %zu distinct colours, medians of %d rounds\n",
              win::PaletteEntries(palette.get()).size(), kWidth, kHeight, distinct, kRounds);

  auto rows = [&](qt::TDitherEngine& engine) {
    for (int y = 0; y < kHeight; ++y)
      qt::DitherRow(engine, &photo[3 * static_cast<std::size_t>(y) * kWidth], &indices[static_cast<std::size_t>(y) * kWidth]);
  };
  const double everyPixel = MedianMilliseconds([&] {
    for (std::size_t i = 0; i < indices.size(); ++i)
      indices[i] = static_cast<std::uint8_t>(
          GetNearestPaletteIndex(palette.get(), RGB(photo[3 * i + 2], photo[3 * i + 1], photo[3 * i])));
  });
  const double nearest = MedianMilliseconds([&] {
    qt::TSlowColorLookup lookup(palette.get());
    qt::TDitherEngine engine(kWidth, lookup);
    rows(engine);
  });
  const double dithered = MedianMilliseconds([&] {
    qt::TSlowColorLookup lookup(palette.get());
    qt::TFloydSteinbergDitherer engine(kWidth, lookup);
    rows(engine);
  });
  const double cube = MedianMilliseconds([&] {
    qt::TNetscapeColorLookup lookup;
    qt::TDitherEngine engine(kWidth, lookup);
    rows(engine);
  });
  std::printf("GDI asked for every pixel:          %8.1f ms  %7.1f Mpix/s\n", everyPixel, Mpix(everyPixel));
  std::printf("GDI lookup, nearest:                %8.1f ms  %7.1f Mpix/s  (%.1f x asking every pixel)\n", nearest,
              Mpix(nearest), everyPixel / nearest);
  std::printf("GDI lookup, Floyd-Steinberg:        %8.1f ms  %7.1f Mpix/s\n", dithered, Mpix(dithered));
  std::printf("cube lookup, nearest (arithmetic):  %8.1f ms  %7.1f Mpix/s\n", cube, Mpix(cube));
  return 0;
}
