// Thumbnail entities of a 24-megapixel JPEG, cold (decoded from the image and written to its
// entity file) and warm (read back from that file), as one entity operation runs them; and the
// focus mask and exposure overlays of a 24-megapixel image. All on the calling thread, except
// the kernels' own row spreading over the global concurrent queue.

#include "KTDecodingFixtures.h"
#include "KTFocusMaskDefaults.h"
#include "KTImageUtils.h"
#include "KTPixelUtils.h"
#include "KTThumbnailEntity.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

constexpr QSize kCameraSize(6000, 4000); // 24 megapixels

QTemporaryDir &benchFolder()
{
    static QTemporaryDir folder;
    return folder;
}

const QImage &cameraImage()
{
    static const QImage image = makePhotoLikeImage(kCameraSize);
    return image;
}

const QString &cameraJpeg()
{
    static const QString path = [] {
        const QString file = benchFolder().filePath(QStringLiteral("camera.jpg"));
        writeFileBytes(file, makeJpegWithExif(cameraImage(), 1, 92));
        return file;
    }();
    return path;
}

const QVariantMap kParameters = {{kThumbnailSizeKey, 300.0}};

void BM_ThumbnailEntityCold(benchmark::State &state)
{
    const QString &imagePath = cameraJpeg();
    const QString entityPath = benchFolder().filePath(QStringLiteral("cold-entity"));
    for (auto _ : state) {
        const auto entity = KTThumbnailEntity::initWithImageAtPath(imagePath, kParameters);
        if (!entity || !entity->writeToFile(entityPath))
            state.SkipWithError("no entity");
    }
}

void BM_ThumbnailEntityWarm(benchmark::State &state)
{
    const QString entityPath = benchFolder().filePath(QStringLiteral("warm-entity"));
    KTThumbnailEntity::initWithImageAtPath(cameraJpeg(), kParameters)->writeToFile(entityPath);
    for (auto _ : state) {
        const auto entity = KTThumbnailEntity::initWithContentsOfFile(entityPath);
        if (!entity)
            state.SkipWithError("no entity");
        benchmark::DoNotOptimize(entity.get());
    }
}

void BM_FocusMask24MP(benchmark::State &state)
{
    const QImage &image = cameraImage();
    for (auto _ : state) {
        const QImage mask = KTPixelUtils::focusMaskImageFromImage(image);
        benchmark::DoNotOptimize(mask.constBits());
    }
}

void BM_ExposureOverlay24MP(benchmark::State &state)
{
    const QImage &image = cameraImage();
    for (auto _ : state) {
        const QImage overlay = KTPixelUtils::exposurePixelsImageFromImage(image);
        benchmark::DoNotOptimize(overlay.constBits());
    }
}

} // namespace

BENCHMARK(BM_ThumbnailEntityCold)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ThumbnailEntityWarm)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FocusMask24MP)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExposureOverlay24MP)->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    KTImageUtils::raiseImageAllocationLimit();
    KTFocusMaskDefaults::registerDefaults();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
