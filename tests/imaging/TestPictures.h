#pragma once
// Builders of small test pictures: BMP byte by byte, PNG/JPEG/GIF through the libraries' encoders,
// so every variant a decoder must handle is made here rather than shipped as opaque files.
#include "imaging/Bitmap.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace nodo::pic::test {

using ByteVec = std::vector<std::uint8_t>;

// Deterministic pattern with distinct neighbours (and varied alpha in 32 bits).
Bitmap Gradient(int width, int height, int bitsPerPixel);
// Four quarters: red top-left, green top-right, blue bottom-left, white bottom-right.
Bitmap Quarters(int width, int height, int bitsPerPixel = 24);

struct BmpSpec {
    int infoSize = 40; // 12, 40, 52, 56, 108, 124
    std::int32_t width = 0;
    std::int32_t height = 0; // negative: top-down
    int bpp = 24;
    std::uint32_t compression = 0;
    std::uint32_t colorsUsed = 0;
    std::vector<std::uint32_t> palette; // 0xRRGGBB
    std::vector<std::uint32_t> masks;   // written inside the header (>= 52) or after a 40-byte one
    ByteVec pixels;                     // exactly as stored in the file
    std::int64_t pixelOffset = -1;      // -1: right after the palette
};
ByteVec MakeBmp(const BmpSpec& spec);

struct PngSpec {
    int width = 0, height = 0;
    int colorType = 0; // PNG_COLOR_TYPE_*
    int bitDepth = 8;
    bool interlaced = false;
    std::vector<ByteVec> rows;                   // packed samples as PNG stores them (16-bit big-endian)
    std::vector<std::uint32_t> palette;          // 0xRRGGBB
    ByteVec paletteAlpha;                        // tRNS for palettes
    std::vector<std::uint16_t> transparentColor; // tRNS for grey (1 value) or RGB (3 values)
};
ByteVec MakePng(const PngSpec& spec);

enum class JpegKind { Colour, Grey, CmykAdobe, CmykPlain };
// pixels: for Colour/Grey a 24-bit bitmap (Grey uses the green channel); for CMYK, 4 bytes per pixel
// C, M, Y, K as they are to be stored.
ByteVec MakeJpeg(JpegKind kind, const Bitmap& picture, bool progressive, int quality = 95,
                 const ByteVec& cmyk = {}, bool arithmetic = false);

struct GifFrame {
    int left = 0, top = 0, width = 0, height = 0;
    bool interlaced = false;
    int transparentIndex = -1;
    std::vector<std::uint32_t> localPalette; // empty: use the global one
    ByteVec indices;                         // width * height, top-down
};
ByteVec MakeGif(int screenWidth, int screenHeight, const std::vector<std::uint32_t>& globalPalette,
                const std::vector<GifFrame>& frames);

// Mean absolute difference per channel of two 24-bit pictures of one size.
double MeanAbsDiff(const Bitmap& a, const Bitmap& b);

// "nodo_<stem>_<pid><ext>" in the temporary folder: test runs in parallel never share a file.
std::filesystem::path TempPath(const std::string& stem, const std::string& ext = {});

} // namespace nodo::pic::test
