#include "panels/markup.hpp"

#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace qt {
namespace {

constexpr TColor kFont = 0x123456;
constexpr TColor kRow = 0xABCDEF; // the row gradient's colour, where the gradient is on
constexpr TColor kRed = 0x0000FF;
constexpr FontStyle kPlain{};
constexpr FontStyle kBold{.bold = true};
constexpr FontStyle kItalic{.italic = true};
constexpr FontStyle kUnderline{.underline = true};
constexpr FontStyle kAll{true, true, true};

struct Piece {
  std::string text;
  FontStyle style;
  TColor color;
  friend bool operator==(const Piece&, const Piece&) = default;
};

void PrintTo(const Piece& p, std::ostream* os) {
  *os << '"' << p.text << "\" b" << p.style.bold << " i" << p.style.italic << " u"
      << p.style.underline << " #" << std::hex << p.color;
}

std::vector<Piece> Read(std::string_view line, MarkupState& state, bool gradient) {
  std::vector<Piece> pieces;
  for (const TextSegment& s :
       ReadMarkupLine(line, state, gradient ? std::optional(kRow) : std::nullopt))
    pieces.push_back({std::string(s.text), s.style, s.color});
  return pieces;
}

struct LineCase {
  const char* line;
  bool gradient;
  std::vector<Piece> drawn;
  FontStyle styleAfter;
  TColor colorAfter;
};

// Each line is read from a freshly measured panel: plain style, the font's colour.
const LineCase kLineCases[] = {
    {"plain text", true, {{"plain text", kPlain, kRow}}, kPlain, kFont},
    {"<x>", false, {{"x>", kPlain, kFont}}, kPlain, kFont},
    {"<bold>", false, {{"ld>", kBold, kFont}}, kBold, kFont},
    {"a<<b",
     false,
     {{"a", kPlain, kFont}, {"<", kPlain, kFont}, {"b", kPlain, kFont}},
     kPlain,
     kFont},
    {"<<", false, {{"<", kPlain, kFont}}, kPlain, kFont},
    {"<b>unclosed", false, {{"unclosed", kBold, kFont}}, kBold, kFont},
    {"<b>a</b><i>b</i><u>c</u>d",
     false,
     {{"a", kBold, kFont}, {"b", kItalic, kFont}, {"c", kUnderline, kFont}, {"d", kPlain, kFont}},
     kPlain,
     kFont},
    {"<B><I><U>x", false, {{"x", kAll, kFont}}, kAll, kFont},
    {"<b>a<//b>b", false, {{"a", kBold, kFont}, {"b", kPlain, kFont}}, kPlain, kFont},
    {"</x>", false, {{"x>", kPlain, kFont}}, kPlain, kFont},
    // Colour tags colour the rest of their line even where the gradient is on.
    {"<nred>x", false, {{"x", kPlain, kRed}}, kPlain, kRed},
    {"<NRED>x", true, {{"x", kPlain, kRed}}, kPlain, kRed},
    {"<nRed>x", true, {{"x", kPlain, kRed}}, kPlain, kRed},
    {"<nfuchsia>x", false, {{"x", kPlain, 0xFF00FF}}, kPlain, 0xFF00FF},
    {"a<nred>b", true, {{"a", kPlain, kRow}, {"b", kPlain, kRed}}, kPlain, kRed},
    {"<nred>a</n>b", true, {{"a", kPlain, kRed}, {"b", kPlain, kRow}}, kPlain, kFont},
    {"<c0000FF>a</c>b", false, {{"a", kPlain, kRed}, {"b", kPlain, kFont}}, kPlain, kFont},
    // A name outside the table keeps the colour, yet still counts as a colour tag.
    {"<n red>x", true, {{"x", kPlain, kFont}}, kPlain, kFont},
    {"<n WHITE>x", false, {{"x", kPlain, kFont}}, kPlain, kFont},
    {"<nred", true, {{"red", kPlain, kFont}}, kPlain, kFont},
    {"<c0000FF>x", false, {{"x", kPlain, 0x0000FF}}, kPlain, 0x0000FF},
    {"<cFF0000>x", false, {{"x", kPlain, 0xFF0000}}, kPlain, 0xFF0000},
    {"<cff00aB>x", false, {{"x", kPlain, 0xFF00AB}}, kPlain, 0xFF00AB},
    // The colour tag always takes six characters and one more, digits or not.
    {"<c0000FF", false, {}, kPlain, kRed},
    {"<cFF", false, {}, kPlain, 0x0000FF},
    {"<c", false, {}, kPlain, 0x000000},
    {"<cZZZZZZ>x", true, {{"x", kPlain, kFont}}, kPlain, kFont},
    {"<c12>abcdef", false, {{"ef", kPlain, kFont}}, kPlain, kFont},
    {"<cFF>x", false, {}, kPlain, kFont},
    // Tags without a letter.
    {"<", false, {}, kPlain, kFont},
    {"ab</", false, {{"ab", kPlain, kFont}}, kPlain, kFont},
    {"<b", false, {}, kBold, kFont},
};

void PrintTo(const LineCase& c, std::ostream* os) {
  *os << '"' << c.line << '"' << (c.gradient ? " with gradient" : "");
}

class MarkupLine : public testing::TestWithParam<LineCase> {};

TEST_P(MarkupLine, DrawsSegmentsAndLeavesState) {
  const LineCase& c = GetParam();
  MarkupState state(kFont);
  EXPECT_EQ(Read(c.line, state, c.gradient), c.drawn);
  EXPECT_EQ(state.style, c.styleAfter);
  EXPECT_EQ(state.color, c.colorAfter);
  EXPECT_EQ(state.fontColor, kFont);
}

INSTANTIATE_TEST_SUITE_P(Lines, MarkupLine, testing::ValuesIn(kLineCases),
                         [](const auto& info) { return "Case" + std::to_string(info.index); });

TEST(MarkupCarry, ColourTagColoursFollowingLinesUntilClosedWithoutGradient) {
  MarkupState state(kFont);
  EXPECT_EQ(Read("<nred>a", state, false), (std::vector<Piece>{{"a", kPlain, kRed}}));
  EXPECT_EQ(Read("b", state, false), (std::vector<Piece>{{"b", kPlain, kRed}}));
  EXPECT_EQ(Read("</n>c", state, false), (std::vector<Piece>{{"c", kPlain, kFont}}));
  EXPECT_EQ(Read("d", state, false), (std::vector<Piece>{{"d", kPlain, kFont}}));
}

TEST(MarkupCarry, WithGradientColourTagOnlyColoursItsOwnLineButStaysCurrent) {
  MarkupState state(kFont);
  EXPECT_EQ(Read("<nred>a", state, true), (std::vector<Piece>{{"a", kPlain, kRed}}));
  EXPECT_EQ(Read("b", state, true), (std::vector<Piece>{{"b", kPlain, kRow}}));
  EXPECT_EQ(Read("c", state, false), (std::vector<Piece>{{"c", kPlain, kRed}}));
}

TEST(MarkupCarry, StyleCarriesOverLinesUntilMeasured) {
  MarkupState state(kFont);
  Read("<b>a<u>", state, false);
  EXPECT_EQ(Read("b", state, false),
            (std::vector<Piece>{{"b", FontStyle{.bold = true, .underline = true}, kFont}}));
  Read("<nred>", state, false);
  state = MarkupState(kFont);
  EXPECT_EQ(Read("c", state, false), (std::vector<Piece>{{"c", kPlain, kFont}}));
}

TEST(StripMarkup, CutsTagsAndTheTextUpToTheNextCloseBracket) {
  const std::pair<const char*, const char*> cases[] = {
      {"no tags > here", "no tags > here"},
      {"<b>bold</b> and <i>it</i>", "bold and it"},
      {"<nred>red</n>", "red"},
      {"<c0000FF>x</c>", "x"},
      {"a<<b", "ab"},
      {"a<<b>c", "ac"},
      {"<bold>", ""},
      {"<x>y", "y"},
      {"<nred", "red"},
      {"ab<", "ab"},
      {"<", ""},
  };
  for (const auto& [line, text] : cases)
    EXPECT_EQ(StripMarkup(line), text) << line;
}

TEST(NamedColor, MatchesWholeNamesInAnyCase) {
  EXPECT_EQ(NamedColor("red"), kRed);
  EXPECT_EQ(NamedColor("Navy"), 0x800000u);
  EXPECT_EQ(NamedColor("DDKGRAY"), 0x808080u);
  EXPECT_EQ(NamedColor("yellow"), 0x00FFFFu);
  EXPECT_EQ(NamedColor(" red"), std::nullopt);
  EXPECT_EQ(NamedColor("re"), std::nullopt);
  EXPECT_EQ(NamedColor(""), std::nullopt);
}

TEST(GradientRowColor, StepsByTruncatedQuotientAndWraps) {
  const TColor begin = 0x0000FF, end = 0x000000;
  const std::pair<int, int> rows[] = {{0, 255}, {1, 230}, {2, 205}, {10, 5}, {11, 236}, {-1, 24}};
  for (const auto& [row, red] : rows)
    EXPECT_EQ(GradientRowColor(begin, end, row, 10), RgbColor(red, 0, 0)) << row;
}

TEST(GradientRowColor, ChannelsAreIndependentAndTopByteIgnored) {
  const TColor begin = 0xFF000000 | RgbColor(10, 200, 0);
  const TColor end = 0x80000000 | RgbColor(110, 0, 255);
  EXPECT_EQ(GradientRowColor(begin, end, 3, 10), RgbColor(40, 140, 75));
  EXPECT_EQ(GradientRowColor(begin, end, 11, 10), RgbColor(120, 236, 19));
}

} // namespace
} // namespace qt
