#pragma once
// The apply after the confirmation, without any window: the content picture, the background chosen
// from the list, the blend, the JPEG pass and the installation as the desktop wallpaper. The window
// handler and `nodo-cli apply` both run these steps.
#include "imaging/Bitmap.h"
#include "pictures/uGlobal.h"

#include <cstdint>
#include <string>
#include <vector>

namespace nodo {
class AppFolder;
class TextFile;
class Wallpaper;

inline constexpr int kMixPercent = 50;
inline constexpr int kMixJpegQuality = 90;

// The files of the composer, all in "source\DeskTopBG\" below the application folder.
// Each name is looked up when asked for, so a file written since then is found under any case.
class ComposerFiles {
public:
    explicit ComposerFiles(const AppFolder& folder) : m_folder(&folder) {}
    std::string dir() const;     // DeskTopBGDir, with a trailing '/'
    std::string content() const; // Content.bmp
    std::string mixBmp() const;  // Mix.bmp
    std::string mixJpg() const;  // Mix.Jpg
    // A background named by a list entry (relative to the folder, '\' or '/' separators).
    std::string background(const std::string& picName) const;

private:
    std::string file(const std::string& name) const;
    const AppFolder* m_folder;
};

// Writes the content picture as "Content.bmp" at its own depth (24 or 32 bits); an empty picture
// gives a 0-byte file. Throws PictureError when the file cannot be written.
void SaveContentPic(const ComposerFiles& files, const pic::Bitmap& content);

// Stores "Wallpaper" = file and "WallpaperStyle" = "2" (stretched), then has the desktop show it.
// False, with the reason in `error`, when either step failed. A caller that has just written the
// file hands its picture over as `picture` (24 bits), so it is not read back.
bool SetWallpaper(Wallpaper& wallpaper, const std::string& file, std::string& error,
                  const pic::Bitmap* picture = nullptr);

enum class ApplyOutcome {
    NoBackgrounds,     // the list is empty: nothing was done
    BackgroundMissing, // the entry's file does not exist: the index moved on, nothing else
    BlendFailed,       // a picture could not be loaded, or Mix.bmp not written
    JpegFailed,        // the JPEG pass failed; Mix.bmp is the 32-bit blend
    WallpaperFailed,   // the desktop could not be told; the files are written
    Installed,
};
const char* ApplyOutcomeName(ApplyOutcome outcome);

struct ApplyResult {
    ApplyOutcome outcome = ApplyOutcome::NoBackgrounds;
    int32_t usedIndex = -1;    // the list entry tried
    std::string background;    // its full path (BGPicFile)
    std::string wallpaperFile; // the file handed to the desktop: its own copy once it took one
    std::string error;         // why it failed, in plain words
};

// The three pictures of one blend: the content, the background (blended in place) and the result.
// They are filled and emptied within one apply, so nothing large is kept between applies.
struct MixHolder {
    pic::Bitmap img1, img2, imgmix;
    void clear() { img1 = img2 = imgmix = pic::Bitmap(); }
};

// Steps after the content picture is written: pick entry `index` of `list`, blend Content.bmp over
// it, write Mix.bmp (32 bits), Mix.Jpg and Mix.bmp again (24 bits, decoded from the JPEG), install
// it, and move `index` to the entry the next apply uses. Never throws for a failed step: the result
// says what happened. A caller that has just written Content.bmp hands its picture over as
// `content`, so the file is not read back.
ApplyResult ApplyBackground(const ComposerFiles& files, Wallpaper& wallpaper,
                            const std::vector<TPicBGList>& list, int32_t& index, MixHolder& holder,
                            const pic::Bitmap* content = nullptr);

// The list and index a fresh start would use, read without writing anything: the lines of
// "Data\BGPicList.ini" with the last entry chosen, the default list ("A1.bmp" twice, entry 0) when
// the file is missing, and an empty list when it holds no line.
struct BackgroundChoice {
    std::vector<TPicBGList> list;
    int32_t index = 0;
};
BackgroundChoice StartupBackgrounds(const AppFolder& folder, const TextFile& text);

} // namespace nodo
