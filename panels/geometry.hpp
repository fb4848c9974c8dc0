#pragma once
#include <cstdint>
#include <vector>

namespace qt {

// Left and top inclusive, right and bottom exclusive, as a Win32 RECT.
struct Rect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  friend bool operator==(const Rect&, const Rect&) = default;
};

// Win32 MulDiv: the 64-bit product divided and rounded to the nearest integer, halves away from
// zero; -1 for a zero divisor or a result outside 32 bits.
std::int32_t MulDiv(std::int32_t number, std::int32_t numerator, std::int32_t denominator);

// Where copies of a picture go to tile `area`, row by row from its top-left corner; copies at the
// right and bottom edges are cut to the area. An empty picture gives no copies.
std::vector<Rect> TileRects(Rect area, int pictureWidth, int pictureHeight);

} // namespace qt
