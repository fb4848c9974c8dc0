#pragma once
#include <string_view>

namespace qt {

// A settings value or a spin edit's text read as an integer, as the class library's StrToInt
// reads it: after any leading blanks, decimal with an optional sign, or hexadecimal after "0x",
// "0X" or "$". Anything else, an empty value and trailing blanks included, gives the fallback.
int ProfileInteger(std::string_view text, int fallback);

} // namespace qt
