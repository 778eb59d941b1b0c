// The parts of a portal screenshot that need no bus.
#include "imaging/Bitmap.h"
#include "imaging/Codecs.h"
#include "imaging/PictureError.h"
#include "imaging/PictureFile.h"
#include "platform/portal/PortalPicture.h"
#include "platform/portal/ScreenSession.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <map>

using namespace nodo;

namespace {

struct SessionCase {
    const char* name;
    std::map<std::string, QString> env;
    bool wayland;
};

class Session : public ::testing::TestWithParam<SessionCase> {};

TEST_P(Session, WaylandIsToldByTheSessionTypeOrTheWaylandDisplay) {
    const auto env = GetParam().env;
    const EnvironmentLookup lookup = [&env](const char* name) {
        const auto it = env.find(name);
        return it == env.end() ? QString() : it->second;
    };
    EXPECT_EQ(IsWaylandSession(lookup), GetParam().wayland);
}

INSTANTIATE_TEST_SUITE_P(
    Portal, Session,
    ::testing::Values(
        SessionCase{"gnome_wayland", {{"XDG_SESSION_TYPE", "wayland"}, {"DISPLAY", ":0"}}, true},
        SessionCase{"type_in_capitals", {{"XDG_SESSION_TYPE", "Wayland"}}, true},
        SessionCase{"wayland_display_only", {{"WAYLAND_DISPLAY", "wayland-0"}}, true},
        SessionCase{
            "x11_with_wayland_display", {{"XDG_SESSION_TYPE", "x11"}, {"WAYLAND_DISPLAY", "w"}}, true},
        SessionCase{"x11", {{"XDG_SESSION_TYPE", "x11"}, {"DISPLAY", ":0"}}, false},
        SessionCase{"tty", {{"XDG_SESSION_TYPE", "tty"}}, false}, SessionCase{"nothing", {}, false},
        SessionCase{"empty_wayland_display", {{"WAYLAND_DISPLAY", ""}, {"DISPLAY", ":1"}}, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PortalRequest, PathFollowsTheCallersUniqueNameAndTheToken) {
    EXPECT_EQ(RequestPath(QStringLiteral(":1.42"), QStringLiteral("nodoabc")),
              QStringLiteral("/org/freedesktop/portal/desktop/request/1_42/nodoabc"));
    EXPECT_EQ(RequestPath(QStringLiteral(":12.3.4"), QStringLiteral("t")),
              QStringLiteral("/org/freedesktop/portal/desktop/request/12_3_4/t"));
}

TEST(PortalRequest, TokensAreFreshPathElements) {
    const QRegularExpression element(QStringLiteral("^[A-Za-z0-9_]+$"));
    QSet<QString> seen;
    for (int i = 0; i < 200; ++i) {
        const QString t = NewHandleToken();
        ASSERT_TRUE(element.match(t).hasMatch()) << t.toStdString();
        EXPECT_GE(t.size(), 20);
        seen.insert(t);
    }
    EXPECT_EQ(seen.size(), 200);
}

// Every pixel tells its place.
pic::Bitmap Pattern(int w, int h, int bpp) {
    pic::Bitmap b(w, h, bpp);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            b.setPixel(
                x, y,
                {uint8_t(x * 5 + y), uint8_t(y * 3), uint8_t(x ^ y), uint8_t(bpp == 32 ? x & 255 : 255)});
    return b;
}

class ScreenPicture : public ::testing::Test {
protected:
    QString write(const std::string& name, const std::vector<uint8_t>& bytes) {
        QString path = dir.filePath(QString::fromStdString(name));
        pic::WriteWholeFile(path.toStdString(), bytes);
        return path;
    }
    QTemporaryDir dir;
};

TEST_F(ScreenPicture, PngIsReadOpaqueWithEveryPixelInPlace) {
    for (int bpp : {24, 32}) {
        const pic::Bitmap b = Pattern(67, 41, bpp);
        const QImage img = ReadScreenPicture(write("shot.png", pic::EncodePng(b)));
        ASSERT_EQ(img.size(), QSize(67, 41));
        EXPECT_EQ(img.format(), QImage::Format_RGB32);
        int wrong = 0;
        for (int y = 0; y < 41; ++y)
            for (int x = 0; x < 67; ++x) {
                const pic::Bgra c = b.pixel(x, y);
                wrong += img.pixel(x, y) != qRgb(c.r, c.g, c.b); // alpha dropped, colours kept
            }
        EXPECT_EQ(wrong, 0) << bpp;
    }
}

TEST_F(ScreenPicture, UnreadableFilesThrow) {
    EXPECT_THROW(ReadScreenPicture(dir.filePath(QStringLiteral("missing.png"))), pic::PictureError);
    std::vector<uint8_t> truncated = pic::EncodePng(Pattern(30, 30, 24));
    truncated.resize(truncated.size() / 2);
    EXPECT_THROW(ReadScreenPicture(write("half.png", truncated)), pic::PictureError);
    EXPECT_THROW(ReadScreenPicture(write("text.png", {'h', 'e', 'l', 'l', 'o'})), pic::PictureError);
}

TEST(PortalFiles, OnlyFilesInsideTheTemporaryFoldersCount) {
    QTemporaryDir root;
    QDir d(root.path());
    ASSERT_TRUE(d.mkpath(QStringLiteral("tmp/sub")) && d.mkpath(QStringLiteral("tmpother")) &&
                d.mkpath(QStringLiteral("Pictures")));
    auto touch = [&](const QString& rel) {
        QFile f(d.filePath(rel));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        return f.fileName();
    };
    const QString inside = touch(QStringLiteral("tmp/shot.png"));
    const QString deeper = touch(QStringLiteral("tmp/sub/shot.png"));
    const QString sibling = touch(QStringLiteral("tmpother/shot.png"));
    const QString pictures = touch(QStringLiteral("Pictures/shot.png"));
    ASSERT_TRUE(QFile::link(pictures, d.filePath(QStringLiteral("tmp/link.png"))));
    const QStringList temp{d.filePath(QStringLiteral("tmp"))};

    EXPECT_TRUE(LiesBelow(inside, temp));
    EXPECT_TRUE(LiesBelow(deeper, temp));
    EXPECT_TRUE(LiesBelow(d.filePath(QStringLiteral("tmp/sub/../shot.png")), temp));
    EXPECT_FALSE(LiesBelow(sibling, temp)) << "a folder whose name only begins the same";
    EXPECT_FALSE(LiesBelow(pictures, temp));
    EXPECT_FALSE(LiesBelow(d.filePath(QStringLiteral("tmp/../Pictures/shot.png")), temp));
    EXPECT_FALSE(LiesBelow(d.filePath(QStringLiteral("tmp/link.png")), temp)) << "a link out of the folder";
    EXPECT_FALSE(LiesBelow(d.filePath(QStringLiteral("tmp/missing.png")), temp));
    EXPECT_FALSE(LiesBelow(d.filePath(QStringLiteral("tmp")), temp));
    EXPECT_FALSE(LiesBelow(inside, {}));
    EXPECT_TRUE(LiesBelow(pictures,
                          {d.filePath(QStringLiteral("nowhere")), d.filePath(QStringLiteral("Pictures/"))}));
}

// The portal's picture is ours to remove when it came into being for our request, wherever it
// lies; a file that was there before, or a link, is not.
TEST(PortalFiles, OnlyAFileWrittenSinceTheRequestIsTheCapturesOwn) {
    QTemporaryDir root;
    QDir d(root.path());
    ASSERT_TRUE(d.mkpath(QStringLiteral("Pictures")));
    const QString shot = d.filePath(QStringLiteral("Pictures/Screenshot.png"));
    QFile f(shot);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    ASSERT_TRUE(QFile::link(shot, d.filePath(QStringLiteral("Pictures/link.png"))));
    const QDateTime now = QDateTime::currentDateTime();
    struct Case {
        const char* name;
        QString file;
        QDateTime since;
        bool ours;
    };
    const Case cases[] = {
        {"written after the request began", shot, now.addSecs(-5), true},
        {"there long before the request", shot, now.addSecs(10), false},
        {"a link to it", d.filePath(QStringLiteral("Pictures/link.png")), now.addSecs(-5), false},
        {"a folder", d.filePath(QStringLiteral("Pictures")), now.addSecs(-5), false},
        {"missing", d.filePath(QStringLiteral("Pictures/none.png")), now.addSecs(-5), false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(WrittenSince(c.file, c.since), c.ours) << c.name;
}

QImage Numbered(int w, int h) {
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, qRgb(x & 255, y & 255, (x >> 8) | (y >> 8) << 4));
    return img;
}

struct PartCase {
    const char* name;
    QSize picture;
    QRect desktop, primary;
    QRect expected; // in the picture
};

class PrimaryPart : public ::testing::TestWithParam<PartCase> {};

TEST_P(PrimaryPart, IsCutFromTheWholeDesktop) {
    const PartCase& c = GetParam();
    const QImage desktop = Numbered(c.picture.width(), c.picture.height());
    const QImage part = PrimaryScreenPart(desktop, c.desktop, c.primary);
    EXPECT_EQ(part.size(), c.expected.size());
    EXPECT_EQ(part, desktop.copy(c.expected));
}

INSTANTIATE_TEST_SUITE_P(
    Portal, PrimaryPart,
    ::testing::Values(
        PartCase{"one_screen", {1920, 1080}, {0, 0, 1920, 1080}, {0, 0, 1920, 1080}, {0, 0, 1920, 1080}},
        PartCase{
            "one_screen_scaled", {3840, 2160}, {0, 0, 1920, 1080}, {0, 0, 1920, 1080}, {0, 0, 3840, 2160}},
        PartCase{"primary_on_the_right",
                 {3000, 1080},
                 {0, 0, 3000, 1080},
                 {1280, 0, 1720, 1080},
                 {1280, 0, 1720, 1080}},
        PartCase{"primary_left_scaled", {1200, 400}, {0, 0, 600, 200}, {0, 0, 300, 200}, {0, 0, 600, 400}},
        PartCase{
            "desktop_not_at_origin", {800, 300}, {-400, 0, 800, 300}, {0, 0, 400, 300}, {400, 0, 400, 300}},
        PartCase{"shape_does_not_match",
                 {1000, 1000},
                 {0, 0, 3000, 1080},
                 {0, 0, 1500, 1080},
                 {0, 0, 1000, 1000}}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
