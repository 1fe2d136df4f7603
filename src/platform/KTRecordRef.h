#pragma once

#include "KTObjectID.h"
#include "KTStoreObject.h"

#include <QList>

#include <memory>

/// A handle to one record that answers null once the record is gone: what a holder keeps when it
/// keeps a record across an event-loop turn (a view's record, a mode's selection, a list of the
/// records on screen). A raw record pointer is for the length of one call only.
///
/// What it answers:
/// - the record, while it lives in its context;
/// - null while the record is deleted (an undo that brings the record back brings it back here
///   too: the handle follows the record object, not a snapshot);
/// - null for ever once the record is freed: destroyed with its context, or freed by
///   KTObjectContext::releaseDeletedObjects(), as happens after a session was cleared (every
///   record of the cleared session was deleted first, so its handles answered null already).
/// The record's id stays readable after it is gone, to find a record of the same id elsewhere.
///
/// It costs a pointer and a shared pointer (24 bytes); a copy is one atomic increment, a look-up
/// three loads. Reading one needs only a declaration of T; making one needs its definition.
/// The record and its handles share a small anchor, made by the first handle of the record;
/// records nobody holds a handle to carry none.
///
/// Comparisons go through the live pointer (a handle converts to T *): two handles of gone
/// records compare equal, as two nulls. Key sets and maps by KTObjectID, not by handle.
///
/// Threading: use a handle where its record may be used (the main thread for records of the main
/// context); copying and destroying one is safe anywhere.
template <typename T> class KTRecordRef
{
public:
    KTRecordRef() = default;
    /// A handle to `record` (may be null: then the handle is null).
    KTRecordRef(T *record)
        : m_record(record), m_anchor(record ? static_cast<const KTStoreObject *>(record)->anchor() : nullptr)
    {}

    /// The record, or null when there is none, or it is deleted or freed.
    T *get() const
    {
        const KTStoreObject *record = m_anchor ? m_anchor->record : nullptr;
        return record && !record->isDeleted() ? m_record : nullptr;
    }
    operator T *() const { return get(); }
    /// The record; a gone record asserts (check first when it may be gone).
    T *operator->() const
    {
        T *record = get();
        Q_ASSERT_X(record, "KTRecordRef", "The record is deleted or freed.");
        return record;
    }
    /// The id of the record the handle was made for (null for a null handle), also once gone.
    KTObjectID id() const { return m_anchor ? m_anchor->id : KTObjectID(); }
    /// True when the handle was made for a record that is now deleted or freed.
    bool isGone() const { return m_anchor && !get(); }
    /// Lets go of the record.
    void reset()
    {
        m_record = nullptr;
        m_anchor.reset();
    }

private:
    // Kept beside the anchor so that reading needs only a declaration of T; it is answered only
    // while the anchor says the record lives.
    T *m_record = nullptr;
    std::shared_ptr<KTRecordAnchor> m_anchor;
};

/// A list of records kept across event-loop turns: records() answers the live ones in order,
/// leaving out those deleted or freed since. The answer is cached and rebuilt only after some
/// record was deleted, brought back or freed (KTStoreObject::lifetimeEpoch()), so reading the list
/// of an unchanged session costs a copy of an implicitly shared QList.
///
/// A list made from a QList of live records answers that very QList (same constData()) until
/// some record goes.
///
/// Indexes into records() are indexes of the live records: a holder that keeps indexes beside
/// the list rebuilds them when it hears of the deletes, as it did before.
///
/// Threading: as KTRecordRef.
template <typename T> class KTRecordList
{
public:
    KTRecordList() = default;
    KTRecordList(const QList<T *> &records) { assign(records); }
    KTRecordList &operator=(const QList<T *> &records)
    {
        assign(records);
        return *this;
    }

    /// The live records, in the order they were given.
    QList<T *> records() const
    {
        const quint64 epoch = KTStoreObject::lifetimeEpoch();
        if (epoch != m_epoch) {
            m_live.clear();
            m_live.reserve(m_refs.size());
            for (const KTRecordRef<T> &ref : m_refs)
                if (T *record = ref.get())
                    m_live.append(record);
            m_epoch = epoch;
        }
        return m_live;
    }
    operator QList<T *>() const { return records(); }
    qsizetype size() const { return records().size(); }
    bool isEmpty() const { return records().isEmpty(); }
    void clear() { assign({}); }
    /// Adds `record` at the end (a null or deleted one is left out).
    void append(T *record)
    {
        if (!record || static_cast<const KTStoreObject *>(record)->isDeleted())
            return;
        m_refs.append(KTRecordRef<T>(record));
        // A cache already out of date is rebuilt from the handles at the next read.
        if (m_epoch == KTStoreObject::lifetimeEpoch())
            m_live.append(record);
    }

private:
    void assign(const QList<T *> &records)
    {
        m_refs.clear();
        m_refs.reserve(records.size());
        bool allLive = true;
        for (T *record : records) {
            if (!record || static_cast<const KTStoreObject *>(record)->isDeleted()) {
                allLive = false;
                continue;
            }
            m_refs.append(KTRecordRef<T>(record));
        }
        // Sharing the given list keeps its identity (constData()) for holders that compare it.
        if (allLive) {
            m_live = records;
        } else {
            m_live.clear();
            for (const KTRecordRef<T> &ref : std::as_const(m_refs))
                m_live.append(ref.get());
        }
        m_epoch = KTStoreObject::lifetimeEpoch();
    }

    QList<KTRecordRef<T>> m_refs;
    mutable QList<T *> m_live;
    mutable quint64 m_epoch = 0;
};

/// Handles to `records`, in order: for holders whose indexes must stay put (a gone record reads
/// as null in its place, see recordPointers()).
template <typename T> QList<KTRecordRef<T>> makeRecordRefs(const QList<T *> &records)
{
    QList<KTRecordRef<T>> refs;
    refs.reserve(records.size());
    for (T *record : records)
        refs.append(KTRecordRef<T>(record));
    return refs;
}

/// The records of `refs` for the length of a call, in order, with null where a record is gone.
template <typename T> QList<T *> recordPointers(const QList<KTRecordRef<T>> &refs)
{
    QList<T *> records;
    records.reserve(refs.size());
    for (const KTRecordRef<T> &ref : refs)
        records.append(ref.get());
    return records;
}
