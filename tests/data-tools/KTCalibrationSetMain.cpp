// calibration_set MANIFEST OUT: builds the calibration set of the similarity presets from real
// camera photos (see make-calibration-set.sh, which writes the manifest).
//
// Manifest lines: "family <name> <path>" (a photo that gets its near-duplicates and renditions),
// "single <name> <path>" (an unrelated photo on its own) or "rendition <name> <kind> <path>" (a
// file made outside, from the family's RAW file or its bracket, that shows the same shot). Every
// photo of OUT is named "<name>--<kind>.jpg"; "orig" is the camera file itself with only its
// shooting time rewritten, "view2" the second frame of a stereo camera's MPO file, "moved" the
// scene with its subject moved (not the same shot). The originals are laid out as one session, 20
// seconds apart, ordered so that photos of similar colours follow each other; a family's exposure
// bracket and tone-mapped frame follow it by seconds, its copies keep its time, its moved
// subject comes three minutes later, and its renditions have no time (as converters that drop
// the metadata write them), so that the search compares them by its strictest rule.
// OUT/hard-negatives.txt lists the pairs of different photos whose colours are closest (the
// quarter of all pairs with the most similar colour histograms), one "<name> <name>" a line.

#include "KTNearDuplicates.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageReader>
#include <QTextStream>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

struct Photo
{
    QString role;
    QString name;
    QString path;
    QImage upright;
    std::vector<double> histogram;
};

struct Rendition
{
    QString name;
    QString kind;
    QString path;
};

QImage readUpright(const QString &path)
{
    QImageReader reader(path);
    reader.setAutoTransform(true);
    return reader.read();
}

/// A 4 x 4 x 4 RGB histogram of a small copy, normalised to sum 1.
std::vector<double> colourHistogram(const QImage &image)
{
    const QImage small = image.scaled(64, 64, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                             .convertToFormat(QImage::Format_RGB32);
    std::vector<double> bins(64, 0.0);
    for (int y = 0; y < small.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(small.constScanLine(y));
        for (int x = 0; x < small.width(); ++x)
            bins[std::size_t((qRed(line[x]) / 64) * 16 + (qGreen(line[x]) / 64) * 4 + qBlue(line[x]) / 64)] +=
                1;
    }
    for (double &b : bins)
        b /= double(small.width() * small.height());
    return bins;
}

double colourDistance(const Photo &a, const Photo &b)
{
    double intersection = 0;
    for (std::size_t i = 0; i < a.histogram.size(); ++i)
        intersection += std::min(a.histogram[i], b.histogram[i]);
    return 1.0 - intersection;
}

/// The second frame of an MPO file (a stereo camera's other view); null for other files.
QImage secondFrame(const QString &path)
{
    if (!path.endsWith(QStringLiteral(".mpo"), Qt::CaseInsensitive))
        return {};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    const QByteArray start("\xFF\xD8\xFF", 3);
    const qsizetype second = bytes.indexOf(start, 4096);
    if (second < 0)
        return {};
    QImage frame = QImage::fromData(bytes.mid(second), "JPEG");
    return frame;
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: calibration_set MANIFEST OUT\n");
        return 2;
    }
    QFile manifest(QString::fromLocal8Bit(argv[1]));
    if (!manifest.open(QIODevice::ReadOnly | QIODevice::Text)) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 1;
    }
    std::vector<Photo> photos;
    std::vector<Rendition> renditions;
    QTextStream in(&manifest);
    while (!in.atEnd()) {
        const QStringList fields = in.readLine().simplified().split(QLatin1Char(' '));
        if (fields.size() == 4 && fields.first() == QStringLiteral("rendition")) {
            renditions.push_back({fields[1], fields[2], fields[3]});
            continue;
        }
        if (fields.size() != 3 || fields.first().startsWith(QLatin1Char('#')))
            continue;
        Photo photo{fields[0], fields[1], fields[2], readUpright(fields[2]), {}};
        if (photo.upright.isNull()) {
            std::fprintf(stderr, "cannot decode %s\n", qPrintable(photo.path));
            return 1;
        }
        photo.histogram = colourHistogram(photo.upright);
        photos.push_back(photo);
    }
    const QDir out(QString::fromLocal8Bit(argv[2]));
    QDir().mkpath(out.path());

    // Photos of similar colours next to each other in time: a nearest-neighbour chain.
    std::vector<std::size_t> order{0};
    std::vector<bool> placed(photos.size(), false);
    placed[0] = true;
    while (order.size() < photos.size()) {
        std::size_t best = 0;
        double bestDistance = 2;
        for (std::size_t j = 0; j < photos.size(); ++j) {
            const double d = colourDistance(photos[order.back()], photos[j]);
            if (!placed[j] && d < bestDistance) {
                best = j;
                bestDistance = d;
            }
        }
        placed[best] = true;
        order.push_back(best);
    }

    const QDateTime start(QDate(2024, 6, 1), QTime(10, 0, 0));
    int written = 0;
    for (std::size_t slot = 0; slot < order.size(); ++slot) {
        const Photo &photo = photos[order[slot]];
        const QDateTime shot = start.addSecs(qint64(slot) * 20);
        const QString prefix = out.filePath(photo.name + QStringLiteral("--"));
        if (!copyWithShotTime(photo.path, prefix + QStringLiteral("orig.jpg"), shot))
            return 1;
        ++written;
        if (photo.role != QStringLiteral("family"))
            continue;
        std::vector<KTNearDuplicate> variants = nearDuplicatesOf(photo.upright);
        for (KTNearDuplicate &rendition : renditionsOf(photo.upright))
            variants.push_back(std::move(rendition));
        // The subject moved minutes later.
        variants.push_back({QLatin1String(kSubjectMovedKind), subjectMoved(photo.upright), 1, 92, 180});
        for (const Rendition &rendition : renditions) {
            if (rendition.name != photo.name)
                continue;
            KTNearDuplicate variant{rendition.kind, readUpright(rendition.path)};
            if (variant.stored.isNull()) {
                std::fprintf(stderr, "cannot decode %s\n", qPrintable(rendition.path));
                return 1;
            }
            // LibRaw's developments, the RAW's preview and enfuse's output carry no shooting time.
            variant.undated = true;
            variants.push_back(std::move(variant));
        }
        for (const KTNearDuplicate &variant : variants) {
            QString kind = variant.kind;
            kind.replace(QLatin1Char('/'), QLatin1Char('_'));
            if (!writeNearDuplicate(prefix + kind + QStringLiteral(".jpg"), variant, photo.path,
                                    shot.addSecs(variant.secondsLater)))
                return 1;
            ++written;
        }
        const QImage view = secondFrame(photo.path);
        if (!view.isNull()) {
            KTNearDuplicate variant{QStringLiteral("view2"), view, 1, 95, 0, 0, false};
            if (!writeNearDuplicate(prefix + QStringLiteral("view2.jpg"), variant, photo.path, shot))
                return 1;
            ++written;
        }
    }

    // The quarter of the pairs of different photos with the closest colours.
    std::vector<std::tuple<double, std::size_t, std::size_t>> pairs;
    for (std::size_t i = 0; i < photos.size(); ++i) {
        for (std::size_t j = i + 1; j < photos.size(); ++j)
            pairs.emplace_back(colourDistance(photos[i], photos[j]), i, j);
    }
    std::sort(pairs.begin(), pairs.end());
    QFile negatives(out.filePath(QStringLiteral("hard-negatives.txt")));
    if (!negatives.open(QIODevice::WriteOnly | QIODevice::Text))
        return 1;
    QTextStream text(&negatives);
    for (std::size_t k = 0; k < pairs.size() / 4; ++k)
        text << photos[std::get<1>(pairs[k])].name << ' ' << photos[std::get<2>(pairs[k])].name << '\n';
    std::printf("%d photos from %zu camera files in %s\n", written, photos.size(), qPrintable(out.path()));
    return 0;
}
