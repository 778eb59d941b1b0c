#pragma once
// TDayGrid: the owner-drawn grid of the calendar control.
#include <QPoint>
#include <QRect>
#include <QWidget>

#include <array>

class QPainter;

namespace nodo {

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

} // namespace nodo
