#include "KTUndoManager.h"

#include "KTChangeSet.h"
#include "KTDispatch.h"
#include "KTObjectContext.h"
#include "KTStoreObject.h"

#include <QDebug>
#include <QPointer>

#include <utility>

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

void KTUndoManager::recordChange(const KTRecordedChange &change)
{
    if (m_open.empty())
        openEventGroup();
    m_open.back().group.steps.push_back(
        Step{int(change.kind), change.object, change.property, change.oldValue, change.newValue});
    m_redoStack.clear();
    emitStateChanges();
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
        Group &outer = m_open.back().group;
        outer.steps.insert(outer.steps.end(), std::make_move_iterator(closing.group.steps.begin()),
                           std::make_move_iterator(closing.group.steps.end()));
        if (outer.actionName.isEmpty())
            outer.actionName = closing.group.actionName;
    } else if (!closing.group.steps.empty()) {
        m_undoStack.push_back(std::move(closing.group));
    }
    emit checkpoint();
    emitStateChanges();
}

void KTUndoManager::beginUndoGrouping()
{
    m_open.push_back(OpenGroup{{}, false});
    emit checkpoint();
    emitStateChanges();
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
    return m_open.size() == 1 && m_open.front().isEventGroup && !m_open.front().group.steps.empty();
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
    emitStateChanges();
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
    emitStateChanges();
}

void KTUndoManager::removeAllActions()
{
    m_open.clear();
    m_eventGroupCloseDue = false;
    m_undoStack.clear();
    m_redoStack.clear();
    emitStateChanges();
}

void KTUndoManager::setActionName(const QString &actionName)
{
    if (!m_open.empty())
        m_open.front().group.actionName = actionName;
    else if (!m_undoStack.empty())
        m_undoStack.back().actionName = actionName;
    emitStateChanges();
}

QString KTUndoManager::undoActionName() const
{
    if (m_open.size() == 1 && m_open.front().isEventGroup && !m_open.front().group.steps.empty())
        return m_open.front().group.actionName;
    return m_undoStack.empty() ? QString() : m_undoStack.back().actionName;
}

QString KTUndoManager::redoActionName() const
{
    return m_redoStack.empty() ? QString() : m_redoStack.back().actionName;
}

QString KTUndoManager::undoMenuItemTitle() const
{
    const QString name = undoActionName();
    return name.isEmpty() ? tr("Undo") : tr("Undo %1").arg(name);
}

QString KTUndoManager::redoMenuItemTitle() const
{
    const QString name = redoActionName();
    return name.isEmpty() ? tr("Redo") : tr("Redo %1").arg(name);
}

void KTUndoManager::emitStateChanges()
{
    const State now{canUndo(), canRedo(), undoActionName(), redoActionName()};
    const State before = std::exchange(m_emitted, now);
    if (now.canUndo != before.canUndo)
        emit canUndoChanged(now.canUndo);
    if (now.canRedo != before.canRedo)
        emit canRedoChanged(now.canRedo);
    if (now.undoActionName != before.undoActionName)
        emit undoActionNameChanged(now.undoActionName);
    if (now.redoActionName != before.redoActionName)
        emit redoActionNameChanged(now.redoActionName);
}

void KTUndoManager::replayStep(KTObjectContext &context, const Step &step, bool undoing)
{
    KTStoreObject *object = step.object;
    switch (KTRecordedChange::Kind(step.kind)) {
    case KTRecordedChange::Kind::Updated: {
        if (object->isDeleted())
            return;
        const QVariant &value = undoing ? step.oldValue : step.newValue;
        // A link to a record that is gone stays as it is.
        if (object->entity().property(step.property).isToOne() && value.isValid() &&
            !context.objectWithId(value.value<KTObjectID>()))
            return;
        object->setValue(step.property, value);
        return;
    }
    case KTRecordedChange::Kind::Inserted:
    case KTRecordedChange::Kind::Deleted: {
        const bool bringBack = (step.kind == int(KTRecordedChange::Kind::Deleted)) == undoing;
        if (bringBack && object->isDeleted())
            context.undeleteObject(object);
        else if (!bringBack && !object->isDeleted())
            context.deleteObject(object);
        return;
    }
    }
}

void KTUndoManager::replay(const Group &group, bool undoing)
{
    auto context = m_context.lock();
    if (!context)
        return;
    context->disableUndoRegistration();
    if (undoing) {
        for (auto step = group.steps.rbegin(); step != group.steps.rend(); ++step)
            replayStep(*context, *step, true);
    } else {
        for (const Step &step : group.steps)
            replayStep(*context, step, false);
    }
    context->processPendingChanges();
    context->enableUndoRegistration();
}
