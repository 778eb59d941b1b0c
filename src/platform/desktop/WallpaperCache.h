#pragma once
// Desktops keep showing a picture they have cached as long as its path does not change, so each
// change hands them a copy under a new name. The copies live in the user's cache folder; older ones
// are removed once the desktop has taken the new one.
#include "imaging/Bitmap.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <vector>

namespace nodo::desktop {

class WallpaperCache {
public:
    explicit WallpaperCache(std::filesystem::path folder) : m_folder(std::move(folder)) {}

    const std::filesystem::path& folder() const { return m_folder; }

    // Writes `picture` as a PNG (read by every desktop, and lossless) under a name not used by any
    // file in the folder. Creates the folder. Throws pic::PictureError or FileError.
    std::filesystem::path store(const pic::Bitmap& picture);
    // The same for a JPEG file's bytes as they are (no decoding, no encoding).
    std::filesystem::path storeJpeg(const std::vector<std::uint8_t>& jpeg);
    // The desktop took `current`: every other copy goes, and `current` is remembered as shown.
    void taken(const std::filesystem::path& current);
    // The desktop refused `attempt`, perhaps after taking it in part (one monitor of several): the
    // copy shown before and the attempt stay, anything older goes.
    void refused(const std::filesystem::path& attempt);
    // The copy the desktop last took, when it is still there.
    std::optional<std::filesystem::path> shown() const;
    // Removes one copy.
    void remove(const std::filesystem::path& copy);
    // Our copies in the folder, oldest name first.
    std::vector<std::filesystem::path> copies() const;

private:
    std::filesystem::path storeBytes(const std::vector<std::uint8_t>& bytes, const char* suffix);

    std::filesystem::path m_folder;
};

// The JPEG that `picture` was decoded from, when one lies beside `file` under the same name (".jpg"
// or ".jpeg", in any case) and decodes to exactly its pixels: the composer writes "Mix.Jpg" and then
// "Mix.bmp" from its decoding, so the desktop can be handed the small JPEG as it is. Nothing when
// there is none, or it shows anything else.
std::optional<std::vector<std::uint8_t>> MatchingJpeg(const std::filesystem::path& file,
                                                      const pic::Bitmap& picture);

// A PNG made for speed rather than size (24 bits RGB, 32 bits RGBA). Throws pic::PictureError.
std::vector<std::uint8_t> EncodeWallpaperPng(const pic::Bitmap& picture);

// $XDG_CACHE_HOME/nodo/wallpaper (or ~/.cache/nodo/wallpaper).
std::filesystem::path DefaultCacheFolder();

// The picture as the desktop should show it, 24 bits: a BMP's fourth byte is ignored as the
// desktop of its origin does; other pictures with transparency are laid over white.
// Throws pic::PictureError.
pic::Bitmap LoadWallpaperPicture(const std::filesystem::path& file);

} // namespace nodo::desktop
