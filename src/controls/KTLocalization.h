#pragma once

#include <QString>

/// A control text looked up with the text itself as the key; a text without a translation comes
/// back unchanged.
QString ktLocalizedString(const QString &key);
