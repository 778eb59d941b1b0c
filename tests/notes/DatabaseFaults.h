#pragma once
// The ways a notes database refuses a write that a user meets, made for real: another program
// holding the write lock, a file the user may not write, and a disk with no room left (the
// process's file size limit held at what the database's log takes now, so that it cannot grow).
#include "NotesDbFixture.h"

#include <gtest/gtest.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>

namespace nodo::testing {

enum class Fault { Locked, ReadOnly, DiskFull };

inline const char* FaultName(Fault f) {
    switch (f) {
    case Fault::Locked:
        return "Locked";
    case Fault::ReadOnly:
        return "ReadOnly";
    case Fault::DiskFull:
        return "DiskFull";
    }
    return "?";
}

// A file nobody may write: read-only by its mode and, for root (whom the mode does not stop),
// immutable. False when the file system cannot do that.
inline bool SetImmutable(const std::string& path, bool on) {
    const int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0) return false;
    int flags = 0;
    bool ok = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (ok) {
        flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
        ok = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(fd);
    return ok;
}

// One fault on the database at `path` while it lives.
class DatabaseFault {
public:
    DatabaseFault(Fault fault, const std::string& path) : m_fault(fault), m_path(path) {
        switch (fault) {
        case Fault::Locked:
            m_other = std::make_unique<RawDb>(path);
            m_ok = m_other->exec("BEGIN IMMEDIATE") == 0;
            break;
        case Fault::ReadOnly:
            m_ok = ::chmod(path.c_str(), 0444) == 0 && (::geteuid() != 0 || SetImmutable(path, true));
            break;
        case Fault::DiskFull: {
            // Saves go to the write-ahead log first: it may not grow past what it takes now.
            std::error_code ec;
            auto largest = std::filesystem::file_size(path + "-wal", ec);
            if (ec) largest = 0;
            ::getrlimit(RLIMIT_FSIZE, &m_limit);
            m_oldHandler = std::signal(SIGXFSZ, SIG_IGN); // a write past the limit fails with EFBIG
            rlimit full = m_limit;
            full.rlim_cur = static_cast<rlim_t>(largest);
            m_ok = ::setrlimit(RLIMIT_FSIZE, &full) == 0;
            break;
        }
        }
    }
    ~DatabaseFault() { clear(); }
    DatabaseFault(const DatabaseFault&) = delete;
    DatabaseFault& operator=(const DatabaseFault&) = delete;

    bool made() const { return m_ok; }

    void clear() {
        if (m_cleared) return;
        m_cleared = true;
        switch (m_fault) {
        case Fault::Locked:
            if (m_other) m_other->exec("ROLLBACK");
            m_other.reset();
            break;
        case Fault::ReadOnly:
            if (::geteuid() == 0) SetImmutable(m_path, false);
            ::chmod(m_path.c_str(), 0644);
            break;
        case Fault::DiskFull:
            ::setrlimit(RLIMIT_FSIZE, &m_limit);
            std::signal(SIGXFSZ, m_oldHandler);
            break;
        }
    }

private:
    Fault m_fault;
    std::string m_path;
    bool m_ok = false, m_cleared = false;
    std::unique_ptr<RawDb> m_other;
    rlimit m_limit{};
    void (*m_oldHandler)(int) = SIG_DFL;
};

} // namespace nodo::testing
