#pragma once

#include "KTObjectID.h"

#include <QVariant>

#include <vector>

class KTStoreObject;

/// One value of a record in a change set: the property's index in the record's entity and its
/// value (a to-one relationship as a QVariant holding the target's KTObjectID; nil is invalid).
struct KTPropertyValue
{
    int property = -1;
    QVariant value;
};

/// The values of one record in a change set.
struct KTRecordValues
{
    KTObjectID objectID;
    std::vector<KTPropertyValue> values;
};

/// What a save moves from a context to its parent or to the store.
///  - inserted: every attribute and to-one relationship that is not nil;
///  - updated: only the attributes and to-one relationships the context changed, with their
///    values at save time;
///  - deleted: records that existed before and were deleted.
/// To-many relationships never appear: they follow from the to-one side. Transient attributes
/// appear only among an inserted record's values (so they reach the parent with it); a writer to
/// disk skips them (KTPropertyDescription::isTransient). Each list is ordered by object id.
struct KTChangeSet
{
    std::vector<KTRecordValues> inserted;
    std::vector<KTRecordValues> updated;
    std::vector<KTObjectID> deleted;

    bool isEmpty() const { return inserted.empty() && updated.empty() && deleted.empty(); }
};

/// What the main context reports to its objects-did-change observers: the records inserted,
/// updated and deleted since the last report, each list ordered by object id.
/// Inserted-then-updated records are reported as inserted only, updated-then-deleted ones as
/// deleted only, and inserted-then-deleted ones not at all.
struct KTObjectsDidChange
{
    QList<KTStoreObject *> inserted;
    QList<KTStoreObject *> updated;
    QList<KTStoreObject *> deleted;

    bool isEmpty() const { return inserted.isEmpty() && updated.isEmpty() && deleted.isEmpty(); }
};

/// A change of one key of one record, as key observers receive it.
struct KTValueChange
{
    KTStoreObject *object = nullptr;
    int property = -1;
    QVariant oldValue; // attributes and to-one relationships only; invalid for to-many
    QVariant newValue;
};

/// One step of the main context's history, as the undo recorder receives it (see
/// KTObjectContext::setUndoRecorder). Updated: one attribute or to-one relationship changed from
/// oldValue to newValue. Inserted: the record was inserted. Deleted: the record was deleted; it
/// stays readable with its last values, relationships included, and the nullified links of the
/// records that pointed at it were each recorded as an Updated step just before.
struct KTRecordedChange
{
    enum class Kind
    {
        Inserted,
        Updated,
        Deleted,
    };
    Kind kind = Kind::Updated;
    KTStoreObject *object = nullptr;
    int property = -1;
    QVariant oldValue;
    QVariant newValue;
};
