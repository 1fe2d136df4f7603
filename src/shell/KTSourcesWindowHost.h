#pragma once

#include "KTImageSourcesWindowController.h"
#include "KTImageSourcesWindowControllerDelegate.h"
#include "KTSessionFlow.h"

#include <QObject>
#include <QPointer>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

class KTImageStorage;
class KTMainToolbar;
class KTMainWindow;
class QAction;

/// Hosts the sources window over the main window: a window of its own that the main window
/// owns, kept above it by the window manager (a transient window, so a click on the main
/// window's menu bar never sends it behind) and laid over the content below the title strip,
/// following the main window's moves and resizes. While it is open the toolbar is off except New
/// Session, which brings it to the front again, and the main menu's Quit works from it too.
///
/// Start hands the chosen sources to the session flow (setStartSession()); the window stands
/// aside while the images are counted, closes when the session has started, and comes back as the
/// user left it when the start is refused or cancelled. After a cancelled load it opens again
/// with the sources of that start (reopenWithLastChoice()).
///
/// Threading: main thread only.
class KTSourcesWindowHost : public QObject, public KTImageSourcesWindowControllerDelegate
{
    Q_OBJECT
public:
    using StartSession = std::function<void(const KTSessionFlow::Sources &sources,
                                            std::function<void(KTSessionFlow::StartOutcome)> done)>;

    /// The sources window over `window` (which owns the window), its controller over `storage`.
    KTSourcesWindowHost(KTImageStorage *storage, KTMainWindow *window, KTMainToolbar *toolbar,
                        QObject *parent = nullptr);
    ~KTSourcesWindowHost() override;

    KTImageSourcesWindowController *controller() const { return m_controller.get(); }
    /// Where Start goes.
    void setStartSession(StartSession startSession) { m_startSession = std::move(startSession); }
    /// Runs after the user closed the window (the main window brings its mode back).
    void setDidClose(std::function<void()> didClose) { m_didClose = std::move(didClose); }
    /// Makes `action` (a main-menu item such as Quit) answer its shortcut in the sources window.
    void addWindowAction(QAction *action);
    /// While held back (the quick tips show over the main window), a request to show the window
    /// waits, with its paths, until the hold ends.
    void setHeldBack(bool heldBack);

    /// Opens the window, empty or with `paths` (handed to the controller, which names what it
    /// cannot take). A window already open keeps what the user chose and comes to the front.
    void showWithPaths(const QStringList &paths);
    /// Opens the window with the sources of the last start (a load of them was cancelled).
    void reopenWithLastChoice();
    void close();
    /// Shown, or standing aside while the images of a start are counted.
    bool isOpen() const;
    bool isVisible() const;
    void bringToFront();
    /// Keeps the shown window over the main window's content, below the title strip.
    void frameDidChange();

    // ---- KTImageSourcesWindowControllerDelegate ----

    void imageSourcesWindowControllerWantsToStartSession(KTImageSourcesWindowController *controller) override;
    void imageSourcesWindowControllerWantsToCloseWindow(KTImageSourcesWindowController *controller) override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void open(const std::optional<KTImageSourcesWindowController::Choice> &choice, const QStringList &paths);
    void startDidEnd(KTSessionFlow::StartOutcome outcome);

    QPointer<KTMainWindow> m_window;
    QPointer<KTMainToolbar> m_toolbar;
    std::unique_ptr<KTImageSourcesWindowController> m_controller;
    StartSession m_startSession;
    std::function<void()> m_didClose;
    /// The choice of the last Start, for a return after its load was cancelled.
    std::optional<KTImageSourcesWindowController::Choice> m_lastChoice;
    bool m_standingAside = false;
    bool m_heldBack = false;
    bool m_showWaits = false;
    QStringList m_waitingPaths;
};
