// nodo-cli apply, run as a program on a fresh installation tree.
#include "CliFixture.h"

namespace fs = std::filesystem;
using namespace nodo;
using nodo::testing::CliApply;
using nodo::testing::CliRun;
using nodo::testing::SolidBitmap;

namespace {

TEST_F(CliApply, WritesTheThreeFilesAndFailsWithoutADesktop) {
    writeText(dir.root() / "data" / "tmppic.ini", (dir.root() / "page.bmp").string() + "\r\n");
    const CliRun r = run(appArg());
    EXPECT_EQ(r.status, 1) << r.out;
    EXPECT_NE(r.out.find("did not take the wallpaper"), std::string::npos) << r.out;
    EXPECT_EQ(pic::LoadBitmapFile(bg("Content.bmp")), pic::LoadBitmapFile(dir.root() / "page.bmp"));
    const pic::Bitmap mix = pic::LoadBitmapFile(bg("Mix.bmp"));
    EXPECT_EQ(mix, pic::LoadBitmapFile(bg("Mix.Jpg")));
    ASSERT_EQ(mix.width(), 1024);
    const pic::Bgra blended = mix.pixel(824, 130);
    EXPECT_NEAR(blended.r, 150, 4);
    EXPECT_NEAR(blended.b, 50, 4);
    // The key file the desktop reads holds the stretched wallpaper all the same.
    std::ifstream key(dir.root() / "home" / "config" / "nodo" / "desktop.ini");
    std::string text((std::istreambuf_iterator<char>(key)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("WallpaperStyle=2"), std::string::npos) << text;
}

struct OptionCase {
    const char* name;
    std::string listFile; // "" = no list file
    std::string extraArgs;
    int status;
    std::string expectInOutput;
    bool mixWritten;
};

class CliApplyOptions : public CliApply, public ::testing::WithParamInterface<OptionCase> {};

TEST_P(CliApplyOptions, ChoosesContentAndBackground) {
    const OptionCase& c = GetParam();
    dir.writeBackground("B.bmp", 640, 480, {0, 200, 0, 0});
    pic::SaveJpegFile(dir.root() / "photo.jpg", SolidBitmap(40, 30, 24, {0, 0, 250, 0}), 90);
    if (!c.listFile.empty()) writeText(dir.root() / "data" / "BGPicList.ini", c.listFile);
    std::string args = appArg() + " " + c.extraArgs;
    const std::string root = dir.root().string();
    for (std::size_t at; (at = args.find("@ROOT@")) != std::string::npos;)
        args.replace(at, 6, root);
    const CliRun r = run(args);
    EXPECT_EQ(r.status, c.status) << r.out;
    EXPECT_NE(r.out.find(c.expectInOutput), std::string::npos) << r.out;
    EXPECT_EQ(fs::exists(bg("Mix.bmp")), c.mixWritten) << r.out;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CliApplyOptions,
    ::testing::Values(
        OptionCase{"NoListUsesTheDefault", "", "", 1, "A1.bmp (entry 0)", true},
        OptionCase{"LastEntryOfTheList", "A1.bmp\r\nA1.bmp\r\nB.bmp\r\n", "", 1, "B.bmp (entry 2)", true},
        OptionCase{"BackgroundOption", "A1.bmp\r\nA1.bmp\r\n", "--background B.bmp", 1, "B.bmp (entry 0)",
                   true},
        OptionCase{"ContentOptionAnyFormat", "", "--content '@ROOT@/photo.jpg'", 1, "(40 x 30)", true},
        OptionCase{"MissingBackground", "", "--background nothere.bmp", 1, "background picture missing",
                   false},
        OptionCase{"UnreadableContent", "", "--content '@ROOT@/nothere.bmp'", 1, "nothere.bmp", false},
        OptionCase{"UnknownArgument", "", "--colour red", 2, "unknown argument", false},
        OptionCase{"MissingValue", "", "--background", 2, "needs a value", false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(CliApply, EmptyListFileIsAnError) {
    writeText(dir.root() / "data" / "BGPicList.ini", "");
    const CliRun r = run(appArg());
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("background list is empty"), std::string::npos) << r.out;
    EXPECT_FALSE(fs::exists(bg("Mix.bmp")));
}

TEST_F(CliApply, PageThatIsNotABitmapGivesTheBackgroundAlone) {
    pic::SaveJpegFile(dir.root() / "photo.jpg", SolidBitmap(40, 30, 24, {0, 0, 250, 0}), 90);
    writeText(dir.root() / "data" / "tmppic.ini", (dir.root() / "photo.jpg").string() + "\r\n");
    const CliRun r = run(appArg());
    EXPECT_EQ(r.status, 1) << r.out;
    EXPECT_EQ(fs::file_size(bg("Content.bmp")), 0u);
    EXPECT_TRUE(fs::exists(bg("Mix.Jpg")));
}

// A see-through PNG or GIF given on the command line is laid over white, as the window's import does:
// its clear half must blend like white (the background shows through), not like black.
TEST_F(CliApply, TransparentContentIsLaidOverWhite) {
    for (const char* name : {"clear.png", "clear.gif"}) {
        pic::Bitmap half = SolidBitmap(40, 30, 32, {0, 0, 250, 255});
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 20; ++x)
                half.setPixel(x, y, {0, 0, 0, 0});
        const fs::path file = dir.root() / name;
        pic::WriteWholeFile(file, std::string(name).ends_with(".png") ? pic::EncodePng(half)
                                                                      : pic::EncodeGif(half));
        const CliRun r = run(appArg() + " --content '" + file.string() + "'");
        EXPECT_EQ(r.status, 1) << r.out;
        const pic::Bitmap content = pic::LoadBitmapFile(bg("Content.bmp"));
        ASSERT_EQ(content.width(), 40) << name;
        EXPECT_EQ(content.pixel(5, 5), (pic::Bgra{255, 255, 255, 255})) << name;
        EXPECT_GT(content.pixel(30, 5).r, 200) << name;
    }
}

TEST_F(CliApply, MissingApplicationFolder) {
    const CliRun r = run("--app-folder '" + (dir.root() / "nowhere").string() + "'");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("no application folder"), std::string::npos) << r.out;
}

} // namespace
