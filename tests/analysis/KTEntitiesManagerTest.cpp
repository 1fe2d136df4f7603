#include "KTEntitiesManager.h"

#include "KTCacheFile.h"
#include "KTFilesManager.h"
#include "KTGatedQueue.h"
#include "KTImageFixtures.h"
#include "KTTestSupport.h"
#include "KTThumbnailEntity.h"
#include "KTThumbnailEntityHelper.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QUuid>

#include <gtest/gtest.h>

#include <future>

namespace {

using Thumbnail = std::shared_ptr<KTThumbnailEntity>;

QString newUuid()
{
    return QUuid::createUuid().toString(QUuid::WithoutBraces);
}

QVariantMap sizeParameters(double size)
{
    return {{kThumbnailSizeKey, size}};
}

/// Records what one callback received.
struct Delivery
{
    int calls = 0;
    Thumbnail entity;

    std::function<void(const Thumbnail &)> callback()
    {
        return [this](const Thumbnail &received) {
            ++calls;
            entity = received;
        };
    }
};

class KTEntitiesManagerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_folder.isValid());
        // The session store makes the application-support folder; the cache folders live in it.
        ASSERT_TRUE(QDir().mkpath(KTFilesManager::sharedManager().applicationFilesDirectoryPath()));
        m_imagePath = m_folder.filePath(QStringLiteral("photo.jpg"));
        ASSERT_TRUE(writeJpegWithExif(m_imagePath, {}, QSize(640, 480)));
    }

    std::optional<KTEntitiesManagerCallbackID> obtain(KTEntitiesManager &manager, const QString &uuid,
                                                      double size, Delivery &delivery)
    {
        return manager.obtainEntityOfClass<KTThumbnailEntity>(uuid, m_imagePath, sizeParameters(size),
                                                              delivery.callback());
    }

    static QString entityPath(const QString &uuid, double size)
    {
        return KTEntitiesManager::pathForEntityOfClass(KTEntityClass::of<KTThumbnailEntity>(), uuid,
                                                       sizeParameters(size));
    }

    // Deliveries are posted to the main queue; waiting for them keeps callbacks from running
    // after the test's locals are gone.
    static bool waitForDelivery(KTEntitiesManager &manager,
                                const std::optional<KTEntitiesManagerCallbackID> &token)
    {
        auto operation = manager.operationForID(token);
        return operation && waitUntil([&] { return operation->hasDelivered(); });
    }

    // A made entity's file is written after its delivery, by the operation still on the queue.
    static bool waitForFiles(const KTOperationQueue &queue)
    {
        return waitUntil([&] { return queue.operationCount() == 0; });
    }

    QTemporaryDir m_folder;
    QString m_imagePath;
};

} // namespace

TEST(KTThumbnailEntityHelperTest, SizesClimbTheLadderOfThrees)
{
    const struct
    {
        QVariant requested;
        double expected;
    } cases[] = {
        {0.0, 100},        {100.0, 100},   {100.5, 300},
        {250, 300},        {300.0, 300},   {301.0, 900},
        {2700.0, 2700},    {2701.0, 8100}, {QStringLiteral("large"), 100},
        {QVariant(), 100},
    };
    for (const auto &c : cases)
        EXPECT_EQ(KTThumbnailEntityHelper::apropriateSizeForSize(c.requested), c.expected)
            << c.requested.toString().toStdString();
}

TEST(KTThumbnailEntityTest, CostIsZeroAtTheSmallestSizeAndTheDataWithItsPixelsAbove)
{
    const QByteArray junk(1234, 'x');
    EXPECT_EQ(KTThumbnailEntity(junk, 100).cost(), 0);
    EXPECT_EQ(KTThumbnailEntity(junk, 300).cost(), 1234);

    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    ASSERT_TRUE(buffer.open(QIODevice::WriteOnly));
    QImage picture(300, 200, QImage::Format_RGB32);
    picture.fill(Qt::darkCyan);
    ASSERT_TRUE(picture.save(&buffer, "JPEG"));
    const KTThumbnailEntity thumbnail(jpeg, 300);
    ASSERT_EQ(thumbnail.image().size(), QSize(300, 200));
    EXPECT_EQ(thumbnail.cost(), jpeg.size() + thumbnail.image().sizeInBytes());
    EXPECT_EQ(KTThumbnailEntity(jpeg, 100).cost(), 0);
}

// A thumbnail made from a picture keeps the picture it encoded rather than decoding its data
// again, as long as decoding would give the same kind of pixels: an opaque picture in another
// format is converted, and one whose alpha the JPEG lost is read back from the data.
TEST(KTThumbnailEntityTest, AMadeThumbnailKeepsThePictureItEncoded)
{
    const auto jpegOf = [](const QImage &picture) {
        QByteArray jpeg;
        QBuffer buffer(&jpeg);
        buffer.open(QIODevice::WriteOnly);
        picture.save(&buffer, "JPEG", 100);
        return jpeg;
    };
    const auto picture = [](QImage::Format format) {
        QImage image(30, 20, format);
        image.fill(QColor(200, 90, 40, format == QImage::Format_ARGB32 ? 128 : 255));
        return image;
    };
    const struct
    {
        QImage::Format format;
        QImage::Format expected;
        bool kept;
    } cases[] = {
        {QImage::Format_RGB32, QImage::Format_RGB32, true},
        {QImage::Format_Grayscale8, QImage::Format_Grayscale8, true},
        {QImage::Format_RGB888, QImage::Format_RGB32, false},
        {QImage::Format_ARGB32, QImage::Format_RGB32, false},
    };
    for (const auto &c : cases) {
        const QImage source = picture(c.format);
        const QByteArray jpeg = jpegOf(source);
        const KTThumbnailEntity thumbnail(jpeg, 300, source);
        EXPECT_EQ(thumbnail.JPEGData(), jpeg) << c.format;
        EXPECT_EQ(thumbnail.image().format(), c.expected) << c.format;
        EXPECT_FALSE(thumbnail.image().hasAlphaChannel()) << c.format;
        EXPECT_EQ(thumbnail.image().size(), source.size()) << c.format;
        EXPECT_EQ(thumbnail.image().cacheKey() == source.cacheKey(), c.kept) << c.format;
    }
    // Without data there is no picture, whatever was encoded.
    EXPECT_TRUE(KTThumbnailEntity(QByteArray(), 300, picture(QImage::Format_RGB32)).image().isNull());
    // Without a picture the data is decoded.
    EXPECT_EQ(KTThumbnailEntity(jpegOf(picture(QImage::Format_RGB32)), 300, QImage()).image().size(),
              QSize(30, 20));
}

// A thumbnail made from a picture is handed over before its JPEG data exists: the data is encoded
// once, by whichever thread asks first, and every thread gets the same bytes, which decode to the
// picture. Its cost, taken by the cache before the encoding, counts the pixels alone.
TEST(KTThumbnailEntityTest, AThumbnailMadeFromAPictureEncodesItOnceWhicheverThreadsAsk)
{
    QImage picture(300, 200, QImage::Format_RGB32);
    picture.fill(QColor(30, 120, 200));
    const KTThumbnailEntity thumbnail(picture, 300);
    EXPECT_EQ(thumbnail.image().cacheKey(), picture.cacheKey());
    EXPECT_EQ(thumbnail.cost(), picture.sizeInBytes());

    std::vector<std::future<QByteArray>> asked;
    for (int thread = 0; thread < 4; ++thread)
        asked.push_back(std::async(std::launch::async, [&] { return thumbnail.JPEGData(); }));
    const QByteArray data = thumbnail.JPEGData();
    ASSERT_FALSE(data.isEmpty());
    for (auto &answer : asked) {
        const QByteArray other = answer.get();
        EXPECT_EQ(other, data);
        EXPECT_EQ(other.constData(), data.constData()); // encoded once, shared
    }
    const QImage decoded = QImage::fromData(data, "JPEG");
    ASSERT_EQ(decoded.size(), picture.size());
    EXPECT_LE(std::abs(decoded.pixelColor(150, 100).blue() - 200), 2);
    EXPECT_EQ(thumbnail.cost(), picture.sizeInBytes());
}

TEST(KTMemoryCacheTest, EvictsTheLeastRecentlyUsedByCountAndByCost)
{
    KTMemoryCache<int> cache(100, 3);
    for (int i = 0; i < 3; ++i)
        cache.setObject(QString::number(i), std::make_shared<int>(i), 0);
    ASSERT_TRUE(cache.objectForKey(QStringLiteral("0"))); // now the most recent
    cache.setObject(QStringLiteral("3"), std::make_shared<int>(3), 0);
    EXPECT_EQ(cache.count(), 3);
    EXPECT_FALSE(cache.objectForKey(QStringLiteral("1")));
    EXPECT_TRUE(cache.objectForKey(QStringLiteral("0")));

    cache.setObject(QStringLiteral("big"), std::make_shared<int>(4), 90);
    cache.setObject(QStringLiteral("bigger"), std::make_shared<int>(5), 20);
    EXPECT_FALSE(cache.objectForKey(QStringLiteral("big")));
    EXPECT_EQ(cache.totalCost(), 20);
}

TEST_F(KTEntitiesManagerTest, ThumbnailGoesThroughTheCacheAndItsFile)
{
    const QString uuid = newUuid();
    KTGatedQueue gated;
    Delivery first;
    Delivery second;
    {
        KTEntitiesManager manager(gated.queue);
        // 250 and 300 pixels share one ladder size, hence one operation and one file.
        const auto token = obtain(manager, uuid, 250, first);
        const auto joined = obtain(manager, uuid, 300, second);
        ASSERT_TRUE(token && joined);
        EXPECT_EQ(token->operationKey, uuid + QStringLiteral("_KTThumbnailEntity_300"));
        EXPECT_EQ(joined->operationKey, token->operationKey);
        EXPECT_NE(joined->callbackID, token->callbackID);
        gated.open();
        ASSERT_TRUE(waitForDelivery(manager, token));
        EXPECT_EQ(first.calls, 1);
        EXPECT_EQ(second.calls, 1);
        ASSERT_TRUE(first.entity);
        EXPECT_EQ(first.entity, second.entity);
        EXPECT_EQ(first.entity->size(), 300);
        EXPECT_EQ(first.entity->image().size(), QSize(300, 225));
        ASSERT_TRUE(waitForFiles(gated.queue));
        EXPECT_TRUE(QFile::exists(entityPath(uuid, 300)));

        // A cached entity is handed over before the request returns.
        Delivery cached;
        EXPECT_FALSE(obtain(manager, uuid, 300, cached));
        EXPECT_EQ(cached.calls, 1);
        EXPECT_EQ(cached.entity, first.entity);
    }

    // A new manager has an empty cache: the entity comes from its file, as the image is gone.
    ASSERT_TRUE(QFile::remove(m_imagePath));
    KTEntitiesManager manager(gated.queue);
    Delivery fromFile;
    const auto token = obtain(manager, uuid, 300, fromFile);
    ASSERT_TRUE(token);
    EXPECT_TRUE(manager.operationForID(token)->isLoadFromFile());
    ASSERT_TRUE(waitForDelivery(manager, token));
    ASSERT_TRUE(fromFile.entity);
    EXPECT_EQ(fromFile.entity->JPEGData(), first.entity->JPEGData());
    // The file holds the picture that was delivered, through a JPEG of quality 100.
    const QImage delivered = first.entity->image();
    const QImage read = fromFile.entity->image();
    ASSERT_EQ(read.size(), delivered.size());
    ASSERT_EQ(read.format(), delivered.format());
    double difference = 0;
    for (int y = 0; y < read.height(); ++y) {
        for (int x = 0; x < read.width(); ++x) {
            const QRgb a = read.pixel(x, y);
            const QRgb b = delivered.pixel(x, y);
            difference +=
                std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) + std::abs(qBlue(a) - qBlue(b));
        }
    }
    EXPECT_LT(difference / (3.0 * read.width() * read.height()), 2.0);
}

// A grid repaints its cells on every frame and asks the cache each time: the thumbnail is decoded
// once, on the queue's thread when the entity was made, and every later paint gets those pixels.
TEST_F(KTEntitiesManagerTest, AskingTheSameThumbnailAThousandTimesDecodesOnceOffTheMainThread)
{
    const QString uuid = newUuid();
    KTGatedQueue gated;
    gated.open();
    KTEntitiesManager manager(gated.queue);
    Delivery made;
    const auto token = obtain(manager, uuid, 300, made);
    ASSERT_TRUE(waitForDelivery(manager, token));
    ASSERT_TRUE(made.entity);
    const qint64 decoded = made.entity->image().cacheKey();
    ASSERT_FALSE(made.entity->image().isNull());

    int hits = 0;
    for (int paint = 0; paint < 1000; ++paint) {
        manager.obtainEntityOfClass<KTThumbnailEntity>(
            uuid, m_imagePath, sizeParameters(300), [&](const Thumbnail &entity) {
                if (entity && entity->image().cacheKey() == decoded)
                    ++hits;
            });
    }
    EXPECT_EQ(hits, 1000);

    // Read back from its file on another thread, the entity arrives with its pixels.
    ASSERT_TRUE(waitForFiles(gated.queue));
    const auto [fromFile, keyOnWorker] =
        std::async(std::launch::async, [&] {
            const Thumbnail entity = KTThumbnailEntity::initWithContentsOfFile(entityPath(uuid, 300));
            return std::make_pair(entity, entity ? entity->image().cacheKey() : 0);
        }).get();
    ASSERT_TRUE(fromFile);
    EXPECT_EQ(fromFile->image().size(), QSize(300, 225));
    EXPECT_EQ(fromFile->image().cacheKey(), keyOnWorker);
}

TEST_F(KTEntitiesManagerTest, FileOfAnotherVersionOrForeignFileIsMadeAgain)
{
    QCborMap otherVersion;
    otherVersion.insert(QStringLiteral("Version"), 2);
    otherVersion.insert(QStringLiteral("JpegData"), QByteArray("not the thumbnail"));
    otherVersion.insert(QStringLiteral("ThumbnailSize"), 300.0);
    const struct
    {
        const char *name;
        std::function<void(const QString &)> write;
    } cases[] = {
        {"other version", [&](const QString &path) { KTCacheFile::write(path, otherVersion); }},
        {"foreign file",
         [](const QString &path) {
             QFile file(path);
             file.open(QIODevice::WriteOnly);
             file.write("Version 1");
         }},
        {"truncated map",
         [&](const QString &path) {
             KTCacheFile::write(path, otherVersion);
             QFile file(path);
             file.resize(file.size() - 5);
         }},
    };
    KTGatedQueue gated;
    gated.open();
    KTEntitiesManager manager(gated.queue);
    for (const auto &c : cases) {
        const QString uuid = newUuid();
        c.write(entityPath(uuid, 300));
        Delivery delivery;
        const auto token = obtain(manager, uuid, 300, delivery);
        ASSERT_TRUE(waitForDelivery(manager, token)) << c.name;
        ASSERT_TRUE(delivery.entity) << c.name;
        EXPECT_EQ(delivery.entity->image().size(), QSize(300, 225)) << c.name;
        ASSERT_TRUE(waitForFiles(gated.queue)) << c.name;
        const auto rewritten = KTThumbnailEntity::initWithContentsOfFile(entityPath(uuid, 300));
        ASSERT_TRUE(rewritten) << c.name;
        EXPECT_EQ(rewritten->JPEGData(), delivery.entity->JPEGData()) << c.name;
    }
}

TEST_F(KTEntitiesManagerTest, CancelledQueuedRequestIsNeverCalledBackAndTheWorkStillRunsAtLowPriority)
{
    const QString uuid = newUuid();
    KTGatedQueue gated;
    KTEntitiesManager manager(gated.queue);
    Delivery withdrawn;
    const auto token = obtain(manager, uuid, 900, withdrawn);
    auto operation = manager.operationForID(token);
    ASSERT_TRUE(operation);
    EXPECT_EQ(operation->queueOperation()->queuePriority(), KTOperation::Priority::Normal);

    // Tokens that name nothing, or an identifier the operation does not hold, are ignored.
    manager.activateCallbackWithID(std::nullopt);
    manager.deactivateCallbackWithID(
        KTEntitiesManagerCallbackID{QStringLiteral("unknown"), token->callbackID});
    manager.cancelCallbackWithID(KTEntitiesManagerCallbackID{token->operationKey, QStringLiteral("stale")});
    EXPECT_EQ(operation->callbackCount(), 1);

    manager.cancelCallbackWithID(token);
    EXPECT_EQ(operation->queueOperation()->queuePriority(), KTOperation::Priority::Low);
    gated.open();
    ASSERT_TRUE(waitForDelivery(manager, token));
    EXPECT_EQ(withdrawn.calls, 0);
    ASSERT_TRUE(waitForFiles(gated.queue));
    EXPECT_TRUE(QFile::exists(entityPath(uuid, 900)));
    // Nobody was active at delivery: the entity is not cached, and the next request reads the file.
    EXPECT_EQ(manager.entitiesCache().count(), 0);
    Delivery later;
    const auto again = obtain(manager, uuid, 900, later);
    ASSERT_TRUE(again);
    EXPECT_TRUE(manager.operationForID(again)->isLoadFromFile());
    EXPECT_EQ(manager.operationForID(again)->queueOperation()->queuePriority(), KTOperation::Priority::High);
    ASSERT_TRUE(waitForDelivery(manager, again));
    EXPECT_EQ(later.calls, 1);
}

TEST_F(KTEntitiesManagerTest, CacheEvictsByCountEvenWhenThumbnailsCostNothing)
{
    KTGatedQueue gated;
    gated.open();
    KTEntitiesManager manager(gated.queue);
    manager.entitiesCache().setCountLimit(2);
    QStringList uuids;
    for (int i = 0; i < 3; ++i) {
        uuids << newUuid();
        Delivery delivery;
        const auto token = obtain(manager, uuids.last(), 100, delivery);
        ASSERT_TRUE(waitForDelivery(manager, token));
        ASSERT_TRUE(delivery.entity);
        EXPECT_EQ(delivery.entity->cost(), 0);
    }
    EXPECT_EQ(manager.entitiesCache().count(), 2);
    Delivery evicted;
    const auto token = obtain(manager, uuids.first(), 100, evicted);
    EXPECT_TRUE(token);
    ASSERT_TRUE(waitForDelivery(manager, token));
}

TEST_F(KTEntitiesManagerTest, UnreadableImageCallsBackWithNothingAndLeavesNoTrace)
{
    KTGatedQueue gated;
    gated.open();
    KTEntitiesManager manager(gated.queue);
    const QString broken = m_folder.filePath(QStringLiteral("broken.jpg"));
    QFile file(broken);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("\xff\xd8 not a picture");
    file.close();
    const QString uuid = newUuid();
    bool called = false;
    const auto token = manager.obtainEntityOfClass<KTThumbnailEntity>(uuid, broken, sizeParameters(300),
                                                                      [&](const Thumbnail &entity) {
                                                                          called = true;
                                                                          EXPECT_FALSE(entity);
                                                                      });
    ASSERT_TRUE(waitForDelivery(manager, token));
    EXPECT_TRUE(called);
    EXPECT_FALSE(QFile::exists(entityPath(uuid, 300)));
    EXPECT_EQ(manager.entitiesCache().count(), 0);
}

namespace {

/// An entity that costs nothing to make, so a test can ask for thousands.
class TinyEntity : public KTEntity
{
public:
    int64_t cost() const override { return 0; }

protected:
    int64_t version() const override { return 1; }
    bool encode(QCborMap &) const override { return true; }
};

KTEntityClass tinyEntityClass()
{
    return {QStringLiteral("TinyEntity"), [](const QVariantMap &) { return QString(); },
            [](const QString &) { return std::shared_ptr<KTEntity>(); },
            [](const QString &, const QVariantMap &) -> std::shared_ptr<KTEntity> {
                return std::make_shared<TinyEntity>();
            }};
}

} // namespace

// Entity keys carry the record's uuid, new every session: ten sessions of 2,000 images, each with
// half of its requests delivered and half cancelled by the session's clearing, leave the map of
// operations as small as one session does (empty once nothing is pending).
TEST_F(KTEntitiesManagerTest, TenSessionsLeaveNoMoreOperationsThanOne)
{
    KTOperationQueue queue;
    queue.setMaxConcurrentOperationCount(1);
    KTEntitiesManager manager(queue);
    std::vector<qsizetype> peaks;
    std::vector<qsizetype> left;
    for (int session = 0; session < 10; ++session) {
        int delivered = 0;
        for (int image = 0; image < 1000; ++image)
            manager.obtainEntityOfClass(tinyEntityClass(), newUuid(), m_imagePath, {},
                                        [&](const std::shared_ptr<KTEntity> &) { ++delivered; });
        ASSERT_TRUE(waitUntil([&] { return delivered == 1000; }, std::chrono::minutes(2)));

        // The rest wait behind a held operation until the clearing cancels them.
        std::promise<void> release;
        std::shared_future<void> gate = release.get_future().share();
        queue.addOperationWithBlock([gate](const KTOperation &) { gate.wait(); });
        int called = 0;
        for (int image = 0; image < 1000; ++image)
            manager.obtainEntityOfClass(tinyEntityClass(), newUuid(), m_imagePath, {},
                                        [&](const std::shared_ptr<KTEntity> &) { ++called; });
        peaks.push_back(manager.operations().size());
        queue.cancelAllOperations();
        release.set_value();
        ASSERT_TRUE(waitUntil([&] { return queue.operationCount() == 0 && manager.operations().isEmpty(); }));
        drainMainQueue();
        EXPECT_EQ(called, 0);
        left.push_back(manager.operations().size());
    }
    EXPECT_EQ(peaks.front(), 1000);
    EXPECT_EQ(peaks.back(), peaks.front());
    EXPECT_EQ(left.back(), 0);
}

// An operation leaves the map when it is over, yet a request that joins it before then still
// shares its one run; a request after its end starts a new one.
TEST_F(KTEntitiesManagerTest, AnOperationLeavesTheMapOnceItHasDelivered)
{
    KTGatedQueue gated;
    KTEntitiesManager manager(gated.queue);
    const QString uuid = newUuid();
    Delivery first;
    Delivery joined;
    const auto token = obtain(manager, uuid, 300, first);
    const auto second = obtain(manager, uuid, 300, joined);
    ASSERT_TRUE(token && second);
    const auto operation = manager.operationForID(token);
    EXPECT_EQ(manager.operationForID(second), operation);
    // Withdrawn by every view: the entity is not cached, and the file is read next time.
    manager.cancelCallbackWithID(token);
    manager.cancelCallbackWithID(second);
    gated.open();
    ASSERT_TRUE(waitUntil([&] { return operation->hasDelivered(); }));
    EXPECT_TRUE(manager.operations().isEmpty());
    EXPECT_EQ(manager.operationForID(token), nullptr);
    // A stale token is harmless.
    manager.activateCallbackWithID(token);
    manager.cancelCallbackWithID(token);

    // Once the file is written, a new request reads it.
    ASSERT_TRUE(waitForFiles(gated.queue));
    Delivery later;
    const auto again = obtain(manager, uuid, 300, later);
    ASSERT_TRUE(again);
    EXPECT_NE(manager.operationForID(again), operation);
    EXPECT_TRUE(manager.operationForID(again)->isLoadFromFile());
    ASSERT_TRUE(waitForDelivery(manager, again));
    EXPECT_EQ(later.calls, 1);
    EXPECT_EQ(first.calls + joined.calls, 0);
}

namespace {

/// An entity whose encoding, hence the writing of its file, waits for a gate.
class GatedEntity : public KTEntity
{
public:
    explicit GatedEntity(std::shared_future<void> gate) : m_gate(std::move(gate)) {}
    int64_t cost() const override { return 0; }

protected:
    int64_t version() const override { return 1; }
    bool encode(QCborMap &map) const override
    {
        m_gate.wait();
        map.insert(QStringLiteral("Made"), true);
        return true;
    }

private:
    std::shared_future<void> m_gate;
};

} // namespace

// The views wait for a made entity, not for its file: it is delivered (and cached) while its file
// is still being written, the file appears after, and the next manager reads it from there.
TEST_F(KTEntitiesManagerTest, AMadeEntityIsDeliveredBeforeItsFileIsWritten)
{
    std::promise<void> release;
    const std::shared_future<void> gate = release.get_future().share();
    int made = 0;
    const KTEntityClass gated{QStringLiteral("GatedEntity"), [](const QVariantMap &) { return QString(); },
                              [](const QString &path) -> std::shared_ptr<KTEntity> {
                                  return KTCacheFile::read(path) ? std::make_shared<TinyEntity>() : nullptr;
                              },
                              [&](const QString &, const QVariantMap &) -> std::shared_ptr<KTEntity> {
                                  ++made;
                                  return std::make_shared<GatedEntity>(gate);
                              }};
    KTOperationQueue queue;
    const QString uuid = newUuid();
    const QString path = KTEntitiesManager::pathForEntityOfClass(gated, uuid, {});
    {
        KTEntitiesManager manager(queue);
        std::shared_ptr<KTEntity> delivered;
        const auto token =
            manager.obtainEntityOfClass(gated, uuid, m_imagePath, {},
                                        [&](const std::shared_ptr<KTEntity> &entity) { delivered = entity; });
        // Should the delivery wait for the file, the gate would never open: release it regardless.
        const bool wasDelivered = waitForDelivery(manager, token);
        const bool fileExisted = QFile::exists(path);
        release.set_value();
        ASSERT_TRUE(wasDelivered);
        EXPECT_TRUE(delivered);
        EXPECT_FALSE(fileExisted);
        EXPECT_EQ(manager.entitiesCache().count(), 1);
        ASSERT_TRUE(waitForFiles(queue));
        EXPECT_TRUE(QFile::exists(path));
    }
    KTEntitiesManager later(queue);
    std::shared_ptr<KTEntity> fromFile;
    const auto token = later.obtainEntityOfClass(
        gated, uuid, m_imagePath, {}, [&](const std::shared_ptr<KTEntity> &entity) { fromFile = entity; });
    ASSERT_TRUE(token);
    EXPECT_TRUE(later.operationForID(token)->isLoadFromFile());
    ASSERT_TRUE(waitForDelivery(later, token));
    EXPECT_TRUE(fromFile);
    EXPECT_EQ(made, 1);
}
