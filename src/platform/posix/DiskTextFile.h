#pragma once
#include "platform/TextFile.h"

namespace nodo {

// The real files: a temporary file beside the target, flushed, then renamed over it.
class DiskTextFile : public TextFile {
public:
    bool exists(const std::string& path) const override;
    std::vector<std::string> readLines(const std::string& path) const override;
    void writeLines(const std::string& path, const std::vector<std::string>& lines) override;
};

} // namespace nodo
