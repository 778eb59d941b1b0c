#pragma once
// sway forgets an `output * bg` given to the running session at its next start (a log-in, or
// `swaymsg reload`): the background it starts with is the one its configuration names. The
// wallpaper is kept there: a file of our own with the one `output * bg` line, included at the end of
// the user's configuration, so that it comes after whatever background the configuration sets.
#include <filesystem>
#include <string>

namespace nodo::desktop {

struct SwayConfigPlaces {
    std::filesystem::path home;       // $HOME
    std::filesystem::path configHome; // $XDG_CONFIG_HOME
    std::filesystem::path systemConfig = "/etc/sway/config";
};

// The configuration sway reads at its start, in its own order of search; the user's own file at
// $XDG_CONFIG_HOME/sway/config when there is none yet.
std::filesystem::path SwayUserConfig(const SwayConfigPlaces& places);

// Our file included by that configuration: $XDG_CONFIG_HOME/nodo/sway-wallpaper.conf.
std::filesystem::path SwayWallpaperInclude(const SwayConfigPlaces& places);

// Writes the include for `picture` (replaced whole), and adds the include line to the end of the
// user's configuration once. A user without a configuration of their own gets one that reads the
// system's configuration first, as sway did before, then ours. The user's file is only appended to,
// in place (a link to a file elsewhere stays a link). Throws FileError.
void KeepSwayWallpaper(const SwayConfigPlaces& places, const std::filesystem::path& picture);

} // namespace nodo::desktop
