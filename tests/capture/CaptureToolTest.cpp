#include "CaptureFixture.h"

using namespace nodo;
using namespace nodo::testing;

namespace {

using CaptureTool = CaptureFixture;

struct StartCase {
    const char* name;
    fakes::FakeMessageBox::Result answer;
    bool mainHiddenDuringCapture;
};

class CaptureStart : public CaptureFixture, public ::testing::WithParamInterface<StartCase> {};

TEST_P(CaptureStart, AsksWaitsAndPostsTheStartMessage) {
    tp.messages.answers.push_back(GetParam().answer);
    bool visibleWhenCaptured = true;
    main.onCopyScreen = [&] {
        visibleWhenCaptured = main.isVisible();
        tool.Copyscreanform(ctx);
    };
    tool.SpeedButton1Click(ctx);
    ASSERT_EQ(tp.messages.shown.size(), 1u);
    EXPECT_EQ(tp.messages.shown[0].text, QString::fromUtf8("     Nodo 窗口最小化"));
    EXPECT_EQ(tp.messages.shown[0].caption, QString::fromUtf8("提示"));
    EXPECT_EQ(tp.messages.shown[0].buttons, MessageBox::Buttons::OkCancel);
    EXPECT_EQ(tp.kernel.sleeps, std::vector<int>{200});
    // The screen is read only when the posted message is taken from the queue.
    EXPECT_EQ(main.copyScreenEvents, 0);
    EXPECT_EQ(tp.screen.grabs, 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(main.copyScreenEvents, 1);
    EXPECT_EQ(visibleWhenCaptured, !GetParam().mainHiddenDuringCapture);
    ASSERT_NE(tool.current(), nullptr);
    EXPECT_EQ(tp.kernel.sleeps, (std::vector<int>{200, 50}));
    EXPECT_EQ(tp.screen.grabs, 1);

    // Sending shows the main window again, in place.
    press({100, 200});
    move({200, 300});
    release({200, 300});
    QTest::keyClick(tool.current(), Qt::Key_Return);
    EXPECT_EQ(tool.current(), nullptr);
    EXPECT_TRUE(main.isVisible());
    EXPECT_FALSE(main.isMinimized());
}

INSTANTIATE_TEST_SUITE_P(Capture, CaptureStart,
                         ::testing::Values(StartCase{"ok", MessageBox::Result::Ok, true},
                                           StartCase{"cancel", MessageBox::Result::Cancel, false}),
                         [](const auto& info) { return std::string(info.param.name); });

// Each way out of a capture without a picture.
struct LeaveCase {
    const char* name;
    std::function<void(CaptureFixture&)> leave;
};

class CaptureLeave : public CaptureFixture, public ::testing::WithParamInterface<LeaveCase> {};

TEST_P(CaptureLeave, GivesTheHiddenMainWindowBackShownNormally) {
    tp.messages.answers.push_back(MessageBox::Result::Ok);
    main.move(140, 90);
    const QPoint place = main.pos();
    tool.SpeedButton1Click(ctx);
    QCoreApplication::processEvents();
    ASSERT_NE(tool.current(), nullptr);
    EXPECT_FALSE(main.isVisible());
    GetParam().leave(*this);
    EXPECT_EQ(tool.current(), nullptr);
    // Minimised it would be lost where there is no task bar.
    EXPECT_TRUE(main.isVisible());
    EXPECT_FALSE(main.isMinimized());
    EXPECT_EQ(main.pos(), place);
}

INSTANTIATE_TEST_SUITE_P(Capture, CaptureLeave,
                         ::testing::Values(LeaveCase{"escape",
                                                     [](CaptureFixture& f) {
                                                         QTest::keyClick(f.tool.current(), Qt::Key_Escape);
                                                     }},
                                           LeaveCase{"right_button",
                                                     [](CaptureFixture& f) {
                                                         f.press({300, 300}, Qt::RightButton);
                                                     }}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(CaptureTool, ClosingWithoutSendingLeavesAShownMainWindowAlone) {
    open();
    QTest::keyClick(tool.current(), Qt::Key_Escape);
    EXPECT_TRUE(main.isVisible());
    EXPECT_FALSE(main.isMinimized());
}

TEST_F(CaptureTool, NoPictureOfTheScreenOpensNoWindow) {
    tp.screen.grabbable = false;
    main.hide();
    open();
    EXPECT_EQ(tool.current(), nullptr);
    EXPECT_EQ(tp.screen.grabs, 0);
    ASSERT_EQ(tp.messages.shown.size(), 1u);
    EXPECT_EQ(tp.messages.shown[0].text, QString::fromUtf8("无法读取屏幕图像。"));
    EXPECT_EQ(tp.messages.shown[0].caption, QString::fromUtf8("Nodo助手"));
    EXPECT_TRUE(main.isVisible()); // back, or the program would be out of reach
    for (QWidget* w : QApplication::topLevelWidgets())
        EXPECT_EQ(qobject_cast<TCopyScreenForm*>(w), nullptr);
}

// A screen that says it can be read but then gives nothing (the grab failed).
class EmptyGrabScreen : public fakes::FakeScreen {
public:
    QImage grab() override {
        ++grabs;
        return {};
    }
};

TEST_F(CaptureTool, AFailedGrabIsReportedAndOpensNoWindow) {
    EmptyGrabScreen screen;
    tp.platform().screen = &screen;
    open();
    EXPECT_EQ(tool.current(), nullptr);
    EXPECT_EQ(screen.grabs, 1);
    ASSERT_EQ(tp.messages.shown.size(), 1u);
    settle();
    for (QWidget* w : QApplication::topLevelWidgets())
        EXPECT_EQ(qobject_cast<TCopyScreenForm*>(w), nullptr);
}

TEST_F(CaptureTool, TheLatestWindowIsTheOneInUse) {
    QPointer<TCopyScreenForm> first = open();
    QPointer<TCopyScreenForm> second = open();
    EXPECT_NE(first, second);
    EXPECT_EQ(tool.current(), second);
    first->close();
    EXPECT_EQ(tool.current(), second); // closing an older window keeps the newer one in use
    second->close();
    EXPECT_EQ(tool.current(), nullptr);
}

} // namespace
