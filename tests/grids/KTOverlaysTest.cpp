#include "KTSpecialPixelsView.h"

#include "KTAbstractProgressIndicator.h"
#include "KTFocusMaskDefaults.h"
#include "KTFocusPixelsView.h"
#include "KTFocusedRegionsView.h"
#include "KTGridTestSession.h"
#include "KTNotificationCenter.h"
#include "KTTestSupport.h"

#include <QThreadPool>

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
