#pragma once

#include "KTAlert.h"
#include "KTCatalogModel.h"
#include "KTExternalImagesManager.h"
#include "KTFakeModeController.h"
#include "KTFolderMO.h"
#include "KTImageMO.h"
#include "KTImageStorage.h"
#include "KTMainWindowCommands.h"
#include "KTMainWindowController.h"
#include "KTObjectContext.h"
#include "KTSessionFixtures.h"
#include "KTTestSupport.h"

#include <QPointer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

class KTExternalStatusFlows;
class KTExternalStatusSync;

/// An alert presenter whose answers are functions of the alert, run when the alert shows (so a
/// test can change the world between two showings); records every alert. Without a scripted
/// answer the first button answers. Installed while it lives.
class KTAnsweringAlertPresenter : public KTAlertPresenter
{
public:
    using Answer = std::function<int(const KTAlert &alert)>;
    KTAnsweringAlertPresenter();
    ~KTAnsweringAlertPresenter() override;

    void answer(int returnCode);
    void answer(Answer answer);
    KTAlertResponse runModal(const KTAlert &alert) override;
    std::vector<KTAlert> shown;
    QStringList messages() const;

private:
    std::deque<Answer> m_answers;
    std::shared_ptr<KTAlertPresenter> m_previous;
};

/// The main window's delayed steps, run by hand: a test moves the clock and the steps that fall
/// due run in time order (and those they schedule, when they fall due too).
class KTManualScheduler
{
public:
    KTMainWindowController::Scheduler scheduler();
    /// Moves the clock `milliseconds` on, running what falls due.
    void advance(int milliseconds);
    /// Steps scheduled and not run yet.
    int pending() const { return int(m_jobs.size()); }

private:
    struct Job
    {
        int due = 0;
        int order = 0;
        QPointer<QObject> context;
        std::function<void()> job;
    };
    int m_now = 0;
    int m_order = 0;
    std::vector<Job> m_jobs;
};

/// A main window over a catalogue of its own in a temporary folder, with the fake review modes,
/// scripted alerts, a recording terminator and its delayed steps run by hand (timers). The quick
/// tips stay closed and "UIMode" starts unset. A table of cases makes one per row.
class KTShellWorld
{
public:
    KTShellWorld();
    virtual ~KTShellWorld();

    /// Makes the controller (unless made already), gives it the manual timers and shows its
    /// window (the set-up runs).
    void launch();
    /// launch(), then runs the set-up's delayed steps and lets the launch's own validation (with
    /// sources) run to its end, with the external-catalogue check and import it leads to.
    void launchAndSettle();
    /// The second half of launchAndSettle(), for a window shown another way.
    void settleLaunch();
    /// Waits until the external-catalogue work queued so far (checks, imports, write passes) has
    /// ended: the flows work on one serial queue, so two checks queued now end after it.
    void settleExternalFlows();
    KTMainWindowController &window() { return *controller; }
    KTModeSwitcher &modes() { return controller->modeSwitcher(); }
    KTSessionFlow &flow() { return controller->sessionFlow(); }
    KTCatalogWriteBack &writeBack() { return controller->writeBack(); }
    KTMainWindowCommands &commands() { return *controller->commands(); }
    KTFakeModeController *mode(const QString &uiMode) const { return KTFakeModeController::made(uiMode); }
    std::shared_ptr<KTObjectContext> context() { return storage->managedObjectContext(); }

    /// A folder source at `path` (a real folder under the fixture's folder when empty).
    KTFolderMO *addFolderSource(QString path = {});
    /// A catalogue source of `type` ("Lightroom5", "iPhoto", ...) over `mediaSource`.
    KTFolderMO *addCatalogueSource(const QString &type, const QString &mediaSource);
    /// An image record in `folder`, its file written (a small JPEG) unless `writeFile` is false.
    KTImageMO *addImage(KTFolderMO *folder, const QString &name, bool writeFile = true);
    /// Starts a session of `sources` through the session flow and waits for its outcome (the
    /// count runs off the main thread).
    KTSessionFlow::StartOutcome startSession(const KTSessionFlow::Sources &sources);
    /// Runs the main window's save before an action and waits for its answer: whether the action
    /// may go on.
    bool saveAndContinue();
    /// Delivers the pending changes so the filtered lists and the sync bits are current.
    void process();
    /// A catalogue session over the Lightroom fixture (images 101 to 103, type "Lightroom5") or
    /// an "iPhoto" or "Aperture" library (versions V01 to V03), each image with its own file and
    /// the snapshot taken, as a load leaves it; the flows are installed. `catalog` is the
    /// database.
    QList<KTImageMO *> catalogueSession(const QString &type);
    /// Picks the second image in the catalogue, behind the session's back.
    void pickInCatalogue(const QString &type);
    /// The external-catalogue flows over `manager`, installed for the catalogue (and restored
    /// when the fixture ends).
    void installExternalFlows();

    QTemporaryDir dir;
    KTManualScheduler timers;
    std::unique_ptr<KTImageStorage> storage;
    std::unique_ptr<KTMainWindowController> controller;
    std::shared_ptr<KTAnsweringAlertPresenter> alerts = std::make_shared<KTAnsweringAlertPresenter>();
    KTRecordingErrorSeams seams;
    KTExternalImagesManager manager;
    std::shared_ptr<KTExternalStatusFlows> flows;
    QString catalog;

private:
    std::shared_ptr<KTAlertPresenter> m_previousAlerts;
    std::shared_ptr<KTExternalStatusSync> m_previousSync;
    bool m_flowsInstalled = false;
};

/// The world of one test.
class KTShellFixture : public ::testing::Test, public KTShellWorld
{
};
