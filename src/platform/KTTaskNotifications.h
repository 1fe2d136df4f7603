#pragma once

#include <QString>
#include <QVariantMap>

#include <optional>

// The task notification bus: KTTasksNotifier posts these on the default notification centre, on
// the main thread, with the task's sender as object. Posters build a userInfo only through the
// helpers below and observers read it only through them, so the two sides cannot disagree on a
// key or a type. A helper that reads a key that is absent or of another type answers 0, false,
// an empty string or nullopt.

// Names.
inline const QString kTaskDidStartNotification = QStringLiteral("TaskDidStart");
inline const QString kTaskDidFinishNotification = QStringLiteral("TaskDidFinish");
inline const QString kTaskStepsDidExecuteNotification = QStringLiteral("StepDidExecute");
inline const QString kTaskProgresDidUpdate = QStringLiteral("TaskProgressDidUpdate");
inline const QString kNumberOfTaskStepsDidCalculateNotification = QStringLiteral("TaskStepsDidCalculate");

// userInfo keys.
inline const QString kTaskNameKey = QStringLiteral("TaskName");
inline const QString kTaskCancelableStateKey = QStringLiteral("TasCancelableState");
inline const QString kNumberOfExecutedStepsKey = QStringLiteral("NumberOfExecutedSteps");
inline const QString kProgressValueKey = QStringLiteral("ProgressValue");
inline const QString kNumberOfTaskStepsForCheckingKey = QStringLiteral("NumberOfTaskStepsForChecking");
/// Carried by the end of "Validating": whether a source was found invalid.
inline const QString kHasInvalidSourcesKey = QStringLiteral("hasInvalidSourcesKey");

/// The task name that starts and ends carry under "TaskName".
struct KTTaskNameInfo
{
    static QString taskName(const QVariantMap &userInfo);
};

/// "TaskDidStart": {"TaskName": name}, with {"TasCancelableState": true} for a task that the
/// progress sheet may cancel.
struct KTTaskDidStartInfo : KTTaskNameInfo
{
    static const QString &name() { return kTaskDidStartNotification; }
    /// The extra entries a cancelable task passes to KTTasksNotifier::taskDidStart.
    static QVariantMap cancelable();
    static bool isCancelable(const QVariantMap &userInfo);
};

/// "TaskDidFinish": {"TaskName": name}; the end of "Validating" adds "hasInvalidSourcesKey".
struct KTTaskDidFinishInfo : KTTaskNameInfo
{
    static const QString &name() { return kTaskDidFinishNotification; }
    /// The extra entries of the end of "Validating".
    static QVariantMap validated(bool hasInvalidSources);
    /// Nullopt for a task other than "Validating".
    static std::optional<bool> hasInvalidSources(const QVariantMap &userInfo);
};

/// "TaskStepsDidCalculate": the task's total of steps.
struct KTTaskStepsDidCalculateInfo
{
    static const QString &name() { return kNumberOfTaskStepsDidCalculateNotification; }
    static QVariantMap userInfo(qint64 numberOfTaskSteps);
    static qint64 numberOfTaskSteps(const QVariantMap &userInfo);
};

/// "StepDidExecute": the steps done since the last report.
struct KTTaskStepsDidExecuteInfo
{
    static const QString &name() { return kTaskStepsDidExecuteNotification; }
    static QVariantMap userInfo(qint64 numberOfExecutedSteps);
    static qint64 numberOfExecutedSteps(const QVariantMap &userInfo);
};

/// "TaskProgressDidUpdate": the absolute progress in percent, 0 to 100.
struct KTTaskProgressDidUpdateInfo
{
    static const QString &name() { return kTaskProgresDidUpdate; }
    static QVariantMap userInfo(double progressValue);
    static double progressValue(const QVariantMap &userInfo);
};
