#pragma once

#include <QPalette>

class QStyle;

/// The application-wide look of the plain Qt widgets (menus, scroll-area corners, text-field
/// frames, focus rings, tool tips, check boxes): the Fusion style over the neutral dark greys of
/// KTPalette, so every surface a custom control does not paint matches the ones it does.
///
/// Threading: main thread, once, after the QApplication exists and before windows are shown.
namespace KTApplicationLook {
/// Installs createStyle() and palette() on the application and its tool tips.
void apply();
/// A new instance of the style (the caller owns it): Fusion, with check-box indicators filled in
/// the raised grey, so an unchecked box reads on the window grey and in menus.
QStyle *createStyle();
/// The palette of the greys.
QPalette palette();
} // namespace KTApplicationLook
