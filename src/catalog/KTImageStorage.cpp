#include "KTImageStorage.h"

#include "KTAlert.h"
#include "KTBundleIdentifier.h"
#include "KTCatalogModel.h"
#include "KTCatalogStore.h"
#include "KTConcurrentQueue.h"
#include "KTMigrationWindowPresenter.h"
#include "KTDispatch.h"
#include "KTExternalStatusBridge.h"
#include "KTFilesManager.h"
#include "KTFolderMO.h"
#include "KTImageDecisions.h"
#include "KTImageGroupMO.h"
#include "KTImageMO.h"
#include "KTNotificationCenter.h"
#include "KTObjectContext.h"
#include "KTOperationQueue.h"
#include "KTRecordRef.h"
#include "KTSerialQueue.h"
#include "KTSessionSources.h"
#include "KTSourceBookmarks.h"
#include "KTTasksNotifier.h"
#include "KTTimeGroupMO.h"
#include "KTUndoManager.h"
#include "KTUserDefaults.h"

#include <QDebug>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QPointer>
#include <QTimer>

#include <mutex>
#include <utility>
#include <vector>

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace {

constexpr int kAutosaveIntervalMs = 60 * 1000;
constexpr int kStoreInitializationErrorCode = 9999;
constexpr int kNotAFolderErrorCode = 101;
const QString kFailureReasonKey = QStringLiteral("NSLocalizedFailureReason");

void presentError(const KTError &error)
{
    KTErrorPresenter::shared().presentError(error);
}

} // namespace

KTImageStorage *KTImageStorage::sharedStorage()
{
    static KTImageStorage *s_storage = nullptr;
    static std::once_flag s_once;
    std::call_once(s_once, [] {
        Q_ASSERT_X(isMainThread(), "KTImageStorage", "The catalogue is made on the main thread.");
        KTFilesManager &files = KTFilesManager::sharedManager();
        // Lives as long as the process.
        s_storage = new KTImageStorage(
            Locations{files.applicationFilesDirectoryPath(), files.oldApplicationFilesDirectoryPath()});
    });
    return s_storage;
}

KTImageStorage::KTImageStorage(Locations locations, QObject *parent)
    : KTCancelablePerformer(parent), m_locations(std::move(locations))
{
#ifdef __GLIBC__
    // A session's large blocks (lists and change sets of every record) come and go with it. By
    // default the allocator raises its threshold for mapping blocks each time such a block is
    // freed, so the next session's blocks come out of the heap instead and the heap keeps the
    // peak of two sessions. A fixed threshold maps them, and freeing them returns them.
    static const bool s_thresholdFixed = mallopt(M_MMAP_THRESHOLD, 4 * 1024 * 1024) != 0;
    Q_UNUSED(s_thresholdFixed)
#endif
    managedObjectContext();
    setUpExternalCatalogueStatus();
}

KTImageStorage::~KTImageStorage()
{
    if (m_context)
        m_context->setSaveHandler({});
    m_writerQueue.reset();
}

QString KTImageStorage::storePath() const
{
    return m_locations.applicationFilesDirectoryPath + QLatin1Char('/') + kStoreFileName;
}

QString KTImageStorage::oldStorePath() const
{
    return m_locations.oldApplicationFilesDirectoryPath + QLatin1Char('/') + kLegacyStoreFileName;
}

std::shared_ptr<const KTObjectModel> KTImageStorage::managedObjectModel() const
{
    return KTCatalogModel::sharedModel();
}

std::shared_ptr<KTObjectContext> KTImageStorage::managedObjectContext()
{
    Q_ASSERT_X(isMainThread(), "KTImageStorage",
               "Managed object context should be used only on main thread.");
    std::lock_guard lock(m_storeMutex);
    if (!m_openAttempted) {
        // Set first: an event handled in the modal loops of the opening may ask again, and the
        // store is opened (or given up) once.
        m_openAttempted = true;
        if (!openPersistentStore()) {
            qWarning().noquote() << "Error: Could not initialize persistent store coordinator";
            KTApplicationTerminator::shared().terminate(1);
            presentError(KTError{kCatalogErrorDomain,
                                 kStoreInitializationErrorCode,
                                 tr("Failed to initialize the store"),
                                 {{kFailureReasonKey, tr("There was an error building up the data file.")}}});
        }
    }
    return m_context;
}

bool KTImageStorage::prepareApplicationFilesDirectory()
{
    const QString folder = m_locations.applicationFilesDirectoryPath;
    const QFileInfo info(folder);
    if (info.exists() && !info.isDir()) {
        presentError(
            KTError{kCatalogErrorDomain,
                    kNotAFolderErrorCode,
                    tr("Expected a folder to store application data, found a file (%1).").arg(folder),
                    {}});
        return false;
    }
    if (!info.exists() && !QDir().mkpath(folder)) {
        presentError(
            KTError{kCatalogStoreErrorDomain, 0, tr("The folder %1 could not be created.").arg(folder), {}});
        return false;
    }
    return true;
}

bool KTImageStorage::openPersistentStore()
{
    if (!prepareApplicationFilesDirectory())
        return false;

    KTError error;
    bool legacyHandled = false;
    if (QFileInfo::exists(oldStorePath())) {
        KTAlert question;
        question.messageText =
            tr("Vireoscope needs to update your session to 1.1.0 version. It may take a long "
               "time, do you wish to proceed or to start new session?");
        question.buttons = QStringList{tr("Proceed"), tr("New Session")};
        question.buttonCodes = KTAlert::ButtonCodes::Added;
        const bool proceed =
            KTAlertPresenter::shared().runModal(question).returnCode == question.returnCodeForButton(0);
        if (proceed && !migrateLegacyStore(&error)) {
            presentError(error);
            return false;
        }
        legacyHandled = true;
    }

    auto store = std::make_unique<KTCatalogStore>(managedObjectModel());
    std::vector<KTRecordValues> records;
    if (!store->open(storePath(), KTCatalogStore::Access::ReadWrite, &error) ||
        !store->readAllRecords(&records, &error)) {
        presentError(error);
        return false;
    }
    if (legacyHandled) {
        // Migrated or set aside for a new session: either way the question is not asked again.
        QDir(m_locations.oldApplicationFilesDirectoryPath).removeRecursively();
    }
    makeMainContext(std::move(store), std::move(records));
    return true;
}

bool KTImageStorage::migrateLegacyStore(KTError *error)
{
    struct Migration
    {
        std::atomic<bool> done{false};
        bool ok = false;
        KTError error;
    };
    auto migration = std::make_shared<Migration>();
    const QString from = oldStorePath();
    const QString to = storePath();
    auto model = managedObjectModel();
    KTMigrationWindowPresenter::shared().runModal([=](std::function<void()> endModal) {
        KTConcurrentQueue::global().async([=] {
            migration->ok = KTCatalogStore::migrateStore(from, to, model, &migration->error);
            migration->done.store(true);
            endModal();
        });
    });
    // The window's session may end before the job (it cannot be closed by the user, but a
    // presenter may return early): turn the event loop until the job is over.
    while (!migration->done.load()) {
        QEventLoop slice;
        QTimer::singleShot(1000, &slice, &QEventLoop::quit);
        slice.exec();
    }
    if (!migration->ok && error)
        *error = migration->error;
    return migration->ok;
}

void KTImageStorage::makeMainContext(std::unique_ptr<KTCatalogStore> store,
                                     std::vector<KTRecordValues> records)
{
    m_context = KTObjectContext::makeMainContext(managedObjectModel());
    m_context->loadStoredObjects(std::move(records));
    m_undoManager = std::make_unique<KTUndoManager>(m_context);
    m_store = std::move(store);
    m_writerQueue =
        std::make_unique<KTSerialQueue>(QLatin1String(kBundleIdentifier) + QStringLiteral(".store"));
    m_context->setSaveHandler([this](const KTChangeSet &changes, QString *) {
        // The changes move to the writer, as into a base context; they reach the disk with the
        // next write, and stay with the writer until a write succeeds.
        const quint64 save = ++m_handedSaves;
        m_writerQueue->async([this, changes, save] {
            m_store->addChanges(changes);
            m_writerHandedSaves = save;
        });
        return true;
    });
    m_changeHandler->attach(m_context);
    // An image undecided again (restored, unpicked, undone elsewhere) after a decision ended its
    // similar group brings the group back, whatever view or sync made the change.
    m_regroupObservation = m_context->addObjectsDidChangeObserver([this](const KTObjectsDidChange &change) {
        QList<KTImageMO *> updated;
        for (KTStoreObject *object : change.updated) {
            if (object->entity().name() == kImageEntityName)
                updated.append(static_cast<KTImageMO *>(object));
        }
        if (!updated.isEmpty())
            KTImageDecisions(*m_context, this).regroupUndecidedImages(updated);
    });
    // TODO: the sources' bookmarks are restored here, before anything else sees the context,
    // once that part exists.
}

void KTImageStorage::cleanUndoStack()
{
    if (m_undoManager)
        m_undoManager->removeAllActions();
}

void KTImageStorage::processPendingChanges()
{
    if (m_context)
        m_context->processPendingChanges();
}

bool KTImageStorage::saveContext(KTObjectContext *context, KTError *error)
{
    if (!context) {
        if (error)
            *error = KTError{
                kCatalogErrorDomain, kStoreInitializationErrorCode, tr("Failed to initialize the store"), {}};
        return false;
    }
    if (!context->hasChanges())
        return true;
    QString message;
    if (context->save(&message))
        return true;
    if (error)
        *error = KTError{kCatalogErrorDomain, 0, message, {}};
    return false;
}

bool KTImageStorage::saveChangesOrReturnError(KTError *error)
{
    Q_ASSERT(isMainThread());
    if (!saveContext(m_context.get(), error))
        return false;
    bool written = false;
    KTError writeError;
    m_writerQueue->sync([&] {
        const quint64 through = m_writerHandedSaves;
        written = m_store->writePendingChanges(&writeError);
        if (written)
            m_writtenSaves.store(through);
    });
    if (!written && error)
        *error = writeError;
    return written;
}

bool KTImageStorage::hasChanges()
{
    Q_ASSERT(isMainThread());
    return m_context && (m_context->hasChanges() || m_handedSaves != m_writtenSaves.load());
}

void KTImageStorage::queueStoreWrite()
{
    m_writerQueue->async([this] {
        const quint64 through = m_writerHandedSaves;
        KTError error;
        if (m_store->writePendingChanges(&error))
            m_writtenSaves.store(through);
        else
            qWarning().noquote() << "The session store could not be written; the next save tries again:"
                                 << error.localizedDescription;
    });
}

void KTImageStorage::startAutosaving()
{
    Q_ASSERT(isMainThread());
    if (m_autosaveTimer)
        return;
    m_autosaveTimer = new QTimer(this);
    m_autosaveTimer->setInterval(kAutosaveIntervalMs);
    connect(m_autosaveTimer, &QTimer::timeout, this, &KTImageStorage::autosaveTimerAction);
    m_autosaveTimer->start();
}

void KTImageStorage::autosaveTimerAction()
{
    qInfo().noquote() << "Perform autosaving.";
    if (m_context && saveContext(m_context.get()))
        queueStoreWrite();
}

void KTImageStorage::setStoreRecordWriteHook(std::function<bool(qsizetype)> hook)
{
    if (!m_writerQueue)
        return;
    m_writerQueue->async([this, hook = std::move(hook)] { m_store->setRecordWriteHook(hook); });
}

void KTImageStorage::waitForStoreWrites()
{
    if (m_writerQueue)
        m_writerQueue->waitUntilIdle();
}

// ---- Filtered lists and change notifications ----

// ---- Sources, validation and session clearing ----

void KTImageStorage::setSessionHooks(KTSessionHooks hooks)
{
    Q_ASSERT(isMainThread());
    m_sessionHooks = std::move(hooks);
}

void KTImageStorage::addSourcesForPaths(const QStringList &paths,
                                        const QVariantList &externalApplicationSources)
{
    Q_ASSERT(isMainThread());
    if (m_sessionHooks.resetImagesSyncing)
        m_sessionHooks.resetImagesSyncing();
    if (!m_context)
        return;
    QPointer<KTImageStorage> self(this);
    cleanSessionWithCompletionBlock([self, paths, sources = externalApplicationSources] {
        if (!self || !self->m_context)
            return;
        self->m_externalApplicationImages = sources;
        if (self->m_sessionHooks.addExternalSourcePath)
            for (const QVariant &source : sources)
                self->m_sessionHooks.addExternalSourcePath(
                    source.toMap().value(kFolderMediaSourceValueKey).toString());
        QStringList kept;
        for (const QString &path : paths)
            if (path.startsWith(QLatin1Char('/')))
                kept.append(path);
        auto child = KTObjectContext::makeChildContext(self->m_context);
        child->perform([sender = KTTaskSender(self.data()), child = child.get(), kept, sources] {
            recordSourcesInContext(kept, sources, *child, sender);
        });
    });
}

void KTImageStorage::addSourcesForPaths(const QStringList &paths,
                                        const QVariantList &externalApplicationImages,
                                        KTObjectContext &context)
{
    recordSourcesInContext(paths, externalApplicationImages, context, this);
}

void KTImageStorage::recordSourcesInContext(const QStringList &paths,
                                            const QVariantList &externalApplicationImages,
                                            KTObjectContext &context, const KTTaskSender &sender)
{
    KTTasksNotifier &notifier = KTTasksNotifier::sharedNotifier();
    notifier.taskDidStart(kAddSourcesTaskName, sender);
    KTSessionSources::recordSources(paths, externalApplicationImages, context);
    saveContext(&context);
    notifier.taskDidFinish(kAddSourcesTaskName, sender);
}

void KTImageStorage::validate()
{
    Q_ASSERT(isMainThread());
    if (!m_context)
        return;
    auto child = KTObjectContext::makeChildContext(m_context);
    child->perform([sender = KTTaskSender(this), child = child.get()] {
        KTTasksNotifier &notifier = KTTasksNotifier::sharedNotifier();
        notifier.taskDidStart(kValidateTaskName, sender);
        const bool invalid = KTSessionSources::hasInvalidSourcesInContext(*child);
        notifier.taskDidFinish(kValidateTaskName, sender, KTTaskDidFinishInfo::validated(invalid));
    });
}

void KTImageStorage::deleteSource(KTFolderMO *source, DeleteImageFiles deleteImageFiles)
{
    removeSource(source, deleteImageFiles, m_sessionHooks.deleteHashForImagePath);
}

void KTImageStorage::removeSource(KTFolderMO *source, DeleteImageFiles deleteImageFiles,
                                  const std::function<void(const QString &)> &deleteHashForImagePath)
{
    for (KTImageMO *image : source->images())
        if (image->folder())
            removeImage(image, deleteImageFiles, deleteHashForImagePath);
    KTSessionSources::removeMarkerOfSource(*source);
    KTObjectContext *context = source->context();
    context->deleteObject(source);
    context->processPendingChanges();
}

void KTImageStorage::cleanSessionWithCompletionBlock(std::function<void()> completion)
{
    Q_ASSERT(isMainThread());
    KTSourceBookmarks::forgetBookmarks();
    if (m_sessionHooks.resetSimilarFinder)
        m_sessionHooks.resetSimilarFinder();
    if (!m_context || (m_context->count({kImageEntityName, {}, {}}) == 0 &&
                       m_context->count({kFolderEntityName, {}, {}}) == 0)) {
        if (completion)
            postToMain(std::move(completion));
        return;
    }
    auto child = KTObjectContext::makeChildContext(m_context);
    child->perform([self = QPointer<KTImageStorage>(this), sender = KTTaskSender(this), child = child.get(),
                    hooks = m_sessionHooks, completion = std::move(completion)] {
        if (hooks.resetDuplicatesSeeker)
            hooks.resetDuplicatesSeeker();
        if (hooks.cleanHashes)
            hooks.cleanHashes();
        KTTasksNotifier &notifier = KTTasksNotifier::sharedNotifier();
        notifier.taskDidStart(kCleanSessionTaskName, sender);
        cleanSessionInContext(*child);
        saveContext(child);
        // The history speaks of records that are gone: an undo would bring back a deleted group
        // of the cleared session.
        runOnMainSync([self] {
            if (self)
                self->cleanUndoStack();
        });
        // Queued before the end is posted, so it runs before "TaskDidFinish" is heard.
        if (completion)
            postToMain(completion);
        notifier.taskDidFinish(kCleanSessionTaskName, sender);
        // Queued after the end, so every observer has heard it (and let go of the cleared
        // records) before they are freed.
        postToMain([self] {
            if (self)
                self->releaseClearedRecords();
        });
    });
}

void KTImageStorage::releaseClearedRecords()
{
    Q_ASSERT(isMainThread());
    if (!m_context)
        return;
    if (m_clearedRecordsHolds > 0) {
        m_releaseWanted = true;
        return;
    }
    m_releaseWanted = false;
    // The history may point at the records; the clearing forgot it already, and anything recorded
    // since belongs to a session that is being replaced.
    cleanUndoStack();
    m_context->releaseDeletedObjects();
#ifdef __GLIBC__
    // The session's records were made and copied on several threads, so their memory lies in
    // several of the allocator's arenas: give the free pages back now rather than keep each
    // arena's share resident until it happens to be used again.
    malloc_trim(0);
#endif
}

std::shared_ptr<void> KTImageStorage::holdClearedRecords()
{
    Q_ASSERT(isMainThread());
    ++m_clearedRecordsHolds;
    return std::shared_ptr<void>(nullptr, [self = QPointer<KTImageStorage>(this)](void *) {
        if (!self || --self->m_clearedRecordsHolds > 0 || !self->m_releaseWanted)
            return;
        // Not from inside whatever dropped the hold: it may still be using the records.
        postToMain([self] {
            if (self && self->m_releaseWanted)
                self->releaseClearedRecords();
        });
    });
}

void KTImageStorage::cleanSessionInContext(KTObjectContext &context)
{
    KTOperationQueue &operations = KTOperationQueue::sharedQueue();
    operations.cancelAllOperations();
    operations.waitUntilAllOperationsAreFinished();

    const QList<KTFolderMO *> sources = context.fetchAs<KTFolderMO>({kFolderEntityName, {}, {}});
    QString error;
    if (!KTFilesManager::sharedManager().deleteAndRecreateImageFoldersWithError(&error))
        qWarning().noquote() << QStringLiteral("Error deleting files %1").arg(error);
    for (KTFolderMO *source : sources)
        removeSource(source, DeleteImageFiles::No, {});
    for (KTStoreObject *group : context.fetch({kImageGroupEntityName, {}, {}}))
        context.deleteObject(group);
    for (KTStoreObject *group : context.fetch({kTimeGroupEntityName, {}, {}}))
        context.deleteObject(group);
    context.processPendingChanges();
}

// ---- Pick, reject, resolve and trash ----

void KTImageStorage::resolveGroups(const QList<KTImageGroupMO *> &groups)
{
    if (m_context)
        KTImageDecisions(*m_context, this).resolveGroups(groups);
}

void KTImageStorage::deleteGroups(const QList<KTImageGroupMO *> &groups)
{
    if (m_context)
        KTImageDecisions(*m_context, this).deleteGroups(groups);
}

void KTImageStorage::moveImagesToTrash(const QList<KTImageMO *> &images)
{
    if (m_context)
        KTImageDecisions(*m_context, this).moveImagesToTrash(images);
}

void KTImageStorage::moveImagesLocatedInSameFolderToTrashWithImage(KTImageMO *image)
{
    if (!m_context)
        return;
    KTImageDecisions(*m_context, this).moveImagesLocatedInSameFolderToTrashWithImage(image, images());
}

void KTImageStorage::moveImagesToSystemTrash(const QList<KTImageMO *> &images,
                                             std::function<void()> completion)
{
    Q_ASSERT(isMainThread());
    if (!m_context)
        return;
    // The files are trashed on another thread, after a question whose event loop runs on: a new
    // session may clear and free the records meanwhile, so they are held through handles.
    const KTRecordList<KTImageMO> held(images);
    if (!images.isEmpty()) {
        KTAlert question;
        const int count = int(images.size());
        question.messageText =
            count == 1 ? tr("1 image will be moved to the Trash. Are you sure?")
                       : tr("%n images will be moved to the Trash. Are you sure?", nullptr, count);
        question.buttons = {tr("Ok"), tr("Cancel")};
        question.buttonCodes = KTAlert::ButtonCodes::Classic;
        if (KTAlertPresenter::shared().runModal(question).returnCode != KTAlert::kDefaultReturn)
            return;
    }
    const QList<KTImageMO *> asked = held.records();
    std::vector<KTRecordRef<KTImageMO>> records(asked.begin(), asked.end());
    auto finish = [self = QPointer<KTImageStorage>(this), context = m_context, records = std::move(records),
                   completion = std::move(completion)](const QSet<KTImageMO *> &failed) {
        if (!self)
            return;
        if (!failed.isEmpty()) {
            KTAlert alert;
            alert.messageText = tr("Some images could not be trashed.");
            alert.informativeText =
                tr("You have not permissions for move some images to system trash. Update "
                   "perminissions and try again.");
            alert.buttons = {tr("OK")};
            alert.buttonCodes = KTAlert::ButtonCodes::Classic;
            KTAlertPresenter::shared().runModal(alert);
        }
        QList<KTImageMO *> trashed;
        for (const KTRecordRef<KTImageMO> &record : records)
            if (KTImageMO *image = record.get(); image && !failed.contains(image))
                trashed.append(image);
        KTImageDecisions(*context, self).deleteTrashedImages(trashed);
        self->cleanUndoStack();
        if (completion)
            completion();
    };
    m_undoManager->disableUndoRegistration();
    KTImageTrasher(m_fileRecycler, m_sessionHooks.markImagesAsRejected)
        .deleteImagesOrReturnImagesWhichCouldNotBeDeleted(asked, std::move(finish));
    m_undoManager->enableUndoRegistration();
}

void KTImageStorage::deleteImagesFromDB(const QList<KTImageMO *> &images)
{
    if (!m_context || images.isEmpty())
        return;
    KTImageDecisions(*m_context, this).deleteImagesFromDB(images);
    cleanUndoStack();
}

void KTImageStorage::deleteImagesFromGroups(const QList<KTImageMO *> &images)
{
    if (m_context)
        KTImageDecisions(*m_context, this).deleteImagesFromGroups(images);
}

void KTImageStorage::deleteImage(KTImageMO *image, DeleteImageFiles deleteImageFiles)
{
    removeImage(image, deleteImageFiles, m_sessionHooks.deleteHashForImagePath);
}

void KTImageStorage::removeImage(KTImageMO *image, DeleteImageFiles deleteImageFiles,
                                 const std::function<void(const QString &)> &deleteHashForImagePath)
{
    if (deleteImageFiles == DeleteImageFiles::Yes && deleteHashForImagePath)
        deleteHashForImagePath(image->path());
    image->context()->deleteObject(image);
}

void KTImageStorage::validateUpdatedGroups(const QSet<KTImageGroupMO *> &groups)
{
    if (m_context)
        KTImageDecisions(*m_context, this).validateUpdatedGroups(groups);
}

// ---- Import, similarity search, time groups, moving and copying ----

#include "KTImageImporter.h"
#include "KTImageMover.h"
#include "KTNotificationCenter.h"
#include "KTTasksNotifier.h"
#include "KTTimeGrouper.h"
#include "KTUserDefaults.h"

#include <QPointer>

const QString KTImageStorage::kNoImagesParsedNotificationName = kNoImagesParsedNotification;
const QString KTImageStorage::kNoSimilarGroupsFoundNotificationName = kNoSimilarGroupsFoundNotification;
const QString KTImageStorage::kShowRAWandJPEGAsOneFileOptionKey =
    QStringLiteral("kShowRAWandJPEGAsOneFileOption");

bool KTImageStorage::showsRawAndJPEGAsOneFile()
{
    return KTUserDefaults::standardUserDefaults().boolForKey(kShowRAWandJPEGAsOneFileOptionKey);
}

void KTImageStorage::setShowsRawAndJPEGAsOneFile(bool oneFile)
{
    KTUserDefaults::standardUserDefaults().setBool(oneFile, kShowRAWandJPEGAsOneFileOptionKey);
}

void KTImageStorage::setDuplicatesSearch(DuplicatesSearch search)
{
    m_duplicatesSearch = std::move(search);
}

void KTImageStorage::resetDuplicatesSearch()
{
    if (m_duplicatesSearch.reset)
        m_duplicatesSearch.reset();
}

void KTImageStorage::setCleanSessionHandler(std::function<void(std::function<void()> completion)> handler)
{
    m_cleanSession = std::move(handler);
}

void KTImageStorage::setStoreImageStatusesHandler(
    std::function<void(const QList<KTImageMO *> &images)> handler)
{
    m_storeImageStatuses = std::move(handler);
}

void KTImageStorage::loadImages()
{
    Q_ASSERT(isMainThread());
    const std::shared_ptr<KTObjectContext> context = managedObjectContext();
    if (!context)
        return;
    KTImageImporter::Settings settings;
    settings.pairing = showsRawAndJPEGAsOneFile() ? KTRawJpegPairing::OneFile : KTRawJpegPairing::Separate;
    settings.findDuplicatesForAddedImages = m_findDuplicatesForAddedImages;
    settings.accuracyLevel = m_accuracyLevel;
    settings.timeRange = timeRange();
    settings.timeLineInterval = m_timeLineInterval;

    // The hooks outlive neither the catalogue nor a later change of its handlers: each one goes
    // through a guarded pointer to the catalogue and reads the handler when it runs.
    const QPointer<KTImageStorage> self(this);
    KTImageImporter::Hooks hooks;
    hooks.findSimilars = m_duplicatesSearch.findInContext;
    hooks.storeImageStatuses = m_storeImageStatuses;
    hooks.cleanSession = [self](std::function<void()> completion) {
        if (self && self->m_cleanSession)
            self->m_cleanSession(std::move(completion));
        else if (self)
            self->cleanSessionWithCompletionBlock(std::move(completion));
        else if (completion)
            completion();
    };
    hooks.noImagesParsed = [self] {
        if (self)
            KTNotificationCenter::defaultCenter().post(KTNoImagesParsedInfo::name(), self.data());
    };
    hooks.noSimilarGroupsFound = [self] {
        if (self)
            KTNotificationCenter::defaultCenter().post(KTNoSimilarGroupsFoundInfo::name(), self.data());
    };
    hooks.failedToLoadImages = [self](const QList<KTBrokenImage> &brokenImages) {
        if (self)
            KTNotificationCenter::defaultCenter().post(KTFailedToLoadSomeImagesInfo::name(), self.data(),
                                                       KTFailedToLoadSomeImagesInfo::userInfo(brokenImages));
    };
    hooks.externalApplicationImagesLoaded = [self] {
        if (self)
            self->m_externalApplicationImages.clear();
    };
    KTImageImporter importer(this, this, std::move(settings), std::move(hooks));
    QList<QVariantMap> sources;
    for (const QVariant &source : std::as_const(m_externalApplicationImages))
        sources.append(source.toMap());
    importer.setExternalApplicationImages(sources);
    importer.loadImages(context);
}

void KTImageStorage::findImagesDuplicatesWithSimilarityLevel(const QVariant &accuracyLevel, double timeRange)
{
    Q_ASSERT(isMainThread());
    if (!m_duplicatesSearch.find) {
        qInfo() << "The similarity search is not connected: no similar groups are searched";
        return;
    }
    m_duplicatesSearch.find(accuracyLevel, timeRange);
}

void KTImageStorage::groupImagesByTimeInterval(double interval)
{
    Q_ASSERT(isMainThread());
    if (const std::shared_ptr<KTObjectContext> context = managedObjectContext())
        KTTimeGrouper::groupImagesByTimeInterval(interval, context, this);
}

void KTImageStorage::groupImagesByTimeInterval(double interval, KTObjectContext &context)
{
    KTTimeGrouper::groupImagesByTimeInterval(interval, context, this);
}

void KTImageStorage::moveImages(const QList<KTImageMO *> &images, const QString &destinationFolderPath,
                                KTImageMover::ReportHandler report)
{
    performTaskWithName(kMovingItemsTaskName, images, destinationFolderPath, std::move(report));
}

void KTImageStorage::copyImages(const QList<KTImageMO *> &images, const QString &destinationFolderPath,
                                KTImageMover::ReportHandler report)
{
    performTaskWithName(kCopyItemsTaskName, images, destinationFolderPath, std::move(report));
}

void KTImageStorage::performTaskWithName(const QString &taskName, const QList<KTImageMO *> &images,
                                         const QString &destinationFolderPath,
                                         KTImageMover::ReportHandler report)
{
    Q_ASSERT(isMainThread());
    const std::shared_ptr<KTObjectContext> context = managedObjectContext();
    if (!context)
        return;
    const QPointer<KTImageStorage> self(this);
    KTImageMover mover(context, this, [self] {
        if (self)
            self->cleanUndoStack();
    });
    mover.setConflictQuestion(&KTFilesManager::askAboutExistingFile);
    mover.setReportHandler(std::move(report));
    mover.performTaskWithName(taskName, images, destinationFolderPath);
}

// ---- External catalogue status ----

void KTImageStorage::setUpExternalCatalogueStatus()
{
    m_externalStatus = std::make_unique<KTExternalStatusBridge>(
        m_context, m_undoManager.get(), [this] { return externalStatusImagesList(); },
        KTUserDefaults::standardUserDefaults());
    if (m_context)
        m_externalStatus->setUp();
    setStoreImageStatusesHandler(m_externalStatus->imageStatusesStorer());
}

QList<KTImageMO *> KTImageStorage::externalStatusImagesList()
{
    return m_context ? images() : QList<KTImageMO *>{};
}

void KTImageStorage::storeImageStatuses(const QList<KTImageMO *> &images)
{
    m_externalStatus->storeImageStatuses(images);
}

bool KTImageStorage::hasStatusChanges() const
{
    return m_externalStatus->hasChanges();
}

bool KTImageStorage::hasExternalSources() const
{
    return m_externalStatus->hasExternalSources();
}

QList<KTImageMO *> KTImageStorage::imagesFromExternalSources() const
{
    return m_externalStatus->imagesFromExternalSources();
}

int KTImageStorage::externalCatalogType() const
{
    return m_externalStatus->externalCatalogType();
}

bool KTImageStorage::isExternalAppRunning() const
{
    return m_externalStatus->isExternalAppRunning();
}

QString KTImageStorage::runningExternalAppName() const
{
    return m_externalStatus->runningExternalAppName();
}

void KTImageStorage::syncImagesStatuses(const QList<KTImageMO *> &images,
                                        std::function<void(bool succeeded)> completion)
{
    m_externalStatus->syncImagesStatuses(images, std::move(completion));
}

void KTImageStorage::syncImagesStatuses(const QList<KTImageMO *> &images, bool importStatuses,
                                        std::function<void(bool succeeded)> completion)
{
    m_externalStatus->syncImagesStatuses(images, importStatuses, std::move(completion));
}

void KTImageStorage::importImagesStatuses(const QList<KTImageMO *> &images,
                                          std::function<void(bool succeeded)> completion)
{
    m_externalStatus->importImagesStatuses(images, std::move(completion));
}

void KTImageStorage::overwriteImagesStatusesFromHalvard(const QList<KTImageMO *> &images)
{
    m_externalStatus->overwriteImagesStatusesFromHalvard(images);
}

void KTImageStorage::addExternalSourcePath(const QString &path)
{
    m_externalStatus->addExternalSourcePath(path);
}

void KTImageStorage::resetImagesSyncing()
{
    m_externalStatus->resetImagesSyncing();
}
