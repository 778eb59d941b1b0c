#include "ui/TilingFloat.h"

#include "platform/desktop/SwayIpc.h"
#include "ui/SessionPlatform.h"

#include <QCoreApplication>
#include <QEvent>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLoggingCategory>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <optional>
#include <string>

namespace nodo {

namespace {

Q_LOGGING_CATEGORY(lcTiling, "nodo.tiling", QtCriticalMsg)

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

// The IPC socket of the session's tiling window manager (sway, then i3), or empty.
std::string TilingSocket() {
    for (const char* name : {"SWAYSOCK", "I3SOCK"})
        if (const QString path = qEnvironmentVariable(name); !path.isEmpty()) return path.toStdString();
    return {};
}

struct Container {
    qint64 id = 0;
    QPoint place;
};

// The window's container in the window manager's tree: the one of this process with the window's
// title (the program's other windows have titles of their own).
std::optional<Container> FindContainer(const std::string& socket, const QString& title) {
    std::string error;
    const auto tree = desktop::SwayRequest(socket, desktop::SwayMessage::GetTree, {}, error);
    if (!tree) {
        qCWarning(lcTiling) << "cannot read the window manager's tree:" << error.c_str();
        return std::nullopt;
    }
    const qint64 pid = QCoreApplication::applicationPid();
    std::optional<Container> found;
    std::function<void(const QJsonObject&)> walk = [&](const QJsonObject& node) {
        if (node[QLatin1String("pid")].toInteger() == pid &&
            node[QLatin1String("name")].toString() == title) {
            const QJsonObject rect = node[QLatin1String("rect")].toObject();
            found = Container{node[QLatin1String("id")].toInteger(),
                              QPoint(rect[QLatin1String("x")].toInt(), rect[QLatin1String("y")].toInt())};
        }
        for (const char* list : {"nodes", "floating_nodes"})
            for (const auto& child : node[QLatin1String(list)].toArray())
                walk(child.toObject());
    };
    walk(QJsonDocument::fromJson(QByteArray::fromStdString(*tree)).object());
    return found;
}

// Puts the window back where it was once it is on screen again, then goes.
class PlaceKeeper : public QObject {
public:
    PlaceKeeper(QWidget& window, std::string socket, QPoint place)
        : QObject(&window), m_window(&window), m_socket(std::move(socket)), m_place(place) {
        window.installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* e) override {
        if (watched == m_window && e->type() == QEvent::Show && m_window->windowHandle())
            m_window->windowHandle()->installEventFilter(this);
        if (m_window && watched == m_window->windowHandle() && e->type() == QEvent::Expose &&
            m_window->windowHandle()->isExposed())
            QTimer::singleShot(0, this, [this] { restore(); });
        return false;
    }

private:
    void restore() {
        if (m_window) {
            if (const auto now = FindContainer(m_socket, m_window->windowTitle());
                now && now->place != m_place) {
                std::string error;
                const std::string command = "[con_id=" + std::to_string(now->id) +
                                            "] move absolute position " + std::to_string(m_place.x()) +
                                            " px " + std::to_string(m_place.y()) + " px";
                if (!desktop::SwayRequest(m_socket, desktop::SwayMessage::RunCommand, command, error))
                    qCWarning(lcTiling) << "the window was not put back:" << error.c_str();
            }
        }
        deleteLater();
    }

    QPointer<QWidget> m_window;
    std::string m_socket;
    QPoint m_place;
};

} // namespace

bool TilingSession(const std::function<QString(const char*)>& variable) {
    if (!variable("SWAYSOCK").isEmpty() || !variable("I3SOCK").isEmpty()) return true;
    const QString current = variable("XDG_CURRENT_DESKTOP");
    return CurrentDesktopsName(current, "sway") || CurrentDesktopsName(current, "i3");
}

bool TilingSession() {
    return TilingSession([](const char* name) { return qEnvironmentVariable(name); });
}

void FloatWhenTiled(QWidget& window) {
    if (TilingSession()) new Floater(window);
}

void KeepPlaceWhileHidden(QWidget& window) {
    const std::string socket = TilingSocket();
    if (socket.empty() || !window.isVisible()) return;
    if (const auto now = FindContainer(socket, window.windowTitle()))
        new PlaceKeeper(window, socket, now->place);
}

} // namespace nodo
