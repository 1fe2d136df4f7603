#pragma once

#include <QString>
#include <Qt>

class QKeyEvent;

/// The Command key of the screens is Ctrl here.
inline constexpr Qt::KeyboardModifier kCommandModifier = Qt::ControlModifier;

/// The modifiers a user holds, as key equivalents compare them (the keypad flag is not one).
Qt::KeyboardModifiers keyEquivalentModifiers(Qt::KeyboardModifiers modifiers);

/// The typed key as a key-equivalent string, whatever modifiers are held: a letter in lower case
/// ("a"), or in upper case with Shift; the character of any other printable key; "\r", "\t",
/// "\x1b", "\b" and " " for Return (and Enter), Tab, Escape, Backspace and Space; the key's
/// portable name in lower case for the rest ("up", "f1", "del"). Empty for a lone modifier key.
QString keyEquivalent(const QKeyEvent &event);

/// True when the event's key equivalent equals `key` and the modifiers held are exactly
/// `modifiers` (Command is kCommandModifier). An empty key matches nothing.
bool equalsToKeyEquivalent(const QKeyEvent &event, const QString &key, Qt::KeyboardModifiers modifiers);
