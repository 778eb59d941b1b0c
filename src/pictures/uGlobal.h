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

// What the windows share: the picture unit's globals and the main window's fields that the other
// windows read and write. The program entry makes one and hands it to every window.
struct SharedState {
    std::string CurPicFile;      // the file the picture page shows, or empty
    std::string ConfigSetBgFile; // full path of "data\configSetBg.ini"
    bool ShowSetBgInfo = false;  // ask before changing the wallpaper
    int SetBgConfirmed = 0;      // the confirmation's last answer, 0 or 1
    std::vector<TPicBGList> BGPicList;
    int BGPicCount = 0;
    std::string SelBGPic;    // the chosen background
    int32_t BGPicIndex = 0;  // the entry of BGPicList the next apply uses
    int32_t LetterIndex = 0; // the memo board's page, 1 to 5
};

// The hand-over file "Data\tmppic.ini": Mode <= 0 writes CurPicFile to it; Mode > 0 reads its first
// line into CurPicFile, or, when the file is missing, empties CurPicFile and creates the file with one
// empty line. Reading a file without any line throws FileError.
void TmpPicIni(int Mode, SharedState& state, const AppFolder& folder, TextFile& text);

} // namespace nodo
