#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

class QLocalServer;
class QLocalSocket;

/// Keeps one running application per user session. The first start listens on a local socket in
/// the user's runtime folder; a later start (a folder opened with the application from the file
/// manager, or `vireoscope FOLDER...` again) hands its paths to the first over that socket and
/// exits, and the first treats them as files dropped on its icon.
///
/// The message is one line of JSON: an array of absolute paths (empty for a plain second start).
/// The first instance answers "ok" once it has read the whole message, so a sender that gets no
/// answer knows the hand-off failed and starts on its own.
///
/// Threading: main thread. sendToRunningInstance() blocks (it runs before the event loop of a
/// second start); the listening side works from the event loop.
class KTSingleInstance : public QObject
{
    Q_OBJECT
public:
    /// `serverName` is a socket path or a name (see QLocalServer); defaultServerName() normally.
    explicit KTSingleInstance(const QString &serverName = defaultServerName(), QObject *parent = nullptr);
    ~KTSingleInstance() override;

    /// "vireoscope.socket" in $XDG_RUNTIME_DIR, or a per-user name in the temporary folder when
    /// there is no runtime folder.
    static QString defaultServerName();
    QString serverName() const { return m_serverName; }

    /// Hands `paths` (made absolute against the current folder) to a running instance and waits
    /// up to `timeoutMs` for its answer. True when it took them; false when none runs or it did
    /// not answer.
    bool sendToRunningInstance(const QStringList &paths, int timeoutMs = 3000);

    /// Starts listening; a socket left behind by a crashed instance is replaced. False when
    /// another instance began listening meanwhile (hand the paths to it), or when the socket
    /// cannot be made (logged).
    bool listen();
    bool isListening() const;

signals:
    /// Another start handed over `paths` (absolute; empty for a plain second start).
    void pathsReceived(const QStringList &paths);

private:
    void readMessage(QLocalSocket *socket);

    QString m_serverName;
    QPointer<QLocalServer> m_server;
};
