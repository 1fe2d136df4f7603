#include "KTTaskNotifications.h"

#include <QVariant>

namespace {

bool isNumber(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Double:
    case QMetaType::Float:
        return true;
    default:
        return false;
    }
}

std::optional<bool> boolFor(const QVariantMap &userInfo, const QString &key)
{
    const QVariant value = userInfo.value(key);
    if (value.typeId() != QMetaType::Bool)
        return std::nullopt;
    return value.toBool();
}

} // namespace

QString KTTaskNameInfo::taskName(const QVariantMap &userInfo)
{
    const QVariant value = userInfo.value(kTaskNameKey);
    return value.typeId() == QMetaType::QString ? value.toString() : QString();
}

QVariantMap KTTaskDidStartInfo::cancelable()
{
    return {{kTaskCancelableStateKey, true}};
}

bool KTTaskDidStartInfo::isCancelable(const QVariantMap &userInfo)
{
    return boolFor(userInfo, kTaskCancelableStateKey).value_or(false);
}

QVariantMap KTTaskDidFinishInfo::validated(bool hasInvalidSources)
{
    return {{kHasInvalidSourcesKey, hasInvalidSources}};
}

std::optional<bool> KTTaskDidFinishInfo::hasInvalidSources(const QVariantMap &userInfo)
{
    return boolFor(userInfo, kHasInvalidSourcesKey);
}

QVariantMap KTTaskStepsDidCalculateInfo::userInfo(qint64 numberOfTaskSteps)
{
    return {{kNumberOfTaskStepsForCheckingKey, numberOfTaskSteps}};
}

qint64 KTTaskStepsDidCalculateInfo::numberOfTaskSteps(const QVariantMap &userInfo)
{
    const QVariant value = userInfo.value(kNumberOfTaskStepsForCheckingKey);
    return isNumber(value) ? value.toLongLong() : 0;
}

QVariantMap KTTaskStepsDidExecuteInfo::userInfo(qint64 numberOfExecutedSteps)
{
    return {{kNumberOfExecutedStepsKey, numberOfExecutedSteps}};
}

qint64 KTTaskStepsDidExecuteInfo::numberOfExecutedSteps(const QVariantMap &userInfo)
{
    const QVariant value = userInfo.value(kNumberOfExecutedStepsKey);
    return isNumber(value) ? value.toLongLong() : 0;
}

QVariantMap KTTaskProgressDidUpdateInfo::userInfo(double progressValue)
{
    return {{kProgressValueKey, progressValue}};
}

double KTTaskProgressDidUpdateInfo::progressValue(const QVariantMap &userInfo)
{
    const QVariant value = userInfo.value(kProgressValueKey);
    return isNumber(value) ? value.toDouble() : 0.0;
}
