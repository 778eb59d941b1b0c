#include "calendar_view/CalendarDrawing.h"

#include "ui/Chrome.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace nodo {

using namespace calendar_drawing;

namespace {

int Red(TColor c) {
    return static_cast<int>(c & 0xFF);
}
int Green(TColor c) {
    return static_cast<int>((c >> 8) & 0xFF);
}
int Blue(TColor c) {
    return static_cast<int>((c >> 16) & 0xFF);
}

} // namespace

namespace calendar_drawing {

int PointsToPixels(int points) {
    return (points * 96 + 36) / 72;
}

QFont Face(const QString& face, int points, bool bold) {
    return UiFont(face, PointsToPixels(points), bold);
}

QFont SmallFace() {
    return Face(QStringLiteral("宋体"), 9);
}

QFont HeavyFace(int points) {
    QFont f = UiFont(QStringLiteral("Arial Black"), PointsToPixels(points), true);
    f.setWeight(QFont::Black);
    return f;
}

TColor Rgb(int r, int g, int b) {
    return static_cast<TColor>(r & 0xFF) | (static_cast<TColor>(g & 0xFF) << 8) |
           (static_cast<TColor>(b & 0xFF) << 16);
}

void DrawLine(QPainter& p, const QRect& r, Qt::Alignment align, const QString& text) {
    const QString shown = p.fontMetrics().elidedText(text, Qt::ElideRight, std::max(0, r.width()));
    p.drawText(r, static_cast<int>(align) | Qt::TextSingleLine, shown);
}

} // namespace calendar_drawing

QColor ToQColor(TColor c) {
    return QColor(Red(c), Green(c), Blue(c));
}

void GradientBandSpan(int k, int bands, int length, int& from, int& to) {
    from = static_cast<int>(std::nearbyint(static_cast<double>(k - 1) * length / bands));
    to = static_cast<int>(std::nearbyint(static_cast<double>(k) * length / bands));
}

TColor GradientBand(int k, int bands, TColor a, TColor b) {
    auto channel = [&](int ca, int cb) {
        const double step = static_cast<double>(ca - cb) / bands;
        return static_cast<int>(cb + std::nearbyint(k * step)) & 0xFF;
    };
    return Rgb(channel(Red(a), Red(b)), channel(Green(a), Green(b)), channel(Blue(a), Blue(b)));
}

void GradientFill(QPainter& p, const QRect& rect, int bands, bool vertical, TColor a, TColor b) {
    if (bands < 1) return;
    const int length = vertical ? rect.height() : rect.width();
    for (int k = 1; k <= bands; ++k) {
        int from = 0, to = 0;
        GradientBandSpan(k, bands, length, from, to);
        if (to <= from) continue;
        const QRect band = vertical ? QRect(rect.left(), rect.top() + from, rect.width(), to - from)
                                    : QRect(rect.left() + from, rect.top(), to - from, rect.height());
        p.fillRect(band, ToQColor(GradientBand(k, bands, a, b)));
    }
}

void FitPicture(int pw, int ph, int bw, int bh, bool centre, QRect& r) {
    // A picture without height has no proportions: the rectangle stays as it was.
    if (ph == 0) return;
    const double q = static_cast<double>(pw) / ph;
    int w = 0, h = 0;
    if (ph < pw) {
        if (q == 0) return;
        h = static_cast<int>(bw / q);
        w = bw;
        if (bh < h) {
            w = static_cast<int>(q * bh);
            h = bh;
        }
    } else {
        w = static_cast<int>(q * bh);
        h = bh;
        if (bw < w) {
            h = q == 0 ? 0 : static_cast<int>(bw / q);
            w = bw;
        }
    }
    r = QRect(0, 0, w, h);
    if (centre) r.translate((bw - w) / 2, (bh - h) / 2);
}

void BlendPicture(QImage& dst, QImage& src, int x0, int y0, std::int64_t key, int percent) {
    if (dst.format() != QImage::Format_RGB888) dst = dst.convertToFormat(QImage::Format_RGB888);
    if (src.format() != QImage::Format_RGB888) src = src.convertToFormat(QImage::Format_RGB888);
    if (src.isNull() || dst.isNull()) return;
    auto colourAt = [](const uchar* px) { return Rgb(px[0], px[1], px[2]); };
    const TColor keyColour = key == -1 ? colourAt(src.constScanLine(0)) : static_cast<TColor>(key);
    const int f = percent % 100;
    for (int y = 0; y < src.height(); ++y) {
        const int ty = y0 + y;
        if (ty < 0 || ty >= dst.height()) continue;
        const uchar* s = src.constScanLine(y);
        uchar* d = dst.scanLine(ty);
        for (int x = 0; x < src.width(); ++x) {
            const int tx = x0 + x;
            if (tx < 0 || tx >= dst.width()) continue;
            const uchar* sp = s + std::ptrdiff_t{3} * x;
            if (colourAt(sp) == keyColour) continue;
            uchar* dp = d + std::ptrdiff_t{3} * tx;
            for (int c = 0; c < 3; ++c)
                dp[c] = static_cast<uchar>(std::clamp(((100 - f) * dp[c] + f * sp[c]) / 100, 0, 255));
        }
    }
}

} // namespace nodo
