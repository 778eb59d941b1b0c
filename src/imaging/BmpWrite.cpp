#include "imaging/Codecs.h"
#include "imaging/PixelRows.h"

#include <cstring>
#include <stdexcept>
#include <string>

namespace nodo::pic {
namespace {

void put16(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}
void put32(std::uint8_t* p, std::uint32_t v) {
    put16(p, v);
    put16(p + 2, v >> 16);
}

void checkDepth(int bitsPerPixel) {
    if (bitsPerPixel != 24 && bitsPerPixel != 32)
        throw std::invalid_argument("BMP: can write 24 or 32 bits per pixel, not " +
                                    std::to_string(bitsPerPixel));
}

std::size_t rowBytes(int width, int bpp) {
    return ((static_cast<std::size_t>(width) * bpp + 31) / 32) * 4;
}

// One file row from a bitmap row at the wanted depth.
void convertRow(const std::uint8_t* src, int srcBpp, std::uint8_t* dst, int dstBpp, int width) {
    if (srcBpp == dstBpp) {
        std::memcpy(dst, src, static_cast<std::size_t>(width) * (srcBpp / 8));
    } else if (dstBpp == 32) {
        detail::AddOpaqueAlpha(src, dst, width);
    } else {
        detail::FlattenRowOverWhite(src, dst, width);
    }
}

} // namespace

std::vector<std::uint8_t> BmpHeaders(int width, int height, int bitsPerPixel) {
    checkDepth(bitsPerPixel);
    const std::uint32_t infoSize = bitsPerPixel == 32 ? 108 : 40;
    const std::uint32_t offset = 14 + infoSize;
    const std::uint64_t imageBytes = rowBytes(width, bitsPerPixel) * static_cast<std::uint64_t>(height);
    std::vector<std::uint8_t> h(offset, 0);
    h[0] = 'B';
    h[1] = 'M';
    put32(&h[2], static_cast<std::uint32_t>(offset + imageBytes));
    put32(&h[10], offset);
    std::uint8_t* i = &h[14];
    put32(i, infoSize);
    put32(i + 4, static_cast<std::uint32_t>(width));
    put32(i + 8, static_cast<std::uint32_t>(height)); // bottom-up: what every reader understands
    put16(i + 12, 1);
    put16(i + 14, static_cast<std::uint32_t>(bitsPerPixel));
    put32(i + 16, bitsPerPixel == 32 ? 3 : 0); // BI_BITFIELDS so that readers keep the alpha channel
    put32(i + 20, static_cast<std::uint32_t>(imageBytes));
    put32(i + 24, 3780); // 96 dots per inch
    put32(i + 28, 3780);
    if (bitsPerPixel == 32) {
        put32(i + 40, 0x00FF0000);
        put32(i + 44, 0x0000FF00);
        put32(i + 48, 0x000000FF);
        put32(i + 52, 0xFF000000);
        put32(i + 56, 0x73524742); // 'sRGB'
    }
    return h;
}

std::vector<std::uint8_t> EncodeBmp(const Bitmap& bitmap, int bitsPerPixel) {
    checkDepth(bitsPerPixel);
    if (bitmap.empty()) return {};
    std::vector<std::uint8_t> out = BmpHeaders(bitmap.width(), bitmap.height(), bitsPerPixel);
    const std::size_t headerBytes = out.size();
    const std::size_t rb = rowBytes(bitmap.width(), bitsPerPixel);
    out.resize(headerBytes + rb * bitmap.height(), 0);
    for (int y = 0; y < bitmap.height(); ++y)
        convertRow(bitmap.row(bitmap.height() - 1 - y), bitmap.bitsPerPixel(), &out[headerBytes + rb * y],
                   bitsPerPixel, bitmap.width());
    return out;
}

} // namespace nodo::pic
