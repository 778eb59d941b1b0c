#include "platform/desktop/SwayConfig.h"

#include "platform/Errors.h"
#include "platform/posix/AtomicFile.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>

namespace nodo::desktop {

namespace fs = std::filesystem;

namespace {

// A path as a word of sway's configuration: in double quotes, with the characters that would end or
// escape them escaped.
std::string Quoted(const fs::path& path) {
    std::string out = "\"";
    for (char c : path.string()) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out + "\"";
}

std::string ReadAll(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void Replace(const fs::path& file, const std::string& text) {
    std::error_code ec;
    fs::create_directories(file.parent_path(), ec);
    if (ec) throw FileError("cannot create " + file.parent_path().string() + ": " + ec.message());
    AtomicFile out(file.string());
    out.write(text.data(), text.size());
    out.commit(AtomicFile::ModeFor(file.string()), true);
}

} // namespace

fs::path SwayUserConfig(const SwayConfigPlaces& places) {
    const std::array<fs::path, 4> searched = {places.home / ".sway/config", places.configHome / "sway/config",
                                              places.home / ".i3/config", places.configHome / "i3/config"};
    std::error_code ec;
    for (const fs::path& p : searched)
        if (fs::is_regular_file(p, ec)) return p;
    return places.configHome / "sway/config";
}

fs::path SwayWallpaperInclude(const SwayConfigPlaces& places) {
    return places.configHome / "nodo/sway-wallpaper.conf";
}

void KeepSwayWallpaper(const SwayConfigPlaces& places, const fs::path& picture) {
    const fs::path include = SwayWallpaperInclude(places);
    Replace(include, "# Written by Nodo at each wallpaper it sets; sway reads it at its start.\n"
                     "output * bg " +
                         Quoted(picture) + " stretch\n");

    const fs::path config = SwayUserConfig(places);
    const std::string line = "include " + Quoted(include);
    std::error_code ec;
    if (!fs::exists(config, ec)) {
        std::string text =
            "# Made by Nodo to keep its wallpaper: sway read the system's configuration before.\n";
        if (fs::is_regular_file(places.systemConfig, ec))
            text += "include " + Quoted(places.systemConfig) + "\n";
        Replace(config, text + line + "\n");
        return;
    }
    const std::string text = ReadAll(config);
    if (text.find(line) != std::string::npos) return;
    // Appended in place: the file may be a link into the user's own collection of settings.
    std::ofstream out(config, std::ios::binary | std::ios::app);
    if (out) {
        if (!text.empty() && text.back() != '\n') out << '\n';
        out << "\n# Nodo's wallpaper, for sway's next start\n" << line << '\n';
        out.flush();
    }
    if (!out) throw FileError("cannot add the wallpaper to " + config.string() + ": " + std::strerror(errno));
}

} // namespace nodo::desktop
