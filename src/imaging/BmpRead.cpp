#include "imaging/BmpLayout.h"
#include "imaging/Codecs.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <string>

namespace nodo::pic {
namespace detail {
namespace {

std::uint16_t le16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
std::uint32_t le32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

[[noreturn]] void fail(PictureErrorKind kind, const std::string& what) {
    throw PictureError(kind, "BMP: " + what);
}

} // namespace

bool BmpLayout::plainRows() const {
    if (compression == kBiRgb) return bpp == 24 || bpp == 32;
    if ((compression == kBiBitfields || compression == kBiAlphaBitfields) && bpp == 32)
        return masks[0] == 0x00FF0000 && masks[1] == 0x0000FF00 && masks[2] == 0x000000FF &&
               masks[3] == 0xFF000000;
    return false;
}

int BmpLayout::outputBpp() const {
    if (bpp == 32 || masks[3] != 0) return 32;
    return 24;
}

BmpLayout ParseBmpLayout(Bytes head, std::uint64_t fileSize, const DecodeOptions& options) {
    if (head.size() < 18 || fileSize < 18)
        fail(PictureErrorKind::Truncated, "the file is too short for its headers");
    const std::uint8_t* p = head.data();
    if (p[0] != 'B' || p[1] != 'M')
        fail(PictureErrorKind::Unsupported, "the file does not start with \"BM\"");
    BmpLayout l;
    l.pixelOffset = le32(p + 10);
    const std::uint32_t infoSize = le32(p + 14);
    const bool core = infoSize == 12;
    if (!core && infoSize != 40 && infoSize != 52 && infoSize != 56 && infoSize != 108 && infoSize != 124)
        fail(PictureErrorKind::Unsupported, "unknown info header of " + std::to_string(infoSize) + " bytes");
    if (head.size() < 14 + infoSize)
        fail(PictureErrorKind::Truncated, "the file ends inside its info header");
    const std::uint8_t* h = p + 14;
    std::int64_t width, height;
    std::uint32_t clrUsed = 0;
    if (core) {
        width = le16(h + 4);
        height = le16(h + 6);
        l.bpp = le16(h + 10);
    } else {
        width = static_cast<std::int32_t>(le32(h + 4));
        height = static_cast<std::int32_t>(le32(h + 8));
        l.bpp = le16(h + 14);
        l.compression = le32(h + 16);
        clrUsed = le32(h + 32);
    }
    if (height < 0) {
        l.topDown = true;
        height = -height;
    }
    if (width <= 0 || height <= 0)
        fail(PictureErrorKind::Corrupt, "the header gives a size of " + std::to_string(width) + " x " +
                                            std::to_string(height) + " pixels");
    if (static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) > options.maxPixels)
        fail(PictureErrorKind::TooLarge, "picture of " + std::to_string(width) + " x " +
                                             std::to_string(height) + " pixels is over the size limit");
    l.width = static_cast<int>(width);
    l.height = static_cast<int>(height);

    switch (l.compression) {
    case kBiRgb:
        if (l.bpp != 1 && l.bpp != 4 && l.bpp != 8 && l.bpp != 16 && l.bpp != 24 && l.bpp != 32)
            fail(PictureErrorKind::Corrupt, std::to_string(l.bpp) + " bits per pixel");
        break;
    case kBiRle8:
        if (l.bpp != 8)
            fail(PictureErrorKind::Corrupt, "RLE8 with " + std::to_string(l.bpp) + " bits per pixel");
        break;
    case kBiRle4:
        if (l.bpp != 4)
            fail(PictureErrorKind::Corrupt, "RLE4 with " + std::to_string(l.bpp) + " bits per pixel");
        break;
    case kBiBitfields:
    case kBiAlphaBitfields:
        if (l.bpp != 16 && l.bpp != 32)
            fail(PictureErrorKind::Corrupt, "bit fields with " + std::to_string(l.bpp) + " bits per pixel");
        break;
    default:
        fail(PictureErrorKind::Unsupported,
             "compression " + std::to_string(l.compression) + " is not supported");
    }

    // Masks live inside the larger headers, or after a 40-byte one.
    std::uint64_t afterHeader = 14 + infoSize;
    if (l.compression == kBiBitfields || l.compression == kBiAlphaBitfields) {
        const int count = l.compression == kBiAlphaBitfields ? 4 : 3;
        const std::uint8_t* m = h + 40;
        if (infoSize == 40) {
            afterHeader += std::uint64_t(4) * count;
            if (head.size() < afterHeader)
                fail(PictureErrorKind::Truncated, "the file ends inside its colour masks");
        }
        for (int i = 0; i < count; ++i)
            l.masks[i] = le32(m + std::size_t(4) * i);
        if (infoSize >= 56) l.masks[3] = le32(m + 12);
        if ((l.masks[0] | l.masks[1] | l.masks[2]) == 0)
            fail(PictureErrorKind::Corrupt, "all colour masks are zero");
        if (l.bpp == 16)
            for (auto& mk : l.masks)
                mk &= 0xFFFF;
    } else if (l.bpp == 16) {
        l.masks[0] = 0x7C00;
        l.masks[1] = 0x03E0;
        l.masks[2] = 0x001F;
    } else if (l.bpp == 32) {
        l.masks[0] = 0x00FF0000;
        l.masks[1] = 0x0000FF00;
        l.masks[2] = 0x000000FF;
        l.masks[3] = 0xFF000000;
    }

    if (l.bpp <= 8) {
        const int maxEntries = 1 << l.bpp;
        int entries = (clrUsed == 0 || clrUsed > static_cast<std::uint32_t>(maxEntries))
                          ? maxEntries
                          : static_cast<int>(clrUsed);
        const int entryBytes = core ? 3 : 4;
        // Some writers give fewer entries than they could; take what fits before the pixels.
        if (l.pixelOffset >= afterHeader) {
            const std::uint64_t room = (l.pixelOffset - afterHeader) / entryBytes;
            entries = static_cast<int>(std::min<std::uint64_t>(entries, room));
        }
        if (head.size() < afterHeader + static_cast<std::uint64_t>(entries) * entryBytes)
            fail(PictureErrorKind::Truncated, "the file ends inside its palette");
        const std::uint8_t* pal = p + afterHeader;
        for (int i = 0; i < entries; ++i) {
            const std::uint8_t* e = pal + static_cast<std::size_t>(i) * entryBytes;
            l.palette[i] = (static_cast<std::uint32_t>(e[2]) << 16) | (e[1] << 8) | e[0];
        }
        l.paletteSize = entries;
        afterHeader += static_cast<std::uint64_t>(entries) * entryBytes;
    }

    if (l.pixelOffset < afterHeader)
        fail(PictureErrorKind::Corrupt, "the pixels are said to start inside the headers");
    if (l.pixelOffset > fileSize)
        fail(PictureErrorKind::Truncated, "the pixels are said to start after the end of the file");

    l.rowBytes = ((static_cast<std::uint64_t>(l.width) * l.bpp + 31) / 32) * 4;
    const std::uint64_t available = fileSize - l.pixelOffset;
    if (l.compression == kBiRgb || l.compression == kBiBitfields || l.compression == kBiAlphaBitfields) {
        // The last row may lack its padding.
        const std::uint64_t lastRow = (static_cast<std::uint64_t>(l.width) * l.bpp + 7) / 8;
        const std::uint64_t needed = l.rowBytes * (l.height - 1) + lastRow;
        if (available < needed)
            fail(PictureErrorKind::Truncated, "the header promises " + std::to_string(needed) +
                                                  " bytes of pixels but the file holds " +
                                                  std::to_string(available));
    } else if (available < 2) {
        fail(PictureErrorKind::Truncated, "no compressed pixel data");
    }
    return l;
}

void MakeOpaqueIfNoAlpha(const BmpLayout& layout, Bitmap& bitmap) {
    if (layout.bpp != 32 || layout.compression != kBiRgb) return;
    const int w = bitmap.width();
    std::uint8_t any = 0;
    for (int y = 0; y < bitmap.height() && !any; ++y) {
        const std::uint8_t* r = bitmap.row(y);
        for (int x = 0; x < w; ++x)
            any |= r[4 * x + 3];
    }
    if (any) return;
    for (int y = 0; y < bitmap.height(); ++y) {
        std::uint8_t* r = bitmap.row(y);
        for (int x = 0; x < w; ++x)
            r[4 * x + 3] = 255;
    }
}

} // namespace detail

namespace {
using namespace detail;

struct Channel {
    std::uint32_t mask = 0;
    int shift = 0;
    int bits = 0;
    std::uint8_t get(std::uint32_t v) const {
        if (bits == 0) return 255;
        std::uint32_t c = (v & mask) >> shift;
        if (bits >= 8) return static_cast<std::uint8_t>(c >> (bits - 8));
        return static_cast<std::uint8_t>((c * 255 + ((1u << bits) - 1) / 2) / ((1u << bits) - 1));
    }
};

Channel channel(std::uint32_t mask) {
    Channel c;
    c.mask = mask;
    if (mask) {
        c.shift = std::countr_zero(mask);
        // A mask with gaps is not valid; its lowest run of ones is what we use.
        c.bits = std::countr_one(mask >> c.shift);
        c.mask = c.bits >= 32 ? 0xFFFFFFFFu : (((1u << c.bits) - 1) << c.shift);
    }
    return c;
}

void putPalette(std::uint8_t* out, std::uint32_t colour) {
    out[0] = static_cast<std::uint8_t>(colour);
    out[1] = static_cast<std::uint8_t>(colour >> 8);
    out[2] = static_cast<std::uint8_t>(colour >> 16);
}

void decodeRows(const BmpLayout& l, const std::uint8_t* pixels, Bitmap& out) {
    const int w = l.width;
    const int obpp = out.bytesPerPixel();
    Channel ch[4] = {channel(l.masks[0]), channel(l.masks[1]), channel(l.masks[2]), channel(l.masks[3])};
    for (int fy = 0; fy < l.height; ++fy) {
        const std::uint8_t* src = pixels + l.rowBytes * fy;
        std::uint8_t* dst = out.row(l.topDown ? fy : l.height - 1 - fy);
        if (l.plainRows()) {
            std::memcpy(dst, src, out.stride());
            continue;
        }
        switch (l.bpp) {
        case 1:
        case 4:
        case 8: {
            const int perByte = 8 / l.bpp;
            const int valueMask = (1 << l.bpp) - 1;
            for (int x = 0; x < w; ++x) {
                const int shift = 8 - l.bpp * (x % perByte + 1);
                putPalette(dst + std::size_t(3) * x, l.palette[(src[x / perByte] >> shift) & valueMask]);
            }
            break;
        }
        case 16:
        case 32:
            for (int x = 0; x < w; ++x) {
                const std::uint32_t v =
                    l.bpp == 16 ? le16(src + std::size_t(2) * x) : le32(src + std::size_t(4) * x);
                std::uint8_t* d = dst + static_cast<std::size_t>(x) * obpp;
                d[0] = ch[2].get(v);
                d[1] = ch[1].get(v);
                d[2] = ch[0].get(v);
                if (obpp == 4) d[3] = ch[3].get(v);
            }
            break;
        default: // 24-bit rows are always plain
            break;
        }
    }
}

// RLE4/RLE8: runs and literal spans, with end-of-line, end-of-bitmap and delta escapes. Pixels the
// stream skips keep palette entry 0.
void decodeRle(const BmpLayout& l, Bytes data, Bitmap& out) {
    const std::uint32_t background = l.palette[0];
    out.fill({static_cast<std::uint8_t>(background), static_cast<std::uint8_t>(background >> 8),
              static_cast<std::uint8_t>(background >> 16), 255});
    const bool four = l.compression == kBiRle4;
    std::size_t i = 0;
    int x = 0, y = 0; // y counts file rows
    auto put = [&](int index) {
        if (x < l.width && y < l.height)
            putPalette(out.row(l.topDown ? y : l.height - 1 - y) + std::size_t(3) * x,
                       l.palette[index & 0xFF]);
        ++x;
    };
    while (y < l.height) {
        if (i + 2 > data.size())
            fail(PictureErrorKind::Truncated, "the compressed pixels end before the end of the picture");
        const int count = data[i], value = data[i + 1];
        i += 2;
        if (count > 0) {
            for (int k = 0; k < count && x < l.width; ++k)
                put(four ? ((k & 1) ? value & 0x0F : value >> 4) : value);
            continue;
        }
        if (value == 0) { // end of line
            x = 0;
            ++y;
        } else if (value == 1) { // end of bitmap
            break;
        } else if (value == 2) { // delta
            if (i + 2 > data.size())
                fail(PictureErrorKind::Truncated, "the compressed pixels end inside a delta");
            x = std::min(x + data[i], l.width);
            y += data[i + 1];
            i += 2;
        } else { // literal span, padded to an even number of bytes
            const std::size_t bytes = four ? (value + 1) / 2 : value;
            if (i + bytes > data.size())
                fail(PictureErrorKind::Truncated, "the compressed pixels end inside a literal span");
            for (int k = 0; k < value; ++k) {
                if (x >= l.width) break;
                const std::uint8_t b = data[i + (four ? k / 2 : k)];
                put(four ? ((k & 1) ? b & 0x0F : b >> 4) : b);
            }
            i += bytes + (bytes & 1);
        }
    }
}

} // namespace

Bitmap DecodeBmp(Bytes data, const DecodeOptions& options) {
    if (data.empty()) return Bitmap();
    const BmpLayout l = ParseBmpLayout(data, data.size(), options);
    Bitmap out = Bitmap::uninitialized(l.width, l.height, l.outputBpp());
    out.setSourceBitsPerPixel(l.bpp);
    const Bytes pixels = data.subspan(l.pixelOffset);
    if (l.compression == kBiRle4 || l.compression == kBiRle8)
        decodeRle(l, pixels, out);
    else
        decodeRows(l, pixels.data(), out);
    MakeOpaqueIfNoAlpha(l, out);
    return out;
}

} // namespace nodo::pic
