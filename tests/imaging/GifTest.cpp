#include "TestPictures.h"
#include "imaging/Codecs.h"

#include <gtest/gtest.h>

namespace nodo::pic {
namespace {

using test::ByteVec;
using test::GifFrame;

const std::vector<std::uint32_t> kPalette = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF,
                                             0xFFFF00, 0x00FFFF, 0xFF00FF, 0x808080};

Bgra colourOf(std::uint32_t rgb) {
    return {static_cast<std::uint8_t>(rgb), static_cast<std::uint8_t>(rgb >> 8),
            static_cast<std::uint8_t>(rgb >> 16), 255};
}

ByteVec indices(int w, int h, int salt) {
    ByteVec v;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            v.push_back(static_cast<std::uint8_t>((x + 2 * y + salt) % 8));
    return v;
}

struct GifCase {
    const char* name;
    int screenW, screenH;
    std::vector<GifFrame> frames;
    int outBpp;
};

std::vector<GifCase> cases() {
    return {
        {"FullScreenFrame", 10, 7, {{0, 0, 10, 7, false, -1, {}, indices(10, 7, 0)}}, 24},
        {"Interlaced", 10, 19, {{0, 0, 10, 19, true, -1, {}, indices(10, 19, 1)}}, 24},
        {"TransparentIndex", 10, 7, {{0, 0, 10, 7, false, 3, {}, indices(10, 7, 2)}}, 32},
        {"LocalPalette",
         6,
         4,
         {{0, 0, 6, 4, false, -1, {0x010203, 0x040506, 0x070809, 0x0A0B0C}, indices(6, 4, 0)}},
         24},
        // Animated: the first frame sits inside a larger logical screen; later frames are ignored.
        {"AnimatedFirstFrameOnLargerScreen",
         20,
         15,
         {{3, 4, 8, 6, false, -1, {}, indices(8, 6, 5)}, {0, 0, 20, 15, false, -1, {}, indices(20, 15, 6)}},
         32},
        {"InterlacedOffsetTransparent", 12, 12, {{2, 1, 9, 10, true, 0, {}, indices(9, 10, 3)}}, 32},
    };
}

class GifDecode : public testing::TestWithParam<GifCase> {};

TEST_P(GifDecode, FirstFrameOnTheLogicalScreen) {
    const GifCase& c = GetParam();
    const Bitmap b = DecodeGif(test::MakeGif(c.screenW, c.screenH, kPalette, c.frames));
    ASSERT_EQ(b.width(), c.screenW);
    ASSERT_EQ(b.height(), c.screenH);
    ASSERT_EQ(b.bitsPerPixel(), c.outBpp);
    const GifFrame& f = c.frames.front();
    const auto& palette = f.localPalette.empty() ? kPalette : f.localPalette;
    for (int y = 0; y < c.screenH; ++y)
        for (int x = 0; x < c.screenW; ++x) {
            const bool inside = x >= f.left && x < f.left + f.width && y >= f.top && y < f.top + f.height;
            Bgra want{0, 0, 0, 0};
            if (inside) {
                const int index = f.indices[static_cast<std::size_t>(y - f.top) * f.width + (x - f.left)];
                if (index != f.transparentIndex) want = colourOf(palette[index]);
            }
            ASSERT_EQ(b.pixel(x, y), want) << x << "," << y;
        }
}

INSTANTIATE_TEST_SUITE_P(Frames, GifDecode, testing::ValuesIn(cases()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(GifRoundTrip, FewColoursExactlyManyColoursClosely) {
    Bitmap few(30, 20, 24);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 30; ++x)
            few.setPixel(x, y, colourOf(kPalette[(x * y) % 8] ^ 0x010203));
    EXPECT_EQ(DecodeGif(EncodeGif(few)), few);

    const Bitmap many = test::Gradient(64, 64, 24);
    const Bitmap back = DecodeGif(EncodeGif(many));
    ASSERT_EQ(back.bitsPerPixel(), 24);
    EXPECT_LT(test::MeanAbsDiff(back, many), 30.0);
}

TEST(GifRoundTrip, TransparencyFromAlpha) {
    Bitmap b(4, 2, 32);
    b.fill({10, 20, 30, 255});
    b.setPixel(1, 1, {99, 99, 99, 20});
    const Bitmap back = DecodeGif(EncodeGif(b));
    ASSERT_EQ(back.bitsPerPixel(), 32);
    EXPECT_EQ(back.pixel(0, 0), (Bgra{10, 20, 30, 255}));
    EXPECT_EQ(back.pixel(1, 1).a, 0);
}

struct GifError {
    const char* name;
    ByteVec file;
    PictureErrorKind kind;
};

std::vector<GifError> errorCases() {
    const ByteVec good = test::MakeGif(40, 40, kPalette, {{0, 0, 40, 40, false, -1, {}, indices(40, 40, 0)}});
    ByteVec hugeScreen = good;
    hugeScreen[6] = hugeScreen[7] = hugeScreen[8] = hugeScreen[9] = 0xFF; // 65535 x 65535
    const ByteVec noFrame = test::MakeGif(10, 10, kPalette, {});
    // A frame descriptor that claims 60000 x 60000... inside a 40 x 40 file.
    ByteVec lyingFrame = good;
    for (std::size_t i = 13 + 24; i + 9 < lyingFrame.size(); ++i)
        if (lyingFrame[i] == 0x2C) {
            lyingFrame[i + 5] = 0x60;
            lyingFrame[i + 6] = 0x1A; // width 6752
            lyingFrame[i + 7] = 0x60;
            lyingFrame[i + 8] = 0x1A; // height 6752
            break;
        }
    return {{"Truncated", ByteVec(good.begin(), good.begin() + static_cast<long>(good.size() / 2)),
             PictureErrorKind::Truncated},
            {"HeaderOnly", ByteVec(good.begin(), good.begin() + 13), PictureErrorKind::Truncated},
            {"ScreenOverHundredMegapixels", hugeScreen, PictureErrorKind::TooLarge},
            {"NoFrame", noFrame, PictureErrorKind::Corrupt},
            {"LyingFrameSize", lyingFrame, PictureErrorKind::Truncated}};
}

class GifErrors : public testing::TestWithParam<GifError> {};

TEST_P(GifErrors, AreRefusedWithTheirKind) {
    try {
        DecodeGif(GetParam().file);
        FAIL() << "decoded a bad file";
    } catch (const PictureError& e) {
        EXPECT_EQ(e.kind(), GetParam().kind) << e.what();
    }
}

INSTANTIATE_TEST_SUITE_P(Bad, GifErrors, testing::ValuesIn(errorCases()),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace nodo::pic
