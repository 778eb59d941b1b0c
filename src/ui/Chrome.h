#pragma once
// What every borderless window of the program does the same way: its fonts, its place over the
// window it belongs to, and being dragged by its background.
#include <QFont>
#include <QObject>
#include <QPoint>
#include <QString>

class QColor;
class QPushButton;
class QRect;
class QWidget;

namespace nodo {

// A font asked for by the face the window names ("宋体", "黑体", "微软雅黑", "幼圆", "Arial"), followed by
// its usual Latin name and the installed faces that can stand in for it, so Chinese text always
// renders. Sizes are in pixels, as the windows were laid out.
QFont UiFont(const QString& face, int pixelSize, bool bold = false);

// A flat push button with a hand cursor, as the windows' text buttons are.
QPushButton* FlatButton(QWidget* parent, const QString& caption, const QRect& geometry, bool shown);
QPushButton* FlatButton(QWidget* parent, const QString& caption, const QRect& geometry, const QFont& font,
                        bool shown);
// The colour of a button's caption.
void SetCaptionColour(QPushButton* button, const QColor& colour);

// Centres `window` over `owner`'s frame, or over the primary screen's free area without an owner.
void CentreOver(QWidget* window, const QWidget* owner);

// Lets the user drag a borderless window by a background widget: a left press hands the move to the
// window manager; where there is none, the window follows the pointer until the button comes up.
class BackgroundDrag : public QObject {
public:
    // Watches `background`; `window` is what moves.
    BackgroundDrag(QWidget* window, QWidget* background);
    // Starts a move at a press given elsewhere (a window that also uses the press for other things).
    void start(const QPoint& globalPos);
    // What the watched background does with a pointer event; true when it took it. A window that
    // watches its background itself hands the events on here.
    bool handle(QEvent* event);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* m_window;
    bool m_following = false;
    QPoint m_offset;
};

} // namespace nodo
