#include "calendar_view/UpDown.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPolygon>

#include <algorithm>

namespace nodo {

TUpDown::TUpDown(int min, int max, QWidget* parent)
    : QWidget(parent), m_min(min), m_max(max), m_position(min), m_repeat(new QTimer(this)) {
    resize(kWidth, kHeight);
    setCursor(Qt::ArrowCursor);
    connect(m_repeat, &QTimer::timeout, this, [this] {
        m_repeat->setInterval(100);
        if (m_pressed != 0 && m_over) Step(m_pressed == 1);
    });
}

int TUpDown::ArrowAt(QPointF p) const {
    if (!rect().contains(p.toPoint())) return 0;
    // The upper arrow takes the upper half as painted, the odd row going to the lower one.
    const int half = height() / 2;
    return p.y() < half ? 1 : -1;
}

void TUpDown::SetPosition(int p) {
    m_position = std::clamp(p, m_min, m_max);
}

void TUpDown::Step(bool up) {
    SetPosition(m_position + (up ? 1 : -1));
    emit clicked(up);
}

void TUpDown::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const int half = height() / 2;
    for (int part = 0; part < 2; ++part) {
        const bool upper = part == 0;
        const QRect r = upper ? QRect(0, 0, width(), half) : QRect(0, half, width(), height() - half);
        const bool down = m_over && m_pressed == (upper ? 1 : -1);
        p.fillRect(r, down ? QColor(0xCC, 0xCC, 0xCC) : QColor(0xF0, 0xF0, 0xF0));
        p.setPen(QColor(0xA0, 0xA0, 0xA0));
        p.setBrush(Qt::NoBrush);
        p.drawRect(r.adjusted(0, 0, -1, -1));
        const QPoint c = r.center() + QPoint(down ? 1 : 0, down ? 1 : 0);
        QPolygon arrow;
        if (upper)
            arrow << c + QPoint(-3, 2) << c + QPoint(3, 2) << c + QPoint(0, -1);
        else
            arrow << c + QPoint(-3, -1) << c + QPoint(3, -1) << c + QPoint(0, 2);
        p.setPen(Qt::NoPen);
        p.setBrush(isEnabled() ? QColor(0x30, 0x30, 0x30) : QColor(0xA0, 0xA0, 0xA0));
        p.drawPolygon(arrow);
    }
}

void TUpDown::mousePressEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) return;
    m_pressed = ArrowAt(e->position());
    if (m_pressed == 0) return;
    m_over = true;
    update();
    // The step comes with the press; held down, the arrow repeats after a pause.
    m_repeat->start(400);
    Step(m_pressed == 1);
}

void TUpDown::mouseMoveEvent(QMouseEvent* e) {
    if (m_pressed == 0) return;
    const bool over = ArrowAt(e->position()) == m_pressed;
    if (over != m_over) {
        m_over = over;
        update();
    }
}

void TUpDown::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) return;
    m_pressed = 0;
    m_repeat->stop();
    update();
}

} // namespace nodo
