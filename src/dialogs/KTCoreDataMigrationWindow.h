#pragma once

#include "KTMigrationWindowPresenter.h"
#include "KTTopBarLessWindow.h"

class KTAbstractProgressIndicator;
class QLabel;

/// The small window that stands while the session of an older version is migrated at start-up:
/// "Restoring previous session. It may take some time..." beside a spinning indicator, which
/// already turns when the window is made. Nothing closes it but the end of the migration
/// (Escape does nothing).
///
/// The catalogue shows it through KTMigrationWindowPresenter; the application installs it with
/// installAsMigrationWindow() before it opens the catalogue.
///
/// Threading: main thread only.
class KTCoreDataMigrationWindow : public KTTopBarLessWindow
{
    Q_OBJECT
public:
    explicit KTCoreDataMigrationWindow(QWidget *parent = nullptr);

    /// Makes this window the one the catalogue runs while it migrates.
    static void installAsMigrationWindow();

    QLabel *label() const { return m_label; }
    KTAbstractProgressIndicator *progressIndicator() const { return m_progressIndicator; }

public slots:
    /// Ignored: the window closes only when the migration ends.
    void reject() override;

private:
    QLabel *m_label;
    KTAbstractProgressIndicator *m_progressIndicator;
};
