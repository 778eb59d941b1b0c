#pragma once
// The memo board's page grows with the calendar window: each control keeps its share of the page
// it was laid out on. Texts keep their size; lines stay one pixel thick.
#include <QPointer>
#include <QRect>
#include <QSize>
#include <QWidget>
#include <utility>
#include <vector>

namespace nodo {

// Where `design`, a rectangle on a page of `from`, lies on the same page at `to`. Left and right
// (top and bottom) edges scale each on their own, so neighbours stay neighbours; a rectangle of
// width (height) 1 stays 1 wide (high); `keepSize` moves a rectangle without scaling it.
QRect ScaleRect(const QRect& design, const QSize& from, const QSize& to, bool keepSize = false);

class ProportionalLayout {
public:
    // Remembers where the children of `page` are now: `page`'s size is their design size.
    explicit ProportionalLayout(QWidget* page);
    // Puts every remembered child where its share of the page's present size is.
    void apply();

private:
    QWidget* m_page;
    QSize m_design;
    std::vector<std::pair<QPointer<QWidget>, QRect>> m_children;
};

} // namespace nodo
