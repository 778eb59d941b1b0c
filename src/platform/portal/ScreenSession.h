#pragma once
// What kind of graphical session the program runs in, as far as reading the screen is concerned.
#include <QString>

#include <functional>

namespace nodo {

// Environment variables by name; unset and empty read the same.
using EnvironmentLookup = std::function<QString(const char* name)>;
EnvironmentLookup ProcessEnvironmentLookup();

// A Wayland session: XDG_SESSION_TYPE says "wayland" or WAYLAND_DISPLAY is set. There the X server,
// if Qt runs on one at all, is XWayland and sees only its own clients, so the screen has to be asked
// of the desktop portal whichever Qt platform runs.
bool IsWaylandSession(const EnvironmentLookup& env);

} // namespace nodo
