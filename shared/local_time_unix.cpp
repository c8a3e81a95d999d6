#include "local_time.h"

std::tm LocalCalendar(std::time_t when)
{
    std::tm calendar{};
    localtime_r(&when, &calendar);
    return calendar;
}
