// The window chrome shared by every window: keeping a stored window reachable, Qt's own texts in the
// desktop's language, the three-picture button, the popup helper and anchoring from a layout table.
#include "ui/Anchoring.h"
#include "ui/Popup.h"
#include "ui/SessionPlatform.h"
#include "ui/StateButton.h"
#include "ui/TilingFloat.h"
#include "ui/Translations.h"
#include "ui/WindowPlace.h"

#include <QApplication>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>

using namespace nodo;

namespace {

struct PlaceCase {
    const char* name;
    QRect stored;
    QRect shown;
};

class Place : public ::testing::TestWithParam<PlaceCase> {};

TEST_P(Place, KeepsTheWindowWhereItCanBeReached) {
    const std::vector<QRect> screens = {QRect(0, 0, 1366, 768), QRect(1366, 0, 1920, 1080)};
    EXPECT_EQ(VisibleGeometry(GetParam().stored, screens, QSize(830, 500)), GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Place,
    ::testing::Values(PlaceCase{"OnTheScreen", {100, 80, 830, 500}, {100, 80, 830, 500}},
                      PlaceCase{"PartlyOffToTheLeft", {-40, 5, 830, 500}, {-40, 5, 830, 500}},
                      PlaceCase{"OnTheSecondScreen", {2000, 300, 830, 500}, {2000, 300, 830, 500}},
                      PlaceCase{"ZeroSize", {100, 80, 0, 0}, {100, 80, 830, 500}},
                      PlaceCase{"NegativeSize", {100, 80, -300, -20}, {100, 80, 830, 500}},
                      PlaceCase{"OnAScreenThatIsGone", {5000, 3000, 830, 500}, {536, 268, 830, 500}},
                      PlaceCase{"BeforeEveryScreen", {-2000, -900, 830, 500}, {0, 0, 830, 500}},
                      PlaceCase{"TopAboveTheScreen", {100, -10, 830, 500}, {100, 0, 830, 500}},
                      PlaceCase{"BelowTheSecondScreen", {1330, 1060, 830, 500}, {1366, 580, 830, 500}},
                      PlaceCase{"LargerThanTheScreen", {-50, -50, 3000, 2000}, {1366, 0, 3000, 2000}}),
    [](const auto& info) { return std::string(info.param.name); });

using Variables = std::map<std::string, QString>;

// The environment of a case, read as the program reads its own: unset reads empty.
std::function<QString(const char*)> Reading(const Variables& env) {
    return [&env](const char* name) {
        const auto it = env.find(name);
        return it == env.end() ? QString() : it->second;
    };
}

struct TilingCase {
    const char* name;
    std::map<std::string, QString> env;
    bool tiling;
};

class Tiling : public ::testing::TestWithParam<TilingCase> {};

TEST_P(Tiling, SessionIsToldByItsVariables) {
    EXPECT_EQ(TilingSession(Reading(GetParam().env)), GetParam().tiling);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Tiling,
    ::testing::Values(TilingCase{"Sway", {{"XDG_CURRENT_DESKTOP", "sway"}}, true},
                      TilingCase{"SwaySocketOnly", {{"SWAYSOCK", "/run/user/1000/sway-ipc.sock"}}, true},
                      TilingCase{"I3InAList", {{"XDG_CURRENT_DESKTOP", "X-Generic:i3"}}, true},
                      TilingCase{"I3Socket", {{"I3SOCK", "/tmp/i3-ipc"}}, true},
                      TilingCase{"Gnome", {{"XDG_CURRENT_DESKTOP", "ubuntu:GNOME"}}, false},
                      TilingCase{"NameInsideAnother", {{"XDG_CURRENT_DESKTOP", "swayfx-like:i3bar"}}, false},
                      TilingCase{"EmptySocket", {{"SWAYSOCK", ""}}, false}, TilingCase{"Nothing", {}, false}),
    [](const auto& info) { return std::string(info.param.name); });

struct PlatformCase {
    const char* name;
    std::map<std::string, QString> env;
    QString platform;
};

class Platform : public ::testing::TestWithParam<PlatformCase> {};

TEST_P(Platform, GnomeOnWaylandRunsThroughXWayland) {
    EXPECT_EQ(PreferredQtPlatform(Reading(GetParam().env)), GetParam().platform);
}

const std::map<std::string, QString> kGnomeWayland = {
    {"XDG_CURRENT_DESKTOP", "GNOME"}, {"WAYLAND_DISPLAY", "wayland-0"}, {"DISPLAY", ":0"}};

std::map<std::string, QString> With(std::map<std::string, QString> env, const std::string& name,
                                    const QString& v) {
    env[name] = v;
    return env;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Platform,
    ::testing::Values(
        PlatformCase{"Gnome", kGnomeWayland, "xcb;wayland"},
        PlatformCase{"UbuntuGnome", With(kGnomeWayland, "XDG_CURRENT_DESKTOP", "ubuntu:GNOME"),
                     "xcb;wayland"},
        PlatformCase{"SessionTypeOnly",
                     {{"XDG_CURRENT_DESKTOP", "GNOME"}, {"XDG_SESSION_TYPE", "Wayland"}, {"DISPLAY", ":1"}},
                     "xcb;wayland"},
        PlatformCase{"UserChoseWayland", With(kGnomeWayland, "QT_QPA_PLATFORM", "wayland"), ""},
        PlatformCase{"NoXServer", With(kGnomeWayland, "DISPLAY", ""), ""},
        PlatformCase{"GnomeOnX", {{"XDG_CURRENT_DESKTOP", "GNOME"}, {"DISPLAY", ":0"}}, ""},
        PlatformCase{"KdeOnWayland", With(kGnomeWayland, "XDG_CURRENT_DESKTOP", "KDE"), ""},
        PlatformCase{"NameInsideAnother", With(kGnomeWayland, "XDG_CURRENT_DESKTOP", "GNOME-Flashback"), ""}),
    [](const auto& info) { return std::string(info.param.name); });

// On a tiling desktop the window appears with its size fixed (so it floats) and has its limits
// back once it is on screen; shown again after a hide, it is fixed again until exposed.
TEST(TilingFloatTest, FixedWhileAppearingThenResizable) {
    qputenv("SWAYSOCK", "/nonexistent/sway-ipc.sock");
    QWidget window;
    window.setMinimumSize(120, 90);
    window.resize(400, 300);
    FloatWhenTiled(window);
    qunsetenv("SWAYSOCK");
    for (int round = 0; round < 2; ++round) {
        window.show();
        EXPECT_EQ(window.minimumSize(), QSize(400, 300)) << round;
        EXPECT_EQ(window.maximumSize(), QSize(400, 300)) << round;
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        EXPECT_TRUE(QTest::qWaitFor([&] {
            return window.maximumSize() == QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        })) << round;
        EXPECT_EQ(window.minimumSize(), QSize(120, 90)) << round;
        window.hide();
        QCoreApplication::processEvents();
    }
    // Elsewhere nothing changes.
    QWidget other;
    other.resize(400, 300);
    FloatWhenTiled(other);
    other.show();
    EXPECT_EQ(other.maximumSize(), QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));
}

TEST(Translations, ChineseDesktopGetsChineseStandardTexts) {
    ASSERT_GE(InstallQtTranslations(*qApp, QLocale(QLocale::Chinese, QLocale::China)), 1);
    EXPECT_EQ(QCoreApplication::translate("QFileDialog", "Look in:"), QStringLiteral("查找范围："));
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("取消"));
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "OK"), QStringLiteral("确定"));
    EXPECT_EQ(InstallQtTranslations(*qApp, QLocale(QLocale::Sanskrit, QLocale::India)), 0);
}

// The pictures swap under the pointer while the one button keeps the press, so the release that
// ends the press is a click whatever picture shows by then.
TEST(StateButtonTest, PressSwapAndRelease) {
    QWidget window;
    auto* a = new QLabel(&window);
    auto* b = new QLabel(&window);
    auto* c = new QLabel(&window);
    a->setGeometry(10, 10, 39, 20);
    StateButton button(a, b, c);
    QSignalSpy clicks(&button, &StateButton::clicked), lefts(&button, &StateButton::left);
    QObject::connect(&button, &StateButton::pressed, [&] { button.setState(StateButton::State::Down); });
    window.show();
    EXPECT_EQ(button.geometry(), a->geometry());
    QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_TRUE(c->isVisible() && !a->isVisible() && !b->isVisible());
    EXPECT_TRUE(button.isVisible());
    QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(clicks.count(), 1);
    QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(300, 5));
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_EQ(lefts.count(), 1);
}

TEST(PopupMenuTest, AnEmptyMenuNeverOpens) {
    QMenu empty, hiddenOnly, real;
    hiddenOnly.addAction(QStringLiteral("内容导出"))->setVisible(false);
    hiddenOnly.addSeparator();
    real.addAction(QStringLiteral("帮助说明"));
    EXPECT_FALSE(PopupMenu(&empty, QPoint(10, 10)));
    EXPECT_FALSE(PopupMenu(&hiddenOnly, QPoint(10, 10)));
    EXPECT_FALSE(empty.isVisible() || hiddenOnly.isVisible());
    EXPECT_TRUE(PopupMenu(&real, QPoint(10, 10)));
    EXPECT_TRUE(real.isVisible());
    real.close();
}

struct AnchorCase {
    const char* name;
    unsigned edges;
    int dw, dh;
    layout::Box placed;
};

class Anchor : public ::testing::TestWithParam<AnchorCase> {};

// Designed at (10, 20) 100 x 50 in its parent, then the parent grows or shrinks.
TEST_P(Anchor, ControlFollowsTheEdgesItIsAnchoredTo) {
    const AnchorCase& c = GetParam();
    const layout::Place place{{10, 20, 100, 50}, c.edges};
    const layout::Box b = layout::Anchored(place, c.dw, c.dh);
    EXPECT_EQ(QRect(b.x, b.y, b.w, b.h), QRect(c.placed.x, c.placed.y, c.placed.w, c.placed.h));

    QWidget parent;
    QWidget control(&parent);
    Anchoring anchoring(QSize(400, 300));
    anchoring.add(&control, place);
    EXPECT_EQ(control.geometry(), QRect(10, 20, 100, 50)) << "placed for the design size at once";
    anchoring.layOut(QSize(400 + c.dw, 300 + c.dh));
    EXPECT_EQ(control.geometry(), ToRect(b));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Anchor,
    ::testing::Values(
        AnchorCase{"TopLeftStays", layout::kTopLeft, 80, 30, {10, 20, 100, 50}},
        AnchorCase{"TopRightMoves", layout::kTopRight, 80, 30, {90, 20, 100, 50}},
        AnchorCase{"TopRightShrinking", layout::kTopRight, -8, -4, {2, 20, 100, 50}},
        AnchorCase{"AllSidesStretch", layout::kAllSides, 80, 30, {10, 20, 180, 80}},
        AnchorCase{"AllSidesNeverBelowZero", layout::kAllSides, -150, -60, {10, 20, 0, 0}},
        AnchorCase{"BottomRightMoves", layout::kRight | layout::kBottom, 5, 7, {15, 27, 100, 50}},
        AnchorCase{"LeftRightOnlyWidens", layout::kLeft | layout::kRight, 12, 30, {10, 20, 112, 50}},
        AnchorCase{"NoEdgesStays", 0, 80, 30, {10, 20, 100, 50}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(AnchoringTest, TextSizedControlKeepsItsSizeAndAUserPlacedOneItsDistance) {
    QWidget parent;
    QLabel caption(QStringLiteral("透明度:"), &parent);
    caption.adjustSize();
    const QSize own = caption.size();
    Anchoring anchoring(QSize(400, 300));
    anchoring.add(&caption, {{50, 60, 0, 0}, layout::kTopRight});
    anchoring.layOut(QSize(430, 300));
    EXPECT_EQ(caption.geometry(), QRect(QPoint(80, 60), own));

    // Dragged by the user to (200, 10): a parent 25 narrower brings it 25 to the left, and back.
    QWidget dragged(&parent);
    dragged.setGeometry(200, 10, 60, 40);
    FollowParent(&dragged, layout::kTopRight, QSize(400, 300), QSize(375, 320));
    EXPECT_EQ(dragged.geometry(), QRect(175, 10, 60, 40));
    FollowParent(&dragged, layout::kTopRight, QSize(375, 320), QSize(400, 300));
    EXPECT_EQ(dragged.geometry(), QRect(200, 10, 60, 40));
}

} // namespace
