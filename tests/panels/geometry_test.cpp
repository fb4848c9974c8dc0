#include "panels/geometry.hpp"

#include <gtest/gtest.h>

#include <climits>
#include <vector>

namespace qt {
namespace {

TEST(MulDiv, RoundsToNearestWithHalvesAwayFromZero) {
  struct Case {
    std::int32_t number, numerator, denominator, result;
  };
  const Case cases[] = {
      {1, 3, 2, 2},
      {-1, 3, 2, -2},
      {1, -3, 2, -2},
      {3, 1, -2, -2},
      {-3, 1, -2, 2},
      {1, 1, 3, 0},
      {2, 1, 3, 1},
      {-2, 1, 3, -1},
      {49, 1, 100, 0},
      {50, 1, 100, 1},
      {17, 3, 100, 1},
      {16, 3, 100, 0},
      // The product needs 64 bits; the quotient fits again.
      {100000, 100000, 100000, 100000},
      {INT_MAX, INT_MAX, INT_MAX, INT_MAX},
  };
  for (const Case& c : cases)
    EXPECT_EQ(MulDiv(c.number, c.numerator, c.denominator), c.result)
        << c.number << " * " << c.numerator << " / " << c.denominator;
}

TEST(MulDiv, ZeroDivisorAndOverflowGiveMinusOne) {
  EXPECT_EQ(MulDiv(5, 7, 0), -1);
  EXPECT_EQ(MulDiv(0, 0, 0), -1);
  EXPECT_EQ(MulDiv(INT_MAX, 2, 1), -1);
  EXPECT_EQ(MulDiv(INT_MIN, 2, 1), -1);
}

TEST(TileRects, TilesFromTheTopLeftAndCutsAtTheEdges) {
  EXPECT_EQ(TileRects({2, 1, 12, 8}, 4, 3), (std::vector<Rect>{
                                                {2, 1, 6, 4},
                                                {6, 1, 10, 4},
                                                {10, 1, 12, 4},
                                                {2, 4, 6, 7},
                                                {6, 4, 10, 7},
                                                {10, 4, 12, 7},
                                                {2, 7, 6, 8},
                                                {6, 7, 10, 8},
                                                {10, 7, 12, 8},
                                            }));
}

TEST(TileRects, EmptyPictureGivesNoCopies) {
  EXPECT_TRUE(TileRects({0, 0, 10, 10}, 0, 5).empty());
  EXPECT_TRUE(TileRects({0, 0, 10, 10}, 5, 0).empty());
}

} // namespace
} // namespace qt
