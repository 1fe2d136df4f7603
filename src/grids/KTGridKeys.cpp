#include "KTGridKeys.h"

#include "KTKeyEquivalent.h"

#include <QKeyEvent>

KTGridKey gridKeyForEvent(const QKeyEvent &event)
{
    const Qt::KeyboardModifiers modifiers = keyEquivalentModifiers(event.modifiers());
    if (modifiers == (kCommandModifier | Qt::ShiftModifier) &&
        (event.key() == Qt::Key_Delete || event.key() == Qt::Key_Backspace))
        return KTGridKey::DeleteToSystemTrash;
    switch (event.key()) {
    case Qt::Key_Left:
        return KTGridKey::Left;
    case Qt::Key_Up:
        return KTGridKey::Up;
    case Qt::Key_Right:
        return KTGridKey::Right;
    case Qt::Key_Down:
        return KTGridKey::Down;
    case Qt::Key_Delete:
        return KTGridKey::DeleteToTrash;
    default:
        break;
    }
    return modifiers.testFlag(kCommandModifier) ? KTGridKey::CommandKey : KTGridKey::None;
}
