// Main-thread cost of one thumbnail cell as a scrolling grid meets it: taken from the pool,
// bound to a record whose thumbnail is cached, laid out and painted. A screen of 100 new cells
// must fit one frame: the target is a median under 0.3 ms per cell.

#include "KTGridBenchSession.h"
#include "KTImageCollectionViewCell.h"
#include "KTImageCollectionViewCellImageView.h"
#include "KTImageCollectionViewCellRootView.h"
#include "KTImageCollectionViewCellsManager.h"

#include <QCoreApplication>
#include <QWidget>

namespace {

constexpr int kImages = 1000;
constexpr int kCellSide = 150;
constexpr int kColumns = 12;
constexpr int kRows = 7;

void BM_TakeBindLayOutAndPaintACell(benchmark::State &state)
{
    KTGridBenchSession session(kImages);
    KTImageCollectionViewCellsManager &pool = KTImageCollectionViewCellsManager::sharedManager();
    QWidget grid;
    grid.resize(kColumns * kCellSide, kRows * kCellSide);
    grid.setAttribute(Qt::WA_OpaquePaintEvent);
    grid.show();
    QCoreApplication::processEvents();

    KTStepTimes times;
    QList<KTImageCollectionViewCell *> shown;
    int next = 0;
    for (auto _ : state) {
        const int slot = shown.size();
        const QRect frame((slot % kColumns) * kCellSide, (slot / kColumns) * kCellSide, kCellSide, kCellSide);
        KTImageMO *record = session.images().at(next);
        next = (next + 1) % kImages;

        const auto start = KTStepTimes::Clock::now();
        KTImageCollectionViewCell *cell = pool.cell();
        if (cell->rootView()->parentWidget() != &grid)
            cell->rootView()->setParent(&grid);
        cell->setCellType(KTImageCollectionViewCell::PlainGridCell |
                          KTImageCollectionViewCell::SelectableList);
        cell->setIndex(unsigned(next));
        cell->setImageMO(record);
        cell->rootView()->setGeometry(frame);
        cell->rootView()->show();
        grid.repaint(frame);
        const auto elapsed = KTStepTimes::Clock::now() - start;
        times.add(elapsed);
        state.SetIterationTime(std::chrono::duration<double>(elapsed).count());

        shown.append(cell);
        // A screenful later the cells leave again, as they do when the grid scrolls on.
        if (shown.size() == kColumns * kRows) {
            state.PauseTiming();
            for (KTImageCollectionViewCell *gone : shown) {
                gone->setImageMO(nullptr);
                pool.hideCell(gone);
            }
            shown.clear();
            state.ResumeTiming();
        }
    }
    for (KTImageCollectionViewCell *gone : shown) {
        gone->setImageMO(nullptr);
        pool.hideCell(gone);
    }
    pool.releaseCellsOfView(&grid);
    times.report(state);
}
BENCHMARK(BM_TakeBindLayOutAndPaintACell)->UseManualTime()->Iterations(2000)->Unit(benchmark::kMicrosecond);

} // namespace
