#include "base/profile.hpp"

#include <algorithm>
#include <charconv>
#include <cstdint>

namespace qt {

int ProfileInteger(std::string_view text, int fallback) {
  text.remove_prefix(std::min(text.find_first_not_of(' '), text.size()));
  bool negative = false;
  if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
    negative = text[0] == '-';
    text.remove_prefix(1);
  }
  int base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    text.remove_prefix(2);
  } else if (text.size() > 1 && text[0] == '$') {
    base = 16;
    text.remove_prefix(1);
  }
  std::int64_t value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, base);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size()) return fallback;
  if (negative) value = -value;
  // Hexadecimal values wrap into 32 bits as the profile functions store them.
  if (base == 16 && value > INT32_MAX && value <= UINT32_MAX) value -= (std::int64_t{1} << 32);
  if (value < INT32_MIN || value > INT32_MAX) return fallback;
  return static_cast<int>(value);
}

} // namespace qt
