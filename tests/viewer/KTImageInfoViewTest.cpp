#include "KTImageInfoView.h"

#include "KTAnimations.h"
#include "KTDictionaryExif.h"
#include "KTImageFixtures.h"
#include "KTImageMO.h"
#include "KTImageUtils.h"
#include "KTImageView.h"
#include "KTInfoStrings.h"
#include "KTInfoTextField.h"
#include "KTTestSupport.h"
#include "KTUIImageView.h"
#include "KTViewerFixture.h"

#include <QFile>
#include <QFileInfo>

namespace {

/// The strip inside a parent wide enough for it, following a view.
class InfoStrip : public KTViewerFixture
{
public:
    InfoStrip()
    {
        KTAnimations::setEnabled(false);
        parent.resize(1200, 400);
        view = new KTImageView(services(), &parent);
        view->setGeometry(0, 0, 1200, 360);
        strip = new KTImageInfoView(&parent);
        strip->setFrame(QRectF(0, 360, KTImageInfoView::kDesignedWidth, KTImageInfoView::kHeight));
        strip->startObservingImageView(view);
        parent.show();
    }
    ~InfoStrip() override { KTAnimations::setEnabled(true); }

    QWidget parent;
    KTImageView *view = nullptr;
    KTImageInfoView *strip = nullptr;
};

bool shown(const QWidget *widget)
{
    return widget->isVisibleTo(widget->window());
}

} // namespace

TEST_F(InfoStrip, TextsAndFieldsPerSubMode)
{
    KTImageMO *record = cameraRecord("IMG_0042.JPG");
    const QVariantMap metadata = KTImageUtils::metadataDictionaryFromPath(record->path());
    struct Case
    {
        QString mode;
        bool container, zoom, camera, groups;
    };
    const Case cases[] = {
        {"Image", true, true, true, false},    {"List", true, false, true, false},
        {"Group", true, false, true, false},   {"Compare", true, false, false, false},
        {"Groups", false, false, false, true},
    };
    for (const Case &c : cases) {
        strip->setUIMode(c.mode);
        view->setImageMO(nullptr);
        strip->setImageMO(nullptr);
        // In "Compare" and "Groups" the zoom keeps the visibility it had: hidden after "Group".
        view->setImageMO(record);
        EXPECT_EQ(shown(strip->containerView()), c.container) << qPrintable(c.mode);
        EXPECT_EQ(shown(strip->scalePercentTextField()), c.zoom) << qPrintable(c.mode);
        EXPECT_EQ(shown(strip->photoInfoTextField()), c.camera) << qPrintable(c.mode);
        EXPECT_EQ(shown(strip->photoInfoSeparator()), c.camera) << qPrintable(c.mode);
        EXPECT_EQ(shown(strip->groupsInfoTextField()), c.groups) << qPrintable(c.mode);
        // The zoom follows the name after a gap: no comma trails the name.
        EXPECT_EQ(strip->nameTextField()->stringValue(), QStringLiteral("IMG_0042.JPG"))
            << qPrintable(c.mode);
    }
    EXPECT_EQ(strip->dateTextField()->stringValue(), KTDictionaryExif::dateString(metadata));
    EXPECT_EQ(strip->dimensionsTextField()->stringValue(), QStringLiteral("640x480"));
    EXPECT_EQ(strip->sizeTextField()->stringValue(), KTInfoStrings::byteCount(qint64(*record->size())) + ",");
    EXPECT_EQ(strip->photoInfoTextField()->stringValue(), QStringLiteral("ISO 400, 105mm, 1/250 sec, f/5.6"));

    strip->setUIMode("Image");
    view->scale(1.0, KTAnimated::No);
    EXPECT_EQ(strip->scalePercentTextField()->stringValue(), QStringLiteral("100%"));
}

TEST_F(InfoStrip, CameraLineHoldsOnlyThePresentItems)
{
    struct Case
    {
        KTExifFields exif;
        QString line;
    };
    const Case cases[] = {
        {{{"Exif.Photo.FNumber", "28/10"}}, "f/2.8"},
        {{{"Exif.Photo.ISOSpeedRatings", "100"}, {"Exif.Photo.ExposureTime", "1/60"}}, "ISO 100, 1/60 sec"},
        {{{"Exif.Image.Make", "Vireo"}}, ""},
    };
    strip->setUIMode("Image");
    int n = 0;
    for (const Case &c : cases) {
        view->setImageMO(cameraRecord(QStringLiteral("line%1.jpg").arg(n++), c.exif));
        EXPECT_EQ(strip->photoInfoTextField()->stringValue(), c.line);
        EXPECT_EQ(shown(strip->photoInfoSeparator()), !c.line.isEmpty()) << qPrintable(c.line);
    }
}

// The strip shows the zoom rounded to a whole percent, the figure of the zoom pop-up, also for the
// zooms that truncating reads one lower (133.6 % is "134%", not "133%").
TEST_F(InfoStrip, ZoomIsTheRoundedFigure)
{
    strip->setUIMode("Image");
    view->setImageMO(cameraRecord("zoom.jpg"));
    const struct
    {
        double factor;
        QString text;
    } cases[] = {{1.336, "134%"}, {1.887, "189%"}, {2.828, "283%"}, {1.334, "133%"}, {0.99999999, "100%"}};
    for (const auto &c : cases) {
        view->scale(c.factor, KTAnimated::No);
        EXPECT_EQ(strip->scalePercentTextField()->stringValue(), c.text) << c.factor;
        EXPECT_EQ(QStringLiteral("%1%").arg(*view->zoomPercentFigure()), c.text) << c.factor;
    }
}

// The byte size carries the comma that joins the pixel size only when a pixel size follows.
TEST_F(InfoStrip, SizeCommaOnlyBeforeAPixelSize)
{
    strip->setUIMode("List");
    KTImageMO *photo = cameraRecord("sized.jpg");
    view->setImageMO(photo);
    const QString bytes = KTInfoStrings::byteCount(qint64(*photo->size()));
    EXPECT_EQ(strip->sizeTextField()->stringValue(), bytes + ",");

    KTImageMO *broken = brokenRecord("unsized.jpg");
    view->setImageMO(broken);
    EXPECT_TRUE(strip->dimensionsTextField()->stringValue().isEmpty());
    EXPECT_EQ(strip->sizeTextField()->stringValue(), KTInfoStrings::byteCount(qint64(*broken->size())));
}

TEST_F(InfoStrip, NormalLayoutCentresTheNameAndFollowsItWithTheSizes)
{
    strip->setUIMode("List"); // the zoom is hidden: the sizes follow the name directly
    view->setImageMO(cameraRecord("short.jpg"));
    const QWidget *name = strip->nameTextField();
    const double centre = strip->containerView()->width() / 2.0;
    EXPECT_LE(std::abs(name->x() + name->width() / 2.0 - centre), 1.0);
    EXPECT_EQ(strip->rightSeparator()->x(), name->x() + name->width() + 12);
    EXPECT_EQ(strip->sizeTextField()->x(), name->x() + name->width() + 24);
    EXPECT_EQ(strip->dimensionsTextField()->x(),
              strip->sizeTextField()->x() + strip->sizeTextField()->width() + 7);
    EXPECT_EQ(strip->dateTextField()->x() + strip->dateTextField()->width(), name->x() - 24);
    EXPECT_TRUE(name->toolTip().isEmpty());
    EXPECT_FALSE(strip->isInCompactMode());
}

TEST_F(InfoStrip, NarrowStripTurnsCompactOnlyForANameThatDoesNotFit)
{
    strip->setUIMode("Image");
    strip->setFrame(QRectF(0, 360, 600, KTImageInfoView::kHeight));
    ASSERT_TRUE(strip->isInCompactMode());

    view->setImageMO(cameraRecord("a.jpg"));
    const QWidget *name = strip->nameTextField();
    const double centre = strip->containerView()->width() / 2.0;
    EXPECT_LE(std::abs(name->x() + name->width() / 2.0 - centre), 1.0); // short: centred as usual

    const QString longName =
        QStringLiteral("A very long file name from a camera card, copied twice over.jpg");
    view->setImageMO(cameraRecord(longName));
    EXPECT_EQ(name->x(), strip->leftSeparator()->x() + strip->leftSeparator()->width() + 5);
    EXPECT_EQ(name->x() + name->width() + 5, strip->scalePercentTextField()->x());
    EXPECT_EQ(name->toolTip(), longName);
    // The sizes end where the camera line's separator begins; the camera line stays.
    EXPECT_LE(strip->dimensionsTextField()->x() + strip->dimensionsTextField()->width(),
              strip->photoInfoSeparator()->x());
    EXPECT_TRUE(shown(strip->photoInfoTextField()));

    strip->setFrame(QRectF(0, 360, KTImageInfoView::kDesignedWidth, KTImageInfoView::kHeight));
    EXPECT_FALSE(strip->isInCompactMode());
}

// A strip narrower than designed keeps its camera line, with and without room to spare: the name
// is shortened first, then the camera line; the fields never overlap. Without EXIF there is no
// camera line and the sizes take the right edge.
TEST_F(InfoStrip, NarrowStripKeepsTheCameraLine)
{
    const QString longName =
        QStringLiteral("A very long file name from a camera card, copied twice over.jpg");
    const QString camera = QStringLiteral("ISO 400, 105mm, 1/250 sec, f/5.6");
    const struct
    {
        double width;
        bool exif;
        bool cameraShortened;
    } cases[] = {{700, true, false}, {600, true, false}, {420, true, true}, {600, false, false}};
    strip->setUIMode("Image");
    int n = 0;
    for (const auto &c : cases) {
        SCOPED_TRACE(QStringLiteral("%1 %2").arg(c.width).arg(c.exif ? "EXIF" : "no EXIF").toStdString());
        strip->setFrame(QRectF(0, 360, c.width, KTImageInfoView::kHeight));
        ASSERT_TRUE(strip->isInCompactMode());
        const QString name = QStringLiteral("%1 %2").arg(n++).arg(longName);
        view->setImageMO(c.exif ? cameraRecord(name) : cameraRecord(name, {{"Exif.Image.Make", "Vireo"}}));
        const KTInfoTextField *line = strip->photoInfoTextField();
        EXPECT_EQ(line->stringValue(), c.exif ? camera : QString());
        EXPECT_EQ(shown(line) && shown(strip->photoInfoSeparator()), c.exif);
        EXPECT_EQ(line->isTruncated(), c.cameraShortened);
        EXPECT_EQ(line->toolTip(), c.cameraShortened ? camera : QString());
        EXPECT_TRUE(strip->nameTextField()->isTruncated());
        EXPECT_EQ(strip->nameTextField()->toolTip(), name);

        // Left to right, each field ends before the next begins.
        const QWidget *order[] = {strip->dateTextField(),      strip->leftSeparator(),
                                  strip->nameTextField(),      strip->scalePercentTextField(),
                                  strip->rightSeparator(),     strip->sizeTextField(),
                                  strip->dimensionsTextField()};
        for (size_t i = 1; i < std::size(order); ++i)
            EXPECT_LE(order[i - 1]->x() + order[i - 1]->width(), order[i]->x()) << i;
        const QWidget *dimensions = strip->dimensionsTextField();
        if (c.exif) {
            EXPECT_LE(dimensions->x() + dimensions->width(), strip->photoInfoSeparator()->x());
            EXPECT_LE(strip->photoInfoSeparator()->x() + strip->photoInfoSeparator()->width(), line->x());
            EXPECT_LE(line->x() + line->width(), strip->width());
        } else {
            EXPECT_EQ(dimensions->x() + dimensions->width(), strip->width() - 9);
        }
    }
}

// In the normal layout a name that cannot fit shrinks one point at a time; it stops at 0.
TEST_F(InfoStrip, NameNeverShrinksBelowZero)
{
    auto *small = new KTImageInfoView(QRectF(0, 0, 160, KTImageInfoView::kHeight), &parent);
    small->setUIMode("Image");
    small->setImageMO(cameraRecord("a fairly long name that cannot fit here.jpg"));
    small->show();
    small->layoutTextFields();
    EXPECT_FALSE(small->isInCompactMode());
    EXPECT_EQ(small->nameTextField()->width(), 0);
}

TEST_F(InfoStrip, FrameGrowsForTheRightBandAndStaysInTheParent)
{
    strip->setDrawsRightSpace(true);
    strip->setFrame(QRectF(100, 360, 400, KTImageInfoView::kHeight));
    EXPECT_EQ(strip->geometry(), QRect(100, 360, 406, 30));
    // The band is at the strip's own right edge wherever the strip sits.
    EXPECT_EQ(strip->rightEdgeRect(), QRectF(401, 0, 5, 22));
    strip->setFrame(QRectF(1000, 360, 400, KTImageInfoView::kHeight));
    EXPECT_EQ(strip->geometry(), QRect(1000, 360, 200, 30));
}

TEST_F(InfoStrip, MissingFileHidesTheTextsAndKeepsTheName)
{
    strip->setUIMode("Image");
    KTImageMO *record = cameraRecord("gone.jpg");
    view->setImageMO(record);
    const QString name = strip->nameTextField()->stringValue();
    QFile::remove(record->path());
    record->checkOriginalFileExistence();
    EXPECT_FALSE(shown(strip->containerView()));
    EXPECT_FALSE(shown(strip->photoInfoTextField()));
    EXPECT_EQ(strip->nameTextField()->stringValue(), name);
}

TEST_F(InfoStrip, HighlightFrameIsDrawnOncePerSize)
{
    strip->setUIMode("Compare");
    view->setImageMO(cameraRecord("selected.jpg"));
    strip->setDrawsRightSpace(true);
    strip->setSelected(true);
    EXPECT_TRUE(shown(strip->selectionImageView()));
    const QImage first = strip->selectionImage();
    EXPECT_EQ(first.deviceIndependentSize().toSize(), QSize(strip->width() - 5, strip->height()));
    strip->setSelected(true);
    strip->checkSelectionImageSize();
    EXPECT_EQ(strip->selectionImage().cacheKey(), first.cacheKey());
    strip->setSelected(false);
    EXPECT_FALSE(shown(strip->selectionImageView()));
}

TEST_F(InfoStrip, DateFallsBackToTheFileCreationDate)
{
    strip->setUIMode("Image");
    KTImageMO *record = cameraRecord("nodate.jpg", {{"Exif.Image.Make", "Vireo"}});
    view->setImageMO(record);
    EXPECT_EQ(strip->dateTextField()->stringValue(),
              KTDictionaryExif::mediumDateString(QFileInfo(record->path()).birthTime()));
}

TEST_F(InfoStrip, TeardownStopsMonitoringTheRecord)
{
    KTImageMO *record = cameraRecord("watched.jpg");
    {
        KTImageInfoView alone;
        alone.setImageMO(record);
        EXPECT_TRUE(record->isMonitoringFileSystem());
    }
    EXPECT_FALSE(record->isMonitoringFileSystem());
}
