#include "platform/TextFile.h"

#include "platform/Errors.h"
#include "platform/posix/AtomicFile.h"
#include "platform/posix/DiskTextFile.h"
#include "platform/posix/Encoding.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>
#include <sys/stat.h>

namespace nodo {

std::vector<std::string> SplitLines(const std::string& content) {
    std::vector<std::string> lines;
    std::string cur;
    bool pending = false;
    for (size_t i = 0; i < content.size(); ++i) {
        const char c = content[i];
        if (c == '\r' || c == '\n') {
            lines.push_back(std::move(cur));
            cur.clear();
            pending = false;
            if (c == '\r' && i + 1 < content.size() && content[i + 1] == '\n') ++i;
        } else {
            cur.push_back(c);
            pending = true;
        }
    }
    if (pending) lines.push_back(std::move(cur));
    return lines;
}

bool DiskTextFile::exists(const std::string& path) const {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::vector<std::string> DiskTextFile::readLines(const std::string& path) const {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw FileError("Cannot open file \"" + path + "\". " + std::strerror(errno));
    std::ostringstream ss;
    ss << in.rdbuf();
    if (in.bad()) throw FileError("Cannot read file \"" + path + "\".");
    std::vector<std::string> lines = SplitLines(ss.str());
    for (auto& l : lines)
        l = FromAnsi(l);
    return lines;
}

void DiskTextFile::writeLines(const std::string& path, const std::vector<std::string>& lines) {
    std::string data;
    for (const auto& l : lines) {
        data += ToAnsi(l);
        data += "\r\n";
    }
    // Keep the mode of the file being replaced; new files get the usual 0666 less the umask.
    const mode_t mode = AtomicFile::ModeFor(path);
    AtomicFile file(path);
    file.write(data.data(), data.size());
    file.commit(mode, true);
}

} // namespace nodo
