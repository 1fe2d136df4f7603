#pragma once

#include "KTTaskNotifications.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariantMap>

// Task names.
inline const QString kAddSourcesTaskName = QStringLiteral("Adding Sources");
inline const QString kValidateTaskName = QStringLiteral("Validating");
inline const QString kCleanSessionTaskName = QStringLiteral("Clearing Session");
inline const QString kLoadImagesTaskName = QStringLiteral("Loading Images");
inline const QString kSearchDuplicatesTaskName = QStringLiteral("Searching Similars");
inline const QString kGrouppingImagesByTimeTaskName = QStringLiteral("Grouping Images By Time");
inline const QString kGeneratingFocusedRegionsTaskName = QStringLiteral("Generating focused regions");
inline const QString kMovingItemsTaskName = QStringLiteral("Moving Images");
inline const QString kCopyItemsTaskName = QStringLiteral("Copying Images");
inline const QString kDeleteSourcesTaskName = QStringLiteral("Deleting Sources");
inline const QString kLoadingImagesFromCatalogTaskName = QStringLiteral("Loading images from catalog");
inline const QString kComparingImagesTaskName = QStringLiteral("Comparing Images");
/// The images of a new session's folders counted for the disk-space check, off the main thread.
inline const QString kCountingImagesTaskName = QStringLiteral("Counting images");
// Reserved names: defined, posted by no job.
inline const QString kDeleteImagesToSystemTrashTaskName = QStringLiteral("Empying Trash");
inline const QString kGeneratingHashesTaskName = QStringLiteral("Generating Image Hashes");
inline const QString kGrouppingImagesTaskName = QStringLiteral("Grouping Images");
inline const QString kGeneratingThumbnailsTaskName = QStringLiteral("Generating Thumbnails");
inline const QString kCachingLowResThumbnailsTaskName = QStringLiteral("Caching Low Resolution Thumbnails");

/// The sender of a task's notifications as a job carries it: a guarded pointer, made where the
/// sender is sure to be alive (on the main thread, before the job is queued), copied by value
/// into the job and resolved only on the main thread, when the notification is posted. A job
/// never reads the guard itself, so it cannot race the sender's destruction.
class KTTaskSender
{
public:
    KTTaskSender() = default;
    /// Make it where `sender` is alive for the whole call.
    KTTaskSender(QObject *sender) : m_sender(sender) {}
    /// Copies the guard without reading it (a guard of a subclass would be read to convert it).
    KTTaskSender(const QPointer<QObject> &sender) : m_sender(sender) {}

    /// The sender, or null once it was destroyed. Main thread only (asserted).
    QObject *object() const;

private:
    QPointer<QObject> m_sender;
};

/// The task notification bus: every long job announces its start, steps, progress and end here,
/// and the progress sheet, the main window and the review modes follow them.
///
/// Threading: any thread may call it. Nothing is delivered at once: each call queues one job on
/// the main queue, which posts the notification on the default notification centre, so observers
/// run on the main thread on a later turn of the event loop. Calls from one thread arrive in call
/// order, and in order with other work that thread queued on the main queue before the call.
/// The sender is held weakly until the post; a sender destroyed before then arrives as null.
/// Jobs off the main thread pass a KTTaskSender made before they were queued.
class KTTasksNotifier
{
public:
    static KTTasksNotifier &sharedNotifier();

    KTTasksNotifier(const KTTasksNotifier &) = delete;
    KTTasksNotifier &operator=(const KTTasksNotifier &) = delete;

    /// Posts "TaskDidStart" with {"TaskName": name} plus `userInfo` (an entry under "TaskName"
    /// replaces the name). A cancelable sender passes KTTaskDidStartInfo::cancelable().
    void taskDidStart(const QString &name, const KTTaskSender &sender, const QVariantMap &userInfo = {});
    /// Posts "TaskDidFinish" with {"TaskName": name} plus `userInfo`.
    void taskDidFinish(const QString &name, const KTTaskSender &sender, const QVariantMap &userInfo = {});
    /// Posts "TaskStepsDidCalculate" with the task's total of steps.
    void numberOfTaskStepsDidCalculate(qint64 count, const KTTaskSender &sender);
    /// Posts "StepDidExecute" with the steps done since the last report.
    void stepsDidExecute(qint64 count, const KTTaskSender &sender);
    /// Posts "TaskProgressDidUpdate" with the absolute progress, 0 to 100.
    void taskProgressDidUpdate(double value, const KTTaskSender &sender);

private:
    KTTasksNotifier() = default;
};
