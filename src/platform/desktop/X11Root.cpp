#include "platform/desktop/X11Root.h"

#include "imaging/Stretch.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

#include <bit>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace nodo::desktop {

namespace {

// Xlib reports protocol errors through one process-wide handler; while we talk to the server it
// records them instead of printing and exiting.
struct ErrorTrap {
    static inline int firstError = 0;
    static inline int firstRequest = 0;
    XErrorHandler previous;

    ErrorTrap() : previous(XSetErrorHandler(&ErrorTrap::handler)) { firstError = 0; }
    ~ErrorTrap() { XSetErrorHandler(previous); }

    static int handler(Display*, XErrorEvent* e) {
        // Freeing a pixmap whose owner is already gone is expected.
        if (e->request_code == 113 /* X_KillClient */ && e->error_code == BadValue) return 0;
        if (!firstError) {
            firstError = e->error_code;
            firstRequest = e->request_code;
        }
        return 0;
    }
    static std::string describe(Display* dpy) {
        char text[256] = {};
        XGetErrorText(dpy, firstError, text, sizeof text);
        return std::string("the X server refused request ") + std::to_string(firstRequest) + ": " + text;
    }
};

struct DisplayCloser {
    void operator()(Display* d) const { XCloseDisplay(d); }
};

struct Channel {
    int shift = 0, bits = 0;
    explicit Channel(unsigned long mask) {
        if (mask == 0) return;
        shift = std::countr_zero(mask);
        bits = std::popcount(mask);
    }
    unsigned long put(std::uint8_t v) const {
        const unsigned long value =
            bits >= 8 ? (unsigned long)v << (bits - 8) : (unsigned long)v >> (8 - bits);
        return value << shift;
    }
};

// A row of 24-bit BGR pixels as 32-bit ones, each its three bytes and a zero, from pixel x on.
void CopyRowTailAsBgr0(const std::uint8_t* s, std::uint8_t* d, int x, int w) {
    // Each pixel but the row's last is read as four bytes (its own and the next one's first), so
    // the copy is one load, one mask and one store; the last is copied byte by byte, as reading
    // past it could leave the picture's memory.
    s += 3 * std::size_t(x);
    d += 4 * std::size_t(x);
    for (; x + 1 < w; ++x, s += 3, d += 4) {
        std::uint32_t v;
        std::memcpy(&v, s, 4);
        v = std::endian::native == std::endian::little ? v & 0x00ffffffu : v & 0xffffff00u;
        std::memcpy(d, &v, 4);
    }
    if (x < w) d[0] = s[0], d[1] = s[1], d[2] = s[2], d[3] = 0;
}

#if defined(__x86_64__) || defined(__i386__)
// Four pixels a step: sixteen bytes read (the last four of them the next pixels', so a step stops
// short of the row's end), shuffled into place with zeros.
__attribute__((target("ssse3"))) void CopyRowAsBgr0Ssse3(const std::uint8_t* s, std::uint8_t* d, int w) {
    const __m128i spread = _mm_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
    int x = 0;
    for (; x + 6 <= w; x += 4) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 3 * std::size_t(x)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + 4 * std::size_t(x)), _mm_shuffle_epi8(v, spread));
    }
    CopyRowTailAsBgr0(s, d, x, w);
}
#endif

void CopyRowAsBgr0(const std::uint8_t* s, std::uint8_t* d, int w) {
#if defined(__x86_64__) || defined(__i386__)
    static const bool ssse3 = __builtin_cpu_supports("ssse3");
    if (ssse3) return CopyRowAsBgr0Ssse3(s, d, w);
#endif
    CopyRowTailAsBgr0(s, d, 0, w);
}

// Fills a ZPixmap image of the visual's pixel layout from 24-bit BGR rows.
void fillImage(XImage* image, const Visual* visual, const pic::Bitmap& bgr) {
    const Channel red(visual->red_mask), green(visual->green_mask), blue(visual->blue_mask);
    const int bpp = image->bits_per_pixel;
    const bool msb = image->byte_order == MSBFirst;
    // Nearly every server's layout: 32 bits a pixel, least significant byte first, blue in the
    // lowest byte. Each pixel is its three bytes as they are, then a zero.
    if (bpp == 32 && !msb && visual->blue_mask == 0xff && visual->green_mask == 0xff00 &&
        visual->red_mask == 0xff0000) {
        const int w = bgr.width();
        for (int y = 0; y < bgr.height(); ++y)
            CopyRowAsBgr0(
                bgr.row(y),
                reinterpret_cast<std::uint8_t*>(image->data) + std::size_t(image->bytes_per_line) * y, w);
        return;
    }
    for (int y = 0; y < bgr.height(); ++y) {
        const std::uint8_t* s = bgr.row(y);
        auto* d = reinterpret_cast<std::uint8_t*>(image->data) + std::size_t(image->bytes_per_line) * y;
        for (int x = 0; x < bgr.width(); ++x, s += 3) {
            const unsigned long p = red.put(s[2]) | green.put(s[1]) | blue.put(s[0]);
            switch (bpp) {
            case 32:
                if (msb)
                    d[0] = p >> 24, d[1] = p >> 16, d[2] = p >> 8, d[3] = p;
                else
                    d[0] = p, d[1] = p >> 8, d[2] = p >> 16, d[3] = p >> 24;
                d += 4;
                break;
            case 24:
                if (msb)
                    d[0] = p >> 16, d[1] = p >> 8, d[2] = p;
                else
                    d[0] = p, d[1] = p >> 8, d[2] = p >> 16;
                d += 3;
                break;
            case 16:
                if (msb)
                    d[0] = p >> 8, d[1] = p;
                else
                    d[0] = p, d[1] = p >> 8;
                d += 2;
                break;
            default:
                XPutPixel(image, x, y, p);
            }
        }
    }
}

Pixmap readPixmapProperty(Display* dpy, Window root, Atom property) {
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    Pixmap result = None;
    if (XGetWindowProperty(dpy, root, property, 0, 1, False, AnyPropertyType, &type, &format, &count, &after,
                           &data) == Success &&
        type == XA_PIXMAP && format == 32 && count == 1 && data)
        result = *reinterpret_cast<Pixmap*>(data);
    if (data) XFree(data);
    return result;
}

// Sends the picture, stretched to the screen, to a new pixmap; None, with `error`, on failure.
Pixmap uploadToScreen(Display* dpy, int screen, const pic::Bitmap& picture, std::string& error) {
    const Window root = RootWindow(dpy, screen);
    const int width = DisplayWidth(dpy, screen), height = DisplayHeight(dpy, screen);
    const int depth = DefaultDepth(dpy, screen);
    Visual* visual = DefaultVisual(dpy, screen);
    if (visual->c_class != TrueColor && visual->c_class != DirectColor) {
        error = "the X screen " + std::to_string(screen) + " has no true-colour visual";
        return None;
    }

    // A 24-bit picture of the screen's size is used as it is; anything else is stretched to it.
    const bool asItIs =
        picture.width() == width && picture.height() == height && picture.bytesPerPixel() == 3;
    const pic::Bitmap stretched = asItIs ? pic::Bitmap() : pic::StretchBitmap(picture, width, height);
    const pic::Bitmap& scaled = asItIs ? picture : stretched;
    // Plain XPutImage: shared-memory images are not offered by every server, and where they are
    // the segment's small pages make them slower for one screen-sized picture.
    XImage* image = XCreateImage(dpy, visual, depth, ZPixmap, 0, nullptr, width, height, 32, 0);
    if (!image) {
        error = "cannot make an X image of " + std::to_string(width) + "x" + std::to_string(height);
        return None;
    }
    // Rows of 32-bit pixels without padding fit a bitmap's own buffer, whose large pages save
    // thousands of page faults on a screen-sized picture; other layouts get a buffer of their own.
    pic::Bitmap pixels;
    if (image->bits_per_pixel == 32 && image->bytes_per_line == 4 * width) {
        pixels = pic::Bitmap::uninitialized(width, height, 32);
        image->data = reinterpret_cast<char*>(pixels.data());
    } else {
        image->data = static_cast<char*>(std::malloc(std::size_t(image->bytes_per_line) * height));
    }
    if (!image->data) {
        XDestroyImage(image);
        error = "out of memory for the screen picture";
        return None;
    }
    fillImage(image, visual, scaled);

    const Pixmap pixmap = XCreatePixmap(dpy, root, width, height, depth);
    GC gc = XCreateGC(dpy, pixmap, 0, nullptr);
    XPutImage(dpy, pixmap, gc, image, 0, 0, 0, 0, width, height);
    XFreeGC(dpy, gc);
    if (!pixels.empty()) image->data = nullptr; // the bitmap frees its own buffer
    XDestroyImage(image);
    XSync(dpy, False);
    if (ErrorTrap::firstError) {
        error = ErrorTrap::describe(dpy);
        return None;
    }
    return pixmap;
}

// Makes the pixmap the screen's root background and names it in the root's properties.
bool showOnScreen(Display* dpy, int screen, Pixmap pixmap, std::string& error) {
    const Window root = RootWindow(dpy, screen);
    const Atom rootId = XInternAtom(dpy, "_XROOTPMAP_ID", False);
    const Atom esetrootId = XInternAtom(dpy, "ESETROOT_PMAP_ID", False);
    const Pixmap oldRoot = readPixmapProperty(dpy, root, rootId);
    const Pixmap oldEsetroot = readPixmapProperty(dpy, root, esetrootId);

    XChangeProperty(dpy, root, rootId, XA_PIXMAP, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&pixmap), 1);
    XChangeProperty(dpy, root, esetrootId, XA_PIXMAP, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&pixmap), 1);
    XSetWindowBackgroundPixmap(dpy, root, pixmap);
    XClearWindow(dpy, root);
    // The previous picture was left behind by a connection like ours (both properties name it):
    // free it, or every change would leak a screen-sized pixmap in the server.
    if (oldRoot != None && oldRoot == oldEsetroot && oldRoot != pixmap) XKillClient(dpy, oldRoot);
    XSync(dpy, False);
    if (ErrorTrap::firstError) {
        error = ErrorTrap::describe(dpy);
        return false;
    }
    return true;
}

} // namespace

struct RootPicture::State {
    // The trap outlives the connection: closing it flushes requests that may still fail.
    ErrorTrap trap;
    std::unique_ptr<Display, DisplayCloser> dpy;
    std::vector<Pixmap> pixmaps; // one a screen
};

RootPicture::RootPicture() : m_state(std::make_unique<State>()) {}
RootPicture::~RootPicture() = default;

std::unique_ptr<RootPicture> RootPicture::Upload(const char* displayName, const pic::Bitmap& picture,
                                                 std::string& error) {
    if (picture.empty()) {
        error = "the picture is empty";
        return nullptr;
    }
    const char* name = displayName ? displayName : std::getenv("DISPLAY");
    if (!name || !*name) {
        error = "no X display (DISPLAY is not set)";
        return nullptr;
    }
    std::unique_ptr<RootPicture> sent(new RootPicture());
    State& s = *sent->m_state;
    s.dpy.reset(XOpenDisplay(name));
    if (!s.dpy) {
        error = std::string("cannot open the X display ") + name;
        return nullptr;
    }
    for (int screen = 0; screen < ScreenCount(s.dpy.get()); ++screen) {
        const Pixmap pixmap = uploadToScreen(s.dpy.get(), screen, picture, error);
        if (pixmap == None) return nullptr;
        s.pixmaps.push_back(pixmap);
    }
    return sent;
}

bool RootPicture::show(std::string& error) {
    State& s = *m_state;
    if (!s.dpy) {
        error = "the picture was shown already";
        return false;
    }
    for (int screen = 0; screen < static_cast<int>(s.pixmaps.size()); ++screen)
        if (!showOnScreen(s.dpy.get(), screen, s.pixmaps[static_cast<std::size_t>(screen)], error))
            return false;
    // Keep the pixmaps after this connection closes: the root window shows them from now on.
    XSetCloseDownMode(s.dpy.get(), RetainPermanent);
    XSync(s.dpy.get(), False);
    s.dpy.reset();
    return true;
}

bool SetRootWallpaper(const char* displayName, const pic::Bitmap& picture, std::string& error) {
    const std::unique_ptr<RootPicture> sent = RootPicture::Upload(displayName, picture, error);
    return sent && sent->show(error);
}

} // namespace nodo::desktop
