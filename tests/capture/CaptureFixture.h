#pragma once
// A main window stand-in with a picture page, a generated frozen screen and the capture tool, all over
// the fake platform.
#include "capture/CaptureTool.h"
#include "capture/CopyScreenFrm.h"
#include "imaging/PictureFile.h"
#include "pictures/PicImage.h"
#include "pictures/uGlobal.h"
#include "support/fakes/Fakes.h"

#include <QApplication>
#include <QLabel>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

namespace nodo::testing {

// Runs the capture tool when the posted start message arrives, as the real main window does.
class MainStandIn : public QWidget {
public:
    std::function<void()> onCopyScreen;
    int copyScreenEvents = 0;

protected:
    bool event(QEvent* e) override {
        if (e->type() == kCopyScreenEvent) {
            ++copyScreenEvents;
            if (onCopyScreen) onCopyScreen();
            return true;
        }
        return QWidget::event(e);
    }
};

// Every pixel tells its place; the pixel at (600, 400) is pure red.
inline QImage GeneratedScreen(int w, int h) {
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < w; ++x)
            line[x] = qRgb(x & 255, y & 255, (x * 7 + y * 13 + 40) & 255);
    }
    if (w > 600 && h > 400) img.setPixel(600, 400, qRgb(255, 0, 0));
    return img;
}

class CaptureFixture : public ::testing::Test {
public:
    void SetUp() override {
        tp.screen.screenSize = QSize(1366, 768);
        tp.screen.picture = GeneratedScreen(1366, 768);
        main.resize(600, 450);
        page = new TPicImage(&main);
        ctx.platform = &tp.platform();
        ctx.mainWindow = &main;
        ctx.imgPicMix = page;
        ctx.state = &state;
        main.onCopyScreen = [this] { tool.Copyscreanform(ctx); };
        main.show();
    }
    void TearDown() override {
        // Buttons left down would turn the next test's presses into moves.
        for (Qt::MouseButton b : {Qt::LeftButton, Qt::RightButton})
            if (held & b) QTest::mouseRelease(tool.current() ? tool.current()->ImgScreen : &main, b);
        if (auto* f = tool.current()) f->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    TCopyScreenForm* open() {
        tool.Copyscreanform(ctx);
        return tool.current();
    }
    // Lets closed windows be deleted.
    static void settle() {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }

    QWidget* img() { return tool.current()->ImgScreen; }
    void press(QPoint p, Qt::MouseButton b = Qt::LeftButton) {
        held |= b;
        QTest::mousePress(img(), b, {}, p);
    }
    void release(QPoint p, Qt::MouseButton b = Qt::LeftButton) {
        held &= ~Qt::MouseButtons(b);
        QTest::mouseRelease(img(), b, {}, p);
    }
    void move(QPoint p) { QTest::mouseMove(img(), p); }
    void drag(QPoint from, QPoint to) {
        press(from);
        move(from + QPoint(1, 1));
        move(to);
        release(to);
    }

    std::string tmpBmp() const { return tp.file("tmp/tmp.bmp"); }
    // The part of the generated screen a selection should give, as a 24-bit bitmap.
    pic::Bitmap expected(const QRect& r) const {
        pic::Bitmap b(r.width(), r.height(), 24);
        for (int y = 0; y < r.height(); ++y)
            for (int x = 0; x < r.width(); ++x) {
                const QRgb c = tp.screen.picture.pixel(r.x() + x, r.y() + y);
                b.setPixel(x, y, {uint8_t(qBlue(c)), uint8_t(qGreen(c)), uint8_t(qRed(c)), 255});
            }
        return b;
    }

    fakes::TestPlatform tp;
    MainStandIn main;
    TPicImage* page = nullptr;
    SharedState state;
    MainContext ctx;
    CaptureTool tool;
    Qt::MouseButtons held;
};

} // namespace nodo::testing
