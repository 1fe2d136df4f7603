// Main-thread time of the similar-groups list of 2,000 groups of 2 to 12 images in a 1920 x 1080
// viewport with cached thumbnails: one scroll step of 150 points and of a page (targets: median
// under 3 ms, worst under 10 ms), one step of a window resize and one zoom step (target: median
// under 2 ms). A step is the scroll, resize or zoom, the rows' and cells' layout and binding, and
// the paint of what changed.

#include "KTGridBenchSession.h"
#include "KTGridScrollView.h"
#include "KTGrouppedImagesViewDataSource.h"
#include "KTScroller.h"
#include "KTSimilarImagesGroupsView.h"

#include <QApplication>
#include <QScrollBar>

#include <algorithm>
#include <functional>

namespace {

constexpr int kGroups = 2000;

struct Groups : KTGrouppedImagesViewDataSource
{
    qsizetype numberOfGroups(KTGrouppedImagesView *) override { return groups.size(); }
    QList<KTImageMO *> imagesForGroupAtIndex(qsizetype index, KTGrouppedImagesView *) override
    {
        return groups.value(index);
    }
    QList<QList<KTImageMO *>> groups;
};

int groupSize(int group)
{
    return 2 + (group * 7) % 11;
}

KTGridBenchSession &session()
{
    static KTGridBenchSession shared([] {
        int total = 0;
        for (int group = 0; group < kGroups; ++group)
            total += groupSize(group);
        return total;
    }());
    return shared;
}

/// The list as a review mode shows it, scrolled into the middle of its groups.
struct ShownList
{
    ShownList()
    {
        qsizetype next = 0;
        for (int group = 0; group < kGroups; ++group) {
            source.groups.append(session().images().mid(next, groupSize(group)));
            next += groupSize(group);
        }
        list = new KTSimilarImagesGroupsView;
        list->setDataSource(&source);
        scroll = new KTGridScrollView(Qt::Vertical, &window);
        scroll->setDocumentView(list);
        // A child of the window, so a resize reaches it at once, as a split view's does.
        window.resize(1920 + int(KTScroller::scrollerWidth()), 1080);
        scroll->setGeometry(window.rect());
        window.show();
        list->reloadData();
        settle();
    }
    static void settle()
    {
        for (int i = 0; i < 3; ++i)
            QApplication::processEvents();
    }

    Groups source;
    QWidget window;
    KTGridScrollView *scroll = nullptr;
    KTSimilarImagesGroupsView *list = nullptr;
};

void scrollSteps(benchmark::State &state, bool byPage)
{
    ShownList shown;
    QScrollBar *bar = shown.scroll->verticalScrollBar();
    measureScrollSteps(state, bar, byPage ? bar->pageStep() : 150);
    state.counters["rows_made"] = double(shown.list->numberOfRowsMade());
}

void BM_ScrollStep(benchmark::State &state)
{
    scrollSteps(state, false);
}
BENCHMARK(BM_ScrollStep)->UseManualTime()->Iterations(1500)->Unit(benchmark::kMicrosecond);

void BM_ScrollPage(benchmark::State &state)
{
    scrollSteps(state, true);
}
BENCHMARK(BM_ScrollPage)->UseManualTime()->Iterations(400)->Unit(benchmark::kMicrosecond);

/// Sweeps a value from `from` to `to` by `stride` a step and back again, applying each value and
/// painting what changed; the list stays scrolled to its middle.
void sweepSteps(benchmark::State &state, ShownList &shown, int from, int to, int stride,
                const std::function<void(int)> &apply)
{
    QScrollBar *bar = shown.scroll->verticalScrollBar();
    bar->setValue(bar->maximum() / 2);
    ShownList::settle();
    int value = from;
    int direction = to > from ? stride : -stride;
    KTStepTimes times;
    measureSteps(state, times, [&] {
        if (value + direction > std::max(from, to) || value + direction < std::min(from, to))
            direction = -direction;
        value += direction;
        apply(value);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
    });
}

// A window dragged narrower and wider 8 points at a time between 1920 and 1520 points: the rows
// lay out again for each width (the columns change every 150 points or so).
void BM_ResizeStep(benchmark::State &state)
{
    ShownList shown;
    const int height = shown.scroll->height();
    const int widest = shown.scroll->width();
    sweepSteps(state, shown, widest, widest - 400, 8,
               [&](int width) { shown.scroll->resize(width, height); });
    state.counters["rows_made"] = double(shown.list->numberOfRowsMade());
}
BENCHMARK(BM_ResizeStep)->UseManualTime()->Iterations(400)->Unit(benchmark::kMicrosecond);

// The zoom slider moved one tick at a time across its range and back.
void BM_ZoomStep(benchmark::State &state)
{
    ShownList shown;
    const int steps = int(std::max<qsizetype>(shown.list->numberOfZoomSteps(), 2));
    sweepSteps(state, shown, 0, steps - 1, 1,
               [&](int tick) { shown.list->setZoomValue(double(tick) / double(steps - 1)); });
    state.counters["zoom_steps"] = double(steps);
}
BENCHMARK(BM_ZoomStep)->UseManualTime()->Iterations(400)->Unit(benchmark::kMicrosecond);

} // namespace
