#include "player/clock.hpp"

#include <chrono>
#include <cstdio>

namespace qt {
namespace {

// Sunday first, as the weekday numbers of the date-time routines count.
constexpr const char* kWeekdays[] = {"日", "一", "二", "三", "四", "五", "六"};

} // namespace

std::string ClockText(const LocalDateTime& t) {
  namespace chr = std::chrono;
  const chr::year_month_day date{chr::year{t.year}, chr::month{static_cast<unsigned>(t.month)},
                                 chr::day{static_cast<unsigned>(t.day)}};
  const chr::weekday weekday{chr::sys_days{date}};
  char text[64];
  std::snprintf(text, sizeof text, "%04d年%02d月%02d日 星期%s %02d:%02d:%02d", t.year, t.month,
                t.day, kWeekdays[weekday.c_encoding()], t.hour, t.minute, t.second);
  return text;
}

} // namespace qt
