// A real capture on a real X display: a window with a known pattern is on the screen, the screen is
// read through QtScreen, a rectangle is dragged over the pattern and sent.
#include "CaptureFixture.h"
#include "platform/qt/QtScreen.h"

#include <QElapsedTimer>
#include <QPainter>

#include <utility>

using namespace nodo;
using namespace nodo::testing;

namespace {

QImage Pattern(int w, int h) {
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, qRgb((x * 3 + y) & 255, (y * 5) & 255, (x ^ y) & 255));
    return img;
}

class PatternWindow : public QWidget {
public:
    explicit PatternWindow(QImage img)
        : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint), m_img(std::move(img)) {
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

protected:
    void paintEvent(QPaintEvent*) override { QPainter(this).drawImage(0, 0, m_img); }

private:
    QImage m_img;
};

bool ScreenShows(Screen& screen, const QImage& pattern, QPoint at) {
    const QImage shot = screen.grab();
    return !shot.isNull() && shot.copy(QRect(at, pattern.size())) == pattern;
}

TEST(CaptureOnX11, RealScreenCaptureLandsInTheFileAndOnThePage) {
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb")) << "needs a real X display";
    QtScreen screen;
    ASSERT_TRUE(screen.canGrab(nullptr));
    ASSERT_EQ(screen.size(), QSize(1920, 1080));

    SharedState state;
    fakes::TestPlatform tp;
    tp.platform().screen = &screen;
    const QImage pattern = Pattern(320, 200);
    const QPoint at(150, 120);
    PatternWindow patternWindow(pattern);
    patternWindow.setGeometry(QRect(at, pattern.size()));
    patternWindow.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&patternWindow));
    QElapsedTimer t;
    t.start();
    while (!ScreenShows(screen, pattern, at) && t.elapsed() < 5000)
        QTest::qWait(50);
    ASSERT_TRUE(ScreenShows(screen, pattern, at)) << "the pattern never reached the screen";

    MainStandIn main;
    main.setGeometry(900, 500, 500, 400);
    auto* page = new TPicImage(&main);
    MainContext ctx{&tp.platform(), &main, page, &state};
    nodo::CaptureTool tool;
    main.onCopyScreen = [&] { tool.Copyscreanform(ctx); };
    main.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&main));

    // Other tests may share the display: when something else covered the pattern at the moment of the
    // capture, close it and capture again.
    TCopyScreenForm* form = nullptr;
    for (int attempt = 0; attempt < 3 && !form; ++attempt) {
        tp.messages.answers.push_back(MessageBox::Result::Ok);
        tool.SpeedButton1Click(ctx);
        EXPECT_FALSE(main.isVisible());
        t.restart();
        while (!tool.current() && t.elapsed() < 5000)
            QTest::qWait(10);
        form = tool.current();
        ASSERT_NE(form, nullptr);
        if (form->screenImage().copy(QRect(at, pattern.size())) == pattern) break;
        QTest::keyClick(form, Qt::Key_Escape);
        form = nullptr;
        patternWindow.raise();
        t.restart();
        while (!ScreenShows(screen, pattern, at) && t.elapsed() < 5000)
            QTest::qWait(50);
    }
    ASSERT_NE(form, nullptr) << "the pattern was covered at every capture";
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form));
    EXPECT_TRUE(QTest::qWaitForWindowActive(form)); // so that Esc reaches it
    EXPECT_EQ(form->geometry(), QRect(0, 0, 1920, 1080));
    EXPECT_EQ(form->screenImage().size(), QSize(1920, 1080));

    QTest::mousePress(form->ImgScreen, Qt::LeftButton, {}, at);
    QTest::mouseMove(form->ImgScreen, at + QPoint(40, 40));
    QTest::mouseMove(form->ImgScreen, at + QPoint(pattern.width(), pattern.height()));
    QTest::mouseRelease(form->ImgScreen, Qt::LeftButton, {}, at + QPoint(pattern.width(), pattern.height()));
    QTest::keyClick(form, Qt::Key_Return);
    EXPECT_EQ(tool.current(), nullptr);

    const std::string file = tp.file("tmp/tmp.bmp");
    const pic::Bitmap saved = pic::LoadBitmapFile(file);
    ASSERT_EQ(saved.width(), pattern.width());
    ASSERT_EQ(saved.height(), pattern.height());
    int wrong = 0;
    for (int y = 0; y < pattern.height(); ++y)
        for (int x = 0; x < pattern.width(); ++x) {
            const QRgb want = pattern.pixel(x, y);
            const pic::Bgra got = saved.pixel(x, y);
            wrong += got.r != qRed(want) || got.g != qGreen(want) || got.b != qBlue(want);
        }
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(state.CurPicFile, file);
    EXPECT_EQ(tp.text.readLines(tp.file("data/tmppic.ini")), std::vector<std::string>{file});
    EXPECT_TRUE(page->isBitmap());
    EXPECT_EQ(page->picture(), saved); // ready for the apply
    EXPECT_TRUE(main.isVisible());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TEST(CaptureOnX11, CancelKeepsTheMainWindowOnTheFrozenScreen) {
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb")) << "needs a real X display";
    QtScreen screen;
    SharedState state;
    fakes::TestPlatform tp;
    tp.platform().screen = &screen;
    MainStandIn main;
    main.setGeometry(600, 400, 300, 200);
    main.setAutoFillBackground(true);
    QPalette pal = main.palette();
    pal.setColor(QPalette::Window, QColor(12, 200, 34));
    main.setPalette(pal);
    MainContext ctx{&tp.platform(), &main, nullptr, &state};
    nodo::CaptureTool tool;
    main.onCopyScreen = [&] { tool.Copyscreanform(ctx); };
    main.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&main));
    QElapsedTimer t;
    t.start();
    auto mainShown = [&] { return screen.grab().pixel(750, 500) == qRgb(12, 200, 34); };
    while (!mainShown() && t.elapsed() < 5000)
        QTest::qWait(50);
    ASSERT_TRUE(mainShown());

    tp.messages.answers.push_back(MessageBox::Result::Cancel);
    tool.SpeedButton1Click(ctx);
    t.restart();
    while (!tool.current() && t.elapsed() < 5000)
        QTest::qWait(10);
    TCopyScreenForm* form = tool.current();
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->screenImage().pixel(750, 500), qRgb(12, 200, 34));
    EXPECT_EQ(form->screenImage().pixel(601, 401), qRgb(12, 200, 34));
    QTest::keyClick(form, Qt::Key_Escape);
    EXPECT_EQ(tool.current(), nullptr);
    EXPECT_TRUE(main.isVisible());
    EXPECT_FALSE(main.isMinimized());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace
