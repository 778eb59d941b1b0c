#include "TestPictures.h"

#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>

#include <unistd.h>

#include <gif_lib.h>
#include <jpeglib.h>
#include <png.h>

namespace nodo::pic::test {
namespace {

void put16(ByteVec& v, std::uint32_t x) {
    v.push_back(static_cast<std::uint8_t>(x));
    v.push_back(static_cast<std::uint8_t>(x >> 8));
}
void put32(ByteVec& v, std::uint32_t x) {
    put16(v, x & 0xFFFF);
    put16(v, x >> 16);
}

} // namespace

Bitmap Gradient(int width, int height, int bitsPerPixel) {
    Bitmap b(width, height, bitsPerPixel);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            b.setPixel(x, y,
                       {static_cast<std::uint8_t>(x * 7 + y), static_cast<std::uint8_t>(x * 3 + y * 5),
                        static_cast<std::uint8_t>((x ^ y) * 11), static_cast<std::uint8_t>(x * 13 + y * 17)});
    return b;
}

ByteVec MakeBmp(const BmpSpec& s) {
    ByteVec info;
    put32(info, static_cast<std::uint32_t>(s.infoSize));
    if (s.infoSize == 12) {
        put16(info, static_cast<std::uint32_t>(s.width));
        put16(info, static_cast<std::uint32_t>(s.height));
        put16(info, 1);
        put16(info, static_cast<std::uint32_t>(s.bpp));
    } else {
        put32(info, static_cast<std::uint32_t>(s.width));
        put32(info, static_cast<std::uint32_t>(s.height));
        put16(info, 1);
        put16(info, static_cast<std::uint32_t>(s.bpp));
        put32(info, s.compression);
        put32(info, static_cast<std::uint32_t>(s.pixels.size()));
        put32(info, 2835);
        put32(info, 2835);
        put32(info, s.colorsUsed);
        put32(info, 0);
        if (s.infoSize > 40)
            for (std::size_t i = 0; i < s.masks.size() && 40 + 4 * i < static_cast<std::size_t>(s.infoSize);
                 ++i)
                put32(info, s.masks[i]);
        info.resize(static_cast<std::size_t>(s.infoSize), 0);
        if (s.infoSize == 40)
            for (std::uint32_t m : s.masks)
                put32(info, m);
    }
    for (std::uint32_t c : s.palette) {
        info.push_back(static_cast<std::uint8_t>(c));
        info.push_back(static_cast<std::uint8_t>(c >> 8));
        info.push_back(static_cast<std::uint8_t>(c >> 16));
        if (s.infoSize != 12) info.push_back(0);
    }
    const std::uint32_t offset = s.pixelOffset >= 0 ? static_cast<std::uint32_t>(s.pixelOffset)
                                                    : static_cast<std::uint32_t>(14 + info.size());
    ByteVec out = {'B', 'M'};
    put32(out, static_cast<std::uint32_t>(14 + info.size() + s.pixels.size()));
    put32(out, 0);
    put32(out, offset);
    out.insert(out.end(), info.begin(), info.end());
    out.insert(out.end(), s.pixels.begin(), s.pixels.end());
    return out;
}

namespace {
void pngWrite(png_structp png, png_bytep data, png_size_t n) {
    auto* out = static_cast<ByteVec*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + n);
}
void pngFlush(png_structp) {}
} // namespace

ByteVec MakePng(const PngSpec& s) {
    ByteVec out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        throw std::runtime_error("test PNG could not be written");
    }
    png_set_write_fn(png, &out, pngWrite, pngFlush);
    png_set_IHDR(png, info, static_cast<png_uint_32>(s.width), static_cast<png_uint_32>(s.height), s.bitDepth,
                 s.colorType, s.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    std::vector<png_color> pal;
    for (std::uint32_t c : s.palette)
        pal.push_back(
            {static_cast<png_byte>(c >> 16), static_cast<png_byte>(c >> 8), static_cast<png_byte>(c)});
    if (!pal.empty()) png_set_PLTE(png, info, pal.data(), static_cast<int>(pal.size()));
    png_color_16 trans{};
    if (!s.paletteAlpha.empty())
        png_set_tRNS(png, info, s.paletteAlpha.data(), static_cast<int>(s.paletteAlpha.size()), nullptr);
    if (s.transparentColor.size() == 1) {
        trans.gray = s.transparentColor[0];
        png_set_tRNS(png, info, nullptr, 0, &trans);
    } else if (s.transparentColor.size() == 3) {
        trans.red = s.transparentColor[0];
        trans.green = s.transparentColor[1];
        trans.blue = s.transparentColor[2];
        png_set_tRNS(png, info, nullptr, 0, &trans);
    }
    png_write_info(png, info);
    std::vector<png_bytep> rows;
    for (const auto& r : s.rows)
        rows.push_back(const_cast<png_bytep>(r.data()));
    png_write_image(png, rows.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

ByteVec MakeJpeg(JpegKind kind, const Bitmap& picture, bool progressive, int quality, const ByteVec& cmyk,
                 bool arithmetic) {
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr err{};
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = static_cast<JDIMENSION>(picture.width());
    cinfo.image_height = static_cast<JDIMENSION>(picture.height());
    const bool isCmyk = kind == JpegKind::CmykAdobe || kind == JpegKind::CmykPlain;
    cinfo.input_components = kind == JpegKind::Grey ? 1 : isCmyk ? 4 : 3;
    cinfo.in_color_space = kind == JpegKind::Grey ? JCS_GRAYSCALE : isCmyk ? JCS_CMYK : JCS_EXT_BGR;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    if (isCmyk) {
        jpeg_set_colorspace(&cinfo, JCS_CMYK);
        cinfo.write_Adobe_marker = kind == JpegKind::CmykAdobe;
    }
    if (progressive) jpeg_simple_progression(&cinfo);
    cinfo.arith_code = arithmetic;
    jpeg_start_compress(&cinfo, TRUE);
    ByteVec row(static_cast<std::size_t>(picture.width()) * 4);
    while (cinfo.next_scanline < cinfo.image_height) {
        const int y = static_cast<int>(cinfo.next_scanline);
        JSAMPROW r = row.data();
        if (kind == JpegKind::Grey) {
            for (int x = 0; x < picture.width(); ++x)
                row[x] = picture.pixel(x, y).g;
        } else if (isCmyk) {
            std::memcpy(row.data(), &cmyk[static_cast<std::size_t>(y) * picture.width() * 4], row.size());
        } else {
            r = const_cast<JSAMPROW>(picture.row(y));
        }
        jpeg_write_scanlines(&cinfo, &r, 1);
    }
    jpeg_finish_compress(&cinfo);
    ByteVec out(buffer, buffer + size);
    jpeg_destroy_compress(&cinfo);
    std::free(buffer);
    return out;
}

namespace {
int gifWrite(GifFileType* gif, const GifByteType* data, int n) {
    auto* out = static_cast<ByteVec*>(gif->UserData);
    out->insert(out->end(), data, data + n);
    return n;
}
ColorMapObject* makeMap(const std::vector<std::uint32_t>& colours) {
    int size = 2;
    while (size < static_cast<int>(colours.size()))
        size *= 2;
    std::vector<GifColorType> c(size, GifColorType{0, 0, 0});
    for (std::size_t i = 0; i < colours.size(); ++i)
        c[i] = {static_cast<GifByteType>(colours[i] >> 16), static_cast<GifByteType>(colours[i] >> 8),
                static_cast<GifByteType>(colours[i])};
    return GifMakeMapObject(size, c.data());
}
} // namespace

ByteVec MakeGif(int screenWidth, int screenHeight, const std::vector<std::uint32_t>& globalPalette,
                const std::vector<GifFrame>& frames) {
    ByteVec out;
    int err = 0;
    GifFileType* gif = EGifOpen(&out, gifWrite, &err);
    EGifSetGifVersion(gif, true);
    ColorMapObject* global = globalPalette.empty() ? nullptr : makeMap(globalPalette);
    EGifPutScreenDesc(gif, screenWidth, screenHeight, global ? global->BitsPerPixel : 8, 0, global);
    for (const GifFrame& f : frames) {
        GraphicsControlBlock gcb{DISPOSAL_UNSPECIFIED, false, 10, f.transparentIndex};
        GifByteType ext[4];
        EGifGCBToExtension(&gcb, ext);
        EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, ext);
        ColorMapObject* local = f.localPalette.empty() ? nullptr : makeMap(f.localPalette);
        EGifPutImageDesc(gif, f.left, f.top, f.width, f.height, f.interlaced, local);
        // giflib writes interlaced frames in the order it is given: pass order.
        std::vector<int> order;
        if (f.interlaced) {
            const int start[] = {0, 4, 2, 1}, step[] = {8, 8, 4, 2};
            for (int p = 0; p < 4; ++p)
                for (int y = start[p]; y < f.height; y += step[p])
                    order.push_back(y);
        } else {
            for (int y = 0; y < f.height; ++y)
                order.push_back(y);
        }
        for (int y : order)
            EGifPutLine(gif, const_cast<GifPixelType*>(&f.indices[static_cast<std::size_t>(y) * f.width]),
                        f.width);
        if (local) GifFreeMapObject(local);
    }
    EGifCloseFile(gif, &err);
    if (global) GifFreeMapObject(global);
    return out;
}

double MeanAbsDiff(const Bitmap& a, const Bitmap& b) {
    if (a.width() != b.width() || a.height() != b.height()) return 1e9;
    double sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const Bgra p = a.pixel(x, y), q = b.pixel(x, y);
            sum += std::abs(p.b - q.b) + std::abs(p.g - q.g) + std::abs(p.r - q.r);
        }
    return sum / (3.0 * a.width() * a.height());
}

std::filesystem::path TempPath(const std::string& stem, const std::string& ext) {
    return std::filesystem::temp_directory_path() / ("nodo_" + stem + "_" + std::to_string(::getpid()) + ext);
}

Bitmap Quarters(int width, int height, int bitsPerPixel) {
    Bitmap b(width, height, bitsPerPixel);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const bool right = x >= width / 2, bottom = y >= height / 2;
            Bgra c{0, 0, 0, 255};
            if (!right && !bottom)
                c.r = 255;
            else if (right && !bottom)
                c.g = 255;
            else if (!right && bottom)
                c.b = 255;
            else
                c = {255, 255, 255, 255};
            b.setPixel(x, y, c);
        }
    return b;
}

} // namespace nodo::pic::test
