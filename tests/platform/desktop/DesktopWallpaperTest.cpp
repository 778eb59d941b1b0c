#include "platform/desktop/DesktopWallpaper.h"
#include "TestSupport.h"
#include "imaging/Codecs.h"
#include "imaging/PictureFile.h"
#include "platform/Errors.h"
#include "platform/desktop/DesktopCommands.h"
#include "platform/desktop/WallpaperCache.h"

#include <algorithm>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace nodo::desktop::test {
namespace {

// The whole apply with a recorded runner: the picture handed over, the cache copies, the failures.
class DesktopWallpaperTest : public ::testing::Test {
protected:
    TempDir dir;
    std::map<std::string, std::string> env{{"XDG_CURRENT_DESKTOP", "GNOME"},
                                           {"DBUS_SESSION_BUS_ADDRESS", "unix:path=/nowhere"}};
    std::vector<std::string> processes;
    int listed = 0; // times the session's processes were listed
    std::vector<std::vector<std::string>> commandLines{{"pcmanfm-qt", "--desktop", "--profile=lxqt"}};
    std::optional<ScreenLayout> screen;
    RecordingRunner* runner = nullptr;
    FakeGSettings gsettings;

    void SetUp() override {
        gsettings.schemas["org.gnome.desktop.background"] = {"picture-options", "picture-uri",
                                                             "picture-uri-dark"};
        std::filesystem::create_directories(dir / "app/source/DeskTopBG");
        pic::SaveBmpFile(mix(), Quarters(64, 48, 32), 32);
    }

    std::filesystem::path mix() const { return dir / "app/source/DeskTopBG/Mix.bmp"; }

    std::unique_ptr<DesktopWallpaper> make() {
        DesktopWallpaperOptions o;
        o.keyFile = dir / "config/nodo/desktop.ini";
        o.cacheFolder = dir / "cache/nodo/wallpaper";
        o.environment = EnvOf(env);
        o.sessionProcesses = [this] {
            ++listed;
            return processes;
        };
        o.sessionCommandLines = [this] { return commandLines; };
        o.screenLayout = [this](const std::string&) { return screen; };
        o.configHome = dir / "config";
        auto r = std::make_unique<RecordingRunner>();
        runner = r.get();
        runner->answer = [this](const Command& c) {
            return c.program == "gsettings" ? gsettings(c) : Succeeded();
        };
        return std::make_unique<DesktopWallpaper>(std::move(o), std::move(r));
    }

    std::string shownUri() { return gsettings.values["org.gnome.desktop.background picture-uri"]; }
};

TEST_F(DesktopWallpaperTest, HandsTheDesktopAFreshPngCopyEachTime) {
    auto wallpaper = make();
    std::string error;
    EXPECT_EQ(wallpaper->shownFile(), "");
    // The name as the apply spells it: "Mix.Bmp" for the file "Mix.bmp".
    const std::string spelled = (dir / "app/source/DeskTopBG/Mix.Bmp").string();
    ASSERT_TRUE(wallpaper->apply(spelled, error)) << error;
    EXPECT_EQ(wallpaper->lastDesktop(), Desktop::Gnome);

    auto copies = wallpaper->cache().copies();
    ASSERT_EQ(copies.size(), 1u);
    const auto first = copies[0];
    EXPECT_EQ(shownUri(), GVariantString(FileUri(first)));
    EXPECT_EQ(wallpaper->shownFile(), first.string());
    // A PNG with the picture's pixels (the BMP's fourth byte ignored).
    const pic::Bitmap copy = pic::LoadBitmapFile(first);
    EXPECT_EQ(pic::DetectFormat(pic::ReadWholeFile(first)), pic::PictureFormat::Png);
    EXPECT_EQ(copy, Quarters(64, 48, 24));
    // Mix.bmp itself stays where it is.
    EXPECT_TRUE(std::filesystem::exists(mix()));

    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(wallpaper->apply(spelled, error)) << error;
    copies = wallpaper->cache().copies();
    ASSERT_EQ(copies.size(), 1u); // older copies removed, the last one kept
    EXPECT_NE(copies[0], first);
    EXPECT_EQ(shownUri(), GVariantString(FileUri(copies[0])));
    EXPECT_EQ(wallpaper->shownFile(), copies[0].string());
}

// The composer's Mix.bmp is the decoding of Mix.Jpg: the desktop gets the JPEG's bytes as they are,
// under a fresh name, and no PNG is made. A JPEG that shows anything else is not used.
TEST_F(DesktopWallpaperTest, HandsOverTheJpegTheBitmapWasDecodedFrom) {
    const pic::Bitmap source = pic::test::Gradient(64, 48, 24);
    const std::vector<std::uint8_t> jpeg = pic::EncodeJpeg(source, 90);
    pic::WriteWholeFile(dir / "app/source/DeskTopBG/Mix.Jpg", jpeg);
    pic::SaveBmpFile(mix(), pic::DecodeJpeg(jpeg), 24);
    auto wallpaper = make();
    std::string error;
    ASSERT_TRUE(wallpaper->apply(mix().string(), error)) << error;
    auto copies = wallpaper->cache().copies();
    ASSERT_EQ(copies.size(), 1u);
    EXPECT_EQ(copies[0].extension(), ".jpg");
    EXPECT_EQ(pic::ReadWholeFile(copies[0]), jpeg);
    EXPECT_EQ(shownUri(), GVariantString(FileUri(copies[0])));

    // Mix.bmp written from another picture since: the stale JPEG is passed over for a PNG.
    pic::SaveBmpFile(mix(), Quarters(64, 48, 24), 24);
    ASSERT_TRUE(wallpaper->apply(mix().string(), error)) << error;
    copies = wallpaper->cache().copies();
    ASSERT_EQ(copies.size(), 1u);
    EXPECT_EQ(copies[0].extension(), ".png");
    EXPECT_EQ(pic::LoadBitmapFile(copies[0]), Quarters(64, 48, 24));
}

// The apply hands over the picture it has just written; the desktop gets what reading the file
// would have given it, and a file that is not there still fails.
TEST_F(DesktopWallpaperTest, APictureAtHandIsHandedOverLikeTheFile) {
    const pic::Bitmap source = pic::test::Gradient(64, 48, 24);
    const std::vector<std::uint8_t> jpeg = pic::EncodeJpeg(source, 90);
    const pic::Bitmap decoded = pic::DecodeJpeg(jpeg);
    pic::WriteWholeFile(dir / "app/source/DeskTopBG/Mix.Jpg", jpeg);
    pic::SaveBmpFile(mix(), decoded, 24);
    auto wallpaper = make();
    std::string error;
    ASSERT_TRUE(wallpaper->applyPicture(mix().string(), decoded, error)) << error;
    auto copies = wallpaper->cache().copies();
    ASSERT_EQ(copies.size(), 1u);
    EXPECT_EQ(pic::ReadWholeFile(copies[0]), jpeg) << "the JPEG the picture came from, as it is";

    // Not 24 bits: not what the file would load as, so the file itself is read.
    pic::SaveBmpFile(mix(), Quarters(64, 48, 32), 32);
    ASSERT_TRUE(wallpaper->applyPicture(mix().string(), Quarters(64, 48, 32), error)) << error;
    copies = wallpaper->cache().copies();
    ASSERT_EQ(copies.size(), 1u);
    EXPECT_EQ(pic::LoadBitmapFile(copies[0]), Quarters(64, 48, 24));

    const auto before = runner->calls.size();
    EXPECT_FALSE(wallpaper->applyPicture((dir / "gone.bmp").string(), decoded, error));
    EXPECT_NE(error.find("does not exist"), std::string::npos) << error;
    EXPECT_EQ(runner->calls.size(), before) << "nothing was run for a missing file";
}

// The desktop found when the picture was prepared is the one the apply hands it to: the session's
// processes are listed once, and only the very picture prepared is taken for it.
TEST_F(DesktopWallpaperTest, APreparedApplyFindsTheDesktopOnce) {
    env = {{"DBUS_SESSION_BUS_ADDRESS", "unix:path=/nowhere"}};
    processes = {"bash", "gnome-shell"};
    const pic::Bitmap picture = Quarters(64, 48, 24);
    pic::SaveBmpFile(mix(), picture, 24);
    auto wallpaper = make();
    std::string error;
    wallpaper->prepare(picture);
    ASSERT_TRUE(wallpaper->applyPicture(mix().string(), picture, error)) << error;
    EXPECT_EQ(wallpaper->lastDesktop(), Desktop::Gnome);
    EXPECT_EQ(listed, 1);
    EXPECT_EQ(pic::LoadBitmapFile(wallpaper->shownFile()), picture);

    // Another picture than the one prepared: the desktop is looked for again.
    const pic::Bitmap other = Quarters(64, 48, 24);
    wallpaper->prepare(picture);
    ASSERT_TRUE(wallpaper->applyPicture(mix().string(), other, error)) << error;
    EXPECT_EQ(listed, 3);
}

TEST(MatchingJpegTest, OnlyTheVeryPixels) {
    TempDir dir;
    const pic::Bitmap source = pic::test::Gradient(40, 30, 24);
    const std::vector<std::uint8_t> jpeg = pic::EncodeJpeg(source, 90);
    const pic::Bitmap decoded = pic::DecodeJpeg(jpeg);
    EXPECT_FALSE(MatchingJpeg(dir / "Mix.bmp", decoded)); // no JPEG beside it
    pic::WriteWholeFile(dir / "MIX.JPEG", jpeg);
    EXPECT_EQ(MatchingJpeg(dir / "Mix.bmp", decoded), jpeg); // any case, either extension
    EXPECT_FALSE(MatchingJpeg(dir / "Mix.bmp", source));     // the JPEG's loss is not the same picture
    EXPECT_FALSE(MatchingJpeg(dir / "Other.bmp", decoded));  // another name
    pic::WriteWholeFile(dir / "MIX.JPEG", std::vector<std::uint8_t>{0xFF, 0xD8, 0xFF});
    EXPECT_FALSE(MatchingJpeg(dir / "Mix.bmp", decoded)); // damaged
}

TEST_F(DesktopWallpaperTest, FailedHandOverKeepsTheShownCopy) {
    auto wallpaper = make();
    std::string error;
    ASSERT_TRUE(wallpaper->apply(mix().string(), error)) << error;
    const auto shown = wallpaper->cache().copies().at(0);
    EXPECT_EQ(wallpaper->cache().shown(), shown);

    // The desktop refuses twice. What it showed must stay; so may the attempt it took in part,
    // but not the attempts before.
    gsettings.dropWrites = true;
    std::vector<std::filesystem::path> seen{shown};
    for (int i = 0; i < 2; ++i) {
        EXPECT_FALSE(wallpaper->apply(mix().string(), error));
        EXPECT_NE(error.find("did not keep"), std::string::npos) << error;
        const auto copies = wallpaper->cache().copies();
        ASSERT_EQ(copies.size(), 2u);
        EXPECT_EQ(copies[0], shown);
        EXPECT_EQ(std::count(seen.begin(), seen.end(), copies[1]), 0); // a new attempt each time
        seen.push_back(copies[1]);
        EXPECT_EQ(wallpaper->cache().shown(), shown);
    }

    gsettings.dropWrites = false;
    ASSERT_TRUE(wallpaper->apply(mix().string(), error)) << error;
    const auto copies = wallpaper->cache().copies();
    ASSERT_EQ(copies.size(), 1u);
    EXPECT_EQ(wallpaper->cache().shown(), copies[0]);
    EXPECT_EQ(shownUri(), GVariantString(FileUri(copies[0])));
}

TEST_F(DesktopWallpaperTest, StoresTheValuesApart) {
    auto wallpaper = make();
    wallpaper->setValue("Wallpaper", mix().string());
    wallpaper->setValue("WallpaperStyle", "2");
    EXPECT_TRUE(runner->calls.empty()); // storing does not touch the desktop
    EXPECT_EQ(make()->value("Wallpaper"), mix().string());
    EXPECT_EQ(make()->value("WallpaperStyle"), "2");
    EXPECT_EQ(make()->value("TileWallpaper"), "");

    std::ofstream(dir / "blocked") << "x";
    DesktopWallpaperOptions o;
    o.keyFile = dir / "blocked/desktop.ini";
    DesktopWallpaper unwritable(o, std::make_unique<RecordingRunner>());
    EXPECT_THROW(unwritable.setValue("Wallpaper", "x"), FileError);
}

struct FailureCase {
    const char* name;
    std::map<std::string, std::string> env;
    std::string file; // relative to the test folder; "" = Mix.bmp
    std::string errorPart;
};

class DesktopWallpaperFailureTest : public DesktopWallpaperTest,
                                    public ::testing::WithParamInterface<FailureCase> {};

TEST_P(DesktopWallpaperFailureTest, FailsWithAReasonAndRunsNothing) {
    const auto& c = GetParam();
    env = c.env;
    std::ofstream(dir / "garbage.bmp") << "not a picture at all";
    { const std::ofstream empty(dir / "empty.bmp"); } // made, and left empty
    auto wallpaper = make();
    std::string error;
    const std::string file = c.file.empty() ? mix().string() : (dir / c.file).string();
    EXPECT_FALSE(wallpaper->apply(file, error));
    EXPECT_NE(error.find(c.errorPart), std::string::npos) << error;
    EXPECT_TRUE(runner->calls.empty());
    EXPECT_TRUE(wallpaper->cache().copies().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Table, DesktopWallpaperFailureTest,
    ::testing::Values(
        FailureCase{"no_session", {}, "", "no desktop session"},
        FailureCase{"wayland_unknown", {{"WAYLAND_DISPLAY", "wayland-0"}}, "", "no desktop session"},
        FailureCase{"no_bus",
                    {{"XDG_CURRENT_DESKTOP", "GNOME"}, {"XDG_RUNTIME_DIR", "/nonexistent"}},
                    "",
                    "no D-Bus session bus"},
        FailureCase{"no_bus_kde",
                    {{"XDG_CURRENT_DESKTOP", "KDE"}, {"XDG_RUNTIME_DIR", "/nonexistent"}},
                    "",
                    "no D-Bus session bus"},
        FailureCase{"missing_file", {{"XDG_CURRENT_DESKTOP", "LXQt"}}, "nothing.bmp", "does not exist"},
        FailureCase{"not_a_picture", {{"XDG_CURRENT_DESKTOP", "LXQt"}}, "garbage.bmp", ""},
        FailureCase{"empty_picture", {{"XDG_CURRENT_DESKTOP", "LXQt"}}, "empty.bmp", "is empty"},
        FailureCase{"bad_display", {{"DISPLAY", "nodo-no-such-host:77"}}, "", "cannot open the X display"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DesktopWallpaperTest, DesktopsWithoutTheBusNeedNoBus) {
    env = {{"XDG_CURRENT_DESKTOP", "LXQt"}};
    auto wallpaper = make();
    std::string error;
    ASSERT_TRUE(wallpaper->apply(mix().string(), error)) << error;
    ASSERT_FALSE(runner->calls.empty());
    EXPECT_EQ(runner->calls[0].program, "pcmanfm-qt");
    EXPECT_EQ(runner->calls[0].args[0], "--set-wallpaper=" + wallpaper->cache().copies().at(0).string());
}

TEST_F(DesktopWallpaperTest, SessionProcessesDecideWhenTheVariableIsSilent) {
    env = {{"DBUS_SESSION_BUS_ADDRESS", "unix:path=/x"}, {"DISPLAY", ":0"}};
    processes = {"bash", "xfdesktop"};
    auto wallpaper = make();
    std::string error;
    ASSERT_TRUE(wallpaper->apply(mix().string(), error)) << error;
    EXPECT_EQ(wallpaper->lastDesktop(), Desktop::Xfce);
    ASSERT_FALSE(runner->calls.empty());
    EXPECT_EQ(runner->calls[0].program, "xfconf-query");
}

// A listening-free Unix socket at `path` (what a bus socket looks like to stat).
int makeSocket(const std::string& path) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (path.size() >= sizeof addr.sun_path) return -1;
    std::copy(path.begin(), path.end(), addr.sun_path);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) return -1;
    return fd;
}

TEST(FindSessionBus, AddressOrRuntimeSocket) {
    const auto inherited = FindSessionBus(EnvOf({{"DBUS_SESSION_BUS_ADDRESS", "unix:path=/x"}}));
    ASSERT_TRUE(inherited);
    EXPECT_TRUE(inherited->inherited);
    EXPECT_EQ(inherited->address, "unix:path=/x");

    TempDir dir;
    const auto env = EnvOf({{"XDG_RUNTIME_DIR", dir.path().string()}});
    EXPECT_FALSE(FindSessionBus(env));
    std::ofstream(dir / "bus") << ""; // a plain file is not the bus
    EXPECT_FALSE(FindSessionBus(env));
    std::filesystem::remove(dir / "bus");
    const int fd = makeSocket((dir / "bus").string());
    ASSERT_GE(fd, 0);
    const auto found = FindSessionBus(env);
    ::close(fd);
    ASSERT_TRUE(found);
    EXPECT_FALSE(found->inherited);
    EXPECT_EQ(found->address, "unix:path=" + (dir / "bus").string());
}

TEST_F(DesktopWallpaperTest, BusFoundOutsideTheSessionIsPassedToTheCommands) {
    // As under cron: no bus address, but the session's socket is where it always is.
    const int fd = makeSocket((dir / "bus").string());
    ASSERT_GE(fd, 0);
    env = {{"XDG_CURRENT_DESKTOP", "GNOME"}, {"XDG_RUNTIME_DIR", dir.path().string()}};
    auto wallpaper = make();
    std::string error;
    EXPECT_TRUE(wallpaper->apply(mix().string(), error)) << error;
    ::close(fd);
    ASSERT_FALSE(runner->calls.empty());
    for (const auto& call : runner->calls)
        EXPECT_EQ(call.environment,
                  std::vector<std::string>{"DBUS_SESSION_BUS_ADDRESS=unix:path=" + (dir / "bus").string()});

    // With the address inherited, nothing is added.
    env = {{"XDG_CURRENT_DESKTOP", "GNOME"}, {"DBUS_SESSION_BUS_ADDRESS", "unix:path=/x"}};
    wallpaper = make();
    EXPECT_TRUE(wallpaper->apply(mix().string(), error)) << error;
    for (const auto& call : runner->calls)
        EXPECT_TRUE(call.environment.empty());
}

} // namespace
} // namespace nodo::desktop::test
