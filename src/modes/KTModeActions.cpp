#include "KTModeActions.h"

#include <QAction>
#include <QKeyEvent>
#include <QWidget>

#include <algorithm>

KTModeActions::KTModeActions(QObject *parent) : QObject(parent) {}

KTModeActions::~KTModeActions()
{
    for (Entry *entry : entries())
        delete entry->action.data();
}

void KTModeActions::attachTo(QWidget *view)
{
    m_view = view;
    for (Entry *entry : entries()) {
        if (entry->action)
            view->addAction(entry->action);
    }
}

QAction *KTModeActions::make(const QString &name, Spec spec, Entry &entry)
{
    delete entry.action.data();
    auto *action = new QAction(spec.text, this);
    action->setObjectName(name);
    action->setShortcuts(spec.shortcuts);
    action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    action->setCheckable(bool(spec.checked));
    entry.action = action;
    entry.spec = std::move(spec);
    // The entry lives as long as this object and its action (the maps never move their nodes).
    Entry *owner = &entry;
    connect(action, &QAction::triggered, this, [this, owner] {
        const Spec &command = owner->spec;
        if (!command.available || command.available())
            command.run();
        // A checkable action shows what the command did, not what a click toggled.
        validate(*owner);
    });
    if (m_view)
        m_view->addAction(action);
    validate(entry);
    return action;
}

QAction *KTModeActions::add(KTModeCommand command, Spec spec)
{
    return make(QStringLiteral("modeCommand%1").arg(int(command)), std::move(spec), m_commands[command]);
}

void KTModeActions::remove(KTModeCommand command)
{
    const auto found = m_commands.find(command);
    if (found == m_commands.end())
        return;
    delete found->second.action.data();
    m_commands.erase(found);
}

QAction *KTModeActions::action(KTModeCommand command) const
{
    const auto found = m_commands.find(command);
    return found == m_commands.end() ? nullptr : found->second.action.data();
}

QAction *KTModeActions::addKey(const QString &name, Spec spec)
{
    return make(name, std::move(spec), m_keys[name]);
}

QAction *KTModeActions::key(const QString &name) const
{
    const auto found = m_keys.find(name);
    return found == m_keys.end() ? nullptr : found->second.action.data();
}

std::vector<KTModeActions::Entry *> KTModeActions::entries()
{
    std::vector<Entry *> all;
    for (auto &[command, entry] : m_commands)
        all.push_back(&entry);
    for (auto &[name, entry] : m_keys)
        all.push_back(&entry);
    return all;
}

void KTModeActions::validate(Entry &entry)
{
    QAction *action = entry.action;
    if (!action)
        return;
    action->setEnabled(!entry.spec.available || entry.spec.available());
    if (entry.spec.checked)
        action->setChecked(entry.spec.checked());
    if (entry.spec.title)
        action->setText(entry.spec.title());
}

void KTModeActions::validate()
{
    for (Entry *entry : entries())
        validate(*entry);
}

bool KTModeActions::trigger(const QKeyEvent &event)
{
    // Any key may come from the keypad, and a symbol such as "+" arrives with Shift on most
    // keyboards: those match a shortcut written without them, as the shortcut map matches them.
    // A letter with Shift is another key.
    const QKeyCombination combination = event.keyCombination();
    const Qt::Key key = combination.key();
    const Qt::KeyboardModifiers modifiers = combination.keyboardModifiers() & ~Qt::KeypadModifier;
    const bool letter = key >= Qt::Key_A && key <= Qt::Key_Z;
    const Qt::KeyboardModifiers unshifted = letter ? modifiers : modifiers & ~Qt::ShiftModifier;
    const QList<QKeySequence> pressed{QKeySequence(QKeyCombination(modifiers, key)),
                                      QKeySequence(QKeyCombination(unshifted, key))};
    for (Entry *entry : entries()) {
        QAction *action = entry->action;
        const QList<QKeySequence> shortcuts = action ? action->shortcuts() : QList<QKeySequence>();
        if (std::none_of(pressed.begin(), pressed.end(),
                         [&](const QKeySequence &key) { return shortcuts.contains(key); }))
            continue;
        if (entry->spec.available && !entry->spec.available())
            return false;
        action->trigger();
        return true;
    }
    return false;
}
