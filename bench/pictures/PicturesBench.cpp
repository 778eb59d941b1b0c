// Decode and encode speed of each format at 1920 x 1080 and 3840 x 2160, each beside its floor
// measured in the same run: for BMP a plain read/write of the same bytes through the page cache,
// for JPEG, PNG and GIF the library's own plain decode/encode of the same data. The table at the end
// gives ours / floor.
#include "imaging/Codecs.h"
#include "imaging/PictureFile.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include <fcntl.h>
#include <gif_lib.h>
#include <jpeglib.h>
#include <png.h>
#include <unistd.h>

using namespace nodo::pic;
namespace fs = std::filesystem;

namespace {

struct Size {
    const char* name;
    int w, h;
};
constexpr Size kSizes[] = {{"1080p", 1920, 1080}, {"2160p", 3840, 2160}};

// Photo-like content: smooth gradients with a little noise, so the compressors do real work.
Bitmap photo(int w, int h, int bpp) {
    Bitmap b = Bitmap::uninitialized(w, h, bpp);
    std::uint32_t seed = 12345;
    for (int y = 0; y < h; ++y) {
        std::uint8_t* r = b.row(y);
        for (int x = 0; x < w; ++x) {
            seed = seed * 1664525u + 1013904223u;
            const int n = static_cast<int>(seed >> 29);
            std::uint8_t* p = r + static_cast<std::size_t>(x) * b.bytesPerPixel();
            p[0] = static_cast<std::uint8_t>((x * 255 / w + n) & 0xFF);
            p[1] = static_cast<std::uint8_t>((y * 255 / h + n) & 0xFF);
            p[2] = static_cast<std::uint8_t>(((x + y) * 127 / (w + h) + 64 + n) & 0xFF);
            if (bpp == 32) p[3] = 255;
        }
    }
    return b;
}

const Bitmap& picture(int w, int h, int bpp = 24) {
    static std::map<std::tuple<int, int, int>, Bitmap> cache;
    auto key = std::make_tuple(w, h, bpp);
    auto it = cache.find(key);
    if (it == cache.end()) it = cache.emplace(key, photo(w, h, bpp)).first;
    return it->second;
}

fs::path benchDir() {
    static const fs::path dir = [] {
        fs::path d = fs::temp_directory_path() / ("nodo_bench_" + std::to_string(::getpid()));
        fs::create_directories(d);
        return d;
    }();
    return dir;
}

// ---- BMP against plain file reads and writes of the same bytes ----

void BM_BmpLoad(benchmark::State& st, int w, int h, int bpp) {
    const fs::path path = benchDir() / ("load" + std::to_string(w) + "_" + std::to_string(bpp) + ".bmp");
    SaveBmpFile(path, picture(w, h, bpp), bpp);
    for (auto _ : st)
        benchmark::DoNotOptimize(LoadBitmapFile(path));
    st.SetBytesProcessed(static_cast<std::int64_t>(st.iterations() * fs::file_size(path)));
}

void BM_PlainRead(benchmark::State& st, int w, int h, int bpp) {
    const fs::path path = benchDir() / ("load" + std::to_string(w) + "_" + std::to_string(bpp) + ".bmp");
    SaveBmpFile(path, picture(w, h, bpp), bpp);
    const std::size_t size = fs::file_size(path);
    for (auto _ : st) {
        std::unique_ptr<std::uint8_t[]> buf(new std::uint8_t[size]);
        const int fd = ::open(path.c_str(), O_RDONLY);
        std::size_t done = 0;
        while (done < size) {
            const ssize_t n = ::read(fd, buf.get() + done, size - done);
            if (n <= 0) break;
            done += static_cast<std::size_t>(n);
        }
        ::close(fd);
        benchmark::DoNotOptimize(buf.get());
    }
    st.SetBytesProcessed(static_cast<std::int64_t>(st.iterations() * size));
}

void BM_BmpSave(benchmark::State& st, int w, int h, int bpp) {
    const fs::path path = benchDir() / ("save" + std::to_string(w) + "_" + std::to_string(bpp) + ".bmp");
    const Bitmap& b = picture(w, h, bpp);
    for (auto _ : st)
        SaveBmpFile(path, b, bpp);
}

void BM_PlainWrite(benchmark::State& st, int w, int h, int bpp) {
    const fs::path path = benchDir() / ("plain" + std::to_string(w) + "_" + std::to_string(bpp) + ".bmp");
    const std::vector<std::uint8_t> bytes = EncodeBmp(picture(w, h, bpp), bpp);
    for (auto _ : st) {
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
            if (n <= 0) break;
            done += static_cast<std::size_t>(n);
        }
        ::close(fd);
    }
}

// ---- JPEG against libjpeg's own decompress/compress in memory ----

void BM_JpegDecode(benchmark::State& st, int w, int h) {
    const std::vector<std::uint8_t> file = EncodeJpeg(picture(w, h));
    for (auto _ : st)
        benchmark::DoNotOptimize(DecodeJpeg(file));
}

void BM_LibjpegDecompress(benchmark::State& st, int w, int h) {
    const std::vector<std::uint8_t> file = EncodeJpeg(picture(w, h));
    for (auto _ : st) {
        jpeg_decompress_struct cinfo{};
        jpeg_error_mgr err{};
        cinfo.err = jpeg_std_error(&err);
        jpeg_create_decompress(&cinfo);
        jpeg_mem_src(&cinfo, file.data(), file.size());
        jpeg_read_header(&cinfo, TRUE);
        jpeg_start_decompress(&cinfo);
        const std::size_t stride = static_cast<std::size_t>(cinfo.output_width) * cinfo.output_components;
        std::unique_ptr<std::uint8_t[]> out(new std::uint8_t[stride * cinfo.output_height]);
        while (cinfo.output_scanline < cinfo.output_height) {
            JSAMPROW row = out.get() + stride * cinfo.output_scanline;
            jpeg_read_scanlines(&cinfo, &row, 1);
        }
        jpeg_finish_decompress(&cinfo);
        jpeg_destroy_decompress(&cinfo);
        benchmark::DoNotOptimize(out.get());
    }
}

void BM_JpegEncode(benchmark::State& st, int w, int h) {
    const Bitmap& b = picture(w, h);
    for (auto _ : st)
        benchmark::DoNotOptimize(EncodeJpeg(b, 90));
}

void BM_LibjpegCompress(benchmark::State& st, int w, int h) {
    const Bitmap& b = picture(w, h);
    for (auto _ : st) {
        jpeg_compress_struct cinfo{};
        jpeg_error_mgr err{};
        cinfo.err = jpeg_std_error(&err);
        jpeg_create_compress(&cinfo);
        unsigned char* buf = nullptr;
        unsigned long size = 0;
        jpeg_mem_dest(&cinfo, &buf, &size);
        cinfo.image_width = static_cast<JDIMENSION>(w);
        cinfo.image_height = static_cast<JDIMENSION>(h);
        cinfo.input_components = 3;
        cinfo.in_color_space = JCS_RGB;
        jpeg_set_defaults(&cinfo);
        jpeg_set_quality(&cinfo, 90, TRUE);
        jpeg_start_compress(&cinfo, TRUE);
        while (cinfo.next_scanline < cinfo.image_height) {
            JSAMPROW row = const_cast<JSAMPROW>(b.row(static_cast<int>(cinfo.next_scanline)));
            jpeg_write_scanlines(&cinfo, &row, 1);
        }
        jpeg_finish_compress(&cinfo);
        jpeg_destroy_compress(&cinfo);
        benchmark::DoNotOptimize(buf);
        std::free(buf);
    }
}

// ---- PNG against libpng's plain read/write ----

struct PngMem {
    const std::uint8_t* data;
    std::size_t pos, size;
};
void pngRead(png_structp png, png_bytep out, png_size_t n) {
    auto* m = static_cast<PngMem*>(png_get_io_ptr(png));
    if (n > m->size - m->pos) png_error(png, "eof");
    std::memcpy(out, m->data + m->pos, n);
    m->pos += n;
}
void pngWrite(png_structp png, png_bytep data, png_size_t n) {
    auto* v = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(png));
    v->insert(v->end(), data, data + n);
}
void pngFlush(png_structp) {}

void BM_PngDecode(benchmark::State& st, int w, int h) {
    const std::vector<std::uint8_t> file = EncodePng(picture(w, h));
    for (auto _ : st)
        benchmark::DoNotOptimize(DecodePng(file));
}

void BM_LibpngRead(benchmark::State& st, int w, int h) {
    const std::vector<std::uint8_t> file = EncodePng(picture(w, h));
    for (auto _ : st) {
        PngMem m{file.data(), 0, file.size()};
        png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
        png_infop info = png_create_info_struct(png);
        png_set_read_fn(png, &m, pngRead);
        png_read_info(png, info);
        const std::size_t stride = png_get_rowbytes(png, info);
        const png_uint_32 rows = png_get_image_height(png, info);
        std::unique_ptr<std::uint8_t[]> out(new std::uint8_t[stride * rows]);
        std::vector<png_bytep> ptrs(rows);
        for (png_uint_32 y = 0; y < rows; ++y)
            ptrs[y] = out.get() + stride * y;
        png_read_image(png, ptrs.data());
        png_destroy_read_struct(&png, &info, nullptr);
        benchmark::DoNotOptimize(out.get());
    }
}

void BM_PngEncode(benchmark::State& st, int w, int h) {
    const Bitmap& b = picture(w, h);
    for (auto _ : st)
        benchmark::DoNotOptimize(EncodePng(b));
}

void BM_LibpngWrite(benchmark::State& st, int w, int h) {
    const Bitmap& b = picture(w, h);
    for (auto _ : st) {
        std::vector<std::uint8_t> out;
        png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
        png_infop info = png_create_info_struct(png);
        png_set_write_fn(png, &out, pngWrite, pngFlush);
        png_set_IHDR(png, info, static_cast<png_uint_32>(w), static_cast<png_uint_32>(h), 8,
                     PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                     PNG_FILTER_TYPE_DEFAULT);
        png_write_info(png, info);
        for (int y = 0; y < h; ++y)
            png_write_row(png, b.row(y));
        png_write_end(png, nullptr);
        png_destroy_write_struct(&png, &info);
        benchmark::DoNotOptimize(out.data());
    }
}

// ---- GIF against giflib's plain slurp and write ----

struct GifMem {
    const std::uint8_t* data;
    std::size_t pos, size;
};
int gifRead(GifFileType* gif, GifByteType* out, int n) {
    auto* m = static_cast<GifMem*>(gif->UserData);
    const std::size_t take = std::min<std::size_t>(static_cast<std::size_t>(n), m->size - m->pos);
    std::memcpy(out, m->data + m->pos, take);
    m->pos += take;
    return static_cast<int>(take);
}
int gifWrite(GifFileType* gif, const GifByteType* data, int n) {
    auto* v = static_cast<std::vector<std::uint8_t>*>(gif->UserData);
    v->insert(v->end(), data, data + n);
    return n;
}

void BM_GifDecode(benchmark::State& st, int w, int h) {
    const std::vector<std::uint8_t> file = EncodeGif(picture(w, h));
    for (auto _ : st)
        benchmark::DoNotOptimize(DecodeGif(file));
}

void BM_GiflibSlurp(benchmark::State& st, int w, int h) {
    const std::vector<std::uint8_t> file = EncodeGif(picture(w, h));
    for (auto _ : st) {
        GifMem m{file.data(), 0, file.size()};
        int err = 0;
        GifFileType* gif = DGifOpen(&m, gifRead, &err);
        DGifSlurp(gif);
        benchmark::DoNotOptimize(gif->SavedImages);
        DGifCloseFile(gif, &err);
    }
}

void BM_GifEncode(benchmark::State& st, int w, int h) {
    const Bitmap& b = picture(w, h);
    for (auto _ : st)
        benchmark::DoNotOptimize(EncodeGif(b));
}

// The same indices and palette our encoder produces, written by giflib alone.
void BM_GiflibWrite(benchmark::State& st, int w, int h) {
    const std::vector<std::uint8_t> file = EncodeGif(picture(w, h));
    GifMem m{file.data(), 0, file.size()};
    int err = 0;
    GifFileType* src = DGifOpen(&m, gifRead, &err);
    DGifSlurp(src);
    for (auto _ : st) {
        std::vector<std::uint8_t> out;
        GifFileType* gif = EGifOpen(&out, gifWrite, &err);
        EGifPutScreenDesc(gif, w, h, 8, 0, src->SColorMap);
        EGifPutImageDesc(gif, 0, 0, w, h, false, nullptr);
        EGifPutLine(gif, src->SavedImages[0].RasterBits, w * h);
        EGifCloseFile(gif, &err);
        benchmark::DoNotOptimize(out.data());
    }
    DGifCloseFile(src, &err);
}

// Collects each benchmark's time (the median when repeated) so that the pairs can be printed as
// ratios. CPU time counts the kernel's copying too and suffers less from a busy machine.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    struct Times {
        double real = 0, cpu = 0;
    };
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs) {
            const std::string name = r.run_name.str();
            if (r.run_type == Run::RT_Iteration && !medians.count(name))
                times[name] = {r.GetAdjustedRealTime(), r.GetAdjustedCPUTime()};
            if (r.run_type == Run::RT_Aggregate && r.aggregate_name == "median") {
                times[name] = {r.GetAdjustedRealTime(), r.GetAdjustedCPUTime()};
                medians.insert(name);
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, Times> times;
    std::set<std::string> medians;
};

void registerAll() {
    for (const Size& s : kSizes) {
        const std::string n = s.name;
        for (int bpp : {24, 32}) {
            const std::string b = "/" + std::to_string(bpp);
            benchmark::RegisterBenchmark(("BmpLoad/" + n + b).c_str(), BM_BmpLoad, s.w, s.h, bpp)
                ->Unit(benchmark::kMillisecond);
            benchmark::RegisterBenchmark(("PlainRead/" + n + b).c_str(), BM_PlainRead, s.w, s.h, bpp)
                ->Unit(benchmark::kMillisecond);
            benchmark::RegisterBenchmark(("BmpSave/" + n + b).c_str(), BM_BmpSave, s.w, s.h, bpp)
                ->Unit(benchmark::kMillisecond);
            benchmark::RegisterBenchmark(("PlainWrite/" + n + b).c_str(), BM_PlainWrite, s.w, s.h, bpp)
                ->Unit(benchmark::kMillisecond);
        }
        benchmark::RegisterBenchmark(("JpegDecode/" + n).c_str(), BM_JpegDecode, s.w, s.h)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("LibjpegDecompress/" + n).c_str(), BM_LibjpegDecompress, s.w, s.h)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("JpegEncode/" + n).c_str(), BM_JpegEncode, s.w, s.h)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("LibjpegCompress/" + n).c_str(), BM_LibjpegCompress, s.w, s.h)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("PngDecode/" + n).c_str(), BM_PngDecode, s.w, s.h)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("LibpngRead/" + n).c_str(), BM_LibpngRead, s.w, s.h)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("PngEncode/" + n).c_str(), BM_PngEncode, s.w, s.h)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("LibpngWrite/" + n).c_str(), BM_LibpngWrite, s.w, s.h)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("GifDecode/" + n).c_str(), BM_GifDecode, s.w, s.h)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("GiflibSlurp/" + n).c_str(), BM_GiflibSlurp, s.w, s.h)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("GifEncode/" + n).c_str(), BM_GifEncode, s.w, s.h)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("GiflibWrite/" + n).c_str(), BM_GiflibWrite, s.w, s.h)
            ->Unit(benchmark::kMillisecond);
    }
}

} // namespace

int main(int argc, char** argv) {
    registerAll();
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const struct {
        const char* ours;
        const char* floor;
    } pairs[] = {
        {"BmpLoad", "PlainRead"},          {"BmpSave", "PlainWrite"},   {"JpegDecode", "LibjpegDecompress"},
        {"JpegEncode", "LibjpegCompress"}, {"PngDecode", "LibpngRead"}, {"PngEncode", "LibpngWrite"},
        {"GifDecode", "GiflibSlurp"},      {"GifEncode", "GiflibWrite"}};
    std::printf("\n%-20s %10s %10s %7s %10s %10s %7s\n", "ours / floor", "real ms", "floor", "ratio",
                "cpu ms", "floor", "ratio");
    for (const auto& p : pairs)
        for (const auto& [name, t] : reporter.times) {
            if (name.rfind(std::string(p.ours) + "/", 0) != 0) continue;
            const auto f = reporter.times.find(p.floor + name.substr(std::strlen(p.ours)));
            if (f != reporter.times.end())
                std::printf("%-20s %10.2f %10.2f %7.2f %10.2f %10.2f %7.2f\n", name.c_str(), t.real,
                            f->second.real, t.real / f->second.real, t.cpu, f->second.cpu,
                            t.cpu / f->second.cpu);
        }
    std::error_code ec;
    fs::remove_all(benchDir(), ec);
    benchmark::Shutdown();
    return 0;
}
