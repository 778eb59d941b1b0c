// nodo-cli's version, and the application folder it names and uses: the build's own folder, or the
// user's folder when it runs from an installation.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

struct Result {
    int status = -1;
    std::string out;
};

Result RunShell(const std::string& command) {
    Result r;
    FILE* p = popen((command + " 2>&1").c_str(), "r");
    if (p == nullptr) return r;
    char buf[4096];
    size_t n = 0;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0)
        r.out.append(buf, n);
    const int st = pclose(p);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return r;
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
    const Result r = RunShell(std::string("'") + NODO_CLI_PATH + "' --version");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, std::string("nodo-cli ") + NODO_EXPECTED_VERSION + "\n");
}

TEST(CliFolder, TheBuildRunsInItsOwnFolder) {
    const Result r = RunShell(std::string("'") + NODO_CLI_PATH + "' help");
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
    const Result r = RunShell(Isolated(home) + cli + " help");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("\napplication folder: " + user.string() + "/\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find((base / "usr/share/nodo").string()), std::string::npos) << r.out;
    EXPECT_FALSE(fs::exists(home));
}

TEST_F(InstalledCli, ApplyFillsTheUsersFolderAndWritesThere) {
    const Result r = RunShell(Isolated(home) + cli + " apply");
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

} // namespace
