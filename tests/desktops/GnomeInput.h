#pragma once
// Input to GNOME Shell on Wayland, which takes no input from outside but through mutter's own
// remote desktop interface on the session's bus.
#include <string>
#include <vector>

namespace tier {

// A key (an X keysym) pressed and released.
bool GnomeKey(const std::string& busAddress, unsigned keysym);

// The pointer actions of PointerActions.h, at places of the screen. Mutter moves the pointer to a
// place only within a screen-cast stream of the same session, so the session records the monitor
// (nothing reads the stream); without one it takes only relative steps, which it accelerates.
bool GnomePointer(const std::string& busAddress, const std::vector<std::string>& actions);

} // namespace tier
