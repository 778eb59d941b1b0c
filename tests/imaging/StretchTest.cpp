#include "imaging/Stretch.h"
#include "imaging/TestPictures.h"

#include <gtest/gtest.h>

namespace nodo::pic::test {
namespace {

struct StretchCase {
    int srcW, srcH, bpp, dstW, dstH;
};

class StretchTest : public ::testing::TestWithParam<StretchCase> {};

// Far from the seams every quarter keeps its exact colour, whatever the scale.
TEST_P(StretchTest, QuartersStayInPlace) {
    const auto& c = GetParam();
    const pic::Bitmap out = StretchBitmap(Quarters(c.srcW, c.srcH, c.bpp), c.dstW, c.dstH);
    ASSERT_EQ(out.width(), c.dstW);
    ASSERT_EQ(out.height(), c.dstH);
    EXPECT_EQ(out.bitsPerPixel(), 24);
    const int qx = c.dstW / 4, qy = c.dstH / 4;
    EXPECT_EQ(out.pixel(qx, qy), (pic::Bgra{0, 0, 255, 255}));
    EXPECT_EQ(out.pixel(3 * qx, qy), (pic::Bgra{0, 255, 0, 255}));
    EXPECT_EQ(out.pixel(qx, 3 * qy), (pic::Bgra{255, 0, 0, 255}));
    EXPECT_EQ(out.pixel(3 * qx, 3 * qy), (pic::Bgra{255, 255, 255, 255}));
    // Corners too: the edges are clamped, not darkened.
    EXPECT_EQ(out.pixel(0, 0), (pic::Bgra{0, 0, 255, 255}));
    EXPECT_EQ(out.pixel(c.dstW - 1, c.dstH - 1), (pic::Bgra{255, 255, 255, 255}));
}

INSTANTIATE_TEST_SUITE_P(Table, StretchTest,
                         ::testing::Values(StretchCase{40, 30, 24, 40, 30},       // same size
                                           StretchCase{40, 30, 32, 40, 30},       // 32 bits in
                                           StretchCase{40, 30, 24, 1920, 1080},   // up, other aspect
                                           StretchCase{1920, 1080, 24, 640, 360}, // down by 3
                                           StretchCase{4000, 400, 32, 800, 600}, // down one way, up the other
                                           StretchCase{8, 6, 24, 300, 200}));

TEST(Stretch, ShrinkingAveragesFineDetail) {
    // One-pixel black and white stripes shrunk eight times give an even grey, not stripes.
    pic::Bitmap stripes(800, 8, 24);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 800; ++x)
            stripes.setPixel(x, y, x % 2 ? pic::Bgra{255, 255, 255, 255} : pic::Bgra{0, 0, 0, 255});
    const pic::Bitmap out = StretchBitmap(stripes, 100, 1);
    for (int x = 2; x < 98; ++x) {
        EXPECT_NEAR(out.pixel(x, 0).g, 128, 3) << x;
    }
}

TEST(Stretch, EmptyInOrOut) {
    EXPECT_TRUE(StretchBitmap(pic::Bitmap(), 10, 10).empty());
    EXPECT_TRUE(StretchBitmap(Quarters(4, 4), 0, 10).empty());
}

} // namespace
} // namespace nodo::pic::test
