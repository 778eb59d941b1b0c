#include "calendar_app/CalendarWindow.h"

#include "calendar/DateTime.h"
#include "calendar_app/BoardLayout.h"
#include "calendar_app/Log.h"
#include "calendar_view/ChnCalendarPicker.h"
#include "calendar_view/NoteCalendar.h"
#include "notes/qt/DatedNote.h"
#include "notes/qt/MemoBoard.h"
#include "notes/qt/NoteEdit.h"
#include "notes/uDM.h"
#include "platform/Platform.h"
#include "ui/Art.h"
#include "ui/WindowPlace.h"

#include <QAction>
#include <QCloseEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QShortcut>
#include <QTextCursor>

#include <algorithm>
#include <cstdio>

namespace nodo {

namespace {

// The note's column: its tool row, then the panel of the calendar over the note's editor.
// The calendar is taller than the main window's 255 pixels, so the lunar texts do not touch the day
// numbers of the row below.
constexpr QSize kNotePanel{423, 431};
constexpr QRect kCalendar{2, 2, 419, 305};
constexpr int kNoteEditorTop = 307, kNoteEditorHeight = 122;
// The board's column right of it, on a page laid out at 495 x 371.
constexpr QSize kBoardDesign{495, 371};
// The six day editors fill the cells between the board's grid lines and header bands.
constexpr QRect kDayCells[6] = {{1, 25, 153, 191},  {155, 25, 178, 191},  {334, 25, 160, 191},
                                {1, 241, 153, 129}, {155, 241, 178, 129}, {334, 241, 160, 129}};
constexpr int kColumnGap = 12;
constexpr int kButton = 23, kButtonStep = 26, kButtonHeight = 22;

int BoardLeft() {
    return CalendarWindow::kMargin + kNotePanel.width() + kColumnGap;
}
int PanelTop() {
    return CalendarWindow::kMargin + CalendarWindow::kToolRow;
}

} // namespace

CalendarWindow::CalendarWindow(Platform& platform, QWidget* parent)
    : QWidget(parent, Qt::Window), m_platform(platform),
      m_dm(platform.database ? std::make_unique<TDM>(*platform.database) : nullptr) {
    setObjectName(QStringLiteral("CalendarWindow"));
    setWindowTitle(kTitle);
    setWindowIcon(QIcon(art::Pixmap(QStringLiteral("calendar_icon"), QSize(64, 64))));
    setMinimumSize(kDesignSize);
    resize(kDesignSize);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(0xF3, 0xF6, 0xFA));
    setPalette(pal);

    // The note's panel: white, with a lowered edge, the calendar along its top.
    m_notePanel = new QFrame(this);
    m_notePanel->setObjectName(QStringLiteral("pnlABC"));
    m_notePanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_notePanel->setLineWidth(2);
    m_notePanel->setAutoFillBackground(true);
    QPalette white = m_notePanel->palette();
    white.setColor(QPalette::Window, Qt::white);
    m_notePanel->setPalette(white);
    m_notePanel->setGeometry(kMargin, PanelTop(), kNotePanel.width(), kNotePanel.height());

    m_calendar = new TChnCalendar(m_notePanel, m_platform.clock);
    m_calendar->setObjectName(QStringLiteral("chnRili"));
    m_calendar->setGeometry(kCalendar);
    ApplyNoteCalendarDesign(*m_calendar);
    m_calendar->SetDateTime(m_calendar->Now());

    m_note = std::make_unique<DatedNote>(m_platform, m_dm.get(), m_letterIndex, m_notePanel, this, [this] {
        int y = 0, m = 0, d = 0;
        calendar::DecodeDate(m_calendar->DateTime(), y, m, d);
        return QDate(y, m, d);
    });
    m_calendar->OnChange = [this](TChnCalendar*) { m_note->chnRiliChange(); };

    // The board's page, white, behind a one-pixel edge of its own grid lines.
    m_boardPage = new QWidget(this);
    m_boardPage->setObjectName(QStringLiteral("tsMain"));
    m_boardPage->setAutoFillBackground(true);
    m_boardPage->setPalette(white);
    m_boardPage->setGeometry(BoardLeft(), PanelTop(), kBoardDesign.width(), kBoardDesign.height());
    m_board =
        std::make_unique<MemoBoard>(m_platform, m_dm.get(), m_letterIndex, m_boardPage, this, m_note->rdtAbc);
    for (std::size_t i = 0; i < m_board->redt.size(); ++i) {
        m_board->redt[i]->setGeometry(kDayCells[i]);
        m_board->redt[i]->setFrameShape(QFrame::NoFrame);
    }
    m_boardLayout = std::make_unique<ProportionalLayout>(m_boardPage);

    // The tools the main window keeps hidden are shown here, in a row above their column.
    const char* const letterTips[3] = {"记事底色 A", "记事底色 B", "记事底色 C"};
    for (int i = 0; i < 3; ++i) {
        QPushButton* b = m_note->letterButtons[static_cast<std::size_t>(i)];
        b->setToolTip(QString::fromUtf8(letterTips[i]));
        b->setFocusPolicy(Qt::NoFocus);
        b->show();
        connect(b, &QPushButton::clicked, this, [this, i] { m_letter = i + 1; });
    }
    m_note->btnGou->setToolTip(QStringLiteral("打√"));
    m_note->btnX->setToolTip(QStringLiteral("打×"));
    m_note->imgDate->setToolTip(QStringLiteral("插入今天的日期"));
    m_note->imgRedColor->setToolTip(QStringLiteral("文字颜色"));
    // The tools act on the note's editor: clicking them leaves the focus (and the selection) there.
    for (QPushButton* b : {m_note->btnGou, m_note->btnX})
        b->setFocusPolicy(Qt::NoFocus);
    for (QWidget* w :
         std::initializer_list<QWidget*>{m_note->btnGou, m_note->btnX, m_note->imgDate, m_note->imgRedColor})
        w->show();
    for (std::size_t i = 0; i < m_board->pageButtons.size(); ++i) {
        m_board->pageButtons[i]->setToolTip(QStringLiteral("备忘录 %1").arg(QChar('A' + int(i))));
        m_board->pageButtons[i]->show();
    }
    m_board->btnClearCon->setToolTip(QStringLiteral("清空这一页的六天"));
    m_board->btnClearCon->show();

    buildEditMenu();
    for (TNoteEdit* e : m_board->redt)
        attachEditMenu(e);
    attachEditMenu(m_note->rdtAbc);

    // Without a window manager's close button the keys close the window too.
    for (const QKeySequence& keys : {QKeySequence(QKeySequence::Quit), QKeySequence(QKeySequence::Close)}) {
        auto* shortcut = new QShortcut(keys, this);
        connect(shortcut, &QShortcut::activated, this, &QWidget::close);
    }
    // The desktop session ending saves like a close does.
    connect(qGuiApp, &QGuiApplication::commitDataRequest, this, [this] { saveAll(); });

    layoutControls();
    setFocusProxy(m_calendar->DayGrid());
}

CalendarWindow::~CalendarWindow() = default;

void CalendarWindow::buildEditMenu() {
    // The editing menu of every editor here acts on the editor it was opened on.
    m_editMenu = new QMenu(this);
    m_editMenu->setObjectName(QStringLiteral("editMenu"));
    const auto item = [this](const char* text, void (*act)(TNoteEdit&)) {
        QAction* a = m_editMenu->addAction(QString::fromUtf8(text));
        connect(a, &QAction::triggered, this, [this, act] {
            if (m_menuTarget) act(*m_menuTarget);
        });
    };
    item("复制", [](TNoteEdit& e) { e.copy(); });
    item("粘贴", [](TNoteEdit& e) { e.paste(); });
    item("删除", [](TNoteEdit& e) { e.textCursor().removeSelectedText(); });
    item("剪切", [](TNoteEdit& e) { e.cut(); });
    m_editMenu->addSeparator();
    item("打V", [](TNoteEdit& e) { e.replaceSelection(QStringLiteral("√")); });
    item("打X", [](TNoteEdit& e) { e.replaceSelection(QStringLiteral("×")); });
    m_editMenu->addSeparator();
    item("撤销(Ctrl+Z)", [](TNoteEdit& e) { e.undo(); });
    // The text export the main window keeps in its hidden options menu: the dated note as a text file.
    m_editMenu->addSeparator();
    QAction* exportNote = m_editMenu->addAction(QStringLiteral("内容导出"));
    exportNote->setObjectName(QStringLiteral("N_OutPutCon"));
    connect(exportNote, &QAction::triggered, this, [this] { m_board->N_OutPutConClick(); });
}

void CalendarWindow::attachEditMenu(TNoteEdit* editor) {
    // The board's own menu acts on the note whichever editor it was opened on; not here.
    QObject::disconnect(editor, &QWidget::customContextMenuRequested, m_board.get(), nullptr);
    editor->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(editor, &QWidget::customContextMenuRequested, this, [this, editor](const QPoint& p) {
        m_menuTarget = editor;
        m_editMenu->popup(editor->viewport()->mapToGlobal(p));
    });
}

void CalendarWindow::layoutControls() {
    const int dw = std::max(0, width() - kDesignSize.width());
    const int dh = std::max(0, height() - kDesignSize.height());
    const int toolY = kMargin + (kToolRow - kButtonHeight) / 2 - 2;

    // The note's tools: the letters, then tick, cross, date stamp and colour.
    for (int i = 0; i < 3; ++i)
        m_note->letterButtons[static_cast<std::size_t>(i)]->setGeometry(kMargin + kButtonStep * i, toolY,
                                                                        kButton, kButtonHeight);
    const int tools = kMargin + kButtonStep * 3 + 14;
    m_note->btnGou->setGeometry(tools, toolY, kButton, kButtonHeight);
    m_note->btnX->setGeometry(tools + kButtonStep, toolY, kButton, kButtonHeight);
    m_note->imgDate->move(tools + 2 * kButtonStep + 6,
                          toolY + (kButtonHeight - m_note->imgDate->height()) / 2);
    m_note->imgRedColor->move(m_note->imgDate->geometry().right() + 10,
                              toolY + (kButtonHeight - m_note->imgRedColor->height()) / 2);
    m_notePanel->setGeometry(kMargin, PanelTop(), kNotePanel.width(), kNotePanel.height() + dh);
    m_note->rdtAbc->setGeometry(kCalendar.x(), kNoteEditorTop, kCalendar.width(), kNoteEditorHeight + dh);

    // The board's pages on the left of its row, the clear button at its right end.
    const int boardWidth = kDesignSize.width() - BoardLeft() - kMargin + dw;
    for (std::size_t i = 0; i < m_board->pageButtons.size(); ++i)
        m_board->pageButtons[i]->setGeometry(BoardLeft() + kButtonStep * int(i), toolY, kButton,
                                             kButtonHeight);
    QPushButton* clear = m_board->btnClearCon;
    clear->setGeometry(BoardLeft() + boardWidth - clear->width(), toolY, clear->width(), kButtonHeight);
    m_boardPage->setGeometry(BoardLeft(), PanelTop(), boardWidth, kNotePanel.height() + dh);
    m_boardLayout->apply();
}

void CalendarWindow::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    layoutControls();
}

void CalendarWindow::restorePlace() {
    std::string problem;
    m_settings = LoadCalendarSettings(*m_platform.folder, *m_platform.text, &problem);
    if (!problem.empty())
        qCWarning(lcCalendarApp) << "settings:" << problem.c_str() << "- going on with defaults";

    const std::vector<QRect> areas = m_platform.screen->areas();
    QRect stored;
    if (m_settings.place) {
        stored = QRect(m_settings.place->left, m_settings.place->top, m_settings.place->width,
                       m_settings.place->height);
    } else {
        // The first start: centred on the primary screen.
        const QRect screen = areas.empty() ? QRect(QPoint(0, 0), m_platform.screen->size()) : areas.front();
        stored = QRect(screen.x() + (screen.width() - kDesignSize.width()) / 2,
                       screen.y() + (screen.height() - kDesignSize.height()) / 2, kDesignSize.width(),
                       kDesignSize.height());
    }
    QRect shown = VisibleGeometry(stored, areas, kDesignSize);
    shown.setSize(shown.size().expandedTo(kDesignSize));
    resize(shown.size());
    move(shown.topLeft());
    if (m_settings.maximised) setWindowState(windowState() | Qt::WindowMaximized);
}

void CalendarWindow::loadNotes() {
    // A page the user never saw is never written: the page is loaded before anything can be typed.
    m_letterIndex = m_settings.page;
    m_board->PageButtonClick(m_settings.page);
    if (m_settings.letter >= 1 && m_settings.letter <= 3) {
        m_note->LetterButtonClick(m_settings.letter);
        m_letter = m_settings.letter;
    } else {
        m_note->showCalendarDate();
    }
    m_calendar->DayGrid()->setFocus();
}

void CalendarWindow::bringForward(const QString& token) {
    // On Wayland the compositor lets a window take the focus with the token of the start that asked.
    if (!token.isEmpty() && QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
        qputenv("XDG_ACTIVATION_TOKEN", token.toUtf8());
    if (isMinimized()) setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    show();
    raise();
    activateWindow();
    qCInfo(lcCalendarApp) << "brought forward for another start";
}

CalendarSettings CalendarWindow::currentSettings() const {
    CalendarSettings s = m_settings;
    const bool full = isMaximized() || isFullScreen();
    const QRect normal = full ? normalGeometry() : QRect(frameGeometry().topLeft(), size());
    s.place = CalendarSettings::Place{normal.x(), normal.y(), normal.width(), normal.height()};
    s.maximised = isMaximized();
    if (m_board->shownPage() != 0) s.page = m_board->shownPage();
    s.letter = m_letter;
    return s;
}

void CalendarWindow::saveAll() {
    // The editors save when they are left; a close with the focus still in one leaves nothing.
    m_board->redt1Exit();
    m_note->rdtAbcExit();
    const CalendarSettings s = currentSettings();
    try {
        SaveCalendarSettings(*m_platform.folder, *m_platform.text, s);
        m_settings = s;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "nodo-calendar: %s\n", e.what());
        m_platform.messages->errorReport(this, QString::fromUtf8(e.what()));
    }
}

void CalendarWindow::closeEvent(QCloseEvent* e) {
    saveAll();
    e->accept();
}

} // namespace nodo
