#include "panels/geometry.hpp"

#include <algorithm>
#include <limits>

namespace qt {

std::int32_t MulDiv(std::int32_t number, std::int32_t numerator, std::int32_t denominator) {
  if (denominator == 0)
    return -1;
  std::int64_t product = std::int64_t{number} * numerator;
  std::int64_t divisor = denominator;
  if (divisor < 0) {
    product = -product;
    divisor = -divisor;
  }
  const std::int64_t half = divisor / 2;
  const std::int64_t result = (product >= 0 ? product + half : product - half) / divisor;
  if (result < std::numeric_limits<std::int32_t>::min() ||
      result > std::numeric_limits<std::int32_t>::max())
    return -1;
  return static_cast<std::int32_t>(result);
}

std::vector<Rect> TileRects(Rect area, int pictureWidth, int pictureHeight) {
  std::vector<Rect> tiles;
  if (pictureWidth <= 0 || pictureHeight <= 0)
    return tiles;
  for (int y = area.top; y < area.bottom; y += pictureHeight)
    for (int x = area.left; x < area.right; x += pictureWidth)
      tiles.push_back(
          {x, y, std::min(x + pictureWidth, area.right), std::min(y + pictureHeight, area.bottom)});
  return tiles;
}

} // namespace qt
