#pragma once
// State shared between the windows, and the picture hand-over file.
#include <cstdint>
#include <string>
#include <vector>

namespace nodo {
class AppFolder;
class TextFile;

// One entry of the background list.
struct TPicBGList {
    int32_t PicIndex = 0;
    std::string PicName; // relative to "source\DeskTopBG\"
};

namespace uGlobal {
inline std::string CurPicFile;      // the file the picture page shows, or empty
inline std::string ConfigSetBgFile; // full path of "data\configSetBg.ini"
inline bool ShowSetBgInfo = false;  // ask before changing the wallpaper
inline int SetBgConfirmed = 0;      // the confirmation's last answer, 0 or 1
inline std::vector<TPicBGList> BGPicList;
inline int BGPicCount = 0;

// Puts every global back to its value before start-up (tests start many "programs" in one process).
void ResetGlobals();
} // namespace uGlobal

// The hand-over file "Data\tmppic.ini": Mode <= 0 writes CurPicFile to it; Mode > 0 reads its first
// line into CurPicFile, or, when the file is missing, empties CurPicFile and creates the file with one
// empty line. Reading a file without any line throws FileError.
void TmpPicIni(int Mode, const AppFolder& folder, TextFile& text);

} // namespace nodo
