// The similar-groups mode on a session of 20,000 images in 2,000 groups of 10, in "Group" with
// animations off, main-thread time per step: the next group until it is painted (target: under
// 30 ms), and resolving the group on screen and moving on to the next one until it is painted
// (target: under 50 ms). Thumbnails come from the cache, as for groups seen before.

#include "KTAnimations.h"
#include "KTCatalogModel.h"
#include "KTDuplicatesImagesModeController.h"
#include "KTGridBenchSession.h"
#include "KTImageGroupMO.h"
#include "KTImageStorage.h"
#include "KTObjectContext.h"

#include <QApplication>
#include <QGridLayout>
#include <QWidget>

namespace {

constexpr int kImages = 20000;
constexpr int kGroupSize = 10;

/// The session with its images in groups of ten, and the mode shown in "Group" in a window.
class SimilarModeBench
{
public:
    SimilarModeBench() : m_session(kImages)
    {
        KTAnimations::setEnabled(false);
        KTObjectContext &context = *m_session.storage().managedObjectContext();
        const QList<KTImageMO *> &images = m_session.images();
        for (qsizetype first = 0; first + kGroupSize <= images.size(); first += kGroupSize) {
            auto *group = context.insert<KTImageGroupMO>(kImageGroupEntityName);
            group->addImages(images.mid(first, kGroupSize));
        }
        m_session.storage().processPendingChanges();
        auto *layout = new QGridLayout(&m_window);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(m_mode.view(), 0, 0);
        m_mode.setImageStorage(&m_session.storage());
        m_window.resize(1280, 800);
        m_window.show();
        m_mode.refresh();
        m_mode.switchToUIMode(kUIModeGroup);
        for (int i = 0; i < 3; ++i)
            QApplication::processEvents();
    }

    KTDuplicatesImagesModeController &mode() { return m_mode; }
    QWidget &window() { return m_window; }

private:
    KTGridBenchSession m_session;
    KTDuplicatesImagesModeController m_mode;
    QWidget m_window;
};

void BM_NextGroup(benchmark::State &state)
{
    SimilarModeBench bench;
    KTStepTimes times;
    measureSteps(state, times, [&] {
        bench.mode().onNextGroup(nullptr);
        bench.window().repaint();
    });
    state.counters["groups"] = double(bench.mode().numberOfGroupsInList());
}
BENCHMARK(BM_NextGroup)->UseManualTime()->Iterations(200)->Unit(benchmark::kMillisecond);

void BM_ResolveAndMoveOn(benchmark::State &state)
{
    SimilarModeBench bench;
    KTStepTimes times;
    measureSteps(state, times, [&] {
        bench.mode().onResolveGroup(nullptr);
        bench.window().repaint();
    });
    state.counters["groups_left"] = double(bench.mode().numberOfGroupsInList());
}
BENCHMARK(BM_ResolveAndMoveOn)->UseManualTime()->Iterations(100)->Unit(benchmark::kMillisecond);

} // namespace
