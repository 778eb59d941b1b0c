#pragma once
// Handing a picture file to a running desktop through its own tools. Each function runs the
// commands through `runner` and returns false with a one-line `error` when the desktop did not
// take the picture.
#include "platform/desktop/CommandRunner.h"
#include "platform/desktop/DesktopDetect.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace nodo::desktop {

// GNOME family (org.gnome.desktop.background), Cinnamon (org.cinnamon.desktop.background) or MATE
// (org.mate.background): the picture keys and picture-options "stretched", then read back.
bool ShowWithGSettings(CommandRunner& runner, Desktop desktop, const std::filesystem::path& picture,
                       std::string& error);
// KDE Plasma: a desktop script through org.kde.PlasmaShell.evaluateScript for every desktop.
bool ShowWithPlasma(CommandRunner& runner, const std::filesystem::path& picture, std::string& error);
// XFCE: every ".../last-image" of the xfce4-desktop channel, with image-style 3 (stretched).
bool ShowWithXfconf(CommandRunner& runner, const std::filesystem::path& picture, std::string& error);
// LXQt (pcmanfm-qt) and LXDE (pcmanfm).
bool ShowWithPcmanfm(CommandRunner& runner, const std::string& program, const std::filesystem::path& picture,
                     std::string& error);
// sway: "output * bg FILE stretch".
bool ShowWithSway(CommandRunner& runner, const std::filesystem::path& picture, std::string& error);

// The function above that fits `desktop` (not for None or X11Root).
bool ShowOnDesktop(Desktop desktop, CommandRunner& runner, const std::filesystem::path& picture,
                   std::string& error);

// A file URI with every byte outside the unreserved set percent-encoded.
std::string FileUri(const std::filesystem::path& path);
// A string in GVariant text form ('...' with backslash escapes), as gsettings parses it.
std::string GVariantString(std::string_view text);
// The string gsettings prints ('...' or "..." with escapes); nullopt when it is not a string.
std::optional<std::string> ParseGVariantString(std::string_view printed);
// A double-quoted JavaScript string literal.
std::string JsString(std::string_view text);
// The Plasma desktop script that installs `imageUri` stretched on every desktop.
std::string PlasmaScript(const std::string& imageUri);

} // namespace nodo::desktop
