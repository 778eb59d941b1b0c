#include "ui/WindowPlace.h"

#include <QGuiApplication>

#include <algorithm>

namespace nodo {

namespace {
// Smaller than this and there is nothing to take hold of.
constexpr int kMinWidth = 100, kMinHeight = 60;

long long Overlap(const QRect& a, const QRect& b) {
    // (an empty intersection counts nothing)
    const QRect both = a.intersected(b);
    return both.isEmpty() ? 0 : static_cast<long long>(both.width()) * both.height();
}
} // namespace

QRect VisibleGeometry(const QRect& stored, const std::vector<QRect>& screens, const QSize& fallbackSize) {
    QRect r = stored;
    if (r.width() < kMinWidth || r.height() < kMinHeight) r.setSize(fallbackSize);
    if (screens.empty()) return r;
    QRect screen = screens.front();
    long long best = 0;
    for (const QRect& s : screens)
        if (const long long o = Overlap(r, s); o > best) {
            best = o;
            screen = s;
        }
    // A window partly off the screen is left where the user put it, as long as enough of it shows to
    // take hold of and its top edge (with the close button) is on the screen.
    const QRect shown = r.intersected(screen);
    if (shown.width() >= std::min(r.width(), kMinWidth) &&
        shown.height() >= std::min(r.height(), kMinHeight) && r.top() >= screen.top())
        return r;
    const int x = std::max(screen.left(), std::min(r.left(), screen.right() + 1 - r.width()));
    const int y = std::max(screen.top(), std::min(r.top(), screen.bottom() + 1 - r.height()));
    r.moveTo(x, y);
    return r;
}

bool WindowPlacesKnown() {
    return !QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

} // namespace nodo
