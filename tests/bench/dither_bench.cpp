// The path every dithered frame takes: Floyd-Steinberg onto the 216-colour cube through the cube
// lookup, over a 1920 x 1080 photo-like picture (smooth gradients with grain), against a plain
// nearest-colour pass over the same picture in the same run. items_per_second is pixels a second.
#include "gif/color/dither.hpp"
#include "tests/gif/color/photo.hpp"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

constexpr int kWidth = 1920, kHeight = 1080;

const std::vector<std::uint8_t>& Photo() {
  static const std::vector<std::uint8_t> bgr = qt::bench::PhotoLike(kWidth, kHeight);
  return bgr;
}

template <class Engine>
void Dither(benchmark::State& state) {
  const std::vector<std::uint8_t>& bgr = Photo();
  std::vector<std::uint8_t> indices(static_cast<std::size_t>(kWidth) * kHeight);
  qt::TNetscapeColorLookup cube;
  for (auto _ : state) {
    Engine engine(kWidth, cube);
    for (int y = 0; y < kHeight; ++y)
      qt::DitherRow(engine, &bgr[3 * static_cast<std::size_t>(y) * kWidth], &indices[static_cast<std::size_t>(y) * kWidth]);
    benchmark::DoNotOptimize(indices.data());
  }
  state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}

BENCHMARK_TEMPLATE(Dither, qt::TDitherEngine)->Name("Nearest/cube/1920x1080")->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(Dither, qt::TFloydSteinbergDitherer)->Name("FloydSteinberg/cube/1920x1080")->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(Dither, qt::TStuckiDitherer)->Name("Stucki/cube/1920x1080")->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
