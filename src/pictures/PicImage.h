#pragma once
// The picture page: one picture, shown at its own size over whatever lies behind (a white panel).
#include "imaging/Bitmap.h"
#include "imaging/Codecs.h"

#include <QImage>
#include <QWidget>
#include <string>

namespace nodo {

class TPicImage : public QWidget {
    Q_OBJECT
public:
    // What the page holds: nothing, a bitmap (a BMP file or a picture made in memory), or a picture
    // of another format shown as it was decoded (JPEG, PNG, GIF).
    enum class Kind { None, Bitmap, Other };

    explicit TPicImage(QWidget* parent = nullptr);

    // Loads a BMP, JPEG, PNG or GIF file; the decoder is chosen by the extension without regard to
    // case. Throws pic::PictureError for an unknown extension or a file that does not decode, and
    // then the page keeps what it showed.
    void LoadFromFile(const std::string& path);
    // Shows a bitmap made in memory (a screen capture).
    void setBitmap(pic::Bitmap bitmap);
    // Empties the page.
    void clear();

    Kind kind() const { return m_kind; }
    bool isBitmap() const { return m_kind == Kind::Bitmap; }
    bool empty() const { return m_kind == Kind::None || m_picture.empty(); }
    pic::PictureFormat format() const { return m_format; }
    // The picture as decoded: a bitmap keeps the depth it was loaded with; a PNG or GIF with
    // transparency is 32 bits with its alpha channel.
    const pic::Bitmap& picture() const { return m_picture; }

    // The page as drawn onto a white bitmap of the widget's current size at (0, 0): a bitmap's
    // key colour and the transparent parts of other pictures come out white. 24 bits.
    pic::Bitmap renderOverWhite() const;

    // The picture as the page paints it (ARGB, key colour or alpha applied).
    const QImage& shownImage() const { return m_shown; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void setPicture(pic::Bitmap picture, Kind kind, pic::PictureFormat format);

    Kind m_kind = Kind::None;
    pic::PictureFormat m_format = pic::PictureFormat::Unknown;
    pic::Bitmap m_picture;
    QImage m_shown;
};

// The page's view of a picture: for a bitmap, every pixel of the bottom-left pixel's colour is
// transparent and the rest opaque; other kinds keep their alpha channel.
QImage ShownImage(const pic::Bitmap& picture, TPicImage::Kind kind);

} // namespace nodo
