#include "KTFocusedRegionsStorage.h"

#include "KTAutofocusInfo.h"
#include "KTCacheFile.h"
#include "KTImageProperties.h"
#include "KTImageUtils.h"
#include "KTSaveNResize.h"

#include <QBuffer>
#include <QCborArray>
#include <QDebug>
#include <QImageReader>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

namespace {

const QString kAfInfoKey = QStringLiteral("AFInfo");
const QString kVersionKey = QStringLiteral("KTFocusedRegionsStorageVersion");
const QString kOriginalImageSizeKey = QStringLiteral("KTFocusedRegionsStorageOriginalImageSize");
const QString kFocusedRectsKey = QStringLiteral("KTFocusedRegionsFocusedRectsArchiveKey");
const QString kPyramidKey = QStringLiteral("KTFocusedRegionsFocusedRegionImagesPyramidArchiveKey");
const QString kRectKey = QStringLiteral("KTFocusedRectRect");
const QString kFocusStateKey = QStringLiteral("KTFocusedRectFocuseState");

constexpr int kPyramidLevels = 1;
// The cameras we read list at most a few hundred points (some bodies about a thousand areas):
// more comes from a damaged or hostile maker note and is not taken into account.
constexpr qsizetype kMaxUsedPoints = 4096;
constexpr int kJpegQuality = 50;

void logFailure(const QString &path)
{
    qWarning().noquote() << QStringLiteral("Can't extract focus region from %1").arg(path);
}

// Left and lower edges inside, right and upper edges outside.
bool pointInRect(const QPointF &point, const QRectF &rect)
{
    return point.x() >= rect.x() && point.x() < rect.x() + rect.width() && point.y() >= rect.y() &&
           point.y() < rect.y() + rect.height();
}

// The number of whole-unit positions from `start` (a whole number) while below `end`.
qint64 positionCount(double start, double end)
{
    if (!(end > start))
        return 0;
    auto count = qint64(std::ceil(end - start));
    // The subtraction may round; the loop's own comparison decides.
    while (count > 0 && !(start + double(count - 1) < end))
        --count;
    while (start + double(count) < end)
        ++count;
    return count;
}

// The positions k (0 to count - 1) of the windows [start + k, start + k + length) that hold
// `value`, as the first and last; empty when the first is above the last. The bounds are those
// of pointInRect, floating-point rounding included.
std::pair<qint64, qint64> windowsHolding(double value, double start, double length, qint64 count)
{
    // Estimates from one subtraction each, then settled by the comparisons themselves.
    auto last = std::min(count - 1, qint64(std::floor(value - start)));
    while (last >= 0 && !(value >= start + double(last)))
        --last;
    while (last + 1 < count && value >= start + double(last + 1))
        ++last;
    auto first = std::max<qint64>(0, qint64(std::floor(value - length - start)) + 1);
    while (first > 0 && value < start + double(first - 1) + length)
        --first;
    while (first <= last && !(value < start + double(first) + length))
        ++first;
    return {first, last};
}

// The smallest rectangle holding both, also when one has no area (QRectF::united skips those).
QRectF rectFromRect(const QRectF &a, const QRectF &b)
{
    const double left = std::min(a.x(), b.x());
    const double bottom = std::min(a.y(), b.y());
    const double right = std::max(a.x() + a.width(), b.x() + b.width());
    const double top = std::max(a.y() + a.height(), b.y() + b.height());
    return {left, bottom, right - left, top - bottom};
}

QCborArray numbers(std::initializer_list<double> values)
{
    QCborArray array;
    for (double value : values)
        array.append(value);
    return array;
}

std::optional<QList<double>> numbersOf(const QCborValue &value, qsizetype count)
{
    if (!value.isArray() || value.toArray().size() != count)
        return std::nullopt;
    QList<double> result;
    for (const QCborValue &element : value.toArray()) {
        if (!element.isDouble() && !element.isInteger())
            return std::nullopt;
        result.append(element.toDouble());
    }
    return result;
}

QByteArray jpegData(const QImage &image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "JPEG", kJpegQuality))
        return {};
    return bytes;
}

} // namespace

std::shared_ptr<KTFocusedRegionsStorage>
KTFocusedRegionsStorage::initWithImageAtPath(const QString &path, const std::function<bool()> &isCancelled)
{
    auto storage = std::make_shared<KTFocusedRegionsStorage>();
    storage->initializeWithFilePath(path, isCancelled);
    return storage;
}

void KTFocusedRegionsStorage::initializeWithFilePath(const QString &path,
                                                     const std::function<bool()> &isCancelled)
{
    QVariantMap metadata = KTImageUtils::metadataDictionaryFromPath(path);
    const QVariantList afInfo = KTAutofocusInfo::afInfoAtPath(path);
    if (!afInfo.isEmpty()) {
        QVariantMap aux = metadata.value(kImagePropertyExifAuxDictionary).toMap();
        aux.insert(kAfInfoKey, afInfo);
        metadata.insert(kImagePropertyExifAuxDictionary, aux);
    }
    m_afRects = focusedRectsFromMetadata(metadata);
    if (isCancelled && isCancelled())
        return;

    const QImage image = KTImageUtils::imageFromRawQuick(path);
    if (image.isNull()) {
        logFailure(path);
        return;
    }
    m_storageVersion = kStorageVersion;
    m_originalImageSize = image.size();
    if (image.width() == 0 || image.height() == 0) {
        logFailure(path);
        return;
    }
    m_focusedRegionImagesPyramid = focusedRegionImagesPyramidFromImage(image, isCancelled);
    if (!m_focusedRegionImagesPyramid && !(isCancelled && isCancelled()))
        logFailure(path);
}

std::optional<QList<KTFocusedRect>>
KTFocusedRegionsStorage::focusedRectsFromMetadata(const QVariantMap &metadata)
{
    const QVariantMap aux = metadata.value(kImagePropertyExifAuxDictionary).toMap();
    if (!aux.contains(kAfInfoKey))
        return std::nullopt;
    const QVariantList values = aux.value(kAfInfoKey).toList();
    if (!checkAfValues(values))
        return std::nullopt;
    const int orientation = metadata.value(kImagePropertyOrientation).toInt();

    QList<KTFocusedRect> rects;
    for (qsizetype group = 0; group + 5 <= values.size(); group += 5) {
        const double x = values.at(group).toDouble();
        const double y = values.at(group + 1).toDouble();
        const double w = values.at(group + 2).toDouble();
        const double h = values.at(group + 3).toDouble();
        QRectF rect(x, y, w, h);
        // Turns the rectangle with the image (y upwards): 6 is a quarter turn clockwise, 8 one
        // counter-clockwise.
        if (orientation == 6)
            rect = QRectF(y, 1 - w - x, h, w);
        else if (orientation == 8)
            rect = QRectF(1 - y - h, x, h, w);
        const QString mark = values.at(group + 4).toString();
        KTFocusedRect focused;
        focused.rect = rect;
        focused.focusState = mark == QLatin1String("F")   ? KTFocusedRect::InFocus
                             : mark == QLatin1String("f") ? KTFocusedRect::Selected
                                                          : KTFocusedRect::Other;
        rects.append(focused);
    }
    return rects;
}

bool KTFocusedRegionsStorage::checkAfValues(const QVariantList &values)
{
    const qsizetype groups = std::max<qsizetype>(1, values.size() / 5);
    for (qsizetype group = 0; group < groups; ++group) {
        for (qsizetype i = group * 5; i < group * 5 + 4; ++i) {
            const double value = i < values.size() ? values.at(i).toDouble() : 0.0;
            if (!(value >= 0.0 && value <= 1.0))
                return false;
        }
    }
    return true;
}

QRectF KTFocusedRegionsStorage::rectToScaledRect(const QRectF &rect, QSizeF size)
{
    return {rect.x() * size.width(), rect.y() * size.height(), rect.width() * size.width(),
            rect.height() * size.height()};
}

QRectF KTFocusedRegionsStorage::imageRectFromRect(const QRectF &rect, double imageHeight)
{
    return {rect.x(), imageHeight - rect.y() - rect.height(), rect.width(), rect.height()};
}

std::optional<QRectF>
KTFocusedRegionsStorage::focusedRegionCropRect(const std::optional<QList<KTFocusedRect>> &rects, QSizeF size,
                                               const std::function<bool()> &isCancelled)
{
    const double width = size.width();
    const double height = size.height();
    const double cropWidth = double(0.2f) * width;
    const double cropHeight = double(0.2f) * height;

    QRectF united;
    QList<QPointF> points;
    if (rects) {
        for (qsizetype i = 0; i < rects->size(); ++i) {
            const KTFocusedRect &focused = rects->at(i);
            const QRectF scaled = rectToScaledRect(focused.rect, size);
            united = i == 0 ? scaled : rectFromRect(united, scaled);
            if (focused.focusState != KTFocusedRect::Other && points.size() < kMaxUsedPoints)
                points.append(scaled.center());
        }
    }
    if (points.isEmpty())
        return QRectF((width - cropWidth) * 0.5, (height - cropHeight) * 0.5, cropWidth, cropHeight);
    if (isCancelled && isCancelled())
        return std::nullopt;

    // Widened by one unit, and kept inside the image so that the search stays bounded by the
    // image's own size.
    united = QRectF(united.x() - 1, united.y() - 1, united.width() + 2, united.height() + 2)
                 .intersected(QRectF(0, 0, width, height));

    // Slides a window of 0.8 of the union over it in whole units and keeps the first position,
    // rows from the bottom and left to right in each row, holding the most points.
    const double windowWidth = double(0.8f) * united.width();
    const double windowHeight = double(0.8f) * united.height();
    const double slide = double(1.0f - 0.8f);
    const double left = std::trunc(united.x());
    const double bottom = std::trunc(united.y());
    const qint64 columns = positionCount(left, united.x() + slide * united.width());
    const qint64 rows = positionCount(bottom, united.y() + slide * united.height());

    // A point lies inside the windows of one block of positions. Adding each block to a
    // difference row and summing along it counts every window of a row at once, and rows are
    // recounted only where a block starts or ends: the cost follows the number of positions,
    // never positions times points.
    struct Event
    {
        qint64 row;
        qint64 first, last; // columns
        int change;
    };
    std::vector<Event> events;
    events.reserve(std::size_t(points.size()) * 2);
    for (const QPointF &point : std::as_const(points)) {
        const auto [firstColumn, lastColumn] = windowsHolding(point.x(), left, windowWidth, columns);
        const auto [firstRow, lastRow] = windowsHolding(point.y(), bottom, windowHeight, rows);
        if (firstColumn > lastColumn || firstRow > lastRow)
            continue;
        events.push_back({firstRow, firstColumn, lastColumn, 1});
        events.push_back({lastRow + 1, firstColumn, lastColumn, -1});
    }
    std::sort(events.begin(), events.end(), [](const Event &a, const Event &b) { return a.row < b.row; });

    int best = 0;
    QRectF kept;
    std::vector<int> changes(std::size_t(columns) + 1, 0);
    for (std::size_t e = 0; e < events.size() && events[e].row < rows && best < points.size();) {
        if (isCancelled && isCancelled())
            return std::nullopt;
        const qint64 row = events[e].row;
        for (; e < events.size() && events[e].row == row; ++e) {
            changes[std::size_t(events[e].first)] += events[e].change;
            changes[std::size_t(events[e].last) + 1] -= events[e].change;
        }
        int count = 0;
        for (qint64 column = 0; column < columns; ++column) {
            count += changes[std::size_t(column)];
            if (count > best) {
                best = count;
                kept = QRectF(left + double(column), bottom + double(row), windowWidth, windowHeight);
            }
        }
    }
    if (best == 0)
        return std::nullopt;

    QPointF centre;
    for (const QPointF &point : std::as_const(points)) {
        if (pointInRect(point, kept))
            centre += point;
    }
    centre /= best;
    return QRectF(centre.x() - cropWidth * 0.5, centre.y() - cropHeight * 0.5, cropWidth, cropHeight);
}

std::optional<QList<QByteArray>>
KTFocusedRegionsStorage::focusedRegionImagesPyramidFromImage(const QImage &image,
                                                             const std::function<bool()> &isCancelled) const
{
    const QSizeF size = image.size();
    const std::optional<QRectF> crop = focusedRegionCropRect(m_afRects, size, isCancelled);
    if (!crop || crop->isNull() || crop->width() <= 4.0 || crop->height() <= 4.0)
        return std::nullopt;
    const QRectF rounded(std::round(crop->x()), std::round(crop->y()), std::round(crop->width()),
                         std::round(crop->height()));
    if (rounded.x() < 0 || rounded.y() < 0 || rounded.right() > size.width() ||
        rounded.bottom() > size.height())
        return std::nullopt;
    const QImage region = image.copy(imageRectFromRect(rounded, size.height()).toRect());

    QList<QByteArray> pyramid;
    for (int level = 1; level <= kPyramidLevels; ++level) {
        const QImage scaled =
            level == 1 ? region : KTSaveNResize::imageResize(region, QSizeF(region.size()) / double(level));
        const QByteArray data = jpegData(scaled);
        if (data.isEmpty())
            return std::nullopt;
        pyramid.append(data);
    }
    return pyramid;
}

QImage KTFocusedRegionsStorage::apropriateFocusedRegionOfSize(QSizeF size) const
{
    if (!m_focusedRegionImagesPyramid || m_focusedRegionImagesPyramid->isEmpty())
        return {};
    const QList<QByteArray> &levels = *m_focusedRegionImagesPyramid;
    for (const QByteArray &level : levels) {
        QBuffer buffer;
        buffer.setData(level);
        const QSize levelSize = QImageReader(&buffer, "JPEG").size();
        if (levelSize.width() < size.width() && levelSize.height() < size.height())
            return QImage::fromData(level, "JPEG");
    }
    return QImage::fromData(levels.last(), "JPEG");
}

QImage KTFocusedRegionsStorage::apropriateFocusPointLatticeOfSize(QSizeF size) const
{
    QImage lattice(size.toSize(), QImage::Format_ARGB32_Premultiplied);
    if (lattice.isNull())
        return lattice;
    lattice.fill(Qt::transparent);
    if (!m_afRects)
        return lattice;
    QPainter painter(&lattice);
    for (const KTFocusedRect &focused : *m_afRects) {
        const QColor colour = focused.focusState == KTFocusedRect::Selected  ? QColor(Qt::green)
                              : focused.focusState == KTFocusedRect::InFocus ? QColor(Qt::red)
                                                                             : QColor(Qt::white);
        painter.fillRect(imageRectFromRect(rectToScaledRect(focused.rect, size), size.height()), colour);
    }
    return lattice;
}

bool KTFocusedRegionsStorage::writeToFile(const QString &path) const
{
    QCborMap map;
    map.insert(kVersionKey, qint64(m_storageVersion));
    map.insert(kOriginalImageSizeKey, numbers({m_originalImageSize.width(), m_originalImageSize.height()}));
    if (m_afRects) {
        QCborArray rects;
        for (const KTFocusedRect &focused : *m_afRects) {
            QCborMap rect;
            rect.insert(kRectKey, numbers({focused.rect.x(), focused.rect.y(), focused.rect.width(),
                                           focused.rect.height()}));
            rect.insert(kFocusStateKey, qint64(focused.focusState));
            rects.append(rect);
        }
        map.insert(kFocusedRectsKey, rects);
    }
    if (m_focusedRegionImagesPyramid) {
        QCborArray levels;
        for (const QByteArray &level : *m_focusedRegionImagesPyramid)
            levels.append(level);
        map.insert(kPyramidKey, levels);
    }
    return KTCacheFile::write(path, map);
}

std::shared_ptr<KTFocusedRegionsStorage>
KTFocusedRegionsStorage::storageWithContentsOfFile(const QString &path)
{
    const std::optional<QCborMap> map = KTCacheFile::read(path);
    if (!map || !map->value(kVersionKey).isInteger())
        return nullptr;
    auto storage = std::make_shared<KTFocusedRegionsStorage>();
    storage->m_storageVersion = uint64_t(map->value(kVersionKey).toInteger());
    const auto size = numbersOf(map->value(kOriginalImageSizeKey), 2);
    if (!size)
        return nullptr;
    storage->m_originalImageSize = QSizeF(size->at(0), size->at(1));

    if (map->contains(kFocusedRectsKey)) {
        const QCborValue rects = map->value(kFocusedRectsKey);
        if (!rects.isArray())
            return nullptr;
        QList<KTFocusedRect> list;
        for (const QCborValue &element : rects.toArray()) {
            const QCborMap rect = element.toMap();
            const auto values = numbersOf(rect.value(kRectKey), 4);
            const QCborValue state = rect.value(kFocusStateKey);
            if (!values || !state.isInteger())
                return nullptr;
            list.append({QRectF(values->at(0), values->at(1), values->at(2), values->at(3)),
                         uint64_t(state.toInteger())});
        }
        storage->m_afRects = list;
    }
    if (map->contains(kPyramidKey)) {
        const QCborValue levels = map->value(kPyramidKey);
        if (!levels.isArray())
            return nullptr;
        QList<QByteArray> list;
        for (const QCborValue &level : levels.toArray()) {
            if (!level.isByteArray())
                return nullptr;
            list.append(level.toByteArray());
        }
        storage->m_focusedRegionImagesPyramid = list;
    }
    return storage;
}
