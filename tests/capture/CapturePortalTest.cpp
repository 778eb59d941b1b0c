// The capture in a Wayland session: the screen is asked of our test portal on a private session bus
// (QtScreen with XDG_SESSION_TYPE=wayland on the X server), the picture goes through the capture
// window to the file and the page; the refusals leave everything as it was.
#include "CaptureFixture.h"
#include "platform/portal/ScreenshotPortal.h"
#include "platform/qt/QtScreen.h"
#include "support/portal/InterfaceDescription.h"
#include "support/portal/PortalHarness.h"

#include <QDBusReply>
#include <QDBusVariant>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QUrl>

#include <chrono>

using namespace nodo;
using namespace nodo::testing;
using namespace std::chrono_literals;

namespace {

constexpr auto kGiveUp = 600ms;

// Every pixel tells its place (to 4096 x 4096).
QImage Pattern(QSize size) {
    QImage img(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < size.width(); ++x)
            line[x] = qRgb(x & 255, y & 255, (x >> 8) | (y >> 8) << 4);
    }
    return img;
}

int DifferentPixels(const pic::Bitmap& saved, const QImage& want) {
    if (saved.width() != want.width() || saved.height() != want.height()) return -1;
    int wrong = 0;
    for (int y = 0; y < want.height(); ++y)
        for (int x = 0; x < want.width(); ++x) {
            const QRgb w = want.pixel(x, y);
            const pic::Bgra g = saved.pixel(x, y);
            wrong += g.r != qRed(w) || g.g != qGreen(w) || g.b != qBlue(w);
        }
    return wrong;
}

// For messages: gtest prints a QStringList as raw bytes.
std::string Text(const QStringList& list) {
    return list.join(QStringLiteral(" | ")).toStdString();
}

QStringList Files(const QTemporaryDir& dir) {
    return QDir(dir.path()).entryList(QDir::Files);
}

class PortalCapture : public ::testing::Test {
public:
    static void SetUpTestSuite() {
        s_bus = new PrivateSessionBus;
        s_portal = new TestPortal(*s_bus);
    }
    static void TearDownTestSuite() {
        delete s_portal;
        delete s_bus;
        s_portal = nullptr;
        s_bus = nullptr;
    }

    void SetUp() override {
        ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb")) << "needs a real X display";
        ASSERT_TRUE(s_bus->ok()) << s_bus->error().toStdString();
        ASSERT_TRUE(s_portal->ok()) << s_portal->error().toStdString();
        s_portal->reset();
        qputenv("XDG_SESSION_TYPE", "wayland");
        useScreen(s_bus->connect());
        main.setGeometry(900, 500, 400, 300);
        page = new TPicImage(&main);
        ctx = MainContext{&tp.platform(), &main, page, &state};
        main.onCopyScreen = [this] { tool.Copyscreanform(ctx); };
        main.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&main));
    }
    void TearDown() override {
        if (auto* f = tool.current()) f->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        qunsetenv("XDG_SESSION_TYPE");
    }

    // The settings the session's desktop gives, with this test's waiting time and folder.
    void useScreen(QDBusConnection bus) {
        PortalSettings settings = SessionPortalSettings();
        settings.giveUp = kGiveUp;
        settings.temporaryFolders = {shots.path()};
        screen = std::make_unique<QtScreen>(std::make_unique<ScreenshotPortal>(std::move(bus), settings));
        tp.platform().screen = screen.get();
    }

    // The picture the portal hands out, written by Qt's own PNG writer.
    QString patternFile(const QImage& pattern) {
        QString file = sources.filePath(QStringLiteral("pattern.png"));
        EXPECT_TRUE(pattern.save(file, "PNG"));
        return file;
    }

    // "截  图" with OK to the question; returns once the start message has been handled.
    TCopyScreenForm* capture() {
        tp.messages.answers.push_back(MessageBox::Result::Ok);
        tool.SpeedButton1Click(ctx);
        EXPECT_FALSE(main.isVisible());
        QElapsedTimer t;
        t.start();
        while (main.copyScreenEvents == 0 && t.elapsed() < 10000)
            QTest::qWait(5);
        EXPECT_EQ(main.copyScreenEvents, 1);
        return tool.current();
    }

    std::string tmpBmp() const { return tp.file("tmp/tmp.bmp"); }

    static PrivateSessionBus* s_bus;
    static TestPortal* s_portal;

    QTemporaryDir shots, keep, sources;
    fakes::TestPlatform tp;
    std::unique_ptr<QtScreen> screen;
    MainStandIn main;
    TPicImage* page = nullptr;
    SharedState state;
    MainContext ctx;
    nodo::CaptureTool tool;
};

PrivateSessionBus* PortalCapture::s_bus = nullptr;
TestPortal* PortalCapture::s_portal = nullptr;

struct TakeCase {
    const char* name;
    const char* mode;
    int scale; // the compositor's pixels per X pixel
};

class PortalTake : public PortalCapture, public ::testing::WithParamInterface<TakeCase> {};

TEST_P(PortalTake, ThePortalPictureIsCapturedAndTheSelectionSent) {
    const int scale = GetParam().scale;
    const QImage pattern = Pattern(QSize(1920, 1080) * scale);
    s_portal->answer(QString::fromLatin1(GetParam().mode), patternFile(pattern), shots.path());

    TCopyScreenForm* form = capture();
    ASSERT_NE(form, nullptr) << tp.messages.texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(Text(s_portal->violations()), "");
    EXPECT_EQ(tp.kernel.sleeps, (std::vector<int>{200, 50}));
    EXPECT_EQ(tp.messages.shown.size(), 1u); // the question alone
    EXPECT_EQ(form->screenImage().size(), pattern.size());
    EXPECT_TRUE(form->screenImage() == pattern);
    EXPECT_TRUE(Files(shots).isEmpty()) << "the portal's copy is removed once read";

    const QStringList calls = s_portal->calls();
    EXPECT_EQ(Text(calls), "Get org.freedesktop.portal.Screenshot | Screenshot");
    const QVariantMap options = s_portal->lastOptions();
    EXPECT_TRUE(options.value(QStringLiteral("handle_token")).toString().startsWith(QLatin1String("nodo")));
    ASSERT_TRUE(options.contains(QStringLiteral("interactive")));
    EXPECT_EQ(options.value(QStringLiteral("interactive")), QVariant(false));

    ASSERT_TRUE(QTest::qWaitForWindowExposed(form));
    EXPECT_TRUE(QTest::qWaitForWindowActive(form));
    EXPECT_EQ(form->geometry(), QRect(0, 0, 1920, 1080)); // the whole screen, in X pixels
    const QPoint from(150, 120), to(470, 321);
    QTest::mousePress(form->ImgScreen, Qt::LeftButton, {}, from);
    QTest::mouseMove(form->ImgScreen, from + QPoint(30, 30));
    QTest::mouseMove(form->ImgScreen, to);
    QTest::mouseRelease(form->ImgScreen, Qt::LeftButton, {}, to);
    QTest::keyClick(form, Qt::Key_Return);
    EXPECT_EQ(tool.current(), nullptr);

    // The selection in the picture's own pixels.
    const QRect selected(from * scale, to * scale - QPoint(1, 1));
    const pic::Bitmap saved = pic::LoadBitmapFile(tmpBmp());
    EXPECT_EQ(DifferentPixels(saved, pattern.copy(selected)), 0);
    EXPECT_EQ(state.CurPicFile, tmpBmp());
    EXPECT_EQ(tp.text.readLines(tp.file("data/tmppic.ini")), std::vector<std::string>{tmpBmp()});
    EXPECT_EQ(page->picture(), saved);
    EXPECT_TRUE(main.isVisible());
}

INSTANTIATE_TEST_SUITE_P(Capture, PortalTake,
                         ::testing::Values(TakeCase{"png", "png", 1},
                                           // The compositor's pixels are finer than XWayland's.
                                           TakeCase{"scaled_2x", "png", 2},
                                           // The answer comes before the call's own reply.
                                           TakeCase{"answer_first", "png+early", 1},
                                           // A portal older than the token convention.
                                           TakeCase{"own_request_path", "png+oldpath", 1}),
                         [](const auto& info) { return std::string(info.param.name); });

// What a caller sees of our portal is what the installed description says.
TEST_F(PortalCapture, ThePortalServesTheInstalledDescription) {
    QString why;
    const auto desc = ReadInterfaceDescription(
        QStringLiteral(NODO_PORTAL_INTERFACES "/org.freedesktop.portal.Screenshot.xml"),
        QStringLiteral("org.freedesktop.portal.Screenshot"), &why);
    ASSERT_TRUE(desc) << why.toStdString();
    QDBusConnection bus = s_bus->connect();
    const QString service = QStringLiteral("org.freedesktop.portal.Desktop");
    const QString path = QStringLiteral("/org/freedesktop/portal/desktop");
    QDBusMessage get = QDBusMessage::createMethodCall(
        service, path, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << QStringLiteral("org.freedesktop.portal.Screenshot") << QStringLiteral("version");
    const QDBusReply<QDBusVariant> version = bus.call(get);
    ASSERT_TRUE(version.isValid()) << version.error().message().toStdString();
    EXPECT_EQ(version.value().variant().metaType(), QMetaType::fromType<uint>());
    EXPECT_EQ(version.value().variant().toUInt(), desc->version);

    const QDBusReply<QString> xml = bus.call(QDBusMessage::createMethodCall(
        service, path, QStringLiteral("org.freedesktop.DBus.Introspectable"), QStringLiteral("Introspect")));
    ASSERT_TRUE(xml.isValid());
    QTemporaryFile file;
    ASSERT_TRUE(file.open());
    file.write(xml.value().toUtf8());
    file.close();
    const auto served = ReadInterfaceDescription(file.fileName(), desc->name, &why);
    ASSERT_TRUE(served) << why.toStdString();
    for (const MethodDescription& m : desc->methods) {
        EXPECT_EQ(served->methods.value(m.name).inSignature(), m.inSignature()) << m.name.toStdString();
        EXPECT_EQ(served->methods.value(m.name).outSignature(), m.outSignature()) << m.name.toStdString();
    }
    EXPECT_EQ(served->properties.value(QStringLiteral("version")).type, QStringLiteral("u"));

    // A call that the description does not allow is refused and noted.
    QDBusMessage bad =
        QDBusMessage::createMethodCall(service, path, desc->name, QStringLiteral("Screenshot"));
    bad << QString() << QVariantMap{{QStringLiteral("interactive"), QStringLiteral("no")}};
    EXPECT_EQ(bus.call(bad).type(), QDBusMessage::ErrorMessage);
    EXPECT_EQ(s_portal->violations().size(), 1);
}

// GNOME's portal writes each capture into the user's pictures folder: that file is the capture's
// own and goes once read (a file that was there before the request stays: PortalFiles tests).
TEST_F(PortalCapture, APictureOutsideTheTemporaryFoldersGoesOnlyWhenTheCaptureCausedIt) {
    s_portal->answer(QStringLiteral("png"), patternFile(Pattern({1920, 1080})), keep.path());
    TCopyScreenForm* form = capture();
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(Files(keep).size(), 0) << "the picture written for the capture";
    QTest::keyClick(form, Qt::Key_Escape);
}

TEST_F(PortalCapture, AnX11SessionReadsTheServerAndNeverAsksThePortal) {
    qputenv("XDG_SESSION_TYPE", "x11");
    s_portal->answer(QStringLiteral("png"), patternFile(Pattern({1920, 1080})), shots.path());
    TCopyScreenForm* form = capture();
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->screenImage().size(), QSize(1920, 1080));
    EXPECT_FALSE(form->screenImage() == Pattern({1920, 1080}));
    EXPECT_EQ(Text(s_portal->calls()), "");
    QTest::keyClick(form, Qt::Key_Escape);
}

enum class Bus { Portal, Empty, None };

struct RefusalCase {
    const char* name;
    Bus bus;
    const char* mode;
    const char* uri;     // for "uri": relative names are made absolute in the sources folder
    bool message;        // reported, rather than ended quietly
    const char* desktop; // XDG_CURRENT_DESKTOP for the capture
};

class PortalRefusal : public PortalCapture, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(PortalRefusal, LeavesThePageAndTheFilesAsTheyWere) {
    const RefusalCase& c = GetParam();
    const QByteArray desktop = qgetenv("XDG_CURRENT_DESKTOP");
    qputenv("XDG_CURRENT_DESKTOP", c.desktop);
    std::unique_ptr<PrivateSessionBus> emptyBus;
    if (c.bus == Bus::Portal) {
        useScreen(s_bus->connect());
    } else if (c.bus == Bus::Empty) {
        emptyBus = std::make_unique<PrivateSessionBus>();
        ASSERT_TRUE(emptyBus->ok());
        useScreen(emptyBus->connect());
    } else if (c.bus == Bus::None) {
        useScreen(QDBusConnection::connectToBus(QStringLiteral("unix:path=") + sources.filePath("no-bus"),
                                                QStringLiteral("nodo-no-bus")));
    }
    QString uri = QString::fromLatin1(c.uri);
    if (!uri.isEmpty() && !uri.contains(QLatin1Char(':'))) {
        const QString file = sources.filePath(uri);
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("\x89PNG\r\n\x1a\n broken");
        f.close();
        uri = QUrl::fromLocalFile(file).toString();
        if (uri.endsWith(QLatin1String("missing.png"))) QFile::remove(file);
    }
    s_portal->answer(QString::fromLatin1(c.mode), uri, shots.path());

    // An earlier picture on the page, in the hand-over file, and an earlier capture's file.
    const std::string earlier = tp.file("earlier.bmp");
    pic::Bitmap picture(40, 30, 24);
    picture.fill({10, 200, 30, 255});
    pic::SaveBmpFile(earlier, picture);
    state.CurPicFile = earlier;
    TmpPicIni(0, state, *tp.platform().folder, tp.text);
    page->LoadFromFile(earlier);
    std::filesystem::create_directories(tp.file("tmp"));
    fakes::WriteFile(tmpBmp(), "an earlier capture");
    const std::string ini = fakes::ReadFile(tp.file("data/tmppic.ini"));
    const pic::Bitmap shown = page->picture();

    QElapsedTimer t;
    t.start();
    EXPECT_EQ(capture(), nullptr);
    qputenv("XDG_CURRENT_DESKTOP", desktop);
    const qint64 took = t.elapsed();

    EXPECT_EQ(state.CurPicFile, earlier);
    EXPECT_EQ(fakes::ReadFile(tp.file("data/tmppic.ini")), ini);
    EXPECT_EQ(fakes::ReadFile(tmpBmp()), "an earlier capture");
    EXPECT_EQ(page->picture(), shown);
    EXPECT_TRUE(main.isVisible()) << "the main window comes back";
    EXPECT_FALSE(main.isMinimized());
    for (QWidget* w : QApplication::topLevelWidgets())
        EXPECT_EQ(qobject_cast<TCopyScreenForm*>(w), nullptr);
    ASSERT_EQ(tp.messages.shown.size(), c.message ? 2u : 1u) << tp.messages.texts().join('|').toStdString();
    if (c.message) {
        // The capture's failure message, then the reason on a line of its own.
        const QString text = tp.messages.shown[1].text;
        EXPECT_TRUE(text.startsWith(QStringLiteral("无法读取屏幕图像，截图失败。\n\n")))
            << text.toStdString();
        EXPECT_GT(text.size(), QStringLiteral("无法读取屏幕图像，截图失败。\n\n").size()) << "with a reason";
        if (QByteArray(c.mode) == "end") {
            EXPECT_TRUE(text.contains(QStringLiteral("response 2"))) << text.toStdString();
        }
        if (QByteArray(c.mode) == "cancel") {
            EXPECT_TRUE(text.contains(QStringLiteral("refused the screenshot without asking")))
                << text.toStdString();
        }
        EXPECT_EQ(tp.messages.shown[1].caption, QStringLiteral("Nodo助手"));
    }
    const bool waits = QByteArray(c.mode) == "silent" || QByteArray(c.mode) == "mute";
    if (waits) {
        EXPECT_GE(took, qint64(kGiveUp.count()));
        EXPECT_LT(took, qint64(kGiveUp.count()) + 3000);
    } else {
        EXPECT_LT(took, qint64(kGiveUp.count())) << "an answer is taken at once";
    }
    if (QByteArray(c.mode) == "silent") {
        // Giving up takes the portal's dialog away.
        QStringList calls = s_portal->calls();
        QElapsedTimer w;
        w.start();
        while (calls.filter(QStringLiteral("Close ")).isEmpty() && w.elapsed() < 3000) {
            QTest::qWait(20);
            calls = s_portal->calls();
        }
        EXPECT_EQ(calls.filter(QStringLiteral("Close /org/freedesktop/portal/desktop/request/")).size(), 1)
            << calls.join('|').toStdString();
    }
    if (c.bus == Bus::Portal) {
        EXPECT_EQ(Text(s_portal->violations()), "");
    }
    EXPECT_TRUE(Files(shots).isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Capture, PortalRefusal,
    ::testing::Values(
        RefusalCase{"cancelled_by_the_user", Bus::Portal, "cancel", "", false, "GNOME"},
        // KDE's portal shows nothing to cancel for a request without a dialog: its 1 is a refusal.
        RefusalCase{"refused_without_a_dialog", Bus::Portal, "cancel", "", true, "KDE"},
        // The portal's backend failed (sway's wlr portal when its file belongs to another user).
        RefusalCase{"ended_by_the_portal", Bus::Portal, "end", "", true, "GNOME"},
        RefusalCase{"never_answers", Bus::Portal, "silent", "", false, "GNOME"},
        RefusalCase{"never_replies", Bus::Portal, "mute", "", false, "GNOME"},
        RefusalCase{"call_fails", Bus::Portal, "error", "", true, "GNOME"},
        RefusalCase{"portal_without_screenshots", Bus::Portal, "noscreenshot", "", true, "GNOME"},
        RefusalCase{"no_portal_on_the_bus", Bus::Empty, "png", "", true, "GNOME"},
        RefusalCase{"no_bus", Bus::None, "png", "", true, "GNOME"},
        RefusalCase{"picture_not_a_file", Bus::Portal, "uri", "https://example.invalid/s.png", true, "GNOME"},
        RefusalCase{"picture_missing", Bus::Portal, "uri", "missing.png", true, "GNOME"},
        RefusalCase{"picture_broken", Bus::Portal, "uri", "broken.png", true, "GNOME"}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
