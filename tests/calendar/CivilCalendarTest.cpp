#include "calendar/ChnCalendarCore.h"
#include "calendar/DateTime.h"

#include <gtest/gtest.h>

#include <cmath>

namespace nodo::calendar {
namespace {

struct YMD {
    int y, m, d;
};

TEST(CalendarType, SwitchFromJulianToGregorianIn1582) {
    struct Case {
        YMD date;
        int type;
    } cases[] = {
        {{1582, 10, 4}, ctJulian},     {{1582, 10, 5}, ctInvalid}, {{1582, 10, 14}, ctInvalid},
        {{1582, 10, 15}, ctGregorian}, {{1582, 9, 30}, ctJulian},  {{1582, 11, 1}, ctGregorian},
        {{1, 1, 1}, ctJulian},         {{-100, 6, 1}, ctJulian},   {{2024, 2, 29}, ctGregorian},
    };
    for (const auto& c : cases)
        EXPECT_EQ(GetCalendarType(c.date.y, c.date.m, c.date.d), c.type)
            << c.date.y << "-" << c.date.m << "-" << c.date.d;
}

TEST(CalendarLeapYear, JulianBeforeTheSwitchGregorianAfterNoYearZero) {
    struct Case {
        int year;
        bool leap;
    } cases[] = {{1500, true},  {1700, false}, {1900, false}, {2000, true}, {2024, true}, {2023, false},
                 {1582, false}, {1584, true},  {4, true},     {-1, true},   {-5, true},   {-4, false}};
    for (const auto& c : cases)
        EXPECT_EQ(IsCalendarLeapYear(c.year), c.leap) << c.year;
}

TEST(DaysInMonth, LengthsAndOutOfRangeMonths) {
    EXPECT_EQ(GetDaysInMonth(2024, 0), 0);
    EXPECT_EQ(GetDaysInMonth(2024, 13), 0);
    EXPECT_EQ(GetDaysInMonth(2024, -1), 0);
    EXPECT_EQ(GetDaysInMonth(1500, 2), 29);
    EXPECT_EQ(GetDaysInMonth(1900, 2), 28);
    EXPECT_EQ(GetDaysInMonth(1582, 10), 31); // the gap is not taken out of October
    const int lengths[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    for (int m = 1; m <= 12; ++m)
        EXPECT_EQ(GetDaysInMonth(2024, m), lengths[m - 1]) << m;
}

TEST(DayOfYear, SumsTheMonthsBefore) {
    EXPECT_EQ(GetDayOfYear(2024, 1, 1), 1);
    EXPECT_EQ(GetDayOfYear(2024, 3, 1), 61);
    EXPECT_EQ(GetDayOfYear(2023, 12, 31), 365);
    EXPECT_EQ(GetDayOfYear(2024, 1, 0), 0);
}

TEST(AllDays, RunsWithoutBreakAcrossTheSwitchAndYearZero) {
    EXPECT_EQ(GetAllDays(1, 1, 1), 1);
    EXPECT_EQ(GetAllDays(-1, 1, 1), -365);
    EXPECT_EQ(GetAllDays(-1, 12, 31), 0); // year -1 has 366 days and ends right before 0001-01-01
    EXPECT_EQ(GetAllDays(1582, 10, 15) - GetAllDays(1582, 10, 4), 1);
    // Consecutive calendar days get consecutive counts, through every kind of year end.
    for (int y = 1; y <= 2100; ++y)
        EXPECT_EQ(GetAllDays(y + 1, 1, 1) - GetAllDays(y, 12, 31), 1) << y;
}

TEST(DayNumber, GregorianOrdinalJoinedByTheJulianBranch) {
    EXPECT_EQ(GetDayNumber(1582, 10, 4), 577735);
    EXPECT_EQ(GetDayNumber(1582, 10, 15), 577736);
    EXPECT_EQ(GetDayNumber(1582, 10, 10), 0);
    EXPECT_EQ(GetDayNumber(1, 1, 1), -1); // Julian 0001-01-01
    EXPECT_EQ(GetDayNumber(1899, 12, 31), 693595);
    EXPECT_EQ(GetDayNumber(-849, 1, 21), -310443);
    for (int y = 1583; y <= 2100; y += 7)
        EXPECT_EQ(GetDayNumber(y, 7, 1), GregorianOrdinal(y, 7, 1)) << y;
}

TEST(DayNumberToDate, NegativeNumbersAreNotDates) {
    int y = 7, m = 7, d = 7;
    EXPECT_FALSE(DayNumberToDate(-1, y, m, d));
    EXPECT_FALSE(DayNumberToDateWalk(-1, y, m, d));
    EXPECT_EQ(y, 7);
    EXPECT_EQ(m, 7);
    EXPECT_EQ(d, 7);
}

TEST(DayNumberToDate, GivesBackEveryGregorianDateFrom1582To2100) {
    int y = 1582, m = 10, d = 15;
    int count = 0;
    while (y <= 2100) {
        int ry = 0, rm = 0, rd = 0;
        ASSERT_TRUE(DayNumberToDate(GetDayNumber(y, m, d), ry, rm, rd)) << y << "-" << m << "-" << d;
        ASSERT_EQ(ry, y);
        ASSERT_EQ(rm, m);
        ASSERT_EQ(rd, d);
        ++count;
        if (++d > GetDaysInMonth(y, m)) {
            d = 1;
            if (++m > 12) {
                m = 1;
                ++y;
            }
        }
    }
    EXPECT_EQ(count, GetDayNumber(2100, 12, 31) - GetDayNumber(1582, 10, 15) + 1);
}

// The direct form must agree with the year-by-year walk on every number the engine can ask for:
// the lunar search probes up to the end of the year after 2100. That span holds five whole
// 400-year Gregorian cycles, after which both forms repeat, so the sample beyond it only guards
// against overflow.
TEST(DayNumberToDate, DirectFormAgreesWithTheWalkOnEveryDayNumber) {
    const int last = GetDayNumber(2102, 12, 31);
    int y1 = 0, m1 = 0, d1 = 0, y2 = 0, m2 = 0, d2 = 0;
    for (int n = -3; n <= last; ++n) {
        const bool ok1 = DayNumberToDate(n, y1, m1, d1);
        const bool ok2 = DayNumberToDateWalk(n, y2, m2, d2);
        ASSERT_EQ(ok1, ok2) << n;
        if (!ok1) continue;
        ASSERT_EQ(y1, y2) << n;
        ASSERT_EQ(m1, m2) << n;
        ASSERT_EQ(d1, d2) << n;
    }
    // Beyond that, a sample up to the last TDateTime year.
    for (int n = last; n <= GetDayNumber(9999, 12, 31); n += 997) {
        ASSERT_EQ(DayNumberToDate(n, y1, m1, d1), DayNumberToDateWalk(n, y2, m2, d2)) << n;
        ASSERT_EQ(y1, y2) << n;
        ASSERT_EQ(m1, m2) << n;
        ASSERT_EQ(d1, d2) << n;
    }
}

TEST(DayNumberToDate, JulianNumbersComeBackNearTheirDate) {
    // Before the switch the century approximation may land a few days off; never further.
    for (int y = 1; y <= 1582; y += 13) {
        int ry = 0, rm = 0, rd = 0;
        ASSERT_TRUE(DayNumberToDate(GetDayNumber(y, 6, 15), ry, rm, rd));
        EXPECT_EQ(ry, y);
        EXPECT_EQ(rm, 6);
        EXPECT_NEAR(rd, 15, 3) << y;
    }
}

TEST(CompareSolarDate, FirstDifferenceDecides) {
    EXPECT_EQ(CompareSolarDate(2024, 1, 1, 2024, 1, 1), 0);
    EXPECT_EQ(CompareSolarDate(2025, 1, 1, 2024, 12, 31), 1);
    EXPECT_EQ(CompareSolarDate(2024, 2, 1, 2024, 3, 1), -1);
    EXPECT_EQ(CompareSolarDate(2024, 3, 2, 2024, 3, 1), 1);
    EXPECT_EQ(CompareSolarDate(-5, 12, 31, 1, 1, 1), -1);
}

TEST(TDateTime, EncodesAndDecodesStoredValues) {
    struct Case {
        double value;
        YMD date;
    } cases[] = {
        {0, {1899, 12, 30}},
        {1, {1899, 12, 31}},
        {-1, {1899, 12, 29}},
        {2, {1900, 1, 1}},
        {41276.38143699074, {2013, 1, 2}},
        {45332, {2024, 2, 10}},
        {-693593, {1, 1, 1}},
        {2958465, {9999, 12, 31}},
    };
    for (const auto& c : cases) {
        int y = 0, m = 0, d = 0;
        ASSERT_TRUE(DecodeDate(c.value, y, m, d)) << c.value;
        EXPECT_EQ(y, c.date.y) << c.value;
        EXPECT_EQ(m, c.date.m) << c.value;
        EXPECT_EQ(d, c.date.d) << c.value;
        EXPECT_EQ(EncodeDate(c.date.y, c.date.m, c.date.d), std::trunc(c.value));
    }
    int y = 0, m = 0, d = 0;
    EXPECT_FALSE(DecodeDate(-693594, y, m, d));
    EXPECT_FALSE(DecodeDate(2958466, y, m, d));
    double t = 5;
    EXPECT_FALSE(TryEncodeDate(2023, 2, 29, t));
    EXPECT_FALSE(TryEncodeDate(0, 1, 1, t));
    EXPECT_FALSE(TryEncodeDate(10000, 1, 1, t));
}

TEST(TDateTime, DecodeRoundTripsEveryDay) {
    // Negative values keep their date in the part before the point: -1.25 is 1899-12-29 06:00.
    for (int n = -693593; n <= 2958465; n += 1) {
        int y = 0, m = 0, d = 0;
        ASSERT_TRUE(DecodeDate(n < 0 ? n - 0.75 : n + 0.75, y, m, d)) << n;
        ASSERT_EQ(EncodeDate(y, m, d), n);
    }
}

TEST(IsoDateText, ParsesOnlyExistingDates) {
    const struct {
        const char* text;
        bool ok;
        YMD date;
    } cases[] = {{"2024-02-10", true, {2024, 2, 10}},
                 {"1-1-1", true, {1, 1, 1}},
                 {"2024-02-29", true, {2024, 2, 29}},
                 {"2023-02-29", false, {}},
                 {"2024-13-01", false, {}},
                 {"0000-01-01", false, {}},
                 {"20240210", false, {}},
                 {"2024-02-10x", false, {}},
                 {"-2024-02-10", false, {}},
                 {"2024--10", false, {}},
                 {"12024-01-01", false, {}},
                 {"", false, {}},
                 {"2024-02-10-", false, {}},
                 {" 2024-02-10", false, {}}};
    for (const auto& c : cases) {
        int y = 0, m = 0, d = 0;
        EXPECT_EQ(ParseIsoDate(c.text, y, m, d), c.ok) << c.text;
        if (!c.ok) continue;
        EXPECT_EQ(y, c.date.y) << c.text;
        EXPECT_EQ(m, c.date.m) << c.text;
        EXPECT_EQ(d, c.date.d) << c.text;
    }
    EXPECT_EQ(FormatIsoDate(1, 2, 3), "0001-02-03");
    EXPECT_EQ(FormatIsoDate(2024, 12, 31), "2024-12-31");
}

TEST(TDateTime, WeekdaysAndIsoWeeks) {
    EXPECT_EQ(DayOfWeek(2024, 2, 10), 7); // Saturday
    EXPECT_EQ(DayOfWeek(2024, 5, 12), 1); // Sunday
    EXPECT_EQ(DayOfWeek(1, 1, 1), 2);     // Monday
    EXPECT_EQ(DayOfWeek(EncodeDate(2013, 1, 2)), 4);
    struct Case {
        YMD date;
        int week;
    } cases[] = {{{2024, 1, 1}, 1}, {{2023, 1, 1}, 52},  {{2020, 12, 31}, 53}, {{2021, 1, 3}, 53},
                 {{2021, 1, 4}, 1}, {{2019, 12, 30}, 1}, {{2024, 12, 30}, 1},  {{2026, 12, 31}, 53}};
    for (const auto& c : cases)
        EXPECT_EQ(IsoWeekOfYear(c.date.y, c.date.m, c.date.d), c.week)
            << c.date.y << "-" << c.date.m << "-" << c.date.d;
}

} // namespace
} // namespace nodo::calendar
