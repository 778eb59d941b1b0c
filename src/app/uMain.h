#pragma once
// The main window: a borderless, resizable frame dragged by its background, with its own close and
// minimise buttons, the date line, the options menu, the web panel and the picture page.
#include "app/MainFrmLayout.h"
#include "pictures/MainContext.h"
#include "platform/Platform.h"
#include "ui/Anchoring.h"

#include <QMenu>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>

class QLabel;
class QPushButton;
class QStackedWidget;
class QFrame;

namespace nodo {

class TPicImage;
class TChnCalendar;
class ImageButton;
class StateButton;
class BackgroundDrag;
class DatedNote;
class MemoBoard;
class TDM;

// The handlers that live with their own tools; the entry fills them in as the tools are created.
struct MainTools {
    std::function<void(MainContext&)> imgAppToDeskClick;
    std::function<void(MainContext&)> imgAddToDeskClick;
    std::function<void(MainContext&)> btnInsertPicClick;
    std::function<void(MainContext&)> SpeedButton1Click;
    std::function<void(MainContext&)> Copyscreanform;
    // Background list loader (ByChoice), run at start-up with false.
    std::function<void(MainContext&, bool)> LoadBGPicList;
    // The show step: the picture page loads CurPicFile when that file exists; throws when it cannot
    // be decoded.
    std::function<void(MainContext&)> ShowCurPicFile;
    // The event type that the capture posts to the main window.
    int copyScreenEventType = 0;
};

class TMainFrm : public QWidget {
    Q_OBJECT
public:
    TMainFrm(Platform& platform, SharedState& state, QWidget* parent = nullptr);
    ~TMainFrm() override;

    void setTools(MainTools tools) { m_tools = std::move(tools); }
    MainContext& context() { return m_context; }

    // Start-up steps, run by the entry in this order.
    void FormCreate();
    void FormShow();

    // Handlers of this window's own controls.
    void imgBGMouseDown();
    void img_close_normalMouseMove();
    void img_mini_normalMouseMove();
    void imgBGMouseMove();
    void img_close_highlightMouseDown();
    void img_mini_highlightMouseDown();
    void img_close_highlightClick();
    void img_mini_highlightClick();
    void lblSetClick();
    void N_helpClick();
    void N_SubmitClick();
    void N_ExitPrjClick();
    void AppEvent1Idle();

    void LoadFormSize();
    void SaveFormSize();

    SharedState& state() { return m_state; }
    struct Geometry {
        int32_t width = 0, height = 0, left = 0, top = 0;
    } saved;

    // Controls, by their component names.
    QLabel* imgBG = nullptr;
    QLabel* imgLogo = nullptr;
    QLabel* img_close_normal = nullptr;
    QLabel* img_close_highlight = nullptr;
    QLabel* img_close_down = nullptr;
    QLabel* img_mini_normal = nullptr;
    QLabel* img_mini_highlight = nullptr;
    QLabel* img_mini_down = nullptr;
    StateButton* closeButton = nullptr; // take the pointer for the close and minimise pictures
    StateButton* miniButton = nullptr;
    QLabel* lblDateTime = nullptr;
    QLabel* lblSet = nullptr;
    ImageButton* imgAppToDesk = nullptr;
    QPushButton* btnInsertPic = nullptr;
    QPushButton* SpeedButton1 = nullptr;
    QPushButton* btnGou = nullptr;
    QPushButton* btnX = nullptr;
    QLabel* imgDate = nullptr;
    QLabel* imgRedColor = nullptr;
    std::array<QPushButton*, 5> btnLetters{}; // btnA ... btnE
    QPushButton* btnClearCon = nullptr;
    std::array<QPushButton*, 3> btnAbc{}; // btnAbc_A ... btnAbc_C
    QFrame* pnlLeft = nullptr;
    QFrame* pnlWeb = nullptr;
    std::unique_ptr<WebView> webLink;
    ImageButton* imgAddToDesk = nullptr;
    QLabel* imgHint = nullptr;
    QFrame* pngRight = nullptr;
    QStackedWidget* pgcMain = nullptr;
    QWidget* ts_PicShow = nullptr;
    QWidget* ts_PicMix = nullptr;
    QWidget* tsMain = nullptr;
    TPicImage* imgPicMix = nullptr;
    std::unique_ptr<WebView> WebEditor;
    QFrame* pnlABC = nullptr;
    TChnCalendar* chnRili = nullptr; // on pnlABC; the dated note is keyed by its date
    QMenu* popSysset = nullptr;
    QMenu* pmEmpty = nullptr;
    QAction* N_OutPutCon = nullptr;
    QAction* N_help = nullptr;
    QAction* N_Submit = nullptr;
    QAction* N_ExitPrj = nullptr;

    // The web address of a page of the publisher's site ("/rs/Tavi.htm").
    QString webAddress(const QString& path) const;
    // "今天是 2013年1月5日(六)" for the given date.
    static QString DateLine(int year, int month, int day);

signals:
    void quitRequested();

protected:
    bool event(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void changeEvent(QEvent* e) override;

private:
    void buildControls();
    // The hidden panel of the dated note: the calendar chnRili (and the note's editor and tools).
    void buildPnlABC();
    // The dated note and the memo board with their tools.
    void buildNotes();
    // chnRili's OnChange: the note of the new date is shown, the old one kept.
    void chnRiliChange();
    void layoutAnchored();
    void setButtonStates(int close, int mini); // 0 normal, 1 highlight, 2 down; -1 unchanged
    bool isInsideWebLink(QObject* o) const;
    void trimWorkingSet();
    void reportError(const std::exception& e);
    bool startFrameGesture(QWidget* on, const QPoint& localPos);
    Qt::Edges frameEdges(const QPoint& windowPos) const; // the sizing-frame edges under a point
    void useDefaultGeometry();
    void applySavedGeometry();

    Platform& m_platform;
    std::unique_ptr<TDM> m_dm; // made first: the notes database, when there is one
    BackgroundDrag* m_drag = nullptr;
    SharedState& m_state;
    MainContext m_context;
    MainTools m_tools;
    Anchoring m_anchoring{{main_layout::kDesignWidth, main_layout::kDesignHeight}};
    qint64 m_lastIdleTrim = 0;
    std::unique_ptr<DatedNote> m_note;
    std::unique_ptr<MemoBoard> m_board;
};

} // namespace nodo
