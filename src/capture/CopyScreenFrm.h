#pragma once
// The full-screen capture window: the whole screen frozen into one picture, on which the user drags
// out a rectangle, moves it, cancels it or sends it to the picture page.
#include "capture/core/CaptureSelection.h"
#include "pictures/MainContext.h"

#include <QImage>
#include <QWidget>
#include <string>

class QFrame;
class QLabel;

namespace nodo {

class TCopyScreenForm : public QWidget {
    Q_OBJECT
public:
    // owner: the main window (ctx.mainWindow when null). The window frees itself when it closes.
    explicit TCopyScreenForm(const MainContext& ctx, QWidget* owner = nullptr);
    ~TCopyScreenForm() override;

    // The frozen screen, in device pixels; the window takes its size. Kept as the only copy: the
    // rubber band is inverted in it in place.
    void setScreenImage(QImage screen);
    const QImage& screenImage() const { return m_screen; }
    const capture::CaptureSelection& selection() const { return m_sel; }

    void CancelOrExit();
    void SendSelection();

    QWidget* ImgScreen = nullptr;
    QFrame* PnlInfo = nullptr;
    QLabel* LblRGB = nullptr;
    QLabel* LblActionInfo = nullptr;
    QLabel* LblCancelInfo = nullptr;
    QLabel* Label1 = nullptr;

signals:
    // The window has closed (it is deleted later).
    void closed();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    friend class TScreenImage;
    void FormShow();
    void FormKeyDown(QKeyEvent* event);
    void ImgScreenMouseDown(Qt::MouseButton button, QPointF pos);
    void ImgScreenMouseMove(QPointF pos);
    void ImgScreenMouseUp();
    void ImgScreenDblClick();
    void PnlInfoMouseMove();
    bool ApplicationEvents1Message(QEvent* event);

    QPoint toScreen(QPointF pos) const; // widget position -> frozen-screen pixel
    void applyCursor();
    void repaintBand();
    void updateLabels();
    std::string saveSelection(const capture::Rect& rect); // the file written; throws on failure
    void handOver(const std::string& file);

    MainContext m_ctx;
    QImage m_screen;
    capture::CaptureSelection m_sel;
    qreal m_dpr = 1.0;
    capture::Cursor m_cursorShown = capture::Cursor::Cross;
    bool m_filtering = false;
    bool m_closing = false;
};

} // namespace nodo
