#include "capture/CopyScreenFrm.h"

#include "capture/core/CaptureTexts.h"
#include "imaging/PictureFile.h"
#include "pictures/PicImage.h"
#include "pictures/PicImport.h"
#include "pictures/uGlobal.h"
#include "platform/Platform.h"
#include "ui/BitmapImage.h"
#include "ui/Chrome.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLoggingCategory>
#include <QMouseEvent>
#include <QPainter>
#include <QRegion>
#include <QScreen>

#include <cmath>
#include <exception>

namespace {
Q_LOGGING_CATEGORY(lcCapture, "nodo.capture", QtCriticalMsg)
}

namespace nodo {

namespace {

QString Q(std::string_view s) {
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

capture::MouseButton ButtonOf(Qt::MouseButton b) {
    if (b == Qt::RightButton) return capture::MouseButton::Right;
    if (b == Qt::LeftButton) return capture::MouseButton::Left;
    return capture::MouseButton::Other;
}

bool IsSendKey(int key) {
    return key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter;
}

} // namespace

// The image filling the window: paints the frozen screen and passes the mouse to the window.
class TScreenImage : public QWidget {
public:
    explicit TScreenImage(TCopyScreenForm* form) : QWidget(form), m_form(form) {
        setAttribute(Qt::WA_OpaquePaintEvent);
        setMouseTracking(true);
        setCursor(Qt::CrossCursor);
    }

protected:
    void paintEvent(QPaintEvent* event) override {
        QPainter p(this);
        const QImage& img = m_form->m_screen;
        const qreal dpr = m_form->m_dpr;
        for (const QRect& r : event->region()) {
            const QRectF source(r.x() * dpr, r.y() * dpr, r.width() * dpr, r.height() * dpr);
            p.drawImage(QRectF(r), img, source);
        }
    }
    void mousePressEvent(QMouseEvent* e) override { m_form->ImgScreenMouseDown(e->button(), e->position()); }
    void mouseMoveEvent(QMouseEvent* e) override { m_form->ImgScreenMouseMove(e->position()); }
    void mouseReleaseEvent(QMouseEvent*) override { m_form->ImgScreenMouseUp(); }
    void mouseDoubleClickEvent(QMouseEvent* e) override {
        // The second press of a double click: the double click first, then the press itself.
        if (e->button() == Qt::LeftButton) m_form->ImgScreenDblClick();
        if (!m_form->m_closing) m_form->ImgScreenMouseDown(e->button(), e->position());
    }

private:
    TCopyScreenForm* m_form;
};

TCopyScreenForm::TCopyScreenForm(const MainContext& ctx, QWidget* owner)
    : QWidget(owner ? owner : ctx.mainWindow,
              Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      m_ctx(ctx) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Nodo助手"));
    setFocusPolicy(Qt::StrongFocus);
    setFont(UiFont(QStringLiteral("宋体"), 12));

    ImgScreen = new TScreenImage(this);
    ImgScreen->setFocusPolicy(Qt::NoFocus);

    PnlInfo = new QFrame(this);
    PnlInfo->setGeometry(0, 0, 249, 99);
    PnlInfo->setFrameStyle(QFrame::Panel | QFrame::Raised);
    PnlInfo->setLineWidth(1);
    PnlInfo->setAutoFillBackground(true);
    QPalette pal = PnlInfo->palette();
    pal.setColor(QPalette::Window, QColor(0xF0, 0xFB, 0xFF)); // 0x00FFFBF0 as blue-green-red
    pal.setColor(QPalette::WindowText, Qt::black);
    PnlInfo->setPalette(pal);
    PnlInfo->setMouseTracking(true);
    PnlInfo->installEventFilter(this);

    auto label = [this](int y, std::string_view text) {
        auto* l = new QLabel(Q(text), PnlInfo);
        l->move(8, y);
        l->adjustSize();
        l->setMouseTracking(true);
        l->installEventFilter(this);
        return l;
    };
    LblRGB = label(8, capture::kRGBDesign);
    LblActionInfo = label(32, capture::kActionSelect);
    LblCancelInfo = label(56, capture::kCancelExit);
    Label1 = label(80, capture::kEscInfo);
}

TCopyScreenForm::~TCopyScreenForm() {
    if (m_filtering) qApp->removeEventFilter(this);
}

void TCopyScreenForm::setScreenImage(QImage screen) {
    if (screen.format() != QImage::Format_RGB32 && screen.format() != QImage::Format_ARGB32)
        screen = screen.convertToFormat(QImage::Format_RGB32);
    m_screen = std::move(screen);
    m_screen.setDevicePixelRatio(1.0);
    // bits() makes the picture ours alone; from here on it is changed in place, never copied.
    uchar* bits = m_screen.bits();
    m_sel.setScreen(
        {reinterpret_cast<uint32_t*>(bits), m_screen.width(), m_screen.height(), m_screen.bytesPerLine()});

    const QScreen* primary = QGuiApplication::primaryScreen();
    m_dpr = primary ? primary->devicePixelRatio() : 1.0;
    // A picture from the desktop portal is in the compositor's pixels, which may be finer than what
    // Qt is told under XWayland: then the picture's own ratio to the screen maps the window to it.
    if (primary && !primary->geometry().isEmpty()) {
        const qreal ratio = qreal(m_screen.width()) / primary->geometry().width();
        if (ratio > 1.0 && std::abs(m_screen.height() - primary->geometry().height() * ratio) <= ratio)
            m_dpr = ratio;
    }
    const QSize logical(qRound(m_screen.width() / m_dpr), qRound(m_screen.height() / m_dpr));
    const QPoint origin = primary ? primary->geometry().topLeft() : QPoint();
    setGeometry(QRect(origin, logical));
    ImgScreen->setGeometry(rect());
    if (primary && primary->geometry().size() == logical) setWindowState(Qt::WindowFullScreen);
}

void TCopyScreenForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    FormShow();
    if (!m_filtering) {
        qApp->installEventFilter(this);
        m_filtering = true;
    }
    activateWindow();
    setFocus(Qt::ActiveWindowFocusReason);
}

void TCopyScreenForm::hideEvent(QHideEvent* event) {
    if (m_filtering) {
        qApp->removeEventFilter(this);
        m_filtering = false;
    }
    QWidget::hideEvent(event);
}

void TCopyScreenForm::FormShow() {
    m_sel.start();
    LblRGB->setText(Q(capture::kRGBDesign));
    LblRGB->adjustSize();
    updateLabels();
}

void TCopyScreenForm::closeEvent(QCloseEvent* event) {
    m_closing = true;
    // Leaving without a picture (Esc, the right button) gives the main window back as it was before
    // the capture hid it: shown, in place. Brought back minimised it would be lost on a desktop with
    // no task bar (GNOME), where to the user the program had vanished.
    if (m_ctx.mainWindow && (!m_ctx.mainWindow->isVisible() || m_ctx.mainWindow->isMinimized())) {
        m_ctx.mainWindow->showNormal();
        m_ctx.mainWindow->raise();
        m_ctx.mainWindow->activateWindow();
    }
    event->accept();
    emit closed();
}

void TCopyScreenForm::keyPressEvent(QKeyEvent* event) {
    FormKeyDown(event);
}

void TCopyScreenForm::FormKeyDown(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        if (!event->isAutoRepeat()) CancelOrExit();
        event->accept();
        return;
    }
    event->ignore();
}

bool TCopyScreenForm::eventFilter(QObject* watched, QEvent* event) {
    // Installed on the application while shown (Space and Enter), and on the panel and its labels.
    if (ApplicationEvents1Message(event)) return true;
    if (event->type() == QEvent::MouseMove && (watched == PnlInfo || watched->parent() == PnlInfo)) {
        PnlInfoMouseMove();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

bool TCopyScreenForm::ApplicationEvents1Message(QEvent* event) {
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride) return false;
    // A message box raised over the capture (a failed save) must still take its Enter key.
    if (!isVisible() || m_closing || QApplication::activeModalWidget()) return false;
    auto* key = static_cast<QKeyEvent*>(event);
    if (!IsSendKey(key->key())) return false;
    // Taken from every window and control while the capture is up; no shortcut fires either.
    key->accept();
    if (event->type() == QEvent::KeyPress && m_sel.state() == capture::SelState::Finished) SendSelection();
    return true;
}

QPoint TCopyScreenForm::toScreen(QPointF pos) const {
    return {int(std::floor(pos.x() * m_dpr)), int(std::floor(pos.y() * m_dpr))};
}

void TCopyScreenForm::ImgScreenMouseMove(QPointF pos) {
    const QPoint logical = pos.toPoint();
    const QRect panel = PnlInfo->geometry();
    if (capture::StrictlyBetween(logical.x(), panel.left(), panel.left() + panel.width()) &&
        capture::StrictlyBetween(logical.y(), panel.top(), panel.top() + panel.height()))
        PnlInfoMouseMove();
    const QPoint p = toScreen(pos);
    m_sel.mouseMove(p.x(), p.y());
    applyCursor();
    repaintBand();
    const QString readout = QString::fromStdString(m_sel.readout(p.x(), p.y()));
    if (!readout.isEmpty() && readout != LblRGB->text()) {
        LblRGB->setText(readout);
        LblRGB->adjustSize();
    }
}

void TCopyScreenForm::PnlInfoMouseMove() {
    PnlInfo->move(capture::PanelLeftAfterPointer(PnlInfo->x(), width(), PnlInfo->width()), 0);
}

void TCopyScreenForm::ImgScreenMouseDown(Qt::MouseButton button, QPointF pos) {
    const QPoint p = toScreen(pos);
    if (m_sel.mouseDown(ButtonOf(button), p.x(), p.y())) {
        CancelOrExit();
        return;
    }
    repaintBand();
    updateLabels();
}

void TCopyScreenForm::ImgScreenMouseUp() {
    m_sel.mouseUp();
    updateLabels();
}

void TCopyScreenForm::ImgScreenDblClick() {
    if (m_sel.state() == capture::SelState::Finished) SendSelection();
}

void TCopyScreenForm::CancelOrExit() {
    if (m_closing) return;
    if (m_sel.cancelOrExit()) {
        close();
        return;
    }
    repaintBand();
    updateLabels();
}

void TCopyScreenForm::SendSelection() {
    if (m_closing) return;
    const auto plan = m_sel.beginSend();
    if (plan.kind == capture::CaptureSelection::SendPlan::Ignore) return;
    if (plan.kind == capture::CaptureSelection::SendPlan::Copy) {
        std::string file;
        try {
            file = saveSelection(plan.rect);
        } catch (const std::exception& e) {
            // Nothing was handed over: keep the selection so the user can try again or cancel.
            m_sel.sendFailed();
            repaintBand();
            if (m_ctx.platform && m_ctx.platform->messages)
                m_ctx.platform->messages->errorReport(this, QString::fromStdString(e.what()));
            return;
        }
        m_sel.sendFinished();
        handOver(file);
    } else {
        // An empty selection has no picture to send: the page and "tmp\tmp.bmp" stay as they were.
        m_sel.sendFinished();
        if (m_ctx.mainWindow) m_ctx.mainWindow->showNormal();
    }
    repaintBand();
    close();
}

std::string TCopyScreenForm::saveSelection(const capture::Rect& rect) {
    const pic::Bitmap bitmap =
        FromQImage(m_screen.copy(rect.left, rect.top, rect.width(), rect.height()), 24);
    TmpFolder(*m_ctx.platform);
    std::string file = m_ctx.platform->folder->path("tmp\\tmp.bmp");
    pic::SaveBmpFile(file, bitmap, 24);
    return file;
}

void TCopyScreenForm::handOver(const std::string& file) {
    // Once the file is saved, a failure to hand it over is not reported; the file stays.
    try {
        m_ctx.state->CurPicFile = file;
        TmpPicIni(0, *m_ctx.state, *m_ctx.platform->folder, *m_ctx.platform->text);
        if (m_ctx.imgPicMix) m_ctx.imgPicMix->LoadFromFile(file);
        if (m_ctx.mainWindow) {
            m_ctx.mainWindow->showNormal();
            m_ctx.mainWindow->raise();
            m_ctx.mainWindow->activateWindow();
        }
    } catch (const std::exception& e) {
        qCWarning(lcCapture) << "the capture" << file.c_str() << "was saved but not handed over:" << e.what();
    } catch (...) {
        qCWarning(lcCapture) << "the capture" << file.c_str() << "was saved but not handed over";
    }
}

void TCopyScreenForm::applyCursor() {
    if (m_sel.cursor() == m_cursorShown) return;
    m_cursorShown = m_sel.cursor();
    switch (m_cursorShown) {
    case capture::Cursor::Cross:
        ImgScreen->setCursor(Qt::CrossCursor);
        break;
    case capture::Cursor::Arrow:
        ImgScreen->setCursor(Qt::ArrowCursor);
        break;
    case capture::Cursor::SizeAll:
        ImgScreen->setCursor(Qt::SizeAllCursor);
        break;
    }
}

void TCopyScreenForm::repaintBand() {
    const auto dirty = m_sel.takeDirty();
    if (dirty.empty()) return;
    QRegion region;
    for (const capture::Rect& r : dirty) {
        const int left = int(std::floor(r.left / m_dpr)), top = int(std::floor(r.top / m_dpr));
        const int right = int(std::ceil(r.right / m_dpr)), bottom = int(std::ceil(r.bottom / m_dpr));
        region += QRect(left, top, right - left, bottom - top);
    }
    ImgScreen->update(region);
}

void TCopyScreenForm::updateLabels() {
    const QString action = Q(m_sel.actionText()), cancel = Q(m_sel.cancelText());
    if (LblActionInfo->text() != action) {
        LblActionInfo->setText(action);
        LblActionInfo->adjustSize();
    }
    if (LblCancelInfo->text() != cancel) {
        LblCancelInfo->setText(cancel);
        LblCancelInfo->adjustSize();
    }
}

} // namespace nodo
