#pragma once

/// The application-wide look of the plain Qt widgets (menus, scroll-area corners, text-field
/// frames, focus rings, tool tips): the Fusion style over the neutral dark greys of KTPalette, so
/// every surface a custom control does not paint matches the ones it does.
///
/// Threading: main thread, once, after the QApplication exists and before windows are shown.
namespace KTApplicationLook {
void apply();
}
