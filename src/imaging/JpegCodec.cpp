#include "imaging/Codecs.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <jerror.h>
#include <jpeglib.h>

namespace nodo::pic {
namespace {

// libjpeg's default error_exit calls exit(); ours jumps back to the call that started the work.
// Only C frames lie between, and every C++ object lives in the state struct owned by the caller.
struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX] = {};
    PictureErrorKind kind = PictureErrorKind::Corrupt;
};

[[noreturn]] void errorExit(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->message);
    std::longjmp(err->jump, 1);
}

// Warnings that mean the picture is incomplete end the decode; libjpeg would fill the rest grey.
void emitMessage(j_common_ptr cinfo, int level) {
    if (level >= 0) return; // trace messages
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    const int code = cinfo->err->msg_code;
    if (code == JWRN_JPEG_EOF || code == JWRN_HIT_MARKER) {
        (*cinfo->err->format_message)(cinfo, err->message);
        err->kind = PictureErrorKind::Truncated;
        std::longjmp(err->jump, 1);
    }
    cinfo->err->num_warnings++;
}

void outputMessage(j_common_ptr) {} // never print to stderr

// Progressive files with endless scans would take minutes on a corrupt input.
constexpr int kMaxScans = 500;

struct ScanLimit {
    jpeg_progress_mgr pub;
};

void checkScans(j_common_ptr cinfo) {
    auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
    if (d->is_decompressor && d->input_scan_number > kMaxScans) {
        auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
        std::snprintf(err->message, sizeof err->message, "more than %d scans", kMaxScans);
        std::longjmp(err->jump, 1);
    }
}

void installErrors(ErrorManager& err) {
    jpeg_std_error(&err.pub);
    err.pub.error_exit = errorExit;
    err.pub.emit_message = emitMessage;
    err.pub.output_message = outputMessage;
}

struct DecodeState {
    jpeg_decompress_struct cinfo{};
    ErrorManager err;
    ScanLimit progress{};
    bool created = false;
    Bitmap out;
    std::vector<std::uint8_t> cmykRow;
    std::string failure; // set for refusals found between the C calls
    PictureErrorKind failureKind = PictureErrorKind::Corrupt;
    ~DecodeState() {
        if (created) jpeg_destroy_decompress(&cinfo);
    }
};

void cmykToBgr(const std::uint8_t* src, std::uint8_t* dst, int width, bool inverted) {
    for (std::size_t x = 0, n = width > 0 ? std::size_t(width) : 0; x < n; ++x) {
        unsigned c = src[4 * x], m = src[4 * x + 1], y = src[4 * x + 2], k = src[4 * x + 3];
        if (!inverted) {
            c = 255 - c;
            m = 255 - m;
            y = 255 - y;
            k = 255 - k;
        }
        // Stored (Adobe) values are 255 - ink, so each channel is (255 - ink) * (255 - black) / 255.
        dst[3 * x] = static_cast<std::uint8_t>((y * k + 127) / 255);
        dst[3 * x + 1] = static_cast<std::uint8_t>((m * k + 127) / 255);
        dst[3 * x + 2] = static_cast<std::uint8_t>((c * k + 127) / 255);
    }
}

// Returns false after a libjpeg error; the message is in s.err.
bool runDecode(DecodeState& s, Bytes data, const DecodeOptions& options) {
    if (setjmp(s.err.jump)) return false;
    jpeg_create_decompress(&s.cinfo);
    s.created = true;
    s.progress.pub.progress_monitor = checkScans;
    s.cinfo.progress = &s.progress.pub;
    s.cinfo.mem->max_memory_to_use = 1536L * 1024 * 1024;
    jpeg_mem_src(&s.cinfo, data.data(), static_cast<unsigned long>(data.size()));
    jpeg_read_header(&s.cinfo, TRUE);

    const std::uint64_t w = s.cinfo.image_width, h = s.cinfo.image_height;
    if (w * h > options.maxPixels) {
        s.failure =
            "picture of " + std::to_string(w) + " x " + std::to_string(h) + " pixels is over the size limit";
        s.failureKind = PictureErrorKind::TooLarge;
        return true;
    }
    // Every MCU costs at least one bit of Huffman data, so a short file cannot hold a big picture.
    if (!s.cinfo.arith_code) {
        const std::uint64_t mcuW = 8ull * s.cinfo.max_h_samp_factor, mcuH = 8ull * s.cinfo.max_v_samp_factor;
        const std::uint64_t mcus = ((w + mcuW - 1) / mcuW) * ((h + mcuH - 1) / mcuH);
        if (data.size() < mcus / 8) {
            s.failure = "the header promises " + std::to_string(w) + " x " + std::to_string(h) +
                        " pixels but the file is far too short for them";
            s.failureKind = PictureErrorKind::Truncated;
            return true;
        }
    }
    const bool cmyk = s.cinfo.jpeg_color_space == JCS_CMYK || s.cinfo.jpeg_color_space == JCS_YCCK;
    s.cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGR;
    jpeg_start_decompress(&s.cinfo);

    s.out = Bitmap::uninitialized(static_cast<int>(w), static_cast<int>(h), 24);
    s.out.setSourceBitsPerPixel(8 * s.cinfo.num_components);
    if (cmyk) s.cmykRow.resize(static_cast<std::size_t>(w) * 4);
    while (s.cinfo.output_scanline < s.cinfo.output_height) {
        const int y = static_cast<int>(s.cinfo.output_scanline);
        if (cmyk) {
            JSAMPROW row = s.cmykRow.data();
            jpeg_read_scanlines(&s.cinfo, &row, 1);
            cmykToBgr(s.cmykRow.data(), s.out.row(y), static_cast<int>(w), s.cinfo.saw_Adobe_marker);
        } else {
            JSAMPROW rows[8];
            const int n = std::min<int>(8, static_cast<int>(h) - y);
            for (int i = 0; i < n; ++i)
                rows[i] = s.out.row(y + i);
            jpeg_read_scanlines(&s.cinfo, rows, static_cast<JDIMENSION>(n));
        }
    }
    jpeg_finish_decompress(&s.cinfo);
    return true;
}

struct EncodeState {
    jpeg_compress_struct cinfo{};
    ErrorManager err;
    bool created = false;
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    ~EncodeState() {
        if (created) jpeg_destroy_compress(&cinfo);
        std::free(buffer);
    }
};

bool runEncode(EncodeState& s, const Bitmap& bitmap, int quality) {
    if (setjmp(s.err.jump)) return false;
    jpeg_create_compress(&s.cinfo);
    s.created = true;
    jpeg_mem_dest(&s.cinfo, &s.buffer, &s.size);
    s.cinfo.image_width = static_cast<JDIMENSION>(bitmap.width());
    s.cinfo.image_height = static_cast<JDIMENSION>(bitmap.height());
    const bool four = bitmap.bitsPerPixel() == 32;
    s.cinfo.input_components = four ? 4 : 3;
    s.cinfo.in_color_space = four ? JCS_EXT_BGRX : JCS_EXT_BGR;
    jpeg_set_defaults(&s.cinfo);
    jpeg_set_quality(&s.cinfo, quality, TRUE);
    jpeg_start_compress(&s.cinfo, TRUE);
    while (s.cinfo.next_scanline < s.cinfo.image_height) {
        JSAMPROW rows[8];
        const int y = static_cast<int>(s.cinfo.next_scanline);
        const int n = std::min(8, bitmap.height() - y);
        for (int i = 0; i < n; ++i)
            rows[i] = const_cast<std::uint8_t*>(bitmap.row(y + i));
        jpeg_write_scanlines(&s.cinfo, rows, static_cast<JDIMENSION>(n));
    }
    jpeg_finish_compress(&s.cinfo);
    return true;
}

} // namespace

Bitmap DecodeJpeg(Bytes data, const DecodeOptions& options) {
    if (data.size() < 4) throw PictureError(PictureErrorKind::Truncated, "JPEG: the file is too short");
    // Many writers drop the end marker. Supplying it lets a file whose data is complete decode, while
    // a file cut inside its data still runs into the marker and fails.
    std::vector<std::uint8_t> withEnd;
    if (data[data.size() - 2] != 0xFF || data[data.size() - 1] != 0xD9) {
        withEnd.reserve(data.size() + 2);
        withEnd.assign(data.begin(), data.end());
        withEnd.push_back(0xFF);
        withEnd.push_back(0xD9);
        data = withEnd;
    }
    DecodeState s;
    installErrors(s.err);
    s.cinfo.err = &s.err.pub;
    if (!runDecode(s, data, options)) throw PictureError(s.err.kind, std::string("JPEG: ") + s.err.message);
    if (!s.failure.empty()) throw PictureError(s.failureKind, "JPEG: " + s.failure);
    return std::move(s.out);
}

std::vector<std::uint8_t> EncodeJpeg(const Bitmap& bitmap, int quality) {
    if (bitmap.empty())
        throw PictureError(PictureErrorKind::Unsupported, "JPEG: cannot write an empty picture");
    if (quality < 1 || quality > 100) throw std::invalid_argument("JPEG: quality must be 1 to 100");
    const Bitmap flat = bitmap.bitsPerPixel() == 32 ? FlattenOverWhite(bitmap) : Bitmap();
    EncodeState s;
    installErrors(s.err);
    s.cinfo.err = &s.err.pub;
    if (!runEncode(s, flat.empty() ? bitmap : flat, quality))
        throw PictureError(PictureErrorKind::Corrupt, std::string("JPEG: ") + s.err.message);
    return std::vector<std::uint8_t>(s.buffer, s.buffer + s.size);
}

std::vector<std::uint8_t> EncodeJpegOpaque(const Bitmap& bitmap, int quality) {
    if (bitmap.empty())
        throw PictureError(PictureErrorKind::Unsupported, "JPEG: cannot write an empty picture");
    if (quality < 1 || quality > 100) throw std::invalid_argument("JPEG: quality must be 1 to 100");
    EncodeState s;
    installErrors(s.err);
    s.cinfo.err = &s.err.pub;
    if (!runEncode(s, bitmap, quality))
        throw PictureError(PictureErrorKind::Corrupt, std::string("JPEG: ") + s.err.message);
    return std::vector<std::uint8_t>(s.buffer, s.buffer + s.size);
}

} // namespace nodo::pic
