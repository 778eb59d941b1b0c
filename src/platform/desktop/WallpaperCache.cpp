#include "platform/desktop/WallpaperCache.h"

#include "imaging/Codecs.h"
#include "imaging/PictureFile.h"
#include "platform/AppFolder.h"
#include "platform/Errors.h"
#include "platform/desktop/Paths.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <fstream>

namespace nodo::desktop {

namespace {

constexpr std::string_view kPrefix = "wallpaper-";
// Names the copy the desktop last took.
constexpr const char* kShownNote = "shown";

bool isCopyName(const std::string& name) {
    for (const std::string_view suffix : {std::string_view(".png"), std::string_view(".jpg")})
        if (name.size() > kPrefix.size() + suffix.size() && name.starts_with(kPrefix) &&
            name.ends_with(suffix))
            return true;
    return false;
}

} // namespace

std::vector<std::uint8_t> EncodeWallpaperPng(const pic::Bitmap& picture) {
    if (picture.empty()) throw pic::PictureError(pic::PictureErrorKind::Unsupported, "the picture is empty");
    // Written on every change while the user waits.
    return pic::EncodePng(picture, pic::PngEffort::Fastest);
}

std::filesystem::path WallpaperCache::store(const pic::Bitmap& picture) {
    return storeBytes(EncodeWallpaperPng(picture), ".png");
}

std::filesystem::path WallpaperCache::storeJpeg(const std::vector<std::uint8_t>& jpeg) {
    return storeBytes(jpeg, ".jpg");
}

std::filesystem::path WallpaperCache::storeBytes(const std::vector<std::uint8_t>& bytes, const char* suffix) {
    std::error_code ec;
    std::filesystem::create_directories(m_folder, ec);
    if (ec) throw FileError("cannot create " + m_folder.string() + ": " + ec.message());

    // Milliseconds keep the names in order; the counter separates copies of other processes,
    // and a stamp is never used twice by this process, even when the copy it named is gone.
    static std::atomic<long long> lastStamp{0};
    const long long now = std::chrono::duration_cast<std::chrono::milliseconds>(
                              std::chrono::system_clock::now().time_since_epoch())
                              .count();
    long long ms = lastStamp.load();
    long long next;
    do {
        next = std::max(now, ms + 1);
    } while (!lastStamp.compare_exchange_weak(ms, next));
    ms = next;
    for (int n = 0;; ++n) {
        char name[64];
        std::snprintf(name, sizeof name, "wallpaper-%013lld-%03d%s", static_cast<long long>(ms), n, suffix);
        auto path = m_folder / name;
        if (std::filesystem::exists(path, ec)) continue;
        // WriteWholeFile goes through a temporary name, so a desktop never sees half a picture.
        pic::WriteWholeFile(path, bytes);
        return path;
    }
}

std::vector<std::filesystem::path> WallpaperCache::copies() const {
    std::vector<std::filesystem::path> found;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(m_folder, ec))
        if (isCopyName(entry.path().filename().string())) found.push_back(entry.path());
    std::sort(found.begin(), found.end());
    return found;
}

void WallpaperCache::taken(const std::filesystem::path& current) {
    for (const auto& copy : copies())
        if (copy.filename() != current.filename()) remove(copy);
    // Best effort: without the note a later refusal only keeps fewer old copies.
    std::ofstream(m_folder / kShownNote, std::ios::trunc) << current.filename().string() << '\n';
}

void WallpaperCache::refused(const std::filesystem::path& attempt) {
    const auto before = shown();
    for (const auto& copy : copies())
        if (copy.filename() != attempt.filename() && (!before || copy.filename() != before->filename()))
            remove(copy);
}

std::optional<std::filesystem::path> WallpaperCache::shown() const {
    std::ifstream in(m_folder / kShownNote);
    std::string name;
    if (!std::getline(in, name) || !isCopyName(name)) return std::nullopt;
    std::error_code ec;
    if (!std::filesystem::is_regular_file(m_folder / name, ec)) return std::nullopt;
    return m_folder / name;
}

void WallpaperCache::remove(const std::filesystem::path& copy) {
    std::error_code ec;
    std::filesystem::remove(copy, ec);
}

std::filesystem::path DefaultCacheFolder() {
    return CacheHome() / "nodo" / "wallpaper";
}

pic::Bitmap LoadWallpaperPicture(const std::filesystem::path& file) {
    const auto bytes = pic::ReadWholeFile(file);
    const pic::PictureFormat format = pic::DetectFormat(bytes);
    pic::Bitmap picture = pic::DecodeAny(bytes);
    if (picture.bitsPerPixel() == 24) return picture;
    if (format != pic::PictureFormat::Bmp) return pic::FlattenOverWhite(picture);
    pic::Bitmap opaque = pic::Bitmap::uninitialized(picture.width(), picture.height(), 24);
    for (int y = 0; y < picture.height(); ++y) {
        const std::uint8_t* s = picture.row(y);
        std::uint8_t* d = opaque.row(y);
        for (int x = 0; x < picture.width(); ++x, s += 4, d += 3)
            d[0] = s[0], d[1] = s[1], d[2] = s[2];
    }
    return opaque;
}

std::optional<std::vector<std::uint8_t>> MatchingJpeg(const std::filesystem::path& file,
                                                      const pic::Bitmap& picture) {
    std::error_code ec;
    const std::string stem = FoldCase(file.stem().string());
    for (const auto& entry : std::filesystem::directory_iterator(file.parent_path(), ec)) {
        const std::string ext = LowerExt(entry.path().filename().string());
        if ((ext != ".jpg" && ext != ".jpeg") || FoldCase(entry.path().stem().string()) != stem) continue;
        try {
            std::vector<std::uint8_t> bytes = pic::ReadWholeFile(entry.path());
            if (pic::DetectFormat(bytes) != pic::PictureFormat::Jpeg) continue;
            if (pic::DecodeJpeg(bytes) == picture) return bytes;
        } catch (const std::exception&) {
            // An unreadable or damaged JPEG is simply not the one.
        }
    }
    return std::nullopt;
}

} // namespace nodo::desktop
