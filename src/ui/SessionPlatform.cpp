#include "ui/SessionPlatform.h"

#include <QStringList>
#include <QtGlobal>

namespace nodo {

QString PreferredQtPlatform(const std::function<QString(const char*)>& variable) {
    if (!variable("QT_QPA_PLATFORM").isEmpty() || variable("DISPLAY").isEmpty()) return {};
    const bool wayland =
        !variable("WAYLAND_DISPLAY").isEmpty() ||
        variable("XDG_SESSION_TYPE").compare(QLatin1String("wayland"), Qt::CaseInsensitive) == 0;
    if (!wayland) return {};
    // "GNOME", "ubuntu:GNOME", "GNOME-Classic:GNOME", "Pop:GNOME": the session's desktops, in order.
    bool gnome = false;
    for (const QString& entry : variable("XDG_CURRENT_DESKTOP").split(QLatin1Char(':'), Qt::SkipEmptyParts))
        gnome = gnome || entry.compare(QLatin1String("GNOME"), Qt::CaseInsensitive) == 0;
    // Wayland stays the fallback: an X display that cannot be reached must not stop the start.
    return gnome ? QStringLiteral("xcb;wayland") : QString();
}

void ChooseQtPlatform() {
    const QString platform = PreferredQtPlatform([](const char* name) { return qEnvironmentVariable(name); });
    if (!platform.isEmpty()) qputenv("QT_QPA_PLATFORM", platform.toUtf8());
}

} // namespace nodo
