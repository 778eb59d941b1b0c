#pragma once
// Handing a picture file to a running desktop through its own tools. Each function runs the
// commands through `runner` and returns false with a one-line `error` when the desktop did not
// take the picture.
#include "platform/desktop/CommandRunner.h"
#include "platform/desktop/DesktopDetect.h"
#include "platform/desktop/SessionFacts.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace nodo::desktop {

// GNOME family (org.gnome.desktop.background), Cinnamon (org.cinnamon.desktop.background) or MATE
// (org.mate.background): the picture keys and picture-options "stretched", then read back.
bool ShowWithGSettings(CommandRunner& runner, Desktop desktop, const std::filesystem::path& picture,
                       std::string& error);
// KDE Plasma: a desktop script through org.kde.PlasmaShell.evaluateScript for every desktop.
bool ShowWithPlasma(CommandRunner& runner, const std::filesystem::path& picture, std::string& error);
// XFCE: every ".../last-image" of the xfce4-desktop channel, and those xfdesktop will read for each
// output and workspace of `screen` (monitor<OUTPUT>/workspace<N>) even before it has ever run and
// written them, with image-style 3 (stretched).
bool ShowWithXfconf(CommandRunner& runner, const std::filesystem::path& picture,
                    const std::optional<ScreenLayout>& screen, std::string& error);
// LXDE: pcmanfm's running desktop told through the program itself.
bool ShowWithPcmanfm(CommandRunner& runner, const std::string& program, const std::filesystem::path& picture,
                     std::string& error);
// LXQt: the picture and the stretched mode kept in the profile of pcmanfm-qt's desktop (which it
// reads at the next log-in), and its running desktop told. Fails, the profile written all the same,
// when no pcmanfm-qt desktop runs: nothing would show the picture now.
bool ShowWithPcmanfmQt(CommandRunner& runner, const std::filesystem::path& picture, const SessionFacts& facts,
                       std::string& error);
// sway: "output * bg FILE stretch", and the same kept in the user's configuration for sway's next
// start (see SwayConfig.h).
bool ShowWithSway(CommandRunner& runner, const std::filesystem::path& picture, const SessionFacts& facts,
                  std::string& error);

// The function above that fits `desktop` (not for None or X11Root).
bool ShowOnDesktop(Desktop desktop, CommandRunner& runner, const std::filesystem::path& picture,
                   std::string& error, const SessionFacts& facts = {});

// The picture file `desktop` shows now, asked its own way: the GNOME family's, MATE's and XFCE's
// settings, LXQt's desktop profile, the picture sway's background program was started with.
// nullopt where the desktop does not say (KDE, LXDE, the bare X root) or cannot be asked.
std::optional<std::filesystem::path> CurrentWallpaper(Desktop desktop, CommandRunner& runner,
                                                      const SessionFacts& facts);

// `text` (a Qt settings file) with `values` set in `[section]`: lines of other keys and sections
// kept as they are, the section added at the end when missing. Values are written as Qt reads
// them back as one string.
std::string WithIniValues(const std::string& text, const std::string& section,
                          const std::vector<std::pair<std::string, std::string>>& values);

// A file URI with every byte outside the unreserved set percent-encoded.
std::string FileUri(const std::filesystem::path& path);
// The path a file URI names (percent-decoded); nullopt for anything but a local file URI.
std::optional<std::filesystem::path> PathOfFileUri(std::string_view uri);
// A string in GVariant text form ('...' with backslash escapes), as gsettings parses it.
std::string GVariantString(std::string_view text);
// The string gsettings prints ('...' or "..." with escapes); nullopt when it is not a string.
std::optional<std::string> ParseGVariantString(std::string_view printed);
// A double-quoted JavaScript string literal.
std::string JsString(std::string_view text);
// The Plasma desktop script that installs `imageUri` stretched on every desktop.
std::string PlasmaScript(const std::string& imageUri);

} // namespace nodo::desktop
