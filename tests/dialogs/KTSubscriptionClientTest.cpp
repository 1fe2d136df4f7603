#include "KTSubscriptionClient.h"

#include "KTTestSupport.h"
#include "KTUserDefaults.h"
#include "ServiceUtils.h"

#include <QNetworkProxy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <optional>

namespace {

/// An HTTP server on 127.0.0.1 that records each request and gives one fixed answer.
class FakeServer
{
public:
    struct Request
    {
        QByteArray method;
        QByteArray path;
        QByteArray contentType;
        QByteArray body;
    };

    FakeServer()
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

    QString address() const { return QStringLiteral("http://127.0.0.1:%1/newsletter").arg(m_server.serverPort()); }
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
        socket->write("HTTP/1.1 " + QByteArray::number(m_status) + " Fine\r\nContent-Type: application/json\r\n" +
                      "Content-Length: " + QByteArray::number(m_answer.size()) +
                      "\r\nConnection: close\r\n\r\n" + m_answer);
        socket->disconnectFromHost();
    }

    QTcpServer m_server;
    int m_status = 200;
    QByteArray m_answer = R"({"status": "success"})";
    std::vector<Request> m_requests;
};

/// The network client on defaults of its own, installed as the shared client.
class Subscription : public ::testing::Test
{
protected:
    Subscription()
    {
        QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy);
        previous = KTSubscriptionClient::install(client);
    }
    ~Subscription() override { KTSubscriptionClient::install(previous); }

    /// Subscribes and waits for the completion; nullopt when it never came.
    std::optional<bool> subscribe(const QString &email)
    {
        std::optional<bool> result;
        ServiceUtils::subscribeUserWithEmail(email, true, [&](bool succeeded) { result = succeeded; });
        EXPECT_FALSE(result.has_value()) << "the completion never runs inside the call";
        waitUntil([&] { return result.has_value(); });
        return result;
    }

    QTemporaryDir dir;
    KTUserDefaults defaults{dir.filePath("defaults.ini")};
    std::shared_ptr<KTNetworkSubscriptionClient> client = std::make_shared<KTNetworkSubscriptionClient>(&defaults);
    std::shared_ptr<KTSubscriptionClient> previous;
    FakeServer server;
};

} // namespace

TEST_F(Subscription, TheServerGetsTheExactFormWithTheAddressAsTyped)
{
    defaults.setObject(server.address(), kKTSubscriptionEndpointKey);
    ASSERT_TRUE(client->isAvailable());
    EXPECT_EQ(subscribe("anna+photos%2@example.com"), true);
    ASSERT_EQ(server.requests().size(), 1u);
    const FakeServer::Request &request = server.requests().front();
    EXPECT_EQ(request.method, "POST");
    EXPECT_EQ(request.path, "/newsletter");
    EXPECT_EQ(request.contentType, "application/x-www-form-urlencoded");
    EXPECT_EQ(request.body,
              "version=1.1&type=subscribeMac&app=Vireoscope&email=anna%2Bphotos%252%40example.com&&approved=1");
    // What the server reads back from the form is the address as typed.
    EXPECT_EQ(QUrl::fromPercentEncoding(request.body.split('&').at(3).mid(6)), "anna+photos%2@example.com");
}

TEST_F(Subscription, OnlyAStatusOfSuccessCounts)
{
    defaults.setObject(server.address(), kKTSubscriptionEndpointKey);
    const struct
    {
        int status;
        QByteArray answer;
        bool succeeded;
    } cases[] = {
        {200, R"({"status": "success"})", true},
        {200, R"({"status": "failed"})", false},
        {200, R"({"result": "success"})", false},
        {200, R"(["success"])", false},
        {200, "success", false},
        {500, R"({"status": "success"})", false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.answer.toStdString() + " " + std::to_string(c.status));
        server.answer(c.status, c.answer);
        EXPECT_EQ(subscribe("anna@example.com"), c.succeeded);
    }
    EXPECT_EQ(server.requests().size(), std::size(cases));
}

TEST_F(Subscription, WithoutAUsableEndpointNothingIsSentAndItFails)
{
    const QString unreachable = [] {
        QTcpServer closed;
        closed.listen(QHostAddress::LocalHost);
        return QStringLiteral("http://127.0.0.1:%1/").arg(closed.serverPort());
    }();
    const struct
    {
        QString endpoint;
        bool available;
    } cases[] = {
        {QString(), false},
        {"   ", false},
        {"ftp://127.0.0.1/newsletter", false},
        {"not a url", false},
        {unreachable, true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.endpoint.toStdString());
        defaults.setObject(c.endpoint, kKTSubscriptionEndpointKey);
        EXPECT_EQ(client->isAvailable(), c.available);
        EXPECT_EQ(subscribe("anna@example.com"), false);
    }
    EXPECT_TRUE(server.requests().empty());
}
