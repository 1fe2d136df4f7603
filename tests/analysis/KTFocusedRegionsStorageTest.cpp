#include "KTFocusedRegionsStorage.h"

#include "KTAutofocusInfo.h"
#include "KTCacheFile.h"
#include "KTImageFixtures.h"
#include "KTTestSupport.h"

#include <QCborArray>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

namespace {

using CanonPoint = KTCanonAFPoint;

// Selected but not in focus, in focus, and a point neither selected nor in focus.
const std::vector<CanonPoint> kThreePoints = {
    {-150, 0, 60, 40, false, true},
    {0, 100, 60, 40, true, true},
    {150, -100, 60, 40, false, false},
};

void expectRectsNear(const QList<KTFocusedRect> &actual, const QList<KTFocusedRect> &expected)
{
    ASSERT_EQ(actual.size(), expected.size());
    for (qsizetype i = 0; i < actual.size(); ++i) {
        EXPECT_NEAR(actual[i].rect.x(), expected[i].rect.x(), 1e-9) << "rect " << i;
        EXPECT_NEAR(actual[i].rect.y(), expected[i].rect.y(), 1e-9) << "rect " << i;
        EXPECT_NEAR(actual[i].rect.width(), expected[i].rect.width(), 1e-9) << "rect " << i;
        EXPECT_NEAR(actual[i].rect.height(), expected[i].rect.height(), 1e-9) << "rect " << i;
        EXPECT_EQ(actual[i].focusState, expected[i].focusState) << "rect " << i;
    }
}

void expectRectNear(const QRectF &actual, const QRectF &expected)
{
    EXPECT_NEAR(actual.x(), expected.x(), 1e-3);
    EXPECT_NEAR(actual.y(), expected.y(), 1e-3);
    EXPECT_NEAR(actual.width(), expected.width(), 1e-3);
    EXPECT_NEAR(actual.height(), expected.height(), 1e-3);
}

QVariantMap metadataWithAfInfo(const QVariantList &afInfo, int orientation = 1)
{
    return {{QStringLiteral("Orientation"), orientation},
            {QStringLiteral("{ExifAux}"), QVariantMap{{QStringLiteral("AFInfo"), afInfo}}}};
}

// The crop of the position-by-position scan that the counted search replaced: every window of
// the sliding range tested against every point.
std::optional<QRectF> fullScanCrop(const QList<KTFocusedRect> &rects, QSizeF size)
{
    const auto inside = [](const QPointF &p, const QRectF &r) {
        return p.x() >= r.x() && p.x() < r.x() + r.width() && p.y() >= r.y() && p.y() < r.y() + r.height();
    };
    QRectF united;
    QList<QPointF> points;
    for (qsizetype i = 0; i < rects.size(); ++i) {
        const QRectF scaled = KTFocusedRegionsStorage::rectToScaledRect(rects[i].rect, size);
        const double left = i == 0 ? scaled.x() : std::min(united.x(), scaled.x());
        const double bottom = i == 0 ? scaled.y() : std::min(united.y(), scaled.y());
        const double right = i == 0 ? scaled.right() : std::max(united.right(), scaled.right());
        const double top = i == 0 ? scaled.bottom() : std::max(united.bottom(), scaled.bottom());
        united = QRectF(left, bottom, right - left, top - bottom);
        if (rects[i].focusState != KTFocusedRect::Other)
            points.append(scaled.center());
    }
    const double cropWidth = double(0.2f) * size.width();
    const double cropHeight = double(0.2f) * size.height();
    if (points.isEmpty())
        return QRectF((size.width() - cropWidth) * 0.5, (size.height() - cropHeight) * 0.5, cropWidth,
                      cropHeight);
    united = QRectF(united.x() - 1, united.y() - 1, united.width() + 2, united.height() + 2)
                 .intersected(QRectF(0, 0, size.width(), size.height()));
    const double slide = double(1.0f - 0.8f);
    int best = 0;
    QRectF kept;
    for (double y = std::trunc(united.y()); y < united.y() + slide * united.height(); y += 1) {
        for (double x = std::trunc(united.x()); x < united.x() + slide * united.width(); x += 1) {
            const QRectF window(x, y, double(0.8f) * united.width(), double(0.8f) * united.height());
            int count = 0;
            for (const QPointF &point : std::as_const(points))
                count += inside(point, window) ? 1 : 0;
            if (count > best) {
                best = count;
                kept = window;
            }
        }
    }
    if (best == 0)
        return std::nullopt;
    QPointF centre;
    for (const QPointF &point : std::as_const(points))
        centre += inside(point, kept) ? point : QPointF();
    centre /= best;
    return QRectF(centre.x() - cropWidth * 0.5, centre.y() - cropHeight * 0.5, cropWidth, cropHeight);
}

class KTFocusedRegionsStorageTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(m_folder.isValid()); }

    QString canonJpeg(const std::vector<CanonPoint> &points, int orientation, int afWidth = 600,
                      int afHeight = 400, QSize imageSize = QSize(600, 400))
    {
        const QString path = m_folder.filePath(QStringLiteral("canon-%1.jpg").arg(++m_files));
        EXPECT_TRUE(writeJpegWithExif(path,
                                      {{"Exif.Image.Make", "Canon"},
                                       {"Exif.Image.Model", "Canon EOS Test"},
                                       {"Exif.Image.Orientation", std::to_string(orientation)},
                                       {"Exif.Canon.AFInfo", canonAFInfo(points, afWidth, afHeight)}},
                                      imageSize));
        return path;
    }

    QTemporaryDir m_folder;
    int m_files = 0;
};

} // namespace

TEST(KTAutofocusInfoTest, CanonRecordsGiveOneGroupPerValidPoint)
{
    const auto words = [](std::vector<int> values) {
        QList<uint16_t> list;
        for (int v : values)
            list.append(uint16_t(v));
        return list;
    };
    // N = 2 on a 200 x 100 AF image; widths, heights, x, y; in-focus bits; selected bits.
    const QVariantList both = KTAutofocusInfo::afInfoFromCanonAFInfo(
        words({0, 0, 2, 2, 200, 100, 200, 100, 20, 20, 10, 10, -50, 50, 0, -20, 0b10, 0b01}));
    EXPECT_EQ(both, (QVariantList{0.2, 0.45, 0.1, 0.1, QStringLiteral("f"), 0.7, 0.25, 0.1, 0.1,
                                  QStringLiteral("F")}));

    const struct
    {
        const char *name;
        std::vector<int> record;
        qsizetype groups;
    } cases[] = {
        {"header only", {0, 0, 2, 2, 200, 100, 200, 100}, 0},
        {"shorter than its point count", {0, 0, 60, 60, 200, 100, 200, 100, 20, 20, 10, 10}, 0},
        {"one valid point of two", {0, 0, 2, 1, 200, 100, 200, 100, 20, 20, 10, 10, -50, 50, 0, -20, 0}, 1},
        {"zero-sized point skipped", {0, 0, 2, 2, 200, 100, 200, 100, 20, 0, 10, 10, -50, 50, 0, -20, 0}, 1},
        {"no AF image size", {0, 0, 2, 2, 200, 100, 0, 0, 20, 20, 10, 10, -50, 50, 0, -20, 0}, 0},
    };
    for (const auto &c : cases)
        EXPECT_EQ(KTAutofocusInfo::afInfoFromCanonAFInfo(words(c.record)).size(), c.groups * 5) << c.name;

    // Without selected bits, a point out of focus gets neither mark.
    const QVariantList noSelection =
        KTAutofocusInfo::afInfoFromCanonAFInfo(words({0, 0, 1, 1, 200, 100, 200, 100, 20, 10, 0, 0, 0}));
    ASSERT_EQ(noSelection.size(), 5);
    EXPECT_NE(noSelection[4].toString(), QStringLiteral("F"));
    EXPECT_NE(noSelection[4].toString(), QStringLiteral("f"));
}

TEST(KTAutofocusInfoTest, NikonContrastDetectAreaTurnsIntoFractionsWithYUpwards)
{
    KTAutofocusInfo::NikonContrastDetectArea area;
    area.contrastDetectAF = true;
    area.imageWidth = 600;
    area.imageHeight = 400;
    area.centreX = 300;
    area.centreY = 100;
    area.width = 60;
    area.height = 40;
    area.inFocus = true;
    EXPECT_EQ(KTAutofocusInfo::afInfoFromNikonContrastDetectArea(area),
              (QVariantList{0.45, 0.7, 0.1, 0.1, QStringLiteral("F")}));
    area.inFocus = false;
    EXPECT_EQ(KTAutofocusInfo::afInfoFromNikonContrastDetectArea(area).value(4), QStringLiteral("f"));
    area.contrastDetectAF = false;
    EXPECT_TRUE(KTAutofocusInfo::afInfoFromNikonContrastDetectArea(area).isEmpty());
}

TEST_F(KTFocusedRegionsStorageTest, CanonPointsAreTurnedWithTheImage)
{
    const KTFocusedRect::FocusState f = KTFocusedRect::Selected;
    const KTFocusedRect::FocusState F = KTFocusedRect::InFocus;
    const KTFocusedRect::FocusState other = KTFocusedRect::Other;
    const struct
    {
        int orientation;
        QSizeF upright;
        QList<KTFocusedRect> rects;
    } cases[] = {
        {1,
         {600, 400},
         {{{0.2, 0.45, 0.1, 0.1}, f}, {{0.45, 0.7, 0.1, 0.1}, F}, {{0.7, 0.2, 0.1, 0.1}, other}}},
        {6,
         {400, 600},
         {{{0.45, 0.7, 0.1, 0.1}, f}, {{0.7, 0.45, 0.1, 0.1}, F}, {{0.2, 0.2, 0.1, 0.1}, other}}},
        {8,
         {400, 600},
         {{{0.45, 0.2, 0.1, 0.1}, f}, {{0.2, 0.45, 0.1, 0.1}, F}, {{0.7, 0.7, 0.1, 0.1}, other}}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.orientation);
        const auto storage =
            KTFocusedRegionsStorage::initWithImageAtPath(canonJpeg(kThreePoints, c.orientation));
        EXPECT_EQ(storage->storageVersion(), KTFocusedRegionsStorage::kStorageVersion);
        EXPECT_EQ(storage->originalImageSize(), c.upright);
        ASSERT_TRUE(storage->afRects());
        expectRectsNear(*storage->afRects(), c.rects);
        ASSERT_TRUE(storage->focusedRegionImagesPyramid());
        EXPECT_EQ(storage->focusedRegionImagesPyramid()->size(), 1);
        EXPECT_EQ(storage->apropriateFocusedRegionOfSize({1000, 1000}).size(), (c.upright * 0.2).toSize());
    }
}

TEST_F(KTFocusedRegionsStorageTest, MalformedLaterGroupGivesNoRectanglesAndTheCentredCrop)
{
    // The first point is sound; the second, 32767 AF-image units away on a 1 x 1 AF image, would
    // make the region search cross billions of positions.
    const QString path = canonJpeg({{0, 0, 1, 1, true, true}, {32767, 32767, 1, 1, true, true}}, 1, 1, 1);
    ASSERT_EQ(KTAutofocusInfo::afInfoAtPath(path).size(), 10);
    const auto storage = KTFocusedRegionsStorage::initWithImageAtPath(path);
    EXPECT_FALSE(storage->afRects());
    ASSERT_TRUE(storage->focusedRegionImagesPyramid());
    EXPECT_EQ(storage->apropriateFocusedRegionOfSize({1000, 1000}).size(), QSize(120, 80));
}

TEST(KTFocusedRegionsStorageChecks, EveryGroupMustLieInTheUnitRange)
{
    const QString F = QStringLiteral("F");
    const struct
    {
        const char *name;
        QVariantList values;
        bool accepted;
    } cases[] = {
        {"two sound groups", {0.1, 0.2, 0.3, 0.4, F, 0.0, 1.0, 1.0, 0.0, F}, true},
        {"bad later group", {0.1, 0.2, 0.3, 0.4, F, 0.1, 5.0, 0.1, 0.1, F}, false},
        {"negative first value", {-0.1, 0.2, 0.3, 0.4, F}, false},
        {"not a number", {0.1, std::nan(""), 0.3, 0.4, F}, false},
        {"short list", {0.5, 0.5}, true},
        {"empty list", {}, true},
    };
    for (const auto &c : cases)
        EXPECT_EQ(KTFocusedRegionsStorage::checkAfValues(c.values), c.accepted) << c.name;

    // Thirteen values are two groups; a short list is an empty one, not none.
    const auto thirteen = KTFocusedRegionsStorage::focusedRectsFromMetadata(
        metadataWithAfInfo({0.1, 0.2, 0.3, 0.4, F, 0.1, 0.2, 0.3, 0.4, F, 0.1, 0.1, 0.1}));
    ASSERT_TRUE(thirteen);
    EXPECT_EQ(thirteen->size(), 2);
    const auto shortList = KTFocusedRegionsStorage::focusedRectsFromMetadata(metadataWithAfInfo({0.5, 0.5}));
    ASSERT_TRUE(shortList);
    EXPECT_TRUE(shortList->isEmpty());
    EXPECT_FALSE(KTFocusedRegionsStorage::focusedRectsFromMetadata({}));

    const auto turned =
        KTFocusedRegionsStorage::focusedRectsFromMetadata(metadataWithAfInfo({0.1, 0.2, 0.3, 0.4, F}, 6));
    ASSERT_TRUE(turned);
    expectRectsNear(*turned, {{{0.2, 0.6, 0.4, 0.3}, KTFocusedRect::InFocus}});
}

TEST(KTFocusedRegionsStorageChecks, CropCentresOnTheBestWindowOfUsedPoints)
{
    const auto point = [](double x, double y, KTFocusedRect::FocusState state) {
        return KTFocusedRect{{x, y, 0.01, 0.01}, state};
    };
    const KTFocusedRect::FocusState F = KTFocusedRect::InFocus;
    const struct
    {
        const char *name;
        std::optional<QList<KTFocusedRect>> rects;
        QRectF crop;
    } cases[] = {
        {"no rectangles", std::nullopt, {400, 200, 200, 100}},
        {"only unused points",
         QList<KTFocusedRect>{point(0.1, 0.1, KTFocusedRect::Other)},
         {400, 200, 200, 100}},
        // No window holds all three: the first holding the close pair wins.
        {"close pair and a far point",
         QList<KTFocusedRect>{point(0.05, 0.5, F), point(0.1, 0.5, F), point(0.9, 0.5, F)},
         {-20, 202.5, 200, 100}},
        {"unused points widen the union only",
         QList<KTFocusedRect>{point(0.5, 0.5, F), point(0.0, 0.0, KTFocusedRect::Other)},
         {405, 202.5, 200, 100}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const auto crop = KTFocusedRegionsStorage::focusedRegionCropRect(c.rects, {1000, 500});
        ASSERT_TRUE(crop);
        expectRectNear(*crop, c.crop);
    }
}

// A maker note listing 1,000 used points on a 24-megapixel image: a dense cluster and one
// point in each corner, so the points' union is the whole image and the window search is at its
// widest. No window holds two corners; the first holds the cluster and the lower-left corner.
// A raised cancel flag stops the search with no region.
TEST_F(KTFocusedRegionsStorageTest, ThousandAutofocusPointsFinishQuickly)
{
    const std::vector<CanonPoint> points = clusterAndCornersAFPoints();
    const QSize size(6000, 4000);
    const QString path = canonJpeg(points, 1, size.width(), size.height(), size);

    const auto storage = KTFocusedRegionsStorage::initWithImageAtPath(path);
    ASSERT_TRUE(storage->afRects());
    ASSERT_EQ(storage->afRects()->size(), 1000);
    ASSERT_TRUE(storage->focusedRegionImagesPyramid());
    EXPECT_EQ(storage->apropriateFocusedRegionOfSize({10000, 10000}).size(), QSize(1200, 800));

    // Centres with y upwards, in pixels: the lower-left corner and the cluster.
    QPointF sum(50, 50);
    for (std::size_t i = 4; i < points.size(); ++i)
        sum += QPointF(3000 + points[i].x, 2000 + points[i].y);
    const QPointF centre = sum / 997.0;
    const auto crop = KTFocusedRegionsStorage::focusedRegionCropRect(storage->afRects(), size);
    ASSERT_TRUE(crop);
    expectRectNear(*crop, QRectF(centre.x() - 600, centre.y() - 400, 1200, 800));

    EXPECT_FALSE(
        KTFocusedRegionsStorage::focusedRegionCropRect(storage->afRects(), size, [] { return true; }));
    const auto cancelled = KTFocusedRegionsStorage::initWithImageAtPath(path, [] { return true; });
    EXPECT_FALSE(cancelled->focusedRegionImagesPyramid());
}

// The counted search keeps exactly the window, and so the crop, that the full scan keeps: random
// point sets on small images, half of them on the pixel grid so that points fall on window edges.
TEST(KTFocusedRegionsStorageChecks, CountedSearchKeepsTheWindowOfTheFullScan)
{
    std::mt19937 random(33);
    const auto uniform = [&random](int below) { return int(random() % quint32(below)); };
    for (int trial = 0; trial < 400; ++trial) {
        const QSizeF size(20 + uniform(200), 20 + uniform(200));
        const bool onGrid = trial % 2 == 0;
        QList<KTFocusedRect> rects;
        const int count = 1 + uniform(12);
        for (int i = 0; i < count; ++i) {
            const auto fraction = [&](double side) {
                return onGrid ? uniform(int(side)) / side : uniform(1000000) / 1000000.0;
            };
            const double x = fraction(size.width()) * 0.9;
            const double y = fraction(size.height()) * 0.9;
            const double w = onGrid ? 2 * (1 + uniform(4)) / size.width() : 0.1 * fraction(size.width());
            const double h = onGrid ? 2 * (1 + uniform(4)) / size.height() : 0.1 * fraction(size.height());
            rects.append({{x, y, w, h}, KTFocusedRect::FocusState(uniform(3))});
        }
        SCOPED_TRACE(trial);
        const std::optional<QRectF> expected = fullScanCrop(rects, size);
        const std::optional<QRectF> actual = KTFocusedRegionsStorage::focusedRegionCropRect(rects, size);
        ASSERT_EQ(actual.has_value(), expected.has_value());
        if (expected) {
            EXPECT_EQ(actual->x(), expected->x());
            EXPECT_EQ(actual->y(), expected->y());
            EXPECT_EQ(actual->width(), expected->width());
            EXPECT_EQ(actual->height(), expected->height());
        }
    }
}

TEST_F(KTFocusedRegionsStorageTest, NoRegionImageWhenTheCropLeavesTheImageOrIsTooSmall)
{
    // A point in focus in the top-left corner.
    const QString corner = canonJpeg({{-270, 180, 60, 40, true, true}}, 1);
    const QString tiny = m_folder.filePath(QStringLiteral("tiny.jpg"));
    ASSERT_TRUE(writeJpegWithExif(tiny, {}, QSize(19, 19)));
    const QString broken = m_folder.filePath(QStringLiteral("broken.jpg"));
    QFile file(broken);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("not an image");
    file.close();

    const struct
    {
        QString path;
        bool hasRects;
        uint64_t version;
    } cases[] = {{corner, true, 26}, {tiny, false, 26}, {broken, false, 0}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        KTLogCapture log;
        const auto storage = KTFocusedRegionsStorage::initWithImageAtPath(c.path);
        EXPECT_EQ(storage->afRects().has_value(), c.hasRects);
        EXPECT_EQ(storage->storageVersion(), c.version);
        EXPECT_FALSE(storage->focusedRegionImagesPyramid());
        EXPECT_TRUE(log.contains(QStringLiteral("Can't extract focus region from %1").arg(c.path)));
    }
}

TEST_F(KTFocusedRegionsStorageTest, FileKeepsEveryFieldAndAnyVersion)
{
    const auto built = KTFocusedRegionsStorage::initWithImageAtPath(canonJpeg(kThreePoints, 1));
    const QString path = m_folder.filePath(QStringLiteral("storage"));
    ASSERT_TRUE(built->writeToFile(path));
    const auto read = KTFocusedRegionsStorage::storageWithContentsOfFile(path);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->storageVersion(), built->storageVersion());
    EXPECT_EQ(read->originalImageSize(), built->originalImageSize());
    EXPECT_EQ(read->afRects(), built->afRects());
    EXPECT_EQ(read->focusedRegionImagesPyramid(), built->focusedRegionImagesPyramid());

    QCborMap older;
    older.insert(QStringLiteral("KTFocusedRegionsStorageVersion"), 25);
    older.insert(QStringLiteral("KTFocusedRegionsStorageOriginalImageSize"), QCborArray({640.0, 480.0}));
    ASSERT_TRUE(KTCacheFile::write(path, older));
    const auto old = KTFocusedRegionsStorage::storageWithContentsOfFile(path);
    ASSERT_TRUE(old);
    EXPECT_EQ(old->storageVersion(), 25u);
    EXPECT_FALSE(old->afRects());
    EXPECT_TRUE(old->apropriateFocusedRegionOfSize({100, 100}).isNull());

    QCborMap entity;
    entity.insert(QStringLiteral("Version"), 1);
    ASSERT_TRUE(KTCacheFile::write(path, entity));
    EXPECT_FALSE(KTFocusedRegionsStorage::storageWithContentsOfFile(path));
    EXPECT_FALSE(
        KTFocusedRegionsStorage::storageWithContentsOfFile(m_folder.filePath(QStringLiteral("missing"))));
}

TEST_F(KTFocusedRegionsStorageTest, LatticePaintsEachPointByStateTheRightWayUp)
{
    const auto storage = KTFocusedRegionsStorage::initWithImageAtPath(canonJpeg(kThreePoints, 1));
    const QImage lattice = storage->apropriateFocusPointLatticeOfSize({100, 100});
    ASSERT_EQ(lattice.size(), QSize(100, 100));
    EXPECT_EQ(lattice.pixelColor(25, 50), QColor(Qt::green)); // "f", lower left
    EXPECT_EQ(lattice.pixelColor(50, 25), QColor(Qt::red));   // "F", upper middle
    EXPECT_EQ(lattice.pixelColor(75, 75), QColor(Qt::white)); // other, lower right
    EXPECT_EQ(lattice.pixelColor(5, 5).alpha(), 0);
}
