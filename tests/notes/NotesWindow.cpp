// The memo board and the dated note in a window of their own, for the real-input tests: the board's
// page at (0, 90), the note's panel at (500, 0), its letter buttons shown. The notes database is
// "notes.db" in the working folder (made when missing); the note's date is 2014-03-09.
#include "notes/NotesDatabase.h"
#include "notes/qt/DatedNote.h"
#include "notes/qt/MemoBoard.h"
#include "notes/uDM.h"
#include "platform/Platform.h"
#include "platform/posix/SystemClock.h"
#include "platform/qt/QtDialogs.h"
#include "platform/qt/QtMessageBox.h"
#include "platform/sqlite/SqliteDatabase.h"

#include <QApplication>
#include <QPushButton>
#include <QWidget>

#include <filesystem>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (!std::filesystem::exists("notes.db") && !nodo::CreateNotesDatabase("notes.db")) return 1;
    nodo::SqliteDatabase db("notes.db");
    nodo::TDM dm(db);
    nodo::QtMessageBox messages;
    nodo::QtDialogs dialogs;
    nodo::SystemClock clock;
    nodo::Platform platform;
    platform.messages = &messages;
    platform.dialogs = &dialogs;
    platform.clock = &clock;
    std::int32_t letterIndex = 2;

    QWidget window;
    window.setWindowTitle(QStringLiteral("记事"));
    window.resize(930, 470);
    auto* tsMain = new QWidget(&window);
    tsMain->setGeometry(0, 90, 495, 371);
    auto* pnlABC = new QWidget(&window);
    pnlABC->setGeometry(500, 0, 423, 381);
    nodo::DatedNote note(platform, &dm, letterIndex, pnlABC, &window, [] { return QDate(2014, 3, 9); });
    nodo::MemoBoard board(platform, &dm, letterIndex, tsMain, &window, note.rdtAbc);
    for (QPushButton* b : note.letterButtons)
        b->show();
    window.show();
    return app.exec();
}
