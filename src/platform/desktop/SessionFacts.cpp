#include "platform/desktop/SessionFacts.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <sys/stat.h>
#include <unistd.h>

namespace nodo::desktop {

std::vector<std::vector<std::string>> SessionCommandLines() {
    std::vector<std::vector<std::string>> all;
    const uid_t me = ::getuid();
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator("/proc", ec)) {
        const std::string pid = entry.path().filename().string();
        if (pid.empty() || !std::all_of(pid.begin(), pid.end(), [](char c) { return c >= '0' && c <= '9'; }))
            continue;
        struct stat st {};
        if (::stat(entry.path().c_str(), &st) != 0 || st.st_uid != me) continue;
        std::ifstream in(entry.path() / "cmdline", std::ios::binary);
        const std::string raw((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::vector<std::string> argv;
        for (std::size_t start = 0; start < raw.size();) {
            const std::size_t end = std::min(raw.find('\0', start), raw.size());
            argv.push_back(raw.substr(start, end - start));
            start = end + 1;
        }
        if (!argv.empty()) all.push_back(std::move(argv));
    }
    return all;
}

std::optional<std::string> PcmanfmDesktopProfile(const std::vector<std::vector<std::string>>& processes) {
    for (const auto& argv : processes) {
        if (argv.empty() || std::filesystem::path(argv[0]).filename() != "pcmanfm-qt") continue;
        bool desktop = false;
        std::string profile = "default";
        for (std::size_t i = 1; i < argv.size(); ++i) {
            const std::string& a = argv[i];
            if (a == "--desktop" || a == "-d")
                desktop = true;
            else if (a.starts_with("--profile="))
                profile = a.substr(10);
            else if ((a == "--profile" || a == "-p") && i + 1 < argv.size())
                profile = argv[++i];
        }
        if (desktop && !profile.empty()) return profile;
    }
    return std::nullopt;
}

} // namespace nodo::desktop
