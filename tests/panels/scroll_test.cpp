#include "panels/scroll.hpp"

#include <gtest/gtest.h>

#include <vector>

namespace qt {
namespace {

TEST(Scroll, MeasuringStartsJustBelowTheBottomEdge) {
  // "W" 11 pixels high in a 40-pixel panel: lines 16 apart, 40 div 19 + 5 rows below the first.
  EXPECT_EQ(MeasureScroll(11, 40), (ScrollState{16, 7, 0, 40}));
}

TEST(Scroll, SingleLineRisesUntilWhollyOutOfSightThenStartsAgainBelow) {
  ScrollState scroll = MeasureScroll(11, 40);
  std::vector<int> drawnAt;
  for (int paint = 0; paint < 60; ++paint) {
    const std::vector<ScrollRow> rows = VisibleRows(scroll, 1);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].line, 0);
    drawnAt.push_back(rows[0].y);
    AdvanceScroll(scroll, 1, 40);
  }
  std::vector<int> expected;
  for (int y = 40; y >= -16; --y)
    expected.push_back(y);
  expected.insert(expected.end(), {40, 39, 38});
  EXPECT_EQ(drawnAt, expected);
}

TEST(Scroll, DroppingTheTopLineRepeatsThePicture) {
  ScrollState scroll{16, 7, 0, -16};
  EXPECT_EQ(VisibleRows(scroll, 3), (std::vector<ScrollRow>{{0, -16, -1}, {1, 0, 0}, {2, 16, 1}}));
  AdvanceScroll(scroll, 3, 40);
  EXPECT_EQ(scroll, (ScrollState{16, 7, 1, 0}));
  EXPECT_EQ(VisibleRows(scroll, 3), (std::vector<ScrollRow>{{1, 0, 0}, {2, 16, 1}}));
}

TEST(Scroll, AfterTheLastLineTheTextStartsAgainBelow) {
  ScrollState scroll{16, 7, 2, -16};
  AdvanceScroll(scroll, 3, 40);
  EXPECT_EQ(scroll, (ScrollState{16, 7, 0, 40}));
}

TEST(Scroll, DrawsAtMostOneRowMoreThanTheRowCount) {
  EXPECT_EQ(VisibleRows({10, 2, 1, 5}, 10),
            (std::vector<ScrollRow>{{1, 5, 0}, {2, 15, 1}, {3, 25, 2}}));
}

TEST(Scroll, GradientBaseRowTruncatesTowardZero) {
  EXPECT_EQ(VisibleRows({10, 1, 0, -9}, 5), (std::vector<ScrollRow>{{0, -9, 0}, {1, 1, 1}}));
  EXPECT_EQ(VisibleRows({10, 1, 0, 25}, 5), (std::vector<ScrollRow>{{0, 25, 2}, {1, 35, 3}}));
}

TEST(Scroll, LineStartByAlignment) {
  struct Case {
    TAlignment alignment;
    int bufferWidth, textWidth, x;
  };
  const Case cases[] = {
      {taLeftJustify, 100, 31, 0}, {taRightJustify, 100, 31, 69},
      {taCenter, 100, 31, 35}, // both halves truncated: 50 - 15
      {taCenter, 21, 50, -15},     {taRightJustify, 20, 50, -30},
  };
  for (const Case& c : cases)
    EXPECT_EQ(LineStartX(c.alignment, c.bufferWidth, c.textWidth), c.x)
        << int{c.alignment} << ' ' << c.bufferWidth << ' ' << c.textWidth;
}

} // namespace
} // namespace qt
