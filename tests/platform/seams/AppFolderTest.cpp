#include "platform/AppFolder.h"
#include "platform/posix/AppFolders.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace fs = std::filesystem;
using namespace nodo;

namespace {

class AppFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        root = fs::temp_directory_path() / ("nodo-appfolder-" + std::to_string(::getpid()) + "-" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(root);
        fs::create_directories(root / "data");
        fs::create_directories(root / "source" / "DeskTopBG");
        touch(root / "source" / "DeskTopBG" / "Mix.bmp");
        touch(root / "data" / "FormSize.ini");
    }
    void TearDown() override { fs::remove_all(root); }
    static void touch(const fs::path& p) { std::ofstream(p) << "x"; }

    fs::path root;
};

TEST_F(AppFolderTest, ComponentsMatchWithoutRegardToCase) {
    FixedAppFolder folder(root);
    const std::string r = folder.root();
    ASSERT_EQ(r.back(), '/');
    struct Case {
        const char* relative;
        const char* expected; // below root
    } cases[] = {
        {"data\\FormSize.ini", "data/FormSize.ini"},
        {"Data\\formsize.INI", "data/FormSize.ini"},
        {"DATA\\tmppic.ini", "data/tmppic.ini"}, // new file inside the existing folder
        {"source\\DeskTopBG\\Mix.Bmp", "source/DeskTopBG/Mix.bmp"},
        {"Source/desktopbg/MIX.BMP", "source/DeskTopBG/Mix.bmp"},
        {"source\\DeskTopBG\\", "source/DeskTopBG"},
        {"tmp\\tmp.bmp", "tmp/tmp.bmp"}, // missing folder keeps the given spelling
        {"Tmp\\Sub\\x.bmp", "Tmp/Sub/x.bmp"},
        {"data\\.\\FormSize.ini", "data/FormSize.ini"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(folder.path(c.relative), r + c.expected) << c.relative;
}

TEST_F(AppFolderTest, ExactSpellingWinsWhenNamesDifferOnlyInCase) {
    touch(root / "data" / "formsize.ini");
    FixedAppFolder folder(root);
    EXPECT_EQ(folder.path("data\\formsize.ini"), folder.root() + "data/formsize.ini");
    EXPECT_EQ(folder.path("data\\FormSize.ini"), folder.root() + "data/FormSize.ini");
    // No exact match: the first name in order is taken, the same every time.
    EXPECT_EQ(folder.path("data\\FORMSIZE.ini"), folder.root() + "data/FormSize.ini");
}

TEST_F(AppFolderTest, ChineseNamesAndAFolderCreatedLater) {
    touch(root / "source" / "DeskTopBG" / "风景.bmp");
    FixedAppFolder folder(root);
    EXPECT_EQ(folder.path("SOURCE\\desktopbg\\风景.BMP"), folder.root() + "source/DeskTopBG/风景.bmp");
    EXPECT_EQ(folder.path("TMP\\tmp.bmp"), folder.root() + "TMP/tmp.bmp");
    fs::create_directories(root / "tmp");
    EXPECT_EQ(folder.path("TMP\\tmp.bmp"), folder.root() + "tmp/tmp.bmp");
}

TEST_F(AppFolderTest, ResolveExistingFixesCaseOfAbsolutePaths) {
    const std::string wrong = (root / "DATA" / "formsize.ini").string();
    EXPECT_EQ(ResolveExisting(wrong), root / "data" / "FormSize.ini");
    EXPECT_EQ(ResolveExisting("relative/path"), fs::path("relative/path"));
}

TEST(FileNameHelpers, ExtensionsAndTheirReplacement) {
    struct Case {
        const char* name;
        const char* lowerExt;
        const char* asBmp;
    } cases[] = {
        {"/a/b/Photo.JPEG", ".jpeg", "/a/b/Photo.bmp"}, {"/a/b/photo.Png", ".png", "/a/b/photo.bmp"},
        {"/a/b.d/photo", "", "/a/b.d/photo.bmp"},       {"C:\\x\\Mix.Jpg", ".jpg", "C:\\x\\Mix.bmp"},
        {"archive.tar.GZ", ".gz", "archive.tar.bmp"},   {"", "", ".bmp"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(LowerExt(c.name), c.lowerExt) << c.name;
        EXPECT_EQ(ChangeFileExt(c.name, ".bmp"), c.asBmp) << c.name;
    }
}

TEST(FileNameHelpers, ExecutableFolderIsTheTestsOwn) {
    ExecutableAppFolder folder;
    const fs::path exe = fs::read_symlink("/proc/self/exe");
    EXPECT_EQ(folder.root(), exe.parent_path().string() + "/");
}

} // namespace
