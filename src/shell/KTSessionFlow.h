#pragma once

#include "KTCancelTaskProtocol.h"
#include "KTNotificationCenter.h"

#include <QObject>
#include <QStringList>
#include <QVariantList>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class KTImageStorage;

/// Takes a session forward by the catalogue's tasks. It follows the task bus, keeps the stack of
/// running task names, and when the outermost task ends takes the session's next step: the image
/// load after "Adding Sources", the external-catalogue question after a load or a validation, the
/// unavailable-sources alert, the sources window after a cancelled load. It also starts new
/// sessions: it counts the images of the chosen folders off the main thread under the progress
/// sheet ("Counting images", cancelable), checks the disk space their signatures need, and hands
/// the sources to the catalogue, waiting first for running tasks and clearings to end so that a
/// session is never cleared under a load.
///
/// It holds no widgets: the steps that touch the window are the owner's (setSteps()), which keeps
/// the chain testable on its own.
///
/// Threading: main thread only. The count runs on the global thread pool and reports through the
/// main queue; a count whose start was cancelled reports to nobody.
class KTSessionFlow : public QObject, public KTCancelTaskProtocol
{
    Q_OBJECT
public:
    /// The sources of a new session as the sources window hands them over.
    struct Sources
    {
        QStringList folders;
        /// One catalogue image list per chosen catalogue node.
        QVariantList externalApplicationSources;
        /// Images of the chosen catalogue node.
        qint64 externalItemsCount = 0;
        /// Run the similarity search over the loaded images.
        bool shouldGenerateThumbnails = true;
    };
    enum class StartOutcome
    {
        /// The catalogue has the sources (or will have them once the running tasks end).
        Started,
        /// Too little disk space: the user was told, nothing changed.
        Refused,
        /// The user cancelled the count: nothing changed.
        Cancelled,
    };

    /// The steps of the chain that belong to the window. Each may be empty.
    struct Steps
    {
        /// "Adding Sources" ended with sources: the modes start over before the load.
        std::function<void()> prepareLoad;
        /// The end of a load or a validation raises the external catalogue's question.
        std::function<void()> checkExternalCatalogue;
        std::function<void()> showInvalidSourcesAlert;
        /// A validation found no sources: the new-session flow.
        std::function<void()> startNewSession;
        /// A cancelled load's clearing ended: back to the sources window.
        std::function<void()> reopenSources;
        /// A clearing ended: whatever still shows the cleared records lets go of them.
        std::function<void()> sessionCleared;
        /// The catalogue's undo steps are forgotten (after a load, a validation, a clearing).
        std::function<void()> cleanUndoStack;
        /// A start passed its checks: the window lets go of the old session's work.
        std::function<void(const Sources &sources)> willAddSources;
    };

    /// The free bytes of the file system that holds `path`; a negative answer means unknown.
    using FreeDiskSpace = std::function<qint64(const QString &path)>;
    /// Counts the images under the folders; runs on a pool thread and may stop early once
    /// `isCancelled` answers true.
    using ImageCounter =
        std::function<qint64(const QStringList &folders, const std::function<bool()> &isCancelled)>;

    /// Over `storage`, which must outlive it. It follows the bus and installs the catalogue's
    /// clearing handler at once.
    explicit KTSessionFlow(KTImageStorage *storage, QObject *parent = nullptr);
    ~KTSessionFlow() override;

    void setSteps(Steps steps) { m_steps = std::move(steps); }
    /// Where the disk-space check learns the free bytes; the file system's figure by default.
    void setFreeDiskSpace(FreeDiskSpace freeDiskSpace) { m_freeDiskSpace = std::move(freeDiskSpace); }
    /// The count behind the disk-space check; countSourcesForSources() by default.
    void setImageCounter(ImageCounter counter) { m_imageCounter = std::move(counter); }

    // ---- The task chain ----

    /// The names of the running tasks, outermost first.
    QStringList tasks() const { return m_tasks; }
    void imageStorageTaskDidStart(const KTNotification &notification);
    /// Pops the task and, when it was the outermost, takes the session's next step.
    void imageStorageTaskDidFinish(const KTNotification &notification);
    /// "Adding Sources" ended: the window's prepareLoad, then the load of the new sources.
    void startSession();

    // ---- Starting a session ----

    /// Starts a session of `sources`: counts the images off the main thread, checks the disk
    /// space, lets the window prepare and hands the sources to the catalogue. While a task runs,
    /// the new sources wait until it has ended (a running load is cancelled first). `done` runs
    /// once, on a later turn of the event loop, unless the flow goes first. A start while another
    /// is counting is refused at once.
    void startSessionWithSources(const Sources &sources, std::function<void(StartOutcome)> done);
    /// True while the images of a start are counted.
    bool isCounting() const { return m_count != nullptr; }
    /// True while a session start waits for running tasks to end.
    bool hasPendingSessionStart() const { return m_pendingSessionStart.has_value(); }
    /// The number of image files under `paths` that a load would import (hidden files and
    /// folders left out; an image reached through two paths counts once). Stops early, with what
    /// it found, once `isCancelled` answers true. Blocks while it walks: call it off the main
    /// thread.
    static qint64 countSourcesForSources(const QStringList &paths,
                                         const std::function<bool()> &isCancelled = {});
    /// True when the file system of the signature cache has room for `count` signatures (with
    /// 5 % to spare); otherwise tells the user and answers false.
    bool validateRequiredDiskSpaceForItemsCount(qint64 count);

    /// KTCancelTaskProtocol: the progress sheet's Cancel during the count withdraws the start.
    void cancelCurrentTask() override;

private:
    struct Count;

    void countDidEnd(const std::shared_ptr<Count> &count, qint64 images);
    void endCount(StartOutcome outcome);
    void startPendingSessionIfIdle();
    void addSessionSources(const Sources &sources);
    void cleanUndoStack();

    KTImageStorage *m_storage;
    Steps m_steps;
    FreeDiskSpace m_freeDiskSpace;
    ImageCounter m_imageCounter;
    QStringList m_tasks;
    std::shared_ptr<Count> m_count;
    std::optional<Sources> m_pendingSessionStart;
    /// Session clearings started by a load (cancelled, or without images) not yet done.
    int m_clearingsInFlight = 0;
    std::vector<KTObserverToken> m_observers;
};
