#include "app/ImageButton.h"

#include <QMouseEvent>

namespace nodo {

ImageButton::ImageButton(QWidget* parent) : QLabel(parent) {
    setMouseTracking(true);
    setScaledContents(true);
}

void ImageButton::mouseMoveEvent(QMouseEvent* e) {
    emit mouseMoved();
    QLabel::mouseMoveEvent(e);
}

void ImageButton::mousePressEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton) m_down = true;
    emit pressed();
    e->accept();
}

void ImageButton::mouseReleaseEvent(QMouseEvent* e) {
    const bool wasDown = m_down;
    m_down = false;
    const bool inside = rect().contains(e->position().toPoint());
    emit released(inside && e->button() == Qt::LeftButton);
    if (wasDown && e->button() == Qt::LeftButton && rect().contains(e->position().toPoint())) emit clicked();
    e->accept();
}

} // namespace nodo
