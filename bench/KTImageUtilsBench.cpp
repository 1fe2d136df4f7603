// Thumbnails of camera-sized files beside full-size decodes of the same files, one file at a
// time on the calling thread. The scaled routes should beat the full decode at least fourfold,
// and a thumbnail from a large enough embedded RAW preview should take at most about 5 ms.

#include "KTImageUtils.h"

#include "KTDecodingFixtures.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <map>

namespace {

constexpr QSize kCameraSize(6000, 4000); // 24 megapixels

/// The files, written once per run: a JPEG with and without an EXIF thumbnail, and DNGs whose
/// embedded JPEG preview is medium-sized or as large as the image.
const QString &benchFile(const std::string &name)
{
    static QTemporaryDir dir;
    static const std::map<std::string, QString> files = [] {
        std::map<std::string, QString> paths;
        const QImage picture = makePhotoLikeImage(kCameraSize);
        const auto add = [&paths](const std::string &key, const QByteArray &bytes) {
            const QString path = dir.filePath(QString::fromStdString(key));
            writeFileBytes(path, bytes);
            paths[key] = path;
        };
        add("camera.jpg", makeJpegWithExif(picture, 6, 92));
        add("camera-exif-thumbnail.jpg", makeJpegWithExif(picture, 6, 92, makePhotoLikeImage({160, 120})));
        const QImage medium = picture.scaled(1620, 1080, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        add("medium-preview.dng", makeDng({kCameraSize, KTDngPreview::Jpeg, medium.size(), 6, medium}));
        add("full-preview.dng", makeDng({kCameraSize, KTDngPreview::Jpeg, kCameraSize, 6, picture}));
        return paths;
    }();
    return files.at(name);
}

void BM_Thumbnail256(benchmark::State &state, const std::string &name)
{
    const QString &path = benchFile(name);
    for (auto _ : state) {
        const QByteArray data = KTImageUtils::thumbnailJPEGDataFromImageAtPath(path, 256);
        if (data.isEmpty())
            state.SkipWithError("no thumbnail");
        benchmark::DoNotOptimize(data.constData());
    }
}

void BM_FullDecode(benchmark::State &state, const std::string &name)
{
    const QString &path = benchFile(name);
    for (auto _ : state) {
        const QImage image = KTImageUtils::imageFromRawQuick(path);
        if (image.isNull())
            state.SkipWithError("no image");
        benchmark::DoNotOptimize(image.constBits());
    }
}

} // namespace

BENCHMARK_CAPTURE(BM_Thumbnail256, jpeg, std::string("camera.jpg"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_FullDecode, jpeg, std::string("camera.jpg"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Thumbnail256, jpeg_exif_thumbnail, std::string("camera-exif-thumbnail.jpg"))
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_FullDecode, jpeg_exif_thumbnail, std::string("camera-exif-thumbnail.jpg"))
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Thumbnail256, dng_medium_preview, std::string("medium-preview.dng"))
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_FullDecode, dng_medium_preview, std::string("medium-preview.dng"))
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Thumbnail256, dng_full_preview, std::string("full-preview.dng"))
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_FullDecode, dng_full_preview, std::string("full-preview.dng"))
    ->Unit(benchmark::kMillisecond);
