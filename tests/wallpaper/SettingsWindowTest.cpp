// The background settings window and its preview, opened by the tests themselves.
#include "imaging/PictureFile.h"
#include "support/fakes/Fakes.h"
#include "wallpaper/uDeskBGSet.h"
#include "wallpaper/uPicPreview.h"

#include <QDropEvent>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QScrollArea>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;
using namespace nodo;
using nodo::fakes::TestPlatform;

namespace {

const pic::Bgra kBackground{90, 60, 30, 255};
const pic::Bgra kContent{0, 0, 200, 255};
const pic::Bgra kWhite{255, 255, 255, 255};

class SettingsWindow : public ::testing::Test {
protected:
    void SetUp() override {
        tp.screen.screenSize = QSize(1920, 1080);
        main.setGeometry(100, 100, 822, 466);
        frm.setPreviewFrm(&preview);
    }
    ~SettingsWindow() override { frm.hide(); }

    // A background and a content picture on disk, named in the window's two fields. The content
    // has a white stripe in its top row.
    void Pictures(QSize background, QSize content) {
        pic::Bitmap bg(background.width(), background.height(), 24);
        bg.fill(kBackground);
        pic::SaveBmpFile(tp.file("source/DeskTopBG/A1.bmp"), bg, 24);
        pic::Bitmap c(content.width(), content.height(), 24);
        c.fill(kContent);
        for (int x = 0; x < c.width(); ++x)
            c.setPixel(x, 0, kWhite);
        pic::SaveBmpFile(tp.file("source/DeskTopBG/Content.bmp"), c, 24);
        frm.BGPicFile = tp.file("source/DeskTopBG/A1.bmp");
        frm.ContentPicFile = tp.file("source/DeskTopBG/Content.bmp");
    }
    void Show() {
        frm.show();
        QCoreApplication::processEvents();
    }
    pic::Bitmap Mix() { return pic::LoadBitmapFile(tp.file("source/DeskTopBG/Mix.bmp")); }
    static QMimeData* Dragged(const QString& name) {
        auto* data = new QMimeData;
        data->setData(TDeskBGSetFrm::kControlMime, name.toUtf8());
        return data;
    }
    // A drag entering `target` and dropped at `point` in its coordinates, as the drag manager
    // delivers them (a drop goes only to where the drag entered).
    static bool Drop(QWidget* target, const QString& name, QPoint point) {
        std::unique_ptr<QMimeData> data(Dragged(name));
        QDragEnterEvent enter(point, Qt::MoveAction, data.get(), Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &enter);
        if (!enter.isAccepted()) return false;
        QDropEvent drop(QPointF(point), Qt::MoveAction, data.get(), Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &drop);
        return drop.isAccepted();
    }

    TestPlatform tp;
    QWidget main;
    TDeskBGSetFrm frm{tp.platform()};
    TPicPreviewFrm preview{&main};
};

TEST_F(SettingsWindow, Layout) {
    EXPECT_EQ(frm.windowTitle(), QStringLiteral("桌面背景设置"));
    EXPECT_EQ(frm.size(), QSize(1020, 734));
    EXPECT_TRUE(frm.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(frm.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
    EXPECT_EQ(frm.DeskTopBGDir, tp.file("source/DeskTopBG/"));
    EXPECT_EQ(frm.MonthCons.size(), 42u);
    EXPECT_EQ(frm.scbBG()->geometry(), QRect(0, 0, 1012, 650));
    EXPECT_EQ(frm.imgPicMix()->pos(), QPoint(335, 2));
    EXPECT_EQ(frm.lblTouming()->text(), QStringLiteral("透明度:"));
    EXPECT_EQ(frm.lblTouming()->pos(), QPoint(480, 701));
    EXPECT_EQ(frm.TrackBar1()->geometry(), QRect(516, 660, 169, 29));

    struct Button {
        QPushButton* button;
        const char16_t* text;
        QRect geometry;
        bool shown;
    };
    for (const Button& b : {Button{frm.JvXPButton1(), u"生成内容图片", {49, 663, 140, 21}, false},
                            Button{frm.btnPicPreview(), u"预  览", {735, 663, 73, 21}, false},
                            Button{frm.btnOk(), u"确  定", {825, 663, 73, 21}, true},
                            Button{frm.btnCancel(), u"取  消", {913, 662, 73, 21}, true}}) {
        EXPECT_EQ(b.button->text(), QString::fromUtf16(b.text));
        EXPECT_EQ(b.button->geometry(), b.geometry) << b.button->text().toStdString();
        EXPECT_EQ(b.button->isHidden(), !b.shown) << b.button->text().toStdString();
    }
    EXPECT_EQ(frm.btnOk()->toolTip(), QStringLiteral("应用到桌面背景"));
    EXPECT_TRUE(frm.TrackBar1()->isHidden());
}

TEST_F(SettingsWindow, ShownAt1024By738CentredAboveATaskbar) {
    Pictures({1280, 800}, {300, 200});
    Show();
    EXPECT_EQ(frm.size(), QSize(1024, 738));
    EXPECT_EQ(frm.pos(), QPoint((1920 - 1024) / 2, (1080 - 738 - 30) / 2));
    // The scroll box grew with the window on all sides; the content image kept to its right edge.
    EXPECT_EQ(frm.scbBG()->size(), QSize(1016, 654));
    EXPECT_EQ(frm.imgPicMix()->pos(), QPoint(339, 2));
    EXPECT_EQ(frm.imgPicBG()->size(), QSize(1280, 800));
    EXPECT_EQ(frm.imgPicMix()->size(), QSize(300, 200));
    EXPECT_TRUE(tp.messages.shown.empty());
}

struct LoadCase {
    const char* name;
    bool badBackground;
    bool badContent;
};

class LoadFailure : public SettingsWindow, public ::testing::WithParamInterface<LoadCase> {};

// A picture that cannot be loaded is said once, and the window goes.
TEST_P(LoadFailure, SaysSoAndCloses) {
    Pictures({640, 480}, {100, 100});
    if (GetParam().badBackground) frm.BGPicFile = tp.file("source/DeskTopBG/gone.bmp");
    if (GetParam().badContent) fakes::WriteFile(frm.ContentPicFile, "BM not really");
    Show();
    ASSERT_EQ(tp.messages.texts(), QStringList{QStringLiteral("加载失败！")});
    QCoreApplication::processEvents();
    EXPECT_FALSE(frm.isVisible());
}

INSTANTIATE_TEST_SUITE_P(Cases, LoadFailure,
                         ::testing::Values(LoadCase{"Background", true, false},
                                           LoadCase{"Content", false, true}, LoadCase{"Both", true, true}),
                         [](const auto& info) { return std::string(info.param.name); });

// Dropped at (100, 40) over a 1280 x 800 background, the preview shows the content from there,
// opaque: its white stays white.
TEST_F(SettingsWindow, DropThenPreviewPaintsWhereDropped) {
    Pictures({1280, 800}, {300, 200});
    Show();
    EXPECT_FALSE(Drop(frm.imgPicBG(), QStringLiteral("imgPicBG"), {500, 500}));
    EXPECT_EQ(frm.imgPicMix()->pos(), QPoint(339, 2));
    EXPECT_TRUE(Drop(frm.imgPicBG(), QStringLiteral("imgPicMix"), {100, 40}));
    EXPECT_EQ(frm.imgPicMix()->pos(), QPoint(100, 40));

    bool shown = false;
    QTimer::singleShot(0, &preview, [&] {
        shown = preview.isVisible();
        preview.reject();
    });
    frm.btnPicPreviewClick();
    EXPECT_TRUE(shown);
    EXPECT_EQ(preview.imgPreview()->size(), QSize(1280, 800));
    EXPECT_EQ(preview.size(), QSize(1280, 800));

    const pic::Bitmap mix = Mix();
    ASSERT_EQ(mix.width(), 1280);
    EXPECT_EQ(mix.pixel(100, 40), kWhite);
    EXPECT_EQ(mix.pixel(100, 41), kContent);
    EXPECT_EQ(mix.pixel(399, 239), kContent);
    for (const QPoint p : {QPoint(99, 41), QPoint(100, 39), QPoint(400, 100), QPoint(200, 240)})
        EXPECT_EQ(mix.pixel(p.x(), p.y()), kBackground) << p.x() << "," << p.y();
    EXPECT_TRUE(tp.wallpaper.applied.empty());
}

TEST_F(SettingsWindow, DropOnTheContentItselfLandsOnTheBackground) {
    Pictures({1280, 800}, {300, 200});
    Show();
    EXPECT_TRUE(Drop(frm.imgPicMix(), QStringLiteral("imgPicMix"), {10, 10}));
    EXPECT_EQ(frm.imgPicMix()->pos(), QPoint(349, 12));
}

// OK paints the content with its right edge 52 pixels left of the background's, 30 down, writes
// Mix.bmp, has the desktop show it without storing the key, and closes.
TEST_F(SettingsWindow, OkPlacesTheContentAndApplies) {
    Pictures({1024, 768}, {300, 200});
    Show();
    QTest::mouseClick(frm.btnOk(), Qt::LeftButton);
    const pic::Bitmap mix = Mix();
    EXPECT_EQ(mix.pixel(672, 30), kWhite);
    EXPECT_EQ(mix.pixel(672, 31), kContent);
    EXPECT_EQ(mix.pixel(971, 229), kContent);
    for (const QPoint p : {QPoint(671, 31), QPoint(972, 31), QPoint(700, 29), QPoint(700, 230)})
        EXPECT_EQ(mix.pixel(p.x(), p.y()), kBackground) << p.x() << "," << p.y();
    ASSERT_EQ(tp.wallpaper.applied.size(), 1u);
    EXPECT_EQ(tp.wallpaper.applied[0], tp.file("source/DeskTopBG/Mix.bmp"));
    EXPECT_TRUE(tp.wallpaper.values.empty());
    EXPECT_TRUE(tp.messages.shown.empty());
    EXPECT_FALSE(frm.isVisible());
}

TEST_F(SettingsWindow, OkWithADesktopThatCannotBeToldSaysSo) {
    Pictures({1024, 768}, {300, 200});
    Show();
    tp.wallpaper.succeed = false;
    frm.btnOkClick();
    ASSERT_EQ(tp.messages.shown.size(), 1u);
    EXPECT_TRUE(tp.messages.shown[0].text.contains(QStringLiteral("no desktop")));
    EXPECT_TRUE(fs::exists(tp.file("source/DeskTopBG/Mix.bmp")));
    EXPECT_FALSE(frm.isVisible());
}

TEST_F(SettingsWindow, OkThatCannotWriteMixReportsAndStays) {
    Pictures({1024, 768}, {300, 200});
    Show();
    fs::create_directory(tp.file("source/DeskTopBG/Mix.bmp"));
    frm.btnOkClick();
    EXPECT_EQ(tp.messages.shown.size(), 1u);
    EXPECT_TRUE(tp.wallpaper.applied.empty());
    EXPECT_TRUE(frm.isVisible());
}

TEST_F(SettingsWindow, CancelCloses) {
    Pictures({640, 480}, {100, 100});
    Show();
    QTest::mouseClick(frm.btnCancel(), Qt::LeftButton);
    EXPECT_FALSE(frm.isVisible());
    EXPECT_FALSE(fs::exists(tp.file("source/DeskTopBG/Mix.bmp")));
}

// The hidden content button draws the month grid into Content.bmp.
TEST_F(SettingsWindow, ContentButtonDrawsTheMonthGrid) {
    Pictures({640, 480}, {100, 100});
    fs::copy_file(frm.ContentPicFile, tp.file("source/DeskTopBG/A.bmp"));
    frm.JvXPButton1Click();
    EXPECT_EQ(frm.contentPicture().width(), 100);
    const pic::Bitmap grid = pic::LoadBitmapFile(frm.ContentPicFile);
    EXPECT_EQ(grid.width(), TDeskBGSetFrm::kGridWidth);
    EXPECT_EQ(grid.height(), TDeskBGSetFrm::kGridHeight);
    EXPECT_TRUE(tp.messages.shown.empty());
}

TEST(PicPreviewFrm, WrapsItsPictureCentredOverTheMainWindow) {
    QWidget main;
    main.setGeometry(300, 200, 822, 466);
    main.show();
    TPicPreviewFrm preview(&main);
    EXPECT_EQ(preview.windowTitle(), QStringLiteral("桌面背景合成预览"));
    EXPECT_EQ(preview.size(), QSize(1022, 736));
    preview.picture() = pic::Bitmap(400, 300, 24);
    preview.showPicture();
    preview.show();
    QCoreApplication::processEvents();
    EXPECT_EQ(preview.size(), QSize(400, 300));
    EXPECT_EQ(preview.imgPreview()->geometry(), QRect(0, 0, 400, 300));
    // Centred to the pixel: halves of odd sizes may round either way.
    EXPECT_LE((preview.frameGeometry().center() - main.frameGeometry().center()).manhattanLength(), 2);
}

} // namespace
