#pragma once
// The calendar's days as all-day events for a calendar program: lunar festivals and 除夕, the 24
// solar terms, the Gregorian festivals and, when asked, every day's lunar date. Each event carries
// an identifier that stays the same from one export to the next, so a calendar that imports a
// second export updates its events instead of doubling them.
#include "calendar/DateTime.h"

#include <string>
#include <vector>

namespace nodo::calendar {

// Exports cover the Gregorian calendar's years up to the end of the lunar tables. Earlier years
// are left out: the engine reads their dates as Julian ones, and calendar programs do not.
constexpr int kFirstEventYear = 1583;
constexpr int kLastEventYear = 2100;

enum class EventKind { LunarFestival, SolarTerm, GregorianFestival, LunarDay };

struct CalendarEvent {
    EventKind kind = EventKind::LunarDay;
    CivilDate date;          // the day (Gregorian), the event lasts all of it
    std::string summary;     // "春节", "清明", "国庆节", "正月初一"
    std::string description; // the lunar date in words, "农历丙午马年正月初一"
    std::string category;    // "农历节日", "节气", "公历节日", "农历"
    std::string uid;         // stable across exports; ASCII
};

// The category text of a kind, as written into the events.
const char* EventCategory(EventKind kind);

// The events of one Gregorian year, day by day, in the order lunar festival, solar term,
// Gregorian festival, lunar day within a day. A lunar festival is named once a year: a day of a
// leap month repeats the number of the month before it, but not its festival (除夕, the eve of the
// new year, is kept whichever month it ends). Throws std::out_of_range outside
// kFirstEventYear..kLastEventYear.
std::vector<CalendarEvent> YearEvents(int year, bool lunarDays);

} // namespace nodo::calendar
