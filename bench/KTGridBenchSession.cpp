#include "KTGridBenchSession.h"

#include "KTCatalogModel.h"
#include "KTEntitiesManager.h"
#include "KTFocusedRegionsManager.h"
#include "KTImageMO.h"
#include "KTImageStorage.h"
#include "KTObjectContext.h"
#include "KTOperationQueue.h"
#include "KTThumbnailEntity.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>

#include <algorithm>

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
    m_entities->entitiesCache().setCountLimit(count + 1000);

    // A few thumbnails shared by all records: each decodes once, as a cached one would.
    std::vector<std::shared_ptr<KTThumbnailEntity>> thumbnails;
    for (const QColor &color : {QColor(180, 70, 60), QColor(70, 150, 80), QColor(60, 90, 180),
                                QColor(200, 180, 70), QColor(120, 120, 120), QColor(150, 80, 150)})
        thumbnails.push_back(
            std::make_shared<KTThumbnailEntity>(jpeg(color, QSize(100, 67)), kMinThumbnailSize));
    const QByteArray file = jpeg(QColor(128, 128, 128), QSize(300, 200));
    const KTEntityClass thumbnailClass = KTEntityClass::of<KTThumbnailEntity>();
    const QVariantMap smallest{{kThumbnailSizeKey, kMinThumbnailSize}};

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
        m_images.append(record);
    }
    m_storage->processPendingChanges();
}

KTGridBenchSession::~KTGridBenchSession()
{
    m_scope.reset();
    m_queue->cancelAllOperations();
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
