#include "ui/BitmapImage.h"

#include <cstring>

namespace nodo {

QImage ToQImage(const pic::Bitmap& bitmap) {
    if (bitmap.empty()) return {};
    QImage image(bitmap.width(), bitmap.height(), QImage::Format_RGB32);
    for (int y = 0; y < bitmap.height(); ++y) {
        const std::uint8_t* s = bitmap.row(y);
        auto* d = reinterpret_cast<QRgb*>(image.scanLine(y));
        const int step = bitmap.bytesPerPixel();
        for (int x = 0; x < bitmap.width(); ++x, s += step)
            d[x] = qRgb(s[2], s[1], s[0]);
    }
    return image;
}

pic::Bitmap FromQImage(const QImage& image, int bitsPerPixel) {
    if (image.isNull() || image.width() == 0 || image.height() == 0) return pic::Bitmap(0, 0, bitsPerPixel);
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    pic::Bitmap out = pic::Bitmap::uninitialized(argb.width(), argb.height(), bitsPerPixel);
    const int step = out.bytesPerPixel();
    for (int y = 0; y < argb.height(); ++y) {
        const auto* s = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        std::uint8_t* d = out.row(y);
        for (int x = 0; x < argb.width(); ++x, d += step) {
            d[0] = static_cast<std::uint8_t>(qBlue(s[x]));
            d[1] = static_cast<std::uint8_t>(qGreen(s[x]));
            d[2] = static_cast<std::uint8_t>(qRed(s[x]));
            if (step == 4) d[3] = static_cast<std::uint8_t>(qAlpha(s[x]));
        }
    }
    return out;
}

} // namespace nodo
