#pragma once
// The calendar window ("Nodo日历"), a program of its own beside the main window: the month view with
// lunar days above the dated note with its letters and tools, and the weekly memo board with its
// pages A to E, its six day editors and its clear button. It reads and writes the notes database of
// the user's application folder, as the main window and `nodo-cli notes` do, and remembers its place,
// its size, the page and the letter in a settings file of its own.
#include "calendar_app/CalendarSettings.h"

#include <QSize>
#include <QWidget>
#include <cstdint>
#include <memory>

class QFrame;
class QMenu;

namespace nodo {

struct Platform;
class TDM;
class TChnCalendar;
class DatedNote;
class MemoBoard;
class TNoteEdit;
class ProportionalLayout;

class CalendarWindow : public QWidget {
    Q_OBJECT
public:
    static inline const QString kTitle = QStringLiteral("Nodo日历");
    // The window at its design size; it may grow, never shrink below it.
    static constexpr QSize kDesignSize{946, 475};
    static constexpr int kMargin = 8, kToolRow = 28;

    explicit CalendarWindow(Platform& platform, QWidget* parent = nullptr);
    ~CalendarWindow() override;

    // Reads the settings and puts the window where it was, kept on a screen the user can reach.
    void restorePlace();
    // Shows the remembered page and the note of the calendar's date; run once the window shows, so
    // a message about a database that cannot be read has a window to stand on.
    void loadNotes();
    // Another start asked for this window: it comes forward, unminimised, with the input focus.
    void bringForward(const QString& activationToken);
    // What is in the editors goes to the database, then the place and the rest to the settings.
    void saveAll();
    // The settings as they would be written now.
    CalendarSettings currentSettings() const;

    TChnCalendar* calendar() const { return m_calendar; }
    DatedNote* note() const { return m_note.get(); }
    MemoBoard* board() const { return m_board.get(); }
    QFrame* notePanel() const { return m_notePanel; }
    QWidget* boardPage() const { return m_boardPage; }
    QMenu* editMenu() const { return m_editMenu; }
    // The editor the edit menu was last opened on.
    TNoteEdit* menuTarget() const { return m_menuTarget; }

protected:
    void closeEvent(QCloseEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    void buildEditMenu();
    void attachEditMenu(TNoteEdit* editor);
    void layoutControls();

    Platform& m_platform;
    std::unique_ptr<TDM> m_dm;
    std::int32_t m_letterIndex = 0; // the page or letter the board and the note share
    CalendarSettings m_settings;
    int m_letter = 0; // the note's letter chosen, 0 before any
    QFrame* m_notePanel = nullptr;
    QWidget* m_boardPage = nullptr;
    TChnCalendar* m_calendar = nullptr;
    std::unique_ptr<DatedNote> m_note;
    std::unique_ptr<MemoBoard> m_board;
    std::unique_ptr<ProportionalLayout> m_boardLayout;
    QMenu* m_editMenu = nullptr;
    TNoteEdit* m_menuTarget = nullptr;
};

} // namespace nodo
