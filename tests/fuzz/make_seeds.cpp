// Writes the seed corpus of the fuzz targets: small pictures of each variant the decoders know.
// Usage: nodo_make_fuzz_seeds OUTDIR (creates OUTDIR/bmp, jpeg, png, gif).
#include "imaging/Codecs.h"
#include "imaging/PictureFile.h"
#include "imaging/TestPictures.h"

#include <png.h>

#include <cstdio>
#include <filesystem>
#include <string>

using namespace nodo::pic;
using namespace nodo::pic::test;
namespace fs = std::filesystem;

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: nodo_make_fuzz_seeds OUTDIR\n");
        return 2;
    }
    const fs::path out = argv[1];
    for (const char* d : {"bmp", "jpeg", "png", "gif"})
        fs::create_directories(out / d);
    auto save = [&](const char* dir, const std::string& name, const ByteVec& bytes) {
        WriteWholeFile(out / dir / name, bytes);
    };

    const Bitmap rgb = Gradient(13, 7, 24), rgba = Gradient(13, 7, 32);
    const std::vector<std::uint32_t> pal16 = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF, 0x123456, 0x654321,
                                              0xABCDEF, 0xFEDCBA, 0x111111, 0x222222, 0x333333, 0x444444,
                                              0x555555, 0x666666, 0x777777, 0x888888};
    save("bmp", "rgb24.bmp", EncodeBmp(rgb, 24));
    save("bmp", "rgba32_v4.bmp", EncodeBmp(rgba, 32));
    save("bmp", "pal1.bmp",
         MakeBmp({40, 3, 2, 1, 0, 0, {0xFF0000, 0x0000FF}, {}, {0xA0, 0, 0, 0, 0x60, 0, 0, 0}}));
    save("bmp", "pal4_topdown.bmp",
         MakeBmp(
             {40, 3, -2, 4, 0, 3, {0x112233, 0x445566, 0x778899}, {}, {0x20, 0x10, 0, 0, 0x01, 0x20, 0, 0}}));
    save("bmp", "pal8_core.bmp",
         MakeBmp({12, 2, 1, 8, 0, 0, std::vector<std::uint32_t>(256, 0x102030), {}, {7, 0, 0, 0}}));
    save("bmp", "rgb16_565.bmp",
         MakeBmp({40, 2, 1, 16, 3, 0, {}, {0xF800, 0x07E0, 0x001F}, {0x00, 0xF8, 0x10, 0x04}}));
    save("bmp", "argb4444_v3.bmp",
         MakeBmp({56, 2, 1, 16, 3, 0, {}, {0x0F00, 0x00F0, 0x000F, 0xF000}, {0x0F, 0xF0, 0x80, 0x8F}}));
    save("bmp", "rgb32_v5.bmp", MakeBmp({124, 2, 1, 32, 0, 0, {}, {}, {1, 2, 3, 128, 4, 5, 6, 0}}));
    save("bmp", "rle8.bmp",
         MakeBmp({40,
                  4,
                  3,
                  8,
                  1,
                  4,
                  {0xFFFFFF, 0xFF0000, 0x00FF00, 0x0000FF},
                  {},
                  {2, 1, 0, 3, 2, 3, 1, 0, 0, 0, 0, 2, 1, 1, 1, 3, 0, 1}}));
    save("bmp", "rle4.bmp",
         MakeBmp({40,
                  5,
                  2,
                  4,
                  2,
                  3,
                  {0x000000, 0x0000FF, 0x00FF00},
                  {},
                  {5, 0x12, 0, 0, 0, 3, 0x21, 0x20, 0, 1}}));

    save("jpeg", "baseline.jpg", MakeJpeg(JpegKind::Colour, Gradient(24, 16, 24), false, 80));
    save("jpeg", "progressive.jpg", MakeJpeg(JpegKind::Colour, Gradient(24, 16, 24), true, 80));
    save("jpeg", "arithmetic.jpg", MakeJpeg(JpegKind::Colour, Gradient(24, 16, 24), false, 80, {}, true));
    save("jpeg", "grey.jpg", MakeJpeg(JpegKind::Grey, Gradient(16, 16, 24), false, 80));
    ByteVec cmyk(std::size_t{16} * 8 * 4);
    for (std::size_t i = 0; i < cmyk.size(); ++i)
        cmyk[i] = static_cast<std::uint8_t>(i * 7);
    save("jpeg", "cmyk_adobe.jpg", MakeJpeg(JpegKind::CmykAdobe, Bitmap(16, 8, 24), false, 80, cmyk));

    auto pngOf = [&](int type, int depth, bool interlaced, bool trns) {
        PngSpec s;
        s.width = 9;
        s.height = 5;
        s.colorType = type;
        s.bitDepth = depth;
        s.interlaced = interlaced;
        const int ch = type == PNG_COLOR_TYPE_RGB          ? 3
                       : type == PNG_COLOR_TYPE_RGB_ALPHA  ? 4
                       : type == PNG_COLOR_TYPE_GRAY_ALPHA ? 2
                                                           : 1;
        for (int y = 0; y < 5; ++y) {
            ByteVec row((9 * ch * depth + 7) / 8);
            for (std::size_t i = 0; i < row.size(); ++i)
                row[i] = static_cast<std::uint8_t>(i * 37 + std::size_t(y) * 11);
            if (type == PNG_COLOR_TYPE_PALETTE && depth == 8)
                for (auto& v : row)
                    v &= 15;
            s.rows.push_back(row);
        }
        if (type == PNG_COLOR_TYPE_PALETTE) {
            s.palette.assign(pal16.begin(), pal16.begin() + std::min(16, 1 << depth));
            if (trns) s.paletteAlpha = {0, 128};
        } else if (trns) {
            s.transparentColor = type == PNG_COLOR_TYPE_GRAY ? std::vector<std::uint16_t>{1}
                                                             : std::vector<std::uint16_t>{1, 2, 3};
        }
        return MakePng(s);
    };
    save("png", "grey1.png", pngOf(PNG_COLOR_TYPE_GRAY, 1, false, false));
    save("png", "grey16_trns.png", pngOf(PNG_COLOR_TYPE_GRAY, 16, false, true));
    save("png", "greyalpha8_interlaced.png", pngOf(PNG_COLOR_TYPE_GRAY_ALPHA, 8, true, false));
    save("png", "rgb8_trns.png", pngOf(PNG_COLOR_TYPE_RGB, 8, false, true));
    save("png", "rgba16_interlaced.png", pngOf(PNG_COLOR_TYPE_RGB_ALPHA, 16, true, false));
    save("png", "palette4_trns.png", pngOf(PNG_COLOR_TYPE_PALETTE, 4, false, true));
    save("png", "palette8_interlaced.png", pngOf(PNG_COLOR_TYPE_PALETTE, 8, true, false));
    save("png", "rgba8.png", EncodePng(rgba));

    ByteVec idx(std::size_t{8} * 6);
    for (std::size_t i = 0; i < idx.size(); ++i)
        idx[i] = static_cast<std::uint8_t>(i % 16);
    save("gif", "simple.gif", MakeGif(8, 6, pal16, {{0, 0, 8, 6, false, -1, {}, idx}}));
    save("gif", "interlaced_transparent.gif", MakeGif(8, 6, pal16, {{0, 0, 8, 6, true, 3, {}, idx}}));
    save("gif", "animated_offset.gif",
         MakeGif(20, 12, pal16, {{4, 3, 8, 6, false, -1, {}, idx}, {0, 0, 8, 6, false, 2, {}, idx}}));
    save("gif", "local_palette.gif", MakeGif(8, 6, {}, {{0, 0, 8, 6, false, -1, pal16, idx}}));
    save("gif", "encoded_cube.gif", EncodeGif(Gradient(20, 10, 24)));
    std::printf("seeds written to %s\n", out.c_str());
    return 0;
}
