// nodo-cli apply --calendar on the private X server: the month of today, drawn by the calendar
// control, blended onto the background and shown on the root window.
#include "calendar/DateTime.h"
#include "calendar_view/MonthPicture.h"
#include "imaging/PictureFile.h"
#include "support/RunShell.h"
#include "ui/BitmapImage.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

// Last: Xlib's macros would clash with the names above.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace {

namespace fs = std::filesystem;
using nodo::pic::Bitmap;

std::string CliPath() {
    if (const char* dir = std::getenv("NODO_APP_DIR")) return std::string(dir) + "/nodo-cli";
    return NODO_CLI_PATH;
}

int Channel(unsigned long pixel, unsigned long mask) {
    int shift = 0;
    while (mask && !(mask & 1)) {
        mask >>= 1;
        ++shift;
    }
    return static_cast<int>((pixel >> shift) & mask);
}

TEST(CalendarWallpaper, RootWindowShowsTodaysMonth) {
    Display* dpy = XOpenDisplay(nullptr);
    ASSERT_NE(dpy, nullptr) << "no X display";
    const int screen = DefaultScreen(dpy);
    const int sw = DisplayWidth(dpy, screen), sh = DisplayHeight(dpy, screen);
    if (nodo::MonthPictureScale(sh) != 1) GTEST_SKIP() << "this test draws the month at scale 1";

    // A background of the screen's size in one colour: the root window shows it unstretched.
    const fs::path folder = fs::temp_directory_path() / ("nodo-calwall-" + std::to_string(::getpid()));
    fs::remove_all(folder);
    fs::create_directories(folder / "data");
    fs::create_directories(folder / "source" / "DeskTopBG");
    const nodo::pic::Bgra ground{200, 120, 40, 255};
    Bitmap background(sw, sh, 24);
    for (int y = 0; y < sh; ++y)
        for (int x = 0; x < sw; ++x) {
            std::uint8_t* p = background.row(y) + std::ptrdiff_t{3} * x;
            p[0] = ground.b, p[1] = ground.g, p[2] = ground.r;
        }
    nodo::pic::SaveBmpFile(folder / "source" / "DeskTopBG" / "Ground.bmp", background);

    const auto run = nodo::testing::RunShell("'" + CliPath() + "' apply --calendar --app-folder '" +
                                             folder.string() + "' --background Ground.bmp 2>&1");
    ASSERT_EQ(run.status, 0) << run.out;
    EXPECT_NE(run.out.find("content: the month of today"), std::string::npos) << run.out;

    // The content is the control's month of today, drawn the same way here.
    const Bitmap content = nodo::pic::LoadBitmapFile(folder / "source" / "DeskTopBG" / "Content.bmp");
    const Bitmap expected = nodo::FromQImage(nodo::RenderMonthPicture(nodo::calendar::Today()), 24);
    ASSERT_EQ(content.width(), expected.width());
    ASSERT_EQ(content.height(), expected.height());
    long long contentDiff = 0;
    for (int y = 0; y < content.height(); ++y)
        for (int x = 0; x < content.width(); ++x) {
            const auto a = content.pixel(x, y), b = expected.pixel(x, y);
            contentDiff += std::abs(a.r - b.r) + std::abs(a.g - b.g) + std::abs(a.b - b.b);
        }
    EXPECT_LT(static_cast<double>(contentDiff) / (3.0 * content.width() * content.height()), 2.0);

    // The root window holds the content blended half and half at its place (50 pixels from the
    // right edge, 30 from the top), white left out, within the losses of the JPEG pass.
    XImage* image = XGetImage(dpy, RootWindow(dpy, screen), 0, 0, sw, sh, AllPlanes, ZPixmap);
    ASSERT_NE(image, nullptr);
    Visual* v = DefaultVisual(dpy, screen);
    const int x0 = sw - content.width() - 50, y0 = 30;
    long long diff = 0, inked = 0, inkSeen = 0;
    for (int y = 0; y < content.height(); ++y)
        for (int x = 0; x < content.width(); ++x) {
            const auto c = content.pixel(x, y);
            const bool white = c.r == 255 && c.g == 255 && c.b == 255;
            const int want[3] = {white ? ground.r : ground.r + (c.r - ground.r) / 2,
                                 white ? ground.g : ground.g + (c.g - ground.g) / 2,
                                 white ? ground.b : ground.b + (c.b - ground.b) / 2};
            const unsigned long p = XGetPixel(image, x0 + x, y0 + y);
            const int got[3] = {Channel(p, v->red_mask), Channel(p, v->green_mask), Channel(p, v->blue_mask)};
            for (int k = 0; k < 3; ++k)
                diff += std::abs(want[k] - got[k]);
            if (!white && std::abs(c.r - 255) + std::abs(c.g - 255) + std::abs(c.b - 255) > 150) {
                ++inked;
                const int plain =
                    std::abs(got[0] - ground.r) + std::abs(got[1] - ground.g) + std::abs(got[2] - ground.b);
                if (plain > 40) ++inkSeen;
            }
        }
    XDestroyImage(image);
    XCloseDisplay(dpy);
    // JPEG at quality 90 blurs the sharp edges of the text by a few levels on average.
    EXPECT_LT(static_cast<double>(diff) / (3.0 * content.width() * content.height()), 6.0);
    ASSERT_GT(inked, 1000);
    EXPECT_GT(inkSeen, inked * 9 / 10);
    fs::remove_all(folder);
}

} // namespace
