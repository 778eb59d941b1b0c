#include "ComposerFolder.h"

#include "imaging/PictureFile.h"
#include "platform/Errors.h"

#include <random>
#include <stdexcept>

namespace fs = std::filesystem;

namespace nodo::testing {

static fs::path MakeRoot() {
    std::random_device rd;
    for (int attempt = 0; attempt < 100; ++attempt) {
        fs::path p = fs::temp_directory_path() / ("nodo-composer-" + std::to_string(rd()));
        if (fs::create_directory(p)) {
            fs::create_directories(p / "data");
            fs::create_directories(p / "source" / "DeskTopBG");
            return p;
        }
    }
    throw std::runtime_error("cannot create a temporary folder");
}

ComposerFolder::ComposerFolder() : m_root(MakeRoot()), m_folder(m_root) {}

ComposerFolder::~ComposerFolder() {
    std::error_code ec;
    fs::remove_all(m_root, ec);
}

void ComposerFolder::writeBackground(const std::string& name, int w, int h, pic::Bgra colour) const {
    pic::SaveBmpFile(bgDir() / name, SolidBitmap(w, h, 24, colour), 24);
}

pic::Bitmap SolidBitmap(int w, int h, int bpp, pic::Bgra colour) {
    pic::Bitmap b(w, h, bpp);
    b.fill(colour);
    return b;
}

void RecordingWallpaper::setValue(const std::string& name, const std::string& value) {
    if (throwOnStore) throw FileError("cannot write the wallpaper key");
    ++stores;
    values[name] = value;
}

void RecordingWallpaper::setValues(const std::vector<std::pair<std::string, std::string>>& pairs) {
    if (throwOnStore) throw FileError("cannot write the wallpaper key");
    ++stores;
    for (const auto& [name, value] : pairs)
        values[name] = value;
}

std::string RecordingWallpaper::value(const std::string& name) const {
    auto it = values.find(name);
    return it == values.end() ? std::string() : it->second;
}

bool RecordingWallpaper::apply(const std::string& file, std::string& error) {
    applied.push_back(file);
    if (!succeed) error = "no desktop";
    return succeed;
}

} // namespace nodo::testing
