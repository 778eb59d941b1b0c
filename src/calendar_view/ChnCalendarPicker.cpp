#include "calendar_view/ChnCalendarPicker.h"

#include "calendar/ChnCalendarUse.h"
#include "calendar/DateTime.h"
#include "platform/Clock.h"
#include "ui/Chrome.h"

#include <QActionGroup>
#include <QContextMenuEvent>
#include <QCursor>
#include <QDateTime>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLocale>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPolygon>
#include <QResizeEvent>

#include <algorithm>
#include <cmath>

namespace nodo {

using calendar::TDateTime;

namespace {

// The sizes the control was laid out in are points on a 96-dpi screen.
int PointsToPixels(int points) {
    return (points * 96 + 36) / 72;
}

// "黑体"/"宋体" through the one font list of the program; the Latin faces fall back the same way.
QFont Face(const QString& face, int points, bool bold = false) {
    return UiFont(face, PointsToPixels(points), bold);
}

QFont HeavyFace(int points) {
    QFont f = UiFont(QStringLiteral("Arial Black"), PointsToPixels(points), true);
    f.setWeight(QFont::Black);
    return f;
}

QString Utf8(const std::string& s) {
    return QString::fromStdString(s);
}

int Red(TColor c) {
    return static_cast<int>(c & 0xFF);
}
int Green(TColor c) {
    return static_cast<int>((c >> 8) & 0xFF);
}
int Blue(TColor c) {
    return static_cast<int>((c >> 16) & 0xFF);
}
TColor Rgb(int r, int g, int b) {
    return static_cast<TColor>(r & 0xFF) | (static_cast<TColor>(g & 0xFF) << 8) |
           (static_cast<TColor>(b & 0xFF) << 16);
}

// Single-line text in `r`, cut with an ellipsis when it is too wide.
void DrawLine(QPainter& p, const QRect& r, Qt::Alignment align, const QString& text) {
    const QString shown = p.fontMetrics().elidedText(text, Qt::ElideRight, std::max(0, r.width()));
    p.drawText(r, static_cast<int>(align) | Qt::TextSingleLine, shown);
}

// The weekday names of the header when a column is too narrow for the locale's long names.
const char* const kShortWeekdays[] = {"日", "一", "二", "三", "四", "五", "六"};

// Where the right-aligned month number ends: at "月".
constexpr int kMonthLabelRight = 45;

// Labels the control places itself: transparent, sized to their text.
class TitleLabel : public QLabel {
public:
    using QLabel::QLabel;
};

} // namespace

QColor ToQColor(TColor c) {
    return QColor(Red(c), Green(c), Blue(c));
}

// ---- Drawing helpers ------------------------------------------------------------------------

void GradientBandSpan(int k, int bands, int length, int& from, int& to) {
    from = static_cast<int>(std::nearbyint(static_cast<double>(k - 1) * length / bands));
    to = static_cast<int>(std::nearbyint(static_cast<double>(k) * length / bands));
}

TColor GradientBand(int k, int bands, TColor a, TColor b) {
    auto channel = [&](int ca, int cb) {
        const double step = static_cast<double>(ca - cb) / bands;
        return static_cast<int>(cb + std::nearbyint(k * step)) & 0xFF;
    };
    return Rgb(channel(Red(a), Red(b)), channel(Green(a), Green(b)), channel(Blue(a), Blue(b)));
}

void GradientFill(QPainter& p, const QRect& rect, int bands, bool vertical, TColor a, TColor b) {
    if (bands < 1) return;
    const int length = vertical ? rect.height() : rect.width();
    for (int k = 1; k <= bands; ++k) {
        int from = 0, to = 0;
        GradientBandSpan(k, bands, length, from, to);
        if (to <= from) continue;
        const QRect band = vertical ? QRect(rect.left(), rect.top() + from, rect.width(), to - from)
                                    : QRect(rect.left() + from, rect.top(), to - from, rect.height());
        p.fillRect(band, ToQColor(GradientBand(k, bands, a, b)));
    }
}

void FitPicture(int pw, int ph, int bw, int bh, bool centre, QRect& r) {
    // A picture without height has no proportions: the rectangle stays as it was.
    if (ph == 0) return;
    const double q = static_cast<double>(pw) / ph;
    int w = 0, h = 0;
    if (ph < pw) {
        if (q == 0) return;
        h = static_cast<int>(bw / q);
        w = bw;
        if (bh < h) {
            w = static_cast<int>(q * bh);
            h = bh;
        }
    } else {
        w = static_cast<int>(q * bh);
        h = bh;
        if (bw < w) {
            h = q == 0 ? 0 : static_cast<int>(bw / q);
            w = bw;
        }
    }
    r = QRect(0, 0, w, h);
    if (centre) r.translate((bw - w) / 2, (bh - h) / 2);
}

void BlendPicture(QImage& dst, QImage& src, int x0, int y0, std::int64_t key, int percent) {
    if (dst.format() != QImage::Format_RGB888) dst = dst.convertToFormat(QImage::Format_RGB888);
    if (src.format() != QImage::Format_RGB888) src = src.convertToFormat(QImage::Format_RGB888);
    if (src.isNull() || dst.isNull()) return;
    auto colourAt = [](const uchar* px) { return Rgb(px[0], px[1], px[2]); };
    const TColor keyColour = key == -1 ? colourAt(src.constScanLine(0)) : static_cast<TColor>(key);
    const int f = percent % 100;
    for (int y = 0; y < src.height(); ++y) {
        const int ty = y0 + y;
        if (ty < 0 || ty >= dst.height()) continue;
        const uchar* s = src.constScanLine(y);
        uchar* d = dst.scanLine(ty);
        for (int x = 0; x < src.width(); ++x) {
            const int tx = x0 + x;
            if (tx < 0 || tx >= dst.width()) continue;
            const uchar* sp = s + 3 * x;
            if (colourAt(sp) == keyColour) continue;
            uchar* dp = d + 3 * tx;
            for (int c = 0; c < 3; ++c)
                dp[c] = static_cast<uchar>(std::clamp(((100 - f) * dp[c] + f * sp[c]) / 100, 0, 255));
        }
    }
}

// ---- TUpDown -------------------------------------------------------------------------------

TUpDown::TUpDown(int min, int max, QWidget* parent)
    : QWidget(parent), m_min(min), m_max(max), m_position(min), m_repeat(new QTimer(this)) {
    resize(kWidth, kHeight);
    setCursor(Qt::ArrowCursor);
    connect(m_repeat, &QTimer::timeout, this, [this] {
        m_repeat->setInterval(100);
        if (m_pressed != 0 && m_over) Step(m_pressed == 1);
    });
}

int TUpDown::ArrowAt(QPointF p) const {
    if (!rect().contains(p.toPoint())) return 0;
    return p.y() < height() / 2 ? 1 : -1;
}

void TUpDown::SetPosition(int p) {
    m_position = std::clamp(p, m_min, m_max);
}

void TUpDown::Step(bool up) {
    SetPosition(m_position + (up ? 1 : -1));
    emit clicked(up);
}

void TUpDown::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const int half = height() / 2;
    for (int part = 0; part < 2; ++part) {
        const bool upper = part == 0;
        const QRect r = upper ? QRect(0, 0, width(), half) : QRect(0, half, width(), height() - half);
        const bool down = m_over && m_pressed == (upper ? 1 : -1);
        p.fillRect(r, down ? QColor(0xCC, 0xCC, 0xCC) : QColor(0xF0, 0xF0, 0xF0));
        p.setPen(QColor(0xA0, 0xA0, 0xA0));
        p.setBrush(Qt::NoBrush);
        p.drawRect(r.adjusted(0, 0, -1, -1));
        const QPoint c = r.center() + QPoint(down ? 1 : 0, down ? 1 : 0);
        QPolygon arrow;
        if (upper)
            arrow << c + QPoint(-3, 2) << c + QPoint(3, 2) << c + QPoint(0, -1);
        else
            arrow << c + QPoint(-3, -1) << c + QPoint(3, -1) << c + QPoint(0, 2);
        p.setPen(Qt::NoPen);
        p.setBrush(isEnabled() ? QColor(0x30, 0x30, 0x30) : QColor(0xA0, 0xA0, 0xA0));
        p.drawPolygon(arrow);
    }
}

void TUpDown::mousePressEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) return;
    m_pressed = ArrowAt(e->position());
    if (m_pressed == 0) return;
    m_over = true;
    update();
    // The step comes with the press; held down, the arrow repeats after a pause.
    m_repeat->start(400);
    Step(m_pressed == 1);
}

void TUpDown::mouseMoveEvent(QMouseEvent* e) {
    if (m_pressed == 0) return;
    const bool over = ArrowAt(e->position()) == m_pressed;
    if (over != m_over) {
        m_over = over;
        update();
    }
}

void TUpDown::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) return;
    m_pressed = 0;
    m_repeat->stop();
    update();
}

// ---- TDayGrid ------------------------------------------------------------------------------

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

// ---- TChnCalendar --------------------------------------------------------------------------

TChnCalendar::TChnCalendar(QWidget* parent, const Clock* clock) : QWidget(parent), m_clock(clock) {
    setFont(Face(QStringLiteral("宋体"), 9));
    m_fontDate = Face(QStringLiteral("黑体"), 9, true);
    m_fontCnDate = Face(QStringLiteral("宋体"), 9);
    using C = Colour;
    auto set = [this](C c, TColor v) { m_colours[static_cast<int>(c)] = v; };
    set(C::TitleWeekLine, 12961221);
    set(C::TitleWeekEnd, 255);
    set(C::TitleWeek, 5197647);
    set(C::CnDate, 32768);
    set(C::Date, 5197647);
    set(C::Holiday, 33023);
    set(C::LunarHolDay, 16733011);
    set(C::CnHolDay, 33023);
    set(C::SelectedStart, 5484032);
    set(C::SelectedEnd, 6673664);
    set(C::SelectedFrame, 4625152);
    set(C::WeekNum, 8421504);
    set(C::ShowFrame, 8421504);
    set(C::BackYear, 14543103);
    set(C::BackMonth, 15461355);
    set(C::TitleToday, 16711680);
    set(C::TitleMonth, 12615808);
    set(C::TitleYear, 16711680);
    set(C::TitleSelected, 8421504);
    set(C::TitleConstellation, 0);
    set(C::TitleAnimalsYear, 0);

    // The children: the grid, the spin buttons and the six labels.
    m_grid = new TDayGrid(this);
    m_grid->setObjectName(QStringLiteral("DayGrid"));
    m_monthSpin = new TUpDown(0, 13, this);
    m_monthSpin->setObjectName(QStringLiteral("MonthSpin"));
    m_monthSpin->move(60, 10);
    m_yearSpin = new TUpDown(1, 2100, this);
    m_yearSpin->setObjectName(QStringLiteral("YearSpin"));
    m_yearSpin->move(220, 10);
    connect(m_monthSpin, &TUpDown::clicked, this, [this](bool) { MonthSpinClick(); });
    connect(m_yearSpin, &TUpDown::clicked, this, [this](bool) { YearSpinClick(); });

    QFont monthFont = UiFont(QStringLiteral("Arial"), PointsToPixels(24), true);
    m_monthLabel = MakeLabel(QStringLiteral("0"), monthFont, Color(C::TitleMonth), QPoint(34, 3), true);
    m_monthLabel->setObjectName(QStringLiteral("MonthLabel"));
    m_monthLabel->setAlignment(Qt::AlignRight | Qt::AlignTop);
    m_monthCharLabel =
        MakeLabel(QStringLiteral("月"), Face(QStringLiteral("宋体"), 9), 0, QPoint(45, 20), true);
    m_monthCharLabel->setObjectName(QStringLiteral("MonthCharLabel"));
    m_yearLabel = MakeLabel(QStringLiteral("0"), HeavyFace(22), Color(C::TitleYear), QPoint(120, 0), true);
    m_yearLabel->setObjectName(QStringLiteral("YearLabel"));
    m_yearCharLabel =
        MakeLabel(QStringLiteral("年"), Face(QStringLiteral("宋体"), 9), 0, QPoint(205, 18), true);
    m_yearCharLabel->setObjectName(QStringLiteral("YearCharLabel"));
    QFont todayFont = Face(QStringLiteral("宋体"), 9);
    todayFont.setUnderline(true);
    m_todayLabel = MakeLabel(QStringLiteral("今天"), todayFont, Color(C::TitleToday), QPoint(272, 18), true);
    m_todayLabel->setObjectName(QStringLiteral("TodayLabel"));
    m_infoLabel = MakeLabel(QString(), Face(QStringLiteral("宋体"), 9), Color(C::TitleSelected),
                            QPoint(10, 236), false);
    m_infoLabel->setObjectName(QStringLiteral("InfoLabel"));
    for (QLabel* l : {m_monthLabel, m_monthCharLabel, m_yearLabel, m_yearCharLabel, m_todayLabel}) {
        l->installEventFilter(this);
        l->setContextMenuPolicy(Qt::PreventContextMenu);
    }
    m_grid->installEventFilter(this);

    m_monthMenu = new QMenu(this);
    m_monthMenu->setObjectName(QStringLiteral("MonthMenu"));
    m_yearMenu = new QMenu(this);
    m_yearMenu->setObjectName(QStringLiteral("YearMenu"));

    m_backgroundBitmap = QImage(std::max(1, width()), std::max(1, height()), QImage::Format_RGB888);
    m_backgroundBitmap.fill(Qt::white);
    resize(313, 253);

    // What creating the control's window does: the menus, today, the title band.
    BuildMenus();
    m_loaded = true;
    MonthFill(Now(), false);
    ApplyTitleMode(true);
}

TChnCalendar::~TChnCalendar() = default;

QLabel* TChnCalendar::MakeLabel(const QString& text, const QFont& font, TColor colour, QPoint at, bool hand) {
    auto* l = new TitleLabel(text, this);
    l->setFont(font);
    l->setAttribute(Qt::WA_TranslucentBackground);
    l->setAutoFillBackground(false);
    l->move(at);
    if (hand) l->setCursor(Qt::PointingHandCursor);
    SetLabelColour(l, colour);
    l->adjustSize();
    return l;
}

void TChnCalendar::SetLabelColour(QLabel* label, TColor c) {
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, ToQColor(c));
    label->setPalette(pal);
}

TDateTime TChnCalendar::Now() const {
    if (m_clock) {
        const LocalDateTime n = m_clock->now();
        TDateTime d = 0;
        if (!calendar::TryEncodeDate(n.year, n.month, n.day, d)) return 0;
        return d + (n.hour * 3600000.0 + n.minute * 60000.0 + n.second * 1000.0 + n.millisecond) / 86400000.0;
    }
    const QDateTime n = QDateTime::currentDateTime();
    const QDate date = n.date();
    const QTime time = n.time();
    return calendar::EncodeDate(date.year(), date.month(), date.day()) +
           time.msecsSinceStartOfDay() / 86400000.0;
}

// ---- Properties ----------------------------------------------------------------------------

void TChnCalendar::SetShowWeekNum(bool v) {
    if (v == m_showWeekNum) return;
    m_showWeekNum = v;
    m_grid->SetColWidth(0, v ? 18 : 6);
    // The day columns share what the wider or narrower week column leaves.
    LayoutGrid();
    RepaintGrid();
}

void TChnCalendar::SetShowFrame(bool v) {
    m_showFrame = v;
    RebuildAndRepaint();
}

void TChnCalendar::SetShowBackYearMonth(bool v) {
    m_showBackYearMonth = v;
    RebuildAndRepaint();
}

void TChnCalendar::SetShowWeekNumLine(bool v) {
    m_showWeekNumLine = v;
    RepaintGrid();
}

void TChnCalendar::SetFontDate(const QFont& f) {
    m_fontDate = f;
    RepaintGrid();
}

void TChnCalendar::SetFontCnDate(const QFont& f) {
    m_fontCnDate = f;
    RepaintGrid();
}

TColor TChnCalendar::Color(Colour which) const {
    switch (which) {
    case Colour::TitleToday:
        return m_todayLabel ? FromLabel(m_todayLabel) : m_colours[static_cast<int>(which)];
    case Colour::TitleMonth:
        return m_monthLabel ? FromLabel(m_monthLabel) : m_colours[static_cast<int>(which)];
    case Colour::TitleYear:
        return m_yearLabel ? FromLabel(m_yearLabel) : m_colours[static_cast<int>(which)];
    case Colour::TitleSelected:
        return m_infoLabel ? FromLabel(m_infoLabel) : m_colours[static_cast<int>(which)];
    default:
        return m_colours[static_cast<int>(which)];
    }
}

TColor TChnCalendar::FromLabel(const QLabel* label) {
    const QColor c = label->palette().color(QPalette::WindowText);
    return Rgb(c.red(), c.green(), c.blue());
}

void TChnCalendar::SetColor(Colour which, TColor value) {
    m_colours[static_cast<int>(which)] = value;
    switch (which) {
    case Colour::CnDate:
    case Colour::Date:
    case Colour::Holiday:
    case Colour::LunarHolDay:
    case Colour::CnHolDay:
        Refill();
        break;
    case Colour::WeekNum:
        if (m_showWeekNum) RepaintGrid();
        break;
    case Colour::ShowFrame:
        if (m_showFrame) RebuildAndRepaint();
        break;
    case Colour::BackYear:
    case Colour::BackMonth:
        RebuildAndRepaint();
        break;
    case Colour::TitleToday:
        SetLabelColour(m_todayLabel, value);
        break;
    case Colour::TitleMonth:
        SetLabelColour(m_monthLabel, value);
        break;
    case Colour::TitleYear:
        SetLabelColour(m_yearLabel, value);
        break;
    case Colour::TitleSelected:
        SetLabelColour(m_infoLabel, value);
        break;
    case Colour::TitleConstellation:
    case Colour::TitleAnimalsYear:
        break;
    default:
        RepaintGrid();
        break;
    }
}

void TChnCalendar::SetBackGround(const QImage& picture) {
    m_backGround = picture;
    RebuildAndRepaint();
}

void TChnCalendar::SetCenter(bool v) {
    m_center = v;
    RebuildAndRepaint();
}

void TChnCalendar::SetStretch(bool v) {
    m_stretch = v;
    RebuildAndRepaint();
}

void TChnCalendar::SetTransparent(bool v) {
    m_transparent = v;
    RebuildAndRepaint();
}

void TChnCalendar::SetAlphaBlend(int v) {
    m_alphaBlend = std::clamp(v, 0, 255);
    RebuildAndRepaint();
}

void TChnCalendar::SyncSize() {
    // A hidden control gets its resize event only when it is shown; its layout follows the size at once.
    if (m_loaded && size() != m_laidOutSize) ApplyTitleMode(m_showTitle);
}

void TChnCalendar::RebuildAndRepaint() {
    if (!m_loaded) return;
    SyncSize();
    RebuildBackground();
    update();
    RepaintGrid();
}

void TChnCalendar::RepaintGrid() {
    if (m_grid) m_grid->update();
}

void TChnCalendar::Refill() {
    if (m_loaded) MonthFill(m_dateTime, true);
}

// ---- The month fill ------------------------------------------------------------------------

void TChnCalendar::MonthFill(TDateTime x, bool force) {
    if (!force && x == m_dateTime) return;
    int year = 0, month = 0, day = 0;
    if (!calendar::DecodeDate(x, year, month, day)) return;
    if (year < m_yearSpin->Min() || year > m_yearSpin->Max()) return;

    m_dateTime = x;
    m_yearSpin->SetPosition(year);
    m_monthSpin->SetPosition(month);

    m_dayFacts.SetDate(x);
    m_cnMonth = Utf8(m_dayFacts.CnMonth);
    m_cnDay = Utf8(m_dayFacts.CnDay);
    m_cnDate = m_cnMonth + m_cnDay;

    m_yearLabel->setText(QString::number(year));
    m_yearLabel->adjustSize();
    // The month number grows to the left: its right edge stays by "月".
    m_monthLabel->setText(QString::number(month));
    m_monthLabel->adjustSize();
    m_monthLabel->move(kMonthLabelRight - m_monthLabel->width(), m_monthLabel->y());

    for (int i = 40; i <= 42; ++i)
        m_cells[i].Present = true;
    m_cells[41].SolarText = Utf8(m_dayFacts.GanZhiYear);
    m_cells[42].SolarText = Utf8(m_dayFacts.AnimalsYear) + QStringLiteral("年");

    if (year < 1949)
        m_infoLabel->setText(Utf8(m_dayFacts.EraName) + QStringLiteral(" 农历") + m_cnDate);
    else
        m_infoLabel->setText(Utf8(calendar::FormatIsoDate(year, month, day)) + QStringLiteral(" 农历") +
                             m_cnDate);
    m_infoLabel->adjustSize();

    for (QString& w : m_weekLabels)
        w.clear();
    for (int i = 1; i <= 37; ++i) {
        TDayCell& c = m_cells[i];
        c.Present = false;
        c.Day = 0;
        c.SolarText.clear();
        c.LunarText.clear();
        c.SolarColor = (i % 7 == 1 || i % 7 == 0) ? 255 : Color(Colour::Date);
    }

    const int first = calendar::DayOfWeek(year, month, 1);
    const int n = calendar::GregorianDaysInMonth(year, month);
    int lastWeek = -1;
    std::size_t k = 1;
    try {
        for (int i = first; i <= first + n - 1; ++i) {
            const int d = i - first + 1;
            m_dayFacts.SetDate(calendar::EncodeDate(year, month, d));
            const int week = calendar::IsoWeekOfYear(year, month, d);
            if (week != lastWeek) {
                lastWeek = week;
                if (k < m_weekLabels.size()) m_weekLabels[k] = QString::number(week);
                ++k;
            }
            TDayCell& c = m_cells[i];
            c.SolarText = QString::number(d);
            c.Day = d;
            const calendar::DayCellLabel label = calendar::DayCellText(m_dayFacts);
            c.LunarText = Utf8(label.text);
            switch (label.kind) {
            case calendar::DayCellTextKind::LunarDay:
                c.LunarColor = Color(Colour::CnDate);
                break;
            case calendar::DayCellTextKind::LunarMonthStart:
                c.LunarColor = 255;
                break;
            case calendar::DayCellTextKind::Holiday:
                c.LunarColor = Color(Colour::Holiday);
                break;
            case calendar::DayCellTextKind::SolarTerm:
                c.LunarColor = Color(Colour::LunarHolDay);
                break;
            case calendar::DayCellTextKind::LunarHoliday:
                c.LunarColor = Color(Colour::CnHolDay);
                break;
            }
            if (d == day) {
                m_cells[40].SolarText = Utf8(m_dayFacts.Constellation);
                m_selectingCell = true;
                if (i % 7 != 0)
                    m_grid->SetCurrent(i % 7, i / 7 + 1);
                else
                    m_grid->SetCurrent(7, i / 7);
                m_selectingCell = false;
            }
            c.Present = true;
        }
        SyncSize();
        RebuildBackground();
        update();
        RepaintGrid();
        if (OnChange) OnChange(this);
    } catch (...) {
        // The fill stops where it was; the cells already filled stay, and no change is reported.
        m_selectingCell = false;
    }
}

void TChnCalendar::GoToday() {
    SetDateTime(Now());
}

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
    RebuildBackground();
    update();
    RepaintGrid();
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
                    p.setFont(Face(QStringLiteral("宋体"), 9));
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
                    p.setFont(Face(QStringLiteral("宋体"), 9));
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
        } catch (...) {
            // A failing handler still leaves the cell's background and what was drawn before it.
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

void TChnCalendar::leaveEvent(QEvent* e) {
    QWidget::leaveEvent(e);
    m_mousePressed = false;
}

void TChnCalendar::changeEvent(QEvent* e) {
    QWidget::changeEvent(e);
    if (e->type() == QEvent::FontChange && m_loaded) RebuildAndRepaint();
}

// ---- Menus and interaction ---------------------------------------------------------------------

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
    m_grid->SetColWidth(0, m_showWeekNum ? 18 : 6);
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
