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

// Call just before hiding a floating window for a moment (the capture hides the main window): such
// a window manager places a window shown again as a new one (sway in the middle of the screen), so
// this asks it where the window is now and puts it back there once it is on screen again. Does
// nothing where the window manager does not tile.
void KeepPlaceWhileHidden(QWidget& window);

} // namespace nodo
