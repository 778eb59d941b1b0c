#include "ui/StateButton.h"

#include <QEvent>
#include <QLabel>
#include <QMouseEvent>

namespace nodo {

StateButton::StateButton(QLabel* normal, QLabel* highlight, QLabel* down)
    : QWidget(normal->parentWidget()), m_pictures{normal, highlight, down} {
    setMouseTracking(true);
    setAttribute(Qt::WA_NoSystemBackground);
    for (QLabel* p : m_pictures)
        p->setAttribute(Qt::WA_TransparentForMouseEvents);
    follow();
    setState(State::Normal);
}

void StateButton::setState(State state) {
    m_state = state;
    for (int i = 0; i < 3; ++i)
        m_pictures[i]->setVisible(i == static_cast<int>(state));
}

void StateButton::follow() {
    setGeometry(m_pictures[0]->geometry());
    raise();
}

void StateButton::mouseMoveEvent(QMouseEvent* e) {
    if (!m_down) emit hovered();
    e->accept();
}

void StateButton::mousePressEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton) {
        m_down = true;
        emit pressed();
    }
    e->accept();
}

void StateButton::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton || !m_down) {
        e->accept();
        return;
    }
    m_down = false;
    if (rect().contains(e->position().toPoint()))
        emit clicked();
    else
        emit left();
    e->accept();
}

void StateButton::leaveEvent(QEvent* e) {
    if (!m_down) emit left();
    QWidget::leaveEvent(e);
}

} // namespace nodo
