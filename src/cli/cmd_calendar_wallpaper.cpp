// nodo-cli calendar-wallpaper: the daily refresh of the month on the wallpaper, switched on and off
// through the systemd user timer the package installs, and the refresh that timer runs. A wallpaper
// the user set since the last refresh is never covered without a word: the refresh keeps it and
// `status` says so.
#include "cli/CalendarWallpaperState.h"
#include "cli/Command.h"
#include "platform/desktop/CommandRunner.h"
#include "platform/desktop/DesktopWallpaper.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

using namespace nodo;
using nodo::cli::CalendarWallpaperState;

constexpr const char* kUsage = "calendar-wallpaper on|off|status|refresh [--app-folder DIR]";
constexpr const char* kTimer = "nodo-calendar-wallpaper.timer";

desktop::CommandResult Systemctl(std::vector<std::string> args) {
    desktop::PosixCommandRunner runner;
    args.insert(args.begin(), "--user");
    return runner.run({"systemctl", args});
}

std::string FirstLine(const std::string& text) {
    return text.substr(0, text.find('\n'));
}

// The reason systemctl gave, for a message of ours.
std::string Why(const desktop::CommandResult& r) {
    if (!r.started) return "systemctl could not be started: " + r.startError;
    const std::string said = FirstLine(r.err.empty() ? r.out : r.err);
    return said.empty() ? "systemctl ended with status " + std::to_string(r.exitStatus) : said;
}

// A user manager runs for this session (else enabling takes effect at the next log-in).
bool ManagerRuns() {
    const auto r = Systemctl({"is-system-running"});
    const std::string state = FirstLine(r.out);
    return r.started && !state.empty() && state != "offline" && state != "unknown";
}

int Switch(bool on) {
    const auto enabled = Systemctl({on ? "enable" : "disable", kTimer});
    if (!enabled.ok()) {
        std::fprintf(stderr, "nodo-cli calendar-wallpaper: the refresh could not be switched %s: %s\n",
                     on ? "on" : "off", Why(enabled).c_str());
        return 1;
    }
    if (ManagerRuns()) {
        const auto now = Systemctl({on ? "start" : "stop", kTimer});
        if (!now.ok()) {
            std::fprintf(stderr,
                         "nodo-cli calendar-wallpaper: switched %s from the next log-in, but not now: %s\n",
                         on ? "on" : "off", Why(now).c_str());
            return 1;
        }
        std::printf(
            on ? "on: the month is laid on the wallpaper every day just after midnight, and at log-in "
                 "after a day missed\n"
               : "off: the wallpaper is no longer refreshed\n");
    } else {
        std::printf(
            on ? "on from the next log-in (no systemd user manager runs now): the month is laid on the "
                 "wallpaper every day just after midnight\n"
               : "off from the next log-in (no systemd user manager runs now)\n");
    }
    return 0;
}

int Status() {
    const auto enabled = Systemctl({"is-enabled", kTimer});
    const std::string state = FirstLine(enabled.out);
    if (!enabled.started) {
        std::fprintf(stderr, "nodo-cli calendar-wallpaper: %s\n", Why(enabled).c_str());
        return 1;
    }
    std::printf("refresh: %s\n", state == "enabled" ? "on"
                                 : state.empty()    ? "off (the timer is not installed)"
                                                    : "off");
    const CalendarWallpaperState s = CalendarWallpaperState::Load(cli::CalendarWallpaperStateFile());
    if (s.given.empty()) {
        std::printf("last month laid: never\n");
        return 0;
    }
    std::printf("last month laid: %s (%s)\n", s.givenAt.c_str(), s.given.c_str());
    desktop::DesktopWallpaper wallpaper({}, std::make_unique<desktop::PosixCommandRunner>());
    const auto shown = wallpaper.current();
    if (!shown) {
        std::printf("the desktop (%s) does not say which picture it shows: a refresh lays the month\n",
                    desktop::DesktopName(wallpaper.lastDesktop()));
    } else if (cli::ChooseRefresh(s, shown) == cli::RefreshChoice::LeaveAlone) {
        std::printf("set by hand since: %s; the refresh keeps it (nodo-cli apply --calendar lays the month "
                    "again)\n",
                    shown->c_str());
    } else {
        std::printf("the desktop shows the month laid last\n");
    }
    if (!s.left.empty()) std::printf("a refresh kept the wallpaper set by hand on %s\n", s.leftAt.c_str());
    return 0;
}

int Refresh(const std::vector<std::string>& applyArgs) {
    const auto file = cli::CalendarWallpaperStateFile();
    CalendarWallpaperState s = CalendarWallpaperState::Load(file);
    desktop::DesktopWallpaper wallpaper({}, std::make_unique<desktop::PosixCommandRunner>());
    const auto shown = wallpaper.current();
    if (cli::ChooseRefresh(s, shown) == cli::RefreshChoice::LeaveAlone) {
        std::printf(
            "kept: the wallpaper %s was set by hand since the last refresh; the month is not laid over "
            "it (nodo-cli apply --calendar lays it again, calendar-wallpaper off stops the refresh)\n",
            shown->c_str());
        if (s.left != shown->string()) {
            s.left = shown->string();
            s.leftAt = cli::LocalTimeStamp();
            s.save(file);
        }
        return 0;
    }
    for (const auto& c : cli::commands())
        if (c.name == "apply") return c.run(applyArgs);
    std::fprintf(stderr, "nodo-cli calendar-wallpaper: no apply command\n");
    return 1;
}

int CalendarWallpaper(const std::vector<std::string>& args) {
    const std::string what = args.empty() ? "" : args[0];
    if (args.size() == 1 && (what == "on" || what == "off")) return Switch(what == "on");
    if (args.size() == 1 && what == "status") return Status();
    // The refresh works in the user's application folder, or the one given (as apply's option).
    if (what == "refresh" && (args.size() == 1 || (args.size() == 3 && args[1] == "--app-folder")))
        return Refresh(args.size() == 3 ? std::vector<std::string>{"--calendar", "--app-folder", args[2]}
                                        : std::vector<std::string>{"--calendar"});
    std::fprintf(stderr, "usage: nodo-cli %s\n", kUsage);
    return 2;
}

const nodo::cli::Registrar
    registrar("calendar-wallpaper",
              std::string(kUsage) + "   the daily month on the wallpaper: switch it, see it, run it once",
              CalendarWallpaper);

} // namespace
