#include "KTGridTestSession.h"

#include "KTCatalogModel.h"
#include "KTEntitiesManager.h"
#include "KTFocusedRegionsManager.h"
#include "KTGatedQueue.h"
#include "KTImageMO.h"
#include "KTImageStorage.h"
#include "KTObjectContext.h"
#include "KTTestSupport.h"
#include "KTThumbnailEntity.h"

#include <QBuffer>
#include <QDir>
#include <QImage>

#include <gtest/gtest.h>

KTGridTestSession::KTGridTestSession(Thumbnails thumbnails)
{
    m_storage = std::make_unique<KTImageStorage>(KTImageStorage::Locations{
        m_dir.filePath(QStringLiteral("app")), m_dir.filePath(QStringLiteral("old"))});
    EXPECT_NE(m_storage->managedObjectContext(), nullptr);
    KTOperationQueue *queue = nullptr;
    if (thumbnails == Thumbnails::Gated) {
        m_gate = std::make_unique<KTGatedQueue>();
        queue = &m_gate->queue;
    } else {
        m_queue = std::make_unique<KTOperationQueue>();
        m_queue->setMaxConcurrentOperationCount(2);
        queue = m_queue.get();
    }
    m_entities = std::make_unique<KTEntitiesManager>(*queue);
    m_focusedRegions = std::make_unique<KTFocusedRegionsManager>(*queue);
    m_scope =
        std::make_unique<KTGridServices::Scope>(m_entities.get(), m_focusedRegions.get(), m_storage.get());
}

KTGridTestSession::~KTGridTestSession()
{
    m_scope.reset();
    if (m_gate)
        m_gate->open();
    // Work still queued finishes before its managers go; its deliveries then find nobody.
    waitForThumbnailWork();
    m_focusedRegions.reset();
    m_entities.reset();
}

KTImageMO *KTGridTestSession::addImage(const QString &name, const QColor &color, QSize size)
{
    const QString path = QDir(m_dir.path()).filePath(name + QStringLiteral(".jpg"));
    QImage pixels(size, QImage::Format_RGB32);
    pixels.fill(color);
    EXPECT_TRUE(pixels.save(path, "JPG", 95)) << path.toStdString();
    auto *record = m_storage->managedObjectContext()->insert<KTImageMO>(kImageEntityName);
    record->setPath(path);
    record->setName(name);
    m_storage->processPendingChanges();
    return record;
}

QList<KTImageMO *> KTGridTestSession::addImages(int count, const QString &prefix)
{
    static const QColor colours[] = {QColor(200, 60, 50), QColor(60, 160, 70), QColor(50, 90, 200),
                                     QColor(220, 200, 60), QColor(150, 150, 150)};
    QList<KTImageMO *> records;
    for (int i = 0; i < count; ++i)
        records.append(addImage(prefix + QString::number(i + 1).rightJustified(4, QLatin1Char('0')),
                                colours[i % std::size(colours)]));
    return records;
}

QList<KTImageMO *> KTGridTestSession::addRecords(int count, const QString &prefix)
{
    QImage picture(100, 67, QImage::Format_RGB32);
    picture.fill(QColor(90, 110, 130));
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, "JPG");
    const auto thumbnail = std::make_shared<KTThumbnailEntity>(jpeg, kMinThumbnailSize);
    const KTEntityClass thumbnailClass = KTEntityClass::of<KTThumbnailEntity>();
    m_entities->entitiesCache().setCountLimit(
        std::max(m_entities->entitiesCache().countLimit(), count + 2000));

    QList<KTImageMO *> records;
    KTObjectContext &context = *m_storage->managedObjectContext();
    for (int i = 0; i < count; ++i) {
        auto *record = context.insert<KTImageMO>(kImageEntityName);
        const QString name = prefix + QString::number(i + 1).rightJustified(5, QLatin1Char('0'));
        record->setPath(QDir(m_dir.path()).filePath(name + QStringLiteral(".jpg")));
        record->setName(name);
        m_entities->entitiesCache().setObject(
            KTEntitiesManager::keyForEntityOfClass(thumbnailClass, record->uuid(),
                                                   {{kThumbnailSizeKey, kMinThumbnailSize}}),
            thumbnail);
        records.append(record);
    }
    m_storage->processPendingChanges();
    return records;
}

void KTGridTestSession::cacheThumbnails(const QList<KTImageMO *> &records)
{
    int pending = 0;
    for (KTImageMO *record : records) {
        ++pending;
        const auto token = m_entities->obtainEntityOfClass<KTThumbnailEntity>(
            record->uuid(), record->path(), {{kThumbnailSizeKey, kMinThumbnailSize}},
            [&pending](const std::shared_ptr<KTThumbnailEntity> &) { --pending; });
        Q_UNUSED(token);
    }
    EXPECT_TRUE(waitUntil([&] { return pending == 0; }));
}

void KTGridTestSession::waitForThumbnailWork()
{
    KTOperationQueue &queue = m_gate ? m_gate->queue : *m_queue;
    EXPECT_TRUE(waitUntil([&] { return queue.operationCount() == 0; }));
    drainMainQueue();
}

void KTGridTestSession::openThumbnails()
{
    if (m_gate)
        m_gate->open();
}

QColor centreColor(const QImage &image)
{
    return image.isNull() ? QColor() : image.pixelColor(image.width() / 2, image.height() / 2);
}

bool isNear(const QColor &a, const QColor &b, int tolerance)
{
    return a.isValid() && b.isValid() && std::abs(a.red() - b.red()) <= tolerance &&
           std::abs(a.green() - b.green()) <= tolerance && std::abs(a.blue() - b.blue()) <= tolerance;
}
