#include "calendar/ChnCalendarCore.h"

#include <array>
#include <cmath>

namespace nodo::calendar {

namespace {

constexpr std::array<const char*, 24> kSolarTermNames = {
    "立春", "雨水", "惊蛰", "春分", "清明", "谷雨", "立夏", "小满", "芒种", "夏至", "小暑", "大暑",
    "立秋", "处暑", "白露", "秋分", "寒露", "霜降", "立冬", "小雪", "大雪", "冬至", "小寒", "大寒"};

// Day of the year of a term, truncated: the civil day it falls on.
int TermDay(int year, int termNumber) {
    return static_cast<int>(std::floor(GetSolarTermDay(year, termNumber)));
}

} // namespace

std::string GetSolarTermName(int index) {
    return index >= 0 && index < 24 ? kSolarTermNames[index] : "";
}

double GetSolarTermDay(int year, int termNumber) {
    const double a = year > 0 ? year : year + 1;
    const double n = termNumber;
    const double R1 = (365.2423112 - 6.4e-14 * (a - 100) * (a - 100) - 3.047e-8 * (a - 100)) * a +
                      15.218427 * n + 1721050.71301;
    const double S = 0.0003 * a - 0.372781384 - 0.2617913325 * n;
    const double R2 = (1.945 * std::sin(S) - 0.01206 * std::sin(2 * S)) * (1.048994 - 2.583e-5 * a);
    const double R3 = -0.0018 * std::sin(2.313908653 * a - 0.439822951 - 3.0443 * n);
    return R1 + R2 + R3 - 1721425 - GetDayNumber(static_cast<int>(a), 1, 0);
}

bool GetSolarTermDateTime(int year, int termIndex, int& month, int& day) {
    if (termIndex < 0 || termIndex > 23) return false;
    double c = GetSolarTermDay(year, termIndex + 1);
    for (int m = 1; m <= 12; ++m) {
        const int len = GetDaysInMonth(year, m);
        if (len >= std::floor(c)) {
            month = m;
            day = static_cast<int>(std::floor(c));
            return true;
        }
        c -= len;
    }
    return false;
}

std::string GetSolarTermOfDate(TDateTime t) {
    int y = 0, m = 0, d = 0;
    if (!DecodeDate(t, y, m, d)) return {};
    int tm = 0, td = 0;
    if (GetSolarTermDateTime(y, 2 * (m - 1), tm, td) && tm == m && td == d)
        return GetSolarTermName((2 * m + 20) % 24);
    if (GetSolarTermDateTime(y, 2 * (m - 1) + 1, tm, td) && tm == m && td == d)
        return GetSolarTermName((2 * m + 21) % 24);
    return {};
}

int GetDateYearCycleIndex(int year, int month, int day) {
    const int n = GetDayOfYear(year, month, day);
    return GetYearCycleIndex(n < TermDay(year, 3) ? year - 1 : year);
}

void GetCycleMonth(int year, int month, int day, int& cycleYear, int& cycleMonth) {
    const int n = GetDayOfYear(year, month, day);
    if (n < TermDay(year, 3)) { // before 立春
        cycleYear = year - 1;
        cycleMonth = n < TermDay(year, 1) ? 11 : 12;
        return;
    }
    cycleYear = year;
    int i = 1;
    while (i < 12 && n >= TermDay(year, 2 * (i + 1) + 1))
        ++i;
    cycleMonth = i;
}

int GetMonthCycleIndex(int year, int month, int day) {
    int cy = 0, cm = 0;
    GetCycleMonth(year, month, day, cy, cm);
    int stem = 0, branch = 0;
    SplitCycleIndex(GetYearCycleIndex(cy), stem, branch);
    const int first = (stem % 5 * 2 + 2) % 10; // 甲/己 → 丙, 乙/庚 → 戊, ...
    const int monthStem = (first + (cm - 1) % 10) % 10;
    const int monthBranch = (cm + 1) % 12;
    return GetCycleIndex(monthStem, monthBranch);
}

} // namespace nodo::calendar
