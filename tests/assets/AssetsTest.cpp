// The shipped artwork, default background and pages: each must load the way the program loads it.
#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QPainter>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QSvgRenderer>

#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <ostream>
#include <string>

namespace {

QString AppDir() {
    const char* dir = std::getenv("NODO_APP_DIR");
    return QString::fromLocal8Bit(dir && *dir ? dir : NODO_ASSETS_APP_DIR) + QLatin1Char('/');
}

struct ArtCase {
    const char* name;
    int width, height;
};

void PrintTo(const ArtCase& c, std::ostream* os) {
    *os << c.name;
}

class ArtTest : public testing::TestWithParam<ArtCase> {};

// Renders at the design size, as the windows do, and demands a picture that is really there:
// some painted pixels and more than one colour.
TEST_P(ArtTest, RendersAtItsDesignSize) {
    const ArtCase& c = GetParam();
    QSvgRenderer svg(QStringLiteral(":/art/%1.svg").arg(QLatin1String(c.name)));
    ASSERT_TRUE(svg.isValid()) << c.name;
    EXPECT_EQ(svg.defaultSize(), QSize(c.width, c.height));

    QImage img(c.width, c.height, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    {
        QPainter p(&img);
        svg.render(&p);
    }
    int painted = 0;
    bool varied = false;
    const QRgb first = img.pixel(0, 0);
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const QRgb px = img.pixel(x, y);
            painted += qAlpha(px) > 0;
            varied |= px != first;
        }
    EXPECT_GT(painted, c.width * c.height / 50) << c.name;
    EXPECT_TRUE(varied) << c.name;
}

INSTANTIATE_TEST_SUITE_P(Art, ArtTest,
                         testing::Values(ArtCase{"main_bg", 830, 500}, ArtCase{"logo", 200, 57},
                                         ArtCase{"close_normal", 39, 20}, ArtCase{"close_highlight", 39, 20},
                                         ArtCase{"close_down", 39, 20}, ArtCase{"mini_normal", 28, 20},
                                         ArtCase{"mini_highlight", 28, 20}, ArtCase{"mini_down", 28, 20},
                                         ArtCase{"apply", 84, 29}, ArtCase{"piclist", 200, 93},
                                         ArtCase{"picsel_bg", 524, 286}, ArtCase{"ques", 45, 46},
                                         ArtCase{"app_icon", 64, 64}, ArtCase{"calendar_icon", 64, 64}),
                         [](const testing::TestParamInfo<ArtCase>& i) { return std::string(i.param.name); });

// Backgrounds fill their whole window: no transparent corner may let the desktop show through.
TEST(ArtBackgrounds, AreOpaqueEverywhere) {
    for (const char* name : {"main_bg", "picsel_bg"}) {
        QSvgRenderer svg(QStringLiteral(":/art/%1.svg").arg(QLatin1String(name)));
        QImage img(svg.defaultSize(), QImage::Format_ARGB32_Premultiplied);
        img.fill(Qt::transparent);
        {
            QPainter p(&img);
            svg.render(&p);
        }
        const int w = img.width() - 1, h = img.height() - 1;
        for (QPoint pt : {QPoint(0, 0), QPoint(w, 0), QPoint(0, h), QPoint(w, h), QPoint(w / 2, h / 2)})
            EXPECT_EQ(qAlpha(img.pixel(pt)), 255) << name << " at " << pt.x() << "," << pt.y();
    }
}

uint32_t Le32(const QByteArray& b, int at) {
    return uint32_t(uint8_t(b[at])) | uint32_t(uint8_t(b[at + 1])) << 8 | uint32_t(uint8_t(b[at + 2])) << 16 |
           uint32_t(uint8_t(b[at + 3])) << 24;
}
uint16_t Le16(const QByteArray& b, int at) {
    return uint16_t(uint8_t(b[at]) | uint8_t(b[at + 1]) << 8);
}

TEST(DefaultBackground, IsAnUncompressed24BitBmpOf1280By768) {
    QFile f(AppDir() + QStringLiteral("source/DeskTopBG/A1.bmp"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << f.fileName().toStdString();
    const QByteArray b = f.readAll();
    const uint32_t pixelBytes = 1280 * 3 * 768;
    ASSERT_EQ(b.size(), qsizetype(54 + pixelBytes));
    EXPECT_EQ(b.left(2), QByteArray("BM"));
    EXPECT_EQ(Le32(b, 2), 54 + pixelBytes); // file size
    EXPECT_EQ(Le32(b, 10), 54u);            // pixel offset
    EXPECT_EQ(Le32(b, 14), 40u);            // info header size
    EXPECT_EQ(int32_t(Le32(b, 18)), 1280);
    EXPECT_EQ(int32_t(Le32(b, 22)), 768); // positive: bottom-up rows
    EXPECT_EQ(Le16(b, 26), 1);
    EXPECT_EQ(Le16(b, 28), 24);
    EXPECT_EQ(Le32(b, 30), 0u); // uncompressed
    EXPECT_EQ(Le32(b, 34), pixelBytes);
}

// Decoded by an independent reader, the picture must stand the right way up with its colours in
// order: blue sky at the top, dark shore at the bottom.
TEST(DefaultBackground, DecodesUprightWithSkyAtTheTop) {
    QImage img(AppDir() + QStringLiteral("source/DeskTopBG/A1.bmp"));
    ASSERT_FALSE(img.isNull());
    ASSERT_EQ(img.size(), QSize(1280, 768));
    const QColor sky = img.pixelColor(1200, 10);
    const QColor shore = img.pixelColor(20, 760);
    EXPECT_GT(sky.blue(), sky.red() + 40);
    EXPECT_GT(sky.lightness(), shore.lightness() + 60);
}

struct PageCase {
    const char* path;
    const char* title;
};

void PrintTo(const PageCase& c, std::ostream* os) {
    *os << c.path;
}

class PageTest : public testing::TestWithParam<PageCase> {};

// Every page is UTF-8, says so, carries its Chinese title, and every relative link leads to a
// page that is shipped with it.
TEST_P(PageTest, IsUtf8AndItsLinksResolve) {
    const PageCase& c = GetParam();
    const QString path = AppDir() + QStringLiteral("web/") + QLatin1String(c.path);
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
    const QByteArray bytes = f.readAll();
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString html = utf8(bytes);
    ASSERT_FALSE(utf8.hasError()) << c.path;
    EXPECT_TRUE(html.contains(QLatin1String("<meta charset=\"utf-8\">"))) << c.path;
    EXPECT_TRUE(html.contains(QStringLiteral("<title>%1").arg(QString::fromUtf8(c.title)))) << c.path;

    const QString dir = path.left(path.lastIndexOf(QLatin1Char('/')) + 1);
    const QRegularExpression href(QStringLiteral("href=\"([^\"#]+)"));
    for (auto it = href.globalMatch(html); it.hasNext();) {
        const QString target = it.next().captured(1);
        ASSERT_FALSE(target.contains(QLatin1String("://"))) << "external link in " << c.path;
        EXPECT_TRUE(QFile::exists(dir + target)) << c.path << " -> " << target.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Web, PageTest,
                         testing::Values(PageCase{"rs/Tavi.htm", "欢迎使用 Nodo助手"},
                                         PageCase{"help4/tavia.htm", "帮助说明"},
                                         PageCase{"help4/tavib.htm", "意见反馈"}),
                         [](const testing::TestParamInfo<PageCase>& i) {
                             std::string n = i.param.path;
                             for (char& ch : n)
                                 if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
                             return n;
                         });

TEST(Web, StartPageLinksToTheHelpPage) {
    QFile f(AppDir() + QStringLiteral("web/rs/Tavi.htm"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(f.readAll().contains("href=\"../help4/tavia.htm\""));
}

} // namespace
