#pragma once
// One calendar window per user and application folder: the first start listens on a local socket
// named after both; a later start finds it there, asks it to come forward and ends.
#include <QObject>
#include <QString>

#include <memory>

class QLocalServer;
class QLockFile;

namespace nodo {

class SingleInstance : public QObject {
    Q_OBJECT
public:
    // The socket of a user's window over an application folder: a full path in `runtimeDir` when
    // that is given (the user's $XDG_RUNTIME_DIR), else a name in the system's temporary folder
    // that carries the user id. The folder enters as a hash, so any path makes a valid name.
    static QString SocketName(const QString& runtimeDir, unsigned userId, const QString& appFolder);

    explicit SingleInstance(QString socketName, QObject* parent = nullptr);
    ~SingleInstance() override;

    enum class Outcome {
        First,     // no window runs: this one listens now
        Forwarded, // a running window was asked to come forward and said it did
        NoAnswer,  // something holds the socket but does not answer
        Failed,    // the socket cannot be made; `detail` says why
    };
    // Claims the socket or hands `activationToken` (the desktop's token for the start, may be empty)
    // to the window that holds it. Waits at most `timeoutMs` for that window.
    Outcome claim(const QString& activationToken, int timeoutMs = 5000);
    QString detail() const { return m_detail; }
    QString socketName() const { return m_name; }

signals:
    // A later start asked the window to come forward, with the token it was given.
    void activationRequested(const QString& token);

private:
    Outcome forward(const QString& token, int timeoutMs, bool* connected);
    void answer();

    QString m_name;
    QString m_detail;
    QLocalServer* m_server = nullptr;
};

} // namespace nodo
