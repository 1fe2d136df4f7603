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
    explicit PhaseReporter(QObject *sender) : m_sender(sender), m_queue(QStringLiteral("Notify queue")) {}

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
    QObject *m_sender;
    KTSerialQueue m_queue;
    QString m_phase; // owned by m_queue
};

} // namespace

KTDuplicatesSeeker::KTDuplicatesSeeker(KTSimilarFinder *finder, QString imagesSimilarityLevelsDataFilePath,
                                       QObject *parent)
    : KTCancelablePerformer(parent), m_finder(finder ? finder : &KTSimilarFinder::sharedInstance()),
      m_imagesSimilarityLevelsDataFilePath(
          imagesSimilarityLevelsDataFilePath.isEmpty()
              ? KTFilesManager::sharedManager().imagesSimilarityLevelsDataFilePath()
              : std::move(imagesSimilarityLevelsDataFilePath)),
      m_manualSearchSettings(normalPreset())
{}

KTDuplicatesSeeker::~KTDuplicatesSeeker() = default;

KTDuplicatesSeeker *KTDuplicatesSeeker::installInto(KTImageStorage &storage, KTSimilarFinder *finder)
{
    Q_ASSERT(isMainThread());
    auto *seeker = new KTDuplicatesSeeker(finder, {}, &storage);
    seeker->setManagedObjectContext(storage.managedObjectContext());
    const QPointer<KTDuplicatesSeeker> guarded(seeker);
    KTImageStorage::DuplicatesSearch search;
    search.find = [guarded](const QVariant &level, double timeRange) {
        if (guarded)
            guarded->findImagesDuplicatesWithSimilarityLevel(level, timeRange);
    };
    // The loading context's thread: the seeker lives as long as the catalogue that runs the load.
    search.findInContext = [guarded](const QVariant &level, double timeRange, KTObjectContext &context) {
        if (KTDuplicatesSeeker *live = guarded.data())
            live->findImagesDuplicatesWithSimilarityLevel(level, timeRange, context);
    };
    search.reset = [guarded] {
        if (guarded)
            guarded->reset();
    };
    storage.setDuplicatesSearch(std::move(search));
    // Clearing a session resets the seeker (and so its similarity levels) on the clearing
    // context's queue; the seeker lives as long as the catalogue.
    KTSessionHooks hooks = storage.sessionHooks();
    hooks.resetDuplicatesSeeker = [guarded] {
        if (KTDuplicatesSeeker *live = guarded.data())
            live->reset();
    };
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

void KTDuplicatesSeeker::findImagesDuplicatesWithSimilarityLevel(const QVariant &level, double timeRange)
{
    Q_ASSERT_X(isMainThread(), "KTDuplicatesSeeker",
               "The thread for findImagesDuplicatesWithSimilarityLevel should be main");
    if (!m_managedObjectContext || m_duplicatesSearchDidStart.exchange(true))
        return;
    setCurrentTaskCanceled(false);
    auto child = KTObjectContext::makeChildContext(m_managedObjectContext);
    const QPointer<KTDuplicatesSeeker> self(this);
    child->perform([self, level, timeRange, context = child.get()] {
        KTDuplicatesSeeker *seeker = self.data();
        if (!seeker)
            return;
        KTTasksNotifier &notifier = KTTasksNotifier::sharedNotifier();
        {
            SearchFlag flag(seeker->m_duplicatesSearchDidStart);
            seeker->setCurrentTaskCanceled(false);
            notifier.taskDidStart(kSearchDuplicatesTaskName, seeker, KTTaskDidStartInfo::cancelable());
            seeker->runSearch(level, timeRange, *context);
        }
        if (!seeker->isCurrentTaskCanceled()) {
            QString error;
            if (!context->save(&error))
                qWarning().noquote() << "Warning: the similar groups could not be saved:" << error;
        }
        notifier.taskDidFinish(kSearchDuplicatesTaskName, seeker);
    });
}

void KTDuplicatesSeeker::findImagesDuplicatesWithSimilarityLevel(const QVariant &level, double timeRange,
                                                                 KTObjectContext &context)
{
    if (m_duplicatesSearchDidStart.exchange(true))
        return;
    SearchFlag flag(m_duplicatesSearchDidStart);
    // Its phases are cancelable tasks of their own: a cancel of an earlier search must not stop
    // this one before it starts.
    setCurrentTaskCanceled(false);
    runSearch(level, timeRange, context);
}

void KTDuplicatesSeeker::runSearch(const QVariant &level, double timeRange, KTObjectContext &context)
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

    m_finder->clearPhotoPool();
    for (auto it = imagesByID.cbegin(); it != imagesByID.cend(); ++it)
        m_finder->addPhotoWithID(it.key(), it.value()->path());

    PhaseReporter reporter(this);
    std::function<void(const QString &, double)> hook;
    {
        std::lock_guard lock(m_mutex);
        hook = m_progressHook;
    }
    const KTSimilarFinder::ProgressBlock progress =
        [this, &reporter, hook](const QString &phase, std::atomic_bool *stop, double percent) {
            if (hook)
                hook(phase, percent);
            stop->store(isCurrentTaskCanceled());
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
        m_finder->clasterizeWithMode(levelNumber - 1, timeRange, insertGroups, progress);
    } else {
        qInfo().noquote() << "Manual search settings";
        m_finder->clasterizeWithSettings(manualSearchSettings(), timeRange, insertGroups, progress);
    }
    reporter.finish();
}

void KTDuplicatesSeeker::reset()
{
    std::lock_guard lock(m_mutex);
    m_imagesSimilarityLevels.reset();
    if (m_imagesComparisonQueue)
        m_imagesComparisonQueue->cancelAllOperations();
    QFile file(m_imagesSimilarityLevelsDataFilePath);
    if (file.exists() && !file.remove()) {
        qWarning().noquote() << QStringLiteral("Failed to delete file at path %1 with error %2")
                                    .arg(m_imagesSimilarityLevelsDataFilePath, file.errorString());
    }
}

std::shared_ptr<KTImagesSimilarityLevelsManager> KTDuplicatesSeeker::imagesSimilarityLevels()
{
    std::lock_guard lock(m_mutex);
    if (!m_imagesSimilarityLevels) {
        const QFileInfo info(m_imagesSimilarityLevelsDataFilePath);
        m_imagesSimilarityLevels =
            info.isFile() ? std::make_shared<KTImagesSimilarityLevelsManager>(
                                m_imagesSimilarityLevelsDataFilePath, kNumberOfSimilarityLevels)
                          : std::make_shared<KTImagesSimilarityLevelsManager>(kNumberOfSimilarityLevels);
    }
    return m_imagesSimilarityLevels;
}

KTOperationQueue &KTDuplicatesSeeker::imagesComparisonQueue()
{
    std::lock_guard lock(m_mutex);
    if (!m_imagesComparisonQueue) {
        m_imagesComparisonQueue = std::make_unique<KTOperationQueue>();
        // A fixed width: the queue must not follow the application's activity like the shared one.
        m_imagesComparisonQueue->prepareForDeleting();
        m_imagesComparisonQueue->setMaxConcurrentOperationCount(kComparisonQueueWidth);
    }
    return *m_imagesComparisonQueue;
}

void KTDuplicatesSeeker::setManualSearchSettings(const KTSearchSettings &settings)
{
    std::lock_guard lock(m_mutex);
    m_manualSearchSettings = settings;
}

KTSearchSettings KTDuplicatesSeeker::manualSearchSettings() const
{
    std::lock_guard lock(m_mutex);
    return m_manualSearchSettings;
}

void KTDuplicatesSeeker::setProgressHook(std::function<void(const QString &phase, double percent)> hook)
{
    std::lock_guard lock(m_mutex);
    m_progressHook = std::move(hook);
}
