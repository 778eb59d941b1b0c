#pragma once
// The memo board and the dated note on a window of their own, over a real notes database file,
// with the fake services around them.
#include "NotesDbFixture.h"

#include "notes/qt/DatedNote.h"
#include "notes/qt/MemoBoard.h"
#include "notes/qt/NoteEdit.h"
#include "notes/uDM.h"
#include "platform/sqlite/SqliteDatabase.h"
#include "support/fakes/Fakes.h"

#include <QApplication>
#include <QPushButton>
#include <QTest>

#include <chrono>
#include <memory>

namespace nodo {

using testing::RawDb;

class Notes : public testing::NotesDb {
protected:
    void SetUp() override {
        NotesDb::SetUp();
        db = std::make_unique<SqliteDatabase>(dbPath(), busyTimeout);
        dm = std::make_unique<TDM>(*db);
        rawDb = std::make_unique<RawDb>(dbPath());
        window.resize(822, 600);
        tsMain = new QWidget(&window);
        tsMain->setGeometry(0, 0, 495, 371);
        pnlABC = new QWidget(&window);
        pnlABC->setGeometry(0, 380, 423, 381);
        make(dm.get());
        window.show();
        QApplication::setActiveWindow(&window);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    }
    void make(TDM* with) {
        board.reset();
        note.reset();
        note = std::make_unique<DatedNote>(tp.platform(), with, letterIndex, pnlABC, &window,
                                           [this] { return date; });
        board = std::make_unique<MemoBoard>(tp.platform(), with, letterIndex, tsMain, &window, note->rdtAbc);
    }
    // Moves the input focus as a click on an editor would.
    static void Focus(QWidget* w) {
        w->setFocus(Qt::MouseFocusReason);
        QCoreApplication::processEvents();
    }
    std::string stored(char page, const char* day) {
        return raw().scalar(std::string("SELECT ") + day + " FROM tb_" + page + " WHERE ID = 1");
    }
    std::string storedNote(const char* key) {
        return raw().scalar(std::string("SELECT data FROM UserCon WHERE conIndex = '") + key + "'");
    }

    // How long the program's connection waits for another writer.
    std::chrono::milliseconds busyTimeout = std::chrono::seconds(5);
    fakes::TestPlatform tp;
    std::unique_ptr<SqliteDatabase> db;
    std::unique_ptr<TDM> dm;
    std::unique_ptr<RawDb> rawDb; // made once the file exists
    RawDb& raw() { return *rawDb; }
    QWidget window;
    QWidget* tsMain = nullptr;
    QWidget* pnlABC = nullptr;
    QWidget* elsewhere = new QPushButton(&window);
    std::int32_t letterIndex = 2;
    QDate date{2014, 3, 9};
    std::unique_ptr<DatedNote> note;
    std::unique_ptr<MemoBoard> board;
};

} // namespace nodo
