#include "platform/Clock.h"
#include "platform/Errors.h"
#include "platform/Kernel.h"
#include "platform/TextFile.h"
#include "platform/posix/DiskTextFile.h"
#include "platform/posix/Encoding.h"
#include "platform/posix/LinuxKernel.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/stat.h>

namespace fs = std::filesystem;
using namespace nodo;

namespace {

std::string Slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void Spit(const fs::path& p, const std::string& s) {
    std::ofstream(p, std::ios::binary) << s;
}

class TempDir : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("nodo-files-" + std::to_string(::getpid()) + "-" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override {
        fs::permissions(dir, fs::perms::owner_all, fs::perm_options::add);
        fs::remove_all(dir);
    }
    fs::path dir;
};

TEST(SplitLines, LineEndsOfEveryKind) {
    struct Case {
        std::string content;
        std::vector<std::string> lines;
    } cases[] = {
        {"", {}},
        {"\r\n", {""}},
        {"1", {"1"}},
        {"1\r\n", {"1"}},
        {"1\r\n830\r\n", {"1", "830"}},
        {"a\nb\rc\r\n\r\nd", {"a", "b", "c", "", "d"}},
        {"x\r\n\r\n", {"x", ""}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SplitLines(c.content), c.lines) << c.content;
}

TEST(StrToInt, AcceptsDecimalIntegersOnly) {
    EXPECT_EQ(StrToInt("830"), 830);
    EXPECT_EQ(StrToInt("-40"), -40);
    EXPECT_EQ(StrToInt(" 7 "), 7);
    EXPECT_EQ(StrToInt("+3"), 3);
    EXPECT_EQ(StrToInt("-2147483648"), INT32_MIN);
    for (const char* bad : {"", " ", "-", "1.5", "abc", "12a", "0x10", "2147483648", "１２"})
        EXPECT_THROW(StrToInt(bad), ConvertError) << bad;
}

TEST_F(TempDir, WritesCrLfLinesAndReadsThemBack) {
    DiskTextFile text;
    const std::string file = (dir / "FormSize.ini").string();
    EXPECT_FALSE(text.exists(file));
    text.writeLines(file, {"1", "830", "500", "-14", "119"});
    EXPECT_EQ(Slurp(file), "1\r\n830\r\n500\r\n-14\r\n119\r\n");
    EXPECT_TRUE(text.exists(file));
    EXPECT_EQ(text.readLines(file), (std::vector<std::string>{"1", "830", "500", "-14", "119"}));
    text.writeLines(file, {""});
    EXPECT_EQ(Slurp(file), "\r\n");
    EXPECT_EQ(text.readLines(file), std::vector<std::string>{""});
    // Nothing but the file itself is left in the folder.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
}

TEST_F(TempDir, ChineseNamesSurviveAndGbkFilesAreRead) {
    DiskTextFile text;
    const std::string file = (dir / "BGPicList.ini").string();
    text.writeLines(file, {"风景.bmp", "A1.bmp"});
    EXPECT_EQ(text.readLines(file), (std::vector<std::string>{"风景.bmp", "A1.bmp"}));
    // "风景.bmp" in GBK, as a file written on a Chinese Windows system would hold it.
    Spit(dir / "gbk.ini", std::string("\xB7\xE7\xBE\xB0.bmp\r\n", 10));
    EXPECT_EQ(text.readLines((dir / "gbk.ini").string()), std::vector<std::string>{"风景.bmp"});
    EXPECT_TRUE(IsValidUtf8("风景"));
    EXPECT_FALSE(IsValidUtf8(std::string("\xB7\xE7", 2)));
    EXPECT_FALSE(IsValidUtf8(std::string("\xE9\xA3", 2))); // cut in the middle of a character
}

TEST_F(TempDir, AFailedWriteLeavesTheOldFileWhole) {
    DiskTextFile text;
    const std::string file = (dir / "configSetBg.ini").string();
    text.writeLines(file, {"1"});
    if (::geteuid() != 0) {
        // A folder that cannot take the temporary file: the write fails and the old content stays.
        fs::permissions(dir, fs::perms::owner_read | fs::perms::owner_exec);
        EXPECT_THROW(text.writeLines(file, {"0"}), FileError);
        fs::permissions(dir, fs::perms::owner_all);
        EXPECT_EQ(Slurp(file), "1\r\n");
    }
    // A target that cannot be replaced (here a folder of that name): the temporary file is removed
    // again and the error names the file.
    fs::create_directories(dir / "busy.ini" / "inner");
    EXPECT_THROW(text.writeLines((dir / "busy.ini").string(), {"0"}), FileError);
    EXPECT_TRUE(fs::is_directory(dir / "busy.ini" / "inner"));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 2);
    // A file system that takes no new files at all.
    EXPECT_THROW(text.writeLines("/proc/nodo-test.ini", {"1"}), FileError);
    // A missing folder is an error with the path in its text, never a crash.
    const std::string missing = (dir / "nofolder" / "x.ini").string();
    try {
        text.writeLines(missing, {"1"});
        FAIL() << "write into a missing folder succeeded";
    } catch (const FileError& e) {
        EXPECT_NE(std::string(e.what()).find("x.ini"), std::string::npos);
    }
    EXPECT_THROW(text.readLines(missing), FileError);
}

TEST_F(TempDir, CopyNeverTruncatesAFileCopiedOntoItself) {
    LinuxKernel kernel;
    const fs::path a = dir / "A1.bmp";
    Spit(a, std::string(5000, 'x'));
    EXPECT_FALSE(kernel.copyFile(a.string(), a.string(), false));
    EXPECT_EQ(fs::file_size(a), 5000u);
    // The same file under another name (a hard link) is the same file too.
    fs::create_hard_link(a, dir / "link.bmp");
    EXPECT_FALSE(kernel.copyFile((dir / "link.bmp").string(), a.string(), false));
    EXPECT_EQ(fs::file_size(a), 5000u);

    Spit(dir / "b.bmp", "new");
    EXPECT_TRUE(kernel.copyFile((dir / "b.bmp").string(), a.string(), false));
    EXPECT_EQ(Slurp(a), "new");
    EXPECT_FALSE(kernel.copyFile((dir / "b.bmp").string(), a.string(), true));
    EXPECT_FALSE(kernel.copyFile((dir / "missing.bmp").string(), (dir / "c.bmp").string(), false));
    EXPECT_FALSE(fs::exists(dir / "c.bmp"));
    EXPECT_FALSE(kernel.copyFile((dir / "b.bmp").string(), (dir / "nofolder" / "c.bmp").string(), false));
}

TEST_F(TempDir, FoldersAreCreatedOneLevelAtATime) {
    LinuxKernel kernel;
    EXPECT_TRUE(kernel.createFolder((dir / "tmp").string()));
    EXPECT_TRUE(kernel.createFolder((dir / "tmp").string())); // already there
    EXPECT_TRUE(kernel.directoryExists((dir / "tmp").string()));
    EXPECT_FALSE(kernel.createFolder((dir / "a" / "b").string()));
    Spit(dir / "file", "x");
    EXPECT_FALSE(kernel.createFolder((dir / "file").string()));
    EXPECT_TRUE(kernel.fileExists((dir / "file").string()));
    EXPECT_FALSE(kernel.fileExists((dir / "tmp").string()));
}

TEST(IsoWeekday, KnownDates) {
    struct Case {
        int y, m, d, wd;
    } cases[] = {
        {2013, 1, 5, 6},  {2013, 1, 6, 7},  {2013, 1, 7, 1}, {1899, 12, 30, 6},
        {2000, 2, 29, 2}, {2026, 12, 9, 3}, {1, 1, 1, 1},    {9999, 12, 31, 5},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsoWeekday(c.y, c.m, c.d), c.wd) << c.y << "-" << c.m << "-" << c.d;
}

} // namespace
