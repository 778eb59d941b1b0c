#include "platform/qt/QtScreen.h"
#include "platform/Screen.h"

#include "platform/portal/ScreenSession.h"
#include "platform/portal/ScreenshotPortal.h"

#include <QDBusConnection>
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

namespace nodo {

QtScreen::QtScreen() = default;

QtScreen::QtScreen(std::unique_ptr<ScreenshotPortal> portal) : m_portal(std::move(portal)) {}

QtScreen::~QtScreen() = default;

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

bool QtScreen::usesPortal() const {
    return IsWaylandSession(ProcessEnvironmentLookup()) ||
           QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

bool QtScreen::canGrab(QString* why) const {
    const QString platform = QGuiApplication::platformName();
    if (!QGuiApplication::primaryScreen()) {
        if (why) *why = QStringLiteral("没有可用的屏幕。");
        return false;
    }
    if (platform == QLatin1String("offscreen") || platform == QLatin1String("minimal")) {
        if (why) *why = QStringLiteral("没有可截取的屏幕。");
        return false;
    }
    return true;
}

QImage QtScreen::grab() {
    return capture().image;
}

ScreenShot QtScreen::capture() {
    return usesPortal() ? askPortal() : grabFromServer();
}

ScreenShot QtScreen::grabFromServer() const {
    QScreen* s = QGuiApplication::primaryScreen();
    if (!s) return {};
    const QPixmap pm = s->grabWindow(0);
    QImage img = pm.toImage().convertToFormat(QImage::Format_RGB32);
    img.setDevicePixelRatio(1.0);
    if (img.isNull()) return {};
    return {ScreenShot::Outcome::Taken, std::move(img), {}};
}

ScreenShot QtScreen::askPortal() {
    if (!m_portal)
        m_portal = std::make_unique<ScreenshotPortal>(QDBusConnection::sessionBus(), SessionPortalSettings());
    PortalShot shot = m_portal->take();
    if (shot.refused()) return {ScreenShot::Outcome::Refused, {}, shot.detail};
    if (shot.outcome != PortalShot::Outcome::Taken) return {ScreenShot::Outcome::Failed, {}, shot.detail};
    // The portal pictures every screen; the capture covers the primary one.
    const QScreen* s = QGuiApplication::primaryScreen();
    QImage img =
        s ? PrimaryScreenPart(shot.image, s->virtualGeometry(), s->geometry()) : std::move(shot.image);
    return {ScreenShot::Outcome::Taken, std::move(img), {}};
}

} // namespace nodo
