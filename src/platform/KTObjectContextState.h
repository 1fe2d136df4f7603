#pragma once

// Private to the object store (KTObjectContext and KTStoreObject); not for other code.

#include "KTChangeSet.h"
#include "KTObjectContext.h"
#include "KTObjectID.h"
#include "KTObjectModel.h"
#include "KTRowNumbering.h"
#include "KTStoreObject.h"

#include <QSet>
#include <QVarLengthArray>

#include <atomic>
#include <memory>
#include <unordered_map>
#include <unordered_set>
#include <vector>

/// The numbering of new records and the model, shared by a main context and its children.
struct KTObjectStoreShared
{
    explicit KTObjectStoreShared(std::shared_ptr<const KTObjectModel> m)
        : model(std::move(m)), numbering(std::size_t(model->entityCount()))
    {}
    std::shared_ptr<const KTObjectModel> model;
    std::vector<KTRowNumbering> numbering; // per entity
};

/// Inserted, updated (with the changed properties) or deleted records since a point in time.
/// The state lives in a mark on each record (one mark per tracker), so noting a change is a few
/// field writes instead of a map lookup; the tracker lists the marked records.
class KTChangeTracker
{
public:
    using State = KTChangeMark::State;

    explicit KTChangeTracker(KTChangeMark KTStoreObject::*mark) : m_mark(mark) {}
    ~KTChangeTracker() { clear(); }
    KTChangeTracker(const KTChangeTracker &) = delete;
    KTChangeTracker &operator=(const KTChangeTracker &) = delete;

    void noteInserted(KTStoreObject *object);
    void noteUpdated(KTStoreObject *object, int property);
    void noteDeleted(KTStoreObject *object);
    /// A deleted record came back: updated in all `properties` when its delete is still noted
    /// here, else inserted.
    void noteUndeleted(KTStoreObject *object, quint64 properties);
    bool isEmpty() const { return m_count == 0; }
    std::size_t size() const { return m_count; }
    void clear();
    /// Stops listing `objects` (deleted records about to be freed); a noted delete among them is
    /// kept by id, so the next change set still carries it.
    void release(const std::unordered_set<const KTStoreObject *> &objects);
    /// The ids of released records whose delete is still noted.
    const std::vector<KTObjectID> &releasedDeletions() const { return m_releasedDeletions; }
    /// Calls fn(object, mark) for each marked record, in no particular order.
    template <typename Fn> void forEach(Fn &&fn) const
    {
        for (KTStoreObject *object : m_listed) {
            const KTChangeMark &mark = object->*m_mark;
            if (mark.state != State::None)
                fn(object, mark);
        }
    }

private:
    KTChangeMark &mark(KTStoreObject *object);

    KTChangeMark KTStoreObject::*m_mark;
    std::vector<KTStoreObject *> m_listed;
    std::vector<KTObjectID> m_releasedDeletions;
    std::size_t m_count = 0;
};

/// The records of one entity that a context holds, deleted ones too, found by row. A row is
/// whatever number the store gave, so the records sit in slots of their own and a hash map leads
/// from row to record: memory follows the number of records, not the largest row.
class KTEntityRecords
{
public:
    KTStoreObject *find(qint64 row) const;
    /// Takes the record; one kept under the same row before is replaced.
    KTStoreObject *insert(std::unique_ptr<KTStoreObject> object);
    /// Every record in row order (sorted here when rows came out of order).
    const std::vector<std::unique_ptr<KTStoreObject>> &inRowOrder();
    std::size_t size() const { return m_slots.size(); }
    /// Destroys the records in `objects`.
    void remove(const std::unordered_set<const KTStoreObject *> &objects);

private:
    std::vector<std::unique_ptr<KTStoreObject>> m_slots; // in row order unless m_unsorted
    std::unordered_map<qint64, KTStoreObject *> m_byRow;
    bool m_unsorted = false;
};

enum class KTTracking
{
    Tracked,
    Untracked,
};

struct KTObjectContextState
{
    KTObjectContextState(KTObjectContext *owner, std::shared_ptr<KTObjectStoreShared> shared);

    static QVariant normalized(QVariant value);

    void assertThread() const;
    const KTObjectModel &model() const { return *shared->model; }

    // Records.
    KTStoreObject *registerObject(std::unique_ptr<KTStoreObject> object);
    std::unique_ptr<KTStoreObject> makeObject(const KTEntityDescription &entity, const KTObjectID &id) const;
    KTStoreObject *present(const KTObjectID &id) const;
    KTStoreObject *live(const KTObjectID &id) const;
    KTStoreObject *resolve(const KTObjectID &id);
    QList<KTStoreObject *> resolveAll(const QSet<KTObjectID> &ids);
    QList<KTStoreObject *> candidates(int entity);
    void bumpCounter(const KTObjectID &id);

    // Edits.
    void setValue(KTStoreObject *object, int property, const QVariant &value);
    void setAttribute(KTStoreObject *object, int property, const QVariant &value, KTTracking tracking);
    void setToOne(KTStoreObject *object, int property, const KTObjectID &targetId, KTTracking tracking);
    void deleteObject(KTStoreObject *object);
    void noteInserted(KTStoreObject *object);
    void noteChanged(KTStoreObject *object, int property, const QVariant &oldValue, const QVariant &newValue);
    void fireKeyObservers(KTStoreObject *object, int property, const QVariant &oldValue,
                          const QVariant &newValue);
    void record(KTRecordedChange::Kind kind, KTStoreObject *object, int property = -1,
                const QVariant &oldValue = {}, const QVariant &newValue = {});
    void scheduleFlush();

    // Saves.
    KTChangeSet buildChangeSet() const;
    /// Inserts the records, taking their attribute values out of `records`.
    void insertRecords(std::vector<KTRecordValues> &records, KTTracking tracking);
    /// Applies a child's save; takes the inserted records' values out of `changes`.
    void applyChanges(KTChangeSet &changes);
    KTObjectID linkTarget(const KTPropertyDescription &property, const QVariant &value) const;

    // A child's copy of a parent record (runs on the main thread while the child waits).
    std::unique_ptr<KTStoreObject> copyOf(const KTStoreObject &source) const;

    KTObjectContext *owner;
    std::shared_ptr<KTObjectStoreShared> shared;
    std::weak_ptr<KTObjectContext> parent;

    // Per entity: every record this context holds, deleted ones too.
    std::vector<KTEntityRecords> objectsByEntity;
    KTChangeTracker saveChanges{&KTStoreObject::m_saveMark};

    // Child only.
    QSet<KTObjectID> deletedHere;

    // Main only.
    KTChangeTracker pendingChanges{&KTStoreObject::m_pendingMark};
    bool flushScheduled = false;
    bool processing = false;
    bool releaseRequested = false;
    struct KeyObserver
    {
        quint64 id;
        QVarLengthArray<int, 4> properties;
        std::function<void(const KTValueChange &)> callback;
    };
    std::unordered_map<KTStoreObject *, std::vector<KeyObserver>> keyObservers;
    struct ChangeObserver
    {
        quint64 id;
        std::function<void(const KTObjectsDidChange &)> callback;
    };
    std::vector<ChangeObserver> changeObservers;
    quint64 nextObserverId = 1;
    KTObjectContext::SaveHandler saveHandler;
    std::function<void(const KTRecordedChange &)> undoRecorder;
    int undoDisabled = 0;
};
