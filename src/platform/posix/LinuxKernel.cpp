#include "platform/Kernel.h"

#include "platform/Errors.h"
#include "platform/posix/AtomicFile.h"
#include "platform/posix/LinuxKernel.h"

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <malloc.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace nodo {

bool LinuxKernel::copyFile(const std::string& src, const std::string& dst, bool failIfExists) {
    struct stat s {
    }, d{};
    if (::stat(src.c_str(), &s) != 0 || !S_ISREG(s.st_mode)) return false;
    const bool dstExists = ::stat(dst.c_str(), &d) == 0;
    if (dstExists && failIfExists) return false;
    // Opening the target for writing would truncate the source when both are one file.
    if (dstExists && s.st_dev == d.st_dev && s.st_ino == d.st_ino) return false;

    const int in = ::open(src.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return false;
    // Copy into a temporary beside the target, then rename: a failed copy never leaves half a file.
    bool ok = true;
    try {
        AtomicFile out(dst);
        char buf[1 << 16];
        for (;;) {
            const ssize_t n = ::read(in, buf, sizeof buf);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) {
                ok = false;
                break;
            }
            if (n == 0) break;
            out.write(buf, static_cast<size_t>(n));
        }
        if (ok) out.commit(s.st_mode & 0777, false);
    } catch (const FileError&) {
        ok = false;
    }
    ::close(in);
    return ok;
}

bool LinuxKernel::fileExists(const std::string& path) const {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool LinuxKernel::directoryExists(const std::string& path) const {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool LinuxKernel::createFolder(const std::string& path) {
    if (::mkdir(path.c_str(), 0777) == 0) return true;
    return errno == EEXIST && directoryExists(path);
}

void LinuxKernel::sleep(int milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

void LinuxKernel::trimWorkingSet() {
    ::malloc_trim(0);
}

} // namespace nodo
