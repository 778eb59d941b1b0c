#pragma once
// Loading and saving pictures by path. Paths are used as given (case-insensitive lookup belongs to
// the application folder). Writes go to a temporary file in the same folder that is then renamed,
// so a failed write never leaves half a picture behind.
#include "imaging/Bitmap.h"
#include "imaging/Codecs.h"
#include "imaging/PictureError.h"

#include <cstdint>
#include <filesystem>
#include <vector>

namespace nodo::pic {

// Files larger than this are refused (the largest BMP we accept is about 400 MB).
inline constexpr std::uint64_t kMaxFileBytes = 1ull << 30;

// Throw PictureError (kind Io, or TooLarge) naming the path and the system's reason.
std::vector<std::uint8_t> ReadWholeFile(const std::filesystem::path& path);
void WriteWholeFile(const std::filesystem::path& path, Bytes data);

// Decodes a file of any supported format by its content. Uncompressed 24/32-bit BMPs are read
// straight into the bitmap's rows.
Bitmap LoadBitmapFile(const std::filesystem::path& path, const DecodeOptions& options = {});
// Writes a BMP of 24 or 32 bits per pixel; an empty bitmap writes a 0-byte file.
void SaveBmpFile(const std::filesystem::path& path, const Bitmap& bitmap, int bitsPerPixel = 24);
// Writes a baseline colour JPEG.
void SaveJpegFile(const std::filesystem::path& path, const Bitmap& bitmap, int quality = 90);

} // namespace nodo::pic
