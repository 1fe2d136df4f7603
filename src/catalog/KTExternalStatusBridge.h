#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <mutex>
#include <vector>

class KTImageMO;
class KTObjectContext;
class KTUndoManager;
class KTUserDefaults;
class VDKQueue;

/// User-defaults key of the paths of the session's external catalogues (an array of strings).
inline const QString kMediaSourcesDefaultsKey = QStringLiteral("AutosyncManagerMediaSources");

/// The session catalogue's bookkeeping for sessions that come from an external catalogue: the
/// snapshot of every image's pick and reject decision (has the user changed anything since the
/// last sync?), the queries about the session's catalogue images, the forwarders of the status
/// flows (KTExternalStatusSync, installed by a higher layer) with undo registration off, and the
/// watched list of catalogue paths kept in the user defaults. The sync bits of the records are
/// not its business: the main context's change handling sets them and the flows clear them.
///
/// Threading: main thread only, except storeImageStatuses(), which the loading task also calls
/// on its context's queue with that context's records; the snapshot is swapped under a mutex.
/// The write pass and the import finish later, on the main thread (see KTExternalStatusSync).
class KTExternalStatusBridge
{
public:
    /// The catalogue's `images` list (sorted and filtered as the review modes show it).
    using ImagesList = std::function<QList<KTImageMO *>()>;

    /// Works on `context` (the main context) and registers nothing as undoable through
    /// `undoManager` (either may be null: then the queries find nothing and the forwarders do
    /// nothing). The path list lives in `defaults`, which must outlive the bridge.
    KTExternalStatusBridge(std::shared_ptr<KTObjectContext> context, KTUndoManager *undoManager,
                           ImagesList imagesList, KTUserDefaults &defaults);
    ~KTExternalStatusBridge();
    KTExternalStatusBridge(const KTExternalStatusBridge &) = delete;
    KTExternalStatusBridge &operator=(const KTExternalStatusBridge &) = delete;

    /// What the catalogue does once its store is open: the snapshot of the stored images (only
    /// when the session has a source), then the path list is loaded and watched.
    void setUp();

    // --- Snapshot ---

    /// Replaces the whole snapshot with the decisions of `images` (unset counts as NO). Runs on
    /// the thread of the images' context.
    void storeImageStatuses(const QList<KTImageMO *> &images);
    /// storeImageStatuses() as a function for the loading task; it stays safe to call after the
    /// bridge is gone.
    std::function<void(const QList<KTImageMO *> &images)> imageStatusesStorer() const;
    /// True at the first image of the `images` list that has no snapshot entry or whose picked or
    /// rejected differs from it; false otherwise and for an empty list.
    bool hasChanges() const;

    // --- Queries ---

    /// True when a source of the session is not a plain folder.
    bool hasExternalSources() const;
    /// The images of every source that is not a plain folder, source by source.
    QList<KTImageMO *> imagesFromExternalSources() const;
    /// The images of `images` that have an external identifier, in order.
    static QList<KTImageMO *> externalImagesFromImages(const QList<KTImageMO *> &images);
    /// The catalogue kind of the last image of the `images` list (0 without one or without flows).
    int externalCatalogType() const;
    /// False without external sources or images; otherwise whether the catalogue of the last image
    /// of the `images` list must not be written now.
    bool isExternalAppRunning() const;
    /// Empty without external sources; otherwise the running application of the last image's kind.
    QString runningExternalAppName() const;

    // --- Forwarders (undo registration off around each call) ---

    using Completion = std::function<void(bool succeeded)>;

    /// The write pass; the snapshot stays. Returns at once; `completion` (may be empty) runs on
    /// the main thread once the records are updated (see KTExternalStatusSync), with false at once
    /// on a later turn when no flows are installed.
    void syncImagesStatuses(const QList<KTImageMO *> &images, Completion completion = {});
    /// The write pass; the snapshot becomes the records of `images` that still exist, only when
    /// the pass succeeded. `importStatuses` has no effect.
    void syncImagesStatuses(const QList<KTImageMO *> &images, bool importStatuses, Completion completion);
    /// The catalogue's decisions win. The snapshot becomes `images` when the catalogue could be
    /// read; an import that changed nothing keeps the old snapshot, so changes not yet synchronised
    /// still show in hasChanges().
    void importImagesStatuses(const QList<KTImageMO *> &images, Completion completion = {});
    /// The session's decisions win at the next write pass; the snapshot becomes `images`. Touches
    /// no catalogue, so it is done when it returns.
    void overwriteImagesStatusesFromHalvard(const QList<KTImageMO *> &images);

    // --- External catalogue paths ---

    QStringList externalSourcesPaths() const { return m_externalSourcesPaths; }
    /// Takes the list from the user defaults when they hold one.
    void loadExternalSourcesPaths();
    /// Stores the list in the user defaults and writes them at once.
    void saveExternalSourcesPaths();
    /// Watches every path of the list for writes.
    void startWatchingAllExternalSourcePaths();
    /// Appends a path not in the list yet, watches it and saves the list.
    void addExternalSourcePath(const QString &path);
    /// A new session: stops watching, and saves an empty list.
    void resetImagesSyncing();
    /// Paths being watched (for tests).
    int numberOfWatchedPaths() const;

private:
    struct Status
    {
        bool picked = false;
        bool rejected = false;
    };
    /// Shared with the loading task's snapshot function, which may outlive the bridge.
    struct Snapshot
    {
        std::mutex mutex;
        QHash<QString, Status> imageStatusesOnStartSession; // guarded by mutex
        void store(const QList<KTImageMO *> &images);
    };
    /// Runs `call` with undo registration off; false (logged) when no flows are installed.
    template <typename Call> bool forward(const char *operation, Call call);
    /// `completion`, after storing the snapshot of the records of `images` that still exist
    /// when the flow succeeded.
    Completion storingImageStatusesOnSuccess(const QList<KTImageMO *> &images, Completion completion) const;
    VDKQueue &watcher();
    KTImageMO *lastImage() const;

    std::shared_ptr<KTObjectContext> m_context;
    KTUndoManager *m_undoManager;
    ImagesList m_imagesList;
    KTUserDefaults &m_defaults;

    const std::shared_ptr<Snapshot> m_snapshot = std::make_shared<Snapshot>();

    QStringList m_externalSourcesPaths;
    std::unique_ptr<VDKQueue> m_fileWatcher;
};
