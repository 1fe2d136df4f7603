#pragma once

#include <QEvent>
#include <QKeyEvent>

/// The keys of the selectable grids. Ctrl stands for the Command key, Delete for Forward Delete,
/// Backspace for the Delete key of other keyboards.
enum class KTGridKey
{
    None,
    Left,
    Up,
    Right,
    Down,
    /// Delete: reject the selection, or restore it.
    DeleteToTrash,
    /// Ctrl+Shift+Delete or Ctrl+Shift+Backspace: move the selection to the system trash.
    DeleteToSystemTrash,
    /// Any other key with Ctrl.
    CommandKey
};

/// Accepts a ShortcutOverride whose key `wants` takes, so the grid gets the key before the
/// window's menu shortcuts; true when it did.
template <class Wants> bool claimShortcutOverride(QEvent *event, const Wants &wants);

/// Which grid key `event` is. The shifted Delete is told apart first, so the plain rule cannot
/// take it.
KTGridKey gridKeyForEvent(const QKeyEvent &event);

template <class Wants> bool claimShortcutOverride(QEvent *event, const Wants &wants)
{
    if (event->type() != QEvent::ShortcutOverride || !wants(*static_cast<QKeyEvent *>(event)))
        return false;
    event->accept();
    return true;
}
