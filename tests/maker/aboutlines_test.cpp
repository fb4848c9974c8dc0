#include "maker/aboutlines.hpp"
#include "panels/markup.hpp"

#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace qt {
namespace {

using Lines = std::vector<std::string>;

struct AboutCase {
  const char* name;
  Lines memo;
  Lines panel;
};

void PrintTo(const AboutCase& c, std::ostream* os) { *os << c.name; }

const AboutCase kCases[] = {
    {"StyleAndColourThenPlain",
     {"##粗体", "##红", "A", "##一般", "B"},
     {"<b><nred>A", "</b></u></i>B"}},
    {"RepeatedWordAddsTwice", {"##红", "##红", "x"}, {"<nred><nred>x"}},
    {"TrailingBlankIsNoWord", {"##红 ", "x"}, {"x"}},
    {"LeadingBlankIsNoWord", {"## 红", "x"}, {"x"}},
    {"UnknownWordDropped", {"##橙", "x"}, {"x"}},
    {"WordPrefixDropped", {"##下划", "x"}, {"x"}},
    {"DoubledWordDropped", {"##粗体粗体", "x"}, {"x"}},
    {"BareFormatLineDropped", {"##", "x"}, {"x"}},
    {"ThirdHashIsPartOfTheWord", {"###红", "x"}, {"x"}},
    {"SingleHashIsText", {"#红", "x"}, {"#红", "x"}},
    {"HashesInsideALineAreText", {"a##红"}, {"a##红"}},
    {"EmptyTextLineTakesTheMarkup", {"##粗体", "##蓝", "", "x"}, {"<b><nblue>", "x"}},
    {"EmptyTextLinesStay", {"", "a", ""}, {"", "a", ""}},
    {"MarkupGoesOnlyToTheNextLine", {"##斜体", "a", "b"}, {"<i>a", "b"}},
    {"TrailingFormatLinesDropped", {"a", "##红", "##粗体"}, {"a"}},
    {"OnlyFormatLines", {"##红", "##粗体"}, {}},
    {"EmptyMemo", {}, {}},
    {"TextKeepsItsTags", {"##红", "a<b>c<<d"}, {"<nred>a<b>c<<d"}},
};

class AboutText : public testing::TestWithParam<AboutCase> {};

TEST_P(AboutText, ConvertsToPanelLines) {
  EXPECT_EQ(MakeAboutLines(GetParam().memo), GetParam().panel);
}

INSTANTIATE_TEST_SUITE_P(Memos, AboutText, testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

struct WordCase {
  const char* word;
  const char* markup;
  FontStyle before; // the style the panel reads the line with
  FontStyle after;  // the style of the text behind the mark-up
  TColor color;     // the colour of that text, the font's colour being kFont
};

constexpr TColor kFont = 0x123456;
constexpr FontStyle kPlain{};
constexpr FontStyle kAll{true, true, true};

const WordCase kWords[] = {
    {"红", "<nred>", kPlain, kPlain, 0x0000FF},
    {"黄", "<nyellow>", kPlain, kPlain, 0x00FFFF},
    {"绿", "<ngreen>", kPlain, kPlain, 0x008000},
    {"黑", "<nblack>", kPlain, kPlain, 0x000000},
    {"白", "<nwhite>", kPlain, kPlain, 0xFFFFFF},
    {"蓝", "<nblue>", kPlain, kPlain, 0xFF0000},
    {"紫", "<npurple>", kPlain, kPlain, 0x800080},
    {"灰", "<ngray>", kPlain, kPlain, 0x808080},
    {"一般", "</b></u></i>", kAll, kPlain, kFont},
    {"粗体", "<b>", kPlain, {.bold = true}, kFont},
    {"斜体", "<i>", kPlain, {.italic = true}, kFont},
    {"下划线", "<u>", kPlain, {.underline = true}, kFont},
};

// The mark-up is stored in every screen saver file, so it is checked as text, and the panel has
// to read it as the word says.
TEST(AboutText, EveryFormatWordGivesMarkupThePanelReads) {
  for (const WordCase& w : kWords) {
    const Lines lines = MakeAboutLines({std::string("##") + w.word, "x"});
    ASSERT_EQ(lines, Lines{std::string(w.markup) + "x"}) << w.word;
    MarkupState state(kFont);
    state.style = w.before;
    const std::vector<TextSegment> drawn = ReadMarkupLine(lines[0], state, std::nullopt);
    ASSERT_EQ(drawn.size(), 1u) << w.word;
    EXPECT_EQ(drawn[0].text, "x") << w.word;
    EXPECT_EQ(drawn[0].style, w.after) << w.word;
    EXPECT_EQ(drawn[0].color, w.color) << w.word;
  }
}

} // namespace
} // namespace qt
