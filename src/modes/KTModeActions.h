#pragma once

#include <QKeySequence>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <map>

class QAction;
class QKeyEvent;
class QWidget;

/// The commands a review mode offers in the main menu. The menu keeps a place for each and shows
/// there the action of the mode on screen; a mode without the command leaves its place disabled
/// or hidden (the menu decides which).
enum class KTModeCommand
{
    // Edit
    Copy,
    SelectAll,
    DeselectAll,
    // View: the sub-modes
    ShowGroups,
    ShowGroup,
    ShowImage,
    ShowCompare,
    // View: the zoom and the overlay
    ZoomIn,
    ZoomOut,
    FitToScreen,
    ActualSize,
    SwitchFitAndActualSize,
    ShowExposurePixels,
    // Images
    Pick,
    Reject,
    Restore,
    ResolveGroup,
    NextGroup,
    PreviousGroup,
};

/// The actions of one review mode: its menu commands (KTModeCommand) and the keys of its screen
/// that have no menu item (the space, "g", the viewer's "+"). The mode owns them; each has its
/// title, its shortcuts, when it is available and what it does. The actions are added to the
/// mode's view with the context Qt::WidgetWithChildrenShortcut, so their keys work wherever the
/// focus is inside the mode's screen and nowhere else (a text field typing the letter keeps it).
///
/// validate() brings every action's enabled state, check mark and title up to date from the
/// mode's state; the mode runs it whenever that state changes, and the main window before it
/// shows a menu. A triggered action asks again whether it is available before it runs, so a
/// key pressed before a validation does nothing that cannot be done.
///
/// Threading: main thread only.
class KTModeActions : public QObject
{
    Q_OBJECT
public:
    /// What an action is and does. Only `run` is required.
    struct Spec
    {
        QString text;
        QList<QKeySequence> shortcuts;
        std::function<void()> run;
        /// Null: always available.
        std::function<bool()> available;
        /// Set for a checkable command: whether it is on now.
        std::function<bool()> checked;
        /// Set for a title that follows the mode's state.
        std::function<QString()> title;
    };

    explicit KTModeActions(QObject *parent = nullptr);
    ~KTModeActions() override;

    /// The widget whose focus (or its children's) enables the keys; every action, present and
    /// future, is added to it.
    void attachTo(QWidget *view);

    /// Adds or replaces the action of a menu command.
    QAction *add(KTModeCommand command, Spec spec);
    /// Leaves a command out (a mode that lacks what its base offers).
    void remove(KTModeCommand command);
    /// The action of `command`, or null when the mode has none.
    QAction *action(KTModeCommand command) const;
    /// Adds a key of the mode's screen without a menu item; `name` is its object name.
    QAction *addKey(const QString &name, Spec spec);
    /// The key action named `name`, or null.
    QAction *key(const QString &name) const;

    /// Updates every action's enabled state, check mark and title.
    void validate();
    /// Triggers the available action one of whose shortcuts is the key of `event`, as its
    /// shortcut would; true when one ran. For keys that reach the mode from outside its view.
    bool trigger(const QKeyEvent &event);

private:
    struct Entry
    {
        QPointer<QAction> action;
        Spec spec;
    };
    QAction *make(const QString &name, Spec spec, Entry &entry);
    void validate(Entry &entry);
    std::vector<Entry *> entries();

    QPointer<QWidget> m_view;
    std::map<KTModeCommand, Entry> m_commands;
    std::map<QString, Entry> m_keys;
};
