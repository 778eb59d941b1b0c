#include "imaging/PictureFile.h"
#include "pictures/MainContext.h"
#include "pictures/PicImage.h"
#include "pictures/uGlobal.h"
#include "support/fakes/Fakes.h"
#include "wallpaper/WallpaperTools.h"
#include "wallpaper/uDeskBGSet.h"
#include "wallpaper/uInfoFrm.h"
#include "wallpaper/uPicMix.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>

namespace fs = std::filesystem;
using namespace nodo;
using nodo::fakes::TestPlatform;

namespace {

// Runs `act` once the modal window is up; fails the test (and closes it) if it never shows.
void WhenShown(TInforFrm& frm, const std::function<void()>& act) {
    QTimer::singleShot(0, &frm, [&frm, act] {
        if (!frm.isVisible()) {
            ADD_FAILURE() << "confirmation not shown";
            return;
        }
        act();
    });
}

// Any confirmation that shows up is a failure: it is declined so the test goes on.
void ExpectNoConfirmation(TInforFrm& frm) {
    QTimer::singleShot(0, &frm, [&frm] {
        if (frm.isVisible()) {
            ADD_FAILURE() << "confirmation shown";
            frm.btncancelClick();
        }
    });
}

class Confirmation : public ::testing::Test {
protected:
    void SetUp() override {
        state.ShowSetBgInfo = true;
        state.ConfigSetBgFile = tp.file("data/configSetBg.ini");
        main.setGeometry(200, 150, 822, 466);
        main.show();
    }
    std::string config() { return fakes::ReadFile(state.ConfigSetBgFile); }

    TestPlatform tp;
    QWidget main;
    SharedState state;
    TInforFrm frm{tp.platform(), state, &main};
};

TEST_F(Confirmation, Layout) {
    EXPECT_EQ(frm.size(), QSize(344, 156));
    EXPECT_TRUE(frm.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(frm.lblInfo()->text(), QStringLiteral("您确定要更换壁纸？"));
    EXPECT_EQ(frm.chkSetBgInfo()->text(), QStringLiteral("下次不再提示"));
    EXPECT_FALSE(frm.chkSetBgInfo()->isChecked());
    EXPECT_EQ(frm.btnok()->text(), QStringLiteral("确  定"));
    EXPECT_EQ(frm.btncancel()->text(), QStringLiteral("取  消"));
    EXPECT_EQ(frm.btnClose()->text(), QStringLiteral("X"));
    EXPECT_EQ(frm.btnok()->geometry(), QRect(176, 120, 73, 21));
    EXPECT_EQ(frm.btnClose()->geometry(), QRect(321, 1, 20, 18));
    EXPECT_FALSE(frm.imgques()->pixmap().isNull());
}

// A white area inside a square one-pixel frame of RGB(216, 227, 243): no rounded corner, no band.
TEST_F(Confirmation, BackgroundIsWhiteInASquareFrame) {
    const QImage bg = frm.shpBG()->grab().toImage();
    ASSERT_EQ(bg.size(), QSize(344, 156));
    const QColor frame(216, 227, 243);
    for (const QPoint p :
         {QPoint(0, 0), QPoint(343, 0), QPoint(0, 155), QPoint(343, 155), QPoint(170, 0), QPoint(0, 80)})
        EXPECT_EQ(bg.pixelColor(p), frame) << p.x() << "," << p.y();
    for (const QPoint p : {QPoint(1, 1), QPoint(170, 10), QPoint(54, 47), QPoint(170, 130), QPoint(342, 154)})
        EXPECT_EQ(bg.pixelColor(p), QColor(Qt::white)) << p.x() << "," << p.y();
}

enum class Close { Ok, OkTicked, Cancel, X, Escape, SystemClose };

struct CloseCase {
    const char* name;
    Close how;
    int answer;
    bool askAgain;
    std::string config; // "" = file not written
};

class ConfirmationClose : public Confirmation, public ::testing::WithParamInterface<CloseCase> {};

TEST_P(ConfirmationClose, AnswersAndRemembers) {
    const CloseCase& c = GetParam();
    // An earlier acceptance must not count for this showing.
    state.SetBgConfirmed = 1;
    WhenShown(frm, [&] {
        switch (c.how) {
        case Close::OkTicked:
            QTest::mouseClick(frm.chkSetBgInfo(), Qt::LeftButton);
            [[fallthrough]];
        case Close::Ok:
            QTest::mouseClick(frm.btnok(), Qt::LeftButton);
            break;
        case Close::Cancel:
            QTest::mouseClick(frm.btncancel(), Qt::LeftButton);
            break;
        case Close::X:
            QTest::mouseClick(frm.btnClose(), Qt::LeftButton);
            break;
        case Close::Escape:
            QTest::keyClick(&frm, Qt::Key_Escape);
            break;
        case Close::SystemClose:
            frm.close();
            break;
        }
    });
    EXPECT_EQ(frm.ShowModal(), c.answer);
    EXPECT_EQ(state.SetBgConfirmed, c.answer);
    EXPECT_FALSE(frm.isVisible());
    EXPECT_EQ(state.ShowSetBgInfo, c.askAgain);
    EXPECT_EQ(config(), c.config);
    EXPECT_TRUE(tp.messages.shown.empty());
}

INSTANTIATE_TEST_SUITE_P(Cases, ConfirmationClose,
                         ::testing::Values(CloseCase{"Ok", Close::Ok, 1, true, ""},
                                           CloseCase{"OkTicked", Close::OkTicked, 1, false, "0\r\n"},
                                           CloseCase{"Cancel", Close::Cancel, 0, true, ""},
                                           CloseCase{"X", Close::X, 0, true, ""},
                                           CloseCase{"Escape", Close::Escape, 0, true, ""},
                                           CloseCase{"SystemClose", Close::SystemClose, 0, true, ""}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Confirmation, TickKeepsItsStateBetweenShowings) {
    WhenShown(frm, [&] {
        frm.chkSetBgInfo()->setChecked(true);
        frm.btncancelClick();
    });
    EXPECT_EQ(frm.ShowModal(), 0);
    EXPECT_TRUE(frm.chkSetBgInfo()->isChecked());
    EXPECT_TRUE(state.ShowSetBgInfo); // only "确  定" acts on the tick
    EXPECT_EQ(config(), "");
}

TEST_F(Confirmation, UnwritableSettingStillAccepts) {
    tp.text.failWrites = true;
    WhenShown(frm, [&] {
        frm.chkSetBgInfo()->setChecked(true);
        frm.btnokClick();
    });
    EXPECT_EQ(frm.ShowModal(), 1);
    EXPECT_FALSE(state.ShowSetBgInfo);
    ASSERT_EQ(tp.messages.shown.size(), 1u);
    EXPECT_TRUE(tp.messages.shown[0].text.contains(QStringLiteral("No space left")));
}

TEST_F(Confirmation, CentredOverTheMainWindow) {
    QRect seen;
    WhenShown(frm, [&] {
        seen = frm.geometry();
        frm.btncancelClick();
    });
    frm.ShowModal();
    EXPECT_LE((seen.center() - main.frameGeometry().center()).manhattanLength(), 2);
}

TEST_F(Confirmation, DraggedByItsBackground) {
    QPoint before, after;
    WhenShown(frm, [&] {
        before = frm.pos();
        QWidget* bg = frm.shpBG();
        const QPoint local(10, 140), global = bg->mapToGlobal(local);
        QMouseEvent press(QEvent::MouseButtonPress, local, global, Qt::LeftButton, Qt::LeftButton,
                          Qt::NoModifier);
        QApplication::sendEvent(bg, &press);
        QMouseEvent move(QEvent::MouseMove, local + QPoint(50, 20), global + QPoint(50, 20), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(bg, &move);
        QMouseEvent release(QEvent::MouseButtonRelease, local + QPoint(50, 20), global + QPoint(50, 20),
                            Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(bg, &release);
        after = frm.pos();
        frm.btncancelClick();
    });
    frm.ShowModal();
    EXPECT_EQ(after - before, QPoint(50, 20));
}

TEST(WeekDayTitle, Names) {
    const std::pair<int, const char*> cases[] = {{0, ""},          {1, "星期一"}, {2, "星期二"},
                                                 {3, "星期三"},    {4, "星期四"}, {5, "星期五"},
                                                 {6, "星期六/日"}, {7, ""},       {-1, ""}};
    for (const auto& [n, text] : cases)
        EXPECT_EQ(TDeskBGSetFrm::WeekDayTitle(n), QString::fromUtf8(text)) << n;
}

struct GridCase {
    int screenDepth, fileBits;
};

class MonthGrid : public ::testing::TestWithParam<GridCase> {};

bool Dark(const pic::Bitmap& b, int x, int y) {
    const pic::Bgra p = b.pixel(x, y);
    return p.r < 128 && p.g < 128 && p.b < 128;
}
bool White(const pic::Bitmap& b, int x, int y) {
    const pic::Bgra p = b.pixel(x, y);
    return p.r == 255 && p.g == 255 && p.b == 255;
}

TEST_P(MonthGrid, DrawsTheLinesAndTitlesOnly) {
    TestPlatform tp;
    tp.screen.screenDepth = GetParam().screenDepth;
    TDeskBGSetFrm frm(tp.platform());
    ASSERT_EQ(frm.MonthCons.size(), 42u);
    frm.DrawMonthGrid();
    const pic::Bitmap g = pic::LoadBitmapFile(tp.file("source/DeskTopBG/Content.bmp"));
    ASSERT_EQ(g.width(), 660);
    ASSERT_EQ(g.height(), 500);
    EXPECT_EQ(g.sourceBitsPerPixel(), GetParam().fileBits);

    std::vector<bool> line(std::size_t{660} * 500, false);
    auto mark = [&](int x, int y) { line[static_cast<std::size_t>(y) * 660 + x] = true; };
    for (int x = 0; x < 660; ++x)
        for (int y : {0, 20, 100, 180, 260, 340, 420, 499})
            mark(x, y);
    for (int y = 0; y < 500; ++y)
        for (int x : {0, 94, 188, 282, 376, 470, 564, 659})
            mark(x, y);
    int strayInk = 0;
    for (int y = 0; y < 500; ++y)
        for (int x = 0; x < 660; ++x) {
            if (line[static_cast<std::size_t>(y) * 660 + x]) {
                ASSERT_TRUE(Dark(g, x, y)) << "line pixel " << x << "," << y;
            } else if (y > 20 && !White(g, x, y)) {
                ++strayInk; // the cells hold no text
            }
        }
    EXPECT_EQ(strayInk, 0);
    // Every header cell carries its title, written from 24 pixels in.
    for (int c = 0; c < 7; ++c) {
        int ink = 0;
        for (int y = 1; y < 20; ++y)
            for (int x = c * 94 + 1; x < c * 94 + 93; ++x)
                ink += Dark(g, x, y) ? 1 : 0;
        EXPECT_GT(ink, 20) << "column " << c;
        for (int y = 1; y < 20; ++y)
            for (int x = c * 94 + 1; x < c * 94 + 23; ++x)
                EXPECT_TRUE(White(g, x, y)) << x << "," << y;
    }
}

INSTANTIATE_TEST_SUITE_P(Depths, MonthGrid,
                         ::testing::Values(GridCase{32, 32}, GridCase{24, 24}, GridCase{16, 24}));

TEST(MonthGridCells, TextStaysInsideItsCell) {
    TestPlatform tp;
    TDeskBGSetFrm frm(tp.platform());
    frm.MonthCons[8].ConTitle = "标题";
    frm.MonthCons[8].ConText = "一段很长很长很长很长很长很长很长很长很长很长很长很长的记事内容";
    const QImage g = frm.RenderMonthGrid();
    // Cell 8 is row 2, column 1: x 96..185, y 102..177.
    int inside = 0, outside = 0;
    for (int y = 101; y < 180; ++y)
        for (int x = 95; x < 188; ++x) {
            if (g.pixel(x, y) == qRgb(255, 255, 255)) continue;
            if (x >= 96 && x <= 185 && y >= 102 && y <= 177)
                ++inside;
            else
                ++outside;
        }
    EXPECT_GT(inside, 50);
    EXPECT_EQ(outside, 0);
}

class Apply : public ::testing::Test {
protected:
    void SetUp() override {
        state.ConfigSetBgFile = tp.file("data/configSetBg.ini");
        state.BGPicList = {{0, "A1.bmp"}, {1, "A1.bmp"}};
        state.SelBGPic = "A1.bmp";
        state.BGPicIndex = 1;
        pic::Bitmap bg(1024, 768, 24);
        bg.fill({100, 100, 100, 0});
        pic::SaveBmpFile(tp.file("source/DeskTopBG/A1.bmp"), bg, 24);
        page = new TPicImage(&main);
        pic::Bitmap picture(300, 200, 24);
        picture.fill({0, 0, 200, 0});
        page->setBitmap(picture);
        ctx.platform = &tp.platform();
        ctx.mainWindow = &main;
        ctx.imgPicMix = page;
        ctx.state = &state;
        main.resize(822, 466);
        main.show();
    }
    bool exists(const char* rel) { return fs::exists(tp.file(rel)); }

    TestPlatform tp;
    QWidget main;
    TPicImage* page = nullptr;
    SharedState state;
    int32_t& index = state.BGPicIndex;
    MainContext ctx;
    WallpaperTools tools{tp.platform(), state, &main};
};

TEST_F(Apply, WithoutConfirmationWritesEverythingAndInstalls) {
    ExpectNoConfirmation(tools.inforFrm());
    tools.imgAppToDeskClick(ctx);
    EXPECT_EQ(pic::LoadBitmapFile(tp.file("source/DeskTopBG/Content.bmp")), page->picture());
    EXPECT_TRUE(exists("source/DeskTopBG/Mix.Jpg"));
    ASSERT_EQ(tp.wallpaper.applied.size(), 1u);
    EXPECT_EQ(tp.wallpaper.values["Wallpaper"], tp.file("source/DeskTopBG/Mix.bmp"));
    EXPECT_EQ(tp.wallpaper.values["WallpaperStyle"], "2");
    EXPECT_EQ(index, 1);
    EXPECT_EQ(tools.deskBGSetFrm().BGPicFile, tp.file("source/DeskTopBG/A1.bmp"));
    EXPECT_EQ(tools.deskBGSetFrm().ContentPicFile, tp.file("source/DeskTopBG/Content.bmp"));
    EXPECT_EQ(tools.deskBGSetFrm().imgPicMix()->size(), page->size());
    EXPECT_TRUE(tools.mixPicFrm().img1().empty() && tools.mixPicFrm().img2().empty());
    EXPECT_TRUE(tp.messages.shown.empty());
}

TEST_F(Apply, DeclinedConfirmationChangesNothing) {
    state.ShowSetBgInfo = true;
    WhenShown(tools.inforFrm(), [&] { tools.inforFrm().btncancelClick(); });
    tools.imgAppToDeskClick(ctx);
    EXPECT_FALSE(exists("source/DeskTopBG/Content.bmp"));
    EXPECT_TRUE(tp.wallpaper.applied.empty());
    EXPECT_EQ(index, 1);
}

TEST_F(Apply, TickedConfirmationIsNotAskedAgain) {
    state.ShowSetBgInfo = true;
    WhenShown(tools.inforFrm(), [&] {
        tools.inforFrm().chkSetBgInfo()->setChecked(true);
        QTest::mouseClick(tools.inforFrm().btnok(), Qt::LeftButton);
    });
    tools.imgAppToDeskClick(ctx);
    EXPECT_EQ(tp.wallpaper.applied.size(), 1u);
    EXPECT_EQ(fakes::ReadFile(state.ConfigSetBgFile), "0\r\n");
    ExpectNoConfirmation(tools.inforFrm());
    tools.imgAppToDeskClick(ctx);
    EXPECT_EQ(tp.wallpaper.applied.size(), 2u);
}

TEST_F(Apply, EmptyListAsksNothingAndWritesNothing) {
    state.BGPicList.clear();
    state.ShowSetBgInfo = true;
    ExpectNoConfirmation(tools.inforFrm());
    tools.imgAppToDeskClick(ctx);
    EXPECT_FALSE(exists("source/DeskTopBG/Content.bmp"));
    EXPECT_FALSE(exists("source/DeskTopBG/Mix.bmp"));
    EXPECT_TRUE(tp.wallpaper.applied.empty());
    EXPECT_TRUE(tp.messages.shown.empty());
    EXPECT_EQ(index, 1);
}

TEST_F(Apply, PageHoldingAJpegTurnsEmpty) {
    pic::Bitmap picture(40, 30, 24);
    picture.fill({10, 200, 30, 0});
    pic::SaveJpegFile(tp.file("photo.jpg"), picture, 90);
    page->LoadFromFile(tp.file("photo.jpg"));
    ASSERT_FALSE(page->isBitmap());
    tools.imgAppToDeskClick(ctx);
    EXPECT_TRUE(page->empty());
    EXPECT_EQ(fs::file_size(tp.file("source/DeskTopBG/Content.bmp")), 0u);
    EXPECT_EQ(tp.wallpaper.applied.size(), 1u); // the background alone
}

TEST_F(Apply, UnwritableContentGoesToTheErrorReport) {
    fs::remove_all(tp.file("source"));
    tools.imgAppToDeskClick(ctx);
    ASSERT_EQ(tp.messages.shown.size(), 1u);
    EXPECT_FALSE(tp.messages.shown[0].text.isEmpty());
    EXPECT_TRUE(tp.wallpaper.applied.empty());
    EXPECT_EQ(index, 1);
}

TEST_F(Apply, DesktopFailureKeepsTheIndex) {
    state.BGPicList = {{0, "A1.bmp"}, {1, "A1.bmp"}, {2, "A1.bmp"}};
    index = 2;
    tp.wallpaper.succeed = false;
    tools.imgAppToDeskClick(ctx);
    EXPECT_EQ(index, 2);
    // The user hears once what failed and what would help; the files written stay.
    ASSERT_EQ(tp.messages.shown.size(), 1u);
    const QString report = tp.messages.shown[0].text;
    EXPECT_TRUE(report.contains(QStringLiteral("no desktop"))) << report.toStdString();
    EXPECT_TRUE(report.contains(QStringLiteral("GNOME"))) << report.toStdString();
    EXPECT_TRUE(report.contains(QString::fromStdString(tp.file("source/DeskTopBG/Mix.bmp"))))
        << report.toStdString();
    EXPECT_TRUE(exists("source/DeskTopBG/Mix.Jpg"));
    tp.wallpaper.succeed = true;
    tools.imgAppToDeskClick(ctx);
    EXPECT_EQ(index, 1);
    EXPECT_EQ(tp.messages.shown.size(), 1u);
}

TEST(WallpaperToolsLifetime, MainWindowMayCloseFirst) {
    TestPlatform tp;
    SharedState state;
    auto* main = new QWidget;
    auto tools = std::make_unique<WallpaperTools>(tp.platform(), state, main);
    EXPECT_EQ(tools->inforFrm().parentWidget(), main);
    delete main; // takes the confirmation with it
    tools.reset();
    SUCCEED();
}

TEST_F(Apply, NoPageCountsAsAnEmptyPage) {
    ctx.imgPicMix = nullptr;
    tools.imgAppToDeskClick(ctx);
    EXPECT_EQ(fs::file_size(tp.file("source/DeskTopBG/Content.bmp")), 0u);
    EXPECT_EQ(tp.wallpaper.applied.size(), 1u);
}

TEST(MixPicFrm, HolderWindow) {
    TMixPicFrm frm;
    EXPECT_EQ(frm.windowTitle(), QStringLiteral("图片合成"));
    pic::Bitmap content(1, 1, 24), bg(60, 40, 24);
    content.fill({200, 200, 200, 0});
    bg.fill({100, 100, 100, 0});
    pic::Bitmap& out = frm.MixPic(content, bg, 50);
    EXPECT_EQ(&out, &bg);
    EXPECT_EQ(bg.pixel(9, 30), (pic::Bgra{150, 150, 150, 0}));
    frm.holder().img1 = content;
    frm.holder().img2 = bg;
    frm.JvXPButton1Click();
    EXPECT_TRUE(frm.img1().empty());
    EXPECT_TRUE(frm.img2().empty());
}

} // namespace
