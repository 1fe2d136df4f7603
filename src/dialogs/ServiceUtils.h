#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

/// The small services of the shell: the application's name, the e-mail check and the newsletter
/// subscription (sent through KTSubscriptionClient).
///
/// Threading: main thread only.
class ServiceUtils
{
public:
    /// The product name, as KTCommon::applicationName().
    static QString getApplicationName();

    /// Whether `email`, lower-cased, is as a whole of the form "name@domain.tld" with a top-level
    /// domain of 2 to 4 letters. Blanks are not trimmed: " a@b.com" is refused.
    static bool validateEmail(const QString &email);

    /// The form of a subscription: "version=1.1&type=subscribeMac&app=<app>&email=<email>&&approved=<0|1>",
    /// every value percent-encoded (so "+" and "%" in an address reach the server as typed).
    static QByteArray subscriptionRequestBody(const QString &applicationName, const QString &email,
                                              bool approved);

    /// Sends the subscription of `email` through KTSubscriptionClient::shared(). Returns at once;
    /// `completion` (when set) runs later on the main thread with true only when the server
    /// answered {"status": "success"}; with no endpoint configured it gets false.
    static void subscribeUserWithEmail(const QString &email, bool approve,
                                       std::function<void(bool)> completion);
};
