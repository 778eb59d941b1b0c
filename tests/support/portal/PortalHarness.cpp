#include "support/portal/PortalHarness.h"

#include <QDBusMessage>
#include <QDBusReply>
#include <QFile>
#include <QProcessEnvironment>

namespace nodo::testing {

namespace {

const QString kControlPath = QStringLiteral("/org/nodo/TestPortal");
const QString kControl = QStringLiteral("org.nodo.TestPortal");
const QString kService = QStringLiteral("org.freedesktop.portal.Desktop");

void Stop(QProcess& process) {
    if (process.state() == QProcess::NotRunning) return;
    process.terminate();
    if (!process.waitForFinished(3000)) {
        process.kill();
        process.waitForFinished(3000);
    }
}

} // namespace

PrivateSessionBus::PrivateSessionBus() {
    if (!m_dir.isValid()) {
        m_error = QStringLiteral("no temporary folder");
        return;
    }
    const QString config = m_dir.filePath(QStringLiteral("bus.conf"));
    QFile f(config);
    if (!f.open(QIODevice::WriteOnly)) {
        m_error = f.errorString();
        return;
    }
    f.write(
        QStringLiteral("<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
                       " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                       "<busconfig>\n"
                       "  <type>session</type>\n"
                       "  <listen>unix:dir=%1</listen>\n"
                       "  <auth>EXTERNAL</auth>\n"
                       "  <policy context=\"default\">\n"
                       "    <allow send_destination=\"*\" eavesdrop=\"true\"/>\n"
                       "    <allow eavesdrop=\"true\"/>\n"
                       "    <allow own=\"*\"/>\n"
                       "  </policy>\n"
                       "</busconfig>\n")
            .arg(m_dir.path())
            .toUtf8());
    f.close();
    m_daemon.start(QStringLiteral("dbus-daemon"),
                   {QStringLiteral("--config-file=") + config, QStringLiteral("--nofork"),
                    QStringLiteral("--print-address")});
    if (!m_daemon.waitForStarted(5000)) {
        m_error = QStringLiteral("dbus-daemon: ") + m_daemon.errorString();
        return;
    }
    while (!m_daemon.canReadLine() && m_daemon.waitForReadyRead(5000)) {
    }
    m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
    if (m_address.isEmpty()) m_error = QStringLiteral("dbus-daemon printed no address");
}

PrivateSessionBus::~PrivateSessionBus() {
    for (const QString& name : m_connections)
        QDBusConnection::disconnectFromBus(name);
    Stop(m_daemon);
}

QDBusConnection PrivateSessionBus::connect() {
    static int serial = 0;
    const QString name = QStringLiteral("nodo-private-bus-%1").arg(++serial);
    m_connections << name;
    return QDBusConnection::connectToBus(m_address, name);
}

TestPortal::TestPortal(PrivateSessionBus& bus) : TestPortal(bus.ok() ? bus.address() : QString()) {
    if (!bus.ok()) m_error = QStringLiteral("no private bus: ") + bus.error();
}

TestPortal::TestPortal(const QString& address)
    : m_name(QStringLiteral("nodo-test-portal-control-%1").arg(quintptr(this))),
      m_control(QDBusConnection::connectToBus(address, m_name)) {
    if (address.isEmpty() || !m_control.isConnected()) {
        m_error = QStringLiteral("cannot connect to the bus at ") + address;
        return;
    }
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), address);
    env.remove(QStringLiteral("DISPLAY"));
    m_process.setProcessEnvironment(env);
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start(QStringLiteral(NODO_TEST_PORTAL),
                    {QStringLiteral("--interfaces"), QStringLiteral(NODO_PORTAL_INTERFACES)});
    if (!m_process.waitForStarted(5000)) {
        m_error = QStringLiteral("nodo_test_portal: ") + m_process.errorString();
        return;
    }
    while (!m_process.canReadLine() && m_process.waitForReadyRead(10000)) {
    }
    m_ready = m_process.readLine().trimmed() == "ready";
    if (!m_ready)
        m_error = QStringLiteral("nodo_test_portal did not start (exit %1)").arg(m_process.exitCode());
}

TestPortal::~TestPortal() {
    Stop(m_process);
    QDBusConnection::disconnectFromBus(m_name);
}

namespace {

QDBusMessage Call(QDBusConnection& bus, const QString& member, const QVariantList& args = {}) {
    QDBusMessage m = QDBusMessage::createMethodCall(kService, kControlPath, kControl, member);
    m.setArguments(args);
    return bus.call(m, QDBus::Block, 5000);
}

} // namespace

void TestPortal::answer(const QString& mode, const QString& argument, const QString& folder) {
    Call(m_control, QStringLiteral("SetAnswer"), {mode, argument, folder});
}

QStringList TestPortal::calls() {
    return QDBusReply<QStringList>(Call(m_control, QStringLiteral("Calls"))).value();
}

QStringList TestPortal::violations() {
    QDBusReply<QStringList> reply(Call(m_control, QStringLiteral("Violations")));
    if (!reply.isValid())
        return {QStringLiteral("the test portal did not answer: ") + reply.error().message()};
    return reply.value();
}

QVariantMap TestPortal::lastOptions() {
    return QDBusReply<QVariantMap>(Call(m_control, QStringLiteral("LastOptions"))).value();
}

void TestPortal::reset() {
    Call(m_control, QStringLiteral("Reset"));
}

} // namespace nodo::testing
