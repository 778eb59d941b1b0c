#include "calendar/ChnCalendarUse.h"

#include "calendar/ChnCalendarCore.h"
#include "calendar/EraTable.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace nodo::calendar {

namespace {

constexpr std::array<const char*, 12> kCnMonthNames = {"正", "二", "三", "四", "五", "六",
                                                       "七", "八", "九", "十", "冬", "腊"};

struct SolarHolidayRule {
    int month;
    int day;     // fixed day, or 0 for an n-th weekday
    int weekday; // 1 = Sunday .. 7 = Saturday
    int nth;
    const char* name;
};

// In table order; a later match replaces an earlier one.
constexpr SolarHolidayRule kSolarHolidays[] = {
    {1, 1, 0, 0, "元旦节"},  {2, 14, 0, 0, "情人节"},  {3, 8, 0, 0, "妇女节"},   {4, 1, 0, 0, "愚人节"},
    {5, 1, 0, 0, "劳动节"},  {5, 4, 0, 0, "青年节"},   {5, 0, 1, 2, "母亲节"},   {6, 1, 0, 0, "儿童节"},
    {6, 0, 1, 3, "父亲节"},  {7, 1, 0, 0, "建党节"},   {8, 1, 0, 0, "建军节"},   {9, 10, 0, 0, "教师节"},
    {10, 1, 0, 0, "国庆节"}, {10, 6, 0, 0, "老人节"},  {10, 31, 0, 0, "万圣节"}, {11, 8, 0, 0, "记者日"},
    {11, 0, 5, 4, "感恩节"}, {12, 25, 0, 0, "圣诞节"},
};

struct LunarHolidayRule {
    int month;
    int day;
    const char* name;
};

constexpr LunarHolidayRule kLunarHolidays[] = {
    {1, 1, "春节"},    {1, 15, "元宵节"}, {5, 5, "端午节"},  {7, 7, "七夕节"},
    {8, 15, "中秋节"}, {9, 9, "重阳节"},  {12, 8, "腊八节"},
};

bool IsBlank(char c) {
    return static_cast<unsigned char>(c) <= 32;
}

// Decimal with an optional sign; 0 for anything else, as the table has always been read.
int ParseIntOrZero(const std::string& s) {
    int value = 0;
    const char* first = s.data();
    const char* last = s.data() + s.size();
    if (first != last && *first == '+') ++first;
    const auto [ptr, ec] = std::from_chars(first, last, value);
    if (ec != std::errc() || ptr != last || first == last) return 0;
    return value;
}

// Start years of the rows, read once: the lookup runs for every day the calendar fills.
const std::vector<int>& EraStartYears() {
    static const std::vector<int> starts = [] {
        std::vector<int> s;
        s.reserve(kEraTableSize);
        for (const char* row : EraTable)
            s.push_back(ParseIntOrZero(GetDelimitedField(row, ',', 1)));
        return s;
    }();
    return starts;
}

} // namespace

bool DecodeLunarDate(TDateTime t, int& lunarYear, int& lunarMonth, int& lunarDay, bool& leap) {
    int y = 0, m = 0, d = 0;
    if (!DecodeDate(t, y, m, d)) return false;
    return GetLunarDate(y, m, d, lunarYear, lunarMonth, lunarDay, leap);
}

std::string GetSolarHoliday(int day, TDateTime t) {
    int y = 0, m = 0, d = 0;
    if (!DecodeDate(t, y, m, d)) return {};
    std::string result;
    for (const auto& rule : kSolarHolidays) {
        if (rule.month != m) continue;
        if (rule.day != 0) {
            if (rule.day == day) result = rule.name;
        } else if (IsValidDate(y, m, day) && DayOfWeek(y, m, day) == rule.weekday &&
                   (day - 1) / 7 == rule.nth - 1) {
            result = rule.name;
        }
    }
    return result;
}

std::string GetLunarHoliday(int lunarMonth, int lunarDay, TDateTime t) {
    for (const auto& rule : kLunarHolidays) {
        if (rule.month == lunarMonth && rule.day == lunarDay) return rule.name;
    }
    if (lunarMonth == 12) {
        switch (lunarDay) {
        case 1:
        case 5:
        case 7:
        case 8:
        case 9:
        case 15:
            return {};
        default:
            break;
        }
        // New Year's Eve is whichever day comes before 正月初一: 廿九 or 三十.
        int ny = 0, nm = 0, nd = 0;
        bool nl = false;
        if (DecodeLunarDate(t + 1, ny, nm, nd, nl) && nm == 1 && nd == 1) return "除夕";
    }
    return {};
}

std::string GetDelimitedField(const std::string& text, char separator, int n) {
    if (n < 1) return {};
    size_t start = 0;
    for (int field = 1; field < n; ++field) {
        const size_t sep = text.find(separator, start);
        if (sep == std::string::npos) return {};
        start = sep + 1;
    }
    size_t end = text.find(separator, start);
    if (end == std::string::npos) end = text.size();
    while (start < end && IsBlank(text[start]))
        ++start;
    while (end > start && IsBlank(text[end - 1]))
        --end;
    return text.substr(start, end - start);
}

std::string GetEraName(int year) {
    if (year < -2069 || year >= 1949) return {};
    const auto& starts = EraStartYears();
    for (int i = 0; i + 1 < kEraTableSize; ++i) {
        const int start = starts[i];
        if (start <= year && year < starts[i + 1]) {
            const std::string row = EraTable[i];
            const std::string number = year == start ? "元" : std::to_string(year - start + 1);
            return "[" + GetDelimitedField(row, ',', 4) + "]" + GetDelimitedField(row, ',', 5) + " " +
                   GetDelimitedField(row, ',', 6) + " " + GetDelimitedField(row, ',', 7) + number + "年";
        }
    }
    return {};
}

std::string GetCnMonthName(int lunarMonth, bool leap) {
    if (lunarMonth < 1 || lunarMonth > 12) return {};
    if (leap) return std::string("闰") + kCnMonthNames[lunarMonth - 1];
    return std::string(kCnMonthNames[lunarMonth - 1]) + "月";
}

void TChnCal::SetDate(TDateTime t) {
    DateTime = t;
    int y = 0, m = 0, d = 0;
    if (!DecodeDate(t, y, m, d)) return;
    int ly = 0, lm = 0, ld = 0;
    bool leap = false;
    if (!GetLunarDate(y, m, d, ly, lm, ld, leap)) return;
    const int signedMonth = leap ? -lm : lm;

    const bool yearChanged = !m_yearFilled || ly != LunarYear;
    const bool monthChanged = yearChanged || signedMonth != LunarMonth;
    if (yearChanged) {
        m_yearFilled = true;
        LunarYear = ly;
        CnYear = std::to_string(ly);
        AnimalsYear = GetAnimalName(GetAnimalIndex(ly));
    }
    if (monthChanged) {
        LunarMonth = signedMonth;
        CnMonth = GetCnMonthName(lm, leap);
    }

    GanZhiYear = GetCycleName(GetDateYearCycleIndex(y, m, d));
    EraName = GetEraName(y);
    GanZhiMonth = GetCycleName(GetMonthCycleIndex(y, m, d));
    CnDay = GetCnDayName(ld);
    GanZhiDay = GetCycleName(GetDayCycleIndex(y, m, d));
    Constellation = GetConstellationName(GetConstellationIndex(m, d));
    Holiday = GetSolarHoliday(d, t);
    CnHoliday = GetLunarHoliday(lm, ld, t);
    SolarTerm = GetSolarTermOfDate(t);
}

DayCellLabel DayCellText(const TChnCal& facts) {
    DayCellLabel label;
    if (facts.CnDay == "初一") {
        label = {facts.CnMonth, DayCellTextKind::LunarMonthStart};
    } else {
        label = {facts.CnDay, DayCellTextKind::LunarDay};
    }
    if (!facts.Holiday.empty()) label = {facts.Holiday, DayCellTextKind::Holiday};
    if (!facts.SolarTerm.empty()) label = {facts.SolarTerm, DayCellTextKind::SolarTerm};
    if (!facts.CnHoliday.empty()) label = {facts.CnHoliday, DayCellTextKind::LunarHoliday};
    return label;
}

} // namespace nodo::calendar
