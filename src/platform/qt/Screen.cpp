#include "platform/Screen.h"
#include "platform/qt/QtScreen.h"

#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

namespace nodo {

QSize QtScreen::size() const {
    const QScreen* s = QGuiApplication::primaryScreen();
    if (!s) return {};
    return s->geometry().size() * s->devicePixelRatio();
}

int QtScreen::depth() const {
    const QScreen* s = QGuiApplication::primaryScreen();
    return s ? s->depth() : 24;
}

std::vector<QRect> QtScreen::areas() const {
    std::vector<QRect> out;
    if (const QScreen* primary = QGuiApplication::primaryScreen()) out.push_back(primary->geometry());
    for (const QScreen* s : QGuiApplication::screens())
        if (s != QGuiApplication::primaryScreen()) out.push_back(s->geometry());
    return out;
}

bool QtScreen::canGrab(QString* why) const {
    const QString platform = QGuiApplication::platformName();
    if (!QGuiApplication::primaryScreen()) {
        if (why) *why = QStringLiteral("没有可用的屏幕。");
        return false;
    }
    if (platform.startsWith(QLatin1String("wayland"))) {
        if (why) *why = QStringLiteral("当前桌面 (Wayland) 不允许读取屏幕图像，无法截图。");
        return false;
    }
    if (platform == QLatin1String("offscreen") || platform == QLatin1String("minimal")) {
        if (why) *why = QStringLiteral("没有可截取的屏幕。");
        return false;
    }
    return true;
}

QImage QtScreen::grab() {
    QScreen* s = QGuiApplication::primaryScreen();
    if (!s) return {};
    const QPixmap pm = s->grabWindow(0);
    QImage img = pm.toImage().convertToFormat(QImage::Format_RGB32);
    img.setDevicePixelRatio(1.0);
    return img;
}

} // namespace nodo
