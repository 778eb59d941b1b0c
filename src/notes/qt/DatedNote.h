#pragma once
// The dated note: one rich-text note per calendar date under the calendar on the panel it shares,
// three letter buttons that recolour the editor and reload the note, and the tick, cross, date-stamp
// and colour tools. A note is only ever saved under the date whose note the editor holds.
#include <QColor>
#include <QDate>
#include <QDateTime>
#include <QObject>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>

class QLabel;
class QPushButton;
class QWidget;

namespace nodo {
struct Platform;
class TDM;
class TNoteEdit;

class DatedNote : public QObject {
public:
    static inline const std::array<QColor, 3> kLetterColours = {QColor(250, 252, 225), QColor(251, 240, 252),
                                                                QColor(224, 255, 227)};
    static inline const QColor kMoneyGreen{192, 220, 192};

    // Puts the editor on `pnlABC` below the calendar and the tools, hidden, on `mainWindow`.
    // `calendarDate` gives the calendar's current date; `dm` null is a missing database.
    DatedNote(Platform& platform, TDM* dm, std::int32_t& letterIndex, QWidget* pnlABC, QWidget* mainWindow,
              std::function<QDate()> calendarDate);
    ~DatedNote() override;

    void LetterButtonClick(int n); // 1 to 3 for A to C
    void btnAbc_AClick() { LetterButtonClick(1); }
    void btnAbc_BClick() { LetterButtonClick(2); }
    void btnAbc_CClick() { LetterButtonClick(3); }
    void rdtAbcExit();
    // The calendar's date changed: the note of the old date is kept, the new date's is shown.
    void chnRiliChange();
    void btnGouClick();
    void btnXClick();
    void imgDateClick();
    void imgRedColorClick();

    // " YYYY.MM.DD (一)": the date stamp of a moment.
    static QString DateStamp(const QDate& date);
    // Shows the note of the calendar's date unless the editor holds it already (the note held is
    // saved first); false when it cannot be loaded (and said so). For a window that shows the note
    // from the start.
    bool showCalendarDate() { return ensureLoaded(true); }
    // The date whose note the editor holds, if any.
    std::optional<QDate> loadedDate() const { return m_loaded; }
    // Whether the editor holds an edit that is not stored yet (a save failed, or none was due).
    bool hasUnsavedEdits() const;

    TNoteEdit* rdtAbc = nullptr;
    QPushButton* btnGou = nullptr;
    QPushButton* btnX = nullptr;
    QLabel* imgDate = nullptr;
    QLabel* imgRedColor = nullptr;
    std::array<QPushButton*, 3> letterButtons{};

private:
    // `byUser`: the user reached the editor or asked for the note, so a failure is worth a message.
    bool ensureLoaded(bool byUser);
    bool load(const QDate& date, bool byUser);
    // Stores an edited note under its date; true when nothing is left unsaved. A failure is told
    // once until a save succeeds again, and every time when the user pressed a button.
    bool save(bool byButton);

    Platform& m_platform;
    TDM* m_dm;
    std::int32_t& m_letterIndex;
    QWidget* m_mainWindow;
    std::function<QDate()> m_calendarDate;
    std::optional<QDate> m_loaded;
    bool m_saveFailureTold = false;
};

} // namespace nodo
