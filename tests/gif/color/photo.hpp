#pragma once
// A photo-like picture for the colour benchmarks: smooth gradients in every channel with grain,
// 24-bit rows (blue, green, red) from the top, the same bytes on every run.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

namespace qt::bench {

inline std::vector<std::uint8_t> PhotoLike(int width, int height) {
  std::vector<std::uint8_t> out(3 * static_cast<std::size_t>(width) * height);
  std::mt19937 random(5);
  std::normal_distribution<double> grain(0, 6);
  std::size_t i = 0;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const double fx = x / double(width), fy = y / double(height);
      const double channels[3] = {128 + 100 * std::sin(6 * fx + 2 * fy), 128 + 90 * std::cos(4 * fy - 3 * fx),
                                  128 + 110 * std::sin(5 * fx * fy + 1)};
      for (double c : channels)
        out[i++] = static_cast<std::uint8_t>(std::clamp(c + grain(random), 0.0, 255.0));
    }
  return out;
}

} // namespace qt::bench
