#pragma once
// The month the calendar control shows, computed from the engine's day facts alone: the 42 cells of
// the grid, the week numbers of its rows, the grid cell of the selected day, the lunar texts of the
// selected day and the line under the grid, each text with the colour it is drawn in. No widget is
// involved; the control copies the result into its labels and cells.
#include "calendar/ChnCalendarUse.h"
#include "calendar/DateTime.h"

#include <array>
#include <cstdint>
#include <string>

namespace nodo {

// Colours are 0x00BBGGRR values (red in the low byte), as the forms store them.
using TColor = std::uint32_t;

// The weekend day numbers and the names of lunar month starts are always this red.
constexpr TColor kCalendarRed = 255;

// The colour properties that feed the day cells.
struct MonthColours {
    TColor date = 5197647;         // day numbers Monday to Friday
    TColor cnDate = 32768;         // lunar day names
    TColor holiday = 33023;        // Gregorian festivals
    TColor lunarHolDay = 16733011; // solar terms
    TColor cnHolDay = 33023;       // lunar festivals
};

// One cell of the grid as the month model computes it (the control's TDayCell holds the same).
struct MonthCell {
    int day = 0;
    bool present = false;
    std::string solarText;
    std::string lunarText;
    TColor solarColor = 0;
    TColor lunarColor = 0;
};

struct MonthModel {
    // Cells 1..37 hold the days, the 1st under its weekday in row 1 (column 1 is Sunday); 38 and 39
    // stay empty; 40..42 hold the star sign of the selected day, the sexagenary year and the animal.
    static constexpr int kCells = 42;
    static constexpr int kLastDayCell = 37;
    static constexpr int kStarSignCell = 40, kGanZhiCell = 41, kAnimalCell = 42;

    int year = 0, month = 0, day = 0;
    std::array<MonthCell, kCells + 1> cells{}; // [0] unused
    std::array<std::string, 7> weekLabels{};   // rows 1..6, [0] unused
    int currentCol = 1, currentRow = 1;        // the grid cell of the selected day
    std::string cnMonth, cnDay, cnDate;        // the selected day's lunar month and day
    std::string info;                          // the line under the grid
};

// The grid cell (column 1..7, row 1..6) of cell index 1..42.
void MonthCellPosition(int index, int& col, int& row);

// The month of `x`, with `facts` as the engine's day-facts object (left filled for the month's last
// day). `x` must decode to a date; the years the engine covers give every text.
MonthModel ComputeMonth(calendar::TChnCal& facts, calendar::TDateTime x, const MonthColours& colours);

} // namespace nodo
