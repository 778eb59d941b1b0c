#include "platform/core/TextFile.h"

#include "platform/core/Encoding.h"
#include "platform/core/Errors.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

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
    for (auto& l : lines) l = FromAnsi(l);
    return lines;
}

static void WriteAll(int fd, const std::string& data, const std::string& path) {
    size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            throw FileError("Cannot write file \"" + path + "\". " + std::strerror(errno));
        }
        done += static_cast<size_t>(n);
    }
}

void DiskTextFile::writeLines(const std::string& path, const std::vector<std::string>& lines) {
    std::string data;
    for (const auto& l : lines) {
        data += ToAnsi(l);
        data += "\r\n";
    }
    // Write beside the target and rename over it, so a crash or a full disk leaves the old file whole.
    std::string tmpl = path + ".XXXXXX";
    int fd = ::mkstemp(tmpl.data());
    if (fd < 0) throw FileError("Cannot create file \"" + path + "\". " + std::strerror(errno));
    try {
        WriteAll(fd, data, path);
        if (::fsync(fd) != 0) throw FileError("Cannot write file \"" + path + "\". " + std::strerror(errno));
    } catch (...) {
        ::close(fd);
        ::unlink(tmpl.c_str());
        throw;
    }
    // Keep the mode of the file being replaced; new files get the usual 0644 less the umask.
    struct stat st {};
    mode_t mode = 0666;
    if (::stat(path.c_str(), &st) == 0) {
        mode = st.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode &= ~mask;
    }
    ::fchmod(fd, mode);
    if (::close(fd) != 0) {
        ::unlink(tmpl.c_str());
        throw FileError("Cannot write file \"" + path + "\". " + std::strerror(errno));
    }
    if (::rename(tmpl.c_str(), path.c_str()) != 0) {
        const int err = errno;
        ::unlink(tmpl.c_str());
        throw FileError("Cannot create file \"" + path + "\". " + std::strerror(err));
    }
}

} // namespace nodo
