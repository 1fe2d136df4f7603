#pragma once

#include "KTCancelablePerformer.h"
#include "KTCatalogChangeHandler.h"
#include "KTError.h"

#include <QString>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

class KTCatalogStore;
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

    // ---- Sources, validation and session clearing ----

    // ---- Pick, reject, resolve and trash ----

    // ---- Import, similarity search, time groups, moving and copying ----

    // ---- External catalogue status ----

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

    // ---- Pick, reject, resolve and trash (members) ----

    // ---- Import, similarity search, time groups, moving and copying (members) ----

    // ---- External catalogue status (members) ----
};
