#include "calendar/ChnCalendarCore.h"

#include <array>
#include <cmath>
#include <cstdlib>

namespace nodo::calendar {

namespace {

constexpr double kTwoPi = 6.283185307179586;
constexpr double kDegPerRad = 57.29577951308232;
// GetDayNumber(-849, 1, 21), the epoch of the mean-month count.
constexpr int kMonthEpoch = -310443;
constexpr double kMeanMonth = 29.530588;

int LeapTextPosition(int year) {
    return year + 849;
}

// Running count of leap months through each position of the text; the years 1200..1499 carry one
// more to keep the mean-month count on the observed months.
const std::array<int, kLeapMonthTextLength>& LeapMonthCountTable() {
    static const std::array<int, kLeapMonthTextLength> table = [] {
        std::array<int, kLeapMonthTextLength> t{};
        int count = 0;
        for (int pos = 0; pos < kLeapMonthTextLength; ++pos) {
            if (LeapMonthText[pos] != '0') ++count;
            const int year = pos - 849;
            t[pos] = count + (year >= 1200 && year <= 1499 ? 1 : 0);
        }
        return t;
    }();
    return table;
}

int YearCorrection(int y) {
    if (y <= -722) return 1;
    if (y <= -256) return 0;
    if (y == -255) return -2;
    if (y <= 8) return -3;
    if (y <= 23) return -2;
    if (y <= 237) return -3;
    if (y <= 240) return -2;
    return -3;
}

int LunarMonthFromDay(int y, int m, int d, int lunarDay) {
    int l = lunarDay % 100;
    if (l < 0) l += 100;
    const double g = RoundEven((GetDayNumber(y, m, d) - kMonthEpoch - l) / kMeanMonth) -
                     GetLeapMonthCount(y) + YearCorrection(y);
    const int v = static_cast<int>(RoundEven(RealMod(12, g) + 1));
    if (GetLeapMonth(y - 1) == v && m == 1 && d < l) return -v;
    const int w = GetLeapMonth(y);
    if (w == v) {
        if (m >= 3 || v == 12) return -v;
        return v + 1;
    }
    const int u = (w > v || (m < v && w > 0)) ? v + 1 : v;
    return static_cast<int>(RoundEven(RealMod(12, u - 1) + 1));
}

bool InLunarRange(int year) {
    return year >= kFirstLunarYear && year <= kLastLunarYear;
}

// The civil date of 正月初一 of a lunar year: a search over many conversions. Dates are mostly
// converted a month at a time, all asking for the same year, so the last answer is kept.
bool LunarNewYear(int lunarYear, int& year, int& month, int& day) {
    struct Answer {
        bool known = false;
        int lunarYear = 0;
        bool found = false;
        int year = 0, month = 0, day = 0;
    };
    thread_local Answer last;
    if (!last.known || last.lunarYear != lunarYear) {
        last = {true, lunarYear};
        last.found = GetSolarDate(lunarYear, 1, 1, false, last.year, last.month, last.day);
    }
    year = last.year;
    month = last.month;
    day = last.day;
    return last.found;
}

} // namespace

int GetLeapMonth(int year) {
    if (!InLunarRange(year)) return -1;
    const char c = LeapMonthText[LeapTextPosition(year)];
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'c') return c - 'a' + 10;
    return 0;
}

int GetLeapMonthCount(int year) {
    if (year < kFirstLunarYear) return 0;
    if (year > kLastLunarYear) year = kLastLunarYear;
    return LeapMonthCountTable()[LeapTextPosition(year)];
}

double FracPart(double x) {
    return x - std::floor(x);
}

double RealMod(double m, double x) {
    return m * FracPart(x / m);
}

double PeriodicAngle(double a, double b, double c, double d, double T, double k) {
    return FracPart(d * k) * kTwoPi + c - b * T * T - a * T * T * T;
}

double RoundEven(double x) {
    const double r = std::round(x); // halves away from zero
    if (std::fabs(x - std::trunc(x)) == 0.5) return 2.0 * std::round(x / 2.0);
    return r;
}

namespace {

// Observed months that the new-moon formula misses by a day, each a span of civil dates inside one
// year and the day count to add; the lunar day wraps within 1..30.
struct LunarDayCorrection {
    int year;
    int fromMonth, fromDay;
    int toMonth, toDay;
    int shift;
};

constexpr LunarDayCorrection kLunarDayCorrections[] = {
    {1914, 11, 17, 12, 16, +1}, // 十月 begins on 11-17
    {1916, 2, 3, 3, 3, +1},     // the Spring Festival falls on 02-03
    {1920, 11, 10, 12, 9, +1},  // 十月 begins on 11-10
    {1924, 3, 5, 4, 3, +1},     // 二月 begins on 03-05
    {2018, 11, 7, 12, 6, -1},   // 十月 begins on 11-08
};

int CorrectedLunarDay(int year, int month, int day, int result) {
    for (const auto& c : kLunarDayCorrections) {
        if (c.year != year) continue;
        const int md = month * 100 + day;
        if (md < c.fromMonth * 100 + c.fromDay || md > c.toMonth * 100 + c.toDay) continue;
        result += c.shift;
        if (result > 30) result -= 30;
        if (result < 1) result += 30;
    }
    return result;
}

// The lunar day before the corrections. With earlyStop the loop ends at the first new moon after
// the date; without it every new moon of the span is tried.
int FormulaLunarDay(int year, int month, int day, bool earlyStop) {
    const double T = (year - 1899.5) / 100.0;
    const double k = std::floor((year - 1900) * 12.3685);
    const double f0 = PeriodicAngle(1.55e-7, 0.0002172, 0.75933, 0, T, k);
    const double M0 =
        PeriodicAngle(3.47e-6 / kDegPerRad, 3.33e-5 / kDegPerRad, 359.2242 / kDegPerRad, 0.08084821133, T, k);
    const double M1 = PeriodicAngle(-1.236e-5 / kDegPerRad, -0.0107306 / kDegPerRad, 306.0253 / kDegPerRad,
                                    0.07171366128, T, k);
    const double F0 = PeriodicAngle(2.39e-6 / kDegPerRad, 0.0016528 / kDegPerRad, 21.2964 / kDegPerRad,
                                    0.08519585128, T, k);
    // +8/24: the UTC+8 day; +0.5: astronomical days begin at noon.
    const double m0 = f0 + 0.53058868 * k - 0.000837 * T + 8.0 / 24.0 + 0.5;
    const double s = 0.1734 - 0.000393 * T;
    const double base = 29 * k + 693595; // 693595 = 1899-12-31

    const int n = GetDayNumber(year, month, day);
    int result = -1;
    for (int v = -1; v <= 13; ++v) {
        const double A = M0 + 0.507984293 * v;
        const double C = M1 + 6.73377553 * v;
        const double G = F0 + 6.818486628 * v;
        const double t = 28 * v + base + m0 + 1.53058868 * v + s * std::sin(A) - 0.4068 * std::sin(C) +
                         0.0021 * std::sin(2 * A) + 0.0161 * std::sin(2 * C) + 0.0104 * std::sin(2 * G) -
                         0.0074 * std::sin(A - C) - 0.0051 * std::sin(A + C);
        const double e = n - std::floor(t);
        // New moons come at least 28 days apart, so once one lies after the date all later do.
        if (e < 0 && earlyStop) break;
        if (e >= 0 && e <= 29) result = static_cast<int>(e) + 1;
    }
    return result;
}

} // namespace

int GetLunarDay(int year, int month, int day) {
    return CorrectedLunarDay(year, month, day, FormulaLunarDay(year, month, day, true));
}

int GetLunarDayFullScan(int year, int month, int day) {
    return CorrectedLunarDay(year, month, day, FormulaLunarDay(year, month, day, false));
}

int GetLunarMonth(int year, int month, int day) {
    return LunarMonthFromDay(year, month, day, GetLunarDay(year, month, day));
}

bool GetLunarMonthDay(int year, int month, int day, int& lunarMonth, int& lunarDay, bool& leap) {
    if (!InLunarRange(year)) return false;
    lunarDay = GetLunarDay(year, month, day);
    const int s = LunarMonthFromDay(year, month, day, lunarDay);
    leap = s < 0;
    lunarMonth = std::abs(s);
    return true;
}

bool GetLunarDate(int year, int month, int day, int& lunarYear, int& lunarMonth, int& lunarDay, bool& leap) {
    if (!GetLunarMonthDay(year, month, day, lunarMonth, lunarDay, leap)) return false;
    lunarYear = year;
    int ny = 0, nm = 0, nd = 0;
    if (LunarNewYear(year, ny, nm, nd) && CompareSolarDate(year, month, day, ny, nm, nd) < 0)
        lunarYear = year - 1;
    return true;
}

bool GetLunarDatePlain(int year, int month, int day, int& lunarYear, int& lunarMonth, int& lunarDay,
                       bool& leap) {
    if (!InLunarRange(year)) return false;
    lunarDay = GetLunarDayFullScan(year, month, day);
    const int s = LunarMonthFromDay(year, month, day, lunarDay);
    leap = s < 0;
    lunarMonth = std::abs(s);
    lunarYear = year;
    int ny = 0, nm = 0, nd = 0;
    if (GetSolarDate(year, 1, 1, false, ny, nm, nd) && CompareSolarDate(year, month, day, ny, nm, nd) < 0)
        lunarYear = year - 1;
    return true;
}

int CompareLunarDate(int y1, int m1, int d1, bool l1, int y2, int m2, int d2, bool l2) {
    if (y1 != y2) return y1 > y2 ? 1 : -1;
    if (m1 != m2) return m1 > m2 ? 1 : -1;
    if (l1 == l2) {
        if (d1 != d2) return d1 > d2 ? 1 : -1;
        return 0;
    }
    return l1 ? 1 : -1;
}

bool GetSolarDate(int lunarYear, int lunarMonth, int lunarDay, bool leap, int& year, int& month, int& day) {
    if (leap && GetLeapMonth(lunarYear) != lunarMonth) return false;
    enum class Direction { None, Up, Down };
    int lo = GetDayNumber(lunarYear, 1, 1);
    int hi = GetDayNumber(lunarYear + 1, 12, 31);
    bool finalStep = false;
    Direction direction = Direction::None;
    int trackedYear = lunarYear;
    int previousMonth = 0;
    int steps = 0;
    while (hi > lo) {
        if (++steps > 100) return false;
        int mid = (lo + hi) / 2;
        if (finalStep) ++mid;
        if (hi - lo == 1) finalStep = true; // lets the last probe reach hi

        int py = 0, pm = 0, pd = 0;
        if (!DayNumberToDate(mid, py, pm, pd)) return false;
        int probeMonth = 0, probeDay = 0;
        bool probeLeap = false;
        if (!GetLunarMonthDay(py, pm, pd, probeMonth, probeDay, probeLeap)) {
            // Beyond the last convertible year: the wanted date can only lie earlier. The probe
            // tells nothing about the lunar year, so the next one is not used to track it.
            hi = mid;
            direction = Direction::None;
            continue;
        }

        // The probe gives no lunar year; follow it through the month wrapping past 12 or 1.
        if (direction == Direction::Up && probeMonth < previousMonth)
            ++trackedYear;
        else if (direction == Direction::Down && probeMonth > previousMonth)
            --trackedYear;

        const int cmp = CompareLunarDate(trackedYear, probeMonth, probeDay, probeLeap, lunarYear, lunarMonth,
                                         lunarDay, leap);
        if (cmp == 0) {
            year = py;
            month = pm;
            day = pd;
            return true;
        }
        if (cmp < 0) {
            lo = mid;
            direction = Direction::Up;
        } else {
            hi = mid;
            direction = Direction::Down;
        }
        previousMonth = probeMonth;
    }
    return false;
}

} // namespace nodo::calendar
