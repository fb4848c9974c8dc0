#pragma once
#include <string>
#include <string_view>

namespace win {

// Program text is code page 936 whatever the system's ANSI code page is; these are the only
// conversions between it and the UTF-16 that the W functions take (base/charset's, which also
// turns file names into program text for the portable code).
std::wstring Widen(std::string_view cp936);
std::string Narrow(std::wstring_view text);
// Layout files are UTF-8.
std::string Utf8ToAnsi(std::string_view utf8);

} // namespace win
