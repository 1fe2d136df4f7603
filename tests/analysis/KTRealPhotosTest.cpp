// The shipped presets on real camera photos (tests/data/photos): near-duplicates and renditions of
// a photo that a photographer counts as the same shot group at "normal"; two different scenes of
// similar colours, shot the same day with the same camera, never do, nor does a scene with its
// subject moved at "highest".

#include "KTImageUtils.h"
#include "KTNearDuplicates.h"
#include "KTSimilarFinder.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

QString realPhoto(const char *name)
{
    return QDir(QStringLiteral(VS_TEST_PHOTOS_DIR)).filePath(QLatin1String(name));
}

/// Mean absolute channel difference of two images of one size, 0 to 255.
double meanDifference(const QImage &a, const QImage &b)
{
    const QImage x = a.convertToFormat(QImage::Format_RGB32), y = b.convertToFormat(QImage::Format_RGB32);
    if (x.size() != y.size())
        return 255;
    double sum = 0;
    for (int row = 0; row < x.height(); ++row) {
        const auto *p = reinterpret_cast<const QRgb *>(x.constScanLine(row));
        const auto *q = reinterpret_cast<const QRgb *>(y.constScanLine(row));
        for (int col = 0; col < x.width(); ++col)
            sum += std::abs(qRed(p[col]) - qRed(q[col])) + std::abs(qGreen(p[col]) - qGreen(q[col])) +
                   std::abs(qBlue(p[col]) - qBlue(q[col]));
    }
    return sum / (3.0 * x.width() * x.height());
}

/// The finder's clusters at accuracy `level` (0 to 4) over the photos it holds.
KTSimilarFinder::Clusters clustersAt(KTSimilarFinder &finder, int level)
{
    KTSimilarFinder::Clusters clusters;
    finder.clasterizeWithMode(
        level, 0, [&](const KTSimilarFinder::Clusters &result) { clusters = result; },
        [](const QString &, std::atomic_bool *, double) {});
    return clusters;
}

bool together(const KTSimilarFinder::Clusters &clusters, const QString &a, const QString &b)
{
    return std::any_of(clusters.begin(), clusters.end(),
                       [&](const QStringList &cluster) { return cluster.contains(a) && cluster.contains(b); });
}

const KTNearDuplicate &variantOfKind(const std::vector<KTNearDuplicate> &variants, const QString &kind)
{
    return *std::find_if(variants.begin(), variants.end(),
                         [&](const KTNearDuplicate &v) { return v.kind == kind; });
}

} // namespace

TEST(KTRealPhotosTest, NormalGroupsExposureStepsAndGreyCopiesButNotOtherScenesOfSimilarColour)
{
    QTemporaryDir dir;
    const QDateTime shot(QDate(2024, 6, 1), QTime(10, 0, 0));
    const QString frangipani = realPhoto("frangipani-canon-s40.jpg");
    const QImage upright = KTImageUtils::imageFromPath(frangipani);
    ASSERT_FALSE(upright.isNull());
    const auto variants = nearDuplicatesOf(upright);

    KTSimilarFinder finder(dir.filePath(QStringLiteral("Hashes")));
    QStringList sameShot;
    const auto add = [&](const QString &id, bool written) {
        ASSERT_TRUE(written) << qPrintable(id);
        finder.addPhotoWithID(id, dir.filePath(id + QStringLiteral(".jpg")));
    };
    add(QStringLiteral("frangipani"),
        copyWithShotTime(frangipani, dir.filePath(QStringLiteral("frangipani.jpg")), shot));
    sameShot.append(QStringLiteral("frangipani"));
    for (const char *kind : {"ev-1/3", "ev+1/3", "grey"}) {
        const KTNearDuplicate &variant = variantOfKind(variants, QLatin1String(kind));
        const QString id =
            QStringLiteral("frangipani-") + QString(variant.kind).replace(QLatin1Char('/'), QLatin1Char('_'));
        add(id, writeNearDuplicate(dir.filePath(id + QStringLiteral(".jpg")), variant, frangipani,
                                   shot.addSecs(variant.secondsLater)));
        sameShot.append(id);
    }
    // The two snow scenes, moments apart in this session so that the time gap relaxes nothing.
    add(QStringLiteral("pond"), copyWithShotTime(realPhoto("frozen-pond-3ds.jpg"),
                                                 dir.filePath(QStringLiteral("pond.jpg")), shot.addSecs(20)));
    add(QStringLiteral("shack"),
        copyWithShotTime(realPhoto("sugar-shack-3ds.jpg"), dir.filePath(QStringLiteral("shack.jpg")),
                         shot.addSecs(40)));

    for (int level = 0; level < 5; ++level) {
        KTSimilarFinder::Clusters clusters;
        finder.clasterizeWithMode(
            level, 0, [&](const KTSimilarFinder::Clusters &result) { clusters = result; },
            [](const QString &, std::atomic_bool *, double) {});
        for (const QStringList &cluster : clusters) {
            EXPECT_FALSE(cluster.contains(QStringLiteral("pond")) &&
                         cluster.contains(QStringLiteral("shack")))
                << KTSimilarFinderModes[level];
            EXPECT_TRUE(cluster.contains(QStringLiteral("frangipani")))
                << KTSimilarFinderModes[level] << ": " << qPrintable(cluster.join(u' '));
        }
        if (level == 2) {
            ASSERT_EQ(clusters.size(), 1);
            QStringList found = clusters.first();
            found.sort();
            sameShot.sort();
            EXPECT_EQ(found, sameShot);
        }
    }
    finder.waitForDiskOperations();
}

// The calibration set's truth rests on these files: each orientation variant, read upright, is
// the photo itself, and only the mirror image is not.
TEST(KTRealPhotosTest, NearDuplicatesShowTheirPhotoUprightExceptTheMirror)
{
    QTemporaryDir dir;
    const QString frangipani = realPhoto("frangipani-canon-s40.jpg");
    const QImage upright = KTImageUtils::imageFromPath(frangipani);
    ASSERT_FALSE(upright.isNull());
    for (const KTNearDuplicate &variant : nearDuplicatesOf(upright)) {
        if (!variant.kind.startsWith(QStringLiteral("orient")) && variant.kind != QStringLiteral("mirror"))
            continue;
        const QString path = dir.filePath(QString(variant.kind) + QStringLiteral(".jpg"));
        ASSERT_TRUE(
            writeNearDuplicate(path, variant, frangipani, QDateTime(QDate(2024, 6, 1), QTime(10, 0))));
        const QImage read = KTImageUtils::imageFromPath(path);
        if (variant.outOfReach)
            EXPECT_GT(meanDifference(read, upright), 20.0) << qPrintable(variant.kind);
        else
            EXPECT_LT(meanDifference(read, upright), 4.0) << qPrintable(variant.kind);
    }
}

// Renditions without a shooting time meet the strictest rule of a level: tone curves, a brighter
// and flatter rendering, an overlaid date stamp, a crop, a tone-mapped copy; and a camera's HDR
// frame beside its normal frame (LibRaw's development of a Kodak RAW file and enfuse's fusion of its
// bracket). A strongly tone-mapped HDR frame shot seconds after the original passes only the rule
// weakened by their time gap, so it joins when the dated original founds the group, not one of its
// undated renditions (which fail the HDR frame's comparison).
TEST(KTRealPhotosTest, NormalGroupsUndatedRenditionsAndHdrFramesHighestKeepsAMovedSubjectApart)
{
    QTemporaryDir dir;
    const QDateTime shot(QDate(2024, 6, 1), QTime(10, 0, 0));
    const QString frangipani = realPhoto("frangipani-canon-s40.jpg");
    const QImage upright = KTImageUtils::imageFromPath(frangipani);
    ASSERT_FALSE(upright.isNull());
    KTSimilarFinder finder(dir.filePath(QStringLiteral("Hashes")));
    const auto add = [&](const QString &id, bool written) {
        ASSERT_TRUE(written) << qPrintable(id);
        finder.addPhotoWithID(id, dir.filePath(id + QStringLiteral(".jpg")));
    };
    add(QStringLiteral("frangipani"),
        copyWithShotTime(frangipani, dir.filePath(QStringLiteral("frangipani.jpg")), shot));
    const auto renditions = renditionsOf(upright);
    const QStringList kinds{QStringLiteral("gamma0.8"), QStringLiteral("gamma1.25"),
                            QStringLiteral("contrast-10"), QStringLiteral("flat"), QStringLiteral("stamp"),
                            QStringLiteral("crop3")};
    for (const QString &kind : kinds) {
        const KTNearDuplicate &variant = variantOfKind(renditions, kind);
        ASSERT_TRUE(variant.undated);
        add(kind, writeNearDuplicate(dir.filePath(kind + QStringLiteral(".jpg")), variant, frangipani, shot));
    }
    KTNearDuplicate hdrCopy{QStringLiteral("hdr-copy"), toneMapped(upright)};
    hdrCopy.undated = true;
    add(hdrCopy.kind,
        writeNearDuplicate(dir.filePath(QStringLiteral("hdr-copy.jpg")), hdrCopy, frangipani, shot));
    add(QStringLiteral("hdr-frame"),
        writeNearDuplicate(dir.filePath(QStringLiteral("hdr-frame.jpg")),
                           {QStringLiteral("hdr-frame"), toneMapped(toneMapped(upright))}, frangipani,
                           shot.addSecs(5)));
    add(QStringLiteral("moved"),
        writeNearDuplicate(dir.filePath(QStringLiteral("moved.jpg")),
                           {QLatin1String(kSubjectMovedKind), subjectMoved(upright)}, frangipani, shot.addSecs(180)));
    add(QStringLiteral("cards"), copyWithShotTime(realPhoto("sd-cards-kodak-c330.jpg"),
                                                  dir.filePath(QStringLiteral("cards.jpg")), shot.addSecs(600)));
    add(QStringLiteral("cards-hdr"),
        copyWithShotTime(realPhoto("sd-cards-kodak-c330-hdr.jpg"), dir.filePath(QStringLiteral("cards-hdr.jpg")),
                         shot.addSecs(603)));
    const QString pond = realPhoto("frozen-pond-3ds.jpg");
    add(QStringLiteral("pond"),
        copyWithShotTime(pond, dir.filePath(QStringLiteral("pond.jpg")), shot.addSecs(20)));
    add(QStringLiteral("shack"),
        copyWithShotTime(realPhoto("sugar-shack-3ds.jpg"), dir.filePath(QStringLiteral("shack.jpg")),
                         shot.addSecs(40)));
    // A dated copy lets the pond's own row found its group at "highest"; its moved subject, whose
    // difference passes the rule weakened for seconds apart, comes minutes later.
    const QImage pondUpright = KTImageUtils::imageFromPath(pond);
    add(QStringLiteral("pond-q70"),
        writeNearDuplicate(dir.filePath(QStringLiteral("pond-q70.jpg")),
                           {QStringLiteral("q70"), pondUpright, 1, 70}, pond, shot.addSecs(20)));
    add(QStringLiteral("pond-moved"),
        writeNearDuplicate(dir.filePath(QStringLiteral("pond-moved.jpg")),
                           {QLatin1String(kSubjectMovedKind), subjectMoved(pondUpright)}, pond,
                           shot.addSecs(200)));

    const auto normal = clustersAt(finder, 2);
    for (const QString &kind : kinds + QStringList{QStringLiteral("hdr-copy"), QStringLiteral("hdr-frame")})
        EXPECT_TRUE(together(normal, QStringLiteral("frangipani"), kind)) << qPrintable(kind);
    EXPECT_TRUE(together(normal, QStringLiteral("cards"), QStringLiteral("cards-hdr")));
    EXPECT_FALSE(together(normal, QStringLiteral("pond"), QStringLiteral("shack")));

    const auto highest = clustersAt(finder, 4);
    EXPECT_FALSE(together(highest, QStringLiteral("frangipani"), QStringLiteral("moved")));
    EXPECT_TRUE(together(highest, QStringLiteral("pond"), QStringLiteral("pond-q70")));
    EXPECT_FALSE(together(highest, QStringLiteral("pond"), QStringLiteral("pond-moved")));
    EXPECT_FALSE(together(highest, QStringLiteral("pond"), QStringLiteral("shack")));
    finder.waitForDiskOperations();
}
