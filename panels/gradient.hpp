#pragma once
#include "panels/color.hpp"
#include "panels/geometry.hpp"

#include <array>
#include <cstdint>
#include <vector>

namespace qt {

// The gradient panel's layouts; the ordinals are those the form files store.
enum TDirection : std::uint8_t {
  bdFlat,
  bdUp,
  bdDown,
  bdLeft,
  bdRight,
  bdHorzIn,
  bdHorzOut,
  bdVertIn,
  bdVertOut,
};

inline constexpr int kRampSteps = 100;

// Index 0 holds the ramp's first colour, which is `from` itself; the last is 99/100 of the way
// to `to`, so `to` itself never appears unless it equals `from`.
using ColorRamp = std::array<TColor, kRampSteps>;

// Each channel of entry i is from + i * (to - from) / 100 truncated, where the step is a double
// and the truncation sees the exact value of that sum: 0 to 6 gives 2 at i = 50, where a double
// product would round up to 3.
ColorRamp BuildColorRamp(TColor from, TColor to);

struct ColorFill {
  Rect rect;
  TColor color;
  friend bool operator==(const ColorFill&, const ColorFill&) = default;
};

// The solid fills, in painting order, that draw `direction` over a panel of the given size:
// one for bdFlat, otherwise 100 bands or strips whose edges are MulDiv(i, size, 100). Panels
// smaller than 100 pixels get empty bands, which draw nothing; the rest still cover the panel.
std::vector<ColorFill> GradientFills(TDirection direction, TColor colorStart, TColor colorEnd,
                                     int width, int height);

} // namespace qt
