#pragma once

#include <functional>
#include <memory>

/// Shows the window that stands while a session of version 1.0.0 is migrated. The window belongs
/// to a higher layer: the application installs it (KTCoreDataMigrationWindow), tests install a
/// recorder; without one the migration runs with no window.
///
/// Threading: main thread only.
class KTMigrationWindowPresenter
{
public:
    virtual ~KTMigrationWindowPresenter() = default;
    /// Shows the window, calls `start` with a function that ends the modal session (callable on
    /// any thread, at most once), and returns when the session has ended. The catalogue turns the
    /// event loop itself until the migration is over, so a presenter may also return early.
    virtual void runModal(const std::function<void(std::function<void()> endModal)> &start) = 0;

    /// The presenter in use: the installed one, else one that shows nothing.
    static KTMigrationWindowPresenter &shared();
    /// Installs `presenter` (null restores the one that shows nothing); returns the previous one.
    static std::shared_ptr<KTMigrationWindowPresenter>
    install(std::shared_ptr<KTMigrationWindowPresenter> presenter);
};
