#include "app/uMain.h"

#include "app/ImageButton.h"
#include "calendar/DateTime.h"
#include "calendar_view/ChnCalendarPicker.h"
#include "calendar_view/NoteCalendar.h"
#include "notes/qt/DatedNote.h"
#include "notes/qt/MemoBoard.h"
#include "notes/qt/NoteEdit.h"
#include "notes/uDM.h"
#include "pictures/PicImage.h"
#include "pictures/uGlobal.h"
#include "platform/Errors.h"
#include "ui/Art.h"
#include "ui/Chrome.h"
#include "ui/Popup.h"
#include "ui/StateButton.h"
#include "ui/WindowPlace.h"

#include "nodo_config.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QDateTime>
#include <QFrame>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QResizeEvent>
#include <QStackedWidget>
#include <QWindow>

namespace nodo {

namespace {
namespace ml = main_layout;
constexpr int kFrameGrip = 5; // width of the sizing frame inside the window edge

} // namespace

TMainFrm::TMainFrm(Platform& platform, SharedState& state, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), m_platform(platform),
      m_dm(platform.database ? std::make_unique<TDM>(*platform.database) : nullptr), m_state(state) {
    setObjectName(QStringLiteral("TMainFrm"));
    setWindowTitle(MessageBox::kAppTitle);
    setWindowIcon(QIcon(art::Pixmap(QStringLiteral("app_icon"), QSize(64, 64))));
    resize(ml::kDesignWidth, ml::kDesignHeight);
    setMouseTracking(true);
    buildControls();
    m_context.platform = &m_platform;
    m_context.mainWindow = this;
    m_context.imgPicMix = imgPicMix;
    m_context.state = &m_state;

    qApp->installEventFilter(this);
    if (auto* d = QAbstractEventDispatcher::instance())
        connect(d, &QAbstractEventDispatcher::aboutToBlock, this, &TMainFrm::AppEvent1Idle);
}

TMainFrm::~TMainFrm() {
    qApp->removeEventFilter(this);
}

void TMainFrm::buildControls() {
    // Window outline under the background (pen colour hex F3E3D8 as 0x00BBGGRR).
    setStyleSheet(QStringLiteral("#TMainFrm { background: white; border: 1px solid #d8e3f3; }"));

    imgBG = new QLabel(this);
    imgBG->setObjectName(QStringLiteral("imgBG"));
    imgBG->setScaledContents(true);
    imgBG->setPixmap(art::Pixmap(QStringLiteral("main_bg"), QSize(ml::kOpenWidth, ml::kOpenHeight)));
    imgBG->setMouseTracking(true);
    imgBG->installEventFilter(this);
    m_drag = new BackgroundDrag(this, nullptr);

    imgLogo = new QLabel(this);
    m_anchoring.add(imgLogo, ml::kLogo);
    imgLogo->setPixmap(art::Pixmap(QStringLiteral("logo"), imgLogo->size()));
    imgLogo->setAttribute(Qt::WA_TransparentForMouseEvents);

    auto picture = [this](const QString& art, const layout::Place& place, bool shown) {
        auto* l = new QLabel(this);
        m_anchoring.add(l, place);
        l->setScaledContents(true);
        l->setPixmap(art::Pixmap(art, l->size()));
        l->setVisible(shown);
        return l;
    };
    img_close_normal = picture(QStringLiteral("close_normal"), ml::kClose, true);
    img_close_highlight = picture(QStringLiteral("close_highlight"), ml::kClose, false);
    img_close_down = picture(QStringLiteral("close_down"), ml::kClose, false);
    img_mini_normal = picture(QStringLiteral("mini_normal"), ml::kMiniNormal, true);
    img_mini_highlight = picture(QStringLiteral("mini_highlight"), ml::kMiniPressed, false);
    img_mini_down = picture(QStringLiteral("mini_down"), ml::kMiniPressed, false);
    closeButton = new StateButton(img_close_normal, img_close_highlight, img_close_down);
    miniButton = new StateButton(img_mini_normal, img_mini_highlight, img_mini_down);
    connect(closeButton, &StateButton::hovered, this, &TMainFrm::img_close_normalMouseMove);
    connect(closeButton, &StateButton::pressed, this, &TMainFrm::img_close_highlightMouseDown);
    connect(closeButton, &StateButton::clicked, this, &TMainFrm::img_close_highlightClick);
    connect(closeButton, &StateButton::left, this, [this] { setButtonStates(0, -1); });
    connect(miniButton, &StateButton::hovered, this, &TMainFrm::img_mini_normalMouseMove);
    connect(miniButton, &StateButton::pressed, this, &TMainFrm::img_mini_highlightMouseDown);
    connect(miniButton, &StateButton::clicked, this, &TMainFrm::img_mini_highlightClick);
    connect(miniButton, &StateButton::left, this, [this] { setButtonStates(-1, 0); });

    lblDateTime = new QLabel(this);
    lblDateTime->setObjectName(QStringLiteral("lblDateTime"));
    m_anchoring.add(lblDateTime, ml::kDateTime);
    lblDateTime->setFont(UiFont(QStringLiteral("微软雅黑"), 12, true));
    lblDateTime->setStyleSheet(QStringLiteral("color: #800000; background: transparent;"));
    lblDateTime->setAttribute(Qt::WA_TransparentForMouseEvents);

    lblSet = new QLabel(QStringLiteral("|  选项"), this);
    lblSet->setObjectName(QStringLiteral("lblSet"));
    m_anchoring.add(lblSet, ml::kOptions);
    lblSet->setCursor(Qt::PointingHandCursor);
    lblSet->setStyleSheet(QStringLiteral("background: transparent;"));
    lblSet->adjustSize();
    lblSet->installEventFilter(this);

    imgAppToDesk = new ImageButton(this);
    m_anchoring.add(imgAppToDesk, ml::kApply);
    imgAppToDesk->setPixmap(art::Pixmap(QStringLiteral("apply"), imgAppToDesk->size()));
    imgAppToDesk->setCursor(Qt::PointingHandCursor);
    imgAppToDesk->setToolTip(QStringLiteral("应用到桌面"));
    connect(imgAppToDesk, &ImageButton::clicked, this, [this] {
        if (m_tools.imgAppToDeskClick) m_tools.imgAppToDeskClick(m_context);
    });

    btnInsertPic = FlatButton(this, QStringLiteral("插入图片"), ToRect(ml::kInsertPicture.box), true);
    SpeedButton1 = FlatButton(this, QStringLiteral("截  图"), ToRect(ml::kCapture.box), true);
    connect(btnInsertPic, &QPushButton::clicked, this, [this] {
        if (m_tools.btnInsertPicClick) m_tools.btnInsertPicClick(m_context);
    });
    connect(SpeedButton1, &QPushButton::clicked, this, [this] {
        if (m_tools.SpeedButton1Click) m_tools.SpeedButton1Click(m_context);
    });

    pnlLeft = new QFrame(this);
    pnlLeft->setObjectName(QStringLiteral("pnlLeft"));
    m_anchoring.add(pnlLeft, ml::kLeftColumn);
    pnlLeft->setStyleSheet(QStringLiteral("#pnlLeft { background: transparent; }"));
    pnlWeb = new QFrame(pnlLeft);
    pnlWeb->setObjectName(QStringLiteral("pnlWeb"));
    pnlWeb->setGeometry(ToRect(ml::kStartPanel));
    pnlWeb->setStyleSheet(QStringLiteral("#pnlWeb { background: white; }"));
    webLink = m_platform.web->createView(pnlWeb);
    webLink->widget()->setGeometry(ToRect(ml::kStartPage));
    // The panel is a small window onto the start page: pages it links to open in the browser.
    webLink->setLinkHandler([this](const QUrl& url) { m_platform.shell->open(url.toString()); });
    imgAddToDesk = new ImageButton(pnlLeft);
    imgAddToDesk->setGeometry(ToRect(ml::kPictureList));
    imgAddToDesk->setPixmap(art::Pixmap(QStringLiteral("piclist"), imgAddToDesk->size()));
    imgAddToDesk->setCursor(Qt::PointingHandCursor);
    imgAddToDesk->setToolTip(QStringLiteral("背景图片列表"));
    connect(imgAddToDesk, &ImageButton::clicked, this, [this] {
        if (m_tools.imgAddToDeskClick) m_tools.imgAddToDeskClick(m_context);
    });
    imgHint = new QLabel(pnlLeft);
    imgHint->hide();

    pngRight = new QFrame(this);
    pngRight->setObjectName(QStringLiteral("pngRight"));
    m_anchoring.add(pngRight, ml::kRightColumn);
    pngRight->setStyleSheet(QStringLiteral("#pngRight { background: white; }"));
    pgcMain = new QStackedWidget(pngRight);
    pgcMain->setGeometry(pngRight->rect());
    ts_PicShow = new QWidget;
    ts_PicShow->setObjectName(QStringLiteral("ts_PicShow"));
    // The white page behind the picture: transparent parts of the picture show it.
    ts_PicShow->setAttribute(Qt::WA_StyledBackground);
    ts_PicShow->setStyleSheet(QStringLiteral("#ts_PicShow { background: white; }"));
    ts_PicMix = new QWidget;
    tsMain = new QWidget;
    pgcMain->addWidget(ts_PicShow);
    pgcMain->addWidget(ts_PicMix);
    pgcMain->addWidget(tsMain);
    pgcMain->setCurrentWidget(ts_PicShow);
    imgPicMix = new TPicImage(ts_PicShow);
    imgPicMix->move(0, 0);
    WebEditor = m_platform.web->createView(ts_PicMix);
    WebEditor->widget()->setGeometry(pngRight->rect());
    buildPnlABC();
    buildNotes();

    popSysset = new QMenu(this);
    N_OutPutCon = popSysset->addAction(QStringLiteral("内容导出"));
    N_OutPutCon->setVisible(false);
    connect(N_OutPutCon, &QAction::triggered, this, [this] { m_board->N_OutPutConClick(); });
    N_help = popSysset->addAction(QStringLiteral("帮助说明"), this, &TMainFrm::N_helpClick);
    N_Submit = popSysset->addAction(QStringLiteral("意见反馈"), this, &TMainFrm::N_SubmitClick);
    popSysset->addSeparator();
    N_ExitPrj = popSysset->addAction(QStringLiteral("退出程序"), this, &TMainFrm::N_ExitPrjClick);
    pmEmpty = new QMenu(this);

    imgBG->lower();
    layoutAnchored();
}

void TMainFrm::buildPnlABC() {
    // Below the visible part of the right column and under the page control; nothing shows it.
    pnlABC = new QFrame(pngRight);
    pnlABC->setObjectName(QStringLiteral("pnlABC"));
    pnlABC->setGeometry(ToRect(ml::kNotePanel));
    pnlABC->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    pnlABC->setLineWidth(2);
    pnlABC->setAutoFillBackground(true);
    QPalette white = pnlABC->palette();
    white.setColor(QPalette::Window, Qt::white);
    pnlABC->setPalette(white);
    pnlABC->hide();

    // The calendar along the top of the panel, with the properties of its form.
    chnRili = new TChnCalendar(pnlABC, m_platform.clock);
    chnRili->setObjectName(QStringLiteral("chnRili"));
    chnRili->setGeometry(ToRect(ml::kNoteCalendar));
    ApplyNoteCalendarDesign(*chnRili);
    chnRili->OnChange = [this](TChnCalendar*) { chnRiliChange(); };
}

void TMainFrm::buildNotes() {
    // The dated note under the calendar, keyed by its date, and the weekly memo board on tsMain;
    // their tools sit on this window, hidden like the panel and the page.
    m_note = std::make_unique<DatedNote>(m_platform, m_dm.get(), m_state.LetterIndex, pnlABC, this, [this] {
        int y = 0, m = 0, d = 0;
        calendar::DecodeDate(chnRili->DateTime(), y, m, d);
        return QDate(y, m, d);
    });
    m_board = std::make_unique<MemoBoard>(m_platform, m_dm.get(), m_state.LetterIndex, tsMain, this,
                                          m_note->rdtAbc);
    m_note->rdtAbc->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_note->rdtAbc, &QWidget::customContextMenuRequested, this, [this](const QPoint& p) {
        m_board->pmDeskTopMonCal->popup(m_note->rdtAbc->viewport()->mapToGlobal(p));
    });
    btnGou = m_note->btnGou;
    btnX = m_note->btnX;
    imgDate = m_note->imgDate;
    imgRedColor = m_note->imgRedColor;
    btnAbc = m_note->letterButtons;
    btnLetters = m_board->pageButtons;
    btnClearCon = m_board->btnClearCon;
}

void TMainFrm::chnRiliChange() {
    m_note->chnRiliChange();
}

void TMainFrm::layoutAnchored() {
    // Controls anchored top-right keep their distance from the right edge; the right column stretches.
    imgBG->setGeometry(rect());
    m_anchoring.layOut(size());
    closeButton->follow();
    miniButton->follow();
    pgcMain->setGeometry(pngRight->rect());
}

void TMainFrm::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    layoutAnchored();
    update();
}

QString TMainFrm::DateLine(int year, int month, int day) {
    static const char* const kWeek[] = {"一", "二", "三", "四", "五", "六", "日"};
    const int iso = IsoWeekday(year, month, day);
    return QStringLiteral("今天是 %1年%2月%3日(%4)")
        .arg(year)
        .arg(month)
        .arg(day)
        .arg(QString::fromUtf8(kWeek[iso - 1]));
}

QString TMainFrm::webAddress(const QString& path) const {
    QString base = QString::fromUtf8(NODO_WEB_BASE_URL);
    if (base.isEmpty()) {
        // The bundled pages of the installation.
        base = QUrl::fromLocalFile(QString::fromStdString(m_platform.folder->web())).toString();
    }
    while (base.endsWith(QLatin1Char('/')))
        base.chop(1);
    return base + path;
}

void TMainFrm::reportError(const std::exception& e) {
    m_platform.messages->errorReport(this, QString::fromUtf8(e.what()));
}

void TMainFrm::FormCreate() {
    WebEditor->navigate(QUrl(QStringLiteral("about:blank")));
    m_state.SelBGPic.clear();
    m_state.BGPicCount = 0;
    m_state.BGPicList.clear();
    m_state.LetterIndex = 0;
    webLink->navigate(QUrl(webAddress(QStringLiteral("/rs/Tavi.htm"))));

    const LocalDateTime now = m_platform.clock->now();
    lblDateTime->setText(DateLine(now.year, now.month, now.day));
    lblDateTime->adjustSize();
    chnRili->SetDateTime(chnRili->Now());

    // Each step reports its own failure and the start-up goes on with that step's defaults, so a
    // damaged settings file never switches off the steps after it.
    try {
        TmpPicIni(1, m_state, *m_platform.folder, *m_platform.text);
    } catch (const std::exception& e) {
        m_state.CurPicFile.clear();
        reportError(e);
    }

    m_state.ShowSetBgInfo = true;
    m_state.SetBgConfirmed = 0;
    m_state.ConfigSetBgFile = m_platform.folder->path("data\\configSetBg.ini");
    try {
        if (m_platform.text->exists(m_state.ConfigSetBgFile)) {
            const auto lines = m_platform.text->readLines(m_state.ConfigSetBgFile);
            m_state.ShowSetBgInfo = StrToInt(lines.empty() ? std::string() : lines[0]) > 0;
        } else {
            m_platform.text->writeLines(m_state.ConfigSetBgFile, {"1"});
        }
    } catch (const std::exception& e) {
        m_state.ShowSetBgInfo = true;
        reportError(e);
    }

    try {
        if (m_tools.LoadBGPicList) m_tools.LoadBGPicList(m_context, false);
    } catch (const std::exception& e) {
        reportError(e);
    }

    WebEditor->setDesignMode(true);
}

void TMainFrm::LoadFormSize() {
    const std::string file = m_platform.folder->path("data\\FormSize.ini");
    if (m_platform.text->exists(file)) {
        const auto lines = m_platform.text->readLines(file);
        if (lines.size() < 5)
            throw FileError("List index out of bounds (" + std::to_string(lines.size()) + "): \"" + file +
                            "\" holds fewer than five lines");
        // Every line is converted before anything changes, so a bad line leaves the state as it was.
        const Geometry g{StrToInt(lines[1]), StrToInt(lines[2]), StrToInt(lines[3]), StrToInt(lines[4])};
        m_state.LetterIndex = StrToInt(lines[0]);
        saved = g;
        applySavedGeometry();
        return;
    }
    useDefaultGeometry();
    SaveFormSize();
}

void TMainFrm::useDefaultGeometry() {
    // In the windows' own units: on a scaled screen the device pixels would put it off the screen.
    const std::vector<QRect> areas = m_platform.screen->areas();
    const QSize screen = areas.empty() ? m_platform.screen->size() : areas.front().size();
    // Integer division truncates toward zero, as the stored files expect (801 pixels gives -14).
    saved = {ml::kOpenWidth, ml::kOpenHeight, (screen.width() - ml::kOpenWidth) / 2,
             (screen.height() - 30 - ml::kOpenHeight) / 2};
    m_state.LetterIndex = 1;
    applySavedGeometry();
}

void TMainFrm::applySavedGeometry() {
    // A stored place on a screen that is gone, or a size no window can have, is shown where the
    // user can reach it; the file keeps its values until the close button writes the new ones.
    const QRect shown = VisibleGeometry(QRect(saved.left, saved.top, saved.width, saved.height),
                                        m_platform.screen->areas(), QSize(ml::kOpenWidth, ml::kOpenHeight));
    resize(shown.size());
    move(shown.topLeft());
    layoutAnchored(); // a hidden window gets its resize event only when shown
}

void TMainFrm::SaveFormSize() {
    m_platform.text->writeLines(m_platform.folder->path("data\\FormSize.ini"),
                                {std::to_string(m_state.LetterIndex), std::to_string(saved.width),
                                 std::to_string(saved.height), std::to_string(saved.left),
                                 std::to_string(saved.top)});
}

void TMainFrm::FormShow() {
    try {
        LoadFormSize();
    } catch (const std::exception& e) {
        reportError(e);
        // A damaged file: go on with the default place and size, and leave the file for the close
        // button to rewrite.
        useDefaultGeometry();
    }
    if (m_tools.ShowCurPicFile) {
        try {
            m_tools.ShowCurPicFile(m_context);
        } catch (const std::exception& e) {
            reportError(e);
        }
    }
}

void TMainFrm::setButtonStates(int close, int mini) {
    if (close >= 0) closeButton->setState(static_cast<StateButton::State>(close));
    if (mini >= 0) miniButton->setState(static_cast<StateButton::State>(mini));
}

void TMainFrm::imgBGMouseMove() {
    setButtonStates(0, 0);
}
void TMainFrm::img_close_normalMouseMove() {
    setButtonStates(1, 0);
}
void TMainFrm::img_mini_normalMouseMove() {
    setButtonStates(0, 1);
}
void TMainFrm::img_close_highlightMouseDown() {
    setButtonStates(2, 0);
}
void TMainFrm::img_mini_highlightMouseDown() {
    setButtonStates(0, 2);
}

void TMainFrm::img_close_highlightClick() {
    // Where the place is not known (Wayland), the stored one stays for the next start on a desktop
    // that knows it, instead of a top-left corner that was never the window's.
    const bool placeKnown = WindowPlacesKnown();
    saved = {width(), height(), placeKnown ? x() : saved.left, placeKnown ? y() : saved.top};
    try {
        SaveFormSize();
    } catch (const std::exception& e) {
        reportError(e);
    }
    emit quitRequested();
}

void TMainFrm::img_mini_highlightClick() {
    setButtonStates(0, 0);
    // Only minimised, not hidden: on Linux a hidden window has no taskbar entry to restore it from.
    showMinimized();
}

void TMainFrm::imgBGMouseDown() {
    m_drag->start(QCursor::pos());
}

Qt::Edges TMainFrm::frameEdges(const QPoint& p) const {
    Qt::Edges edges;
    if (p.x() < kFrameGrip) edges |= Qt::LeftEdge;
    if (p.x() >= width() - kFrameGrip) edges |= Qt::RightEdge;
    if (p.y() < kFrameGrip) edges |= Qt::TopEdge;
    if (p.y() >= height() - kFrameGrip) edges |= Qt::BottomEdge;
    return edges;
}

bool TMainFrm::startFrameGesture(QWidget* on, const QPoint& localPos) {
    const Qt::Edges edges = frameEdges(on->mapTo(this, localPos));
    if (edges == Qt::Edges()) return false;
    if (QWindow* w = windowHandle()) w->startSystemResize(edges);
    return true;
}

void TMainFrm::lblSetClick() {
    PopupMenu(popSysset, lblSet->mapToGlobal(QPoint(0, lblSet->height())));
}

void TMainFrm::N_helpClick() {
    m_platform.shell->open(webAddress(QStringLiteral("/help4/tavia.htm")));
}
void TMainFrm::N_SubmitClick() {
    m_platform.shell->open(webAddress(QStringLiteral("/help4/tavib.htm")));
}
void TMainFrm::N_ExitPrjClick() {
    emit quitRequested();
}

void TMainFrm::trimWorkingSet() {
    m_platform.kernel->trimWorkingSet();
}

void TMainFrm::AppEvent1Idle() {
    // The event loop goes idle many times a second; giving memory back once a second is enough.
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    if (now - m_lastIdleTrim < 1000) return;
    m_lastIdleTrim = now;
    trimWorkingSet();
}

void TMainFrm::changeEvent(QEvent* e) {
    if (e->type() == QEvent::WindowStateChange || e->type() == QEvent::ActivationChange) trimWorkingSet();
    QWidget::changeEvent(e);
}

bool TMainFrm::isInsideWebLink(QObject* o) const {
    QWidget* root = webLink ? webLink->widget() : nullptr;
    for (auto* w = qobject_cast<QWidget*>(o); w && root; w = w->parentWidget())
        if (w == root) return true;
    return false;
}

bool TMainFrm::event(QEvent* e) {
    if (m_tools.copyScreenEventType != 0 && e->type() == m_tools.copyScreenEventType) {
        if (m_tools.Copyscreanform) m_tools.Copyscreanform(m_context);
        return true;
    }
    return QWidget::event(e);
}

bool TMainFrm::eventFilter(QObject* watched, QEvent* e) {
    // Right clicks never reach the web panel: an empty menu pops up instead of the view's own.
    if ((e->type() == QEvent::MouseButtonPress || e->type() == QEvent::MouseButtonRelease ||
         e->type() == QEvent::MouseButtonDblClick || e->type() == QEvent::ContextMenu) &&
        isInsideWebLink(watched)) {
        if (e->type() == QEvent::ContextMenu) return true;
        auto* me = static_cast<QMouseEvent*>(e);
        if (me->button() == Qt::RightButton) {
            if (e->type() != QEvent::MouseButtonRelease) PopupMenu(pmEmpty, QCursor::pos());
            return true;
        }
        return false;
    }
    if (watched == imgBG) {
        if (e->type() == QEvent::MouseButtonPress) {
            auto* me = static_cast<QMouseEvent*>(e);
            if (!startFrameGesture(imgBG, me->position().toPoint())) imgBGMouseDown();
            return true;
        }
        if (m_drag->handle(e)) return true;
        if (e->type() == QEvent::MouseMove) {
            auto* me = static_cast<QMouseEvent*>(e);
            const Qt::Edges edges = frameEdges(imgBG->mapTo(this, me->position().toPoint()));
            const bool l = edges & Qt::LeftEdge, r = edges & Qt::RightEdge;
            const bool t = edges & Qt::TopEdge, b = edges & Qt::BottomEdge;
            if ((l && t) || (r && b))
                imgBG->setCursor(Qt::SizeFDiagCursor);
            else if ((r && t) || (l && b))
                imgBG->setCursor(Qt::SizeBDiagCursor);
            else if (l || r)
                imgBG->setCursor(Qt::SizeHorCursor);
            else if (t || b)
                imgBG->setCursor(Qt::SizeVerCursor);
            else
                imgBG->unsetCursor();
            imgBGMouseMove();
            return false;
        }
    }
    if (watched == lblSet && e->type() == QEvent::MouseButtonRelease) {
        lblSetClick();
        return true;
    }
    return QWidget::eventFilter(watched, e);
}

} // namespace nodo
