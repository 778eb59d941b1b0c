#include "platform/desktop/DesktopDetect.h"

#include "platform/AppFolder.h"

#include <algorithm>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
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

// Session names (XDG_SESSION_DESKTOP, DESKTOP_SESSION, the session files of the login manager)
// that are not desktop names themselves, lower-cased.
constexpr NameEntry kSessionNames[] = {
    {"ubuntu", Desktop::Gnome},         {"ubuntu-xorg", Desktop::Gnome},
    {"ubuntu-wayland", Desktop::Gnome}, {"gnome-xorg", Desktop::Gnome},
    {"gnome-wayland", Desktop::Gnome},  {"budgie-desktop", Desktop::Gnome},
    {"cinnamon2d", Desktop::Cinnamon},  {"cinnamon-wayland", Desktop::Cinnamon},
    {"plasmawayland", Desktop::Kde},    {"plasmax11", Desktop::Kde},
    {"kde-plasma", Desktop::Kde},       {"xubuntu", Desktop::Xfce},
    {"lubuntu", Desktop::Lxqt},         {"lxde-pi", Desktop::Lxde},
};

// Variables a desktop sets for the programs of its session, in the order they are trusted: the
// GNOME one last, since sessions derived from GNOME's may set it too.
struct MarkerEntry {
    const char* variable;
    Desktop desktop;
};
constexpr MarkerEntry kMarkerVariables[] = {
    {"KDE_FULL_SESSION", Desktop::Kde},
    {"MATE_DESKTOP_SESSION_ID", Desktop::Mate},
    {"SWAYSOCK", Desktop::Sway},
    {"GNOME_DESKTOP_SESSION_ID", Desktop::Gnome},
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

// A session name: a desktop's own name or one of the login manager's; a path counts by its file
// name ("/usr/share/xsessions/plasma.desktop" is "plasma").
Desktop DesktopFromSessionName(std::string_view name) {
    name = trim(name);
    if (const auto slash = name.rfind('/'); slash != std::string_view::npos) name.remove_prefix(slash + 1);
    if (name.ends_with(".desktop")) name.remove_suffix(8);
    const Desktop d = DesktopFromName(name);
    if (d != Desktop::None) return d;
    const std::string key = FoldCase(name);
    for (const auto& e : kSessionNames)
        if (key == e.name) return e.desktop;
    return Desktop::None;
}

bool allDigits(const char* s) {
    if (!*s) return false;
    for (; *s; ++s)
        if (*s < '0' || *s > '9') return false;
    return true;
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

Desktop DesktopFromVariables(const Environment& env, std::string* reason) {
    const auto found = [&](Desktop d, const char* variable, const std::string& value) {
        if (reason) *reason = std::string(variable) + "=" + value;
        return d;
    };
    if (const auto v = env("XDG_CURRENT_DESKTOP"))
        if (const Desktop d = DesktopFromCurrentDesktop(*v); d != Desktop::None)
            return found(d, "XDG_CURRENT_DESKTOP", *v);
    for (const char* variable : {"XDG_SESSION_DESKTOP", "DESKTOP_SESSION"})
        if (const auto v = env(variable))
            if (const Desktop d = DesktopFromSessionName(*v); d != Desktop::None)
                return found(d, variable, *v);
    for (const auto& m : kMarkerVariables)
        if (const auto v = env(m.variable); v && !v->empty()) return found(m.desktop, m.variable, *v);
    return Desktop::None;
}

DesktopDetection DetectDesktop(const Environment& env,
                               const std::function<std::vector<std::string>()>& processNames) {
    DesktopDetection r;
    r.desktop = DesktopFromVariables(env, &r.reason);
    if (r.desktop != Desktop::None) return r;
    // Only now, when the session says nothing we know, are its processes looked at.
    if (processNames) {
        const auto names = processNames();
        for (const auto& e : kShellProcesses)
            if (std::find(names.begin(), names.end(), e.name) != names.end()) {
                r.desktop = e.desktop;
                r.reason = std::string("no desktop named by the session's variables; its process ") + e.name +
                           " is running";
                return r;
            }
    }
    const bool wayland =
        isSet(env, "WAYLAND_DISPLAY") || FoldCase(env("XDG_SESSION_TYPE").value_or("")) == "wayland";
    // Under an unknown Wayland compositor the X root window (Xwayland's) is never seen.
    if (wayland) {
        r.reason = "no known desktop, and a Wayland session has no root window to paint";
        return r;
    }
    if (isSet(env, "DISPLAY")) {
        r.desktop = Desktop::X11Root;
        r.reason = "no known desktop: the root window of DISPLAY=" + env("DISPLAY").value_or("");
        return r;
    }
    r.reason = "no known desktop and no display";
    return r;
}

Desktop DetectDesktop(const Environment& env, const std::vector<std::string>& processNames) {
    return DetectDesktop(env, [&processNames] { return processNames; }).desktop;
}

std::vector<std::string> SessionProcessNames() {
    // Plain system calls: a busy machine has hundreds of processes, and this runs on every apply
    // without a desktop variable.
    std::vector<std::string> names;
    const uid_t me = ::getuid();
    DIR* proc = ::opendir("/proc");
    if (!proc) return names;
    const int procFd = ::dirfd(proc);
    while (const dirent* entry = ::readdir(proc)) {
        if (!allDigits(entry->d_name)) continue;
        struct stat st {};
        if (::fstatat(procFd, entry->d_name, &st, 0) != 0 || st.st_uid != me) continue;
        const std::string comm = std::string(entry->d_name) + "/comm";
        const int fd = ::openat(procFd, comm.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) continue;
        char buf[64];
        const ssize_t n = ::read(fd, buf, sizeof buf);
        ::close(fd);
        if (n <= 0) continue;
        std::string name(buf, static_cast<std::size_t>(n));
        while (!name.empty() && (name.back() == '\n' || name.back() == '\0'))
            name.pop_back();
        if (!name.empty()) names.push_back(std::move(name));
    }
    ::closedir(proc);
    std::sort(names.begin(), names.end());
    names.erase(std::unique(names.begin(), names.end()), names.end());
    return names;
}

} // namespace nodo::desktop
