#include "platform/desktop/DesktopDetect.h"
#include "TestSupport.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <map>

namespace nodo::desktop::test {
namespace {

struct DetectCase {
    const char* currentDesktop; // XDG_CURRENT_DESKTOP, "" = unset
    std::vector<std::string> processes;
    const char* display;
    const char* wayland;
    Desktop expected;
};

class DetectDesktopTest : public ::testing::TestWithParam<DetectCase> {};

TEST_P(DetectDesktopTest, FindsTheDesktop) {
    const DetectCase& c = GetParam();
    const auto env = EnvOf(
        {{"XDG_CURRENT_DESKTOP", c.currentDesktop}, {"DISPLAY", c.display}, {"WAYLAND_DISPLAY", c.wayland}});
    EXPECT_EQ(DetectDesktop(env, c.processes), c.expected)
        << "XDG_CURRENT_DESKTOP=" << c.currentDesktop << " got "
        << DesktopName(DetectDesktop(env, c.processes));
}

INSTANTIATE_TEST_SUITE_P(
    Table, DetectDesktopTest,
    ::testing::Values(
        // Names as the desktops set them, in any case, alone or in colon lists.
        DetectCase{"GNOME", {}, ":0", "", Desktop::Gnome},
        DetectCase{"gnome", {}, "", "wayland-0", Desktop::Gnome},
        DetectCase{"ubuntu:GNOME", {}, ":0", "", Desktop::Gnome},
        DetectCase{"GNOME-Flashback:GNOME", {}, ":0", "", Desktop::Gnome},
        DetectCase{"Budgie:GNOME", {}, ":0", "", Desktop::Gnome},
        DetectCase{"Unity:Unity7:ubuntu", {}, ":0", "", Desktop::Gnome},
        DetectCase{"Pantheon", {}, ":0", "", Desktop::Gnome},
        DetectCase{"X-Cinnamon", {}, ":0", "", Desktop::Cinnamon},
        DetectCase{"x-cinnamon", {}, ":0", "", Desktop::Cinnamon},
        DetectCase{"MATE", {}, ":0", "", Desktop::Mate}, DetectCase{"KDE", {}, ":0", "", Desktop::Kde},
        DetectCase{"kde", {}, "", "wayland-0", Desktop::Kde}, DetectCase{"XFCE", {}, ":0", "", Desktop::Xfce},
        DetectCase{"LXQt", {}, ":0", "", Desktop::Lxqt}, DetectCase{"LXDE", {}, ":0", "", Desktop::Lxde},
        DetectCase{"sway", {}, "", "wayland-1", Desktop::Sway},
        // The first known entry wins; unknown ones are passed over.
        DetectCase{"foo:bar:XFCE:GNOME", {}, ":0", "", Desktop::Xfce},
        DetectCase{" KDE ", {}, ":0", "", Desktop::Kde},
        // The variable names the desktop even when its shell is not seen.
        DetectCase{"GNOME", {"plasmashell"}, ":0", "", Desktop::Gnome},
        // Unset or unknown: the session's processes decide.
        DetectCase{"", {"bash", "plasmashell"}, ":0", "", Desktop::Kde},
        DetectCase{"", {"gnome-shell", "cinnamon"}, ":0", "", Desktop::Cinnamon},
        DetectCase{"", {"xfdesktop"}, ":0", "", Desktop::Xfce},
        DetectCase{"", {"mate-panel"}, ":0", "", Desktop::Mate},
        DetectCase{"", {"lxqt-session"}, ":0", "", Desktop::Lxqt},
        DetectCase{"", {"lxpanel"}, ":0", "", Desktop::Lxde},
        DetectCase{"", {"budgie-wm"}, ":0", "", Desktop::Gnome},
        DetectCase{"", {"sway"}, "", "wayland-1", Desktop::Sway},
        DetectCase{"i3", {"gnome-shell"}, ":0", "", Desktop::Gnome},
        // Nothing known: X11 gets its root window; Wayland or no display at all gets nothing.
        DetectCase{"i3", {"i3", "bash"}, ":0", "", Desktop::X11Root},
        DetectCase{"", {}, ":5", "", Desktop::X11Root}, DetectCase{"", {}, "", "", Desktop::None},
        DetectCase{"weston", {}, ":0", "wayland-0", Desktop::None},
        DetectCase{"", {"bash"}, "", "", Desktop::None}));

struct VariablesCase {
    std::map<std::string, std::string> env;
    Desktop expected;
};

class DesktopFromVariablesTest : public ::testing::TestWithParam<VariablesCase> {};

// The session's own variables name the desktop, and the processes are then never listed.
TEST_P(DesktopFromVariablesTest, NamesTheDesktopWithoutListingProcesses) {
    const VariablesCase& c = GetParam();
    auto env = c.env;
    env.emplace("DISPLAY", ":0");
    int listed = 0;
    const DesktopDetection found = DetectDesktop(EnvOf(env), [&] {
        ++listed;
        return std::vector<std::string>{"plasmashell"};
    });
    EXPECT_EQ(found.desktop, c.expected) << DesktopName(found.desktop);
    EXPECT_EQ(listed, 0);
    EXPECT_FALSE(found.reason.empty());
    EXPECT_EQ(DesktopFromVariables(EnvOf(env)), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, DesktopFromVariablesTest,
    ::testing::Values(
        VariablesCase{{{"XDG_SESSION_DESKTOP", "gnome"}}, Desktop::Gnome},
        VariablesCase{{{"XDG_SESSION_DESKTOP", "ubuntu"}}, Desktop::Gnome},
        VariablesCase{{{"XDG_SESSION_DESKTOP", "xfce"}}, Desktop::Xfce},
        VariablesCase{{{"DESKTOP_SESSION", "/usr/share/xsessions/mate.desktop"}}, Desktop::Mate},
        VariablesCase{{{"DESKTOP_SESSION", "plasmawayland"}}, Desktop::Kde},
        VariablesCase{{{"DESKTOP_SESSION", "cinnamon2d"}}, Desktop::Cinnamon},
        VariablesCase{{{"DESKTOP_SESSION", "LXDE"}}, Desktop::Lxde},
        VariablesCase{{{"DESKTOP_SESSION", "lubuntu"}}, Desktop::Lxqt},
        // The first variable that names a known desktop wins; an unknown one is passed over.
        VariablesCase{{{"XDG_CURRENT_DESKTOP", "i3"}, {"XDG_SESSION_DESKTOP", "sway"}}, Desktop::Sway},
        VariablesCase{{{"XDG_CURRENT_DESKTOP", "XFCE"}, {"DESKTOP_SESSION", "gnome"}}, Desktop::Xfce},
        VariablesCase{{{"XDG_SESSION_DESKTOP", "lightdm-xsession"}, {"DESKTOP_SESSION", "mate"}},
                      Desktop::Mate},
        // The variables desktops set for their own programs; GNOME's is trusted last.
        VariablesCase{{{"KDE_FULL_SESSION", "true"}}, Desktop::Kde},
        VariablesCase{{{"SWAYSOCK", "/run/user/1000/sway-ipc.sock"}}, Desktop::Sway},
        VariablesCase{{{"GNOME_DESKTOP_SESSION_ID", "this-is-deprecated"}, {"MATE_DESKTOP_SESSION_ID", "x"}},
                      Desktop::Mate},
        VariablesCase{{{"GNOME_DESKTOP_SESSION_ID", "this-is-deprecated"}}, Desktop::Gnome}));

TEST(DetectDesktop, ListsProcessesOnceWhenTheVariablesSayNothing) {
    for (const char* unknown : {"", "i3"}) {
        int listed = 0;
        const DesktopDetection found =
            DetectDesktop(EnvOf({{"XDG_CURRENT_DESKTOP", unknown}, {"DISPLAY", ":0"}}), [&] {
                ++listed;
                return std::vector<std::string>{"bash", "xfdesktop"};
            });
        EXPECT_EQ(found.desktop, Desktop::Xfce) << unknown;
        EXPECT_EQ(listed, 1) << unknown;
        EXPECT_NE(found.reason.find("xfdesktop"), std::string::npos) << found.reason;
    }
    // No lister at all: the display decides.
    EXPECT_EQ(DetectDesktop(EnvOf({{"DISPLAY", ":3"}}), std::function<std::vector<std::string>()>()).desktop,
              Desktop::X11Root);
}

TEST(DesktopName, EveryDesktopHasOne) {
    for (Desktop d : {Desktop::None, Desktop::Gnome, Desktop::Cinnamon, Desktop::Mate, Desktop::Kde,
                      Desktop::Xfce, Desktop::Lxqt, Desktop::Lxde, Desktop::Sway, Desktop::X11Root})
        EXPECT_STRNE(DesktopName(d), "");
}

TEST(SessionProcessNames, SeesThisProgram) {
    const auto names = SessionProcessNames();
    EXPECT_TRUE(std::is_sorted(names.begin(), names.end()));
    EXPECT_EQ(std::adjacent_find(names.begin(), names.end()), names.end());
    for (const auto& n : names)
        EXPECT_TRUE(!n.empty() && n.find('\n') == std::string::npos) << n;
    // The kernel cuts command names at 15 characters.
    EXPECT_NE(std::find(names.begin(), names.end(), std::string("wallpaper_desktop_test").substr(0, 15)),
              names.end());
}

} // namespace
} // namespace nodo::desktop::test
