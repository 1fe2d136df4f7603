#include "KTCompareImagesInfoBar.h"
#include "KTExifViewController.h"
#include "KTImageInfoView.h"
#include "KTImageCompareView.h"
#include "KTImageExifView.h"
#include "KTImageFixtures.h"
#include "KTImageInfoViewsContainer.h"
#include "KTImageMO.h"
#include "KTImageView.h"
#include "KTInfoStrings.h"
#include "KTInfoTextField.h"
#include "KTMultipleLabelsView.h"
#include "KTSingeImageInfoBar.h"
#include "KTTestSupport.h"
#include "KTUIImageView.h"
#include "KTViewerFixture.h"
#include "KTWidgetRendering.h"

#include <QFile>
#include <QHBoxLayout>
#include <QLabel>

namespace {

using InfoBars = KTViewerFixture;

QStringList childNames(const QWidget &row)
{
    QStringList names;
    for (const QObject *child : row.children())
        if (child->isWidgetType())
            names.append(child->objectName());
    return names;
}

} // namespace

TEST(KTMultipleLabelsViewTest, RowOfLabelsAndSeparators)
{
    KTMultipleLabelsView row;
    row.setStrings({"one"});
    EXPECT_EQ(childNames(row), QStringList{"view0"});

    row.setStrings({"a", "b", "c"});
    EXPECT_EQ(childNames(row), (QStringList{"view0", "view1", "view2", "view3", "view4"}));
    EXPECT_EQ(row.findChild<QLabel *>("view2")->text(), QStringLiteral("b"));
    EXPECT_EQ(row.findChild<QLabel *>("view1"), nullptr); // a separator
    const QMargins margins = row.layout()->contentsMargins();
    EXPECT_EQ(margins.left(), 10);
    EXPECT_EQ(margins.right(), 10);

    row.setStrings({});
    EXPECT_TRUE(childNames(row).isEmpty());
    EXPECT_EQ(row.layout(), nullptr);
}

TEST_F(InfoBars, SingleBarShowsPathSizeAndStringsAndHidesWithoutAFile)
{
    KTImageMO *record = cameraRecord("bar.jpg");
    KTSingeImageInfoBar bar;
    bar.resize(900, KTSingeImageInfoBar::kHeight);
    bar.show();
    EXPECT_TRUE(bar.isInfoHidden());

    bar.setImageMO(record);
    EXPECT_FALSE(bar.isInfoHidden());
    // The strings come when the record's document has read the file, off the main thread.
    EXPECT_TRUE(bar.infoStringsFromImageMO().isEmpty());
    ASSERT_TRUE(waitUntil([&] { return !bar.imageInfoView()->strings().isEmpty(); }));
    EXPECT_EQ(bar.imagePathLabel()->stringValue(), record->path());
    EXPECT_EQ(bar.imageSizeLabel()->stringValue(), KTInfoStrings::byteCount(qint64(*record->size())));
    const QStringList strings = bar.infoStringsFromImageMO();
    ASSERT_EQ(strings.size(), 6);
    EXPECT_EQ(strings.mid(1), (QStringList{"640 x 480", "ISO 400", "105mm", "f/5.6", "1/250 sec"}));
    EXPECT_EQ(bar.imageInfoView()->strings(), strings);

    QFile::remove(record->path());
    record->checkOriginalFileExistence();
    EXPECT_TRUE(bar.isInfoHidden());
    EXPECT_FALSE(bar.imagePathLabel()->isVisibleTo(&bar));
    ASSERT_TRUE(writeJpegWithExif(record->path(), {}, QSize(64, 48)));
    record->checkOriginalFileExistence();
    EXPECT_FALSE(bar.isInfoHidden());

    bar.setImageMO(nullptr);
    EXPECT_TRUE(bar.isInfoHidden());
    EXPECT_FALSE(bar.separator()->isVisibleTo(&bar));
    EXPECT_FALSE(bar.imageInfoView()->isVisibleTo(&bar));
}

TEST_F(InfoBars, SameRecordTwiceIsMonitoredOnce)
{
    KTImageMO *record = cameraRecord("once.jpg");
    {
        KTSingeImageInfoBar bar;
        bar.setImageMO(record);
        bar.setImageMO(record);
    }
    EXPECT_FALSE(record->isMonitoringFileSystem());
}

TEST_F(InfoBars, CompareBarFollowsBothSides)
{
    KTImageCompareView compare(services());
    compare.resize(1000, 600);
    KTCompareImagesInfoBar bar;
    bar.setCompareView(&compare);
    EXPECT_EQ(bar.firstImageInfoBar()->imageMO(), nullptr);
    EXPECT_TRUE(bar.secondImageInfoBar()->isInfoHidden());

    KTImageMO *left = cameraRecord("left.jpg");
    KTImageMO *right = cameraRecord("right.jpg");
    compare.compareImage(left, right);
    EXPECT_EQ(bar.firstImageInfoBar()->imageMO(), left);
    EXPECT_EQ(bar.secondImageInfoBar()->imageMO(), right);

    KTImageMO *other = cameraRecord("other.jpg");
    compare.leftImageView()->setImageMO(other);
    EXPECT_EQ(bar.firstImageInfoBar()->imageMO(), other);
    EXPECT_EQ(bar.secondImageInfoBar()->imageMO(), right);

    bar.setCompareView(nullptr);
    compare.rightImageView()->setImageMO(left);
    EXPECT_EQ(bar.secondImageInfoBar()->imageMO(), nullptr);
}

// Deleted records are freed once their session is cleared: every panel that shows one lets it go.
TEST_F(InfoBars, DeletedRecordIsLetGoEverywhere)
{
    KTImageMO *record = cameraRecord("deleted.jpg");
    KTImageInfoView strip;
    KTSingeImageInfoBar bar;
    KTExifViewController exif(services());
    strip.setImageMO(record);
    bar.setImageMO(record);
    exif.setImageMO(record);
    context->deleteObject(record);
    context->processPendingChanges();
    EXPECT_EQ(strip.imageMO(), nullptr);
    EXPECT_EQ(bar.imageMO(), nullptr);
    EXPECT_EQ(exif.imageMO(), nullptr);
    EXPECT_TRUE(bar.isInfoHidden());
}

TEST(KTImageInfoViewsContainerTest, PanelColourAboveTheBandAndTheSeparatorOnRequest)
{
    KTImageInfoViewsContainer container;
    container.resize(200, 40);
    QWidget background(&container);
    background.setGeometry(0, 0, 120, 40);
    container.setBackgroundView(&background);
    background.hide();

    QImage picture = renderWidget(container, Qt::transparent);
    EXPECT_EQ(picture.pixelColor(50, 10), KTImageExifView::backgroundColor());
    EXPECT_EQ(picture.pixelColor(50, 36).alpha(), 0); // the transparent band
    EXPECT_EQ(picture.pixelColor(120, 10), KTImageExifView::backgroundColor());

    container.setDrawsSeparator(true);
    picture = renderWidget(container, Qt::transparent);
    EXPECT_EQ(picture.pixelColor(120, 10), KTImageExifView::shadowBorderColor());
}
