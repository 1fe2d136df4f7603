#include "KTGridBenchSession.h"

#include "KTCatalogModel.h"
#include "KTEntitiesManager.h"
#include "KTFocusedRegionsManager.h"
#include "KTImageMO.h"
#include "KTImageStorage.h"
#include "KTObjectContext.h"
#include "KTOperationQueue.h"
#include "KTThumbnailEntity.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QScrollBar>

#include <algorithm>
#include <ctime>

namespace {

QByteArray jpeg(const QColor &color, QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(color);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG", 90);
    return bytes;
}

} // namespace

KTGridBenchSession::KTGridBenchSession(int count)
{
    m_storage = std::make_unique<KTImageStorage>(KTImageStorage::Locations{
        m_dir.filePath(QStringLiteral("app")), m_dir.filePath(QStringLiteral("old"))});
    m_queue = std::make_unique<KTOperationQueue>();
    m_entities = std::make_unique<KTEntitiesManager>(*m_queue);
    m_focusedRegions = std::make_unique<KTFocusedRegionsManager>(*m_queue);
    m_scope =
        std::make_unique<KTGridServices::Scope>(m_entities.get(), m_focusedRegions.get(), m_storage.get());
    m_entities->entitiesCache().setCountLimit(2 * count + 1000);

    // A few thumbnails shared by all records: each decodes once, as a cached one would.
    std::vector<std::shared_ptr<KTThumbnailEntity>> thumbnails;
    for (const QColor &color : {QColor(180, 70, 60), QColor(70, 150, 80), QColor(60, 90, 180),
                                QColor(200, 180, 70), QColor(120, 120, 120), QColor(150, 80, 150)})
        thumbnails.push_back(
            std::make_shared<KTThumbnailEntity>(jpeg(color, QSize(100, 67)), kMinThumbnailSize));
    const QByteArray file = jpeg(QColor(128, 128, 128), QSize(300, 200));
    std::vector<std::shared_ptr<KTThumbnailEntity>> previews;
    for (const auto &thumbnail : thumbnails)
        previews.push_back(std::make_shared<KTThumbnailEntity>(
            jpeg(QColor::fromRgb(thumbnail->image().pixel(50, 30)), QSize(300, 200)), 300));
    const KTEntityClass thumbnailClass = KTEntityClass::of<KTThumbnailEntity>();
    const QVariantMap smallest{{kThumbnailSizeKey, kMinThumbnailSize}};
    const QVariantMap preview{{kThumbnailSizeKey, 300.0}};

    KTObjectContext &context = *m_storage->managedObjectContext();
    const QDir folder(m_dir.path());
    for (int i = 0; i < count; ++i) {
        const QString name = QStringLiteral("IMG_%1").arg(i + 1, 5, 10, QLatin1Char('0'));
        const QString path = folder.filePath(name + QStringLiteral(".jpg"));
        QFile out(path);
        if (out.open(QIODevice::WriteOnly))
            out.write(file);
        auto *record = context.insert<KTImageMO>(kImageEntityName);
        record->setPath(path);
        record->setName(name);
        m_entities->entitiesCache().setObject(
            KTEntitiesManager::keyForEntityOfClass(thumbnailClass, record->uuid(), smallest),
            thumbnails[std::size_t(i) % thumbnails.size()]);
        // The size-matched thumbnail of a 150-point cell too, so no decoding waits behind a step.
        m_entities->entitiesCache().setObject(
            KTEntitiesManager::keyForEntityOfClass(thumbnailClass, record->uuid(), preview),
            previews[std::size_t(i) % previews.size()]);
        m_images.append(record);
    }
    m_storage->processPendingChanges();
}

KTGridBenchSession::~KTGridBenchSession()
{
    m_scope.reset();
    m_queue->cancelAllOperations();
}

KTThreadClock::time_point KTThreadClock::now() noexcept
{
    timespec spec{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &spec);
    return time_point(duration(std::int64_t(spec.tv_sec) * 1'000'000'000 + spec.tv_nsec));
}

void KTStepTimes::report(benchmark::State &state, const char *prefix) const
{
    if (m_steps.empty())
        return;
    std::vector<Clock::duration> sorted = m_steps;
    std::sort(sorted.begin(), sorted.end());
    const auto ms = [](Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); };
    const std::string p(prefix);
    state.counters[p + "median_ms"] = ms(sorted[sorted.size() / 2]);
    state.counters[p + "p99_ms"] = ms(sorted[std::min(sorted.size() - 1, sorted.size() * 99 / 100)]);
    state.counters[p + "worst_ms"] = ms(sorted.back());
}

void measureSteps(benchmark::State &state, KTStepTimes &times, const std::function<void()> &step)
{
    for (auto _ : state) {
        const auto start = KTStepTimes::Clock::now();
        step();
        const auto elapsed = KTStepTimes::Clock::now() - start;
        times.add(elapsed);
        state.SetIterationTime(std::chrono::duration<double>(elapsed).count());
        state.PauseTiming();
        QApplication::processEvents();
        state.ResumeTiming();
    }
    times.report(state);
}

void measureScrollSteps(benchmark::State &state, QScrollBar *bar, int distance, KTStepTimes *layoutTimes)
{
    KTStepTimes times;
    int direction = 1;
    measureSteps(state, times, [&] {
        int target = bar->value() + direction * distance;
        if (target > bar->maximum() || target < 0) {
            direction = -direction;
            target = bar->value() + direction * distance;
        }
        const auto start = KTStepTimes::Clock::now();
        bar->setValue(target);
        if (layoutTimes)
            layoutTimes->add(KTStepTimes::Clock::now() - start);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
    });
}
