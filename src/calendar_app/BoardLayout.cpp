#include "calendar_app/BoardLayout.h"

#include <QLabel>
#include <cmath>

namespace nodo {

namespace {

int Scaled(int v, int from, int to) {
    return from <= 0 ? v : static_cast<int>(std::lround(static_cast<double>(v) * to / from));
}

} // namespace

QRect ScaleRect(const QRect& d, const QSize& from, const QSize& to, bool keepSize) {
    const int x = Scaled(d.x(), from.width(), to.width());
    const int y = Scaled(d.y(), from.height(), to.height());
    if (keepSize) return {x, y, d.width(), d.height()};
    const int w = d.width() <= 1 ? d.width() : Scaled(d.x() + d.width(), from.width(), to.width()) - x;
    const int h = d.height() <= 1 ? d.height() : Scaled(d.y() + d.height(), from.height(), to.height()) - y;
    return {x, y, w, h};
}

ProportionalLayout::ProportionalLayout(QWidget* page) : m_page(page), m_design(page->size()) {
    for (QObject* o : page->children())
        if (auto* w = qobject_cast<QWidget*>(o); w && !w->isWindow())
            m_children.emplace_back(w, w->geometry());
}

void ProportionalLayout::apply() {
    const QSize now = m_page->size();
    for (const auto& [w, design] : m_children) {
        if (!w) continue;
        // A caption keeps its size and moves with its place; a picture band or an editor scales.
        const auto* label = qobject_cast<QLabel*>(w);
        const bool text = label && !label->text().isEmpty();
        w->setGeometry(ScaleRect(design, m_design, now, text));
    }
}

} // namespace nodo
