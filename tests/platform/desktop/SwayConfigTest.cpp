// The wallpaper kept in sway's configuration: which file sway reads, what is added to it, and that
// the user's own lines, and a link to their file, stay as they were.
#include "platform/desktop/SwayConfig.h"
#include "TestSupport.h"
#include "platform/Errors.h"

#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <unistd.h>

namespace nodo::desktop::test {
namespace {

namespace fs = std::filesystem;

std::string Read(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void Write(const fs::path& file, const std::string& text) {
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << text;
}

struct KeepCase {
    const char* name;
    const char* existing;       // relative to home (".config" is XDG_CONFIG_HOME); "" for none
    std::string before;         // its text
    bool systemConfig;          // /etc/sway/config exists
    const char* expectedConfig; // the file sway will read, relative to home
    std::string expectedStart;  // what it starts with after the wallpaper was kept twice
};

class KeepSwayWallpaperTable : public ::testing::TestWithParam<KeepCase> {};

TEST_P(KeepSwayWallpaperTable, IncludesTheWallpaperOnceAtTheEnd) {
    const KeepCase& c = GetParam();
    TempDir dir;
    const SwayConfigPlaces places{dir / "home", dir / "home/.config", dir / "etc/sway/config"};
    if (c.systemConfig) Write(places.systemConfig, "output * bg /usr/share/sway.png fill\n");
    if (*c.existing) Write(places.home / c.existing, c.before);

    KeepSwayWallpaper(places, "/home/a/.cache/nodo/wallpaper/w-1.png");
    KeepSwayWallpaper(places, "/home/a/.cache/nodo/wallpaper/w-2.png");

    const fs::path config = places.home / c.expectedConfig;
    EXPECT_EQ(SwayUserConfig(places), config);
    const std::string text = Read(config);
    EXPECT_TRUE(text.starts_with(c.expectedStart)) << text;
    const std::string include =
        "include \"" + (places.configHome / "nodo/sway-wallpaper.conf").string() + "\"\n";
    ASSERT_TRUE(text.ends_with(include)) << text;
    EXPECT_EQ(text.find(include), text.size() - include.size()) << "added once:\n" << text;
    // The include holds only the last picture.
    EXPECT_EQ(Read(SwayWallpaperInclude(places)),
              "# Written by Nodo at each wallpaper it sets; sway reads it at its start.\n"
              "output * bg \"/home/a/.cache/nodo/wallpaper/w-2.png\" stretch\n");
}

INSTANTIATE_TEST_SUITE_P(
    Sway, KeepSwayWallpaperTable,
    ::testing::Values(
        // No configuration of the user's: one that reads the system's first, as sway did.
        KeepCase{"none_of_the_users", "", "", true, ".config/sway/config",
                 "# Made by Nodo to keep its wallpaper: sway read the system's configuration before.\n"
                 "include \"" /* the system file's path follows */},
        KeepCase{"none_at_all", "", "", false, ".config/sway/config",
                 "# Made by Nodo to keep its wallpaper: sway read the system's configuration before.\n"
                 "include \"" /* straight to ours */},
        KeepCase{"xdg_config", ".config/sway/config", "set $mod Mod4\noutput * bg #202020 solid_color", true,
                 ".config/sway/config", "set $mod Mod4\noutput * bg #202020 solid_color\n\n# Nodo's"},
        // sway looks in ~/.sway before the XDG folder, and takes an i3 configuration last.
        KeepCase{"dot_sway_first", ".sway/config", "bar {\n}\n", true, ".sway/config",
                 "bar {\n}\n\n# Nodo's"},
        KeepCase{"i3_config", ".config/i3/config", "font pango:mono 9\n", true, ".config/i3/config",
                 "font pango:mono 9\n\n# Nodo's"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(KeepSwayWallpaper, AppendsThroughALinkAndKeepsIt) {
    TempDir dir;
    const SwayConfigPlaces places{dir / "home", dir / "home/.config", dir / "none"};
    Write(dir / "dotfiles/sway", "input * xkb_layout us\n");
    fs::create_directories(places.configHome / "sway");
    fs::create_symlink(dir / "dotfiles/sway", places.configHome / "sway/config");
    KeepSwayWallpaper(places, "/w.png");
    EXPECT_TRUE(fs::is_symlink(places.configHome / "sway/config"));
    EXPECT_TRUE(Read(dir / "dotfiles/sway").starts_with("input * xkb_layout us\n\n# Nodo's"))
        << Read(dir / "dotfiles/sway");
}

TEST(KeepSwayWallpaper, ReadOnlyConfigurationIsAnErrorAndStaysWhole) {
    if (::geteuid() == 0) GTEST_SKIP() << "root writes a read-only file";
    TempDir dir;
    const SwayConfigPlaces places{dir / "home", dir / "home/.config", dir / "none"};
    const fs::path config = places.configHome / "sway/config";
    Write(config, "output * bg #000000 solid_color\n");
    fs::permissions(config, fs::perms::owner_read);
    EXPECT_THROW(KeepSwayWallpaper(places, "/w.png"), FileError);
    EXPECT_EQ(Read(config), "output * bg #000000 solid_color\n");
}

} // namespace
} // namespace nodo::desktop::test
