#include "calendar_view/DayGrid.h"

#include "calendar_view/ChnCalendarPicker.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

#include <algorithm>

namespace nodo {

TDayGrid::TDayGrid(TChnCalendar* owner) : QWidget(owner), m_owner(owner) {
    setFocusPolicy(Qt::StrongFocus);
    m_colWidths.fill(24);
    m_rowHeights.fill(24);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TDayGrid::SetColWidth(int c, int w) {
    m_colWidths[c] = std::max(0, w);
    update();
}

void TDayGrid::SetRowHeight(int r, int h) {
    m_rowHeights[r] = std::max(0, h);
    update();
}

QRect TDayGrid::CellRect(int col, int row) const {
    int x = 0, y = 0;
    for (int c = 0; c < col; ++c)
        x += m_colWidths[c];
    for (int r = 0; r < row; ++r)
        y += m_rowHeights[r];
    return QRect(x, y, m_colWidths[col], m_rowHeights[row]);
}

bool TDayGrid::CellAt(QPoint p, int& col, int& row) const {
    if (p.x() < 0 || p.y() < 0) return false;
    int x = 0, c = 0;
    for (; c < kCols; ++c) {
        if (p.x() < x + m_colWidths[c]) break;
        x += m_colWidths[c];
    }
    int y = 0, r = 0;
    for (; r < kRows; ++r) {
        if (p.y() < y + m_rowHeights[r]) break;
        y += m_rowHeights[r];
    }
    if (c == kCols || r == kRows) return false;
    col = c;
    row = r;
    return true;
}

void TDayGrid::SetCurrent(int col, int row) {
    if (col == m_col && row == m_row) return;
    update(CellRect(m_col, m_row));
    m_col = col;
    m_row = row;
    update(CellRect(m_col, m_row));
}

bool TDayGrid::MoveTo(int col, int row) {
    if (col < 0 || col >= kCols || row < 0 || row >= kRows) return false;
    if (col == m_col && row == m_row) return false;
    if (!m_owner->GridSelectCell(col, row)) return false;
    SetCurrent(col, row);
    return true;
}

void TDayGrid::PaintCells(QPainter& p) {
    for (int r = 0; r < kRows; ++r)
        for (int c = 0; c < kCols; ++c)
            m_owner->GridDrawCell(p, c, r, CellRect(c, r), c == m_col && r == m_row, hasFocus());
}

void TDayGrid::paintEvent(QPaintEvent* e) {
    QPainter p(this);
    for (int r = 0; r < kRows; ++r)
        for (int c = 0; c < kCols; ++c) {
            const QRect cell = CellRect(c, r);
            if (cell.isEmpty() || !e->rect().intersects(cell)) continue;
            m_owner->GridDrawCell(p, c, r, cell, c == m_col && r == m_row, hasFocus());
        }
    // What lies past the last row and column shows the control's background.
    const QRect cells = CellRect(kCols - 1, kRows - 1);
    const QRect back = m_owner->BackgroundBitmap().rect();
    const QPoint at = pos();
    if (cells.right() + 1 < width())
        p.drawImage(QPoint(cells.right() + 1, 0),
                    m_owner->BackgroundBitmap().copy(
                        QRect(at.x() + cells.right() + 1, at.y(), width(), height()).intersected(back)));
    if (cells.bottom() + 1 < height())
        p.drawImage(QPoint(0, cells.bottom() + 1),
                    m_owner->BackgroundBitmap().copy(
                        QRect(at.x(), at.y() + cells.bottom() + 1, width(), height()).intersected(back)));
}

void TDayGrid::mousePressEvent(QMouseEvent* e) {
    if (e->button() == Qt::RightButton) return; // the context menu, where there is one
    if (e->button() != Qt::LeftButton) return;
    setFocus(Qt::MouseFocusReason);
    int col = 0, row = 0;
    m_pressOnCurrent = false;
    if (CellAt(e->position().toPoint(), col, row)) {
        m_pressOnCurrent = col == m_col && row == m_row;
        if (!m_pressOnCurrent) MoveTo(col, row);
    }
    // The press is reported after the grid has asked for the cell.
    m_owner->GridMouseDown();
    m_dragging = true;
}

void TDayGrid::mouseMoveEvent(QMouseEvent* e) {
    if (!m_dragging || !(e->buttons() & Qt::LeftButton)) return;
    int col = 0, row = 0;
    if (!CellAt(e->position().toPoint(), col, row) || (col == m_col && row == m_row)) return;
    // A press that moves on to other cells is a drag, no second click on the day.
    m_pressOnCurrent = false;
    MoveTo(col, row);
}

void TDayGrid::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton || !m_dragging) return;
    m_dragging = false;
    if (rect().contains(e->position().toPoint()))
        m_owner->GridClick(e->position().toPoint(), m_pressOnCurrent);
    m_pressOnCurrent = false;
}

void TDayGrid::keyPressEvent(QKeyEvent* e) {
    int col = m_col, row = m_row;
    switch (e->key()) {
    case Qt::Key_Left:
        --col;
        break;
    case Qt::Key_Right:
        ++col;
        break;
    case Qt::Key_Up:
        --row;
        break;
    case Qt::Key_Down:
        ++row;
        break;
    case Qt::Key_Home:
        col = 0;
        break;
    case Qt::Key_End:
        col = kCols - 1;
        break;
    default:
        QWidget::keyPressEvent(e);
        return;
    }
    // A refused cell stops the move where it is, as it does for the pointer.
    MoveTo(col, row);
}

void TDayGrid::focusInEvent(QFocusEvent* e) {
    QWidget::focusInEvent(e);
    update(CellRect(m_col, m_row));
}

void TDayGrid::focusOutEvent(QFocusEvent* e) {
    QWidget::focusOutEvent(e);
    update(CellRect(m_col, m_row));
}

} // namespace nodo
