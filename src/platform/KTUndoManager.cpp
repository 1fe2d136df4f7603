#include "KTUndoManager.h"

#include "KTChangeSet.h"
#include "KTDispatch.h"
#include "KTObjectContext.h"
#include "KTStoreObject.h"

#include <QDebug>
#include <QPointer>

#include <algorithm>

/// The record a step names. Undoing a delete inserts the record anew; the handle then points at
/// the new object, so every step that names the record (or links to it) follows.
struct KTUndoManager::Handle
{
    KTStoreObject *object = nullptr;
};

namespace {

bool isStoredValue(const KTPropertyDescription &property)
{
    return (property.isAttribute() && !property.isTransient()) || property.isToOne();
}

} // namespace

KTUndoManager::KTUndoManager(const std::shared_ptr<KTObjectContext> &context, QObject *parent)
    : QObject(parent), m_context(context)
{
    Q_ASSERT(context && context->isMainContext());
    context->setUndoRecorder([this](const KTRecordedChange &change) { recordChange(change); });
}

KTUndoManager::~KTUndoManager()
{
    if (auto context = m_context.lock())
        context->setUndoRecorder({});
}

void KTUndoManager::disableUndoRegistration()
{
    if (auto context = m_context.lock())
        context->disableUndoRegistration();
}

void KTUndoManager::enableUndoRegistration()
{
    if (auto context = m_context.lock())
        context->enableUndoRegistration();
}

bool KTUndoManager::isUndoRegistrationEnabled() const
{
    auto context = m_context.lock();
    return context && context->isUndoRegistrationEnabled();
}

std::shared_ptr<KTUndoManager::Handle> KTUndoManager::handleFor(KTStoreObject *object)
{
    if (!object)
        return nullptr;
    std::weak_ptr<Handle> &slot = m_handles[object->objectID()];
    std::shared_ptr<Handle> handle = slot.lock();
    if (!handle) {
        handle = std::make_shared<Handle>(Handle{object});
        slot = handle;
    }
    return handle;
}

std::shared_ptr<KTUndoManager::Handle> KTUndoManager::handleForId(const KTObjectID &id)
{
    if (id.isNull())
        return nullptr;
    auto it = m_handles.find(id);
    if (it != m_handles.end())
        if (std::shared_ptr<Handle> handle = it->second.lock())
            return handle;
    auto context = m_context.lock();
    return context ? handleFor(context->objectWithId(id)) : nullptr;
}

KTUndoManager::Value KTUndoManager::capture(const KTStoreObject &object, int property, const QVariant &value)
{
    if (!object.entity().property(property).isToOne())
        return Value{value, nullptr};
    const KTObjectID id = value.isValid() ? value.value<KTObjectID>() : KTObjectID();
    return Value{QVariant(), handleForId(id)};
}

KTUndoManager::Value KTUndoManager::valueOf(const KTStoreObject &object, int property)
{
    return capture(object, property, object.value(property));
}

std::vector<std::pair<int, KTUndoManager::Value>> KTUndoManager::snapshotOf(const KTStoreObject &object)
{
    std::vector<std::pair<int, Value>> values;
    for (const KTPropertyDescription &property : object.entity().properties())
        if (isStoredValue(property))
            values.emplace_back(property.index, valueOf(object, property.index));
    return values;
}

KTStoreObject *KTUndoManager::liveObject(const std::shared_ptr<Handle> &handle) const
{
    return handle && handle->object && !handle->object->isDeleted() ? handle->object : nullptr;
}

bool KTUndoManager::resolve(const Value &value, QVariant *resolved) const
{
    if (!value.link) {
        *resolved = value.value;
        return true;
    }
    KTStoreObject *target = liveObject(value.link);
    if (!target)
        return false;
    *resolved = QVariant::fromValue(target->objectID());
    return true;
}

void KTUndoManager::recordChange(const KTRecordedChange &change)
{
    Step step;
    step.kind = int(change.kind);
    step.record = handleFor(change.object);
    step.property = change.property;
    switch (change.kind) {
    case KTRecordedChange::Kind::Updated:
        step.oldValue = capture(*change.object, change.property, change.oldValue);
        step.newValue = capture(*change.object, change.property, change.newValue);
        break;
    case KTRecordedChange::Kind::Deleted:
        // The deleted record still reads its last values, links included.
        step.snapshot = snapshotOf(*change.object);
        break;
    case KTRecordedChange::Kind::Inserted:
        break;
    }
    if (m_open.empty())
        openEventGroup();
    m_open.back().steps.push_back(std::move(step));
    m_redoStack.clear();

    if (m_handles.size() >= m_pruneAt) {
        std::erase_if(m_handles, [](const auto &entry) { return entry.second.expired(); });
        m_pruneAt = std::max<std::size_t>(1024, m_handles.size() * 2);
    }
}

void KTUndoManager::openEventGroup()
{
    m_open.push_back(OpenGroup{{}, true});
    m_eventGroupCloseDue = false;
    const quint64 serial = ++m_eventGroupSerial;
    emit checkpoint();
    // The serial keeps a late job from closing a group opened after removeAllActions().
    postToMain([self = QPointer<KTUndoManager>(this), serial] {
        if (self && self->m_eventGroupSerial == serial)
            self->closeEventGroup();
    });
}

void KTUndoManager::closeEventGroup()
{
    if (m_open.empty() || !m_open.front().isEventGroup)
        return;
    if (m_open.size() > 1) {
        // Explicit groups are still open inside it: close it when the last of them ends.
        m_eventGroupCloseDue = true;
        return;
    }
    closeTopGroup();
}

void KTUndoManager::closeTopGroup()
{
    OpenGroup closing = std::move(m_open.back());
    m_open.pop_back();
    if (!m_open.empty()) {
        Group &outer = m_open.back().steps;
        outer.insert(outer.end(), std::make_move_iterator(closing.steps.begin()),
                     std::make_move_iterator(closing.steps.end()));
    } else if (!closing.steps.empty()) {
        m_undoStack.push_back(std::move(closing.steps));
    }
    emit checkpoint();
}

void KTUndoManager::beginUndoGrouping()
{
    m_open.push_back(OpenGroup{{}, false});
    emit checkpoint();
}

void KTUndoManager::endUndoGrouping()
{
    if (m_open.empty() || m_open.back().isEventGroup) {
        qWarning().noquote() << "KTUndoManager: endUndoGrouping without an open group.";
        return;
    }
    closeTopGroup();
    if (m_eventGroupCloseDue && m_open.size() == 1) {
        m_eventGroupCloseDue = false;
        closeTopGroup();
    }
}

bool KTUndoManager::canUndo() const
{
    if (!m_undoStack.empty())
        return true;
    return m_open.size() == 1 && m_open.front().isEventGroup && !m_open.front().steps.empty();
}

bool KTUndoManager::canRedo() const
{
    return !m_redoStack.empty();
}

void KTUndoManager::undo()
{
    if (!m_open.empty() && !(m_open.size() == 1 && m_open.front().isEventGroup)) {
        qWarning().noquote() << "KTUndoManager: undo while an undo group is open is ignored.";
        return;
    }
    if (!m_open.empty()) {
        m_eventGroupCloseDue = false;
        closeTopGroup();
    }
    if (m_undoStack.empty())
        return;
    Group group = std::move(m_undoStack.back());
    m_undoStack.pop_back();
    replay(group, true);
    m_redoStack.push_back(std::move(group));
    emit checkpoint();
}

void KTUndoManager::redo()
{
    if (!m_open.empty() || m_redoStack.empty())
        return;
    Group group = std::move(m_redoStack.back());
    m_redoStack.pop_back();
    replay(group, false);
    m_undoStack.push_back(std::move(group));
    emit checkpoint();
}

void KTUndoManager::removeAllActions()
{
    m_open.clear();
    m_eventGroupCloseDue = false;
    m_undoStack.clear();
    m_redoStack.clear();
    m_handles.clear();
    m_pruneAt = 1024;
}

KTStoreObject *KTUndoManager::insertAnew(const Step &step)
{
    auto context = m_context.lock();
    const KTStoreObject *old = step.record ? step.record->object : nullptr;
    if (!context || !old)
        return nullptr;
    KTStoreObject *object = context->insertObject(old->entity().name());
    if (!object)
        return nullptr;
    // Attributes first (they replace what awakeFromInsert gave), then links to records that
    // still exist.
    for (const auto &[property, value] : step.snapshot)
        if (!object->entity().property(property).isToOne())
            object->setValue(property, value.value);
    for (const auto &[property, value] : step.snapshot) {
        QVariant resolved;
        if (object->entity().property(property).isToOne() && resolve(value, &resolved))
            object->setValue(property, resolved);
    }
    step.record->object = object;
    m_handles[object->objectID()] = step.record;
    return object;
}

void KTUndoManager::replay(Group &group, bool undoing)
{
    auto context = m_context.lock();
    if (!context)
        return;
    context->disableUndoRegistration();
    auto apply = [&](Step &step) {
        KTStoreObject *object = liveObject(step.record);
        const bool reinsert = (step.kind == int(KTRecordedChange::Kind::Deleted)) == undoing;
        switch (KTRecordedChange::Kind(step.kind)) {
        case KTRecordedChange::Kind::Updated: {
            QVariant value;
            if (object && resolve(undoing ? step.oldValue : step.newValue, &value))
                object->setValue(step.property, value);
            break;
        }
        case KTRecordedChange::Kind::Inserted:
        case KTRecordedChange::Kind::Deleted:
            if (reinsert) {
                // Only a record that is gone now can come back.
                if (!object)
                    insertAnew(step);
            } else if (object) {
                if (step.kind == int(KTRecordedChange::Kind::Inserted))
                    step.snapshot = snapshotOf(*object); // what a redo inserts again
                context->deleteObject(object);
            }
            break;
        }
    };
    if (undoing)
        std::for_each(group.rbegin(), group.rend(), apply);
    else
        std::for_each(group.begin(), group.end(), apply);
    context->processPendingChanges();
    context->enableUndoRegistration();
}
