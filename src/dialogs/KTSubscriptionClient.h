#pragma once

#include <QByteArray>
#include <QPointer>
#include <QString>
#include <QUrl>

#include <functional>
#include <memory>

class KTUserDefaults;
class QNetworkAccessManager;

/// The user-defaults key of the newsletter endpoint: an http or https address; empty (the
/// default) switches the subscription off.
inline const QString kKTSubscriptionEndpointKey = QStringLiteral("KTSubscriptionEndpoint");

/// Where the newsletter form goes. Replaceable, so that tests never reach a real server.
///
/// Threading: main thread only; completions run on the main thread, never inside the call.
class KTSubscriptionClient
{
public:
    using Completion = std::function<void(bool succeeded)>;

    virtual ~KTSubscriptionClient() = default;

    /// Whether a subscription can be sent at all.
    virtual bool isAvailable() const = 0;
    /// Posts the form `body`; `completion` gets true only for an answer {"status": "success"}.
    /// Unavailable, it gets false.
    virtual void postSubscription(const QByteArray &body, Completion completion) = 0;

    /// The client in use: a KTNetworkSubscriptionClient on the standard user defaults unless one
    /// was installed.
    static KTSubscriptionClient &shared();
    /// Installs `client` (null restores the network client); returns the previous one.
    static std::shared_ptr<KTSubscriptionClient> install(std::shared_ptr<KTSubscriptionClient> client);
};

/// Posts the form with Qt Network to the endpoint stored under kKTSubscriptionEndpointKey, read
/// at each call: "POST", the body as form data, a 10 s transfer time-out.
class KTNetworkSubscriptionClient : public KTSubscriptionClient
{
public:
    /// Reads the endpoint from `defaults` (the standard user defaults when null); not owned.
    explicit KTNetworkSubscriptionClient(KTUserDefaults *defaults = nullptr);
    ~KTNetworkSubscriptionClient() override;

    /// The configured endpoint; an invalid URL when it is empty or not an http(s) address.
    QUrl endpoint() const;
    bool isAvailable() const override;
    void postSubscription(const QByteArray &body, Completion completion) override;

    /// Whether an answer body means success: a JSON object whose "status" is "success".
    static bool isSuccessfulAnswer(const QByteArray &answer);

private:
    KTUserDefaults *m_defaults;
    QPointer<QNetworkAccessManager> m_network;
};
