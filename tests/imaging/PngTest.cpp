#include "TestPictures.h"
#include "imaging/Codecs.h"

#include <gtest/gtest.h>

#include <png.h>
#include <zlib.h>

namespace nodo::pic {
namespace {

using test::ByteVec;
using test::PngSpec;

// Every test picture is 9 x 5: odd sizes exercise sub-byte packing and all interlace passes.
constexpr int kW = 9, kH = 5;

int channelsOf(int colorType) {
    switch (colorType) {
    case PNG_COLOR_TYPE_GRAY:
    case PNG_COLOR_TYPE_PALETTE:
        return 1;
    case PNG_COLOR_TYPE_GRAY_ALPHA:
        return 2;
    case PNG_COLOR_TYPE_RGB:
        return 3;
    default:
        return 4;
    }
}

// Sample value k of channel c at (x, y), below 2^depth.
unsigned sampleAt(int x, int y, int c, int depth) {
    return static_cast<unsigned>(x * 5 + y * 3 + c * 7) % (1u << std::min(depth, 8));
}

// A 16-bit sample that is an exact multiple of 257 scales to 8 bits without rounding questions.
unsigned stored(unsigned s8, int depth) {
    return depth == 16 ? s8 * 257 : s8;
}

std::uint8_t to8(unsigned s, int depth) {
    switch (depth) {
    case 1:
        return s ? 255 : 0;
    case 2:
        return static_cast<std::uint8_t>(s * 85);
    case 4:
        return static_cast<std::uint8_t>(s * 17);
    default:
        return static_cast<std::uint8_t>(s);
    }
}

struct PngCase {
    const char* name;
    int colorType, depth;
    bool interlaced;
    bool withTrns;
};

const std::uint32_t kPalette[16] = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF, 0x123456, 0x654321,
                                    0xABCDEF, 0xFEDCBA, 0x111111, 0x222222, 0x333333, 0x444444,
                                    0x555555, 0x666666, 0x777777, 0x888888};

PngSpec specFor(const PngCase& c) {
    PngSpec s;
    s.width = kW;
    s.height = kH;
    s.colorType = c.colorType;
    s.bitDepth = c.depth;
    s.interlaced = c.interlaced;
    const int ch = channelsOf(c.colorType);
    for (int y = 0; y < kH; ++y) {
        ByteVec row((static_cast<std::size_t>(kW) * ch * c.depth + 7) / 8, 0);
        for (int x = 0; x < kW; ++x)
            for (int k = 0; k < ch; ++k) {
                const unsigned v = stored(
                    sampleAt(x, y, k, c.colorType == PNG_COLOR_TYPE_PALETTE ? std::min(c.depth, 4) : c.depth),
                    c.depth);
                const std::size_t bit = (static_cast<std::size_t>(x) * ch + k) * c.depth;
                if (c.depth == 16) {
                    row[bit / 8] = static_cast<std::uint8_t>(v >> 8);
                    row[bit / 8 + 1] = static_cast<std::uint8_t>(v);
                } else {
                    row[bit / 8] |= static_cast<std::uint8_t>(v << (8 - c.depth - bit % 8));
                }
            }
        s.rows.push_back(row);
    }
    if (c.colorType == PNG_COLOR_TYPE_PALETTE) {
        const int entries = std::min(16, 1 << c.depth);
        s.palette.assign(kPalette, kPalette + entries);
        if (c.withTrns)
            s.paletteAlpha = ByteVec{0, 128, 255, 7}; // the low entries only: the rest stay opaque
        s.paletteAlpha.resize(std::min<std::size_t>(s.paletteAlpha.size(), entries));
    } else if (c.withTrns) {
        const unsigned t = stored(sampleAt(1, 0, 0, c.depth), c.depth);
        if (c.colorType == PNG_COLOR_TYPE_GRAY)
            s.transparentColor = {static_cast<std::uint16_t>(t)};
        else
            s.transparentColor = {static_cast<std::uint16_t>(t),
                                  static_cast<std::uint16_t>(stored(sampleAt(1, 0, 1, c.depth), c.depth)),
                                  static_cast<std::uint16_t>(stored(sampleAt(1, 0, 2, c.depth), c.depth))};
    }
    return s;
}

Bgra expectedAt(const PngCase& c, int x, int y) {
    const int d = c.depth;
    if (c.colorType == PNG_COLOR_TYPE_PALETTE) {
        const unsigned i = sampleAt(x, y, 0, std::min(d, 4));
        const std::uint32_t p = kPalette[i];
        const std::uint8_t a = c.withTrns && i < std::min(4u, 1u << d) ? ByteVec{0, 128, 255, 7}[i] : 255;
        return {static_cast<std::uint8_t>(p), static_cast<std::uint8_t>(p >> 8),
                static_cast<std::uint8_t>(p >> 16), a};
    }
    const bool colour = c.colorType & PNG_COLOR_MASK_COLOR;
    const unsigned s0 = sampleAt(x, y, 0, d);
    const std::uint8_t r = to8(s0, d);
    const std::uint8_t g = colour ? to8(sampleAt(x, y, 1, d), d) : r;
    const std::uint8_t b = colour ? to8(sampleAt(x, y, 2, d), d) : r;
    std::uint8_t a = 255;
    if (c.colorType & PNG_COLOR_MASK_ALPHA) a = to8(sampleAt(x, y, colour ? 3 : 1, d), d);
    if (c.withTrns) {
        const bool same = colour
                              ? (s0 == sampleAt(1, 0, 0, d) && sampleAt(x, y, 1, d) == sampleAt(1, 0, 1, d) &&
                                 sampleAt(x, y, 2, d) == sampleAt(1, 0, 2, d))
                              : s0 == sampleAt(1, 0, 0, d);
        if (same) a = 0;
    }
    return {b, g, r, a};
}

std::vector<PngCase> cases() {
    std::vector<PngCase> v;
    const struct {
        const char* name;
        int type;
        std::vector<int> depths;
        bool trnsAllowed;
    } types[] = {{"Grey", PNG_COLOR_TYPE_GRAY, {1, 2, 4, 8, 16}, true},
                 {"GreyAlpha", PNG_COLOR_TYPE_GRAY_ALPHA, {8, 16}, false},
                 {"Rgb", PNG_COLOR_TYPE_RGB, {8, 16}, true},
                 {"Rgba", PNG_COLOR_TYPE_RGB_ALPHA, {8, 16}, false},
                 {"Palette", PNG_COLOR_TYPE_PALETTE, {1, 2, 4, 8}, true}};
    static std::vector<std::string> names;
    names.reserve(200);
    for (const auto& t : types)
        for (int d : t.depths)
            for (int interlaced = 0; interlaced < 2; ++interlaced)
                for (int trns = 0; trns < (t.trnsAllowed ? 2 : 1); ++trns) {
                    names.push_back(std::string(t.name) + std::to_string(d) +
                                    (interlaced ? "Interlaced" : "") + (trns ? "Trns" : ""));
                    v.push_back({names.back().c_str(), t.type, d, interlaced != 0, trns != 0});
                }
    return v;
}

class PngDecode : public testing::TestWithParam<PngCase> {};

TEST_P(PngDecode, GivesThePixels) {
    const PngCase& c = GetParam();
    const Bitmap b = DecodePng(test::MakePng(specFor(c)));
    ASSERT_EQ(b.width(), kW);
    ASSERT_EQ(b.height(), kH);
    const bool alpha = (c.colorType & PNG_COLOR_MASK_ALPHA) || c.withTrns;
    EXPECT_EQ(b.bitsPerPixel(), alpha ? 32 : 24);
    EXPECT_EQ(b.sourceBitsPerPixel(), channelsOf(c.colorType) * c.depth);
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            const Bgra got = b.pixel(x, y), want = expectedAt(c, x, y);
            ASSERT_EQ(got, want) << "pixel " << x << "," << y << " got " << int(got.b) << " " << int(got.g)
                                 << " " << int(got.r) << " " << int(got.a) << " want " << int(want.b) << " "
                                 << int(want.g) << " " << int(want.r) << " " << int(want.a);
        }
}

INSTANTIATE_TEST_SUITE_P(ColourTypesAndDepths, PngDecode, testing::ValuesIn(cases()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(PngRoundTrip, OpaqueAndTransparent) {
    for (int bpp : {24, 32}) {
        const Bitmap original = test::Gradient(37, 11, bpp);
        EXPECT_EQ(DecodePng(EncodePng(original)), original) << bpp;
    }
}

// Finds the first chunk of a type; returns its offset (length field).
std::size_t chunkAt(const ByteVec& png, const char* type) {
    for (std::size_t pos = 8; pos + 8 <= png.size();) {
        const std::uint32_t len =
            (png[pos] << 24) | (png[pos + 1] << 16) | (png[pos + 2] << 8) | png[pos + 3];
        if (std::equal(type, type + 4, png.begin() + static_cast<long>(pos) + 4)) return pos;
        pos += 12 + len;
    }
    return 0;
}

void setIhdrSize(ByteVec& png, std::uint32_t w, std::uint32_t h) {
    const std::size_t at = chunkAt(png, "IHDR") + 8;
    for (int i = 0; i < 4; ++i) {
        png[at + i] = static_cast<std::uint8_t>(w >> (24 - 8 * i));
        png[at + 4 + i] = static_cast<std::uint8_t>(h >> (24 - 8 * i));
    }
    // Keep the CRC right so that only our own checks can object.
    const std::uint32_t crc = static_cast<std::uint32_t>(crc32(0, &png[at - 4], 17));
    for (int i = 0; i < 4; ++i)
        png[at + 13 + i] = static_cast<std::uint8_t>(crc >> (24 - 8 * i));
}

struct PngError {
    const char* name;
    ByteVec file;
    PictureErrorKind kind;
};

std::vector<PngError> errorCases() {
    const ByteVec good = EncodePng(test::Gradient(64, 64, 24));
    ByteVec truncated(good.begin(), good.begin() + static_cast<long>(good.size() / 2));
    ByteVec badCrc = good;
    badCrc[chunkAt(badCrc, "IHDR") + 12] ^= 0xFF; // width changes, CRC does not
    ByteVec lying = good;
    setIhdrSize(lying, 9000, 9000);
    ByteVec huge = good;
    setIhdrSize(huge, 20000, 20000);
    ByteVec noSignature = good;
    noSignature[1] = 'Q';
    return {{"Truncated", truncated, PictureErrorKind::Truncated},
            {"HeaderCrc", badCrc, PictureErrorKind::Corrupt},
            {"LyingHeader", lying, PictureErrorKind::Truncated},
            {"OverHundredMegapixels", huge, PictureErrorKind::TooLarge},
            {"NoSignature", noSignature, PictureErrorKind::Unsupported},
            {"SignatureOnly", ByteVec(good.begin(), good.begin() + 8), PictureErrorKind::Truncated}};
}

class PngErrors : public testing::TestWithParam<PngError> {};

TEST_P(PngErrors, AreRefusedWithTheirKind) {
    try {
        DecodePng(GetParam().file);
        FAIL() << "decoded a bad file";
    } catch (const PictureError& e) {
        EXPECT_EQ(e.kind(), GetParam().kind) << e.what();
    }
}

INSTANTIATE_TEST_SUITE_P(Bad, PngErrors, testing::ValuesIn(errorCases()),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace nodo::pic
