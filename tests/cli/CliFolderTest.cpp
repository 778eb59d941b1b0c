// nodo-cli's version, and the application folder it names and uses: the build's own folder, or the
// user's folder when it runs from an installation.
#include "support/RunShell.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Result = nodo::testing::ShellRun;

// What the command printed on both its outputs.
Result RunBoth(const std::string& command) {
    return nodo::testing::RunShell(command + " 2>&1");
}

std::string Read(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// No desktop to reach: the apply stops at the wallpaper, after its files are written.
std::string Isolated(const fs::path& home) {
    return "env -u DISPLAY -u WAYLAND_DISPLAY -u XDG_CURRENT_DESKTOP -u DBUS_SESSION_BUS_ADDRESS "
           "-u XDG_DATA_HOME HOME='" +
           home.string() + "' XDG_CONFIG_HOME='" + home.string() + "/.config' XDG_CACHE_HOME='" +
           home.string() + "/.cache' ";
}

TEST(CliVersion, IsTheProjectsVersion) {
    const Result r = RunBoth(std::string("'") + NODO_CLI_PATH + "' --version");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, std::string("nodo-cli ") + NODO_EXPECTED_VERSION + "\n");
}

TEST(CliFolder, TheBuildRunsInItsOwnFolder) {
    const Result r = RunBoth(std::string("'") + NODO_CLI_PATH + "' help");
    EXPECT_EQ(r.status, 0);
    const std::string own = fs::path(NODO_CLI_PATH).parent_path().string() + "/";
    EXPECT_NE(r.out.find("\napplication folder: " + own + "\n"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("the user's folder"), std::string::npos) << r.out;
}

class InstalledCli : public ::testing::Test {
protected:
    void SetUp() override {
        base = fs::temp_directory_path() / ("nodo-cli-installed-" + std::to_string(::getpid()));
        fs::remove_all(base);
        fs::create_directories(base / "usr/bin");
        fs::create_directories(base / "usr/share/nodo/data");
        fs::create_directories(base / "usr/share/nodo/source/DeskTopBG");
        fs::create_directories(base / "usr/share/nodo/web/rs");
        fs::copy_file(NODO_CLI_PATH, base / "usr/bin/nodo-cli");
        fs::copy_file(fs::path(NODO_CLI_PATH).parent_path() / "source/DeskTopBG/A1.bmp",
                      base / "usr/share/nodo/source/DeskTopBG/A1.bmp");
        std::ofstream(base / "usr/share/nodo/web/rs/Tavi.htm") << "<p/>";
        cli = "'" + (base / "usr/bin/nodo-cli").string() + "'";
        home = base / "home";
        user = home / ".local/share/nodo";
    }
    void TearDown() override { fs::remove_all(base); }

    fs::path base, home, user;
    std::string cli;
};

TEST_F(InstalledCli, HelpNamesTheUsersFolderAndMakesNothing) {
    const Result r = RunBoth(Isolated(home) + cli + " help");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("\napplication folder: " + user.string() + "/\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find((base / "usr/share/nodo").string()), std::string::npos) << r.out;
    EXPECT_FALSE(fs::exists(home));
}

TEST_F(InstalledCli, ApplyFillsTheUsersFolderAndWritesThere) {
    const Result r = RunBoth(Isolated(home) + cli + " apply");
    EXPECT_NE(r.out.find("wrote " + (user / "source/DeskTopBG/Mix.bmp").string()), std::string::npos)
        << r.out;
    EXPECT_EQ(Read(user / "source/DeskTopBG/A1.bmp"), Read(base / "usr/share/nodo/source/DeskTopBG/A1.bmp"));
    EXPECT_TRUE(fs::exists(user / "source/DeskTopBG/Mix.Jpg"));
    EXPECT_TRUE(fs::is_directory(user / "data"));
    EXPECT_FALSE(fs::exists(user / "web"));
    // The installation is left as the package laid it.
    EXPECT_FALSE(fs::exists(base / "usr/share/nodo/source/DeskTopBG/Mix.bmp"));
    EXPECT_FALSE(fs::exists(base / "usr/bin/source"));
}

// The log of an apply: nothing unless asked for, and with QT_LOGGING_RULES every step and why the
// desktop was not given the picture.
TEST_F(InstalledCli, ApplyLogsItsStepsOnlyWhenAsked) {
    const Result quiet = RunBoth(Isolated(home) + "QT_LOGGING_RULES= " + cli + " apply");
    EXPECT_EQ(quiet.out.find("nodo.wallpaper:"), std::string::npos) << quiet.out;

    const Result r =
        RunBoth(Isolated(home) + "XDG_CURRENT_DESKTOP=XFCE QT_LOGGING_RULES='nodo.*=true' " + cli + " apply");
    EXPECT_EQ(r.status, 1) << r.out;
    for (const std::string& line : std::vector<std::string>{
             "nodo.wallpaper: apply: background 0 of ", "nodo.wallpaper: apply: blended, wrote ",
             "nodo.wallpaper: desktop: XFCE (XDG_CURRENT_DESKTOP=XFCE)",
             "nodo.wallpaper: the desktop was not given " + (user / "source/DeskTopBG/Mix.bmp").string() +
                 ": no D-Bus session bus to reach XFCE"})
        EXPECT_NE(r.out.find(line), std::string::npos) << line << "\n" << r.out;
}

} // namespace
