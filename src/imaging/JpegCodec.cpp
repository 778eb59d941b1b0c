#include "imaging/Codecs.h"

#include <algorithm>
#include <condition_variable>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <exception>
#include <mutex>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include <pthread.h>
#include <sched.h>

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

// Returns false after a libjpeg error; the message is in s.err. `data` is the whole file, or empty
// when `source` is given: a source that hands the bytes over as they come (its length unknown).
bool runDecode(DecodeState& s, Bytes data, const DecodeOptions& options, jpeg_source_mgr* source = nullptr) {
    if (setjmp(s.err.jump)) return false;
    jpeg_create_decompress(&s.cinfo);
    s.created = true;
    s.progress.pub.progress_monitor = checkScans;
    s.cinfo.progress = &s.progress.pub;
    s.cinfo.mem->max_memory_to_use = 1536L * 1024 * 1024;
    if (source)
        s.cinfo.src = source;
    else
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
    if (!source && !s.cinfo.arith_code) {
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

// `destination` null: the bytes go to s.buffer.
bool runEncode(EncodeState& s, const Bitmap& bitmap, int quality,
               jpeg_destination_mgr* destination = nullptr) {
    if (setjmp(s.err.jump)) return false;
    jpeg_create_compress(&s.cinfo);
    s.created = true;
    if (destination)
        s.cinfo.dest = destination;
    else
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

// The bytes of a JPEG being written, read by a decoder while the encoder goes on. The encoder adds
// whole chunks, which never move once added; the decoder waits for the next one. No C++ object
// with a destructor lives in a frame that libjpeg's error exit (a longjmp) may leave.
class JpegStream {
public:
    static constexpr std::size_t kChunk = 8192; // small enough for the decoder to follow closely

    JpegStream() {
        m_dest.init_destination = [](j_compress_ptr c) {
            if (!self(c)->startChunk()) ERREXIT1(c, JERR_OUT_OF_MEMORY, 0);
        };
        m_dest.empty_output_buffer = [](j_compress_ptr c) -> boolean {
            if (!self(c)->addChunk(kChunk) || !self(c)->startChunk()) ERREXIT1(c, JERR_OUT_OF_MEMORY, 1);
            return TRUE;
        };
        m_dest.term_destination = [](j_compress_ptr c) {
            if (!self(c)->addChunk(kChunk - c->dest->free_in_buffer)) ERREXIT1(c, JERR_OUT_OF_MEMORY, 2);
        };
        m_src.init_source = [](j_decompress_ptr) {};
        m_src.fill_input_buffer = [](j_decompress_ptr d) -> boolean {
            if (!self(d)->nextChunk()) {
                // At the end an end marker, as libjpeg's own sources do: a stream that stops
                // early fails as a truncated file.
                static const JOCTET kEnd[2] = {0xFF, JPEG_EOI};
                WARNMS(d, JWRN_JPEG_EOF);
                d->src->next_input_byte = kEnd;
                d->src->bytes_in_buffer = 2;
            }
            return TRUE;
        };
        m_src.skip_input_data = [](j_decompress_ptr d, long count) {
            jpeg_source_mgr* src = d->src;
            while (count > 0) {
                if (src->bytes_in_buffer == 0) src->fill_input_buffer(d);
                const auto step =
                    std::min<std::size_t>(static_cast<std::size_t>(count), src->bytes_in_buffer);
                src->next_input_byte += step;
                src->bytes_in_buffer -= step;
                count -= static_cast<long>(step);
            }
        };
        m_src.resync_to_restart = jpeg_resync_to_restart;
        m_src.term_source = [](j_decompress_ptr) {};
    }
    JpegStream(const JpegStream&) = delete;
    JpegStream& operator=(const JpegStream&) = delete;

    jpeg_destination_mgr* destination() { return &m_dest; }
    jpeg_source_mgr* source() { return &m_src; }

    // No more bytes will come (the encoder finished, or failed).
    void close() {
        const std::lock_guard lock(m_mutex);
        m_closed = true;
        m_more.notify_all();
    }
    // Everything written, in one piece; only once the decoder is done with the stream.
    std::vector<std::uint8_t> bytes() const {
        std::vector<std::uint8_t> all;
        all.reserve(m_chunks.size() * kChunk);
        for (const auto& c : m_chunks)
            all.insert(all.end(), c.begin(), c.end());
        return all;
    }

private:
    struct Dest : jpeg_destination_mgr {
        JpegStream* stream;
    };
    struct Src : jpeg_source_mgr {
        JpegStream* stream;
    };
    // libjpeg hands back the destination and the source, which are the stream's own structs.
    static JpegStream* self(j_compress_ptr c) { return static_cast<Dest*>(c->dest)->stream; }
    static JpegStream* self(j_decompress_ptr d) { return static_cast<Src*>(d->src)->stream; }

    // False when out of memory.
    bool startChunk() noexcept {
        try {
            m_writing.resize(kChunk);
        } catch (const std::bad_alloc&) {
            return false;
        }
        m_dest.next_output_byte = m_writing.data();
        m_dest.free_in_buffer = kChunk;
        return true;
    }
    bool addChunk(std::size_t used) noexcept {
        m_writing.resize(used);
        try {
            const std::lock_guard lock(m_mutex);
            m_chunks.push_back(std::move(m_writing));
            m_more.notify_all();
        } catch (const std::bad_alloc&) {
            return false;
        }
        m_writing = {};
        return true;
    }
    // Points the source at the decoder's next chunk, once there is one; false at the end.
    bool nextChunk() {
        std::unique_lock lock(m_mutex);
        m_more.wait(lock, [this] { return m_read < m_chunks.size() || m_closed; });
        if (m_read == m_chunks.size()) return false;
        const std::vector<std::uint8_t>& c = m_chunks[m_read++];
        m_src.next_input_byte = c.data();
        m_src.bytes_in_buffer = c.size();
        return true;
    }

    Dest m_dest{{}, this};
    Src m_src{{}, this};
    std::vector<std::uint8_t> m_writing; // the encoder's chunk
    std::mutex m_mutex;
    std::condition_variable m_more;
    std::deque<std::vector<std::uint8_t>> m_chunks; // a deque: adding one moves none of the others
    std::size_t m_read = 0;                         // chunks handed to the decoder
    bool m_closed = false;
};

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

namespace {
// Keeps a thread off the caller's processor while the caller works beside it, when there is another
// processor: each time the decoder is woken for the next chunk the system would otherwise draw it
// to the encoder's processor, and the two would take turns on one while the other stays idle.
class ApartFromCaller {
public:
    explicit ApartFromCaller(std::thread& thread) : m_thread(thread) {
        CPU_ZERO(&m_allowed);
        const int here = ::sched_getcpu();
        if (here < 0 || ::sched_getaffinity(0, sizeof m_allowed, &m_allowed) != 0 ||
            CPU_COUNT(&m_allowed) < 2)
            return;
        cpu_set_t others = m_allowed;
        CPU_CLR(here, &others);
        // Advice only: where it cannot be followed the thread runs wherever the system puts it.
        m_apart = ::pthread_setaffinity_np(m_thread.native_handle(), sizeof others, &others) == 0;
    }
    // The caller's work is done: the thread may run anywhere again, its own processor being shared.
    void end() {
        if (m_apart) ::pthread_setaffinity_np(m_thread.native_handle(), sizeof m_allowed, &m_allowed);
        m_apart = false;
    }
    ~ApartFromCaller() { end(); }
    ApartFromCaller(const ApartFromCaller&) = delete;
    ApartFromCaller& operator=(const ApartFromCaller&) = delete;

private:
    std::thread& m_thread;
    cpu_set_t m_allowed;
    bool m_apart = false;
};
} // namespace

JpegPass EncodeJpegAndDecode(const Bitmap& bitmap, int quality) {
    if (bitmap.empty())
        throw PictureError(PictureErrorKind::Unsupported, "JPEG: cannot write an empty picture");
    if (quality < 1 || quality > 100) throw std::invalid_argument("JPEG: quality must be 1 to 100");
    DecodeState decode;
    installErrors(decode.err);
    decode.cinfo.err = &decode.err.pub;
    JpegStream stream;
    bool decoded = false;
    std::exception_ptr decodeThrew;
    std::thread decoder([&] {
        try {
            decoded = runDecode(decode, {}, DecodeOptions{}, stream.source());
        } catch (...) {
            decodeThrew = std::current_exception();
        }
    });
    ApartFromCaller apart(decoder);

    EncodeState encode;
    installErrors(encode.err);
    encode.cinfo.err = &encode.err.pub;
    const bool encoded = runEncode(encode, bitmap, quality, stream.destination());
    apart.end();
    stream.close(); // a decoder still waiting sees the end
    decoder.join();
    if (!encoded) throw PictureError(PictureErrorKind::Corrupt, std::string("JPEG: ") + encode.err.message);
    if (decodeThrew) std::rethrow_exception(decodeThrew);
    if (!decoded) throw PictureError(decode.err.kind, std::string("JPEG: ") + decode.err.message);
    if (!decode.failure.empty()) throw PictureError(decode.failureKind, "JPEG: " + decode.failure);
    return {stream.bytes(), std::move(decode.out)};
}

} // namespace nodo::pic
