#pragma once
// What the calendar shows for a date: festivals, reign-era text and the day-facts object that
// gathers every name of one date.
#include "calendar/DateTime.h"

#include <string>

namespace nodo::calendar {

bool DecodeLunarDate(TDateTime t, int& lunarYear, int& lunarMonth, int& lunarDay, bool& leap);
std::string GetSolarHoliday(int day, TDateTime t);
// lunarMonth without the leap flag: a leap fifth month has its own 端午节.
std::string GetLunarHoliday(int lunarMonth, int lunarDay, TDateTime t);
// The n-th (1-based) field of a separated text, trimmed of blanks and control characters.
std::string GetDelimitedField(const std::string& text, char separator, int n);
// Era text of a year before 1949, e.g. "[近、现代]中华民国  民国2年"; empty otherwise.
std::string GetEraName(int year);
// "正月" .. "腊月" for an ordinary month, "闰正" .. "闰腊" for a leap month.
std::string GetCnMonthName(int lunarMonth, bool leap);

// The facts of one date. The calendar control owns one and refills it for every day it shows;
// the lunar year and month texts are recomputed only when they change.
class TChnCal {
public:
    int LunarYear = 0;
    int LunarMonth = 0; // negative for a leap month
    TDateTime DateTime = 0;
    std::string SolarTerm;
    std::string Holiday;
    std::string CnMonth;
    std::string GanZhiDay;
    std::string GanZhiYear;
    std::string GanZhiMonth;
    std::string CnHoliday;
    std::string CnYear;
    std::string CnDay;
    std::string AnimalsYear;
    std::string Constellation;
    std::string EraName;

    // Outside the lunar years -849..2100 only DateTime changes.
    void SetDate(TDateTime t);

private:
    // Whether the lunar year texts belong to LunarYear: a new object has none, even for the lunar
    // year 0 (0001-01-01 .. 0001-02-11), whose number equals LunarYear's starting value.
    bool m_yearFilled = false;
};

// Which rule chose the text under a day number; the control colours the text by it.
enum class DayCellTextKind { LunarDay, LunarMonthStart, Holiday, SolarTerm, LunarHoliday };

struct DayCellLabel {
    std::string text;
    DayCellTextKind kind = DayCellTextKind::LunarDay;
};

// The text a day cell shows under its number, from the facts just filled for that day: the lunar
// day, or the month name on the first of a lunar month; a Gregorian festival overrides those, a
// solar term overrides that, and a lunar festival overrides everything.
DayCellLabel DayCellText(const TChnCal& facts);

} // namespace nodo::calendar
