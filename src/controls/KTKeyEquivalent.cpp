#include "KTKeyEquivalent.h"

#include <QKeyEvent>
#include <QKeySequence>

Qt::KeyboardModifiers keyEquivalentModifiers(Qt::KeyboardModifiers modifiers)
{
    return modifiers & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
}

QString keyEquivalent(const QKeyEvent &event)
{
    const int key = event.key();
    const bool shift = event.modifiers().testFlag(Qt::ShiftModifier);
    if (key >= Qt::Key_A && key <= Qt::Key_Z) {
        const QChar letter(char16_t(u'a' + (key - Qt::Key_A)));
        return shift ? QString(letter.toUpper()) : QString(letter);
    }
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return QStringLiteral("\r");
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return QStringLiteral("\t");
    case Qt::Key_Escape:
        return QStringLiteral("\x1b");
    case Qt::Key_Backspace:
        return QStringLiteral("\b");
    case Qt::Key_Space:
        return QStringLiteral(" ");
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Alt:
    case Qt::Key_Meta:
    case Qt::Key_AltGr:
    case Qt::Key_CapsLock:
    case Qt::Key_unknown:
        return {};
    default:
        break;
    }
    // The text, unless a held Ctrl turned it into a control character.
    const QString text = event.text();
    if (!text.isEmpty() && text.at(0).isPrint())
        return text;
    if (key > 0x20 && key < 0x7f)
        return QString(QChar(char16_t(key)));
    return QKeySequence(key).toString(QKeySequence::PortableText).toLower();
}

bool equalsToKeyEquivalent(const QKeyEvent &event, const QString &key, Qt::KeyboardModifiers modifiers)
{
    return !key.isEmpty() && keyEquivalent(event) == key &&
           keyEquivalentModifiers(event.modifiers()) == keyEquivalentModifiers(modifiers);
}
