#include "pictures/PicImage.h"

#include "imaging/PictureFile.h"
#include "platform/AppFolder.h"

#include <QPainter>
#include <algorithm>
#include <utility>

namespace nodo {

QImage ShownImage(const pic::Bitmap& picture, TPicImage::Kind kind) {
    if (picture.empty()) return {};
    const int w = picture.width(), h = picture.height();
    QImage img(w, h, QImage::Format_ARGB32);
    const int bpp = picture.bytesPerPixel();
    const bool keyed = kind == TPicImage::Kind::Bitmap;
    // A bitmap is drawn transparently: its bottom-left colour is the see-through one.
    const std::uint8_t* corner = picture.row(h - 1);
    for (int y = 0; y < h; ++y) {
        const std::uint8_t* src = picture.row(y);
        auto* dst = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < w; ++x, src += bpp) {
            int a = 255;
            if (keyed) {
                if (src[0] == corner[0] && src[1] == corner[1] && src[2] == corner[2]) a = 0;
            } else if (bpp == 4) {
                a = src[3];
            }
            dst[x] = qRgba(src[2], src[1], src[0], a);
        }
    }
    return img;
}

TPicImage::TPicImage(QWidget* parent) : QWidget(parent) {
    resize(495, 371);
    setCursor(Qt::PointingHandCursor);
}

void TPicImage::LoadFromFile(const std::string& path) {
    const pic::PictureFormat format = pic::FormatByExtension(path);
    if (format == pic::PictureFormat::Unknown)
        throw pic::PictureError(pic::PictureErrorKind::Unsupported,
                                "Unknown picture file extension: \"" + path + "\"");
    const std::vector<std::uint8_t> bytes = pic::ReadWholeFile(path);
    pic::Bitmap picture;
    switch (format) {
    case pic::PictureFormat::Bmp:
        picture = pic::DecodeBmp(bytes);
        break;
    case pic::PictureFormat::Jpeg:
        picture = pic::DecodeJpeg(bytes);
        break;
    case pic::PictureFormat::Png:
        picture = pic::DecodePng(bytes);
        break;
    case pic::PictureFormat::Gif:
        picture = pic::DecodeGif(bytes);
        break;
    case pic::PictureFormat::Unknown:
        break;
    }
    setPicture(std::move(picture), format == pic::PictureFormat::Bmp ? Kind::Bitmap : Kind::Other, format);
}

void TPicImage::setBitmap(pic::Bitmap bitmap) {
    setPicture(std::move(bitmap), Kind::Bitmap, pic::PictureFormat::Bmp);
}

void TPicImage::clear() {
    setPicture(pic::Bitmap(), Kind::None, pic::PictureFormat::Unknown);
}

void TPicImage::setPicture(pic::Bitmap picture, Kind kind, pic::PictureFormat format) {
    m_shown = ShownImage(picture, kind);
    m_picture = std::move(picture);
    m_kind = kind;
    m_format = format;
    // Auto size: the page takes the picture's own size.
    resize(m_picture.width(), m_picture.height());
    update();
}

pic::Bitmap TPicImage::renderOverWhite() const {
    const int w = width(), h = height();
    if (w <= 0 || h <= 0) return {};
    pic::Bitmap out(w, h, 24);
    out.fill({255, 255, 255, 255});
    if (m_shown.isNull()) return out;
    const int cw = std::min(w, m_shown.width()), ch = std::min(h, m_shown.height());
    for (int y = 0; y < ch; ++y) {
        const auto* src = reinterpret_cast<const QRgb*>(m_shown.constScanLine(y));
        std::uint8_t* dst = out.row(y);
        for (int x = 0; x < cw; ++x, dst += 3) {
            const QRgb p = src[x];
            const int a = qAlpha(p);
            // Straight alpha over white, rounded.
            dst[0] = static_cast<std::uint8_t>((qBlue(p) * a + 255 * (255 - a) + 127) / 255);
            dst[1] = static_cast<std::uint8_t>((qGreen(p) * a + 255 * (255 - a) + 127) / 255);
            dst[2] = static_cast<std::uint8_t>((qRed(p) * a + 255 * (255 - a) + 127) / 255);
        }
    }
    return out;
}

void TPicImage::paintEvent(QPaintEvent*) {
    if (m_shown.isNull()) return;
    QPainter p(this);
    p.drawImage(0, 0, m_shown);
}

} // namespace nodo
