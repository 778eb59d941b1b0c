// The month the calendar shows, computed without a widget: where the days fall, the week numbers of
// the rows, the selected day's cell and texts, and the colour each text takes.
#include "calendar_view/MonthModel.h"

#include "SelectedDayCases.h"
#include "calendar/ChnCalendarUse.h"
#include "calendar/DateTime.h"

#include <gtest/gtest.h>

#include <array>
#include <stdexcept>
#include <string>

using namespace nodo;
using calendar::EncodeDate;

namespace {

MonthModel Month(int y, int m, int d, const MonthColours& colours = {}) {
    calendar::TChnCal facts;
    return ComputeMonth(facts, EncodeDate(y, m, d), colours);
}

std::string Where(int y, int m, int d) {
    return std::to_string(y) + "-" + std::to_string(m) + "-" + std::to_string(d);
}

TEST(MonthModel, DaysWeeksAndTheSelectedCell) {
    const struct {
        int y, m, d;
        int first, last;                  // cell indexes of the 1st and the last day
        std::array<const char*, 6> weeks; // the labels of rows 1..6
        int col, row;                     // the selected day's grid cell
    } cases[] = {
        // From a Sunday: that Sunday's ISO week (the last of 2022) goes to row 1, the rest follow.
        {2023, 1, 1, 1, 31, {"52", "1", "2", "3", "4", "5"}, 1, 1},
        // From a Saturday: the 31st takes the largest index a day can have.
        {2022, 1, 31, 7, 37, {"52", "1", "2", "3", "4", "5"}, 2, 6},
        // A leap February from a Thursday: five rows, the sixth without a label.
        {2024, 2, 10, 5, 33, {"5", "6", "7", "8", "9", ""}, 7, 2},
        {2015, 2, 28, 1, 28, {"5", "6", "7", "8", "9", ""}, 7, 4},
        // A common February of a century year that is not a leap year.
        {2100, 2, 1, 2, 29, {"5", "6", "7", "8", "", ""}, 2, 1},
        {1, 1, 1, 2, 32, {"1", "2", "3", "4", "5", ""}, 2, 1},
    };
    for (const auto& c : cases) {
        const MonthModel m = Month(c.y, c.m, c.d);
        const std::string at = Where(c.y, c.m, c.d);
        EXPECT_EQ(m.year, c.y) << at;
        EXPECT_EQ(m.month, c.m) << at;
        EXPECT_EQ(m.day, c.d) << at;
        for (int i = 1; i <= MonthModel::kLastDayCell + 2; ++i) {
            const MonthCell& cell = m.cells[i];
            const bool inMonth = i >= c.first && i <= c.last;
            ASSERT_EQ(cell.present, inMonth) << at << " cell " << i;
            if (!inMonth) {
                EXPECT_TRUE(cell.solarText.empty()) << at << " cell " << i;
                EXPECT_TRUE(cell.lunarText.empty()) << at << " cell " << i;
                continue;
            }
            EXPECT_EQ(cell.day, i - c.first + 1) << at << " cell " << i;
            EXPECT_EQ(cell.solarText, std::to_string(cell.day)) << at << " cell " << i;
            EXPECT_FALSE(cell.lunarText.empty()) << at << " cell " << i;
        }
        for (int row = 1; row <= 6; ++row)
            EXPECT_EQ(m.weekLabels[row], c.weeks[row - 1]) << at << " row " << row;
        EXPECT_EQ(m.currentCol, c.col) << at;
        EXPECT_EQ(m.currentRow, c.row) << at;
        int col = 0, row = 0;
        MonthCellPosition(c.first + c.d - 1, col, row);
        EXPECT_EQ(col, c.col) << at;
        EXPECT_EQ(row, c.row) << at;
        for (int i = MonthModel::kStarSignCell; i <= MonthModel::kAnimalCell; ++i)
            EXPECT_TRUE(m.cells[i].present) << at << " cell " << i;
    }
}

TEST(MonthModel, TextsOfTheSelectedDay) {
    for (const auto& c : nodo::test::kSelectedDays) {
        const MonthModel m = Month(c.y, c.m, c.d);
        EXPECT_EQ(m.cnMonth, c.cnMonth) << c.info;
        EXPECT_EQ(m.cnDay, c.cnDay) << c.info;
        EXPECT_EQ(m.cnDate, std::string(c.cnMonth) + c.cnDay) << c.info;
        EXPECT_EQ(m.info, c.info);
        EXPECT_EQ(m.cells[MonthModel::kStarSignCell].solarText, c.starSign) << c.info;
        EXPECT_EQ(m.cells[MonthModel::kGanZhiCell].solarText, c.ganZhi) << c.info;
        EXPECT_EQ(m.cells[MonthModel::kAnimalCell].solarText, c.animal) << c.info;
    }
}

TEST(MonthModel, EachTextTakesTheColourOfTheRuleThatChoseIt) {
    MonthColours colours;
    colours.date = 0x010101;
    colours.cnDate = 0x020202;
    colours.holiday = 0x030303;
    colours.lunarHolDay = 0x040404;
    colours.cnHolDay = 0x050505;
    const struct {
        int y, m, d;
        const char* text;
        TColor colour;
    } cases[] = {
        {2024, 2, 11, "初二", 0x020202},     // the lunar day
        {2004, 3, 21, "闰二", kCalendarRed}, // the first of a leap month, always red
        {2023, 5, 19, "四月", kCalendarRed}, // the first of an ordinary month
        {2020, 2, 14, "情人节", 0x030303},   // a Gregorian festival over the lunar day
        {2001, 11, 22, "小雪", 0x040404},    // a solar term over a Gregorian festival
        {2000, 2, 4, "除夕", 0x050505},      // a lunar festival over a solar term
        {2024, 2, 10, "春节", 0x050505},     // a lunar festival over the month name
    };
    for (const auto& c : cases) {
        const MonthModel m = Month(c.y, c.m, c.d, colours);
        const MonthCell& cell = m.cells[m.currentCol + 7 * (m.currentRow - 1)];
        EXPECT_EQ(cell.day, c.d) << Where(c.y, c.m, c.d);
        EXPECT_EQ(cell.lunarText, c.text) << Where(c.y, c.m, c.d);
        EXPECT_EQ(cell.lunarColor, c.colour) << Where(c.y, c.m, c.d);
    }
    // Day numbers: Sunday and Saturday red, the others in the date colour, empty cells included.
    const MonthModel m = Month(2024, 2, 1, colours);
    for (int i = 1; i <= MonthModel::kLastDayCell; ++i) {
        const bool weekend = i % 7 == 1 || i % 7 == 0;
        EXPECT_EQ(m.cells[i].solarColor, weekend ? kCalendarRed : 0x010101u) << "cell " << i;
    }
}

TEST(MonthModel, ADateTimeWithoutADateIsRefused) {
    calendar::TChnCal facts;
    for (calendar::TDateTime outside : {EncodeDate(9999, 12, 31) + 1, EncodeDate(1, 1, 1) - 1})
        EXPECT_THROW(ComputeMonth(facts, outside, {}), std::invalid_argument) << outside;
}

} // namespace
