#include "platform/portal/ScreenSession.h"

#include <QtGlobal>

namespace nodo {

EnvironmentLookup ProcessEnvironmentLookup() {
    return [](const char* name) { return qEnvironmentVariable(name); };
}

bool IsWaylandSession(const EnvironmentLookup& env) {
    if (env("XDG_SESSION_TYPE").trimmed().compare(QLatin1String("wayland"), Qt::CaseInsensitive) == 0)
        return true;
    return !env("WAYLAND_DISPLAY").isEmpty();
}

} // namespace nodo
