#include "NotesDbFixture.h"

#include "platform/sqlite/SqliteDatabase.h"

#include <chrono>
#include <thread>

namespace nodo {
namespace {

using namespace std::chrono_literals;
using testing::NotesDb;
using testing::RawDb;

class SqliteSeam : public NotesDb {
protected:
    std::unique_ptr<Query> openQuery(Database& db, const std::string& sql) {
        auto q = db.createQuery();
        q->clearSql();
        q->addSql(sql);
        q->open();
        return q;
    }
};

TEST_F(SqliteSeam, MissingFileIsNoConnectionAndCreatesNothing) {
    const std::string missing = (dir.root() / "none.db").string();
    SqliteDatabase db(missing);
    auto q = db.createQuery();
    q->addSql("select * from tb_A");
    EXPECT_THROW(q->open(), DatabaseError);
    EXPECT_FALSE(q->isOpen());
    EXPECT_FALSE(std::filesystem::exists(missing));
    // The file that appears later is used by the next statement.
    std::filesystem::copy_file(dbPath(), missing);
    EXPECT_NO_THROW(q->open());
    EXPECT_EQ(q->recordCount(), 1);
}

TEST_F(SqliteSeam, InstalledTablesAndRows) {
    SqliteDatabase db(dbPath());
    for (const char* table : {"tb_A", "tb_B", "tb_C", "tb_D", "tb_E"}) {
        auto q = openQuery(db, std::string(" select * from ") + table + " where ID = 1 ");
        ASSERT_EQ(q->recordCount(), 1) << table;
        for (const char* day : {"MondayCon", "tuesdaycon", "SATURDAYCON"})
            EXPECT_EQ(q->blobField(day), "") << day;
        EXPECT_EQ(q->textField("ID"), "1");
    }
    EXPECT_EQ(openQuery(db, "select * from UserCon")->recordCount(), 0);
    EXPECT_EQ(RawDb(dbPath()).scalar("PRAGMA journal_mode"), "wal");
}

TEST_F(SqliteSeam, EditAndAppendArePostedToTheFile) {
    const std::string binary("a\0b\xff{\\rtf", 9);
    {
        SqliteDatabase db(dbPath());
        auto q = openQuery(db, " select * from   tb_B  where ID = 1");
        q->edit();
        q->setBlob("TuesdayCon", binary);
        q->setBlob("FridayCon", "");
        q->post();
        EXPECT_EQ(q->blobField("TuesdayCon"), binary); // the result shows what was written

        auto n = openQuery(db, " select * from  UserCon  where conIndex = '20140309'");
        ASSERT_EQ(n->recordCount(), 0);
        EXPECT_TRUE(n->eof());
        n->append();
        n->setText("conIndex", "20140309");
        n->setBlob("data", "note");
        n->post();
        EXPECT_EQ(n->recordCount(), 1);
        EXPECT_EQ(n->blobField("data"), "note");
    }
    RawDb raw(dbPath());
    EXPECT_EQ(raw.scalar("SELECT TuesdayCon FROM tb_B"), binary);
    EXPECT_EQ(raw.scalar("SELECT typeof(FridayCon) FROM tb_B"), "blob");
    EXPECT_EQ(raw.scalar("SELECT typeof(conIndex) || data FROM UserCon"), "textnote");
    EXPECT_EQ(raw.count("tb_A", "MondayCon = x''"), 1);
}

TEST_F(SqliteSeam, MovingThroughRows) {
    RawDb(dbPath()).exec("INSERT INTO UserCon VALUES ('20130105', 'a'), ('20130106', 'b')");
    SqliteDatabase db(dbPath());
    auto q = openQuery(db, "select * from UserCon order by conIndex");
    std::string seen;
    for (q->first(); !q->eof(); q->next())
        seen += q->textField("conIndex") + "=" + q->blobField("data") + ";";
    EXPECT_EQ(seen, "20130105=a;20130106=b;");
    q->next();
    EXPECT_TRUE(q->eof());
}

TEST_F(SqliteSeam, MisuseAndBadStatementsThrow) {
    SqliteDatabase db(dbPath());
    struct Case {
        const char* name;
        std::function<void()> call;
    };
    auto q = db.createQuery();
    const Case cases[] = {
        {"PageWithoutTable", [&] { openQuery(db, " select * from  where ID = 1 "); }},
        {"SavePageWithoutTable", [&] { openQuery(db, " select * from   where ID = 1"); }},
        {"UnknownTable", [&] { openQuery(db, "select * from tb_F"); }},
        {"ReadClosed", [&] { q->recordCount(); }},
        {"UnknownColumn", [&] { openQuery(db, "select * from tb_A")->blobField("SundayCon"); }},
        {"ReadPastTheEnd", [&] { openQuery(db, "select * from UserCon")->blobField("data"); }},
        {"EditEmptyResult", [&] { openQuery(db, "select * from UserCon")->edit(); }},
        {"SetWithoutEdit", [&] { openQuery(db, "select * from tb_A")->setBlob("MondayCon", "x"); }},
        {"EditAComputedResult", [&] { openQuery(db, "select count(*) as n from tb_A")->edit(); }},
        {"EditAJoin", [&] { openQuery(db, "select * from tb_A, tb_B")->edit(); }},
    };
    for (const auto& c : cases)
        EXPECT_THROW(c.call(), DatabaseError) << c.name;
    RawDb raw(dbPath());
    EXPECT_EQ(raw.count("tb_A", "MondayCon = x''"), 1);
}

TEST_F(SqliteSeam, ClosingDropsAnUnpostedEdit) {
    SqliteDatabase db(dbPath());
    auto q = openQuery(db, "select * from tb_A where ID = 1");
    q->edit();
    q->setBlob("MondayCon", "lost");
    q->close();
    EXPECT_EQ(RawDb(dbPath()).scalar("SELECT MondayCon FROM tb_A"), "");
}

// A write lock held briefly by another process delays the post; held too long, the post fails
// and writes nothing.
TEST_F(SqliteSeam, PostWaitsForAnotherWriter) {
    SqliteDatabase db(dbPath(), 3s);
    auto q = openQuery(db, "select * from tb_C where ID = 1");
    RawDb other(dbPath());
    ASSERT_EQ(other.exec("BEGIN IMMEDIATE; UPDATE tb_C SET MondayCon = 'theirs'"), SQLITE_OK);
    std::thread release([&other] {
        std::this_thread::sleep_for(300ms);
        other.exec("COMMIT");
    });
    q->edit();
    q->setBlob("TuesdayCon", "ours");
    const auto start = std::chrono::steady_clock::now();
    EXPECT_NO_THROW(q->post());
    EXPECT_GE(std::chrono::steady_clock::now() - start, 200ms);
    release.join();
    RawDb raw(dbPath());
    EXPECT_EQ(raw.scalar("SELECT MondayCon || '+' || TuesdayCon FROM tb_C"), "theirs+ours");
}

TEST_F(SqliteSeam, PostGivesUpOnALongLock) {
    SqliteDatabase db(dbPath(), 100ms);
    auto q = openQuery(db, "select * from tb_C where ID = 1");
    RawDb other(dbPath());
    ASSERT_EQ(other.exec("BEGIN IMMEDIATE"), SQLITE_OK);
    q->edit();
    q->setBlob("MondayCon", "ours");
    EXPECT_THROW(q->post(), DatabaseError);
    other.exec("COMMIT");
    EXPECT_EQ(RawDb(dbPath()).scalar("SELECT MondayCon FROM tb_C"), "");
    // The query is usable again afterwards.
    q->open();
    q->edit();
    q->setBlob("MondayCon", "later");
    EXPECT_NO_THROW(q->post());
}

// The connection keeps the statements it has compiled; what they read follows the tables as
// they are now, changed by another program in between or not.
TEST_F(SqliteSeam, KeptStatementsFollowChangedTables) {
    SqliteDatabase db(dbPath());
    const std::string sql = "select * from UserCon where conIndex = '20150101'";
    auto q = openQuery(db, sql);
    ASSERT_EQ(q->recordCount(), 0);
    RawDb raw(dbPath());
    ASSERT_EQ(raw.exec("ALTER TABLE UserCon ADD COLUMN extra TEXT DEFAULT 'x';"
                       "INSERT INTO UserCon (conIndex, data) VALUES ('20150101', 'one')"),
              SQLITE_OK);
    q->open();
    ASSERT_EQ(q->recordCount(), 1);
    EXPECT_EQ(q->blobField("data"), "one");
    EXPECT_EQ(q->textField("extra"), "x");

    // A column before the one written goes: the edit still lands in its own column.
    ASSERT_EQ(raw.exec("CREATE TABLE t2 AS SELECT extra, conIndex, data FROM UserCon; DROP TABLE UserCon;"
                       "ALTER TABLE t2 RENAME TO UserCon"),
              SQLITE_OK);
    q->open();
    ASSERT_EQ(q->recordCount(), 1);
    EXPECT_EQ(q->blobField("data"), "one");
    q->edit();
    q->setBlob("data", "two");
    q->post();
    EXPECT_EQ(raw.scalar("SELECT extra || '+' || data FROM UserCon"), "x+two");
    ASSERT_EQ(raw.exec("ALTER TABLE UserCon DROP COLUMN extra"), SQLITE_OK);
    q->open();
    EXPECT_THROW(q->textField("extra"), DatabaseError);
    EXPECT_EQ(q->blobField("data"), "two");
}

// More statements than the connection keeps, each used again after others pushed it out.
TEST_F(SqliteSeam, ManyStatementsOnOneConnection) {
    SqliteDatabase db(dbPath());
    const auto key = [](int i) { return "201601" + std::to_string(10 + i); };
    for (int round = 0; round < 2; ++round)
        for (int i = 0; i < 40; ++i) {
            auto q = openQuery(db, "select * from UserCon where conIndex = '" + key(i) + "'");
            if (round == 0) {
                ASSERT_EQ(q->recordCount(), 0) << i;
                q->append();
                q->setText("conIndex", key(i));
                q->setBlob("data", "note " + std::to_string(i));
                q->post();
            } else {
                ASSERT_EQ(q->recordCount(), 1) << i;
                EXPECT_EQ(q->blobField("data"), "note " + std::to_string(i));
                q->edit();
                q->setBlob("data", "again " + std::to_string(i));
                q->post();
            }
        }
    RawDb raw(dbPath());
    EXPECT_EQ(raw.count("UserCon"), 40);
    EXPECT_EQ(
        raw.count("UserCon", "CAST(data AS TEXT) = 'again ' || (CAST(substr(conIndex, 7) AS INT) - 10)"), 40);
}

TEST_F(SqliteSeam, NotADatabase) {
    const auto path = dir.root() / "text.db";
    std::FILE* f = std::fopen(path.c_str(), "wb");
    std::fputs("this is not a database file, just some text that is long enough to be read", f);
    std::fclose(f);
    SqliteDatabase db(path.string());
    EXPECT_THROW(openQuery(db, "select * from tb_A"), DatabaseError);
}

TEST_F(NotesDb, InstallationNeverReplacesTheDatabase) {
    RawDb(dbPath()).exec("UPDATE tb_A SET MondayCon = 'kept'");
    EXPECT_FALSE(CreateNotesDatabase(dbPath()));
    EXPECT_EQ(RawDb(dbPath()).scalar("SELECT MondayCon FROM tb_A"), "kept");
    // Nothing is left beside it.
    int files = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir.root()))
        files += e.path().filename().string().find(".new-") != std::string::npos;
    EXPECT_EQ(files, 0);
    // A folder that does not exist yet is made.
    EXPECT_TRUE(CreateNotesDatabase((dir.root() / "a" / "data" / "notes.db").string()));
}

} // namespace
} // namespace nodo
