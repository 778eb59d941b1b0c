#pragma once
// The weekly memo board: six day editors on a page of their own, five pages A to E kept in the notes
// database, the page and clear buttons, the editing menu every note editor shares, and the text
// export. The board never writes a page it did not load, and always saves into the page it shows.
#include <QObject>
#include <QString>
#include <array>
#include <cstdint>
#include <memory>

class QAction;
class QLabel;
class QMenu;
class QPushButton;
class QTimer;
class QWidget;

namespace nodo {
struct Platform;
class TDM;
class RichEdit;
class TNoteEdit;

class MemoBoard : public QObject {
public:
    // Fills `tsMain` with the six editors and puts the page and clear buttons, hidden, on
    // `mainWindow`. `dm` null is a missing database. `letterIndex` is the page the window remembers;
    // the dated note's letters set it too. The menu's commands act on `rdtAbc`.
    MemoBoard(Platform& platform, TDM* dm, std::int32_t& letterIndex, QWidget* tsMain, QWidget* mainWindow,
              TNoteEdit* rdtAbc);
    ~MemoBoard() override;

    static constexpr int kPages = 5;

    // The page buttons: save the page shown, load page n (1 to 5).
    void PageButtonClick(int n);
    void btnAClick() { PageButtonClick(1); }
    void btnBClick() { PageButtonClick(2); }
    void btnCClick() { PageButtonClick(3); }
    void btnDClick() { PageButtonClick(4); }
    void btnEClick() { PageButtonClick(5); }
    void redt1Exit();
    void btnClearConClick();
    void tmrAutoSaveTimer() {}
    void N1Click();
    void N2Click();
    void N9Click();
    void N3Click();
    void V1Click();
    void X1Click();
    void CtrlZ1Click();
    void N_OutPutConClick();

    // The name the export proposes: the page's letter, then "备忘录".
    static QString ExportName(int letterIndex);
    // The page the editors hold, 0 before any is loaded.
    int shownPage() const { return m_shown; }
    // Whether an editor holds an edit that is not stored yet (a save failed, or none was due).
    bool hasUnsavedEdits() const;

    std::array<TNoteEdit*, 6> redt{};
    std::array<QPushButton*, kPages> pageButtons{};
    std::array<QLabel*, 6> lblweek{};
    QPushButton* btnClearCon = nullptr;
    QTimer* tmrAutoSave = nullptr;
    QMenu* pmDeskTopMonCal = nullptr;
    QAction *N1 = nullptr, *N2 = nullptr, *N9 = nullptr, *N3 = nullptr, *V1 = nullptr, *X1 = nullptr,
            *CtrlZ1 = nullptr;

private:
    // Loads the remembered page when no page is shown yet; false when there is none to load.
    // `byUser`: the user reached an editor, so a failure is worth a message.
    bool ensureLoaded(bool byUser);
    bool load(int page, bool byUser);
    // Stores the edited days of the page shown; true when nothing is left unsaved. A failure is
    // told once until a save succeeds again, and every time when the user pressed a button.
    bool save(bool byButton);
    void setEditable(bool editable);

    Platform& m_platform;
    TDM* m_dm;
    std::int32_t& m_letterIndex;
    QWidget* m_mainWindow;
    TNoteEdit* m_rdtAbc;
    // The six editors as the storage steps see them.
    std::array<std::unique_ptr<RichEdit>, 6> m_stored;
    std::array<RichEdit*, 6> m_editors{};
    int m_shown = 0;
    bool m_saveFailureTold = false;
};

} // namespace nodo
