#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QObject>
#include <QString>
#include <QTcpServer>
#include <QTcpSocket>

#include <memory>
#include <vector>

/// An HTTP server on 127.0.0.1 that records each request and gives one fixed answer.
class KTFakeHttpServer
{
public:
    struct Request
    {
        QByteArray method;
        QByteArray path;
        QByteArray contentType;
        QByteArray body;
    };

    KTFakeHttpServer()
    {
        m_server.listen(QHostAddress::LocalHost);
        QObject::connect(&m_server, &QTcpServer::newConnection, &m_server, [this] {
            while (QTcpSocket *socket = m_server.nextPendingConnection()) {
                auto buffer = std::make_shared<QByteArray>();
                QObject::connect(socket, &QTcpSocket::readyRead, socket,
                                 [this, socket, buffer] { read(socket, *buffer); });
                QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
    }

    QString address() const
    {
        return QStringLiteral("http://127.0.0.1:%1/newsletter").arg(m_server.serverPort());
    }
    void answer(int status, const QByteArray &body)
    {
        m_status = status;
        m_answer = body;
    }
    const std::vector<Request> &requests() const { return m_requests; }

private:
    void read(QTcpSocket *socket, QByteArray &buffer)
    {
        buffer += socket->readAll();
        const qsizetype end = buffer.indexOf("\r\n\r\n");
        if (end < 0)
            return;
        Request request;
        qsizetype length = 0;
        const QList<QByteArray> lines = buffer.left(end).split('\n');
        const QList<QByteArray> requestLine = lines.first().trimmed().split(' ');
        request.method = requestLine.value(0);
        request.path = requestLine.value(1);
        for (const QByteArray &line : lines.mid(1)) {
            const qsizetype colon = line.indexOf(':');
            const QByteArray name = line.left(colon).trimmed().toLower();
            const QByteArray value = line.mid(colon + 1).trimmed();
            if (name == "content-length")
                length = value.toLongLong();
            if (name == "content-type")
                request.contentType = value;
        }
        if (buffer.size() < end + 4 + length)
            return;
        request.body = buffer.mid(end + 4, length);
        m_requests.push_back(request);
        socket->write("HTTP/1.1 " + QByteArray::number(m_status) +
                      " Fine\r\nContent-Type: application/json\r\n" + "Content-Length: " +
                      QByteArray::number(m_answer.size()) + "\r\nConnection: close\r\n\r\n" + m_answer);
        socket->disconnectFromHost();
    }

    QTcpServer m_server;
    int m_status = 200;
    QByteArray m_answer = R"({"status": "success"})";
    std::vector<Request> m_requests;
};
