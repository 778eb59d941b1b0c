#pragma once
// Small pictures written to disk for the import and background-list tests.
#include "imaging/Codecs.h"
#include "imaging/PictureFile.h"
#include "platform/AppFolder.h"

#include <string>

namespace nodo::test {

// Distinct colours per pixel, so any shifted or dropped row or column shows.
inline pic::Bitmap Pattern(int width, int height, int bitsPerPixel = 24) {
    pic::Bitmap b(width, height, bitsPerPixel);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            b.setPixel(x, y,
                       {static_cast<std::uint8_t>(x * 7 + y), static_cast<std::uint8_t>(y * 5),
                        static_cast<std::uint8_t>(x ^ y), 255});
    return b;
}

inline pic::Bitmap Solid(int width, int height, pic::Bgra colour, int bitsPerPixel = 24) {
    pic::Bitmap b(width, height, bitsPerPixel);
    b.fill(colour);
    return b;
}

inline void WriteBmp(const std::string& path, const pic::Bitmap& b) {
    pic::SaveBmpFile(path, b, b.bitsPerPixel());
}
inline void WriteJpeg(const std::string& path, const pic::Bitmap& b) {
    pic::SaveJpegFile(path, b, 95);
}
inline void WritePng(const std::string& path, const pic::Bitmap& b) {
    pic::WriteWholeFile(path, pic::EncodePng(b));
}
inline void WriteGif(const std::string& path, const pic::Bitmap& b) {
    pic::WriteWholeFile(path, pic::EncodeGif(b));
}

// In the format the file name's extension names, without regard to case; a BMP for any other.
inline void WriteByExtension(const std::string& path, const pic::Bitmap& b) {
    const std::string ext = LowerExt(path);
    if (ext == ".jpg" || ext == ".jpeg")
        WriteJpeg(path, b);
    else if (ext == ".png")
        WritePng(path, b);
    else if (ext == ".gif")
        WriteGif(path, b);
    else
        WriteBmp(path, b);
}

} // namespace nodo::test
