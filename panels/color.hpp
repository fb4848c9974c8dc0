#pragma once
#include <cstdint>

namespace qt {

// A colour as the panels store it: $00BBGGRR, the layout of a Win32 COLORREF, so the painters
// hand it to GDI unchanged. The top byte is never read by the colour arithmetic.
using TColor = std::uint32_t;

// Channel 0 is red (the lowest byte), 1 green, 2 blue.
constexpr int ColorChannel(TColor color, int channel) { return (color >> (8 * channel)) & 0xFF; }

// Each channel is taken modulo 256, which is how the gradients wrap instead of clamping.
constexpr TColor RgbColor(int red, int green, int blue) {
  return static_cast<TColor>(red & 0xFF) | static_cast<TColor>(green & 0xFF) << 8 |
         static_cast<TColor>(blue & 0xFF) << 16;
}

} // namespace qt
