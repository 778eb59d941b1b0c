#include "ui/SessionPlatform.h"

#include "platform/portal/ScreenSession.h"

#include <QStringList>
#include <QtGlobal>

namespace nodo {

bool CurrentDesktopsName(const QString& list, const char* desktop) {
    for (const QString& entry : list.split(QLatin1Char(':'), Qt::SkipEmptyParts))
        if (entry.compare(QLatin1String(desktop), Qt::CaseInsensitive) == 0) return true;
    return false;
}

QString PreferredQtPlatform(const std::function<QString(const char*)>& variable) {
    if (!variable("QT_QPA_PLATFORM").isEmpty() || variable("DISPLAY").isEmpty()) return {};
    // "GNOME", "ubuntu:GNOME", "GNOME-Classic:GNOME", "Pop:GNOME": the session's desktops, in order.
    if (!IsWaylandSession(variable) || !CurrentDesktopsName(variable("XDG_CURRENT_DESKTOP"), "GNOME"))
        return {};
    // Wayland stays the fallback: an X display that cannot be reached must not stop the start.
    return QStringLiteral("xcb;wayland");
}

void ChooseQtPlatform() {
    const QString platform = PreferredQtPlatform([](const char* name) { return qEnvironmentVariable(name); });
    if (!platform.isEmpty()) qputenv("QT_QPA_PLATFORM", platform.toUtf8());
}

} // namespace nodo
