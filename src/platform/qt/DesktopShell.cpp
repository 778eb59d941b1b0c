#include "platform/qt/DesktopShell.h"
#include "platform/Shell.h"

#include <QDesktopServices>
#include <QUrl>

namespace nodo {

bool DesktopShell::open(const QString& url) {
    return QDesktopServices::openUrl(QUrl::fromUserInput(url));
}

} // namespace nodo
