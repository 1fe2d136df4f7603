#include "KTImageDocument.h"

#include "KTAnimations.h"
#include "KTExifViewController.h"
#include "KTImageExifView.h"
#include "KTImageFixtures.h"
#include "KTImageInfoView.h"
#include "KTImageMO.h"
#include "KTImageView.h"
#include "KTMultipleLabelsView.h"
#include "KTSingeImageInfoBar.h"
#include "KTTestSupport.h"
#include "KTViewerFixture.h"

#include <QColorSpace>

#include <thread>

namespace {

/// File reads held until the test lets them run, each off the main thread.
class HeldReads
{
public:
    KTImageViewServices::Worker worker()
    {
        return [this](std::function<void()> work, std::function<void()> then) {
            m_jobs.push_back({std::move(work), std::move(then)});
        };
    }
    int pending() const { return int(m_jobs.size()); }
    /// Runs every held read on a thread of its own, then its continuation here.
    void release()
    {
        for (auto &[work, then] : std::exchange(m_jobs, {})) {
            std::thread reader(work);
            reader.join();
            then();
        }
    }

private:
    std::vector<std::pair<std::function<void()>, std::function<void()>>> m_jobs;
};

class ImageDocument : public KTViewerFixture
{
public:
    ImageDocument() { KTAnimations::setEnabled(false); }
    ~ImageDocument() override { KTAnimations::setEnabled(true); }

    KTImageViewServices heldServices()
    {
        KTImageViewServices held = services();
        held.worker = reads.worker();
        return held;
    }

    HeldReads reads;
};

} // namespace

// The viewer, its strip, the info bar and the EXIF panel show one record from one document, which
// reads the file once, off the main thread; the views show nothing of it until it has.
TEST_F(ImageDocument, ViewsOfARecordShareOneDocumentThatReadsTheFileOnce)
{
    KTImageMO *record = cameraRecord("shared.jpg");
    QWidget parent;
    auto *view = new KTImageView(heldServices(), &parent);
    view->resize(800, 600);
    auto *strip = new KTImageInfoView(&parent);
    strip->startObservingImageView(view);
    KTSingeImageInfoBar bar(&parent);
    KTExifViewController exif(heldServices());
    parent.show();

    openThumbnails();
    view->setImageMO(record);
    bar.setImageMO(record);
    exif.setImageMO(record);
    ASSERT_NE(view->document(), nullptr);
    EXPECT_EQ(KTImageDocument::forImage(record).get(), view->document());
    EXPECT_EQ(exif.document(), view->document());
    EXPECT_EQ(reads.pending(), 1);
    EXPECT_TRUE(view->metadata().isEmpty());
    EXPECT_TRUE(bar.infoStringsFromImageMO().isEmpty());
    EXPECT_TRUE(strip->properties().pixelSize.isEmpty());

    reads.release();
    EXPECT_EQ(view->viewerGeometry().imageSize(), QSizeF(640, 480));
    EXPECT_EQ(strip->properties().pixelSize, QStringLiteral("640x480"));
    EXPECT_EQ(bar.imageInfoView()->strings().value(1), QStringLiteral("640 x 480"));
    ASSERT_TRUE(waitUntil([&] { return exif.exifView()->valueForInfoKey("Resolution") != "---"; }));
    EXPECT_EQ(exif.exifView()->valueForInfoKey("Resolution"), QStringLiteral("640x480"));
    EXPECT_EQ(reads.pending(), 0) << "no view read the file a second time";
}

// With zoom lock, the next image shows the same part at the same share of the view; when its size
// is read after it is shown, the part waits for it instead of being taken from the thumbnail.
TEST_F(ImageDocument, ZoomLockedPartWaitsForTheImageSize)
{
    KTImageMO *first = imageRecord("first.jpg", QSize(1200, 800));
    KTImageMO *second = imageRecord("second.jpg", QSize(2400, 1600));
    KTImageView view(heldServices());
    view.resize(800, 600);
    view.show();
    openThumbnails();
    view.setIsZoomLock(true);
    view.setImageMO(first);
    reads.release();
    view.scale(1.0, KTAnimated::No);
    view.moveByVect(QPointF(-150, 40), KTAnimated::No);
    const KTVisibleGeometry kept = view.geometryInfo();

    view.setImageMO(second);
    ASSERT_EQ(reads.pending(), 1);
    reads.release();
    EXPECT_EQ(view.viewerGeometry().imageSize(), QSizeF(2400, 1600));
    const KTVisibleGeometry shown = view.geometryInfo();
    EXPECT_NEAR(shown.visiblePart, kept.visiblePart, 1e-6);
    EXPECT_NEAR(shown.anchorPoint.x(), kept.anchorPoint.x(), 1e-3);
    EXPECT_NEAR(shown.anchorPoint.y(), kept.anchorPoint.y(), 1e-3);
    EXPECT_FALSE(view.isFitToScreen());
}

// Two views of one record (the viewer and a side of the comparison, say) decode it once.
TEST_F(ImageDocument, TwoViewsOfARecordDecodeItOnce)
{
    KTImageMO *record = imageRecord("twice.jpg", QSize(1200, 800));
    auto left = makeView(QSize(600, 400));
    auto right = makeView(QSize(600, 400));
    openThumbnails();
    left->setImageMO(record);
    right->setImageMO(record);
    clock.advance(KTImageView::kPreviewDelay);
    ASSERT_TRUE(waitUntil([&] { return !left->previewImage().isNull() && !right->previewImage().isNull(); }));
    left->actualSize();
    right->actualSize();
    clock.advance(KTImageView::kReloadImageDelay);
    ASSERT_TRUE(waitUntil([&] { return !left->image().isNull() && !right->image().isNull(); }));
    EXPECT_EQ(decoder.calls(), 1);
    EXPECT_EQ(left->image().cacheKey(), right->image().cacheKey());
}

// The colour space is the file's: its own profile, else what its EXIF says, else nothing (the
// pictures' decodes are all tagged sRGB and tell nothing).
TEST_F(ImageDocument, ColourSpaceIsReadFromTheFile)
{
    QImage wide(64, 48, QImage::Format_RGB32);
    wide.fill(Qt::darkCyan);
    wide.setColorSpace(QColorSpace::DisplayP3);
    const QString profiled = dir.filePath("profiled.jpg");
    ASSERT_TRUE(writePictureWithExif(profiled, wide, {}));
    struct Case
    {
        QString path;
        QString name;
    };
    const auto exif = [&](const QString &name, const KTExifFields &fields) {
        const QString path = dir.filePath(name);
        EXPECT_TRUE(writeJpegWithExif(path, fields));
        return path;
    };
    const Case cases[] = {
        {exif("srgb.jpg", {{"Exif.Photo.ColorSpace", "1"}}), QStringLiteral("sRGB IEC61966-2.1")},
        {exif("uncalibrated.jpg", {{"Exif.Photo.ColorSpace", "65535"}}), QStringLiteral("Uncalibrated")},
        {exif("silent.jpg", {{"Exif.Image.Make", "Vireo"}}), QString()},
        {profiled, QColorSpace(QColorSpace::DisplayP3).description()},
    };
    for (const Case &c : cases)
        EXPECT_EQ(KTImageDocument::readProperties(c.path).colorSpaceName, c.name) << qPrintable(c.path);
}
