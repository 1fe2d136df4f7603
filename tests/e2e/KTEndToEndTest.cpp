#include "KTEndToEndTest.h"

#include "KTAnimations.h"
#include "KTApplicationStart.h"
#include "KTBaseUIModeController.h"
#include "KTBurstFixture.h"
#include "KTExternalStatusFlows.h"
#include "KTImageFixtures.h"
#include "KTImageMO.h"
#include "KTImageSourcesWindow.h"
#include "KTImageSourcesWindowController.h"
#include "KTImageStorage.h"
#include "KTMainWindow.h"
#include "KTMainWindowController.h"
#include "KTProgressWindowController.h"
#include "KTScriptedOpenPanel.h"
#include "KTTasksNotifier.h"
#include "KTTipsWindow.h"
#include "KTUserDefaults.h"
#include "KTWindowWalk.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QTest>
#include <QTimer>

#include <algorithm>

namespace {

/// The environment variable that tells a process which launch of the application it runs.
const char kLaunchVariable[] = "VS_E2E_LAUNCH";
/// Set in a process started to run one test alone, so it never starts another.
const char kAloneVariable[] = "VS_E2E_ALONE";

bool s_launchedInThisProcess = false;

QString currentTestName()
{
    const ::testing::TestInfo *info = ::testing::UnitTest::GetInstance()->current_test_info();
    return QString::fromUtf8(info->test_suite_name()) + QLatin1Char('.') + QString::fromUtf8(info->name());
}

QString fileName(const KTImageMO *image)
{
    return QFileInfo(image->path()).fileName();
}

} // namespace

/// Closes the quick tips with Escape whenever they show, as a user who has seen them does. They
/// run a modal loop of their own, so the key is sent from inside it.
class KTEndToEndTest::QuickTipsCloser : public QObject
{
public:
    QuickTipsCloser() { qApp->installEventFilter(this); }
    ~QuickTipsCloser() override { qApp->removeEventFilter(this); }
    int shown = 0;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show) {
            if (auto *tips = qobject_cast<KTTipsWindow *>(watched)) {
                ++shown;
                QTimer::singleShot(0, tips, [tips] { QTest::keyClick(tips, Qt::Key_Escape); });
            }
        }
        return QObject::eventFilter(watched, event);
    }
};

KTEndToEndTest::KTEndToEndTest() = default;

KTEndToEndTest::~KTEndToEndTest() = default;

void KTEndToEndTest::SetUp()
{
    if (s_launchedInThisProcess) {
        // The application of an earlier test still lives here (as it would until its process
        // ends): this test runs in a process of its own, with a home of its own.
        ASSERT_TRUE(qEnvironmentVariableIsEmpty(kAloneVariable));
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("VS_TEST_HOME"));
        environment.remove(QString::fromLatin1(kLaunchVariable));
        m_ranElsewhere = true;
        // A fatal failure, like the skip, keeps the test's body from running here.
        ASSERT_TRUE(runInNewProcess(environment));
        GTEST_SKIP() << "ran in a process of its own";
    }
    KTAnimations::setEnabled(false);
    alerts = KTScriptedAlertPresenter::install();
    panels = KTScriptedOpenPanelPresenter::install();
    seams = std::make_unique<KTRecordingErrorSeams>();
    m_quickTipsCloser = std::make_unique<QuickTipsCloser>();
}

void KTEndToEndTest::TearDown()
{
    if (m_ranElsewhere)
        return;
    // The application ends while the seams are still there, as it would at the process's end.
    waitUntilIdle(std::chrono::seconds(30));
    m_start.reset();
    drainMainQueue();
}

// ---- Launch and quit ----

void KTEndToEndTest::launch(const QStringList &arguments)
{
    ASSERT_FALSE(s_launchedInThisProcess) << "the application is launched once per process";
    s_launchedInThisProcess = true;
    m_start = std::make_unique<KTApplicationStart>(arguments);
    ASSERT_FALSE(m_start->handOffToRunningInstance()) << "another instance runs in this home";
    m_start->launch();
    ASSERT_TRUE(waitUntil([&] { return mainWindow().window() && window().isVisible(); }));
}

void KTEndToEndTest::launchWithNewSession(const QStringList &folders)
{
    ASSERT_NO_FATAL_FAILURE(launch());
    ASSERT_TRUE(waitUntil([&] { return mainWindow().isImageSourcesWindowVisible(); }));
    ASSERT_NO_FATAL_FAILURE(addFoldersInSourcesWindow(folders));
    ASSERT_NO_FATAL_FAILURE(startSessionAndWait());
}

int KTEndToEndTest::launchNumber()
{
    return qEnvironmentVariableIntValue(kLaunchVariable) == 2 ? 2 : 1;
}

bool KTEndToEndTest::quit()
{
    const int before = seams->terminations();
    press(Qt::Key_Q, Qt::ControlModifier);
    if (!waitUntil([&] { return seams->terminations() > before; }))
        return false;
    drainMainQueue();
    // The process would end here: its socket for later starts goes with it, and its settings are
    // written as the application's end writes them.
    m_start.reset();
    KTUserDefaults::standardUserDefaults().flush();
    return true;
}

bool KTEndToEndTest::launchAgain()
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("VS_TEST_HOME"), home());
    environment.insert(QString::fromLatin1(kLaunchVariable), QStringLiteral("2"));
    return runInNewProcess(environment);
}

bool KTEndToEndTest::runInNewProcess(const QProcessEnvironment &environment)
{
    QProcessEnvironment alone = environment;
    alone.insert(QString::fromLatin1(kAloneVariable), QStringLiteral("1"));
    QProcess process;
    process.setProcessEnvironment(alone);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(QCoreApplication::applicationFilePath(),
                  {QStringLiteral("--gtest_filter=") + currentTestName()});
    // The process runs a whole launch; this one waits, as an ended application would.
    const bool finished = process.waitForStarted() && process.waitForFinished(240000);
    const bool passed = finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    if (!passed) {
        ADD_FAILURE() << "The new process of " << qPrintable(currentTestName()) << " failed:\n"
                      << process.readAll().toStdString();
    }
    return passed;
}

QString KTEndToEndTest::home()
{
    return QDir::cleanPath(qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/.."));
}

QString KTEndToEndTest::folder(const QString &name)
{
    const QString path = QDir(home()).filePath(name);
    QDir().mkpath(path);
    return path;
}

// ---- The application ----

KTMainWindowController &KTEndToEndTest::mainWindow() const
{
    return *KTMainWindowController::sharedController();
}

KTMainWindow &KTEndToEndTest::window() const
{
    return *mainWindow().window();
}

KTImageStorage &KTEndToEndTest::catalogue() const
{
    return *KTImageStorage::sharedStorage();
}

KTImageSourcesWindowController &KTEndToEndTest::sources() const
{
    return *mainWindow().imageSourcesController();
}

KTBaseUIModeController &KTEndToEndTest::activeMode() const
{
    KTBaseUIModeController *mode = mainWindow().activeModeViewController();
    EXPECT_NE(mode, nullptr) << "no mode on screen in " << qPrintable(mainWindow().UIMode());
    return *mode;
}

// ---- What a user does ----

void KTEndToEndTest::press(Qt::Key key, Qt::KeyboardModifiers modifiers)
{
    KTWindowWalk::press(mainWindow(), key, modifiers);
}

void KTEndToEndTest::click(QWidget *widget)
{
    ASSERT_NE(widget, nullptr);
    EXPECT_TRUE(widget->isVisible()) << qPrintable(widget->objectName());
    EXPECT_TRUE(widget->isEnabled()) << qPrintable(widget->objectName());
    QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier, widget->rect().center());
    QCoreApplication::processEvents();
}

void KTEndToEndTest::doubleClick(QWidget *widget, QPoint position)
{
    ASSERT_NE(widget, nullptr);
    QTest::mouseDClick(widget, Qt::LeftButton, Qt::NoModifier, position);
    QCoreApplication::processEvents();
}

void KTEndToEndTest::activateSourcesWindow()
{
    ASSERT_TRUE(mainWindow().isImageSourcesWindowVisible());
    QWidget *sourcesWindow = sources().window();
    sourcesWindow->activateWindow();
    // Its shortcuts answer once the platform has made it the active window.
    ASSERT_TRUE(waitUntil([&] { return QApplication::activeWindow() == sourcesWindow; }));
}

void KTEndToEndTest::addFoldersInSourcesWindow(const QStringList &folders)
{
    activateSourcesWindow();
    QTest::keyClick(sources().window(), Qt::Key_O, Qt::ControlModifier);
    ASSERT_TRUE(panels->isShowing()) << "Ctrl+O opened no folder panel";
    panels->answer(folders);
    QCoreApplication::processEvents();
}

void KTEndToEndTest::startSessionAndWait()
{
    const int loads = tasks.count(kTaskDidFinishNotification, kLoadImagesTaskName);
    activateSourcesWindow();
    QTest::keyClick(sources().window(), Qt::Key_Return);
    // A catalogue's image lists are read first, under the sources window.
    ASSERT_TRUE(waitUntil([&] { return !mainWindow().isImageSourcesWindowVisible(); }))
        << "Start did not start the session";
    ASSERT_TRUE(waitForTaskEnd(kLoadImagesTaskName, loads + 1));
    ASSERT_TRUE(waitUntilIdle());
}

bool KTEndToEndTest::chooseMenuItem(KTMenuCommand command)
{
    QAction *item = nullptr;
    QMenu *menu = nullptr;
    for (QAction *menuItem : mainWindow().menuBar()->actions()) {
        if (!menuItem->menu())
            continue;
        for (QAction *candidate : menuItem->menu()->actions()) {
            if (KTMainMenu::command(candidate) == command) {
                item = candidate;
                menu = menuItem->menu();
            }
        }
    }
    EXPECT_NE(item, nullptr) << "no menu item for command " << int(command);
    if (!item)
        return false;
    menu->popup(window().mapToGlobal(QPoint(0, 0)));
    if (!waitUntil([&] { return menu->isVisible(); }))
        return false;
    const bool enabled = item->isEnabled() && item->isVisible();
    if (enabled)
        QTest::mouseClick(menu, Qt::LeftButton, Qt::NoModifier, menu->actionGeometry(item).center());
    else
        QTest::keyClick(menu, Qt::Key_Escape);
    waitUntil([&] { return !menu->isVisible(); });
    QCoreApplication::processEvents();
    return enabled;
}

int KTEndToEndTest::quickTipsShown() const
{
    return m_quickTipsCloser ? m_quickTipsCloser->shown : 0;
}

bool KTEndToEndTest::nextGroupUntilItHolds(const QString &name, int limit)
{
    for (int i = 0; i <= limit; ++i) {
        if (selectedNames().contains(name))
            return true;
        press(Qt::Key_BracketRight, Qt::ControlModifier);
    }
    return false;
}

// ---- Waiting ----

bool KTEndToEndTest::waitForTaskEnd(const QString &name, int times, std::chrono::milliseconds timeout)
{
    return waitUntil([&] { return tasks.count(kTaskDidFinishNotification, name) >= times; }, timeout);
}

bool KTEndToEndTest::waitUntilIdle(std::chrono::milliseconds timeout)
{
    if (!m_start)
        return true;
    // The progress sheet has gone, a window has become active again (the application's return to
    // the active state checks the session's sources), and the checks and writes of an external
    // catalogue (which run beside the tasks) have ended.
    const auto isIdle = [&] {
        const QWidget *active = QApplication::activeWindow();
        const auto flows =
            std::dynamic_pointer_cast<KTExternalStatusFlows>(KTExternalStatusSync::installed());
        return mainWindow().tasks().isEmpty() && !mainWindow().progressWindowController()->isSheetShown() &&
               active && active->isVisible() && !(flows && flows->hasPendingWork());
    };
    // Posted work may start the next step (a task, a sheet): idle is when draining changes nothing.
    QElapsedTimer elapsed;
    elapsed.start();
    for (;;) {
        const auto left = timeout - std::chrono::milliseconds(elapsed.elapsed());
        if (left.count() <= 0 || !waitUntil(isIdle, left))
            return false;
        drainMainQueue();
        if (isIdle())
            return true;
    }
}

// ---- Looking ----

KTImageMO *KTEndToEndTest::image(const QString &name) const
{
    const QList<KTImageMO *> images = catalogue().images();
    const auto found = std::find_if(images.begin(), images.end(),
                                    [&](const KTImageMO *image) { return fileName(image) == name; });
    return found == images.end() ? nullptr : *found;
}

QStringList KTEndToEndTest::namesOfImages(const std::function<bool(const KTImageMO &)> &test) const
{
    QStringList names;
    for (const KTImageMO *image : catalogue().images()) {
        if (test(*image))
            names.append(fileName(image));
    }
    names.sort();
    return names;
}

QStringList KTEndToEndTest::pickedNames() const
{
    return namesOfImages([](const KTImageMO &image) { return image.picked().value_or(false); });
}

QStringList KTEndToEndTest::rejectedNames() const
{
    return namesOfImages([](const KTImageMO &image) { return image.rejected().value_or(false); });
}

QStringList KTEndToEndTest::selectedNames() const
{
    QStringList names;
    QString active;
    activeMode().enumerateSelectedImagesUsingBlock([&](KTImageMO *image, bool isActive, bool &) {
        if (isActive)
            active = fileName(image);
        else
            names.append(fileName(image));
    });
    names.sort();
    if (!active.isEmpty())
        names.prepend(active);
    return names;
}

// ---- Photos ----

KTBurstFixtureOptions KTSessionPhotos::burstOptions(int scenes, int singles, unsigned seed)
{
    KTBurstFixtureOptions options;
    options.width = 96;
    options.height = 64;
    options.scenes = scenes;
    options.singles = singles;
    options.lookAlikes = 0;
    options.sameSpots = 0;
    options.seed = seed;
    return options;
}

QStringList KTSessionPhotos::writeBursts(const QString &folder, int scenes, int singles, unsigned seed)
{
    return writePhotos(makeBurstFixture(burstOptions(scenes, singles, seed)), folder);
}

QStringList KTSessionPhotos::writePhotos(const std::vector<KTBurstPhoto> &photos, const QString &folder)
{
    QStringList paths;
    for (const QString &path : writeBurstFixture(photos, folder)) {
        EXPECT_FALSE(path.isEmpty());
        paths.append(path);
    }
    return paths;
}

QStringList KTSessionPhotos::writeRawJpegPair(const QString &folder, const QString &baseName,
                                              const std::string &shot)
{
    const QString raw = QDir(folder).filePath(baseName + QStringLiteral(".dng"));
    const QString jpeg = QDir(folder).filePath(baseName + QStringLiteral(".jpg"));
    KTTinyDngFields fields;
    fields.dateTimeOriginal = shot;
    EXPECT_TRUE(writeTinyDng(raw, fields));
    EXPECT_TRUE(writeJpegWithExif(jpeg, {{"Exif.Image.Make", fields.make},
                                         {"Exif.Image.Model", fields.model},
                                         {"Exif.Photo.DateTimeOriginal", shot}}));
    return {raw, jpeg};
}

void KTSessionPhotos::writeJpegs(const QStringList &paths)
{
    // Photos of the burst fixture, cycled: bursts shot 1 s apart, and single shots.
    const KTBurstFixtureOptions defaults;
    const std::vector<KTBurstPhoto> photos =
        makeBurstFixture(burstOptions(defaults.scenes, defaults.singles, defaults.seed));
    for (qsizetype i = 0; i < paths.size(); ++i) {
        const KTBurstPhoto &photo = photos[std::size_t(i) % photos.size()];
        QDir().mkpath(QFileInfo(paths[i]).path());
        const QDateTime shot = photo.shotTime.addDays(i / qsizetype(photos.size()));
        EXPECT_TRUE(
            writePictureWithExif(paths[i], photo.image,
                                 {{"Exif.Photo.DateTimeOriginal",
                                   shot.toString(QStringLiteral("yyyy:MM:dd HH:mm:ss")).toStdString()}}));
    }
}
