#include "platform/posix/AppFolders.h"
#include "platform/AppFolder.h"

#include <system_error>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace nodo {

std::string FoldCase(std::string_view s) {
    // Only ASCII letters have case in the names this program uses; other bytes (UTF-8 Chinese)
    // compare as they are.
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

static std::vector<std::string> SplitComponents(std::string_view rel) {
    std::vector<std::string> parts;
    std::string cur;
    for (char c : rel) {
        if (c == '\\' || c == '/') {
            if (!cur.empty()) parts.push_back(std::move(cur));
            cur.clear();
        } else {
            cur.push_back(c);
        }
    }
    if (!cur.empty()) parts.push_back(std::move(cur));
    return parts;
}

static fs::path ResolveFrom(fs::path base, const std::vector<std::string>& parts) {
    bool matching = true; // once a component is missing, nothing below it can exist
    for (const auto& part : parts) {
        if (part == ".") continue;
        if (part == "..") {
            base = base.parent_path();
            continue;
        }
        if (matching) {
            std::error_code ec;
            fs::path exact = base / part;
            if (fs::symlink_status(exact, ec).type() != fs::file_type::not_found && !ec) {
                base = exact;
                continue;
            }
            const std::string want = FoldCase(part);
            fs::path found;
            for (fs::directory_iterator it(base, ec), end; !ec && it != end; it.increment(ec)) {
                const std::string name = it->path().filename().string();
                if (FoldCase(name) == want) {
                    // Several names may differ only in case; take the first in name order so the
                    // choice does not depend on directory order.
                    if (found.empty() || name < found.filename().string()) found = it->path();
                }
            }
            if (!found.empty()) {
                base = found;
                continue;
            }
            matching = false;
        }
        base /= part;
    }
    return base;
}

fs::path ResolveCaseInsensitive(const fs::path& root, std::string_view relative) {
    return ResolveFrom(root, SplitComponents(relative));
}

fs::path ResolveExisting(const fs::path& absolute) {
    const std::string s = absolute.string();
    if (s.empty() || s[0] != '/') return absolute;
    return ResolveFrom("/", SplitComponents(s));
}

std::string AppFolder::path(std::string_view relative) const {
    return ResolveCaseInsensitive(root(), relative).string();
}

static std::string WithSlash(std::string s) {
    if (s.empty() || s.back() != '/') s.push_back('/');
    return s;
}

FixedAppFolder::FixedAppFolder(const fs::path& dir) {
    std::error_code ec;
    fs::path abs = fs::absolute(dir, ec);
    m_root = WithSlash((ec ? dir : abs).lexically_normal().string());
}

std::string LowerExt(std::string_view fileName) {
    const auto slash = fileName.find_last_of("/\\");
    const auto dot = fileName.find_last_of('.');
    if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash)) return {};
    return FoldCase(fileName.substr(dot));
}

std::string ChangeFileExt(std::string_view fileName, std::string_view ext) {
    const auto slash = fileName.find_last_of("/\\");
    auto dot = fileName.find_last_of('.');
    if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash))
        dot = fileName.size();
    std::string out(fileName.substr(0, dot));
    out += ext;
    return out;
}

} // namespace nodo
