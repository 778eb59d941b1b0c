#include "platform/portal/ScreenshotPortal.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QObject>
#include <QTimer>
#include <QUrl>

#include <exception>
#include <utility>

namespace nodo {

namespace {

const QString kService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kScreenshot = QStringLiteral("org.freedesktop.portal.Screenshot");
const QString kRequest = QStringLiteral("org.freedesktop.portal.Request");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");

// The interface version from which Screenshot takes the "interactive" option.
constexpr uint kInteractiveSince = 2;

// Errors that only say the reply did not come in time: the give-up timer decides what that means.
bool IsTimeout(const QDBusError& e) {
    return e.type() == QDBusError::NoReply || e.type() == QDBusError::Timeout ||
           e.type() == QDBusError::TimedOut;
}

QString Describe(const QDBusError& e) {
    return e.name() + QStringLiteral(": ") + e.message();
}

} // namespace

PortalSettings SessionPortalSettings() {
    PortalSettings settings;
    const QStringList desktops = qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(u':', Qt::SkipEmptyParts);
    settings.noDialog = desktops.contains(QStringLiteral("KDE"), Qt::CaseInsensitive);
    return settings;
}

// One Screenshot request from the version question to the Response signal. Lives on the stack of
// ScreenshotPortal::take() and runs its own event loop.
class PortalRequest : public QObject {
    Q_OBJECT
public:
    PortalRequest(QDBusConnection bus, const PortalSettings& settings)
        : m_bus(std::move(bus)), m_settings(settings) {}

    PortalShot run() {
        if (!m_bus.isConnected())
            return {PortalShot::Outcome::Unavailable, {}, QStringLiteral("no session bus")};
        m_clock.start();
        m_token = NewHandleToken();
        m_handle = RequestPath(m_bus.baseService(), m_token);
        m_giveUp.setSingleShot(true);
        m_giveUp.setTimerType(Qt::PreciseTimer);
        connect(&m_giveUp, &QTimer::timeout, this, &PortalRequest::giveUp);
        m_giveUp.start(m_settings.giveUp);
        askVersion();
        if (!m_done) m_loop.exec(QEventLoop::ExcludeUserInputEvents);
        stopListening();
        return std::move(m_shot);
    }

public slots:
    void onResponse(uint response, const QVariantMap& results, const QDBusMessage& message) {
        if (m_done || message.path() != m_handle) return;
        switch (response) {
        case 0:
            readPicture(results.value(QStringLiteral("uri")).toString());
            break;
        case 1:
            if (m_settings.noDialog)
                finish(
                    PortalShot::Outcome::Ended,
                    QStringLiteral("the desktop's portal refused the screenshot without asking (response 1 "
                                   "after %1 ms, and it shows no dialog to cancel)")
                        .arg(m_clock.elapsed()));
            else
                finish(PortalShot::Outcome::Cancelled, QStringLiteral("cancelled by the user"));
            break;
        default:
            finish(PortalShot::Outcome::Ended,
                   QStringLiteral("ended by the portal (response %1)").arg(response));
            break;
        }
    }

private:
    // The D-Bus calls wait a little longer than the give-up timer, which decides alone.
    int callTimeout() const { return int(m_settings.giveUp.count() - m_clock.elapsed()) + 1000; }

    template <typename Reply, typename Handler> void call(const QDBusMessage& message, Handler handler) {
        auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(message, callTimeout()), this);
        connect(watcher, &QDBusPendingCallWatcher::finished, this,
                [this, handler](QDBusPendingCallWatcher* w) {
                    w->deleteLater();
                    if (m_done) return;
                    Reply reply = *w;
                    if (reply.isError() && IsTimeout(reply.error())) return;
                    handler(reply);
                });
    }

    // The version tells which options the portal knows; a portal without the Screenshot interface (or
    // no portal at all) is found out here, before anything is shown to the user.
    void askVersion() {
        QDBusMessage get =
            QDBusMessage::createMethodCall(kService, kPath, kProperties, QStringLiteral("Get"));
        get << kScreenshot << QStringLiteral("version");
        call<QDBusPendingReply<QDBusVariant>>(get, [this](const QDBusPendingReply<QDBusVariant>& reply) {
            if (reply.isError()) {
                finish(PortalShot::Outcome::Unavailable,
                       QStringLiteral("no screenshot portal: ") + Describe(reply.error()));
                return;
            }
            callScreenshot(reply.value().variant().toUInt());
        });
    }

    void callScreenshot(uint version) {
        // Listen before the call: the answer may come before the call's own reply.
        if (!listen(m_handle)) return;
        QVariantMap options{{QStringLiteral("handle_token"), m_token}};
        if (version >= kInteractiveSince) options.insert(QStringLiteral("interactive"), false);
        QDBusMessage shot =
            QDBusMessage::createMethodCall(kService, kPath, kScreenshot, QStringLiteral("Screenshot"));
        shot << QString() << options;
        m_called = true;
        m_calledAt = QDateTime::currentDateTime();
        call<QDBusPendingReply<QDBusObjectPath>>(
            shot, [this](const QDBusPendingReply<QDBusObjectPath>& reply) {
                if (reply.isError()) {
                    finish(PortalShot::Outcome::Failed,
                           QStringLiteral("screenshot refused: ") + Describe(reply.error()));
                    return;
                }
                // Portals older than the token convention choose the path themselves.
                const QString handle = reply.value().path();
                if (handle != m_handle) {
                    stopListening();
                    m_handle = handle;
                    listen(m_handle);
                }
            });
    }

    bool listen(const QString& path) {
        m_listening = m_bus.connect(kService, path, kRequest, QStringLiteral("Response"), this,
                                    SLOT(onResponse(uint, QVariantMap, QDBusMessage)));
        if (!m_listening)
            finish(PortalShot::Outcome::Failed,
                   QStringLiteral("cannot listen on the bus: ") + Describe(m_bus.lastError()));
        return m_listening;
    }

    void stopListening() {
        if (!m_listening) return;
        m_bus.disconnect(kService, m_handle, kRequest, QStringLiteral("Response"), this,
                         SLOT(onResponse(uint, QVariantMap, QDBusMessage)));
        m_listening = false;
    }

    void readPicture(const QString& uri) {
        const QUrl url(uri);
        if (!url.isLocalFile()) {
            finish(PortalShot::Outcome::Failed, QStringLiteral("the picture is not a local file: ") + uri);
            return;
        }
        const QString file = url.toLocalFile();
        PortalShot shot;
        try {
            shot.image = ReadScreenPicture(file);
            shot.outcome = PortalShot::Outcome::Taken;
        } catch (const std::exception& e) {
            shot.detail = QStringLiteral("cannot read the picture: ") + QString::fromUtf8(e.what());
        }
        // Our copy alone: read or not, it is of no use to anyone afterwards. A file that was there
        // before the request (a link to one included) is someone else's, wherever it lies.
        if (LiesBelow(file, m_settings.temporaryFolders) || WrittenSince(file, m_calledAt))
            QFile::remove(file);
        finish(std::move(shot));
    }

    void giveUp() {
        if (m_done) return;
        // Takes the portal's dialog, if any, off the screen.
        if (m_called)
            m_bus.send(QDBusMessage::createMethodCall(kService, m_handle, kRequest, QStringLiteral("Close")));
        finish(PortalShot::Outcome::GivenUp, QStringLiteral("no answer from the portal"));
    }

    void finish(PortalShot::Outcome outcome, QString detail) { finish({outcome, {}, std::move(detail)}); }
    void finish(PortalShot shot) {
        if (m_done) return;
        m_done = true;
        m_shot = std::move(shot);
        m_giveUp.stop();
        m_loop.quit();
    }

    QDBusConnection m_bus;
    const PortalSettings& m_settings;
    QEventLoop m_loop;
    QTimer m_giveUp;
    QElapsedTimer m_clock;
    QString m_token, m_handle;
    bool m_listening = false, m_called = false, m_done = false;
    QDateTime m_calledAt;
    PortalShot m_shot;
};

ScreenshotPortal::ScreenshotPortal(QDBusConnection bus, PortalSettings settings)
    : m_bus(std::move(bus)), m_settings(std::move(settings)) {}

PortalShot ScreenshotPortal::take() {
    PortalRequest request(m_bus, m_settings);
    return request.run();
}

} // namespace nodo

#include "ScreenshotPortal.moc"
