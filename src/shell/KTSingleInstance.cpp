#include "KTSingleInstance.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>

#include <unistd.h>

namespace {

const QByteArray kAnswer = "ok\n";
/// A message longer than this is not ours; the connection is dropped.
constexpr qint64 kMaximumMessageSize = 4 * 1024 * 1024;

} // namespace

KTSingleInstance::KTSingleInstance(const QString &serverName, QObject *parent)
    : QObject(parent), m_serverName(serverName)
{}

KTSingleInstance::~KTSingleInstance() = default;

QString KTSingleInstance::defaultServerName()
{
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (!runtime.isEmpty())
        return QDir(runtime).filePath(QStringLiteral("vireoscope.socket"));
    return QStringLiteral("vireoscope-%1").arg(::getuid());
}

bool KTSingleInstance::sendToRunningInstance(const QStringList &paths, int timeoutMs)
{
    QLocalSocket socket;
    socket.connectToServer(m_serverName);
    if (!socket.waitForConnected(timeoutMs))
        return false;
    QJsonArray array;
    for (const QString &path : paths)
        array.append(QFileInfo(path).absoluteFilePath());
    socket.write(QJsonDocument(array).toJson(QJsonDocument::Compact) + '\n');
    if (!socket.waitForBytesWritten(timeoutMs))
        return false;
    QByteArray answer;
    while (!answer.endsWith('\n')) {
        if (!socket.waitForReadyRead(timeoutMs))
            return false;
        answer += socket.readAll();
    }
    return answer == kAnswer;
}

bool KTSingleInstance::listen()
{
    if (isListening())
        return true;
    auto *server = new QLocalServer(this);
    // No socket options: with them the server binds elsewhere and renames over the name, which
    // would take the name from a live instance. The runtime folder is the user's own.
    if (!server->listen(m_serverName)) {
        // Another start may have begun listening since the caller asked; it must not lose its
        // socket. Otherwise what is there was left behind by an instance that ended without
        // removing it.
        QLocalSocket probe;
        probe.connectToServer(m_serverName);
        if (probe.waitForConnected(500)) {
            delete server;
            return false;
        }
        QLocalServer::removeServer(m_serverName);
        if (!server->listen(m_serverName)) {
            qWarning().noquote() << "Warning: cannot listen for other starts at" << m_serverName << ":"
                                 << server->errorString();
            delete server;
            return false;
        }
    }
    connect(server, &QLocalServer::newConnection, this, [this, server] {
        while (QLocalSocket *socket = server->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readMessage(socket); });
            readMessage(socket);
        }
    });
    m_server = server;
    return true;
}

bool KTSingleInstance::isListening() const
{
    return m_server && m_server->isListening();
}

void KTSingleInstance::readMessage(QLocalSocket *socket)
{
    if (!socket->canReadLine()) {
        if (socket->bytesAvailable() > kMaximumMessageSize)
            socket->abort();
        return;
    }
    const QByteArray line = socket->readLine(kMaximumMessageSize);
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(line, &error);
    if (error.error != QJsonParseError::NoError || !document.isArray()) {
        qWarning() << "Warning: ignored a message from another start that is not a list of paths";
        socket->abort();
        return;
    }
    QStringList paths;
    for (const QJsonValue &value : document.array()) {
        if (value.isString() && QDir::isAbsolutePath(value.toString()))
            paths.append(QDir::cleanPath(value.toString()));
    }
    socket->write(kAnswer);
    socket->flush();
    socket->disconnectFromServer();
    emit pathsReceived(paths);
}
