#include "KTSubscriptionClient.h"

#include "KTUserDefaults.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QThread>
#include <QTimer>

namespace {

std::shared_ptr<KTSubscriptionClient> &installedClient()
{
    static std::shared_ptr<KTSubscriptionClient> client;
    return client;
}

constexpr int kTimeoutMilliseconds = 10000;

} // namespace

KTSubscriptionClient &KTSubscriptionClient::shared()
{
    Q_ASSERT(QThread::currentThread() == qApp->thread());
    std::shared_ptr<KTSubscriptionClient> &client = installedClient();
    if (!client)
        client = std::make_shared<KTNetworkSubscriptionClient>();
    return *client;
}

std::shared_ptr<KTSubscriptionClient>
KTSubscriptionClient::install(std::shared_ptr<KTSubscriptionClient> client)
{
    Q_ASSERT(QThread::currentThread() == qApp->thread());
    return std::exchange(installedClient(), std::move(client));
}

KTNetworkSubscriptionClient::KTNetworkSubscriptionClient(KTUserDefaults *defaults) : m_defaults(defaults) {}

KTNetworkSubscriptionClient::~KTNetworkSubscriptionClient()
{
    // Replies in flight belong to the network manager and go with it; their completions never run.
    delete m_network.data();
}

QUrl KTNetworkSubscriptionClient::endpoint() const
{
    KTUserDefaults &defaults = m_defaults ? *m_defaults : KTUserDefaults::standardUserDefaults();
    const QUrl url(defaults.stringForKey(kKTSubscriptionEndpointKey).trimmed(), QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty() ||
        (scheme != QLatin1String("http") && scheme != QLatin1String("https")))
        return {};
    return url;
}

bool KTNetworkSubscriptionClient::isAvailable() const
{
    return endpoint().isValid();
}

void KTNetworkSubscriptionClient::postSubscription(const QByteArray &body, Completion completion)
{
    Q_ASSERT(QThread::currentThread() == qApp->thread());
    const QUrl url = endpoint();
    if (!url.isValid()) {
        QTimer::singleShot(0, qApp, [completion = std::move(completion)] {
            if (completion)
                completion(false);
        });
        return;
    }
    if (!m_network)
        m_network = new QNetworkAccessManager(qApp);
    QNetworkRequest request(url);
    request.setTransferTimeout(kTimeoutMilliseconds);
    // The type Qt would pick for a POST itself; named so it does not warn about its absence.
    request.setHeader(QNetworkRequest::ContentTypeHeader,
                      QStringLiteral("application/x-www-form-urlencoded"));
    QNetworkReply *reply = m_network->post(request, body);
    QObject::connect(reply, &QNetworkReply::finished, reply, [reply, completion = std::move(completion)] {
        const bool succeeded =
            reply->error() == QNetworkReply::NoError && isSuccessfulAnswer(reply->readAll());
        reply->deleteLater();
        if (completion)
            completion(succeeded);
    });
}

bool KTNetworkSubscriptionClient::isSuccessfulAnswer(const QByteArray &answer)
{
    const QJsonDocument document = QJsonDocument::fromJson(answer);
    return document.isObject() &&
           document.object().value(QLatin1String("status")).toString() == QLatin1String("success");
}
