#include "KTImageHashesManager.h"
#include "KTImagesSimilarityLevelsManager.h"
#include "KTPropertyList.h"

#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

TEST(KTImagesSimilarityLevelsManagerTest, ReadsRowsFromItsFileAndClearingKeepsTheFile)
{
    const QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("ImagesSimilarityLevels.data"));
    const QVariantList rows{
        QVariantList{QVariantList{}, QVariantList{1, 2}, QVariantList{3}},
        QVariantList{QVariantList{0}}, // fewer levels than the store: the rest are empty
    };
    ASSERT_TRUE(KTPropertyList::writeFile(rows, path));

    KTImagesSimilarityLevelsManager store(path, 2);
    EXPECT_EQ(store.numberOfLevels(), 2u);
    const auto levels = store.imagesLevels();
    ASSERT_EQ(levels.size(), 2u);
    ASSERT_EQ(levels[0].size(), 3u);
    EXPECT_EQ(levels[0][1], (QSet<qlonglong>{1, 2}));
    EXPECT_EQ(levels[0][2], (QSet<qlonglong>{3}));
    ASSERT_EQ(levels[1].size(), 3u);
    EXPECT_EQ(levels[1][0], (QSet<qlonglong>{0}));
    EXPECT_TRUE(levels[1][2].isEmpty());

    store.clear();
    EXPECT_TRUE(store.imagesLevels().empty());
    EXPECT_TRUE(QFileInfo::exists(path));
}

TEST(KTImagesSimilarityLevelsManagerTest, MissingOrMalformedFileGivesAnEmptyStore)
{
    const QTemporaryDir dir;
    EXPECT_TRUE(
        KTImagesSimilarityLevelsManager(dir.filePath(QStringLiteral("none")), 5).imagesLevels().empty());
    const QString path = dir.filePath(QStringLiteral("bad"));
    ASSERT_TRUE(KTPropertyList::writeFile(QVariantList{1, 2}, path));
    EXPECT_TRUE(KTImagesSimilarityLevelsManager(path, 5).imagesLevels().empty());
    EXPECT_TRUE(KTImagesSimilarityLevelsManager(5).imagesLevels().empty());
}

TEST(KTImageHashesManagerTest, DeletingRemovesOnlyThatImagesEntry)
{
    auto &store = KTImageHashesManager::sharedManager();
    store.cleanHashes();
    store.storeHash("h1", QStringLiteral("/a.jpg"));
    store.storeHash("h2", QStringLiteral("/b.jpg"));
    store.deleteHashForImagePath(QStringLiteral("/none.jpg"));
    store.deleteHashForImagePath(QString());
    EXPECT_EQ(store.hashForKey(QStringLiteral("/a.jpg")), QByteArray("h1"));
    store.deleteHashForImagePath(QStringLiteral("/a.jpg"));
    EXPECT_FALSE(store.hashForKey(QStringLiteral("/a.jpg")));
    EXPECT_EQ(store.hashForKey(QStringLiteral("/b.jpg")), QByteArray("h2"));
    store.cleanHashes();
    EXPECT_FALSE(store.hashForKey(QStringLiteral("/b.jpg")));
}
