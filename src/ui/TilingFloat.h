#pragma once
// A tiling window manager (sway, i3) gives every new window a tile: the main window, drawn for its
// own size, then fills half the screen, and its close button stores the tile's size and place as
// the window's. Both float a window whose size is fixed at the moment it appears. On such a desktop
// the window fixes its size until it is first on screen, then gives its own frame back its resizing.
#include <QString>

#include <functional>

class QWidget;

namespace nodo {

// Whether the session's window manager tiles: sway (SWAYSOCK, or "sway" in XDG_CURRENT_DESKTOP) or
// i3 (I3SOCK, or "i3"). `variable` reads the environment; unset and empty read the same.
bool TilingSession(const std::function<QString(const char*)>& variable);
bool TilingSession();

// Call before the window's first show. Each later show floats it again (a window hidden and shown
// is mapped anew). Does nothing where the window manager does not tile.
void FloatWhenTiled(QWidget& window);

} // namespace nodo
