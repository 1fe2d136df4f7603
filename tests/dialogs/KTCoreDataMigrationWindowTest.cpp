#include "KTCoreDataMigrationWindow.h"

#include "KTAbstractProgressIndicator.h"
#include "KTMigrationWindowPresenter.h"
#include "KTTestSupport.h"

#include <QApplication>
#include <QLabel>
#include <QTimer>

#include <gtest/gtest.h>

#include <thread>

TEST(KTCoreDataMigrationWindowTest, ShowsItsTextAndSpinsBeforeItIsShownAndCannotBeDismissed)
{
    KTCoreDataMigrationWindow window;
    EXPECT_EQ(window.label()->text(), QStringLiteral("Restoring previous session. It may take some time..."));
    EXPECT_TRUE(window.progressIndicator()->isAnimating());
    window.show();
    window.reject();
    EXPECT_TRUE(window.isVisible());
}

// Installed, the window is what the catalogue runs: modal while the migration runs on another
// thread, and gone when that thread ends the session.
TEST(KTCoreDataMigrationWindowTest, InstalledItRunsModallyUntilTheMigrationEndsIt)
{
    const auto previous = KTMigrationWindowPresenter::install(nullptr);
    KTCoreDataMigrationWindow::installAsMigrationWindow();
    bool windowWasModal = false;
    std::thread migration;
    KTMigrationWindowPresenter::shared().runModal([&](std::function<void()> endModal) {
        QTimer::singleShot(0, qApp, [&, endModal] {
            windowWasModal = qobject_cast<KTCoreDataMigrationWindow *>(QApplication::activeModalWidget());
            migration = std::thread(endModal);
        });
    });
    migration.join();
    EXPECT_TRUE(windowWasModal);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    KTMigrationWindowPresenter::install(previous);
}
