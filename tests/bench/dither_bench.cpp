// The path every dithered frame takes: Floyd-Steinberg onto the 216-colour cube through the cube
// lookup, over a 1920 x 1080 photo-like picture (smooth gradients with grain), against a plain
// nearest-colour pass over the same picture in the same run. items_per_second is pixels a second.
#include "gif/dither.hpp"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <random>
#include <vector>

namespace {

constexpr int kWidth = 1920, kHeight = 1080;

const std::vector<std::uint8_t>& Photo() {
  static const std::vector<std::uint8_t> bgr = [] {
    std::vector<std::uint8_t> out(3 * static_cast<std::size_t>(kWidth) * kHeight);
    std::mt19937 random(5);
    std::normal_distribution<double> grain(0, 6);
    std::size_t i = 0;
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x) {
        const double fx = x / double(kWidth), fy = y / double(kHeight);
        const double channels[3] = {
            128 + 100 * std::sin(6 * fx + 2 * fy), 128 + 90 * std::cos(4 * fy - 3 * fx),
            128 + 110 * std::sin(5 * fx * fy + 1)};
        for (double c : channels) // blue, green, red
          out[i++] = static_cast<std::uint8_t>(std::clamp(c + grain(random), 0.0, 255.0));
      }
    return out;
  }();
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
