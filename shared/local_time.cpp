#include "local_time.h"

#include <cstdio>
#include <cstdlib>

LocalTime LocalTimeNow()
{
    using namespace std::chrono;
    const system_clock::time_point now = system_clock::now();
    const std::tm local = LocalCalendar(system_clock::to_time_t(now));
    // The local calendar time read as if it were UTC, less the moment itself.
    const year_month_day date(year(local.tm_year + 1900), month(local.tm_mon + 1),
                              day(local.tm_mday));
    const sys_seconds asUtc = sys_days(date) + hours(local.tm_hour) + minutes(local.tm_min)
                              + seconds(local.tm_sec);
    return {now, round<minutes>(asUtc - floor<seconds>(now))};
}

std::string Rfc3339Text(const LocalTime& time)
{
    using namespace std::chrono;
    const auto local = floor<milliseconds>(time.at) + time.offset;
    const sys_days day = floor<days>(local);
    const year_month_day date(day);
    const hh_mm_ss<milliseconds> clock(local - day);
    const long offset = time.offset.count();
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02ld:%02ld:%02ld.%03ld%c%02ld:%02ld",
                  static_cast<int>(date.year()), static_cast<unsigned>(date.month()),
                  static_cast<unsigned>(date.day()), static_cast<long>(clock.hours().count()),
                  static_cast<long>(clock.minutes().count()),
                  static_cast<long>(clock.seconds().count()),
                  static_cast<long>(clock.subseconds().count()), offset < 0 ? '-' : '+',
                  std::labs(offset) / 60, std::labs(offset) % 60);
    return text;
}
