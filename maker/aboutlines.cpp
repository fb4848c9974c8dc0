#include "maker/aboutlines.hpp"

#include <string_view>

namespace qt {
namespace {

struct FormatWord {
  std::string_view word;
  std::string_view markup;
};

// "一般" ends the styles only: the panel's colour stays until another colour word.
constexpr FormatWord kFormatWords[] = {
    {"红", "<nred>"},        {"黄", "<nyellow>"}, {"绿", "<ngreen>"}, {"黑", "<nblack>"},
    {"白", "<nwhite>"},      {"蓝", "<nblue>"},   {"紫", "<npurple>"}, {"灰", "<ngray>"},
    {"一般", "</b></u></i>"}, {"粗体", "<b>"},     {"斜体", "<i>"},    {"下划线", "<u>"},
};

} // namespace

std::vector<std::string> MakeAboutLines(const std::vector<std::string>& memoLines) {
  std::vector<std::string> lines;
  std::string pending;
  for (const std::string& line : memoLines) {
    // "#" lies below the range of trail bytes, so the test on bytes cannot hit half a character.
    if (line.starts_with("##")) {
      const std::string_view rest = std::string_view(line).substr(2);
      for (const FormatWord& f : kFormatWords) {
        if (rest == f.word) {
          pending += f.markup;
          break;
        }
      }
    } else {
      lines.push_back(pending + line);
      pending.clear();
    }
  }
  return lines;
}

} // namespace qt
