#include "pictures/core/Codecs.h"

#include <cstring>

namespace nodo::pic {

PictureFormat DetectFormat(Bytes data) {
    static constexpr std::uint8_t png[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    if (data.empty()) return PictureFormat::Bmp; // a 0-byte BMP is an empty picture
    if (data.size() >= 2 && data[0] == 'B' && data[1] == 'M') return PictureFormat::Bmp;
    if (data.size() >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF) return PictureFormat::Jpeg;
    if (data.size() >= 8 && std::memcmp(data.data(), png, 8) == 0) return PictureFormat::Png;
    if (data.size() >= 6 &&
        (std::memcmp(data.data(), "GIF87a", 6) == 0 || std::memcmp(data.data(), "GIF89a", 6) == 0))
        return PictureFormat::Gif;
    return PictureFormat::Unknown;
}

const char* FormatName(PictureFormat format) {
    switch (format) {
    case PictureFormat::Bmp:
        return "BMP";
    case PictureFormat::Jpeg:
        return "JPEG";
    case PictureFormat::Png:
        return "PNG";
    case PictureFormat::Gif:
        return "GIF";
    case PictureFormat::Unknown:
        break;
    }
    return "unknown";
}

Bitmap DecodeAny(Bytes data, const DecodeOptions& options) {
    switch (DetectFormat(data)) {
    case PictureFormat::Bmp:
        return DecodeBmp(data, options);
    case PictureFormat::Jpeg:
        return DecodeJpeg(data, options);
    case PictureFormat::Png:
        return DecodePng(data, options);
    case PictureFormat::Gif:
        return DecodeGif(data, options);
    case PictureFormat::Unknown:
        break;
    }
    throw PictureError(PictureErrorKind::Unsupported, "not a BMP, JPEG, PNG or GIF picture");
}

Bitmap FlattenOverWhite(const Bitmap& bitmap) {
    if (bitmap.bitsPerPixel() == 24 || bitmap.empty()) {
        Bitmap copy = bitmap.empty() ? Bitmap() : bitmap;
        return copy;
    }
    Bitmap out = Bitmap::uninitialized(bitmap.width(), bitmap.height(), 24);
    out.setSourceBitsPerPixel(bitmap.sourceBitsPerPixel());
    for (int y = 0; y < bitmap.height(); ++y) {
        const std::uint8_t* s = bitmap.row(y);
        std::uint8_t* d = out.row(y);
        for (int x = 0; x < bitmap.width(); ++x) {
            const unsigned a = s[4 * x + 3];
            for (int c = 0; c < 3; ++c)
                d[3 * x + c] = static_cast<std::uint8_t>((s[4 * x + c] * a + 255 * (255 - a) + 127) / 255);
        }
    }
    return out;
}

Bitmap ToBgra(const Bitmap& bitmap) {
    if (bitmap.bitsPerPixel() == 32 || bitmap.empty()) {
        Bitmap copy = bitmap.empty() ? Bitmap(0, 0, 32) : bitmap;
        return copy;
    }
    Bitmap out = Bitmap::uninitialized(bitmap.width(), bitmap.height(), 32);
    out.setSourceBitsPerPixel(bitmap.sourceBitsPerPixel());
    for (int y = 0; y < bitmap.height(); ++y) {
        const std::uint8_t* s = bitmap.row(y);
        std::uint8_t* d = out.row(y);
        for (int x = 0; x < bitmap.width(); ++x) {
            d[4 * x] = s[3 * x];
            d[4 * x + 1] = s[3 * x + 1];
            d[4 * x + 2] = s[3 * x + 2];
            d[4 * x + 3] = 255;
        }
    }
    return out;
}

} // namespace nodo::pic
