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
    postLater(KTTaskDidStartInfo::name(), sender, withTaskName(name, userInfo));
}

void KTTasksNotifier::taskDidFinish(const QString &name, QObject *sender, const QVariantMap &userInfo)
{
    postLater(KTTaskDidFinishInfo::name(), sender, withTaskName(name, userInfo));
}

void KTTasksNotifier::numberOfTaskStepsDidCalculate(qint64 count, QObject *sender)
{
    postLater(KTTaskStepsDidCalculateInfo::name(), sender, KTTaskStepsDidCalculateInfo::userInfo(count));
}

void KTTasksNotifier::stepsDidExecute(qint64 count, QObject *sender)
{
    postLater(KTTaskStepsDidExecuteInfo::name(), sender, KTTaskStepsDidExecuteInfo::userInfo(count));
}

void KTTasksNotifier::taskProgressDidUpdate(double value, QObject *sender)
{
    postLater(KTTaskProgressDidUpdateInfo::name(), sender, KTTaskProgressDidUpdateInfo::userInfo(value));
}
