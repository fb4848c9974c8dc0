#pragma once
#include <string_view>

namespace qt {

// Narrow literals in this code base are compiled to code page 936; this is the GBK text that the
// programs show when nothing has been loaded, kept here so tests can check the compiler setting.
inline constexpr std::string_view kNoContent = "没有内容";

// The first byte of a two-byte character in code page 936. Its second byte may be an ASCII
// letter or bracket, so byte-wise text rules must step over it.
constexpr bool IsGbkLeadByte(unsigned char c) { return c >= 0x81 && c <= 0xfe; }

} // namespace qt
