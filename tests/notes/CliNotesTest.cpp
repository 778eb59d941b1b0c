// nodo-cli notes, run as a user runs it, on a fresh installation's database.
#include "ForeignRtf.h"
#include "NotesDbFixture.h"
#include "RtfEscapes.h"

#include "notes/rtf/RtfReader.h"
#include "notes/rtf/RtfWriter.h"
#include "support/RunShell.h"

#include <array>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>

namespace nodo {
namespace {

using testing::RawDb;

struct CliRun {
    int status = -1;
    std::string out, err;
};

class CliNotes : public ::testing::Test {
protected:
    void SetUp() override {
        const char* app = std::getenv("NODO_APP_DIR");
        ASSERT_NE(app, nullptr);
        cli = std::filesystem::path(app) / "nodo-cli";
        ASSERT_TRUE(std::filesystem::exists(cli));
        std::filesystem::create_directories(dir.root() / "Data");
        ASSERT_TRUE(CreateNotesDatabase(db()));
    }
    std::string db() const { return (dir.root() / "Data" / "notes.db").string(); }

    std::string file(const std::string& name, const std::string& bytes) {
        const auto path = dir.root() / name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path.string();
    }
    static std::string read(const std::filesystem::path& p) {
        std::ifstream in(p, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }

    CliRun run(const std::string& args) {
        const std::string errFile = (dir.root() / "stderr").string();
        const std::string cmd = "'" + cli.string() + "' notes --app-folder '" + dir.root().string() + "' " +
                                args + " 2>'" + errFile + "'";
        const testing::ShellRun shell = testing::RunShell(cmd);
        CliRun r{shell.status, shell.out, {}};
        r.err = read(errFile);
        return r;
    }

    testing::TempFolder dir;
    std::filesystem::path cli;
};

TEST_F(CliNotes, PutThenShowGivesWhatAnEditorWouldSave) {
    const std::string rtfFile = file(
        "note.rtf", "{\\rtf1\\ansi\\ansicpg936{\\fonttbl{\\f0\\fcharset134 " + testing::HexEscaped("宋体") +
                        ";}}\\f0\\fs30 " + testing::HexEscaped("开会") + "{\\b " +
                        testing::HexEscaped("重要") + "}\\par " + testing::HexEscaped("第二行") + "\\par}");
    ASSERT_EQ(run("put --date 2014-03-09 '" + rtfFile + "'").status, 0);
    CliRun shown = run("show --date 2014-03-09");
    EXPECT_EQ(shown.status, 0) << shown.err;
    EXPECT_EQ(shown.out, "开会重要\n第二行\n");
    // The stored RTF is our writer's form of what was read.
    EXPECT_EQ(run("show --date=2014-03-09 --rtf").out, rtf::WriteRtf(rtf::ReadRtf(read(rtfFile))));
    EXPECT_EQ(RawDb(db()).scalar("SELECT conIndex FROM UserCon"), "20140309");

    // A plain GBK text file, on a page day.
    ASSERT_EQ(
        run("put --page C --day 6 '" + file("t.txt", testing::Encode("周末\r\n爬山", "GBK")) + "'").status,
        0);
    EXPECT_EQ(run("show --page c --day 6").out, "周末\n爬山\n");
    EXPECT_EQ(run("show --page C --day 1").out, "");
}

TEST_F(CliNotes, PutOnAPageDayKeepsTheOtherDays) {
    ASSERT_EQ(run("put --page A --day 1 '" + file("m.txt", "monday") + "'").status, 0);
    ASSERT_EQ(run("put --page A --day 5 '" + file("f.txt", "friday") + "'").status, 0);
    EXPECT_EQ(run("show --page A --day 1").out, "monday\n");
    EXPECT_EQ(run("show --page A --day 5").out, "friday\n");
    // The same file again updates the row; no second row anywhere.
    ASSERT_EQ(run("put --date 2013-01-05 '" + file("n.txt", "one") + "'").status, 0);
    ASSERT_EQ(run("put --date 2013-01-05 '" + file("n.txt", "two") + "'").status, 0);
    EXPECT_EQ(RawDb(db()).count("UserCon"), 1);
    EXPECT_EQ(run("show --date 2013-01-05").out, "two\n");
}

// A day another program wrote (a picture, a table, indents) survives a put of another day byte
// for byte: only the day put is written.
TEST_F(CliNotes, PutOfADayLeavesAForeignDayByteForByte) {
    const std::string foreign = testing::ForeignDay();
    {
        sqlite3* h = nullptr;
        sqlite3_open(db().c_str(), &h);
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(h, "UPDATE tb_D SET MondayCon = ?1, SaturdayCon = ?1", -1, &st, nullptr);
        sqlite3_bind_blob(st, 1, foreign.data(), static_cast<int>(foreign.size()), SQLITE_STATIC);
        ASSERT_EQ(sqlite3_step(st), SQLITE_DONE);
        sqlite3_finalize(st);
        sqlite3_close(h);
    }
    const CliRun r = run("put --page D --day 3 '" + file("w.txt", "wednesday") + "'");
    ASSERT_EQ(r.status, 0) << r.err;
    RawDb raw(db());
    EXPECT_EQ(raw.scalar("SELECT MondayCon FROM tb_D"), foreign);
    EXPECT_EQ(raw.scalar("SELECT SaturdayCon FROM tb_D"), foreign);
    EXPECT_EQ(raw.scalar("SELECT TuesdayCon FROM tb_D"), "");
    EXPECT_EQ(run("show --page D --day 3").out, "wednesday\n");
}

TEST_F(CliNotes, ListAndExport) {
    ASSERT_EQ(run("put --page B --day 2 '" + file("a.txt", "a\nb") + "'").status, 0);
    ASSERT_EQ(run("put --page E --day 6 '" + file("b.txt", "weekend") + "'").status, 0);
    ASSERT_EQ(run("put --date 2014-03-09 '" + file("c.txt", "日记") + "'").status, 0);
    ASSERT_EQ(run("put --date 2013-01-05 '" + file("d.txt", "") + "'").status, 0); // no text: not listed
    const CliRun list = run("list");
    EXPECT_EQ(list.status, 0);
    EXPECT_EQ(list.out, "page B day 2 (Tuesday): 2 lines\n"
                        "page E day 6 (Saturday-Sunday): 1 line\n"
                        "date 2014-03-09: 1 line\n");

    const auto out = dir.root() / "backup" / "notes";
    ASSERT_EQ(run("export '" + out.string() + "'").status, 0);
    EXPECT_EQ(read(out / "B-2-Tuesday.txt"), "a\nb\n");
    EXPECT_EQ(read(out / "E-6-Saturday-Sunday.txt"), "weekend\n");
    EXPECT_EQ(read(out / "2014-03-09.txt"), "日记\n");
    EXPECT_EQ(rtf::PlainText(rtf::ReadRtf(read(out / "2014-03-09.rtf"))), "日记");
    EXPECT_EQ(read(out / "2014-03-09.rtf"),
              RawDb(db()).scalar("SELECT data FROM UserCon WHERE conIndex='20140309'"));
    EXPECT_FALSE(std::filesystem::exists(out / "2013-01-05.txt"));
}

TEST_F(CliNotes, BadInputChangesNothing) {
    const std::string good = file("good.txt", "text");
    const std::string binary = file("pic.bin", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16));
    const std::string notGbk = file("bad.txt", "\xff\xfe\xff");
    const std::string before = read(db());
    struct Case {
        const char* name;
        std::string args;
        int status;
        const char* message;
    };
    const Case cases[] = {
        {"BadDate", "put --date 2014-02-30 '" + good + "'", 1, "bad date"},
        {"DateNotPadded", "show --date 2014-3-9", 1, "bad date"},
        {"UnknownPage", "put --page F --day 1 '" + good + "'", 1, "unknown page"},
        {"UnknownDay", "show --page A --day 7", 1, "unknown day"},
        {"BothTargets", "show --date 2014-03-09 --page A --day 1", 1, "either"},
        {"BinaryFile", "put --date 2014-03-09 '" + binary + "'", 1, "neither RTF nor text"},
        {"NotText", "put --date 2014-03-09 '" + notGbk + "'", 1, "neither RTF nor text"},
        {"MissingFile", "put --date 2014-03-09 '" + (dir.root() / "none.txt").string() + "'", 1,
         "cannot read"},
        {"NoNote", "show --date 2014-03-09", 1, "no note"},
        {"ExportOntoAFile", "export '" + good + "'", 1, "not a folder"},
        {"UnknownAction", "erase", 2, "unknown action"},
        {"RtfWithPut", "put --rtf --date 2014-03-09 '" + good + "'", 2, "--rtf"},
    };
    for (const auto& c : cases) {
        const CliRun r = run(c.args);
        EXPECT_EQ(r.status, c.status) << c.name;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << c.name << ": " << r.err;
        EXPECT_EQ(r.out, "") << c.name;
    }
    EXPECT_EQ(read(db()), before);
    EXPECT_EQ(read(good), "text");
}

TEST_F(CliNotes, NoDatabase) {
    std::filesystem::remove(db());
    for (const char* args : {"list", "show --page A --day 1", "export out"}) {
        const CliRun r = run(args);
        EXPECT_EQ(r.status, 1) << args;
        EXPECT_NE(r.err.find("no notes database"), std::string::npos) << r.err;
    }
    EXPECT_EQ(run("put --date 2014-03-09 '" + file("x.txt", "x") + "'").status, 1);
    EXPECT_FALSE(std::filesystem::exists(db()));
    EXPECT_FALSE(std::filesystem::exists(dir.root() / "out"));
}

// Another program holds the write lock longer than the command waits: the command says so and
// the note is not stored.
TEST_F(CliNotes, LockedDatabase) {
    RawDb other(db());
    ASSERT_EQ(other.exec("BEGIN IMMEDIATE"), SQLITE_OK);
    const auto start = std::chrono::steady_clock::now();
    const CliRun r = run("put --date 2014-03-09 '" + file("x.txt", "x") + "'");
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::seconds(4));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("locked"), std::string::npos) << r.err;
    other.exec("ROLLBACK");
    EXPECT_EQ(RawDb(db()).count("UserCon"), 0);
}

} // namespace
} // namespace nodo
