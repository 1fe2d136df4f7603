#include "KTImageMO.h"

#include "KTCatalogModel.h"
#include "KTFilesManager.h"
#include "KTImageMOWrapper.h"
#include "KTObjectContext.h"
#include "KTTestSupport.h"

#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <thread>

TEST(KTImageMOTest, DecisionAttributesAreTriState)
{
    auto context = KTObjectContext::makeMainContext(KTCatalogModel::sharedModel());
    auto *image = context->insert<KTImageMO>(kImageEntityName);
    EXPECT_EQ(image->rejected(), std::nullopt);
    image->setRejected(false);
    EXPECT_EQ(image->rejected(), std::optional<bool>(false));
    image->setRejected(std::nullopt);
    EXPECT_EQ(image->rejected(), std::nullopt);
    EXPECT_TRUE(image->path().isNull());
    EXPECT_FALSE(image->timeStamp().isValid());
}

TEST(KTImageMOTest, CreationDateAttributesHoldOnlyTheValuesThatAreSet)
{
    auto context = KTObjectContext::makeMainContext(KTCatalogModel::sharedModel());
    auto *image = context->insert<KTImageMO>(kImageEntityName);
    const QDateTime created = QDateTime::fromSecsSinceEpoch(1000, Qt::UTC);
    image->setCreationDate(created);
    EXPECT_EQ(image->creationDateAttributes(), (QVariantMap{{"creationDate", created}}));
    image->setTimeStamp(created.addSecs(5));
    image->setExposureTime(0.5);
    EXPECT_EQ(image->creationDateAttributes().keys(),
              (QStringList{"creationDate", "exposureTime", "timeStamp"}));
}

TEST(KTImageMOTest, UrlsForShowInFinderListTheRawFileFirst)
{
    auto context = KTObjectContext::makeMainContext(KTCatalogModel::sharedModel());
    auto *image = context->insert<KTImageMO>(kImageEntityName);
    image->setPath("/photos/IMG_1.CR2");
    EXPECT_EQ(image->urlsForShowInFinder(), QList<QUrl>{QUrl::fromLocalFile("/photos/IMG_1.CR2")});
    image->setDuplicateImagePath("/photos/IMG_1.JPG");
    EXPECT_EQ(image->urlsForShowInFinder(), (QList<QUrl>{QUrl::fromLocalFile("/photos/IMG_1.CR2"),
                                                         QUrl::fromLocalFile("/photos/IMG_1.JPG")}));
}

TEST(KTImageMOTest, CheckCurrentThreadKeepsTheFirstThread)
{
    auto context = KTObjectContext::makeMainContext(KTCatalogModel::sharedModel());
    auto *image = context->insert<KTImageMO>(kImageEntityName);
    EXPECT_TRUE(image->checkCurrentThread());
    KTLogCapture log;
    bool fromOther = true;
    std::thread([&] { fromOther = image->checkCurrentThread(); }).join();
    EXPECT_FALSE(fromOther);
    EXPECT_TRUE(log.contains("Error: Invalid thread."));
    EXPECT_EQ(image->workThread(), QThread::currentThread());
}

TEST(KTImageMOTest, MonitorReportsOnlyRealChangesOfTheFilesExistence)
{
    QTemporaryDir dir;
    const QString file = dir.filePath("IMG_1.JPG");
    auto touch = [&] {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    };
    touch();
    auto context = KTObjectContext::makeMainContext(KTCatalogModel::sharedModel());
    auto *image = context->insert<KTImageMO>(kImageEntityName);
    image->setPath(file);
    EXPECT_EQ(image->originalFileExists(), std::nullopt); // never checked yet
    QList<QVariant> heard;
    auto token = context->observe(image, kImageOriginalFileExistsKey,
                                  [&](const KTValueChange &change) { heard.append(change.newValue); });

    image->startMonitoringFileSystem();
    image->startMonitoringFileSystem(); // a second view: one monitored record, two starts
    EXPECT_EQ(image->originalFileExists(), std::optional<bool>(true)); // never checked: at once
    ASSERT_TRUE(QFile::remove(file));
    EXPECT_TRUE(waitUntil([&] { return image->originalFileExists() == std::optional<bool>(false); },
                          std::chrono::seconds(3)));
    image->stopMonitoringFileSystem();
    EXPECT_TRUE(image->isMonitoringFileSystem());
    touch();
    EXPECT_TRUE(waitUntil([&] { return image->originalFileExists() == std::optional<bool>(true); },
                          std::chrono::seconds(3)));
    image->stopMonitoringFileSystem();
    EXPECT_FALSE(image->isMonitoringFileSystem());
    EXPECT_EQ(heard, (QList<QVariant>{true, false, true}));
    // The flag is transient: none of this is a change of the record.
    context->save();
    image->setOriginalFileExists(false);
    EXPECT_FALSE(context->hasChanges());
}

TEST(KTImageMOTest, StopWithoutStartLogsAndDeletionEndsMonitoring)
{
    auto context = KTObjectContext::makeMainContext(KTCatalogModel::sharedModel());
    auto *image = context->insert<KTImageMO>(kImageEntityName);
    image->setPath("/nowhere/IMG_2.JPG");
    {
        KTLogCapture log;
        image->stopMonitoringFileSystem();
        EXPECT_EQ(
            log.lines()
                .filter("File system monitoring for image at path /nowhere/IMG_2.JPG did not started yet")
                .size(),
            1);
        EXPECT_FALSE(image->isMonitoringFileSystem());
    }
    image->startMonitoringFileSystem();
    image->startMonitoringFileSystem();
    context->deleteObject(image);
    EXPECT_FALSE(image->isMonitoringFileSystem());
}

TEST(KTImageMOTest, WrapperCopiesTheValuesAndOutlivesTheRecord)
{
    std::optional<KTImageMOWrapper> wrapper;
    {
        auto context = KTObjectContext::makeMainContext(KTCatalogModel::sharedModel());
        auto *image = context->insert<KTImageMO>(kImageEntityName);
        image->setPath("/photos/IMG_3.CR2");
        image->setDuplicateImagePath("/photos/IMG_3.JPG");
        image->setRejected(true);
        image->setImageIndex(-1);
        image->setOriginalFileExists(false);
        wrapper = KTImageMOWrapper::wrapperWithImageMO(*image);
        EXPECT_EQ(wrapper->uuid(), image->uuid());
    }
    EXPECT_EQ(wrapper->path(), QStringLiteral("/photos/IMG_3.CR2"));
    EXPECT_EQ(wrapper->duplicateImagePath(), QStringLiteral("/photos/IMG_3.JPG"));
    EXPECT_EQ(wrapper->rejected(), std::optional<bool>(true));
    EXPECT_EQ(wrapper->picked(), std::nullopt);
    EXPECT_EQ(wrapper->imageIndex(), std::optional<qint64>(-1));
    EXPECT_EQ(wrapper->originalFileExists(), std::optional<bool>(false));
}

TEST(KTImageMOTest, FileAttributesSetTheirValuesAndMissingOnesNil)
{
    auto context = KTObjectContext::makeMainContext(KTCatalogModel::sharedModel());
    auto *image = context->insert<KTImageMO>(kImageEntityName);
    image->setTimeStamp(QDateTime::fromSecsSinceEpoch(5, Qt::UTC));
    image->setExposureTime(0.25);
    const QDateTime modified = QDateTime::fromMSecsSinceEpoch(1600000000123, Qt::UTC);
    const QDateTime created = modified.addSecs(-60);
    image->addImageAttributesFromDictionary({{kFileModificationDateKey, modified},
                                             {kFileSizeKey, quint64(123456)},
                                             {kFileCreationDateKey, created}});
    EXPECT_EQ(image->modificationDate(), modified);
    EXPECT_EQ(image->size(), std::optional<quint64>(123456));
    EXPECT_EQ(image->creationDate(), created);
    EXPECT_FALSE(image->timeStamp().isValid());
    EXPECT_EQ(image->exposureTime(), std::nullopt);
    image->addImageAttributesFromDictionary(
        {{kTimeStampImageAttributeKey, created}, {kExposureTimeImageAttributeKey, 0.5}});
    EXPECT_EQ(image->timeStamp(), created);
    EXPECT_EQ(image->exposureTime(), std::optional<double>(0.5));
    EXPECT_FALSE(image->modificationDate().isValid());
    EXPECT_EQ(image->size(), std::nullopt);
}
