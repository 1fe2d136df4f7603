#pragma once

#include <QImage>
#include <QRectF>
#include <QSizeF>

class QPainter;

/// The free border around every thumbnail and overlay of a cell.
inline constexpr double kThumbnailMargin = 5.0;

/// Where a picture of `pictureSize` is drawn inside `bounds`: `margins` free on each side, the
/// smaller of the two axis scales (small pictures are enlarged), centred, then x, y, width and
/// height each rounded to the nearest integer, halves away from zero. The zero rectangle when the
/// picture has no area. Centring makes the rule the same with y up or y down.
QRectF thumbnailFitRect(const QSizeF &pictureSize, const QRectF &bounds,
                        const QSizeF &margins = {kThumbnailMargin, kThumbnailMargin});

/// The soft shadow of an opaque rectangle of `size` (logical pixels) with a Gaussian blur of
/// `blurRadius`: black whose alpha is the blurred coverage, on a transparent image `padding`
/// larger on every side, at `devicePixelRatio`. Images are cached by size, so the cells of one
/// grid share them and no paint computes one again.
///
/// Threading: main thread only (the cache is not locked).
QImage rectangleShadow(const QSizeF &size, double blurRadius, qreal devicePixelRatio);
/// The padding of rectangleShadow() for `blurRadius`.
double rectangleShadowPadding(double blurRadius);

/// Draws `picture` scaled into `frame` (logical, in the painter's coordinates; bilinear, opaque)
/// over its rectangleShadow() moved by `offset`, at the painter's device pixel ratio and
/// `opacity`. The scaled picture with its shadow is kept, by picture and size, in one cache for
/// every cell (a few pages of cells): a cell bound again to a thumbnail it showed before never
/// scales it again, and an opaque thumbnail costs one blend per paint. The cache is emptied when a
/// session is cleared.
///
/// Threading: main thread only (the cache is not locked).
void drawThumbnailWithShadow(QPainter &painter, const QImage &picture, const QRectF &frame, double blurRadius,
                             const QPointF &offset, double opacity);
/// The bytes the scaled thumbnails of drawThumbnailWithShadow() keep now (whole kilobytes).
qsizetype cachedThumbnailsBytes();
