#include "wallpaper/PaintBmp.h"

#include <gtest/gtest.h>

#include <climits>

using nodo::PaintBmp;
using nodo::pic::Bgra;
using nodo::pic::Bitmap;

namespace {

const Bgra kGround{10, 20, 30, 40};
const Bgra kInk{200, 150, 100, 7};

struct PaintCase {
    int srcBits, dstBits;
    int x, y;      // where the 4 x 3 picture goes on the 10 x 8 target
    int left, top; // the painted rectangle on the target (inclusive-exclusive)
    int right, bottom;
};

class Paint : public testing::TestWithParam<PaintCase> {};

// Every target pixel is either untouched or the picture's colour, opaque, exactly inside the
// rectangle where the two overlap.
TEST_P(Paint, CopiesTheOverlapOpaqueAndLeavesTheRest) {
    const PaintCase& c = GetParam();
    Bitmap picture(4, 3, c.srcBits);
    picture.fill(kInk);
    Bitmap target(10, 8, c.dstBits);
    target.fill(kGround);
    PaintBmp(picture, target, c.x, c.y);
    const Bgra painted{kInk.b, kInk.g, kInk.r, 255};
    const Bgra ground = c.dstBits == 32 ? kGround : Bgra{kGround.b, kGround.g, kGround.r, 255};
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 10; ++x) {
            const bool inside = x >= c.left && x < c.right && y >= c.top && y < c.bottom;
            ASSERT_EQ(target.pixel(x, y), inside ? painted : ground) << x << "," << y;
        }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Paint,
    testing::Values(PaintCase{24, 24, 2, 1, 2, 1, 6, 4},             // wholly inside
                    PaintCase{32, 24, 2, 1, 2, 1, 6, 4},             // the fourth byte is not carried
                    PaintCase{24, 32, 2, 1, 2, 1, 6, 4},             // a 32-bit target is made opaque
                    PaintCase{32, 32, 0, 0, 0, 0, 4, 3},             // at the corner
                    PaintCase{24, 24, -2, -1, 0, 0, 2, 2},           // cut at the top-left
                    PaintCase{24, 32, 8, 6, 8, 6, 10, 8},            // cut at the bottom-right
                    PaintCase{24, 24, 10, 0, 0, 0, 0, 0},            // just right of the target
                    PaintCase{24, 24, 0, -3, 0, 0, 0, 0},            // just above it
                    PaintCase{24, 24, INT_MIN, INT_MAX, 0, 0, 0, 0}, // places that overflow a sum
                    PaintCase{32, 24, INT_MAX, INT_MIN, 0, 0, 0, 0}));

TEST(Paint, EmptyPictureOrTargetPaintsNothing) {
    Bitmap target(5, 5, 24);
    target.fill(kGround);
    const Bitmap before = target;
    PaintBmp(Bitmap(), target, 1, 1);
    EXPECT_EQ(target, before);
    Bitmap none;
    PaintBmp(before, none, 0, 0);
    EXPECT_TRUE(none.empty());
}

} // namespace
