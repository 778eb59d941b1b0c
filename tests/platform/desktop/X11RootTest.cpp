// The bare X11 path for real, on the display the test runner provides: the root window's background
// is read back from the screen.
// gtest before Xlib: Xlib's macros (None, Bool) clash with gtest's names.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "imaging/PictureFile.h"
#include "platform/desktop/DesktopWallpaper.h"
#include "platform/desktop/X11Root.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdlib>

namespace nodo::desktop::test {
namespace {

struct Rgb {
    int r, g, b;
    friend bool operator==(const Rgb&, const Rgb&) = default;
    friend std::ostream& operator<<(std::ostream& o, const Rgb& c) {
        return o << "rgb(" << c.r << "," << c.g << "," << c.b << ")";
    }
};

int channel(unsigned long pixel, unsigned long mask) {
    if (!mask) return 0;
    const int shift = __builtin_ctzl(mask), bits = __builtin_popcountl(mask);
    const unsigned long v = (pixel & mask) >> shift;
    return bits >= 8 ? int(v >> (bits - 8)) : int(v << (8 - bits));
}

int g_lastError = 0;
int recordError(Display*, XErrorEvent* e) {
    g_lastError = e->error_code;
    return 0;
}

class X11Root : public ::testing::Test {
protected:
    Display* dpy = nullptr;
    TempDir dir;

    void SetUp() override {
        const char* name = std::getenv("DISPLAY");
        ASSERT_TRUE(name && *name) << "this test needs an X display (scripts/run-tests starts Xvfb)";
        dpy = XOpenDisplay(name);
        ASSERT_NE(dpy, nullptr) << "cannot open " << name;
    }
    void TearDown() override {
        if (dpy) XCloseDisplay(dpy);
    }

    Window root() const { return DefaultRootWindow(dpy); }
    int width() const { return DisplayWidth(dpy, DefaultScreen(dpy)); }
    int height() const { return DisplayHeight(dpy, DefaultScreen(dpy)); }

    Pixmap property(const char* name) {
        Atom type;
        int format;
        unsigned long count, after;
        unsigned char* data = nullptr;
        Pixmap p = None;
        if (XGetWindowProperty(dpy, root(), XInternAtom(dpy, name, False), 0, 1, False, XA_PIXMAP, &type,
                               &format, &count, &after, &data) == Success &&
            data && count == 1)
            p = *reinterpret_cast<Pixmap*>(data);
        if (data) XFree(data);
        return p;
    }

    Rgb pixelOf(Drawable d, int x, int y) {
        XImage* image = XGetImage(dpy, d, x, y, 1, 1, AllPlanes, ZPixmap);
        if (!image) return {-1, -1, -1};
        const unsigned long p = XGetPixel(image, 0, 0);
        Visual* v = DefaultVisual(dpy, DefaultScreen(dpy));
        const Rgb c{channel(p, v->red_mask), channel(p, v->green_mask), channel(p, v->blue_mask)};
        XDestroyImage(image);
        return c;
    }

    // Other tests may show windows on the same display: only look where none is mapped.
    bool covered(int x, int y) {
        Window r, parent, *children = nullptr;
        unsigned n = 0;
        if (!XQueryTree(dpy, root(), &r, &parent, &children, &n)) return false;
        bool hit = false;
        for (unsigned i = 0; i < n && !hit; ++i) {
            XWindowAttributes a;
            if (XGetWindowAttributes(dpy, children[i], &a) && a.map_state == IsViewable)
                hit = x >= a.x && y >= a.y && x < a.x + a.width + 2 * a.border_width &&
                      y < a.y + a.height + 2 * a.border_width;
        }
        if (children) XFree(children);
        return hit;
    }

    std::unique_ptr<DesktopWallpaper> make() {
        DesktopWallpaperOptions o;
        o.keyFile = dir / "desktop.ini";
        o.cacheFolder = dir / "cache";
        o.environment = EnvOf({{"DISPLAY", std::getenv("DISPLAY")}});
        o.sessionProcesses = [] { return std::vector<std::string>{}; };
        return std::make_unique<DesktopWallpaper>(std::move(o), std::make_unique<RecordingRunner>());
    }

    // Quarter centres and points near the corners, in screen coordinates, with the colour expected.
    std::vector<std::pair<std::pair<int, int>, Rgb>> samples() const {
        const int w = width(), h = height();
        const Rgb red{255, 0, 0}, green{0, 255, 0}, blue{0, 0, 255}, white{255, 255, 255};
        return {{{w / 4, h / 4}, red},
                {{3 * w / 4, h / 4}, green},
                {{w / 4, 3 * h / 4}, blue},
                {{3 * w / 4, 3 * h / 4}, white},
                {{2, 2}, red},
                {{w - 3, 2}, green},
                {{2, h - 3}, blue},
                {{w - 3, h - 3}, white},
                {{w / 2 - 20, h / 2 - 20}, red},
                {{w / 2 + 20, h / 2 + 20}, white}};
    }
};

TEST_F(X11Root, RootShowsThePictureStretchedAndFreesTheLastOne) {
    const auto file = dir / "Mix.bmp";
    pic::SaveBmpFile(file, Quarters(64, 48, 32), 32); // 32 bits, fourth byte 0: still opaque
    auto wallpaper = make();
    std::string error;
    ASSERT_TRUE(wallpaper->apply((dir / "MIX.BMP").string(), error)) << error;
    EXPECT_EQ(wallpaper->lastDesktop(), Desktop::X11Root);
    EXPECT_TRUE(wallpaper->cache().copies().empty()); // the root needs no file

    XSync(dpy, False);
    const Pixmap pm = property("_XROOTPMAP_ID");
    ASSERT_NE(pm, Pixmap(None));
    EXPECT_EQ(property("ESETROOT_PMAP_ID"), pm);
    Window r;
    int x, y;
    unsigned w, h, border, depth;
    ASSERT_TRUE(XGetGeometry(dpy, pm, &r, &x, &y, &w, &h, &border, &depth));
    EXPECT_EQ(int(w), width());
    EXPECT_EQ(int(h), height());

    int seen = 0;
    for (const auto& [point, colour] : samples()) {
        EXPECT_EQ(pixelOf(pm, point.first, point.second), colour) << point.first << "," << point.second;
        if (covered(point.first, point.second)) continue;
        EXPECT_EQ(pixelOf(root(), point.first, point.second), colour)
            << "screen " << point.first << "," << point.second;
        ++seen;
    }
    EXPECT_GT(seen, 0) << "every sample point was covered by a window";

    // One test, not two: test processes run side by side and would swap each other's pictures.
    // The next picture frees the previous pixmap.
    const Pixmap first = pm;

    pic::Bitmap grey(10, 10, 24);
    grey.fill({90, 90, 90, 255});
    ASSERT_TRUE(SetRootWallpaper(nullptr, grey, error)) << error;
    XSync(dpy, False);
    const Pixmap second = property("_XROOTPMAP_ID");
    EXPECT_NE(second, first);
    EXPECT_EQ(property("ESETROOT_PMAP_ID"), second);
    EXPECT_EQ(pixelOf(second, width() / 2, height() / 2), (Rgb{90, 90, 90}));

    // The first pixmap is gone from the server.
    g_lastError = 0;
    XErrorHandler old = XSetErrorHandler(recordError);
    XGetGeometry(dpy, first, &r, &x, &y, &w, &h, &border, &depth);
    XSync(dpy, False);
    XSetErrorHandler(old);
    EXPECT_EQ(g_lastError, BadDrawable);
}

// A 24-bit picture of the screen's own size goes to the server without a stretch, pixel for pixel.
TEST_F(X11Root, AScreenSizedPictureIsShownAsItIs) {
    const auto file = dir / "Mix.bmp";
    pic::SaveBmpFile(file, Quarters(width(), height(), 24), 24);
    auto wallpaper = make();
    std::string error;
    ASSERT_TRUE(wallpaper->apply(file.string(), error)) << error;
    XSync(dpy, False);
    const Pixmap pm = property("_XROOTPMAP_ID");
    ASSERT_NE(pm, Pixmap(None));
    for (const auto& [point, colour] : samples())
        EXPECT_EQ(pixelOf(pm, point.first, point.second), colour) << point.first << "," << point.second;
}

// The apply sends the pixels while it still writes its files: nothing shows before the apply
// itself, a picture dropped or an apply that fails leaves the screen as it was.
TEST_F(X11Root, APreparedPictureShowsOnlyWhenApplied) {
    const auto file = dir / "Mix.bmp";
    const pic::Bitmap picture = Quarters(width(), height(), 24);
    pic::SaveBmpFile(file, picture, 24);
    pic::Bitmap grey(16, 16, 24);
    grey.fill({90, 90, 90, 255});
    std::string error;
    ASSERT_TRUE(SetRootWallpaper(nullptr, grey, error)) << error;
    XSync(dpy, False);
    const Pixmap shown = property("_XROOTPMAP_ID");
    const auto unchanged = [&](const char* when) {
        XSync(dpy, False);
        EXPECT_EQ(property("_XROOTPMAP_ID"), shown) << when;
        EXPECT_EQ(pixelOf(shown, width() / 4, height() / 4), (Rgb{90, 90, 90})) << when;
    };

    auto wallpaper = make();
    wallpaper->prepare(picture);
    wallpaper->forget();
    unchanged("after a prepared picture was dropped");

    wallpaper->prepare(picture);
    EXPECT_FALSE(wallpaper->applyPicture((dir / "gone.bmp").string(), picture, error));
    unchanged("after an apply of a missing file");

    wallpaper->prepare(picture);
    ASSERT_TRUE(wallpaper->applyPicture(file.string(), picture, error)) << error;
    EXPECT_EQ(wallpaper->lastDesktop(), Desktop::X11Root);
    XSync(dpy, False);
    const Pixmap pm = property("_XROOTPMAP_ID");
    ASSERT_NE(pm, shown);
    for (const auto& [point, colour] : samples())
        EXPECT_EQ(pixelOf(pm, point.first, point.second), colour) << point.first << "," << point.second;
}

// Every pixel of a row reaches the server as it is, the row's last ones too.
TEST_F(X11Root, EveryPixelOfARowArrives) {
    const pic::Bitmap picture = pic::test::Gradient(width(), height(), 24);
    std::string error;
    ASSERT_TRUE(SetRootWallpaper(nullptr, picture, error)) << error;
    XSync(dpy, False);
    const Pixmap pm = property("_XROOTPMAP_ID");
    ASSERT_NE(pm, Pixmap(None));
    Visual* v = DefaultVisual(dpy, DefaultScreen(dpy));
    for (const int y : {0, height() / 2, height() - 1}) {
        XImage* row = XGetImage(dpy, pm, 0, y, width(), 1, AllPlanes, ZPixmap);
        ASSERT_NE(row, nullptr);
        int wrong = 0;
        for (int x = 0; x < width(); ++x) {
            const unsigned long p = XGetPixel(row, x, 0);
            const std::uint8_t* want = picture.row(y) + 3 * std::size_t(x);
            const Rgb got{channel(p, v->red_mask), channel(p, v->green_mask), channel(p, v->blue_mask)};
            if (got != (Rgb{want[2], want[1], want[0]}) && wrong++ < 3)
                ADD_FAILURE() << "pixel " << x << "," << y << " is " << got;
        }
        XDestroyImage(row);
        EXPECT_EQ(wrong, 0) << "row " << y;
    }
}

TEST_F(X11Root, FailuresAreReportedNotFatal) {
    std::string error;
    EXPECT_FALSE(SetRootWallpaper("nodo-no-such-host:91", Quarters(4, 4), error));
    EXPECT_NE(error.find("cannot open the X display"), std::string::npos) << error;
    EXPECT_FALSE(SetRootWallpaper(nullptr, pic::Bitmap(), error));
    EXPECT_NE(error.find("empty"), std::string::npos) << error;
}

} // namespace
} // namespace nodo::desktop::test

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
