#include "base/charset.hpp"

#ifdef _WIN32
#include <windows.h>
#else
#include <iconv.h>

#include <cerrno>
#include <memory>
#include <type_traits>
#endif

namespace qt {

#ifdef _WIN32

namespace {
constexpr UINT kProgramCodePage = 936;
} // namespace

std::wstring Cp936ToWide(std::string_view cp936) {
  if (cp936.empty()) return {};
  int n = MultiByteToWideChar(kProgramCodePage, 0, cp936.data(), static_cast<int>(cp936.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(kProgramCodePage, 0, cp936.data(), static_cast<int>(cp936.size()), out.data(), n);
  return out;
}

std::string WideToCp936(std::wstring_view text) {
  if (text.empty()) return {};
  int n = WideCharToMultiByte(kProgramCodePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                              nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(kProgramCodePage, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr,
                      nullptr);
  return out;
}

std::string PathText(const std::filesystem::path& path) { return WideToCp936(path.native()); }

namespace {

std::string Cp936ToUtf16Le(std::string_view cp936) {
  std::string out;
  for (wchar_t c : Cp936ToWide(cp936)) {
    out += static_cast<char>(c & 0xFF);
    out += static_cast<char>((c >> 8) & 0xFF);
  }
  return out;
}

} // namespace

#else

namespace {

struct IconvClose {
  void operator()(iconv_t cd) const { iconv_close(cd); }
};

std::string Cp936ToUtf16Le(std::string_view cp936) {
  std::unique_ptr<std::remove_pointer_t<iconv_t>, IconvClose> cd(iconv_open("UTF-16LE", "CP936"));
  if (cd.get() == reinterpret_cast<iconv_t>(-1)) {
    cd.release();
    return {};
  }
  std::string out;
  char* in = const_cast<char*>(cp936.data());
  size_t inLeft = cp936.size();
  char buffer[256];
  while (inLeft > 0) {
    char* to = buffer;
    size_t toLeft = sizeof buffer;
    const bool stuck = iconv(cd.get(), &in, &inLeft, &to, &toLeft) == static_cast<size_t>(-1) && errno != E2BIG;
    out.append(buffer, to);
    if (stuck) { // a byte that starts no character: '?' for it
      out += "?";
      out += '\0';
      ++in, --inLeft;
    }
  }
  return out;
}

} // namespace

std::string PathText(const std::filesystem::path& path) {
  const std::string& utf8 = path.native();
  std::unique_ptr<std::remove_pointer_t<iconv_t>, IconvClose> cd(iconv_open("CP936", "UTF-8"));
  if (cd.get() == reinterpret_cast<iconv_t>(-1)) {
    cd.release();
    return utf8;
  }
  std::string out;
  char* in = const_cast<char*>(utf8.data());
  size_t inLeft = utf8.size();
  char buffer[256];
  while (inLeft > 0) {
    char* to = buffer;
    size_t toLeft = sizeof buffer;
    const bool stuck = iconv(cd.get(), &in, &inLeft, &to, &toLeft) == static_cast<size_t>(-1) && errno != E2BIG;
    out.append(buffer, to);
    if (stuck) { // a character code page 936 lacks, or a broken sequence: one '?' for it
      out += '?';
      do ++in, --inLeft;
      while (inLeft > 0 && (static_cast<unsigned char>(*in) & 0xC0) == 0x80);
    }
  }
  return out;
}

#endif

std::optional<std::string> UnicodeProfileBytes(std::string_view file) {
  if (file.starts_with("\xFF\xFE") || file.starts_with("\xFE\xFF")) return std::nullopt;
  return "\xFF\xFE" + Cp936ToUtf16Le(file);
}

} // namespace qt
