#pragma once
// A private session bus and our test portal on it, for tests and benchmarks that read the screen
// through the portal. Nothing here touches the user's own bus.
#include <QDBusConnection>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariantMap>

namespace nodo::testing {

// dbus-daemon for a session bus of our own: no service is ever started on demand on it, so a real
// portal installed on the machine can never answer in place of ours.
class PrivateSessionBus {
public:
    PrivateSessionBus();
    ~PrivateSessionBus();
    PrivateSessionBus(const PrivateSessionBus&) = delete;
    PrivateSessionBus& operator=(const PrivateSessionBus&) = delete;

    bool ok() const { return !m_address.isEmpty(); }
    QString error() const { return m_error; }
    QString address() const { return m_address; }
    // A new connection of this process to the bus (each with its own unique name).
    QDBusConnection connect();

private:
    QTemporaryDir m_dir;
    QProcess m_daemon;
    QString m_address, m_error;
    QStringList m_connections;
};

// nodo_test_portal on a private bus.
class TestPortal {
public:
    explicit TestPortal(PrivateSessionBus& bus);
    // On the bus at `address` (a bus someone else runs, an end-to-end session's say).
    explicit TestPortal(const QString& address);
    ~TestPortal();
    TestPortal(const TestPortal&) = delete;
    TestPortal& operator=(const TestPortal&) = delete;

    bool ok() const { return m_ready; }
    QString error() const { return m_error; }

    // How the next Screenshot calls are answered (see the test portal's own description).
    void answer(const QString& mode, const QString& argument = {}, const QString& folder = {});
    // What was called ("Get org.freedesktop.portal.Screenshot", "Screenshot", "Close /path", ...).
    QStringList calls();
    // Every call that did not match the installed interface description.
    QStringList violations();
    // The options of the last Screenshot call that matched it.
    QVariantMap lastOptions();
    void reset();

private:
    QString m_name;
    QDBusConnection m_control;
    QProcess m_process;
    bool m_ready = false;
    QString m_error;
};

} // namespace nodo::testing
