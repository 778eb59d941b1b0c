// portal_shot OUT.png: one picture of the screen asked of the session's desktop portal, as the
// capture asks it, written to OUT.png. Prints the outcome and exits 0 only when a picture came.
#include "platform/portal/ScreenshotPortal.h"

#include <QCoreApplication>
#include <QDBusConnection>

#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: portal_shot OUT.png\n");
        return 2;
    }
    // The program's own patience: a session's first request starts the portal and every back end
    // it finds installed, which on a busy machine took more than 20 s.
    const nodo::PortalSettings settings = nodo::SessionPortalSettings();
    const nodo::PortalShot shot = nodo::ScreenshotPortal(QDBusConnection::sessionBus(), settings).take();
    std::printf("outcome %d %s\n", static_cast<int>(shot.outcome), qPrintable(shot.detail));
    if (shot.outcome != nodo::PortalShot::Outcome::Taken) return 1;
    return shot.image.save(QString::fromLocal8Bit(argv[1]), "PNG") ? 0 : 1;
}
