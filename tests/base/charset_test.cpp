#include "base/charset.hpp"

#include <gtest/gtest.h>

TEST(Charset, NarrowLiteralsAreGbk) {
  const unsigned char expected[] = {0xc3, 0xbb, 0xd3, 0xd0, 0xc4, 0xda, 0xc8, 0xdd};
  ASSERT_EQ(qt::kNoContent.size(), sizeof expected);
  for (size_t i = 0; i < sizeof expected; ++i)
    EXPECT_EQ(static_cast<unsigned char>(qt::kNoContent[i]), expected[i]) << i;
}

TEST(Charset, FileNamesBecomeProgramText) {
  // The expected texts are narrow literals, so code page 936 like the rest of the programs' text.
  const std::pair<const char8_t*, std::string> cases[] = {
      {u8"Sea Waves.swf", "Sea Waves.swf"},
      {u8"影片 素材", "影片 素材"},
      {u8"太大.swf", "太大.swf"},
      {u8"x\u0E01y", "x?y"}, // Thai: not in code page 936
  };
  for (const auto& [name, text] : cases)
    EXPECT_EQ(qt::PathText(std::filesystem::path(name)), text) << text;
#ifndef _WIN32
  // Natively a path is UTF-8 bytes: a character of four bytes or a broken sequence is one '?'.
  EXPECT_EQ(qt::PathText(std::filesystem::path(u8"x\U0001F600y")), "x?y");
  EXPECT_EQ(qt::PathText(std::filesystem::path("x\xC3(y")), "x?(y");
  // A byte that starts no character of code page 936 is one '?'.
  EXPECT_EQ(qt::UnicodeProfileBytes("a\xFF" "b"), std::string("\xFF\xFE" "a\0?\0b\0", 8));
#endif
}

TEST(Charset, SettingsFilesBecomeUtf16WithAByteOrderMark) {
  auto utf16 = [](std::u16string_view text) {
    std::string bytes = "\xFF\xFE";
    for (char16_t c : text) bytes += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
    return bytes;
  };
  // Code page 936 bytes as a Chinese Windows stored them: narrow literals are code page 936.
  const std::pair<std::string, std::string> converted[] = {
      {"", utf16(u"")},
      {"[config]\r\ntitle=abc\r\n", utf16(u"[config]\r\ntitle=abc\r\n")},
      {"[config]\r\ntitle=海浪 屏保\r\ndir1=C:\\影片\\\r\n", utf16(u"[config]\r\ntitle=海浪 屏保\r\ndir1=C:\\影片\\\r\n")},
      // A second byte that is a backslash or a bracket belongs to its character.
      {"dir1=C:\\\x95\\\\\r\n[\x81[]\r\n", utf16(u"dir1=C:\\\u661E\\\r\n[\u4E55]\r\n")},
  };
  for (const auto& [file, bytes] : converted) EXPECT_EQ(qt::UnicodeProfileBytes(file), bytes) << file;
  // Already UTF-16, either way round: left as it is.
  for (std::string file : {utf16(u"[config]\r\ntitle=海浪\r\n"), std::string("\xFE\xFF\0[", 4), std::string("\xFF\xFE")})
    EXPECT_EQ(qt::UnicodeProfileBytes(file), std::nullopt);
}
