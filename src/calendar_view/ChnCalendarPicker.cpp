#include "calendar_view/ChnCalendarPicker.h"

#include "calendar/ChnCalendarUse.h"
#include "calendar/DateTime.h"
#include "calendar_view/CalendarLog.h"
#include "platform/Clock.h"
#include "ui/Chrome.h"

#include <QDateTime>
#include <QPalette>

#include <algorithm>
#include <exception>

namespace nodo {

using calendar::TDateTime;
using namespace calendar_drawing;

namespace {

QString Utf8(const std::string& s) {
    return QString::fromStdString(s);
}

// Where the right-aligned month number ends: at "月".
constexpr int kMonthLabelRight = 45;

} // namespace

// ---- TChnCalendar --------------------------------------------------------------------------

TChnCalendar::TChnCalendar(QWidget* parent, const Clock* clock) : QWidget(parent), m_clock(clock) {
    setFont(SmallFace());
    m_fontDate = Face(QStringLiteral("黑体"), 9, true);
    m_fontCnDate = SmallFace();
    using C = Colour;
    auto set = [this](C c, TColor v) { m_colours[static_cast<int>(c)] = v; };
    set(C::TitleWeekLine, 12961221);
    set(C::TitleWeekEnd, kCalendarRed);
    set(C::TitleWeek, 5197647);
    const MonthColours cells;
    set(C::CnDate, cells.cnDate);
    set(C::Date, cells.date);
    set(C::Holiday, cells.holiday);
    set(C::LunarHolDay, cells.lunarHolDay);
    set(C::CnHolDay, cells.cnHolDay);
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
    m_monthCharLabel = MakeLabel(QStringLiteral("月"), SmallFace(), 0, QPoint(45, 20), true);
    m_monthCharLabel->setObjectName(QStringLiteral("MonthCharLabel"));
    m_yearLabel = MakeLabel(QStringLiteral("0"), HeavyFace(22), Color(C::TitleYear), QPoint(120, 0), true);
    m_yearLabel->setObjectName(QStringLiteral("YearLabel"));
    m_yearCharLabel = MakeLabel(QStringLiteral("年"), SmallFace(), 0, QPoint(205, 18), true);
    m_yearCharLabel->setObjectName(QStringLiteral("YearCharLabel"));
    QFont todayFont = SmallFace();
    todayFont.setUnderline(true);
    m_todayLabel = MakeLabel(QStringLiteral("今天"), todayFont, Color(C::TitleToday), QPoint(272, 18), true);
    m_todayLabel->setObjectName(QStringLiteral("TodayLabel"));
    m_infoLabel = MakeLabel(QString(), SmallFace(), Color(C::TitleSelected), QPoint(10, 236), false);
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
    auto* l = new QLabel(text, this);
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
    m_grid->SetColWidth(0, WeekColumnWidth(v));
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

QLabel* TChnCalendar::LabelOf(Colour which) const {
    switch (which) {
    case Colour::TitleToday:
        return m_todayLabel;
    case Colour::TitleMonth:
        return m_monthLabel;
    case Colour::TitleYear:
        return m_yearLabel;
    case Colour::TitleSelected:
        return m_infoLabel;
    default:
        return nullptr;
    }
}

TColor TChnCalendar::Color(Colour which) const {
    // A label's colour is its font colour; before the labels exist the stored value stands for it.
    if (const QLabel* label = LabelOf(which)) return FromLabel(label);
    return m_colours[static_cast<int>(which)];
}

TColor TChnCalendar::FromLabel(const QLabel* label) {
    const QColor c = label->palette().color(QPalette::WindowText);
    return Rgb(c.red(), c.green(), c.blue());
}

void TChnCalendar::SetColor(Colour which, TColor value) {
    m_colours[static_cast<int>(which)] = value;
    if (QLabel* label = LabelOf(which)) {
        SetLabelColour(label, value);
        return;
    }
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
    Recompose();
}

void TChnCalendar::Recompose() {
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

MonthColours TChnCalendar::CellColours() const {
    MonthColours c;
    c.date = Color(Colour::Date);
    c.cnDate = Color(Colour::CnDate);
    c.holiday = Color(Colour::Holiday);
    c.lunarHolDay = Color(Colour::LunarHolDay);
    c.cnHolDay = Color(Colour::CnHolDay);
    return c;
}

void TChnCalendar::MonthFill(TDateTime x, bool force) {
    if (!force && x == m_dateTime) return;
    int year = 0, month = 0, day = 0;
    if (!calendar::DecodeDate(x, year, month, day)) return;
    if (year < m_yearSpin->Min() || year > m_yearSpin->Max()) return;

    // The month is computed whole before anything changes: a failure leaves the control showing the
    // date it showed, rather than a month half filled under a new date.
    MonthModel shown;
    try {
        shown = ComputeMonth(m_dayFacts, x, CellColours());
    } catch (const std::exception& e) {
        qCWarning(lcCalendarView) << "the month of" << year << month << "was not computed:" << e.what();
        return;
    }
    m_dateTime = x;
    ShowMonth(shown);
    RebuildAndRepaint();
    if (!OnChange) return;
    try {
        OnChange(this);
    } catch (const std::exception& e) {
        qCWarning(lcCalendarView) << "the change handler failed:" << e.what();
    } catch (...) {
        qCWarning(lcCalendarView) << "the change handler failed with an unknown exception";
    }
}

void TChnCalendar::ShowMonth(const MonthModel& month) {
    m_yearSpin->SetPosition(month.year);
    m_monthSpin->SetPosition(month.month);
    m_cnMonth = Utf8(month.cnMonth);
    m_cnDay = Utf8(month.cnDay);
    m_cnDate = Utf8(month.cnDate);

    m_yearLabel->setText(QString::number(month.year));
    m_yearLabel->adjustSize();
    // The month number grows to the left: its right edge stays by "月".
    m_monthLabel->setText(QString::number(month.month));
    m_monthLabel->adjustSize();
    m_monthLabel->move(kMonthLabelRight - m_monthLabel->width(), m_monthLabel->y());
    m_infoLabel->setText(Utf8(month.info));
    m_infoLabel->adjustSize();

    for (int i = 1; i <= MonthModel::kCells; ++i) {
        const MonthCell& from = month.cells[i];
        TDayCell& to = m_cells[i];
        to.Day = from.day;
        to.Present = from.present;
        to.SolarText = Utf8(from.solarText);
        to.LunarText = Utf8(from.lunarText);
        to.SolarColor = from.solarColor;
        to.LunarColor = from.lunarColor;
    }
    for (std::size_t row = 0; row < m_weekLabels.size(); ++row)
        m_weekLabels[row] = Utf8(month.weekLabels[row]);
    m_selectingCell = true;
    m_grid->SetCurrent(month.currentCol, month.currentRow);
    m_selectingCell = false;
}

void TChnCalendar::GoToday() {
    SetDateTime(Now());
}

} // namespace nodo
