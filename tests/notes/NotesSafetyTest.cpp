// The board and the note never lose a word: what is left unedited is not written back, clearing
// touches only the page shown, a save that fails keeps the edits and says so once, a load that
// fails says so once per attempt of the user's.
#include "DatabaseFaults.h"
#include "ForeignRtf.h"
#include "NotesWindowFixture.h"

#include <QTimer>

#include <chrono>
#include <filesystem>

namespace nodo {
namespace {

using testing::DatabaseFault;
using testing::Fault;

const QString kSaveFailed = QStringLiteral("保存记事内容失败！");
const QString kLoadFailed = QStringLiteral("加载记事内容失败！");

class Safety : public Notes {
protected:
    void storeRaw(const std::string& sql, const std::string& blob) {
        sqlite3* h = nullptr;
        sqlite3_open(dbPath().c_str(), &h);
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(h, sql.c_str(), -1, &st, nullptr);
        sqlite3_bind_blob(st, 1, blob.data(), static_cast<int>(blob.size()), SQLITE_STATIC);
        ASSERT_EQ(sqlite3_step(st), SQLITE_DONE);
        sqlite3_finalize(st);
        sqlite3_close(h);
    }
    // A modal box as the real one behaves: it takes the focus, and closing it gives the focus back
    // to the editor that had it, as the window becomes active again.
    void boxesTakeTheFocus() {
        tp.messages.onShow = [this] {
            QWidget* had = QApplication::focusWidget();
            elsewhere->setFocus(Qt::ActiveWindowFocusReason);
            if (had) QTimer::singleShot(0, had, [had] { had->setFocus(Qt::ActiveWindowFocusReason); });
        };
    }
    static void Settle() {
        for (int i = 0; i < 30; ++i)
            QCoreApplication::processEvents();
    }
};

TEST_F(Safety, DaysAndNotesLeftUneditedAreNotWrittenBack) {
    const std::string foreign = testing::ForeignDay();
    storeRaw("UPDATE tb_B SET MondayCon = ?1, WednesdayCon = ?1 WHERE ID = 1", foreign);
    storeRaw("INSERT INTO UserCon (conIndex, data) VALUES ('20140309', ?1)", foreign);
    Focus(board->redt[0]); // loads page B
    ASSERT_EQ(board->shownPage(), 2);
    Focus(board->redt[1]);
    QTest::keyClicks(board->redt[1], "edited");
    Focus(board->redt[2]);
    Focus(elsewhere);
    board->PageButtonClick(3);
    EXPECT_EQ(stored('B', "MondayCon"), foreign);
    EXPECT_EQ(stored('B', "WednesdayCon"), foreign);
    EXPECT_NE(stored('B', "TuesdayCon").find("edited"), std::string::npos);
    // The dated note: loaded, left, its letters pressed, the date changed.
    Focus(note->rdtAbc);
    Focus(elsewhere);
    note->LetterButtonClick(2);
    date = QDate(2014, 3, 10);
    note->chnRiliChange();
    EXPECT_EQ(storedNote("20140309"), foreign);
    EXPECT_EQ(raw().count("UserCon"), 1) << "an untouched empty note adds no row";
    // Once edited, the note is stored.
    Focus(note->rdtAbc);
    QTest::keyClicks(note->rdtAbc, "new");
    Focus(elsewhere);
    EXPECT_NE(storedNote("20140310").find("new"), std::string::npos);
    EXPECT_TRUE(tp.messages.shown.empty());
}

TEST_F(Safety, ClearWithNoPageShownEmptiesNothingStored) {
    raw().exec("UPDATE tb_B SET MondayCon = 'unseen' WHERE ID = 1");
    ASSERT_EQ(board->shownPage(), 0);
    board->btnClearConClick();
    EXPECT_EQ(stored('B', "MondayCon"), "unseen");
    EXPECT_EQ(board->shownPage(), 0);
    // With the page shown, clearing empties and stores it.
    board->PageButtonClick(2);
    board->btnClearConClick();
    EXPECT_EQ(stored('B', "MondayCon").find("unseen"), std::string::npos);
    EXPECT_TRUE(board->redt[0]->toPlainText().isEmpty());
}

// Each way a save can fail: the read-only file is read-only from the start (a connection opened
// for writing keeps writing), the others strike once the page and the note are loaded.
class FailedSave : public Safety, public ::testing::WithParamInterface<Fault> {
protected:
    std::unique_ptr<DatabaseFault> fault;
    // The program's connection waits only a moment for another writer, so a lock shows quickly.
    FailedSave() { busyTimeout = std::chrono::milliseconds(100); }
    void SetUp() override {
        Safety::SetUp();
        if (GetParam() == Fault::ReadOnly) strike();
    }
    void strike() {
        if (!fault) fault = std::make_unique<DatabaseFault>(GetParam(), dbPath());
        if (!fault->made()) GTEST_SKIP() << "cannot make the fault here";
    }
    void TearDown() override { fault.reset(); }
};

TEST_P(FailedSave, BoardKeepsItsEditsAndSaysSoOnce) {
    raw().exec("UPDATE tb_C SET MondayCon = 'page C' WHERE ID = 1");
    Focus(board->redt[1]);
    ASSERT_EQ(board->shownPage(), 2);
    strike();
    if (IsSkipped()) return;
    QTest::keyClicks(board->redt[1], "keep me");
    Focus(board->redt[2]); // leaving Tuesday: the save fails
    EXPECT_EQ(tp.messages.texts(), QStringList{kSaveFailed});
    Focus(board->redt[1]);
    Focus(elsewhere); // fails again, quietly
    EXPECT_EQ(tp.messages.texts(), QStringList{kSaveFailed});
    // A page button loads nothing over the edits, and the user pressing it hears why.
    board->PageButtonClick(3);
    EXPECT_EQ(board->shownPage(), 2);
    EXPECT_EQ(letterIndex, 2);
    EXPECT_EQ(board->redt[1]->toPlainText(), QStringLiteral("keep me"));
    EXPECT_EQ(tp.messages.texts(), (QStringList{kSaveFailed, kSaveFailed}));
    // Once the database takes writes again the next leave stores them.
    fault->clear();
    Focus(board->redt[1]);
    Focus(elsewhere);
    EXPECT_NE(stored('B', "TuesdayCon").find("keep me"), std::string::npos);
    board->PageButtonClick(3);
    EXPECT_EQ(board->redt[0]->toPlainText(), QStringLiteral("page C"));
    EXPECT_EQ(tp.messages.shown.size(), 2u);
}

TEST_P(FailedSave, NoteKeepsItsEditsAcrossDateAndFocusChanges) {
    raw().exec("INSERT INTO UserCon (conIndex, data) VALUES ('20140310', 'monday')");
    Focus(note->rdtAbc);
    ASSERT_EQ(note->loadedDate(), QDate(2014, 3, 9));
    strike();
    if (IsSkipped()) return;
    QTest::keyClicks(note->rdtAbc, "sunday note");
    Focus(elsewhere);
    EXPECT_EQ(tp.messages.texts(), QStringList{kSaveFailed});
    date = QDate(2014, 3, 10);
    note->chnRiliChange();
    Focus(note->rdtAbc);
    Focus(elsewhere);
    EXPECT_EQ(note->rdtAbc->toPlainText(), QStringLiteral("sunday note"));
    EXPECT_EQ(note->loadedDate(), QDate(2014, 3, 9));
    EXPECT_EQ(tp.messages.texts(), QStringList{kSaveFailed});
    fault->clear();
    Focus(note->rdtAbc); // the old date's note is stored first, then the new date's shown
    EXPECT_NE(storedNote("20140309").find("sunday note"), std::string::npos);
    EXPECT_EQ(note->rdtAbc->toPlainText(), QStringLiteral("monday"));
    EXPECT_EQ(storedNote("20140310"), "monday");
}

INSTANTIATE_TEST_SUITE_P(Faults, FailedSave,
                         ::testing::Values(Fault::Locked, Fault::ReadOnly, Fault::DiskFull),
                         [](const auto& info) { return std::string(testing::FaultName(info.param)); });

// The database missing: every load fails. Closing the box gives the focus back, which is no new
// attempt; the next editor the user clicks is.
TEST_F(Safety, AFailedLoadSaysSoOncePerAttempt) {
    const std::string away = dbPath() + ".away";
    std::filesystem::rename(dbPath(), away);
    boxesTakeTheFocus();
    Focus(board->redt[0]);
    Settle();
    EXPECT_EQ(tp.messages.texts(), QStringList{kLoadFailed});
    // Nothing typed where it could not be stored.
    QTest::keyClicks(board->redt[0], "lost");
    EXPECT_TRUE(board->redt[0]->toPlainText().isEmpty());
    Focus(board->redt[3]);
    Settle();
    EXPECT_EQ(tp.messages.texts(), (QStringList{kLoadFailed, kLoadFailed}));

    Focus(note->rdtAbc);
    Settle();
    EXPECT_EQ(tp.messages.shown.size(), 3u);
    EXPECT_FALSE(note->loadedDate());

    // Back again: the next attempt loads, and the editors take typing.
    std::filesystem::rename(away, dbPath());
    raw().exec("UPDATE tb_B SET FridayCon = 'friday' WHERE ID = 1");
    Focus(board->redt[4]);
    EXPECT_EQ(board->shownPage(), 2);
    EXPECT_EQ(board->redt[4]->toPlainText(), QStringLiteral("friday"));
    QTest::keyClicks(board->redt[0], "typed");
    EXPECT_EQ(board->redt[0]->toPlainText(), QStringLiteral("typed"));
    EXPECT_EQ(tp.messages.shown.size(), 3u);
}

} // namespace
} // namespace nodo
