#include "KTSessionFlow.h"

#include "KTAlert.h"
#include "KTDispatch.h"
#include "KTFilesManager.h"
#include "KTImageImporter.h"
#include "KTImageStorage.h"
#include "KTSimilarFinder.h"
#include "KTTasksNotifier.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QSet>
#include <QStorageInfo>
#include <QThread>
#include <QThreadPool>

#include <algorithm>

namespace {

/// The share of the free disk space a session may take for its signatures.
constexpr double kDiskSpaceShare = 0.95;

void assertMainThread()
{
    Q_ASSERT(QThread::currentThread() == qApp->thread());
}

qint64 fileSystemFreeSpace(const QString &path)
{
    // A folder not made yet lies on the file system of its nearest existing parent.
    QFileInfo info(QDir::cleanPath(path));
    while (!info.exists() && !info.isRoot() && info.absolutePath() != info.absoluteFilePath())
        info = QFileInfo(info.absolutePath());
    const QStorageInfo storage(info.absoluteFilePath());
    return storage.isValid() ? storage.bytesAvailable() : -1;
}

} // namespace

/// One start's count: what it counts for, and the flag its walk stops at.
struct KTSessionFlow::Count
{
    KTSessionFlow::Sources sources;
    std::function<void(StartOutcome)> done;
    std::atomic<bool> cancelled{false};
};

KTSessionFlow::KTSessionFlow(KTImageStorage *storage, QObject *parent)
    : QObject(parent), m_storage(storage), m_freeDiskSpace(fileSystemFreeSpace),
      m_imageCounter([](const QStringList &folders, const std::function<bool()> &isCancelled) {
          return countSourcesForSources(folders, isCancelled);
      })
{
    Q_ASSERT(storage);
    KTNotificationCenter &center = KTNotificationCenter::defaultCenter();
    const QPointer<KTSessionFlow> self(this);
    m_observers.push_back(
        center.addObserver(KTTaskDidFinishInfo::name(), nullptr, [self](const KTNotification &notification) {
            if (self)
                self->imageStorageTaskDidFinish(notification);
        }));
    m_observers.push_back(
        center.addObserver(KTTaskDidStartInfo::name(), nullptr, [self](const KTNotification &notification) {
            if (self)
                self->imageStorageTaskDidStart(notification);
        }));

    // A load that was cancelled or found nothing clears the session through this handler, so
    // that a session start waiting for the load knows when the clearing is done.
    m_storage->setCleanSessionHandler([self](std::function<void()> completion) {
        if (!self) {
            if (completion)
                completion();
            return;
        }
        ++self->m_clearingsInFlight;
        self->m_storage->cleanSessionWithCompletionBlock([self, completion = std::move(completion)] {
            if (self)
                --self->m_clearingsInFlight;
            if (completion)
                completion();
            if (self)
                self->startPendingSessionIfIdle();
        });
    });
}

KTSessionFlow::~KTSessionFlow()
{
    m_observers.clear();
    m_storage->setCleanSessionHandler({});
    if (m_count)
        m_count->cancelled = true;
}

// ---- The task chain ----

void KTSessionFlow::imageStorageTaskDidStart(const KTNotification &notification)
{
    const QString name = KTTaskDidStartInfo::taskName(notification.userInfo);
    // The count is this flow's own step before a start, not a task of the session.
    if (name != kCountingImagesTaskName)
        m_tasks.append(name);
}

void KTSessionFlow::imageStorageTaskDidFinish(const KTNotification &notification)
{
    const QString name = KTTaskDidFinishInfo::taskName(notification.userInfo);
    if (name == kCountingImagesTaskName)
        return;
    const QString last = m_tasks.isEmpty() ? QString() : m_tasks.last();
    if (name != last) {
        qWarning().noquote()
            << QStringLiteral("The finished task %1 should be equal to last started task %2").arg(name, last);
    }
    if (!m_tasks.isEmpty())
        m_tasks.removeLast();
    // Nested tasks (the search's phases inside the load) end before the task that runs them;
    // only the end of the outermost one moves the session on.
    if (!m_tasks.isEmpty())
        return;

    // A newer session waits for this chain: none of the old session's steps is taken.
    if (m_pendingSessionStart) {
        cleanUndoStack();
        startPendingSessionIfIdle();
        return;
    }

    if (name == kAddSourcesTaskName) {
        startSession();
    } else if (name == kLoadImagesTaskName) {
        cleanUndoStack();
        if (m_storage->hasExternalSources() && !m_storage->isCurrentTaskCanceled() &&
            m_steps.checkExternalCatalogue)
            m_steps.checkExternalCatalogue();
        m_storage->setNewSession(false);
    } else if (name == kValidateTaskName) {
        cleanUndoStack();
        if (m_storage->sources().isEmpty()) {
            if (m_steps.startNewSession)
                m_steps.startNewSession();
            return;
        }
        if (KTTaskDidFinishInfo::hasInvalidSources(notification.userInfo).value_or(false)) {
            if (m_steps.showInvalidSourcesAlert)
                m_steps.showInvalidSourcesAlert();
        } else {
            m_storage->setNewSession(false);
            if (m_storage->hasExternalSources() && !m_storage->isCurrentTaskCanceled() &&
                m_steps.checkExternalCatalogue)
                m_steps.checkExternalCatalogue();
        }
    } else if (name == kCleanSessionTaskName) {
        cleanUndoStack();
        // The cleared records must not be handed to a view again.
        if (m_steps.sessionCleared)
            m_steps.sessionCleared();
        // A cancelled load leaves no session: the user chooses the sources again.
        if (m_storage->isCurrentTaskCanceled() && m_steps.reopenSources)
            m_steps.reopenSources();
    }
}

void KTSessionFlow::startSession()
{
    if (m_storage->sources().isEmpty())
        return;
    if (m_steps.prepareLoad)
        m_steps.prepareLoad();
    m_storage->loadImages();
}

void KTSessionFlow::cleanUndoStack()
{
    if (m_steps.cleanUndoStack)
        m_steps.cleanUndoStack();
    else
        m_storage->cleanUndoStack();
}

// ---- Starting a session ----

void KTSessionFlow::startSessionWithSources(const Sources &sources, std::function<void(StartOutcome)> done)
{
    assertMainThread();
    const QPointer<KTSessionFlow> self(this);
    if (m_count) {
        // One start at a time: the first one's answer decides.
        postToMain([self, done] {
            if (self && done)
                done(StartOutcome::Refused);
        });
        return;
    }
    auto count = std::make_shared<Count>();
    count->sources = sources;
    count->done = std::move(done);
    m_count = count;
    // Walking a large tree or a network folder takes long: it runs off the main thread, under the
    // progress sheet, and the user may cancel it.
    KTTasksNotifier::sharedNotifier().taskDidStart(kCountingImagesTaskName, this,
                                                   KTTaskDidStartInfo::cancelable());
    QThreadPool::globalInstance()->start([self, count, counter = m_imageCounter] {
        const qint64 images = count->sources.externalItemsCount +
                              counter(count->sources.folders, [count] { return count->cancelled.load(); });
        postToMain([self, count, images] {
            if (self)
                self->countDidEnd(count, images);
        });
    });
}

void KTSessionFlow::countDidEnd(const std::shared_ptr<Count> &count, qint64 images)
{
    // A cancelled start has answered already.
    if (count != m_count || count->cancelled)
        return;
    KTTasksNotifier::sharedNotifier().taskDidFinish(kCountingImagesTaskName, this);
    if (!validateRequiredDiskSpaceForItemsCount(images)) {
        endCount(StartOutcome::Refused);
        return;
    }
    const Sources sources = count->sources;
    m_count.reset();
    if (m_steps.willAddSources)
        m_steps.willAddSources(sources);
    m_storage->setFindDuplicatesForAddedImages(sources.shouldGenerateThumbnails);
    if (!m_tasks.isEmpty() || m_clearingsInFlight > 0) {
        // Clearing the session under a running load would leave it inserting images whose
        // sources are gone: the load is cancelled and the new sources wait for the chain's end.
        m_pendingSessionStart = sources;
        if (m_tasks.contains(kLoadImagesTaskName))
            m_storage->cancelCurrentTask();
    } else {
        addSessionSources(sources);
    }
    if (count->done)
        count->done(StartOutcome::Started);
}

void KTSessionFlow::cancelCurrentTask()
{
    assertMainThread();
    if (!m_count)
        return;
    m_count->cancelled = true;
    KTTasksNotifier::sharedNotifier().taskDidFinish(kCountingImagesTaskName, this);
    endCount(StartOutcome::Cancelled);
}

void KTSessionFlow::endCount(StartOutcome outcome)
{
    const std::shared_ptr<Count> count = std::exchange(m_count, nullptr);
    if (count && count->done)
        count->done(outcome);
}

void KTSessionFlow::addSessionSources(const Sources &sources)
{
    m_storage->addSourcesForPaths(sources.folders, sources.externalApplicationSources);
    m_storage->setNewSession(true);
}

void KTSessionFlow::startPendingSessionIfIdle()
{
    if (!m_pendingSessionStart || !m_tasks.isEmpty() || m_clearingsInFlight > 0)
        return;
    const Sources sources = *m_pendingSessionStart;
    m_pendingSessionStart.reset();
    addSessionSources(sources);
}

qint64 KTSessionFlow::countSourcesForSources(const QStringList &paths,
                                             const std::function<bool()> &isCancelled)
{
    QSet<QString> images;
    for (const QString &path : paths) {
        if (isCancelled && isCancelled())
            break;
        for (const QString &image : KTImageImporter::imagePathsInFolder(path, isCancelled))
            images.insert(image);
    }
    return images.size();
}

bool KTSessionFlow::validateRequiredDiskSpaceForItemsCount(qint64 count)
{
    // The signatures go to the cache folder, so its file system is the one that must have room.
    const QString hashes = KTFilesManager::sharedManager().hashesDirectoryPath();
    const qint64 free = std::max<qint64>(m_freeDiskSpace ? m_freeDiskSpace(hashes) : 0, 0);
    const qint64 needed = KTSimilarFinder::neededSizeInBytesOnDisk(hashes, count);
    if (double(needed) <= kDiskSpaceShare * double(free))
        return true;
    // Megabytes of 1,000,000 bytes, rounded up so the figure never understates the need.
    const qint64 megabytes = (needed + 999'999) / 1'000'000;
    KTAlert::withButtons(
        tr("Vireoscope requires at least %1 free space on your hard disk. To proceed, please free "
           "up additional space or select fewer images to process.")
            .arg(QStringLiteral("%1 MB").arg(megabytes)),
        {}, {tr("OK")})
        .run();
    return false;
}
