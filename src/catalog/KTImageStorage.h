#pragma once

#include "KTCancelablePerformer.h"
#include "KTCatalogChangeHandler.h"
#include "KTError.h"
#include "KTImageMover.h"
#include "KTImageTrasher.h"
#include "KTSessionHooks.h"
#include "KTTasksNotifier.h"

#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <QVariant>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

class KTCatalogStore;
class KTExternalStatusBridge;
class KTFolderMO;
class KTImageGroupMO;
class KTImageMO;
class KTObjectContext;
class KTObjectModel;
class KTSerialQueue;
class KTUndoManager;
class QTimer;
struct KTRecordValues;

/// Error domain of the catalogue's own errors.
inline const QString kCatalogErrorDomain = QStringLiteral("YOUR_ERROR_DOMAIN");
/// The session store in the application-support folder, and the store of a version 1.0.0
/// session in its legacy folder.
inline const QString kStoreFileName = QStringLiteral("Vireoscope.storedata");
inline const QString kLegacyStoreFileName = QStringLiteral("Halvard.storedata");

/// The session catalogue: owns the session store and the main context through which the user
/// interface reads and edits every record, saves on request and every 60 seconds, and hands out
/// the main context's undo manager.
///
/// The first use of managedObjectContext() opens the store: a store of version 1.0.0 found in
/// the legacy folder is migrated (after asking the user, with the migration window shown) or set
/// aside for a new session, and every record is read into the main context. A store that cannot
/// be opened is reported through KTErrorPresenter and ends the application through
/// KTApplicationTerminator; every method stays safe without a main context.
///
/// Saving has two steps, as with a base context below the main one: the main context's save
/// hands its changes to the store writer (they are no longer changes of the context), and the
/// writer writes everything it holds in one transaction. A failed write keeps its changes for the
/// next one.
///
/// Threading: main thread only, except the cancel flag. The store is written on the catalogue's
/// own serial queue, which never waits for the main thread.
class KTImageStorage : public KTCancelablePerformer
{
    Q_OBJECT
public:
    /// Where the catalogue keeps its store.
    struct Locations
    {
        QString applicationFilesDirectoryPath;
        QString oldApplicationFilesDirectoryPath;
    };

    /// The process's catalogue, made on the first call (which must come from the main thread)
    /// in the folders of KTFilesManager.
    static KTImageStorage *sharedStorage();

    /// A catalogue in `locations`; opens its store at once (see managedObjectContext()).
    explicit KTImageStorage(Locations locations, QObject *parent = nullptr);
    ~KTImageStorage() override;

    QString storePath() const;
    QString oldStorePath() const;

    std::shared_ptr<const KTObjectModel> managedObjectModel() const;
    /// The main context; opens the store on the first call (blocking in the user's answer and
    /// the migration window when a legacy store is found). Null when the store could not be
    /// opened. Main thread only (asserted).
    std::shared_ptr<KTObjectContext> managedObjectContext();
    /// The main context's undo manager; null without a main context.
    KTUndoManager *undoManager() const { return m_undoManager.get(); }
    /// Forgets every undo and redo step.
    void cleanUndoStack();
    /// Delivers the main context's pending change reports now.
    void processPendingChanges();

    /// Saves `context` when it has changes; true when there was nothing to save. Call on the
    /// context's own thread (the main thread, or inside a child context's perform block).
    static bool saveContext(KTObjectContext *context, KTError *error = nullptr);
    /// Saves the main context, then writes the store and waits for the write (the writer never
    /// waits for the main thread). False with `error` set when either step fails; changes of a
    /// failed write are kept and written by the next save.
    bool saveChangesOrReturnError(KTError *error = nullptr);
    /// True when the main context or the store writer holds changes not yet on disk.
    bool hasChanges();

    /// Starts the 60-second autosave; called once.
    void startAutosaving();
    /// One autosave tick: logs "Perform autosaving.", saves the main context and, when that
    /// worked, queues a write of the store without waiting for it. Failures are retried next tick.
    void autosaveTimerAction();
    QTimer *autosaveTimer() const { return m_autosaveTimer; }

    // ---- Filtered lists and change notifications ----

    /// The cached lists, the review modes' filtered lists and the change handler of the main
    /// context (notification names and userInfo in KTCatalogChangeHandler.h, filter dictionaries
    /// in KTFilteredImageLists.h). Main thread only; each notification is posted synchronously
    /// while the main context delivers its changes (processPendingChanges(), a save, a child
    /// context's save), with the catalogue as object.
    KTCatalogChangeHandler &changeHandler() { return *m_changeHandler; }
    QList<KTImageMO *> images() { return m_changeHandler->images(); }
    QList<KTFolderMO *> sources() { return m_changeHandler->sources(); }
    QList<KTImageGroupMO *> groups() { return m_changeHandler->groups(); }
    QList<KTTimeGroupMO *> timeGroups() { return m_changeHandler->timeGroups(); }
    QString imagesSortDescriptionKey() const { return m_changeHandler->imagesSortDescriptionKey(); }
    void setImagesSortDescriptionKey(const QString &key)
    {
        m_changeHandler->setImagesSortDescriptionKey(key);
    }
    bool sortImagesAscending() const { return m_changeHandler->sortImagesAscending(); }
    void setSortImagesAscending(bool ascending) { m_changeHandler->setSortImagesAscending(ascending); }
    std::optional<KTPredicate> imagesFilter() const { return m_changeHandler->imagesFilter(); }
    void setImagesFilter(const std::optional<KTPredicate> &filter)
    {
        m_changeHandler->setImagesFilter(filter);
    }
    void cleanImagesList() { m_changeHandler->cleanImagesList(); }
    void cleanGroups() { m_changeHandler->cleanGroups(); }
    void cleanTimeGroups() { m_changeHandler->cleanTimeGroups(); }
    void setFilter(const QVariantMap &filter, const QString &filterID)
    {
        m_changeHandler->filteredLists().setFilter(filter, filterID);
    }
    std::optional<QVariantMap> filterForID(const QString &filterID) const
    {
        return m_changeHandler->filteredLists().filterForID(filterID);
    }
    void removeFilterWithID(const QString &filterID)
    {
        m_changeHandler->filteredLists().removeFilterWithID(filterID);
    }
    void cleanFilteredImagesForFilterWithID(const QString &filterID)
    {
        m_changeHandler->filteredLists().cleanFilteredImagesForFilterWithID(filterID);
    }
    QList<KTImageMO *> imagesFilteredByFilterWithID(const QString &filterID)
    {
        return m_changeHandler->filteredLists().imagesFilteredByFilterWithID(filterID);
    }
    quint64 countForImagesFilteredByFilterWithID(const QString &filterID)
    {
        return m_changeHandler->filteredLists().countForImagesFilteredByFilterWithID(filterID);
    }
    std::optional<qsizetype> keptCountForFilterWithID(const QString &filterID) const
    {
        return m_changeHandler->filteredLists().keptCountForFilterWithID(filterID);
    }

    // ---- Sources, validation and session clearing ----

    /// Whether removing an image record also drops its stored hash (image files are never
    /// touched either way).
    enum class DeleteImageFiles
    {
        No,
        Yes
    };

    /// Installs the services of the layers above (see KTSessionHooks). Main thread, before any
    /// session work starts: running tasks use the hooks of their start.
    void setSessionHooks(KTSessionHooks hooks);
    const KTSessionHooks &sessionHooks() const { return m_sessionHooks; }

    /// Starts a new session: forgets the watched external paths, clears the session, then records
    /// the folder paths that begin with "/" and the catalogue source dictionaries in the task
    /// "Adding Sources". Returns at once; nothing happens without a main context. Main thread.
    void addSourcesForPaths(const QStringList &paths, const QVariantList &externalApplicationSources);
    /// The task "Adding Sources": records the sources in `context` (a child of the main context,
    /// on its queue) and saves it. `externalApplicationImages` are the catalogue source
    /// dictionaries of the session.
    void addSourcesForPaths(const QStringList &paths, const QVariantList &externalApplicationImages,
                            KTObjectContext &context);
    /// The same, for a job that keeps no pointer to the catalogue: `sender` was made on the main
    /// thread.
    static void recordSourcesInContext(const QStringList &paths,
                                       const QVariantList &externalApplicationImages,
                                       KTObjectContext &context, const KTTaskSender &sender);
    /// The catalogue source dictionaries of the running session (the import reads their images).
    const QVariantList &externalApplicationImages() const { return m_externalApplicationImages; }

    /// Set by the main window when the user starts a session; cleared when its load or a
    /// validation of the sources ends. Main thread.
    bool newSession() const { return m_newSession; }
    void setNewSession(bool newSession) { m_newSession = newSession; }

    /// Forgets the undo history and frees the main context's deleted records (see
    /// KTObjectContext::releaseDeletedObjects). Main thread; the clearing calls it when it ends.
    /// While a hold (holdClearedRecords()) lives it frees nothing: the free runs on the main
    /// queue once the last hold has gone.
    void releaseClearedRecords();
    /// Keeps deleted records from being freed while the returned hold lives: taken by a holder
    /// that sits between a change and its reload (a list held back on screen), so the free never
    /// runs under it. Main thread; the hold may be dropped anywhere on the main thread.
    [[nodiscard]] std::shared_ptr<void> holdClearedRecords();

    /// The task "Validating": finishes with {"hasInvalidSourcesKey": bool}. Returns at once; the
    /// sources are checked on a child context's queue. Nothing without a main context.
    void validate();

    /// Removes `source`, its images (files stay on disk) and its marker. On the thread of the
    /// source's context.
    void deleteSource(KTFolderMO *source, DeleteImageFiles deleteImageFiles);

    /// Clears the session: forgets the folder bookmarks, resets the similarity services and,
    /// unless the catalogue is empty, removes every record in the task "Clearing Session" on a
    /// child context, and forgets the undo history. Returns at once. `completion` (may be empty)
    /// runs on the main queue, and before the observers hear "TaskDidFinish" of the clearing.
    /// The order, on the main thread: the deletes are delivered (lists and views drop the
    /// records, handles answer null), then "TaskDidFinish" (modes, panels and the window let go
    /// of what they kept), then the free (releaseClearedRecords), which waits for holds and for
    /// a change delivery still under way. Main thread.
    void cleanSessionWithCompletionBlock(std::function<void()> completion);
    void cleanSession() { cleanSessionWithCompletionBlock({}); }
    /// The removal itself, on the queue of `context` (a child of the main context): cancels and
    /// awaits the shared operation queue (blocks), deletes the cache folders, then every source
    /// with its images, every group and time group.
    static void cleanSessionInContext(KTObjectContext &context);

    // ---- Pick, reject, resolve and trash ----
    // Records are of the main context; main thread only, except deleteImage(). See
    // KTImageDecisions for what each decision does.

    void resolveGroups(const QList<KTImageGroupMO *> &groups);
    void deleteGroups(const QList<KTImageGroupMO *> &groups);
    /// Rejects the images (files and records stay).
    void moveImagesToTrash(const QList<KTImageMO *> &images);
    /// Asks, then rejects the images of the catalogue's image list in the folder of `image`.
    void moveImagesLocatedInSameFolderToTrashWithImage(KTImageMO *image);
    /// Asks, then moves the files of folder images to the trash and marks external images as
    /// rejected in their catalogue (KTImageTrasher); the records of what was trashed are deleted,
    /// those that failed stay and one alert tells of them; the undo stack is cleared. Returns at
    /// once after the question: `completion` (may be empty) runs on the main thread when the
    /// records are updated, and not at all when the user cancels.
    void moveImagesToSystemTrash(const QList<KTImageMO *> &images, std::function<void()> completion = {});
    /// Deletes the records (files stay) and clears the undo stack.
    void deleteImagesFromDB(const QList<KTImageMO *> &images);
    void deleteImagesFromGroups(const QList<KTImageMO *> &images);
    /// Deletes the record from its own context, on that context's thread; with
    /// DeleteImageFiles::Yes its stored hash goes too. The file is never touched.
    void deleteImage(KTImageMO *image, DeleteImageFiles deleteImageFiles);
    void validateUpdatedGroups(const QSet<KTImageGroupMO *> &groups);
    /// Test seam: how one file is moved to the trash (empty: the desktop trash).
    void setFileRecycler(KTImageTrasher::Recycler recycler) { m_fileRecycler = std::move(recycler); }

    // ---- Import, similarity search, time groups, moving and copying ----
    /// Posted on the main thread (object: the catalogue) when a load found no image, after the
    /// warning and the session clearing; and when a load's similarity search found no group.
    static const QString kNoImagesParsedNotificationName;
    static const QString kNoSimilarGroupsFoundNotificationName;
    /// The user default of the RAW+JPEG pairing.
    static const QString kShowRAWandJPEGAsOneFileOptionKey;

    /// The similarity search over this catalogue. The catalogue sits below the search, so the
    /// layer that has it installs these (KTDuplicatesSeeker::installInto); until then loading
    /// skips the search (logged) and the other calls log and do nothing.
    struct DuplicatesSearch
    {
        /// Main thread: rebuilds the similar groups in a child context of the main context and
        /// returns at once; ignored while a search runs.
        std::function<void(const QVariant &accuracyLevel, double timeRange)> find;
        /// The search inside `context`, on its thread; returns when done. Used by loadImages.
        std::function<void(const QVariant &accuracyLevel, double timeRange, KTObjectContext &context)>
            findInContext;
        /// Drops the similarity-levels store and its file (for the session clearing).
        std::function<void()> reset;
    };
    void setDuplicatesSearch(DuplicatesSearch search);
    /// Resets the installed search; nothing without one.
    void resetDuplicatesSearch();

    /// Main thread: the task "Loading Images" (cancelable, sender: the catalogue) in a child
    /// context of the main context; returns at once. Walks the "Folder" sources and the
    /// external catalogue lists, runs the similarity search when findDuplicatesForAddedImages is
    /// on, groups by time and saves into the main context. Reads showsRawAndJPEGAsOneFile() at
    /// each call. A run that was not cancelled empties externalApplicationImages. Posts
    /// "NoImagesParsed" / "NoSimilarGroupsFound" (object: the catalogue) on the main thread, and
    /// the files it could not read (KTFailedToLoadSomeImagesInfo) before its end.
    void loadImages();
    /// Main thread: hands both to the installed search; returns at once.
    void findImagesDuplicatesWithSimilarityLevel(const QVariant &accuracyLevel, double timeRange);
    /// Main thread: rebuilds every time group in a child context and saves it into the main
    /// context; returns at once.
    void groupImagesByTimeInterval(double interval);
    /// The rebuild inside `context`, on its thread; neither saves nor polls the cancel flag.
    void groupImagesByTimeInterval(double interval, KTObjectContext &context);
    /// Main thread; returns at once. "Moving Images" / "Copying Images" on a child context's
    /// queue; moved records are deleted, the undo stack is cleared afterwards. A name taken in the
    /// destination is asked about (replace, unique names or cancel; see KTImageMover). `report`
    /// (may be empty) runs on the main thread when the job is done. A destination that is not an
    /// existing folder is logged and nothing happens (no report).
    void moveImages(const QList<KTImageMO *> &images, const QString &destinationFolderPath,
                    KTImageMover::ReportHandler report = {});
    void copyImages(const QList<KTImageMO *> &images, const QString &destinationFolderPath,
                    KTImageMover::ReportHandler report = {});
    void performTaskWithName(const QString &taskName, const QList<KTImageMO *> &images,
                             const QString &destinationFolderPath, KTImageMover::ReportHandler report = {});

    /// Session clearing, run on the main thread after a cancelled load and after a load that
    /// found no image; it must call `completion` (which may be empty) when done. Unset: the
    /// session is left as it is.
    void setCleanSessionHandler(std::function<void(std::function<void()> completion)> handler);
    /// The pick and reject snapshot of the loaded images, run on the loading context's thread.
    /// Unset: no snapshot is taken.
    void setStoreImageStatusesHandler(std::function<void(const QList<KTImageMO *> &images)> handler);

    /// Whether a RAW file and its JPEG twin become one image at the next load (the user default
    /// kShowRAWandJPEGAsOneFileOptionKey). The setter only stores the choice: the images already
    /// loaded keep their pairing.
    static bool showsRawAndJPEGAsOneFile();
    void setShowsRawAndJPEGAsOneFile(bool oneFile);

    bool findDuplicatesForAddedImages() const { return m_findDuplicatesForAddedImages; }
    void setFindDuplicatesForAddedImages(bool find) { m_findDuplicatesForAddedImages = find; }
    /// 1 to 5 for a preset; anything else (null included) for the manual search settings.
    QVariant accuracyLevel() const { return m_accuracyLevel; }
    void setAccuracyLevel(const QVariant &level) { m_accuracyLevel = level; }
    /// Seconds; 0 = no limit. Any thread.
    double timeRange() const { return m_timeRange.load(); }
    void setTimeRange(double seconds) { m_timeRange.store(seconds); }
    /// Seconds, for the time grouping of loadImages.
    double timeLineInterval() const { return m_timeLineInterval; }
    void setTimeLineInterval(double seconds) { m_timeLineInterval = seconds; }
    /// Replaces the catalogue source dictionaries of the session ("nodeId", "imagesArray", ...).
    void setExternalApplicationImages(const QVariantList &sources) { m_externalApplicationImages = sources; }

    // ---- External catalogue status ----

    /// The bookkeeping of sessions from external catalogues: status snapshot, queries, sync
    /// forwarders and the watched catalogue paths (see KTExternalStatusBridge). Main thread.
    KTExternalStatusBridge &externalStatus() { return *m_externalStatus; }
    /// The snapshot of the images' decisions; also called on the loading context's queue.
    void storeImageStatuses(const QList<KTImageMO *> &images);
    /// Has any decision changed since the last snapshot? (Named apart from hasChanges(), which
    /// is about unsaved records.)
    bool hasStatusChanges() const;
    bool hasExternalSources() const;
    QList<KTImageMO *> imagesFromExternalSources() const;
    int externalCatalogType() const;
    /// Both read the process list on the calling thread, through the installed flows (a few
    /// milliseconds each call): meant for a user's action such as the quit's save loop, not for
    /// menu validation or painting.
    bool isExternalAppRunning() const;
    QString runningExternalAppName() const;
    /// The flows return at once and run `completion` on the main thread when they are done.
    void syncImagesStatuses(const QList<KTImageMO *> &images,
                            std::function<void(bool succeeded)> completion = {});
    void syncImagesStatuses(const QList<KTImageMO *> &images, bool importStatuses,
                            std::function<void(bool succeeded)> completion);
    void importImagesStatuses(const QList<KTImageMO *> &images,
                              std::function<void(bool succeeded)> completion = {});
    void overwriteImagesStatusesFromHalvard(const QList<KTImageMO *> &images);
    void addExternalSourcePath(const QString &path);
    void resetImagesSyncing();

    /// Test seam: see KTCatalogStore::setRecordWriteHook. The hook runs on the writer queue.
    void setStoreRecordWriteHook(std::function<bool(qsizetype written)> hook);
    /// Blocks until the writes queued so far have run. For tests and shutdown.
    void waitForStoreWrites();

private:
    bool openPersistentStore();
    bool prepareApplicationFilesDirectory();
    bool migrateLegacyStore(KTError *error);
    void makeMainContext(std::unique_ptr<KTCatalogStore> store, std::vector<KTRecordValues> records);
    void queueStoreWrite();

    const Locations m_locations;
    std::recursive_mutex m_storeMutex;
    bool m_openAttempted = false;

    std::shared_ptr<KTObjectContext> m_context;
    std::unique_ptr<KTUndoManager> m_undoManager;
    QTimer *m_autosaveTimer = nullptr;

    // The store is used only on the writer queue once the main context exists. The queue is
    // declared after it so that it is destroyed first, after its last write.
    std::unique_ptr<KTCatalogStore> m_store;
    std::unique_ptr<KTSerialQueue> m_writerQueue;
    // Saves handed to the writer (main thread) and the last of them it has written (writer).
    quint64 m_handedSaves = 0;
    quint64 m_writerHandedSaves = 0; // writer queue only
    std::atomic<quint64> m_writtenSaves{0};

    // ---- Filtered lists and change notifications (members) ----
    const std::unique_ptr<KTCatalogChangeHandler> m_changeHandler =
        std::make_unique<KTCatalogChangeHandler>(this);

    // ---- Sources, validation and session clearing (members) ----
    static void removeSource(KTFolderMO *source, DeleteImageFiles deleteImageFiles,
                             const std::function<void(const QString &)> &deleteHashForImagePath);
    static void removeImage(KTImageMO *image, DeleteImageFiles deleteImageFiles,
                            const std::function<void(const QString &)> &deleteHashForImagePath);
    KTSessionHooks m_sessionHooks;
    int m_clearedRecordsHolds = 0;
    bool m_releaseWanted = false;
    QVariantList m_externalApplicationImages;
    bool m_newSession = false;

    // ---- Pick, reject, resolve and trash (members) ----
    KTImageTrasher::Recycler m_fileRecycler;
    KTObservationToken m_regroupObservation;

    // ---- Import, similarity search, time groups, moving and copying (members) ----
    DuplicatesSearch m_duplicatesSearch;
    std::function<void(std::function<void()> completion)> m_cleanSession;
    std::function<void(const QList<KTImageMO *> &images)> m_storeImageStatuses;
    bool m_findDuplicatesForAddedImages = false;
    QVariant m_accuracyLevel;
    std::atomic<double> m_timeRange{0};
    double m_timeLineInterval = 0;

    // ---- External catalogue status (members) ----
    void setUpExternalCatalogueStatus();
    /// The `images` list that the status bridge walks.
    QList<KTImageMO *> externalStatusImagesList();
    std::unique_ptr<KTExternalStatusBridge> m_externalStatus;
};
