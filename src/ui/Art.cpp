#include "ui/Art.h"

#include <QFile>
#include <QPainter>
#include <QSvgRenderer>

// The resources live in a static library; referencing their initialiser keeps the linker from
// dropping them.
static void InitArtResources() {
    static const bool done = [] {
        Q_INIT_RESOURCE(art);
        return true;
    }();
    (void)done;
}

namespace nodo::art {

static QString ResourcePath(const QString& name) {
    InitArtResources();
    for (const char* ext : {".svg", ".png"}) {
        QString p = QStringLiteral(":/art/") + name + QLatin1String(ext);
        if (QFile::exists(p)) return p;
    }
    return {};
}

QPixmap Pixmap(const QString& name, const QSize& size) {
    const QString path = ResourcePath(name);
    if (path.isEmpty()) return {};
    if (path.endsWith(QLatin1String(".png"))) {
        QPixmap pm(path);
        return size.isValid() && pm.size() != size
                   ? pm.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                   : pm;
    }
    QSvgRenderer svg(path);
    const QSize s = size.isValid() ? size : svg.defaultSize();
    QPixmap pm(s);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    svg.render(&p);
    return pm;
}

QPixmap Pixmap(const QString& name) {
    return Pixmap(name, QSize());
}

} // namespace nodo::art
