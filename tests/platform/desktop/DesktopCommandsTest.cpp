#include "platform/desktop/DesktopCommands.h"
#include "TestSupport.h"

#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <sstream>

namespace nodo::desktop::test {
namespace {

using Args = std::vector<std::string>;

const std::filesystem::path kPicture = "/home/ann/.cache/nodo/wallpaper/wallpaper-0000000000001-000.png";
const std::string kUri = "file:///home/ann/.cache/nodo/wallpaper/wallpaper-0000000000001-000.png";

struct QuoteCase {
    std::string text, gvariant, js;
};

class QuotingTest : public ::testing::TestWithParam<QuoteCase> {};

TEST_P(QuotingTest, QuotesAndReadsBack) {
    const auto& c = GetParam();
    EXPECT_EQ(GVariantString(c.text), c.gvariant);
    EXPECT_EQ(ParseGVariantString(c.gvariant), c.text);
    EXPECT_EQ(JsString(c.text), c.js);
}

INSTANTIATE_TEST_SUITE_P(Table, QuotingTest,
                         ::testing::Values(QuoteCase{"/a/b.png", "'/a/b.png'", "\"/a/b.png\""},
                                           QuoteCase{"it's", "'it\\'s'", "\"it's\""},
                                           QuoteCase{"say \"hi\"", "'say \"hi\"'", "\"say \\\"hi\\\"\""},
                                           QuoteCase{"back\\slash", "'back\\\\slash'", "\"back\\\\slash\""},
                                           QuoteCase{"line\nbreak", "'line\\u000abreak'",
                                                     "\"line\\u000abreak\""},
                                           QuoteCase{"/桌面/图.png", "'/桌面/图.png'", "\"/桌面/图.png\""},
                                           QuoteCase{"\xE2\x80\xA8", "'\xE2\x80\xA8'", "\"\\u2028\""},
                                           QuoteCase{"", "''", "\"\""}));

TEST(ParseGVariantString, ReadsWhatGSettingsPrints) {
    // gsettings switches to double quotes when the text holds a single quote.
    EXPECT_EQ(ParseGVariantString("\"/home/it's/a.png\"\n"), "/home/it's/a.png");
    EXPECT_EQ(ParseGVariantString("'a\\tb\\u00e9\\U0001F600'"), "a\tb\xC3\xA9\xF0\x9F\x98\x80");
    EXPECT_EQ(ParseGVariantString("'file:///x'\n"), "file:///x");
    for (const char* bad :
         {"", "'", "'open", "plain", "@ms nothing", "'a'b'", "'\\u12'", "'\\uzzzz'", "'x\\'"})
        EXPECT_EQ(ParseGVariantString(bad), std::nullopt) << bad;
}

TEST(FileUri, EncodesEverythingButTheSafeCharacters) {
    EXPECT_EQ(FileUri("/a/b-c_d.e~f.png"), "file:///a/b-c_d.e~f.png");
    EXPECT_EQ(FileUri("/a b/#1%'\".png"), "file:///a%20b/%231%25%27%22.png");
    EXPECT_EQ(FileUri("/图"), "file:///%E5%9B%BE");
}

// Each desktop: the exact commands, in order, with their arguments.
// The two keys xfdesktop reads for one output and workspace.
std::vector<Command> XfceKeys(const std::string& output, int workspace) {
    const std::string base =
        "/backdrop/screen0/monitor" + output + "/workspace" + std::to_string(workspace) + "/";
    return {
        {"xfconf-query", {"-c", "xfce4-desktop", "-p", base + "image-style", "-n", "-t", "int", "-s", "3"}},
        {"xfconf-query",
         {"-c", "xfce4-desktop", "-p", base + "last-image", "-n", "-t", "string", "-s", kPicture.string()}}};
}

template <typename... More> std::vector<Command> Concat(std::vector<Command> first, const More&... more) {
    (first.insert(first.end(), more.begin(), more.end()), ...);
    return first;
}

struct BackendCase {
    const char* name;
    Desktop desktop;
    std::vector<std::string> gsettingsKeys; // what list-keys answers (gsettings desktops)
    std::string xfconfList;                 // what xfconf-query -l answers; "!" = it fails
    std::vector<Command> expected;
    SessionFacts facts = {};
};

class BackendCommandsTest : public ::testing::TestWithParam<BackendCase> {};

TEST_P(BackendCommandsTest, RunsTheDesktopsOwnTools) {
    const auto& c = GetParam();
    RecordingRunner runner;
    FakeGSettings gsettings;
    for (const char* schema :
         {"org.gnome.desktop.background", "org.cinnamon.desktop.background", "org.mate.background"})
        gsettings.schemas[schema] = c.gsettingsKeys;
    runner.answer = [&](const Command& cmd) {
        if (cmd.program == "gsettings") return gsettings(cmd);
        if (cmd.program == "xfconf-query" && cmd.args == Args{"-c", "xfce4-desktop", "-l"})
            return c.xfconfList == "!" ? Failed(1, "Channel \"xfce4-desktop\" does not exist")
                                       : Succeeded(c.xfconfList);
        return Succeeded();
    };
    std::string error;
    TempDir config;
    SessionFacts facts = c.facts;
    facts.configHome = config.path();
    facts.home = config.path() / "home";
    EXPECT_TRUE(ShowOnDesktop(c.desktop, runner, kPicture, error, facts)) << error;
    ASSERT_EQ(runner.calls.size(), c.expected.size());
    for (std::size_t i = 0; i < c.expected.size(); ++i) {
        EXPECT_EQ(runner.calls[i].program, c.expected[i].program) << i;
        EXPECT_EQ(runner.calls[i].args, c.expected[i].args) << i << ": " << CommandLine(runner.calls[i]);
    }
}

const std::string kGnome = "org.gnome.desktop.background";
const std::string kCinnamon = "org.cinnamon.desktop.background";
const std::string kMate = "org.mate.background";
const std::string kXfce = "/backdrop/screen0/monitorHDMI-1/workspace0/";
const std::string kXfce2 = "/backdrop/screen0/monitoreDP-1/workspace1/";

INSTANTIATE_TEST_SUITE_P(
    Table, BackendCommandsTest,
    ::testing::Values(
        BackendCase{"gnome",
                    Desktop::Gnome,
                    {"color-shading-type", "picture-options", "picture-uri", "picture-uri-dark"},
                    "",
                    {{"gsettings", {"list-keys", kGnome}},
                     {"gsettings", {"set", kGnome, "picture-options", "'stretched'"}},
                     {"gsettings", {"set", kGnome, "picture-uri", "'" + kUri + "'"}},
                     {"gsettings", {"set", kGnome, "picture-uri-dark", "'" + kUri + "'"}},
                     {"gsettings", {"get", kGnome, "picture-uri"}}}},
        // Before GNOME 42 there is no dark variant.
        BackendCase{"gnome_without_dark",
                    Desktop::Gnome,
                    {"picture-options", "picture-uri"},
                    "",
                    {{"gsettings", {"list-keys", kGnome}},
                     {"gsettings", {"set", kGnome, "picture-options", "'stretched'"}},
                     {"gsettings", {"set", kGnome, "picture-uri", "'" + kUri + "'"}},
                     {"gsettings", {"get", kGnome, "picture-uri"}}}},
        BackendCase{"cinnamon",
                    Desktop::Cinnamon,
                    {"picture-options", "picture-uri"},
                    "",
                    {{"gsettings", {"list-keys", kCinnamon}},
                     {"gsettings", {"set", kCinnamon, "picture-options", "'stretched'"}},
                     {"gsettings", {"set", kCinnamon, "picture-uri", "'" + kUri + "'"}},
                     {"gsettings", {"get", kCinnamon, "picture-uri"}}}},
        BackendCase{"mate",
                    Desktop::Mate,
                    {"picture-filename", "picture-options"},
                    "",
                    {{"gsettings", {"list-keys", kMate}},
                     {"gsettings", {"set", kMate, "picture-options", "'stretched'"}},
                     {"gsettings", {"set", kMate, "picture-filename", "'" + kPicture.string() + "'"}},
                     {"gsettings", {"get", kMate, "picture-filename"}}}},
        BackendCase{"kde",
                    Desktop::Kde,
                    {},
                    "",
                    {{"dbus-send",
                      {"--session", "--print-reply", "--dest=org.kde.plasmashell", "/PlasmaShell",
                       "org.kde.PlasmaShell.evaluateScript", "string:" + PlasmaScript(kUri)}}}},
        // Every monitor and workspace that has settings; last-image is created where it is missing.
        BackendCase{
            "xfce",
            Desktop::Xfce,
            {},
            "/backdrop/screen0/monitorHDMI-1/workspace0/color-style\n" + kXfce +
                "last-image\n/backdrop/screen0/monitoreDP-1/workspace1/image-style\n/desktop-icons/style\n",
            {{"xfconf-query", {"-c", "xfce4-desktop", "-l"}},
             {"xfconf-query",
              {"-c", "xfce4-desktop", "-p", kXfce + "image-style", "-n", "-t", "int", "-s", "3"}},
             {"xfconf-query",
              {"-c", "xfce4-desktop", "-p", kXfce + "last-image", "-n", "-t", "string", "-s",
               kPicture.string()}},
             {"xfconf-query",
              {"-c", "xfce4-desktop", "-p", kXfce2 + "image-style", "-n", "-t", "int", "-s", "3"}},
             {"xfconf-query",
              {"-c", "xfce4-desktop", "-p", kXfce2 + "last-image", "-n", "-t", "string", "-s",
               kPicture.string()}}}},
        BackendCase{"xfce_fresh",
                    Desktop::Xfce,
                    {},
                    "",
                    {{"xfconf-query", {"-c", "xfce4-desktop", "-l"}},
                     {"xfconf-query",
                      {"-c", "xfce4-desktop", "-p", "/backdrop/screen0/monitor0/workspace0/image-style", "-n",
                       "-t", "int", "-s", "3"}},
                     {"xfconf-query",
                      {"-c", "xfce4-desktop", "-p", "/backdrop/screen0/monitor0/workspace0/last-image", "-n",
                       "-t", "string", "-s", kPicture.string()}}}},
        BackendCase{"xfce_no_channel",
                    Desktop::Xfce,
                    {},
                    "!",
                    {{"xfconf-query", {"-c", "xfce4-desktop", "-l"}},
                     {"xfconf-query",
                      {"-c", "xfce4-desktop", "-p", "/backdrop/screen0/monitor0/workspace0/image-style", "-n",
                       "-t", "int", "-s", "3"}},
                     {"xfconf-query",
                      {"-c", "xfce4-desktop", "-p", "/backdrop/screen0/monitor0/workspace0/last-image", "-n",
                       "-t", "string", "-s", kPicture.string()}}}},
        // A desktop that did not start stretched is told, ended, and started again over its profile.
        BackendCase{"lxqt",
                    Desktop::Lxqt,
                    {},
                    "",
                    {{"pcmanfm-qt", {"--set-wallpaper=" + kPicture.string(), "--wallpaper-mode=stretch"}},
                     {"pcmanfm-qt", {"--profile=lxqt", "--quit"}},
                     {"sh",
                      {"-c", "exec setsid -f \"$@\" </dev/null >/dev/null 2>&1", "sh", "pcmanfm-qt",
                       "--desktop", "--profile=lxqt"}}},
                    {{}, {{"bash"}, {"/usr/bin/pcmanfm-qt", "--desktop", "--profile=lxqt"}}, {}, {}}},
        // Every output and workspace of the screen, also where xfdesktop has written nothing yet.
        BackendCase{"xfce_outputs_before_first_start",
                    Desktop::Xfce,
                    {},
                    "!",
                    Concat({{"xfconf-query", {"-c", "xfce4-desktop", "-l"}}}, XfceKeys("HDMI-1", 0),
                           XfceKeys("HDMI-1", 1), XfceKeys("eDP-1", 0), XfceKeys("eDP-1", 1)),
                    {ScreenLayout{{"HDMI-1", "eDP-1"}, 2}, {}, {}, {}}},
        // A monitor plugged in later gets its keys beside the old ones.
        BackendCase{
            "xfce_new_output",
            Desktop::Xfce,
            {},
            kXfce + "last-image\n",
            Concat({{"xfconf-query", {"-c", "xfce4-desktop", "-l"}},
                    {"xfconf-query",
                     {"-c", "xfce4-desktop", "-p", kXfce + "image-style", "-n", "-t", "int", "-s", "3"}},
                    {"xfconf-query",
                     {"-c", "xfce4-desktop", "-p", kXfce + "last-image", "-n", "-t", "string", "-s",
                      kPicture.string()}}},
                   XfceKeys("DP-2", 0)),
            {ScreenLayout{{"HDMI-1", "DP-2"}, 1}, {}, {}, {}}},
        BackendCase{"lxde",
                    Desktop::Lxde,
                    {},
                    "",
                    {{"pcmanfm", {"--set-wallpaper=" + kPicture.string(), "--wallpaper-mode=stretch"}}}},
        BackendCase{"sway",
                    Desktop::Sway,
                    {},
                    "",
                    {{"swaymsg", {"output", "*", "bg", kPicture.string(), "stretch"}}}}),
    [](const auto& info) { return std::string(info.param.name); });

// The profile of pcmanfm-qt's desktop: the two keys set in [Desktop], everything else as it was.
TEST(WithIniValues, SetsTheKeysAndKeepsTheRest) {
    const std::vector<std::pair<std::string, std::string>> values = {{"Wallpaper", "/home/a/w 1.png"},
                                                                     {"WallpaperMode", "stretch"}};
    struct Case {
        const char* name;
        std::string text, expected;
    };
    const Case cases[] = {
        {"empty file", "", "[Desktop]\nWallpaper=/home/a/w 1.png\nWallpaperMode=stretch\n"},
        {"replaced in place", "[Desktop]\nBgColor=#000000\nWallpaper=/old.png\nWallpaperMode=none\n",
         "[Desktop]\nBgColor=#000000\nWallpaper=/home/a/w 1.png\nWallpaperMode=stretch\n"},
        {"missing key added at the section's end",
         "[Desktop]\nWallpaperMode=zoom\n\n[Window]\nWallpaper=keep\n",
         "[Desktop]\nWallpaperMode=stretch\nWallpaper=/home/a/w 1.png\n\n[Window]\nWallpaper=keep\n"},
        {"section added", "[Behavior]\nSingleClick=false\n",
         "[Behavior]\nSingleClick=false\n\n[Desktop]\nWallpaper=/home/a/w 1.png\nWallpaperMode=stretch\n"},
        {"duplicate keys collapse", "[Desktop]\nWallpaperMode=none\nWallpaperMode=zoom\nWallpaper=/x\n",
         "[Desktop]\nWallpaperMode=stretch\nWallpaper=/home/a/w 1.png\n"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(WithIniValues(c.text, "Desktop", values), c.expected) << c.name;
    // Values that Qt would split at a comma or unescape are quoted.
    EXPECT_EQ(WithIniValues("", "Desktop", {{"Wallpaper", "/a,b\\\"c.png"}}),
              "[Desktop]\nWallpaper=\"/a,b\\\\\\\"c.png\"\n");
}

TEST(PcmanfmDesktopProfile, FindsTheRunningDesktopAndItsProfile) {
    struct Case {
        std::vector<std::vector<std::string>> processes;
        std::optional<std::string> profile;
    };
    const Case cases[] = {
        {{{"pcmanfm-qt", "--desktop", "--profile=lxqt"}}, "lxqt"},
        {{{"/usr/bin/pcmanfm-qt", "-d", "-p", "work"}}, "work"},
        {{{"pcmanfm-qt", "--desktop"}}, "default"},
        {{{"pcmanfm-qt", "--profile=lxqt"}}, std::nullopt},           // a file manager window, no desktop
        {{{"pcmanfm", "--desktop", "--profile=lxqt"}}, std::nullopt}, // LXDE's
        {{}, std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PcmanfmDesktopProfile(c.processes), c.profile)
            << (c.processes.empty() ? "" : c.processes[0][0]);
}

// Without a running desktop nothing shows the picture: a failure, with the profile written for the
// desktop's next start.
TEST(ShowWithPcmanfmQt, WithoutTheDesktopFailsAndKeepsThePictureInTheProfile) {
    TempDir config;
    RecordingRunner runner;
    SessionFacts facts;
    facts.configHome = config.path();
    facts.home = config.path() / "home";
    std::string error;
    EXPECT_FALSE(ShowWithPcmanfmQt(runner, kPicture, facts, error));
    EXPECT_NE(error.find("not running"), std::string::npos) << error;
    EXPECT_TRUE(runner.calls.empty());
    std::ifstream in(config.path() / "pcmanfm-qt/lxqt/settings.conf");
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_EQ(text.str(), "[Desktop]\nWallpaper=" + kPicture.string() + "\nWallpaperMode=stretch\n");
}

TEST(PlasmaScript, SetsStretchedImageOnEveryDesktop) {
    const std::string script = PlasmaScript("file:///a%22b.png\"); evil(\"");
    EXPECT_NE(script.find("var image = \"file:///a%22b.png\\\"); evil(\\\"\";"), std::string::npos) << script;
    EXPECT_NE(script.find("desktops()"), std::string::npos);
    EXPECT_NE(script.find("d.wallpaperPlugin = \"org.kde.image\";"), std::string::npos);
    EXPECT_NE(script.find("d.writeConfig(\"Image\", image);"), std::string::npos);
    EXPECT_NE(script.find("d.writeConfig(\"FillMode\", 0);"), std::string::npos);
}

// Failures stop at the failing command and say what failed.
struct FailureCase {
    const char* name;
    Desktop desktop;
    std::function<CommandResult(const Command&)> answer;
    std::size_t callsMade;
    std::string errorPart;
};

class BackendFailureTest : public ::testing::TestWithParam<FailureCase> {};

TEST_P(BackendFailureTest, ReportsTheFailure) {
    const auto& c = GetParam();
    RecordingRunner runner;
    runner.answer = c.answer;
    std::string error;
    TempDir config;
    SessionFacts facts;
    facts.configHome = config.path();
    facts.home = config.path() / "home";
    EXPECT_FALSE(ShowOnDesktop(c.desktop, runner, kPicture, error, facts));
    EXPECT_NE(error.find(c.errorPart), std::string::npos) << error;
    EXPECT_EQ(runner.calls.size(), c.callsMade);
}

FakeGSettings gnomeSchema(bool dropWrites) {
    FakeGSettings g;
    g.schemas[kGnome] = {"picture-options", "picture-uri"};
    g.dropWrites = dropWrites;
    return g;
}

INSTANTIATE_TEST_SUITE_P(
    Table, BackendFailureTest,
    ::testing::Values(
        FailureCase{"schema_missing", Desktop::Cinnamon, FakeGSettings{}, 1, "No such schema"},
        FailureCase{"no_picture_key", Desktop::Gnome,
                    [](const Command&) { return Succeeded("picture-options\n"); }, 1, "has no picture key"},
        FailureCase{"set_fails", Desktop::Gnome,
                    [g = gnomeSchema(false)](const Command& c) mutable {
                        return c.args[0] == "set" && c.args[2] == "picture-uri" ? Failed(1, "not writable")
                                                                                : g(c);
                    },
                    3, "exit status 1: not writable"},
        // Without a settings service gsettings may "succeed" and keep nothing.
        FailureCase{"writes_dropped", Desktop::Gnome,
                    [g = gnomeSchema(true)](const Command& c) mutable { return g(c); }, 4, "did not keep"},
        FailureCase{"gsettings_missing", Desktop::Gnome,
                    [](const Command&) {
                        CommandResult r;
                        r.startError = "cannot run gsettings: No such file or directory";
                        return r;
                    },
                    1, "cannot run gsettings"},
        FailureCase{
            "plasma_refuses", Desktop::Kde,
            [](const Command&) { return Failed(1, "Error org.freedesktop.DBus.Error.ServiceUnknown: x"); }, 1,
            "ServiceUnknown"},
        FailureCase{"xfconf_down", Desktop::Xfce, [](const Command&) { return Failed(1, "no xfconfd"); }, 2,
                    "image-style -n -t int -s 3: exit status 1: no xfconfd"},
        FailureCase{"pcmanfm_times_out", Desktop::Lxde,
                    [](const Command&) {
                        CommandResult r;
                        r.started = true;
                        r.timedOut = true;
                        return r;
                    },
                    1, "pcmanfm --set-wallpaper"},
        FailureCase{"swaymsg_fails", Desktop::Sway,
                    [](const Command&) { return Failed(2, "Unable to connect"); }, 1, "Unable to connect"},
        FailureCase{"not_a_command_desktop", Desktop::X11Root, nullptr, 0, "no command"}),
    [](const auto& info) { return std::string(info.param.name); });

// What each desktop says it shows, asked its own way; nothing where it does not say.
struct CurrentCase {
    const char* name;
    Desktop desktop;
    std::map<std::string, std::string> answers; // command line -> what it prints
    std::string profile;                        // LXQt's settings.conf
    std::vector<std::vector<std::string>> processes;
    std::optional<std::filesystem::path> expected;
};

class CurrentWallpaperTest : public ::testing::TestWithParam<CurrentCase> {};

TEST_P(CurrentWallpaperTest, ReadsWhatTheDesktopShows) {
    const CurrentCase& c = GetParam();
    RecordingRunner runner;
    runner.answer = [&](const Command& cmd) {
        const auto it = c.answers.find(CommandLine(cmd));
        return it == c.answers.end() ? Failed(1, "no such key") : Succeeded(it->second);
    };
    TempDir config;
    SessionFacts facts;
    facts.configHome = config.path();
    facts.processes = c.processes;
    if (!c.profile.empty()) {
        std::filesystem::create_directories(config.path() / "pcmanfm-qt/lxqt");
        std::ofstream(config.path() / "pcmanfm-qt/lxqt/settings.conf") << c.profile;
    }
    EXPECT_EQ(CurrentWallpaper(c.desktop, runner, facts), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, CurrentWallpaperTest,
    ::testing::Values(
        CurrentCase{
            "gnome_uri",
            Desktop::Gnome,
            {{"gsettings get org.gnome.desktop.background picture-uri", "'file:///home/a/My%20Pic.png'\n"}},
            "",
            {},
            "/home/a/My Pic.png"},
        CurrentCase{"gnome_not_a_file",
                    Desktop::Gnome,
                    {{"gsettings get org.gnome.desktop.background picture-uri", "'https://x/y.png'\n"}},
                    "",
                    {},
                    std::nullopt},
        CurrentCase{"mate_path",
                    Desktop::Mate,
                    {{"gsettings get org.mate.background picture-filename", "'/home/a/w.jpg'\n"}},
                    "",
                    {},
                    "/home/a/w.jpg"},
        CurrentCase{"mate_none",
                    Desktop::Mate,
                    {{"gsettings get org.mate.background picture-filename", "''\n"}},
                    "",
                    {},
                    std::nullopt},
        CurrentCase{
            "xfce_first_output",
            Desktop::Xfce,
            {{"xfconf-query -c xfce4-desktop -l", "/backdrop/screen0/monitorHDMI-1/workspace0/last-image\n"
                                                  "/backdrop/screen0/monitorDP-1/workspace0/last-image\n"
                                                  "/backdrop/screen0/monitorDP-1/workspace1/last-image\n"},
             {"xfconf-query -c xfce4-desktop -p /backdrop/screen0/monitorDP-1/workspace0/last-image",
              "/home/a/x.png\n"}},
            "",
            {},
            "/home/a/x.png"},
        CurrentCase{"xfce_no_channel", Desktop::Xfce, {}, "", {}, std::nullopt},
        CurrentCase{"lxqt_profile",
                    Desktop::Lxqt,
                    {},
                    "[Window]\nWallpaper=no\n[Desktop]\nWallpaper=/home/a/l.png\r\n",
                    {},
                    "/home/a/l.png"},
        CurrentCase{"sway_swaybg",
                    Desktop::Sway,
                    {},
                    "",
                    {{"bash"}, {"/usr/bin/swaybg", "-o", "*", "-i", "/home/a/s.png", "-m", "stretch"}},
                    "/home/a/s.png"},
        CurrentCase{"kde_does_not_say", Desktop::Kde, {}, "", {}, std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PathOfFileUri, DecodesLocalFileUrisOnly) {
    EXPECT_EQ(PathOfFileUri(FileUri("/home/张三/a b%.png")), std::filesystem::path("/home/张三/a b%.png"));
    for (const char* bad : {"http://x/a.png", "file://host/a.png", "file:///a%2", "file:///a%zz", "/a.png"})
        EXPECT_EQ(PathOfFileUri(bad), std::nullopt) << bad;
}

TEST(ShowWithSway, RefusesPathsSwayWouldMisread) {
    TempDir config;
    SessionFacts facts;
    facts.configHome = config.path();
    facts.home = config.path() / "home";
    for (const char* path :
         {"/home/a b/w.png", "/home/$USER/w.png", "/h/`x`.png", "/h/a;b.png", "/h/\"q\".png"}) {
        RecordingRunner runner;
        std::string error;
        EXPECT_FALSE(ShowWithSway(runner, path, facts, error)) << path;
        EXPECT_TRUE(runner.calls.empty());
    }
    RecordingRunner runner;
    std::string error;
    EXPECT_TRUE(ShowWithSway(runner, "/home/张三/.cache/w-1.png", facts, error)) << error;
    // Nor a configuration folder the include line would misread.
    facts.configHome = config.path() / "my config";
    EXPECT_FALSE(ShowWithSway(runner, "/home/a/w.png", facts, error));
    EXPECT_NE(error.find("misread"), std::string::npos) << error;
}

} // namespace
} // namespace nodo::desktop::test
