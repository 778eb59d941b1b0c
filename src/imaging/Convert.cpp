#include "imaging/Codecs.h"
#include "imaging/PixelRows.h"

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

namespace {

// The same picture at the other depth, converted row by row.
template <class RowFn> Bitmap withDepth(const Bitmap& bitmap, int bitsPerPixel, RowFn convertRow) {
    Bitmap out = Bitmap::uninitialized(bitmap.width(), bitmap.height(), bitsPerPixel);
    out.setSourceBitsPerPixel(bitmap.sourceBitsPerPixel());
    for (int y = 0; y < bitmap.height(); ++y)
        convertRow(bitmap.row(y), out.row(y), bitmap.width());
    return out;
}

} // namespace

Bitmap FlattenOverWhite(const Bitmap& bitmap) {
    if (bitmap.empty()) return Bitmap();
    if (bitmap.bitsPerPixel() == 24) return bitmap;
    return withDepth(bitmap, 24, detail::FlattenRowOverWhite);
}

Bitmap ToBgra(const Bitmap& bitmap) {
    if (bitmap.empty()) return Bitmap(0, 0, 32);
    if (bitmap.bitsPerPixel() == 32) return bitmap;
    return withDepth(bitmap, 32, detail::AddOpaqueAlpha);
}

} // namespace nodo::pic
