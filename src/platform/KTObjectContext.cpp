#include "KTObjectContext.h"

#include "KTConcurrentQueue.h"
#include "KTDispatch.h"
#include "KTObjectContextState.h"
#include "KTSerialQueue.h"
#include "KTSortDescriptor.h"
#include "KTStoreObject.h"

#include <QDateTime>
#include <QDebug>

#include <algorithm>
#include <unordered_set>

namespace {

// Rounds of change reports one processPendingChanges() delivers before it gives up on an
// observer that keeps editing.
constexpr int kMaxChangeRounds = 100;

KTObjectID idOf(const QVariant &value)
{
    return value.isValid() ? value.value<KTObjectID>() : KTObjectID();
}

QVariant variantOf(const KTObjectID &id)
{
    return id.isNull() ? QVariant() : QVariant::fromValue(id);
}

bool byId(const KTStoreObject *a, const KTStoreObject *b)
{
    return a->objectID() < b->objectID();
}

bool isPersistentValue(const KTPropertyDescription &property)
{
    return property.isAttribute() || property.isToOne();
}

} // namespace

// ---------------------------------------------------------------------------------------------
// KTChangeTracker

KTChangeMark &KTChangeTracker::mark(KTStoreObject *object)
{
    KTChangeMark &m = object->*m_mark;
    if (!m.listed) {
        m.listed = true;
        m_listed.push_back(object);
    }
    return m;
}

void KTChangeTracker::noteInserted(KTStoreObject *object)
{
    KTChangeMark &m = mark(object);
    if (m.state == State::None)
        ++m_count;
    m.state = State::Inserted;
    m.properties = 0;
}

void KTChangeTracker::noteUpdated(KTStoreObject *object, int property)
{
    KTChangeMark &m = object->*m_mark;
    if (m.state == State::Inserted || m.state == State::Deleted)
        return;
    if (m.state == State::None) {
        mark(object);
        m.state = State::Updated;
        ++m_count;
    }
    m.properties |= quint64(1) << property;
}

void KTChangeTracker::noteDeleted(KTStoreObject *object)
{
    KTChangeMark &m = mark(object);
    if (m.state == State::Inserted) {
        // Inserted and deleted since the last point: nothing happened.
        m.state = State::None;
        --m_count;
        return;
    }
    if (m.state == State::None)
        ++m_count;
    m.state = State::Deleted;
    m.properties = 0;
}

void KTChangeTracker::noteUndeleted(KTStoreObject *object, quint64 properties)
{
    KTChangeMark &m = mark(object);
    if (m.state == State::Deleted) {
        m.state = State::Updated;
        m.properties = properties;
    } else if (m.state == State::None) {
        ++m_count;
        m.state = State::Inserted;
        m.properties = 0;
    }
}

void KTChangeTracker::clear()
{
    for (KTStoreObject *object : m_listed)
        object->*m_mark = KTChangeMark();
    m_listed.clear();
    m_releasedDeletions.clear();
    m_count = 0;
}

void KTChangeTracker::release(const std::unordered_set<const KTStoreObject *> &objects)
{
    std::erase_if(m_listed, [&](KTStoreObject *object) {
        if (!objects.contains(object))
            return false;
        // A deleted record's mark is Deleted or, when it was inserted since the last point, None;
        // the count keeps counting a delete through its id.
        if ((object->*m_mark).state == State::Deleted)
            m_releasedDeletions.push_back(object->objectID());
        object->*m_mark = KTChangeMark();
        return true;
    });
}

// ---------------------------------------------------------------------------------------------
// KTEntityRecords

KTStoreObject *KTEntityRecords::find(qint64 row) const
{
    const auto it = m_byRow.find(row);
    return it == m_byRow.end() ? nullptr : it->second;
}

KTStoreObject *KTEntityRecords::insert(std::unique_ptr<KTStoreObject> object)
{
    KTStoreObject *raw = object.get();
    const qint64 row = raw->objectID().row;
    const auto [it, added] = m_byRow.try_emplace(row, raw);
    if (!added) {
        const auto slot = std::find_if(m_slots.begin(), m_slots.end(),
                                       [old = it->second](const auto &kept) { return kept.get() == old; });
        *slot = std::move(object);
        it->second = raw;
        return raw;
    }
    // Records mostly come in row order (a store's rows, then new ones), which keeps the slots
    // sorted without sorting.
    if (!m_slots.empty() && m_slots.back()->objectID().row > row)
        m_unsorted = true;
    m_slots.push_back(std::move(object));
    return raw;
}

void KTEntityRecords::remove(const std::unordered_set<const KTStoreObject *> &objects)
{
    std::erase_if(m_slots, [&](const std::unique_ptr<KTStoreObject> &object) {
        if (!objects.contains(object.get()))
            return false;
        m_byRow.erase(object->objectID().row);
        return true;
    });
}

const std::vector<std::unique_ptr<KTStoreObject>> &KTEntityRecords::inRowOrder()
{
    if (m_unsorted) {
        std::sort(m_slots.begin(), m_slots.end(),
                  [](const auto &a, const auto &b) { return a->objectID().row < b->objectID().row; });
        m_unsorted = false;
    }
    return m_slots;
}

// ---------------------------------------------------------------------------------------------
// KTObjectContextState

KTObjectContextState::KTObjectContextState(KTObjectContext *o, std::shared_ptr<KTObjectStoreShared> s)
    : owner(o), shared(std::move(s)), objectsByEntity(std::size_t(shared->model->entityCount()))
{}

QVariant KTObjectContextState::normalized(QVariant value)
{
    // Null strings, invalid dates and null data are nil, so there is one nil. Dates are kept in
    // UTC: comparing local times converts through the time-zone database on every comparison.
    bool isNil = false;
    switch (value.typeId()) {
    case QMetaType::QString:
        isNil = static_cast<const QString *>(value.constData())->isNull();
        break;
    case QMetaType::QDateTime: {
        const QDateTime &date = *static_cast<const QDateTime *>(value.constData());
        if (date.isValid() && date.timeSpec() != Qt::UTC)
            return QVariant(date.toUTC());
        isNil = !date.isValid();
        break;
    }
    case QMetaType::QByteArray:
        isNil = static_cast<const QByteArray *>(value.constData())->isNull();
        break;
    default:
        break;
    }
    if (isNil)
        return QVariant();
    return value;
}

void KTObjectContextState::assertThread() const
{
    if (owner->isMainContext())
        Q_ASSERT_X(isMainThread(), "KTObjectContext",
                   "Managed object context should be used only on main thread.");
    else
        Q_ASSERT_X(owner->m_queue->isCurrent(), "KTObjectContext",
                   "A private-queue context must be used inside its perform blocks.");
}

std::unique_ptr<KTStoreObject> KTObjectContextState::makeObject(const KTEntityDescription &entity,
                                                                const KTObjectID &id) const
{
    std::unique_ptr<KTStoreObject> object = entity.makeObject();
    object->m_entity = &entity;
    object->m_id = id;
    object->m_values.resize(entity.properties().size());
    object->m_toMany.resize(std::size_t(entity.toManyCount()));
    return object;
}

KTStoreObject *KTObjectContextState::registerObject(std::unique_ptr<KTStoreObject> object)
{
    KTStoreObject *raw = object.get();
    raw->m_context = owner;
    return objectsByEntity[std::size_t(raw->m_id.entity)].insert(std::move(object));
}

KTStoreObject *KTObjectContextState::present(const KTObjectID &id) const
{
    if (id.entity < 0 || std::size_t(id.entity) >= objectsByEntity.size() || id.row <= 0)
        return nullptr;
    return objectsByEntity[std::size_t(id.entity)].find(id.row);
}

KTStoreObject *KTObjectContextState::live(const KTObjectID &id) const
{
    KTStoreObject *object = present(id);
    return object && !object->m_deleted ? object : nullptr;
}

void KTObjectContextState::bumpCounter(const KTObjectID &id)
{
    shared->numbering[std::size_t(id.entity)].note(id.row);
}

std::unique_ptr<KTStoreObject> KTObjectContextState::copyOf(const KTStoreObject &source) const
{
    std::unique_ptr<KTStoreObject> copy = makeObject(*source.m_entity, source.m_id);
    copy->m_values = source.m_values;
    copy->m_toMany = source.m_toMany;
    // Links to records this child deleted read as nil here; the parent still has them until
    // the child saves.
    if (!deletedHere.isEmpty()) {
        for (const KTPropertyDescription &property : source.m_entity->properties()) {
            QVariant &value = copy->m_values[std::size_t(property.index)];
            if (property.isToOne() && deletedHere.contains(idOf(value)))
                value = QVariant();
        }
        for (QSet<KTObjectID> &members : copy->m_toMany)
            members.removeIf([this](const KTObjectID &id) { return deletedHere.contains(id); });
    }
    return copy;
}

KTStoreObject *KTObjectContextState::resolve(const KTObjectID &id)
{
    if (id.isNull())
        return nullptr;
    if (KTStoreObject *object = present(id))
        return object;
    if (owner->isMainContext())
        return nullptr;
    std::unique_ptr<KTStoreObject> copy;
    runOnMainSync([&] {
        if (auto parentContext = parent.lock()) {
            if (KTStoreObject *source = parentContext->d->live(id))
                copy = copyOf(*source);
        }
    });
    return copy ? registerObject(std::move(copy)) : nullptr;
}

QList<KTStoreObject *> KTObjectContextState::resolveAll(const QSet<KTObjectID> &ids)
{
    QList<KTStoreObject *> result;
    result.reserve(ids.size());
    QList<KTObjectID> missing;
    for (const KTObjectID &id : ids) {
        if (KTStoreObject *object = present(id))
            result.append(object);
        else
            missing.append(id);
    }
    if (!missing.isEmpty() && !owner->isMainContext()) {
        // One trip to the main thread for all of them, not one per member.
        std::vector<std::unique_ptr<KTStoreObject>> copies;
        runOnMainSync([&] {
            if (auto parentContext = parent.lock()) {
                for (const KTObjectID &id : missing)
                    if (KTStoreObject *source = parentContext->d->live(id))
                        copies.push_back(copyOf(*source));
            }
        });
        for (auto &copy : copies)
            result.append(registerObject(std::move(copy)));
    }
    std::sort(result.begin(), result.end(), byId);
    return result;
}

QList<KTStoreObject *> KTObjectContextState::candidates(int entity)
{
    KTEntityRecords &records = objectsByEntity[std::size_t(entity)];
    QList<KTStoreObject *> result;
    if (owner->isMainContext()) {
        result.reserve(qsizetype(records.size()));
        for (const auto &object : records.inRowOrder())
            if (!object->m_deleted)
                result.append(object.get());
        return result;
    }
    std::vector<std::unique_ptr<KTStoreObject>> copies;
    std::unordered_set<qint64> parentRows;
    runOnMainSync([&] {
        auto parentContext = parent.lock();
        if (!parentContext)
            return;
        KTEntityRecords &recordsThere = parentContext->d->objectsByEntity[std::size_t(entity)];
        parentRows.reserve(recordsThere.size());
        for (const auto &source : recordsThere.inRowOrder()) {
            if (source->m_deleted)
                continue;
            parentRows.insert(source->m_id.row);
            if (!present(source->m_id) && !deletedHere.contains(source->m_id))
                copies.push_back(copyOf(*source));
        }
    });
    for (auto &copy : copies)
        registerObject(std::move(copy));
    result.reserve(qsizetype(records.size()));
    for (const auto &object : records.inRowOrder()) {
        if (object->m_deleted)
            continue;
        // Records inserted here and not yet saved are unknown to the parent.
        if (parentRows.contains(object->m_id.row) ||
            object->m_saveMark.state == KTChangeMark::State::Inserted)
            result.append(object.get());
    }
    return result;
}

void KTObjectContextState::setValue(KTStoreObject *object, int property, const QVariant &value)
{
    Q_ASSERT(object->m_context == owner);
    if (object->m_deleted) {
        qWarning().noquote() << "KTObjectContext: ignored a change of"
                             << object->m_entity->property(property).name << "on a deleted record"
                             << object->m_id.toString();
        return;
    }
    const KTPropertyDescription &description = object->m_entity->property(property);
    if (description.isAttribute()) {
        setAttribute(object, property, value, KTTracking::Tracked);
    } else if (description.isToOne()) {
        setToOne(object, property, idOf(value), KTTracking::Tracked);
    } else {
        Q_ASSERT_X(false, "KTStoreObject::setValue",
                   "A to-many relationship is changed through its to-one side.");
    }
}

void KTObjectContextState::setAttribute(KTStoreObject *object, int property, const QVariant &value,
                                        KTTracking tracking)
{
    QVariant newValue = normalized(value);
    QVariant &slot = object->m_values[std::size_t(property)];
    if (KTSortDescriptor::valuesEqual(slot, newValue))
        return;
    const QVariant oldValue = std::exchange(slot, std::move(newValue));
    if (tracking == KTTracking::Untracked)
        return;
    if (!object->m_entity->property(property).isTransient())
        noteChanged(object, property, oldValue, slot);
    fireKeyObservers(object, property, oldValue, slot);
}

void KTObjectContextState::setToOne(KTStoreObject *object, int property, const KTObjectID &targetId,
                                    KTTracking tracking)
{
    const KTPropertyDescription &description = object->m_entity->property(property);
    QVariant &slot = object->m_values[std::size_t(property)];
    const KTObjectID oldId = idOf(slot);
    if (oldId == targetId)
        return;
    KTStoreObject *newTarget = nullptr;
    if (!targetId.isNull()) {
        newTarget = resolve(targetId);
        if (!newTarget || newTarget->m_deleted || targetId.entity != description.destination) {
            qWarning().noquote() << "KTObjectContext: ignored a link of" << description.name << "to"
                                 << (newTarget && !newTarget->m_deleted ? "a record of another entity"
                                                                        : "a missing or deleted record")
                                 << targetId.toString();
            return;
        }
    }
    KTStoreObject *oldTarget = resolve(oldId);
    if (oldTarget && oldTarget->m_deleted)
        oldTarget = nullptr;
    const QVariant oldValue = slot;
    slot = variantOf(targetId);
    const int inverse = description.inverse;
    const int slotIndex = model().entity(description.destination).property(inverse).toManySlot;
    if (oldTarget)
        oldTarget->m_toMany[std::size_t(slotIndex)].remove(object->m_id);
    if (newTarget)
        newTarget->m_toMany[std::size_t(slotIndex)].insert(object->m_id);
    if (tracking == KTTracking::Untracked)
        return;
    noteChanged(object, property, oldValue, slot);
    if (oldTarget)
        noteChanged(oldTarget, inverse, {}, {});
    if (newTarget)
        noteChanged(newTarget, inverse, {}, {});
    fireKeyObservers(object, property, oldValue, slot);
    if (oldTarget)
        fireKeyObservers(oldTarget, inverse, {}, {});
    if (newTarget)
        fireKeyObservers(newTarget, inverse, {}, {});
}

void KTObjectContextState::deleteObject(KTStoreObject *object)
{
    if (!object || object->m_deleted)
        return;
    Q_ASSERT(object->m_context == owner);
    object->prepareForDeletion();
    const bool isMain = owner->isMainContext();
    for (const KTPropertyDescription &property : object->m_entity->properties()) {
        if (property.isToOne()) {
            KTStoreObject *target = present(idOf(object->m_values[std::size_t(property.index)]));
            if (!target || target->m_deleted)
                continue;
            const int slotIndex = target->m_entity->property(property.inverse).toManySlot;
            target->m_toMany[std::size_t(slotIndex)].remove(object->m_id);
            if (isMain) {
                noteChanged(target, property.inverse, {}, {});
                fireKeyObservers(target, property.inverse, {}, {});
            }
        } else if (property.isToMany()) {
            // The record keeps its members as its last value; each member loses its link. In a
            // child only the members it already holds need it: copies made later skip the link.
            const QSet<KTObjectID> members = object->m_toMany[std::size_t(property.toManySlot)];
            QList<KTStoreObject *> ordered;
            for (const KTObjectID &id : members)
                if (KTStoreObject *member = present(id))
                    ordered.append(member);
            std::sort(ordered.begin(), ordered.end(), byId);
            for (KTStoreObject *member : ordered) {
                QVariant &link = member->m_values[std::size_t(property.inverse)];
                if (member->m_deleted || idOf(link) != object->m_id)
                    continue;
                const QVariant oldValue = std::exchange(link, QVariant());
                if (isMain) {
                    noteChanged(member, property.inverse, oldValue, {});
                    fireKeyObservers(member, property.inverse, oldValue, {});
                }
            }
        }
    }
    object->m_deleted = true;
    KTStoreObject::noteLifetimeChange();
    saveChanges.noteDeleted(object);
    if (isMain) {
        pendingChanges.noteDeleted(object);
        record(KTRecordedChange::Kind::Deleted, object);
        scheduleFlush();
    } else {
        deletedHere.insert(object->m_id);
    }
}

void KTObjectContextState::noteInserted(KTStoreObject *object)
{
    saveChanges.noteInserted(object);
    if (owner->isMainContext()) {
        pendingChanges.noteInserted(object);
        record(KTRecordedChange::Kind::Inserted, object);
        scheduleFlush();
    }
}

void KTObjectContextState::noteChanged(KTStoreObject *object, int property, const QVariant &oldValue,
                                       const QVariant &newValue)
{
    saveChanges.noteUpdated(object, property);
    if (!owner->isMainContext())
        return;
    pendingChanges.noteUpdated(object, property);
    if (isPersistentValue(object->m_entity->property(property)))
        record(KTRecordedChange::Kind::Updated, object, property, oldValue, newValue);
    scheduleFlush();
}

void KTObjectContextState::fireKeyObservers(KTStoreObject *object, int property, const QVariant &oldValue,
                                            const QVariant &newValue)
{
    if (keyObservers.empty())
        return;
    auto it = keyObservers.find(object);
    if (it == keyObservers.end())
        return;
    // Observers may add or remove observers: call a snapshot, skipping the ones removed since.
    std::vector<std::pair<quint64, std::function<void(const KTValueChange &)>>> calls;
    for (const KeyObserver &observer : it->second)
        if (observer.properties.contains(property))
            calls.emplace_back(observer.id, observer.callback);
    const KTValueChange change{object, property, oldValue, newValue};
    for (const auto &[id, callback] : calls) {
        auto current = keyObservers.find(object);
        if (current == keyObservers.end())
            return;
        const bool registered = std::any_of(current->second.begin(), current->second.end(),
                                            [id = id](const KeyObserver &o) { return o.id == id; });
        if (registered)
            callback(change);
    }
}

void KTObjectContextState::record(KTRecordedChange::Kind kind, KTStoreObject *object, int property,
                                  const QVariant &oldValue, const QVariant &newValue)
{
    if (undoDisabled > 0 || !undoRecorder)
        return;
    undoRecorder(KTRecordedChange{kind, object, property, oldValue, newValue});
}

void KTObjectContextState::scheduleFlush()
{
    if (flushScheduled)
        return;
    flushScheduled = true;
    // The end of the current event: a job queued behind everything already waiting.
    postToMain([weak = owner->weak_from_this()] {
        if (auto context = weak.lock()) {
            context->d->flushScheduled = false;
            context->processPendingChanges();
        }
    });
}

KTChangeSet KTObjectContextState::buildChangeSet() const
{
    KTChangeSet changes;
    saveChanges.forEach([&](KTStoreObject *object, const KTChangeMark &mark) {
        switch (mark.state) {
        case KTChangeMark::State::Inserted: {
            KTRecordValues record{object->m_id, {}};
            record.values.reserve(object->m_values.size());
            for (const KTPropertyDescription &property : object->m_entity->properties()) {
                const QVariant &value = object->m_values[std::size_t(property.index)];
                if (isPersistentValue(property) && value.isValid())
                    record.values.push_back({property.index, value});
            }
            changes.inserted.push_back(std::move(record));
            break;
        }
        case KTChangeMark::State::Updated: {
            KTRecordValues record{object->m_id, {}};
            for (const KTPropertyDescription &property : object->m_entity->properties()) {
                if (isPersistentValue(property) && (mark.properties & (quint64(1) << property.index)))
                    record.values.push_back({property.index, object->m_values[std::size_t(property.index)]});
            }
            if (!record.values.empty())
                changes.updated.push_back(std::move(record));
            break;
        }
        case KTChangeMark::State::Deleted:
            changes.deleted.push_back(object->m_id);
            break;
        case KTChangeMark::State::None:
            break;
        }
    });
    changes.deleted.insert(changes.deleted.end(), saveChanges.releasedDeletions().cbegin(),
                           saveChanges.releasedDeletions().cend());
    const auto recordOrder = [](const KTRecordValues &a, const KTRecordValues &b) {
        return a.objectID < b.objectID;
    };
    std::sort(changes.inserted.begin(), changes.inserted.end(), recordOrder);
    std::sort(changes.updated.begin(), changes.updated.end(), recordOrder);
    std::sort(changes.deleted.begin(), changes.deleted.end());
    return changes;
}

KTObjectID KTObjectContextState::linkTarget(const KTPropertyDescription &property,
                                            const QVariant &value) const
{
    const KTObjectID id = idOf(value);
    if (id.isNull())
        return {};
    if (id.entity != property.destination || !live(id)) {
        qWarning().noquote() << "KTObjectContext: the link" << property.name << "to" << id.toString()
                             << "was dropped: the record was deleted or is unknown here.";
        return {};
    }
    return id;
}

void KTObjectContextState::insertRecords(std::vector<KTRecordValues> &records, KTTracking tracking)
{
    std::vector<std::pair<KTStoreObject *, const KTRecordValues *>> made;
    made.reserve(records.size());
    for (KTRecordValues &record : records) {
        const KTObjectID &id = record.objectID;
        if (id.row <= 0 || id.entity < 0 || id.entity >= model().entityCount() || present(id)) {
            qWarning().noquote() << "KTObjectContext: skipped an insert of" << id.toString()
                                 << "(invalid or already known).";
            continue;
        }
        KTStoreObject *object = registerObject(makeObject(model().entity(id.entity), id));
        bumpCounter(id);
        // Attribute values are moved: the records are the caller's to give away.
        for (KTPropertyValue &value : record.values)
            if (object->m_entity->property(value.property).isAttribute())
                object->m_values[std::size_t(value.property)] =
                    normalized(std::exchange(value.value, QVariant()));
        if (tracking == KTTracking::Tracked)
            noteInserted(object);
        made.emplace_back(object, &record);
    }
    // Links last, so records of the same batch can point at each other.
    for (const auto &[object, record] : made) {
        for (const KTPropertyValue &value : record->values) {
            const KTPropertyDescription &property = object->m_entity->property(value.property);
            if (property.isToOne())
                setToOne(object, value.property, linkTarget(property, value.value), tracking);
        }
    }
}

void KTObjectContextState::applyChanges(KTChangeSet &changes)
{
    insertRecords(changes.inserted, KTTracking::Tracked);
    for (const KTRecordValues &record : changes.updated) {
        KTStoreObject *object = live(record.objectID);
        if (!object) {
            // The parent's delete wins over the child's change.
            qWarning().noquote() << "KTObjectContext: dropped a child's change of record"
                                 << record.objectID.toString() << "which was deleted meanwhile.";
            continue;
        }
        for (const KTPropertyValue &value : record.values) {
            const KTPropertyDescription &property = object->m_entity->property(value.property);
            if (property.isAttribute())
                setAttribute(object, value.property, value.value, KTTracking::Tracked);
            else if (property.isToOne())
                setToOne(object, value.property, linkTarget(property, value.value), KTTracking::Tracked);
        }
    }
    for (const KTObjectID &id : changes.deleted)
        deleteObject(live(id));
}

// ---------------------------------------------------------------------------------------------
// KTObjectContext

KTObjectContext::KTObjectContext(bool isMain) : m_isMain(isMain) {}

KTObjectContext::~KTObjectContext()
{
    // The queue goes first (declared last): its jobs may still use the records.
    m_queue.reset();
}

std::shared_ptr<KTObjectContext> KTObjectContext::makeMainContext(std::shared_ptr<const KTObjectModel> model)
{
    Q_ASSERT_X(isMainThread(), "KTObjectContext",
               "Managed object context should be used only on main thread.");
    std::shared_ptr<KTObjectContext> context(new KTObjectContext(true));
    context->d =
        std::make_unique<KTObjectContextState>(context.get(), std::make_shared<KTObjectStoreShared>(model));
    return context;
}

std::shared_ptr<KTObjectContext>
KTObjectContext::makeChildContext(const std::shared_ptr<KTObjectContext> &parent)
{
    Q_ASSERT_X(parent && parent->isMainContext(), "KTObjectContext",
               "A child context needs a main context as parent.");
    std::shared_ptr<KTObjectContext> context(new KTObjectContext(false));
    context->d = std::make_unique<KTObjectContextState>(context.get(), parent->d->shared);
    context->d->parent = parent;
    context->m_queue = std::make_unique<KTSerialQueue>(QStringLiteral("KTObjectContext child"));
    return context;
}

const KTObjectModel &KTObjectContext::model() const
{
    return d->model();
}

void KTObjectContext::perform(std::function<void()> block)
{
    Q_ASSERT_X(!m_isMain, "KTObjectContext::perform",
               "The main context is used directly on the main thread.");
    m_queue->async([self = shared_from_this(), block = std::move(block)]() mutable {
        block();
        block = nullptr;
        // The last reference must not die on the context's own queue (a queue cannot be
        // destroyed from one of its jobs), nor on the main thread (destroying the queue waits
        // for its thread to come back to the pool): it goes to the concurrent pool.
        KTConcurrentQueue::global().async([keep = std::move(self)]() mutable { keep.reset(); });
    });
}

void KTObjectContext::performAndWait(const std::function<void()> &block)
{
    Q_ASSERT_X(!m_isMain, "KTObjectContext::performAndWait",
               "The main context is used directly on the main thread.");
    Q_ASSERT_X(!isMainThread(), "KTObjectContext::performAndWait",
               "The main thread must not wait for a child context: the child may need the main thread.");
    std::shared_ptr<KTObjectContext> self = shared_from_this();
    m_queue->sync(block);
}

KTStoreObject *KTObjectContext::insertObject(const QString &entityName)
{
    d->assertThread();
    const KTEntityDescription *entity = d->model().entity(entityName);
    Q_ASSERT_X(entity, "KTObjectContext::insertObject",
               qPrintable(QStringLiteral("Unknown entity %1").arg(entityName)));
    if (!entity)
        return nullptr;
    const std::optional<qint64> row = d->shared->numbering[std::size_t(entity->index())].next();
    if (!row) {
        qWarning().noquote() << "KTObjectContext: no row is left for a new" << entityName << "record.";
        return nullptr;
    }
    KTStoreObject *object = d->registerObject(d->makeObject(*entity, KTObjectID{entity->index(), *row}));
    d->noteInserted(object);
    object->awakeFromInsert();
    return object;
}

void KTObjectContext::deleteObject(KTStoreObject *object)
{
    d->assertThread();
    d->deleteObject(object);
}

KTStoreObject *KTObjectContext::objectWithId(const KTObjectID &id)
{
    d->assertThread();
    if (id.isNull() || id.entity < 0 || id.entity >= d->model().entityCount())
        return nullptr;
    KTStoreObject *object = d->resolve(id);
    return object && !object->isDeleted() ? object : nullptr;
}

QList<KTStoreObject *> KTObjectContext::fetch(const KTFetchRequest &request)
{
    d->assertThread();
    const KTEntityDescription *entity = d->model().entity(request.entityName);
    Q_ASSERT_X(entity, "KTObjectContext::fetch",
               qPrintable(QStringLiteral("Unknown entity %1").arg(request.entityName)));
    if (!entity)
        return {};
    QList<KTStoreObject *> result = d->candidates(entity->index());
    result.removeIf([&](KTStoreObject *object) { return !request.predicate.evaluate(*object); });
    if (!request.sortDescriptors.isEmpty())
        KTSortDescriptor::sortObjects(result, request.sortDescriptors);
    return result;
}

qsizetype KTObjectContext::count(const KTFetchRequest &request)
{
    KTFetchRequest unsorted = request;
    unsorted.sortDescriptors.clear();
    return fetch(unsorted).size();
}

bool KTObjectContext::hasChanges() const
{
    d->assertThread();
    return !d->saveChanges.isEmpty();
}

bool KTObjectContext::save(QString *errorMessage)
{
    d->assertThread();
    if (m_isMain) {
        processPendingChanges();
        if (d->saveChanges.isEmpty())
            return true;
        if (d->saveHandler) {
            QString error;
            if (!d->saveHandler(d->buildChangeSet(), &error)) {
                if (errorMessage)
                    *errorMessage = error;
                return false;
            }
        }
        d->saveChanges.clear();
        return true;
    }
    if (d->saveChanges.isEmpty())
        return true;
    KTChangeSet changes = d->buildChangeSet();
    bool applied = changes.isEmpty();
    if (!applied) {
        runOnMainSync([&] {
            auto parent = d->parent.lock();
            if (!parent)
                return;
            // A background job's work is not an edit of the user's: it is not undoable.
            ++parent->d->undoDisabled;
            parent->d->applyChanges(changes);
            --parent->d->undoDisabled;
            parent->processPendingChanges();
            applied = true;
        });
    }
    if (!applied) {
        if (errorMessage)
            *errorMessage = QStringLiteral("The parent context no longer exists.");
        return false;
    }
    d->saveChanges.clear();
    return true;
}

void KTObjectContext::processPendingChanges()
{
    d->assertThread();
    if (!m_isMain || d->processing)
        return;
    d->processing = true;
    for (int round = 0; !d->pendingChanges.isEmpty(); ++round) {
        if (round == kMaxChangeRounds) {
            qWarning().noquote() << "KTObjectContext: change observers kept editing for" << kMaxChangeRounds
                                 << "rounds;" << d->pendingChanges.size() << "changed records stay pending.";
            break;
        }
        KTObjectsDidChange report;
        d->pendingChanges.forEach([&](KTStoreObject *object, const KTChangeMark &mark) {
            switch (mark.state) {
            case KTChangeMark::State::Inserted:
                report.inserted.append(object);
                break;
            case KTChangeMark::State::Updated:
                report.updated.append(object);
                break;
            case KTChangeMark::State::Deleted:
                report.deleted.append(object);
                break;
            case KTChangeMark::State::None:
                break;
            }
        });
        d->pendingChanges.clear();
        std::sort(report.inserted.begin(), report.inserted.end(), byId);
        std::sort(report.updated.begin(), report.updated.end(), byId);
        std::sort(report.deleted.begin(), report.deleted.end(), byId);
        const auto observers = d->changeObservers;
        for (const auto &observer : observers) {
            const bool registered = std::any_of(d->changeObservers.begin(), d->changeObservers.end(),
                                                [&](const auto &o) { return o.id == observer.id; });
            if (registered)
                observer.callback(report);
        }
    }
    d->processing = false;
    if (std::exchange(d->releaseRequested, false))
        releaseDeletedObjects();
}

KTObservationToken
KTObjectContext::addObjectsDidChangeObserver(std::function<void(const KTObjectsDidChange &)> callback)
{
    d->assertThread();
    Q_ASSERT(m_isMain);
    const quint64 id = d->nextObserverId++;
    d->changeObservers.push_back({id, std::move(callback)});
    return KTObservationToken([weak = weak_from_this(), id] {
        if (auto context = weak.lock())
            std::erase_if(context->d->changeObservers, [id](const auto &o) { return o.id == id; });
    });
}

KTObservationToken KTObjectContext::observe(KTStoreObject *object, const QString &key,
                                            std::function<void(const KTValueChange &)> callback)
{
    return observe(object, QStringList{key}, std::move(callback));
}

KTObservationToken KTObjectContext::observe(KTStoreObject *object, const QStringList &keys,
                                            std::function<void(const KTValueChange &)> callback)
{
    d->assertThread();
    Q_ASSERT(m_isMain && object && object->context() == this);
    QVarLengthArray<int, 4> properties;
    for (const QString &key : keys) {
        const int property = object->entity().propertyIndex(key);
        Q_ASSERT_X(property >= 0, "KTObjectContext::observe",
                   qPrintable(QStringLiteral("Unknown key %1").arg(key)));
        properties.append(property);
    }
    const quint64 id = d->nextObserverId++;
    d->keyObservers[object].push_back({id, std::move(properties), std::move(callback)});
    return KTObservationToken([weak = weak_from_this(), object, id] {
        auto context = weak.lock();
        if (!context)
            return;
        auto it = context->d->keyObservers.find(object);
        if (it == context->d->keyObservers.end())
            return;
        std::erase_if(it->second, [id](const auto &o) { return o.id == id; });
        if (it->second.empty())
            context->d->keyObservers.erase(it);
    });
}

void KTObjectContext::setSaveHandler(SaveHandler handler)
{
    d->assertThread();
    d->saveHandler = std::move(handler);
}

void KTObjectContext::loadStoredObjects(std::vector<KTRecordValues> records)
{
    d->assertThread();
    Q_ASSERT(m_isMain);
    d->insertRecords(records, KTTracking::Untracked);
    // New rows are numbered from what the store holds, whatever its largest row.
    for (std::size_t e = 0; e < d->objectsByEntity.size(); ++e) {
        std::vector<qint64> rows;
        for (const auto &object : d->objectsByEntity[e].inRowOrder())
            rows.push_back(object->objectID().row);
        d->shared->numbering[e].restart(rows);
    }
}

void KTObjectContext::setUndoRecorder(std::function<void(const KTRecordedChange &)> recorder)
{
    d->assertThread();
    d->undoRecorder = std::move(recorder);
}

void KTObjectContext::disableUndoRegistration()
{
    d->assertThread();
    ++d->undoDisabled;
}

void KTObjectContext::enableUndoRegistration()
{
    d->assertThread();
    Q_ASSERT_X(d->undoDisabled > 0, "KTObjectContext", "Undo registration enabled more often than disabled.");
    if (d->undoDisabled > 0)
        --d->undoDisabled;
}

void KTObjectContext::undeleteObject(KTStoreObject *object)
{
    d->assertThread();
    Q_ASSERT(m_isMain && object && object->m_context == this);
    if (!object || !object->m_deleted)
        return;
    object->m_deleted = false;
    KTStoreObject::noteLifetimeChange();
    quint64 properties = 0;
    std::vector<std::pair<KTStoreObject *, int>> relinked;
    for (const KTPropertyDescription &property : object->m_entity->properties()) {
        if (property.isToMany()) {
            // Members come back through their own replayed links.
            object->m_toMany[std::size_t(property.toManySlot)].clear();
            continue;
        }
        properties |= quint64(1) << property.index;
        if (!property.isToOne())
            continue;
        QVariant &link = object->m_values[std::size_t(property.index)];
        KTStoreObject *target = d->live(link.isValid() ? link.value<KTObjectID>() : KTObjectID());
        if (!target) {
            link = QVariant();
            continue;
        }
        const int slot = target->m_entity->property(property.inverse).toManySlot;
        target->m_toMany[std::size_t(slot)].insert(object->m_id);
        relinked.emplace_back(target, property.inverse);
    }
    d->saveChanges.noteUndeleted(object, properties);
    d->pendingChanges.noteUndeleted(object, properties);
    d->record(KTRecordedChange::Kind::Inserted, object);
    d->scheduleFlush();
    for (const auto &[target, inverse] : relinked) {
        d->noteChanged(target, inverse, {}, {});
        d->fireKeyObservers(target, inverse, {}, {});
    }
}

std::size_t KTObjectContext::releaseDeletedObjects()
{
    d->assertThread();
    Q_ASSERT(m_isMain);
    if (d->processing) {
        // An observer is still handling a report that lists deleted records (a nested event loop
        // of its own got here): they are freed when the outermost delivery ends.
        d->releaseRequested = true;
        return 0;
    }
    processPendingChanges();
    std::unordered_set<const KTStoreObject *> released;
    for (KTEntityRecords &records : d->objectsByEntity) {
        for (const auto &object : records.inRowOrder()) {
            // A delete that observers have not heard of yet keeps its record until they have.
            if (object->m_deleted && !object->m_pendingMark.listed)
                released.insert(object.get());
        }
    }
    if (released.empty())
        return 0;
    d->saveChanges.release(released);
    for (auto it = d->keyObservers.begin(); it != d->keyObservers.end();) {
        if (released.contains(it->first))
            it = d->keyObservers.erase(it);
        else
            ++it;
    }
    for (KTEntityRecords &records : d->objectsByEntity)
        records.remove(released);
    return released.size();
}

std::size_t KTObjectContext::heldObjectCount() const
{
    std::size_t count = 0;
    for (const KTEntityRecords &records : d->objectsByEntity)
        count += records.size();
    return count;
}

bool KTObjectContext::isUndoRegistrationEnabled() const
{
    d->assertThread();
    return d->undoDisabled == 0;
}
