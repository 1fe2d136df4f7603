#pragma once

#include <QFont>
#include <QString>

/// `family` at `size` logical pixels (the screens give sizes in points of 1/72 inch at 72 dpi,
/// which are logical pixels here). Fontconfig substitutes a family that is not installed.
QFont ktFont(const QString &family, double size);

/// The three sizes of the user interface, in the default family.
QFont ktBodyFont();
QFont ktSmallFont();
QFont ktTitleFont();
