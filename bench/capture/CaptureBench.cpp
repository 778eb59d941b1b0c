// Capture figures: from the posted start message to the capture window on the screen (1920 x 1080 on
// the running X display), the same from the OK of the capture question through the desktop portal
// against the X server, and one pointer move that redraws the rubber band around a 1000 x 700
// selection. Baseline: copying one whole 1920 x 1080 frame with memcpy.
#include "capture/CaptureTool.h"
#include "capture/CopyScreenFrm.h"
#include "capture/core/CaptureSelection.h"
#include "pictures/PicImage.h"
#include "pictures/uGlobal.h"
#include "platform/posix/LinuxKernel.h"
#include "platform/qt/QtScreen.h"
#include "support/fakes/Fakes.h"

#ifdef NODO_BENCH_PORTAL
#include "platform/portal/ScreenshotPortal.h"
#include "support/portal/PortalHarness.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#endif

#include <QApplication>
#include <QMouseEvent>
#include <QWindow>
#include <benchmark/benchmark.h>

#include <cstring>
#include <functional>
#include <vector>

using namespace nodo;

namespace {

constexpr int kW = 1920, kH = 1080;

class MainStandIn : public QWidget {
public:
    std::function<void()> onCopyScreen;

protected:
    bool event(QEvent* e) override {
        if (e->type() == kCopyScreenEvent) {
            onCopyScreen();
            return true;
        }
        return QWidget::event(e);
    }
};

// Adds up the area repainted.
class PaintArea : public QObject {
public:
    long long pixels = 0;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint)
            for (const QRect& r : static_cast<QPaintEvent*>(e)->region())
                pixels += qint64(r.width()) * r.height();
        return false;
    }
};

// Notes the first paint of a window.
class PaintSpy : public QObject {
public:
    bool painted = false;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint) painted = true;
        return false;
    }
};

void BM_FrameMemcpy(benchmark::State& state) {
    std::vector<uint32_t> a(size_t(kW) * kH, 0x123456), b(a.size());
    for (auto _ : state) {
        std::memcpy(b.data(), a.data(), a.size() * 4);
        benchmark::DoNotOptimize(b.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * kW * kH * 4);
}
BENCHMARK(BM_FrameMemcpy);

// realPause: the kernel really sleeps the 50 ms before reading the screen; otherwise the pause is
// skipped and the figure is the work alone.
void PostedMessageToWindowShown(benchmark::State& state, bool realPause) {
    fakes::TestPlatform tp;
    QtScreen realScreen;
    LinuxKernel realKernel;
    if (QGuiApplication::platformName() == QLatin1String("xcb"))
        tp.platform().screen = &realScreen;
    else {
        tp.screen.screenSize = QSize(kW, kH);
        tp.screen.picture = QImage(kW, kH, QImage::Format_RGB32);
        tp.screen.picture.fill(Qt::darkCyan);
    }
    if (realPause) tp.platform().kernel = &realKernel;
    MainStandIn main;
    auto* page = new TPicImage(&main);
    SharedState shared;
    MainContext ctx{&tp.platform(), &main, page, &shared};
    CaptureTool tool;
    main.onCopyScreen = [&] { tool.Copyscreanform(ctx); };
    main.resize(400, 300);
    main.show();
    QCoreApplication::processEvents();
    for (auto _ : state) {
        PaintSpy spy;
        QCoreApplication::postEvent(&main, new QEvent(kCopyScreenEvent));
        while (true) {
            QCoreApplication::processEvents(QEventLoop::AllEvents);
            TCopyScreenForm* f = tool.current();
            if (!f) continue;
            if (!spy.painted && f->ImgScreen) f->ImgScreen->installEventFilter(&spy);
            if (f->isVisible() && f->windowHandle() && f->windowHandle()->isExposed() && spy.painted) break;
        }
        state.PauseTiming();
        if (tool.current()->screenImage().size() != QSize(kW, kH))
            state.SkipWithError("screen is not 1920x1080");
        tool.current()->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
    state.SetLabel(QGuiApplication::platformName().toStdString());
}
void BM_PostedMessageToWindowShown(benchmark::State& state) {
    PostedMessageToWindowShown(state, true);
}
void BM_PostedMessageToWindowShownNoPause(benchmark::State& state) {
    PostedMessageToWindowShown(state, false);
}
BENCHMARK(BM_PostedMessageToWindowShown)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_PostedMessageToWindowShownNoPause)->Unit(benchmark::kMillisecond)->Iterations(20);

#ifdef NODO_BENCH_PORTAL
// From the OK of the capture question to the capture window painted, with the real pauses, once
// through the X server and once through our test portal on a private bus (a Wayland session), the
// two taken in turn so that both see the same load. The portal's figure is the manual time; the
// counters give both means and their ratio.
void BM_ClickToWindowPortalVsX11(benchmark::State& state) {
    if (QGuiApplication::platformName() != QLatin1String("xcb")) {
        state.SkipWithError("needs an X display");
        return;
    }
    testing::PrivateSessionBus bus;
    testing::TestPortal portal(bus);
    QTemporaryDir dir;
    if (!bus.ok() || !portal.ok() || !dir.isValid()) {
        state.SkipWithError("no private bus or test portal");
        return;
    }
    // Argument 0: smooth gradients (a plain desktop, a small PNG); 1: every pixel noise (the largest
    // PNG a screen can give, the slowest to read).
    QImage pattern(kW, kH, QImage::Format_RGB32);
    std::uint32_t noise = 12345;
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            noise = noise * 1664525u + 1013904223u;
            pattern.setPixel(x, y, state.range(0) ? QRgb(noise >> 8) : qRgb(x & 255, y & 255, (x ^ y) & 255));
        }
    const QString png = dir.filePath(QStringLiteral("pattern.png"));
    pattern.save(png, "PNG");
    portal.answer(QStringLiteral("png"), png, dir.path());

    fakes::TestPlatform tp;
    LinuxKernel realKernel;
    tp.platform().kernel = &realKernel;
    QtScreen x11Screen;
    QtScreen portalScreen(std::make_unique<ScreenshotPortal>(
        bus.connect(), PortalSettings{std::chrono::seconds(30), {dir.path()}}));
    MainStandIn main;
    auto* page = new TPicImage(&main);
    SharedState shared;
    MainContext ctx{&tp.platform(), &main, page, &shared};
    CaptureTool tool;
    main.onCopyScreen = [&] { tool.Copyscreanform(ctx); };
    main.resize(400, 300);
    main.show();
    QCoreApplication::processEvents();

    // One capture; the time to the first paint of the window in milliseconds, or < 0 on failure.
    auto once = [&](Screen& screen, bool wayland) -> double {
        if (wayland)
            qputenv("XDG_SESSION_TYPE", "wayland");
        else
            qputenv("XDG_SESSION_TYPE", "x11");
        tp.platform().screen = &screen;
        tp.messages.answers.push_back(MessageBox::Result::Ok);
        PaintSpy spy;
        QElapsedTimer t;
        t.start();
        tool.SpeedButton1Click(ctx);
        while (t.elapsed() < 10000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents);
            TCopyScreenForm* f = tool.current();
            if (!f) continue;
            if (!spy.painted && f->ImgScreen) f->ImgScreen->installEventFilter(&spy);
            if (f->isVisible() && f->windowHandle() && f->windowHandle()->isExposed() && spy.painted) break;
        }
        const double ms = double(t.nsecsElapsed()) / 1e6;
        TCopyScreenForm* f = tool.current();
        const bool ok = f && f->screenImage().size() == QSize(kW, kH);
        if (f) f->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        main.show();
        QCoreApplication::processEvents();
        return ok ? ms : -1.0;
    };

    qunsetenv("WAYLAND_DISPLAY");
    double x11Total = 0, portalTotal = 0;
    for (auto _ : state) {
        const double x11 = once(x11Screen, false);
        const double viaPortal = once(portalScreen, true);
        if (x11 < 0 || viaPortal < 0) {
            state.SkipWithError("a capture failed");
            break;
        }
        x11Total += x11;
        portalTotal += viaPortal;
        state.SetIterationTime(viaPortal / 1000.0);
    }
    qunsetenv("XDG_SESSION_TYPE");
    const double n = double(state.iterations());
    if (n > 0) {
        state.counters["x11_ms"] = x11Total / n;
        state.counters["portal_ms"] = portalTotal / n;
        state.counters["portal_over_x11"] = portalTotal / x11Total;
    }
}
BENCHMARK(BM_ClickToWindowPortalVsX11)
    ->Arg(0)
    ->Arg(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(15);
#endif

// The logic alone: erase and redraw the band on a 1920 x 1080 frozen screen.
void BM_BandMoveCore(benchmark::State& state) {
    std::vector<uint32_t> pixels(size_t(kW) * kH, 0xFF336699u);
    capture::CaptureSelection sel({pixels.data(), kW, kH, kW * 4});
    sel.start();
    sel.mouseDown(capture::MouseButton::Left, 400, 200);
    int i = 0;
    for (auto _ : state) {
        const int d = (i++ & 1);
        sel.mouseMove(1400 + d, 900 + d);
        benchmark::DoNotOptimize(sel.takeDirty());
    }
}
BENCHMARK(BM_BandMoveCore);

// Through the window: the mouse event, the band, the readout label and the repaint of what changed.
void BM_BandMoveWindow(benchmark::State& state) {
    fakes::TestPlatform tp;
    tp.screen.screenSize = QSize(kW, kH);
    tp.screen.picture = QImage(kW, kH, QImage::Format_RGB32);
    tp.screen.picture.fill(QColor(0x33, 0x66, 0x99));
    QWidget main;
    SharedState shared;
    MainContext ctx{&tp.platform(), &main, nullptr, &shared};
    CaptureTool tool;
    tool.Copyscreanform(ctx);
    TCopyScreenForm* f = tool.current();
    QCoreApplication::processEvents();
    QWidget* img = f->ImgScreen;
    auto send = [img](QEvent::Type type, QPoint p, Qt::MouseButton button, Qt::MouseButtons buttons) {
        QMouseEvent e(type, p, img->mapToGlobal(p), button, buttons, Qt::NoModifier);
        QCoreApplication::sendEvent(img, &e);
    };
    send(QEvent::MouseButtonPress, {400, 200}, Qt::LeftButton, Qt::LeftButton);
    PaintArea area;
    img->installEventFilter(&area);
    int i = 0;
    for (auto _ : state) {
        const int d = (i++ & 1);
        send(QEvent::MouseMove, {1400 + d, 900 + d}, Qt::NoButton, Qt::LeftButton);
        QCoreApplication::processEvents(); // the repaint
    }
    send(QEvent::MouseButtonRelease, {1401, 901}, Qt::LeftButton, Qt::NoButton);
    state.counters["painted_px_per_move"] = double(area.pixels) / double(state.iterations());
    state.SetLabel(QGuiApplication::platformName().toStdString());
    f->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}
BENCHMARK(BM_BandMoveWindow)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
