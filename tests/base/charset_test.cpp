#include "base/charset.hpp"

#include <gtest/gtest.h>

TEST(Charset, NarrowLiteralsAreGbk) {
  const unsigned char expected[] = {0xc3, 0xbb, 0xd3, 0xd0, 0xc4, 0xda, 0xc8, 0xdd};
  ASSERT_EQ(qt::kNoContent.size(), sizeof expected);
  for (size_t i = 0; i < sizeof expected; ++i)
    EXPECT_EQ(static_cast<unsigned char>(qt::kNoContent[i]), expected[i]) << i;
}
