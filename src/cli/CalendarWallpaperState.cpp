#include "cli/CalendarWallpaperState.h"

#include "platform/posix/AtomicFile.h"

#include <cstdlib>
#include <ctime>
#include <fstream>

namespace nodo::cli {

namespace fs = std::filesystem;

CalendarWallpaperState CalendarWallpaperState::Load(const fs::path& file) {
    CalendarWallpaperState s;
    std::ifstream in(file);
    for (std::string line; std::getline(in, line);) {
        const auto eq = line.find('=');
        if (eq == std::string::npos) continue;
        const std::string key = line.substr(0, eq), value = line.substr(eq + 1);
        std::string* slot = key == "given"     ? &s.given
                            : key == "givenAt" ? &s.givenAt
                            : key == "left"    ? &s.left
                            : key == "leftAt"  ? &s.leftAt
                                               : nullptr;
        if (slot) *slot = value;
    }
    return s;
}

void CalendarWallpaperState::save(const fs::path& file) const {
    std::error_code ec;
    fs::create_directories(file.parent_path(), ec);
    const std::string text =
        "given=" + given + "\ngivenAt=" + givenAt + "\nleft=" + left + "\nleftAt=" + leftAt + "\n";
    AtomicFile out(file.string());
    out.write(text.data(), text.size());
    out.commit(AtomicFile::ModeFor(file.string()), false);
}

fs::path CalendarWallpaperStateFile() {
    if (const char* state = std::getenv("XDG_STATE_HOME"); state && *state == '/')
        return fs::path(state) / "nodo/calendar-wallpaper";
    const char* home = std::getenv("HOME");
    return fs::path(home && *home ? home : "/tmp") / ".local/state/nodo/calendar-wallpaper";
}

RefreshChoice ChooseRefresh(const CalendarWallpaperState& state, const std::optional<fs::path>& shown) {
    if (state.given.empty() || !shown) return RefreshChoice::Lay;
    std::error_code ec;
    // The same file, however it is spelled.
    if (fs::equivalent(*shown, state.given, ec) || *shown == fs::path(state.given)) return RefreshChoice::Lay;
    return RefreshChoice::LeaveAlone;
}

std::string LocalTimeStamp() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M", &local);
    return buf;
}

} // namespace nodo::cli
