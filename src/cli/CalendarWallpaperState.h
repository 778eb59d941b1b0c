#pragma once
// What the daily refresh of the month on the wallpaper remembers between runs: the file it last
// handed to the desktop, and a wallpaper it found set by hand and left alone.
#include <filesystem>
#include <optional>
#include <string>

namespace nodo::cli {

struct CalendarWallpaperState {
    std::string given, givenAt; // the last month laid on the wallpaper, and when
    std::string left, leftAt;   // a wallpaper set by hand since then, which a refresh left alone

    // Missing or unreadable: an empty state. Throws nothing.
    static CalendarWallpaperState Load(const std::filesystem::path& file);
    // Replaced whole. Throws FileError.
    void save(const std::filesystem::path& file) const;
};

// $XDG_STATE_HOME/nodo/calendar-wallpaper (~/.local/state/nodo/calendar-wallpaper).
std::filesystem::path CalendarWallpaperStateFile();

// What a refresh does, given the file the last refresh handed over and the one the desktop shows
// now (nullopt where the desktop does not say).
enum class RefreshChoice {
    Lay, // nothing to keep: lay the month (first refresh, the desktop still shows ours, or it cannot tell)
    LeaveAlone // the user has set another wallpaper since: keep it and say so
};
RefreshChoice ChooseRefresh(const CalendarWallpaperState& state,
                            const std::optional<std::filesystem::path>& shown);

// The local time now as "YYYY-MM-DD HH:MM".
std::string LocalTimeStamp();

} // namespace nodo::cli
