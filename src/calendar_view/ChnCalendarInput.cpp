#include "calendar_view/ChnCalendarPicker.h"

#include "calendar/DateTime.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QCursor>
#include <QLocale>
#include <QMouseEvent>

namespace nodo {

// ---- Menus and interaction ---------------------------------------------------------------------

void TChnCalendar::leaveEvent(QEvent* e) {
    QWidget::leaveEvent(e);
    m_mousePressed = false;
}

void TChnCalendar::BuildMenus() {
    m_monthMenu->clear();
    QAction* today = m_monthMenu->addAction(QStringLiteral("今日"), this, &TChnCalendar::GoToday);
    today->setObjectName(QStringLiteral("MenuMonth_ToDay"));
    today->setData(0);
    QFont bold = today->font();
    bold.setBold(true);
    today->setFont(bold);
    m_monthMenu->setDefaultAction(today);
    QAction* sep = m_monthMenu->addSeparator();
    sep->setObjectName(QStringLiteral("MenuMonth_ToDay_"));
    sep->setData(0);
    for (int k = 1; k <= 12; ++k) {
        QAction* a = m_monthMenu->addAction(QLocale().standaloneMonthName(k, QLocale::LongFormat));
        a->setObjectName(QStringLiteral("MenuMonth_%1").arg(k - 1));
        a->setData(k);
        connect(a, &QAction::triggered, this, [this, k] {
            m_monthSpin->SetPosition(k);
            MonthSpinClick();
        });
    }

    m_yearMenu->clear();
    auto yearItem = [this](QMenu* menu, int y, const QString& name) {
        QAction* a = menu->addAction(QString::number(y));
        a->setObjectName(name);
        a->setData(y);
        connect(a, &QAction::triggered, this, [this, y] {
            m_yearSpin->SetPosition(y);
            YearSpinClick();
        });
    };
    today = m_yearMenu->addAction(QStringLiteral("今日"), this, &TChnCalendar::GoToday);
    today->setObjectName(QStringLiteral("MenuYear_ToDay"));
    today->setData(0);
    today->setFont(bold);
    m_yearMenu->setDefaultAction(today);
    m_yearMenu->addSeparator()->setObjectName(QStringLiteral("MenuYear_ToDay_1"));
    QMenu* history = m_yearMenu->addMenu(QStringLiteral("历史日期"));
    history->menuAction()->setObjectName(QStringLiteral("MenuYear_History"));
    history->setObjectName(QStringLiteral("MenuYear_History"));
    for (int s = 10; s < 1890; s += 100) {
        QMenu* century = history->addMenu(QString::number(s - 10));
        century->menuAction()->setObjectName(QStringLiteral("MenuYear_History_%1").arg(s));
        century->setObjectName(QStringLiteral("MenuYear_History_%1").arg(s));
        for (int y = s; y <= s + 90; y += 10)
            yearItem(century, y, QStringLiteral("MenuYear_History_%1").arg(y));
    }
    m_yearMenu->addSeparator()->setObjectName(QStringLiteral("MenuYear_ToDay_2"));
    for (int d = 1900; d < 2100; d += 10) {
        QMenu* decade = m_yearMenu->addMenu(QString::number(d));
        decade->menuAction()->setObjectName(QStringLiteral("MenuYear_%1").arg(d));
        decade->setObjectName(QStringLiteral("MenuYear_%1").arg(d));
        for (int y = d; y <= d + 9; ++y)
            yearItem(decade, y, QStringLiteral("MenuYear_%1").arg(y));
    }

    m_grid->SetRowHeight(0, 18);
    m_grid->SetColWidth(0, WeekColumnWidth(m_showWeekNum));
    LayoutGrid();
}

void TChnCalendar::SyncSpins() {
    int y = 0, m = 0, d = 0;
    if (!calendar::DecodeDate(m_dateTime, y, m, d)) return;
    m_yearSpin->SetPosition(y);
    m_monthSpin->SetPosition(m);
}

void TChnCalendar::MonthSpinClick() {
    int y = 0, m = 0, d = 0;
    if (!calendar::DecodeDate(m_dateTime, y, m, d)) return;
    if (m_monthSpin->Position() == 13) {
        ++y;
        m_yearSpin->SetPosition(y);
        m_monthSpin->SetPosition(1);
    } else if (m_monthSpin->Position() == 0) {
        --y;
        m_yearSpin->SetPosition(y);
        m_monthSpin->SetPosition(12);
    }
    m = m_monthSpin->Position();
    if (y >= m_yearSpin->Min() && y <= m_yearSpin->Max()) {
        while (d > 1 && !calendar::IsValidDate(y, m, d))
            --d;
        SetDateTime(calendar::EncodeDate(y, m, d));
    }
    // A step past the first or last year leaves the date, and the spins show it again.
    SyncSpins();
}

void TChnCalendar::YearSpinClick() {
    int y = 0, m = 0, d = 0;
    if (!calendar::DecodeDate(m_dateTime, y, m, d)) return;
    y = m_yearSpin->Position();
    while (d > 0 && !calendar::IsValidDate(y, m, d))
        --d;
    SetDateTime(d == 0 ? Now() : calendar::EncodeDate(y, m, d));
    SyncSpins();
}

bool TChnCalendar::GridSelectCell(int col, int row) {
    if (m_selectingCell) return true;
    if (col <= 0 || col >= 8 || row <= 0) return false;
    const int i = col + 7 * (row - 1);
    if (i > 37 || !m_cells[i].Present) return false;
    int y = 0, m = 0, d = 0;
    if (!calendar::DecodeDate(m_dateTime, y, m, d)) return false;
    SetDateTime(calendar::EncodeDate(y, m, m_cells[i].Day));
    if (OnDateClick && m_mousePressed) OnDateClick(this);
    return true;
}

void TChnCalendar::GridClick(QPoint at, bool pressedOnCurrent) {
    int col = 0, row = 0;
    if (!m_grid->CellAt(at, col, row)) return;
    if (col == m_grid->Col() && row == m_grid->Row() && pressedOnCurrent && OnDateSelect) OnDateSelect(this);
}

void TChnCalendar::PopupAtCursor(QMenu* menu) {
    menu->popup(QCursor::pos());
}

bool TChnCalendar::eventFilter(QObject* watched, QEvent* event) {
    const bool monthSide = watched == m_monthLabel || watched == m_monthCharLabel;
    const bool yearSide = watched == m_yearLabel || watched == m_yearCharLabel;
    const bool label = monthSide || yearSide || watched == m_todayLabel;
    if (event->type() == QEvent::MouseButtonPress && label) {
        m_pressOnLabel = true;
        return true;
    }
    if (event->type() == QEvent::MouseButtonRelease && label && m_pressOnLabel) {
        m_pressOnLabel = false;
        auto* me = static_cast<QMouseEvent*>(event);
        auto* w = qobject_cast<QWidget*>(watched);
        if (!w || !w->rect().contains(me->position().toPoint())) return false;
        if (me->button() == Qt::LeftButton || me->button() == Qt::RightButton) {
            if (monthSide)
                PopupAtCursor(m_monthMenu);
            else if (yearSide)
                PopupAtCursor(m_yearMenu);
            else if (watched == m_todayLabel && me->button() == Qt::LeftButton)
                GoToday();
            return true;
        }
    }
    if (event->type() == QEvent::ContextMenu && watched == m_grid && !m_showTitle) {
        m_yearMenu->popup(static_cast<QContextMenuEvent*>(event)->globalPos());
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace nodo
