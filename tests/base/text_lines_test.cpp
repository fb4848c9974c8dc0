#include "base/text_lines.hpp"

#include <gtest/gtest.h>

namespace qt {
namespace {

using Lines = std::vector<std::string>;
using namespace std::string_literals;

struct SplitCase {
  const char* name;
  std::string text;
  Lines lines;
};

TEST(SplitLines, LineEndsAndTheEndOfText) {
  const SplitCase cases[] = {
      {"nothing", "", {}},
      {"last line without a line end", "abc", {"abc"}},
      {"final CR LF adds no line", "abc\r\ndef\r\n", {"abc", "def"}},
      {"empty line between", "abc\r\n\r\ndef", {"abc", "", "def"}},
      {"lone LF", "abc\ndef", {"abc", "def"}},
      {"lone CR", "abc\rdef", {"abc", "def"}},
      {"LF CR is two line ends", "a\n\rb", {"a", "", "b"}},
      {"CR CR LF is two line ends", "a\r\r\nb", {"a", "", "b"}},
      {"only a line end", "\r\n", {""}},
      {"final lone CR", "abc\r", {"abc"}},
      {"NUL ends the text", "abc\0def"s, {"abc"}},
      {"NUL right after a line end", "abc\r\n\0def\r\n"s, {"abc"}},
      {"NUL first", "\0abc"s, {}},
      {"spaces and GBK kept as they are", " \xd6\xd0\xce\xc4 \r\n\t", {" \xd6\xd0\xce\xc4 ", "\t"}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(SplitLines(c.text), c.lines) << c.name;
}

TEST(JoinLines, EveryLineEndsWithCrLfAndSplitsBackToTheSameLines) {
  const std::pair<Lines, std::string> cases[] = {
      {{}, ""},
      {{""}, "\r\n"},
      {{"abc"}, "abc\r\n"},
      {{"abc", "", "def"}, "abc\r\n\r\ndef\r\n"},
      {{"", ""}, "\r\n\r\n"},
  };
  for (const auto& [lines, text] : cases) {
    EXPECT_EQ(JoinLines(lines), text);
    EXPECT_EQ(SplitLines(JoinLines(lines)), lines) << text;
  }
}

} // namespace
} // namespace qt
