#pragma once
// The window a dialog or message box belongs to. A compositor places a window with a transient
// parent over that parent (on Wayland it places every window), so each box and dialog must name one
// that is on the screen: a form that is not shown (a hidden helper form, the main window during a
// capture) would leave the box without a parent, at the screen's corner with a title bar of its own.
class QWidget;

namespace nodo {

// `asked`'s own window when it is shown; else the active window; else the largest shown top-level
// window of the program; null when nothing is shown.
QWidget* DialogOwner(QWidget* asked);

// Makes `dialog` (a top-level window) a transient child of `owner`'s window.
void AttachToOwner(QWidget& dialog, QWidget* owner);

} // namespace nodo
