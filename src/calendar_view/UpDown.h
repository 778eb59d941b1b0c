#pragma once
// TUpDown: the spin buttons of the calendar's title band.
#include <QPointF>
#include <QTimer>
#include <QWidget>

namespace nodo {

// An up-down button pair without an edit box: the upper arrow raises the position, the lower one
// lowers it, within the range; each press reports a click, and an arrow held down repeats.
class TUpDown : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWidth = 17, kHeight = 24;
    TUpDown(int min, int max, QWidget* parent);
    int Position() const { return m_position; }
    void SetPosition(int p);
    int Min() const { return m_min; }
    int Max() const { return m_max; }
    // What an arrow press does: the position steps by one within the range, then the click.
    void Step(bool up);

signals:
    void clicked(bool up);

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;

private:
    int ArrowAt(QPointF p) const; // 1 upper, -1 lower, 0 outside
    int m_min, m_max, m_position;
    int m_pressed = 0;   // 1 upper, -1 lower arrow held
    bool m_over = false; // the pointer is over the held arrow
    QTimer* m_repeat;
};

} // namespace nodo
