#include "pictures/uGlobal.h"

#include "platform/AppFolder.h"
#include "platform/Errors.h"
#include "platform/TextFile.h"

namespace nodo {

void TmpPicIni(int Mode, SharedState& state, const AppFolder& folder, TextFile& text) {
    const std::string file = folder.path("Data\\tmppic.ini");
    if (Mode <= 0) {
        text.writeLines(file, {state.CurPicFile});
        return;
    }
    if (text.exists(file)) {
        const auto lines = text.readLines(file);
        if (lines.empty()) throw FileError("List index out of bounds (0): \"" + file + "\" holds no line");
        state.CurPicFile = lines[0];
    } else {
        state.CurPicFile.clear();
        text.writeLines(file, {std::string()});
    }
}

} // namespace nodo
