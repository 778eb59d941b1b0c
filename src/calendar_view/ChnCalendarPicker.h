#pragma once
// TChnCalendar: the month-view calendar with lunar dates, festivals and solar terms under the day
// numbers, a title band with the year and month and their spin buttons, a line with the selected
// date, and the year and month as a watermark behind the grid.
//
// The control's code is split the way it works: ChnCalendarPicker.cpp holds its model and
// properties (the month fill copies a MonthModel into the labels and cells), ChnCalendarPaint.cpp
// the layout and painting, ChnCalendarInput.cpp the pointer, keys, spin buttons and menus.
//
// Colours are 0x00BBGGRR values (red in the low byte), as the forms store them.
#include "calendar/ChnCalendarUse.h"
#include "calendar/DateTime.h"
#include "calendar_view/CalendarDrawing.h"
#include "calendar_view/DayGrid.h"
#include "calendar_view/MonthModel.h"
#include "calendar_view/UpDown.h"

#include <QFont>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QRect>
#include <QString>
#include <QTimer>
#include <QWidget>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>

class QPainter;

namespace nodo {

class Clock;

// One cell of the month grid; cells 40..42 hold the star sign, the sexagenary year and the animal.
struct TDayCell {
    int Day = 0;
    bool Present = false;
    QString SolarText;
    QString LunarText;
    TColor SolarColor = 0;
    TColor LunarColor = 0;
};

class TChnCalendar : public QWidget {
    Q_OBJECT
public:
    using TNotifyEvent = std::function<void(TChnCalendar* sender)>;
    using TDrawDateCellEvent =
        std::function<void(TChnCalendar* sender, int day, QPainter& aCanvas, const QRect& r, bool selected,
                           QString& text, bool& defaultDraw)>;

    // `clock` gives the current local date and time (today's date, start-up); without one the
    // system's time is used. The clock must outlive the control.
    explicit TChnCalendar(QWidget* parent = nullptr, const Clock* clock = nullptr);
    ~TChnCalendar() override;

    // ---- Properties ------------------------------------------------------------------------
    bool ShowTitle() const { return m_showTitle; }
    void SetShowTitle(bool v) { ApplyTitleMode(v); }
    bool ShowWeekNum() const { return m_showWeekNum; }
    void SetShowWeekNum(bool v);
    bool ShowFrame() const { return m_showFrame; }
    void SetShowFrame(bool v);
    bool ShowBackYearMonth() const { return m_showBackYearMonth; }
    void SetShowBackYearMonth(bool v);
    bool ShowWeekNumLine() const { return m_showWeekNumLine; }
    void SetShowWeekNumLine(bool v);
    bool HideSelection() const { return m_hideSelection; }
    void SetHideSelection(bool v) { m_hideSelection = v; }
    const QFont& FontDate() const { return m_fontDate; }
    void SetFontDate(const QFont& f);
    const QFont& FontCnDate() const { return m_fontCnDate; }
    void SetFontCnDate(const QFont& f);

    // The colour properties; their setters do what an assignment of the property does.
    enum class Colour {
        TitleWeekLine,
        TitleWeekEnd,
        TitleWeek,
        CnDate,
        Date,
        Holiday,
        LunarHolDay,
        CnHolDay,
        SelectedStart,
        SelectedEnd,
        SelectedFrame,
        WeekNum,
        ShowFrame,
        BackYear,
        BackMonth,
        TitleToday,
        TitleMonth,
        TitleYear,
        TitleSelected,
        TitleConstellation,
        TitleAnimalsYear,
        Count
    };
    TColor Color(Colour which) const;
    void SetColor(Colour which, TColor value);

    calendar::TDateTime DateTime() const { return m_dateTime; }
    void SetDateTime(calendar::TDateTime x) { MonthFill(x, false); }
    const QString& CnDate() const { return m_cnDate; }
    const QString& CnMonth() const { return m_cnMonth; }
    const QString& CnDay() const { return m_cnDay; }
    void SetCnDate(const QString& s) { m_cnDate = s; }
    void SetCnMonth(const QString& s) { m_cnMonth = s; }
    void SetCnDay(const QString& s) { m_cnDay = s; }

    const QImage& BackGround() const { return m_backGround; }
    void SetBackGround(const QImage& picture);
    bool Center() const { return m_center; }
    void SetCenter(bool v);
    bool Stretch() const { return m_stretch; }
    void SetStretch(bool v);
    bool Transparent() const { return m_transparent; }
    void SetTransparent(bool v);
    int AlphaBlend() const { return m_alphaBlend; }
    void SetAlphaBlend(int v);

    TNotifyEvent OnChange;
    TNotifyEvent OnDateSelect;
    TNotifyEvent OnDateClick;
    TDrawDateCellEvent OnDrawDateCell;
    TDrawDateCellEvent OnDrawCnDateCell;

    // ---- Operations ------------------------------------------------------------------------
    void GoToday();
    // The current local date and time, from the clock the control was given.
    calendar::TDateTime Now() const;
    void ApplyTitleMode(bool showTitle);
    void LayoutGrid();
    void RebuildBackground();

    // ---- What the control holds, for its owner and its tests ---------------------------------
    const TDayCell& Cell(int i) const { return m_cells[i]; }              // 1..42
    const QString& WeekLabel(int row) const { return m_weekLabels[row]; } // 1..6
    TDayGrid* DayGrid() const { return m_grid; }
    TUpDown* MonthSpin() const { return m_monthSpin; }
    TUpDown* YearSpin() const { return m_yearSpin; }
    QLabel* TodayLabel() const { return m_todayLabel; }
    QLabel* MonthLabel() const { return m_monthLabel; }
    QLabel* MonthCharLabel() const { return m_monthCharLabel; }
    QLabel* YearLabel() const { return m_yearLabel; }
    QLabel* YearCharLabel() const { return m_yearCharLabel; }
    QLabel* InfoLabel() const { return m_infoLabel; }
    QMenu* MonthMenu() const { return m_monthMenu; }
    QMenu* YearMenu() const { return m_yearMenu; }
    const QImage& BackgroundBitmap() const { return m_backgroundBitmap; }
    const QImage& PictureBitmap() const { return m_pictureBitmap; }
    bool MousePressed() const { return m_mousePressed; }
    // The weekday header's text for grid column 1 (Sunday) .. 7 in a text rectangle `width` wide.
    QString WeekdayCaption(int col, int width) const;

    // ---- Handlers of the children --------------------------------------------------------------
    void MonthSpinClick();
    void YearSpinClick();
    bool GridSelectCell(int col, int row);
    void GridMouseDown() { m_mousePressed = true; }
    // A click in the grid ended at grid point `at`; `pressedOnCurrent` says whether the press fell on
    // the cell that was already current.
    void GridClick(QPoint at, bool pressedOnCurrent);
    void GridDrawCell(QPainter& grid, int col, int row, const QRect& r, bool selected, bool focused);

protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void leaveEvent(QEvent* e) override;
    void changeEvent(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildMenus();
    void MonthFill(calendar::TDateTime x, bool force);
    // Copies a computed month into the labels, the cells and the grid's current cell.
    void ShowMonth(const MonthModel& month);
    MonthColours CellColours() const;
    void Refill();
    // The background composed anew and the whole control repainted: after a change that shows in
    // the background, once the control is loaded and laid out for its size.
    void RebuildAndRepaint();
    // The same without the loading and size checks, for the paths that have just made them.
    void Recompose();
    void RepaintGrid();
    // The width of the week-number column: wide enough for the numbers only while they show.
    static int WeekColumnWidth(bool showWeekNum) { return showWeekNum ? 18 : 6; }
    // The label whose font colour a colour property is; none for the other properties.
    QLabel* LabelOf(Colour which) const;
    void SyncSpins();
    void SyncSize();
    QLabel* MakeLabel(const QString& text, const QFont& font, TColor colour, QPoint at, bool hand);
    void SetLabelColour(QLabel* label, TColor c);
    static TColor FromLabel(const QLabel* label);
    void PopupAtCursor(QMenu* menu);

    const Clock* m_clock;
    bool m_showTitle = false;
    bool m_showWeekNum = false;
    bool m_showFrame = true;
    bool m_showBackYearMonth = true;
    bool m_showWeekNumLine = true;
    bool m_hideSelection = false;
    QFont m_fontDate;
    QFont m_fontCnDate;
    std::array<TColor, static_cast<int>(Colour::Count)> m_colours{};
    calendar::TDateTime m_dateTime = 0;
    QString m_cnDate, m_cnMonth, m_cnDay;
    QImage m_backGround;
    bool m_center = false;
    bool m_stretch = false;
    bool m_transparent = false;
    int m_alphaBlend = 50;

    std::array<TDayCell, 43> m_cells{};
    std::array<QString, 7> m_weekLabels{};
    bool m_mousePressed = false;
    bool m_selectingCell = false;
    bool m_loaded = false; // set once the control is built; before, setters only store
    bool m_pressOnLabel = false;
    QSize m_laidOutSize;

    QImage m_cellBitmap;
    QImage m_backgroundBitmap;
    QImage m_pictureBitmap;
    calendar::TChnCal m_dayFacts;

    TDayGrid* m_grid = nullptr;
    TUpDown* m_monthSpin = nullptr;
    TUpDown* m_yearSpin = nullptr;
    QLabel* m_todayLabel = nullptr;
    QLabel* m_monthLabel = nullptr;
    QLabel* m_monthCharLabel = nullptr;
    QLabel* m_yearLabel = nullptr;
    QLabel* m_yearCharLabel = nullptr;
    QLabel* m_infoLabel = nullptr;
    QMenu* m_monthMenu = nullptr;
    QMenu* m_yearMenu = nullptr;
};

} // namespace nodo
