// Thumbnail entities of a 24-megapixel JPEG, cold (decoded from the image and written to its
// entity file) and warm (read back from that file), as one entity operation runs them; the focus
// mask and exposure overlays of a 24-megapixel image; the focused-region search at its widest; and
// the focused region of a 24-megapixel JPEG whose maker note lists 1,000 autofocus points.
// All on the calling thread, except the kernels' own row spreading over the global concurrent queue.

#include "KTDecodingFixtures.h"
#include "KTFocusMaskDefaults.h"
#include "KTFocusedRegionsStorage.h"
#include "KTImageFixtures.h"
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

// The widest search the range check allows: 61 points in focus spread over a 24-megapixel image,
// so the window slides over a fifth of each side of the whole image.
void BM_FocusedRegionCropSearchWorstCase(benchmark::State &state)
{
    QList<KTFocusedRect> rects;
    for (int i = 0; i < 61; ++i)
        rects.append({{(i % 8) / 8.0 + 0.01, (i / 8) / 8.0 + 0.01, 0.05, 0.05}, KTFocusedRect::InFocus});
    rects.append({{0.0, 0.0, 1.0, 1.0}, KTFocusedRect::Other});
    for (auto _ : state) {
        const auto crop = KTFocusedRegionsStorage::focusedRegionCropRect(rects, kCameraSize);
        benchmark::DoNotOptimize(crop);
    }
}

// A maker note listing 1,000 used autofocus points on a 24-megapixel JPEG: a cluster and the four
// corners, so the window search spans the whole image. The storage is built from the file
// (metadata, full decode, search, region JPEG), and the search is also timed alone.
const QString &thousandPointsJpeg()
{
    static const QString path = [] {
        const QString file = benchFolder().filePath(QStringLiteral("af1000.jpg"));
        writeJpegWithExif(file,
                          {{"Exif.Image.Make", "Canon"},
                           {"Exif.Image.Model", "Canon EOS Test"},
                           {"Exif.Canon.AFInfo", canonAFInfo(clusterAndCornersAFPoints(), kCameraSize.width(),
                                                             kCameraSize.height())}},
                          kCameraSize);
        return file;
    }();
    return path;
}

void BM_FocusedRegionsStorage1000Points(benchmark::State &state)
{
    const QString &path = thousandPointsJpeg();
    for (auto _ : state) {
        const auto storage = KTFocusedRegionsStorage::initWithImageAtPath(path);
        if (!storage->focusedRegionImagesPyramid())
            state.SkipWithError("no region");
    }
}

void BM_FocusedRegionCropSearch1000Points(benchmark::State &state)
{
    const auto rects = KTFocusedRegionsStorage::initWithImageAtPath(thousandPointsJpeg())->afRects();
    if (!rects || rects->size() != 1000)
        state.SkipWithError("no points");
    for (auto _ : state) {
        const auto crop = KTFocusedRegionsStorage::focusedRegionCropRect(rects, kCameraSize);
        benchmark::DoNotOptimize(crop);
    }
}

} // namespace

BENCHMARK(BM_ThumbnailEntityCold)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ThumbnailEntityWarm)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FocusMask24MP)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExposureOverlay24MP)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FocusedRegionCropSearchWorstCase)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FocusedRegionsStorage1000Points)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FocusedRegionCropSearch1000Points)->Unit(benchmark::kMillisecond);
