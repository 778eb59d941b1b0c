// Conversions to BMP, the wide-picture stretch, the background list file and the hand-over file.
#include "PicFixtures.h"
#include "pictures/BGPicList.h"
#include "pictures/PicConvert.h"
#include "pictures/uGlobal.h"
#include "platform/Errors.h"
#include "support/fakes/Fakes.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace fs = std::filesystem;
using namespace nodo;
using nodo::fakes::ReadFile;
using nodo::fakes::TestPlatform;
using nodo::fakes::WriteFile;

namespace {

class ConvertTest : public ::testing::Test {
protected:
    void SetUp() override { fs::create_directories(tp.file("user")); }
    std::string user(const std::string& name) { return tp.file("user/" + name); }
    TestPlatform tp;
};

TEST_F(ConvertTest, PicToBmpChoosesByExtensionWithoutRegardToCase) {
    const pic::Bitmap picture = test::Pattern(20, 10);
    struct Case {
        std::string name;
        std::string bmp; // expected result's file name; empty = no result
    } cases[] = {{"a.bmp", "a.bmp"},  {"b.BMP", "b.BMP"},  {"c.jpg", "c.bmp"}, {"d.JPG", "d.bmp"},
                 {"e.jpeg", "e.bmp"}, {"f.JPEG", "f.bmp"}, {"g.gif", "g.bmp"}, {"h.Gif", "h.bmp"},
                 {"i.png", ""},       {"j.ico", ""},       {"noext", ""}};
    for (const auto& c : cases) {
        const std::string file = user(c.name);
        test::WriteByExtension(file, picture);
        const std::string out = PicToBmp(file);
        if (c.bmp.empty()) {
            EXPECT_EQ(out, "") << c.name;
            continue;
        }
        EXPECT_EQ(out, user(c.bmp)) << c.name;
        const pic::Bitmap back = pic::LoadBitmapFile(out);
        EXPECT_EQ(back.width(), 20) << c.name;
        EXPECT_EQ(back.height(), 10) << c.name;
    }
}

TEST_F(ConvertTest, PicToBmpIntoAnotherFolderLeavesTheSourceFolderAlone) {
    const std::string tmp = tp.file("tmp");
    fs::create_directories(tmp);
    test::WriteJpeg(user("photo.jpg"), test::Pattern(16, 16));
    WriteFile(user("photo.bmp"), "the user's own bitmap");
    EXPECT_EQ(PicToBmp(user("photo.jpg"), tmp), tmp + "/photo.bmp");
    EXPECT_EQ(ReadFile(user("photo.bmp")), "the user's own bitmap");
    EXPECT_EQ(pic::LoadBitmapFile(tmp + "/photo.bmp").width(), 16);
    // A BMP is used where it is: nothing is written anywhere.
    EXPECT_EQ(PicToBmp(user("photo.bmp"), tmp), user("photo.bmp"));
    EXPECT_FALSE(fs::exists(tmp + "/photo.BMP"));
}

TEST_F(ConvertTest, TheTargetFolderIsNeverLeftAndKeepsOneFilePerName) {
    const std::string tmp = tp.file("tmp");
    fs::create_directories(tmp);
    // Backslashes are ordinary characters in a file name here, never separators.
    const std::string odd = user("a\\..\\..\\evil.jpg");
    test::WriteJpeg(odd, test::Pattern(4, 4));
    EXPECT_EQ(PicToBmp(odd, tmp), tmp + "/a\\..\\..\\evil.bmp");
    EXPECT_FALSE(fs::exists(tp.file("evil.bmp")));
    // An existing file whose name differs only in case is the one replaced.
    WriteFile(tmp + "/Photo.BMP", "old");
    test::WriteJpeg(user("photo.jpg"), test::Pattern(4, 4));
    EXPECT_EQ(PicToBmp(user("photo.jpg"), tmp), tmp + "/Photo.BMP");
    EXPECT_FALSE(fs::exists(tmp + "/photo.bmp"));
}

TEST_F(ConvertTest, JpgToBmpWritesBesideItsInputReplacingAnyCaseOfTheName) {
    const std::string dir = tp.file("source/DeskTopBG/");
    test::WriteJpeg(dir + "Mix.Jpg", test::Solid(8, 4, {10, 200, 30, 255}));
    WriteFile(dir + "Mix.Bmp", "old");
    const std::string out = JpgToBmp(dir + "Mix.Jpg");
    EXPECT_EQ(out, dir + "Mix.Bmp"); // one file whatever the case
    EXPECT_FALSE(fs::exists(dir + "Mix.bmp"));
    const pic::Bitmap b = pic::LoadBitmapFile(out);
    ASSERT_EQ(b.width(), 8);
    EXPECT_EQ(b.bitsPerPixel(), 24);
    EXPECT_NEAR(b.pixel(3, 2).g, 200, 3);
}

TEST_F(ConvertTest, GifToBmpTakesTheWholeFrameWithTransparencyOverWhite) {
    pic::Bitmap picture(6, 3, 32);
    picture.fill({0, 0, 255, 255});
    picture.setPixel(1, 1, {0, 0, 0, 0});
    test::WriteGif(user("anim.gif"), picture);
    const pic::Bitmap b = pic::LoadBitmapFile(GifToBmp(user("anim.gif")));
    ASSERT_EQ(b.width(), 6);
    ASSERT_EQ(b.height(), 3);
    EXPECT_EQ(b.bitsPerPixel(), 24);
    EXPECT_EQ(b.pixel(1, 1), (pic::Bgra{255, 255, 255, 255}));
    EXPECT_EQ(b.pixel(0, 0), (pic::Bgra{0, 0, 255, 255}));
}

TEST_F(ConvertTest, DamagedOrMissingInputThrowsAndLeavesAnExistingBmpAlone) {
    WriteFile(user("bad.jpg"), "\xFF\xD8\xFF\xE0 not really a jpeg");
    WriteFile(user("bad.gif"), "GIF89a\x01");
    WriteFile(user("bad.bmp"), "untouched");
    EXPECT_THROW(PicToBmp(user("bad.jpg")), pic::PictureError);
    EXPECT_THROW(PicToBmp(user("bad.gif")), pic::PictureError);
    EXPECT_THROW(PicToBmp(user("missing.jpeg")), pic::PictureError);
    EXPECT_EQ(ReadFile(user("bad.bmp")), "untouched");
}

TEST_F(ConvertTest, StretchNearestTakesSourcePixelsUnchanged) {
    const pic::Bitmap src = test::Pattern(10, 6);
    const struct { int w, h; } sizes[] = {{5, 3}, {4, 4}, {20, 12}, {10, 6}, {1, 1}, {7, 13}};
    for (const auto& s : sizes) {
        const pic::Bitmap out = StretchNearest(src, s.w, s.h);
        ASSERT_EQ(out.width(), s.w);
        ASSERT_EQ(out.height(), s.h);
        for (int y = 0; y < s.h; ++y)
            for (int x = 0; x < s.w; ++x)
                ASSERT_EQ(out.pixel(x, y), src.pixel(x * 10 / s.w, y * 6 / s.h)) << s.w << "x" << s.h;
    }
    EXPECT_EQ(StretchNearest(src, 10, 6), src);
}

TEST_F(ConvertTest, StretchPicStoresAnyPictureAsExactly1280By768) {
    const std::string file = user("wide.bmp");
    const pic::Bitmap src = test::Pattern(1600, 1200);
    test::WriteBmp(file, src);
    StretchPic(file, file);
    const pic::Bitmap out = pic::LoadBitmapFile(file);
    ASSERT_EQ(out.width(), 1280);
    ASSERT_EQ(out.height(), 768);
    EXPECT_EQ(out.pixel(0, 0), src.pixel(0, 0));
    EXPECT_EQ(out.pixel(1279, 767), src.pixel(1598, 1198)); // 1279*1600/1280 = 1598.75
    EXPECT_EQ(out.pixel(640, 384), src.pixel(800, 600));
    EXPECT_EQ(out.pixel(5, 5), src.pixel(6, 7)); // 5*1600/1280 = 6, 5*1200/768 = 7
}

// --- the background list file ---

struct ListCase {
    const char* name;
    std::vector<std::string> file; // empty vector with `missing` = no file
    bool missing;
    bool byChoice;
    std::vector<std::string> entries;
    int index;
    std::string sel;
};

class BGPicListTest : public ::testing::TestWithParam<ListCase> {
protected:
    TestPlatform tp;
    SharedState state;
};

TEST_P(BGPicListTest, LoadsEntriesChoiceAndIndex) {
    const ListCase& c = GetParam();
    const std::string file = tp.file("data/BGPicList.ini");
    if (!c.missing) tp.text.writeLines(file, c.file);
    state.SelBGPic = "before";
    state.BGPicIndex = -7;
    LoadBGPicList(*tp.folder, tp.text, state, c.byChoice);
    EXPECT_EQ(state.SelBGPic, c.sel);
    EXPECT_EQ(state.BGPicIndex, c.index);
    EXPECT_EQ(state.BGPicCount, static_cast<int>(c.entries.size()));
    ASSERT_EQ(state.BGPicList.size(), c.entries.size());
    for (std::size_t i = 0; i < c.entries.size(); ++i) {
        EXPECT_EQ(state.BGPicList[i].PicIndex, static_cast<int32_t>(i));
        EXPECT_EQ(state.BGPicList[i].PicName, c.entries[i]);
    }
    if (c.missing) {
        EXPECT_EQ(ReadFile(file), "A1.bmp\r\nA1.bmp\r\n");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Files, BGPicListTest,
    ::testing::Values(ListCase{"FirstRun", {}, true, false, {"A1.bmp", "A1.bmp"}, 0, "A1.bmp"},
                      ListCase{
                          "NextStart", {"A1.bmp", "A1.bmp"}, false, false, {"A1.bmp", "A1.bmp"}, 1, "A1.bmp"},
                      ListCase{"StartWithChoiceB",
                               {"B.bmp", "A1.bmp", "B.bmp", "C.bmp"},
                               false,
                               false,
                               {"B.bmp", "A1.bmp", "B.bmp", "C.bmp"},
                               3,
                               "B.bmp"},
                      ListCase{"ChosenInWindow",
                               {"B.bmp", "A1.bmp", "B.bmp", "C.bmp"},
                               false,
                               true,
                               {"B.bmp", "A1.bmp", "B.bmp", "C.bmp"},
                               2,
                               "B.bmp"},
                      ListCase{"ChosenNameOnlyOnLineOne",
                               {"Z.bmp", "A1.bmp", "C.bmp"},
                               false,
                               true,
                               {"Z.bmp", "A1.bmp", "C.bmp"},
                               0,
                               "Z.bmp"},
                      ListCase{"CaseMatters",
                               {"b.bmp", "A1.bmp", "B.bmp"},
                               false,
                               true,
                               {"b.bmp", "A1.bmp", "B.bmp"},
                               0,
                               "b.bmp"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(BGPicListFile, AFileWithoutLinesKeepsTheListLoadedBefore) {
    SharedState state;
    TestPlatform tp;
    LoadBGPicList(*tp.folder, tp.text, state, false);
    WriteFile(tp.file("data/BGPicList.ini"), "");
    state.SelBGPic = "kept";
    state.BGPicIndex = 1;
    LoadBGPicList(*tp.folder, tp.text, state, false);
    EXPECT_EQ(state.BGPicCount, 0);
    EXPECT_EQ(state.SelBGPic, "kept");
    EXPECT_EQ(state.BGPicIndex, 1);
    EXPECT_EQ(state.BGPicList.size(), 2u);
}

TEST(BGPicListFile, MissingDataFolderOrFullDiskIsReported) {
    SharedState state;
    TestPlatform noFolders(false);
    state.SelBGPic = "x";
    state.BGPicIndex = 5;
    EXPECT_THROW(LoadBGPicList(*noFolders.folder, noFolders.text, state, false), FileError);
    EXPECT_EQ(state.SelBGPic, "x");
    EXPECT_EQ(state.BGPicIndex, 5);

    TestPlatform tp;
    tp.text.failWrites = true;
    EXPECT_THROW(LoadBGPicList(*tp.folder, tp.text, state, false), FileError);
    EXPECT_THROW(SavePicList(*tp.folder, tp.text, "A1.bmp", {"A1.bmp"}), FileError);
    EXPECT_FALSE(fs::exists(tp.file("data/BGPicList.ini")));
}

TEST(BGPicListFile, SaveWritesChoiceThenRowsWithCrLf) {
    TestPlatform tp;
    fs::remove(tp.file("data"));
    fs::create_directories(tp.file("Data"));
    SavePicList(*tp.folder, tp.text, "B.bmp", {"A1.bmp", "B.bmp", "C.bmp"});
    EXPECT_EQ(ReadFile(tp.file("Data/BGPicList.ini")), "B.bmp\r\nA1.bmp\r\nB.bmp\r\nC.bmp\r\n");
}

// --- the picture hand-over file ---

TEST(HandOverFile, MissingFileIsCreatedWithOneEmptyLine) {
    SharedState state;
    TestPlatform tp;
    state.CurPicFile = "/stale.bmp";
    TmpPicIni(1, state, *tp.folder, tp.text);
    EXPECT_EQ(state.CurPicFile, "");
    EXPECT_EQ(ReadFile(tp.file("data/tmppic.ini")), "\r\n");
}

TEST(HandOverFile, WriteThenReadGivesTheFirstLine) {
    SharedState state;
    TestPlatform tp;
    state.CurPicFile = "/home/u/图片/a b.bmp";
    TmpPicIni(0, state, *tp.folder, tp.text);
    state.CurPicFile.clear();
    TmpPicIni(1, state, *tp.folder, tp.text);
    EXPECT_EQ(state.CurPicFile, "/home/u/图片/a b.bmp");
    WriteFile(tp.file("data/tmppic.ini"), "/first.bmp\r\n/second.bmp\r\n");
    TmpPicIni(2, state, *tp.folder, tp.text);
    EXPECT_EQ(state.CurPicFile, "/first.bmp");
}

TEST(HandOverFile, AFileWithoutLinesFailsTheRead) {
    SharedState state;
    TestPlatform tp;
    WriteFile(tp.file("data/tmppic.ini"), "");
    state.CurPicFile = "/kept.bmp";
    EXPECT_THROW(TmpPicIni(1, state, *tp.folder, tp.text), FileError);
    EXPECT_EQ(state.CurPicFile, "/kept.bmp");
}

} // namespace
