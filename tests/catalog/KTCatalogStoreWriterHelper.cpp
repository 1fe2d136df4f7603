// Helper process of the store's kill test: adds a large session to the store given as first
// argument, says on stdout how far it got, then waits to be killed.
//   mid-write: pauses inside the transaction, after the images and before their folders and
//              groups (records are written in id order, images first)
//   after-save: pauses once the save has returned

#include "KTSessionFixtures.h"
#include "KTCatalogModel.h"
#include "KTCatalogStore.h"
#include "KTObjectContext.h"

#include <QCoreApplication>

#include <chrono>
#include <cstdio>
#include <thread>

namespace {

[[noreturn]] void announceAndWait(const char *what)
{
    std::printf("%s\n", what);
    std::fflush(stdout);
    for (;;)
        std::this_thread::sleep_for(std::chrono::seconds(1));
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 4)
        return 2;
    const QString path = QString::fromLocal8Bit(argv[1]);
    const QByteArray mode = argv[2];
    const int images = QByteArray(argv[3]).toInt();

    KTCatalogStore store(KTCatalogModel::sharedModel());
    if (!store.open(path, KTCatalogStore::Access::ReadWrite))
        return 3;
    std::vector<KTRecordValues> records;
    if (!store.readAllRecords(&records))
        return 4;
    auto context = KTObjectContext::makeMainContext(KTCatalogModel::sharedModel());
    context->loadStoredObjects(std::move(records));
    fillCatalog(*context, images);
    if (mode == "mid-write") {
        store.setRecordWriteHook([images](qsizetype written) {
            if (written == images)
                announceAndWait("mid-write");
            return true;
        });
    }
    context->setSaveHandler([&](const KTChangeSet &changes, QString *) { return store.save(changes); });
    if (!context->save())
        return 5;
    announceAndWait("after-save");
}
