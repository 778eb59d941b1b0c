#include "calendar/CalendarEvents.h"

#include "calendar/ChnCalendarCore.h"
#include "calendar/ChnCalendarUse.h"

#include <cstdio>
#include <stdexcept>

namespace nodo::calendar {

namespace {

// The name's UTF-8 bytes in hexadecimal: an ASCII key that follows the name and nothing else.
std::string HexKey(const std::string& name) {
    static const char* const digits = "0123456789abcdef";
    std::string key;
    key.reserve(2 * name.size());
    for (const unsigned char c : name) {
        key += digits[c >> 4];
        key += digits[c & 15];
    }
    return key;
}

int SolarTermIndex(const std::string& name) {
    for (int i = 0; i < 24; ++i)
        if (GetSolarTermName(i) == name) return i;
    return -1;
}

std::string Uid(const char* kind, const std::string& key) {
    return "nodo-" + std::string(kind) + "-" + key + "@nodo.lunar";
}

std::string Digits(int year, int month, int day) {
    char text[16];
    std::snprintf(text, sizeof text, "%04d%02d%02d", year, month, day);
    return text;
}

} // namespace

const char* EventCategory(EventKind kind) {
    switch (kind) {
    case EventKind::LunarFestival:
        return "农历节日";
    case EventKind::SolarTerm:
        return "节气";
    case EventKind::GregorianFestival:
        return "公历节日";
    case EventKind::LunarDay:
        break;
    }
    return "农历";
}

std::vector<CalendarEvent> YearEvents(int year, bool lunarDays) {
    if (year < kFirstEventYear || year > kLastEventYear)
        throw std::out_of_range("the year " + std::to_string(year) + " is outside " +
                                std::to_string(kFirstEventYear) + ".." + std::to_string(kLastEventYear));
    std::vector<CalendarEvent> events;
    events.reserve(lunarDays ? 400 : 64);
    TChnCal facts;
    const std::string yearKey = std::to_string(year);
    for (int month = 1; month <= 12; ++month) {
        const int days = GregorianDaysInMonth(year, month);
        for (int day = 1; day <= days; ++day) {
            facts.SetDate(EncodeDate(year, month, day));
            const bool leapMonth = facts.LunarMonth < 0;
            const std::string description = "农历" + GetCycleName(GetYearCycleIndex(facts.LunarYear)) +
                                            facts.AnimalsYear + "年" + facts.CnMonth + facts.CnDay;
            const auto add = [&](EventKind kind, const std::string& summary, std::string uid) {
                CalendarEvent e;
                e.kind = kind;
                e.date = {year, month, day};
                e.summary = summary;
                e.description = description;
                e.category = EventCategory(kind);
                e.uid = std::move(uid);
                events.push_back(std::move(e));
            };
            if (!facts.CnHoliday.empty() && (!leapMonth || facts.CnHoliday == "除夕")) {
                // Keyed by the lunar year: 除夕 belongs to the year it ends, 腊八节 may fall in
                // either Gregorian year.
                add(EventKind::LunarFestival, facts.CnHoliday,
                    Uid("lunar", std::to_string(facts.LunarYear) + "-" + HexKey(facts.CnHoliday)));
            }
            if (!facts.SolarTerm.empty()) {
                char key[8];
                std::snprintf(key, sizeof key, "%02d", SolarTermIndex(facts.SolarTerm));
                add(EventKind::SolarTerm, facts.SolarTerm, Uid("term", yearKey + "-" + key));
            }
            if (!facts.Holiday.empty())
                add(EventKind::GregorianFestival, facts.Holiday,
                    Uid("holiday", yearKey + "-" + HexKey(facts.Holiday)));
            if (lunarDays)
                add(EventKind::LunarDay, facts.CnMonth + facts.CnDay, Uid("day", Digits(year, month, day)));
        }
    }
    return events;
}

} // namespace nodo::calendar
