#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPointF>
#include <QSizeF>
#include <QString>

#include <optional>

// The compositions of KTButton's bitmaps: each takes an image and returns a new one (or the input
// itself when there is nothing to add). Geometry is y-up inside the image, as the button screens
// give it; the result keeps the input's device pixel ratio.

/// Bits of a title layout.
enum KTTitleLayout
{
    KTTitleCentredHorizontally = 1,
    KTTitleCentredVertically = 2,
};

/// The title over `image` at `offset` (bit 1 centres it horizontally, bit 2 vertically in the
/// band above offset.y). Without a font: the system font at 13; without a colour: black. With
/// `shadow`, a soft black shadow below the text. Null for a null image; the input for an empty title.
QImage imageByAddingTitle(const QString &title, const QImage &image, int layout,
                          const std::optional<QFont> &font, const QColor &color, const QPointF &offset,
                          bool shadow);

/// Title and subtitle near the top of `image`: both in the font's family at their sizes (0 means
/// 12), always with a shadow; only layout bit 1 and offset.x take part. A font family named
/// "BebasNeue" sets the lines higher (half their height).
QImage imageByAddingTitleAndSubtitle(const QString &title, const QString &subtitle, const QImage &image,
                                     int layout, const std::optional<QFont> &font, double titleFontSize,
                                     double subtitleFontSize, const QColor &color, const QPointF &offset);

/// A result of `bounds` holding `image` centred horizontally and aligned to the top, with an
/// orange-red badge of `badge` at `position` (its bottom-left corner), pulled inside so that it
/// stays 2 from the right and top edges. Null for a null image; the input for an empty badge.
QImage imageByAddingBadge(const QString &badge, const QImage &image, const QPointF &position,
                          const QSizeF &bounds);

/// The size of the badge picture for `badge`.
QSizeF badgeSize(const QString &badge);
