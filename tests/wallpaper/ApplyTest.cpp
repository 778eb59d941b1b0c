#include "ComposerFolder.h"

#include "imaging/PictureFile.h"
#include "platform/TextFile.h"
#include "platform/posix/DiskTextFile.h"
#include "wallpaper/ApplyWallpaper.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <set>

namespace fs = std::filesystem;
using namespace nodo;
using nodo::testing::ComposerFolder;
using nodo::testing::RecordingWallpaper;
using nodo::testing::SolidBitmap;

namespace {

std::vector<TPicBGList> List(const std::vector<std::string>& names) {
    std::vector<TPicBGList> l;
    for (std::size_t i = 0; i < names.size(); ++i)
        l.push_back({static_cast<int32_t>(i), names[i]});
    return l;
}

struct Step {
    ApplyOutcome outcome;
    int used;
    int indexAfter;
};

struct RotationCase {
    const char* name;
    std::vector<std::string> entries;
    std::set<std::string> missing;
    int start;
    std::vector<Step> steps;
};

class Rotation : public ::testing::TestWithParam<RotationCase> {};

TEST_P(Rotation, WalksTheListAsExpected) {
    const RotationCase& c = GetParam();
    ComposerFolder dir;
    for (const auto& n : c.entries)
        if (!c.missing.count(n)) dir.writeBackground(n, 80, 60, {0, 0, 200, 0});
    pic::SaveBmpFile(dir.bgDir() / "Content.bmp", SolidBitmap(10, 10, 24, {0, 0, 0, 0}), 24);
    RecordingWallpaper wp;
    MixHolder holder;
    const ComposerFiles files(dir.folder());
    const auto list = List(c.entries);
    int32_t index = c.start;
    int installs = 0;
    for (std::size_t s = 0; s < c.steps.size(); ++s) {
        const ApplyResult r = ApplyBackground(files, wp, list, index, holder);
        EXPECT_EQ(r.outcome, c.steps[s].outcome) << "step " << s << ": " << r.error;
        EXPECT_EQ(r.usedIndex, c.steps[s].used) << "step " << s;
        EXPECT_EQ(index, c.steps[s].indexAfter) << "step " << s;
        if (r.outcome == ApplyOutcome::Installed) ++installs;
    }
    EXPECT_EQ(static_cast<int>(wp.applied.size()), installs);
}

constexpr auto kOk = ApplyOutcome::Installed;
constexpr auto kMissing = ApplyOutcome::BackgroundMissing;

INSTANTIATE_TEST_SUITE_P(
    Cases, Rotation,
    ::testing::Values(
        RotationCase{"ThreeEntries",
                     {"A1.bmp", "B.bmp", "C.bmp"},
                     {},
                     2,
                     {{kOk, 2, 1}, {kOk, 1, 2}, {kOk, 2, 1}, {kOk, 1, 2}}},
        RotationCase{"OneEntry", {"A1.bmp"}, {}, 0, {{kOk, 0, 0}, {kOk, 0, 0}, {kOk, 0, 0}}},
        RotationCase{
            "ChosenOnlyWrapsToLast", {"A1.bmp", "B.bmp", "C.bmp"}, {}, 0, {{kOk, 0, 2}, {kOk, 2, 1}}},
        RotationCase{"MissingAtTwoOfFour",
                     {"A1.bmp", "B.bmp", "X.bmp", "D.bmp"},
                     {"X.bmp"},
                     2,
                     {{kMissing, 2, 3}, {kOk, 3, 2}, {kMissing, 2, 3}}},
        RotationCase{"MissingAtThreeOfFour",
                     {"A1.bmp", "B.bmp", "C.bmp", "X.bmp"},
                     {"X.bmp"},
                     3,
                     {{kMissing, 3, 1}, {kOk, 1, 3}, {kMissing, 3, 1}}},
        RotationCase{
            "MissingAtZeroStays", {"X.bmp", "X.bmp"}, {"X.bmp"}, 0, {{kMissing, 0, 0}, {kMissing, 0, 0}}},
        RotationCase{"IndexBeyondListStartsAtLast", {"A1.bmp", "B.bmp", "C.bmp"}, {}, 7, {{kOk, 2, 1}}},
        RotationCase{"EmptyNameIsMissing", {"A1.bmp", ""}, {""}, 1, {{kMissing, 1, 1}}}),
    [](const auto& info) { return std::string(info.param.name); });

class Apply : public ::testing::Test {
protected:
    void SetUp() override {
        dir.writeBackground("A1.bmp", 1024, 768, {100, 100, 100, 0});
        content = SolidBitmap(300, 200, 24, {0, 0, 200, 0});
        content.setPixel(0, 0, {255, 255, 255, 0});
    }
    void writeContent(const pic::Bitmap& b) { pic::SaveBmpFile(dir.bgDir() / "Content.bmp", b, 24); }
    ApplyResult run(int32_t& index, const std::vector<std::string>& names = {"A1.bmp", "A1.bmp"}) {
        return ApplyBackground(ComposerFiles(dir.folder()), wp, List(names), index, holder);
    }

    ComposerFolder dir;
    RecordingWallpaper wp;
    MixHolder holder;
    pic::Bitmap content;
};

bool Near(pic::Bgra a, pic::Bgra b, int tolerance) {
    return std::abs(a.b - b.b) <= tolerance && std::abs(a.g - b.g) <= tolerance &&
           std::abs(a.r - b.r) <= tolerance;
}

TEST_F(Apply, WritesTheBlendThroughJpegAndInstallsIt) {
    writeContent(content);
    int32_t index = 1;
    const ApplyResult r = run(index);
    ASSERT_EQ(r.outcome, ApplyOutcome::Installed) << r.error;
    EXPECT_EQ(index, 1); // two entries: 1 -> 0 -> wraps to 1

    const auto jpg = pic::ReadWholeFile(dir.bgDir() / "Mix.Jpg");
    ASSERT_GT(jpg.size(), 4u);
    EXPECT_EQ(pic::DetectFormat(jpg), pic::PictureFormat::Jpeg);
    // Baseline: a SOF0 frame and no progressive SOF2.
    bool sof0 = false, sof2 = false;
    for (std::size_t i = 0; i + 1 < jpg.size(); ++i) {
        if (jpg[i] != 0xFF) continue;
        sof0 |= jpg[i + 1] == 0xC0;
        sof2 |= jpg[i + 1] == 0xC2;
    }
    EXPECT_TRUE(sof0);
    EXPECT_FALSE(sof2);

    const pic::Bitmap mix = pic::LoadBitmapFile(dir.bgDir() / "Mix.bmp");
    EXPECT_EQ(mix.bitsPerPixel(), 24);
    EXPECT_EQ(mix.sourceBitsPerPixel(), 24);
    ASSERT_EQ(mix.width(), 1024);
    ASSERT_EQ(mix.height(), 768);
    EXPECT_EQ(mix, pic::DecodeJpeg(jpg));                            // the wallpaper carries the JPEG losses
    EXPECT_TRUE(Near(mix.pixel(824, 130), {50, 50, 150, 255}, 4));   // inside the blend
    EXPECT_TRUE(Near(mix.pixel(500, 130), {100, 100, 100, 255}, 4)); // left of it
    EXPECT_TRUE(Near(mix.pixel(824, 400), {100, 100, 100, 255}, 4)); // below it

    EXPECT_EQ(wp.values["Wallpaper"], (dir.bgDir() / "Mix.bmp").string());
    EXPECT_EQ(wp.values["WallpaperStyle"], "2");
    EXPECT_EQ(wp.stores, 1); // the pair in one store of the key
    ASSERT_EQ(wp.applied.size(), 1u);
    EXPECT_EQ(wp.applied[0], (dir.bgDir() / "Mix.bmp").string());
    EXPECT_TRUE(holder.img1.empty() && holder.img2.empty() && holder.imgmix.empty());
}

TEST_F(Apply, EmptyContentGivesTheBackgroundThroughJpeg) {
    pic::WriteWholeFile(dir.bgDir() / "Content.bmp", {});
    int32_t index = 0;
    ASSERT_EQ(run(index).outcome, ApplyOutcome::Installed);
    const pic::Bitmap bg = pic::LoadBitmapFile(dir.bgDir() / "A1.bmp");
    const pic::Bitmap once = pic::DecodeJpeg(pic::EncodeJpeg(bg, 90));
    EXPECT_EQ(pic::LoadBitmapFile(dir.bgDir() / "Mix.bmp"), once);
}

TEST_F(Apply, NamesMatchWithoutRegardToCase) {
    writeContent(content);
    pic::SaveBmpFile(dir.bgDir() / "mix.BMP", SolidBitmap(2, 2, 24, {}), 24);
    int32_t index = 0;
    const ApplyResult r = run(index, {"a1.BMP"});
    ASSERT_EQ(r.outcome, ApplyOutcome::Installed) << r.error;
    EXPECT_EQ(r.background, (dir.bgDir() / "A1.bmp").string());
    EXPECT_EQ(r.wallpaperFile, (dir.bgDir() / "mix.BMP").string());
    EXPECT_FALSE(fs::exists(dir.bgDir() / "Mix.bmp"));
    EXPECT_EQ(pic::LoadBitmapFile(dir.bgDir() / "mix.BMP").width(), 1024);
}

// The file reported as the wallpaper is the one the desktop got: its own copy where it was handed
// one, Mix.bmp where it read that (or refused).
TEST_F(Apply, ReportsTheFileTheDesktopWasHanded) {
    struct Case {
        const char* copy;
        bool succeed;
        const char* reported; // relative to the background folder, or absolute
    };
    const Case cases[] = {
        {"/cache/nodo/wallpaper/nodo-wallpaper-3.png", true, "/cache/nodo/wallpaper/nodo-wallpaper-3.png"},
        {"", true, "Mix.bmp"},
        {"/cache/nodo/wallpaper/nodo-wallpaper-4.png", false, "Mix.bmp"},
    };
    writeContent(content);
    for (const Case& c : cases) {
        wp.applied.clear();
        wp.copy = c.copy;
        wp.succeed = c.succeed;
        int32_t index = 0;
        const ApplyResult r = run(index);
        const std::string expected =
            c.reported[0] == '/' ? std::string(c.reported) : (dir.bgDir() / c.reported).string();
        EXPECT_EQ(r.wallpaperFile, expected) << c.copy << " " << c.succeed;
    }
}

// A list line that would lead out of the background folder names no background, even where a
// picture lies at the place it points to.
TEST_F(Apply, ListLinesLeadingOutOfTheFolderAreRefused) {
    writeContent(content);
    pic::SaveBmpFile(dir.bgDir().parent_path() / "outside.bmp", SolidBitmap(8, 8, 24, {}), 24);
    pic::SaveBmpFile(dir.bgDir().parent_path().parent_path() / "outside.bmp", SolidBitmap(8, 8, 24, {}), 24);
    for (const char* line : {"../outside.bmp", "..\\..\\outside.bmp", "..", "sub/../../outside.bmp"}) {
        int32_t index = 0;
        const ApplyResult r = run(index, {line});
        EXPECT_EQ(r.outcome, ApplyOutcome::BackgroundMissing) << line;
        EXPECT_TRUE(holder.img2.empty()) << line;
        EXPECT_FALSE(fs::exists(dir.bgDir() / "Mix.Jpg")) << line;
    }
}

struct FailureCase {
    const char* name;
    bool breakBackground, desktopFails, storeThrows;
    ApplyOutcome outcome;
    bool jpegWritten;
};

class ApplyFailure : public Apply, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(ApplyFailure, EndsQuietlyAndKeepsTheIndex) {
    const FailureCase& c = GetParam();
    writeContent(content);
    if (c.breakBackground)
        pic::WriteWholeFile(dir.bgDir() / "A1.bmp", std::vector<std::uint8_t>{'n', 'o', 'p', 'e'});
    wp.succeed = !c.desktopFails;
    wp.throwOnStore = c.storeThrows;
    int32_t index = 1;
    const ApplyResult r = run(index);
    EXPECT_EQ(r.outcome, c.outcome);
    EXPECT_FALSE(r.error.empty());
    EXPECT_EQ(index, 1);
    EXPECT_EQ(fs::exists(dir.bgDir() / "Mix.Jpg"), c.jpegWritten);
    EXPECT_TRUE(holder.img1.empty() && holder.img2.empty() && holder.imgmix.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ApplyFailure,
    ::testing::Values(FailureCase{"BackgroundUnreadable", true, false, false, ApplyOutcome::BlendFailed,
                                  false},
                      FailureCase{"DesktopRefuses", false, true, false, ApplyOutcome::WallpaperFailed, true},
                      FailureCase{"KeyNotWritable", false, false, true, ApplyOutcome::WallpaperFailed, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Apply, KeyWriteFailureSkipsTheDesktop) {
    writeContent(content);
    wp.throwOnStore = true;
    int32_t index = 0;
    run(index);
    EXPECT_TRUE(wp.applied.empty());
}

TEST_F(Apply, EmptyListDoesNothing) {
    writeContent(content);
    int32_t index = 0;
    const ApplyResult r = run(index, {});
    EXPECT_EQ(r.outcome, ApplyOutcome::NoBackgrounds);
    EXPECT_EQ(index, 0);
    EXPECT_FALSE(fs::exists(dir.bgDir() / "Mix.bmp"));
    EXPECT_FALSE(fs::exists(dir.bgDir() / "Mix.Jpg"));
    EXPECT_TRUE(wp.values.empty());
}

TEST_F(Apply, ContentSavedAtItsOwnDepthAndEmptyAsZeroBytes) {
    const ComposerFiles files(dir.folder());
    SaveContentPic(files, SolidBitmap(300, 200, 32, {1, 2, 3, 4}));
    pic::Bitmap back = pic::LoadBitmapFile(dir.bgDir() / "Content.bmp");
    EXPECT_EQ(back.sourceBitsPerPixel(), 32);
    EXPECT_EQ(back.width(), 300);
    EXPECT_EQ(back.pixel(7, 7).r, 3);
    SaveContentPic(files, pic::Bitmap());
    EXPECT_EQ(fs::file_size(dir.bgDir() / "Content.bmp"), 0u);
}

// A folder in the way of a file makes that write fail, whoever runs the test (root included).
struct WriteFailureCase {
    const char* name;
    const char* blocked; // the file that cannot be written
    ApplyOutcome outcome;
    bool mix32Stays; // the 32-bit blend is left in Mix.bmp
};

class ApplyWriteFailure : public Apply, public ::testing::WithParamInterface<WriteFailureCase> {};

TEST_P(ApplyWriteFailure, LeavesTheDesktopAndTheIndexAlone) {
    const WriteFailureCase& c = GetParam();
    writeContent(content);
    fs::create_directories(dir.bgDir() / c.blocked);
    int32_t index = 1;
    const ApplyResult r = run(index);
    EXPECT_EQ(r.outcome, c.outcome) << r.error;
    EXPECT_FALSE(r.error.empty());
    EXPECT_EQ(index, 1);
    EXPECT_TRUE(wp.applied.empty());
    EXPECT_TRUE(wp.values.empty());
    if (c.mix32Stays) {
        const pic::Bitmap mix = pic::LoadBitmapFile(dir.bgDir() / "Mix.bmp");
        EXPECT_EQ(mix.sourceBitsPerPixel(), 32);
        EXPECT_EQ(mix.width(), 1024);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ApplyWriteFailure,
    ::testing::Values(WriteFailureCase{"MixJpgNotWritable", "Mix.Jpg", ApplyOutcome::JpegFailed, true},
                      WriteFailureCase{"MixBmpNotWritable", "Mix.bmp", ApplyOutcome::BlendFailed, false}),
    [](const auto& info) { return std::string(info.param.name); });

// A 32-bit content's fourth byte takes no part in what reaches the JPEG: whatever it holds, the
// blended area comes out as it does for the same 24-bit content, never lighter.
TEST_F(Apply, FourthByteOfTheContentIsDropped) {
    std::vector<pic::Bitmap> results;
    for (int bpp : {24, 32}) {
        pic::Bitmap c = SolidBitmap(300, 200, bpp, {0, 0, 200, 0});
        if (bpp == 32)
            for (int y = 0; y < 200; ++y)
                for (int x = 0; x < 300; ++x)
                    c.setPixel(x, y, {0, 0, 200, static_cast<std::uint8_t>(x * 7 + y)});
        pic::SaveBmpFile(dir.bgDir() / "Content.bmp", c, bpp);
        int32_t index = 0;
        ASSERT_EQ(run(index).outcome, ApplyOutcome::Installed);
        results.push_back(pic::LoadBitmapFile(dir.bgDir() / "Mix.bmp"));
    }
    EXPECT_EQ(results[0], results[1]);
}

struct StartupCase {
    const char* name;
    bool fileExists;
    std::vector<std::string> lines;
    std::vector<std::string> expected;
    int index;
};

class Startup : public ::testing::TestWithParam<StartupCase> {};

TEST_P(Startup, ChoosesWhatAFreshStartWould) {
    const StartupCase& c = GetParam();
    ComposerFolder dir;
    DiskTextFile text;
    const std::string file = (dir.root() / "data" / "BGPicList.ini").string();
    if (c.fileExists) text.writeLines(file, c.lines);
    const BackgroundChoice choice = StartupBackgrounds(dir.folder(), text);
    std::vector<std::string> names;
    for (std::size_t i = 0; i < choice.list.size(); ++i) {
        EXPECT_EQ(choice.list[i].PicIndex, static_cast<int32_t>(i));
        names.push_back(choice.list[i].PicName);
    }
    EXPECT_EQ(names, c.expected);
    EXPECT_EQ(choice.index, c.index);
    EXPECT_EQ(fs::exists(file), c.fileExists); // reading never writes the default
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Startup,
    ::testing::Values(StartupCase{"Missing", false, {}, {"A1.bmp", "A1.bmp"}, 0},
                      StartupCase{"OneLine", true, {"A1.bmp"}, {"A1.bmp"}, 0},
                      StartupCase{
                          "Three", true, {"B.bmp", "A1.bmp", "B.bmp"}, {"B.bmp", "A1.bmp", "B.bmp"}, 2},
                      StartupCase{"NoLine", true, {}, {}, 0}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
