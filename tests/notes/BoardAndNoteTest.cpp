// The memo board and the dated note as the window holds them, over a real notes database file.
#include "NotesWindowFixture.h"

#include "notes/qt/DatedNote.h"
#include "notes/qt/MemoBoard.h"
#include "notes/qt/NoteEdit.h"
#include "notes/uDM.h"
#include "platform/sqlite/SqliteDatabase.h"
#include "support/fakes/Fakes.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTextCharFormat>
#include <QTextCursor>

#include <filesystem>
#include <fstream>

namespace nodo {
namespace {

// --- the memo board ---

TEST_F(Notes, LeavingTuesdaysEditorStoresItAtOnce) {
    Focus(board->redt[1]);
    QTest::keyClicks(board->redt[1], "buy rice");
    EXPECT_EQ(board->shownPage(), 2);
    Focus(board->redt[2]);
    EXPECT_NE(stored('B', "TuesdayCon").find("buy rice"), std::string::npos);
    EXPECT_EQ(stored('A', "TuesdayCon"), "");
    EXPECT_TRUE(tp.messages.shown.empty());
}

TEST_F(Notes, PagesKeepTheirTextAndFormattingAcrossSwitches) {
    board->PageButtonClick(1);
    Focus(board->redt[0]);
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    board->redt[0]->textCursor().insertText(QStringLiteral("周一开会"), bold);
    board->PageButtonClick(3);
    EXPECT_EQ(letterIndex, 3);
    EXPECT_TRUE(board->redt[0]->toPlainText().isEmpty());
    EXPECT_EQ(board->pageButtons[2]->palette().color(QPalette::ButtonText), QColor(255, 0, 0));
    EXPECT_EQ(board->pageButtons[0]->palette().color(QPalette::ButtonText), QColor(0, 0, 0));
    board->PageButtonClick(1);
    EXPECT_EQ(board->redt[0]->toPlainText(), QStringLiteral("周一开会"));
    QTextCursor c(board->redt[0]->document());
    c.movePosition(QTextCursor::NextCharacter);
    EXPECT_EQ(c.charFormat().fontWeight(), QFont::Bold);
    // The button of the page shown saves and loads it again: nothing lost.
    board->PageButtonClick(1);
    EXPECT_EQ(board->redt[0]->toPlainText(), QStringLiteral("周一开会"));
}

// The dated note's letters move the remembered index; the board still saves into the page it shows.
TEST_F(Notes, SavesGoToThePageShownWhateverTheLettersDid) {
    raw().exec("UPDATE tb_C SET MondayCon = 'kept' WHERE ID = 1");
    board->PageButtonClick(2);
    note->LetterButtonClick(3);
    EXPECT_EQ(letterIndex, 3);
    Focus(board->redt[0]);
    QTest::keyClicks(board->redt[0], "for B");
    Focus(elsewhere);
    EXPECT_NE(stored('B', "MondayCon").find("for B"), std::string::npos);
    EXPECT_EQ(stored('C', "MondayCon"), "kept");
}

// Before any page is loaded, leaving an editor stores nothing over the remembered page.
TEST_F(Notes, NothingIsSavedOverAPageThatWasNotLoaded) {
    raw().exec("UPDATE tb_B SET FridayCon = 'stored' WHERE ID = 1");
    board->redt1Exit();
    EXPECT_EQ(stored('B', "FridayCon"), "stored");
    // Entering an editor loads the page first, so its text is what is stored.
    Focus(board->redt[4]);
    EXPECT_EQ(board->redt[4]->toPlainText(), QStringLiteral("stored"));
}

TEST_F(Notes, ClearEmptiesAndStoresTheCurrentPageOnly) {
    raw().exec("UPDATE tb_B SET MondayCon = 'b1', SaturdayCon = 'b6' WHERE ID = 1");
    raw().exec("UPDATE tb_D SET MondayCon = 'd1' WHERE ID = 1");
    board->PageButtonClick(2);
    EXPECT_EQ(board->redt[5]->toPlainText(), QStringLiteral("b6"));
    board->btnClearConClick();
    for (TNoteEdit* e : board->redt)
        EXPECT_TRUE(e->toPlainText().isEmpty());
    EXPECT_EQ(stored('B', "MondayCon").find("b1"), std::string::npos);
    EXPECT_EQ(stored('B', "SaturdayCon").find("b6"), std::string::npos);
    EXPECT_EQ(stored('D', "MondayCon"), "d1");
}

TEST(MemoBoardExport, ProposedNames) {
    for (const auto& [index, name] : std::initializer_list<std::pair<int, const char16_t*>>{
             {1, u"A备忘录"}, {3, u"C备忘录"}, {5, u"E备忘录"}, {0, u"备忘录"}, {6, u"备忘录"}})
        EXPECT_EQ(MemoBoard::ExportName(index), QString::fromUtf16(name)) << index;
}

TEST_F(Notes, ExportWritesTheNoteWithTxtAlwaysAppended) {
    letterIndex = 3;
    note->rdtAbc->setPlainText(QStringLiteral("第一行\n第二行"));
    const std::filesystem::path chosen = dir.root() / "x.txt";
    tp.dialogs.saveAnswers.push_back(QString::fromStdString(chosen.string()));
    board->N_OutPutConClick();
    ASSERT_EQ(tp.dialogs.proposedNames, QStringList{QStringLiteral("C备忘录")});
    std::ifstream in(chosen.string() + ".txt", std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(text, "第一行\r\n第二行\r\n");
    EXPECT_FALSE(std::filesystem::exists(chosen));
    // Cancelled: nothing written.
    const auto files = [&] { return std::distance(std::filesystem::directory_iterator(dir.root()), {}); };
    const auto before = files();
    board->N_OutPutConClick();
    EXPECT_EQ(files(), before);
}

TEST_F(Notes, EditingMenuActsOnTheDatedNote) {
    note->rdtAbc->setPlainText(QStringLiteral("abc"));
    note->rdtAbc->moveCursor(QTextCursor::End);
    Focus(board->redt[0]);
    board->V1->trigger();
    EXPECT_EQ(note->rdtAbc->toPlainText(), QStringLiteral("abc√"));
    note->rdtAbc->selectAll();
    board->X1->trigger();
    EXPECT_EQ(note->rdtAbc->toPlainText(), QStringLiteral("×"));
    EXPECT_TRUE(board->redt[0]->toPlainText().isEmpty());
    board->CtrlZ1->trigger();
    EXPECT_EQ(note->rdtAbc->toPlainText(), QStringLiteral("abc√"));
    const QStringList captions = [&] {
        QStringList l;
        for (QAction* a : board->pmDeskTopMonCal->actions())
            l << (a->isSeparator() ? QStringLiteral("-") : a->text());
        return l;
    }();
    EXPECT_EQ(captions,
              (QStringList{"复制", "粘贴", "删除", "剪切", "-", "打V", "打X", "-", "撤销(Ctrl+Z)"}));
}

TEST_F(Notes, NoDatabaseSaysSoOnLoadAndSavesNothing) {
    make(nullptr);
    board->PageButtonClick(1);
    note->LetterButtonClick(1);
    EXPECT_EQ(tp.messages.texts(), (QStringList{"加载记事内容失败！", "加载记事内容失败！"}));
    board->redt[0]->setPlainText(QStringLiteral("x"));
    board->redt1Exit();
    note->rdtAbcExit();
    EXPECT_EQ(raw().count("UserCon"), 0);
    EXPECT_EQ(stored('A', "MondayCon"), "");
}

// --- the dated note ---

TEST_F(Notes, TodaysNoteIsOneRowThenUpdated) {
    Focus(note->rdtAbc);
    QTest::keyClicks(note->rdtAbc, "first");
    Focus(elsewhere);
    EXPECT_EQ(raw().count("UserCon", "conIndex = '20140309'"), 1);
    Focus(note->rdtAbc);
    QTest::keyClicks(note->rdtAbc, " more");
    Focus(elsewhere);
    EXPECT_EQ(raw().count("UserCon"), 1);
    EXPECT_NE(storedNote("20140309").find("first more"), std::string::npos) << storedNote("20140309");
}

TEST_F(Notes, LetterButtonsKeepTheNoteAndRecolour) {
    note->LetterButtonClick(1);
    note->rdtAbc->setPlainText(QStringLiteral("同一条"));
    note->LetterButtonClick(2);
    EXPECT_EQ(note->rdtAbc->toPlainText(), QStringLiteral("同一条"));
    EXPECT_EQ(note->rdtAbc->backgroundColour(), QColor(251, 240, 252));
    EXPECT_EQ(note->letterButtons[1]->palette().color(QPalette::ButtonText), QColor(0, 0, 255));
    EXPECT_EQ(note->letterButtons[0]->palette().color(QPalette::ButtonText), QColor(0, 0, 0));
    EXPECT_EQ(letterIndex, 2);
    // Another date without a note: an empty editor.
    date = QDate(2014, 3, 10);
    note->LetterButtonClick(3);
    EXPECT_TRUE(note->rdtAbc->toPlainText().isEmpty());
    EXPECT_EQ(note->rdtAbc->backgroundColour(), QColor(224, 255, 227));
}

// A new date on the calendar keeps the old date's note and shows the new one; nothing is ever
// stored under a date whose note the editor did not hold.
TEST_F(Notes, ANewDateShowsItsOwnNote) {
    raw().exec("INSERT INTO UserCon (conIndex, data) VALUES ('20140310', 'monday note')");
    EXPECT_EQ(note->rdtAbc->backgroundColour(), DatedNote::kMoneyGreen);
    Focus(note->rdtAbc);
    QTest::keyClicks(note->rdtAbc, "sunday");
    date = QDate(2014, 3, 10);
    note->chnRiliChange();
    EXPECT_EQ(note->rdtAbc->toPlainText(), QStringLiteral("monday note"));
    EXPECT_NE(storedNote("20140309").find("sunday"), std::string::npos);
    EXPECT_EQ(storedNote("20140310"), "monday note");
    // Unloaded, a change of date loads nothing and a leave stores nothing.
    make(dm.get());
    date = QDate(2014, 3, 11);
    note->chnRiliChange();
    note->rdtAbc->setPlainText(QStringLiteral("typed blind"));
    note->rdtAbcExit();
    EXPECT_EQ(raw().count("UserCon", "conIndex = '20140311'"), 0);
}

TEST(DatedNoteStamp, WeekdayInBrackets) {
    EXPECT_EQ(DatedNote::DateStamp(QDate(2013, 1, 5)), QStringLiteral(" 2013.01.05 (六)"));
    EXPECT_EQ(DatedNote::DateStamp(QDate(2013, 1, 6)), QStringLiteral(" 2013.01.06 (日)"));
    EXPECT_EQ(DatedNote::DateStamp(QDate(2013, 1, 7)), QStringLiteral(" 2013.01.07 (一)"));
}

TEST_F(Notes, ToolsWriteIntoTheNote) {
    tp.clock.value = LocalDateTime{2014, 3, 9, 10, 0, 0, 0};
    note->btnGouClick();
    note->btnXClick();
    note->imgDateClick();
    EXPECT_EQ(note->rdtAbc->toPlainText(), QStringLiteral("√× 2014.03.09 (日)"));
}

TEST_F(Notes, ColourToolNeedsTheNotesFocus) {
    Focus(note->rdtAbc); // loads the (empty) note of the date
    note->rdtAbc->setPlainText(QStringLiteral("red"));
    note->rdtAbc->selectAll();
    tp.dialogs.colorAnswers.push_back(QColor(255, 0, 0));
    Focus(elsewhere);
    note->imgRedColorClick();
    EXPECT_EQ(tp.dialogs.colorAnswers.size(), 1u) << "no dialog without the focus";
    Focus(note->rdtAbc);
    note->rdtAbc->selectAll();
    note->imgRedColorClick();
    EXPECT_TRUE(tp.dialogs.colorAnswers.empty());
    QTextCursor c(note->rdtAbc->document());
    c.movePosition(QTextCursor::NextCharacter);
    EXPECT_EQ(c.charFormat().foreground().color(), QColor(255, 0, 0));
}

} // namespace
} // namespace nodo
