#pragma once
// Loading and saving pictures by path. Paths are used as given (case-insensitive lookup belongs to
// the application folder). Writes go to a temporary file in the same folder that is then renamed,
// so a failed write never leaves half a picture behind.
#include "imaging/Bitmap.h"
#include "imaging/Codecs.h"
#include "imaging/PictureError.h"

#include <cstdint>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

namespace nodo::pic {

// Files larger than this are refused (the largest BMP we accept is about 400 MB).
inline constexpr std::uint64_t kMaxFileBytes = 1ull << 30;

// How a write replaces the file already there. Either way a reader finds the old file or the new
// one, whole, and a failed write leaves the old one as it was.
enum class Replace {
    // Renamed over the old file. ext4 then starts writing the new data out before the rename
    // returns (its guard for programs that never flush), so a crash soon after most likely still
    // finds the new picture; on a screen-sized picture that costs several milliseconds.
    Kept,
    // Swapped with the old file, which is then removed: nothing is written out early. For files
    // that are made again from others every time they are needed, where a crash that leaves one
    // empty costs nothing. Where the system cannot swap, renamed over as above.
    Rebuilt,
};

// The files that Rebuilt writes swapped out, left under their hidden temporary names until
// removeAll(), or the holder's end, removes them: a caller that replaces large files can have the
// old ones removed when it has time to spare. A crash before that leaves them as hidden files.
// Safe to share between threads.
class OldFiles {
public:
    OldFiles() = default;
    ~OldFiles() { removeAll(); }
    OldFiles(const OldFiles&) = delete;
    OldFiles& operator=(const OldFiles&) = delete;

    void add(std::string path);
    void removeAll();

private:
    std::mutex m_mutex;
    std::vector<std::string> m_paths;
};

// Throw PictureError (kind Io, or TooLarge) naming the path and the system's reason. With `old`, a
// file that Rebuilt swaps out is handed to it instead of being removed at once.
std::vector<std::uint8_t> ReadWholeFile(const std::filesystem::path& path);
void WriteWholeFile(const std::filesystem::path& path, Bytes data, Replace replace = Replace::Kept,
                    OldFiles* old = nullptr);

// Decodes a file of any supported format by its content. Uncompressed 24/32-bit BMPs are read
// straight into the bitmap's rows.
Bitmap LoadBitmapFile(const std::filesystem::path& path, const DecodeOptions& options = {});
// Writes a BMP of 24 or 32 bits per pixel; an empty bitmap writes a 0-byte file.
void SaveBmpFile(const std::filesystem::path& path, const Bitmap& bitmap, int bitsPerPixel = 24,
                 Replace replace = Replace::Kept, OldFiles* old = nullptr);
// Writes a baseline colour JPEG.
void SaveJpegFile(const std::filesystem::path& path, const Bitmap& bitmap, int quality = 90);

} // namespace nodo::pic
