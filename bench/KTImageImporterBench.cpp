// The whole "Loading Images" job without the similarity search: walking a folder tree of 20,000
// camera JPEGs, reading their attributes in parallel, inserting the records, grouping them by time
// and saving into the main context, with the main thread turning the event loop meanwhile.

#include "KTBenchMemory.h"
#include "KTCancelablePerformer.h"
#include "KTCatalogModel.h"
#include "KTFolderMO.h"
#include "KTImageFixtures.h"
#include "KTImageImporter.h"
#include "KTNotificationCenter.h"
#include "KTObjectContext.h"
#include "KTTasksNotifier.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

constexpr int kImages = 20000;
constexpr int kImagesPerFolder = 1000;
const QByteArray kMarkerDate = "2001:01:01 00:00:00";

// 20,000 JPEGs in 20 folders: 64 x 48 pixels (the import reads metadata only, so the pixel data
// only has to be valid), each with a camera's full EXIF and its own shooting time. Bursts of ten
// shots a second apart, bursts ten minutes apart, so the time grouping has real work.
struct CameraTree
{
    QTemporaryDir dir;
    bool ready = false;

    CameraTree()
    {
        KTExifFields fields = cameraExifFields(QSize(64, 48));
        for (auto &[key, value] : fields) {
            if (key.find("DateTime") != std::string::npos)
                value = kMarkerDate.toStdString();
        }
        const QString templatePath = dir.filePath(QStringLiteral("template.jpeg.tmp"));
        if (!writeJpegWithExif(templatePath, fields, QSize(64, 48)))
            return;
        QFile templateFile(templatePath);
        if (!templateFile.open(QIODevice::ReadOnly))
            return;
        const QByteArray bytes = templateFile.readAll();
        const QDateTime start(QDate(2024, 7, 1), QTime(8, 0, 0));
        for (int i = 0; i < kImages; ++i) {
            const QString folder =
                dir.filePath(QStringLiteral("day%1").arg(i / kImagesPerFolder, 2, 10, QLatin1Char('0')));
            if (i % kImagesPerFolder == 0 && !QDir().mkpath(folder))
                return;
            const QDateTime shot = start.addSecs(qint64(i / 10) * 600 + i % 10);
            QByteArray content = bytes;
            content.replace(kMarkerDate, shot.toString(QStringLiteral("yyyy:MM:dd HH:mm:ss")).toLatin1());
            QFile file(folder + QStringLiteral("/IMG_%1.JPG").arg(i, 5, 10, QLatin1Char('0')));
            if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
                return;
        }
        QFile::remove(templatePath);
        ready = true;
    }
};

const CameraTree &cameraTree()
{
    static const auto tree = std::make_unique<CameraTree>();
    return *tree;
}

} // namespace

static void BM_LoadImagesIntoAnEmptyCatalogue(benchmark::State &state)
{
    const CameraTree &tree = cameraTree();
    if (!tree.ready) {
        state.SkipWithError("could not write the camera files");
        return;
    }
    qsizetype images = 0;
    qsizetype timeGroups = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto context = KTObjectContext::makeMainContext(KTCatalogModel::sharedModel());
        auto *source = context->insert<KTFolderMO>(kFolderEntityName);
        source->setPath(tree.dir.path());
        source->setType(kFolderTypeFileSystem);
        context->save();
        KTCancelablePerformer performer;
        bool finished = false;
        auto token = KTNotificationCenter::defaultCenter().addObserver(
            KTTaskDidFinishInfo::name(), &performer, [&](const KTNotification &notification) {
                if (KTTaskDidFinishInfo::taskName(notification.userInfo) == kLoadImagesTaskName)
                    finished = true;
            });
        KTImageImporter::Settings settings;
        settings.timeLineInterval = 60;
        const KTImageImporter importer(&performer, &performer, settings, {});
        state.ResumeTiming();

        importer.loadImages(context);
        while (!finished)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);

        state.PauseTiming();
        images = context->count({kImageEntityName, {}, {}});
        timeGroups = context->count({kTimeGroupEntityName, {}, {}});
        state.ResumeTiming();
    }
    state.counters["images"] = double(images);
    state.counters["time_groups"] = double(timeGroups);
    state.counters["peak_rss_MB"] = peakResidentMegabytes();
}
BENCHMARK(BM_LoadImagesIntoAnEmptyCatalogue)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(3);
