#pragma once

#include <QString>
#include <Qt>

#include <chrono>
#include <functional>

class KTMainWindowController;

/// A user's walk through the application's main window, shared by the end-to-end tests and the
/// benchmarks: keys go where a user's keys go, to the widget with the keyboard focus in the
/// active window.
///
/// Threading: main thread.
namespace KTWindowWalk {

/// Turns the event loop until `condition` holds or `timeout` has passed; true when it holds.
bool waitFor(const std::function<bool()> &condition,
             std::chrono::milliseconds timeout = std::chrono::seconds(60));

/// A key to the focused widget (the active window when none has it; `window`'s own window when
/// no window is active), once a shown window is active; then the events it posted.
void press(KTMainWindowController &window, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);

/// `folder` dragged onto the open sources window and dropped there; true when the window took it.
bool dropOntoSourcesWindow(KTMainWindowController &window, const QString &folder);

/// Every mode and sub-mode with the EXIF panel and the focus mask on and a selection moved and
/// extended in each; a pick and a reject first (both keys toggle, so a walked session keeps
/// one of each), so the picks and the rejects hold images and a new session asks about the
/// rejects. Ends on the grid of similar groups. Returns what went wrong, empty when nothing.
QString walkEveryMode(KTMainWindowController &window);

} // namespace KTWindowWalk
