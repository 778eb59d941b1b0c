#include "platform/posix/AtomicFile.h"

#include "platform/Errors.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace nodo {

static FileError Failure(const char* what, const std::string& path, int err) {
    return FileError(std::string(what) + " file \"" + path + "\". " + std::strerror(err));
}

// The temporary file is hidden (".name.XXXXXX") so that folder listings never show a half-written file.
static std::string TempNameFor(const std::string& target) {
    const auto slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    return folder + "." + name + ".XXXXXX";
}

AtomicFile::AtomicFile(std::string target) : m_target(std::move(target)), m_temp(TempNameFor(m_target)) {
    m_fd = ::mkstemp(m_temp.data());
    if (m_fd < 0) throw Failure("Cannot create", m_target, errno);
}

AtomicFile::~AtomicFile() {
    if (m_fd >= 0) ::close(m_fd);
    if (!m_committed) ::unlink(m_temp.c_str());
}

void AtomicFile::write(const char* data, size_t size) {
    size_t done = 0;
    while (done < size) {
        const ssize_t n = ::write(m_fd, data + done, size - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            throw Failure("Cannot write", m_target, errno);
        }
        done += static_cast<size_t>(n);
    }
}

void AtomicFile::commit(mode_t mode, bool sync) {
    if (sync && ::fsync(m_fd) != 0) throw Failure("Cannot write", m_target, errno);
    ::fchmod(m_fd, mode);
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0) throw Failure("Cannot write", m_target, errno);
    if (::rename(m_temp.c_str(), m_target.c_str()) != 0) throw Failure("Cannot create", m_target, errno);
    m_committed = true;
}

mode_t AtomicFile::ModeFor(const std::string& target) {
    struct stat st {};
    if (::stat(target.c_str(), &st) == 0) return st.st_mode & 07777;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

} // namespace nodo
