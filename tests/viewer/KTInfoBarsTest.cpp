#include "KTCompareImagesInfoBar.h"
#include "KTFont.h"
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
#include <QFileInfo>
#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QLabel>

#include <cmath>

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

// Two names that differ only in their frame counter, shortened to any width that holds the
// ellipsis and a little more, stay told apart when the end is kept; shortened in the middle,
// they meet ("big1…jpg" twice).
TEST(KTInfoTextFieldTest, KeepingTheEndTellsFrameCountersApart)
{
    const QString first = QStringLiteral("big1_from_the_long_walk_0001.jpg");
    const QString second = QStringLiteral("big1_from_the_long_walk_0002.jpg");
    const QFontMetricsF metrics(ktBodyFont());
    using E = KTInfoTextField::Elision;
    bool middleMet = false;
    for (double width = std::ceil(metrics.horizontalAdvance(QStringLiteral("b\u20261.jpg")));
         width < metrics.horizontalAdvance(first); width += 2) {
        const QString a = KTInfoTextField::elidedText(first, E::KeepingTheEnd, metrics, width);
        const QString b = KTInfoTextField::elidedText(second, E::KeepingTheEnd, metrics, width);
        EXPECT_NE(a, b) << width;
        EXPECT_TRUE(a.endsWith(QStringLiteral("1.jpg"))) << qPrintable(a);
        EXPECT_TRUE(a.startsWith(QLatin1Char('b'))) << qPrintable(a);
        EXPECT_TRUE(a.contains(QChar(0x2026))) << qPrintable(a);
        EXPECT_LE(metrics.horizontalAdvance(a), width) << qPrintable(a);
        middleMet = middleMet || KTInfoTextField::elidedText(first, E::Middle, metrics, width) ==
                                     KTInfoTextField::elidedText(second, E::Middle, metrics, width);
    }
    EXPECT_TRUE(middleMet);
    EXPECT_EQ(KTInfoTextField::elidedText(first, E::KeepingTheEnd, metrics, 1000), first);
}

// In a narrow comparison both strips shorten their names, and each keeps its own end; the bars
// above show the two paths apart too.
TEST_F(InfoBars, NarrowCompareTellsTheTwoNamesApart)
{
    KTImageCompareView view(services());
    view.resize(700, 400);
    view.show();
    KTImageMO *first = imageRecord("big1_from_the_long_walk_by_the_river_0001.jpg", QSize(400, 300));
    KTImageMO *second = imageRecord("big1_from_the_long_walk_by_the_river_0002.jpg", QSize(400, 300));
    view.compareImage(first, second);
    const KTInfoTextField *left = view.leftInfoView()->nameTextField();
    const KTInfoTextField *right = view.rightInfoView()->nameTextField();
    ASSERT_TRUE(left->isTruncated());
    ASSERT_TRUE(right->isTruncated());
    EXPECT_NE(left->shownText(), right->shownText());
    EXPECT_TRUE(left->shownText().endsWith(QStringLiteral("1.jpg"))) << qPrintable(left->shownText());
    EXPECT_TRUE(right->shownText().endsWith(QStringLiteral("2.jpg"))) << qPrintable(right->shownText());
    // The full name is a hover away.
    EXPECT_EQ(left->toolTip(), QFileInfo(first->path()).fileName());
    EXPECT_FALSE(left->testAttribute(Qt::WA_TransparentForMouseEvents));

    KTCompareImagesInfoBar bars;
    bars.resize(560, 30);
    bars.setCompareView(&view);
    bars.show();
    const auto paths = bars.findChildren<KTSingeImageInfoBar *>();
    ASSERT_EQ(paths.size(), 2);
    EXPECT_NE(paths.at(0)->imagePathLabel()->shownText(), paths.at(1)->imagePathLabel()->shownText());
}
