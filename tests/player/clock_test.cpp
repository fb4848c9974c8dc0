#include "player/clock.hpp"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace qt {
namespace {

struct ClockCase {
  LocalDateTime time;
  const char* text;
};

void PrintTo(const ClockCase& c, std::ostream* os) {
  *os << c.time.year << '-' << c.time.month << '-' << c.time.day << ' ' << c.time.hour << ':'
      << c.time.minute << ':' << c.time.second;
}

const ClockCase kClock[] = {
    // One week, Sunday to Saturday.
    {{2006, 8, 13, 9, 5, 7}, "2006年08月13日 星期日 09:05:07"},
    {{2006, 8, 14, 10, 0, 0}, "2006年08月14日 星期一 10:00:00"},
    {{2006, 8, 15, 14, 3, 22}, "2006年08月15日 星期二 14:03:22"},
    {{2006, 8, 16, 23, 59, 59}, "2006年08月16日 星期三 23:59:59"},
    {{2006, 8, 17, 0, 0, 0}, "2006年08月17日 星期四 00:00:00"},
    {{2006, 8, 18, 12, 30, 1}, "2006年08月18日 星期五 12:30:01"},
    {{2006, 8, 19, 18, 45, 9}, "2006年08月19日 星期六 18:45:09"},
    // Across months, years and leap days.
    {{1999, 12, 31, 23, 59, 59}, "1999年12月31日 星期五 23:59:59"},
    {{2000, 1, 1, 0, 0, 0}, "2000年01月01日 星期六 00:00:00"},
    {{2000, 2, 29, 8, 8, 8}, "2000年02月29日 星期二 08:08:08"},
    {{2100, 3, 1, 1, 2, 3}, "2100年03月01日 星期一 01:02:03"},
    {{1900, 3, 1, 0, 0, 0}, "1900年03月01日 星期四 00:00:00"},
    {{1601, 1, 1, 0, 0, 0}, "1601年01月01日 星期一 00:00:00"},
};

class Clock : public testing::TestWithParam<ClockCase> {};

TEST_P(Clock, ShowsDateWeekdayAndTime) { EXPECT_EQ(ClockText(GetParam().time), GetParam().text); }

INSTANTIATE_TEST_SUITE_P(Dates, Clock, testing::ValuesIn(kClock),
                         [](const auto& info) { return "Case" + std::to_string(info.index); });

} // namespace
} // namespace qt
