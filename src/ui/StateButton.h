#pragma once
// A close or minimise button drawn as three pictures: normal, highlighted and pressed.
//
// The pictures only show the state; one widget laid over them takes the pointer for all three. A
// widget that is hidden while it holds a press never gets the release on a real X server, so the
// pictures must never be the ones taking the input: swapping them would lose every click.
#include <QWidget>

class QLabel;

namespace nodo {

class StateButton : public QWidget {
    Q_OBJECT
public:
    enum class State { Normal, Highlight, Down };

    // The three pictures are siblings of this button, which lies over the normal one.
    StateButton(QLabel* normal, QLabel* highlight, QLabel* down);
    // Lays the button over the normal picture again, after the window moved its pictures.
    void follow();

    void setState(State state);
    State state() const { return m_state; }

signals:
    void hovered(); // the pointer moved over the button, no button held
    void pressed(); // the left button went down on it
    void clicked(); // ... and came up over it
    void left();    // the pointer left it, or a press was let go elsewhere

protected:
    void mouseMoveEvent(QMouseEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void leaveEvent(QEvent* e) override;

private:
    QLabel* m_pictures[3];
    State m_state = State::Normal;
    bool m_down = false;
};

} // namespace nodo
