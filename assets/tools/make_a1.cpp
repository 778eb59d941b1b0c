// Draws the default desktop background "A1.bmp": a calm lake landscape at dusk, 1280 x 768, 24-bit BMP.
// The picture is computed, not stored, so the repository carries no binary and every build gets the
// same pixels (fixed seed). Usage: make_a1 <output.bmp>
#include "imaging/PictureFile.h"

#include <QColor>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

constexpr int kWidth = 1280;
constexpr int kHeight = 768;
constexpr int kWaterLine = 600;
constexpr double kSunX = 420;
constexpr double kSunY = 432;

// Small deterministic generator, so the picture does not depend on the C library's rand().
class Rng {
public:
    explicit Rng(uint64_t seed) : m_state(seed) {}
    double Next() { // uniform in [0, 1)
        m_state ^= m_state << 13;
        m_state ^= m_state >> 7;
        m_state ^= m_state << 17;
        return double(m_state >> 11) * (1.0 / 9007199254740992.0);
    }

private:
    uint64_t m_state;
};

// One-dimensional value noise with a few octaves: the outline of a mountain range.
class Ridge {
public:
    Ridge(uint64_t seed, int points) : m_values(points) {
        Rng rng(seed);
        for (double& v : m_values)
            v = rng.Next() * 2.0 - 1.0;
    }
    double At(double x) const {
        double sum = 0, amplitude = 1, norm = 0, frequency = 1;
        for (int octave = 0; octave < 4; ++octave) {
            sum += amplitude * Smooth(x * frequency + octave * 17.3);
            norm += amplitude;
            amplitude *= 0.45;
            frequency *= 2.1;
        }
        return sum / norm;
    }

private:
    double Smooth(double x) const {
        const int n = int(m_values.size());
        const double f = std::floor(x);
        const double t = x - f;
        const double s = t * t * (3 - 2 * t);
        const int i = ((int(f) % n) + n) % n;
        return m_values[i] * (1 - s) + m_values[(i + 1) % n] * s;
    }
    std::vector<double> m_values;
};

struct Rgb {
    double r, g, b;
};

Rgb Mix(const Rgb& a, const Rgb& b, double t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

// Sky colour at a height, from the deep blue of the zenith to the warm haze at the horizon.
Rgb SkyAt(double y) {
    static const Rgb stops[] = {{104, 146, 204}, {158, 190, 229}, {214, 222, 238}, {247, 220, 196}};
    static const double at[] = {0, 230, 400, 520};
    if (y <= at[0]) return stops[0];
    for (int i = 1; i < 4; ++i)
        if (y <= at[i]) {
            const double t = (y - at[i - 1]) / (at[i] - at[i - 1]);
            return Mix(stops[i - 1], stops[i], t * t * (3 - 2 * t));
        }
    return stops[3];
}

uint8_t Channel(double v, double dither) {
    return uint8_t(std::clamp(int(std::floor(v + dither)), 0, 255));
}

// Sky with the glow of a low sun, computed per pixel with a little dither so the wide gradient
// shows no bands.
void PaintSky(QImage& img, Rng& rng) {
    for (int y = 0; y < kWaterLine; ++y) {
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        const Rgb base = SkyAt(y);
        for (int x = 0; x < kWidth; ++x) {
            const double d = std::hypot((x - kSunX) / 1.6, y - kSunY);
            const double glow = std::exp(-d / 170.0) * 0.55 + std::exp(-d / 45.0) * 0.35;
            const Rgb c = Mix(base, {255, 238, 214}, std::min(glow, 1.0));
            const double dither = rng.Next();
            line[x] = qRgb(Channel(c.r, dither), Channel(c.g, dither), Channel(c.b, dither));
        }
    }
}

// A few long, thin clouds lit from below.
void PaintClouds(QPainter& p) {
    struct Cloud {
        double x, y, w, h;
        int alpha;
    };
    const Cloud clouds[] = {{120, 170, 520, 16, 60}, {260, 196, 380, 10, 45}, {700, 120, 460, 14, 40},
                            {820, 150, 300, 9, 50},  {40, 300, 300, 8, 40},   {900, 330, 340, 10, 45}};
    p.setPen(Qt::NoPen);
    for (const Cloud& c : clouds) {
        QLinearGradient g(c.x, 0, c.x + c.w, 0);
        g.setColorAt(0, QColor(255, 246, 236, 0));
        g.setColorAt(0.5, QColor(255, 246, 236, c.alpha));
        g.setColorAt(1, QColor(255, 246, 236, 0));
        p.setBrush(g);
        p.drawEllipse(QRectF(c.x, c.y, c.w, c.h));
    }
}

void PaintSun(QPainter& p) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 247, 230));
    p.drawEllipse(QPointF(kSunX, kSunY), 26, 26);
}

struct Range {
    uint64_t seed;
    double base, amplitude, scale;
    QColor top, bottom;
};

void PaintRange(QPainter& p, const Range& r, double bottom) {
    const Ridge ridge(r.seed, 64);
    QPainterPath path(QPointF(-2, bottom));
    double highest = bottom;
    for (int x = -2; x <= kWidth + 2; x += 2) {
        const double y = r.base - r.amplitude * ridge.At(x / r.scale);
        highest = std::min(highest, y);
        path.lineTo(x, y);
    }
    path.lineTo(kWidth + 2, bottom);
    path.closeSubpath();
    QLinearGradient g(0, highest, 0, bottom);
    g.setColorAt(0, r.top);
    g.setColorAt(1, r.bottom);
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawPath(path);
}

// The lake mirrors everything above the water line, with a slight ripple and a cool tint.
void PaintWater(QImage& img, Rng& rng) {
    for (int y = kWaterLine; y < kHeight; ++y) {
        const int depth = y - kWaterLine;
        const int mirror = std::max(0, kWaterLine - 1 - depth);
        const double fade = std::min(1.0, depth / 170.0);
        auto* dst = reinterpret_cast<QRgb*>(img.scanLine(y));
        const auto* src = reinterpret_cast<const QRgb*>(img.constScanLine(mirror));
        const double phase = depth * 0.9;
        const double swing = 0.6 + depth * 0.012;
        for (int x = 0; x < kWidth; ++x) {
            // Sample between two source pixels so the ripple bends edges instead of stepping them.
            const double sx = std::clamp(x + std::sin(phase + x * 0.004) * swing, 0.0, kWidth - 1.001);
            const int x0 = int(sx);
            const double t = sx - x0;
            const QRgb a = src[x0], b = src[x0 + 1];
            const Rgb s = Mix({double(qRed(a)), double(qGreen(a)), double(qBlue(a))},
                              {double(qRed(b)), double(qGreen(b)), double(qBlue(b))}, t);
            const Rgb tint = {62, 96, 130};
            const Rgb c = Mix(s, tint, 0.25 + 0.35 * fade);
            const double dither = rng.Next();
            dst[x] = qRgb(Channel(c.r, dither), Channel(c.g, dither), Channel(c.b, dither));
        }
    }
    // The sun's path on the water: short warm glints that thin out towards the viewer.
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    Rng glints(7);
    for (int i = 0; i < 26; ++i) {
        const double y = kWaterLine + 4 + i * 4.5 + glints.Next() * 2;
        const double w = (48 - i * 1.4) * (0.5 + glints.Next() * 0.6);
        const double x = kSunX - w / 2 + (glints.Next() - 0.5) * 16;
        p.setBrush(QColor(255, 232, 200, std::max(10, 70 - i * 2)));
        p.drawRoundedRect(QRectF(x, y, w, 1.4), 0.7, 0.7);
    }
}

void PaintShore(QPainter& p) {
    QPainterPath left(QPointF(0, kHeight));
    left.lineTo(0, 668);
    left.cubicTo(120, 650, 260, 676, 380, 712);
    left.cubicTo(450, 734, 520, 752, 600, kHeight);
    left.closeSubpath();
    QPainterPath right(QPointF(kWidth, kHeight));
    right.lineTo(kWidth, 700);
    right.cubicTo(1160, 694, 1060, 724, 980, kHeight);
    right.closeSubpath();
    QLinearGradient g(0, 650, 0, kHeight);
    g.setColorAt(0, QColor(52, 86, 98));
    g.setColorAt(1, QColor(30, 52, 64));
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawPath(left);
    p.drawPath(right);
}

QImage Draw() {
    QImage img(kWidth, kHeight, QImage::Format_RGB32);
    img.fill(Qt::black);
    Rng rng(0x4e6f646f41310001ULL);
    PaintSky(img, rng);
    {
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        PaintClouds(p);
        PaintSun(p);
        const double bottom = kWaterLine;
        const Range ranges[] = {
            {11, 455, 85, 330, QColor(170, 176, 209), QColor(214, 208, 222)},
            {23, 500, 70, 240, QColor(126, 145, 190), QColor(178, 184, 212)},
            {37, 545, 60, 170, QColor(88, 118, 163), QColor(136, 155, 192)},
            {41, 585, 30, 120, QColor(58, 98, 120), QColor(82, 118, 140)},
        };
        for (const Range& r : ranges)
            PaintRange(p, r, bottom);
    }
    PaintWater(img, rng);
    {
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        PaintShore(p);
    }
    return img;
}

// The picture as our own bitmap (24 bits, BGR rows), for the program's own BMP writer.
nodo::pic::Bitmap ToBitmap(const QImage& img) {
    nodo::pic::Bitmap bmp(img.width(), img.height(), 24);
    for (int y = 0; y < img.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(img.constScanLine(y));
        uint8_t* row = bmp.row(y);
        for (int x = 0; x < img.width(); ++x) {
            row[3 * x] = uint8_t(qBlue(line[x]));
            row[3 * x + 1] = uint8_t(qGreen(line[x]));
            row[3 * x + 2] = uint8_t(qRed(line[x]));
        }
    }
    return bmp;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output.bmp>\n", argv[0]);
        return 2;
    }
    const std::filesystem::path out = argv[1];
    std::error_code ec;
    if (out.has_parent_path()) std::filesystem::create_directories(out.parent_path(), ec);
    try {
        // Written through a temporary file and a rename, so an interrupted build never leaves half a picture.
        nodo::pic::SaveBmpFile(out, ToBitmap(Draw()), 24);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: %s\n", argv[0], e.what());
        return 1;
    }
    return 0;
}
