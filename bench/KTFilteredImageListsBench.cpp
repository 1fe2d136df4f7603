// Cost of one decision in a 20,000-image session: the main context's change handler merging a
// pick into the five filtered lists of the review modes and posting its notifications.

#include "KTCatalogChangeHandler.h"
#include "KTCatalogModel.h"
#include "KTImageMO.h"
#include "KTListsFixtures.h"
#include "KTObjectContext.h"
#include "KTSessionFixtures.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>

namespace {

constexpr int kImages = 20000;

// Toggles the pick of one image per iteration and delivers the change. Arg 0: images of folder
// sources; arg 1: images of the external catalogue, whose decisions are also marked for the sync
// (a second round of the handler the first time an image's bit is set).
void BM_PickUpdatesEveryList(benchmark::State &state)
{
    const bool catalogueImages = state.range(0) == 1;
    KTListsSession session;
    fillCatalog(*session.context, kImages);
    session.process();
    for (const auto &[filterID, filter] : reviewModeFilters())
        session.lists().setFilter(filter, filterID);

    QList<KTImageMO *> images;
    for (KTImageMO *image : session.context->fetchAs<KTImageMO>({kImageEntityName, {}, {}})) {
        if (image->externalGUID().isNull() != catalogueImages)
            images.append(image);
    }
    qsizetype next = 0;
    for (auto _ : state) {
        KTImageMO *image = images.at(next);
        next = (next + 97) % images.size();
        image->setPicked(image->picked() != std::optional<bool>(true));
        session.process();
    }
    state.counters["picks"] =
        double(session.lists().imagesFilteredByFilterWithID(QStringLiteral("Picked")).size());
}
BENCHMARK(BM_PickUpdatesEveryList)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

} // namespace
