#include "platform/desktop/DesktopCommands.h"
#include "platform/desktop/SwayConfig.h"

#include "platform/Errors.h"
#include "platform/posix/AtomicFile.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <vector>

namespace nodo::desktop {

namespace {

using namespace std::chrono_literals;

bool run(CommandRunner& runner, const Command& command, std::string& error, CommandResult* out = nullptr) {
    CommandResult result = runner.run(command);
    const bool ok = result.ok();
    if (!ok) error = DescribeFailure(command, result);
    if (out) *out = std::move(result);
    return ok;
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> result;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        while (!line.empty() && (line.back() == '\r' || line.back() == ' '))
            line.pop_back();
        if (!line.empty()) result.push_back(line);
    }
    return result;
}

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xF0 | (c >> 18));
        out += char(0x80 | ((c >> 12) & 0x3F));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

std::string hex4(unsigned v) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%04x", v & 0xFFFF);
    return buf;
}

struct GSettingsSchema {
    const char* schema;
    std::vector<const char*> uriKeys;  // take a file URI
    std::vector<const char*> pathKeys; // take a plain path
};

GSettingsSchema schemaFor(Desktop desktop) {
    switch (desktop) {
    case Desktop::Cinnamon:
        return {"org.cinnamon.desktop.background", {"picture-uri"}, {}};
    case Desktop::Mate:
        return {"org.mate.background", {}, {"picture-filename"}};
    default:
        return {"org.gnome.desktop.background", {"picture-uri", "picture-uri-dark"}, {}};
    }
}

// Characters that the sway command parser or its path expansion would take as syntax.
bool safeForSway(const std::string& path) {
    for (unsigned char c : path) {
        if (c >= 0x80 || std::isalnum(c)) continue;
        if (std::string_view("/._-+@=%~").find(char(c)) == std::string_view::npos) return false;
    }
    return true;
}

} // namespace

std::string FileUri(const std::filesystem::path& path) {
    static const char* hex = "0123456789ABCDEF";
    std::string uri = "file://";
    for (unsigned char c : path.string()) {
        if (std::isalnum(c) || c == '/' || c == '-' || c == '.' || c == '_' || c == '~') {
            uri += char(c);
        } else {
            uri += '%';
            uri += hex[c >> 4];
            uri += hex[c & 15];
        }
    }
    return uri;
}

std::optional<std::filesystem::path> PathOfFileUri(std::string_view uri) {
    constexpr std::string_view scheme = "file://";
    if (!uri.starts_with(scheme)) return std::nullopt;
    uri.remove_prefix(scheme.size());
    if (!uri.starts_with('/')) return std::nullopt; // file://host/... is not ours to read
    auto digit = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    };
    std::string path;
    for (std::size_t i = 0; i < uri.size(); ++i) {
        if (uri[i] != '%') {
            path += uri[i];
            continue;
        }
        if (i + 2 >= uri.size() || digit(uri[i + 1]) < 0 || digit(uri[i + 2]) < 0) return std::nullopt;
        path += char(digit(uri[i + 1]) * 16 + digit(uri[i + 2]));
        i += 2;
    }
    return path;
}

std::string GVariantString(std::string_view text) {
    std::string r = "'";
    for (unsigned char c : text) {
        if (c == '\\' || c == '\'') {
            r += '\\';
            r += char(c);
        } else if (c < 0x20 || c == 0x7F) {
            r += "\\u" + hex4(c);
        } else {
            r += char(c);
        }
    }
    return r + "'";
}

std::optional<std::string> ParseGVariantString(std::string_view printed) {
    while (!printed.empty() && (printed.back() == '\n' || printed.back() == '\r' || printed.back() == ' '))
        printed.remove_suffix(1);
    if (printed.size() < 2) return std::nullopt;
    const char quote = printed.front();
    if ((quote != '\'' && quote != '"') || printed.back() != quote) return std::nullopt;
    printed = printed.substr(1, printed.size() - 2);
    std::string r;
    for (std::size_t i = 0; i < printed.size(); ++i) {
        const char c = printed[i];
        if (c == quote) return std::nullopt; // an unescaped quote inside: not one string
        if (c != '\\') {
            r += c;
            continue;
        }
        if (++i == printed.size()) return std::nullopt;
        const char e = printed[i];
        switch (e) {
        case 'n':
            r += '\n';
            break;
        case 't':
            r += '\t';
            break;
        case 'r':
            r += '\r';
            break;
        case 'b':
            r += '\b';
            break;
        case 'f':
            r += '\f';
            break;
        case 'v':
            r += '\v';
            break;
        case 'a':
            r += '\a';
            break;
        case 'u':
        case 'U': {
            const std::size_t n = e == 'u' ? 4 : 8;
            if (i + n >= printed.size()) return std::nullopt;
            char32_t v = 0;
            for (std::size_t k = 1; k <= n; ++k) {
                const char h = printed[i + k];
                const int d = std::isdigit((unsigned char)h) ? h - '0'
                              : (h >= 'a' && h <= 'f')       ? h - 'a' + 10
                              : (h >= 'A' && h <= 'F')       ? h - 'A' + 10
                                                             : -1;
                if (d < 0) return std::nullopt;
                v = v * 16 + char32_t(d);
            }
            if (v > 0x10FFFF) return std::nullopt;
            appendUtf8(r, v);
            i += n;
            break;
        }
        default:
            r += e; // \\ \' \" and anything else stand for themselves
        }
    }
    return r;
}

std::string JsString(std::string_view text) {
    std::string r = "\"";
    for (std::size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = text[i];
        if (c == '"' || c == '\\') {
            r += '\\';
            r += char(c);
        } else if (c < 0x20 || c == 0x7F) {
            r += "\\u" + hex4(c);
        } else if (c == 0xE2 && i + 2 < text.size() && (unsigned char)text[i + 1] == 0x80 &&
                   ((unsigned char)text[i + 2] == 0xA8 || (unsigned char)text[i + 2] == 0xA9)) {
            // U+2028 and U+2029 end a line inside older script engines.
            r += (unsigned char)text[i + 2] == 0xA8 ? "\\u2028" : "\\u2029";
            i += 2;
        } else {
            r += char(c);
        }
    }
    return r + "\"";
}

std::string PlasmaScript(const std::string& imageUri) {
    // FillMode 0 is "stretch" in the image wallpaper plugin.
    return "var image = " + JsString(imageUri) +
           ";\n"
           "var all = desktops();\n"
           "for (var i = 0; i < all.length; i++) {\n"
           "    var d = all[i];\n"
           "    d.wallpaperPlugin = \"org.kde.image\";\n"
           "    d.currentConfigGroup = Array(\"Wallpaper\", \"org.kde.image\", \"General\");\n"
           "    d.writeConfig(\"Image\", image);\n"
           "    d.writeConfig(\"FillMode\", 0);\n"
           "}\n";
}

bool ShowWithGSettings(CommandRunner& runner, Desktop desktop, const std::filesystem::path& picture,
                       std::string& error) {
    const GSettingsSchema s = schemaFor(desktop);
    CommandResult listed;
    if (!run(runner, {"gsettings", {"list-keys", s.schema}}, error, &listed)) return false;
    const auto keyLines = lines(listed.out);
    const std::set<std::string> keys(keyLines.begin(), keyLines.end());

    std::vector<std::pair<std::string, std::string>> values;
    for (const char* key : s.uriKeys)
        if (keys.count(key)) values.emplace_back(key, FileUri(picture));
    for (const char* key : s.pathKeys)
        if (keys.count(key)) values.emplace_back(key, picture.string());
    if (values.empty()) {
        error = std::string("the settings schema ") + s.schema + " has no picture key";
        return false;
    }

    // The mode first, so that the desktop draws the new picture stretched straight away.
    if (!run(runner, {"gsettings", {"set", s.schema, "picture-options", "'stretched'"}}, error)) return false;
    for (const auto& [key, value] : values)
        if (!run(runner, {"gsettings", {"set", s.schema, key, GVariantString(value)}}, error)) return false;

    // Without a settings service the writes may be dropped without an error: read one back.
    CommandResult got;
    const auto& [key, expected] = values.front();
    if (!run(runner, {"gsettings", {"get", s.schema, key}}, error, &got)) return false;
    if (ParseGVariantString(got.out) != expected) {
        error = std::string("the desktop settings did not keep ") + s.schema + " " + key +
                " (is the settings service running?)";
        return false;
    }
    return true;
}

bool ShowWithPlasma(CommandRunner& runner, const std::filesystem::path& picture, std::string& error) {
    Command call{"dbus-send",
                 {"--session", "--print-reply", "--dest=org.kde.plasmashell", "/PlasmaShell",
                  "org.kde.PlasmaShell.evaluateScript", "string:" + PlasmaScript(FileUri(picture))},
                 20s};
    return run(runner, call, error);
}

bool ShowWithXfconf(CommandRunner& runner, const std::filesystem::path& picture,
                    const std::optional<ScreenLayout>& screen, std::string& error) {
    // A desktop that has never stored a backdrop has no channel yet, and listing it fails; the
    // writes below create it (and report the failure when xfconf itself cannot be reached).
    CommandResult listed = runner.run({"xfconf-query", {"-c", "xfce4-desktop", "-l"}});
    if (!listed.ok()) listed.out.clear();

    // Every monitor and workspace the desktop has settings for; the per-workspace folders are the
    // parents of last-image, and of any other backdrop property when last-image is still missing.
    std::vector<std::string> folders;
    auto add = [&](const std::string& folder) {
        if (std::find(folders.begin(), folders.end(), folder) == folders.end()) folders.push_back(folder);
    };
    for (const auto& prop : lines(listed.out)) {
        if (!prop.starts_with("/backdrop/")) continue;
        const auto slash = prop.rfind('/');
        const std::string folder = prop.substr(0, slash + 1);
        if (prop.ends_with("/last-image") || folder.find("/workspace") != std::string::npos) add(folder);
    }
    // xfdesktop 4.18 names a monitor's keys after its output and creates them with its own default
    // picture where they are missing: at its first start, or for a monitor plugged in later.
    if (screen)
        for (const std::string& output : screen->outputs)
            for (int w = 0; w < std::max(screen->workspaces, 1); ++w)
                add("/backdrop/screen0/monitor" + output + "/workspace" + std::to_string(w) + "/");
    if (folders.empty()) add("/backdrop/screen0/monitor0/workspace0/");

    for (const auto& folder : folders) {
        if (!run(runner,
                 {"xfconf-query",
                  {"-c", "xfce4-desktop", "-p", folder + "image-style", "-n", "-t", "int", "-s", "3"}},
                 error))
            return false;
        if (!run(runner,
                 {"xfconf-query",
                  {"-c", "xfce4-desktop", "-p", folder + "last-image", "-n", "-t", "string", "-s",
                   picture.string()}},
                 error))
            return false;
    }
    return true;
}

bool ShowWithPcmanfm(CommandRunner& runner, const std::string& program, const std::filesystem::path& picture,
                     std::string& error) {
    return run(runner, {program, {"--set-wallpaper=" + picture.string(), "--wallpaper-mode=stretch"}}, error);
}

namespace {

// A value as QSettings reads it back as one string: quoted when a comma (a list), a quote, a
// backslash or spaces at its ends would be taken otherwise.
std::string IniValue(const std::string& value) {
    const bool plain = value.find_first_of(",;\\\"=#") == std::string::npos &&
                       (value.empty() || (value.front() != ' ' && value.back() != ' '));
    if (plain) return value;
    std::string r = "\"";
    for (char c : value) {
        if (c == '"' || c == '\\') r += '\\';
        r += c;
    }
    return r + "\"";
}

} // namespace

std::string WithIniValues(const std::string& text, const std::string& section,
                          const std::vector<std::pair<std::string, std::string>>& values) {
    std::vector<std::string> in;
    {
        std::istringstream s(text);
        for (std::string line; std::getline(s, line);)
            in.push_back(line);
    }
    std::vector<bool> written(values.size(), false);
    std::vector<std::string> out;
    bool inSection = false;
    auto flush = [&] {
        for (std::size_t i = 0; i < values.size(); ++i)
            if (!written[i]) {
                out.push_back(values[i].first + "=" + IniValue(values[i].second));
                written[i] = true;
            }
    };
    for (const std::string& line : in) {
        if (line.starts_with('[')) {
            // Leaving our section: what it lacked goes at its end, before any blank lines.
            if (inSection) {
                std::size_t blanks = 0;
                while (!out.empty() && out.back().empty()) {
                    out.pop_back();
                    ++blanks;
                }
                flush();
                out.insert(out.end(), blanks, "");
            }
            inSection = line == "[" + section + "]";
            out.push_back(line);
            continue;
        }
        if (inSection) {
            const auto eq = line.find('=');
            std::string key = line.substr(0, eq);
            while (!key.empty() && key.back() == ' ')
                key.pop_back();
            bool replaced = false;
            for (std::size_t i = 0; i < values.size() && eq != std::string::npos; ++i)
                if (values[i].first == key) {
                    if (!written[i]) out.push_back(key + "=" + IniValue(values[i].second));
                    written[i] = replaced = true;
                }
            if (replaced) continue;
        }
        out.push_back(line);
    }
    if (!inSection && std::find(written.begin(), written.end(), false) != written.end()) {
        if (!out.empty() && !out.back().empty()) out.push_back("");
        out.push_back("[" + section + "]");
    }
    flush();
    std::string r;
    for (const std::string& line : out)
        r += line + "\n";
    return r;
}

bool ShowWithPcmanfmQt(CommandRunner& runner, const std::filesystem::path& picture, const SessionFacts& facts,
                       std::string& error) {
    const std::optional<std::string> running = PcmanfmDesktopProfile(facts.processes);
    // The desktop of an LXQt session is started with the profile "lxqt".
    const std::string profile = running ? *running : "lxqt";
    if (profile.find('/') != std::string::npos || profile == "." || profile == "..") {
        error = "pcmanfm-qt runs with the profile \"" + profile + "\", which is not a folder name";
        return false;
    }
    // The running desktop is told first: it saves its settings then, with the mode it had.
    if (running &&
        !run(runner, {"pcmanfm-qt", {"--set-wallpaper=" + picture.string(), "--wallpaper-mode=stretch"}},
             error))
        return false;

    const std::filesystem::path file = facts.configHome / "pcmanfm-qt" / profile / "settings.conf";
    auto readProfile = [&] {
        std::string text;
        if (std::ifstream in{file, std::ios::binary})
            text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        return text;
    };
    // The running desktop shows the mode it was told but keeps the one it started with, and writes
    // that back whenever it saves (at the call above, and when it quits at the log-out). One that
    // did not start stretched is ended and started again over the profile written here.
    const bool restart =
        running && WithIniValues(readProfile(), "Desktop", {{"WallpaperMode", "stretch"}}) != readProfile();
    if (restart && !run(runner, {"pcmanfm-qt", {"--profile=" + profile, "--quit"}}, error)) return false;
    try {
        const std::string updated = WithIniValues(
            readProfile(), "Desktop", {{"Wallpaper", picture.string()}, {"WallpaperMode", "stretch"}});
        std::filesystem::create_directories(file.parent_path());
        AtomicFile out(file.string());
        out.write(updated.data(), updated.size());
        out.commit(AtomicFile::ModeFor(file.string()), false);
    } catch (const std::exception& e) {
        error = std::string("the profile of pcmanfm-qt's desktop could not be written: ") + e.what();
        return false;
    }
    // Started apart from us, as the session had started it.
    if (restart && !run(runner,
                        {"sh",
                         {"-c", "exec setsid -f \"$@\" </dev/null >/dev/null 2>&1", "sh", "pcmanfm-qt",
                          "--desktop", "--profile=" + profile}},
                        error))
        return false;
    if (!running) {
        error = "pcmanfm-qt's desktop is not running, so nothing shows the picture now; it is kept in "
                "the profile \"" +
                profile + "\" for the desktop's next start";
        return false;
    }
    return true;
}

bool ShowWithSway(CommandRunner& runner, const std::filesystem::path& picture, const SessionFacts& facts,
                  std::string& error) {
    const SwayConfigPlaces places{facts.home, facts.configHome};
    // swaymsg joins its arguments into one command line that sway parses and expands again; the
    // configuration's include expands its path the same way.
    for (const std::filesystem::path& p : {picture, SwayWallpaperInclude(places)}) {
        if (!safeForSway(p.string())) {
            error = "the path " + p.string() + " has characters sway would misread";
            return false;
        }
    }
    if (facts.configHome.empty() || facts.home.empty()) {
        error = "no home folder to keep the wallpaper in sway's configuration";
        return false;
    }
    if (!run(runner, {"swaymsg", {"output", "*", "bg", picture.string(), "stretch"}}, error)) return false;
    try {
        KeepSwayWallpaper(places, picture);
    } catch (const std::exception& e) {
        error = std::string("sway shows the picture, but it could not be kept for sway's next start: ") +
                e.what();
        return false;
    }
    return true;
}

std::optional<std::filesystem::path> CurrentWallpaper(Desktop desktop, CommandRunner& runner,
                                                      const SessionFacts& facts) {
    auto ask = [&runner](const Command& command) -> std::optional<std::string> {
        CommandResult r = runner.run(command);
        if (!r.ok()) return std::nullopt;
        return r.out;
    };
    switch (desktop) {
    case Desktop::Gnome:
    case Desktop::Cinnamon:
    case Desktop::Mate: {
        const GSettingsSchema s = schemaFor(desktop);
        const bool uri = !s.uriKeys.empty();
        const auto printed =
            ask({"gsettings", {"get", s.schema, uri ? s.uriKeys.front() : s.pathKeys.front()}});
        const auto value = printed ? ParseGVariantString(*printed) : std::nullopt;
        if (!value || value->empty()) return std::nullopt;
        return uri ? PathOfFileUri(*value) : std::optional<std::filesystem::path>(*value);
    }
    case Desktop::Xfce: {
        // The first output's first workspace, as xfdesktop names them.
        const auto listed = ask({"xfconf-query", {"-c", "xfce4-desktop", "-l"}});
        if (!listed) return std::nullopt;
        std::vector<std::string> keys;
        for (const std::string& key : lines(*listed))
            if (key.ends_with("/workspace0/last-image")) keys.push_back(key);
        if (keys.empty()) return std::nullopt;
        std::sort(keys.begin(), keys.end());
        const auto value = ask({"xfconf-query", {"-c", "xfce4-desktop", "-p", keys.front()}});
        const auto found = value ? lines(*value) : std::vector<std::string>{};
        if (found.empty()) return std::nullopt;
        return found.front();
    }
    case Desktop::Lxqt: {
        const std::string profile = PcmanfmDesktopProfile(facts.processes).value_or("lxqt");
        std::ifstream in(facts.configHome / "pcmanfm-qt" / profile / "settings.conf");
        bool desktopSection = false;
        for (std::string line; std::getline(in, line);) {
            while (!line.empty() && (line.back() == '\r' || line.back() == ' '))
                line.pop_back();
            if (line.starts_with('['))
                desktopSection = line == "[Desktop]";
            else if (desktopSection && line.starts_with("Wallpaper="))
                return line.size() > 10 ? std::optional<std::filesystem::path>(line.substr(10))
                                        : std::nullopt;
        }
        return std::nullopt;
    }
    case Desktop::Sway:
        for (const auto& argv : facts.processes) {
            if (argv.empty() || std::filesystem::path(argv[0]).filename() != "swaybg") continue;
            for (std::size_t i = 1; i + 1 < argv.size(); ++i)
                if (argv[i] == "-i" || argv[i] == "--image") return argv[i + 1];
        }
        return std::nullopt;
    default:
        return std::nullopt;
    }
}

bool ShowOnDesktop(Desktop desktop, CommandRunner& runner, const std::filesystem::path& picture,
                   std::string& error, const SessionFacts& facts) {
    switch (desktop) {
    case Desktop::Gnome:
    case Desktop::Cinnamon:
    case Desktop::Mate:
        return ShowWithGSettings(runner, desktop, picture, error);
    case Desktop::Kde:
        return ShowWithPlasma(runner, picture, error);
    case Desktop::Xfce:
        return ShowWithXfconf(runner, picture, facts.screen, error);
    case Desktop::Lxqt:
        return ShowWithPcmanfmQt(runner, picture, facts, error);
    case Desktop::Lxde:
        return ShowWithPcmanfm(runner, "pcmanfm", picture, error);
    case Desktop::Sway:
        return ShowWithSway(runner, picture, facts, error);
    case Desktop::None:
    case Desktop::X11Root:
        break;
    }
    error = std::string("no command sets the wallpaper of ") + DesktopName(desktop);
    return false;
}

} // namespace nodo::desktop
