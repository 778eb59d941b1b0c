#pragma once
// What the desktops' own tools do not say and the session does: the screen's outputs and
// workspaces, the programs running, the user's configuration folder.
#include "platform/desktop/X11Layout.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace nodo::desktop {

struct SessionFacts {
    std::optional<ScreenLayout> screen;              // the X display's, when there is one
    std::vector<std::vector<std::string>> processes; // the user's processes, argv each
    std::filesystem::path configHome;                // $XDG_CONFIG_HOME
    std::filesystem::path home;                      // $HOME
};

// The argument vectors of the processes this user runs (/proc/PID/cmdline).
std::vector<std::vector<std::string>> SessionCommandLines();

// pcmanfm-qt's running desktop, found among `processes`: the profile it was started with
// ("default" when none was given). nullopt when no pcmanfm-qt runs with --desktop.
std::optional<std::string> PcmanfmDesktopProfile(const std::vector<std::vector<std::string>>& processes);

} // namespace nodo::desktop
