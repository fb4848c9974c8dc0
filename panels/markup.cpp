#include "panels/markup.hpp"

#include <algorithm>
#include <array>
#include <utility>

namespace qt {
namespace {

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

std::optional<int> HexDigit(char c) {
  if (c >= '0' && c <= '9')
    return c - '0';
  const char upper = Upper(c);
  if (upper >= 'A' && upper <= 'F')
    return upper - 'A' + 10;
  return std::nullopt;
}

// No digits at all reads as 0: the digits follow a "$00" prefix.
std::optional<TColor> ParseHexColor(std::string_view digits) {
  TColor value = 0;
  for (char c : digits) {
    const auto digit = HexDigit(c);
    if (!digit)
      return std::nullopt;
    value = value << 4 | static_cast<TColor>(*digit);
  }
  return value;
}

constexpr std::array<std::pair<std::string_view, TColor>, 18> kNamedColors{{
    {"RED", 0x0000FF},
    {"GREEN", 0x008000},
    {"AQUA", 0xFFFF00},
    {"BLACK", 0x000000},
    {"BLUE", 0xFF0000},
    {"DDKGRAY", 0x808080},
    {"FUCHSIA", 0xFF00FF},
    {"GRAY", 0x808080},
    {"LIME", 0x00FF00},
    {"LTGRAY", 0xC0C0C0},
    {"MAROON", 0x000080},
    {"NAVY", 0x800000},
    {"OLIVE", 0x008080},
    {"PURPLE", 0x800080},
    {"SILVER", 0xC0C0C0},
    {"TEAL", 0x808000},
    {"WHITE", 0xFFFFFF},
    {"YELLOW", 0x00FFFF},
}};

class LineReader {
public:
  LineReader(std::string_view line, MarkupState& state, std::optional<TColor> rowGradient)
      : line_(line), state_(state), rowGradient_(rowGradient) {}

  std::vector<TextSegment> Read() {
    while (pos_ < line_.size()) {
      if (line_[pos_] == '<')
        ReadTag();
      else
        Draw(line_.find('<', pos_));
    }
    return std::move(segments_);
  }

private:
  // Draws the text from the current position up to `end` (npos: the rest of the line).
  void Draw(std::size_t end) {
    end = std::min(end, line_.size());
    const TColor color = !colorTagged_ && rowGradient_ ? *rowGradient_ : state_.color;
    segments_.push_back({line_.substr(pos_, end - pos_), state_.style, color});
    pos_ = end;
  }

  void Skip(std::size_t count) { pos_ = std::min(pos_ + count, line_.size()); }

  void ReadTag() {
    Skip(1);
    bool closing = false;
    while (pos_ < line_.size() && line_[pos_] == '/') {
      closing = true;
      Skip(1);
    }
    if (pos_ == line_.size())
      return; // a tag without a letter draws nothing
    switch (Upper(line_[pos_])) {
    case 'B':
      state_.style.bold = !closing;
      Skip(2);
      break;
    case 'I':
      state_.style.italic = !closing;
      Skip(2);
      break;
    case 'U':
      state_.style.underline = !closing;
      Skip(2);
      break;
    case 'N':
      if (closing)
        CloseColor();
      else
        OpenNamedColor();
      break;
    case 'C':
      if (closing)
        CloseColor();
      else
        OpenHexColor();
      break;
    case '<':
      Draw(pos_ + 1);
      break;
    default:
      break; // not a tag: the letter starts the next text
    }
  }

  void CloseColor() {
    state_.color = state_.fontColor;
    colorTagged_ = false;
    Skip(2);
  }

  void OpenNamedColor() {
    const std::size_t nameStart = pos_ + 1;
    const std::size_t nameEnd = line_.find('>', nameStart);
    std::string_view name;
    if (nameEnd == std::string_view::npos) {
      Skip(1);
    } else {
      name = line_.substr(nameStart, nameEnd - nameStart);
      pos_ = nameEnd + 1;
    }
    if (const auto color = NamedColor(name))
      state_.color = *color;
    colorTagged_ = true;
  }

  void OpenHexColor() {
    if (const auto color = ParseHexColor(line_.substr(pos_ + 1, 6)))
      state_.color = *color;
    colorTagged_ = true;
    Skip(8);
  }

  std::string_view line_;
  MarkupState& state_;
  std::optional<TColor> rowGradient_;
  std::size_t pos_ = 0;
  bool colorTagged_ = false; // a colour tag on this line outranks the row gradient
  std::vector<TextSegment> segments_;
};

} // namespace

std::vector<TextSegment> ReadMarkupLine(std::string_view line, MarkupState& state,
                                        std::optional<TColor> rowGradient) {
  return LineReader(line, state, rowGradient).Read();
}

std::string StripMarkup(std::string_view line) {
  std::string text;
  std::size_t pos = 0;
  for (std::size_t tag; (tag = line.find('<', pos)) != std::string_view::npos;) {
    text += line.substr(pos, tag - pos);
    pos = std::min(tag + 2, line.size());
    if (const std::size_t close = line.find('>', pos); close != std::string_view::npos)
      pos = close + 1;
  }
  text += line.substr(pos);
  return text;
}

std::optional<TColor> NamedColor(std::string_view name) {
  std::string upper(name);
  std::transform(upper.begin(), upper.end(), upper.begin(), Upper);
  for (const auto& [known, color] : kNamedColors)
    if (upper == known)
      return color;
  return std::nullopt;
}

TColor GradientRowColor(TColor begin, TColor end, int row, int rowCount) {
  int channels[3];
  for (int c = 0; c < 3; ++c) {
    const int from = ColorChannel(begin, c);
    const int step = rowCount == 0 ? 0 : (ColorChannel(end, c) - from) / rowCount;
    channels[c] = static_cast<int>((from + static_cast<long long>(step) * row) & 0xFF);
  }
  return RgbColor(channels[0], channels[1], channels[2]);
}

} // namespace qt
