#include "base/profile.hpp"

#include <gtest/gtest.h>

TEST(ProfileInteger, ReadsDecimalAndHexAndFallsBackOnAnythingElse) {
  struct Case {
    const char* text;
    int expected;
  } cases[] = {
      {"1", 1},       {"0", 0},         {"1440", 1440}, {"-3", -3},      {"0x10", 16},
      {"0X1f", 31},   {"$A", 10},       {"yes", 99},    {"", 99},        {"12abc", 99},
      {"0x", 99},     {"99999999999", 99}, {"0xFFFFFFFF", -1},
      // Leading blanks are skipped, trailing ones are not; a sign stands right before the digits.
      {" 5", 5},      {"+5", 5},        {"  -7", -7},   {" $1F", 31},    {"5 ", 99},
      {"- 5", 99},    {"   ", 99},
  };
  for (const auto& c : cases) EXPECT_EQ(qt::ProfileInteger(c.text, 99), c.expected) << c.text;
}
