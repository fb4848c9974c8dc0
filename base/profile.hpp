#pragma once
#include <string_view>

namespace qt {

// A settings value read as an integer: decimal with an optional sign, or hexadecimal after "0x",
// "0X" or "$". Anything else, an empty value included, gives the fallback.
int ProfileInteger(std::string_view text, int fallback);

} // namespace qt
