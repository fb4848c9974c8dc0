#pragma once
#include <string_view>

namespace qt {

// Narrow literals in this code base are compiled to code page 936; this is the GBK text that the
// programs show when nothing has been loaded, kept here so tests can check the compiler setting.
inline constexpr std::string_view kNoContent = "没有内容";

} // namespace qt
