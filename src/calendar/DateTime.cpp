#include "calendar/DateTime.h"

#include <cmath>
#include <cstdio>
#include <ctime>

namespace nodo::calendar {

namespace {
// Ordinal of 1899-12-30, the zero of TDateTime.
constexpr int64_t kDateTimeZero = 693594;
constexpr int64_t kMaxOrdinal = 3652059; // 9999-12-31
} // namespace

bool IsGregorianLeapYear(int year) {
    return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

int GregorianDaysInMonth(int year, int month) {
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) return 0;
    return month == 2 && IsGregorianLeapYear(year) ? 29 : kDays[month - 1];
}

bool IsValidDate(int year, int month, int day) {
    return year >= 1 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 &&
           day <= GregorianDaysInMonth(year, month);
}

int64_t GregorianOrdinal(int year, int month, int day) {
    const int64_t e = year - 1;
    int64_t n = e * 365 + e / 4 - e / 100 + e / 400;
    for (int m = 1; m < month; ++m)
        n += GregorianDaysInMonth(year, m);
    return n + day;
}

int GregorianYearOfOrdinal(int64_t n, int& dayOfYear) {
    --n; // days since 0001-01-01
    const int64_t q400 = n / 146097;
    n %= 146097;
    int64_t q100 = n / 36524;
    if (q100 == 4) q100 = 3; // last day of a 400-year period
    n -= q100 * 36524;
    const int64_t q4 = n / 1461;
    n %= 1461;
    int64_t q1 = n / 365;
    if (q1 == 4) q1 = 3; // last day of a leap year
    n -= q1 * 365;
    dayOfYear = static_cast<int>(n) + 1;
    return static_cast<int>(q400 * 400 + q100 * 100 + q4 * 4 + q1 + 1);
}

bool TryEncodeDate(int year, int month, int day, TDateTime& out) {
    if (!IsValidDate(year, month, day)) {
        out = 0;
        return false;
    }
    out = static_cast<double>(GregorianOrdinal(year, month, day) - kDateTimeZero);
    return true;
}

TDateTime EncodeDate(int year, int month, int day) {
    TDateTime t = 0;
    TryEncodeDate(year, month, day, t);
    return t;
}

bool DecodeDate(TDateTime t, int& year, int& month, int& day) {
    if (!std::isfinite(t)) return false;
    const double whole = std::trunc(t) + static_cast<double>(kDateTimeZero);
    if (whole < 1 || whole > static_cast<double>(kMaxOrdinal)) return false;
    int dayOfYear = 0;
    const int y = GregorianYearOfOrdinal(static_cast<int64_t>(whole), dayOfYear);
    int n = dayOfYear - 1;
    int m = 1;
    while (n >= GregorianDaysInMonth(y, m)) {
        n -= GregorianDaysInMonth(y, m);
        ++m;
    }
    year = y;
    month = m;
    day = n + 1;
    return true;
}

bool DecodeDate(TDateTime t, CivilDate& out) {
    return DecodeDate(t, out.year, out.month, out.day);
}

int DayOfWeek(int year, int month, int day) {
    // 0001-01-01 was a Monday.
    return static_cast<int>(GregorianOrdinal(year, month, day) % 7) + 1;
}

int DayOfWeek(TDateTime t) {
    int y = 0, m = 0, d = 0;
    if (!DecodeDate(t, y, m, d)) return 0;
    return DayOfWeek(y, m, d);
}

int IsoWeekOfYear(int year, int month, int day) {
    const int64_t n = GregorianOrdinal(year, month, day);
    const int isoDay = static_cast<int>((n - 1) % 7) + 1; // 1 = Monday
    // The week belongs to the year of its Thursday.
    const int64_t thursday = n + 4 - isoDay;
    int thursdayYear = year;
    if (thursday < GregorianOrdinal(year, 1, 1))
        --thursdayYear;
    else if (year < 9999 && thursday >= GregorianOrdinal(year + 1, 1, 1))
        ++thursdayYear;
    return static_cast<int>((thursday - GregorianOrdinal(thursdayYear, 1, 1)) / 7) + 1;
}

bool ParseIsoDate(const std::string& text, int& year, int& month, int& day) {
    int parts[3] = {0, 0, 0};
    int part = 0;
    int digits = 0;
    for (char c : text) {
        if (c == '-') {
            if (digits == 0 || part == 2) return false;
            ++part;
            digits = 0;
        } else if (c >= '0' && c <= '9') {
            if (++digits > 4) return false;
            parts[part] = parts[part] * 10 + (c - '0');
        } else {
            return false;
        }
    }
    if (part != 2 || digits == 0) return false;
    if (!IsValidDate(parts[0], parts[1], parts[2])) return false;
    year = parts[0];
    month = parts[1];
    day = parts[2];
    return true;
}

std::string FormatIsoDate(int year, int month, int day) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", year, month, day);
    return buf;
}

TDateTime Today() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return EncodeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
}

} // namespace nodo::calendar
