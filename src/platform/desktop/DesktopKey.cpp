#include "platform/desktop/DesktopKey.h"

#include "platform/AppFolder.h"
#include "platform/Errors.h"
#include "platform/desktop/Paths.h"
#include "platform/posix/AtomicFile.h"

#include <algorithm>
#include <cstring>
#include <fstream>

namespace nodo::desktop {

namespace {

bool sameName(const std::string& a, const std::string& b) {
    return FoldCase(a) == FoldCase(b);
}

[[noreturn]] void fail(const std::filesystem::path& file, const std::string& what, int err) {
    throw FileError("cannot write " + file.string() + ": " + what + ": " + std::strerror(err));
}

} // namespace

std::string EscapeValue(const std::string& value) {
    std::string r;
    r.reserve(value.size());
    for (char c : value) {
        if (c == '\\')
            r += "\\\\";
        else if (c == '\n')
            r += "\\n";
        else if (c == '\r')
            r += "\\r";
        else
            r += c;
    }
    return r;
}

std::string UnescapeValue(const std::string& text) {
    std::string r;
    r.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            r += text[i];
            continue;
        }
        const char c = text[++i];
        r += c == 'n' ? '\n' : c == 'r' ? '\r' : c;
    }
    return r;
}

std::vector<std::pair<std::string, std::string>> DesktopKey::entries() const {
    std::vector<std::pair<std::string, std::string>> result;
    std::ifstream in(m_file, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const auto eq = line.find('=');
        if (eq == std::string::npos || eq == 0) continue;
        result.emplace_back(line.substr(0, eq), UnescapeValue(line.substr(eq + 1)));
    }
    return result;
}

std::string DesktopKey::value(const std::string& name) const {
    for (const auto& [n, v] : entries())
        if (sameName(n, name)) return v;
    return {};
}

void DesktopKey::setValue(const std::string& name, const std::string& value) {
    setValues({{name, value}});
}

void DesktopKey::setValues(const std::vector<std::pair<std::string, std::string>>& values) {
    // Every name is checked before anything is written, so a bad one leaves the file as it was.
    for (const auto& [name, value] : values)
        if (name.empty() || name.find_first_of("=\r\n") != std::string::npos)
            throw FileError("invalid value name: '" + name + "'");
    auto all = entries();
    for (const auto& entry : values) {
        const std::string& name = entry.first;
        const std::string& value = entry.second;
        auto it =
            std::find_if(all.begin(), all.end(), [&](const auto& e) { return sameName(e.first, name); });
        if (it != all.end())
            it->second = value;
        else
            all.emplace_back(name, value);
    }

    std::string content;
    for (const auto& [n, v] : all)
        content += n + "=" + EscapeValue(v) + "\n";

    std::error_code ec;
    const auto folder = m_file.parent_path();
    if (!folder.empty()) {
        std::filesystem::create_directories(folder, ec);
        if (ec) fail(m_file, "create folder " + folder.string(), ec.value());
    }
    // Private to the user; replaced whole so a crash never leaves half a key file.
    AtomicFile file(m_file.string());
    file.write(content.data(), content.size());
    file.commit(0600, true);
}

std::filesystem::path DefaultKeyFile() {
    return ConfigHome() / "nodo" / "desktop.ini";
}

} // namespace nodo::desktop
