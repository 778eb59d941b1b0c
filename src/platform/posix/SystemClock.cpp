#include "platform/posix/SystemClock.h"
#include "platform/Clock.h"

#include <chrono>
#include <ctime>

namespace nodo {

LocalDateTime SystemClock::now() const {
    const auto tp = std::chrono::system_clock::now();
    const std::time_t t = std::chrono::system_clock::to_time_t(tp);
    std::tm tm{};
    ::localtime_r(&t, &tm);
    LocalDateTime d;
    d.year = tm.tm_year + 1900;
    d.month = tm.tm_mon + 1;
    d.day = tm.tm_mday;
    d.hour = tm.tm_hour;
    d.minute = tm.tm_min;
    d.second = tm.tm_sec;
    d.millisecond = static_cast<int>(
        std::chrono::duration_cast<std::chrono::milliseconds>(tp.time_since_epoch()).count() % 1000);
    return d;
}

int IsoWeekday(int year, int month, int day) {
    // Days from civil (proleptic Gregorian), then 1970-01-01 was a Thursday.
    year -= month <= 2;
    const long era = (year >= 0 ? year : year - 399) / 400;
    const long yoe = year - era * 400;
    const long doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    const long days = era * 146097 + doe - 719468;
    long wd = (days + 3) % 7; // 0 = Monday
    if (wd < 0) wd += 7;
    return static_cast<int>(wd) + 1;
}

} // namespace nodo
