#include "KTImageStorage.h"

#include "KTAlert.h"
#include "KTBundleIdentifier.h"
#include "KTCatalogModel.h"
#include "KTCatalogStore.h"
#include "KTConcurrentQueue.h"
#include "KTCoreDataMigrationWindow.h"
#include "KTDispatch.h"
#include "KTFilesManager.h"
#include "KTObjectContext.h"
#include "KTSerialQueue.h"
#include "KTUndoManager.h"

#include <QDebug>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QTimer>

#include <mutex>

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
    managedObjectContext();
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

// ---- Pick, reject, resolve and trash ----

// ---- Import, similarity search, time groups, moving and copying ----

// ---- External catalogue status ----
