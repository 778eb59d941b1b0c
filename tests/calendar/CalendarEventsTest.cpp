#include "calendar/CalendarEvents.h"
#include "calendar/ChnCalendarCore.h"
#include "calendar/ChnCalendarUse.h"
#include "calendar/ICalendarWriter.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

namespace nodo::calendar {
namespace {

using Key = std::tuple<std::string, EventKind, std::string>; // date, kind, summary

std::string Iso(const CivilDate& d) {
    return FormatIsoDate(d.year, d.month, d.day);
}

// The events must outlive what is found in them: a temporary list does not compile.
std::vector<const CalendarEvent*> Named(std::vector<CalendarEvent>&& events,
                                        const std::string& name) = delete;
std::vector<const CalendarEvent*> Named(const std::vector<CalendarEvent>& events, const std::string& name) {
    std::vector<const CalendarEvent*> found;
    for (const auto& e : events)
        if (e.summary == name) found.push_back(&e);
    return found;
}

TEST(CalendarEvents, FestivalsAndTermsOnTheirDays) {
    struct Case {
        int year;
        const char* name;
        const char* date;
        EventKind kind;
    };
    const Case cases[] = {
        {2026, "春节", "2026-02-17", EventKind::LunarFestival},
        {2027, "春节", "2027-02-06", EventKind::LunarFestival},
        {2026, "除夕", "2026-02-16", EventKind::LunarFestival},
        {2027, "除夕", "2027-02-05", EventKind::LunarFestival},
        {2026, "中秋节", "2026-09-25", EventKind::LunarFestival},
        {2026, "清明", "2026-04-05", EventKind::SolarTerm},
        {2027, "清明", "2027-04-05", EventKind::SolarTerm},
        {2024, "冬至", "2024-12-21", EventKind::SolarTerm},
        {2024, "母亲节", "2024-05-12", EventKind::GregorianFestival},
        {2024, "感恩节", "2024-11-28", EventKind::GregorianFestival},
        {2026, "国庆节", "2026-10-01", EventKind::GregorianFestival},
    };
    for (const Case& c : cases) {
        const auto events = YearEvents(c.year, false);
        const auto found = Named(events, c.name);
        ASSERT_EQ(found.size(), 1u) << c.name << " " << c.year;
        EXPECT_EQ(Iso(found[0]->date), c.date) << c.name;
        EXPECT_EQ(found[0]->kind, c.kind) << c.name;
        EXPECT_EQ(found[0]->category, EventCategory(c.kind));
    }
}

TEST(CalendarEvents, DescriptionGivesTheLunarDate) {
    const auto events = YearEvents(2026, false);
    const auto spring = Named(events, "春节");
    ASSERT_EQ(spring.size(), 1u);
    EXPECT_EQ(spring[0]->description, "农历丙午马年正月初一");
    const auto eve = Named(events, "除夕");
    ASSERT_EQ(eve.size(), 1u);
    EXPECT_EQ(eve[0]->description, "农历乙巳蛇年腊月廿九");
}

// A leap month repeats its month's number, not its festival: 2028 has a leap fifth month, and
// 端午节 once, on the fifth day of the ordinary fifth month.
TEST(CalendarEvents, LeapMonthDoesNotRepeatAFestival) {
    ASSERT_EQ(GetLeapMonth(2028), 5);
    const auto events = YearEvents(2028, false);
    const auto found = Named(events, "端午节");
    ASSERT_EQ(found.size(), 1u);
    int ly = 0, lm = 0, ld = 0;
    bool leap = true;
    ASSERT_TRUE(
        GetLunarDate(found[0]->date.year, found[0]->date.month, found[0]->date.day, ly, lm, ld, leap));
    EXPECT_EQ(std::make_tuple(lm, ld, leap), std::make_tuple(5, 5, false));
}

TEST(CalendarEvents, EveryYearHasEachTermAndGregorianFestivalOnce) {
    for (int year : {kFirstEventYear, 1900, 1949, 2026, 2033, kLastEventYear}) {
        std::map<std::string, int> terms, holidays, lunar;
        for (const auto& e : YearEvents(year, false)) {
            if (e.kind == EventKind::SolarTerm) ++terms[e.summary];
            if (e.kind == EventKind::GregorianFestival) ++holidays[e.summary];
            if (e.kind == EventKind::LunarFestival) ++lunar[e.summary];
        }
        EXPECT_EQ(terms.size(), 24u) << year;
        for (const auto& [name, n] : terms)
            EXPECT_EQ(n, 1) << name << " " << year;
        EXPECT_EQ(holidays.size(), 18u) << year;
        for (const auto& [name, n] : holidays)
            EXPECT_EQ(n, 1) << name << " " << year;
        EXPECT_EQ(lunar["春节"], 1) << year;
        EXPECT_EQ(lunar["中秋节"], 1) << year;
    }
}

// Every day of a span against the engine's own answers, asked afresh for each date: the lunar
// festival (not on a leap month's day, except 除夕), the solar term, the Gregorian festival and
// the lunar date.
TEST(CalendarEvents, EveryEventOfASpanMatchesTheEngine) {
    std::set<Key> expected, exported;
    for (int year = 2019; year <= 2034; ++year) {
        for (const auto& e : YearEvents(year, true)) {
            const bool fresh = exported.insert({Iso(e.date), e.kind, e.summary}).second;
            EXPECT_TRUE(fresh) << Iso(e.date) << " " << e.summary;
        }
        for (int m = 1; m <= 12; ++m)
            for (int d = 1; d <= GregorianDaysInMonth(year, m); ++d) {
                const TDateTime t = EncodeDate(year, m, d);
                const std::string date = FormatIsoDate(year, m, d);
                int ly = 0, lm = 0, ld = 0;
                bool leap = false;
                ASSERT_TRUE(GetLunarDate(year, m, d, ly, lm, ld, leap));
                const std::string festival = GetLunarHoliday(lm, ld, t);
                if (!festival.empty() && (!leap || festival == "除夕"))
                    expected.insert({date, EventKind::LunarFestival, festival});
                if (const std::string term = GetSolarTermOfDate(t); !term.empty())
                    expected.insert({date, EventKind::SolarTerm, term});
                if (const std::string holiday = GetSolarHoliday(d, t); !holiday.empty())
                    expected.insert({date, EventKind::GregorianFestival, holiday});
                expected.insert({date, EventKind::LunarDay, GetCnMonthName(lm, leap) + GetCnDayName(ld)});
            }
    }
    EXPECT_EQ(exported, expected);
}

TEST(CalendarEvents, UidsAreUniqueAndStable) {
    std::set<std::string> uids;
    for (int year = kFirstEventYear; year <= kLastEventYear; ++year)
        for (const auto& e : YearEvents(year, false)) {
            EXPECT_TRUE(uids.insert(e.uid).second) << e.uid;
            for (const char c : e.uid)
                ASSERT_TRUE(c > 32 && c < 127) << e.uid;
        }
    const auto a = YearEvents(2026, true), b = YearEvents(2026, true);
    ASSERT_EQ(a.size(), b.size());
    for (std::size_t i = 0; i < a.size(); ++i)
        EXPECT_EQ(a[i].uid, b[i].uid);
    // Lunar-day identifiers follow the date; a year's lunar days never take a festival's.
    std::set<std::string> days;
    for (const auto& e : a)
        if (e.kind == EventKind::LunarDay) {
            EXPECT_TRUE(days.insert(e.uid).second);
        }
    EXPECT_EQ(days.size(), 365u);
}

TEST(CalendarEvents, YearsOutsideTheTablesAreRefused) {
    for (int year : {kFirstEventYear - 1, 1, kLastEventYear + 1, -5})
        EXPECT_THROW(YearEvents(year, false), std::out_of_range) << year;
}

// ---- The writer ---------------------------------------------------------------------------

// Physical lines of a text, each without its CR LF; false when a line end is not CR LF.
bool SplitCrLf(const std::string& text, std::vector<std::string>& lines) {
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t lf = text.find('\n', at);
        if (lf == std::string::npos || lf == at || text[lf - 1] != '\r') return false;
        lines.push_back(text.substr(at, lf - 1 - at));
        at = lf + 1;
    }
    return true;
}

bool ValidUtf8(const std::string& s) {
    for (std::size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        const std::size_t n = c < 0x80 ? 1 : c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 0;
        if (n == 0 || i + n > s.size()) return false;
        for (std::size_t k = 1; k < n; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
        i += n;
    }
    return true;
}

TEST(ICalendarWriter, FoldsAtSeventyFiveOctetsBetweenCharacters) {
    const std::string ascii75(75, 'a'), ascii76(76, 'b');
    std::string cjk = "SUMMARY:";
    for (int i = 0; i < 60; ++i)
        cjk += "节";
    const std::string mixed =
        "DESCRIPTION:" + std::string(62, 'x') + "农历丙午马年正月初一" + std::string(70, 'y');
    struct Case {
        std::string line;
        std::size_t physicalLines;
    };
    const Case cases[] = {
        {"", 1},
        {"BEGIN:VEVENT", 1},
        {ascii75, 1},
        {ascii76, 2},
        {std::string(75 + 74, 'c'), 2},
        {std::string(75 + 75, 'd'), 3},
        {cjk, 3},
        {mixed, 3},
    };
    for (const Case& c : cases) {
        const std::string folded = FoldLine(c.line);
        std::vector<std::string> lines;
        ASSERT_TRUE(SplitCrLf(folded, lines)) << c.line;
        EXPECT_EQ(lines.size(), c.physicalLines) << c.line;
        std::string unfolded;
        for (std::size_t i = 0; i < lines.size(); ++i) {
            EXPECT_LE(lines[i].size(), 75u) << c.line;
            EXPECT_TRUE(ValidUtf8(lines[i])) << "line " << i << " of " << c.line;
            if (i > 0) {
                ASSERT_FALSE(lines[i].empty());
                EXPECT_EQ(lines[i][0], ' ');
                unfolded += lines[i].substr(1);
            } else {
                unfolded += lines[i];
            }
        }
        EXPECT_EQ(unfolded, c.line);
    }
}

TEST(ICalendarWriter, EscapesText) {
    const std::pair<const char*, const char*> cases[] = {
        {"春节", "春节"},       {"a,b", "a\\,b"},          {"a;b", "a\\;b"},
        {"a\\b", "a\\\\b"},     {"one\ntwo", "one\\ntwo"}, {"one\r\ntwo", "one\\ntwo"},
        {"\\,;", "\\\\\\,\\;"},
    };
    for (const auto& [in, out] : cases)
        EXPECT_EQ(EscapeText(in), out) << in;
}

TEST(ICalendarWriter, StampsInUtc) {
    const std::pair<long long, const char*> cases[] = {
        {0, "19700101T000000Z"},
        {951782400, "20000229T000000Z"},
        {1796905322, "20261210T122202Z"},
        {4102444799, "20991231T235959Z"},
    };
    for (const auto& [seconds, text] : cases)
        EXPECT_EQ(UtcStamp(seconds), text) << seconds;
}

TEST(ICalendarWriter, EventIsOneDayLong) {
    struct Case {
        CivilDate day;
        const char* start;
        const char* end;
    };
    const Case cases[] = {
        {{2026, 2, 17}, "20260217", "20260218"},
        {{2026, 12, 31}, "20261231", "20270101"},
        {{2028, 2, 28}, "20280228", "20280229"},
        {{2027, 2, 28}, "20270228", "20270301"},
    };
    for (const Case& c : cases) {
        CalendarEvent e;
        e.date = c.day;
        e.summary = "春节,元宵";
        e.uid = "nodo-x@nodo.lunar";
        const std::string text = EventText(e, "20261210T000000Z");
        EXPECT_NE(text.find(std::string("\r\nDTSTART;VALUE=DATE:") + c.start + "\r\n"), std::string::npos)
            << text;
        EXPECT_NE(text.find(std::string("\r\nDTEND;VALUE=DATE:") + c.end + "\r\n"), std::string::npos)
            << text;
        EXPECT_NE(text.find("\r\nSUMMARY:春节\\,元宵\r\n"), std::string::npos) << text;
        EXPECT_NE(text.find("\r\nDTSTAMP:20261210T000000Z\r\n"), std::string::npos) << text;
        EXPECT_EQ(text.rfind("BEGIN:VEVENT\r\n", 0), 0u);
        EXPECT_TRUE(text.ends_with("END:VEVENT\r\n"));
    }
}

} // namespace
} // namespace nodo::calendar
