#include "win/text.hpp"

#include <windows.h>

namespace win {
namespace {

constexpr UINT kProgramCodePage = 936;

std::wstring ToWide(UINT codePage, std::string_view s) {
  if (s.empty()) return {};
  int n = MultiByteToWideChar(codePage, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(codePage, 0, s.data(), static_cast<int>(s.size()), out.data(), n);
  return out;
}

} // namespace

std::wstring Widen(std::string_view cp936) { return ToWide(kProgramCodePage, cp936); }

std::string Narrow(std::wstring_view text) {
  if (text.empty()) return {};
  int n = WideCharToMultiByte(kProgramCodePage, 0, text.data(), static_cast<int>(text.size()), nullptr,
                              0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(kProgramCodePage, 0, text.data(), static_cast<int>(text.size()), out.data(), n,
                      nullptr, nullptr);
  return out;
}

std::string Utf8ToAnsi(std::string_view utf8) { return Narrow(ToWide(CP_UTF8, utf8)); }

} // namespace win
