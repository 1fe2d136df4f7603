#include "KTTasksNotifier.h"

#include "KTDispatch.h"
#include "KTNotificationCenter.h"

#include <QPointer>

namespace {

void postLater(const QString &name, QObject *sender, const QVariantMap &userInfo)
{
    postToMain([name, sender = QPointer<QObject>(sender), userInfo] {
        KTNotificationCenter::defaultCenter().post(name, sender.data(), userInfo);
    });
}

QVariantMap withTaskName(const QString &name, const QVariantMap &userInfo)
{
    QVariantMap info{{kTaskNameKey, name}};
    info.insert(userInfo);
    return info;
}

} // namespace

KTTasksNotifier &KTTasksNotifier::sharedNotifier()
{
    static KTTasksNotifier notifier;
    return notifier;
}

void KTTasksNotifier::taskDidStart(const QString &name, QObject *sender, const QVariantMap &userInfo)
{
    postLater(kTaskDidStartNotification, sender, withTaskName(name, userInfo));
}

void KTTasksNotifier::taskDidFinish(const QString &name, QObject *sender, const QVariantMap &userInfo)
{
    postLater(kTaskDidFinishNotification, sender, withTaskName(name, userInfo));
}

void KTTasksNotifier::numberOfTaskStepsDidCalculate(const QVariant &count, QObject *sender)
{
    postLater(kNumberOfTaskStepsDidCalculateNotification, sender, {{kNumberOfTaskStepsForCheckingKey, count}});
}

void KTTasksNotifier::stepsDidExecute(const QVariant &count, QObject *sender)
{
    postLater(kTaskStepsDidExecuteNotification, sender, {{kNumberOfExecutedStepsKey, count}});
}

void KTTasksNotifier::taskProgressDidUpdate(const QVariant &value, QObject *sender)
{
    postLater(kTaskProgresDidUpdate, sender, {{kProgressValueKey, value}});
}
