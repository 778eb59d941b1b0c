#include "platform/portal/PortalPicture.h"

#include "imaging/Codecs.h"
#include "imaging/PictureFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cmath>

namespace nodo {

QString NewHandleToken() {
    QRandomGenerator* random = QRandomGenerator::system();
    return QStringLiteral("nodo%1%2")
        .arg(random->generate64(), 16, 16, QLatin1Char('0'))
        .arg(random->generate64(), 16, 16, QLatin1Char('0'));
}

QString RequestPath(const QString& uniqueName, const QString& token) {
    QString sender = uniqueName.startsWith(QLatin1Char(':')) ? uniqueName.mid(1) : uniqueName;
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    return QStringLiteral("/org/freedesktop/portal/desktop/request/") + sender + QLatin1Char('/') + token;
}

QImage ReadScreenPicture(const QString& file) {
    const auto bytes = pic::ReadWholeFile(QFile::encodeName(file).toStdString());
    const pic::Bitmap bitmap = pic::DecodeAny(bytes);
    QImage image(bitmap.width(), bitmap.height(), QImage::Format_RGB32);
    if (image.isNull() && !bitmap.empty())
        throw pic::PictureError(pic::PictureErrorKind::TooLarge, "no memory for the screen picture");
    const int step = bitmap.bytesPerPixel();
    for (int y = 0; y < bitmap.height(); ++y) {
        const std::uint8_t* src = bitmap.row(y);
        auto* dst = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < bitmap.width(); ++x, src += step)
            dst[x] = 0xFF000000u | QRgb(src[2]) << 16 | QRgb(src[1]) << 8 | QRgb(src[0]);
    }
    return image;
}

bool LiesBelow(const QString& file, const QStringList& folders) {
    const QString canonical = QFileInfo(file).canonicalFilePath();
    if (canonical.isEmpty()) return false;
    for (const QString& folder : folders) {
        QString base = QFileInfo(folder).canonicalFilePath();
        if (base.isEmpty()) continue;
        if (!base.endsWith(QLatin1Char('/'))) base += QLatin1Char('/');
        if (canonical.startsWith(base) && canonical.size() > base.size()) return true;
    }
    return false;
}

bool WrittenSince(const QString& file, const QDateTime& since) {
    const QFileInfo info(file);
    if (info.isSymLink() || !info.isFile()) return false;
    QDateTime made = info.birthTime();
    if (!made.isValid()) made = info.metadataChangeTime();
    return made.isValid() && made >= since.addMSecs(-1000);
}

QStringList DefaultTemporaryFolders() {
    return {QDir::tempPath()};
}

QImage PrimaryScreenPart(const QImage& desktop, const QRect& virtualGeometry, const QRect& primaryGeometry) {
    if (desktop.isNull() || virtualGeometry.isEmpty() || primaryGeometry.isEmpty()) return desktop;
    if (virtualGeometry == primaryGeometry) return desktop;
    const double scale = double(desktop.width()) / virtualGeometry.width();
    if (std::abs(desktop.height() - virtualGeometry.height() * scale) > scale + 0.5) return desktop;
    const QPoint offset = primaryGeometry.topLeft() - virtualGeometry.topLeft();
    const QRect part(int(std::lround(offset.x() * scale)), int(std::lround(offset.y() * scale)),
                     int(std::lround(primaryGeometry.width() * scale)),
                     int(std::lround(primaryGeometry.height() * scale)));
    return desktop.copy(part.intersected(desktop.rect()));
}

} // namespace nodo
