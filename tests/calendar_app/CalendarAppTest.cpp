// The calendar window's parts: its settings file, the board's growing layout, the single instance,
// and the window itself over a real notes database.
#include <gtest/gtest.h>

#include "app/uMain.h"
#include "calendar_app/BoardLayout.h"
#include "calendar_app/CalendarSettings.h"
#include "calendar_app/CalendarWindow.h"
#include "calendar_app/SingleInstance.h"
#include "calendar_view/ChnCalendarPicker.h"
#include "notes/NotesDatabase.h"
#include "notes/qt/DatedNote.h"
#include "notes/qt/MemoBoard.h"
#include "notes/qt/NoteEdit.h"
#include "pictures/uGlobal.h"
#include "platform/sqlite/SqliteDatabase.h"
#include "support/fakes/Fakes.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <thread>

using namespace nodo;
using nodo::fakes::TestPlatform;

namespace {

using Place = CalendarSettings::Place;

struct ParseCase {
    const char* name;
    std::vector<std::string> lines;
    CalendarSettings expected;
    std::size_t problems;
};

CalendarSettings With(std::optional<Place> place, bool maximised, int page, int letter) {
    CalendarSettings s;
    s.place = place;
    s.maximised = maximised;
    s.page = page;
    s.letter = letter;
    return s;
}

class SettingsParse : public ::testing::TestWithParam<ParseCase> {};

TEST_P(SettingsParse, ReadsWhatItCanAndNamesTheRest) {
    const ParseCase& c = GetParam();
    std::vector<std::string> problems;
    EXPECT_EQ(ParseCalendarSettings(c.lines, &problems), c.expected);
    EXPECT_EQ(problems.size(), c.problems);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, SettingsParse,
    ::testing::Values(
        ParseCase{"Empty", {}, With(std::nullopt, false, 1, 0), 0},
        ParseCase{"Full",
                  {"Left=-40", "Top=5", "Width=1000", "Height=500", "Maximized=1", "Page=3", "Letter=2"},
                  With(Place{-40, 5, 1000, 500}, true, 3, 2),
                  0},
        ParseCase{"SpacesAndPlus",
                  {" Left = +10 ", "Top=20\t", "Width=946", "Height=475"},
                  With(Place{10, 20, 946, 475}, false, 1, 0),
                  0},
        ParseCase{
            "PlaceWithoutHeight", {"Left=10", "Top=20", "Width=946"}, With(std::nullopt, false, 1, 0), 1},
        ParseCase{"NotANumber", {"Page=B", "Left=1x"}, With(std::nullopt, false, 1, 0), 2},
        ParseCase{"PageOutOfRange", {"Page=6", "Letter=4", "Page=0"}, With(std::nullopt, false, 1, 0), 3},
        ParseCase{"UnknownAndBare", {"Colour=3", "just words", ""}, With(std::nullopt, false, 1, 0), 2},
        ParseCase{"Overflow", {"Left=99999999999"}, With(std::nullopt, false, 1, 0), 1}),
    [](const ::testing::TestParamInfo<ParseCase>& i) { return std::string(i.param.name); });

TEST(CalendarSettingsFile, WrittenSettingsReadBackTheSame) {
    for (const CalendarSettings& s :
         {With(std::nullopt, false, 1, 0), With(Place{-40, 5, 1200, 600}, true, 5, 3),
          With(Place{0, 0, 946, 475}, false, 2, 1)}) {
        std::vector<std::string> problems;
        EXPECT_EQ(ParseCalendarSettings(FormatCalendarSettings(s), &problems), s);
        EXPECT_TRUE(problems.empty());
    }
}

TEST(CalendarSettingsFile, LivesBesideTheMainWindowsFilesButIsNotFormSize) {
    TestPlatform tp;
    Platform& p = tp.platform();
    SaveCalendarSettings(*p.folder, *p.text, With(Place{1, 2, 946, 475}, false, 4, 0));
    EXPECT_TRUE(QFile::exists(QString::fromStdString(tp.file("data/CalendarWindow.ini"))));
    EXPECT_FALSE(QFile::exists(QString::fromStdString(tp.file("data/FormSize.ini"))));
    EXPECT_EQ(fakes::ReadFile(tp.file("data/CalendarWindow.ini")),
              "Left=1\r\nTop=2\r\nWidth=946\r\nHeight=475\r\nMaximized=0\r\nPage=4\r\nLetter=0\r\n");
    std::string problem;
    EXPECT_EQ(LoadCalendarSettings(*p.folder, *p.text, &problem).page, 4);
    EXPECT_TRUE(problem.empty());
}

TEST(CalendarSettingsFile, ADamagedFileGivesDefaultsAndSaysWhy) {
    TestPlatform tp;
    fakes::WriteFile(tp.file("data/CalendarWindow.ini"), "Page=9\r\nLeft=ten\r\n");
    std::string problem;
    EXPECT_EQ(LoadCalendarSettings(*tp.platform().folder, *tp.platform().text, &problem), CalendarSettings{});
    EXPECT_NE(problem.find("Page=9"), std::string::npos) << problem;
    EXPECT_NE(problem.find("Left=ten"), std::string::npos) << problem;
}

struct ScaleCase {
    QRect design;
    QSize to;
    bool keepSize;
    QRect expected;
};

TEST(BoardLayout, EdgesScaleOnTheirOwnAndLinesStayThin) {
    const QSize from(495, 371);
    const ScaleCase cases[] = {
        {{1, 25, 153, 191}, from, false, {1, 25, 153, 191}},           // the design size changes nothing
        {{0, 0, 495, 371}, {990, 742}, false, {0, 0, 990, 742}},       // the page itself doubles
        {{154, 0, 1, 371}, {990, 742}, false, {308, 0, 1, 742}},       // a grid line stays one pixel wide
        {{0, 370, 495, 1}, {990, 742}, false, {0, 740, 990, 1}},       // and one pixel high
        {{17, 8, 40, 14}, {990, 742}, true, {34, 16, 40, 14}},         // a caption only moves
        {{155, 25, 178, 191}, {600, 400}, false, {188, 27, 216, 206}}, // neighbours share their edge
    };
    for (const ScaleCase& c : cases)
        EXPECT_EQ(ScaleRect(c.design, from, c.to, c.keepSize), c.expected)
            << c.design.x() << "," << c.design.y();
    // Two neighbours: the right edge of one is the left edge of the other at any size.
    for (int w : {495, 496, 611, 777, 1280}) {
        const QRect a = ScaleRect({1, 25, 153, 191}, from, {w, 400});
        const QRect b = ScaleRect({154, 25, 1, 191}, from, {w, 400});
        EXPECT_EQ(a.x() + a.width(), b.x()) << w;
    }
}

TEST(SingleInstanceName, OnePerUserAndFolder) {
    const QString a = SingleInstance::SocketName(QStringLiteral("/run/user/1000"), 1000,
                                                 QStringLiteral("/home/a/.local/share/nodo/"));
    EXPECT_TRUE(a.startsWith(QStringLiteral("/run/user/1000/nodo-calendar-")));
    EXPECT_EQ(a, SingleInstance::SocketName(QStringLiteral("/run/user/1000"), 1000,
                                            QStringLiteral("/home/a/.local/share/nodo")));
    EXPECT_NE(
        a, SingleInstance::SocketName(QStringLiteral("/run/user/1000"), 1000, QStringLiteral("/opt/nodo/")));
    // Without a runtime folder the name carries the user, so two users never meet.
    const QString b = SingleInstance::SocketName(QString(), 1000, QStringLiteral("/srv/nodo/"));
    EXPECT_FALSE(QDir::isAbsolutePath(b));
    EXPECT_NE(b, SingleInstance::SocketName(QString(), 1001, QStringLiteral("/srv/nodo/")));
    EXPECT_EQ(SingleInstance::SocketName(QStringLiteral("relative"), 7, QStringLiteral("/x")),
              SingleInstance::SocketName(QString(), 7, QStringLiteral("/x")));
}

// Runs a second start's claim on a thread of its own while this thread's loop serves the first.
SingleInstance::Outcome ClaimElsewhere(const QString& name, const QString& token, int timeoutMs) {
    std::atomic<int> outcome{-1};
    std::thread t([&] {
        SingleInstance second(name);
        outcome = static_cast<int>(second.claim(token, timeoutMs));
    });
    EXPECT_TRUE(QTest::qWaitFor([&] { return outcome.load() >= 0; }, timeoutMs * 3 + 2000));
    t.join();
    return static_cast<SingleInstance::Outcome>(outcome.load());
}

TEST(SingleInstanceClaim, TheSecondStartIsForwardedWithItsToken) {
    QTemporaryDir dir;
    const QString name = SingleInstance::SocketName(dir.path(), 1, QStringLiteral("/f"));
    SingleInstance first(name);
    ASSERT_EQ(first.claim(QString(), 2000), SingleInstance::Outcome::First);
    QStringList tokens;
    QObject::connect(&first, &SingleInstance::activationRequested, [&](const QString& t) { tokens << t; });
    EXPECT_EQ(ClaimElsewhere(name, QStringLiteral("tok-123"), 2000), SingleInstance::Outcome::Forwarded);
    EXPECT_EQ(ClaimElsewhere(name, QString(), 2000), SingleInstance::Outcome::Forwarded);
    EXPECT_EQ(tokens, (QStringList{QStringLiteral("tok-123"), QString()}));
}

TEST(SingleInstanceClaim, ASocketLeftByAnEndedWindowIsTakenOver) {
    QTemporaryDir dir;
    const QString name = SingleInstance::SocketName(dir.path(), 1, QStringLiteral("/f"));
    QFile stale(name);
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    stale.close();
    SingleInstance first(name);
    EXPECT_EQ(first.claim(QString(), 1000), SingleInstance::Outcome::First);
}

TEST(SingleInstanceClaim, AWindowThatNeverAnswersIsNotTakenForForwarded) {
    QTemporaryDir dir;
    const QString name = SingleInstance::SocketName(dir.path(), 1, QStringLiteral("/f"));
    QLocalServer mute;
    ASSERT_TRUE(mute.listen(name));
    EXPECT_EQ(ClaimElsewhere(name, QString(), 500), SingleInstance::Outcome::NoAnswer);
}

// A platform of fakes with a real notes database in its folder.
struct WindowPlatform {
    WindowPlatform() {
        EXPECT_TRUE(CreateNotesDatabase(tp.file("data/notes.db")));
        db = std::make_unique<SqliteDatabase>(tp.file("data/notes.db"));
        tp.platform().database = db.get();
    }
    TestPlatform tp;
    std::unique_ptr<SqliteDatabase> db;
};

std::unique_ptr<CalendarWindow> Open(WindowPlatform& wp) {
    auto w = std::make_unique<CalendarWindow>(wp.tp.platform());
    w->restorePlace();
    w->loadNotes();
    return w;
}

void Type(TNoteEdit* editor, const QString& text) {
    editor->moveCursor(QTextCursor::End);
    editor->textCursor().insertText(text);
}

TEST(CalendarWindowTest, ItsCalendarIsTheMainWindowsNoteCalendar) {
    WindowPlatform wp;
    SharedState state;
    TMainFrm main(wp.tp.platform(), state);
    CalendarWindow w(wp.tp.platform());
    const TChnCalendar& a = *main.chnRili;
    const TChnCalendar& b = *w.calendar();
    EXPECT_EQ(a.ShowTitle(), b.ShowTitle());
    EXPECT_EQ(a.ShowWeekNum(), b.ShowWeekNum());
    EXPECT_EQ(a.ShowFrame(), b.ShowFrame());
    EXPECT_EQ(a.ShowWeekNumLine(), b.ShowWeekNumLine());
    EXPECT_EQ(a.HideSelection(), b.HideSelection());
    EXPECT_EQ(a.FontDate(), b.FontDate());
    EXPECT_EQ(a.FontCnDate(), b.FontCnDate());
    EXPECT_EQ(a.Center(), b.Center());
    EXPECT_EQ(a.Stretch(), b.Stretch());
    EXPECT_EQ(a.Transparent(), b.Transparent());
    EXPECT_EQ(a.AlphaBlend(), b.AlphaBlend());
    for (int c = 0; c < static_cast<int>(TChnCalendar::Colour::Count); ++c)
        EXPECT_EQ(a.Color(TChnCalendar::Colour(c)), b.Color(TChnCalendar::Colour(c))) << "colour " << c;
    EXPECT_TRUE(b.ShowTitle());
    EXPECT_EQ(b.AlphaBlend(), 50);
    EXPECT_EQ(b.FontDate().pixelSize(), 12);
}

TEST(CalendarWindowTest, WhatIsTypedSurvivesACloseWithTheFocusStillInTheEditor) {
    WindowPlatform wp;
    {
        auto w = Open(wp);
        w->board()->PageButtonClick(2);
        Type(w->board()->redt[1], QStringLiteral("周二 B"));
        Type(w->note()->rdtAbc, QStringLiteral("今天的记事"));
        w->close(); // no editor was left: the close saves
    }
    auto again = Open(wp);
    EXPECT_EQ(again->board()->shownPage(), 2) << "the page shown is remembered";
    EXPECT_EQ(again->board()->redt[1]->plainText(), QStringLiteral("周二 B"));
    EXPECT_EQ(again->note()->rdtAbc->plainText(), QStringLiteral("今天的记事"));
    EXPECT_TRUE(wp.tp.messages.shown.empty());
}

TEST(CalendarWindowTest, PagesAndDatesKeepTheirOwnTexts) {
    WindowPlatform wp;
    auto w = Open(wp);
    Type(w->board()->redt[0], QStringLiteral("A 一"));
    w->board()->PageButtonClick(3);
    EXPECT_TRUE(w->board()->redt[0]->plainText().isEmpty());
    Type(w->board()->redt[0], QStringLiteral("C 一"));
    w->board()->PageButtonClick(1);
    EXPECT_EQ(w->board()->redt[0]->plainText(), QStringLiteral("A 一"));

    Type(w->note()->rdtAbc, QStringLiteral("today"));
    const calendar::TDateTime today = w->calendar()->DateTime();
    w->calendar()->SetDateTime(today + 3);
    EXPECT_TRUE(w->note()->rdtAbc->plainText().isEmpty()) << "another date shows its own note";
    Type(w->note()->rdtAbc, QStringLiteral("later"));
    w->calendar()->SetDateTime(today);
    EXPECT_EQ(w->note()->rdtAbc->plainText(), QStringLiteral("today"));
    w->calendar()->SetDateTime(today + 3);
    EXPECT_EQ(w->note()->rdtAbc->plainText(), QStringLiteral("later"));
}

TEST(CalendarWindowTest, ThePlaceIsRememberedAndKeptOnTheScreen) {
    struct Case {
        const char* name;
        std::optional<Place> stored;
        QRect expected;
    };
    const QSize d = CalendarWindow::kDesignSize;
    const Case cases[] = {
        {"FirstStartCentred", std::nullopt, QRect(QPoint((1366 - d.width()) / 2, (768 - d.height()) / 2), d)},
        {"AsStored", Place{30, 40, 1000, 500}, QRect(30, 40, 1000, 500)},
        {"TooSmallGrowsToTheDesign", Place{30, 40, 300, 200}, QRect(QPoint(30, 40), d)},
        {"OffTheScreenComesBack", Place{5000, 3000, 946, 475}, QRect(1366 - 946, 768 - 475, 946, 475)},
    };
    for (const Case& c : cases) {
        WindowPlatform wp;
        CalendarSettings s;
        s.place = c.stored;
        SaveCalendarSettings(*wp.tp.platform().folder, *wp.tp.platform().text, s);
        CalendarWindow w(wp.tp.platform());
        w.restorePlace();
        EXPECT_EQ(QRect(w.pos(), w.size()), c.expected) << c.name;
    }
}

TEST(CalendarWindowTest, TheEditingMenuActsOnTheEditorItWasOpenedOn) {
    WindowPlatform wp;
    auto w = Open(wp);
    TNoteEdit* monday = w->board()->redt[0];
    emit monday->customContextMenuRequested(QPoint(5, 5));
    w->editMenu()->hide();
    EXPECT_EQ(w->menuTarget(), monday);
    for (QAction* a : w->editMenu()->actions())
        if (a->text() == QStringLiteral("打V")) a->trigger();
    EXPECT_EQ(monday->plainText(), QStringLiteral("√"));
    EXPECT_TRUE(w->note()->rdtAbc->plainText().isEmpty());
}

TEST(CalendarWindowTest, ABoardThatGrowsKeepsItsEditorsInsideThePage) {
    WindowPlatform wp;
    auto w = Open(wp);
    w->show();
    w->resize(1400, 800);
    QCoreApplication::processEvents();
    const QRect page = w->boardPage()->rect();
    for (TNoteEdit* e : w->board()->redt) {
        EXPECT_TRUE(page.contains(e->geometry())) << e->objectName().toStdString();
        EXPECT_GT(e->width(), 150);
    }
    EXPECT_GT(w->note()->rdtAbc->height(), 122);
    EXPECT_EQ(w->currentSettings().place->width, 1400);
}

} // namespace
