#include "pictures/uGlobal.h"

#include "platform/AppFolder.h"
#include "platform/Errors.h"
#include "platform/TextFile.h"

namespace nodo {

void uGlobal::ResetGlobals() {
    CurPicFile.clear();
    ConfigSetBgFile.clear();
    ShowSetBgInfo = false;
    SetBgConfirmed = 0;
    BGPicList.clear();
    BGPicCount = 0;
}

void TmpPicIni(int Mode, const AppFolder& folder, TextFile& text) {
    const std::string file = folder.path("Data\\tmppic.ini");
    if (Mode <= 0) {
        text.writeLines(file, {uGlobal::CurPicFile});
        return;
    }
    if (text.exists(file)) {
        const auto lines = text.readLines(file);
        if (lines.empty()) throw FileError("List index out of bounds (0): \"" + file + "\" holds no line");
        uGlobal::CurPicFile = lines[0];
    } else {
        uGlobal::CurPicFile.clear();
        text.writeLines(file, {std::string()});
    }
}

} // namespace nodo
