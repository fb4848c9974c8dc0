#include "panels/gradient.hpp"

#include <cmath>
#include <cstdint>

namespace qt {
namespace {

// trunc(from + i * step), computed exactly. step = mantissa * 2^-shift with a 53-bit mantissa;
// i * mantissa stays below 2^60. An 80-bit sum would be exact for our ranges too, but not every
// target has one, nor runs its x87 at full precision.
int RampChannel(int from, int i, double step) {
  if (step == 0)
    return from;
  int exponent = 0;
  const double fraction = std::frexp(step, &exponent);
  const auto mantissa = static_cast<std::int64_t>(std::ldexp(fraction, 53));
  const int shift = 53 - exponent;
  const std::int64_t scaled = i * mantissa;
  const std::int64_t whole = scaled >> shift; // floor
  const bool hasFraction = scaled != whole * (std::int64_t{1} << shift);
  const std::int64_t floorSum = from + whole;
  return static_cast<int>(floorSum < 0 && hasFraction ? floorSum + 1 : floorSum);
}

enum class Shape { bands, strips };
enum class Order { linear, inOut };

struct Layout {
  bool reversed; // the ramp runs from ColorEnd to ColorStart
  Shape shape;
  Order order;
};

Layout LayoutOf(TDirection direction) {
  switch (direction) {
  case bdDown:
    return {true, Shape::bands, Order::linear};
  case bdLeft:
    return {false, Shape::strips, Order::linear};
  case bdRight:
    return {true, Shape::strips, Order::linear};
  case bdHorzIn:
    return {false, Shape::bands, Order::inOut};
  case bdHorzOut:
    return {true, Shape::bands, Order::inOut};
  case bdVertIn:
    return {false, Shape::strips, Order::inOut};
  case bdVertOut:
    return {true, Shape::strips, Order::inOut};
  case bdUp:
  case bdFlat:
    break;
  }
  return {false, Shape::bands, Order::linear};
}

// In-out runs up the even entries to the middle and back down the odd ones, so the first band
// shows the ramp's second colour and the last band its first.
int RampIndex(Order order, int i) {
  if (order == Order::linear)
    return i;
  return i < kRampSteps / 2 ? 2 * i + 1 : 2 * kRampSteps - 2 - 2 * i;
}

} // namespace

ColorRamp BuildColorRamp(TColor from, TColor to) {
  ColorRamp ramp;
  double steps[3];
  for (int c = 0; c < 3; ++c)
    steps[c] = (ColorChannel(to, c) - ColorChannel(from, c)) / static_cast<double>(kRampSteps);
  for (int i = 0; i < kRampSteps; ++i)
    ramp[i] = RgbColor(RampChannel(ColorChannel(from, 0), i, steps[0]),
                       RampChannel(ColorChannel(from, 1), i, steps[1]),
                       RampChannel(ColorChannel(from, 2), i, steps[2]));
  return ramp;
}

std::vector<ColorFill> GradientFills(TDirection direction, TColor colorStart, TColor colorEnd,
                                     int width, int height) {
  if (direction == bdFlat)
    return {{{0, 0, width, height}, colorStart}};
  const Layout layout = LayoutOf(direction);
  const ColorRamp ramp =
      layout.reversed ? BuildColorRamp(colorEnd, colorStart) : BuildColorRamp(colorStart, colorEnd);
  std::vector<ColorFill> fills;
  fills.reserve(kRampSteps);
  for (int i = 0; i < kRampSteps; ++i) {
    const TColor color = ramp[RampIndex(layout.order, i)];
    if (layout.shape == Shape::bands)
      fills.push_back(
          {{0, MulDiv(i, height, kRampSteps), width, MulDiv(i + 1, height, kRampSteps)}, color});
    else
      fills.push_back(
          {{MulDiv(i, width, kRampSteps), 0, MulDiv(i + 1, width, kRampSteps), height}, color});
  }
  return fills;
}

} // namespace qt
