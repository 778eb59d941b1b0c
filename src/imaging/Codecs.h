#pragma once
// Decoders and encoders of the four picture formats. Decoders never trust the header: a truncated,
// corrupt or oversized file throws PictureError before any large allocation.
#include "imaging/Bitmap.h"
#include "imaging/PictureError.h"

#include <cstdint>
#include <string_view>
#include <vector>

namespace nodo::pic {

// BMP: 1/4/8-bit palettes, 16/24/32 bits, BI_BITFIELDS, RLE4/RLE8, either row order, info headers of
// 12, 40, 52, 56, 108 and 124 bytes. 0 bytes decode to an empty bitmap. Palette, 16-bit and 24-bit
// files give 24 bits; 32-bit files and 16-bit files with an alpha mask give 32 bits. In a plain
// (BI_RGB) 32-bit file an all-zero alpha byte means the writer left it unused: the picture is opaque.
// Pixels that RLE data skips take palette entry 0.
Bitmap DecodeBmp(Bytes data, const DecodeOptions& options = {});
// bitsPerPixel 24 or 32; a 32-bit picture written at 24 bits is laid over white first. An empty
// bitmap gives 0 bytes. 32-bit files carry their alpha channel (BI_BITFIELDS, 108-byte header).
std::vector<std::uint8_t> EncodeBmp(const Bitmap& bitmap, int bitsPerPixel = 24);
// The file and info headers EncodeBmp writes before the rows (for writers that stream the rows).
std::vector<std::uint8_t> BmpHeaders(int width, int height, int bitsPerPixel);

// JPEG (libjpeg): baseline, progressive, arithmetic; grey, YCbCr, RGB, CMYK/YCCK (Adobe inverted
// or not) -> 24 bits.
Bitmap DecodeJpeg(Bytes data, const DecodeOptions& options = {});
// Baseline colour JPEG; a 32-bit picture is laid over white first.
std::vector<std::uint8_t> EncodeJpeg(const Bitmap& bitmap, int quality = 90);
// The same for a picture whose fourth byte is no alpha: a 32-bit picture is encoded from its blue,
// green and red bytes as they are (the fourth byte dropped, not laid over white), with no copy.
std::vector<std::uint8_t> EncodeJpegOpaque(const Bitmap& bitmap, int quality = 90);
// A JPEG pass: EncodeJpegOpaque, and DecodeJpeg of what it wrote. The decoding runs on a thread of
// its own and takes the bytes as the encoder writes them, so the two overlap; the results are
// those of the two calls one after the other. Throws PictureError when either fails.
struct JpegPass {
    std::vector<std::uint8_t> jpeg;
    Bitmap decoded;
};
JpegPass EncodeJpegAndDecode(const Bitmap& bitmap, int quality = 90);

// PNG (libpng): every colour type and depth, tRNS, interlaced. Pictures with an alpha channel or
// tRNS give 32 bits (BGRA, not premultiplied); the others 24 bits. 16-bit samples are scaled to 8.
Bitmap DecodePng(Bytes data, const DecodeOptions& options = {});
// How hard the PNG encoder works: libpng's defaults, or the fastest settings for a picture written
// while the user waits (the lowest zlib level, Huffman coding only, the "up" filter that still
// shrinks photographs well).
enum class PngEffort { Default, Fastest };
// 24 bits -> RGB, 32 bits -> RGBA, 8 bits per sample, not interlaced.
std::vector<std::uint8_t> EncodePng(const Bitmap& bitmap, PngEffort effort = PngEffort::Default);

// GIF (giflib): the first frame drawn on the full logical screen. Pixels the frame does not cover,
// and the frame's transparent colour, are transparent; then the result is 32 bits, else 24.
Bitmap DecodeGif(Bytes data, const DecodeOptions& options = {});
// One frame. A picture with at most 256 colours keeps them exactly; others are mapped to a fixed
// 6x7x6 colour cube. In a 32-bit picture, pixels with alpha < 128 become the transparent colour.
std::vector<std::uint8_t> EncodeGif(const Bitmap& bitmap);

enum class PictureFormat { Unknown, Bmp, Jpeg, Png, Gif };

// The format a file name's extension names (".bmp", ".jpg", ".jpeg", ".png", ".gif", in any case);
// Unknown for any other.
PictureFormat FormatByExtension(std::string_view fileName);
// Sniffs the format from the first bytes; an empty buffer counts as an (empty) BMP.
PictureFormat DetectFormat(Bytes data);
const char* FormatName(PictureFormat format); // "BMP", "JPEG", "PNG", "GIF", "unknown"
// Decodes by content, whatever the file was called. Unknown content throws PictureError.
Bitmap DecodeAny(Bytes data, const DecodeOptions& options = {});

// Lays a 32-bit picture over white and gives 24 bits; a 24-bit picture is returned as it is.
Bitmap FlattenOverWhite(const Bitmap& bitmap);
// Gives 32 bits; a 24-bit picture becomes opaque.
Bitmap ToBgra(const Bitmap& bitmap);

} // namespace nodo::pic
