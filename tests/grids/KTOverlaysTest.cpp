#include "KTSpecialPixelsView.h"

#include "KTAbstractProgressIndicator.h"
#include "KTExposurePixelsView.h"
#include "KTFocusMaskDefaults.h"
#include "KTFocusPixelsView.h"
#include "KTFocusedRegionsView.h"
#include "KTGridScrollView.h"
#include "KTGridTestSession.h"
#include "KTImageCollectionViewCell.h"
#include "KTImageCollectionViewCellImageView.h"
#include "KTImageListView.h"
#include "KTImageMemoryBudget.h"
#include "KTNotificationCenter.h"
#include "KTTestSupport.h"

#include <QThreadPool>

#include <algorithm>

#include <gtest/gtest.h>

#include <atomic>
#include <future>

namespace {

/// Holds every computation of the overlays that use it until open(); opens itself when it goes,
/// so a failing check cannot leave a pool thread waiting.
struct Gate
{
    ~Gate() { open(); }
    void open()
    {
        if (!opened.exchange(true))
            promise.set_value();
    }
    std::promise<void> promise;
    std::shared_future<void> future = promise.get_future().share();
    std::atomic<bool> opened{false};
    std::atomic<int> started{0};
};

/// An overlay whose picture is its thumbnail's centre colour, computed behind a gate.
class GatedPixelsView : public KTSpecialPixelsView
{
public:
    GatedPixelsView(std::shared_ptr<Gate> gate, QWidget *parent)
        : KTSpecialPixelsView(parent), m_gate(std::move(gate))
    {}

protected:
    PixelsFunction specialPixelsFunction() const override
    {
        return [gate = m_gate](const QImage &thumbnail) {
            ++gate->started;
            gate->future.wait();
            QImage pixels(thumbnail.size(), QImage::Format_ARGB32);
            pixels.fill(centreColor(thumbnail));
            return pixels;
        };
    }

private:
    std::shared_ptr<Gate> m_gate;
};

QImage filled(const QColor &color)
{
    QImage image(60, 40, QImage::Format_RGB32);
    image.fill(color);
    return image;
}

QImage checkerboard()
{
    QImage image(96, 64, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, ((x / 8 + y / 8) % 2) ? qRgb(250, 250, 250) : qRgb(10, 10, 10));
    return image;
}

void waitForOverlayPool()
{
    EXPECT_TRUE(KTSpecialPixelsView::queue().waitForDone(10000));
    drainMainQueue();
}

} // namespace

// The computation for the first thumbnail is still running when the overlay, hidden, is given a
// second one: its late result must neither show nor settle what the second thumbnail is owed.
TEST(KTSpecialPixelsViewTest, AStaleResultNeverSettlesTheNewThumbnailsDebt)
{
    auto gate = std::make_shared<Gate>();
    QWidget window;
    window.resize(100, 100);
    auto *view = new GatedPixelsView(gate, &window);
    view->resize(100, 100);
    window.show();

    view->setImage(filled(QColor(220, 40, 30)));
    ASSERT_TRUE(waitUntil([&] { return gate->started == 1; }));
    view->hide();
    view->setImage(filled(QColor(40, 60, 220)));
    EXPECT_TRUE(view->isNeedsReload());
    EXPECT_FALSE(view->hasPendingComputation());

    gate->open();
    waitForOverlayPool();
    EXPECT_TRUE(view->specialPixels().isNull());
    EXPECT_TRUE(view->isNeedsReload());

    view->show();
    ASSERT_TRUE(waitUntil([&] { return !view->specialPixels().isNull(); }));
    EXPECT_TRUE(isNear(centreColor(view->specialPixels()), QColor(40, 60, 220)));
    EXPECT_FALSE(view->isNeedsReload());
}

TEST(KTSpecialPixelsViewTest, HidingWithdrawsAJobThatHasNotStarted)
{
    auto gate = std::make_shared<Gate>();
    QWidget window;
    // Two running computations fill the pool; the third waits.
    std::vector<GatedPixelsView *> views;
    for (int i = 0; i < 3; ++i) {
        views.push_back(new GatedPixelsView(gate, &window));
        views.back()->resize(50, 50);
    }
    window.show();
    for (GatedPixelsView *view : views)
        view->setImage(filled(QColor(20 * (views.size() + 1), 90, 90)));
    ASSERT_TRUE(waitUntil([&] { return gate->started == 2; }));
    views[2]->hide();
    gate->open();
    waitForOverlayPool();
    EXPECT_EQ(gate->started, 2);
    EXPECT_TRUE(views[2]->isNeedsReload());
    views[2]->show();
    ASSERT_TRUE(waitUntil([&] { return !views[2]->specialPixels().isNull(); }));
}

TEST(KTFocusPixelsViewTest, RecomputesWhenTheSettingsAreAppliedShownOrNot)
{
    KTFocusMaskDefaults::registerDefaults();
    QWidget window;
    auto *view = new KTFocusPixelsView(&window);
    view->resize(120, 120);
    window.show();
    const QImage thumbnail = checkerboard();
    view->setImage(thumbnail);
    ASSERT_TRUE(waitUntil([&] { return !view->specialPixels().isNull(); }));
    const qint64 first = view->specialPixels().cacheKey();

    // The same thumbnail again computes nothing.
    view->setImage(thumbnail);
    EXPECT_FALSE(view->hasPendingComputation());
    EXPECT_EQ(view->specialPixels().cacheKey(), first);

    KTNotificationCenter::defaultCenter().post(kReloadFocusMaskNotificationName);
    EXPECT_TRUE(view->specialPixels().isNull());
    ASSERT_TRUE(waitUntil([&] { return !view->specialPixels().isNull(); }));
    EXPECT_NE(view->specialPixels().cacheKey(), first);

    // Hidden, it owes the computation until it is shown again.
    view->hide();
    KTNotificationCenter::defaultCenter().post(kReloadFocusMaskNotificationName);
    EXPECT_TRUE(view->specialPixels().isNull());
    EXPECT_TRUE(view->isNeedsReload());
    EXPECT_FALSE(view->hasPendingComputation());
    view->show();
    ASSERT_TRUE(waitUntil([&] { return !view->specialPixels().isNull(); }));
}

TEST(KTFocusedRegionsViewTest, AsksOnlyWhileShownAndNeverSpinsWithoutARecord)
{
    KTGridTestSession session(KTGridTestSession::Thumbnails::Gated);
    KTImageMO *record = session.addImage(QStringLiteral("focus"));
    QWidget window;
    auto *view = new KTFocusedRegionsView(&window);
    view->resize(120, 120);
    view->hide();
    window.show();

    view->setImageMO(record);
    EXPECT_FALSE(view->hasPendingRequest());
    view->show();
    EXPECT_TRUE(view->hasPendingRequest());
    EXPECT_TRUE(view->progressIndicator()->isVisibleTo(&window));
    view->hide();
    EXPECT_FALSE(view->hasPendingRequest());
    EXPECT_FALSE(view->progressIndicator()->isVisibleTo(&window));

    view->show();
    session.openThumbnails();
    session.waitForThumbnailWork();
    EXPECT_NE(view->focusedRegionsStorage(), nullptr);
    EXPECT_FALSE(view->progressIndicator()->isVisibleTo(&window));
    // A held storage is not asked for again.
    view->hide();
    view->show();
    EXPECT_FALSE(view->hasPendingRequest());

    view->setImageMO(nullptr);
    view->reloadFocusedRegion();
    EXPECT_FALSE(view->hasPendingRequest());
    EXPECT_FALSE(view->progressIndicator()->isVisibleTo(&window));
}

namespace {

/// Sets the overlays' budget to `bytes` while it lives.
struct OverlaysBudgetLimit
{
    explicit OverlaysBudgetLimit(int64_t bytes) { KTImageMemoryBudget::overlays().setLimit(bytes); }
    ~OverlaysBudgetLimit() { KTImageMemoryBudget::overlays().setLimit(KTImageMemoryBudget::kOverlaysLimit); }
};

} // namespace

// The overlays of every view share one budget of bytes: pixels dropped from it are computed again
// when a hidden overlay is shown, and at the next paint of a shown one.
TEST(KTSpecialPixelsViewTest, OverlaysShareOneBudgetAndADroppedOneIsMadeAgain)
{
    auto gate = std::make_shared<Gate>();
    gate->open();
    QWidget window;
    std::vector<GatedPixelsView *> views;
    for (int i = 0; i < 3; ++i) {
        views.push_back(new GatedPixelsView(gate, &window));
        views.back()->setGeometry(i * 60, 0, 60, 40);
        views.back()->setImage(filled(QColor(60 * (i + 1), 90, 90)));
    }
    window.show();
    ASSERT_TRUE(waitUntil([&] {
        return std::all_of(views.begin(), views.end(), [](auto *v) { return !v->specialPixels().isNull(); });
    }));
    const int64_t each = views[0]->specialPixels().sizeInBytes();
    waitForOverlayPool();

    for (GatedPixelsView *view : views)
        view->hide();
    const OverlaysBudgetLimit limit(2 * each);
    const auto dropped = [&] {
        return std::count_if(views.begin(), views.end(), [](auto *v) { return v->specialPixels().isNull(); });
    };
    EXPECT_EQ(dropped(), 1);
    EXPECT_LE(KTImageMemoryBudget::overlays().totalBytes(), 2 * each);
    // Hidden, the one that lost its pixels owes them without computing.
    for (GatedPixelsView *view : views)
        EXPECT_FALSE(view->hasPendingComputation());

    GatedPixelsView *lost =
        *std::find_if(views.begin(), views.end(), [](auto *v) { return v->specialPixels().isNull(); });
    lost->show();
    ASSERT_TRUE(waitUntil([&] { return !lost->specialPixels().isNull(); }));
    EXPECT_TRUE(isNear(centreColor(lost->specialPixels()), centreColor(lost->image())));
    EXPECT_EQ(dropped(), 1);

    // Shown and painted, an overlay whose pixels went is computed again.
    const quint64 other = KTImageMemoryBudget::newKey();
    KTImageMemoryBudget::overlays().insert(other, QImage(QSize(60, 40) * 2, QImage::Format_ARGB32));
    ASSERT_TRUE(lost->specialPixels().isNull());
    lost->repaint();
    ASSERT_TRUE(waitUntil([&] { return !lost->specialPixels().isNull(); }));
    KTImageMemoryBudget::overlays().remove(other);
}

// A grid hidden with its mode does no overlay work when the overlays are switched on; shown again,
// its cells on screen compute theirs.
TEST(KTSpecialPixelsViewTest, AHiddenGridComputesNoOverlayUntilShown)
{
    KTGridTestSession session;
    KTTestListSource source;
    source.images = session.addImages(12);
    session.cacheThumbnails(source.images);
    QWidget window;
    auto *mode = new QWidget(&window);
    KTGridScrollView scroll(Qt::Vertical, mode);
    auto *list = new KTImageListView;
    list->setDataSource(&source);
    scroll.setDocumentView(list);
    window.resize(700, 500);
    mode->resize(700, 500);
    scroll.resize(700, 500);
    window.show();
    list->reloadData();
    ASSERT_FALSE(list->visibleCells().isEmpty());
    waitForOverlayPool();

    mode->hide();
    list->setShowsFocusMask(true);
    list->setShowsExposurePixels(true);
    KTNotificationCenter::defaultCenter().post(kReloadFocusMaskNotificationName);
    drainMainQueue();
    for (KTImageCollectionViewCell *cell : list->visibleCells()) {
        for (KTSpecialPixelsView *overlay :
             {static_cast<KTSpecialPixelsView *>(cell->imageView()->focusPixelsView()),
              static_cast<KTSpecialPixelsView *>(cell->imageView()->exposurePixelsView())}) {
            EXPECT_FALSE(overlay->hasPendingComputation());
            EXPECT_TRUE(overlay->specialPixels().isNull());
        }
    }

    mode->show();
    ASSERT_TRUE(waitUntil([&] {
        for (KTImageCollectionViewCell *cell : list->visibleCells())
            if (cell->imageView()->focusPixelsView()->specialPixels().isNull() ||
                cell->imageView()->exposurePixelsView()->specialPixels().isNull())
                return false;
        return true;
    }));
}
