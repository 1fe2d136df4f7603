#include "KTSubscriptionClient.h"

#include "KTFakeHttpServer.h"

#include "KTTestSupport.h"
#include "KTUserDefaults.h"
#include "ServiceUtils.h"

#include <QNetworkProxy>
#include <QTcpServer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <optional>

namespace {

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
    std::shared_ptr<KTNetworkSubscriptionClient> client =
        std::make_shared<KTNetworkSubscriptionClient>(&defaults);
    std::shared_ptr<KTSubscriptionClient> previous;
    KTFakeHttpServer server;
};

} // namespace

TEST_F(Subscription, TheServerGetsTheExactFormWithTheAddressAsTyped)
{
    defaults.setObject(server.address(), kKTSubscriptionEndpointKey);
    ASSERT_TRUE(client->isAvailable());
    EXPECT_EQ(subscribe("anna+photos%2@example.com"), true);
    ASSERT_EQ(server.requests().size(), 1u);
    const KTFakeHttpServer::Request &request = server.requests().front();
    EXPECT_EQ(request.method, "POST");
    EXPECT_EQ(request.path, "/newsletter");
    EXPECT_EQ(request.contentType, "application/x-www-form-urlencoded");
    EXPECT_EQ(
        request.body,
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
        {QString(), false},   {"   ", false},      {"ftp://127.0.0.1/newsletter", false},
        {"not a url", false}, {unreachable, true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.endpoint.toStdString());
        defaults.setObject(c.endpoint, kKTSubscriptionEndpointKey);
        EXPECT_EQ(client->isAvailable(), c.available);
        EXPECT_EQ(subscribe("anna@example.com"), false);
    }
    EXPECT_TRUE(server.requests().empty());
}
