#include "calendar/ChnCalendarCore.h"

#include <gtest/gtest.h>

#include <cmath>

namespace nodo::calendar {
namespace {

TEST(SolarTerms, TheYear2024) {
    const struct {
        const char* name;
        int month, day;
    } terms[24] = {{"小寒", 1, 6},  {"大寒", 1, 20},  {"立春", 2, 4},  {"雨水", 2, 19}, {"惊蛰", 3, 5},
                   {"春分", 3, 20}, {"清明", 4, 4},   {"谷雨", 4, 19}, {"立夏", 5, 5},  {"小满", 5, 20},
                   {"芒种", 6, 5},  {"夏至", 6, 21},  {"小暑", 7, 6},  {"大暑", 7, 22}, {"立秋", 8, 7},
                   {"处暑", 8, 22}, {"白露", 9, 7},   {"秋分", 9, 22}, {"寒露", 10, 8}, {"霜降", 10, 23},
                   {"立冬", 11, 7}, {"小雪", 11, 22}, {"大雪", 12, 6}, {"冬至", 12, 21}};
    for (int i = 0; i < 24; ++i) {
        int m = 0, d = 0;
        ASSERT_TRUE(GetSolarTermDateTime(2024, i, m, d));
        EXPECT_EQ(m, terms[i].month) << terms[i].name;
        EXPECT_EQ(d, terms[i].day) << terms[i].name;
        EXPECT_EQ(GetSolarTermName((i + 22) % 24), terms[i].name);
        EXPECT_EQ(GetSolarTermOfDate(EncodeDate(2024, m, d)), terms[i].name);
        EXPECT_EQ(GetSolarTermOfDate(EncodeDate(2024, m, d) + 1), "") << terms[i].name;
    }
    const double lichun = GetSolarTermDay(2024, 3);
    EXPECT_GT(lichun, 35.68);
    EXPECT_LT(lichun, 35.69);
}

TEST(SolarTerms, NamesAndIndexBounds) {
    EXPECT_EQ(GetSolarTermName(0), "立春");
    EXPECT_EQ(GetSolarTermName(23), "大寒");
    EXPECT_EQ(GetSolarTermName(24), "");
    EXPECT_EQ(GetSolarTermName(-1), "");
    int m = 7, d = 7;
    EXPECT_FALSE(GetSolarTermDateTime(2024, 24, m, d));
    EXPECT_FALSE(GetSolarTermDateTime(2024, -1, m, d));
    EXPECT_EQ(m, 7);
    EXPECT_EQ(d, 7);
}

TEST(SolarTerms, TermOfDate) {
    EXPECT_EQ(GetSolarTermOfDate(EncodeDate(2023, 4, 5)), "清明");
    EXPECT_EQ(GetSolarTermOfDate(EncodeDate(2024, 3, 21)), "");
    EXPECT_EQ(GetSolarTermOfDate(EncodeDate(2024, 12, 21)), "冬至");
    EXPECT_EQ(GetSolarTermOfDate(EncodeDate(2025, 2, 3)), "立春");
}

TEST(SolarTerms, EveryTermInItsOwnMonthFrom1583To2100) {
    for (int y = 1583; y <= 2100; ++y) {
        for (int i = 0; i < 24; ++i) {
            int m = 0, d = 0;
            ASSERT_TRUE(GetSolarTermDateTime(y, i, m, d));
            ASSERT_EQ(m, i / 2 + 1) << y << " term " << i;
            ASSERT_GE(d, 1);
            ASSERT_LE(d, GetDaysInMonth(y, m));
        }
    }
}

TEST(SolarTerms, JulianYearsCanPlaceXiaohanBeforeJanuary) {
    // In Julian years the terms drift earlier; a 小寒 before 1 January belongs to no day.
    int found = 0;
    for (int y = -849; y <= 1582; ++y) {
        if (y == 0) continue;
        if (GetSolarTermDay(y, 1) < 1) {
            ++found;
            int m = 0, d = 0;
            ASSERT_TRUE(GetSolarTermDateTime(y, 0, m, d));
            EXPECT_EQ(m, 1);
            EXPECT_LE(d, 0);
        }
    }
    EXPECT_GT(found, 0);
}

TEST(SexagenaryYear, TurnsAtLichun) {
    EXPECT_EQ(GetDateYearCycleIndex(2024, 2, 3), 39); // 癸卯
    EXPECT_EQ(GetDateYearCycleIndex(2024, 2, 4), 40); // 甲辰
    EXPECT_EQ(GetDateYearCycleIndex(2024, 1, 1), 39);
    EXPECT_EQ(GetDateYearCycleIndex(2024, 12, 31), 40);
}

TEST(SexagenaryMonth, TurnsAtTheSectionalTerms) {
    const struct {
        int y, m, d;
        const char* name;
    } cases[] = {{2024, 2, 10, "丙寅"}, {2024, 1, 10, "乙丑"}, {2024, 1, 5, "甲子"},   {2024, 1, 6, "乙丑"},
                 {2024, 12, 5, "乙亥"}, {2024, 12, 6, "丙子"}, {2024, 12, 31, "丙子"}, {2024, 3, 5, "丁卯"},
                 {2024, 3, 4, "丙寅"},  {2025, 2, 3, "戊寅"},  {2023, 6, 22, "戊午"}};
    for (const auto& c : cases)
        EXPECT_EQ(GetCycleName(GetMonthCycleIndex(c.y, c.m, c.d)), c.name) << c.y << "-" << c.m << "-" << c.d;

    int cy = 0, cm = 0;
    GetCycleMonth(2024, 1, 10, cy, cm);
    EXPECT_EQ(cy, 2023);
    EXPECT_EQ(cm, 12);
    GetCycleMonth(2024, 12, 31, cy, cm);
    EXPECT_EQ(cy, 2024);
    EXPECT_EQ(cm, 11);
}

TEST(SexagenaryMonth, XiaohanOnTheFifthStartsMonthTwelve) {
    int years = 0;
    for (int y = 1900; y <= 2100; ++y) {
        int m = 0, d = 0;
        ASSERT_TRUE(GetSolarTermDateTime(y, 0, m, d));
        if (d != 5) continue;
        ++years;
        int cy = 0, cm = 0;
        GetCycleMonth(y, 1, 5, cy, cm);
        EXPECT_EQ(cm, 12) << y;
        GetCycleMonth(y, 1, 4, cy, cm);
        EXPECT_EQ(cm, 11) << y;
    }
    EXPECT_GT(years, 0);
}

} // namespace
} // namespace nodo::calendar
