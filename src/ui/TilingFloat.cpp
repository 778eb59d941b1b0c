#include "ui/TilingFloat.h"

#include <QEvent>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <QWindow>

namespace nodo {

namespace {

bool ListNames(const QString& list, const char* name) {
    for (const QString& entry : list.split(QLatin1Char(':'), Qt::SkipEmptyParts))
        if (entry.compare(QLatin1String(name), Qt::CaseInsensitive) == 0) return true;
    return false;
}

// Fixes the window's size as it is shown and, once its window has been exposed (the compositor has
// mapped it and placed it), sets back the limits it had.
class Floater : public QObject {
public:
    explicit Floater(QWidget& window) : QObject(&window), m_window(&window) {
        window.installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* e) override {
        if (watched == m_window && e->type() == QEvent::Show && !m_fixed) fix();
        if (watched == m_window->windowHandle() && e->type() == QEvent::Expose && m_fixed &&
            m_window->windowHandle()->isExposed())
            // After this expose the first frame is drawn and committed; the limits go back with the
            // next one, when the window manager has already decided.
            QTimer::singleShot(0, this, [this] { release(); });
        return false;
    }

private:
    void fix() {
        m_min = m_window->minimumSize();
        m_max = m_window->maximumSize();
        m_fixed = true;
        m_window->setFixedSize(m_window->size());
        if (QWindow* handle = m_window->windowHandle(); handle && handle != m_handle) {
            m_handle = handle;
            handle->installEventFilter(this);
        }
    }
    void release() {
        if (!m_fixed) return;
        m_fixed = false;
        m_window->setMinimumSize(m_min);
        m_window->setMaximumSize(m_max);
    }

    QPointer<QWidget> m_window;
    QPointer<QWindow> m_handle;
    QSize m_min, m_max;
    bool m_fixed = false;
};

} // namespace

bool TilingSession(const std::function<QString(const char*)>& variable) {
    if (!variable("SWAYSOCK").isEmpty() || !variable("I3SOCK").isEmpty()) return true;
    const QString current = variable("XDG_CURRENT_DESKTOP");
    return ListNames(current, "sway") || ListNames(current, "i3");
}

bool TilingSession() {
    return TilingSession([](const char* name) { return qEnvironmentVariable(name); });
}

void FloatWhenTiled(QWidget& window) {
    if (TilingSession()) new Floater(window);
}

} // namespace nodo
