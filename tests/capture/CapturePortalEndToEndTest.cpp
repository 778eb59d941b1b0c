// The installed program in a Wayland session, driven through the real X server's input: "截  图"
// asks our test portal on the session's private bus for the screen, and the rectangle dragged over
// the portal's picture lands in tmp\tmp.bmp pixel for pixel. A cancel in the portal's dialog brings
// the main window back and leaves the files alone.
#include "e2e/Session.h"
#include "imaging/Bitmap.h"
#include "imaging/Codecs.h"
#include "imaging/PictureFile.h"
#include "support/portal/PortalHarness.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

#include <cstdio>

#include <filesystem>

using namespace e2e;

namespace {

// The main window's capture button from its top-left corner, at the stored width of 830.
constexpr Point kCaptureButton{426, 65};
const std::string kGeometry = "1\r\n830\r\n500\r\n100\r\n80\r\n";

// Every pixel tells its place (to 4096 x 4096).
nodo::pic::Bitmap Pattern(int w, int h) {
    nodo::pic::Bitmap b(w, h, 24);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            b.setPixel(
                x, y,
                {std::uint8_t((x >> 8) | (y >> 8) << 4), std::uint8_t(y & 255), std::uint8_t(x & 255), 255});
    return b;
}

Rgb PatternAt(int x, int y) {
    return {x & 255, y & 255, (x >> 8) | (y >> 8) << 4};
}

bool FullScreenShown(Session& s) {
    for (const Window& w : s.windows("Nodo助手"))
        if (w.rect.w == s.screen().w && w.rect.h == s.screen().h) return true;
    return false;
}

std::size_t FilesIn(const std::string& folder) {
    std::size_t n = 0;
    for (const auto& e : std::filesystem::directory_iterator(folder))
        n += e.is_regular_file();
    return n;
}

// "截  图", then OK to its question; false when the question did not come.
bool ClickCaptureAndOk(Session& s) {
    s.step("capture question");
    s.click(s.main().at(kCaptureButton.x, kCaptureButton.y));
    const auto box = s.waitWindow("提示");
    if (!s.check(box.has_value(), "the capture asks first")) return false;
    // A compositor places a box over the window it belongs to; it must name that window.
    const Ran owner = s.run({"xprop", "-id", std::to_string(box->id), "WM_TRANSIENT_FOR"});
    char main[32];
    std::snprintf(main, sizeof main, "window id # 0x%lx", s.main().id);
    s.check(owner.out.find(main) != std::string::npos,
            std::string("the box belongs to the main window (") + main + "): " + owner.out);
    s.key("Return");
    return true;
}

class PortalEndToEnd : public ::testing::TestWithParam<int> {
protected:
    Options options() const {
        Options o;
        o.sessionType = "wayland";
        o.files["data/FormSize.ini"] = kGeometry;
        return o;
    }
    // The picture the portal hands out, for a screen of the session's size at `scale`.
    std::string writePattern(Session& s, int scale) {
        std::string file = s.scratch() + "/files/pattern.png";
        nodo::pic::WriteWholeFile(file,
                                  nodo::pic::EncodePng(Pattern(s.screen().w * scale, s.screen().h * scale)));
        std::filesystem::create_directories(shots(s));
        return file;
    }
    // Where the portal leaves its copy: inside the system's temporary folder.
    static std::string shots(Session& s) { return s.scratch() + "/shots"; }
};

TEST_P(PortalEndToEnd, TheDraggedRectangleOfThePortalsPictureIsSent) {
    const int scale = GetParam();
    Session s("PortalCapture_x" + std::to_string(scale), options());
    nodo::testing::TestPortal portal(QString::fromStdString(s.busAddress()));
    ASSERT_TRUE(portal.ok()) << portal.error().toStdString();
    portal.answer(QStringLiteral("png"), QString::fromStdString(writePattern(s, scale)),
                  QString::fromStdString(shots(s)));
    s.start();

    if (!ClickCaptureAndOk(s)) return;
    s.step("capture window");
    if (!s.check(s.waitFor([&] { return FullScreenShown(s); }), "the full-screen capture window shows"))
        return;
    s.pause(300);
    if (scale == 1) {
        // The frozen screen is the portal's picture, not what the X server holds.
        for (const Point p : {Point{1200, 700}, Point{40, 720}, Point{1300, 60}})
            s.check(s.pixel(p).near(PatternAt(p.x, p.y), 0), "the portal's picture is on the screen at " +
                                                                 std::to_string(p.x) + "," +
                                                                 std::to_string(p.y));
    }

    s.step("select a rectangle");
    const Point from{200, 150}, to{400, 300};
    s.drag(from, to);
    s.key("Return");
    s.check(s.waitFor([&] { return !FullScreenShown(s); }), "the capture window closes");
    s.check(s.waitFor([&] { return !s.windows("Nodo助手").empty(); }), "the main window comes back");

    s.step("the captured picture");
    if (!s.check(s.waitFor([&] { return s.exists("tmp/tmp.bmp"); }), "tmp/tmp.bmp is written")) return;
    const nodo::pic::Bitmap saved = nodo::pic::LoadBitmapFile(s.path("tmp/tmp.bmp"));
    const int w = (to.x - from.x) * scale, h = (to.y - from.y) * scale;
    s.check(std::abs(saved.width() - w) <= scale && std::abs(saved.height() - h) <= scale,
            "it holds the selected rectangle in the picture's pixels (" + std::to_string(saved.width()) +
                " x " + std::to_string(saved.height()) + ")");
    ASSERT_GT(saved.width(), 0);
    // Where the rectangle starts in the picture, read off its first pixel.
    const nodo::pic::Bgra first = saved.pixel(0, 0);
    const int x0 = first.r | (first.b & 15) << 8, y0 = first.g | (first.b >> 4) << 8;
    s.check(std::abs(x0 - from.x * scale) <= scale && std::abs(y0 - from.y * scale) <= scale,
            "it starts where the drag did (" + std::to_string(x0) + "," + std::to_string(y0) + ")");
    int wrong = 0;
    for (int y = 0; y < saved.height(); ++y)
        for (int x = 0; x < saved.width(); ++x) {
            const nodo::pic::Bgra c = saved.pixel(x, y);
            wrong += !Rgb{c.r, c.g, c.b}.near(PatternAt(x0 + x, y0 + y), 0);
        }
    s.check(wrong == 0, "every pixel is the portal's (" + std::to_string(wrong) + " differ)");
    const auto page = s.lines("data/tmppic.ini");
    s.check(page.size() == 1 && page[0].ends_with("tmp.bmp"), "tmppic.ini names it");

    EXPECT_EQ(portal.violations().join(QStringLiteral(" | ")).toStdString(), "");
    EXPECT_EQ(portal.calls().join(QStringLiteral(" | ")).toStdString(),
              "Get org.freedesktop.portal.Screenshot | Screenshot");
    EXPECT_EQ(FilesIn(shots(s)), 0u) << "the portal's copy is removed once read";
}

INSTANTIATE_TEST_SUITE_P(RealInput, PortalEndToEnd, ::testing::Values(1, 2),
                         [](const auto& info) { return "Scale" + std::to_string(info.param); });

TEST(PortalEndToEndRefusal, ACancelInThePortalsDialogBringsTheMainWindowBack) {
    Options o;
    o.sessionType = "wayland";
    o.files["data/FormSize.ini"] = kGeometry;
    o.files["data/tmppic.ini"] = "\r\n";
    Session s("PortalCapture_cancel", o);
    nodo::testing::TestPortal portal(QString::fromStdString(s.busAddress()));
    ASSERT_TRUE(portal.ok()) << portal.error().toStdString();
    portal.answer(QStringLiteral("cancel"));
    s.start();
    const std::string ini = s.read("data/tmppic.ini");

    if (!ClickCaptureAndOk(s)) return;
    s.step("the portal says no");
    s.check(s.waitFor([&] { return portal.calls().contains(QStringLiteral("Screenshot")); }),
            "the portal is asked");
    s.check(s.waitFor([&] { return !s.windows("Nodo助手").empty(); }), "the main window comes back");
    s.pause(500);
    s.check(!FullScreenShown(s), "no capture window");
    s.check(s.windows("Nodo助手").size() == 1, "no message either");
    s.check(!s.exists("tmp/tmp.bmp"), "nothing is captured");
    s.check(s.read("data/tmppic.ini") == ini, "tmppic.ini stays as it was");
    s.check(s.running(), "the program goes on");
    EXPECT_EQ(portal.violations().join(QStringLiteral(" | ")).toStdString(), "");
}

} // namespace

int main(int argc, char** argv) {
    // The test portal's control connection needs an application object.
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
