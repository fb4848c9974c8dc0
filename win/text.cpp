#include "win/text.hpp"

#include "base/charset.hpp"

#include <windows.h>

namespace win {

std::wstring Widen(std::string_view cp936) { return qt::Cp936ToWide(cp936); }

std::string Narrow(std::wstring_view text) { return qt::WideToCp936(text); }

std::string Utf8ToAnsi(std::string_view utf8) {
  if (utf8.empty()) return {};
  int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), n);
  return Narrow(wide);
}

} // namespace win
