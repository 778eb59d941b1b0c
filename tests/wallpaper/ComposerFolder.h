#pragma once
// A fresh application folder on disk for the composer's tests, and pictures to put in it.
#include "imaging/Bitmap.h"
#include "platform/AppFolder.h"
#include "platform/Wallpaper.h"
#include "platform/posix/AppFolders.h"

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace nodo::testing {

class ComposerFolder {
public:
    ComposerFolder();
    ~ComposerFolder();
    const std::filesystem::path& root() const { return m_root; }
    std::filesystem::path bgDir() const { return m_root / "source" / "DeskTopBG"; }
    const AppFolder& folder() const { return m_folder; }
    // Writes a solid picture as a 24-bit BMP below source/DeskTopBG/.
    void writeBackground(const std::string& name, int w, int h, pic::Bgra colour) const;

private:
    std::filesystem::path m_root;
    FixedAppFolder m_folder;
};

pic::Bitmap SolidBitmap(int w, int h, int bpp, pic::Bgra colour);

// Records what the apply stored and showed; can be told to fail.
class RecordingWallpaper : public Wallpaper {
public:
    std::map<std::string, std::string> values;
    std::vector<std::string> applied;
    bool succeed = true;
    bool throwOnStore = false;
    std::string copy; // what shownFile() says the desktop was handed, after a successful apply
    int stores = 0;   // calls that stored values, one per store of the whole key

    void setValue(const std::string& name, const std::string& value) override;
    void setValues(const std::vector<std::pair<std::string, std::string>>& values) override;
    std::string value(const std::string& name) const override;
    bool apply(const std::string& file, std::string& error) override;
    std::string shownFile() const override { return applied.empty() || !succeed ? std::string() : copy; }
};

} // namespace nodo::testing
