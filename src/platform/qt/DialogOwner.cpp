#include "platform/qt/DialogOwner.h"

#include <QApplication>
#include <QWidget>
#include <QWindow>

namespace nodo {

namespace {

bool Shown(const QWidget* w) {
    return w && w->isVisible() && !w->isMinimized();
}

} // namespace

QWidget* DialogOwner(QWidget* asked) {
    if (asked && Shown(asked->window())) return asked->window();
    if (QWidget* active = QApplication::activeWindow(); Shown(active)) return active;
    QWidget* best = nullptr;
    int bestArea = -1;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (!Shown(w) || w->windowType() == Qt::Popup || w->windowType() == Qt::ToolTip) continue;
        const int area = w->width() * w->height();
        if (area > bestArea) {
            best = w;
            bestArea = area;
        }
    }
    return best;
}

void AttachToOwner(QWidget& dialog, QWidget* owner) {
    if (!owner || owner == &dialog) return;
    if (dialog.parentWidget() != owner) dialog.setParent(owner, dialog.windowFlags() | Qt::Dialog);
    // Qt names the parent's window as the transient parent when it makes the dialog's own; a dialog
    // made before that is told here. (Forcing a native window for it would make every widget of the
    // owner native too.)
    if (QWindow* handle = dialog.windowHandle()) handle->setTransientParent(owner->windowHandle());
}

} // namespace nodo
