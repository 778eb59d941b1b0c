#include "calendar/ChnCalendarUse.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <tuple>
#include <utility>
#include <vector>

namespace nodo::calendar {
namespace {

TChnCal Filled(int y, int m, int d) {
    TChnCal c;
    c.SetDate(EncodeDate(y, m, d));
    return c;
}

TEST(DayFacts, NewObjectIsEmpty) {
    const TChnCal c;
    EXPECT_EQ(c.LunarYear, 0);
    EXPECT_EQ(c.LunarMonth, 0);
    EXPECT_EQ(c.DateTime, 0);
    EXPECT_EQ(c.CnDay, "");
    EXPECT_EQ(c.EraName, "");
}

TEST(DayFacts, SpringFestival2024) {
    const TChnCal c = Filled(2024, 2, 10);
    EXPECT_EQ(c.LunarYear, 2024);
    EXPECT_EQ(c.LunarMonth, 1);
    EXPECT_EQ(c.CnYear, "2024");
    EXPECT_EQ(c.CnMonth, "正月");
    EXPECT_EQ(c.CnDay, "初一");
    EXPECT_EQ(c.CnHoliday, "春节");
    EXPECT_EQ(c.GanZhiYear, "甲辰");
    EXPECT_EQ(c.AnimalsYear, "龙");
    EXPECT_EQ(c.GanZhiMonth, "丙寅");
    EXPECT_EQ(c.GanZhiDay, "甲辰");
    EXPECT_EQ(c.Constellation, "宝瓶");
    EXPECT_EQ(c.EraName, "");
    EXPECT_EQ(c.Holiday, "");
    EXPECT_EQ(c.SolarTerm, "");
}

TEST(DayFacts, NewYearsEve2024) {
    const TChnCal c = Filled(2024, 2, 9);
    EXPECT_EQ(c.CnHoliday, "除夕");
    EXPECT_EQ(c.CnMonth, "腊月");
    EXPECT_EQ(c.CnDay, "三十");
    EXPECT_EQ(c.AnimalsYear, "兔");
    EXPECT_EQ(c.CnYear, "2023");
    EXPECT_EQ(c.GanZhiYear, "甲辰"); // 立春 came on 2024-02-04
}

TEST(DayFacts, LeapMonthNameAfterTheOrdinaryMonth) {
    TChnCal c;
    c.SetDate(EncodeDate(2020, 5, 22));
    EXPECT_EQ(c.CnMonth, "四月");
    EXPECT_EQ(c.CnDay, "三十");
    c.SetDate(EncodeDate(2020, 5, 23));
    EXPECT_EQ(c.CnMonth, "闰四");
    EXPECT_EQ(c.CnDay, "初一");
    EXPECT_EQ(c.LunarMonth, -4);
}

TEST(DayFacts, FestivalsAndTerms) {
    const struct {
        int y, m, d;
        const char* holiday;
        const char* cnHoliday;
        const char* term;
    } cases[] = {
        {2024, 5, 12, "母亲节", "", ""}, {2024, 11, 28, "感恩节", "", ""}, {2024, 6, 16, "父亲节", "", ""},
        {2023, 6, 22, "", "端午节", ""}, {2024, 12, 21, "", "", "冬至"},   {2024, 10, 1, "国庆节", "", ""},
        {2024, 9, 17, "", "中秋节", ""}, {2025, 1, 7, "", "腊八节", ""},   {2025, 1, 28, "", "除夕", ""},
        {2024, 2, 24, "", "元宵节", ""}, {2024, 8, 10, "", "七夕节", ""},  {2024, 10, 11, "", "重阳节", ""},
        {2024, 4, 4, "", "", "清明"},    {2023, 1, 21, "", "除夕", ""},    {2024, 12, 25, "圣诞节", "", ""},
    };
    for (const auto& c : cases) {
        const TChnCal f = Filled(c.y, c.m, c.d);
        EXPECT_EQ(f.Holiday, c.holiday) << c.y << "-" << c.m << "-" << c.d;
        EXPECT_EQ(f.CnHoliday, c.cnHoliday) << c.y << "-" << c.m << "-" << c.d;
        EXPECT_EQ(f.SolarTerm, c.term) << c.y << "-" << c.m << "-" << c.d;
    }
}

TEST(DayFacts, EraTextBefore1949) {
    const TChnCal a = Filled(1900, 1, 15);
    EXPECT_EQ(a.EraName.rfind("[清]", 0), 0u);
    EXPECT_TRUE(a.EraName.ends_with("光绪26年")) << a.EraName;
    EXPECT_EQ(Filled(1948, 12, 31).EraName, "[近、现代]中华民国  民国38年");
    EXPECT_EQ(Filled(1949, 10, 1).EraName, "");
}

TEST(DayFacts, OutOfRangeKeepsEverythingButTheDate) {
    TChnCal c = Filled(2024, 2, 10);
    const TChnCal before = c;
    const TDateTime later = EncodeDate(2101, 1, 1);
    c.SetDate(later);
    EXPECT_EQ(c.DateTime, later);
    EXPECT_EQ(c.LunarYear, before.LunarYear);
    EXPECT_EQ(c.CnDay, before.CnDay);
    EXPECT_EQ(c.GanZhiDay, before.GanZhiDay);
    EXPECT_EQ(c.CnHoliday, before.CnHoliday);
}

TEST(DayFacts, GapDayOf1582HasNoLunarDayName) {
    const TChnCal c = Filled(1582, 10, 10);
    EXPECT_EQ(c.CnDay, "");
}

void ExpectSameFacts(const TChnCal& a, const TChnCal& b, TDateTime t) {
    EXPECT_EQ(a.LunarYear, b.LunarYear) << t;
    EXPECT_EQ(a.LunarMonth, b.LunarMonth) << t;
    EXPECT_EQ(a.DateTime, b.DateTime) << t;
    EXPECT_EQ(a.SolarTerm, b.SolarTerm) << t;
    EXPECT_EQ(a.Holiday, b.Holiday) << t;
    EXPECT_EQ(a.CnMonth, b.CnMonth) << t;
    EXPECT_EQ(a.GanZhiDay, b.GanZhiDay) << t;
    EXPECT_EQ(a.GanZhiYear, b.GanZhiYear) << t;
    EXPECT_EQ(a.GanZhiMonth, b.GanZhiMonth) << t;
    EXPECT_EQ(a.CnHoliday, b.CnHoliday) << t;
    EXPECT_EQ(a.CnYear, b.CnYear) << t;
    EXPECT_EQ(a.CnDay, b.CnDay) << t;
    EXPECT_EQ(a.AnimalsYear, b.AnimalsYear) << t;
    EXPECT_EQ(a.Constellation, b.Constellation) << t;
    EXPECT_EQ(a.EraName, b.EraName) << t;
}

TEST(DayFacts, SameFieldsWhateverWasFilledBefore) {
    // One object refilled in a shuffled order against a fresh object per date: the cached lunar
    // year and month texts must never leak from one date into another.
    std::mt19937 rng(20240210);
    std::uniform_int_distribution<int> day(static_cast<int>(EncodeDate(1900, 1, 1)),
                                           static_cast<int>(EncodeDate(2100, 12, 31)));
    std::vector<TDateTime> dates;
    for (int i = 0; i < 300; ++i) {
        const TDateTime t = day(rng);
        dates.push_back(t);
        dates.push_back(t + 1); // a neighbour, same month most of the time
    }
    // Month ends, leap months and year ends, where the cache has to turn over.
    for (auto [y, m, d] : {std::tuple{2020, 5, 22},
                           {2020, 5, 23},
                           {2020, 6, 21},
                           {2024, 2, 9},
                           {2024, 2, 10},
                           {2023, 3, 21},
                           {2023, 3, 22},
                           {2033, 12, 22}})
        dates.push_back(EncodeDate(y, m, d));
    std::shuffle(dates.begin(), dates.end(), rng);

    TChnCal reused;
    for (TDateTime t : dates) {
        reused.SetDate(t);
        TChnCal fresh;
        fresh.SetDate(t);
        ExpectSameFacts(reused, fresh, t);
    }
}

// 0001-01-01 .. 0001-02-11 belong to the lunar year 0: a fresh object and one that held another
// date give the same year texts.
TEST(DayFacts, LunarYearZeroFilledOnANewObject) {
    for (auto [m, d] : {std::pair{1, 1}, {2, 11}}) {
        const TChnCal fresh = Filled(1, m, d);
        TChnCal reused = Filled(2024, 2, 10);
        reused.SetDate(EncodeDate(1, m, d));
        EXPECT_EQ(fresh.LunarYear, 0);
        EXPECT_EQ(fresh.CnYear, "0");
        EXPECT_FALSE(fresh.AnimalsYear.empty());
        EXPECT_FALSE(fresh.CnMonth.empty());
        ExpectSameFacts(fresh, reused, EncodeDate(1, m, d));
    }
    EXPECT_EQ(Filled(1, 2, 12).LunarYear, 1);
}

TEST(SolarHoliday, NthWeekdayRules) {
    // 2024-05-05 is a Sunday too, but only the second Sunday is Mother's Day.
    EXPECT_EQ(GetSolarHoliday(5, EncodeDate(2024, 5, 5)), "");
    EXPECT_EQ(GetSolarHoliday(12, EncodeDate(2024, 5, 12)), "母亲节");
    EXPECT_EQ(GetSolarHoliday(21, EncodeDate(2024, 11, 21)), "");
    EXPECT_EQ(GetSolarHoliday(28, EncodeDate(2024, 11, 28)), "感恩节");
    EXPECT_EQ(GetSolarHoliday(22, EncodeDate(2023, 11, 22)), "");
    EXPECT_EQ(GetSolarHoliday(23, EncodeDate(2023, 11, 23)), "感恩节");
    EXPECT_EQ(GetSolarHoliday(1, EncodeDate(2024, 1, 1)), "元旦节");
    EXPECT_EQ(GetSolarHoliday(8, EncodeDate(2024, 11, 8)), "记者日");
    EXPECT_EQ(GetSolarHoliday(2, EncodeDate(2024, 1, 2)), "");
    // The month comes from the date-time, the day from the argument.
    EXPECT_EQ(GetSolarHoliday(14, EncodeDate(2024, 2, 1)), "情人节");
}

TEST(LunarHoliday, TableAndNewYearsEve) {
    const TDateTime any = EncodeDate(2024, 6, 1);
    EXPECT_EQ(GetLunarHoliday(1, 1, any), "春节");
    EXPECT_EQ(GetLunarHoliday(5, 5, any), "端午节");
    EXPECT_EQ(GetLunarHoliday(12, 8, any), "腊八节");
    EXPECT_EQ(GetLunarHoliday(12, 29, any), ""); // 2024-06-02 is no new year
    EXPECT_EQ(GetLunarHoliday(2, 2, any), "");
    EXPECT_EQ(GetLunarHoliday(12, 29, EncodeDate(2025, 1, 28)), "除夕"); // a 29-day 腊月
    EXPECT_EQ(GetLunarHoliday(12, 15, EncodeDate(2025, 1, 28)), "");     // excluded days
}

TEST(DelimitedField, FieldsTrimmedAndCounted) {
    const std::string row = "1911,37,0,近、现代,中华民国,,民国";
    const struct {
        int n;
        const char* field;
    } cases[] = {{1, "1911"}, {2, "37"}, {4, "近、现代"}, {6, ""}, {7, "民国"}, {8, ""}, {0, ""}, {-1, ""}};
    for (const auto& c : cases)
        EXPECT_EQ(GetDelimitedField(row, ',', c.n), c.field) << c.n;
    EXPECT_EQ(GetDelimitedField("  a \t;\r\nb\x01 ", ';', 1), "a");
    EXPECT_EQ(GetDelimitedField("  a \t;\r\nb\x01 ", ';', 2), "b");
    EXPECT_EQ(GetDelimitedField("", ';', 1), "");
    EXPECT_EQ(GetDelimitedField("x;", ';', 2), "");
}

TEST(CnMonthName, OrdinaryAndLeapForms) {
    EXPECT_EQ(GetCnMonthName(1, false), "正月");
    EXPECT_EQ(GetCnMonthName(10, false), "十月");
    EXPECT_EQ(GetCnMonthName(11, false), "冬月");
    EXPECT_EQ(GetCnMonthName(12, false), "腊月");
    EXPECT_EQ(GetCnMonthName(4, true), "闰四");
    EXPECT_EQ(GetCnMonthName(0, false), "");
    EXPECT_EQ(GetCnMonthName(13, true), "");
}

TEST(DayCellText, LaterRulesOverrideEarlierOnes) {
    TChnCal f;
    f.CnMonth = "闰四";
    f.CnDay = "初一";
    EXPECT_EQ(DayCellText(f).text, "闰四");
    EXPECT_EQ(DayCellText(f).kind, DayCellTextKind::LunarMonthStart);
    f.CnDay = "十二";
    EXPECT_EQ(DayCellText(f).text, "十二");
    EXPECT_EQ(DayCellText(f).kind, DayCellTextKind::LunarDay);
    f.Holiday = "劳动节";
    EXPECT_EQ(DayCellText(f).kind, DayCellTextKind::Holiday);
    f.SolarTerm = "立夏";
    EXPECT_EQ(DayCellText(f).text, "立夏"); // a Gregorian festival yields to a solar term
    EXPECT_EQ(DayCellText(f).kind, DayCellTextKind::SolarTerm);
    f.CnHoliday = "端午节";
    EXPECT_EQ(DayCellText(f).text, "端午节");
    EXPECT_EQ(DayCellText(f).kind, DayCellTextKind::LunarHoliday);
}

TEST(DayCellText, FirstOfLunarMonthShowsTheMonthName) {
    EXPECT_EQ(DayCellText(Filled(2020, 5, 23)).text, "闰四");
    EXPECT_EQ(DayCellText(Filled(2024, 3, 10)).text, "二月");
    EXPECT_EQ(DayCellText(Filled(2024, 3, 11)).text, "初二");
    EXPECT_EQ(DayCellText(Filled(2024, 2, 10)).text, "春节");
}

} // namespace
} // namespace nodo::calendar
