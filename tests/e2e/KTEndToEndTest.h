#pragma once

#include "KTBurstFixture.h"
#include "KTMainMenu.h"
#include "KTSessionFixtures.h"
#include "KTTaskRecorder.h"
#include "KTTestSupport.h"

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <vector>

class KTApplicationStart;
class KTBaseUIModeController;
class KTImageMO;
class KTImageSourcesWindowController;
class KTImageStorage;
class KTMainWindow;
class KTMainWindowController;
class KTScriptedOpenPanelPresenter;
class QWidget;

/// The application as the program starts it (KTApplicationStart: the shared catalogue, the main
/// window, the real review modes), in this test process's temporary home, offscreen. The test
/// drives it only as a user does: keys and clicks on the real widgets, and the answers to alerts
/// and open panels, which go through their seams. A recording terminator stands in for the end
/// of the process, and animations are off.
///
/// The application lives as long as the process, as it does in the program, so one process
/// launches it once: ctest runs every test in a process of its own; a test that finds the
/// application launched by an earlier one runs again in a new process. A test that quits and
/// launches again runs its later launch the same way, in a new process over the same home.
///
/// Waiting is on the task bus (every task notification is recorded) and on QSignalSpy; nothing
/// sleeps.
///
/// Threading: main thread.
class KTEndToEndTest : public ::testing::Test
{
protected:
    KTEndToEndTest();
    ~KTEndToEndTest() override;
    void SetUp() override;
    void TearDown() override;

    // ---- Launch and quit ----

    /// Starts the application with `arguments` as the program's arguments (folders, a
    /// catalogue), as the program's entry does, and waits until the main window is shown.
    void launch(const QStringList &arguments = {});
    /// The first launch through to a loaded session: launch(), then in the sources window that
    /// opens Add Folder with `folders` and Start, waiting until the session has loaded.
    void launchWithNewSession(const QStringList &folders);
    /// Which launch of the application this process is: 1, or 2 for launchAgain()'s.
    static int launchNumber();
    /// Quit from the keyboard (Ctrl+Q); true when the application ended (the terminator was
    /// called). The process's single-instance socket goes with it, as with a real end.
    bool quit();
    /// Runs this test again in a new process over this home, as the application's next launch
    /// (launchNumber() is 2 there); its failures are reported here. True when it passed.
    bool launchAgain();

    /// The temporary home of the process (settings, catalogue and caches, trash).
    static QString home();
    /// A new folder under the home, made with its parents.
    static QString folder(const QString &name);

    // ---- The application ----

    KTMainWindowController &mainWindow() const;
    KTMainWindow &window() const;
    KTImageStorage &catalogue() const;
    KTImageSourcesWindowController &sources() const;
    /// The mode on screen; fails the test when there is none.
    KTBaseUIModeController &activeMode() const;

    // ---- What a user does ----

    /// A key on the widget that has the keyboard focus (the active window when none has it).
    void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    /// A left click in the middle of `widget` (which must be shown and enabled).
    void click(QWidget *widget);
    void doubleClick(QWidget *widget, QPoint position);
    /// Brings the sources window to the front and waits until it is the active window.
    void activateSourcesWindow();
    /// The sources window's Add Folder (Ctrl+O), answering its panel with `folders`.
    void addFoldersInSourcesWindow(const QStringList &folders);
    /// The sources window's Start (Return), then waits until the window has closed (after the
    /// image lists of a catalogue have been read) and the session has loaded.
    void startSessionAndWait();
    /// Next Group (Ctrl+]) until the selected group holds the image named `name` (in "Groups"
    /// all of the group is selected), at most `limit` times; true when it does.
    bool nextGroupUntilItHolds(const QString &name, int limit);
    /// A menu command through its item, as a user chooses it from the menu bar: the menu opens
    /// (its items are validated) and the item is triggered. False when the item is off.
    bool chooseMenuItem(KTMenuCommand command);

    // ---- Waiting ----

    /// Waits until the task `name` has ended `times` times since the test began.
    bool waitForTaskEnd(const QString &name, int times = 1,
                        std::chrono::milliseconds timeout = std::chrono::seconds(120));
    /// Waits until the main window runs no task, no external-catalogue flow is pending and the
    /// posted work is done.
    bool waitUntilIdle(std::chrono::milliseconds timeout = std::chrono::seconds(120));

    // ---- Looking ----

    /// The session's image with the file name `name`, or null.
    KTImageMO *image(const QString &name) const;
    /// The sorted file names of the session's images that pass `test`.
    QStringList namesOfImages(const std::function<bool(const KTImageMO &)> &test) const;
    QStringList pickedNames() const;
    QStringList rejectedNames() const;
    /// The file names of the images the active mode has selected, active one first.
    QStringList selectedNames() const;

    /// How often the quick tips showed; the user closes them with Escape each time.
    int quickTipsShown() const;

    KTTaskRecorder tasks{nullptr};
    std::shared_ptr<KTScriptedAlertPresenter> alerts;
    std::shared_ptr<KTScriptedOpenPanelPresenter> panels;
    std::unique_ptr<KTRecordingErrorSeams> seams;

    /// Runs this test in a new process with `environment` (this one's, with changes); its output
    /// is forwarded when it fails. True when it passed.
    bool runInNewProcess(const QProcessEnvironment &environment);

private:
    class QuickTipsCloser;
    std::unique_ptr<KTApplicationStart> m_start;
    std::unique_ptr<QuickTipsCloser> m_quickTipsCloser;
    bool m_ranElsewhere = false;
};

/// What a photographer's folders hold: bursts of near-identical shots 1 s apart and unrelated
/// single shots (JPEGs with EXIF), and RAW+JPEG pairs (a small DNG and a JPEG of the same shot).
struct KTSessionPhotos
{
    /// Small photos (96 x 64) of `scenes` scenes shot in bursts and `singles` single shots.
    static KTBurstFixtureOptions burstOptions(int scenes, int singles, unsigned seed);
    /// Writes `photos` into `folder` (JPEGs with their shooting time); returns the paths.
    static QStringList writePhotos(const std::vector<KTBurstPhoto> &photos, const QString &folder);
    /// Writes `scenes` bursts and `singles` single shots into `folder`; `seed` varies the
    /// pictures. Returns the paths.
    static QStringList writeBursts(const QString &folder, int scenes, int singles, unsigned seed);
    /// A DNG and a JPEG named `baseName` in `folder`, shot at `shot` ("2023:01:02 03:04:05") with
    /// the same camera; returns the two paths (DNG first).
    static QStringList writeRawJpegPair(const QString &folder, const QString &baseName,
                                        const std::string &shot);
    /// Photos of bursts and single shots at `paths` (JPEGs with their shooting time; folders
    /// made as needed).
    static void writeJpegs(const QStringList &paths);
};
