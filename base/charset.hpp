#pragma once
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace qt {

// Narrow literals in this code base are compiled to code page 936; this is the GBK text that the
// programs show when nothing has been loaded, kept here so tests can check the compiler setting.
inline constexpr std::string_view kNoContent = "没有内容";

// The first byte of a two-byte character in code page 936. Its second byte may be an ASCII
// letter or bracket, so byte-wise text rules must step over it.
constexpr bool IsGbkLeadByte(unsigned char c) { return c >= 0x81 && c <= 0xfe; }

// A file name as program text (code page 936), for every message, setting or package text that
// names a file; path::string() would give the runtime's own code page. On Windows a path is
// UTF-16, elsewhere (the native builds) its bytes are UTF-8. A character that code page 936 lacks
// becomes '?'.
std::string PathText(const std::filesystem::path& path);

// The Windows profile functions keep a settings file that begins with a UTF-16 byte-order mark in
// UTF-16, and any other in the system's ANSI code page, which on a Windows that is not Chinese
// holds neither Chinese text nor every path. These are the bytes such a file is to have: a file
// without the mark holds code page 936 text (as written on a Chinese Windows) and becomes the mark
// followed by that text in UTF-16LE; nothing when the file has the mark already.
std::optional<std::string> UnicodeProfileBytes(std::string_view file);

#ifdef _WIN32
// Code page 936 to and from the UTF-16 of the W functions, whatever the system's ANSI code page
// is; win::Widen and win::Narrow are these.
std::wstring Cp936ToWide(std::string_view cp936);
std::string WideToCp936(std::wstring_view text);
#endif

} // namespace qt
