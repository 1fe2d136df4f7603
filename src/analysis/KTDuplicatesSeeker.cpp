#include "KTDuplicatesSeeker.h"

#include "KTCatalogModel.h"
#include "KTDispatch.h"
#include "KTFilesManager.h"
#include "KTImageGroupMO.h"
#include "KTImageMO.h"
#include "KTImageStorage.h"
#include "KTImagesSimilarityLevelsManager.h"
#include "KTObjectContext.h"
#include "KTOperationQueue.h"
#include "KTSerialQueue.h"
#include "KTSimilarFinder.h"
#include "KTTasksNotifier.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QPointer>
#include <QtDebug>

#include <atomic>
#include <mutex>

namespace {

constexpr int kComparisonQueueWidth = 4;

/// Clears the running flag when the search leaves its scope, however it leaves.
class SearchFlag
{
public:
    explicit SearchFlag(std::atomic_bool &flag) : m_flag(flag) {}
    ~SearchFlag() { m_flag.store(false); }
    SearchFlag(const SearchFlag &) = delete;
    SearchFlag &operator=(const SearchFlag &) = delete;

private:
    std::atomic_bool &m_flag;
};

KTSearchSettings normalPreset()
{
    const auto preset = loadSettingsFromFile(presetPathForIndex(2));
    return preset ? *preset : KTSearchSettings{};
}

/// Forwards the finder's phases to the task bus in the order the finder reports them: each phase
/// is a task nested in "Searching Similars", with 100 steps and absolute progress reports.
/// Reports reach the notifier through one serial queue, because the finder reports from many
/// worker threads at once.
class PhaseReporter
{
public:
    explicit PhaseReporter(KTTaskSender sender)
        : m_sender(std::move(sender)), m_queue(QStringLiteral("Notify queue"))
    {}

    void report(const QString &phase, double percent)
    {
        m_queue.async([this, phase, percent] {
            KTTasksNotifier &notifier = KTTasksNotifier::sharedNotifier();
            if (phase != m_phase) {
                if (!m_phase.isEmpty())
                    notifier.taskDidFinish(m_phase, m_sender);
                if (!phase.isEmpty()) {
                    notifier.taskDidStart(phase, m_sender, KTTaskDidStartInfo::cancelable());
                    notifier.numberOfTaskStepsDidCalculate(100, m_sender);
                }
                m_phase = phase;
            }
            notifier.taskProgressDidUpdate(percent, m_sender);
        });
    }

    /// Waits for every report, then ends the last phase's task.
    void finish()
    {
        m_queue.sync([this] {
            if (!m_phase.isEmpty())
                KTTasksNotifier::sharedNotifier().taskDidFinish(m_phase, m_sender);
            m_phase.clear();
        });
    }

private:
    const KTTaskSender m_sender;
    KTSerialQueue m_queue;
    QString m_phase; // owned by m_queue
};

} // namespace

/// The seeker's state, owned jointly by the seeker and by every search and catalogue hook that
/// may still run on another thread once the seeker is gone. It holds no pointer to the seeker:
/// the cancel flag and the task sender are kept by value.
struct KTDuplicatesSeeker::State
{
    State(KTSimilarFinder *finder, QString levelsPath, std::shared_ptr<KTCancelFlag> flag,
          KTTaskSender sender)
        : finder(finder), imagesSimilarityLevelsDataFilePath(std::move(levelsPath)),
          cancelFlag(std::move(flag)), sender(std::move(sender)), manualSearchSettings(normalPreset())
    {}

    /// The search in `context` on its thread, unless one runs; see the seeker's method.
    void findInContext(const QVariant &level, double timeRange, KTObjectContext &context);
    /// The search, with the running flag already taken by the caller.
    void runSearch(const QVariant &level, double timeRange, KTObjectContext &context);
    void reset();
    KTSearchSettings currentManualSearchSettings() const
    {
        std::lock_guard lock(mutex);
        return manualSearchSettings;
    }

    KTSimilarFinder *const finder;
    const QString imagesSimilarityLevelsDataFilePath;
    const std::shared_ptr<KTCancelFlag> cancelFlag;
    const KTTaskSender sender; // made on the main thread with the seeker
    // Set by test-and-set, so two quick starts cannot both pass.
    std::atomic_bool duplicatesSearchDidStart{false};

    mutable std::mutex mutex; // guards the members below
    std::shared_ptr<KTImagesSimilarityLevelsManager> imagesSimilarityLevels;
    std::unique_ptr<KTOperationQueue> imagesComparisonQueue;
    KTSearchSettings manualSearchSettings;
    std::function<void(const QString &phase, double percent)> progressHook;
};

KTDuplicatesSeeker::KTDuplicatesSeeker(KTSimilarFinder *finder, QString imagesSimilarityLevelsDataFilePath,
                                       QObject *parent)
    : KTCancelablePerformer(parent),
      m_state(
          std::make_shared<State>(finder ? finder : &KTSimilarFinder::sharedInstance(),
                                  imagesSimilarityLevelsDataFilePath.isEmpty()
                                      ? KTFilesManager::sharedManager().imagesSimilarityLevelsDataFilePath()
                                      : std::move(imagesSimilarityLevelsDataFilePath),
                                  cancelFlag(), KTTaskSender(this)))
{}

KTDuplicatesSeeker::~KTDuplicatesSeeker() = default;

KTDuplicatesSeeker *KTDuplicatesSeeker::installInto(KTImageStorage &storage, KTSimilarFinder *finder)
{
    Q_ASSERT(isMainThread());
    auto *seeker = new KTDuplicatesSeeker(finder, {}, &storage);
    seeker->setManagedObjectContext(storage.managedObjectContext());
    const QPointer<KTDuplicatesSeeker> guarded(seeker);
    const std::shared_ptr<State> state = seeker->m_state;
    KTImageStorage::DuplicatesSearch search;
    search.find = [guarded](const QVariant &level, double timeRange) {
        if (guarded)
            guarded->findImagesDuplicatesWithSimilarityLevel(level, timeRange);
    };
    // The loading context's thread: the state, not the seeker, which may be destroyed meanwhile.
    search.findInContext = [state](const QVariant &level, double timeRange, KTObjectContext &context) {
        state->findInContext(level, timeRange, context);
    };
    search.reset = [state] { state->reset(); };
    storage.setDuplicatesSearch(std::move(search));
    // Clearing a session resets the similarity levels on the clearing context's queue.
    KTSessionHooks hooks = storage.sessionHooks();
    hooks.resetDuplicatesSeeker = [state] { state->reset(); };
    storage.setSessionHooks(std::move(hooks));
    return seeker;
}

void KTDuplicatesSeeker::setManagedObjectContext(std::shared_ptr<KTObjectContext> context)
{
    Q_ASSERT(isMainThread());
    m_managedObjectContext = std::move(context);
}

std::shared_ptr<KTObjectContext> KTDuplicatesSeeker::managedObjectContext() const
{
    Q_ASSERT(isMainThread());
    return m_managedObjectContext;
}

bool KTDuplicatesSeeker::duplicatesSearchDidStart() const
{
    return m_state->duplicatesSearchDidStart.load();
}

void KTDuplicatesSeeker::findImagesDuplicatesWithSimilarityLevel(const QVariant &level, double timeRange)
{
    Q_ASSERT_X(isMainThread(), "KTDuplicatesSeeker",
               "The thread for findImagesDuplicatesWithSimilarityLevel should be main");
    if (!m_managedObjectContext || m_state->duplicatesSearchDidStart.exchange(true))
        return;
    setCurrentTaskCanceled(false);
    auto child = KTObjectContext::makeChildContext(m_managedObjectContext);
    child->perform([state = m_state, level, timeRange, context = child.get()] {
        KTTasksNotifier &notifier = KTTasksNotifier::sharedNotifier();
        {
            SearchFlag flag(state->duplicatesSearchDidStart);
            state->cancelFlag->setCanceled(false);
            // Still raised: the seeker was destroyed before the search began.
            if (state->cancelFlag->isCanceled())
                return;
            notifier.taskDidStart(kSearchDuplicatesTaskName, state->sender, KTTaskDidStartInfo::cancelable());
            state->runSearch(level, timeRange, *context);
        }
        if (!state->cancelFlag->isCanceled()) {
            QString error;
            if (!context->save(&error))
                qWarning().noquote() << "Warning: the similar groups could not be saved:" << error;
        }
        notifier.taskDidFinish(kSearchDuplicatesTaskName, state->sender);
    });
}

void KTDuplicatesSeeker::findImagesDuplicatesWithSimilarityLevel(const QVariant &level, double timeRange,
                                                                 KTObjectContext &context)
{
    m_state->findInContext(level, timeRange, context);
}

void KTDuplicatesSeeker::State::findInContext(const QVariant &level, double timeRange,
                                              KTObjectContext &context)
{
    if (duplicatesSearchDidStart.exchange(true))
        return;
    SearchFlag flag(duplicatesSearchDidStart);
    // Its phases are cancelable tasks of their own: a cancel of an earlier search must not stop
    // this one before it starts. A flag still raised after that says the seeker is gone.
    cancelFlag->setCanceled(false);
    if (!cancelFlag->isCanceled())
        runSearch(level, timeRange, context);
}

void KTDuplicatesSeeker::State::runSearch(const QVariant &level, double timeRange, KTObjectContext &context)
{
    for (KTStoreObject *group : context.fetch({kImageGroupEntityName, {}, {}}))
        context.deleteObject(group);

    QHash<QString, KTImageMO *> imagesByID;
    for (KTImageMO *image : context.fetchAs<KTImageMO>({kImageEntityName, {}, {}})) {
        if (image->picked().value_or(false) || image->rejected().value_or(false))
            continue;
        const QString uuid = image->uuid();
        if (uuid.isEmpty()) {
            qWarning().noquote() << "Error: Image ID should not be nil.";
            continue;
        }
        if (image->path().isEmpty()) {
            qWarning().noquote() << "Error: Image path should not be nil.";
            continue;
        }
        imagesByID.insert(uuid, image);
    }
    if (imagesByID.isEmpty())
        return;

    finder->clearPhotoPool();
    for (auto it = imagesByID.cbegin(); it != imagesByID.cend(); ++it)
        finder->addPhotoWithID(it.key(), it.value()->path());

    PhaseReporter reporter(sender);
    std::function<void(const QString &, double)> hook;
    {
        std::lock_guard lock(mutex);
        hook = progressHook;
    }
    const KTSimilarFinder::ProgressBlock progress =
        [flag = cancelFlag, &reporter, hook](const QString &phase, std::atomic_bool *stop, double percent) {
            if (hook)
                hook(phase, percent);
            stop->store(flag->isCanceled());
            reporter.report(phase, percent);
        };
    const KTSimilarFinder::Callback insertGroups =
        [&context, &imagesByID](const KTSimilarFinder::Clusters &clusters) {
            QList<KTImageGroupMO *> groups;
            for (const QStringList &cluster : clusters) {
                QList<KTImageMO *> images;
                for (const QString &id : cluster) {
                    if (KTImageMO *image = imagesByID.value(id))
                        images.append(image);
                    else
                        qWarning().noquote() << QStringLiteral("Warning: Absent image for id: %1").arg(id);
                }
                if (images.size() < 2) {
                    qWarning().noquote() << "Error: Group cannot contains less than 2 images.";
                    continue;
                }
                auto *group = context.insert<KTImageGroupMO>(kImageGroupEntityName);
                group->addImages(images);
                groups.append(group);
            }
            // An image stands in one group only: a later group takes it from an earlier one, which
            // may leave that one with a single image; such a group is no group of similar images.
            for (KTImageGroupMO *group : groups) {
                const qsizetype count = group->images().size();
                if (count < 2) {
                    qWarning().noquote()
                        << QStringLiteral("Dropping a similar group left with %1 image(s)").arg(count);
                    context.deleteObject(group);
                }
            }
        };

    const int levelNumber = level.isValid() ? level.toInt() : 0;
    if (levelNumber >= 1 && levelNumber <= int(KTSimilarFinderModes.size())) {
        finder->clasterizeWithMode(levelNumber - 1, timeRange, insertGroups, progress);
    } else {
        qInfo().noquote() << "Manual search settings";
        finder->clasterizeWithSettings(currentManualSearchSettings(), timeRange, insertGroups, progress);
    }
    reporter.finish();
}

void KTDuplicatesSeeker::reset()
{
    m_state->reset();
}

void KTDuplicatesSeeker::State::reset()
{
    std::lock_guard lock(mutex);
    imagesSimilarityLevels.reset();
    if (imagesComparisonQueue)
        imagesComparisonQueue->cancelAllOperations();
    QFile file(imagesSimilarityLevelsDataFilePath);
    if (file.exists() && !file.remove()) {
        qWarning().noquote() << QStringLiteral("Failed to delete file at path %1 with error %2")
                                    .arg(imagesSimilarityLevelsDataFilePath, file.errorString());
    }
}

std::shared_ptr<KTImagesSimilarityLevelsManager> KTDuplicatesSeeker::imagesSimilarityLevels()
{
    State &state = *m_state;
    std::lock_guard lock(state.mutex);
    if (!state.imagesSimilarityLevels) {
        const QString &path = state.imagesSimilarityLevelsDataFilePath;
        state.imagesSimilarityLevels =
            QFileInfo(path).isFile()
                ? std::make_shared<KTImagesSimilarityLevelsManager>(path, kNumberOfSimilarityLevels)
                : std::make_shared<KTImagesSimilarityLevelsManager>(kNumberOfSimilarityLevels);
    }
    return state.imagesSimilarityLevels;
}

KTOperationQueue &KTDuplicatesSeeker::imagesComparisonQueue()
{
    State &state = *m_state;
    std::lock_guard lock(state.mutex);
    if (!state.imagesComparisonQueue) {
        state.imagesComparisonQueue = std::make_unique<KTOperationQueue>();
        // A fixed width: the queue must not follow the application's activity like the shared one.
        state.imagesComparisonQueue->prepareForDeleting();
        state.imagesComparisonQueue->setMaxConcurrentOperationCount(kComparisonQueueWidth);
    }
    return *state.imagesComparisonQueue;
}

void KTDuplicatesSeeker::setManualSearchSettings(const KTSearchSettings &settings)
{
    std::lock_guard lock(m_state->mutex);
    m_state->manualSearchSettings = settings;
}

KTSearchSettings KTDuplicatesSeeker::manualSearchSettings() const
{
    return m_state->currentManualSearchSettings();
}

void KTDuplicatesSeeker::setProgressHook(std::function<void(const QString &phase, double percent)> hook)
{
    std::lock_guard lock(m_state->mutex);
    m_state->progressHook = std::move(hook);
}
