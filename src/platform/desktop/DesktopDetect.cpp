#include "platform/desktop/DesktopDetect.h"

#include "platform/AppFolder.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace nodo::desktop {

namespace {

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\n'))
        s.remove_suffix(1);
    return s;
}

struct NameEntry {
    const char* name;
    Desktop desktop;
};

// XDG_CURRENT_DESKTOP entries, lower-cased.
constexpr NameEntry kDesktopNames[] = {
    {"gnome", Desktop::Gnome},
    {"gnome-classic", Desktop::Gnome},
    {"gnome-flashback", Desktop::Gnome},
    {"budgie", Desktop::Gnome},
    {"budgie-desktop", Desktop::Gnome},
    {"unity", Desktop::Gnome},
    {"unity7", Desktop::Gnome},
    {"pantheon", Desktop::Gnome},
    {"x-cinnamon", Desktop::Cinnamon},
    {"cinnamon", Desktop::Cinnamon},
    {"mate", Desktop::Mate},
    {"kde", Desktop::Kde},
    {"plasma", Desktop::Kde},
    {"xfce", Desktop::Xfce},
    {"xfce4", Desktop::Xfce},
    {"lxqt", Desktop::Lxqt},
    {"lxde", Desktop::Lxde},
    {"sway", Desktop::Sway},
};

// Shell processes, in the order they are looked for (names are cut at 15 characters by the kernel).
// More specific shells come first: Cinnamon and Budgie sessions may also run GNOME helpers.
constexpr NameEntry kShellProcesses[] = {
    {"plasmashell", Desktop::Kde},
    {"cinnamon", Desktop::Cinnamon},
    {"cinnamon-sessio", Desktop::Cinnamon},
    {"mate-session", Desktop::Mate},
    {"mate-panel", Desktop::Mate},
    {"caja", Desktop::Mate},
    {"xfdesktop", Desktop::Xfce},
    {"xfce4-session", Desktop::Xfce},
    {"lxqt-session", Desktop::Lxqt},
    {"pcmanfm-qt", Desktop::Lxqt},
    {"lxsession", Desktop::Lxde},
    {"lxpanel", Desktop::Lxde},
    {"sway", Desktop::Sway},
    {"budgie-wm", Desktop::Gnome},
    {"budgie-panel", Desktop::Gnome},
    {"gala", Desktop::Gnome},
    {"io.elementary.w", Desktop::Gnome},
    {"gnome-shell", Desktop::Gnome},
    {"gnome-flashback", Desktop::Gnome},
};

bool isSet(const Environment& env, const char* name) {
    const auto v = env(name);
    return v && !v->empty();
}

} // namespace

const char* DesktopName(Desktop desktop) {
    switch (desktop) {
    case Desktop::None:
        return "none";
    case Desktop::Gnome:
        return "GNOME";
    case Desktop::Cinnamon:
        return "Cinnamon";
    case Desktop::Mate:
        return "MATE";
    case Desktop::Kde:
        return "KDE Plasma";
    case Desktop::Xfce:
        return "XFCE";
    case Desktop::Lxqt:
        return "LXQt";
    case Desktop::Lxde:
        return "LXDE";
    case Desktop::Sway:
        return "sway";
    case Desktop::X11Root:
        return "X11";
    }
    return "none";
}

Environment ProcessEnvironment() {
    return [](const std::string& name) -> std::optional<std::string> {
        const char* v = std::getenv(name.c_str());
        if (!v || !*v) return std::nullopt;
        return std::string(v);
    };
}

Desktop DesktopFromName(std::string_view name) {
    const std::string key = FoldCase(trim(name));
    for (const auto& e : kDesktopNames)
        if (key == e.name) return e.desktop;
    return Desktop::None;
}

Desktop DesktopFromCurrentDesktop(std::string_view list) {
    while (!list.empty()) {
        const auto colon = list.find(':');
        const Desktop d = DesktopFromName(list.substr(0, colon));
        if (d != Desktop::None) return d;
        if (colon == std::string_view::npos) break;
        list.remove_prefix(colon + 1);
    }
    return Desktop::None;
}

Desktop DesktopFromProcesses(const std::vector<std::string>& processNames) {
    for (const auto& e : kShellProcesses)
        if (std::find(processNames.begin(), processNames.end(), e.name) != processNames.end())
            return e.desktop;
    return Desktop::None;
}

Desktop DetectDesktop(const Environment& env, const std::vector<std::string>& processNames) {
    if (const auto current = env("XDG_CURRENT_DESKTOP")) {
        const Desktop d = DesktopFromCurrentDesktop(*current);
        if (d != Desktop::None) return d;
    }
    const Desktop d = DesktopFromProcesses(processNames);
    if (d != Desktop::None) return d;
    const bool wayland =
        isSet(env, "WAYLAND_DISPLAY") || FoldCase(env("XDG_SESSION_TYPE").value_or("")) == "wayland";
    // Under an unknown Wayland compositor the X root window (Xwayland's) is never seen.
    if (wayland) return Desktop::None;
    if (isSet(env, "DISPLAY")) return Desktop::X11Root;
    return Desktop::None;
}

std::vector<std::string> SessionProcessNames() {
    std::vector<std::string> names;
    const uid_t me = ::getuid();
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator("/proc", ec)) {
        const std::string pid = entry.path().filename().string();
        if (pid.empty() || !std::all_of(pid.begin(), pid.end(), [](char c) { return c >= '0' && c <= '9'; }))
            continue;
        struct stat st {};
        if (::stat(entry.path().c_str(), &st) != 0 || st.st_uid != me) continue;
        std::ifstream comm(entry.path() / "comm");
        std::string name;
        if (std::getline(comm, name) && !name.empty()) names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    names.erase(std::unique(names.begin(), names.end()), names.end());
    return names;
}

} // namespace nodo::desktop
