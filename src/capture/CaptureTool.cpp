#include "capture/CaptureTool.h"

#include "capture/CopyScreenFrm.h"
#include "platform/Platform.h"
#include "ui/TilingFloat.h"

#include <QCoreApplication>
#include <QWidget>

namespace nodo {

namespace {

// Without the main window there would be no way back into the program.
void BringBack(QWidget* mainWindow) {
    if (mainWindow && !mainWindow->isVisible()) mainWindow->showNormal();
}

} // namespace

void CaptureTool::SpeedButton1Click(MainContext& ctx) {
    Platform& platform = *ctx.platform;
    const auto answer = platform.messages->show(ctx.mainWindow, QStringLiteral("     Nodo 窗口最小化"),
                                                QStringLiteral("提示"), MessageBox::Buttons::OkCancel);
    if (answer == MessageBox::Result::Ok && ctx.mainWindow) {
        KeepPlaceWhileHidden(*ctx.mainWindow); // a tiling desktop would place it anew when shown
        ctx.mainWindow->hide();
    }
    // Let the hiding reach the display before the pause, so the screen behind is repainted.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    platform.kernel->sleep(200);
    if (ctx.mainWindow) QCoreApplication::postEvent(ctx.mainWindow, new QEvent(kCopyScreenEvent));
}

void CaptureTool::Copyscreanform(MainContext& ctx) {
    Platform& platform = *ctx.platform;
    if (ctx.mainWindow && ctx.mainWindow->isVisible()) ctx.mainWindow->repaint();

    QString why;
    if (!platform.screen->canGrab(&why)) {
        platform.messages->show(ctx.mainWindow, why, MessageBox::kAppTitle, MessageBox::Buttons::Ok,
                                MessageBox::Icon::Warning);
        BringBack(ctx.mainWindow);
        return;
    }

    platform.kernel->sleep(50);
    ScreenShot shot = platform.screen->capture();
    if (shot.outcome == ScreenShot::Outcome::Refused) {
        // The user (or the desktop) said no in the desktop's own dialog: nothing to tell them.
        BringBack(ctx.mainWindow);
        return;
    }
    QImage screen = std::move(shot.image);
    if (screen.isNull()) {
        // The reason on a line of its own, for the user to pass on.
        QString text = QStringLiteral("无法读取屏幕图像，截图失败。");
        if (!shot.detail.isEmpty()) text += QStringLiteral("\n\n") + shot.detail;
        platform.messages->show(ctx.mainWindow, text, MessageBox::kAppTitle, MessageBox::Buttons::Ok,
                                MessageBox::Icon::Warning);
        BringBack(ctx.mainWindow);
        return;
    }
    auto* form = new TCopyScreenForm(ctx, ctx.mainWindow);
    m_current = form;
    connect(form, &TCopyScreenForm::closed, this, [this, form] {
        if (m_current == form) m_current = nullptr;
    });
    form->setScreenImage(std::move(screen));
    form->show();
}

} // namespace nodo
