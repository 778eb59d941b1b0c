#pragma once
#include <string>
#include <vector>

namespace nodo {

// Settings and list files: read and written whole, one value per line, CR LF line ends, stored in the
// locale's narrow encoding. Lines in memory are UTF-8 without their line ends.
class TextFile {
public:
    virtual ~TextFile() = default;

    virtual bool exists(const std::string& path) const = 0;
    // Throws FileError when the file cannot be read.
    virtual std::vector<std::string> readLines(const std::string& path) const = 0;
    // Replaces the file as a whole (never half written); throws FileError on failure, and then the
    // old content is still in place.
    virtual void writeLines(const std::string& path, const std::vector<std::string>& lines) = 0;
};

// Splits file content into lines the way the settings reader does: CR LF, LF or a lone CR end a line,
// and a last line without an end still counts. An empty content has no line.
std::vector<std::string> SplitLines(const std::string& content);

} // namespace nodo
