#pragma once
#include "panels/color.hpp"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qt {

// The mark-up of the scrolling panel's lines: text with the tags <b> <i> <u> (and </b> ...),
// <nNAME> with a colour name, <cBBGGRR> with six hexadecimal digits, </n> and </c> back to the
// font's colour, and "<<" for a literal "<". Tag letters and names are case-insensitive.

struct FontStyle {
  bool bold = false;
  bool italic = false;
  bool underline = false;
  friend bool operator==(const FontStyle&, const FontStyle&) = default;
};

// What one line leaves for the next. The panel resets it whenever it measures its lines.
struct MarkupState {
  explicit MarkupState(TColor panelFontColor) : color(panelFontColor), fontColor(panelFontColor) {}

  FontStyle style;  // changed only by tags: carried over lines and paints
  TColor color;     // the current colour, carried until a closing colour tag
  TColor fontColor; // the panel font's colour, where closing colour tags return
};

// One piece of text to draw, left to right, each starting where the previous one ended.
struct TextSegment {
  std::string_view text; // points into the line that was read
  FontStyle style;
  TColor color;
};

// Reads one line into the segments to draw and updates `state` with its tags. `rowGradient` is
// the gradient colour of the line's screen row when the panel colours by row: it colours the
// text that no colour tag of this line has coloured. Any line is readable: tags that make no
// sense draw what the reading rules leave of them.
std::vector<TextSegment> ReadMarkupLine(std::string_view line, MarkupState& state,
                                        std::optional<TColor> rowGradient);

// The text that decides a line's alignment. It cuts each "<" with the character after it and
// then up to the next ">", so a<<b measures as ab although it draws as a<b; the panels have
// always aligned that way.
std::string StripMarkup(std::string_view line);

// The named colours of <nNAME>; `name` is compared upper-cased and whole.
std::optional<TColor> NamedColor(std::string_view name);

// Colour of screen row `row` when `rowCount` rows span the gradient. Each channel steps by the
// truncated quotient (end - begin) / rowCount and wraps modulo 256, so rows past the end cycle
// round instead of staying at `end`.
TColor GradientRowColor(TColor begin, TColor end, int row, int rowCount);

} // namespace qt
