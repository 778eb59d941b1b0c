#include "app/ImageButton.h"
#include "app/uMain.h"
#include "calendar/DateTime.h"
#include "calendar_view/ChnCalendarPicker.h"
#include "imaging/PictureFile.h"
#include "pictures/PicImage.h"
#include "pictures/PicImport.h"
#include "pictures/uGlobal.h"
#include "platform/posix/AppFolders.h"
#include "support/fakes/Fakes.h"
#include "ui/StateButton.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTest>
#include <filesystem>
#include <gtest/gtest.h>

namespace fs = std::filesystem;
using namespace nodo;
using nodo::fakes::ReadFile;
using nodo::fakes::TestPlatform;
using nodo::fakes::WriteFile;

namespace {

// Counts the events of one kind that reach an object.
class EventCounter : public QObject {
public:
    EventCounter(QObject* target, QEvent::Type type) : m_type(type) { target->installEventFilter(this); }
    int count = 0;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == m_type) ++count;
        return false;
    }

private:
    QEvent::Type m_type;
};

class MainFrmTest : public ::testing::Test {
protected:
    // Creates and shows the main window as the entry does, with a background loader that only counts.
    std::unique_ptr<TMainFrm> start() {
        auto frm = std::make_unique<TMainFrm>(tp.platform(), state);
        MainTools tools;
        tools.LoadBGPicList = [this](MainContext&, bool byChoice) {
            ++listLoads;
            lastByChoice = byChoice;
        };
        tools.ShowCurPicFile = [](MainContext& ctx) { ShowCurPicFile(ctx); };
        frm->setTools(tools);
        frm->FormCreate();
        frm->FormShow();
        return frm;
    }
    std::string data(const std::string& name) { return tp.file("data/" + name); }

    TestPlatform tp;
    SharedState state;
    int listLoads = 0;
    bool lastByChoice = true;
};

TEST_F(MainFrmTest, FirstStartPlacesTheWindowByScreenWidth) {
    struct Case {
        int screenW, screenH, left, top;
    } cases[] = {{1366, 768, 268, 119}, {1365, 768, 267, 119}, {801, 600, -14, 35}, {1920, 1080, 545, 275}};
    for (const auto& c : cases) {
        fs::remove(data("FormSize.ini"));
        tp.screen.screenSize = QSize(c.screenW, c.screenH);
        auto frm = start();
        EXPECT_EQ(frm->size(), QSize(830, 500)) << c.screenW;
        EXPECT_EQ(frm->pos(), QPoint(c.left, c.top)) << c.screenW;
        EXPECT_EQ(frm->state().LetterIndex, 1);
        EXPECT_EQ(ReadFile(data("FormSize.ini")),
                  "1\r\n830\r\n500\r\n" + std::to_string(c.left) + "\r\n" + std::to_string(c.top) + "\r\n");
    }
    // The other start-up files of a fresh installation.
    EXPECT_EQ(ReadFile(data("configSetBg.ini")), "1\r\n");
    EXPECT_EQ(ReadFile(data("tmppic.ini")), "\r\n");
    EXPECT_TRUE(tp.messages.shown.empty());
}

TEST_F(MainFrmTest, StoredGeometryAndLetterAreRestored) {
    WriteFile(data("FormSize.ini"), "3\r\n900\r\n600\r\n10\r\n20\r\n");
    auto frm = start();
    EXPECT_EQ(frm->geometry(), QRect(10, 20, 900, 600));
    EXPECT_EQ(frm->state().LetterIndex, 3);
    // Anchored controls follow the right edge; the right column stretches.
    EXPECT_EQ(frm->img_close_normal->pos(), QPoint(782 + 78, 1));
    EXPECT_EQ(frm->imgAppToDesk->pos(), QPoint(734 + 78, 45));
    EXPECT_EQ(frm->pngRight->geometry(), QRect(315, 80, 503 + 78, 381 + 134));
    EXPECT_EQ(frm->pnlLeft->geometry(), QRect(4, 80, 302, 441));
    EXPECT_EQ(ReadFile(data("FormSize.ini")), "3\r\n900\r\n600\r\n10\r\n20\r\n");
}

TEST_F(MainFrmTest, CloseButtonSavesANegativeLeftAndTheNextStartUsesIt) {
    {
        auto frm = start();
        QSignalSpy quit(frm.get(), &TMainFrm::quitRequested);
        frm->move(-40, 5);
        frm->img_close_normalMouseMove();
        EXPECT_TRUE(frm->img_close_highlight->isVisibleTo(frm.get()));
        QTest::mousePress(frm->closeButton, Qt::LeftButton, {}, QPoint(5, 5));
        EXPECT_TRUE(frm->img_close_down->isVisibleTo(frm.get()));
        EXPECT_FALSE(frm->img_close_highlight->isVisibleTo(frm.get()));
        QTest::mouseRelease(frm->closeButton, Qt::LeftButton, {}, QPoint(5, 5));
        EXPECT_EQ(quit.count(), 1);
        EXPECT_EQ(ReadFile(data("FormSize.ini")), "1\r\n830\r\n500\r\n-40\r\n5\r\n");
    }
    auto again = start();
    EXPECT_EQ(again->pos(), QPoint(-40, 5));
}

TEST_F(MainFrmTest, ExitCommandAndMinimiseLeaveTheGeometryFileAlone) {
    WriteFile(data("FormSize.ini"), "2\r\n830\r\n500\r\n100\r\n100\r\n");
    auto frm = start();
    QSignalSpy quit(frm.get(), &TMainFrm::quitRequested);
    frm->move(300, 300);
    frm->N_ExitPrj->trigger();
    EXPECT_EQ(quit.count(), 1);
    EXPECT_EQ(ReadFile(data("FormSize.ini")), "2\r\n830\r\n500\r\n100\r\n100\r\n");
    // Pressing and releasing outside the minimise picture does nothing but reset the pictures.
    frm->img_mini_normalMouseMove();
    QTest::mousePress(frm->miniButton, Qt::LeftButton, {}, QPoint(3, 3));
    EXPECT_TRUE(frm->img_mini_down->isVisibleTo(frm.get()));
    QTest::mouseRelease(frm->miniButton, Qt::LeftButton, {}, QPoint(200, 200));
    EXPECT_TRUE(frm->img_mini_normal->isVisibleTo(frm.get()));
    EXPECT_EQ(quit.count(), 1);
}

TEST_F(MainFrmTest, ImageButtonStatesShowOnePicturePerButton) {
    auto frm = start();
    auto state = [&] {
        auto v = [&](QWidget* w) { return w->isVisibleTo(frm.get()) ? '1' : '0'; };
        return std::string{v(frm->img_close_normal), v(frm->img_close_highlight), v(frm->img_close_down), '/',
                           v(frm->img_mini_normal),  v(frm->img_mini_highlight),  v(frm->img_mini_down)};
    };
    EXPECT_EQ(state(), "100/100");
    frm->img_close_normalMouseMove();
    EXPECT_EQ(state(), "010/100");
    frm->img_close_highlightMouseDown();
    EXPECT_EQ(state(), "001/100");
    frm->imgBGMouseMove();
    EXPECT_EQ(state(), "100/100");
    frm->img_mini_normalMouseMove();
    EXPECT_EQ(state(), "100/010");
    frm->img_mini_highlightMouseDown();
    EXPECT_EQ(state(), "100/001");
    frm->img_mini_highlightClick();
    EXPECT_EQ(state(), "100/100");
}

TEST_F(MainFrmTest, ConfirmationSettingFile) {
    struct Case {
        const char* content; // nullptr: no file
        bool show;
        const char* after;
        bool reported;
    } cases[] = {
        {nullptr, true, "1\r\n", false},
        {"0\r\n", false, "0\r\n", false},
        {"-2\r\n", false, "-2\r\n", false},
        {"7\r\n", true, "7\r\n", false},
        {"1\r\nrest\r\n", true, "1\r\nrest\r\n", false},
        {"", true, "", true},
        {"yes\r\n", true, "yes\r\n", true},
    };
    for (const auto& c : cases) {
        state = SharedState{};
        tp.messages.shown.clear();
        listLoads = 0;
        fs::remove(data("configSetBg.ini"));
        if (c.content) WriteFile(data("configSetBg.ini"), c.content);
        auto frm = start();
        const std::string label = c.content ? c.content : "(missing)";
        EXPECT_EQ(state.ShowSetBgInfo, c.show) << label;
        EXPECT_EQ(state.SetBgConfirmed, 0);
        EXPECT_EQ(state.ConfigSetBgFile, data("configSetBg.ini"));
        EXPECT_EQ(ReadFile(data("configSetBg.ini")), c.after) << label;
        EXPECT_EQ(!tp.messages.shown.empty(), c.reported) << label;
        // A bad file never switches off the steps after it.
        EXPECT_EQ(listLoads, 1) << label;
        EXPECT_FALSE(lastByChoice);
        EXPECT_TRUE(frm->WebEditor->designMode()) << label;
    }
}

TEST_F(MainFrmTest, DateLineUsesTheIsoWeekdayCharacter) {
    struct Case {
        int y, m, d;
        const char* text;
    } cases[] = {
        {2013, 1, 5, "今天是 2013年1月5日(六)"},   {2013, 1, 6, "今天是 2013年1月6日(日)"},
        {2013, 1, 7, "今天是 2013年1月7日(一)"},   {2026, 12, 9, "今天是 2026年12月9日(三)"},
        {2024, 2, 29, "今天是 2024年2月29日(四)"}, {2000, 10, 20, "今天是 2000年10月20日(五)"},
        {1999, 3, 2, "今天是 1999年3月2日(二)"},
    };
    for (const auto& c : cases) {
        tp.clock.value = {c.y, c.m, c.d, 23, 59, 59, 0};
        auto frm = start();
        EXPECT_EQ(frm->lblDateTime->text(), QString::fromUtf8(c.text));
        EXPECT_EQ(frm->lblDateTime->pos(), QPoint(343, 19));
    }
}

TEST_F(MainFrmTest, DamagedGeometryFileIsReportedAndTheDefaultsUsed) {
    for (const char* content : {"1\r\n830\r\n500\r\n", "1\r\n830\r\nwide\r\n10\r\n10\r\n", ""}) {
        tp.messages.shown.clear();
        state = SharedState{};
        WriteFile(data("FormSize.ini"), content);
        // The remembered picture is still restored.
        pic::Bitmap bmp(30, 20, 24);
        pic::SaveBmpFile(tp.file("pic.bmp"), bmp);
        WriteFile(data("tmppic.ini"), tp.file("pic.bmp") + "\r\n");
        auto frm = start();
        ASSERT_EQ(tp.messages.shown.size(), 1u) << content;
        EXPECT_EQ(tp.messages.shown[0].caption, QStringLiteral("Nodo助手"));
        EXPECT_EQ(frm->geometry(), QRect(268, 119, 830, 500));
        EXPECT_EQ(ReadFile(data("FormSize.ini")), content);
        EXPECT_EQ(frm->imgPicMix->size(), QSize(30, 20)) << content;
    }
}

TEST_F(MainFrmTest, HandOverFileWithoutALineIsReportedAndStartUpGoesOn) {
    WriteFile(data("tmppic.ini"), "");
    WriteFile(data("configSetBg.ini"), "0\r\n");
    auto frm = start();
    ASSERT_EQ(tp.messages.shown.size(), 1u);
    EXPECT_TRUE(state.CurPicFile.empty());
    EXPECT_FALSE(state.ShowSetBgInfo); // the setting is still read
    EXPECT_EQ(listLoads, 1);
    EXPECT_TRUE(frm->WebEditor->designMode());
    EXPECT_TRUE(frm->imgPicMix->empty());
}

TEST_F(MainFrmTest, RememberedPictureComesBackAndAMissingOneLeavesThePageEmpty) {
    pic::Bitmap bmp(40, 25, 24);
    pic::SaveBmpFile(tp.file("mine.bmp"), bmp);
    WriteFile(data("tmppic.ini"), tp.file("mine.bmp") + "\r\n");
    {
        auto frm = start();
        EXPECT_EQ(state.CurPicFile, tp.file("mine.bmp"));
        EXPECT_EQ(frm->imgPicMix->size(), QSize(40, 25));
    }
    fs::remove(tp.file("mine.bmp"));
    auto frm = start();
    EXPECT_TRUE(frm->imgPicMix->empty());
    EXPECT_TRUE(tp.messages.shown.empty());
}

TEST_F(MainFrmTest, MissingDataFolderIsReportedWithoutStoppingTheWindow) {
    fs::remove_all(tp.file("data"));
    auto frm = start();
    // The hand-over file, the confirmation setting and the geometry file each fail to be written.
    EXPECT_EQ(tp.messages.shown.size(), 3u);
    EXPECT_EQ(frm->geometry(), QRect(268, 119, 830, 500));
    EXPECT_TRUE(state.ShowSetBgInfo);
    EXPECT_EQ(listLoads, 1);
    EXPECT_FALSE(fs::exists(tp.file("data")));
}

TEST_F(MainFrmTest, OptionsMenuOpensThePagesOfTheBundledSite) {
    auto frm = start();
    EXPECT_EQ(frm->lblSet->text(), QStringLiteral("|  选项"));
    QStringList shown;
    for (QAction* a : frm->popSysset->actions())
        if (a->isVisible()) shown << (a->isSeparator() ? QStringLiteral("-") : a->text());
    EXPECT_EQ(shown, (QStringList{"帮助说明", "意见反馈", "-", "退出程序"}));
    EXPECT_EQ(frm->N_OutPutCon->text(), QStringLiteral("内容导出"));
    frm->N_help->trigger();
    frm->N_Submit->trigger();
    const QString web = QUrl::fromLocalFile(QString::fromStdString(tp.root() + "web")).toString();
    EXPECT_EQ(tp.shell.opened, (QStringList{web + "/help4/tavia.htm", web + "/help4/tavib.htm"}));
    EXPECT_EQ(frm->webLink->url().toString(), web + "/rs/Tavi.htm");
    // A link clicked in the small panel opens on the desktop instead of replacing the start page.
    const QUrl help(web + "/help4/tavia.htm");
    QMetaObject::invokeMethod(frm->webLink->widget(), "anchorClicked", Q_ARG(QUrl, help));
    EXPECT_EQ(tp.shell.opened.size(), 3);
    EXPECT_EQ(tp.shell.opened.last(), help.toString());
    EXPECT_EQ(frm->webLink->url().toString(), web + "/rs/Tavi.htm");
}

TEST_F(MainFrmTest, AnInstalledProgramShowsThePagesOfItsInstallation) {
    // The user's folder holds the settings; the pages stay where the package put them.
    AppFolderPlace place;
    place.root = tp.root();
    place.web = fs::path(tp.root()) / "usr/share/nodo/web";
    ExecutableAppFolder installed(place);
    tp.platform().folder = &installed;
    auto frm = start();
    frm->N_help->trigger();
    const QString web = QUrl::fromLocalFile(QString::fromStdString(place.web.string())).toString();
    EXPECT_EQ(frm->webLink->url().toString(), web + "/rs/Tavi.htm");
    EXPECT_EQ(tp.shell.opened, QStringList{web + "/help4/tavia.htm"});
    EXPECT_TRUE(fs::exists(data("FormSize.ini")));
}

TEST_F(MainFrmTest, WebPanelIsClippedAndKeepsRightClicksAway) {
    auto frm = start();
    frm->show();
    QWidget* view = frm->webLink->widget();
    EXPECT_EQ(view->geometry(), QRect(-11, -16, 2000, 841));
    EXPECT_EQ(frm->pnlWeb->size(), QSize(300, 250));
    auto* scroll = qobject_cast<QAbstractScrollArea*>(view);
    ASSERT_NE(scroll, nullptr);
    QWidget* viewport = scroll->viewport();
    EventCounter pressesInWeb(viewport, QEvent::MouseButtonPress);
    EventCounter menusInWeb(viewport, QEvent::ContextMenu);
    int emptyMenus = 0;
    QObject::connect(frm->pmEmpty, &QMenu::aboutToShow, [&] { ++emptyMenus; });
    QTest::mouseClick(viewport, Qt::RightButton, {}, QPoint(100, 100));
    EXPECT_EQ(pressesInWeb.count, 0);
    EXPECT_EQ(menusInWeb.count, 0);
    // The empty menu never opens: as a popup with nothing in it, it would only keep the pointer.
    EXPECT_EQ(emptyMenus, 0);
    EXPECT_FALSE(frm->pmEmpty->isVisible());
    // Left clicks still reach the page; right clicks elsewhere are not touched.
    QTest::mouseClick(viewport, Qt::LeftButton, {}, QPoint(100, 100));
    EXPECT_EQ(pressesInWeb.count, 1);
    EventCounter pressesOnButton(frm->btnInsertPic, QEvent::MouseButtonPress);
    QTest::mouseClick(frm->btnInsertPic, Qt::RightButton, {}, QPoint(5, 5));
    EXPECT_EQ(pressesOnButton.count, 1);
    EXPECT_EQ(emptyMenus, 0);
}

// Every anchored control of the window's layout table, wherever the window is sized.
TEST_F(MainFrmTest, ControlsFollowTheirAnchorsAtEverySize) {
    auto frm = start();
    namespace ml = main_layout;
    const std::pair<QWidget*, layout::Place> controls[] = {
        {frm->img_close_normal, ml::kClose},     {frm->img_close_down, ml::kClose},
        {frm->img_mini_normal, ml::kMiniNormal}, {frm->img_mini_highlight, ml::kMiniPressed},
        {frm->imgAppToDesk, ml::kApply},         {frm->imgLogo, ml::kLogo},
        {frm->btnInsertPic, ml::kInsertPicture}, {frm->SpeedButton1, ml::kCapture},
        {frm->pnlLeft, ml::kLeftColumn},         {frm->pngRight, ml::kRightColumn}};
    frm->show(); // a hidden window is laid out only when shown
    for (const QSize size : {QSize(830, 500), QSize(1200, 760), QSize(823, 467), QSize(2400, 1300)}) {
        frm->resize(size);
        const int dw = size.width() - ml::kDesignWidth, dh = size.height() - ml::kDesignHeight;
        for (const auto& [control, place] : controls)
            EXPECT_EQ(control->geometry(), ToRect(layout::Anchored(place, dw, dh)))
                << control->objectName().toStdString() << " at " << size.width() << "x" << size.height();
        const layout::Box options = layout::Anchored(ml::kOptions, dw, dh);
        EXPECT_EQ(frm->lblSet->pos(), QPoint(options.x, options.y));
        EXPECT_EQ(frm->pgcMain->geometry(), frm->pngRight->rect());
        EXPECT_EQ(frm->imgBG->geometry(), frm->rect());
    }
}

TEST_F(MainFrmTest, ControlsOfTheWindow) {
    auto frm = start();
    EXPECT_TRUE(frm->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(frm->windowTitle(), QStringLiteral("Nodo助手"));
    EXPECT_EQ(frm->btnInsertPic->text(), QStringLiteral("插入图片"));
    EXPECT_EQ(frm->SpeedButton1->text(), QStringLiteral("截  图"));
    EXPECT_EQ(frm->btnInsertPic->geometry(), QRect(328, 54, 64, 22));
    EXPECT_EQ(frm->SpeedButton1->geometry(), QRect(394, 54, 64, 22));
    EXPECT_EQ(frm->imgAddToDesk->geometry(), QRect(54, 264, 200, 93));
    EXPECT_EQ(frm->imgLogo->geometry(), QRect(52, 13, 200, 57));
    // Hidden controls exist and stay hidden.
    for (QWidget* w : std::initializer_list<QWidget*>{frm->btnGou, frm->btnX, frm->imgDate, frm->imgRedColor,
                                                      frm->btnClearCon, frm->imgHint, frm->pnlABC})
        EXPECT_FALSE(w->isVisibleTo(frm.get()));
    for (QPushButton* b : frm->btnLetters)
        EXPECT_FALSE(b->isVisibleTo(frm.get()));
    EXPECT_EQ(frm->btnGou->text(), QStringLiteral("√"));
    EXPECT_EQ(frm->btnClearCon->text(), QStringLiteral("清空内容"));
    EXPECT_EQ(frm->pgcMain->currentWidget(), frm->ts_PicShow);
    EXPECT_EQ(frm->imgPicMix->parentWidget(), frm->ts_PicShow);
    EXPECT_EQ(frm->imgPicMix->pos(), QPoint(0, 0));
}

TEST_F(MainFrmTest, ToolHandlersGetTheMainWindowContext) {
    auto frm = start();
    QStringList calls;
    MainTools tools;
    auto record = [&](const char* name) {
        return [&calls, name, f = frm.get()](MainContext& c) {
            EXPECT_EQ(c.mainWindow, f);
            EXPECT_EQ(c.imgPicMix, f->imgPicMix);
            EXPECT_EQ(c.state, &f->state());
            calls << name;
        };
    };
    tools.btnInsertPicClick = record("insert");
    tools.SpeedButton1Click = record("capture");
    tools.imgAppToDeskClick = record("apply");
    tools.imgAddToDeskClick = record("list");
    tools.Copyscreanform = record("copy");
    tools.copyScreenEventType = QEvent::User + 5129;
    frm->setTools(tools);
    QTest::mouseClick(frm->btnInsertPic, Qt::LeftButton);
    QTest::mouseClick(frm->SpeedButton1, Qt::LeftButton);
    QTest::mouseClick(frm->imgAppToDesk, Qt::LeftButton, {}, QPoint(10, 10));
    QTest::mouseClick(frm->imgAddToDesk, Qt::LeftButton, {}, QPoint(10, 10));
    QCoreApplication::postEvent(frm.get(), new QEvent(QEvent::Type(QEvent::User + 5129)));
    QCoreApplication::processEvents();
    EXPECT_EQ(calls, (QStringList{"insert", "capture", "apply", "list", "copy"}));
}

TEST_F(MainFrmTest, ActivationAndIdleTrimTheWorkingSet) {
    auto frm = start();
    const int before = tp.kernel.trims;
    QEvent activation(QEvent::ActivationChange);
    QCoreApplication::sendEvent(frm.get(), &activation);
    EXPECT_EQ(tp.kernel.trims, before + 1);
    frm->AppEvent1Idle();
    frm->AppEvent1Idle(); // at most once a second
    EXPECT_LE(tp.kernel.trims, before + 2);
    EXPECT_GE(tp.kernel.trims, before + 1);
}

} // namespace

// The calendar of the dated note sits on the hidden panel with its form's properties and shows the
// moment of the start.
TEST_F(MainFrmTest, CalendarOnTheHiddenPanelShowsTheStart) {
    tp.clock.value = {2013, 1, 2, 9, 9, 16, 0};
    auto frm = start();
    ASSERT_NE(frm->chnRili, nullptr);
    EXPECT_EQ(frm->chnRili->parentWidget(), frm->pnlABC);
    EXPECT_EQ(frm->pnlABC->parentWidget(), frm->pngRight);
    EXPECT_EQ(frm->pnlABC->geometry(), QRect(49, 398, 423, 381));
    EXPECT_FALSE(frm->pnlABC->isVisible());
    EXPECT_FALSE(frm->chnRili->isVisible());
    EXPECT_EQ(frm->chnRili->geometry(), QRect(2, 2, 419, 255));
    EXPECT_DOUBLE_EQ(frm->chnRili->DateTime(),
                     nodo::calendar::EncodeDate(2013, 1, 2) + (9 * 3600 + 9 * 60 + 16) / 86400.0);
    EXPECT_EQ(frm->chnRili->CnDate(), QStringLiteral("冬月廿一"));
    EXPECT_TRUE(frm->chnRili->ShowTitle());
    EXPECT_FALSE(frm->chnRili->ShowWeekNum());
    EXPECT_FALSE(frm->chnRili->ShowFrame());
    EXPECT_TRUE(frm->chnRili->Stretch());
    EXPECT_TRUE(frm->chnRili->Transparent());
    EXPECT_FALSE(frm->chnRili->Center());
    EXPECT_EQ(frm->chnRili->AlphaBlend(), 50);
    EXPECT_EQ(frm->chnRili->FontDate().pixelSize(), 12);
    EXPECT_TRUE(frm->chnRili->FontDate().bold());
    EXPECT_EQ(frm->chnRili->FontCnDate().pixelSize(), 12);
    // Hidden, the control is laid out for its size all the same.
    EXPECT_EQ(frm->chnRili->DayGrid()->geometry(), QRect(8, 40, 404, 188));
    EXPECT_TRUE(static_cast<bool>(frm->chnRili->OnChange));
}
