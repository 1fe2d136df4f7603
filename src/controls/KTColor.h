#pragma once

#include <QColor>

/// A colour from red, green and blue on the scale 0 to 255 and alpha on the scale 0 to 1.
QColor ktColor(double red, double green, double blue, double alpha = 1.0);

/// Selection backgrounds of the thumbnail grids and of the comparison view.
QColor compareSelectionColorActive();
QColor compareSelectionColorInactive();
QColor mainSelectionColorActive();
QColor mainSelectionColorInactive();

/// The neutral greys of every surface (no tint, so that photos read true).
namespace KTPalette {
inline const QColor kWindow{30, 30, 30};
inline const QColor kPanel{22, 22, 22};
inline const QColor kRaised{48, 48, 48};
inline const QColor kHover{60, 60, 60};
inline const QColor kLine{12, 12, 12};
inline const QColor kText{220, 220, 220};
inline const QColor kSecondaryText{140, 140, 140};
inline const QColor kDisabled{90, 90, 90};
/// The warm accent of chosen segments and of the picked flag.
inline const QColor kAccent{255, 179, 33};
/// The red of the rejected cross.
inline const QColor kReject{226, 60, 48};
} // namespace KTPalette
