#include "ComposerFolder.h"

#include "wallpaper/MixPic.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

using nodo::MixArea;
using nodo::MixPic;
using nodo::MixPlacement;
using nodo::pic::Bgra;
using nodo::pic::Bitmap;
using nodo::testing::SolidBitmap;

namespace {

struct PlacementCase {
    int cw, ch, bw, bh;
    int x0, y0, w, h;
};

class Placement : public testing::TestWithParam<PlacementCase> {};

TEST_P(Placement, AnchorsTopRightAndCrops) {
    const auto& c = GetParam();
    const MixArea a = MixPlacement(c.cw, c.ch, c.bw, c.bh);
    EXPECT_EQ(a.x0, c.x0);
    EXPECT_EQ(a.y0, c.y0);
    EXPECT_EQ(a.w, c.w);
    EXPECT_EQ(a.h, c.h);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Placement,
    testing::Values(PlacementCase{300, 200, 1024, 768, 674, 30, 300, 200}, // columns 674..973, rows 30..229
                    PlacementCase{1200, 800, 1024, 768, 0, 30, 974, 738},  // right 226, bottom 62 dropped
                    PlacementCase{974, 738, 1024, 768, 0, 30, 974, 738},   // exactly at both limits
                    PlacementCase{973, 737, 1024, 768, 1, 30, 973, 737},   // one pixel inside
                    PlacementCase{0, 0, 1024, 768, 974, 30, 0, 0},         // empty content
                    PlacementCase{100, 100, 40, 20, 0, 30, -10, -10}));    // background too small

TEST(MixPic, ChangesExactlyTheCoveredRectangle) {
    Bitmap content = SolidBitmap(300, 200, 24, {10, 20, 30, 0});
    Bitmap bg = SolidBitmap(1024, 768, 24, {100, 100, 100, 0});
    Bitmap& out = MixPic(content, bg, 50);
    ASSERT_EQ(&out, &bg);
    ASSERT_EQ(bg.bitsPerPixel(), 32);
    const Bgra mixed{55, 60, 65, 0};
    const Bgra plain{100, 100, 100, 0};
    for (int y : {0, 29, 30, 229, 230, 767})
        for (int x : {0, 673, 674, 973, 974, 1023}) {
            const bool inside = x >= 674 && x <= 973 && y >= 30 && y <= 229;
            EXPECT_EQ(bg.pixel(x, y), inside ? mixed : plain) << x << "," << y;
        }
}

TEST(MixPic, OversizedContentIsCroppedRightAndBottom) {
    Bitmap content(1200, 800, 24);
    for (int y = 0; y < 800; ++y)
        for (int x = 0; x < 1200; ++x)
            content.setPixel(x, y, {static_cast<uint8_t>(x % 200), static_cast<uint8_t>(y % 200), 0, 0});
    Bitmap bg = SolidBitmap(1024, 768, 24, {0, 0, 0, 0});
    MixPic(content, bg, 50);
    // Content (c, r) lands on (c, r + 30); only the left 974 columns and top 738 rows are used.
    EXPECT_EQ(bg.pixel(0, 30), (Bgra{0, 0, 0, 0}));
    EXPECT_EQ(bg.pixel(973, 767),
              (Bgra{static_cast<uint8_t>(973 % 200 / 2), static_cast<uint8_t>(737 % 200 / 2), 0, 0}));
    EXPECT_EQ(bg.pixel(150, 100), (Bgra{75, 35, 0, 0}));
    EXPECT_EQ(bg.pixel(1000, 400), (Bgra{0, 0, 0, 0})); // right of the blend
    EXPECT_EQ(bg.pixel(500, 29), (Bgra{0, 0, 0, 0}));   // above it
}

struct PixelCase {
    Bgra content, background, expected;
};

class PixelMix : public testing::TestWithParam<PixelCase> {};

TEST_P(PixelMix, FiftyPercent) {
    const auto& c = GetParam();
    Bitmap content = SolidBitmap(1, 1, 32, c.content);
    Bitmap bg = SolidBitmap(51, 31, 32, c.background);
    MixPic(content, bg, 50);
    EXPECT_EQ(bg.pixel(0, 30), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PixelMix,
    testing::Values(
        PixelCase{{200, 200, 200, 200}, {100, 100, 100, 100}, {150, 150, 150, 150}},
        PixelCase{{100, 100, 100, 100}, {201, 201, 201, 201}, {151, 151, 151, 151}}, // toward b
        PixelCase{{255, 255, 255, 0}, {1, 2, 3, 4}, {1, 2, 3, 4}},                   // white is transparent
        PixelCase{{255, 255, 255, 77}, {1, 2, 3, 4}, {1, 2, 3, 4}},                  // whatever the 4th byte
        PixelCase{{254, 255, 255, 0}, {0, 0, 0, 0}, {127, 127, 127, 0}},             // near white mixes
        PixelCase{{255, 254, 255, 0}, {10, 10, 10, 10}, {132, 132, 132, 5}},
        PixelCase{{255, 255, 254, 9}, {255, 255, 255, 255}, {255, 255, 255, 132}}, // -0.5 truncates to 0
        PixelCase{{0, 0, 0, 0}, {255, 255, 255, 255}, {128, 128, 128, 128}}));

TEST(MixPic, TwentyFourBitPicturesGetAFourthByteOfZero) {
    Bitmap content = SolidBitmap(1, 1, 24, {0, 0, 0, 255});
    Bitmap bg = SolidBitmap(51, 31, 24, {100, 100, 100, 255});
    MixPic(content, bg, 50);
    ASSERT_EQ(content.bitsPerPixel(), 32);
    EXPECT_EQ(content.row(0)[3], 0);
    EXPECT_EQ(bg.row(0)[3], 0);
    EXPECT_EQ(bg.pixel(0, 30), (Bgra{50, 50, 50, 0}));
}

TEST(ToMix32, KeepsEveryPixelAndZeroesTheFourthByte) {
    std::mt19937 rng(7);
    for (int width : {1, 2, 5, 6, 7, 9, 10, 33, 301}) {
        Bitmap src(width, 3, 24);
        for (int y = 0; y < 3; ++y)
            for (std::size_t i = 0; i < src.stride(); ++i)
                src.row(y)[i] = static_cast<uint8_t>(rng());
        const Bitmap out = nodo::ToMix32(src);
        ASSERT_EQ(out.bitsPerPixel(), 32);
        ASSERT_EQ(out.width(), width);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < width; ++x) {
                const uint8_t* s = src.row(y) + std::ptrdiff_t{3} * x;
                const uint8_t* d = out.row(y) + std::ptrdiff_t{4} * x;
                ASSERT_TRUE(d[0] == s[0] && d[1] == s[1] && d[2] == s[2] && d[3] == 0)
                    << width << ":" << x << "," << y;
            }
    }
}

TEST(MixPic, EmptyContentOrTinyBackgroundChangesNothing) {
    Bitmap empty;
    Bitmap bg = SolidBitmap(64, 48, 24, {9, 8, 7, 0});
    const Bitmap before = nodo::ToMix32(bg);
    MixPic(empty, bg, 50);
    EXPECT_EQ(bg, before);

    Bitmap content = SolidBitmap(10, 10, 24, {0, 0, 0, 0});
    Bitmap small = SolidBitmap(50, 30, 24, {9, 8, 7, 0});
    const Bitmap smallBefore = nodo::ToMix32(small);
    MixPic(content, small, 50);
    EXPECT_EQ(small, smallBefore);
}

TEST(MixRow, EveryLoopTruncatesTowardZeroForEveryPair) {
    // Every (a, b) pair at several percentages, through each loop (rows of 256 pixels).
    for (const auto& loop : nodo::MixRowLoops())
        for (int percent : {0, 1, 33, 49, 50, 51, 67, 99, 100, 128}) {
            for (int bv = 0; bv < 256; ++bv) {
                std::vector<uint8_t> a(std::size_t{256} * 4), b(std::size_t{256} * 4), ref;
                for (int av = 0; av < 256; ++av) {
                    for (int k = 0; k < 4; ++k)
                        a[4 * av + k] = static_cast<uint8_t>(av);
                    a[std::size_t(av) * 4] = static_cast<uint8_t>(av == 255 ? 254 : av); // never pure white
                    for (int k = 0; k < 4; ++k)
                        b[4 * av + k] = static_cast<uint8_t>(bv);
                }
                ref = b;
                loop.fn(a.data(), b.data(), 256, percent);
                for (int av = 0; av < 256; ++av)
                    for (int k = 0; k < 4; ++k) {
                        const int src = a[4 * av + k];
                        long long want = bv + (static_cast<long long>(src) - bv) * percent / 100;
                        want = std::clamp(want, 0LL, 255LL);
                        ASSERT_EQ(b[4 * av + k], want)
                            << loop.name << " a=" << src << " b=" << bv << " p=" << percent;
                    }
            }
        }
}

TEST(MixRow, EveryLoopMatchesScalarOnRandomRows) {
    std::mt19937 rng(12345);
    std::uniform_int_distribution<int> byte(0, 255), coin(0, 3);
    const auto loops = nodo::MixRowLoops();
    EXPECT_TRUE(std::any_of(loops.begin(), loops.end(),
                            [](const auto& l) { return std::string(l.name) == nodo::MixRowKind(); }));
    for (const auto& loop : loops)
        for (int percent : {-150, -1, 0, 7, 50, 100, 101, 128, 129, 300}) {
            for (int width : {1, 3, 4, 7, 8, 9, 15, 16, 17, 31, 33, 100, 1001}) {
                std::vector<uint8_t> a(std::size_t{4} * width), b(std::size_t{4} * width);
                for (int x = 0; x < width; ++x) {
                    for (int k = 0; k < 4; ++k) {
                        a[4 * x + k] = static_cast<uint8_t>(byte(rng));
                        b[4 * x + k] = static_cast<uint8_t>(byte(rng));
                    }
                    if (coin(rng) == 0) a[std::size_t(x) * 4] = a[4 * x + 1] = a[4 * x + 2] = 255; // white
                    if (coin(rng) == 0) a[std::size_t(x) * 4] = a[4 * x + 1] = 255; // near white
                }
                std::vector<uint8_t> vec = b, ref = b;
                loop.fn(a.data(), vec.data(), width, percent);
                nodo::MixRowScalar(a.data(), ref.data(), width, percent);
                ASSERT_EQ(vec, ref) << loop.name << " width " << width << " percent " << percent;
            }
        }
}

TEST(MixRow, UnalignedRowsAndTailsLeaveNeighboursAlone) {
    // A row starting at an odd offset of a larger buffer: bytes before and after stay untouched.
    for (const auto& loop : nodo::MixRowLoops())
        for (int percent : {50, 30}) {
            std::vector<uint8_t> a(4 * 21 + 3, 0), b(4 * 23 + 8, 77);
            loop.fn(a.data() + 3, b.data() + 5, 21, percent);
            for (int i = 0; i < 5; ++i)
                EXPECT_EQ(b[i], 77) << loop.name;
            for (std::size_t i = 5 + 4 * 21; i < b.size(); ++i)
                EXPECT_EQ(b[i], 77) << loop.name;
            EXPECT_EQ(b[5], percent == 50 ? 39 : 54) << loop.name;
            EXPECT_EQ(b[4 + 4 * 21], percent == 50 ? 39 : 54) << loop.name;
        }
}

} // namespace
