#pragma once
// The per-user store that stands for the desktop's registry key: a small "name=value" file. Names
// are matched without regard to case, as registry value names are.
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace nodo::desktop {

class DesktopKey {
public:
    explicit DesktopKey(std::filesystem::path file) : m_file(std::move(file)) {}

    const std::filesystem::path& file() const { return m_file; }

    // Empty when the name (or the file) does not exist or cannot be read.
    std::string value(const std::string& name) const;
    // Replaces the file as a whole (temporary file, then rename), creating its folder when missing.
    // Throws FileError when the file cannot be written; the old file is then still in place.
    void setValue(const std::string& name, const std::string& value);
    // Sets several values in one replacement of the file (one write, one flush): either all of them
    // are stored or, on a failure, none. A name given twice keeps its last value.
    void setValues(const std::vector<std::pair<std::string, std::string>>& values);

    // All entries in file order.
    std::vector<std::pair<std::string, std::string>> entries() const;

private:
    std::filesystem::path m_file;
};

// $XDG_CONFIG_HOME/nodo/desktop.ini, or ~/.config/nodo/desktop.ini.
std::filesystem::path DefaultKeyFile();

// Values are kept on one line: backslash, CR and LF are escaped.
std::string EscapeValue(const std::string& value);
std::string UnescapeValue(const std::string& text);

} // namespace nodo::desktop
