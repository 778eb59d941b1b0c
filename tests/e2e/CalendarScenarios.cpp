// The calendar window, nodo-calendar, driven through the real X server's input: the days of the memo
// board, its pages, a date picked on the calendar and its note, a close and a new start that show
// everything again, and a second start that brings the running window forward. What is stored is
// read back through nodo-cli from the notes database both programs share.
#include <gtest/gtest.h>

#include "e2e/Session.h"

#include <ctime>
#include <functional>

using namespace e2e;

namespace {

const std::string kTitle = "Nodo日历";

// Where the controls are, from the window's top-left corner, at its design size 946 x 475.
namespace cal {
constexpr Point kPage[5] = {{454, 20}, {480, 20}, {506, 20}, {532, 20}, {558, 20}};
constexpr Rect kMonday{450, 70, 140, 180}, kTuesday{605, 70, 160, 180};
constexpr Rect kNote{20, 350, 390, 100};
// The day cells of the month grid: Sunday is column 1, the week of the 1st is row 1.
constexpr int kCellX0 = 51, kCellY0 = 113, kCellW = 55, kCellH = 35;
Point Cell(int col, int row) {
    return {kCellX0 + kCellW * (col - 1), kCellY0 + kCellH * (row - 1)};
}
} // namespace cal

Point On(const Window& w, Point p) {
    return w.at(p.x, p.y);
}
Point Centre(const Window& w, const Rect& r) {
    return w.at(r.x + r.w / 2, r.y + r.h / 2);
}

// Dark pixels in a box of the window: the text typed into it, as the screen shows it.
int Ink(Session& s, const Window& w, const Rect& r) {
    int n = 0;
    for (const Rgb& c : s.pixels({w.rect.x + r.x, w.rect.y + r.y, r.w, r.h}))
        n += c.r + c.g + c.b < 300;
    return n;
}

// The date of a cell of this month's grid, YYYY-MM-DD, as the calendar lays the month out.
std::string CellDate(int col, int row) {
    const std::time_t now = std::time(nullptr);
    std::tm t = *std::localtime(&now);
    std::tm first = t;
    first.tm_mday = 1;
    std::mktime(&first);
    const int day = (row - 1) * 7 + col - first.tm_wday;
    char out[48];
    std::snprintf(out, sizeof out, "%04d-%02d-%02d", t.tm_year + 1900, t.tm_mon + 1, day);
    return out;
}

std::string Stored(Session& s, const std::vector<std::string>& args) {
    std::vector<std::string> argv = {"nodo-cli", "notes", "show"};
    argv.insert(argv.end(), args.begin(), args.end());
    return s.run(argv).out;
}

void Type(Session& s, const Window& w, const Rect& box, const std::string& text) {
    s.click(Centre(w, box));
    s.key("End");
    s.type(text);
}

void Close(Session& s) {
    s.step("close with Ctrl+Q");
    s.key("Control_L+q");
    s.check(s.waitExit(), "the window closes and the program ends");
}

struct CalendarScenario {
    std::string name;
    bool wm;
    std::function<void(Session&)> run;
};

void TypeSwitchPickCloseAndStartAgain(Session& s) {
    s.start();
    Window w = s.main();
    s.step("type into Tuesday of page B");
    s.click(On(w, cal::kPage[1]));
    Type(s, w, cal::kTuesday, "tuesday b");
    s.step("switch to page A and type into Monday");
    s.click(On(w, cal::kPage[0]));
    s.check(s.waitFor([&] { return Ink(s, w, cal::kTuesday) < 30; }), "page A shows its own, empty Tuesday");
    Type(s, w, cal::kMonday, "monday a");
    s.step("pick a date and type its note");
    s.click(On(w, cal::Cell(4, 3)));
    Type(s, w, cal::kNote, "picked note");
    s.pause(200);
    Close(s);

    s.step("read back from the database");
    s.check(Stored(s, {"--page", "B", "--day", "2"}).find("tuesday b") != std::string::npos,
            "page B's Tuesday is stored");
    s.check(Stored(s, {"--page", "A", "--day", "1"}).find("monday a") != std::string::npos,
            "page A's Monday is stored");
    const std::string date = CellDate(4, 3);
    s.check(Stored(s, {"--date", date}).find("picked note") != std::string::npos,
            "the note is stored under the picked date " + date);
    s.check(s.exists("data/CalendarWindow.ini"), "the window's settings are written");
    s.check(!s.exists("data/FormSize.ini"), "the main window's file is left alone");

    s.step("start again");
    s.start();
    w = s.main();
    s.check(s.waitFor([&] { return Ink(s, w, cal::kMonday) > 40; }), "page A's Monday shows its text again");
    s.click(On(w, cal::kPage[1]));
    s.check(s.waitFor([&] { return Ink(s, w, cal::kTuesday) > 40; }),
            "page B's Tuesday shows its text again");
    s.click(On(w, cal::Cell(4, 3)));
    s.check(s.waitFor([&] { return Ink(s, w, cal::kNote) > 40; }), "the picked date's note shows again");
    Close(s);
}

// The editing menu's last item exports the dated note: the save dialog takes a name typed into it,
// and the text is written with ".txt" appended, a line end after it.
void ExportTheNote(Session& s) {
    s.start();
    const Window w = s.main();
    s.step("type a note");
    Type(s, w, cal::kNote, "export me");
    s.step("export it from the editing menu");
    s.click(Centre(w, cal::kNote), 3);
    s.pause(500);
    s.key("Up"); // the last item, "内容导出"
    s.key("Return");
    s.pause(1500);
    const std::string name = s.scratch() + "/files/note";
    s.key("Control_L+a");
    s.type(name);
    s.key("Return");
    s.check(s.waitFor([&] { return s.read("../files/note.txt") == "export me\r\n"; }),
            "note.txt holds the note: \"" + s.read("../files/note.txt") + "\"");
    Close(s);
}

void SecondStartBringsTheFirstForward(Session& s) {
    s.start();
    const Window w = s.main();
    s.iconify(w.id);
    s.waitFor([&] { return s.wmState(w.id) == 3; }, 3000);
    s.step("start a second time");
    const Ran second = s.run({"nodo-calendar"}, {}, 10000);
    s.check(second.status == 0, "the second start ends with 0 (it ended with " +
                                    std::to_string(second.status) + ", saying " + second.out + ")");
    s.check(s.running(), "the first window runs on");
    s.check(s.windows(kTitle).size() == 1, "there is still one calendar window");
    s.check(s.waitFor([&] { return s.wmState(w.id) == 1; }), "the window is shown again");
    s.check(s.waitFor([&] { return s.activeWindow() == w.id; }), "and it is the active window");
    Close(s);
}

void SecondStartWithoutWindowManager(Session& s) {
    s.start();
    const Window w = s.main();
    s.step("start a second time");
    const Ran second = s.run({"nodo-calendar"}, {}, 10000);
    s.check(second.status == 0, "the second start ends with 0 (it ended with " +
                                    std::to_string(second.status) + ", saying " + second.out + ")");
    s.check(s.running() && s.windows(kTitle).size() == 1, "the first window runs on, alone");
    s.check(s.waitFor([&] { return s.focusWindow() == w.id; }), "the input focus is on the window");
}

const std::vector<CalendarScenario>& Table() {
    static const std::vector<CalendarScenario> table = {
        {"TypeSwitchPickCloseAndStartAgain_Bare", false, TypeSwitchPickCloseAndStartAgain},
        {"TypeSwitchPickCloseAndStartAgain_Openbox", true, TypeSwitchPickCloseAndStartAgain},
        {"SecondStartRaisesTheFirst_Openbox", true, SecondStartBringsTheFirstForward},
        {"ExportTheNote_Openbox", true, ExportTheNote},
        {"SecondStartFocusesTheFirst_Bare", false, SecondStartWithoutWindowManager},
    };
    return table;
}

void PrintTo(const CalendarScenario& c, std::ostream* os) {
    *os << c.name;
}

class CalendarWindowE2E : public ::testing::TestWithParam<CalendarScenario> {};

TEST_P(CalendarWindowE2E, Scenario) {
    const CalendarScenario& c = GetParam();
    Options o;
    o.windowManager = c.wm;
    o.program = "nodo-calendar";
    o.mainTitle = kTitle;
    o.files["data/CalendarWindow.ini"] = "Left=60\r\nTop=40\r\nWidth=946\r\nHeight=475\r\n";
    Session s(c.name, o);
    c.run(s);
}

INSTANTIATE_TEST_SUITE_P(RealInput, CalendarWindowE2E, ::testing::ValuesIn(Table()),
                         [](const ::testing::TestParamInfo<CalendarScenario>& i) { return i.param.name; });

} // namespace
