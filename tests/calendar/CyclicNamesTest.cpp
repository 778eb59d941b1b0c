#include "calendar/ChnCalendarCore.h"

#include <gtest/gtest.h>

namespace nodo::calendar {
namespace {

TEST(CycleNames, StemFollowedByBranch) {
    const struct {
        int index;
        const char* name;
    } cases[] = {{0, "甲子"},  {1, "乙丑"},  {2, "丙寅"},  {10, "甲戌"},
                 {39, "癸卯"}, {40, "甲辰"}, {54, "戊午"}, {59, "癸亥"}};
    for (const auto& c : cases)
        EXPECT_EQ(GetCycleName(c.index), c.name) << c.index;
    EXPECT_EQ(GetCycleName(60), "");
    EXPECT_EQ(GetCycleName(-1), "");
}

TEST(NameLookups, EmptyOutsideTheirTables) {
    EXPECT_EQ(GetAnimalName(12), "");
    EXPECT_EQ(GetAnimalName(-1), "");
    EXPECT_EQ(GetAnimalName(0), "鼠");
    EXPECT_EQ(GetAnimalName(11), "猪");
    EXPECT_EQ(GetConstellationName(12), "");
    EXPECT_EQ(GetConstellationName(-3), "");
    EXPECT_EQ(GetConstellationName(0), "白羊");
    EXPECT_EQ(GetStemName(10), "");
    EXPECT_EQ(GetBranchName(11), "亥");
}

TEST(CycleIndex, PairsOnlySameParity) {
    const struct {
        int stem, branch, index;
    } cases[] = {{0, 1, -1}, {2, 2, 2},   {10, 0, -1}, {-1, 0, -1}, {0, 12, -1},
                 {0, 0, 0},  {9, 11, 59}, {0, 10, 10}, {0, 4, 40},  {4, 6, 54}};
    for (const auto& c : cases)
        EXPECT_EQ(GetCycleIndex(c.stem, c.branch), c.index) << c.stem << "," << c.branch;
    // Every index splits and pairs back to itself.
    for (int i = 0; i < 60; ++i) {
        int s = 0, b = 0;
        ASSERT_TRUE(SplitCycleIndex(i, s, b));
        EXPECT_EQ(GetCycleIndex(s, b), i);
    }
    int s = 3, b = 3;
    EXPECT_FALSE(SplitCycleIndex(60, s, b));
    EXPECT_EQ(s, -1);
    EXPECT_EQ(b, -1);
    EXPECT_FALSE(SplitCycleIndex(-1, s, b));
}

TEST(YearCycle, RunsOnAcrossTheMissingYearZero) {
    const struct {
        int year, cycle, animal;
    } cases[] = {{4, 0, 0},  {1984, 0, 0}, {2024, 40, 4}, {2023, 39, 3},
                 {1, 57, 9}, {-1, 56, 8},  {1949, 25, 1}};
    for (const auto& c : cases) {
        EXPECT_EQ(GetYearCycleIndex(c.year), c.cycle) << c.year;
        EXPECT_EQ(GetAnimalIndex(c.year), c.animal) << c.year;
    }
    EXPECT_EQ(GetAnimalName(GetAnimalIndex(2024)), "龙");
}

TEST(DayCycle, FromTheContinuousCount) {
    EXPECT_EQ(GetDayCycleIndex(2000, 1, 1), 54); // 戊午
    EXPECT_EQ(GetDayCycleIndex(2000, 1, 2), 55);
    EXPECT_EQ(GetDayCycleIndex(1949, 10, 1), 0); // 甲子
    // The cycle steps by one day through the switch of 1582.
    EXPECT_EQ((GetDayCycleIndex(1582, 10, 15) - GetDayCycleIndex(1582, 10, 4) + 60) % 60, 1);
}

TEST(Constellation, RangesOfTheYear) {
    const struct {
        int from, to, index;
    } ranges[] = {{101, 119, 9},   {120, 218, 10},  {219, 320, 11}, {321, 420, 0}, {421, 520, 1},
                  {521, 621, 2},   {622, 722, 3},   {723, 822, 4},  {823, 922, 5}, {923, 1022, 6},
                  {1023, 1122, 7}, {1123, 1221, 8}, {1222, 1231, 9}};
    for (const auto& r : ranges) {
        for (int c = r.from; c <= r.to; ++c) {
            if (c % 100 == 0 || c % 100 > 31) continue;
            EXPECT_EQ(GetConstellationIndex(c / 100, c % 100), r.index) << c;
        }
    }
}

TEST(CnDayName, AllThirtyDays) {
    const char* names[] = {"初一", "初二", "初三", "初四", "初五", "初六", "初七", "初八", "初九", "初十",
                           "十一", "十二", "十三", "十四", "十五", "十六", "十七", "十八", "十九", "二十",
                           "廿一", "廿二", "廿三", "廿四", "廿五", "廿六", "廿七", "廿八", "廿九", "三十"};
    for (int d = 1; d <= 30; ++d)
        EXPECT_EQ(GetCnDayName(d), names[d - 1]) << d;
    EXPECT_EQ(GetCnDayName(0), "");
    EXPECT_EQ(GetCnDayName(31), "");
    EXPECT_EQ(GetCnDayName(-1), "");
}

} // namespace
} // namespace nodo::calendar
