#pragma once
// Which desktop is running, so the wallpaper can be handed to it the way it expects.
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace nodo::desktop {

enum class Desktop {
    None,  // no graphical session we can reach
    Gnome, // GNOME and the desktops that read its background keys: Budgie, Unity, Pantheon
    Cinnamon,
    Mate,
    Kde, // Plasma 5 and 6
    Xfce,
    Lxqt,
    Lxde,
    Sway,
    X11Root, // any other X11 session: the root window itself
};

const char* DesktopName(Desktop desktop);

// Environment variables by name; unset and empty read the same.
using Environment = std::function<std::optional<std::string>(const std::string& name)>;
Environment ProcessEnvironment();

// One entry of XDG_CURRENT_DESKTOP ("GNOME", "X-Cinnamon", "KDE", ...), without regard to case.
Desktop DesktopFromName(std::string_view name);
// The first entry of a colon list that names a desktop we know ("ubuntu:GNOME" -> Gnome).
Desktop DesktopFromCurrentDesktop(std::string_view list);
// The desktop whose shell is among the running processes (names as in /proc/PID/comm).
Desktop DesktopFromProcesses(const std::vector<std::string>& processNames);

// The desktop a session's own variables name: XDG_CURRENT_DESKTOP, XDG_SESSION_DESKTOP,
// DESKTOP_SESSION (a name or a session file's path), then the variables a desktop sets for its own
// programs (KDE_FULL_SESSION, MATE_DESKTOP_SESSION_ID, SWAYSOCK, GNOME_DESKTOP_SESSION_ID). None
// when none of them names a desktop we know; `reason` then stays empty.
Desktop DesktopFromVariables(const Environment& env, std::string* reason = nullptr);

struct DesktopDetection {
    Desktop desktop = Desktop::None;
    std::string reason; // how it was found, for the log
};

// The session's variables first; only when they name no desktop we know are the session's
// processes asked for (`processNames` is called at most once, and may be empty). An unknown
// desktop on X11 gets the root window, an unknown Wayland compositor or no display at all None.
DesktopDetection DetectDesktop(const Environment& env,
                               const std::function<std::vector<std::string>()>& processNames);
// The same with the processes already listed.
Desktop DetectDesktop(const Environment& env, const std::vector<std::string>& processNames);

// The command names (/proc/PID/comm) of the processes this user runs, sorted, each once.
std::vector<std::string> SessionProcessNames();

} // namespace nodo::desktop
