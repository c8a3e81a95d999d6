// The wall-clock time of what a search saw, as a log of a night says it: the local time with its
// offset from UTC.
#pragma once

#include <chrono>
#include <ctime>
#include <string>

// A moment as the wall clock read it, and the local time's offset from UTC at that moment.
struct LocalTime {
    std::chrono::system_clock::time_point at;
    std::chrono::minutes offset{0};
};

// The wall clock now, with the system's offset from UTC now.
LocalTime LocalTimeNow();

// RFC 3339 with milliseconds, the offset always as digits: "2026-12-09T10:31:05.123+08:00",
// "2026-12-09T02:31:05.123+00:00".
std::string Rfc3339Text(const LocalTime& time);

// The system's calendar time of when in the local time zone: the platform's half.
std::tm LocalCalendar(std::time_t when);
