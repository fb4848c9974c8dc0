#pragma once
#include <string>

namespace qt {

// A local date and time as the system clock gives it.
struct LocalDateTime {
  int year = 0;
  int month = 0; // 1 to 12
  int day = 0;   // 1 to 31
  int hour = 0;  // 0 to 23
  int minute = 0;
  int second = 0;
};

// The text of the clock panel (Timer4), for example "2006年08月15日 星期二 14:03:22". The
// weekday comes from the date itself.
std::string ClockText(const LocalDateTime& t);

} // namespace qt
