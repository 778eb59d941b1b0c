#pragma once
#include <QRect>
#include <vector>

namespace nodo {

// Where a window with a stored place and size is shown, given the screens' areas (the primary's
// first): a size that cannot be a window takes `fallbackSize`; a window that cannot be reached (too
// little of it on any screen, or its top above the screen) is moved onto the screen it overlaps most
// (the primary when none), whole when it fits, else by its top-left part.
QRect VisibleGeometry(const QRect& stored, const std::vector<QRect>& screens, const QSize& fallbackSize);

// Whether the window system tells a program where its windows are. On Wayland a window's place is
// the compositor's: the program neither sets it nor learns it (every window reads as at 0, 0).
bool WindowPlacesKnown();

} // namespace nodo
