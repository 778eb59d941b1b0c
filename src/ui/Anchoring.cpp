#include "ui/Anchoring.h"

namespace nodo {

void PlaceAnchored(QWidget* control, const layout::Place& place, int dw, int dh) {
    const layout::Box b = layout::Anchored(place, dw, dh);
    if (place.box.w == 0 && place.box.h == 0)
        control->move(b.x, b.y);
    else
        control->setGeometry(ToRect(b));
}

void Anchoring::add(QWidget* control, const layout::Place& place) {
    m_controls.emplace_back(control, place);
    PlaceAnchored(control, place);
}

void Anchoring::layOut(QSize parentSize) const {
    const int dw = parentSize.width() - m_design.width();
    const int dh = parentSize.height() - m_design.height();
    for (const auto& [control, place] : m_controls)
        if (control) PlaceAnchored(control, place, dw, dh);
}

void FollowParent(QWidget* control, unsigned edges, QSize before, QSize after) {
    const layout::Place now{{control->x(), control->y(), control->width(), control->height()}, edges};
    control->setGeometry(
        ToRect(layout::Anchored(now, after.width() - before.width(), after.height() - before.height())));
}

} // namespace nodo
