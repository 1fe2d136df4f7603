#pragma once

#include <functional>

class QWidget;
class QWindow;

/// Asks the window system to move the window of `widget` with the pointer, as a drag of its title
/// bar would; call it while the left button is held. False when the window system cannot (no
/// native window yet, or a platform without interactive moves): the caller then moves the
/// window itself.
///
/// Threading: main thread only.
bool ktStartSystemMove(QWidget *widget);

/// Replaces what ktStartSystemMove() does (tests); an empty function restores the window
/// system's. Returns the previous replacement.
std::function<bool(QWindow *window)> ktSetSystemMoveHandler(std::function<bool(QWindow *window)> handler);
