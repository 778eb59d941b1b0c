#include "calendar/ChnCalendarCore.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <tuple>

namespace nodo::calendar {
namespace {

struct LunarCase {
    int y, m, d;
    int lunarYear, lunarMonth, lunarDay;
    bool leap;
};

// Dates of the official calendar: new years, leap months, month ends and the 2033 leap month.
const LunarCase kLunarCases[] = {
    {2000, 2, 5, 2000, 1, 1, false},
    {2000, 2, 4, 1999, 12, 29, false},
    {2001, 1, 24, 2001, 1, 1, false},
    {2020, 1, 25, 2020, 1, 1, false},
    {2023, 1, 22, 2023, 1, 1, false},
    {2024, 2, 10, 2024, 1, 1, false},
    {2025, 1, 29, 2025, 1, 1, false},
    {2026, 2, 17, 2026, 1, 1, false},
    {2020, 5, 22, 2020, 4, 30, false},
    {2020, 5, 23, 2020, 4, 1, true},
    {2020, 6, 21, 2020, 5, 1, false},
    {2023, 3, 22, 2023, 2, 1, true},
    {2017, 7, 23, 2017, 6, 1, true},
    {2025, 7, 25, 2025, 6, 1, true},
    {2024, 1, 10, 2023, 11, 29, false},
    {1949, 10, 1, 1949, 8, 10, false},
    {2018, 11, 7, 2018, 9, 30, false},
    {2018, 12, 7, 2018, 11, 1, false},
    // The fourth month of 2025 runs from 04-28 to 05-26 (29 days).
    {2025, 4, 27, 2025, 3, 30, false},
    {2025, 4, 28, 2025, 4, 1, false},
    {2025, 5, 26, 2025, 4, 29, false},
    {2025, 5, 27, 2025, 5, 1, false},
    {2025, 4, 7, 2025, 3, 10, false},
    {2025, 6, 24, 2025, 5, 29, false},
    // 1924: the second month begins on 03-05 and has 30 days; the new-moon formula alone is a day late.
    {1924, 3, 5, 1924, 2, 1, false},
    {1924, 4, 3, 1924, 2, 30, false},
    {1924, 4, 4, 1924, 3, 1, false},
    {1900, 1, 31, 1900, 1, 1, false},
    {1901, 2, 19, 1901, 1, 1, false},
    {1950, 2, 17, 1950, 1, 1, false},
    {1960, 1, 28, 1960, 1, 1, false},
    {1970, 2, 6, 1970, 1, 1, false},
    {1980, 2, 16, 1980, 1, 1, false},
    {1990, 1, 27, 1990, 1, 1, false},
    {2010, 2, 14, 2010, 1, 1, false},
    {2030, 2, 3, 2030, 1, 1, false},
    {2050, 1, 23, 2050, 1, 1, false},
    {2100, 2, 9, 2100, 1, 1, false},
    {2033, 12, 22, 2033, 11, 1, true},
};

TEST(LunarDate, PublishedDates) {
    for (const auto& c : kLunarCases) {
        int ly = 0, lm = 0, ld = 0;
        bool leap = false;
        ASSERT_TRUE(GetLunarDate(c.y, c.m, c.d, ly, lm, ld, leap)) << c.y << "-" << c.m << "-" << c.d;
        EXPECT_EQ(ly, c.lunarYear) << c.y << "-" << c.m << "-" << c.d;
        EXPECT_EQ(lm, c.lunarMonth) << c.y << "-" << c.m << "-" << c.d;
        EXPECT_EQ(ld, c.lunarDay) << c.y << "-" << c.m << "-" << c.d;
        EXPECT_EQ(leap, c.leap) << c.y << "-" << c.m << "-" << c.d;
        EXPECT_EQ(GetLunarMonth(c.y, c.m, c.d), c.leap ? -c.lunarMonth : c.lunarMonth);
    }
}

// Three months the new-moon formula starts a day late, mended by fixed corrections: the first and
// last day of each corrected span and the days either side of it.
const LunarCase kCorrectedMonths[] = {
    {1914, 11, 16, 1914, 9, 29, false},  {1914, 11, 17, 1914, 10, 1, false},
    {1914, 12, 16, 1914, 10, 30, false}, {1914, 12, 17, 1914, 11, 1, false},
    {1916, 2, 2, 1915, 12, 29, false},   {1916, 2, 3, 1916, 1, 1, false},
    {1916, 3, 3, 1916, 1, 30, false},    {1916, 3, 4, 1916, 2, 1, false},
    {1920, 11, 9, 1920, 9, 29, false},   {1920, 11, 10, 1920, 10, 1, false},
    {1920, 12, 9, 1920, 10, 30, false},  {1920, 12, 10, 1920, 11, 1, false},
};

TEST(LunarDate, MonthsTheFormulaStartsADayLate) {
    for (const auto& c : kCorrectedMonths) {
        int ly = 0, lm = 0, ld = 0;
        bool leap = true;
        ASSERT_TRUE(GetLunarDate(c.y, c.m, c.d, ly, lm, ld, leap)) << c.y << "-" << c.m << "-" << c.d;
        EXPECT_EQ(std::tuple(ly, lm, ld, leap), std::tuple(c.lunarYear, c.lunarMonth, c.lunarDay, c.leap))
            << c.y << "-" << c.m << "-" << c.d;
    }
    // The searches that start from a lunar date land on the mended days too.
    int y = 0, m = 0, d = 0;
    ASSERT_TRUE(GetSolarDate(1916, 1, 1, false, y, m, d));
    EXPECT_EQ(std::tuple(y, m, d), std::tuple(1916, 2, 3));
    ASSERT_TRUE(GetSolarDate(1914, 10, 30, false, y, m, d));
    EXPECT_EQ(std::tuple(y, m, d), std::tuple(1914, 12, 16));
    ASSERT_TRUE(GetSolarDate(1920, 10, 1, false, y, m, d));
    EXPECT_EQ(std::tuple(y, m, d), std::tuple(1920, 11, 10));
}

// A civil date of the engine's calendar in the lunar range, drawn evenly by year.
struct DateDraw {
    std::mt19937 rng;
    int y = 0, m = 0, d = 0;
    void next() {
        do
            y = std::uniform_int_distribution<int>(kFirstLunarYear, kLastLunarYear)(rng);
        while (y == 0);
        m = std::uniform_int_distribution<int>(1, 12)(rng);
        d = std::uniform_int_distribution<int>(1, GetDaysInMonth(y, m))(rng);
    }
};

// The early stop of the new-moon loop and the kept lunar new year against the plain computation.
// Dates come in short runs of one year, as a month fill asks for them, so the kept answer is both
// reused and replaced.
TEST(LunarDate, SpeedUpsAgreeWithThePlainComputation) {
    DateDraw draw{std::mt19937(18491)};
    int compared = 0;
    for (int run = 0; run < 800; ++run) {
        draw.next();
        const int runLength = std::uniform_int_distribution<int>(1, 6)(draw.rng);
        for (int k = 0; k < runLength; ++k) {
            const int y = draw.y;
            const int m = k == 0 ? draw.m : std::uniform_int_distribution<int>(1, 12)(draw.rng);
            const int d = std::min(draw.d, GetDaysInMonth(y, m));
            ASSERT_EQ(GetLunarDay(y, m, d), GetLunarDayFullScan(y, m, d)) << y << "-" << m << "-" << d;
            int a[3] = {}, b[3] = {};
            bool aLeap = false, bLeap = false;
            const bool aOk = GetLunarDate(y, m, d, a[0], a[1], a[2], aLeap);
            const bool bOk = GetLunarDatePlain(y, m, d, b[0], b[1], b[2], bLeap);
            ASSERT_EQ(aOk, bOk) << y << "-" << m << "-" << d;
            ASSERT_EQ(std::tuple(a[0], a[1], a[2], aLeap), std::tuple(b[0], b[1], b[2], bLeap))
                << y << "-" << m << "-" << d;
            ++compared;
        }
    }
    EXPECT_GT(compared, 2000);
}

TEST(LunarDate, OutsideTheTableFailsAndLeavesOutputs) {
    for (int y : {2101, -850}) {
        int ly = 1, lm = 2, ld = 3;
        bool leap = true;
        EXPECT_FALSE(GetLunarDate(y, 6, 1, ly, lm, ld, leap)) << y;
        EXPECT_FALSE(GetLunarMonthDay(y, 6, 1, lm, ld, leap)) << y;
        EXPECT_EQ(ly, 1);
        EXPECT_EQ(lm, 2);
        EXPECT_EQ(ld, 3);
        EXPECT_TRUE(leap);
    }
}

TEST(LunarDate, GapDaysOf1582HaveNoLunarDay) {
    EXPECT_EQ(GetLunarDay(1582, 10, 10), -1);
    int lm = 0, ld = 0;
    bool leap = false;
    ASSERT_TRUE(GetLunarMonthDay(1582, 10, 10, lm, ld, leap));
    EXPECT_EQ(ld, -1);
}

TEST(LunarDay, CountsOnByOneOrRestartsAtNewMoon) {
    // Across 1900..2100 every day is the day before plus one, or 1 after a day 29 or 30.
    int prev = GetLunarDay(1899, 12, 31);
    for (int n = GetDayNumber(1900, 1, 1); n <= GetDayNumber(2100, 12, 31); ++n) {
        int y = 0, m = 0, d = 0;
        ASSERT_TRUE(DayNumberToDate(n, y, m, d));
        const int day = GetLunarDay(y, m, d);
        ASSERT_GE(day, 1);
        ASSERT_LE(day, 30);
        if (day == 1)
            ASSERT_TRUE(prev == 29 || prev == 30) << y << "-" << m << "-" << d;
        else
            ASSERT_EQ(day, prev + 1) << y << "-" << m << "-" << d;
        prev = day;
    }
}

TEST(LeapMonthText, OneCharacterPerYear) {
    EXPECT_EQ(std::strlen(LeapMonthText), 2950u);
    EXPECT_EQ(LeapMonthText[849], '0'); // the year 0
    EXPECT_EQ(GetLeapMonth(2020), 4);
    EXPECT_EQ(GetLeapMonth(2023), 2);
    EXPECT_EQ(GetLeapMonth(2017), 6);
    EXPECT_EQ(GetLeapMonth(2033), 11);
    EXPECT_EQ(GetLeapMonth(2024), 0);
    EXPECT_EQ(GetLeapMonth(-849), 0);
    EXPECT_EQ(GetLeapMonth(-848), 12);
    EXPECT_EQ(GetLeapMonth(-850), -1);
    EXPECT_EQ(GetLeapMonth(2101), -1);
}

TEST(LeapMonthCount, RunningCountWithTheMedievalShift) {
    const struct {
        int year, count;
    } cases[] = {{-849, 0},   {1900, 1011}, {2000, 1047}, {2100, 1084},
                 {1199, 752}, {1200, 754},  {1499, 864},  {1500, 863}};
    for (const auto& c : cases)
        EXPECT_EQ(GetLeapMonthCount(c.year), c.count) << c.year;
}

TEST(RealArithmetic, FractionsModuliAndRounding) {
    EXPECT_DOUBLE_EQ(FracPart(2.25), 0.25);
    EXPECT_DOUBLE_EQ(FracPart(-2.25), 0.75);
    EXPECT_NEAR(RealMod(12, 13), 1, 1e-12);
    EXPECT_EQ(RoundEven(RealMod(12, 13) + 1), 2);
    EXPECT_DOUBLE_EQ(RealMod(12, -1), 11);
    const struct {
        double x, r;
    } rounding[] = {{0.5, 0},   {1.5, 2},    {2.5, 2},    {-0.5, 0},
                    {-1.5, -2}, {2.4999, 2}, {2.5001, 3}, {-2.6, -3}};
    for (const auto& c : rounding)
        EXPECT_EQ(RoundEven(c.x), c.r) << c.x;
    EXPECT_DOUBLE_EQ(PeriodicAngle(0, 0, 1, 0.25, 0, 1), 1 + 0.25 * 6.283185307179586);
    EXPECT_DOUBLE_EQ(PeriodicAngle(1, 2, 3, 0, 2, 5), 3 - 8 - 8);
}

TEST(CompareLunarDate, LeapMonthFollowsItsMonth) {
    EXPECT_EQ(CompareLunarDate(2020, 4, 30, false, 2020, 4, 1, true), -1);
    EXPECT_EQ(CompareLunarDate(2020, 4, 1, true, 2020, 4, 29, false), 1);
    EXPECT_EQ(CompareLunarDate(2020, 4, 3, true, 2020, 4, 3, true), 0);
    EXPECT_EQ(CompareLunarDate(2020, 5, 1, false, 2020, 4, 29, true), 1);
    EXPECT_EQ(CompareLunarDate(2019, 12, 30, false, 2020, 1, 1, false), -1);
    EXPECT_EQ(CompareLunarDate(2020, 4, 2, false, 2020, 4, 1, false), 1);
}

TEST(SolarDate, FindsLunarDatesByBisection) {
    const struct {
        int ly, lm, ld;
        bool leap;
        int y, m, d;
    } cases[] = {{2020, 4, 1, true, 2020, 5, 23},    {2024, 1, 1, false, 2024, 2, 10},
                 {2023, 11, 29, false, 2024, 1, 10}, {1999, 12, 29, false, 2000, 2, 4},
                 {2025, 4, 1, false, 2025, 4, 28},   {2025, 6, 1, true, 2025, 7, 25},
                 {2100, 1, 1, false, 2100, 2, 9},    {2100, 6, 1, false, 2100, 7, 7}};
    for (const auto& c : cases) {
        int y = 0, m = 0, d = 0;
        ASSERT_TRUE(GetSolarDate(c.ly, c.lm, c.ld, c.leap, y, m, d)) << c.ly << "/" << c.lm << "/" << c.ld;
        EXPECT_EQ(y, c.y);
        EXPECT_EQ(m, c.m);
        EXPECT_EQ(d, c.d);
    }
}

TEST(SolarDate, MissingDatesAreNotFound) {
    int y = 9, m = 9, d = 9;
    EXPECT_FALSE(GetSolarDate(2021, 4, 1, true, y, m, d));   // 2021 has no leap fourth month
    EXPECT_FALSE(GetSolarDate(2025, 4, 30, false, y, m, d)); // the fourth month of 2025 has 29 days
    EXPECT_FALSE(GetSolarDate(-5, 1, 1, false, y, m, d));    // probes before year 1 have no date
    EXPECT_EQ(y, 9);
    EXPECT_EQ(m, 9);
    EXPECT_EQ(d, 9);
}

// Every day 1900..2100 converted to a lunar date and searched back.
TEST(SolarDate, RoundTripOfEveryDayFrom1900To2100) {
    int days = 0, back = 0;
    for (int n = GetDayNumber(1900, 1, 1); n <= GetDayNumber(2100, 12, 31); ++n) {
        int y = 0, m = 0, d = 0;
        ASSERT_TRUE(DayNumberToDate(n, y, m, d));
        int ly = 0, lm = 0, ld = 0;
        bool leap = false;
        ASSERT_TRUE(GetLunarDate(y, m, d, ly, lm, ld, leap));
        int sy = 0, sm = 0, sd = 0;
        ++days;
        if (GetSolarDate(ly, lm, ld, leap, sy, sm, sd) && sy == y && sm == m && sd == d)
            ++back;
        else
            ADD_FAILURE() << y << "-" << m << "-" << d << " does not come back";
    }
    EXPECT_EQ(days, 73414);
    EXPECT_EQ(back, 73414);
}

} // namespace
} // namespace nodo::calendar
