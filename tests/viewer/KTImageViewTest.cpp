#include "KTImageView.h"

#include "KTAlert.h"
#include "KTAnimations.h"
#include "KTDecodingFixtures.h"
#include "KTFullSizeImageCache.h"
#include "KTImageMO.h"
#include "KTImageSelectionView.h"
#include "KTImageViewImagePreparator.h"
#include "KTMenuPresenter.h"
#include "KTNotificationCenter.h"
#include "KTOnOffButton.h"
#include "KTOverlayImageCache.h"
#include "KTShareManager.h"
#include "KTShareSystem.h"
#include "KTSpinner.h"
#include "KTTestSupport.h"
#include "KTUserDefaults.h"
#include "KTViewerFixture.h"

#include <QFile>
#include <QMenu>
#include <QPainter>
#include <QTest>
#include <QNativeGestureEvent>
#include <QPointingDevice>
#include <QWheelEvent>

#include <cmath>

namespace {

using Layer = KTImageView::Layer;

/// Counts the broadcasts of one name from one view.
class BroadcastCounter
{
public:
    BroadcastCounter(const QString &name, QObject *sender)
        : m_token(KTNotificationCenter::defaultCenter().addObserver(name, sender,
                                                                    [this](const KTNotification &n) {
                                                                        ++count;
                                                                        last = n.userInfo;
                                                                    }))
    {}
    int count = 0;
    QVariantMap last;

private:
    KTObserverToken m_token;
};

bool hasContents(const KTImageView &view, Layer layer)
{
    return !view.layer(layer).contents.isNull();
}

void sendWheel(QWidget &view, QPointF position, QPoint angleDelta, QPoint pixelDelta = {},
               Qt::KeyboardModifiers modifiers = {}, Qt::ScrollPhase phase = Qt::NoScrollPhase)
{
    QWheelEvent event(position, view.mapToGlobal(position), pixelDelta, angleDelta, Qt::NoButton, modifiers,
                      phase, false);
    QApplication::sendEvent(&view, &event);
}

/// The share system of the context-menu tests: records, starts nothing.
class RecordingShareSystem : public KTShareSystem
{
public:
    void showItemsInFileManager(const QStringList &paths, std::function<void(bool)> done) override
    {
        revealed = paths;
        done(true);
    }
    bool openFolder(const QString &) override { return true; }
    QList<KTDesktopEntry> imageEditors() override { return {{"editor.desktop", "Editor", "editor %F"}}; }
    std::optional<KTDesktopEntry> applicationForExportTarget(const QString &) override
    {
        return std::nullopt;
    }
    bool openWithApplication(const KTDesktopEntry &, const QStringList &paths) override
    {
        exported = paths;
        return true;
    }
    bool canSendEmail() override { return true; }
    bool sendEmail(const QStringList &paths) override
    {
        shared = paths;
        return true;
    }
    QStringList revealed, exported, shared;
};

class ImageView : public KTViewerFixture
{
public:
    ImageView() { KTAnimations::setEnabled(false); }
    ~ImageView() override { KTAnimations::setEnabled(true); }

    /// Shows `record` and lets its thumbnail and preview arrive.
    void showLoaded(KTImageView &view, KTImageMO *record)
    {
        openThumbnails();
        view.setImageMO(record);
        clock.advance(KTImageView::kPreviewDelay);
        ASSERT_TRUE(waitUntil([&] { return hasContents(view, Layer::Preview); }));
    }
};

} // namespace

// ---- Staged loading ----

TEST_F(ImageView, ThumbnailAtOncePreviewOnlyForTheRecordStillShown)
{
    KTImageMO *first = imageRecord("first.jpg");
    KTImageMO *second = imageRecord("second.jpg");
    auto view = makeView(QSize(800, 600));

    view->setImageMO(first);
    EXPECT_TRUE(thumbnailRequested(first, 100));
    clock.advance(0.05);
    view->setImageMO(second);
    EXPECT_TRUE(thumbnailRequested(second, 100));
    clock.advance(0.06);
    // 0.11 s after the first record was shown, 0.06 s after the second: no preview yet.
    EXPECT_FALSE(thumbnailRequested(first, 900));
    EXPECT_FALSE(thumbnailRequested(second, 900));
    clock.advance(0.05);
    EXPECT_FALSE(thumbnailRequested(first, 900));
    EXPECT_TRUE(thumbnailRequested(second, 900)); // 800 points rounded up the ladder

    openThumbnails();
    ASSERT_TRUE(waitUntil([&] { return hasContents(*view, Layer::Preview); }));
    EXPECT_TRUE(hasContents(*view, Layer::LowResPreview));
    EXPECT_EQ(view->previewImage().width(), 900);
    // At fit the preview holds more pixels than the screen shows: no full-size decode.
    EXPECT_EQ(decoder.calls(), 0);
    EXPECT_FALSE(hasContents(*view, Layer::Image));
}

// The shadow is a soft band below and beside the photo, darkest next to it and gone within a few
// points; it is filled in short runs, which join without seams.
TEST_F(ImageView, ShadowFadesOutBesideAndBelowThePhotoWithoutSeams)
{
    KTImageMO *record = imageRecord("shadow.jpg", QSize(400, 300));
    auto view = makeView(QSize(800, 600));
    showLoaded(*view, record);
    const QImage shot = view->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QRectF up = view->presentationFrame();
    const QRect photo =
        QRectF(up.x(), view->height() - up.y() - up.height(), up.width(), up.height()).toRect();
    ASSERT_TRUE(QRect(QPoint(8, 8), view->size() - QSize(16, 16)).contains(photo));
    const QRgb background = shot.pixel(2, 2);
    // Down the side bands, every row shows the same shade.
    for (const int x : {photo.left() - 1, photo.right() + 1}) {
        const QRgb shade = shot.pixel(x, photo.top() + 8);
        EXPECT_LT(qGray(shade), qGray(background));
        for (int y = photo.top() + 8; y < photo.bottom() - 8; ++y)
            ASSERT_EQ(shot.pixel(x, y), shade) << x << "," << y;
    }
    // Below the photo the shadow lightens step by step to the background.
    int previous = -1;
    for (int y = photo.bottom() + 1; y < photo.bottom() + 12; ++y) {
        const int grey = qGray(shot.pixel(photo.center().x(), y));
        EXPECT_GE(grey, previous) << y;
        previous = grey;
    }
    EXPECT_LT(qGray(shot.pixel(photo.center().x(), photo.bottom() + 1)), qGray(background));
    EXPECT_EQ(shot.pixel(photo.center().x(), photo.bottom() + 12), background);
    // Above the photo there is none.
    EXPECT_EQ(shot.pixel(photo.center().x(), photo.top() - 2), background);
}

TEST_F(ImageView, ShowingTheSameRecordAgainRestartsNothing)
{
    KTImageMO *record = imageRecord("same.jpg");
    auto view = makeView();
    view->setImageMO(record);
    const int pending = clock.pendingCount();
    const auto operations = entities.operations().size();
    view->setImageMO(record);
    EXPECT_EQ(clock.pendingCount(), pending);
    EXPECT_EQ(entities.operations().size(), operations);
}

// The neighbours are read ahead once a record has shown its preview for the preview's wait:
// stepping to one paints its preview at once; a record left sooner reads nothing ahead.
TEST_F(ImageView, ReadAheadPaintsTheNextPreviewAtOnceAndSkipsFastSteps)
{
    KTImageMO *shown = imageRecord("shown.jpg");
    KTImageMO *next = imageRecord("next.jpg");
    KTImageMO *passed = imageRecord("passed.jpg");
    KTImageMO *beyond = imageRecord("beyond.jpg");
    auto view = makeView(QSize(800, 600));

    // Left within the wait: its neighbour is never asked for.
    view->setImageMO(passed);
    view->setReadAheadImages({beyond});
    clock.advance(KTImageView::kPreviewDelay / 2);

    view->setImageMO(shown);
    view->setReadAheadImages({nullptr, next});
    openThumbnails();
    clock.advance(KTImageView::kPreviewDelay);
    ASSERT_TRUE(waitUntil([&] { return hasContents(*view, Layer::Preview); }));
    EXPECT_FALSE(thumbnailRequested(next, 900));
    clock.advance(KTImageView::kPreviewDelay);
    ASSERT_EQ(view->readAheadDocuments().size(), 1u);
    EXPECT_TRUE(thumbnailRequested(next, 900));
    // Behind what the shown views ask for.
    EXPECT_FALSE(entities.operations().value(thumbnailKey(next, 900))->isActive());
    ASSERT_TRUE(waitUntil([&] { return !view->readAheadDocuments().front()->preview().isNull(); }));

    view->setImageMO(next);
    EXPECT_TRUE(hasContents(*view, Layer::Preview)); // no wait, no request
    EXPECT_EQ(view->previewImage().width(), 900);
    EXPECT_TRUE(view->readAheadDocuments().empty());
    EXPECT_FALSE(thumbnailRequested(beyond, 900));
    EXPECT_FALSE(thumbnailRequested(passed, 900));
}

// A preview kept in the entities manager's memory is painted without the preview's wait.
TEST_F(ImageView, PreviewInMemoryIsPaintedWithoutTheWait)
{
    KTImageMO *first = imageRecord("kept.jpg");
    KTImageMO *second = imageRecord("other.jpg");
    auto view = makeView(QSize(800, 600));
    showLoaded(*view, first);
    view->setImageMO(second);
    EXPECT_FALSE(hasContents(*view, Layer::Preview));
    view->setImageMO(first);
    EXPECT_TRUE(hasContents(*view, Layer::Preview));
    EXPECT_EQ(view->previewImage().width(), 900);
}

TEST_F(ImageView, FullSizeOnlyPastThePreviewAndDecodedOnceForABurstOfSteps)
{
    KTImageMO *record = imageRecord("zoom.jpg", QSize(1200, 800));
    auto view = makeView(QSize(800, 600));
    showLoaded(*view, record);
    ASSERT_EQ(decoder.calls(), 0);

    // Fit 0.637 < preview ratio 0.75; one step in (0.9) needs the full image.
    view->zoomIn();
    view->zoomIn();
    clock.advance(KTImageView::kReloadImageDelay);
    ASSERT_TRUE(waitUntil([&] { return hasContents(*view, Layer::Image); }));
    EXPECT_EQ(decoder.calls(), 1);
    EXPECT_EQ(view->image().size(), QSize(1200, 800));
    EXPECT_FALSE(view->isLoadingViewVisible());
    EXPECT_FALSE(KTImageView::imageCache().cachedFullSizeImageForPath(record->path()).isNull());
}

TEST_F(ImageView, RecordSwitchedMidDecodeNeverShowsTheOldPicture)
{
    KTImageMO *first = imageRecord("old.jpg", QSize(1200, 800));
    KTImageMO *second = imageRecord("new.jpg", QSize(1200, 800));
    auto view = makeView(QSize(800, 600));
    showLoaded(*view, first);

    decoder.close();
    view->actualSize();
    clock.advance(KTImageView::kReloadImageDelay);
    ASSERT_TRUE(waitUntil([&] { return decoder.calls() == 1 && view->isLoadingViewVisible(); }));

    view->setImageMO(second);
    decoder.open();
    ASSERT_TRUE(waitUntil([&] { return !view->isLoadingFullSize(); }));
    drainMainQueue();
    EXPECT_FALSE(hasContents(*view, Layer::Image));
    EXPECT_TRUE(view->image().isNull());
    EXPECT_FALSE(view->isLoadingViewVisible());
    EXPECT_TRUE(KTImageView::imageCache().cachedFullSizeImageForPath(first->path()).isNull());
}

TEST_F(ImageView, CachedFullSizeImageShowsWithoutThumbnailRequests)
{
    KTImageMO *record = imageRecord("cached.jpg", QSize(600, 400));
    QImage full(600, 400, QImage::Format_RGB32);
    full.fill(Qt::darkGreen);
    KTImageView::imageCache().cacheFullSizeImage(full, record->path());

    auto view = makeView();
    view->setImageMO(record);
    EXPECT_TRUE(hasContents(*view, Layer::Image));
    EXPECT_EQ(view->image().cacheKey(), full.cacheKey());
    EXPECT_FALSE(thumbnailRequested(record, 100));
    clock.advance(1.0);
    EXPECT_TRUE(entities.operations().isEmpty());
}

TEST_F(ImageView, OrientationDecidesTheLayerSize)
{
    struct Case
    {
        int orientation;
        QSizeF layers;
    };
    const Case cases[] = {{1, {640, 480}}, {3, {640, 480}}, {6, {480, 640}}, {8, {480, 640}}};
    auto view = makeView();
    for (const Case &c : cases) {
        view->setImageMO(
            imageRecord(QStringLiteral("o%1.jpg").arg(c.orientation), QSize(640, 480), c.orientation));
        EXPECT_EQ(view->viewerGeometry().imageSize(), c.layers) << c.orientation;
    }
}

// ---- Zoom and pan input ----

TEST_F(ImageView, WheelZoomsAboutThePointerAndATrackpadPans)
{
    auto view = makeView(QSize(800, 600));
    view->setImageMO(imageRecord("wheel.jpg", QSize(1600, 1200)));
    ASSERT_TRUE(view->isFitToScreen());
    const double fit = view->viewerGeometry().scale();
    BroadcastCounter geometry(kVisibleGeometryDidChange, view.get());

    const QPointF pointer(200, 150);
    const QPointF before =
        *view->viewerGeometry().unitPointAtViewPoint(view->viewerGeometry().fromQt(pointer));
    sendWheel(*view, pointer, QPoint(0, 120));
    EXPECT_NEAR(view->viewerGeometry().scale(), fit * std::sqrt(2.0), 1e-9);
    const QPointF after =
        *view->viewerGeometry().unitPointAtViewPoint(view->viewerGeometry().fromQt(pointer));
    EXPECT_NEAR(after.x(), before.x(), 1e-9);
    EXPECT_NEAR(after.y(), before.y(), 1e-9);
    EXPECT_FALSE(view->isFitToScreen());
    EXPECT_EQ(geometry.count, 1);

    sendWheel(*view, pointer, QPoint(0, -120), {}, {}, Qt::ScrollMomentum);
    EXPECT_NEAR(view->viewerGeometry().scale(), fit * std::sqrt(2.0), 1e-9);

    // Ctrl with a trackpad zooms; without it the trackpad pans.
    sendWheel(*view, pointer, QPoint(0, 120), QPoint(0, 10), Qt::ControlModifier);
    EXPECT_NEAR(view->viewerGeometry().scale(), fit * 2, 1e-9);
    const QPointF position = view->viewerGeometry().position();
    sendWheel(*view, pointer, QPoint(0, 0), QPoint(-30, 20));
    EXPECT_EQ(view->viewerGeometry().position(), position + QPointF(-30, -20));
    EXPECT_EQ(geometry.count, 3);
}

TEST_F(ImageView, PinchZoomsAboutTheFingersWithADeadZoneAndAFloor)
{
    auto view = makeView(QSize(800, 600));
    view->setImageMO(imageRecord("pinch.jpg", QSize(1600, 1200)));
    const double fit = view->viewerGeometry().scale();
    const auto pinch = [&](double value, QPointF at = QPointF(300, 200)) {
        QNativeGestureEvent event(Qt::ZoomNativeGesture, QPointingDevice::primaryPointingDevice(), 2, at, at,
                                  view->mapToGlobal(at), value, QPointF(), 1);
        QApplication::sendEvent(view.get(), &event);
    };
    pinch(0.005); // within the dead zone: nothing, not even fit mode
    EXPECT_TRUE(view->isFitToScreen());
    EXPECT_DOUBLE_EQ(view->viewerGeometry().scale(), fit);

    BroadcastCounter geometry(kVisibleGeometryDidChange, view.get());
    const QPointF unit =
        *view->viewerGeometry().unitPointAtViewPoint(view->viewerGeometry().fromQt({300, 200}));
    pinch(0.25);
    EXPECT_NEAR(view->viewerGeometry().scale(), fit + 0.25, 1e-6);
    EXPECT_FALSE(view->isFitToScreen());
    EXPECT_EQ(geometry.count, 1);
    const QPointF under =
        *view->viewerGeometry().unitPointAtViewPoint(view->viewerGeometry().fromQt({300, 200}));
    EXPECT_NEAR(under.x(), unit.x(), 1e-6);

    pinch(-5.0); // far below the floor: lands on 0.15 (the fit scale is above it)
    EXPECT_NEAR(view->viewerGeometry().scale(), KTViewerGeometry::kPinchFloor, 1e-9);
}

TEST_F(ImageView, DoubleClickTogglesFitAndActualSize)
{
    auto view = makeView(QSize(800, 600));
    view->setImageMO(imageRecord("double.jpg", QSize(1600, 1200)));
    const QPoint point(300, 200);
    const QPointF unit = *view->viewerGeometry().unitPointAtViewPoint(view->viewerGeometry().fromQt(point));

    QTest::mouseDClick(view.get(), Qt::LeftButton, {}, point);
    EXPECT_DOUBLE_EQ(*view->scalePercent(), 100.0);
    EXPECT_FALSE(view->isFitToScreen());
    const QPointF under = *view->viewerGeometry().unitPointAtViewPoint(view->viewerGeometry().fromQt(point));
    EXPECT_NEAR(under.x(), unit.x(), 1e-9);

    QTest::mouseDClick(view.get(), Qt::LeftButton, {}, point);
    EXPECT_TRUE(view->isFitToScreen());
    EXPECT_DOUBLE_EQ(view->viewerGeometry().scale(), view->scaleToFit());
}

TEST_F(ImageView, ZoomKeysGoThroughTheZoomCommands)
{
    auto view = makeView(QSize(800, 600));
    view->setImageMO(imageRecord("keys.jpg", QSize(1600, 1200)));
    const double fit = view->viewerGeometry().scale();
    QTest::keyClick(view.get(), Qt::Key_Plus);
    EXPECT_NEAR(view->viewerGeometry().scale(), fit * std::sqrt(2.0), 1e-9);
    QTest::keyClick(view.get(), Qt::Key_Equal, Qt::ControlModifier);
    QTest::keyClick(view.get(), Qt::Key_Minus, Qt::ControlModifier);
    EXPECT_NEAR(view->viewerGeometry().scale(), fit * std::sqrt(2.0), 1e-9);
    QTest::keyClick(view.get(), Qt::Key_1);
    EXPECT_DOUBLE_EQ(*view->scalePercent(), 100.0);
    QTest::keyClick(view.get(), Qt::Key_0);
    EXPECT_TRUE(view->isFitToScreen());
}

TEST_F(ImageView, ZoomCommandsAndTheirEdges)
{
    auto view = makeView(QSize(800, 600));
    view->fitToScreen(); // nothing shown: nothing happens
    EXPECT_FALSE(view->scalePercent().has_value());

    KTImageMO *record = imageRecord("edges.jpg", QSize(1600, 1200));
    view->setImageMO(record);
    const double fit = view->scaleToFit();
    view->zoomOut();
    EXPECT_DOUBLE_EQ(view->viewerGeometry().scale(), 0.9 * fit);
    view->zoomOut();
    EXPECT_DOUBLE_EQ(view->viewerGeometry().scale(), 0.9 * fit);
    view->scale(1.0, KTAnimated::No);
    EXPECT_DOUBLE_EQ(*view->scalePercent(), 100.0);

    // With the file gone the steps change nothing but still end fit mode; actual size still acts.
    view->fitToScreenAnimated(KTAnimated::No);
    QFile::remove(record->path());
    record->checkOriginalFileExistence();
    view->fitToScreenAnimated(KTAnimated::No);
    view->zoomIn();
    EXPECT_DOUBLE_EQ(view->viewerGeometry().scale(), fit);
    EXPECT_FALSE(view->isFitToScreen());
    view->actualSize();
    EXPECT_DOUBLE_EQ(*view->scalePercent(), 100.0);
}

TEST_F(ImageView, DragPansAndStopsEighteenPointsInside)
{
    auto view = makeView(QSize(800, 600));
    view->setImageMO(imageRecord("drag.jpg", QSize(1600, 1200)));
    view->actualSize();
    BroadcastCounter geometry(kVisibleGeometryDidChange, view.get());
    QTest::mousePress(view.get(), Qt::LeftButton, {}, QPoint(400, 300));
    for (int x = 500; x <= 2500; x += 500)
        QTest::mouseMove(view.get(), QPoint(x, 300));
    QTest::mouseRelease(view.get(), Qt::LeftButton, {}, QPoint(2500, 300));
    EXPECT_DOUBLE_EQ(view->viewerGeometry().containerFrame().left(), 18.0);
    EXPECT_EQ(geometry.count, 5); // every step posts, the blocked ones too
}

// ---- Broadcasts ----

TEST_F(ImageView, GeometryIsPostedOnlyByTheViewsOwnChanges)
{
    auto view = makeView(QSize(800, 600));
    KTImageMO *first = imageRecord("b1.jpg", QSize(1600, 1200));
    KTImageMO *second = imageRecord("b2.jpg", QSize(1200, 1600));
    view->setImageMO(first);
    BroadcastCounter geometry(kVisibleGeometryDidChange, view.get());
    BroadcastCounter zoom(kZoomDidChangeNotification, view.get());

    view->zoomIn();
    EXPECT_EQ(geometry.count, 1);
    EXPECT_FALSE(geometry.last.value(kDidAnimatedKey).toBool());
    EXPECT_GE(zoom.count, 1);
    view->actualSize();
    EXPECT_EQ(geometry.count, 2);

    view->adjustGeometry({{0.3, 0.3}, 0.2, {}, true});
    view->resize(700, 500);
    view->setIsZoomLock(true);
    view->setImageMO(second);
    view->setImageMO(nullptr);
    EXPECT_EQ(geometry.count, 2);
}

TEST_F(ImageView, ZoomLockCarriesTheVisiblePartToTheNextRecord)
{
    auto view = makeView(QSize(800, 600));
    view->setIsZoomLock(true);
    view->setImageMO(imageRecord("l1.jpg", QSize(1600, 1200)));
    view->scale(1.0, KTAnimated::No);
    view->moveByVect({-120, 40}, KTAnimated::No);
    const KTVisibleGeometry shown = view->geometryInfo();

    view->setImageMO(imageRecord("l2.jpg", QSize(3200, 2400)));
    EXPECT_NEAR(view->geometryInfo().visiblePart, shown.visiblePart, 1e-9);
    EXPECT_NEAR(view->geometryInfo().anchorPoint.x(), shown.anchorPoint.x(), 1e-9);
    EXPECT_DOUBLE_EQ(view->viewerGeometry().scale(), 0.5);

    // A fitted view stays fitted.
    view->fitToScreenAnimated(KTAnimated::No);
    view->setImageMO(imageRecord("l3.jpg", QSize(1000, 1000)));
    EXPECT_DOUBLE_EQ(view->viewerGeometry().scale(), view->scaleToFit());
}

// A fitted view refits on a resize, with or without zoom lock (full screen must not leave the
// photo at the old window's size), and reports the new zoom; a zoomed one keeps its scale.
TEST_F(ImageView, ResizeRefitsAFittedViewAndKeepsTheScaleOfAZoomedOne)
{
    for (const bool zoomLock : {false, true}) {
        SCOPED_TRACE(zoomLock ? "zoom lock" : "no zoom lock");
        auto view = makeView(QSize(800, 600));
        view->setIsZoomLock(zoomLock);
        view->setImageMO(imageRecord("resize.jpg", QSize(1600, 1200)));
        const std::optional<double> percent = view->scalePercent();
        BroadcastCounter zoom(kZoomDidChangeNotification, view.get());
        view->resize(400, 300);
        EXPECT_TRUE(view->isFitToScreen());
        EXPECT_DOUBLE_EQ(view->viewerGeometry().scale(), view->scaleToFit());
        EXPECT_LT(*view->scalePercent(), *percent);
        EXPECT_DOUBLE_EQ(*view->scalePercent(), view->viewerGeometry().zoomPercent());
        EXPECT_GE(zoom.count, 1);

        view->scale(1.0, KTAnimated::No);
        view->resize(800, 600);
        EXPECT_DOUBLE_EQ(*view->scalePercent(), 100.0);
        EXPECT_FALSE(view->isFitToScreen());
    }
}

// ---- Overlays ----

TEST_F(ImageView, ExposureOverlaySwitchedOnAtFitLoadsTheFullImage)
{
    KTImageMO *record = imageRecord("exposure.jpg", QSize(400, 300));
    auto view = makeView(QSize(800, 600));
    showLoaded(*view, record);
    ASSERT_FALSE(hasContents(*view, Layer::Image));

    view->setShowsExposurePixels(true);
    clock.advance(KTImageView::kReloadImageDelay);
    ASSERT_TRUE(waitUntil([&] { return hasContents(*view, Layer::Image); }));
    clock.advance(KTImageView::kOverlayDelay);
    ASSERT_TRUE(waitUntil([&] { return hasContents(*view, Layer::ExposurePixels); }));
    EXPECT_FALSE(view->layer(Layer::ExposurePixels).hidden);
    EXPECT_EQ(view->layer(Layer::ExposurePixels).contents.size(), QSize(400, 300));
    EXPECT_EQ(view->exposurePixelsCache().count(), 1);

    view->setShowsExposurePixels(false);
    EXPECT_TRUE(view->layer(Layer::ExposurePixels).hidden);
    EXPECT_TRUE(hasContents(*view, Layer::ExposurePixels));
}

// A photo whose sky is 4 % pure white and whose shade is 4 % pure black, larger than the view:
// the overlay marks both areas, red and blue, and the view shows the marks over the photo.
TEST_F(ImageView, ExposureOverlayShowsASmallClippedSkyAndShade)
{
    QImage photo(1600, 1200, QImage::Format_RGB32);
    photo.fill(QColor(110, 130, 150));
    const QRect sky(0, 0, 320, 240); // 4 % of the picture
    const QRect shade(1280, 960, 320, 240);
    {
        QPainter painter(&photo);
        painter.fillRect(sky, Qt::white);
        painter.fillRect(shade, Qt::black);
    }
    KTImageMO *record = recordForFile("sky.jpg", makeJpegWithExif(photo, 1));
    auto view = makeView(QSize(800, 600));
    showLoaded(*view, record);
    view->setShowsExposurePixels(true);
    clock.advance(KTImageView::kReloadImageDelay);
    ASSERT_TRUE(waitUntil([&] { return hasContents(*view, Layer::Image); }));
    clock.advance(KTImageView::kOverlayDelay);
    ASSERT_TRUE(waitUntil([&] { return hasContents(*view, Layer::ExposurePixels); }));

    const QImage overlay = view->layer(Layer::ExposurePixels).contents.convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(overlay.size(), photo.size());
    const auto share = [&](QRgb mark) {
        qsizetype count = 0;
        for (int y = 0; y < overlay.height(); ++y)
            for (int x = 0; x < overlay.width(); ++x)
                count += overlay.pixel(x, y) == mark;
        return double(count) / double(overlay.width() * overlay.height());
    };
    EXPECT_NEAR(share(qRgba(255, 0, 0, 255)), 0.04, 0.004);
    EXPECT_NEAR(share(qRgba(0, 0, 255, 255)), 0.04, 0.004);

    // On screen, at the fit scale: the middle of the sky is red, of the shade blue, the rest the
    // photo's own colour.
    view->repaint();
    const QImage shot = view->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QRectF up = view->presentationFrame();
    const QRectF onScreen(up.x(), view->height() - up.y() - up.height(), up.width(), up.height());
    const auto at = [&](QPointF imagePoint) {
        return shot.pixelColor(
            (onScreen.topLeft() + QPointF(imagePoint.x() * onScreen.width() / photo.width(),
                                          imagePoint.y() * onScreen.height() / photo.height()))
                .toPoint());
    };
    const QColor red = at(sky.center());
    EXPECT_TRUE(red.red() > 200 && red.green() < 60 && red.blue() < 60) << qPrintable(red.name());
    const QColor blue = at(shade.center());
    EXPECT_TRUE(blue.blue() > 200 && blue.red() < 60 && blue.green() < 60) << qPrintable(blue.name());
    const QColor rest = at(QPointF(800, 600));
    EXPECT_NEAR(rest.red(), 110, 8) << qPrintable(rest.name());
}

TEST_F(ImageView, OverlayForAnImageLeftWithinTheDelayIsNeverComputed)
{
    KTImageMO *first = imageRecord("leave1.jpg", QSize(400, 300));
    KTImageMO *second = imageRecord("leave2.jpg", QSize(400, 300));
    auto view = makeView(QSize(800, 600));
    showLoaded(*view, first);
    view->setShowsExposurePixels(true);
    clock.advance(KTImageView::kReloadImageDelay);
    ASSERT_TRUE(waitUntil([&] { return hasContents(*view, Layer::Image); }));
    view->setImageMO(second); // before the 0.2 s of the first record's overlay
    clock.advance(KTImageView::kOverlayDelay);
    drainMainQueue();
    EXPECT_EQ(view->exposurePixelsCache().count(), 0);
    EXPECT_FALSE(hasContents(*view, Layer::ExposurePixels));
}

// A hidden view decodes and computes nothing for its overlays, however they are asked for, and
// makes them once it is shown again.
TEST_F(ImageView, HiddenViewMakesItsOverlaysOnlyWhenShownAgain)
{
    // At fit the preview holds more pixels than the screen shows: only the overlays decode.
    KTImageMO *onScreen = imageRecord("on-screen.jpg", QSize(1200, 800));
    KTImageMO *behind = imageRecord("behind.jpg", QSize(1200, 800));
    auto shown = makeView(QSize(800, 600));
    auto hidden = makeView(QSize(800, 600));
    showLoaded(*shown, onScreen);
    showLoaded(*hidden, behind);
    hidden->hide();

    for (KTImageView *view : {shown.get(), hidden.get()})
        view->setShowsExposurePixels(true);
    clock.advance(KTImageView::kReloadImageDelay);
    ASSERT_TRUE(waitUntil([&] { return hasContents(*shown, Layer::Image); }));
    KTNotificationCenter::defaultCenter().post(kReloadFocusMaskNotificationName);
    clock.advance(KTImageView::kOverlayDelay);
    ASSERT_TRUE(waitUntil([&] { return hasContents(*shown, Layer::ExposurePixels); }));
    ASSERT_TRUE(waitUntil([&] { return hasContents(*shown, Layer::FocusMask); }));
    clock.advance(1.0);
    drainMainQueue();
    EXPECT_EQ(decoder.calls(), 1);
    EXPECT_FALSE(hasContents(*hidden, Layer::Image));
    EXPECT_EQ(hidden->exposurePixelsCache().count(), 0);
    EXPECT_EQ(hidden->focusMaskPixelsCache().count(), 0);

    hidden->show();
    clock.advance(KTImageView::kReloadImageDelay);
    ASSERT_TRUE(waitUntil([&] { return hasContents(*hidden, Layer::Image); }));
    EXPECT_EQ(decoder.calls(), 2);
    clock.advance(KTImageView::kOverlayDelay);
    ASSERT_TRUE(waitUntil([&] { return hasContents(*hidden, Layer::ExposurePixels); }));
    ASSERT_TRUE(waitUntil([&] { return hasContents(*hidden, Layer::FocusMask); }));
    EXPECT_FALSE(hidden->layer(Layer::ExposurePixels).hidden);
    EXPECT_TRUE(hidden->layer(Layer::FocusMask).hidden); // asked for while off: made, not shown
}

TEST_F(ImageView, FocusMaskKeyCarriesTheSettings)
{
    KTUserDefaults &defaults = KTUserDefaults::standardUserDefaults();
    for (const QString &key : {QStringLiteral("focusMaskRadius1"), QStringLiteral("focusMaskRadius2"),
                               QStringLiteral("focusMaskRegionSize"), QStringLiteral("focusMaskThreshold")})
        defaults.removeObjectForKey(key);
    EXPECT_EQ(KTImageView::focusMaskCacheKeyForImageWithID("42"), QStringLiteral("42_R1_R2_RS_T"));
    defaults.setObject(0.25, QStringLiteral("focusMaskRadius2"));
    EXPECT_EQ(KTImageView::focusMaskCacheKeyForImageWithID("42"), QStringLiteral("42_R1_0.25_RS_T"));
    defaults.removeObjectForKey(QStringLiteral("focusMaskRadius2"));
}

TEST_F(ImageView, ReloadFocusMaskRecomputesEvenWhileTheMaskIsOff)
{
    KTImageMO *record = imageRecord("mask.jpg", QSize(400, 300));
    auto view = makeView(QSize(800, 600));
    showLoaded(*view, record);
    view->actualSize();
    clock.advance(KTImageView::kReloadImageDelay);
    ASSERT_TRUE(waitUntil([&] { return hasContents(*view, Layer::Image); }));

    KTNotificationCenter::defaultCenter().post(kReloadFocusMaskNotificationName);
    clock.advance(KTImageView::kOverlayDelay);
    ASSERT_TRUE(waitUntil([&] { return hasContents(*view, Layer::FocusMask); }));
    EXPECT_TRUE(view->layer(Layer::FocusMask).hidden);
    EXPECT_EQ(view->focusMaskPixelsCache().count(), 1);
}

// The caches are keyed by the file number, which another file system may give another file.
TEST(KTOverlayImageCacheTest, EntriesBelongToTheirPathAndNeedAKey)
{
    KTOverlayImageCache cache(2);
    QImage overlay(4, 4, QImage::Format_ARGB32_Premultiplied);
    overlay.fill(Qt::red);
    cache.insert("7", "/volume-a/x.jpg", overlay);
    EXPECT_FALSE(cache.image("7", "/volume-a/x.jpg").isNull());
    EXPECT_TRUE(cache.image("7", "/volume-b/y.jpg").isNull());
    cache.insert("", "/volume-a/z.jpg", overlay);
    EXPECT_EQ(cache.count(), 1);
    cache.insert("8", "/a", overlay);
    cache.insert("9", "/b", overlay);
    EXPECT_EQ(cache.count(), 2);
    EXPECT_TRUE(cache.image("7", "/volume-a/x.jpg").isNull()); // the least recent went
}

TEST_F(ImageView, FocusedRegionsWaitForAShownViewAndCancelCleanly)
{
    KTImageMO *record = imageRecord("regions.jpg");
    auto view = makeView();
    view->setImageMO(record);
    view->hide();
    view->setFocusedRegionsVisible(true);
    EXPECT_FALSE(view->hasPendingFocusedRegionsRequest());
    EXPECT_EQ(view->progressQueryCount(), 0u);

    view->show();
    EXPECT_TRUE(view->hasPendingFocusedRegionsRequest());
    EXPECT_EQ(view->progressQueryCount(), 1u);
    EXPECT_TRUE(view->progressIndicator()->isVisibleTo(view.get()));

    view->setFocusedRegionsVisible(false);
    EXPECT_FALSE(view->hasPendingFocusedRegionsRequest());
    EXPECT_EQ(view->progressQueryCount(), 0u);
    EXPECT_FALSE(view->progressIndicator()->isVisibleTo(view.get()));
    EXPECT_FALSE(view->layer(Layer::LowResPreview).hidden);
    view->hideProgress();
    EXPECT_EQ(view->progressQueryCount(), 0u);
}

TEST_F(ImageView, FocusPointLatticeArrivesOverThePhoto)
{
    KTImageMO *record = imageRecord("lattice.jpg");
    auto view = makeView();
    view->setImageMO(record);
    openRegions();
    view->setFocusPointLatticeVisible(true);
    ASSERT_TRUE(waitUntil([&] { return hasContents(*view, Layer::FocusPointLattice); }));
    EXPECT_FALSE(view->layer(Layer::FocusPointLattice).hidden);
    EXPECT_FALSE(view->layer(Layer::LowResPreview).hidden);
    EXPECT_EQ(view->progressQueryCount(), 0u);
    const QSizeF fitted = view->viewerGeometry().imageSize() * view->scaleToFit();
    EXPECT_EQ(view->layer(Layer::FocusPointLattice).contents.size(),
              QSize(int(std::round(fitted.width())), int(std::round(fitted.height()))));
}

// ---- Mends ----

// The manager answers nothing for a file that gives no thumbnail.
TEST_F(ImageView, NoThumbnailChangesNothing)
{
    KTImageMO *broken = brokenRecord("broken.jpg");
    auto view = makeView();
    openThumbnails();
    view->setImageMO(broken);
    clock.advance(KTImageView::kPreviewDelay);
    // Both requests end (and leave the manager) having delivered nothing.
    const auto requests = entities.operations().values();
    ASSERT_EQ(requests.size(), 2);
    ASSERT_TRUE(waitUntil([&] {
        return entities.operations().isEmpty() &&
               std::all_of(requests.begin(), requests.end(),
                           [](const auto &op) { return op->hasDelivered(); });
    }));
    drainMainQueue();
    EXPECT_FALSE(hasContents(*view, Layer::LowResPreview));
    EXPECT_FALSE(hasContents(*view, Layer::Preview));
    EXPECT_EQ(view->imageMO(), broken);
}

TEST_F(ImageView, FailedDecodeHidesTheBadgeAndKeepsThePreview)
{
    KTImageMO *record = imageRecord("fails.jpg", QSize(1200, 800));
    auto view = makeView(QSize(800, 600));
    showLoaded(*view, record);
    decoder.setFails(true);
    view->actualSize();
    clock.advance(KTImageView::kReloadImageDelay);
    ASSERT_TRUE(waitUntil([&] { return decoder.calls() == 1 && !view->isLoadingFullSize(); }));
    drainMainQueue();
    EXPECT_FALSE(view->isLoadingViewVisible());
    EXPECT_TRUE(hasContents(*view, Layer::Preview));
    EXPECT_FALSE(hasContents(*view, Layer::Image));
}

TEST_F(ImageView, EmptyImageAsksForNoFocusedRegions)
{
    KTImageMO *broken = brokenRecord("nobounds.jpg");
    auto view = makeView();
    view->setFocusedRegionsVisible(true);
    view->setFocusPointLatticeVisible(true);
    view->setImageMO(broken);
    EXPECT_TRUE(view->viewerGeometry().imageSize().isEmpty());
    EXPECT_FALSE(view->hasPendingFocusedRegionsRequest());
    EXPECT_FALSE(view->hasPendingFocusPointLatticeRequest());
    EXPECT_EQ(view->progressQueryCount(), 0u);
    view->zoomIn();
    view->actualSize();
    const QRectF frame = view->viewerGeometry().containerFrame();
    EXPECT_TRUE(std::isfinite(frame.x()) && std::isfinite(frame.y()));
}

TEST_F(ImageView, TeardownAndDeletionLetTheRecordGo)
{
    KTImageMO *record = imageRecord("monitored.jpg");
    {
        auto view = makeView();
        view->setImageMO(record);
        EXPECT_TRUE(record->isMonitoringFileSystem());
    }
    EXPECT_FALSE(record->isMonitoringFileSystem());

    auto view = makeView();
    view->setImageMO(record);
    context->deleteObject(record);
    context->processPendingChanges();
    EXPECT_EQ(view->imageMO(), nullptr);
}

// ---- Buttons, veil, missing file and menu ----

TEST_F(ImageView, MarkersFollowTheRecordWithoutThePointer)
{
    KTImageMO *record = imageRecord("markers.jpg");
    record->setPicked(true);
    auto view = makeView();
    view->setImageMO(record);
    EXPECT_TRUE(view->flagButton()->isVisibleTo(view.get()));
    EXPECT_FALSE(view->rejectButton()->isVisibleTo(view.get()));
    EXPECT_EQ(view->flagButton()->state(), 1);

    storage.moveImagesToTrash({record});
    EXPECT_TRUE(view->rejectButton()->isVisibleTo(view.get()));
    EXPECT_FALSE(view->layer(Layer::TrashStatus).hidden);
    view->adjustFlagButtonVisibility(); // the next pointer movement
    EXPECT_FALSE(view->flagButton()->isVisibleTo(view.get()));

    view->setShowsRejectedStatus(false);
    EXPECT_TRUE(view->layer(Layer::TrashStatus).hidden);
}

TEST_F(ImageView, ButtonsToggleTheRecord)
{
    KTImageMO *record = imageRecord("toggle.jpg");
    auto view = makeView();
    view->setImageMO(record);
    view->flagButton()->click();
    EXPECT_EQ(record->picked(), std::optional<bool>(true));
    EXPECT_EQ(view->flagButton()->state(), 1);
    view->flagButton()->click();
    EXPECT_EQ(record->picked(), std::optional<bool>(false));

    view->rejectButton()->click();
    EXPECT_EQ(record->rejected(), std::optional<bool>(true));
    EXPECT_TRUE(record->resolveDate().isValid());
    view->rejectButton()->click();
    EXPECT_EQ(record->rejected(), std::optional<bool>(false));
}

TEST_F(ImageView, MissingFileHidesButtonsShowsTheMessageAndReloadsWhenBack)
{
    KTImageMO *record = imageRecord("gone.jpg");
    const QByteArray bytes = [&] {
        QFile file(record->path());
        file.open(QIODevice::ReadOnly);
        return file.readAll();
    }();
    record->setPicked(true);
    auto view = makeView();
    showLoaded(*view, record);
    ASSERT_TRUE(view->flagButton()->isVisibleTo(view.get()));

    QFile::remove(record->path());
    record->checkOriginalFileExistence();
    EXPECT_FALSE(view->layer(Layer::Overlay).hidden);
    EXPECT_FALSE(view->flagButton()->isVisibleTo(view.get()));
    EXPECT_FALSE(view->rejectButton()->isVisibleTo(view.get()));

    ASSERT_TRUE(writeFileBytes(record->path(), bytes));
    record->checkOriginalFileExistence();
    EXPECT_TRUE(view->layer(Layer::Overlay).hidden);
    EXPECT_TRUE(view->flagButton()->isVisibleTo(view.get()));
}

TEST_F(ImageView, MissingFileMessageShrinksToLeaveFiftyPoints)
{
    const QString text = QStringLiteral("Image is deleted or missing");
    for (double width : {1000.0, 400.0, 250.0}) {
        const double size = KTImageView::missingFileFontSize(text, width, 300);
        const auto widthAt = [&](double points) {
            QFont font(QStringLiteral("Helvetica"));
            font.setPixelSize(int(points));
            return QFontMetricsF(font).boundingRect(QRectF(0, 0, width, 300), 0, text).width();
        };
        EXPECT_LE(size, KTImageView::kMissingFileFontSize);
        if (size > KTImageView::kMissingFileSmallestFontSize) {
            EXPECT_LE(widthAt(size), width - 50) << width;
        }
        if (size < KTImageView::kMissingFileFontSize) {
            EXPECT_GT(widthAt(size + 1), width - 50) << width;
        }
    }
}

TEST_F(ImageView, HoverButtonsOnlyOverTheImage)
{
    auto view = makeView(QSize(800, 600));
    view->setImageMO(imageRecord("hover.jpg", QSize(200, 100))); // enlarged, centred with margins
    const QRectF image = view->viewerGeometry().toQt(view->viewerGeometry().containerFrame());
    QTest::mouseMove(view.get(), QPoint(5, 5));
    EXPECT_FALSE(view->flagButton()->isVisibleTo(view.get()));
    EXPECT_EQ(view->menuForEvent(QPoint(5, 5)), nullptr);
    QTest::mouseMove(view.get(), image.center().toPoint());
    EXPECT_TRUE(view->flagButton()->isVisibleTo(view.get()));
    EXPECT_TRUE(view->rejectButton()->isVisibleTo(view.get()));
    EXPECT_EQ(view->flagButton()->geometry().topLeft(), (image.topLeft() + QPointF(5, 0)).toPoint());

    // The master switch: with the pointer over the image both go and come back.
    view->setShowPickRejectButtons(false);
    EXPECT_FALSE(view->flagButton()->isVisibleTo(view.get()));
    view->setShowPickRejectButtons(true);
    EXPECT_TRUE(view->flagButton()->isVisibleTo(view.get()));
    // Without the hover rule the switch shows both wherever the pointer is.
    QTest::mouseMove(view.get(), QPoint(5, 5));
    view->setShowsPickedAndRejectedButtons(false);
    view->setShowPickRejectButtons(false);
    view->setShowPickRejectButtons(true);
    EXPECT_TRUE(view->rejectButton()->isVisibleTo(view.get()));
}

TEST_F(ImageView, ContextMenuHandsTheTwinFirstAndValidatesItsItems)
{
    auto system = std::make_shared<RecordingShareSystem>();
    auto previous = KTShareSystem::install(system);
    KTUserDefaults::standardUserDefaults().setBool(true, QStringLiteral("kShowRAWandJPEGAsOneFileOption"));
    KTImageMO *record = imageRecord("pair.dng");
    record->setDuplicateImagePath(dir.filePath("pair.jpg"));
    auto view = makeView(QSize(800, 600));
    view->setImageMO(record);
    const QPoint inside =
        view->viewerGeometry().toQt(view->viewerGeometry().containerFrame()).center().toPoint();

    std::unique_ptr<QMenu> menu(view->menuForEvent(inside));
    ASSERT_TRUE(menu);
    const QList<QAction *> actions = menu->actions();
    ASSERT_EQ(actions.size(), 5);
    actions[0]->trigger();
    EXPECT_EQ(system->revealed, (QStringList{dir.filePath("pair.jpg"), record->path()}));
    QAction *editor = KTShareManager::itemWithIdentifier(actions[1], "editor.desktop");
    ASSERT_TRUE(editor);
    editor->trigger();
    EXPECT_EQ(system->exported, QStringList{record->path()});
    QAction *rejectFolder = actions[4];
    EXPECT_TRUE(rejectFolder->isEnabled());

    // A missing file disables the first three, not the folder rejection; a rejected image
    // disables that one.
    QFile::remove(record->path());
    record->checkOriginalFileExistence();
    menu.reset(view->menuForEvent(inside));
    EXPECT_FALSE(menu->actions()[0]->isEnabled());
    EXPECT_FALSE(menu->actions()[1]->isEnabled());
    EXPECT_FALSE(menu->actions()[2]->isEnabled());
    EXPECT_TRUE(menu->actions()[4]->isEnabled());
    record->setRejected(true);
    menu.reset(view->menuForEvent(inside));
    EXPECT_FALSE(menu->actions()[4]->isEnabled());

    KTUserDefaults::standardUserDefaults().removeObjectForKey(
        QStringLiteral("kShowRAWandJPEGAsOneFileOption"));
    KTShareSystem::install(previous);
}

TEST_F(ImageView, RejectingTheFolderAsksTheCatalogue)
{
    KTImageMO *first = imageRecord("folder1.jpg");
    KTImageMO *second = imageRecord("folder2.jpg");
    auto alerts = KTScriptedAlertPresenter::install();
    alerts->answer(KTAlert::kDefaultReturn);
    auto view = makeView();
    view->setImageMO(first);
    view->deleteSimilarImagesAtSamePath();
    EXPECT_EQ(alerts->shown().size(), 1u);
    EXPECT_TRUE(first->rejected().value_or(false));
    EXPECT_TRUE(second->rejected().value_or(false));
}

TEST_F(ImageView, SelectionMarkFollowsSelectable)
{
    auto view = makeView();
    EXPECT_FALSE(view->selectionView()->isVisibleTo(view.get()));
    view->setSelectable(true);
    EXPECT_TRUE(view->selectionView()->isVisibleTo(view.get()));
    view->setSelected(true);
    EXPECT_TRUE(view->isSelected());
    EXPECT_EQ(view->selectionView()->geometry(), view->rect());
}

// ---- Preparation ----

TEST(KTImageViewImagePreparatorTest, OnlyTheLatestWaitingRequestIsServed)
{
    KTImageViewImagePreparator preparator;
    QImage raw(64, 48, QImage::Format_RGB888);
    raw.fill(Qt::blue);
    preparator.setImage(raw);
    QStringList served;
    preparator.prapareImage([&](const QImage &image) {
        served << "first";
        EXPECT_TRUE(KTImageViewImagePreparator::isPrepared(image));
    });
    ASSERT_TRUE(preparator.isProcessing());
    preparator.prapareImage([&](const QImage &) { served << "second"; });
    preparator.prapareImage([&](const QImage &) { served << "third"; });
    ASSERT_TRUE(waitUntil([&] { return !preparator.isProcessing() && served.size() == 2; }));
    EXPECT_EQ(served, (QStringList{"first", "third"}));

    // A prepared image is handed on at once; no image, no call.
    const QImage prepared = KTImageViewImagePreparator::preparedImage(raw);
    preparator.setImage(prepared);
    bool atOnce = false;
    preparator.prapareImage([&](const QImage &image) { atOnce = image.cacheKey() == prepared.cacheKey(); });
    EXPECT_TRUE(atOnce);
    preparator.setImage({});
    preparator.prapareImage([&](const QImage &) { FAIL(); });
}
