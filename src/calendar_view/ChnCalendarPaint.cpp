#include "calendar_view/ChnCalendarPicker.h"

#include "calendar/DateTime.h"
#include "calendar_view/CalendarLog.h"

#include <QLocale>
#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>

#include <algorithm>
#include <exception>

namespace nodo {

using namespace calendar_drawing;

namespace {

// The weekday names of the header when a column is too narrow for the locale's long names.
const char* const kShortWeekdays[] = {"日", "一", "二", "三", "四", "五", "六"};

} // namespace

Q_LOGGING_CATEGORY(lcCalendarView, "nodo.calendar.view")

// ---- Layout and painting -------------------------------------------------------------------

void TChnCalendar::ApplyTitleMode(bool showTitle) {
    m_showTitle = showTitle;
    m_laidOutSize = size();
    m_yearSpin->setVisible(showTitle);
    m_monthSpin->setVisible(showTitle);
    if (showTitle) {
        m_grid->setGeometry(8, 40, std::max(0, width() - 15), std::max(0, height() - 67));
        m_grid->setContextMenuPolicy(Qt::PreventContextMenu);
    } else {
        m_grid->setGeometry(2, 2, std::max(0, width() - 4), std::max(0, height() - 4));
        m_grid->setContextMenuPolicy(Qt::DefaultContextMenu);
    }
    // The grid lies over the labels only while the title is off.
    if (showTitle)
        m_grid->lower();
    else
        m_grid->raise();
    LayoutGrid();
    m_backgroundBitmap = QImage(std::max(1, width()), std::max(1, height()), QImage::Format_RGB888);
    m_pictureBitmap = QImage(std::max(1, width()), std::max(1, height()), QImage::Format_RGB888);
    Recompose();
}

void TChnCalendar::LayoutGrid() {
    const int h = m_grid->height(), w = m_grid->width();
    const int row0 = m_grid->RowHeight(0), col0 = m_grid->ColWidth(0);
    const int r = (h - row0) / 6;
    for (int i = 1; i <= 5; ++i)
        m_grid->SetRowHeight(i, r - 1);
    m_grid->SetRowHeight(6, h - row0 - 5 * (r - 1));
    const int c = (w - col0) / 7;
    for (int i = 1; i <= 7; ++i)
        m_grid->SetColWidth(i, c - 1);
    m_grid->SetColWidth(8, w - col0 - 7 * (c - 1));
}

void TChnCalendar::RebuildBackground() {
    if (m_backgroundBitmap.size() != size() && !size().isEmpty())
        m_backgroundBitmap = QImage(size(), QImage::Format_RGB888);
    if (m_backgroundBitmap.isNull()) return;
    {
        QPainter p(&m_backgroundBitmap);
        p.setFont(font());
        p.fillRect(m_backgroundBitmap.rect(), Qt::white);
        if (m_showFrame) {
            p.setPen(ToQColor(Color(Colour::ShowFrame)));
            p.setBrush(Qt::NoBrush);
            p.drawRect(m_backgroundBitmap.rect().adjusted(0, 0, -1, -1));
        }
        if (m_showBackYearMonth) {
            int year = 0, month = 0, day = 0;
            if (calendar::DecodeDate(m_dateTime, year, month, day)) {
                const QRect g = m_grid->geometry();
                const int half = (g.bottom() + 1) / 2;
                p.setFont(HeavyFace(48));
                p.setPen(ToQColor(Color(Colour::BackYear)));
                DrawLine(p, QRect(QPoint(g.left(), g.top()), QPoint(g.right(), half - 1)).translated(0, 6),
                         Qt::AlignCenter, QString::number(year));
                p.setFont(HeavyFace(90));
                p.setPen(ToQColor(Color(Colour::BackMonth)));
                DrawLine(p, QRect(QPoint(g.left(), half), g.bottomRight()), Qt::AlignCenter,
                         QString::number(month));
            }
        }
    }
    if (m_backGround.isNull()) {
        m_pictureBitmap = QImage();
        return;
    }
    m_pictureBitmap = QImage(m_backgroundBitmap.size(), QImage::Format_RGB888);
    m_pictureBitmap.fill(Qt::white);
    {
        QPainter p(&m_pictureBitmap);
        const int pw = m_backGround.width(), ph = m_backGround.height();
        const int bw = m_pictureBitmap.width(), bh = m_pictureBitmap.height();
        if (m_stretch) {
            QRect r;
            FitPicture(pw, ph, bw, bh, m_center, r);
            p.setRenderHint(QPainter::SmoothPixmapTransform);
            p.drawImage(r, m_backGround);
        } else if (m_center) {
            p.drawImage(QPoint((bw - pw) / 2, (bh - ph) / 2), m_backGround);
        } else {
            p.drawImage(QPoint(0, 0), m_backGround);
        }
    }
    BlendPicture(m_backgroundBitmap, m_pictureBitmap, 0, 0, -1, m_alphaBlend % 100);
}

QString TChnCalendar::WeekdayCaption(int col, int width) const {
    if (col < 1 || col > 7) return QString();
    if (width > 36) {
        // Qt counts Monday as 1 and Sunday as 7; the grid starts on Sunday.
        return QLocale().dayName(col == 1 ? 7 : col - 1, QLocale::LongFormat);
    }
    return QString::fromUtf8(kShortWeekdays[col - 1]);
}

void TChnCalendar::GridDrawCell(QPainter& grid, int col, int row, const QRect& r, bool selected,
                                bool focused) {
    const QRect r0(0, 0, r.width(), r.height());
    if (r0.isEmpty()) return;
    if (m_cellBitmap.size() != r0.size()) m_cellBitmap = QImage(r0.size(), QImage::Format_RGB888);
    const QPoint gridAt = m_grid->pos();
    {
        QPainter p(&m_cellBitmap);
        p.drawImage(QPoint(0, 0), m_backgroundBitmap, r.translated(gridAt));
        p.setFont(font());
        try {
            if (row == 0) {
                const QRect text = r0.adjusted(0, 0, -2, 0);
                QString caption;
                TColor colour = Color(Colour::TitleWeek);
                if (col == 0) {
                    if (m_showWeekNum) caption = QStringLiteral("W");
                    colour = Color(Colour::WeekNum);
                } else if (col <= 7) {
                    caption = WeekdayCaption(col, text.width());
                    if (col == 1 || col == 7) colour = Color(Colour::TitleWeekEnd);
                }
                p.setPen(ToQColor(colour));
                DrawLine(p, text, Qt::AlignHCenter | Qt::AlignTop, caption);
                p.setPen(ToQColor(Color(Colour::TitleWeekLine)));
                p.drawLine(0, r0.height() - 4, r0.width(), r0.height() - 4);
                if (m_showWeekNum && m_showWeekNumLine && col == 0)
                    p.drawLine(r0.width() - 1, 0, r0.width() - 1, r0.height());
            } else if (col == 0) {
                if (m_showWeekNum && !m_weekLabels[row].isEmpty()) {
                    p.setFont(SmallFace());
                    p.setPen(ToQColor(Color(Colour::WeekNum)));
                    DrawLine(p, r0, Qt::AlignCenter, m_weekLabels[row]);
                    if (m_showWeekNumLine) {
                        p.setPen(ToQColor(Color(Colour::TitleWeekLine)));
                        p.drawLine(r0.width() - 1, 0, r0.width() - 1, r0.height());
                    }
                }
            } else if (col <= 7) {
                const int i = col + 7 * (row - 1);
                const TDayCell& cell = m_cells[i];
                const bool shown = selected && (!m_hideSelection || focused);
                if (shown)
                    GradientFill(p, r0, 256, true, Color(Colour::SelectedEnd), Color(Colour::SelectedStart));
                if (cell.Present && i <= 39) {
                    const int mid = r0.height() / 2;
                    QString text = cell.SolarText;
                    bool defaultDraw = true;
                    const QRect upper(2, 0, r0.width() - 4, mid);
                    if (OnDrawDateCell)
                        OnDrawDateCell(this, cell.SolarText.toInt(), p, r0, selected, text, defaultDraw);
                    if (defaultDraw) {
                        p.setFont(m_fontDate);
                        p.setPen(ToQColor(cell.SolarColor));
                        DrawLine(p, upper, Qt::AlignHCenter | Qt::AlignBottom, text);
                    }
                    text = cell.LunarText;
                    defaultDraw = true;
                    const QRect lower(2, mid, r0.width() - 4, r0.height() - mid);
                    if (OnDrawCnDateCell)
                        OnDrawCnDateCell(this, cell.SolarText.toInt(), p, r0, selected, text, defaultDraw);
                    if (defaultDraw) {
                        p.setFont(m_fontCnDate);
                        p.setPen(ToQColor(cell.LunarColor));
                        DrawLine(p, lower, Qt::AlignHCenter | Qt::AlignTop, text);
                        if (shown) {
                            p.setPen(ToQColor(Color(Colour::SelectedFrame)));
                            p.setBrush(Qt::NoBrush);
                            p.drawRect(r0.adjusted(0, 0, -1, -1));
                        }
                    }
                } else if (cell.Present && i >= 40 && !cell.SolarText.isEmpty()) {
                    const QRect info = r0.adjusted(0, 8, 0, 0);
                    p.setFont(SmallFace());
                    Qt::Alignment align = Qt::AlignHCenter;
                    TColor colour = Color(Colour::TitleAnimalsYear);
                    if (i == 40)
                        colour = Color(Colour::TitleConstellation);
                    else if (i == 41)
                        align = Qt::AlignRight;
                    else
                        align = Qt::AlignLeft;
                    p.setPen(ToQColor(colour));
                    DrawLine(p, info, align | Qt::AlignTop, cell.SolarText);
                }
            }
        } catch (const std::exception& e) {
            // A failing handler still leaves the cell's background and what was drawn before it.
            qCWarning(lcCalendarView) << "drawing cell" << col << row << "failed:" << e.what();
        } catch (...) {
            qCWarning(lcCalendarView) << "drawing cell" << col << row << "failed with an unknown exception";
        }
    }
    grid.drawImage(r.topLeft(), m_cellBitmap);
}

void TChnCalendar::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawImage(QPoint(0, 0), m_backgroundBitmap);
}

void TChnCalendar::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    if (!m_loaded) return;
    ApplyTitleMode(m_showTitle);
    update();
}

void TChnCalendar::changeEvent(QEvent* e) {
    QWidget::changeEvent(e);
    if (e->type() == QEvent::FontChange && m_loaded) RebuildAndRepaint();
}

} // namespace nodo
