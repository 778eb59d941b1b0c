#include "platform/desktop/DesktopKey.h"
#include "TestSupport.h"
#include "platform/Errors.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace nodo::desktop::test {
namespace {

std::string readFile(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(DesktopKey, StoresValuesAndReadsThemBack) {
    TempDir dir;
    const auto file = dir / "config/nodo/desktop.ini"; // the folders do not exist yet
    DesktopKey key(file);
    EXPECT_EQ(key.value("Wallpaper"), "");

    key.setValue("Wallpaper", "/home/用户/source/DeskTopBG/Mix.Bmp");
    key.setValue("WallpaperStyle", "2");
    EXPECT_EQ(readFile(file), "Wallpaper=/home/用户/source/DeskTopBG/Mix.Bmp\nWallpaperStyle=2\n");

    // Another instance (the next start) reads the same values; names are matched without case.
    DesktopKey again(file);
    EXPECT_EQ(again.value("Wallpaper"), "/home/用户/source/DeskTopBG/Mix.Bmp");
    EXPECT_EQ(again.value("wallpaperstyle"), "2");
    EXPECT_EQ(again.value("TileWallpaper"), "");

    // Replacing keeps the first spelling and the order, and leaves no temporary file behind.
    again.setValue("WALLPAPER", "/tmp/b=c.bmp");
    EXPECT_EQ(readFile(file), "Wallpaper=/tmp/b=c.bmp\nWallpaperStyle=2\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(file.parent_path()), {}), 1);
}

TEST(DesktopKey, SeveralValuesInOneReplacement) {
    TempDir dir;
    const auto file = dir / "desktop.ini";
    std::ofstream(file) << "TileWallpaper=0\nwallpaper=/old.bmp\n";
    DesktopKey key(file);
    key.setValues({{"Wallpaper", "/new.bmp"}, {"WallpaperStyle", "2"}, {"WALLPAPERSTYLE", "10"}});
    // Existing names keep their place and spelling; a name given twice keeps its last value.
    EXPECT_EQ(readFile(file), "TileWallpaper=0\nwallpaper=/new.bmp\nWallpaperStyle=10\n");

    // One bad name: nothing at all is stored.
    EXPECT_THROW(key.setValues({{"Wallpaper", "/other.bmp"}, {"bad\nname", "x"}}), FileError);
    EXPECT_EQ(readFile(file), "TileWallpaper=0\nwallpaper=/new.bmp\nWallpaperStyle=10\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST(DesktopKey, ValuesWithLineBreaksStayOnOneLine) {
    const std::vector<std::string> values = {"a\nb", "c\\nd", "x\r\ny", "trailing\\", "", "=", "中文\\路径"};
    TempDir dir;
    DesktopKey key(dir / "desktop.ini");
    for (std::size_t i = 0; i < values.size(); ++i)
        key.setValue("v" + std::to_string(i), values[i]);
    EXPECT_EQ(key.entries().size(), values.size());
    for (std::size_t i = 0; i < values.size(); ++i)
        EXPECT_EQ(key.value("v" + std::to_string(i)), values[i]) << i;
}

TEST(DesktopKey, IgnoresLinesThatAreNotValues) {
    TempDir dir;
    std::ofstream(dir / "desktop.ini") << "# note\r\n\r\nWallpaper=/a.bmp\r\n=nameless\r\nWallpaperStyle=2";
    DesktopKey key(dir / "desktop.ini");
    EXPECT_EQ(key.value("Wallpaper"), "/a.bmp");
    EXPECT_EQ(key.value("WallpaperStyle"), "2");
    EXPECT_EQ(key.entries().size(), 2u);
}

TEST(DesktopKey, FailedWriteThrowsAndKeepsTheOldFile) {
    TempDir dir;
    // A file where the folder should be.
    std::ofstream(dir / "blocked") << "x";
    DesktopKey blocked(dir / "blocked/nodo/desktop.ini");
    EXPECT_THROW(blocked.setValue("Wallpaper", "/a.bmp"), FileError);
    EXPECT_EQ(blocked.value("Wallpaper"), "");

    // The target cannot be replaced (a folder with content stands there): the rename fails.
    DesktopKey key(dir / "desktop.ini");
    std::filesystem::create_directories(dir / "desktop.ini/inside");
    EXPECT_THROW(key.setValue("Wallpaper", "/a.bmp"), FileError);
    EXPECT_TRUE(std::filesystem::is_directory(dir / "desktop.ini/inside"));
    for (const auto& e : std::filesystem::directory_iterator(dir.path()))
        EXPECT_FALSE(e.path().filename().string().starts_with(".desktop.ini")) << e.path();

    EXPECT_THROW(key.setValue("bad=name", "x"), FileError);
    EXPECT_THROW(key.setValue("", "x"), FileError);
}

} // namespace
} // namespace nodo::desktop::test
