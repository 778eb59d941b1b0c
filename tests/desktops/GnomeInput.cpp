#include "GnomeInput.h"

#include "PointerActions.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QThread>

#include <iostream>

#include <linux/input-event-codes.h>

namespace tier {

namespace {

const QString kService = QStringLiteral("org.gnome.Mutter.RemoteDesktop");
const QString kSession = QStringLiteral("org.gnome.Mutter.RemoteDesktop.Session");
const QString kScreenCast = QStringLiteral("org.gnome.Mutter.ScreenCast");

// One remote desktop session on a connection of its own: mutter ends a session when the connection
// that made it goes away.
class RemoteDesktop {
public:
    explicit RemoteDesktop(const std::string& busAddress, bool withStream)
        : m_name(QStringLiteral("tier-gnome-input")),
          m_bus(QDBusConnection::connectToBus(QString::fromStdString(busAddress), m_name)) {
        const QDBusMessage created = call(kService, QStringLiteral("/org/gnome/Mutter/RemoteDesktop"),
                                          kService, QStringLiteral("CreateSession"), {});
        if (created.type() != QDBusMessage::ReplyMessage || created.arguments().isEmpty()) return;
        m_session = created.arguments().front().value<QDBusObjectPath>().path();
        if (withStream && !recordMonitor()) return;
        m_started = call(kService, m_session, kSession, QStringLiteral("Start"), {}).type() ==
                    QDBusMessage::ReplyMessage;
        // The stream is set up once the session has started, and programs take the session's new
        // keyboard when told, which is not at once (a key sent at once may be lost).
        if (m_started) QThread::msleep(500);
    }
    ~RemoteDesktop() {
        if (m_started) call(kService, m_session, kSession, QStringLiteral("Stop"), {});
        QDBusConnection::disconnectFromBus(m_name);
    }
    RemoteDesktop(const RemoteDesktop&) = delete;
    RemoteDesktop& operator=(const RemoteDesktop&) = delete;

    bool started() const { return m_started; }
    bool notify(const QString& method, const QVariantList& args) {
        m_ok = m_ok && call(kService, m_session, kSession, method, args).type() == QDBusMessage::ReplyMessage;
        return m_ok;
    }
    bool ok() const { return m_started && m_ok; }
    const QString& stream() const { return m_stream; }

private:
    QDBusMessage call(const QString& service, const QString& path, const QString& iface,
                      const QString& method, const QVariantList& args) {
        QDBusMessage m = QDBusMessage::createMethodCall(service, path, iface, method);
        m.setArguments(args);
        const QDBusMessage reply = m_bus.call(m, QDBus::Block, 10000);
        if (reply.type() != QDBusMessage::ReplyMessage)
            std::cerr << "e2e: mutter's " << method.toStdString()
                      << " failed: " << reply.errorMessage().toStdString() << "\n";
        return reply;
    }
    // A screen-cast session tied to this one, recording the primary monitor.
    bool recordMonitor() {
        const QDBusMessage id = call(kService, m_session, QStringLiteral("org.freedesktop.DBus.Properties"),
                                     QStringLiteral("Get"), {kSession, QStringLiteral("SessionId")});
        if (id.type() != QDBusMessage::ReplyMessage || id.arguments().isEmpty()) return false;
        QVariantMap tie;
        tie.insert(QStringLiteral("remote-desktop-session-id"),
                   id.arguments().front().value<QDBusVariant>().variant().toString());
        const QDBusMessage cast = call(kScreenCast, QStringLiteral("/org/gnome/Mutter/ScreenCast"),
                                       kScreenCast, QStringLiteral("CreateSession"), {tie});
        if (cast.type() != QDBusMessage::ReplyMessage || cast.arguments().isEmpty()) return false;
        const QString castSession = cast.arguments().front().value<QDBusObjectPath>().path();
        const QDBusMessage stream = call(kScreenCast, castSession, kScreenCast + QStringLiteral(".Session"),
                                         QStringLiteral("RecordMonitor"), {QString(), QVariantMap()});
        if (stream.type() != QDBusMessage::ReplyMessage || stream.arguments().isEmpty()) return false;
        m_stream = stream.arguments().front().value<QDBusObjectPath>().path();
        return true;
    }

    QString m_name;
    QDBusConnection m_bus;
    QString m_session, m_stream;
    bool m_started = false, m_ok = true;
};

} // namespace

bool GnomeKey(const std::string& busAddress, unsigned keysym) {
    RemoteDesktop rd(busAddress, false);
    for (bool down : {true, false})
        rd.notify(QStringLiteral("NotifyKeyboardKeysym"), {keysym, down});
    return rd.ok();
}

bool GnomePointer(const std::string& busAddress, const std::vector<std::string>& actions) {
    RemoteDesktop rd(busAddress, true);
    if (!rd.started()) return false;
    const PointerDevice device{
        [&](int x, int y) {
            rd.notify(QStringLiteral("NotifyPointerMotionAbsolute"), {rd.stream(), double(x), double(y)});
        },
        [&](bool right, bool down) {
            rd.notify(QStringLiteral("NotifyPointerButton"), {right ? BTN_RIGHT : BTN_LEFT, down});
        }};
    return RunPointerActions(actions, 0, device) && rd.ok();
}

} // namespace tier
