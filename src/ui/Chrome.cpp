#include "ui/Chrome.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QWidget>
#include <QWindow>

namespace nodo {

QFont UiFont(const QString& face, int pixelSize, bool bold) {
    // The names the faces have on other systems, then what a Linux desktop has installed.
    static const QList<QPair<QString, QStringList>> kAliases = {
        {QStringLiteral("宋体"), {QStringLiteral("SimSun"), QStringLiteral("Noto Serif CJK SC")}},
        {QStringLiteral("黑体"), {QStringLiteral("SimHei"), QStringLiteral("Noto Sans CJK SC")}},
        {QStringLiteral("微软雅黑"), {QStringLiteral("Microsoft YaHei"), QStringLiteral("Noto Sans CJK SC")}},
        {QStringLiteral("幼圆"), {QStringLiteral("YouYuan"), QStringLiteral("Noto Sans CJK SC")}},
        {QStringLiteral("Arial"), {QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")}},
    };
    QStringList families{face};
    for (const auto& [name, others] : kAliases)
        if (name == face) families << others;
    for (const QString& fallback : {QStringLiteral("Noto Sans CJK SC"), QStringLiteral("WenQuanYi Micro Hei"),
                                    QStringLiteral("sans-serif")})
        if (!families.contains(fallback)) families << fallback;
    QFont f;
    f.setFamilies(families);
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    return f;
}

QPushButton* FlatButton(QWidget* parent, const QString& caption, const QRect& geometry, bool shown) {
    auto* b = new QPushButton(caption, parent);
    b->setFlat(true);
    b->setGeometry(geometry);
    b->setVisible(shown);
    b->setCursor(Qt::PointingHandCursor);
    return b;
}

QPushButton* FlatButton(QWidget* parent, const QString& caption, const QRect& geometry, const QFont& font,
                        bool shown) {
    QPushButton* b = FlatButton(parent, caption, geometry, shown);
    b->setFont(font);
    return b;
}

void SetCaptionColour(QPushButton* button, const QColor& colour) {
    QPalette pal = button->palette();
    pal.setColor(QPalette::ButtonText, colour);
    button->setPalette(pal);
}

void CentreOver(QWidget* window, const QWidget* owner) {
    QRect over;
    if (owner)
        over = owner->window()->frameGeometry();
    else if (const QScreen* s = QGuiApplication::primaryScreen())
        over = s->availableGeometry();
    if (over.isValid()) window->move(over.center() - QPoint(window->width() / 2, window->height() / 2));
}

BackgroundDrag::BackgroundDrag(QWidget* window, QWidget* background) : QObject(window), m_window(window) {
    if (background) background->installEventFilter(this);
}

void BackgroundDrag::start(const QPoint& globalPos) {
    if (QWindow* w = m_window->windowHandle(); w && w->startSystemMove()) return;
    // No window manager to move it (a bare X server, some Wayland shells): follow the pointer.
    m_following = true;
    m_offset = globalPos - m_window->frameGeometry().topLeft();
}

bool BackgroundDrag::eventFilter(QObject* watched, QEvent* event) {
    return handle(event) || QObject::eventFilter(watched, event);
}

bool BackgroundDrag::handle(QEvent* event) {
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto* me = static_cast<QMouseEvent*>(event);
        if (me->button() != Qt::LeftButton) break;
        start(me->globalPosition().toPoint());
        return true;
    }
    case QEvent::MouseMove:
        if (m_following) {
            m_window->move(static_cast<QMouseEvent*>(event)->globalPosition().toPoint() - m_offset);
            return true;
        }
        break;
    case QEvent::MouseButtonRelease:
        m_following = false;
        break;
    default:
        break;
    }
    return false;
}

} // namespace nodo
