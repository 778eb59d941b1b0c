// The GNOME path for real: gsettings with the dconf back end, in a D-Bus session of our own and a
// private home, the keys read back with gsettings.
#include "TestSupport.h"
#include "imaging/PictureFile.h"
#include "platform/desktop/DesktopCommands.h"
#include "platform/desktop/DesktopWallpaper.h"

#include <csignal>
#include <cstdlib>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/stat.h>

namespace nodo::desktop::test {
namespace {

class GnomeSession : public ::testing::Test {
protected:
    static inline TempDir* home = nullptr;
    static inline pid_t busPid = 0;
    static inline std::string busAddress;

    // One bus for the suite: started here, stopped at the end, never the user's own.
    static void SetUpTestSuite() {
        home = new TempDir;
        std::filesystem::create_directories(home->path() / "config");
        std::filesystem::create_directories(home->path() / "cache");
        std::filesystem::create_directories(home->path() / "run");
        ::chmod((home->path() / "run").c_str(), 0700);
        ::setenv("HOME", home->path().c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", (home->path() / "config").c_str(), 1);
        ::setenv("XDG_CACHE_HOME", (home->path() / "cache").c_str(), 1);
        ::setenv("XDG_RUNTIME_DIR", (home->path() / "run").c_str(), 1);
        ::setenv("GSETTINGS_BACKEND", "dconf", 1);
        ::unsetenv("DBUS_SESSION_BUS_ADDRESS");

        PosixCommandRunner runner;
        const CommandResult r =
            runner.run({"dbus-daemon",
                        {"--session", "--fork", "--nopidfile", "--print-address=1", "--print-pid=1",
                         "--address=unix:path=" + (home->path() / "run/bus").string()}});
        ASSERT_TRUE(r.ok()) << DescribeFailure({"dbus-daemon", {"--session"}}, r);
        std::istringstream out(r.out);
        std::string pid;
        std::getline(out, busAddress);
        std::getline(out, pid);
        ASSERT_FALSE(busAddress.empty()) << r.out;
        busPid = std::stoi(pid);
        ::setenv("DBUS_SESSION_BUS_ADDRESS", busAddress.c_str(), 1);
    }

    static void TearDownTestSuite() {
        if (busPid > 0) ::kill(busPid, SIGTERM);
        delete home;
        home = nullptr;
    }

    static std::string get(const std::string& schema, const std::string& key) {
        PosixCommandRunner runner;
        const CommandResult r = runner.run({"gsettings", {"get", schema, key}});
        EXPECT_TRUE(r.ok()) << r.err;
        return ParseGVariantString(r.out).value_or("(not a string: " + r.out + ")");
    }

    std::unique_ptr<DesktopWallpaper> make(const std::string& desktop) {
        DesktopWallpaperOptions o; // the real key file and cache below the private home
        o.environment = [desktop](const std::string& name) -> std::optional<std::string> {
            if (name == "XDG_CURRENT_DESKTOP") return desktop;
            const char* v = std::getenv(name.c_str());
            return v && *v ? std::optional<std::string>(v) : std::nullopt;
        };
        o.sessionProcesses = [] { return std::vector<std::string>{}; };
        return std::make_unique<DesktopWallpaper>(std::move(o), std::make_unique<PosixCommandRunner>());
    }

    std::filesystem::path picture() {
        auto file = home->path() / "Mix.bmp";
        if (!std::filesystem::exists(file)) pic::SaveBmpFile(file, Quarters(80, 60), 24);
        return file;
    }
};

TEST_F(GnomeSession, PictureKeysAndStretchAreSetAndReadBack) {
    ASSERT_FALSE(busAddress.empty());
    const std::string schema = "org.gnome.desktop.background";
    // Start from something else, so that the test sees a change.
    PosixCommandRunner runner;
    ASSERT_TRUE(runner.run({"gsettings", {"set", schema, "picture-options", "'zoom'"}}).ok());
    ASSERT_EQ(get(schema, "picture-options"), "zoom");

    auto wallpaper = make("ubuntu:GNOME");
    std::string error;
    ASSERT_TRUE(wallpaper->apply(picture().string(), error)) << error;

    const auto copies = wallpaper->cache().copies();
    ASSERT_EQ(copies.size(), 1u);
    EXPECT_EQ(copies[0].parent_path(), home->path() / "cache/nodo/wallpaper");
    EXPECT_EQ(get(schema, "picture-uri"), FileUri(copies[0]));
    EXPECT_EQ(get(schema, "picture-uri-dark"), FileUri(copies[0]));
    EXPECT_EQ(get(schema, "picture-options"), "stretched");
    EXPECT_EQ(pic::LoadBitmapFile(copies[0]), Quarters(80, 60));
    // The settings really live in the private dconf database.
    EXPECT_TRUE(std::filesystem::exists(home->path() / "config/dconf/user"));

    // The next change gets a new name, and the old copy goes.
    ASSERT_TRUE(wallpaper->apply(picture().string(), error)) << error;
    const auto next = wallpaper->cache().copies();
    ASSERT_EQ(next.size(), 1u);
    EXPECT_NE(next[0], copies[0]);
    EXPECT_EQ(get(schema, "picture-uri"), FileUri(next[0]));
}

TEST_F(GnomeSession, StoredKeyGoesToTheConfigFolder) {
    auto wallpaper = make("GNOME");
    wallpaper->setValue("Wallpaper", picture().string());
    wallpaper->setValue("WallpaperStyle", "2");
    EXPECT_TRUE(std::filesystem::exists(home->path() / "config/nodo/desktop.ini"));
    EXPECT_EQ(make("GNOME")->value("Wallpaper"), picture().string());
    EXPECT_EQ(make("GNOME")->value("WallpaperStyle"), "2");
}

TEST_F(GnomeSession, FactoryUsesTheSessionsOwnSettings) {
    // What the program gets: the environment, the user's folders and the real commands.
    ::setenv("XDG_CURRENT_DESKTOP", "GNOME", 1);
    const auto wallpaper = CreateDesktopWallpaper();
    wallpaper->setValue("Wallpaper", picture().string());
    wallpaper->setValue("WallpaperStyle", "2");
    std::string error;
    const bool ok = wallpaper->apply(picture().string(), error);
    ::unsetenv("XDG_CURRENT_DESKTOP");
    ASSERT_TRUE(ok) << error;
    EXPECT_EQ(DesktopKey(home->path() / "config/nodo/desktop.ini").value("WallpaperStyle"), "2");
    const auto copies = WallpaperCache(home->path() / "cache/nodo/wallpaper").copies();
    ASSERT_EQ(copies.size(), 1u);
    EXPECT_EQ(get("org.gnome.desktop.background", "picture-uri"), FileUri(copies[0]));
}

TEST_F(GnomeSession, SessionSocketServesAProgramStartedOutsideTheSession) {
    // As from cron: no bus address in the environment, the bus socket in the runtime folder.
    ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
    auto wallpaper = make("GNOME");
    std::string error;
    const bool ok = wallpaper->apply(picture().string(), error);
    ::setenv("DBUS_SESSION_BUS_ADDRESS", busAddress.c_str(), 1);
    ASSERT_TRUE(ok) << error;
    ASSERT_EQ(wallpaper->cache().copies().size(), 1u);
    EXPECT_EQ(get("org.gnome.desktop.background", "picture-uri"), FileUri(wallpaper->cache().copies()[0]));
}

TEST_F(GnomeSession, DesktopWithoutItsSchemaFails) {
    // Schemas of GNOME's background alone, wherever Cinnamon's and MATE's are installed (the
    // desktops tier installs both): gsettings itself refuses their keys.
    const auto schemas = home->path() / "share" / "glib-2.0" / "schemas";
    std::filesystem::create_directories(schemas);
    for (const char* f : {"org.gnome.desktop.background.gschema.xml", "org.gnome.desktop.enums.xml"})
        std::filesystem::copy_file(std::filesystem::path("/usr/share/glib-2.0/schemas") / f, schemas / f,
                                   std::filesystem::copy_options::overwrite_existing);
    PosixCommandRunner runner;
    ASSERT_TRUE(runner.run({"glib-compile-schemas", {schemas.string()}}).ok());
    const char* dataDirs = std::getenv("XDG_DATA_DIRS");
    const std::string savedDataDirs = dataDirs ? dataDirs : "";
    ::setenv("XDG_DATA_DIRS", (home->path() / "share").c_str(), 1);
    struct Restore {
        std::string value;
        bool had;
        ~Restore() { had ? ::setenv("XDG_DATA_DIRS", value.c_str(), 1) : ::unsetenv("XDG_DATA_DIRS"); }
    } restore{savedDataDirs, dataDirs != nullptr};
    for (const char* desktop : {"X-Cinnamon", "MATE"}) {
        auto wallpaper = make(desktop);
        const auto before = wallpaper->cache().shown();
        std::string error;
        EXPECT_FALSE(wallpaper->apply(picture().string(), error)) << desktop;
        EXPECT_NE(error.find("gsettings list-keys"), std::string::npos) << error;
        EXPECT_EQ(wallpaper->cache().shown(), before);
        EXPECT_LE(wallpaper->cache().copies().size(), 2u); // the shown copy and this attempt at most
    }
}

TEST_F(GnomeSession, DeadBusIsAFailureNotASilentSuccess) {
    const std::string schema = "org.gnome.desktop.background";
    auto wallpaper = make("GNOME");
    std::string error;
    ASSERT_TRUE(wallpaper->apply(picture().string(), error)) << error;
    const std::string shown = get(schema, "picture-uri");

    // A bus address that leads nowhere: the writes cannot reach the settings service.
    ::setenv("DBUS_SESSION_BUS_ADDRESS", ("unix:path=" + (home->path() / "run/none").string()).c_str(), 1);
    const bool ok = wallpaper->apply(picture().string(), error);
    ::setenv("DBUS_SESSION_BUS_ADDRESS", busAddress.c_str(), 1);
    EXPECT_FALSE(ok);
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(get(schema, "picture-uri"), shown);
    // The copy the desktop shows is still there.
    ASSERT_TRUE(wallpaper->cache().shown());
    EXPECT_EQ(FileUri(*wallpaper->cache().shown()), shown);

    // No bus at all: refused before any command.
    ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
    ::setenv("XDG_RUNTIME_DIR", (home->path() / "config").c_str(), 1);
    const bool noBus = wallpaper->apply(picture().string(), error);
    ::setenv("XDG_RUNTIME_DIR", (home->path() / "run").c_str(), 1);
    ::setenv("DBUS_SESSION_BUS_ADDRESS", busAddress.c_str(), 1);
    EXPECT_FALSE(noBus);
    EXPECT_NE(error.find("no D-Bus session bus"), std::string::npos) << error;
}

} // namespace
} // namespace nodo::desktop::test
