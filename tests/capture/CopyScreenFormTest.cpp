#include "CaptureFixture.h"

#include "capture/core/CaptureTexts.h"

#include <QFrame>
#include <QLineEdit>
#include <QShortcut>

using namespace nodo;
using namespace nodo::testing;
using capture::SelState;

namespace {

QString Q(std::string_view s) {
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

using CaptureWindow = CaptureFixture;

TEST_F(CaptureWindow, OpensBorderlessOnTopOverTheFrozenScreen) {
    TCopyScreenForm* f = open();
    ASSERT_NE(f, nullptr);
    EXPECT_TRUE(f->isVisible());
    EXPECT_TRUE(f->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(f->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(f->parentWidget(), &main);
    EXPECT_EQ(f->size(), QSize(1366, 768));
    EXPECT_EQ(f->ImgScreen->geometry(), QRect(0, 0, 1366, 768));
    EXPECT_EQ(f->screenImage(), tp.screen.picture);
    EXPECT_EQ(tp.screen.grabs, 1);
    EXPECT_EQ(tp.kernel.sleeps, std::vector<int>{50});
    EXPECT_EQ(f->PnlInfo->geometry(), QRect(0, 0, 249, 99));
    EXPECT_EQ(f->PnlInfo->palette().color(QPalette::Window), QColor(240, 251, 255));
    EXPECT_EQ(f->font().pixelSize(), 12);
    EXPECT_EQ(f->ImgScreen->cursor().shape(), Qt::CrossCursor);
    const struct {
        QLabel* label;
        QPoint at;
        const char* text;
    } labels[] = {{f->LblRGB, {8, 8}, "当前像素RGB值（255、255、255）"},
                  {f->LblActionInfo, {8, 32}, "按住鼠标左键不放选择截取范围"},
                  {f->LblCancelInfo, {8, 56}, "按鼠标右键退出"},
                  {f->Label1, {8, 80}, "按ESC键退出"}};
    for (const auto& l : labels) {
        EXPECT_EQ(l.label->parentWidget(), f->PnlInfo);
        EXPECT_EQ(l.label->pos(), l.at);
        EXPECT_EQ(l.label->text(), QString::fromUtf8(l.text));
    }
}

TEST_F(CaptureWindow, EachCaptureIsANewWindowFreedOnClose) {
    QPointer<TCopyScreenForm> first = open();
    QTest::keyClick(first, Qt::Key_Escape);
    EXPECT_EQ(tool.current(), nullptr);
    settle();
    EXPECT_TRUE(first.isNull());
    TCopyScreenForm* second = open();
    EXPECT_NE(second, nullptr);
    EXPECT_EQ(tp.screen.grabs, 2);
}

// One row per line of the state table, driven through real mouse and key events.
struct TableRow {
    const char* name;
    std::function<void(CaptureFixture&)> before; // brings the window into the row's state
    std::function<void(CaptureFixture&)> event;
    SelState state;
    bool open;
};

class CaptureStateTable : public CaptureFixture, public ::testing::WithParamInterface<TableRow> {
public:
    void run() {
        TCopyScreenForm* f = open();
        QPointer<TCopyScreenForm> alive = f;
        if (GetParam().before) GetParam().before(*this);
        GetParam().event(*this);
        ASSERT_EQ(!alive.isNull() && alive->isVisible(), GetParam().open);
        if (!GetParam().open) {
            EXPECT_EQ(tool.current(), nullptr);
            return;
        }
        EXPECT_EQ(f->selection().state(), GetParam().state);
        EXPECT_EQ(f->LblActionInfo->text(), Q(capture::ActionText(GetParam().state)));
        EXPECT_EQ(f->LblCancelInfo->text(), Q(capture::CancelText(GetParam().state)));
    }
};

void Selecting(CaptureFixture& t) {
    t.press({100, 120});
    t.move({300, 260});
}
void Finished(CaptureFixture& t) {
    Selecting(t);
    t.release({300, 260});
}
TCopyScreenForm* Form(CaptureFixture& t) {
    return t.tool.current();
}

TEST_P(CaptureStateTable, Row) {
    run();
}

INSTANTIATE_TEST_SUITE_P(
    Capture, CaptureStateTable,
    ::testing::Values(
        TableRow{"nothingPressSelects", nullptr,
                 [](auto& t) {
                     t.press({50, 160});
                 },
                 SelState::Selecting, true},
        TableRow{"nothingRightCloses", nullptr,
                 [](auto& t) {
                     t.press({50, 160}, Qt::RightButton);
                 },
                 SelState::Nothing, false},
        TableRow{"nothingEscCloses", nullptr, [](auto& t) { QTest::keyClick(Form(t), Qt::Key_Escape); },
                 SelState::Nothing, false},
        TableRow{"selectingMoveFollows", Selecting,
                 [](auto& t) {
                     t.move({320, 280});
                 },
                 SelState::Selecting, true},
        TableRow{"selectingReleaseFinishes", Selecting,
                 [](auto& t) {
                     t.release({300, 260});
                 },
                 SelState::Finished, true},
        TableRow{"selectingRightClears", Selecting,
                 [](auto& t) {
                     t.press({300, 260}, Qt::RightButton);
                 },
                 SelState::Nothing, true},
        TableRow{"selectingEscClears", Selecting, [](auto& t) { QTest::keyClick(Form(t), Qt::Key_Escape); },
                 SelState::Nothing, true},
        TableRow{"finishedMoveInside", Finished,
                 [](auto& t) {
                     t.move({200, 200});
                     t.press({200, 200});
                     t.move({210, 205});
                     t.release({210, 205});
                 },
                 SelState::Finished, true},
        TableRow{"finishedPressOutsideNothing", Finished,
                 [](auto& t) {
                     t.move({600, 600});
                     t.press({600, 600});
                     t.move({650, 650});
                     t.release({650, 650});
                 },
                 SelState::Finished, true},
        TableRow{"finishedDoubleClickSends", Finished,
                 [](auto& t) {
                     QTest::mouseDClick(Form(t)->ImgScreen, Qt::LeftButton, {}, {200, 200});
                 },
                 SelState::Nothing, false},
        TableRow{"finishedSpaceSends", Finished, [](auto& t) { QTest::keyClick(Form(t), Qt::Key_Space); },
                 SelState::Nothing, false},
        TableRow{"finishedEnterSends", Finished, [](auto& t) { QTest::keyClick(Form(t), Qt::Key_Return); },
                 SelState::Nothing, false},
        TableRow{"finishedRightClears", Finished,
                 [](auto& t) {
                     t.press({10, 700}, Qt::RightButton);
                 },
                 SelState::Nothing, true},
        TableRow{"finishedEscClears", Finished, [](auto& t) { QTest::keyClick(Form(t), Qt::Key_Escape); },
                 SelState::Nothing, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(CaptureWindow, ReadoutOfAPureRedPixel) {
    TCopyScreenForm* f = open();
    move({600, 400});
    EXPECT_EQ(f->LblRGB->text(), QString::fromUtf8("当前像素RGB值（255、0、0）"));
    move({601, 400});
    EXPECT_EQ(f->LblRGB->text(), QString::fromUtf8("当前像素RGB值（89、144、231）"));
    EXPECT_EQ(f->ImgScreen->cursor().shape(), Qt::ArrowCursor);
}

TEST_F(CaptureWindow, PanelDodgesThePointerBetweenTwoPositions) {
    TCopyScreenForm* f = open();
    const int right = 1366 - 249 - 8;
    QTest::mouseMove(f->PnlInfo, {20, 20});
    EXPECT_EQ(f->PnlInfo->pos(), QPoint(8, 0)); // the first time it only steps in from 0
    QTest::mouseMove(f->PnlInfo, {30, 30});
    EXPECT_EQ(f->PnlInfo->pos(), QPoint(right, 0));
    QTest::mouseMove(f->LblActionInfo, {5, 5}); // the labels count as the panel
    EXPECT_EQ(f->PnlInfo->pos(), QPoint(8, 0));
    // While a button is held on the image the image sees the pointer, and still moves the panel away.
    press({700, 300});
    move({20, 50});
    EXPECT_EQ(f->PnlInfo->pos(), QPoint(right, 0));
    move({1366 - 100, 50});
    EXPECT_EQ(f->PnlInfo->pos(), QPoint(8, 0));
    move({8, 50}); // on the panel's left edge: not strictly inside
    EXPECT_EQ(f->PnlInfo->pos(), QPoint(8, 0));
}

TEST_F(CaptureWindow, BandIsInvertedInPlaceAndErasedExactly) {
    TCopyScreenForm* f = open();
    const QImage original = tp.screen.picture;
    const uchar* frozen = f->screenImage().constBits();
    press({100, 100});
    move({400, 300});
    const QImage& shown = f->screenImage();
    EXPECT_EQ(shown.constBits(), frozen); // drawn in place: no second copy of the screen
    EXPECT_EQ(shown.pixel(100, 100), original.pixel(100, 100) ^ 0x00FFFFFFu);
    EXPECT_EQ(shown.pixel(399, 299), original.pixel(399, 299) ^ 0x00FFFFFFu);
    EXPECT_EQ(shown.pixel(250, 200), original.pixel(250, 200));
    EXPECT_EQ(shown.pixel(400, 300), original.pixel(400, 300));
    for (QPoint p : {QPoint(50, 80), QPoint(700, 500), QPoint(101, 101)})
        move(p);
    release({101, 101});
    press({10, 700}, Qt::RightButton);
    EXPECT_EQ(f->screenImage(), original);
}

TEST_F(CaptureWindow, ReadoutOnTheBandShowsTheInvertedColour) {
    TCopyScreenForm* f = open();
    const QImage original = tp.screen.picture;
    press({400, 300});
    move({100, 100}); // dragged up and left: the pointer's pixel is on the band
    const QRgb c = original.pixel(100, 100);
    EXPECT_EQ(f->LblRGB->text().toStdString(),
              capture::RGBText(255 - qRed(c), 255 - qGreen(c), 255 - qBlue(c)));
}

TEST_F(CaptureWindow, SendsTheSelectionToTheFileAndThePage) {
    TCopyScreenForm* f = open();
    drag({100, 120}, {420, 360});
    EXPECT_EQ(f->LblActionInfo->text(), QString::fromUtf8("按空格/回车/双击左键发送当前选区的图像"));
    ASSERT_FALSE(std::filesystem::exists(tp.file("tmp")));
    QTest::keyClick(f, Qt::Key_Return);
    EXPECT_EQ(tool.current(), nullptr);
    ASSERT_TRUE(std::filesystem::exists(tmpBmp()));
    const pic::Bitmap saved = pic::LoadBitmapFile(tmpBmp());
    EXPECT_EQ(saved, expected(QRect(100, 120, 320, 240))); // the band's pixels are not in it
    EXPECT_EQ(state.CurPicFile, tmpBmp());
    EXPECT_EQ(tp.text.readLines(tp.file("data/tmppic.ini")), std::vector<std::string>{tmpBmp()});
    EXPECT_TRUE(page->isBitmap());
    EXPECT_EQ(page->picture(), saved);
    EXPECT_TRUE(main.isVisible());
    EXPECT_TRUE(tp.messages.shown.empty());
}

TEST_F(CaptureWindow, SelectionDraggedUpAndLeftIsSentButCannotMove) {
    TCopyScreenForm* f = open();
    drag({500, 400}, {200, 150});
    move({350, 275});
    EXPECT_EQ(f->ImgScreen->cursor().shape(), Qt::ArrowCursor);
    press({350, 275});
    move({360, 285});
    release({360, 285});
    EXPECT_EQ(f->selection().x1(), 500);
    EXPECT_EQ(f->selection().y1(), 400);
    QTest::mouseDClick(f->ImgScreen, Qt::LeftButton, {}, {350, 275});
    EXPECT_EQ(tool.current(), nullptr);
    EXPECT_EQ(pic::LoadBitmapFile(tmpBmp()), expected(QRect(200, 150, 300, 250)));
}

struct EdgeMove {
    const char* name;
    QRect selection;
    std::vector<QPoint> path; // the first point grabs the selection
    QRect expected;
};
class CaptureEdges : public CaptureFixture, public ::testing::WithParamInterface<EdgeMove> {};

TEST_P(CaptureEdges, MovingStopsAtTheScreenEdges) {
    TCopyScreenForm* f = open();
    const auto& c = GetParam();
    drag(c.selection.topLeft(), c.selection.bottomRight() + QPoint(1, 1));
    move(c.path.front());
    EXPECT_EQ(f->ImgScreen->cursor().shape(), Qt::SizeAllCursor);
    press(c.path.front());
    for (QPoint p : c.path)
        move(p);
    release(c.path.back());
    const auto& s = f->selection();
    EXPECT_EQ(QRect(QPoint(s.x1(), s.y1()), QPoint(s.x2() - 1, s.y2() - 1)), c.expected);
    QTest::keyClick(f, Qt::Key_Space);
    EXPECT_EQ(pic::LoadBitmapFile(tmpBmp()), expected(c.expected));
}

std::vector<QPoint> Steps(QPoint from, QPoint step, int n) {
    std::vector<QPoint> v{from};
    for (int i = 0; i < n; ++i)
        v.push_back(v.back() + step);
    return v;
}

INSTANTIATE_TEST_SUITE_P(Capture, CaptureEdges,
                         ::testing::Values(
                             // The left side may reach 1 and the right side the screen width, no further; a
                             // step that would pass an edge is dropped on that axis only.
                             EdgeMove{"leftReachesOne", QRect(40, 100, 200, 100),
                                      Steps({100, 150}, {-13, 2}, 5), QRect(1, 110, 200, 100)},
                             EdgeMove{"leftStopsShort", QRect(40, 100, 200, 100),
                                      Steps({100, 150}, {-10, 2}, 8), QRect(10, 116, 200, 100)},
                             EdgeMove{"rightReachesWidth", QRect(1100, 300, 200, 100),
                                      Steps({1200, 350}, {11, -3}, 7), QRect(1166, 279, 200, 100)},
                             EdgeMove{"rightStopsShort", QRect(1100, 300, 200, 100),
                                      Steps({1200, 350}, {10, -3}, 10), QRect(1160, 270, 200, 100)},
                             EdgeMove{"bottom", QRect(300, 600, 200, 100), Steps({400, 650}, {4, 10}, 10),
                                      QRect(340, 660, 200, 100)}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(CaptureWindow, SpaceAndEnterAreTakenFromTheWholeApplication) {
    QLineEdit edit(&main);
    edit.show();
    int shortcuts = 0;
    QShortcut shortcut(QKeySequence(Qt::Key_Return), &main);
    QObject::connect(&shortcut, &QShortcut::activated, [&] { ++shortcuts; });
    TCopyScreenForm* f = open();
    for (auto key : {Qt::Key_Space, Qt::Key_Return, Qt::Key_Enter}) {
        QTest::keyClick(&edit, key);
        QTest::keyClick(f, key);
    }
    press({100, 100});
    move({200, 200});
    QTest::keyClick(&edit, Qt::Key_Space); // still selecting: consumed, nothing sent
    EXPECT_EQ(tool.current(), f);
    EXPECT_EQ(f->selection().state(), SelState::Selecting);
    EXPECT_TRUE(edit.text().isEmpty());
    EXPECT_EQ(shortcuts, 0);
    release({200, 200});
    QTest::keyClick(&edit, Qt::Key_Enter); // a finished selection is sent, whatever has the focus
    EXPECT_EQ(tool.current(), nullptr);
    EXPECT_TRUE(std::filesystem::exists(tmpBmp()));
    EXPECT_EQ(shortcuts, 0);
    // Once the window is gone, the keys reach the controls again.
    settle();
    QTest::keyClick(&edit, Qt::Key_Space);
    EXPECT_EQ(edit.text(), " ");
}

TEST_F(CaptureWindow, RightButtonTwiceClosesWithoutTouchingTheFileOrPage) {
    std::filesystem::create_directory(tp.file("tmp"));
    fakes::WriteFile(tmpBmp(), "earlier capture");
    state.CurPicFile = "/elsewhere/picture.bmp";
    TCopyScreenForm* f = open();
    drag({100, 100}, {300, 300});
    press({50, 700}, Qt::RightButton);
    EXPECT_EQ(tool.current(), f);
    EXPECT_EQ(f->screenImage(), tp.screen.picture);
    press({50, 700}, Qt::RightButton);
    EXPECT_EQ(tool.current(), nullptr);
    EXPECT_EQ(fakes::ReadFile(tmpBmp()), "earlier capture");
    EXPECT_EQ(state.CurPicFile, "/elsewhere/picture.bmp");
    EXPECT_TRUE(page->empty());
    EXPECT_FALSE(tp.text.exists(tp.file("data/tmppic.ini")));
}

TEST_F(CaptureWindow, EscapeRepeatDoesNotCloseAfterClearing) {
    TCopyScreenForm* f = open();
    drag({100, 100}, {300, 300});
    QTest::keyPress(f, Qt::Key_Escape);
    QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier, QString(), true);
    QApplication::sendEvent(f, &repeat); // held down: still the one press
    QTest::keyRelease(f, Qt::Key_Escape);
    EXPECT_EQ(tool.current(), f);
    EXPECT_EQ(f->selection().state(), SelState::Nothing);
}

// A press and release without moving finishes an empty selection; sending it sends nothing.
struct EmptySend {
    const char* name;
    std::function<void(CaptureFixture&)> act;
};
class CaptureEmptySelection : public CaptureFixture, public ::testing::WithParamInterface<EmptySend> {};

TEST_P(CaptureEmptySelection, ClosesAndLeavesPageAndFileAsTheyWere) {
    std::filesystem::create_directory(tp.file("tmp"));
    fakes::WriteFile(tmpBmp(), "earlier capture");
    state.CurPicFile = tmpBmp();
    page->setBitmap(expected(QRect(0, 0, 10, 10)));
    TCopyScreenForm* f = open();
    main.hide();
    GetParam().act(*this);
    if (tool.current()) {
        EXPECT_EQ(f->selection().state(), SelState::Finished);
        const auto& s = f->selection();
        EXPECT_TRUE(s.x1() == s.x2() || s.y1() == s.y2());
        QTest::keyClick(f, Qt::Key_Return);
    }
    EXPECT_EQ(tool.current(), nullptr);
    EXPECT_EQ(fakes::ReadFile(tmpBmp()), "earlier capture");
    EXPECT_EQ(state.CurPicFile, tmpBmp());
    EXPECT_EQ(page->picture(), expected(QRect(0, 0, 10, 10)));
    EXPECT_FALSE(tp.text.exists(tp.file("data/tmppic.ini")));
    EXPECT_TRUE(main.isVisible());
    EXPECT_TRUE(tp.messages.shown.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Capture, CaptureEmptySelection,
    ::testing::Values(EmptySend{"pressRelease",
                                [](auto& t) {
                                    t.press({300, 300});
                                    t.release({300, 300});
                                }},
                      EmptySend{"zeroHeight",
                                [](auto& t) {
                                    t.press({300, 300});
                                    t.move({400, 300});
                                    t.release({400, 300});
                                }},
                      EmptySend{"doubleClick",
                                [](auto& t) {
                                    QTest::mouseDClick(Form(t)->ImgScreen, Qt::LeftButton, {}, {300, 300});
                                }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(CaptureWindow, SaveFailureIsReportedAndTheSelectionKept) {
    fakes::WriteFile(tp.file("tmp"), "a file where the folder should be");
    TCopyScreenForm* f = open();
    drag({100, 100}, {300, 300});
    const QImage withBand = f->screenImage();
    QTest::keyClick(f, Qt::Key_Return);
    ASSERT_EQ(tool.current(), f);
    EXPECT_EQ(tp.messages.shown.size(), 1u);
    EXPECT_EQ(f->selection().state(), SelState::Finished);
    EXPECT_EQ(f->screenImage(), withBand);
    EXPECT_TRUE(state.CurPicFile.empty());
    press({10, 700}, Qt::RightButton);
    EXPECT_EQ(f->screenImage(), tp.screen.picture);
}

TEST_F(CaptureWindow, HandOverFailureIsSilentAndTheWindowStillCloses) {
    tp.text.failWrites = true;
    TCopyScreenForm* f = open();
    drag({100, 100}, {300, 300});
    QTest::keyClick(f, Qt::Key_Return);
    EXPECT_EQ(tool.current(), nullptr);
    EXPECT_TRUE(tp.messages.shown.empty());
    EXPECT_EQ(pic::LoadBitmapFile(tmpBmp()), expected(QRect(100, 100, 200, 200)));
    EXPECT_EQ(state.CurPicFile, tmpBmp()); // set before the hand-over file failed
    EXPECT_TRUE(page->empty());
}

TEST_F(CaptureWindow, ExistingTmpFolderIsUsedWhateverItsCase) {
    std::filesystem::create_directory(tp.file("TMP"));
    TCopyScreenForm* f = open();
    drag({300, 300}, {310, 330});
    QTest::keyClick(f, Qt::Key_Return);
    EXPECT_TRUE(std::filesystem::exists(tp.file("TMP/tmp.bmp")));
    EXPECT_FALSE(std::filesystem::exists(tp.file("tmp")));
    EXPECT_EQ(state.CurPicFile, tp.file("TMP/tmp.bmp"));
}

} // namespace
