#pragma once
#include <QLabel>

namespace nodo {

// A picture that acts as a button: the close, minimise and apply pictures. It reports the pointer
// moving over it, a press, and a click (press and release inside).
class ImageButton : public QLabel {
    Q_OBJECT
public:
    explicit ImageButton(QWidget* parent = nullptr);

signals:
    void mouseMoved();
    void pressed();
    void released(bool inside); // inside: the pointer is still over the picture
    void clicked();

protected:
    void mouseMoveEvent(QMouseEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    bool m_down = false;
};

} // namespace nodo
