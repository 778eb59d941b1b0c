// Runs the built nodo-cli: the lunar and solar commands as a user or a script sees them.
#include "support/RunShell.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Result = nodo::testing::ShellRun;

// The application folder from the environment, else the program this test was built with.
std::string CliPath() {
    if (const char* dir = std::getenv("NODO_APP_DIR")) return std::string(dir) + "/nodo-cli";
    return NODO_CLI_PATH;
}

Result RunCli(const std::string& args) {
    return nodo::testing::RunShell("'" + CliPath() + "' " + args + " 2>&1");
}

std::vector<std::string> Split(const std::string& s, char sep) {
    std::vector<std::string> parts;
    std::string cur;
    for (char c : s) {
        if (c == sep) {
            parts.push_back(cur);
            cur.clear();
        } else {
            cur += c;
        }
    }
    parts.push_back(cur);
    return parts;
}

TEST(LunarCli, OneDateGivesEveryField) {
    const Result r = RunCli("lunar 2020-05-23");
    ASSERT_EQ(r.status, 0) << r.out;
    for (const char* line :
         {"LunarYear: 2020\n", "LunarMonth: -4\n", "CnMonth: 闰四\n", "CnDay: 初一\n", "GanZhiYear: 庚子\n",
          "AnimalsYear: 鼠\n", "Constellation: 双子\n", "lunar year: 2020\n", "lunar month: 4\n", "leap: 1\n",
          "lunar day: 1\n", "EraName: \n", "CnHoliday: \n"})
        EXPECT_NE(r.out.find(line), std::string::npos) << line << "\n" << r.out;
}

TEST(LunarCli, TodayByDefault) {
    const Result r = RunCli("lunar");
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("CnDay: "), std::string::npos);
}

TEST(LunarCli, RangeLinesHaveSixteenFields) {
    const Result r = RunCli("lunar --range 2025-04-27 2025-04-28");
    ASSERT_EQ(r.status, 0) << r.out;
    const auto lines = Split(r.out, '\n');
    ASSERT_EQ(lines.size(), 3u) << r.out; // two lines and the empty rest after the last newline
    const auto a = Split(lines[0], '\t');
    const auto b = Split(lines[1], '\t');
    ASSERT_EQ(a.size(), 16u);
    ASSERT_EQ(b.size(), 16u);
    EXPECT_EQ(a[0], "2025-04-27");
    EXPECT_EQ(a[2], "3");
    EXPECT_EQ(a[4], "30");
    EXPECT_EQ(a[6], "三十");
    EXPECT_EQ(b[2], "4");
    EXPECT_EQ(b[3], "0");
    EXPECT_EQ(b[4], "1");
    EXPECT_EQ(b[5], "四月");
}

TEST(LunarCli, WholeRangeOfTheTableRunsToTheEnd) {
    const Result r = RunCli("lunar --range 1900-01-01 2100-12-31");
    ASSERT_EQ(r.status, 0);
    std::istringstream in(r.out);
    std::string line, last;
    int count = 0;
    while (std::getline(in, line)) {
        ++count;
        ASSERT_EQ(Split(line, '\t').size(), 16u) << line;
        last = line;
    }
    EXPECT_EQ(count, 73414);
    EXPECT_EQ(last.rfind("2100-12-31\t2100\t", 0), 0u) << last;
}

// The months the new-moon formula starts a day late, as a range listing shows them: lunar year,
// month and day in fields 2, 3 and 5, the lunar festival in field 15.
TEST(LunarCli, RangeShowsTheMendedMonths) {
    const struct {
        const char *from, *to;
        std::vector<std::string> days; // "year/month/day" per line
        std::string festivalDate, festival;
    } cases[] = {
        {"1914-11-16", "1914-11-17", {"1914/9/29", "1914/10/1"}, "", ""},
        {"1914-12-16", "1914-12-17", {"1914/10/30", "1914/11/1"}, "", ""},
        {"1916-02-02", "1916-02-04", {"1915/12/29", "1916/1/1", "1916/1/2"}, "1916-02-03", "春节"},
        {"1916-03-03", "1916-03-04", {"1916/1/30", "1916/2/1"}, "", ""},
        {"1920-11-09", "1920-11-10", {"1920/9/29", "1920/10/1"}, "", ""},
        {"1920-12-09", "1920-12-10", {"1920/10/30", "1920/11/1"}, "", ""},
    };
    for (const auto& c : cases) {
        const Result r = RunCli(std::string("lunar --range ") + c.from + " " + c.to);
        ASSERT_EQ(r.status, 0) << r.out;
        const auto lines = Split(r.out, '\n');
        ASSERT_EQ(lines.size(), c.days.size() + 1) << r.out; // the last line ends with a newline
        for (size_t i = 0; i < c.days.size(); ++i) {
            const auto f = Split(lines[i], '\t');
            ASSERT_GE(f.size(), 15u) << lines[i];
            EXPECT_EQ(f[1] + "/" + f[2] + "/" + f[4], c.days[i]) << lines[i];
            if (f[0] == c.festivalDate) {
                EXPECT_EQ(f[14], c.festival) << lines[i];
            }
        }
    }
}

TEST(LunarCli, MonthGridShowsTheCellTexts) {
    const Result r = RunCli("lunar --month 2024-02");
    ASSERT_EQ(r.status, 0) << r.out;
    for (const char* text :
         {"2024年2月", "甲辰龙年", "立春", "除夕", "春节", "情人节", "元宵节", "初二", "29"})
        EXPECT_NE(r.out.find(text), std::string::npos) << text << "\n" << r.out;
    EXPECT_EQ(r.out.find("\x1b["), std::string::npos); // no colour codes into a pipe
    // February 2024 starts on a Thursday: the 1 sits in the fifth of the 8-column cells.
    const auto lines = Split(r.out, '\n');
    ASSERT_GT(lines.size(), 3u);
    EXPECT_EQ(lines[2].find_first_not_of(' ') / 8, 4u) << r.out;
    EXPECT_EQ(lines[2][lines[2].find_first_not_of(' ')], '1') << r.out;
}

TEST(LunarCli, MonthBefore1949EndsWithTheEra) {
    const Result r = RunCli("lunar --month 1911-10");
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("[近、现代]中华民国  民国元年"), std::string::npos) << r.out;
}

TEST(LunarCli, BadInputAndOutOfRangeDates) {
    const struct {
        const char* args;
        int status;
        const char* message;
    } cases[] = {
        {"lunar 2101-01-01", 1, "outside the calendar's range"},
        {"lunar 2023-02-30", 1, "is not a date"},
        {"lunar 20230101", 1, "is not a date"},
        {"lunar --range 2024-01-02 2024-01-01", 1, "ends before it starts"},
        {"lunar --range 2024-01-01 2101-01-01", 1, "outside the calendar's range"},
        {"lunar --range 2024-01-01", 2, "usage"},
        {"lunar --month 2101-01", 1, "outside the calendar's range"},
        {"lunar --month 2024-13", 1, "is not a month"},
        {"lunar --bogus", 2, "usage"},
        {"solar 2021 4 1 --leap", 1, "not found"},
        {"solar 2025 4 30", 1, "not found"},
        {"solar 2101 1 1", 1, "outside the calendar's range"},
        {"solar 2024 13 1", 2, "usage"},
        {"solar 2024 x 1", 2, "usage"},
        {"solar 2024 1", 2, "usage"},
    };
    for (const auto& c : cases) {
        const Result r = RunCli(c.args);
        EXPECT_EQ(r.status, c.status) << c.args << "\n" << r.out;
        EXPECT_NE(r.out.find(c.message), std::string::npos) << c.args << "\n" << r.out;
    }
}

TEST(SolarCli, FindsCivilDates) {
    const struct {
        const char* args;
        const char* out;
    } cases[] = {{"solar 2020 4 1 --leap", "2020-05-23\n"},
                 {"solar 2024 1 1", "2024-02-10\n"},
                 {"solar 2023 11 29", "2024-01-10\n"},
                 {"solar 2025 4 29", "2025-05-26\n"}};
    for (const auto& c : cases) {
        const Result r = RunCli(c.args);
        EXPECT_EQ(r.status, 0) << c.args;
        EXPECT_EQ(r.out, c.out) << c.args;
    }
    const Result julian = RunCli("solar 1000 1 1");
    EXPECT_EQ(julian.status, 0);
    EXPECT_NE(julian.out.find("(Julian calendar)"), std::string::npos) << julian.out;
}

} // namespace
