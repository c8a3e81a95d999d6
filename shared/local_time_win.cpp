#include "local_time.h"

std::tm LocalCalendar(std::time_t when)
{
    std::tm calendar{};
    localtime_s(&calendar, &when);
    return calendar;
}
