#pragma once
#include <filesystem>
#include <string>
#include <string_view>

namespace nodo {

// The application folder and the paths below it. Relative paths are written with '\' as in the
// settings files; each component is matched without regard to case against what exists on disk,
// so "Data\tmppic.ini" and "data\FormSize.ini" name one folder. A component that does not exist yet
// keeps the spelling given, inside the existing folder it was matched to.
class AppFolder {
public:
    virtual ~AppFolder() = default;

    // The folder itself, with a trailing '/'.
    virtual std::string root() const = 0;

    // root() joined with a relative path ('\' or '/' separators), resolved as described above.
    std::string path(std::string_view relative) const;

    // The bundled web pages: the folder's own "web" unless the installation keeps them elsewhere.
    virtual std::string web() const { return path("web"); }
};

// Resolves `relative` below `root` component by component, without regard to case (ASCII and UTF-8
// letters folded by their lower-case form). Exact matches win over case-folded ones.
std::filesystem::path ResolveCaseInsensitive(const std::filesystem::path& root, std::string_view relative);

// Resolves an absolute path the same way, starting at '/'. Used for paths read back from the
// settings files, which may have been written with a different case by hand.
std::filesystem::path ResolveExisting(const std::filesystem::path& absolute);

// Lower-cased extension with its dot ("Photo.JPEG" -> ".jpeg"); empty when there is none.
std::string LowerExt(std::string_view fileName);
// The file name with its extension replaced (ChangeFileExt("a/b.jpg", ".bmp") == "a/b.bmp").
std::string ChangeFileExt(std::string_view fileName, std::string_view ext);
// ASCII and UTF-8 aware lower-casing for file-name comparison.
std::string FoldCase(std::string_view s);

} // namespace nodo
