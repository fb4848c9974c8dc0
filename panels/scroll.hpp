#pragma once
#include "base/alignment.hpp"

#include <vector>

namespace qt {

// Where the scrolling panel's text stands. Measuring restarts it just below the bottom edge;
// every paint while active moves it up by one pixel.
struct ScrollState {
  int lineHeight = 0; // pixels from one line's top to the next
  int lineCount = 0;  // rows drawn below the first line; also the gradient's row count
  int firstLine = 0;  // index of the topmost line drawn
  int offset = 0;     // y of that line inside the buffer; negative once it is partly out of sight
  friend bool operator==(const ScrollState&, const ScrollState&) = default;
};

// `textHeight` is the height of "W" in the panel's font, `bufferHeight` the panel's height.
ScrollState MeasureScroll(int textHeight, int bufferHeight);

// The step after a paint. A line is dropped only once it is a whole line height above the top,
// and the next one then starts at y 0, where it already stood: that picture shows twice. After
// the last line the text starts over below the bottom edge.
void AdvanceScroll(ScrollState& scroll, int lineTotal, int bufferHeight);

struct ScrollRow {
  int line;        // index into the panel's lines
  int y;           // top of the line in the buffer
  int gradientRow; // row for GradientRowColor
  friend bool operator==(const ScrollRow&, const ScrollRow&) = default;
};

// The lines one paint draws, top to bottom: at most lineCount + 1, fewer at the end of the text.
std::vector<ScrollRow> VisibleRows(const ScrollState& scroll, int lineTotal);

// x of a line whose mark-up-free text is `textWidth` wide.
int LineStartX(TAlignment alignment, int bufferWidth, int textWidth);

} // namespace qt
