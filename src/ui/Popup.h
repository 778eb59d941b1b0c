#pragma once
#include <QMenu>

namespace nodo {

// Pops a menu up at a screen point, unless it has nothing to show. An empty menu would still open
// as an invisible popup that keeps the pointer, and the user's next click would be lost to it.
inline bool PopupMenu(QMenu* menu, const QPoint& at) {
    for (const QAction* a : menu->actions())
        if (a->isVisible() && !a->isSeparator()) {
            menu->popup(at);
            return true;
        }
    return false;
}

} // namespace nodo
