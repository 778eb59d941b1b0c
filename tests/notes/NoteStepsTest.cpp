#include "ForeignRtf.h"
#include "NotesDbFixture.h"
#include "RtfEscapes.h"

#include "notes/NoteSteps.h"
#include "notes/rtf/RtfWriter.h"
#include "platform/sqlite/SqliteDatabase.h"

namespace nodo {
namespace {

using rtf::CharFormat;
using rtf::Document;
using testing::RawDb;

Document Formatted(const std::string& text, int variant) {
    CharFormat f;
    f.bold = variant % 2 == 0;
    f.italic = variant % 3 == 0;
    f.underline = variant == 1;
    f.strike = variant == 5;
    f.color = rtf::Rgb{static_cast<std::uint8_t>(40 * variant), 0, 128};
    f.font = variant % 2 ? "宋体" : "Arial";
    f.charset = variant % 2 ? rtf::kGb2312Charset : rtf::kAnsiCharset;
    f.halfPoints = 20 + 2 * variant;
    Document d;
    d.paragraphs.push_back({rtf::Align::Center, {{text, f}, {" 普通", {}}}});
    d.paragraphs.push_back({rtf::Align::Right, {{"第二段", {}}}});
    return rtf::Normalized(d);
}

class Steps : public testing::NotesDb {
protected:
    void SetUp() override {
        NotesDb::SetUp();
        db = std::make_unique<SqliteDatabase>(dbPath());
        dm = std::make_unique<TDM>(*db);
        for (std::size_t d = 0; d < kDayCount; ++d)
            editors[d] = &days[d];
    }
    void fill(const std::string& prefix) {
        for (std::size_t d = 0; d < kDayCount; ++d)
            days[d].setDocument(Formatted(prefix + std::to_string(d + 1), static_cast<int>(d)));
    }
    std::string dayText(std::size_t d) const { return rtf::PlainText(days[d].document(), "\n"); }

    std::unique_ptr<SqliteDatabase> db;
    std::unique_ptr<TDM> dm;
    std::array<DocumentEdit, kDayCount> days;
    DayEditors editors{};
    DocumentEdit rdtAbc;
};

TEST(Statements, AreSentExactlyAsWritten) {
    EXPECT_EQ(LoadPageStatement(1), " select * from tb_A where ID = 1 ");
    EXPECT_EQ(LoadPageStatement(5), " select * from tb_E where ID = 1 ");
    EXPECT_EQ(LoadPageStatement(0), " select * from  where ID = 1 ");
    EXPECT_EQ(SavePageStatement(1), " select * from   tb_A  where ID = 1");
    EXPECT_EQ(SavePageStatement(3), " select * from   tb_C  where ID = 1");
    EXPECT_EQ(SavePageStatement(6), " select * from   where ID = 1");
    EXPECT_EQ(LoadNoteStatement({2013, 1, 5}), " select * from UserCon  where conIndex = '20130105'");
    EXPECT_EQ(SaveNoteStatement({2013, 1, 5}), " select * from  UserCon  where conIndex = '20130105'");
    EXPECT_EQ(DateKey({2014, 3, 9}), "20140309");
    EXPECT_EQ(DateKey({987, 12, 31}), "09871231");
    EXPECT_EQ(QuotedStr("it's"), "'it''s'");
}

TEST_F(Steps, FirstSaveOfPageBComesBackWithItsFormatting) {
    fill("B");
    const auto saved = days;
    const StepResult r = SavePage(*dm, 2, editors);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_TRUE(r.written);
    for (auto& d : days)
        d.setDocument({});
    ASSERT_TRUE(LoadPage(*dm, 2, editors).ok);
    for (std::size_t d = 0; d < kDayCount; ++d)
        EXPECT_EQ(days[d].document(), saved[d].document()) << d;
    // Each column holds its own editor, as RTF.
    RawDb raw(dbPath());
    EXPECT_EQ(raw.scalar("SELECT TuesdayCon FROM tb_B"), saved[1].streamOut());
    EXPECT_EQ(raw.scalar("SELECT substr(SaturdayCon, 1, 6) FROM tb_B"), "{\\rtf1");
    EXPECT_EQ(raw.count("tb_A", "MondayCon = x''"), 1); // other pages untouched
}

TEST_F(Steps, PagesAreKeptApart) {
    for (int page = 1; page <= kPageCount; ++page) {
        fill("page" + std::to_string(page) + "-");
        ASSERT_TRUE(SavePage(*dm, page, editors).written);
    }
    for (int page : {3, 1, 5}) {
        ASSERT_TRUE(LoadPage(*dm, page, editors).ok);
        EXPECT_EQ(dayText(0), "page" + std::to_string(page) + "-1 普通\n第二段");
        EXPECT_EQ(dayText(5), "page" + std::to_string(page) + "-6 普通\n第二段");
    }
}

TEST_F(Steps, PagesOutsideOneToFive) {
    fill("keep");
    const auto before = days;
    for (int page : {0, 6, -1}) {
        const StepResult load = LoadPage(*dm, page, editors);
        EXPECT_FALSE(load.ok) << page;
        EXPECT_FALSE(load.error.empty());
        for (std::size_t d = 0; d < kDayCount; ++d)
            EXPECT_EQ(days[d].document(), before[d].document());
        const StepResult save = SavePage(*dm, page, editors);
        EXPECT_FALSE(save.ok);
        EXPECT_FALSE(save.written);
    }
    RawDb raw(dbPath());
    for (const char* t : {"tb_A", "tb_B", "tb_C", "tb_D", "tb_E"})
        EXPECT_EQ(raw.count(t, "MondayCon = x''"), 1);
}

TEST_F(Steps, PageWithoutItsRow) {
    RawDb(dbPath()).exec("DELETE FROM tb_D");
    fill("x");
    const StepResult save = SavePage(*dm, 4, editors);
    EXPECT_TRUE(save.ok);
    EXPECT_FALSE(save.written);
    EXPECT_EQ(RawDb(dbPath()).count("tb_D"), 0);
    ASSERT_TRUE(LoadPage(*dm, 4, editors).ok); // no message: the editors are emptied
    for (std::size_t d = 0; d < kDayCount; ++d)
        EXPECT_EQ(dayText(d), "");
}

TEST_F(Steps, OneNoteRowPerDateThenUpdates) {
    const NoteDate date{2014, 3, 9};
    rdtAbc.setDocument(rtf::SingleRun("第一次"));
    ASSERT_TRUE(SaveNote(*dm, date, rdtAbc).written);
    rdtAbc.setDocument(rtf::SingleRun("第二次"));
    ASSERT_TRUE(SaveNote(*dm, date, rdtAbc).written);
    RawDb raw(dbPath());
    EXPECT_EQ(raw.count("UserCon"), 1);
    EXPECT_EQ(raw.scalar("SELECT conIndex FROM UserCon"), "20140309");

    rdtAbc.setDocument({});
    ASSERT_TRUE(LoadNote(*dm, date, rdtAbc).ok);
    EXPECT_EQ(rtf::PlainText(rdtAbc.document()), "第二次");

    // Another date gets its own row; a date without one loads an empty editor.
    rdtAbc.setDocument(rtf::SingleRun("another"));
    ASSERT_TRUE(SaveNote(*dm, {2014, 3, 10}, rdtAbc).written);
    EXPECT_EQ(raw.count("UserCon"), 2);
    ASSERT_TRUE(LoadNote(*dm, {2020, 1, 1}, rdtAbc).ok);
    EXPECT_EQ(rtf::PlainText(rdtAbc.document()), "");
}

TEST_F(Steps, NoDatabaseFile) {
    std::filesystem::remove(dbPath());
    fill("x");
    const auto before = days;
    EXPECT_FALSE(LoadPage(*dm, 1, editors).ok);
    EXPECT_EQ(days[0].document(), before[0].document());
    EXPECT_FALSE(SavePage(*dm, 1, editors).written);
    rdtAbc.setDocument(rtf::SingleRun("kept"));
    EXPECT_FALSE(LoadNote(*dm, {2013, 1, 5}, rdtAbc).ok);
    EXPECT_EQ(rtf::PlainText(rdtAbc.document()), "kept");
    EXPECT_FALSE(SaveNote(*dm, {2013, 1, 5}, rdtAbc).written);
    EXPECT_FALSE(std::filesystem::exists(dbPath()));
}

// Blobs written by other programs: classic rich-edit RTF with GBK bytes, plain GBK text, nothing.
TEST_F(Steps, BlobsFromElsewhere) {
    const std::string richEdit = "{\\rtf1\\ansi\\ansicpg936\\deff0{\\fonttbl{\\f0\\fnil\\fcharset134 " +
                                 testing::HexEscaped("宋体") + ";}}\\viewkind4\\uc1\\pard\\f0\\fs18 " +
                                 testing::HexEscaped("买菜") + "\\par\r\n" + testing::HexEscaped("交电费") +
                                 "\\par}";
    RawDb raw(dbPath());
    sqlite3* handle = nullptr;
    sqlite3_open(dbPath().c_str(), &handle);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(handle, "UPDATE tb_A SET MondayCon = ?1, TuesdayCon = ?2, WednesdayCon = x''", -1, &st,
                       nullptr);
    const std::string gbk = testing::Encode("纯文本\r\n第二行", "GBK");
    sqlite3_bind_blob(st, 1, richEdit.data(), static_cast<int>(richEdit.size()), SQLITE_STATIC);
    sqlite3_bind_blob(st, 2, gbk.data(), static_cast<int>(gbk.size()), SQLITE_STATIC);
    ASSERT_EQ(sqlite3_step(st), SQLITE_DONE);
    sqlite3_finalize(st);
    sqlite3_close(handle);

    fill("old");
    ASSERT_TRUE(LoadPage(*dm, 1, editors).ok);
    EXPECT_EQ(dayText(0), "买菜\n交电费");
    EXPECT_EQ(days[0].document().paragraphs[0].runs[0].format.halfPoints, 18);
    EXPECT_EQ(dayText(1), "纯文本\n第二行");
    EXPECT_EQ(dayText(2), "");
}

} // namespace
} // namespace nodo

namespace nodo {
namespace {

// A save of some days writes their columns and leaves the others byte for byte, also when an
// editor here would not keep what is in them; no editor is needed for a day not saved.
TEST_F(Steps, SavingSomeDaysLeavesTheOthersByteForByte) {
    const std::string foreign = testing::ForeignDay();
    RawDb raw(dbPath());
    sqlite3* h = nullptr;
    sqlite3_open(dbPath().c_str(), &h);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(h, "UPDATE tb_C SET MondayCon = ?1, TuesdayCon = ?1, SaturdayCon = ?1", -1, &st,
                       nullptr);
    sqlite3_bind_blob(st, 1, foreign.data(), static_cast<int>(foreign.size()), SQLITE_STATIC);
    ASSERT_EQ(sqlite3_step(st), SQLITE_DONE);
    sqlite3_finalize(st);
    sqlite3_close(h);

    struct Case {
        DaySet days;
        std::vector<const char*> written, kept;
    };
    const Case cases[] = {
        {DaySet().set(1), {"TuesdayCon"}, {"MondayCon", "SaturdayCon"}},
        {DaySet().set(2).set(4), {"WednesdayCon", "FridayCon"}, {"MondayCon", "SaturdayCon"}},
        {DaySet(), {}, {"MondayCon", "SaturdayCon"}},
    };
    for (const Case& c : cases) {
        fill("saved");
        DayEditors only{};
        for (std::size_t d = 0; d < kDayCount; ++d)
            if (c.days[d]) only[d] = editors[d];
        const StepResult r = SavePage(*dm, 3, only, c.days);
        ASSERT_TRUE(r.ok) << r.error;
        for (const char* column : c.kept)
            EXPECT_EQ(raw.scalar(std::string("SELECT ") + column + " FROM tb_C"), foreign) << column;
        for (const char* column : c.written)
            EXPECT_NE(raw.scalar(std::string("SELECT ") + column + " FROM tb_C").find("saved"),
                      std::string::npos)
                << column;
    }
}

} // namespace
} // namespace nodo
