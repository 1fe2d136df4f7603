#pragma once

#include "KTChangeSet.h"
#include "KTError.h"
#include "KTObjectID.h"

#include <QString>
#include <QVariant>

#include <functional>
#include <map>
#include <memory>
#include <vector>

class KTObjectModel;
class KTSqliteDatabase;

/// Error domain of the store file's own failures (codes are SQLite result codes or below).
inline const QString kCatalogStoreErrorDomain = QStringLiteral("KTCatalogStoreErrorDomain");

/// The session store on disk: one SQLite file (WAL journal) with a table per entity of the object
/// model, a column per stored attribute and to-one relationship, and the record's object-id row
/// as primary key. Dates are kept as milliseconds since the epoch (UTC).
///
/// The schema follows the model: `PRAGMA user_version` holds kSchemaVersion, and opening a file
/// of an older version adds the tables and columns it lacks (migrations are additive only). A
/// file of a newer version, or one that is not such a store at all, fails to open.
///
/// save() folds the change set into the changes still pending from failed saves and writes them
/// all in one transaction; only success forgets them, so a failed write loses nothing.
///
/// Threading: not thread-safe; one owner uses it from one thread at a time (the catalogue keeps
/// it on its writer queue). It never touches the main thread.
class KTCatalogStore
{
public:
    static constexpr int kSchemaVersion = 1;

    enum class Access
    {
        ReadWrite, // created when missing; migrated to kSchemaVersion
        ReadOnly,  // must exist; never changed, read as far as its columns go
    };

    explicit KTCatalogStore(std::shared_ptr<const KTObjectModel> model);
    ~KTCatalogStore();
    KTCatalogStore(const KTCatalogStore &) = delete;
    KTCatalogStore &operator=(const KTCatalogStore &) = delete;

    /// Opens the file and checks (ReadWrite: brings up to date) its schema. False with `error`
    /// set when the file cannot be opened, is not a store, or is of a newer schema version.
    bool open(const QString &path, Access access, KTError *error = nullptr);
    void close();
    bool isOpen() const;
    const QString &path() const { return m_path; }

    /// Every record of the file, ready for KTObjectContext::loadStoredObjects. Columns the file
    /// lacks read as nil. A record whose key the store never gives (below 1: a damaged file)
    /// takes a free key, with a "Warning:" log line; links to it follow, and the file takes the
    /// new keys with the next write. False with `error` set when a read fails.
    bool readAllRecords(std::vector<KTRecordValues> *records, KTError *error = nullptr);

    /// Folds `changes` into the pending changes (later values win; a delete of a record that was
    /// never written cancels its insert). Writes nothing.
    void addChanges(const KTChangeSet &changes);
    /// Writes every pending change in one transaction. On failure the transaction is rolled
    /// back, everything stays pending for the next write, and false is returned with `error`
    /// set. With nothing pending it returns true without touching the file.
    bool writePendingChanges(KTError *error = nullptr);
    /// addChanges() then writePendingChanges().
    bool save(const KTChangeSet &changes, KTError *error = nullptr);
    /// True while changes wait to be written (added, or kept by a failed write).
    bool hasPendingChanges() const { return !m_pending.empty(); }

    /// Test seam: called before each record is written, with the number written so far in this
    /// transaction; returning false fails the write there, as a disk error would.
    void setRecordWriteHook(std::function<bool(qsizetype written)> hook) { m_writeHook = std::move(hook); }

    /// Copies the store at `legacyPath` (read only, any schema version up to the current one)
    /// into a new store at `path`. The copy is written to a temporary file beside `path` and
    /// renamed over it only when complete, so a failure never leaves a half-written store.
    static bool migrateStore(const QString &legacyPath, const QString &path,
                             std::shared_ptr<const KTObjectModel> model, KTError *error = nullptr);

private:
    struct PendingRecord
    {
        enum class State
        {
            Inserted,
            Updated,
            Deleted,
        };
        State state = State::Updated;
        // An insert that replaced a pending update or delete: the file may hold the row, so a
        // later delete must still be written.
        bool mayBeInFile = false;
        std::map<int, QVariant> values; // property index -> value (nil included)
    };
    struct Statements;

    bool writeTransaction(KTError *error);
    /// Gives the records of `damaged` (per entity) free keys after `records` of their entity and
    /// adds them to `records`, moves the links to them, and adds the rekeying to the pending
    /// changes.
    void rekeyDamagedRecords(std::vector<std::vector<KTRecordValues>> damaged,
                             std::vector<KTRecordValues> *records);
    bool prepareSchema(Access access, KTError *error);
    KTError databaseError(const QString &what) const;

    std::shared_ptr<const KTObjectModel> m_model;
    std::unique_ptr<KTSqliteDatabase> m_db;
    std::unique_ptr<Statements> m_statements;
    QString m_path;
    std::vector<bool> m_presentTables;               // per entity: in the file
    std::vector<std::vector<bool>> m_presentColumns; // per entity, per property: in the file
    std::map<KTObjectID, PendingRecord> m_pending;
    std::function<bool(qsizetype)> m_writeHook;
};
