#pragma once
// Which of Qt's platforms the program runs on. On GNOME's Wayland session (mutter 43) a Wayland
// client cannot say that a window is a dialog: mutter then places the confirmation, every message
// box and the file dialog as a new main window, at the screen's top-left and under Qt's own title
// bar, instead of centring it over the window it belongs to; it also never tells the program where
// its window is, so the window cannot come back where the user left it. Through XWayland all of
// that is said and kept. So on GNOME under Wayland the program asks for XWayland first, unless the
// user chose a platform (QT_QPA_PLATFORM) or there is no X display.
#include <QString>

#include <functional>

namespace nodo {

// Whether XDG_CURRENT_DESKTOP's list ("ubuntu:GNOME", "X-Generic:i3") names `desktop`, in any case.
bool CurrentDesktopsName(const QString& list, const char* desktop);

// The value for QT_QPA_PLATFORM the program sets before its application object exists, or empty to
// leave Qt's choice. `variable` reads the environment; unset and empty read the same.
QString PreferredQtPlatform(const std::function<QString(const char*)>& variable);

// Sets QT_QPA_PLATFORM from the process's environment as PreferredQtPlatform says.
void ChooseQtPlatform();

} // namespace nodo
