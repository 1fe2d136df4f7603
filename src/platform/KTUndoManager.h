#pragma once

#include <QObject>
#include <QVariant>

#include <memory>
#include <vector>

class KTObjectContext;
class KTStoreObject;
struct KTRecordedChange;

/// The undo history of a main object context: every insert, delete and change of a stored value
/// made in the context while registration is on becomes undoable (changes applied by a child
/// context's save are not registered by the context).
///
/// Steps are grouped by event: the first step with no group open opens one, which closes at the
/// end of the current event-loop turn; beginUndoGrouping()/endUndoGrouping() group explicitly
/// (nested groups join the group around them). undo() reverts the last group, redo() applies it
/// again; a new step after an undo drops the redo history. A deleted record comes back as the
/// same record (KTObjectContext::undeleteObject), so a deleted group returns with its images once
/// their link steps are replayed. A step whose record (or link target) no longer exists is
/// skipped.
///
/// A group may carry an action name ("Pick", "Reject"), which the Edit menu and the toolbar show
/// as "Undo Pick" / "Redo Pick".
///
/// Threading: main thread only, like its context. checkpoint() is emitted when a group opens or
/// closes and after each undo and redo; canUndoChanged(), canRedoChanged() and the action-name
/// signals are emitted right after the change that altered the value, and only then.
class KTUndoManager : public QObject
{
    Q_OBJECT
public:
    /// Becomes the context's undo recorder for as long as both live.
    explicit KTUndoManager(const std::shared_ptr<KTObjectContext> &context, QObject *parent = nullptr);
    ~KTUndoManager() override;

    /// Registration nests: each disable needs one enable (the context's own switch).
    void disableUndoRegistration();
    void enableUndoRegistration();
    bool isUndoRegistrationEnabled() const;

    void beginUndoGrouping();
    /// Closes the innermost explicit group; without one it logs and does nothing.
    void endUndoGrouping();
    /// The number of open groups, the event's own group included.
    int groupingLevel() const { return int(m_open.size()); }

    bool canUndo() const;
    bool canRedo() const;

    /// Names the group being recorded (the outermost open one), or, with none open, the last
    /// group that can be undone. Ignored when there is neither.
    void setActionName(const QString &actionName);
    /// The name of the group undo() or redo() would revert or apply; empty when it has none or
    /// there is nothing to undo or redo.
    QString undoActionName() const;
    QString redoActionName() const;
    /// "Undo" or "Undo <name>", and "Redo" or "Redo <name>", translated.
    QString undoMenuItemTitle() const;
    QString redoMenuItemTitle() const;
    /// Reverts the last group (closing the event's group first). Does nothing while an explicit
    /// group is open (logged) or when there is nothing to undo.
    void undo();
    void redo();
    /// Forgets every step and every open group.
    void removeAllActions();

signals:
    void checkpoint();
    void canUndoChanged(bool canUndo);
    void canRedoChanged(bool canRedo);
    void undoActionNameChanged(const QString &actionName);
    void redoActionNameChanged(const QString &actionName);

private:
    /// One recorded change. Records live as long as their context, deleted ones included, so a
    /// step may point at its record.
    struct Step
    {
        int kind = 0; // KTRecordedChange::Kind
        KTStoreObject *object = nullptr;
        int property = -1;
        QVariant oldValue;
        QVariant newValue;
    };
    struct Group
    {
        std::vector<Step> steps;
        QString actionName;
    };
    struct OpenGroup
    {
        Group group;
        bool isEventGroup = false;
    };
    /// What the signals report, as last emitted.
    struct State
    {
        bool canUndo = false;
        bool canRedo = false;
        QString undoActionName;
        QString redoActionName;
    };

    void recordChange(const KTRecordedChange &change);
    void openEventGroup();
    void closeEventGroup();
    void closeTopGroup();
    void replay(const Group &group, bool undoing);
    void replayStep(KTObjectContext &context, const Step &step, bool undoing);
    /// Emits the signals of the values that differ from the last ones emitted.
    void emitStateChanges();

    std::weak_ptr<KTObjectContext> m_context;
    std::vector<OpenGroup> m_open;
    bool m_eventGroupCloseDue = false;
    quint64 m_eventGroupSerial = 0;
    std::vector<Group> m_undoStack;
    std::vector<Group> m_redoStack;
    State m_emitted;
};
