// Attribute reading of the import: one call per image file, metadata only.

#include "KTFilesManager.h"
#include "KTImageFixtures.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

constexpr int kFileCount = 1000;

// 1,000 copies of one 6000 x 4000 JPEG with a camera's EXIF and thumbnail. Its pixels are a smooth
// gradient, so the files stay small, but their headers are those of a camera file.
struct CameraFiles
{
    QTemporaryDir dir;
    QStringList paths;
    qint64 fileSize = 0;

    CameraFiles()
    {
        const QString first = dir.filePath(QStringLiteral("IMG_0000.JPG"));
        if (!writeJpegWithExif(first, cameraExifFields(), QSize(6000, 4000), KTExifThumbnail::Embedded))
            return;
        fileSize = QFileInfo(first).size();
        paths.append(first);
        for (int i = 1; i < kFileCount; ++i) {
            const QString path = dir.filePath(QStringLiteral("IMG_%1.JPG").arg(i, 4, 10, QLatin1Char('0')));
            if (!QFile::copy(first, path))
                return;
            paths.append(path);
        }
    }
};

const CameraFiles &cameraFiles()
{
    static const auto files = std::make_unique<CameraFiles>();
    return *files;
}

} // namespace

static void BM_ImageAttributesOfCameraJpegs(benchmark::State &state)
{
    const CameraFiles &files = cameraFiles();
    if (files.paths.size() != kFileCount) {
        state.SkipWithError("could not write the camera files");
        return;
    }
    for (auto _ : state) {
        for (const QString &path : files.paths) {
            const QVariantMap attributes = KTFilesManager::imageAttributesAtPath(path);
            benchmark::DoNotOptimize(attributes);
        }
    }
    state.SetItemsProcessed(state.iterations() * kFileCount);
    state.counters["file_bytes"] = double(files.fileSize);
}
BENCHMARK(BM_ImageAttributesOfCameraJpegs)->Unit(benchmark::kMillisecond);
