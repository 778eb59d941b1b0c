// Where the application folder is, and how the user's folder is filled from the installation.
#include "platform/posix/AppFolders.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace nodo;

namespace {

class AppFolderPlaceTest : public ::testing::Test {
protected:
    void SetUp() override {
        base = fs::temp_directory_path() / ("nodo-place-" + std::to_string(::getpid()) + "-" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(base);
        fs::create_directories(base);
    }
    void TearDown() override {
        // The tests make read-only files; give the owner back the right to remove them.
        std::error_code ec;
        for (fs::recursive_directory_iterator it(base, ec), end; !ec && it != end; it.increment(ec))
            fs::permissions(it->path(), fs::perms::owner_write, fs::perm_options::add, ec);
        fs::remove_all(base);
    }

    static void write(const fs::path& p, const std::string& bytes) {
        fs::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary) << bytes;
    }
    static std::string read(const fs::path& p) {
        std::ifstream in(p, std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }
    // Every file and folder below `dir`, relative, with the bytes of the files ("/" for folders).
    static std::map<std::string, std::string> tree(const fs::path& dir) {
        std::map<std::string, std::string> out;
        for (const auto& e : fs::recursive_directory_iterator(dir))
            out[fs::relative(e.path(), dir).string()] = e.is_directory() ? "/" : read(e.path());
        return out;
    }

    // An installation as the package lays it: bin/ and share/nodo/ with the template and the pages.
    fs::path install(const fs::path& prefix) {
        fs::create_directories(prefix / "bin");
        write(prefix / "bin" / "nodo", "program");
        write(prefix / "share/nodo/source/DeskTopBG/A1.bmp", "BM default background");
        fs::create_directories(prefix / "share/nodo/data");
        write(prefix / "share/nodo/web/rs/Tavi.htm", "<p>start</p>");
        return prefix / "bin";
    }

    AppFolderEnvironment env(bool writable, std::string dataHome = {}) {
        AppFolderEnvironment e;
        e.dataHome = std::move(dataHome);
        e.home = (base / "home").string();
        e.writable = [writable](const fs::path&) { return writable; };
        return e;
    }

    fs::path base;
};

TEST_F(AppFolderPlaceTest, TheProgramsOwnTreeOrTheUsersFolder) {
    const fs::path usr = install(base / "usr");
    const fs::path tree = base / "Nodo"; // a build folder or a tree unpacked in the home folder
    fs::create_directories(tree / "web");
    const fs::path home = base / "home", userData = home / ".local/share/nodo";
    const fs::path xdg = base / "xdg";
    struct Case {
        const char* what;
        fs::path program;
        AppFolderEnvironment env;
        fs::path root, web, seedFrom;
        bool foldersOnly;
    } cases[] = {
        {"a writable tree runs in itself", tree, env(true), tree, tree / "web", {}, false},
        {"a read-only tree fills the user's folder from itself", tree, env(false), userData, tree / "web",
         tree, true},
        {"an installation fills the user's folder from its template", usr, env(false), userData,
         base / "usr/share/nodo/web", base / "usr/share/nodo", false},
        {"a writable bin/ (root, a prefix in the home folder) is still an installation", usr, env(true),
         userData, base / "usr/share/nodo/web", base / "usr/share/nodo", false},
        {"XDG_DATA_HOME moves the user's folder", usr, env(false, xdg.string()), xdg / "nodo",
         base / "usr/share/nodo/web", base / "usr/share/nodo", false},
        {"a relative XDG_DATA_HOME is ignored", usr, env(false, "relative/share"), userData,
         base / "usr/share/nodo/web", base / "usr/share/nodo", false},
    };
    for (const auto& c : cases) {
        const AppFolderPlace place = LocateAppFolder(c.program, c.env);
        EXPECT_EQ(place.root, c.root) << c.what;
        EXPECT_EQ(place.web, c.web) << c.what;
        EXPECT_EQ(place.seedFrom, c.seedFrom) << c.what;
        EXPECT_EQ(place.seedFoldersOnly, c.foldersOnly) << c.what;
    }
    // Nothing is made by looking.
    EXPECT_FALSE(fs::exists(home));
    EXPECT_FALSE(fs::exists(xdg));
}

TEST_F(AppFolderPlaceTest, AFreshUserFolderGetsTheTemplateButNotThePages) {
    const fs::path bin = install(base / "usr");
    // Whatever the template holds is copied, a database beside the settings as much as a picture.
    write(base / "usr/share/nodo/data/notes.db", std::string("SQLite format 3\0\x01\x02", 18));
    fs::permissions(base / "usr/share/nodo/data/notes.db", fs::perms::owner_read | fs::perms::group_read);
    const fs::path user = base / "home/.local/share/nodo";

    ExecutableAppFolder folder(LocateAppFolder(bin, env(false)));
    EXPECT_EQ(folder.root(), user.string() + "/");
    EXPECT_EQ(folder.web(), (base / "usr/share/nodo/web").string());
    EXPECT_TRUE(folder.seeding().failures.empty());
    EXPECT_EQ(folder.seeding().copied, 2);
    const std::map<std::string, std::string> expected = {
        {"data", "/"},
        {"data/notes.db", std::string("SQLite format 3\0\x01\x02", 18)},
        {"source", "/"},
        {"source/DeskTopBG", "/"},
        {"source/DeskTopBG/A1.bmp", "BM default background"},
    };
    EXPECT_EQ(tree(user), expected);
    // The user's copies are the user's to change, whatever the installation's modes.
    const auto perms = fs::status(user / "data/notes.db").permissions();
    EXPECT_NE(perms & fs::perms::owner_write, fs::perms::none);
    // The paths the program uses reach into the user's folder.
    EXPECT_EQ(folder.path("Data\\FormSize.ini"), (user / "data/FormSize.ini").string());
}

TEST_F(AppFolderPlaceTest, AnUpgradeAddsWhatIsNewAndReplacesNothing) {
    const fs::path bin = install(base / "usr");
    const fs::path user = base / "home/.local/share/nodo";
    ExecutableAppFolder first(LocateAppFolder(bin, env(false)));
    ASSERT_TRUE(first.seeding().failures.empty());

    // The user's own files, and a default background the user edited.
    write(user / "data/FormSize.ini", "10\r\n20\r\n830\r\n500\r\n2\r\n");
    write(user / "data/BGPicList.ini", "mine.bmp\r\n0 mine.bmp\r\n");
    write(user / "source/DeskTopBG/mine.bmp", "BM the user's picture");
    write(user / "source/DeskTopBG/A1.bmp", "BM edited by the user");
    // The user named the folder in another case; the program reads it as the same folder.
    fs::rename(user / "data", user / "Data");
    const auto before = tree(user);

    // The newer package changes the default background and brings a database and a new folder.
    write(base / "usr/share/nodo/source/DeskTopBG/A1.bmp", "BM a newer default");
    write(base / "usr/share/nodo/data/notes.db", "SQLite format 3");
    write(base / "usr/share/nodo/data/FormSize.ini", "0\r\n0\r\n0\r\n0\r\n0\r\n");
    write(base / "usr/share/nodo/extra/readme.txt", "new");
    ExecutableAppFolder second(LocateAppFolder(bin, env(false)));
    EXPECT_TRUE(second.seeding().failures.empty());
    EXPECT_EQ(second.seeding().copied, 2);

    auto after = tree(user);
    EXPECT_EQ(after["Data/notes.db"], "SQLite format 3");
    EXPECT_EQ(after["extra/readme.txt"], "new");
    after.erase("Data/notes.db");
    after.erase("extra/readme.txt");
    after.erase("extra");
    EXPECT_EQ(after, before); // every file the user had, byte for byte, and no second data folder
}

TEST_F(AppFolderPlaceTest, AReadOnlyTreeGivesItsFoldersButNotItsPrograms) {
    const fs::path tree = base / "Nodo";
    write(tree / "nodo", "program");
    write(tree / "nodo-cli", "program");
    write(tree / "source/DeskTopBG/A1.bmp", "BM");
    write(tree / "web/rs/Tavi.htm", "<p/>");
    fs::create_directories(tree / "data");
    ExecutableAppFolder folder(LocateAppFolder(tree, env(false)));
    EXPECT_TRUE(folder.seeding().failures.empty());
    const std::map<std::string, std::string> expected = {
        {"data", "/"}, {"source", "/"}, {"source/DeskTopBG", "/"}, {"source/DeskTopBG/A1.bmp", "BM"}};
    EXPECT_EQ(this->tree(base / "home/.local/share/nodo"), expected);
    EXPECT_EQ(folder.web(), (tree / "web").string());
}

TEST_F(AppFolderPlaceTest, WhatCannotBeMadeIsReportedAndTheRestIsCopied) {
    const fs::path from = base / "template";
    write(from / "data/notes.db", "db");
    write(from / "source/DeskTopBG/A1.bmp", "BM");
    const fs::path to = base / "user";
    write(to / "source", "a file where the template has a folder");

    const SeedReport report = SeedAppFolder(from, to);
    ASSERT_EQ(report.failures.size(), 1u);
    EXPECT_NE(report.failures[0].find((to / "source").string()), std::string::npos) << report.failures[0];
    EXPECT_EQ(report.copied, 1);
    EXPECT_EQ(read(to / "data/notes.db"), "db");
    EXPECT_EQ(read(to / "source"), "a file where the template has a folder");

    // A folder that cannot be made at all (its parent is a file) and a template that is not there.
    const SeedReport blocked = SeedAppFolder(from, to / "source" / "nodo");
    ASSERT_EQ(blocked.failures.size(), 1u);
    EXPECT_EQ(blocked.copied, 0);
    const SeedReport missing = SeedAppFolder(base / "nowhere", base / "user2");
    ASSERT_EQ(missing.failures.size(), 1u);
    EXPECT_FALSE(fs::exists(base / "user2"));

    // No half-made file is left behind under any name.
    for (const auto& e : fs::recursive_directory_iterator(to))
        EXPECT_EQ(e.path().filename().string().find(".seed-"), std::string::npos) << e.path();
}

TEST_F(AppFolderPlaceTest, TheProgramsOwnFolderIsNeverFilled) {
    const fs::path tree = base / "Nodo";
    fs::create_directories(tree / "data");
    ExecutableAppFolder folder(LocateAppFolder(tree, env(true)));
    EXPECT_EQ(folder.root(), tree.string() + "/");
    EXPECT_EQ(folder.seeding().copied, 0);
    EXPECT_TRUE(folder.seeding().failures.empty());
    EXPECT_FALSE(fs::exists(base / "home"));
}

} // namespace
