#pragma once
#include "platform/Kernel.h"

namespace nodo {

class LinuxKernel : public Kernel {
public:
    bool copyFile(const std::string& src, const std::string& dst, bool failIfExists) override;
    bool fileExists(const std::string& path) const override;
    bool directoryExists(const std::string& path) const override;
    bool createFolder(const std::string& path) override;
    void sleep(int milliseconds) override;
    void trimWorkingSet() override;
};

} // namespace nodo
