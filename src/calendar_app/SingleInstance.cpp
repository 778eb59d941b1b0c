#include "calendar_app/SingleInstance.h"

#include "calendar_app/Log.h"

#include <QCryptographicHash>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>

namespace nodo {

namespace {

// One line each way: "activate <token>" and "ok".
constexpr char kActivate[] = "activate";
constexpr char kOk[] = "ok";
constexpr int kMaxLine = 4096;

} // namespace

QString SingleInstance::SocketName(const QString& runtimeDir, unsigned userId, const QString& appFolder) {
    const QByteArray hash =
        QCryptographicHash::hash(QDir::cleanPath(appFolder).toUtf8(), QCryptographicHash::Sha256)
            .toHex()
            .left(16);
    const QString base = QStringLiteral("nodo-calendar-%1").arg(QString::fromLatin1(hash));
    if (!runtimeDir.isEmpty() && QDir::isAbsolutePath(runtimeDir))
        return QDir(runtimeDir).filePath(base + QStringLiteral(".socket"));
    return QStringLiteral("%1-%2").arg(base).arg(userId);
}

SingleInstance::SingleInstance(QString socketName, QObject* parent)
    : QObject(parent), m_name(std::move(socketName)) {}

SingleInstance::~SingleInstance() = default;

SingleInstance::Outcome SingleInstance::forward(const QString& token, int timeoutMs, bool* connected) {
    QLocalSocket socket;
    socket.connectToServer(m_name);
    *connected = socket.waitForConnected(timeoutMs);
    if (!*connected) return Outcome::Failed;
    QByteArray line = kActivate;
    if (!token.isEmpty()) line += ' ' + token.toUtf8().left(kMaxLine - 16);
    line += '\n';
    socket.write(line);
    if (!socket.waitForBytesWritten(timeoutMs)) return Outcome::NoAnswer;
    while (!socket.canReadLine())
        if (!socket.waitForReadyRead(timeoutMs)) return Outcome::NoAnswer;
    return socket.readLine().trimmed() == kOk ? Outcome::Forwarded : Outcome::NoAnswer;
}

SingleInstance::Outcome SingleInstance::claim(const QString& token, int timeoutMs) {
    // Two starts at once: the lock makes one of them look and listen before the other looks.
    const QString lockName = QDir::isAbsolutePath(m_name)
                                 ? m_name + QStringLiteral(".lock")
                                 : QDir::temp().filePath(m_name + QStringLiteral(".lock"));
    QLockFile lock(lockName);
    // (a lock whose holder has ended is taken over at once)
    if (!lock.tryLock(timeoutMs))
        qCWarning(lcCalendarApp) << "single instance: the lock" << lockName << "is not to be had"
                                 << lock.error() << "- trying the socket without it";
    bool connected = false;
    const Outcome sent = forward(token, timeoutMs, &connected);
    if (connected) {
        if (sent == Outcome::NoAnswer) m_detail = QStringLiteral("the running window does not answer");
        return sent;
    }
    // Nobody listens: a socket file left by a window that ended without closing it is removed.
    QLocalServer::removeServer(m_name);
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(m_name)) {
        m_detail = m_server->errorString();
        qCWarning(lcCalendarApp) << "single instance: cannot listen on" << m_name << m_detail;
        delete m_server;
        m_server = nullptr;
        return Outcome::Failed;
    }
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::answer);
    qCInfo(lcCalendarApp) << "single instance: listening on" << m_server->fullServerName();
    return Outcome::First;
}

void SingleInstance::answer() {
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (!socket->canReadLine()) {
                if (socket->bytesAvailable() > kMaxLine) socket->abort();
                return;
            }
            const QByteArray line = socket->readLine(kMaxLine).trimmed();
            const int space = line.indexOf(' ');
            const QByteArray verb = space < 0 ? line : line.left(space);
            if (verb != kActivate) {
                qCWarning(lcCalendarApp) << "single instance: unknown request" << line.left(64);
                socket->disconnectFromServer();
                return;
            }
            emit activationRequested(space < 0 ? QString() : QString::fromUtf8(line.mid(space + 1)));
            socket->write(QByteArray(kOk) + '\n');
            socket->flush();
            socket->disconnectFromServer();
        });
    }
}

} // namespace nodo
