#pragma once
#include "platform/AppFolder.h"

namespace nodo {

// The folder of the running executable (/proc/self/exe).
class ExecutableAppFolder : public AppFolder {
public:
    ExecutableAppFolder();
    std::string root() const override { return m_root; }

private:
    std::string m_root;
};

// A fixed folder: tests, and `nodo-cli --app-folder`.
class FixedAppFolder : public AppFolder {
public:
    explicit FixedAppFolder(const std::filesystem::path& dir);
    std::string root() const override { return m_root; }

private:
    std::string m_root;
};

} // namespace nodo
