#include "KTFullSizeImageCache.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace {

QImage imageOfWidth(int width)
{
    QImage image(width, 1, QImage::Format_RGB32);
    image.fill(Qt::gray);
    return image;
}

} // namespace

TEST(KTFullSizeImageCacheTest, EvictsTheLeastRecentlyUsedImage)
{
    struct Case
    {
        const char *name;
        bool readFirstBeforeSixth;
        const char *evicted;
    };
    const Case cases[] = {{"insertion order", false, "1"}, {"first read again", true, "2"}};
    for (const auto &c : cases) {
        KTFullSizeImageCache cache(5);
        for (int i = 1; i <= 5; ++i)
            cache.cacheFullSizeImage(imageOfWidth(i), QString::number(i));
        if (c.readFirstBeforeSixth) {
            EXPECT_EQ(cache.cachedFullSizeImageForPath("1").width(), 1);
        }
        cache.cacheFullSizeImage(imageOfWidth(6), "6");
        for (int i = 1; i <= 6; ++i) {
            const QString path = QString::number(i);
            EXPECT_EQ(cache.cachedFullSizeImageForPath(path).isNull(), path == c.evicted)
                << c.name << " " << i;
        }
    }
}

TEST(KTFullSizeImageCacheTest, KeepsTheFirstImageOfAPathAndIgnoresEmptyInput)
{
    KTFullSizeImageCache cache(2);
    cache.cacheFullSizeImage(imageOfWidth(1), "a");
    cache.cacheFullSizeImage(imageOfWidth(9), "a");
    cache.cacheFullSizeImage(QImage(), "b");
    cache.cacheFullSizeImage(imageOfWidth(3), QString());
    EXPECT_EQ(cache.cachedFullSizeImageForPath("a").width(), 1);
    EXPECT_TRUE(cache.cachedFullSizeImageForPath("b").isNull());

    // A miss changes no order: "a" is still the older of the two and leaves first.
    cache.cacheFullSizeImage(imageOfWidth(2), "b");
    EXPECT_TRUE(cache.cachedFullSizeImageForPath("zzz").isNull());
    EXPECT_EQ(cache.cachedFullSizeImageForPath("b").width(), 2);
    cache.cacheFullSizeImage(imageOfWidth(3), "c");
    EXPECT_TRUE(cache.cachedFullSizeImageForPath("a").isNull());
    EXPECT_EQ(cache.cachedFullSizeImageForPath("c").width(), 3);
}

// Past the byte limit the least recently used images leave, however few there are; the most
// recent one stays even when it alone passes the limit.
TEST(KTFullSizeImageCacheTest, ImagesLeaveWhileTheirPixelsPassTheByteLimit)
{
    // Images of 1 x width pixels at 4 bytes: 400 bytes for a width of 100.
    KTFullSizeImageCache cache(5, 1000);
    cache.cacheFullSizeImage(imageOfWidth(100), "a");
    cache.cacheFullSizeImage(imageOfWidth(100), "b");
    EXPECT_FALSE(cache.cachedFullSizeImageForPath("a").isNull());
    cache.cacheFullSizeImage(imageOfWidth(100), "c");
    EXPECT_TRUE(cache.cachedFullSizeImageForPath("b").isNull());
    EXPECT_FALSE(cache.cachedFullSizeImageForPath("a").isNull());
    EXPECT_FALSE(cache.cachedFullSizeImageForPath("c").isNull());

    cache.cacheFullSizeImage(imageOfWidth(300), "large");
    EXPECT_FALSE(cache.cachedFullSizeImageForPath("large").isNull());
    EXPECT_TRUE(cache.cachedFullSizeImageForPath("a").isNull());
    EXPECT_TRUE(cache.cachedFullSizeImageForPath("c").isNull());

    // Small images again fill it up to its count.
    for (const char *path : {"1", "2", "3", "4", "5"})
        cache.cacheFullSizeImage(imageOfWidth(10), path);
    EXPECT_TRUE(cache.cachedFullSizeImageForPath("large").isNull());
    for (const char *path : {"1", "2", "3", "4", "5"})
        EXPECT_FALSE(cache.cachedFullSizeImageForPath(path).isNull()) << path;
}

TEST(KTFullSizeImageCacheTest, ALimitOfZeroOrLessCachesNothing)
{
    for (qint64 limit : {0, -1}) {
        KTFullSizeImageCache cache(limit);
        cache.cacheFullSizeImage(imageOfWidth(1), "a");
        EXPECT_TRUE(cache.cachedFullSizeImageForPath("a").isNull()) << limit;
    }
}

TEST(KTFullSizeImageCacheTest, ConcurrentUseKeepsEveryImageWithItsPath)
{
    KTFullSizeImageCache cache(5);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&cache, t] {
            for (int i = 0; i < 2000; ++i) {
                const int width = 1 + (i * 7 + t) % 12;
                cache.cacheFullSizeImage(imageOfWidth(width), QString::number(width));
                const QImage hit = cache.cachedFullSizeImageForPath(QString::number(1 + (i + t) % 12));
                if (!hit.isNull()) {
                    ASSERT_EQ(hit.width(), 1 + (i + t) % 12);
                }
            }
        });
    }
    for (auto &thread : threads)
        thread.join();
    int held = 0;
    for (int width = 1; width <= 12; ++width)
        held += cache.cachedFullSizeImageForPath(QString::number(width)).isNull() ? 0 : 1;
    EXPECT_EQ(held, 5);
}
