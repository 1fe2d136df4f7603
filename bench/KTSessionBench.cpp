// A photographer's session of 20,000 photos (small JPEGs with EXIF, imported and searched) in the
// application started as a process of its own. Timed from just before that process is started
// (fork and exec, loading the libraries and the catalogue, building the window): the
// similar-groups mode painted with a picture in every cell on screen (target: under 1.5 s), with
// the first paint of the mode and the paint with every cell's sized thumbnail (which each cell
// asks for after a quiet period of 0.3 s) as counters. Each timed start follows an untimed one,
// so the session's files are in the page cache. Then the peak resident memory of that process
// after the group list has been scrolled to its end a page at a time, each page shown with its
// sized thumbnails (target: under 1.5 GB).
//
// A day of use, in a session of 20,000 photos whose first day (500 photos) comes from a 24 MP
// camera: every group of the similar groups and of the timeline scrolled through, the 500
// images of the first day stepped through in the single-image view with the clipped exposure and
// the focus mask on in every viewer, and 100 pairs compared. Counters: the peak resident memory
// (target: under 1.5 GB), the resident memory at the middle of the run and at its end, and the
// growth over the second half (target: 5 % at most).
//
// The program plays three parts. Without arguments it is the benchmark. With --build HOME KIND it
// writes the photos and imports them into the catalogue of that home by the catalogue's own
// import, with the similarity search and the time grouping, once: the home is kept in the
// temporary folder and reused by later runs. With --child MODE it is the application: it starts
// exactly as the program does (KTApplicationStart) in the home the benchmark gives it and reports
// each stage on its standard output; in MODE "scroll" it then scrolls through the groups and
// reports its peak resident memory, in MODE "day" it walks through the day of use.

#include "KTAnalysisSessionHooks.h"
#include "KTAppDelegate.h"
#include "KTApplicationStart.h"
#include "KTBackgroundWork.h"
#include "KTBenchMemory.h"
#include "KTBurstFixture.h"
#include "KTDuplicatesSeeker.h"
#include "KTGroupModeController.h"
#include "KTImageCollectionViewCellImageView.h"
#include "KTImageCompareView.h"
#include "KTImageStorage.h"
#include "KTImageView.h"
#include "KTImagesGroupsView.h"
#include "KTMainWindowController.h"
#include "KTSessionImport.h"
#include "KTTipsWindow.h"
#include "KTUserDefaults.h"
#include "KTWindowWalk.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QtConcurrent>

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdio>

namespace {

constexpr int kFolders = 40;
constexpr int kPhotosPerFolder = 500;
// Bump when the generated session changes, so that an older cached one is built again.
constexpr int kSessionVersion = 1;

/// A generated session of the benchmarks: the start and scroll measures use one of small photos
/// only; the day of use has the photos of its first day from a 24 MP camera.
struct SessionKind
{
    const char *name;
    int largeFolders;
};
constexpr SessionKind kSmallPhotos{"session", 0};
constexpr SessionKind kFirstDayLarge{"day", 1};
const QSize kLargePhoto(6000, 4000);

QString cachedHome(const SessionKind &kind)
{
    return QDir::tempPath() + QStringLiteral("/vireoscope-bench-%1-%2-v%3")
                                  .arg(QLatin1String(kind.name))
                                  .arg(kFolders * kPhotosPerFolder)
                                  .arg(kSessionVersion);
}

QString readyMarker(const QString &home)
{
    return home + QStringLiteral("/ready");
}

/// Points settings, data and caches at `home`, as a user's own home would hold them.
void useHome(QProcessEnvironment &environment, const QString &home)
{
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/config"));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/data"));
    environment.insert(QStringLiteral("XDG_CACHE_HOME"), home + QStringLiteral("/cache"));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
}

// ---- The session, built once ----------------------------------------------------------------

/// Writes the folders of photos: bursts of a scene 1 s apart, look-alikes and single shots,
/// each folder a day of its own; the first `largeFolders` days at 24 MP (smooth enlargements, so
/// the files stay small).
QStringList writePhotos(const QString &root, int largeFolders)
{
    QList<int> indexes;
    for (int i = 0; i < kFolders; ++i)
        indexes.append(i);
    std::atomic<bool> failed = false;
    QThreadPool pool;
    pool.setMaxThreadCount(4);
    QtConcurrent::blockingMap(&pool, indexes, [&](int index) {
        KTBurstFixtureOptions options;
        options.width = 360;
        options.height = 240;
        options.scenes = 100;
        options.lookAlikes = 2;
        options.sameSpots = 2;
        options.seed = 1000u + unsigned(index);
        // 100 scenes make 466 photos; singles fill the folder up.
        options.singles = kPhotosPerFolder - 466;
        std::vector<KTBurstPhoto> photos = makeBurstFixture(options);
        for (KTBurstPhoto &photo : photos)
            photo.shotTime = photo.shotTime.addDays(index);
        const QString folder = root + QStringLiteral("/Day %1").arg(index + 1, 2, 10, QLatin1Char('0'));
        // A large photo is made just before it is written, one at a time: a folder of them
        // would not fit in memory.
        const int groups = index < largeFolders ? int(photos.size()) : 1;
        const std::size_t perGroup = (photos.size() + std::size_t(groups) - 1) / std::size_t(groups);
        for (std::size_t first = 0; first < photos.size(); first += perGroup) {
            std::vector<KTBurstPhoto> some(photos.begin() + std::ptrdiff_t(first),
                                           photos.begin() +
                                               std::ptrdiff_t(std::min(photos.size(), first + perGroup)));
            if (index < largeFolders) {
                for (KTBurstPhoto &photo : some)
                    photo.image =
                        photo.image.scaled(kLargePhoto, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            }
            for (const QString &path : writeBurstFixture(some, folder)) {
                if (path.isEmpty())
                    failed = true;
            }
        }
    });
    if (failed)
        return {};
    QStringList folders;
    for (int i = 0; i < kFolders; ++i)
        folders.append(root + QStringLiteral("/Day %1").arg(i + 1, 2, 10, QLatin1Char('0')));
    return folders;
}

/// The --build part: the photos under HOME/Photos imported into HOME's catalogue by the
/// catalogue's own import, searched for similar groups and grouped by time, and saved.
int buildSession(const QString &home, const SessionKind &kind)
{
    KTApplicationStart::nameApplication();
    QElapsedTimer timer;
    timer.start();
    const QStringList folders = writePhotos(home + QStringLiteral("/Photos"), kind.largeFolders);
    if (folders.isEmpty()) {
        std::fprintf(stderr, "bench_session: the photos could not be written\n");
        return 1;
    }
    std::fprintf(stderr, "bench_session: %d photos written in %.1f s\n", kFolders * kPhotosPerFolder,
                 timer.elapsed() / 1000.0);

    KTImageStorage &storage = *KTImageStorage::sharedStorage();
    KTAnalysisSessionHooks::install(storage);
    KTDuplicatesSeeker::installInto(storage);
    if (!storage.managedObjectContext())
        return 1;
    QString importError;
    if (!importFolders(storage, folders, 3600, &importError)) {
        std::fprintf(stderr, "bench_session: %s\n", qPrintable(importError));
        return 1;
    }
    KTError error;
    if (!storage.saveChangesOrReturnError(&error))
        return 1;
    std::fprintf(stderr, "bench_session: %lld images, %lld similar groups, %lld time groups in %.1f s\n",
                 qlonglong(storage.images().size()), qlonglong(storage.groups().size()),
                 qlonglong(storage.timeGroups().size()), timer.elapsed() / 1000.0);

    // The photographer reviews similar groups; the tips were dismissed at the first launch.
    KTUserDefaults &defaults = KTUserDefaults::standardUserDefaults();
    defaults.setObject(QStringLiteral("Duplicates"), kUIModeKey);
    defaults.setBool(false, kKTShowTipsKey);
    defaults.synchronize();
    QFile marker(readyMarker(home));
    return marker.open(QIODevice::WriteOnly) ? 0 : 1;
}

/// The cached home with its session; builds it in a child process (the catalogue is a
/// process-wide singleton) when it is missing. Empty when it could not be built.
QString sessionHome(const char *program, const SessionKind &kind)
{
    const QString home = cachedHome(kind);
    if (QFile::exists(readyMarker(home)))
        return home;
    QDir(home).removeRecursively();
    QDir().mkpath(home);
    QProcess build;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    useHome(environment, home);
    build.setProcessEnvironment(environment);
    build.setProcessChannelMode(QProcess::ForwardedChannels);
    build.start(QString::fromLocal8Bit(program),
                {QStringLiteral("--build"), home, QString::fromLatin1(kind.name)});
    if (!build.waitForFinished(-1) || build.exitCode() != 0)
        return {};
    return home;
}

// ---- The application, as a child process -------------------------------------------------------

/// What a thumbnail on screen must have for a grid to count as shown.
enum class Pictures
{
    /// A picture: the small cached thumbnail or the one of the cell's size.
    Any,
    /// The thumbnail of the cell's size, asked for after the cell's 0.3 s quiet period.
    Sized,
};

/// Every thumbnail on screen in the grids of `view` has its picture (or its file is known to be
/// missing), and there is at least one.
bool thumbnailsShown(QWidget *view, Pictures pictures)
{
    const auto cells = view->findChildren<KTImageCollectionViewCellImageView *>();
    bool any = false;
    for (const KTImageCollectionViewCellImageView *cell : cells) {
        if (!cell->isVisibleTo(view->window()) || cell->visibleRegion().isEmpty())
            continue;
        any = true;
        const bool loaded =
            cell->previewDidLoad() || (pictures == Pictures::Any && cell->lowResPreviewDidLoad());
        if (!loaded && !cell->isFileMissing())
            return false;
    }
    return any;
}

const KTApplicationStart *s_start = nullptr;

/// The mode on screen, once the application has made its main window.
KTGroupModeController *shownMode()
{
    if (!s_start || !s_start->delegate())
        return nullptr;
    KTMainWindowController *controller = s_start->delegate()->mainWindowController();
    return dynamic_cast<KTGroupModeController *>(controller->activeModeViewController());
}

void report(const char *line)
{
    std::printf("%s\n", line);
    std::fflush(stdout);
}

/// Watches the paints of the mode's view and reports ("painted", "thumbnails", "sized") the
/// first one, the first with a picture in every cell on screen, and the first with every cell's
/// sized thumbnail; a stage is reported once its paint has been delivered.
class PaintWatcher : public QObject
{
public:
    explicit PaintWatcher(std::function<void()> whenSized) : m_whenSized(std::move(whenSized))
    {
        qApp->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *object, QEvent *event) override
    {
        if (event->type() != QEvent::Paint || m_stage == Stage::Sized || !object->isWidgetType())
            return false;
        KTGroupModeController *mode = shownMode();
        auto *widget = static_cast<QWidget *>(object);
        if (!mode || !mode->view() || !(widget == mode->view() || mode->view()->isAncestorOf(widget)))
            return false;
        const Stage reached = thumbnailsShown(mode->view(), Pictures::Sized) ? Stage::Sized
                              : thumbnailsShown(mode->view(), Pictures::Any) ? Stage::Thumbnails
                                                                             : Stage::Painted;
        for (int stage = int(m_stage) + 1; stage <= int(reached); ++stage) {
            QTimer::singleShot(0, this, [this, stage = Stage(stage)] {
                report(stage == Stage::Painted      ? "painted"
                       : stage == Stage::Thumbnails ? "thumbnails"
                                                    : "sized");
                if (stage == Stage::Sized)
                    m_whenSized();
            });
        }
        m_stage = std::max(m_stage, reached);
        return false;
    }

private:
    enum class Stage
    {
        None,
        Painted,
        Thumbnails,
        Sized,
    };
    std::function<void()> m_whenSized;
    Stage m_stage = Stage::None;
};

/// Turns the event loop until `done` holds or `milliseconds` have passed.
void settle(const std::function<bool()> &done, int milliseconds)
{
    QDeadlineTimer deadline(milliseconds);
    while (!done() && !deadline.hasExpired())
        QApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 20);
}

struct ScrollCount
{
    int pages = 0;
    int late = 0;
};

/// Scrolls the group list of the mode on screen to its end a page at a time, each page shown
/// with its sized thumbnails (waiting 2 s at most); `afterPage` runs after each page.
ScrollCount scrollGroupsToTheEnd(const std::function<void()> &afterPage = {})
{
    KTGroupModeController *mode = shownMode();
    QAbstractScrollArea *area = nullptr;
    for (QWidget *w = mode ? mode->groupsView() : nullptr; w && !area; w = w->parentWidget())
        area = qobject_cast<QAbstractScrollArea *>(w);
    ScrollCount count;
    if (!area)
        return count;
    QScrollBar *bar = area->verticalScrollBar();
    while (true) {
        const auto shown = [mode] { return thumbnailsShown(mode->view(), Pictures::Sized); };
        settle(shown, 2000);
        count.late += shown() ? 0 : 1;
        ++count.pages;
        // Progress for the long runs, on the error channel the benchmark passes on.
        if (count.pages % 50 == 0)
            std::fprintf(stderr, "page %d of %d, late %d\n", count.pages,
                         bar->maximum() / std::max(1, bar->pageStep()) + 1, count.late);
        if (afterPage)
            afterPage();
        if (bar->value() >= bar->maximum())
            break;
        bar->setValue(bar->value() + bar->pageStep());
        QApplication::processEvents();
    }
    return count;
}

/// Scrolls the similar groups to their end and reports the pages, those that did not show their
/// sized thumbnails within 2 s, and the peak resident memory.
void scrollThrough()
{
    const ScrollCount count = scrollGroupsToTheEnd();
    std::printf("pages %d late %d\n", count.pages, count.late);
    std::printf("peak %.1f\n", peakResidentMegabytes());
    std::fflush(stdout);
}

/// The resident memory along a run: one sample after each step.
struct MemorySamples
{
    std::vector<double> resident;
    std::vector<double> peak;

    void take()
    {
        resident.push_back(residentMegabytes());
        peak.push_back(peakResidentMegabytes());
    }
};

/// Every viewer of the window with the clipped exposure and the focus mask on, as the views that
/// follow the two switches have them.
void showOverlaysInEveryViewer(KTMainWindowController &window)
{
    for (KTImageView *view : window.window()->findChildren<KTImageView *>()) {
        view->setShowsExposurePixels(true);
        view->setShowsFocusMask(true);
    }
}

/// True once `view` shows `path` with both overlays made for it: their pictures are new since
/// `before` (the cache keys of the two overlay layers before the step).
bool overlaysShown(const KTImageView &view, const QString &path, std::pair<qint64, qint64> before)
{
    const QImage exposure = view.layer(KTImageView::Layer::ExposurePixels).contents;
    const QImage mask = view.layer(KTImageView::Layer::FocusMask).contents;
    return view.path() == path && !exposure.isNull() && !mask.isNull() &&
           exposure.cacheKey() != before.first && mask.cacheKey() != before.second;
}

std::pair<qint64, qint64> overlayKeys(const KTImageView &view)
{
    return {view.layer(KTImageView::Layer::ExposurePixels).contents.cacheKey(),
            view.layer(KTImageView::Layer::FocusMask).contents.cacheKey()};
}

/// A day of culling: every group of the similar groups and of the timeline scrolled through a
/// page at a time; 500 images stepped through in the timeline's single-image view with the
/// clipped exposure and the focus mask on, each until both overlays are made (10 s at most);
/// 100 pairs compared, each until the new one's overlays are made. Reports the resident memory
/// at the middle of the run (by steps) and at its end, and the peak.
void walkTheDay()
{
    KTMainWindowController &window = *s_start->delegate()->mainWindowController();
    MemorySamples samples;
    const auto take = [&samples] { samples.take(); };
    // The session keeps the mode and the switches a run ended with: every run starts from the
    // similar groups' grid, the overlays off.
    KTUserDefaults::standardUserDefaults().setBool(false, QStringLiteral("showsFocusMask"));
    const auto showGrid = [&](Qt::Key modeKey, const QString &uiMode) {
        KTWindowWalk::press(window, modeKey);
        KTWindowWalk::waitFor([&] { return window.UIMode() == uiMode && shownMode(); });
        if (KTGroupModeController *mode = shownMode()) {
            mode->setShowsExposurePixels(false);
            KTWindowWalk::press(window, Qt::Key_1, Qt::ControlModifier);
            KTWindowWalk::waitFor([&] { return mode->UIMode() == kUIModeGroups; });
        }
    };
    showGrid(Qt::Key_S, kDuplicatesUIMode);
    ScrollCount pages = scrollGroupsToTheEnd(take);
    showGrid(Qt::Key_T, kAllImagesUIMode);
    const ScrollCount timeline = scrollGroupsToTheEnd(take);
    pages.pages += timeline.pages;
    pages.late += timeline.late;

    KTUserDefaults::standardUserDefaults().setBool(true, QStringLiteral("showsFocusMask"));
    KTWindowWalk::press(window, Qt::Key_3, Qt::ControlModifier);
    KTGroupModeController *mode = shownMode();
    KTImageView *viewer = mode ? mode->imageView() : nullptr;
    int images = 0;
    int late = 0;
    if (viewer) {
        mode->setShowsExposurePixels(true);
        showOverlaysInEveryViewer(window);
        for (; images < 500; ++images) {
            const QString previous = viewer->path();
            const auto before = overlayKeys(*viewer);
            KTWindowWalk::press(window, Qt::Key_Right);
            // The end of a group: on to the next one.
            if (viewer->path() == previous)
                KTWindowWalk::press(window, Qt::Key_BracketRight, Qt::ControlModifier);
            if (viewer->path() == previous)
                break;
            const QString path = viewer->path();
            if (!KTWindowWalk::waitFor([&] { return overlaysShown(*viewer, path, before); },
                                       std::chrono::seconds(10)))
                ++late;
            take();
        }
    }

    KTWindowWalk::press(window, Qt::Key_4, Qt::ControlModifier);
    KTImageCompareView *compare = mode ? mode->compareView() : nullptr;
    int pairs = 0;
    if (compare) {
        showOverlaysInEveryViewer(window);
        KTImageView *other = compare->rightImageView();
        for (; pairs < 100; ++pairs) {
            const QString previous = other->path();
            const auto before = overlayKeys(*other);
            KTWindowWalk::press(window, Qt::Key_Right);
            if (other->path() == previous)
                KTWindowWalk::press(window, Qt::Key_BracketRight, Qt::ControlModifier);
            if (other->path() == previous)
                break;
            const QString path = other->path();
            if (!KTWindowWalk::waitFor([&] { return overlaysShown(*other, path, before); },
                                       std::chrono::seconds(10)))
                ++late;
            take();
        }
    }

    const std::size_t middle = samples.resident.size() / 2;
    std::printf("pages %d late %d\n", pages.pages, pages.late);
    std::printf("images %d pairs %d late_overlays %d\n", images, pairs, late);
    if (!samples.resident.empty()) {
        std::printf("middle %.1f %.1f\n", samples.resident[middle], samples.peak[middle]);
        std::printf("end %.1f %.1f\n", samples.resident.back(), samples.peak.back());
    }
    std::printf("peak %.1f\n", peakResidentMegabytes());
    std::fflush(stdout);
}

/// How long a child may run: ten minutes, an hour for the day of use.
int runTimeout(const QString &mode)
{
    return mode == QLatin1String("day") ? 3600000 : 600000;
}

/// The --child part: the application's start as main() does it, with the paint watcher.
int runChild(int argc, char **argv, const QString &mode)
{
    QApplication app(argc, argv);
    KTApplicationStart::nameApplication();
    KTApplicationStart start({});
    if (start.handOffToRunningInstance())
        return 1;
    s_start = &start;
    PaintWatcher watcher([mode] {
        if (mode == QLatin1String("scroll"))
            scrollThrough();
        else if (mode == QLatin1String("day"))
            walkTheDay();
        QApplication::exit(0);
    });
    start.launch();
    // A start that never shows its thumbnails ends rather than hangs the benchmark.
    QTimer::singleShot(runTimeout(mode), [] { QApplication::exit(2); });
    const int exitCode = QApplication::exec();
    KTBackgroundWork::finish();
    return exitCode;
}

// ---- The benchmark -------------------------------------------------------------------------------

const char *s_program = nullptr;

struct ChildRun
{
    double firstPaintSeconds = 0;
    double thumbnailsSeconds = 0;
    double sizedSeconds = 0;
    double peakMegabytes = 0;
    int pages = 0;
    int latePages = 0;
    // The day of use.
    int images = 0;
    int pairs = 0;
    int lateOverlays = 0;
    double middleResident = 0;
    double middlePeak = 0;
    double endResident = 0;
    double endPeak = 0;
    bool ok = false;
};

/// Starts the application in the session's home and reads its reports; the times are measured
/// here, from just before the process is started.
ChildRun runApplication(const QString &home, const QString &mode)
{
    ChildRun run;
    QTemporaryDir runtime;
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    useHome(environment, home);
    // A runtime folder of its own, so no other running instance takes the start.
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::SeparateChannels);
    child.setReadChannel(QProcess::StandardOutput);
    QElapsedTimer clock;
    clock.start();
    child.start(QString::fromLocal8Bit(s_program), {QStringLiteral("--child"), mode});
    while (child.state() != QProcess::NotRunning || child.canReadLine()) {
        if (!child.canReadLine() && !child.waitForReadyRead(runTimeout(mode)))
            break;
        while (child.canReadLine()) {
            const QByteArray line = child.readLine().trimmed();
            const double seconds = clock.nsecsElapsed() / 1e9;
            if (line == "painted")
                run.firstPaintSeconds = seconds;
            else if (line == "thumbnails")
                run.thumbnailsSeconds = seconds;
            else if (line == "sized")
                run.sizedSeconds = seconds;
            else if (line.startsWith("peak "))
                run.peakMegabytes = line.mid(5).toDouble();
            else if (line.startsWith("pages ")) {
                run.pages = line.split(' ').value(1).toInt();
                run.latePages = line.split(' ').value(3).toInt();
            } else if (line.startsWith("images ")) {
                run.images = line.split(' ').value(1).toInt();
                run.pairs = line.split(' ').value(3).toInt();
                run.lateOverlays = line.split(' ').value(5).toInt();
            } else if (line.startsWith("middle ")) {
                run.middleResident = line.split(' ').value(1).toDouble();
                run.middlePeak = line.split(' ').value(2).toDouble();
            } else if (line.startsWith("end ")) {
                run.endResident = line.split(' ').value(1).toDouble();
                run.endPeak = line.split(' ').value(2).toDouble();
            }
        }
    }
    child.waitForFinished(60000);
    const QByteArray errors = child.readAllStandardError();
    if (child.exitCode() != 0 && !errors.isEmpty())
        std::fprintf(stderr, "%s\n", errors.constData());
    run.ok = child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0 && run.sizedSeconds > 0;
    return run;
}

void BM_StartToSimilarGroupsPainted(benchmark::State &state)
{
    const QString home = sessionHome(s_program, kSmallPhotos);
    if (home.isEmpty()) {
        state.SkipWithError("the session could not be built");
        return;
    }
    // One start untimed, so every timed start finds the session's files in the page cache alike.
    runApplication(home, QStringLiteral("start"));
    double firstPaint = 0;
    double sized = 0;
    for (auto _ : state) {
        const ChildRun run = runApplication(home, QStringLiteral("start"));
        if (!run.ok) {
            state.SkipWithError("the application did not show the similar groups");
            return;
        }
        state.SetIterationTime(run.thumbnailsSeconds);
        firstPaint += run.firstPaintSeconds;
        sized += run.sizedSeconds;
    }
    state.counters["first_paint_s"] = benchmark::Counter(firstPaint, benchmark::Counter::kAvgIterations);
    state.counters["sized_s"] = benchmark::Counter(sized, benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_StartToSimilarGroupsPainted)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_PeakMemoryAfterScrollingTheGroups(benchmark::State &state)
{
    const QString home = sessionHome(s_program, kSmallPhotos);
    if (home.isEmpty()) {
        state.SkipWithError("the session could not be built");
        return;
    }
    for (auto _ : state) {
        const ChildRun run = runApplication(home, QStringLiteral("scroll"));
        if (!run.ok || run.peakMegabytes <= 0) {
            state.SkipWithError("the application did not scroll through the groups");
            return;
        }
        state.counters["peak_rss_MB"] = run.peakMegabytes;
        state.counters["pages"] = run.pages;
        state.counters["late_pages"] = run.latePages;
    }
}
BENCHMARK(BM_PeakMemoryAfterScrollingTheGroups)->Unit(benchmark::kSecond)->Iterations(1);

void BM_DayOfUse(benchmark::State &state)
{
    const QString home = sessionHome(s_program, kFirstDayLarge);
    if (home.isEmpty()) {
        state.SkipWithError("the session could not be built");
        return;
    }
    for (auto _ : state) {
        const ChildRun run = runApplication(home, QStringLiteral("day"));
        if (!run.ok || run.endResident <= 0) {
            state.SkipWithError("the application did not walk through the day");
            return;
        }
        state.counters["peak_rss_MB"] = run.peakMegabytes;
        state.counters["middle_rss_MB"] = run.middleResident;
        state.counters["end_rss_MB"] = run.endResident;
        state.counters["second_half_growth_pct"] =
            100.0 * (run.endResident - run.middleResident) / run.middleResident;
        state.counters["middle_peak_MB"] = run.middlePeak;
        state.counters["second_half_peak_growth_pct"] =
            100.0 * (run.endPeak - run.middlePeak) / run.middlePeak;
        state.counters["pages"] = run.pages;
        state.counters["late_pages"] = run.latePages;
        state.counters["images"] = run.images;
        state.counters["pairs"] = run.pairs;
        state.counters["late_overlays"] = run.lateOverlays;
    }
}
BENCHMARK(BM_DayOfUse)->Unit(benchmark::kSecond)->Iterations(1);

} // namespace

int main(int argc, char **argv)
{
    if (argc >= 3 && qstrcmp(argv[1], "--child") == 0)
        return runChild(argc, argv, QString::fromLocal8Bit(argv[2]));
    if (argc >= 4 && qstrcmp(argv[1], "--build") == 0) {
        QApplication app(argc, argv);
        return buildSession(QString::fromLocal8Bit(argv[2]),
                            qstrcmp(argv[3], kFirstDayLarge.name) == 0 ? kFirstDayLarge : kSmallPhotos);
    }
    s_program = argv[0];
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
