#pragma once
// The background list file "Data\BGPicList.ini": line 1 is the chosen picture, the other lines are
// the list's rows, each a file name below "source\DeskTopBG\".
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace nodo {
class AppFolder;
class TextFile;
struct SharedState;

inline constexpr const char* kBGPicListFile = "Data\\BGPicList.ini";
inline constexpr const char* kBGPicFolder = "source\\DeskTopBG\\";
inline constexpr const char* kDefaultBGPic = "A1.bmp"; // installed with the program

// The list file's lines; nothing when the file was missing, which is then written with its default
// content (a failure to write throws FileError).
std::optional<std::vector<std::string>> ReadBGPicList(const AppFolder& folder, TextFile& text);

// Fills BGPicList and BGPicCount from the list file and sets SelBGPic and
// BGPicIndex: the last entry carrying the chosen name when byChoice, otherwise the last entry. A
// missing file is written with its default content (a failure to write throws FileError); a file
// without any line leaves BGPicCount 0 and everything else as it was.
void LoadBGPicList(const AppFolder& folder, TextFile& text, SharedState& state, bool ByChoice);

// Rewrites the list file: the chosen name, then the rows. Throws FileError.
void SavePicList(const AppFolder& folder, TextFile& text, const std::string& SelBGPic,
                 const std::vector<std::string>& rows);

} // namespace nodo
