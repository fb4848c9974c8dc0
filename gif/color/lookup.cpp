#include "gif/color/lookup.hpp"

namespace qt {

std::uint8_t TNetscapeColorLookup::NearestIndex(std::uint8_t red, std::uint8_t green, std::uint8_t blue,
                                                std::uint8_t& r, std::uint8_t& g, std::uint8_t& b) {
  const int ri = (red + 3) / 51, gi = (green + 3) / 51, bi = (blue + 3) / 51;
  r = static_cast<std::uint8_t>(51 * ri);
  g = static_cast<std::uint8_t>(51 * gi);
  b = static_cast<std::uint8_t>(51 * bi);
  return static_cast<std::uint8_t>(36 * ri + 6 * gi + bi);
}

std::uint8_t TGrayScaleLookup::NearestIndex(std::uint8_t red, std::uint8_t green, std::uint8_t blue,
                                            std::uint8_t& r, std::uint8_t& g, std::uint8_t& b) {
  const auto y = static_cast<std::uint8_t>((77 * red + 150 * green + 29 * blue) >> 8);
  r = g = b = y;
  return y;
}

std::uint8_t TMonochromeLookup::NearestIndex(std::uint8_t red, std::uint8_t green, std::uint8_t blue,
                                             std::uint8_t& r, std::uint8_t& g, std::uint8_t& b) {
  const bool white = 77 * red + 150 * green + 29 * blue > 32512;
  r = g = b = white ? 255 : 0;
  return white ? 1 : 0;
}

} // namespace qt
