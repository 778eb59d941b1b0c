#include "calendar/ChnCalendarCore.h"

#include <array>

namespace nodo::calendar {

namespace {

constexpr std::array<const char*, 10> kStemNames = {"甲", "乙", "丙", "丁", "戊",
                                                    "己", "庚", "辛", "壬", "癸"};
constexpr std::array<const char*, 12> kBranchNames = {"子", "丑", "寅", "卯", "辰", "巳",
                                                      "午", "未", "申", "酉", "戌", "亥"};
constexpr std::array<const char*, 12> kAnimalNames = {"鼠", "牛", "虎", "兔", "龙", "蛇",
                                                      "马", "羊", "猴", "鸡", "狗", "猪"};
constexpr std::array<const char*, 12> kConstellationNames = {"白羊", "金牛", "双子", "巨蟹", "狮子", "处女",
                                                             "天秤", "天蝎", "射手", "摩羯", "宝瓶", "双鱼"};
constexpr std::array<int, 12> kConstellationBounds = {120, 219, 321, 421,  521,  622,
                                                      723, 823, 923, 1023, 1123, 1222};
constexpr std::array<const char*, 10> kCnDigitNames = {"一", "二", "三", "四", "五",
                                                       "六", "七", "八", "九", "十"};
constexpr std::array<const char*, 6> kCnTensNames = {"初", "十", "廿", "卅", "二", "三"};

// Built once, on first use, from the stems and branches.
const std::array<std::string, 60>& CycleNames() {
    static const std::array<std::string, 60> names = [] {
        std::array<std::string, 60> n;
        for (int i = 0; i < 60; ++i)
            n[i] = std::string(kStemNames[i % 10]) + kBranchNames[i % 12];
        return n;
    }();
    return names;
}

int NonNegativeMod(int value, int modulus) {
    int r = value % modulus;
    if (r < 0) r += modulus;
    return r;
}

int GregorianYearLength(int year) {
    return IsGregorianLeapYear(year) ? 366 : 365;
}

// Day numbers up to 1582-10-04 are moved onto the Gregorian scale by an approximate
// century correction; the date found there can be a day off near century years.
int AdjustJulianDayNumber(int n) {
    if (n <= 577735) n = n + n / 146000 - n / 36500 + 2;
    return n;
}

// n is the 1-based day of `year`; months are measured with the engine's own leap rule.
bool WalkMonths(int year, int n, int& month, int& day) {
    for (int m = 1; m <= 12; ++m) {
        const int len = GetDaysInMonth(year, m);
        if (n <= len) {
            month = m;
            day = n;
            return true;
        }
        n -= len;
    }
    return false;
}

} // namespace

int GetCalendarType(int year, int month, int day) {
    if (year < 1582) return ctJulian;
    if (year == 1582) {
        if (month < 10 || (month == 10 && day <= 4)) return ctJulian;
        if (month == 10 && day >= 5 && day <= 14) return ctInvalid;
    }
    return ctGregorian;
}

bool IsCalendarLeapYear(int year) {
    if (GetCalendarType(year, 1, 1) == ctGregorian) return IsGregorianLeapYear(year);
    if (year >= 0) return year % 4 == 0;
    return (year - 3) % 4 == 0; // no year 0: -1, -5, -9 ... are leap years
}

int GetDaysInMonth(int year, int month) {
    switch (month) {
    case 1:
    case 3:
    case 5:
    case 7:
    case 8:
    case 10:
    case 12:
        return 31;
    case 4:
    case 6:
    case 9:
    case 11:
        return 30;
    case 2:
        return IsCalendarLeapYear(year) ? 29 : 28;
    default:
        return 0;
    }
}

int GetDayOfYear(int year, int month, int day) {
    int n = 0;
    for (int i = 1; i < month; ++i)
        n += GetDaysInMonth(year, i);
    return n + day;
}

int GetAllDays(int year, int month, int day) {
    int days = (year > 0 ? (year - 1) * 365 : year * 365) + GetDayOfYear(year, month, day);
    if (year < 0) {
        days -= (3 - year) / 4;
    } else {
        int c = 0;
        if (GetCalendarType(year, month, day) == ctGregorian) {
            c = year <= 1700 ? 10 : 10 + ((year - 1701) / 100 + 1) - (year - 1601) / 400;
        }
        days += (year - 1) / 4 - c;
    }
    return days;
}

int GetDayNumber(int year, int month, int day) {
    const int e = year - 1;
    switch (GetCalendarType(year, month, day)) {
    case ctJulian:
        return GetDayOfYear(year, month, day) + e * 365 + e / 4 - 2;
    case ctGregorian:
        return GetDayOfYear(year, month, day) + e * 365 + e / 4 - e / 100 + e / 400;
    default:
        return 0;
    }
}

bool DayNumberToDateWalk(int dayNumber, int& year, int& month, int& day) {
    if (dayNumber < 0) return false;
    int n = AdjustJulianDayNumber(dayNumber);
    int y = 1;
    while (n > GregorianYearLength(y)) {
        n -= GregorianYearLength(y);
        ++y;
    }
    year = y;
    return WalkMonths(y, n, month, day);
}

bool DayNumberToDate(int dayNumber, int& year, int& month, int& day) {
    if (dayNumber < 0) return false;
    // Same year and day of year as the walk (the adjustment gives at least 2, so never before
    // year 1); only the months follow the engine's leap rule.
    int dayOfYear = 0;
    year = GregorianYearOfOrdinal(AdjustJulianDayNumber(dayNumber), dayOfYear);
    return WalkMonths(year, dayOfYear, month, day);
}

int CompareSolarDate(int y1, int m1, int d1, int y2, int m2, int d2) {
    if (y1 != y2) return y1 > y2 ? 1 : -1;
    if (m1 != m2) return m1 > m2 ? 1 : -1;
    if (d1 != d2) return d1 > d2 ? 1 : -1;
    return 0;
}

int GetCycleIndex(int stem, int branch) {
    if (static_cast<unsigned>(stem) > 9 || static_cast<unsigned>(branch) > 11) return -1;
    for (int k = 0; k <= 6; ++k) {
        if ((stem + 10 * k) % 12 == branch) return stem + 10 * k;
    }
    return -1;
}

bool SplitCycleIndex(int cycle, int& stem, int& branch) {
    if (cycle < 0 || cycle > 59) {
        stem = -1;
        branch = -1;
        return false;
    }
    stem = cycle % 10;
    branch = cycle % 12;
    return true;
}

int GetYearCycleIndex(int year) {
    return NonNegativeMod(year <= 0 ? year - 3 : year - 4, 60);
}

int GetAnimalIndex(int year) {
    return NonNegativeMod(year <= 0 ? year - 3 : year - 4, 12);
}

int GetDayCycleIndex(int year, int month, int day) {
    return NonNegativeMod(GetAllDays(year, month, day) + 12, 60);
}

int GetConstellationIndex(int month, int day) {
    const int c = month * 100 + day;
    if (c < kConstellationBounds[0]) return 9;
    int i = 0;
    while (i + 1 < static_cast<int>(kConstellationBounds.size()) && c >= kConstellationBounds[i + 1])
        ++i;
    return (i + 10) % 12;
}

std::string GetStemName(int stem) {
    return stem >= 0 && stem < 10 ? kStemNames[stem] : "";
}

std::string GetBranchName(int branch) {
    return branch >= 0 && branch < 12 ? kBranchNames[branch] : "";
}

std::string GetCycleName(int cycle) {
    return cycle >= 0 && cycle < 60 ? CycleNames()[cycle] : std::string();
}

std::string GetAnimalName(int animal) {
    return animal >= 0 && animal < 12 ? kAnimalNames[animal] : "";
}

std::string GetConstellationName(int sign) {
    return sign >= 0 && sign < 12 ? kConstellationNames[sign] : "";
}

std::string GetCnDayName(int lunarDay) {
    if (lunarDay < 1 || lunarDay > 30) return {};
    int a = lunarDay % 10;
    int t = lunarDay / 10;
    if (a == 0) {
        if (t == 1) {
            a = 10;
            t = 0;
        } else {
            a = 10;
            t += 2; // 二十, 三十 rather than 廿十, 卅十
        }
    }
    return std::string(kCnTensNames[t]) + kCnDigitNames[a - 1];
}

} // namespace nodo::calendar
