#pragma once

namespace nodo {

struct LocalDateTime {
    int year = 1899, month = 12, day = 30;
    int hour = 0, minute = 0, second = 0, millisecond = 0;
};

// The local date and time; tests inject a fixed one.
class Clock {
public:
    virtual ~Clock() = default;
    virtual LocalDateTime now() const = 0;
};

// ISO weekday, 1 = Monday ... 7 = Sunday, of a proleptic Gregorian date.
int IsoWeekday(int year, int month, int day);

} // namespace nodo
