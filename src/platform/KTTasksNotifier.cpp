#include "KTTasksNotifier.h"

#include "KTDispatch.h"
#include "KTNotificationCenter.h"

namespace {

void postLater(const QString &name, const KTTaskSender &sender, const QVariantMap &userInfo)
{
    postToMain([name, sender, userInfo] {
        KTNotificationCenter::defaultCenter().post(name, sender.object(), userInfo);
    });
}

QVariantMap withTaskName(const QString &name, const QVariantMap &userInfo)
{
    QVariantMap info{{kTaskNameKey, name}};
    info.insert(userInfo);
    return info;
}

} // namespace

QObject *KTTaskSender::object() const
{
    Q_ASSERT(isMainThread());
    return m_sender.data();
}

KTTasksNotifier &KTTasksNotifier::sharedNotifier()
{
    static KTTasksNotifier notifier;
    return notifier;
}

void KTTasksNotifier::taskDidStart(const QString &name, const KTTaskSender &sender,
                                   const QVariantMap &userInfo)
{
    postLater(KTTaskDidStartInfo::name(), sender, withTaskName(name, userInfo));
}

void KTTasksNotifier::taskDidFinish(const QString &name, const KTTaskSender &sender,
                                    const QVariantMap &userInfo)
{
    postLater(KTTaskDidFinishInfo::name(), sender, withTaskName(name, userInfo));
}

void KTTasksNotifier::numberOfTaskStepsDidCalculate(qint64 count, const KTTaskSender &sender)
{
    postLater(KTTaskStepsDidCalculateInfo::name(), sender, KTTaskStepsDidCalculateInfo::userInfo(count));
}

void KTTasksNotifier::stepsDidExecute(qint64 count, const KTTaskSender &sender)
{
    postLater(KTTaskStepsDidExecuteInfo::name(), sender, KTTaskStepsDidExecuteInfo::userInfo(count));
}

void KTTasksNotifier::taskProgressDidUpdate(double value, const KTTaskSender &sender)
{
    postLater(KTTaskProgressDidUpdateInfo::name(), sender, KTTaskProgressDidUpdateInfo::userInfo(value));
}
