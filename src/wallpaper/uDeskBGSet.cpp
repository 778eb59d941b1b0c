#include "wallpaper/uDeskBGSet.h"

#include "pictures/PicImage.h"
#include "imaging/PictureFile.h"
#include "platform/Platform.h"
#include "ui/BitmapImage.h"

#include "ui/Chrome.h"

#include <QFont>
#include <QLabel>
#include <QPainter>
#include <QPixmap>

namespace nodo {

TDeskBGSetFrm::TDeskBGSetFrm(Platform& platform, QWidget* parent)
    : QWidget(parent, Qt::Window), m_platform(platform), m_files(*platform.folder) {
    setWindowTitle(QStringLiteral("桌面背景设置"));
    resize(1020, 734);
    m_imgPicMix = new QLabel(this);
    m_imgPicMix->setObjectName(QStringLiteral("imgPicMix"));
    m_imgPicMix->move(335, 2);
    FormCreate();
}

void TDeskBGSetFrm::FormCreate() {
    DeskTopBGDir = m_files.dir();
    MonthCons.assign(kGridCells, TMonthCon{});
}

pic::Bitmap TDeskBGSetFrm::SaveContentPic(TPicImage& image) {
    if (!image.isBitmap() || image.empty()) {
        image.clear();
        nodo::SaveContentPic(m_files, pic::Bitmap());
        return {};
    }
    nodo::SaveContentPic(m_files, image.picture());
    return image.picture();
}

void TDeskBGSetFrm::SetContentImage(const pic::Bitmap& content, int width, int height) {
    m_imgPicMix->resize(width, height);
    m_imgPicMix->setPixmap(content.empty() ? QPixmap() : QPixmap::fromImage(ToQImage(content)));
}

QString TDeskBGSetFrm::WeekDayTitle(int N) {
    switch (N) {
    case 1: return QStringLiteral("星期一");
    case 2: return QStringLiteral("星期二");
    case 3: return QStringLiteral("星期三");
    case 4: return QStringLiteral("星期四");
    case 5: return QStringLiteral("星期五");
    case 6: return QStringLiteral("星期六/日");
    default: return {};
    }
}

QImage TDeskBGSetFrm::RenderMonthGrid() const {
    QImage grid(kGridWidth, kGridHeight, QImage::Format_RGB32);
    grid.fill(Qt::white);
    QPainter p(&grid);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(Qt::black, 0)); // cosmetic: exactly one pixel
    // Lines end one pixel short of their end point, as the grid's coordinates are pixel edges.
    const auto hline = [&](int y) { p.drawLine(0, y, kGridWidth - 1, y); };
    const auto vline = [&](int x) { p.drawLine(x, 0, x, kGridHeight - 1); };
    hline(0);
    hline(kGridHeight - 1);
    vline(0);
    vline(kGridWidth - 1);
    const int header = 20;
    hline(header);

    p.setFont(UiFont(QStringLiteral("宋体"), 11)); // about 8 points
    const int cw = kGridWidth / 7;
    const auto title = [&](int x, const QString& text) {
        p.drawText(QRect(x, 3, cw - 26, header - 4), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
    };
    title(24, QStringLiteral("星期日"));
    for (int c = 1; c <= 6; ++c) {
        vline(c * cw);
        title(c * cw + 24, WeekDayTitle(c));
    }

    const int rh = (kGridHeight - header) / 6;
    int k = 0;
    for (int r = 1; r <= 6; ++r) {
        if (r < 6) hline(rh * r + header);
        for (int j = 0; j < 7; ++j, ++k) {
            const TMonthCon& cell = MonthCons.at(static_cast<std::size_t>(k));
            const QRect rect(QPoint(j * cw + 2, (r - 1) * rh + 22), QPoint((j + 1) * cw - 3, rh * r + 17));
            const QString text = QString::fromStdString(cell.ConTitle) + QLatin1Char('\n') +
                                 QString::fromStdString(cell.ConText);
            p.save();
            p.setClipRect(rect);
            p.drawText(rect, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, text);
            p.restore();
        }
    }
    return grid;
}

void TDeskBGSetFrm::DrawMonthGrid() {
    const int bits = m_platform.screen && m_platform.screen->depth() < 32 ? 24 : 32;
    const pic::Bitmap bitmap = FromQImage(RenderMonthGrid(), bits);
    pic::SaveBmpFile(m_files.content(), bitmap, bits);
}

bool TDeskBGSetFrm::SetWallpaper(const std::string& FileName, std::string& error) {
    return nodo::SetWallpaper(*m_platform.wallpaper, FileName, error);
}

} // namespace nodo
