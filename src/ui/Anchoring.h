#pragma once
// Lays a window's controls out from its layout table as the window changes size.
#include "ui/Layout.h"

#include <QPointer>
#include <QRect>
#include <QSize>
#include <QWidget>

#include <utility>
#include <vector>

namespace nodo {

inline QRect ToRect(const layout::Box& b) {
    return {b.x, b.y, b.w, b.h};
}
inline QPoint ToPoint(const layout::Spot& s) {
    return {s.x, s.y};
}

// Puts a control where its place says for a parent dw wider and dh taller than designed. A place of
// no size belongs to a control sized by its contents: only its position is laid.
void PlaceAnchored(QWidget* control, const layout::Place& place, int dw = 0, int dh = 0);

// The anchored controls of one parent, laid out again for each new size of it.
class Anchoring {
public:
    explicit Anchoring(QSize design) : m_design(design) {}
    // Places the control at once (for the design size) and from then on at every layOut.
    void add(QWidget* control, const layout::Place& place);
    void layOut(QSize parentSize) const;

private:
    QSize m_design;
    std::vector<std::pair<QPointer<QWidget>, layout::Place>> m_controls;
};

// For a control the user places (its position is its own, not the table's): keeps its distance to
// the anchored edges when its parent goes from one size to another.
void FollowParent(QWidget* control, unsigned edges, QSize before, QSize after);

} // namespace nodo
