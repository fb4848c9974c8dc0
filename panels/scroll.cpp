#include "panels/scroll.hpp"

namespace qt {

ScrollState MeasureScroll(int textHeight, int bufferHeight) {
  ScrollState scroll;
  scroll.lineHeight = textHeight + 5;
  scroll.lineCount = bufferHeight / (scroll.lineHeight + 3) + 5;
  scroll.offset = bufferHeight;
  return scroll;
}

void AdvanceScroll(ScrollState& scroll, int lineTotal, int bufferHeight) {
  --scroll.offset;
  if (scroll.offset >= -scroll.lineHeight)
    return;
  ++scroll.firstLine;
  scroll.offset = 0;
  if (scroll.firstLine >= lineTotal) {
    scroll.firstLine = 0;
    scroll.offset = bufferHeight;
  }
}

std::vector<ScrollRow> VisibleRows(const ScrollState& scroll, int lineTotal) {
  std::vector<ScrollRow> rows;
  // A line height of 0 only comes from a state that was never measured.
  const int baseRow = scroll.lineHeight == 0 ? 0 : scroll.offset / scroll.lineHeight;
  for (int r = 0; r <= scroll.lineCount && scroll.firstLine + r < lineTotal; ++r)
    rows.push_back({scroll.firstLine + r, r * scroll.lineHeight + scroll.offset, baseRow + r});
  return rows;
}

int LineStartX(TAlignment alignment, int bufferWidth, int textWidth) {
  switch (alignment) {
  case taLeftJustify:
    return 0;
  case taRightJustify:
    return bufferWidth - textWidth;
  case taCenter:
    break;
  }
  return bufferWidth / 2 - textWidth / 2;
}

} // namespace qt
