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
}
