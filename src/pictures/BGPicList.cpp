#include "pictures/BGPicList.h"

#include "pictures/uGlobal.h"
#include "platform/AppFolder.h"
#include "platform/TextFile.h"

namespace nodo {

std::optional<std::vector<std::string>> ReadBGPicList(const AppFolder& folder, TextFile& text) {
    const std::string file = folder.path(kBGPicListFile);
    if (text.exists(file)) return text.readLines(file);
    text.writeLines(file, {kDefaultBGPic, kDefaultBGPic});
    return std::nullopt;
}

void LoadBGPicList(const AppFolder& folder, TextFile& text, SharedState& state, bool ByChoice) {
    state.BGPicCount = 0;
    const std::optional<std::vector<std::string>> read = ReadBGPicList(folder, text);
    if (!read) {
        state.SelBGPic = kDefaultBGPic;
        state.BGPicCount = 2;
        state.BGPicList = {{0, kDefaultBGPic}, {1, kDefaultBGPic}};
        state.BGPicIndex = 0;
        return;
    }
    const std::vector<std::string>& lines = *read;
    if (lines.empty()) return; // nothing to choose from: keep what was loaded before
    state.SelBGPic = lines[0];
    const int count = static_cast<int>(lines.size());
    state.BGPicCount = count;
    state.BGPicList.assign(lines.size(), {});
    for (int i = 0; i < count; ++i) {
        auto& entry = state.BGPicList[static_cast<std::size_t>(i)];
        entry.PicIndex = i;
        entry.PicName = lines[static_cast<std::size_t>(i)];
        if (entry.PicName == state.SelBGPic) state.BGPicIndex = ByChoice ? i : count - 1;
    }
}

void SavePicList(const AppFolder& folder, TextFile& text, const std::string& SelBGPic,
                 const std::vector<std::string>& rows) {
    std::vector<std::string> lines;
    lines.reserve(rows.size() + 1);
    lines.push_back(SelBGPic);
    lines.insert(lines.end(), rows.begin(), rows.end());
    text.writeLines(folder.path(kBGPicListFile), lines);
}

} // namespace nodo
