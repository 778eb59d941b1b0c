#include "capture/core/PixelSurface.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

using namespace nodo::capture;

namespace {

struct BandCase {
    const char* name;
    int x1, y1, x2, y2;
    int inverted; // number of pixels changed on a 40 x 30 surface
};

class Band : public ::testing::TestWithParam<BandCase> {};

TEST_P(Band, InvertsTheOutlineOnceAndRestoresWhenDrawnAgain) {
    const int w = 40, h = 30;
    std::vector<uint32_t> pixels(std::size_t(w) * std::size_t(h));
    for (int i = 0; i < w * h; ++i)
        pixels[i] = 0x80000000u | uint32_t(i * 7919);
    const auto original = pixels;
    PixelSurface s{pixels.data(), w, h, std::ptrdiff_t{4} * w};
    const auto& c = GetParam();

    InvertBand(s, c.x1, c.y1, c.x2, c.y2);
    const Rect r = Ordered(c.x1, c.y1, c.x2, c.y2);
    int changed = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const uint32_t before = original[y * w + x], after = pixels[y * w + x];
            const bool onOutline = x >= r.left && x < r.right && y >= r.top && y < r.bottom &&
                                   (x == r.left || x == r.right - 1 || y == r.top || y == r.bottom - 1);
            if (onOutline) {
                EXPECT_EQ(after, before ^ 0x00FFFFFFu) << x << "," << y; // colour inverted, alpha kept
                ++changed;
            } else {
                EXPECT_EQ(after, before) << x << "," << y;
            }
        }
    EXPECT_EQ(changed, c.inverted);

    InvertBand(s, c.x2, c.y2, c.x1, c.y1); // the same band, corners given the other way round
    EXPECT_EQ(pixels, original);
}

INSTANTIATE_TEST_SUITE_P(
    Capture, Band,
    ::testing::Values(BandCase{"plain", 5, 4, 15, 10, 2 * 10 + 2 * 4},
                      BandCase{"dragUpLeft", 15, 10, 5, 4, 28}, BandCase{"empty", 7, 7, 7, 7, 0},
                      BandCase{"zeroWidth", 7, 3, 7, 20, 0}, BandCase{"zeroHeight", 3, 7, 20, 7, 0},
                      BandCase{"onePixel", 7, 7, 8, 8, 1}, BandCase{"oneColumn", 7, 3, 8, 9, 6},
                      BandCase{"oneRow", 3, 7, 9, 8, 6}, BandCase{"twoByTwo", 3, 3, 5, 5, 4},
                      BandCase{"whole", 0, 0, 40, 30, 2 * 40 + 2 * 28},
                      BandCase{"clippedRightBottom", 30, 20, 50, 40, 10 + 10 - 1},
                      BandCase{"clippedLeftTop", -5, -5, 10, 10, 10 + 10 - 1},
                      BandCase{"offSurface", 50, 50, 60, 60, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Band, StripsNeverOverlap) {
    for (const auto& [w, h] :
         std::vector<std::pair<int, int>>{{1, 1}, {1, 5}, {5, 1}, {2, 2}, {2, 3}, {9, 4}}) {
        std::set<std::pair<int, int>> seen;
        for (const Rect& s : BandStrips(10, 10, 10 + w, 10 + h, 100, 100))
            for (int y = s.top; y < s.bottom; ++y)
                for (int x = s.left; x < s.right; ++x)
                    EXPECT_TRUE(seen.insert({x, y}).second) << w << "x" << h;
    }
}

} // namespace
