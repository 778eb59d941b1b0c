#pragma once
// What a desktop that keeps one picture per monitor and workspace needs to know of the X display:
// the names of the outputs showing a picture and the number of workspaces.
#include <optional>
#include <string>
#include <vector>

namespace nodo::desktop {

struct ScreenLayout {
    std::vector<std::string> outputs; // RandR names of the outputs in use ("eDP-1", "HDMI-1", ...)
    int workspaces = 1;               // _NET_NUMBER_OF_DESKTOPS, 1 without a window manager saying it
};

// nullopt when the display cannot be opened (`displayName` null means $DISPLAY).
std::optional<ScreenLayout> ReadScreenLayout(const char* displayName);

} // namespace nodo::desktop
