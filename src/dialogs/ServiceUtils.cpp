#include "ServiceUtils.h"

#include "KTCommon.h"
#include "KTSubscriptionClient.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QRegularExpression>
#include <QThread>
#include <QUrl>

QString ServiceUtils::getApplicationName()
{
    return KTCommon::applicationName();
}

bool ServiceUtils::validateEmail(const QString &email)
{
    static const QRegularExpression pattern(QRegularExpression::anchoredPattern(
        QStringLiteral("[A-Z0-9a-z._%+-]+@[A-Za-z0-9.-]+\\.[A-Za-z]{2,4}")));
    return pattern.match(email.toLower()).hasMatch();
}

QByteArray ServiceUtils::subscriptionRequestBody(const QString &applicationName, const QString &email,
                                                 bool approved)
{
    // The field names, their order and the doubled "&" are what the server reads.
    return "version=1.1&type=subscribeMac&app=" + QUrl::toPercentEncoding(applicationName) +
           "&email=" + QUrl::toPercentEncoding(email) + "&&approved=" + (approved ? "1" : "0");
}

void ServiceUtils::subscribeUserWithEmail(const QString &email, bool approve,
                                          std::function<void(bool)> completion)
{
    Q_ASSERT(QThread::currentThread() == qApp->thread());
    KTSubscriptionClient::shared().postSubscription(
        subscriptionRequestBody(getApplicationName(), email, approve),
        [completion = std::move(completion)](bool succeeded) {
            if (completion)
                completion(succeeded);
        });
}
