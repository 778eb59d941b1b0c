// The whole program on a real X server: pictures imported through the main window's button, the
// next start showing the same picture, and an apply that ends on the root window.
// gtest before Xlib: Xlib's macros clash with gtest's names.
#include <gtest/gtest.h>

#include "app/ImageButton.h"
#include "app/Tools.h"
#include "app/uMain.h"
#include "imaging/PictureFile.h"
#include "imaging/TestPictures.h"
#include "pictures/PicImage.h"
#include "pictures/uGlobal.h"
#include "platform/desktop/CommandRunner.h"
#include "platform/desktop/DesktopWallpaper.h"
#include "support/fakes/Fakes.h"

#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <filesystem>

#include <png.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace fs = std::filesystem;
using namespace nodo;
using nodo::fakes::ReadFile;
using nodo::fakes::TestPlatform;
using nodo::fakes::WriteFile;

namespace {

struct Rgb {
    int r = -1, g = -1, b = -1;
};

int Channel(unsigned long pixel, unsigned long mask) {
    if (!mask) return 0;
    const int shift = __builtin_ctzl(mask), bits = __builtin_popcountl(mask);
    const unsigned long v = (pixel & mask) >> shift;
    return bits >= 8 ? int(v >> (bits - 8)) : int(v << (8 - bits));
}

// Reads one pixel of the root window's background pixmap.
Rgb RootBackgroundPixel(int x, int y) {
    Display* dpy = XOpenDisplay(nullptr);
    if (!dpy) return {};
    Rgb c;
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(dpy, DefaultRootWindow(dpy), XInternAtom(dpy, "_XROOTPMAP_ID", False), 0, 1, False,
                           XA_PIXMAP, &type, &format, &count, &after, &data) == Success &&
        data && count == 1) {
        const Pixmap pm = *reinterpret_cast<Pixmap*>(data);
        if (XImage* img = XGetImage(dpy, pm, x, y, 1, 1, AllPlanes, ZPixmap)) {
            const unsigned long p = XGetPixel(img, 0, 0);
            Visual* v = DefaultVisual(dpy, DefaultScreen(dpy));
            c = {Channel(p, v->red_mask), Channel(p, v->green_mask), Channel(p, v->blue_mask)};
            XDestroyImage(img);
        }
    }
    if (data) XFree(data);
    XCloseDisplay(dpy);
    return c;
}

// Clicks the named button of whatever modal window comes up next.
void AnswerNextModal(const QString& caption) {
    auto* timer = new QTimer;
    timer->setInterval(20);
    QObject::connect(timer, &QTimer::timeout, [timer, caption] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal) return;
        for (QPushButton* b : modal->findChildren<QPushButton*>())
            if (b->text() == caption && b->isVisible()) {
                timer->stop();
                timer->deleteLater();
                QTest::mouseClick(b, Qt::LeftButton);
                return;
            }
    });
    timer->start();
}

class EndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(std::getenv("DISPLAY")) << "needs the X server that scripts/run-tests starts";
        state = SharedState{};
        const char* app = std::getenv("NODO_APP_DIR");
        ASSERT_TRUE(app);
        fs::copy_file(fs::path(app) / "source/DeskTopBG/A1.bmp", tp.file("source/DeskTopBG/A1.bmp"));
        // The real wallpaper of a bare X session (no desktop named), with its files kept here.
        desktop::DesktopWallpaperOptions o;
        o.keyFile = tp.file("home/desktop.ini");
        o.cacheFolder = tp.file("home/cache");
        const std::string display = std::getenv("DISPLAY");
        o.environment = [display](const std::string& name) -> std::optional<std::string> {
            if (name == "DISPLAY") return display;
            return std::nullopt;
        };
        o.sessionProcesses = [] { return std::vector<std::string>{}; };
        fs::create_directories(tp.file("home"));
        wallpaper = std::make_unique<desktop::DesktopWallpaper>(
            std::move(o), std::make_unique<desktop::PosixCommandRunner>());
        tp.platform().wallpaper = wallpaper.get();
    }

    void start() {
        stop();
        frm = std::make_unique<TMainFrm>(tp.platform(), state);
        tools = std::make_unique<AppTools>(tp.platform(), *frm);
        frm->setTools(tools->mainTools());
        frm->FormCreate();
        frm->FormShow();
        frm->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(frm.get()));
    }
    void stop() {
        tools.reset();
        frm.reset();
    }
    void import(const std::string& file) {
        tp.dialogs.openAnswers.push_back(QStringList{QString::fromStdString(file)});
        QTest::mouseClick(frm->btnInsertPic, Qt::LeftButton);
    }

    TestPlatform tp;
    SharedState state;
    std::unique_ptr<desktop::DesktopWallpaper> wallpaper;
    std::unique_ptr<TMainFrm> frm;
    std::unique_ptr<AppTools> tools;
};

TEST_F(EndToEnd, EachKindOfPictureIsImportedShownAndBackAtTheNextStart) {
    fs::create_directories(tp.file("user"));
    pic::Bitmap photo(120, 80, 24);
    for (int y = 0; y < 80; ++y)
        for (int x = 0; x < 120; ++x) {
            uint8_t* p = photo.row(y) + std::ptrdiff_t{3} * x;
            p[0] = uint8_t(x * 2), p[1] = uint8_t(y * 3), p[2] = 200;
        }
    pic::SaveJpegFile(tp.file("user/photo.jpg"), photo, 95);

    pic::test::PngSpec png;
    png.width = 64;
    png.height = 48;
    png.colorType = PNG_COLOR_TYPE_RGB_ALPHA;
    png.bitDepth = 8;
    for (int y = 0; y < 48; ++y) {
        pic::test::ByteVec row;
        for (int x = 0; x < 64; ++x) // blue, the left half transparent
            row.insert(row.end(), {0, 0, 255, uint8_t(x < 32 ? 0 : 255)});
        png.rows.push_back(row);
    }
    const auto pngBytes = pic::test::MakePng(png);
    pic::WriteWholeFile(tp.file("user/logo.PNG"), pngBytes);

    pic::test::GifFrame f1, f2;
    f1.left = 10, f1.top = 5, f1.width = 20, f1.height = 10;
    f2.width = 40, f2.height = 30;
    f1.indices.assign(std::size_t{20} * 10, 1);
    f2.indices.assign(std::size_t{40} * 30, 2);
    const auto gif = pic::test::MakeGif(40, 30, {0xFFFFFF, 0xFF0000, 0x00FF00, 0x000000}, {f1, f2});
    pic::WriteWholeFile(tp.file("user/anim.gif"), gif);

    struct Case {
        std::string file, expectCur;
        QSize size;
    } cases[] = {
        {tp.file("user/photo.jpg"), tp.file("tmp/photo.bmp"), {120, 80}},
        {tp.file("user/logo.PNG"), tp.file("tmp/tmp.bmp"), {64, 48}},
        {tp.file("user/anim.gif"), tp.file("tmp/anim.bmp"), {40, 30}},
    };
    for (const auto& c : cases) {
        start();
        import(c.file);
        EXPECT_TRUE(tp.messages.shown.empty())
            << c.file << ": " << tp.messages.texts().join("|").toStdString();
        EXPECT_EQ(state.CurPicFile, c.expectCur);
        EXPECT_EQ(ReadFile(tp.file("data/tmppic.ini")), c.expectCur + "\r\n");
        EXPECT_EQ(frm->imgPicMix->size(), c.size) << c.file;
        EXPECT_TRUE(frm->imgPicMix->isBitmap());
        // What the page shows on the screen.
        const QImage onScreen = frm->ts_PicShow->grab(frm->imgPicMix->geometry()).toImage();
        if (c.file.ends_with(".PNG")) {
            EXPECT_EQ(QColor(onScreen.pixel(5, 5)), QColor(Qt::white)); // transparent over white
            EXPECT_EQ(QColor(onScreen.pixel(50, 5)), QColor(Qt::blue));
        } else if (c.file.ends_with(".gif")) {
            EXPECT_EQ(QColor(onScreen.pixel(15, 8)), QColor(Qt::red));  // the first frame only
            EXPECT_EQ(QColor(onScreen.pixel(2, 2)), QColor(Qt::white)); // background of the screen
        }
        // The next start shows the same picture.
        stop();
        state = SharedState{};
        start();
        EXPECT_EQ(state.CurPicFile, c.expectCur);
        EXPECT_EQ(frm->imgPicMix->size(), c.size) << "after restart: " << c.file;
    }
    // The user's folder holds only what the user put there.
    EXPECT_EQ(std::distance(fs::directory_iterator(tp.file("user")), fs::directory_iterator()), 3);
}

TEST_F(EndToEnd, ApplyAfterConfirmingPutsTheBlendOnTheRootWindow) {
    start();
    pic::Bitmap red(300, 200, 24);
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 300; ++x) {
            uint8_t* p = red.row(y) + std::ptrdiff_t{3} * x;
            p[0] = 0, p[1] = 0, p[2] = 255;
        }
    fs::create_directories(tp.file("user"));
    pic::SaveBmpFile(tp.file("user/red.bmp"), red);
    import(tp.file("user/red.bmp"));
    ASSERT_EQ(state.CurPicFile, tp.file("user/red.bmp"));
    ASSERT_TRUE(state.ShowSetBgInfo);

    AnswerNextModal(QStringLiteral("确  定"));
    QTest::mouseClick(frm->imgAppToDesk, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_TRUE(tp.messages.shown.empty()) << tp.messages.texts().join("|").toStdString();

    const std::string mixFile = tp.file("source/DeskTopBG/Mix.bmp");
    ASSERT_TRUE(fs::exists(mixFile));
    EXPECT_EQ(wallpaper->value("Wallpaper"), mixFile);
    EXPECT_EQ(wallpaper->value("WallpaperStyle"), "2");
    const pic::Bitmap mix = pic::LoadBitmapFile(mixFile);
    ASSERT_EQ(mix.width(), 1280);
    ASSERT_EQ(mix.height(), 768);
    const pic::Bitmap bg = pic::LoadBitmapFile(tp.file("source/DeskTopBG/A1.bmp"));

    // The content's centre: 50 pixels in from the right, 30 down, 300 x 200.
    const int mx = 1280 - 50 - 150, my = 30 + 100;
    const uint8_t* m = mix.row(my) + std::ptrdiff_t{3} * mx;
    const uint8_t* b = bg.row(my) + std::ptrdiff_t{3} * mx;
    EXPECT_NEAR(m[2], (255 + b[2]) / 2.0, 6); // half red, half background
    EXPECT_NEAR(m[0], b[0] / 2.0, 6);

    // The root window shows Mix.bmp stretched to the screen.
    Display* dpy = XOpenDisplay(nullptr);
    ASSERT_NE(dpy, nullptr);
    const int sw = DisplayWidth(dpy, 0), sh = DisplayHeight(dpy, 0);
    XCloseDisplay(dpy);
    const Rgb root = RootBackgroundPixel(mx * sw / 1280, my * sh / 768);
    EXPECT_NEAR(root.r, m[2], 8);
    EXPECT_NEAR(root.g, m[1], 8);
    EXPECT_NEAR(root.b, m[0], 8);
    // From entry 0 the rotation goes on at the last entry.
    EXPECT_EQ(frm->state().BGPicIndex, 1);
}

} // namespace
