#pragma once

#include <QDialog>

#include <functional>
#include <memory>

class QLabel;
class QProgressBar;

/// The small window shown while a session of version 1.0.0 is migrated: a label and a busy
/// indicator, and no control that closes it; the catalogue ends its modal session when the
/// migration is over.
///
/// Threading: main thread only.
class KTCoreDataMigrationWindow : public QDialog
{
    Q_OBJECT
public:
    explicit KTCoreDataMigrationWindow(QWidget *parent = nullptr);

    QLabel *label() const { return m_label; }
    QProgressBar *progressIndicator() const { return m_progressIndicator; }

public slots:
    /// Ignored: the window closes only when the migration ends (Escape does nothing).
    void reject() override;

private:
    QLabel *m_label;
    QProgressBar *m_progressIndicator;
};

/// Runs the migration window as the application's modal window. Replaceable, so that tests see
/// the window shown without a modal dialog.
///
/// Threading: main thread only.
class KTMigrationWindowPresenter
{
public:
    virtual ~KTMigrationWindowPresenter() = default;
    /// Shows the window, calls `start` with a function that ends the modal session (callable on
    /// any thread, at most once), and returns when the session has ended.
    virtual void runModal(const std::function<void(std::function<void()> endModal)> &start) = 0;

    /// The presenter in use: KTCoreDataMigrationWindow unless one was installed.
    static KTMigrationWindowPresenter &shared();
    /// Installs `presenter` (null restores the window); returns the previous one.
    static std::shared_ptr<KTMigrationWindowPresenter>
    install(std::shared_ptr<KTMigrationWindowPresenter> presenter);
};
