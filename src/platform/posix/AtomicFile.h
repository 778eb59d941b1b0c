#pragma once
#include <string>
#include <sys/types.h>

namespace nodo {

// A file replaced as a whole: the content goes into a temporary file beside the target, which is
// renamed over it only when everything was written. A crash or a full disk leaves the old file whole.
class AtomicFile {
public:
    // Throws FileError when the temporary file cannot be made.
    explicit AtomicFile(std::string target);
    // Removes the temporary file unless commit() succeeded.
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Throws FileError.
    void write(const char* data, size_t size);
    // Gives the file `mode`, optionally flushes it to the disk, and renames it over the target.
    // Throws FileError; the target is then untouched.
    void commit(mode_t mode, bool sync);

    // The mode a replacement should get: that of the file it replaces, or 0666 less the umask.
    static mode_t ModeFor(const std::string& target);

private:
    std::string m_target;
    std::string m_temp;
    int m_fd = -1;
    bool m_committed = false;
};

} // namespace nodo
