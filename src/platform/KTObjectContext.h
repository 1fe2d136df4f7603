#pragma once

#include "KTChangeSet.h"
#include "KTFetchRequest.h"
#include "KTObjectID.h"
#include "KTObjectModel.h"
#include "KTObservationToken.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class KTSerialQueue;
class KTStoreObject;
struct KTObjectContextState;

/// An object context: one view of the records of an in-memory object store, with its own record
/// objects, change tracking and save. There are two kinds.
///
/// The main context (makeMainContext) holds the whole session. It may be used on the main thread
/// only (asserting "Managed object context should be used only on main thread."). It reports its
/// changes to objects-did-change observers, coalesced until processPendingChanges(), a save or
/// the end of the current event-loop turn; it fires key observers synchronously on every real
/// change; it hands each change to the undo recorder; and save() hands a change set to the save
/// handler (the store writer).
///
/// A child context (makeChildContext) works on a private serial queue and is used only inside
/// perform()/performAndWait() blocks. It sees its parent's current state, unsaved changes
/// included: a record is copied from the parent the first time the child touches it, and the
/// child edits its copy. The copy does not follow later changes of the parent's record, but the
/// save moves only the keys the child changed, so a decision made on the main thread meanwhile
/// survives; a child's save() moves its inserted records, changed keys and deletes into the
/// parent.
///
/// Threading between the two: a child reads the parent by running a job on the main thread and
/// waiting for it (runOnMainSync), never by locking; the main thread never waits for a child.
/// So the main thread must keep its event loop turning while children work, and must never call
/// performAndWait() (asserted). Object ids come from per-entity counters shared by the contexts of
/// one store (atomic), so an id given in a child is the record's id everywhere.
///
/// Lifetime: contexts are held by shared_ptr. A child holds its parent weakly; a perform block
/// keeps its context alive until the block has run, and destroying a child waits for the blocks
/// still queued. Records are owned by their context, deleted ones included, until the context is
/// destroyed or, for deleted records of a main context, releaseDeletedObjects() frees them. Keep
/// a record across event-loop turns through a KTRecordRef (see there).
class KTObjectContext : public std::enable_shared_from_this<KTObjectContext>
{
public:
    using SaveHandler = std::function<bool(const KTChangeSet &changes, QString *errorMessage)>;

    /// A new main context over `model` (finalized). Call on the main thread.
    static std::shared_ptr<KTObjectContext> makeMainContext(std::shared_ptr<const KTObjectModel> model);
    /// A new private-queue context whose parent is `parent` (a main context). Any thread.
    static std::shared_ptr<KTObjectContext> makeChildContext(const std::shared_ptr<KTObjectContext> &parent);
    ~KTObjectContext();
    KTObjectContext(const KTObjectContext &) = delete;
    KTObjectContext &operator=(const KTObjectContext &) = delete;

    const KTObjectModel &model() const;
    bool isMainContext() const { return m_isMain; }

    // --- Private queue (child contexts) ---

    /// Queues `block` on the child's queue; returns at once.
    void perform(std::function<void()> block);
    /// Runs `block` on the child's queue and waits for it. Never on the main thread: the block
    /// may need the main thread to read the parent (asserted).
    void performAndWait(const std::function<void()> &block);

    // --- Records (any context, on its thread) ---

    /// Inserts a new record of the named entity (unknown name: assertion, null) with the next
    /// id of that entity, then calls its awakeFromInsert(). Null, after a log line, when the
    /// entity has no free id left (more records than 64-bit ids).
    KTStoreObject *insertObject(const QString &entityName);
    template <typename T> T *insert(const QString &entityName)
    {
        return static_cast<T *>(insertObject(entityName));
    }
    /// Deletes a record of this context. Every relationship to it is nullified (a to-one that
    /// pointed at it becomes nil, and it leaves the to-many sets it was in); nothing cascades.
    /// In a child, the links nullified by a delete are not changes of their own: the parent
    /// nullifies them when the save carries the delete.
    void deleteObject(KTStoreObject *object);
    /// The live record with that id, or null when it is unknown or deleted. A child first looks
    /// at its own records, then copies the parent's record (null when the parent has none or
    /// deleted it).
    KTStoreObject *objectWithId(const KTObjectID &id);
    template <typename T> T *objectWithIdAs(const KTObjectID &id)
    {
        return static_cast<T *>(objectWithId(id));
    }

    /// The live records of the request's entity that match its predicate, sorted. A child also
    /// sees the parent's records it has not touched yet, and no longer sees records the parent
    /// has deleted since it copied them.
    QList<KTStoreObject *> fetch(const KTFetchRequest &request);
    template <typename T> QList<T *> fetchAs(const KTFetchRequest &request)
    {
        QList<T *> result;
        const QList<KTStoreObject *> objects = fetch(request);
        result.reserve(objects.size());
        for (KTStoreObject *object : objects)
            result.append(static_cast<T *>(object));
        return result;
    }
    qsizetype count(const KTFetchRequest &request);

    /// True when the context holds changes that save() would move.
    bool hasChanges() const;
    /// Main: delivers pending change reports, then hands the change set to the save handler
    /// (when one is set); on success the context has no changes any more. A handler's failure
    /// returns false with its message and keeps the changes.
    /// Child: builds the change set and, synchronously on the main thread, applies it to the
    /// parent and runs the parent's processPendingChanges(), so every objects-did-change report
    /// of the save has been delivered when this returns (unless the main thread is itself inside
    /// processPendingChanges(), in a nested event loop of an observer: then they follow when
    /// that call resumes). An update to a record the parent has
    /// deleted is dropped and logged; a link to such a record becomes nil. Fails (false, with a
    /// message) only when the parent no longer exists.
    bool save(QString *errorMessage = nullptr);
    /// Main: delivers the pending changes to the objects-did-change observers now. Edits made by
    /// an observer are delivered in further rounds before this returns; after 100 rounds the
    /// rest stays pending (logged). Called from within an observer it returns at once: the outer
    /// call delivers. Child: nothing to do (children report nothing).
    void processPendingChanges();

    // --- Main context only ---

    /// Observes the coalesced change reports. The token ends the observation.
    [[nodiscard]] KTObservationToken
    addObjectsDidChangeObserver(std::function<void(const KTObjectsDidChange &)> callback);
    /// Observes one key of one record: `callback` runs synchronously after every real change of
    /// that key (a direct set, the inverse side of a relationship change, a child save applied,
    /// an undo), transient keys included.
    [[nodiscard]] KTObservationToken observe(KTStoreObject *object, const QString &key,
                                             std::function<void(const KTValueChange &)> callback);
    /// The same for several keys of one record in one registration: `callback` runs after a real
    /// change of any of them (KTValueChange::property tells which).
    [[nodiscard]] KTObservationToken observe(KTStoreObject *object, const QStringList &keys,
                                             std::function<void(const KTValueChange &)> callback);
    /// The store writer: receives the change set of each main-context save.
    void setSaveHandler(SaveHandler handler);
    /// Registers records read from the store: no change, no report, no undo step. Links between
    /// records of one call are resolved once all of them exist; a link to a record this context
    /// does not know is dropped (logged). New ids continue after the largest id held, or, when that
    /// is the largest 64-bit id, fill the widest gap between the ids held.
    void loadStoredObjects(std::vector<KTRecordValues> records);

    /// Undo hook: `recorder` receives every insert, delete and change of a stored attribute or
    /// to-one relationship of this context while undo registration is on (on by default), in
    /// the order they happen; the changes a child's save applies here are not recorded. Transient
    /// keys and to-many sides are never recorded. Replaying the inverse of the steps in reverse
    /// order (setValue with oldValue, deleteObject for an insert, undeleteObject for a delete)
    /// undoes them; the replays are recorded too unless registration is switched off around them.
    void setUndoRecorder(std::function<void(const KTRecordedChange &)> recorder);
    /// Undo support: brings back a record deleted in this context, with its last attribute
    /// values. Its to-one links come back where the target is live (else they become nil); the
    /// links other records had to it come back by replaying their own recorded steps. It is
    /// reported (and saved) as inserted, or as updated when the delete was not yet reported
    /// (saved). Recorded as an insert.
    void undeleteObject(KTStoreObject *object);
    /// Switches registration off; nests: each call needs one enableUndoRegistration().
    void disableUndoRegistration();
    void enableUndoRegistration();
    bool isUndoRegistrationEnabled() const;

    /// Frees the deleted records whose delete the objects-did-change observers have heard of
    /// (pending reports are delivered first), with their key observations; a delete not saved yet
    /// still reaches the next change set. Their KTRecordRef handles answer null from then on, and
    /// nothing may use a raw pointer to such a record: the undo recorder's owner must have
    /// forgotten its steps first. Called while the observers are being told of changes (from a
    /// nested event loop of one of them), it frees nothing and returns 0: the free runs when that
    /// delivery ends. Returns how many records were freed.
    std::size_t releaseDeletedObjects();
    /// How many record objects the context holds, deleted ones included.
    std::size_t heldObjectCount() const;

private:
    friend class KTStoreObject;
    friend struct KTObjectContextState;
    explicit KTObjectContext(bool isMain);

    const bool m_isMain;
    std::unique_ptr<KTObjectContextState> d;
    std::unique_ptr<KTSerialQueue> m_queue;
};
