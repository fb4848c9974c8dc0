#include "base/charset.hpp"

#ifdef _WIN32
#include <windows.h>
#else
#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <optional>
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

// Converts `text` with iconv; a byte sequence that cannot be converted becomes `unknown`, and
// `skip` says how many bytes of it to pass over. Without the conversion, nothing comes back.
template <typename Skip>
std::optional<std::string> Iconv(const char* to, const char* from, std::string_view text,
                                 std::string_view unknown, Skip skip) {
  std::unique_ptr<std::remove_pointer_t<iconv_t>, IconvClose> cd(iconv_open(to, from));
  if (cd.get() == reinterpret_cast<iconv_t>(-1)) {
    cd.release();
    return std::nullopt;
  }
  std::string out;
  char* in = const_cast<char*>(text.data());
  size_t inLeft = text.size();
  char buffer[256];
  while (inLeft > 0) {
    char* at = buffer;
    size_t atLeft = sizeof buffer;
    const bool stuck = iconv(cd.get(), &in, &inLeft, &at, &atLeft) == static_cast<size_t>(-1) && errno != E2BIG;
    out.append(buffer, at);
    if (stuck) {
      out += unknown;
      const size_t n = std::min(skip(std::string_view(in, inLeft)), inLeft);
      in += n, inLeft -= n;
    }
  }
  return out;
}

std::string Cp936ToUtf16Le(std::string_view cp936) {
  // A byte that starts no character: '?' for it.
  return Iconv("UTF-16LE", "CP936", cp936, std::string_view("?\0", 2), [](std::string_view) { return size_t{1}; })
      .value_or(std::string());
}

} // namespace

std::string PathText(const std::filesystem::path& path) {
  const std::string& utf8 = path.native();
  // A character code page 936 lacks, or a broken sequence: one '?' for it.
  return Iconv("CP936", "UTF-8", utf8, "?", [](std::string_view rest) {
           size_t n = 1;
           while (n < rest.size() && (static_cast<unsigned char>(rest[n]) & 0xC0) == 0x80) ++n;
           return n;
         })
      .value_or(utf8);
}

#endif

std::optional<std::string> UnicodeProfileBytes(std::string_view file) {
  if (file.starts_with("\xFF\xFE") || file.starts_with("\xFE\xFF")) return std::nullopt;
  return "\xFF\xFE" + Cp936ToUtf16Le(file);
}

} // namespace qt
