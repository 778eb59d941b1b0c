// Our stand-in for the desktop portal, for tests on a private session bus: it owns
// org.freedesktop.portal.Desktop and serves org.freedesktop.portal.Screenshot and the request
// objects exactly as the installed interface descriptions say, checking every call against them.
// A test tells it through org.nodo.TestPortal how to answer the next Screenshot calls and reads
// back what was called and what was wrong.
//
//   nodo_test_portal [--interfaces DIR]   (the bus is DBUS_SESSION_BUS_ADDRESS; prints "ready")
#include "support/portal/InterfaceDescription.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QDir>
#include <QFile>
#include <QSet>
#include <QUrl>

#include <cstdio>

using nodo::testing::CheckCall;
using nodo::testing::InterfaceDescription;
using nodo::testing::ReadInterfaceDescription;

namespace {

const QString kService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kRequestRoot = kPath + QStringLiteral("/request/");
const QString kScreenshot = QStringLiteral("org.freedesktop.portal.Screenshot");
const QString kRequest = QStringLiteral("org.freedesktop.portal.Request");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");
const QString kControlPath = QStringLiteral("/org/nodo/TestPortal");
const QString kControl = QStringLiteral("org.nodo.TestPortal");

QString RequestPathFor(const QString& sender, const QString& token) {
    QString s = sender.mid(1);
    s.replace(QLatin1Char('.'), QLatin1Char('_'));
    return kRequestRoot + s + QLatin1Char('/') + token;
}

// The signature a message of ours will go out with (signature() is only known once it is sent).
QString Signature(const QDBusMessage& message) {
    QString s;
    for (const QVariant& a : message.arguments())
        s += nodo::testing::VariantSignature(a);
    return s;
}

class Portal : public QDBusVirtualObject {
public:
    Portal(InterfaceDescription screenshot, InterfaceDescription request)
        : m_screenshot(std::move(screenshot)), m_request(std::move(request)) {}

    // How the next Screenshot calls are answered: "png" (argument: a picture file, copied into
    // folder for each call), "uri" (argument returned as it is), "cancel", "end", "error", "silent"
    // (the call is answered, the request never), "mute" (not even the call), "noscreenshot" (a
    // portal without the interface). "+early" sends the Response before the call's reply,
    // "+oldpath" gives a request path of the portal's own choosing.
    QString mode = QStringLiteral("png"), argument, folder;
    QStringList calls, violations;
    QVariantMap lastOptions;

    QString introspect(const QString& path) const override {
        if (path == kPath) return m_screenshot.introspection();
        if (m_live.contains(path)) return m_request.introspection();
        return {};
    }

    bool handleMessage(const QDBusMessage& message, const QDBusConnection& bus) override {
        const QString path = message.path();
        if (message.interface() == QLatin1String("org.freedesktop.DBus.Introspectable")) {
            bus.send(
                message.createReply(QStringLiteral("<node>") + introspect(path) + QStringLiteral("</node>")));
            return true;
        }
        if (path == kPath) {
            if (message.interface() == kProperties) return properties(message, bus);
            if (message.interface() == kScreenshot && !has(QStringLiteral("noscreenshot")))
                return screenshot(message, bus);
            return refuse(message, bus, QStringLiteral("org.freedesktop.DBus.Error.UnknownInterface"),
                          QStringLiteral("no interface ") + message.interface());
        }
        if (m_live.contains(path) && message.interface() == kRequest) return request(message, bus);
        return refuse(message, bus, QStringLiteral("org.freedesktop.DBus.Error.UnknownObject"), path);
    }

private:
    bool has(const QString& word) const { return mode.split(QLatin1Char('+')).contains(word); }

    bool refuse(const QDBusMessage& m, const QDBusConnection& bus, const QString& name, const QString& text) {
        bus.send(m.createErrorReply(name, text));
        return true;
    }

    bool properties(const QDBusMessage& m, const QDBusConnection& bus) {
        const QVariantList args = m.arguments();
        calls << m.member() + QLatin1Char(' ') + (args.isEmpty() ? QString() : args[0].toString());
        const QString iface = args.value(0).toString();
        const bool known = iface == kScreenshot && !has(QStringLiteral("noscreenshot"));
        const QString unknownIface = QStringLiteral("org.freedesktop.DBus.Error.UnknownInterface");
        if (m.member() == QLatin1String("Get") && m.signature() == QLatin1String("ss")) {
            if (!known) return refuse(m, bus, unknownIface, iface);
            const auto p = m_screenshot.properties.constFind(args[1].toString());
            if (p == m_screenshot.properties.cend())
                return refuse(m, bus, QStringLiteral("org.freedesktop.DBus.Error.UnknownProperty"),
                              args[1].toString());
            bus.send(m.createReply(QVariant::fromValue(QDBusVariant(value(*p)))));
            return true;
        }
        if (m.member() == QLatin1String("GetAll") && m.signature() == QLatin1String("s")) {
            if (!known) return refuse(m, bus, unknownIface, iface);
            QVariantMap all;
            for (const auto& p : m_screenshot.properties)
                all.insert(p.name, value(p));
            bus.send(m.createReply(all));
            return true;
        }
        if (m.member() == QLatin1String("Set") && m.signature() == QLatin1String("ssv")) {
            violations << QStringLiteral("Set %1 on a read-only interface").arg(args.value(1).toString());
            return refuse(m, bus, QStringLiteral("org.freedesktop.DBus.Error.PropertyReadOnly"),
                          args.value(1).toString());
        }
        violations << QStringLiteral("Properties.%1(%2)").arg(m.member(), m.signature());
        return refuse(m, bus, QStringLiteral("org.freedesktop.DBus.Error.InvalidArgs"), m.signature());
    }

    // The one property the description has is the version, which its documentation names.
    QVariant value(const nodo::testing::PropertyDescription& p) const {
        if (p.name == QLatin1String("version") && p.type == QLatin1String("u"))
            return QVariant::fromValue(m_screenshot.version);
        return {};
    }

    bool screenshot(const QDBusMessage& m, const QDBusConnection& bus) {
        const QVariantList args = m.arguments();
        const QVariantMap options = m.signature() == QLatin1String("sa{sv}")
                                        ? qdbus_cast<QVariantMap>(args[1].value<QDBusArgument>())
                                        : QVariantMap();
        calls << m.member();
        const QStringList wrong = CheckCall(m_screenshot, m.member(), m.signature(), options);
        if (!wrong.isEmpty()) {
            violations << wrong;
            return refuse(m, bus, QStringLiteral("org.freedesktop.DBus.Error.InvalidArgs"), wrong.join("; "));
        }
        lastOptions = options;
        if (m.member() != QLatin1String("Screenshot"))
            return refuse(m, bus, QStringLiteral("org.freedesktop.portal.Error.NotAllowed"), m.member());
        if (has(QStringLiteral("error")))
            return refuse(m, bus, QStringLiteral("org.freedesktop.portal.Error.Failed"),
                          QStringLiteral("the screenshot failed"));
        if (has(QStringLiteral("mute"))) return true; // no reply at all

        ++m_serial;
        const QString token =
            options.value(QStringLiteral("handle_token"), QStringLiteral("t%1").arg(m_serial)).toString();
        const QString handle = has(QStringLiteral("oldpath"))
                                   ? kRequestRoot + QStringLiteral("old/t%1").arg(m_serial)
                                   : RequestPathFor(m.service(), token);
        m_live.insert(handle);
        const QDBusMessage reply = m.createReply(QVariant::fromValue(QDBusObjectPath(handle)));
        if (Signature(reply) != m_screenshot.methods.value(m.member()).outSignature())
            violations << QStringLiteral("our own reply is (%1)").arg(Signature(reply));
        const bool early = has(QStringLiteral("early"));
        if (!early) bus.send(reply);
        answer(bus, m.service(), handle);
        if (early) bus.send(reply);
        return true;
    }

    void answer(const QDBusConnection& bus, const QString& caller, const QString& handle) {
        if (has(QStringLiteral("silent"))) return;
        uint code = 0;
        QVariantMap results;
        if (has(QStringLiteral("cancel")))
            code = 1;
        else if (has(QStringLiteral("end")))
            code = 2;
        else if (has(QStringLiteral("uri")))
            results.insert(QStringLiteral("uri"), argument);
        else {
            const QString file = QDir(folder).filePath(
                QStringLiteral("Screenshot-%1-%2.png").arg(QCoreApplication::applicationPid()).arg(m_serial));
            QFile::remove(file);
            if (!QFile::copy(argument, file))
                violations << QStringLiteral("cannot copy %1 to %2").arg(argument, file);
            results.insert(QStringLiteral("uri"), QUrl::fromLocalFile(file).toString());
        }
        const auto& documented = m_screenshot.methods.value(QStringLiteral("Screenshot")).results;
        for (auto r = results.cbegin(); r != results.cend(); ++r)
            if (nodo::testing::VariantSignature(r.value()) != documented.value(r.key()))
                violations << QStringLiteral("our own result %1 is not as described").arg(r.key());
        QDBusMessage signal =
            QDBusMessage::createTargetedSignal(caller, handle, kRequest, QStringLiteral("Response"));
        signal << code << results;
        if (Signature(signal) != m_request.signals_.value(QStringLiteral("Response")).signature())
            violations << QStringLiteral("our own Response is (%1)").arg(Signature(signal));
        bus.send(signal);
        m_live.remove(handle);
    }

    bool request(const QDBusMessage& m, const QDBusConnection& bus) {
        calls << m.member() + QLatin1Char(' ') + m.path();
        const QStringList wrong = CheckCall(m_request, m.member(), m.signature(), {});
        if (!wrong.isEmpty()) {
            violations << wrong;
            return refuse(m, bus, QStringLiteral("org.freedesktop.DBus.Error.InvalidArgs"), wrong.join("; "));
        }
        m_live.remove(m.path());
        bus.send(m.createReply());
        return true;
    }

    InterfaceDescription m_screenshot, m_request;
    QSet<QString> m_live; // request objects not yet answered or closed
    int m_serial = 0;
};

class Control : public QDBusVirtualObject {
public:
    explicit Control(Portal& portal) : m_portal(portal) {}

    QString introspect(const QString&) const override {
        return QStringLiteral("<interface name=\"org.nodo.TestPortal\">"
                              "<method name=\"SetAnswer\"><arg type=\"s\" direction=\"in\"/>"
                              "<arg type=\"s\" direction=\"in\"/><arg type=\"s\" direction=\"in\"/></method>"
                              "<method name=\"Calls\"><arg type=\"as\" direction=\"out\"/></method>"
                              "<method name=\"Violations\"><arg type=\"as\" direction=\"out\"/></method>"
                              "<method name=\"LastOptions\"><arg type=\"a{sv}\" direction=\"out\"/></method>"
                              "<method name=\"Reset\"/></interface>");
    }

    bool handleMessage(const QDBusMessage& m, const QDBusConnection& bus) override {
        const QString member = m.member();
        const QVariantList args = m.arguments();
        if (member == QLatin1String("SetAnswer") && m.signature() == QLatin1String("sss")) {
            m_portal.mode = args[0].toString();
            m_portal.argument = args[1].toString();
            m_portal.folder = args[2].toString();
            bus.send(m.createReply());
        } else if (member == QLatin1String("Calls")) {
            bus.send(m.createReply(m_portal.calls));
        } else if (member == QLatin1String("Violations")) {
            bus.send(m.createReply(m_portal.violations));
        } else if (member == QLatin1String("LastOptions")) {
            bus.send(m.createReply(m_portal.lastOptions));
        } else if (member == QLatin1String("Reset")) {
            m_portal.calls.clear();
            m_portal.violations.clear();
            m_portal.lastOptions.clear();
            bus.send(m.createReply());
        } else {
            bus.send(m.createErrorReply(QStringLiteral("org.freedesktop.DBus.Error.UnknownMethod"), member));
        }
        return true;
    }

private:
    Portal& m_portal;
};

int Fail(int code, const QString& why) {
    std::fprintf(stderr, "nodo_test_portal: %s\n", qPrintable(why));
    return code;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QString dir = QStringLiteral("/usr/share/dbus-1/interfaces");
    const QStringList args = app.arguments();
    if (const auto i = args.indexOf(QStringLiteral("--interfaces")); i >= 0 && i + 1 < args.size())
        dir = args[i + 1];

    QString why;
    auto screenshot = ReadInterfaceDescription(dir + QStringLiteral("/org.freedesktop.portal.Screenshot.xml"),
                                               kScreenshot, &why);
    if (!screenshot) return Fail(2, why);
    auto request =
        ReadInterfaceDescription(dir + QStringLiteral("/org.freedesktop.portal.Request.xml"), kRequest, &why);
    if (!request) return Fail(2, why);

    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return Fail(3, QStringLiteral("no session bus: ") + bus.lastError().message());
    Portal portal(std::move(*screenshot), std::move(*request));
    Control control(portal);
    if (!bus.registerVirtualObject(kPath, &portal, QDBusConnection::SubPath) ||
        !bus.registerVirtualObject(kControlPath, &control) || !bus.registerService(kService))
        return Fail(3, QStringLiteral("cannot register: ") + bus.lastError().message());
    // The test may only go on once the name is ours.
    std::printf("ready\n");
    std::fflush(stdout);
    return app.exec();
}
