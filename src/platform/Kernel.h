#pragma once
#include <string>

namespace nodo {

// File copying, folder creation, sleeping and memory trimming.
class Kernel {
public:
    virtual ~Kernel() = default;
    // Copies src over dst (replacing it unless failIfExists). Copying a file onto itself (the same
    // file under any name) fails and leaves the file untouched. Returns false on any failure.
    virtual bool copyFile(const std::string& src, const std::string& dst, bool failIfExists) = 0;
    virtual bool fileExists(const std::string& path) const = 0;
    virtual bool directoryExists(const std::string& path) const = 0;
    // Creates one folder (its parent must exist). True when it exists afterwards.
    virtual bool createFolder(const std::string& path) = 0;
    virtual void sleep(int milliseconds) = 0;
    // Gives unused heap back to the system.
    virtual void trimWorkingSet() = 0;
};

} // namespace nodo
