#include "TestPictures.h"
#include "imaging/Codecs.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <jpeglib.h>

namespace nodo::pic {
namespace {

using test::ByteVec;
using test::JpegKind;

// Smooth content, so that JPEG's loss stays small and a wrong colour conversion shows.
Bitmap smooth(int w, int h) {
    Bitmap b(w, h, 24);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            b.setPixel(x, y,
                       {static_cast<std::uint8_t>(40 + x * 2), static_cast<std::uint8_t>(200 - y * 2),
                        static_cast<std::uint8_t>(90 + (x + y)), 255});
    return b;
}

struct JpegCase {
    const char* name;
    JpegKind kind;
    bool progressive;
    bool arithmetic;
};

class JpegDecode : public testing::TestWithParam<JpegCase> {};

TEST_P(JpegDecode, ColourAndGreyComeOutAsTwentyFourBits) {
    const JpegCase& c = GetParam();
    const Bitmap src = smooth(48, 40);
    const Bitmap b = DecodeJpeg(test::MakeJpeg(c.kind, src, c.progressive, 95, {}, c.arithmetic));
    ASSERT_EQ(b.bitsPerPixel(), 24);
    ASSERT_EQ(b.width(), 48);
    ASSERT_EQ(b.height(), 40);
    if (c.kind == JpegKind::Grey) {
        EXPECT_EQ(b.sourceBitsPerPixel(), 8);
        Bitmap grey(48, 40, 24);
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 48; ++x) {
                const std::uint8_t g = src.pixel(x, y).g;
                grey.setPixel(x, y, {g, g, g, 255});
                const Bgra p = b.pixel(x, y);
                ASSERT_TRUE(p.b == p.g && p.g == p.r) << x << "," << y;
            }
        EXPECT_LT(test::MeanAbsDiff(b, grey), 2.0);
    } else {
        EXPECT_EQ(b.sourceBitsPerPixel(), 24);
        EXPECT_LT(test::MeanAbsDiff(b, src), 3.0);
    }
}

INSTANTIATE_TEST_SUITE_P(Kinds, JpegDecode,
                         testing::Values(JpegCase{"Baseline", JpegKind::Colour, false, false},
                                         JpegCase{"Progressive", JpegKind::Colour, true, false},
                                         JpegCase{"Arithmetic", JpegKind::Colour, false, true},
                                         JpegCase{"Grey", JpegKind::Grey, false, false},
                                         JpegCase{"GreyProgressive", JpegKind::Grey, true, false}),
                         [](const auto& info) { return std::string(info.param.name); });

// CMYK: Adobe files store 255 - ink; files without the Adobe marker store the ink itself.
TEST(JpegCmyk, AdobeInvertedAndPlain) {
    const int w = 32, h = 16;
    const struct {
        std::uint8_t c, m, y, k;
        Bgra rgb;
    } inks[] = {{0, 0, 0, 0, {255, 255, 255, 255}},
                {255, 0, 0, 0, {255, 255, 0, 255}},    // cyan
                {0, 0, 255, 0, {0, 255, 255, 255}},    // yellow
                {0, 0, 0, 255, {0, 0, 0, 255}},        // black
                {0, 128, 0, 64, {191, 95, 191, 255}}}; // half magenta, quarter black
    for (const bool adobe : {true, false}) {
        for (const auto& ink : inks) {
            ByteVec cmyk;
            for (int i = 0; i < w * h; ++i)
                for (std::uint8_t v : {ink.c, ink.m, ink.y, ink.k})
                    cmyk.push_back(adobe ? static_cast<std::uint8_t>(255 - v) : v);
            const Bitmap b = DecodeJpeg(test::MakeJpeg(adobe ? JpegKind::CmykAdobe : JpegKind::CmykPlain,
                                                       Bitmap(w, h, 24), false, 100, cmyk));
            ASSERT_EQ(b.bitsPerPixel(), 24);
            EXPECT_EQ(b.sourceBitsPerPixel(), 32);
            const Bgra p = b.pixel(w / 2, h / 2);
            EXPECT_NEAR(p.b, ink.rgb.b, 3)
                << adobe << " ink " << int(ink.c) << int(ink.m) << int(ink.y) << int(ink.k);
            EXPECT_NEAR(p.g, ink.rgb.g, 3);
            EXPECT_NEAR(p.r, ink.rgb.r, 3);
        }
    }
}

TEST(JpegDecodeEdges, MissingEndMarkerAfterTheLastRowLosesNothing) {
    const Bitmap src = smooth(32, 24);
    const ByteVec whole = test::MakeJpeg(JpegKind::Colour, src, false);
    const ByteVec noEnd(whole.begin(), whole.end() - 2);
    EXPECT_EQ(DecodeJpeg(noEnd), DecodeJpeg(whole));
}

bool hasMarker(const ByteVec& v, std::uint8_t marker) {
    for (std::size_t i = 0; i + 1 < v.size(); ++i)
        if (v[i] == 0xFF && v[i + 1] == marker) return true;
    return false;
}

TEST(JpegEncode, BaselineColourAtQualityNinety) {
    const Bitmap src = smooth(64, 48);
    const ByteVec file = EncodeJpeg(src);
    EXPECT_TRUE(hasMarker(file, 0xC0)) << "baseline frame";
    EXPECT_FALSE(hasMarker(file, 0xC2)) << "not progressive";
    const Bitmap back = DecodeJpeg(file);
    EXPECT_LT(test::MeanAbsDiff(back, src), 3.0);
    // Quality 90 sits between 50 and 100 in size.
    EXPECT_LT(EncodeJpeg(src, 50).size(), file.size());
    EXPECT_GT(EncodeJpeg(src, 100).size(), file.size());
}

TEST(JpegEncode, TransparentPartsGoOverWhite) {
    Bitmap b(16, 16, 32); // all transparent
    const Bitmap back = DecodeJpeg(EncodeJpeg(b));
    EXPECT_NEAR(back.pixel(8, 8).r, 255, 2);
    EXPECT_NEAR(back.pixel(8, 8).g, 255, 2);
    EXPECT_THROW(EncodeJpeg(Bitmap()), PictureError);
}

// The fourth byte of a blended picture is dropped, never taken for alpha: the file is the one its
// 24-bit form gives, byte for byte, whatever the fourth bytes hold.
TEST(JpegEncodeOpaque, DropsTheFourthByteWithoutACopy) {
    struct Case {
        int w, h;
        std::uint8_t fourth;
    };
    for (const Case c :
         {Case{1, 1, 0}, Case{17, 9, 0}, Case{64, 48, 255}, Case{33, 65, 7}, Case{100, 3, 128}}) {
        Bitmap four = Bitmap::uninitialized(c.w, c.h, 32);
        Bitmap three = Bitmap::uninitialized(c.w, c.h, 24);
        for (int y = 0; y < c.h; ++y)
            for (int x = 0; x < c.w; ++x) {
                const std::uint8_t bgr[3] = {static_cast<std::uint8_t>(x * 7 + y),
                                             static_cast<std::uint8_t>(y * 5),
                                             static_cast<std::uint8_t>((x ^ y) * 3)};
                for (int k = 0; k < 3; ++k)
                    four.row(y)[4 * x + k] = three.row(y)[3 * x + k] = bgr[k];
                four.row(y)[4 * x + 3] = static_cast<std::uint8_t>(c.fourth + x);
            }
        const ByteVec expected = EncodeJpeg(three, 90);
        EXPECT_EQ(EncodeJpegOpaque(four, 90), expected) << c.w << "x" << c.h;
        EXPECT_EQ(EncodeJpegOpaque(three, 90), expected) << c.w << "x" << c.h;
    }
    EXPECT_THROW(EncodeJpegOpaque(Bitmap()), PictureError);
    EXPECT_THROW(EncodeJpegOpaque(Bitmap(4, 4, 32), 0), std::invalid_argument);
}

// The pass whose decoding follows the encoder on another thread gives what the two calls give one
// after the other: the very bytes and the very pixels, for files of one chunk and of many.
TEST(JpegPass, EqualsEncodingThenDecoding) {
    struct Case {
        int w, h, bpp, quality;
    };
    std::uint32_t seed = 12345;
    const auto noise = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return static_cast<std::uint8_t>(seed >> 16);
    };
    for (const Case c : {Case{1, 1, 24, 90}, Case{17, 9, 32, 90}, Case{640, 480, 32, 90},
                         Case{333, 211, 24, 75}, Case{1920, 64, 32, 100}}) {
        Bitmap picture = Bitmap::uninitialized(c.w, c.h, c.bpp);
        for (int y = 0; y < c.h; ++y)
            for (std::size_t i = 0; i < picture.stride(); ++i)
                picture.row(y)[i] = static_cast<std::uint8_t>((i / 3 + y) * 2 + noise() % 16);
        const ByteVec jpeg = EncodeJpegOpaque(picture, c.quality);
        const JpegPass pass = EncodeJpegAndDecode(picture, c.quality);
        EXPECT_EQ(pass.jpeg, jpeg) << c.w << "x" << c.h;
        EXPECT_EQ(pass.decoded, DecodeJpeg(jpeg)) << c.w << "x" << c.h;
        EXPECT_EQ(pass.decoded.bitsPerPixel(), 24);
    }
    EXPECT_THROW(EncodeJpegAndDecode(Bitmap()), PictureError);
    EXPECT_THROW(EncodeJpegAndDecode(Bitmap(4, 4, 24), 101), std::invalid_argument);
}

// Offset of the SOF0/SOF2 frame header's height field.
std::size_t sofSizeAt(const ByteVec& v) {
    for (std::size_t i = 2; i + 9 < v.size(); ++i)
        if (v[i] == 0xFF && (v[i + 1] == 0xC0 || v[i + 1] == 0xC2)) return i + 5;
    return 0;
}

ByteVec withSize(ByteVec v, int w, int h) {
    const std::size_t at = sofSizeAt(v);
    v[at] = static_cast<std::uint8_t>(h >> 8);
    v[at + 1] = static_cast<std::uint8_t>(h);
    v[at + 2] = static_cast<std::uint8_t>(w >> 8);
    v[at + 3] = static_cast<std::uint8_t>(w);
    return v;
}

struct JpegError {
    const char* name;
    ByteVec file;
    PictureErrorKind kind;
};

std::vector<JpegError> errorCases() {
    const ByteVec good = test::MakeJpeg(JpegKind::Colour, test::Gradient(64, 64, 24), false);
    const ByteVec prog = test::MakeJpeg(JpegKind::Colour, test::Gradient(64, 64, 24), true);
    ByteVec badTable = good;
    // Corrupt the first quantisation table's precision/id byte.
    for (std::size_t i = 2; i + 4 < badTable.size(); ++i)
        if (badTable[i] == 0xFF && badTable[i + 1] == 0xDB) {
            badTable[i + 4] = 0x37;
            break;
        }
    return {{"TruncatedBaseline",
             ByteVec(good.begin(), good.begin() + static_cast<long>(good.size() * 2 / 3)),
             PictureErrorKind::Truncated},
            {"TruncatedProgressive", ByteVec(prog.begin(), prog.begin() + static_cast<long>(prog.size() / 2)),
             PictureErrorKind::Truncated},
            {"HeaderOnly", ByteVec(good.begin(), good.begin() + 200), PictureErrorKind::Truncated},
            {"LyingHeader", withSize(good, 20000, 5000), PictureErrorKind::Truncated},
            {"OverHundredMegapixels", withSize(good, 12000, 9000), PictureErrorKind::TooLarge},
            {"BadQuantTable", badTable, PictureErrorKind::Corrupt},
            {"TooShort", {0xFF, 0xD8}, PictureErrorKind::Truncated}};
}

class JpegErrors : public testing::TestWithParam<JpegError> {};

TEST_P(JpegErrors, AreRefusedWithTheirKind) {
    try {
        DecodeJpeg(GetParam().file);
        FAIL() << "decoded a bad file";
    } catch (const PictureError& e) {
        EXPECT_EQ(e.kind(), GetParam().kind) << e.what();
        EXPECT_EQ(std::string(e.what()).rfind("JPEG: ", 0), 0u) << e.what();
    }
}

INSTANTIATE_TEST_SUITE_P(Bad, JpegErrors, testing::ValuesIn(errorCases()),
                         [](const auto& info) { return std::string(info.param.name); });

// The desktops read a JPEG through libjpeg with its default settings (RGB out, the accurate DCT,
// smooth upsampling). Our decoder must give those very pixels, so a desktop handed "Mix.Jpg" shows
// exactly what "Mix.bmp" holds.
TEST(JpegDefaults, DecodesAsLibjpegDoesByDefault) {
    for (const Bitmap& picture : {smooth(97, 61), test::Gradient(320, 200, 24)}) {
        const std::vector<std::uint8_t> jpeg = EncodeJpeg(picture, 90);
        jpeg_decompress_struct cinfo;
        jpeg_error_mgr err;
        cinfo.err = jpeg_std_error(&err);
        jpeg_create_decompress(&cinfo);
        jpeg_mem_src(&cinfo, jpeg.data(), static_cast<unsigned long>(jpeg.size()));
        ASSERT_EQ(jpeg_read_header(&cinfo, TRUE), JPEG_HEADER_OK);
        jpeg_start_decompress(&cinfo);
        ASSERT_EQ(cinfo.output_components, 3);
        const Bitmap ours = DecodeJpeg(jpeg);
        std::vector<JSAMPLE> row(std::size_t{cinfo.output_width} * 3);
        int mismatches = 0;
        while (cinfo.output_scanline < cinfo.output_height) {
            const int y = static_cast<int>(cinfo.output_scanline);
            JSAMPROW rows[] = {row.data()};
            jpeg_read_scanlines(&cinfo, rows, 1);
            for (int x = 0; x < picture.width(); ++x) {
                const Bgra p = ours.pixel(x, y);
                if (const JSAMPLE* q = &row[std::size_t(x) * 3]; p.r != q[0] || p.g != q[1] || p.b != q[2])
                    ++mismatches;
            }
        }
        jpeg_finish_decompress(&cinfo);
        jpeg_destroy_decompress(&cinfo);
        EXPECT_EQ(mismatches, 0);
    }
}

} // namespace
} // namespace nodo::pic
