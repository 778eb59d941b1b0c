#include "calendar/EraTable.h"
#include "calendar/ChnCalendarUse.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace nodo::calendar {
namespace {

std::string Field(int row, int n) {
    return GetDelimitedField(EraTable[row], ',', n);
}

int Start(int row) {
    return std::stoi(Field(row, 1));
}

int CountSeparators(const char* text) {
    int n = 0;
    for (const char* p = text; *p; ++p)
        n += *p == ',';
    return n;
}

TEST(EraTable, RowsOfSevenFields) {
    ASSERT_EQ(kEraTableSize, 529);
    for (int i = 0; i < kEraTableSize; ++i) {
        ASSERT_NE(EraTable[i], nullptr) << i;
        EXPECT_EQ(CountSeparators(EraTable[i]), 6) << EraTable[i];
        EXPECT_FALSE(Field(i, 4).empty()) << EraTable[i];
        EXPECT_FALSE(Field(i, 7).empty()) << EraTable[i];
        EXPECT_NO_THROW(Start(i)) << EraTable[i];
        EXPECT_GT(std::stoi(Field(i, 2)), 0) << EraTable[i];
    }
    EXPECT_EQ(Start(0), -2069);
    EXPECT_EQ(Start(kEraTableSize - 1), 1949);
}

TEST(EraTable, GroupOrderSizesAndFirstYears) {
    const struct {
        const char* dynasty;
        int first, rows;
    } groups[] = {
        {"夏", -2069, 19},     {"商", -1599, 31},      {"西周", -1045, 13},    {"东周", -769, 24},
        {"战国-秦", -305, 3},  {"秦", -245, 3},        {"西汉", -205, 45},     {"新", 9, 3},
        {"西汉", 23, 1},       {"东汉", 25, 35},       {"三国-魏", 220, 10},   {"西晋", 265, 11},
        {"东晋", 317, 19},     {"南朝/宋", 420, 11},   {"南朝/齐", 479, 8},    {"南朝/梁", 502, 13},
        {"南朝/陈", 557, 7},   {"南朝/后梁", 555, 3},  {"北朝/北魏", 386, 40}, {"北朝/东魏", 534, 4},
        {"北朝/西魏", 535, 3}, {"北朝/北齐", 550, 10}, {"北朝/北周", 557, 10}, {"隋", 581, 4},
        {"唐", 618, 18},       {"武周", 684, 18},      {"唐", 705, 41},        {"五代/梁", 907, 6},
        {"五代/唐", 923, 5},   {"五代/晋", 936, 3},    {"五代/汉", 947, 3},    {"五代/周", 951, 4},
        {"北宋", 960, 35},     {"南宋", 1127, 22},     {"元", 1271, 15},       {"明", 1368, 17},
        {"清", 1644, 10},      {"近、现代", 1911, 1},  {"当代", 1949, 1},
    };
    int row = 0;
    for (const auto& g : groups) {
        ASSERT_LT(row, kEraTableSize);
        EXPECT_EQ(Field(row, 4), g.dynasty) << "row " << row;
        EXPECT_EQ(Start(row), g.first) << g.dynasty;
        for (int k = 0; k < g.rows; ++k) {
            ASSERT_EQ(Field(row + k, 4), g.dynasty) << "row " << row + k;
            if (k > 0) {
                EXPECT_GE(Start(row + k), Start(row + k - 1)) << EraTable[row + k];
            }
        }
        row += g.rows;
        if (row < kEraTableSize) {
            EXPECT_NE(Field(row, 4), g.dynasty) << "group " << g.dynasty << " is longer";
        }
    }
    EXPECT_EQ(row, kEraTableSize);
}

TEST(EraTable, QuotedRows) {
    auto find = [](int start, const char* era) {
        for (int i = 0; i < kEraTableSize; ++i)
            if (Start(i) == start && Field(i, 7) == era) return i;
        return -1;
    };
    // The first row: the ruler's name stands in for the era name.
    EXPECT_EQ(Field(0, 2), "45");
    EXPECT_EQ(Field(0, 3), "0");
    EXPECT_EQ(Field(0, 4), "夏");
    EXPECT_EQ(Field(0, 6), "");
    EXPECT_EQ(Field(0, 5), Field(0, 7));

    const int zhenming = find(587, "祯明");
    ASSERT_GE(zhenming, 0);
    EXPECT_EQ(Field(zhenming, 4), "南朝/陈");
    EXPECT_EQ(std::string(EraTable[zhenming + 1]).rfind("555,8,0,南朝/后梁,", 0), 0u);
    EXPECT_EQ(Field(zhenming + 1, 7), "大定");

    const struct {
        int start, years, count;
        const char* dynasty;
        const char* era;
    } counted[] = {{905, 3, 1, "唐", "天佑"},      {913, 3, 2, "五代/梁", "乾化"},
                   {942, 2, 6, "五代/晋", "天福"}, {959, 2, 5, "五代/周", "显德"},
                   {1271, 24, 7, "元", "至元"},    {1949, 9999, 1948, "当代", "公历"}};
    int nonZero = 0;
    for (int i = 0; i < kEraTableSize; ++i)
        nonZero += Field(i, 3) != "0";
    EXPECT_EQ(nonZero, 6);
    for (const auto& c : counted) {
        const int i = find(c.start, c.era);
        ASSERT_GE(i, 0) << c.era;
        EXPECT_EQ(Field(i, 2), std::to_string(c.years));
        EXPECT_EQ(Field(i, 3), std::to_string(c.count));
        EXPECT_EQ(Field(i, 4), c.dynasty);
    }

    const struct {
        int start, years;
        const char* era;
    } qing[] = {{1644, 18, "顺治"}, {1662, 61, "康熙"}, {1723, 13, "雍正"}, {1736, 60, "乾隆"},
                {1796, 25, "嘉庆"}, {1821, 30, "道光"}, {1851, 11, "咸丰"}, {1862, 13, "同治"},
                {1875, 34, "光绪"}, {1909, 3, "宣统"}};
    const int first = find(1644, "顺治");
    ASSERT_GE(first, 0);
    for (int k = 0; k < 10; ++k) {
        const int i = first + k;
        EXPECT_EQ(Start(i), qing[k].start);
        EXPECT_EQ(Field(i, 2), std::to_string(qing[k].years));
        EXPECT_EQ(Field(i, 3), "0");
        EXPECT_EQ(Field(i, 4), "清");
        EXPECT_EQ(Field(i, 7), qing[k].era);
        EXPECT_EQ(Field(i, 5).empty(), k == 9) << qing[k].era;
    }

    EXPECT_STREQ(EraTable[kEraTableSize - 2], "1911,37,0,近、现代,中华民国,,民国");
    EXPECT_STREQ(EraTable[kEraTableSize - 1], "1949,9999,1948,当代,中国,,公历");
}

TEST(EraName, Years) {
    const int row = kEraTableSize - 4; // 光绪, before 宣统, 民国 and 公历
    ASSERT_EQ(Field(row, 7), "光绪");
    const std::string guangxu = "[清]" + Field(row, 5) + " " + Field(row, 6) + " 光绪";
    const struct {
        int year;
        std::string text;
    } cases[] = {
        {1875, guangxu + "元年"},
        {1900, guangxu + "26年"},
        {1911, "[近、现代]中华民国  民国元年"},
        {1912, "[近、现代]中华民国  民国2年"},
        {1948, "[近、现代]中华民国  民国38年"},
        {1949, ""},
        {2024, ""},
        {-2070, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(GetEraName(c.year), c.text) << c.year;

    // 1 and 627 open eras; 627 is 贞观 of 唐, the first group that covers it.
    EXPECT_TRUE(GetEraName(1).rfind("[西汉]", 0) == 0) << GetEraName(1);
    EXPECT_TRUE(GetEraName(1).ends_with("元始元年")) << GetEraName(1);
    EXPECT_TRUE(GetEraName(627).rfind("[唐]", 0) == 0) << GetEraName(627);
    EXPECT_TRUE(GetEraName(627).ends_with("贞观元年")) << GetEraName(627);
    EXPECT_TRUE(GetEraName(-2069).ends_with("元年"));
}

TEST(EraName, FirstFittingRowWinsForParallelDynasties) {
    std::set<int> chosen;
    for (int y = -2069; y < 1949; ++y) {
        for (int i = 0; i + 1 < kEraTableSize; ++i) {
            if (Start(i) <= y && y < Start(i + 1)) {
                chosen.insert(i);
                break;
            }
        }
        ASSERT_FALSE(GetEraName(y).empty()) << y;
    }
    EXPECT_EQ(kEraTableSize - static_cast<int>(chosen.size()), 95);
    // 560 lies in 南朝/陈, 北朝/北齐 and 北朝/北周 alike; 陈 comes first.
    EXPECT_TRUE(GetEraName(560).rfind("[南朝/陈]", 0) == 0) << GetEraName(560);
}

} // namespace
} // namespace nodo::calendar
