#pragma once
// TChnCalendar: the month-view calendar with lunar dates, festivals and solar terms under the day
// numbers, a title band with the year and month and their spin buttons, a line with the selected
// date, and the year and month as a watermark behind the grid.
//
// Colours are 0x00BBGGRR values (red in the low byte), as the forms store them.
#include "calendar/ChnCalendarUse.h"
#include "calendar/DateTime.h"

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

using TColor = std::uint32_t;

QColor ToQColor(TColor c);

// One cell of the month grid; cells 40..42 hold the star sign, the sexagenary year and the animal.
struct TDayCell {
    int Day = 0;
    bool Present = false;
    QString SolarText;
    QString LunarText;
    TColor SolarColor = 0;
    TColor LunarColor = 0;
};

// Fills `rect` with `bands` bands running from just after colour b to colour a; vertical bands
// are stacked top to bottom, horizontal ones left to right. Nothing for bands < 1.
void GradientFill(QPainter& p, const QRect& rect, int bands, bool vertical, TColor a, TColor b);
// The rows (or columns) band k (1..bands) of that gradient covers in a span `length` long: [from, to).
void GradientBandSpan(int k, int bands, int length, int& from, int& to);
// The colour of band k (1..bands) of that gradient.
TColor GradientBand(int k, int bands, TColor a, TColor b);

// The rectangle a picture of pw x ph takes stretched into bw x bh with its proportions kept,
// centred when asked; `r` is left as it was for a picture without height.
void FitPicture(int pw, int ph, int bw, int bh, bool centre, QRect& r);

// Mixes `src` into `dst` at (x0, y0): every source pixel that differs from `key` (-1: the source's
// top-left pixel) takes percent mod 100 of the result. Both become 24-bit.
void BlendPicture(QImage& dst, QImage& src, int x0, int y0, std::int64_t key, int percent);

// An up-down button pair without an edit box: the upper arrow raises the position, the lower one
// lowers it, within the range; each press reports a click, and an arrow held down repeats.
class TUpDown : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWidth = 17, kHeight = 24;
    TUpDown(int min, int max, QWidget* parent);
    int Position() const { return m_position; }
    void SetPosition(int p);
    int Min() const { return m_min; }
    int Max() const { return m_max; }
    // What an arrow press does: the position steps by one within the range, then the click.
    void Step(bool up);

signals:
    void clicked(bool up);

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;

private:
    int ArrowAt(QPointF p) const; // 1 upper, -1 lower, 0 outside
    int m_min, m_max, m_position;
    int m_pressed = 0;   // 1 upper, -1 lower arrow held
    bool m_over = false; // the pointer is over the held arrow
    QTimer* m_repeat;
};

class TChnCalendar;

// The owner-drawn 9 x 7 grid: column 0 the week numbers, 8 a filler, row 0 the weekday header.
// Every move of its current cell, by the pointer or the keys, is first put to the calendar.
class TDayGrid : public QWidget {
    Q_OBJECT
public:
    static constexpr int kCols = 9, kRows = 7;
    explicit TDayGrid(TChnCalendar* owner);

    int ColWidth(int c) const { return m_colWidths[c]; }
    int RowHeight(int r) const { return m_rowHeights[r]; }
    void SetColWidth(int c, int w);
    void SetRowHeight(int r, int h);
    QRect CellRect(int col, int row) const;
    // The cell at a point of the grid, false outside every cell.
    bool CellAt(QPoint p, int& col, int& row) const;
    int Col() const { return m_col; }
    int Row() const { return m_row; }
    // Moves the current cell where the calendar allows it; true when it moved.
    bool MoveTo(int col, int row);
    // Sets the current cell without asking, as the month fill does.
    void SetCurrent(int col, int row);
    // Paints every cell on `p`, as a repaint of the grid does.
    void PaintCells(QPainter& p);

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;

private:
    TChnCalendar* m_owner;
    std::array<int, kCols> m_colWidths{};
    std::array<int, kRows> m_rowHeights{};
    int m_col = 1, m_row = 1;
    bool m_dragging = false;
    bool m_pressOnCurrent = false;
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
    void Refill();
    void RebuildAndRepaint();
    void RepaintGrid();
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
