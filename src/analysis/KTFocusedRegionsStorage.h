#pragma once

#include "KTFocusedRect.h"

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QSizeF>
#include <QString>
#include <QVariantMap>

#include <functional>
#include <memory>
#include <optional>

/// What is known of where one photo was focused: the camera's autofocus rectangles with their
/// states, the size of the decoded image they refer to, and an image of the focused region (a
/// crop of a fifth of each side around the points marked "F" or "f", else the centre). Built
/// once per image, written to its file in the "FocusedRegions" folder and read back from there.
///
/// Geometry: rectangles are kept with y upwards, as the metadata gives them; imageRectFromRect
/// is the one place where they meet the y-down images of Qt.
///
/// Files: a KTCacheFile map with the keys "KTFocusedRegionsStorageVersion",
/// "KTFocusedRegionsStorageOriginalImageSize", "KTFocusedRegionsFocusedRectsArchiveKey" (absent
/// without rectangles) and "KTFocusedRegionsFocusedRegionImagesPyramidArchiveKey" (absent without
/// region images); any version number is read as it stands.
///
/// Threading: building, writing and reading may run on any thread; a storage is not changed
/// once built or read, so it may then be shared with the main thread.
class KTFocusedRegionsStorage
{
public:
    /// The version of a storage built from a decoded image; 0 means the image did not decode.
    static constexpr uint64_t kStorageVersion = 26;

    /// Builds the storage of the image file. Never fails outright: when the image cannot be
    /// decoded or no region can be cut, "Can't extract focus region from <path>" is logged and
    /// the storage keeps what it has (version 0, or no region images). Decodes the image at
    /// full size: blocks, never on the main thread. `isCancelled`, when given, is polled between
    /// the steps and during the region search; once it returns true the build stops quietly and
    /// the storage has no region images.
    static std::shared_ptr<KTFocusedRegionsStorage>
    initWithImageAtPath(const QString &path, const std::function<bool()> &isCancelled = {});
    /// The storage of a file written by writeToFile; null when the file is missing, unreadable
    /// or holds no storage.
    static std::shared_ptr<KTFocusedRegionsStorage> storageWithContentsOfFile(const QString &path);
    /// Writes atomically; false when it could not.
    bool writeToFile(const QString &path) const;

    uint64_t storageVersion() const { return m_storageVersion; }
    QSizeF originalImageSize() const { return m_originalImageSize; }
    /// In metadata order; nullopt when the metadata has none or they fail the range check.
    const std::optional<QList<KTFocusedRect>> &afRects() const { return m_afRects; }
    /// JPEG data, largest first; nullopt without a region image.
    const std::optional<QList<QByteArray>> &focusedRegionImagesPyramid() const
    {
        return m_focusedRegionImagesPyramid;
    }

    /// The first level whose width and height are both below `size`, else the last; null
    /// without levels.
    QImage apropriateFocusedRegionOfSize(QSizeF size) const;
    /// A transparent image of `size` with every rectangle filled, in metadata order: green for
    /// "f", red for "F", white for the others.
    QImage apropriateFocusPointLatticeOfSize(QSizeF size) const;

    // The building steps, each usable alone.

    /// The rectangles of the metadata's "{ExifAux}" "AFInfo" groups, remapped for the top-level
    /// "Orientation" 6 or 8. Nullopt without "AFInfo" or when checkAfValues refuses it.
    static std::optional<QList<KTFocusedRect>> focusedRectsFromMetadata(const QVariantMap &metadata);
    /// True when every group's x, y, width and height lie in 0 to 1 (a short first group's
    /// missing values count as 0). One bad group refuses them all: metadata is untrusted and
    /// the region search runs over the union of all groups.
    static bool checkAfValues(const QVariantList &values);
    /// The crop around the used points (states "F" and "f"; the first 4096 of them), in pixels
    /// of an image of `size` with y upwards; the centred crop without used points; nullopt when
    /// no window over the points' union holds one, or when `isCancelled` returned true. Not yet
    /// rounded or checked against the image. The search costs about the number of window
    /// positions, (0.2 x the union's width) x (0.2 x its height), whatever the number of points.
    static std::optional<QRectF> focusedRegionCropRect(const std::optional<QList<KTFocusedRect>> &rects,
                                                       QSizeF size,
                                                       const std::function<bool()> &isCancelled = {});
    /// `rect` (y upwards, in pixels of an image `imageHeight` high) as a Qt image rectangle
    /// (y downwards).
    static QRectF imageRectFromRect(const QRectF &rect, double imageHeight);
    /// x and width times the width of `size`, y and height times its height.
    static QRectF rectToScaledRect(const QRectF &rect, QSizeF size);

private:
    void initializeWithFilePath(const QString &path, const std::function<bool()> &isCancelled);
    std::optional<QList<QByteArray>>
    focusedRegionImagesPyramidFromImage(const QImage &image, const std::function<bool()> &isCancelled) const;

    uint64_t m_storageVersion = 0;
    QSizeF m_originalImageSize;
    std::optional<QList<KTFocusedRect>> m_afRects;
    std::optional<QList<QByteArray>> m_focusedRegionImagesPyramid;
};
