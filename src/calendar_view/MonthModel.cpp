#include "calendar_view/MonthModel.h"

#include <stdexcept>

namespace nodo {

namespace {

TColor LunarColour(calendar::DayCellTextKind kind, const MonthColours& colours) {
    switch (kind) {
    case calendar::DayCellTextKind::LunarDay:
        return colours.cnDate;
    case calendar::DayCellTextKind::LunarMonthStart:
        return kCalendarRed;
    case calendar::DayCellTextKind::Holiday:
        return colours.holiday;
    case calendar::DayCellTextKind::SolarTerm:
        return colours.lunarHolDay;
    case calendar::DayCellTextKind::LunarHoliday:
        return colours.cnHolDay;
    }
    return colours.cnDate;
}

// Sunday and Saturday: grid columns 1 and 7.
bool Weekend(int index) {
    return index % 7 == 1 || index % 7 == 0;
}

} // namespace

void MonthCellPosition(int index, int& col, int& row) {
    col = (index - 1) % 7 + 1;
    row = (index - 1) / 7 + 1;
}

MonthModel ComputeMonth(calendar::TChnCal& facts, calendar::TDateTime x, const MonthColours& colours) {
    MonthModel m;
    if (!calendar::DecodeDate(x, m.year, m.month, m.day))
        throw std::invalid_argument("the month model needs a date-time in the years 1..9999");

    facts.SetDate(x);
    m.cnMonth = facts.CnMonth;
    m.cnDay = facts.CnDay;
    m.cnDate = m.cnMonth + m.cnDay;
    m.info = (m.year < 1949 ? facts.EraName : calendar::FormatIsoDate(m.year, m.month, m.day)) + " 农历" +
             m.cnDate;

    for (int i = MonthModel::kStarSignCell; i <= MonthModel::kAnimalCell; ++i)
        m.cells[i].present = true;
    m.cells[MonthModel::kGanZhiCell].solarText = facts.GanZhiYear;
    m.cells[MonthModel::kAnimalCell].solarText = facts.AnimalsYear + "年";
    for (int i = 1; i <= MonthModel::kLastDayCell; ++i)
        m.cells[i].solarColor = Weekend(i) ? kCalendarRed : colours.date;

    const int first = calendar::DayOfWeek(m.year, m.month, 1);
    const int n = calendar::GregorianDaysInMonth(m.year, m.month);
    // The labels go to the rows in the order the week numbers change: a month that begins on a
    // Sunday puts that Sunday's week into row 1 and every later week one row lower.
    int lastWeek = -1;
    std::size_t k = 1;
    for (int i = first; i <= first + n - 1; ++i) {
        const int d = i - first + 1;
        facts.SetDate(calendar::EncodeDate(m.year, m.month, d));
        const int week = calendar::IsoWeekOfYear(m.year, m.month, d);
        if (week != lastWeek) {
            lastWeek = week;
            if (k < m.weekLabels.size()) m.weekLabels[k] = std::to_string(week);
            ++k;
        }
        MonthCell& c = m.cells[i];
        c.day = d;
        c.solarText = std::to_string(d);
        const calendar::DayCellLabel label = calendar::DayCellText(facts);
        c.lunarText = label.text;
        c.lunarColor = LunarColour(label.kind, colours);
        c.present = true;
        if (d == m.day) {
            m.cells[MonthModel::kStarSignCell].solarText = facts.Constellation;
            MonthCellPosition(i, m.currentCol, m.currentRow);
        }
    }
    return m;
}

} // namespace nodo
