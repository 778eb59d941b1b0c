// The calendar control alone in a window on a private X server, driven through XTest as a person
// would: days clicked and dragged across, the spin buttons, both menus, the arrow keys and "今天".
// The test window writes the selected date and the event counts to a file after every event.
#include "e2e/Session.h"

#include <gtest/gtest.h>

#include <ctime>
#include <sstream>
#include <string>

using namespace e2e;

namespace {

// From the window's top-left corner: the control sits at (2, 2), its grid at (8, 40) in it, with a
// weekday row of 18 and a week-number column of 6 pixels, day cells 55 x 27.
Point Day(int col, int row) {
    return {2 + 8 + 6 + 55 * (col - 1) + 27, 2 + 40 + 18 + 27 * (row - 1) + 13};
}
constexpr Point kMonthUp{2 + 68, 2 + 15}, kMonthDown{2 + 68, 2 + 28};
constexpr Point kYearUp{2 + 228, 2 + 15}, kYearDown{2 + 228, 2 + 28};
constexpr Point kMonthLabel{2 + 36, 2 + 20}, kMonthChar{2 + 50, 2 + 26}, kYearLabel{2 + 132, 2 + 20};
constexpr Point kToday{2 + 284, 2 + 24};

struct Seen {
    std::string date;
    int clicks = -1, selects = -1, changes = -1;
};

class CalendarInput : public ::testing::Test {
protected:
    CalendarInput() : s(::testing::UnitTest::GetInstance()->current_test_info()->name(), options()) {}
    static Options options() {
        Options o;
        o.program = NODO_CALENDAR_WINDOW;
        o.mainTitle = "农历日历";
        o.screenWidth = 800;
        o.screenHeight = 600;
        return o;
    }
    void SetUp() override {
        s.start();
        w = s.main();
    }
    Seen seen() {
        Seen out;
        std::istringstream in(readFile());
        in >> out.date >> out.clicks >> out.selects >> out.changes;
        return out;
    }
    std::string readFile() {
        const std::string rel = s.scratch() + "/calendar.txt";
        FILE* f = std::fopen(rel.c_str(), "rb");
        if (!f) return {};
        std::string bytes;
        char buf[256];
        for (size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;)
            bytes.append(buf, n);
        std::fclose(f);
        return bytes;
    }
    // Waits until the window reports `date`; true when it did.
    bool waitDate(const std::string& date) {
        return s.waitFor([&] { return seen().date == date; }, 5000);
    }
    Point on(Point p) const { return w.at(p.x, p.y); }

    Session s;
    Window w;
};

TEST_F(CalendarInput, DaysSpinsMenusKeysAndToday) {
    s.step("the start");
    ASSERT_TRUE(waitDate("2024-02-10")) << readFile();

    s.step("a click on the 13th (Tuesday, row 3)");
    s.click(on(Day(3, 3)));
    ASSERT_TRUE(s.check(waitDate("2024-02-13"), "the 13th selected")) << readFile();
    EXPECT_EQ(seen().clicks, 0); // the first press in the grid is reported only after the cell

    s.step("the same day again");
    s.click(on(Day(3, 3)));
    EXPECT_TRUE(s.waitFor([&] { return seen().selects == 1; }, 3000)) << readFile();
    const int changes = seen().changes;

    s.step("another day, after a press in the grid");
    s.click(on(Day(5, 4)));
    ASSERT_TRUE(waitDate("2024-02-22")) << readFile();
    EXPECT_EQ(seen().clicks, 1);
    EXPECT_EQ(seen().selects, 1);
    EXPECT_EQ(seen().changes, changes + 1);

    s.step("a drag from the 22nd to the 24th");
    s.drag(on(Day(5, 4)), on(Day(7, 4)));
    ASSERT_TRUE(waitDate("2024-02-24")) << readFile();

    s.step("an empty cell and the weekday header change nothing");
    s.click(on(Day(6, 5)));
    s.click(on({Day(2, 1).x, 2 + 40 + 6}));
    s.pause(300);
    EXPECT_EQ(seen().date, "2024-02-24");

    s.step("arrow keys");
    s.key("Left");
    ASSERT_TRUE(waitDate("2024-02-23")) << readFile();
    s.key("Up");
    ASSERT_TRUE(waitDate("2024-02-16")) << readFile();
    s.key("Down");
    ASSERT_TRUE(waitDate("2024-02-23")) << readFile();
    s.key("Down"); // row 5 of this column is empty: refused
    s.pause(300);
    EXPECT_EQ(seen().date, "2024-02-23");

    s.step("the month spin");
    s.click(on(kMonthUp));
    ASSERT_TRUE(waitDate("2024-03-23")) << readFile();
    s.click(on(kMonthDown));
    s.click(on(kMonthDown));
    ASSERT_TRUE(waitDate("2024-01-23")) << readFile();

    s.step("the year spin");
    s.click(on(kYearUp));
    ASSERT_TRUE(waitDate("2025-01-23")) << readFile();
    s.click(on(kYearDown));
    ASSERT_TRUE(waitDate("2024-01-23")) << readFile();

    s.step("the month menu: 七月");
    s.click(on(kMonthLabel));
    s.pause(400);
    for (int i = 0; i < 8; ++i)
        s.key("Down"); // 今日, then 一月 .. 七月 past the separator
    s.key("Return");
    ASSERT_TRUE(s.check(waitDate("2024-07-23"), "七月 chosen")) << readFile();

    s.step("the month menu by a right click on 月: 十二月");
    s.click(on(kMonthChar), 3);
    s.pause(400);
    for (int i = 0; i < 13; ++i)
        s.key("Down");
    s.key("Return");
    ASSERT_TRUE(s.check(waitDate("2024-12-23"), "十二月 chosen")) << readFile();

    s.step("the year menu: 历史日期 ▸ 0 ▸ 10");
    s.click(on(kYearLabel));
    s.pause(400);
    s.key("Down"); // 今日
    s.key("Down"); // 历史日期
    s.key("Right");
    s.pause(300);
    s.key("Right");
    s.pause(300);
    s.key("Return");
    ASSERT_TRUE(s.check(waitDate("0010-12-23"), "the year 10 chosen")) << readFile();

    s.step("the year menu: 1900 ▸ 1905");
    s.click(on(kYearLabel));
    s.pause(400);
    s.key("Down");
    s.key("Down");
    s.key("Down"); // 1900, past the second separator
    s.key("Right");
    s.pause(300);
    for (int i = 0; i < 5; ++i)
        s.key("Down");
    s.key("Return");
    ASSERT_TRUE(s.check(waitDate("1905-12-23"), "1905 chosen")) << readFile();

    s.step("今天");
    s.click(on(kToday));
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char today[16];
    std::strftime(today, sizeof today, "%Y-%m-%d", &local);
    ASSERT_TRUE(s.check(waitDate(today), "today chosen")) << readFile();
}

} // namespace
