#include "calendar_view/ChnCalendarPicker.h"

#include "SelectedDayCases.h"
#include "calendar/DateTime.h"
#include "support/fakes/Fakes.h"
#include "ui/Chrome.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QLocale>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QTest>
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <tuple>
#include <vector>

using namespace nodo;
using calendar::EncodeDate;
using calendar::TDateTime;

namespace {

QString U(const char* s) {
    return QString::fromUtf8(s);
}

// The calendar as the main window's form lays it out, its clock at 2024-02-10 09:30.
class CalendarTest : public ::testing::Test {
protected:
    void SetUp() override {
        clock.value = {2024, 2, 10, 9, 30, 0, 0};
        cal = std::make_unique<TChnCalendar>(nullptr, &clock);
        cal->setGeometry(2, 2, 419, 255);
        cal->SetShowFrame(false);
        cal->SetStretch(true);
        cal->SetTransparent(true);
        cal->SetFontDate(UiFont(U("黑体"), 12, true));
        cal->SetFontCnDate(UiFont(U("宋体"), 12));
    }
    void go(int y, int m, int d) { cal->SetDateTime(EncodeDate(y, m, d)); }
    static int Y(TDateTime t) { return Part(t, 0); }
    static int M(TDateTime t) { return Part(t, 1); }
    static int D(TDateTime t) { return Part(t, 2); }
    static int Part(TDateTime t, int which) {
        calendar::CivilDate c;
        calendar::DecodeDate(t, c);
        return which == 0 ? c.year : which == 1 ? c.month : c.day;
    }
    // The grid's centre of a day cell (grid coordinates).
    QPoint cellCentre(int col, int row) const { return cal->DayGrid()->CellRect(col, row).center(); }
    int selectedIndex() const { return cal->DayGrid()->Col() + 7 * (cal->DayGrid()->Row() - 1); }

    fakes::FakeClock clock;
    std::unique_ptr<TChnCalendar> cal;
};

// ---- The month fill --------------------------------------------------------------------------------

TEST_F(CalendarTest, MonthFillPlacesTheFirstOnItsWeekday) {
    const struct {
        int y, m;
        int first, last;      // cell indexes of the 1st and the last day
        const char* weekRow1; // week label of row 1
        const char* weekRow2;
    } cases[] = {
        {2023, 1, 1, 31, "52", "1"}, // starts on a Sunday: the Sunday belongs to the last ISO week of 2022
        {2022, 1, 7, 37, "52", "1"}, // starts on a Saturday: the largest index used
        {2024, 2, 5, 33, "5", "6"},  // a leap February from a Thursday
        {2015, 2, 1, 28, "5", "6"},  // four full weeks
    };
    for (const auto& c : cases) {
        go(c.y, c.m, 1);
        for (int i = 1; i <= 39; ++i) {
            const TDayCell& cell = cal->Cell(i);
            const bool inMonth = i >= c.first && i <= c.last;
            ASSERT_EQ(cell.Present, inMonth) << c.y << "-" << c.m << " cell " << i;
            if (!inMonth) {
                EXPECT_TRUE(cell.SolarText.isEmpty());
                continue;
            }
            EXPECT_EQ(cell.Day, i - c.first + 1);
            EXPECT_EQ(cell.SolarText, QString::number(cell.Day));
            EXPECT_FALSE(cell.LunarText.isEmpty());
            // Sunday and Saturday in red, the other days in ColorDate.
            const bool weekend = i % 7 == 1 || i % 7 == 0;
            EXPECT_EQ(cell.SolarColor, weekend ? 255u : 5197647u) << i;
        }
        EXPECT_EQ(cal->WeekLabel(1), U(c.weekRow1)) << c.y << "-" << c.m;
        EXPECT_EQ(cal->WeekLabel(2), U(c.weekRow2)) << c.y << "-" << c.m;
        EXPECT_EQ(selectedIndex(), c.first) << c.y << "-" << c.m;
        for (int i = 40; i <= 42; ++i)
            EXPECT_TRUE(cal->Cell(i).Present);
    }
}

TEST_F(CalendarTest, SelectedDayFillsTheTextsAndTheInfoLine) {
    for (const auto& c : nodo::test::kSelectedDays) {
        go(c.y, c.m, c.d);
        EXPECT_EQ(cal->CnMonth(), U(c.cnMonth)) << c.info;
        EXPECT_EQ(cal->CnDay(), U(c.cnDay)) << c.info;
        EXPECT_EQ(cal->CnDate(), U(c.cnMonth) + U(c.cnDay));
        EXPECT_EQ(cal->InfoLabel()->text(), U(c.info));
        EXPECT_EQ(cal->Cell(40).SolarText, U(c.starSign)) << c.info;
        EXPECT_EQ(cal->Cell(41).SolarText, U(c.ganZhi)) << c.info;
        EXPECT_EQ(cal->Cell(42).SolarText, U(c.animal)) << c.info;
        EXPECT_EQ(cal->YearLabel()->text(), QString::number(c.y));
        EXPECT_EQ(cal->MonthLabel()->text(), QString::number(c.m));
        EXPECT_EQ(cal->YearSpin()->Position(), c.y);
        EXPECT_EQ(cal->MonthSpin()->Position(), c.m);
        EXPECT_EQ(cal->Cell(selectedIndex()).Day, c.d);
    }
}

TEST_F(CalendarTest, LunarTextPrecedenceAndColours) {
    const struct {
        int y, m, d;
        const char* text;
        TColor colour;
    } cases[] = {
        {2024, 2, 11, "初二", 32768}, // the lunar day in ColorCnDate
        {2013, 1, 2, "廿一", 32768},
        {2004, 3, 21, "闰二", 255}, // the first of a leap month: its "闰" name in red
        {2001, 5, 23, "闰四", 255},
        {2023, 5, 19, "四月", 255},       // the first of an ordinary month
        {2020, 2, 14, "情人节", 33023},   // a Gregorian festival over the lunar day
        {2001, 11, 22, "小雪", 16733011}, // a solar term over a Gregorian festival
        {2000, 2, 4, "除夕", 33023},      // a lunar festival over a solar term
        {2000, 2, 19, "元宵节", 33023},
        {2024, 2, 10, "春节", 33023}, // a lunar festival over the month name
    };
    for (const auto& c : cases) {
        go(c.y, c.m, c.d);
        const TDayCell& cell = cal->Cell(selectedIndex());
        EXPECT_EQ(cell.LunarText, U(c.text)) << c.y << "-" << c.m << "-" << c.d;
        EXPECT_EQ(cell.LunarColor, c.colour) << c.y << "-" << c.m << "-" << c.d;
    }
    // A colour feeding the cells reaches every cell at once.
    go(2024, 2, 11);
    cal->SetColor(TChnCalendar::Colour::CnDate, 0x123456);
    EXPECT_EQ(cal->Cell(selectedIndex()).LunarColor, 0x123456u);
    cal->SetColor(TChnCalendar::Colour::Date, 0x654321);
    EXPECT_EQ(cal->Cell(selectedIndex()).SolarColor, 255u); // a Sunday stays red
    EXPECT_EQ(cal->Cell(selectedIndex() + 1).SolarColor, 0x654321u);
}

TEST_F(CalendarTest, ChangeFiresOncePerNewDateAndYearsOutsideAreIgnored) {
    int changes = 0;
    cal->OnChange = [&](TChnCalendar* sender) {
        EXPECT_EQ(sender, cal.get());
        ++changes;
    };
    const TDateTime t = EncodeDate(2013, 1, 2) + 0.25;
    cal->SetDateTime(t);
    cal->SetDateTime(t);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(cal->DateTime(), t); // the time of day is kept
    cal->SetDateTime(EncodeDate(2013, 1, 2));
    EXPECT_EQ(changes, 2); // midnight is another value

    const QString info = cal->InfoLabel()->text();
    for (TDateTime outside : {EncodeDate(2101, 1, 1), EncodeDate(9999, 12, 31), EncodeDate(1, 1, 1) - 1}) {
        cal->SetDateTime(outside);
        EXPECT_EQ(cal->DateTime(), EncodeDate(2013, 1, 2));
        EXPECT_EQ(cal->InfoLabel()->text(), info);
        EXPECT_EQ(cal->YearLabel()->text(), U("2013"));
        EXPECT_TRUE(cal->Cell(3).Present);
    }
    EXPECT_EQ(changes, 2);
    // The edges of the range are shown.
    go(1, 1, 1);
    EXPECT_EQ(cal->YearLabel()->text(), U("1"));
    go(2100, 12, 31);
    EXPECT_EQ(cal->YearLabel()->text(), U("2100"));
    EXPECT_EQ(changes, 4);
}

TEST_F(CalendarTest, AFailingChangeHandlerStopsTheFillQuietly) {
    cal->OnChange = [](TChnCalendar*) { throw std::runtime_error("handler"); };
    EXPECT_NO_THROW(go(2024, 3, 15));
    EXPECT_EQ(D(cal->DateTime()), 15);
    EXPECT_TRUE(cal->Cell(6).Present); // 2024-03-01 is a Friday
}

TEST_F(CalendarTest, StartsAtTheClocksTimeWithTheTitleOn) {
    EXPECT_DOUBLE_EQ(cal->DateTime(), EncodeDate(2024, 2, 10) + 9.5 / 24);
    EXPECT_TRUE(cal->ShowTitle());
    EXPECT_TRUE(cal->MonthSpin()->isVisibleTo(cal.get()));
    clock.value = {2013, 1, 2, 8, 0, 0, 0};
    cal->GoToday();
    EXPECT_EQ(cal->CnDate(), U("冬月廿一"));
}

// ---- Layout and painting -------------------------------------------------------------------

TEST_F(CalendarTest, LayoutOfTheGrid) {
    cal->show();
    const TDayGrid* g = cal->DayGrid();
    EXPECT_EQ(g->geometry(), QRect(8, 40, 404, 188));
    const int rows[] = {18, 27, 27, 27, 27, 27, 35};
    for (int r = 0; r < 7; ++r)
        EXPECT_EQ(g->RowHeight(r), rows[r]) << r;
    const int cols[] = {6, 55, 55, 55, 55, 55, 55, 55, 13};
    for (int c = 0; c < 9; ++c)
        EXPECT_EQ(g->ColWidth(c), cols[c]) << c;

    // The week-number column takes its width from the day columns' share.
    cal->SetShowWeekNum(true);
    EXPECT_EQ(g->ColWidth(0), 18);
    EXPECT_EQ(g->ColWidth(1), 54);
    EXPECT_EQ(g->ColWidth(8), 8);
    cal->SetShowWeekNum(false);

    // Without the title the grid fills the control but a margin, and the spins go.
    cal->SetShowTitle(false);
    EXPECT_EQ(g->geometry(), QRect(2, 2, 415, 251));
    EXPECT_FALSE(cal->MonthSpin()->isVisibleTo(cal.get()));
    EXPECT_FALSE(cal->YearSpin()->isVisibleTo(cal.get()));
    cal->SetShowTitle(true);

    // A resize lays the grid out again.
    cal->resize(313, 253);
    EXPECT_EQ(g->geometry(), QRect(8, 40, 298, 186));
    EXPECT_EQ(g->ColWidth(1), (298 - 6) / 7 - 1);
    EXPECT_EQ(cal->BackgroundBitmap().size(), QSize(313, 253));
}

TEST(CalendarPainting, FitPicture) {
    const struct {
        int pw, ph, bw, bh;
        bool centre;
        QRect expected;
    } cases[] = {
        {200, 100, 400, 400, false, QRect(0, 0, 400, 200)},  // wide: full width
        {200, 100, 400, 400, true, QRect(0, 100, 400, 200)}, // centred vertically
        {400, 100, 100, 10, false, QRect(0, 0, 40, 10)},     // wide but the height limits
        {100, 200, 400, 400, false, QRect(0, 0, 200, 400)},  // tall: full height
        {100, 200, 400, 400, true, QRect(100, 0, 200, 400)},
        {100, 400, 10, 100, true, QRect(0, 30, 10, 40)},    // tall but the width limits
        {100, 100, 300, 200, true, QRect(50, 0, 200, 200)}, // square counts as tall
        {333, 100, 100, 100, false, QRect(0, 0, 100, 30)},  // truncation
    };
    for (const auto& c : cases) {
        QRect r(7, 7, 7, 7);
        FitPicture(c.pw, c.ph, c.bw, c.bh, c.centre, r);
        EXPECT_EQ(r, c.expected) << c.pw << "x" << c.ph << " in " << c.bw << "x" << c.bh;
    }
    // A picture without height leaves the rectangle as it was.
    QRect r(1, 2, 3, 4);
    FitPicture(100, 0, 50, 50, true, r);
    EXPECT_EQ(r, QRect(1, 2, 3, 4));
}

TEST(CalendarPainting, BlendPicture) {
    const QColor ground(200, 100, 0), key(255, 255, 255), ink(0, 100, 200);
    const struct {
        int percent;
        QColor expected;
    } cases[] = {
        {50, QColor(100, 100, 100)},
        {150, QColor(100, 100, 100)}, // taken mod 100
        {100, ground},                // 100 and 0 leave the ground
        {0, ground},
        {25, QColor(150, 100, 50)},
    };
    for (const auto& c : cases) {
        QImage dst(4, 4, QImage::Format_ARGB32);
        dst.fill(ground);
        QImage src(3, 3, QImage::Format_RGB32);
        src.fill(key); // the top-left pixel is the key colour
        src.setPixelColor(1, 1, ink);
        src.setPixelColor(2, 2, ink);
        BlendPicture(dst, src, 2, 2, -1, c.percent);
        EXPECT_EQ(dst.format(), QImage::Format_RGB888);
        EXPECT_EQ(dst.pixelColor(3, 3), c.expected) << c.percent;
        EXPECT_EQ(dst.pixelColor(2, 2), ground) << "the key colour leaves the ground";
        EXPECT_EQ(dst.pixelColor(0, 0), ground);
    }
    // An explicit key, and a source that hangs over the edges.
    QImage dst(2, 2, QImage::Format_RGB888);
    dst.fill(QColor(0, 0, 0));
    QImage src(3, 3, QImage::Format_RGB888);
    src.fill(QColor(200, 200, 200));
    src.setPixelColor(2, 2, QColor(10, 20, 30));
    BlendPicture(dst, src, -1, -1, 0x1E140A /* RGB(10, 20, 30) */, 50);
    EXPECT_EQ(dst.pixelColor(0, 0), QColor(100, 100, 100));
    EXPECT_EQ(dst.pixelColor(1, 1), QColor(0, 0, 0));
}

TEST(CalendarPainting, GradientBands) {
    const TColor start = 5484032, end = 6673664; // RGB(0, 174, 83) .. RGB(0, 213, 101)
    // The first band is one step past the start, the last band the end colour itself.
    EXPECT_EQ(GradientBand(256, 256, end, start), end);
    const TColor first = GradientBand(1, 256, end, start);
    EXPECT_EQ(first & 0xFF, 0u);
    EXPECT_EQ((first >> 8) & 0xFF, 174u); // 174 + round(39/256) = 174
    EXPECT_EQ((first >> 16) & 0xFF, 83u);
    EXPECT_EQ(GradientBand(7, 256, end, start) >> 8 & 0xFF, 175u); // 7 * 39 / 256 = 1.07
    // Falling channels, and ties rounding to even: 128 * (-1/256) = -0.5 -> 0.
    EXPECT_EQ(GradientBand(128, 256, 0, 1), 1u);
    EXPECT_EQ(GradientBand(256, 256, 0, 1), 0u);

    // Bands over a cell 27 pixels high: most are empty, every row is covered once.
    int covered = 0, from = 0, to = 0;
    for (int k = 1; k <= 256; ++k) {
        GradientBandSpan(k, 256, 27, from, to);
        EXPECT_EQ(from, covered == 0 && k == 1 ? 0 : from);
        if (to > from) {
            EXPECT_EQ(from, covered);
            covered = to;
        }
    }
    EXPECT_EQ(covered, 27);

    QImage img(5, 27, QImage::Format_RGB888);
    img.fill(Qt::white);
    {
        QPainter p(&img);
        GradientFill(p, img.rect(), 256, true, end, start);
    }
    // In 27 rows the first and last bands are empty: row 0 shows band 5, row 26 band 252.
    EXPECT_EQ(img.pixelColor(2, 0), ToQColor(GradientBand(5, 256, end, start)));
    EXPECT_EQ(img.pixelColor(2, 0).green(), 175);
    EXPECT_EQ(img.pixelColor(2, 26), ToQColor(GradientBand(252, 256, end, start)));
    EXPECT_EQ(img.pixelColor(2, 26).green(), 212);
    // Where the rectangle has a row for every band, the first and last rows are bands 1 and 256.
    QImage tall(2, 256, QImage::Format_RGB888);
    {
        QPainter p(&tall);
        GradientFill(p, tall.rect(), 256, true, end, start);
    }
    EXPECT_EQ(tall.pixelColor(0, 0), ToQColor(first));
    EXPECT_EQ(tall.pixelColor(1, 255), ToQColor(end));
    QImage untouched(5, 5, QImage::Format_RGB888);
    untouched.fill(Qt::white);
    {
        QPainter p(&untouched);
        GradientFill(p, untouched.rect(), 0, true, end, start);
    }
    EXPECT_EQ(untouched.pixelColor(2, 2), QColor(Qt::white));
}

TEST_F(CalendarTest, WatermarkAndPictureInTheBackground) {
    go(2024, 2, 10);
    const QImage& bg = cal->BackgroundBitmap();
    EXPECT_EQ(bg.size(), QSize(419, 255));
    EXPECT_EQ(cal->PictureBitmap().width() * cal->PictureBitmap().height(), 0);
    // The year's colour appears in the upper half of the grid, the month's in the lower.
    auto has = [&](QRect area, QColor c) {
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                if (bg.pixelColor(x, y) == c) return true;
        return false;
    };
    EXPECT_TRUE(has(QRect(8, 46, 404, 68), ToQColor(14543103)));
    EXPECT_TRUE(has(QRect(8, 114, 404, 114), ToQColor(15461355)));
    cal->SetShowBackYearMonth(false);
    EXPECT_FALSE(has(bg.rect(), ToQColor(14543103)));

    // A picture keyed by its top-left white: only its coloured pixels mix in, half and half.
    QImage picture(419, 255, QImage::Format_RGB32);
    picture.fill(Qt::white);
    {
        QPainter p(&picture);
        p.fillRect(QRect(100, 100, 10, 10), QColor(0, 0, 200));
    }
    cal->SetStretch(false);
    cal->SetBackGround(picture);
    EXPECT_EQ(cal->PictureBitmap().size(), QSize(419, 255));
    EXPECT_EQ(cal->BackgroundBitmap().pixelColor(105, 105), QColor(127, 127, 227));
    EXPECT_EQ(cal->BackgroundBitmap().pixelColor(300, 20), QColor(Qt::white));
    cal->SetAlphaBlend(100);
    EXPECT_EQ(cal->BackgroundBitmap().pixelColor(105, 105), QColor(Qt::white));
}

TEST_F(CalendarTest, HeaderNamesAndCellHandlers) {
    QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
    EXPECT_EQ(cal->WeekdayCaption(1, 53), U("星期日"));
    EXPECT_EQ(cal->WeekdayCaption(7, 53), U("星期六"));
    QLocale::setDefault(QLocale::c());
    EXPECT_EQ(cal->WeekdayCaption(2, 37), U("Monday"));
    // Too narrow for the locale's names: one character.
    EXPECT_EQ(cal->WeekdayCaption(1, 36), U("日"));
    EXPECT_EQ(cal->WeekdayCaption(4, 20), U("三"));

    // A handler that draws by itself suppresses the lunar text and the selection frame.
    go(2024, 2, 10);
    std::vector<int> days;
    cal->OnDrawCnDateCell = [&](TChnCalendar*, int day, QPainter&, const QRect&, bool selected, QString& text,
                                bool& defaultDraw) {
        days.push_back(day);
        if (selected) {
            EXPECT_EQ(text, U("春节"));
            defaultDraw = false;
        }
    };
    cal->OnDrawDateCell = [&](TChnCalendar*, int, QPainter&, const QRect&, bool, QString& text, bool&) {
        text = U("X");
    };
    QImage img(404, 188, QImage::Format_RGB888);
    {
        QPainter p(&img);
        cal->DayGrid()->PaintCells(p);
    }
    EXPECT_EQ(days.size(), 29u);
    const QRect sel = cal->DayGrid()->CellRect(cal->DayGrid()->Col(), cal->DayGrid()->Row());
    // No frame: the bottom row of the selected cell keeps the gradient's lowest band.
    EXPECT_EQ(img.pixelColor(sel.center().x(), sel.bottom()),
              ToQColor(GradientBand(252, 256, 6673664, 5484032)));
}

// ---- Interaction ---------------------------------------------------------------------------

TEST_F(CalendarTest, MonthSpinSteps) {
    const struct {
        int y, m, d;
        bool up;
        int ey, em, ed;
    } cases[] = {
        {2023, 1, 31, true, 2023, 2, 28},   {2024, 1, 31, true, 2024, 2, 29},
        {2024, 3, 31, false, 2024, 2, 29},  {2024, 12, 15, true, 2025, 1, 15},
        {2024, 1, 15, false, 2023, 12, 15}, {2100, 12, 31, true, 2100, 12, 31}, // the last year: unchanged
        {1, 1, 1, false, 1, 1, 1},                                              // the first year: unchanged
        {2100, 11, 30, true, 2100, 12, 30},
    };
    for (const auto& c : cases) {
        go(c.y, c.m, c.d);
        cal->MonthSpin()->Step(c.up);
        EXPECT_EQ(std::tuple(Y(cal->DateTime()), M(cal->DateTime()), D(cal->DateTime())),
                  std::tuple(c.ey, c.em, c.ed))
            << c.y << "-" << c.m << "-" << c.d << (c.up ? " up" : " down");
        // The spins show the date they stepped to, also where the step was refused.
        EXPECT_EQ(cal->MonthSpin()->Position(), c.em);
        EXPECT_EQ(cal->YearSpin()->Position(), c.ey);
    }
    // After a refused step the next one starts from the date shown.
    go(2100, 12, 31);
    cal->MonthSpin()->Step(true);
    cal->MonthSpin()->Step(false);
    EXPECT_EQ(M(cal->DateTime()), 11);
}

// A press steps at once; an arrow held down repeats until the button comes up.
TEST_F(CalendarTest, SpinArrowsStepOnPressAndRepeat) {
    cal->show();
    go(2024, 2, 10);
    TUpDown* spin = cal->MonthSpin();
    const QPoint upper(spin->width() / 2, 3), lower(spin->width() / 2, spin->height() - 3);
    QTest::mousePress(spin, Qt::LeftButton, {}, upper);
    EXPECT_EQ(M(cal->DateTime()), 3);
    QTest::mouseRelease(spin, Qt::LeftButton, {}, upper);
    QTest::qWait(500);
    EXPECT_EQ(M(cal->DateTime()), 3);

    QTest::mousePress(spin, Qt::LeftButton, {}, lower);
    QTest::qWait(750);
    QTest::mouseRelease(spin, Qt::LeftButton, {}, lower);
    auto months = [&] { return Y(cal->DateTime()) * 12 + M(cal->DateTime()); };
    const int held = months();
    EXPECT_LE(held, 2024 * 12 + 3 - 3); // the press, then repeats from 400 ms on
    QTest::qWait(300);
    EXPECT_EQ(months(), held);
}

TEST_F(CalendarTest, YearSpinSteps) {
    const struct {
        int y, m, d;
        bool up;
        int ey, em, ed;
    } cases[] = {
        {2024, 2, 29, true, 2025, 2, 28}, {2024, 2, 29, false, 2023, 2, 28}, {2023, 6, 30, true, 2024, 6, 30},
        {2100, 5, 5, true, 2100, 5, 5},   {1, 5, 5, false, 1, 5, 5},
    };
    for (const auto& c : cases) {
        go(c.y, c.m, c.d);
        cal->YearSpin()->Step(c.up);
        EXPECT_EQ(std::tuple(Y(cal->DateTime()), M(cal->DateTime()), D(cal->DateTime())),
                  std::tuple(c.ey, c.em, c.ed))
            << c.y << "-" << c.m << "-" << c.d;
    }
    // The spin at its limit still sets midnight of the same day.
    cal->SetDateTime(EncodeDate(2100, 5, 5) + 0.5);
    cal->YearSpin()->Step(true);
    EXPECT_EQ(cal->DateTime(), EncodeDate(2100, 5, 5));
}

TEST_F(CalendarTest, MenusHoldEveryItem) {
    QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
    TChnCalendar zh(nullptr, &clock);
    QLocale::setDefault(QLocale::c());
    const QList<QAction*> month = zh.MonthMenu()->actions();
    ASSERT_EQ(month.size(), 14);
    EXPECT_EQ(month[0]->text(), U("今日"));
    EXPECT_EQ(month[0]->objectName(), U("MenuMonth_ToDay"));
    EXPECT_TRUE(month[0]->font().bold());
    EXPECT_EQ(zh.MonthMenu()->defaultAction(), month[0]);
    EXPECT_TRUE(month[1]->isSeparator());
    EXPECT_EQ(month[1]->objectName(), U("MenuMonth_ToDay_"));
    for (int k = 1; k <= 12; ++k) {
        EXPECT_EQ(month[k + 1]->objectName(), QStringLiteral("MenuMonth_%1").arg(k - 1));
        EXPECT_EQ(month[k + 1]->data().toInt(), k);
    }
    EXPECT_EQ(month[2]->text(), U("一月"));
    EXPECT_EQ(month[13]->text(), U("十二月"));

    const QList<QAction*> year = zh.YearMenu()->actions();
    ASSERT_EQ(year.size(), 4 + 20);
    EXPECT_EQ(year[0]->objectName(), U("MenuYear_ToDay"));
    EXPECT_EQ(year[1]->objectName(), U("MenuYear_ToDay_1"));
    EXPECT_EQ(year[2]->text(), U("历史日期"));
    EXPECT_EQ(year[2]->objectName(), U("MenuYear_History"));
    EXPECT_EQ(year[3]->objectName(), U("MenuYear_ToDay_2"));
    const QList<QAction*> centuries = year[2]->menu()->actions();
    // Centuries from s = 10 in steps of 100 while s < 1890, each captioned s - 10.
    ASSERT_EQ(centuries.size(), 19);
    EXPECT_EQ(centuries.front()->text(), U("0"));
    EXPECT_EQ(centuries.front()->objectName(), U("MenuYear_History_10"));
    EXPECT_EQ(centuries.back()->text(), U("1800"));
    const QList<QAction*> firstCentury = centuries.front()->menu()->actions();
    ASSERT_EQ(firstCentury.size(), 10);
    EXPECT_EQ(firstCentury.front()->objectName(), U("MenuYear_History_10"));
    EXPECT_EQ(firstCentury.back()->text(), U("100"));
    EXPECT_EQ(firstCentury.back()->data().toInt(), 100);
    const QList<QAction*> lastCentury = centuries.back()->menu()->actions();
    ASSERT_EQ(lastCentury.size(), 10);
    EXPECT_EQ(lastCentury.front()->text(), U("1810"));
    EXPECT_EQ(lastCentury.back()->data().toInt(), 1900);
    for (int i = 0; i < 20; ++i) {
        QAction* decade = year[4 + i];
        EXPECT_EQ(decade->text(), QString::number(1900 + 10 * i));
        EXPECT_EQ(decade->objectName(), QStringLiteral("MenuYear_%1").arg(1900 + 10 * i));
        const QList<QAction*> years = decade->menu()->actions();
        ASSERT_EQ(years.size(), 10);
        EXPECT_EQ(years[0]->objectName(), decade->objectName());
        EXPECT_EQ(years[9]->data().toInt(), 1909 + 10 * i);
    }

    // "历史日期" ▸ "0" ▸ "10": the same month and day in the year 10.
    zh.SetDateTime(EncodeDate(2024, 2, 29));
    centuries.front()->menu()->actions().front()->trigger();
    EXPECT_EQ(std::tuple(Y(zh.DateTime()), M(zh.DateTime()), D(zh.DateTime())), std::tuple(10, 2, 28));
    year[4 + 12]->menu()->actions()[4]->trigger(); // 2024
    EXPECT_EQ(Y(zh.DateTime()), 2024);
    month[2 + 6]->trigger(); // 七月
    EXPECT_EQ(std::tuple(Y(zh.DateTime()), M(zh.DateTime()), D(zh.DateTime())), std::tuple(2024, 7, 28));
    year[0]->trigger();
    EXPECT_EQ(zh.DateTime(), EncodeDate(2024, 2, 10) + 9.5 / 24);
}

// Without the title a right click on the grid opens the year menu; with it, nothing.
TEST_F(CalendarTest, GridContextMenuOnlyWithoutTheTitle) {
    cal->show();
    TDayGrid* g = cal->DayGrid();
    auto rightClick = [&] {
        QContextMenuEvent e(QContextMenuEvent::Mouse, QPoint(30, 30), g->mapToGlobal(QPoint(30, 30)));
        QApplication::sendEvent(g, &e);
    };
    rightClick();
    EXPECT_FALSE(cal->YearMenu()->isVisible());
    cal->SetShowTitle(false);
    rightClick();
    EXPECT_TRUE(cal->YearMenu()->isVisible());
    cal->YearMenu()->hide();
}

TEST_F(CalendarTest, RefusedCellsChangeNothing) {
    go(2024, 2, 10); // Thursday the 1st: cells 5..33
    const TDateTime before = cal->DateTime();
    const struct {
        int col, row;
    } refused[] = {{0, 1}, {8, 3}, {3, 0}, {1, 1}, {4, 1}, {7, 5}, {5, 6}, {6, 6}, {7, 6}};
    for (const auto& c : refused) {
        EXPECT_FALSE(cal->GridSelectCell(c.col, c.row)) << c.col << "," << c.row;
        EXPECT_EQ(cal->DateTime(), before);
    }
    EXPECT_TRUE(cal->GridSelectCell(5, 1));
    EXPECT_EQ(cal->DateTime(), EncodeDate(2024, 2, 1));
}

TEST_F(CalendarTest, MouseAndKeysSelectDays) {
    cal->show();
    go(2024, 2, 10); // cell 14: column 7, row 2
    int clicks = 0, selects = 0;
    cal->OnDateClick = [&](TChnCalendar*) { ++clicks; };
    cal->OnDateSelect = [&](TChnCalendar*) { ++selects; };
    TDayGrid* g = cal->DayGrid();

    QTest::mouseClick(g, Qt::LeftButton, {}, cellCentre(3, 3)); // the 13th
    EXPECT_EQ(D(cal->DateTime()), 13);
    EXPECT_EQ(cal->DateTime(), EncodeDate(2024, 2, 13)); // midnight
    EXPECT_EQ(selects, 0);
    // The first press of a session in the grid is reported after the cell was asked for.
    EXPECT_EQ(clicks, 0);
    EXPECT_TRUE(cal->MousePressed());

    int changes = 0;
    cal->OnChange = [&](TChnCalendar*) { ++changes; };
    QTest::mouseClick(g, Qt::LeftButton, {}, cellCentre(3, 3)); // the same day again
    EXPECT_EQ(selects, 1);
    EXPECT_EQ(changes, 0);

    QTest::mouseClick(g, Qt::LeftButton, {}, cellCentre(4, 3)); // the 14th
    EXPECT_EQ(D(cal->DateTime()), 14);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(selects, 1);

    // Dragging selects day after day.
    QTest::mousePress(g, Qt::LeftButton, {}, cellCentre(4, 3));
    for (int col : {5, 6}) {
        QMouseEvent move(QEvent::MouseMove, QPointF(cellCentre(col, 3)),
                         QPointF(g->mapToGlobal(cellCentre(col, 3))), Qt::NoButton, Qt::LeftButton, {});
        QApplication::sendEvent(g, &move);
        EXPECT_EQ(D(cal->DateTime()), 10 + col);
    }
    QTest::mouseRelease(g, Qt::LeftButton, {}, cellCentre(6, 3));
    EXPECT_EQ(selects, 1); // a drag is no second click

    // Arrow keys move through the days; refused cells stop them.
    g->setFocus();
    QTest::keyClick(g, Qt::Key_Left);
    EXPECT_EQ(D(cal->DateTime()), 15);
    QTest::keyClick(g, Qt::Key_Down);
    EXPECT_EQ(D(cal->DateTime()), 22);
    QTest::keyClick(g, Qt::Key_Up);
    QTest::keyClick(g, Qt::Key_Up);
    QTest::keyClick(g, Qt::Key_Up);
    EXPECT_EQ(D(cal->DateTime()), 1); // row 1 holds the 1st in this column
    QTest::keyClick(g, Qt::Key_Up);   // the header is refused
    EXPECT_EQ(D(cal->DateTime()), 1);
    QTest::keyClick(g, Qt::Key_Left); // an empty cell
    EXPECT_EQ(D(cal->DateTime()), 1);

    // Leaving the control forgets the press: a keyboard selection no longer counts as a click.
    const int before = clicks;
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(cal.get(), &leave);
    EXPECT_FALSE(cal->MousePressed());
    QTest::keyClick(g, Qt::Key_Right);
    EXPECT_EQ(D(cal->DateTime()), 2);
    EXPECT_EQ(clicks, before);
}

// The control as the main window shows it, 2024-02-10 selected, as a picture for the documentation.
TEST_F(CalendarTest, RendersThePicture) {
    QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
    fakes::FakeClock c;
    c.value = {2024, 2, 10, 9, 30, 0, 0};
    TChnCalendar shown(nullptr, &c);
    shown.setGeometry(0, 0, 419, 255);
    shown.SetShowFrame(false);
    shown.SetStretch(true);
    shown.SetTransparent(true);
    shown.SetFontDate(UiFont(U("黑体"), 12, true));
    shown.SetFontCnDate(UiFont(U("宋体"), 12));
    shown.show();
    shown.DayGrid()->setFocus();
    const QImage img = shown.grab().toImage();
    QLocale::setDefault(QLocale::c());
    ASSERT_EQ(img.size(), QSize(419, 255));
    const std::filesystem::path out = std::filesystem::path(NODO_BUILD_DIR) / "calendar_view";
    std::filesystem::create_directories(out);
    ASSERT_TRUE(img.save(QString::fromStdString((out / "chnRili.png").string())));

    // The selected cell shows the gradient; the title shows the year in blue.
    const QRect sel = shown.DayGrid()->CellRect(7, 2).translated(shown.DayGrid()->pos());
    EXPECT_EQ(img.pixelColor(sel.left() + 1, sel.bottom() - 1).green(), 211);
    EXPECT_EQ(img.pixelColor(sel.left(), sel.top()), ToQColor(4625152)); // the frame
    bool blue = false;
    const QRect year = shown.YearLabel()->geometry();
    for (int y = year.top(); y <= year.bottom() && !blue; ++y)
        for (int x = year.left(); x <= year.right() && !blue; ++x)
            blue = img.pixelColor(x, y) == QColor(0, 0, 255);
    EXPECT_TRUE(blue);
    // Nothing of the title band or the info line runs out of the control.
    for (QWidget* w :
         std::initializer_list<QWidget*>{shown.InfoLabel(), shown.TodayLabel(), shown.YearLabel(),
                                         shown.YearCharLabel(), shown.MonthLabel()})
        EXPECT_TRUE(shown.rect().contains(w->geometry())) << w->objectName().toStdString();
    EXPECT_LE(shown.InfoLabel()->geometry().right(), 419);

    // With the week numbers and the frame: the numbers in their column, the grey frame round it all.
    shown.SetShowWeekNum(true);
    shown.SetShowFrame(true);
    const QImage weeks = shown.grab().toImage();
    ASSERT_TRUE(weeks.save(QString::fromStdString((out / "chnRili-weeks.png").string())));
    EXPECT_EQ(weeks.pixelColor(0, 100), QColor(128, 128, 128));
    EXPECT_EQ(weeks.pixelColor(418, 100), QColor(128, 128, 128));
    EXPECT_EQ(shown.WeekLabel(1), U("5"));
}

} // namespace
