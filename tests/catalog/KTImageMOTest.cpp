#include "KTImageMO.h"

#include "KTCatalogModel.h"
#include "KTObjectContext.h"
#include "KTTestSupport.h"

#include <QDateTime>

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
