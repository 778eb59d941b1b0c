#include "imaging/Codecs.h"
#include "imaging/MemoryWriter.h"

#include <csetjmp>
#include <cstring>
#include <string>
#include <vector>

#include <png.h>
#include <zlib.h>

namespace nodo::pic {
namespace {

using detail::MemoryWriter;

std::uint32_t be32(const std::uint8_t* p) {
    return (static_cast<std::uint32_t>(p[0]) << 24) | (static_cast<std::uint32_t>(p[1]) << 16) |
           (static_cast<std::uint32_t>(p[2]) << 8) | p[3];
}

// libpng reports errors through a callback that must not return; we keep the text and jump back.
struct Errors {
    char message[256] = "unknown error";
};

[[noreturn]] void onError(png_structp png, png_const_charp text) {
    auto* e = static_cast<Errors*>(png_get_error_ptr(png));
    std::snprintf(e->message, sizeof e->message, "%s", text);
    png_longjmp(png, 1);
}
void onWarning(png_structp, png_const_charp) {}

struct Reader {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t pos;
};

void readFn(png_structp png, png_bytep out, png_size_t n) {
    auto* r = static_cast<Reader*>(png_get_io_ptr(png));
    if (n > r->size - r->pos) {
        r->pos = r->size;
        png_error(png, "the file ends early");
    }
    std::memcpy(out, r->data + r->pos, n);
    r->pos += n;
}

// Deflate expands at most about 1032 times, so the IDAT bytes bound the pixels a file can hold.
std::uint64_t idatBytes(Bytes data) {
    std::uint64_t total = 0;
    std::size_t pos = 8;
    while (pos + 8 <= data.size()) {
        const std::uint64_t len = be32(&data[pos]);
        if (std::memcmp(&data[pos + 4], "IDAT", 4) == 0)
            total += std::min<std::uint64_t>(len, data.size() - pos - 8);
        pos += 12 + len;
    }
    return total;
}

struct DecodeState {
    png_structp png = nullptr;
    png_infop info = nullptr;
    Errors errors;
    Reader reader{};
    Bitmap out;
    std::vector<png_bytep> rows;
    std::string failure;
    PictureErrorKind failureKind = PictureErrorKind::Corrupt;
    ~DecodeState() { png_destroy_read_struct(&png, info ? &info : nullptr, nullptr); }
};

bool runDecode(DecodeState& s, Bytes data, const DecodeOptions& options) {
    if (setjmp(png_jmpbuf(s.png))) return false;
    png_set_read_fn(s.png, &s.reader, readFn);
    png_set_user_limits(s.png, 0x7fffffff, 0x7fffffff);
    png_read_info(s.png, s.info);
    png_uint_32 w = 0, h = 0;
    int depth = 0, colourType = 0, interlace = 0;
    png_get_IHDR(s.png, s.info, &w, &h, &depth, &colourType, &interlace, nullptr, nullptr);
    if (static_cast<std::uint64_t>(w) * h > options.maxPixels) {
        s.failure =
            "picture of " + std::to_string(w) + " x " + std::to_string(h) + " pixels is over the size limit";
        s.failureKind = PictureErrorKind::TooLarge;
        return true;
    }
    const int channels = png_get_channels(s.png, s.info);
    const std::uint64_t rawBytes =
        static_cast<std::uint64_t>(h) * (1 + (static_cast<std::uint64_t>(w) * channels * depth + 7) / 8);
    if (rawBytes > idatBytes(data) * 1032 + 1024) {
        s.failure = "the header promises " + std::to_string(w) + " x " + std::to_string(h) +
                    " pixels but the file holds far too little image data";
        s.failureKind = PictureErrorKind::Truncated;
        return true;
    }
    const bool alpha = (colourType & PNG_COLOR_MASK_ALPHA) || png_get_valid(s.png, s.info, PNG_INFO_tRNS);
    png_set_expand(s.png);
    png_set_scale_16(s.png);
    if (!(colourType & PNG_COLOR_MASK_COLOR)) png_set_gray_to_rgb(s.png);
    png_set_bgr(s.png);
    png_set_interlace_handling(s.png);
    png_read_update_info(s.png, s.info);

    s.out = Bitmap::uninitialized(static_cast<int>(w), static_cast<int>(h), alpha ? 32 : 24);
    s.out.setSourceBitsPerPixel(channels * depth);
    if (png_get_rowbytes(s.png, s.info) != s.out.stride())
        png_error(s.png, "unexpected row layout after conversion");
    s.rows.resize(h);
    for (png_uint_32 y = 0; y < h; ++y)
        s.rows[y] = s.out.row(static_cast<int>(y));
    png_read_image(s.png, s.rows.data());
    return true;
}

struct EncodeState {
    png_structp png = nullptr;
    png_infop info = nullptr;
    Errors errors;
    MemoryWriter writer;
    ~EncodeState() { png_destroy_write_struct(&png, info ? &info : nullptr); }
};

void writeFn(png_structp png, png_bytep data, png_size_t n) {
    if (!static_cast<MemoryWriter*>(png_get_io_ptr(png))->append(data, n)) png_error(png, "out of memory");
}
void flushFn(png_structp) {}

bool runEncode(EncodeState& s, const Bitmap& bitmap, PngEffort effort) {
    if (setjmp(png_jmpbuf(s.png))) return false;
    png_set_write_fn(s.png, &s.writer, writeFn, flushFn);
    png_set_IHDR(s.png, s.info, static_cast<png_uint_32>(bitmap.width()),
                 static_cast<png_uint_32>(bitmap.height()), 8,
                 bitmap.bitsPerPixel() == 32 ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (effort == PngEffort::Fastest) {
        png_set_compression_level(s.png, 1);
        png_set_compression_strategy(s.png, Z_HUFFMAN_ONLY);
        png_set_filter(s.png, PNG_FILTER_TYPE_BASE, PNG_FILTER_UP);
    }
    png_write_info(s.png, s.info);
    png_set_bgr(s.png);
    for (int y = 0; y < bitmap.height(); ++y)
        png_write_row(s.png, bitmap.row(y));
    png_write_end(s.png, nullptr);
    return true;
}

} // namespace

Bitmap DecodePng(Bytes data, const DecodeOptions& options) {
    if (data.size() < 8 || png_sig_cmp(data.data(), 0, 8) != 0)
        throw PictureError(PictureErrorKind::Unsupported, "PNG: the file has no PNG signature");
    DecodeState s;
    s.reader = {data.data(), data.size(), 0};
    s.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &s.errors, onError, onWarning);
    if (!s.png || !(s.info = png_create_info_struct(s.png))) throw std::bad_alloc();
    if (!runDecode(s, data, options))
        throw PictureError(s.reader.pos >= s.reader.size ? PictureErrorKind::Truncated
                                                         : PictureErrorKind::Corrupt,
                           std::string("PNG: ") + s.errors.message);
    if (!s.failure.empty()) throw PictureError(s.failureKind, "PNG: " + s.failure);
    return std::move(s.out);
}

std::vector<std::uint8_t> EncodePng(const Bitmap& bitmap, PngEffort effort) {
    if (bitmap.empty())
        throw PictureError(PictureErrorKind::Unsupported, "PNG: cannot write an empty picture");
    EncodeState s;
    s.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &s.errors, onError, onWarning);
    if (!s.png || !(s.info = png_create_info_struct(s.png))) throw std::bad_alloc();
    if (!runEncode(s, bitmap, effort))
        throw PictureError(PictureErrorKind::Corrupt, std::string("PNG: ") + s.errors.message);
    return s.writer.take();
}

} // namespace nodo::pic
