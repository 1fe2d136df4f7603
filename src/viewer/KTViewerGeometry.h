#pragma once

#include "KTVisibleGeometry.h"

#include <QPointF>
#include <QRectF>
#include <QSizeF>

#include <optional>

/// Where a viewer shows its image: the view's size, the image's size (one point per image pixel
/// before zooming), and the container that holds the image, placed by a uniform scale, an
/// anchor point (unit coordinates of the image) and a position (view coordinates of the anchor).
/// Every rule of zoom, pan, clamp, geometry sync and button placement lives here, in the view's
/// own coordinates with y growing upwards; the widget converts once, with toQt / fromQt.
///
/// The container's frame F has size (image width x s, image height x s) and origin
/// position - (anchor.x x image width x s, anchor.y x image height x s).
///
/// No operation lets a non-finite value in: a scale about a point, an anchor or a geometry
/// record that would need a division by an empty size leaves the geometry as it was.
///
/// Threading: a plain value.
class KTViewerGeometry
{
public:
    /// Margin on each side of a fitted image, in points.
    static constexpr double kFitMargin = 18.0;
    /// How far inside the view an overflowing image's edge may be dragged, in points.
    static constexpr double kEdgeMargin = 18.0;
    /// One zoom step: the square root of 2.
    static constexpr double kZoomStep = 1.4142135623730951;
    /// The largest target of a step, a pinch or a geometry record (a layer scale); the applied
    /// scale is at most this over the backing scale (3200 %).
    static constexpr double kLargestScale = 32.0;
    /// The smallest scale a shrinking pinch reaches (unless the fit scale is smaller).
    static constexpr double kPinchFloor = 0.15;
    /// Stepping out stops at this share of the fit scale.
    static constexpr double kZoomOutLanding = 0.9;
    /// Pinch magnifications of at most this size are ignored.
    static constexpr double kPinchDeadZone = 0.01;
    /// The fit scale never falls below this, so a view smaller than its margins never gives a
    /// zero or negative (mirroring) scale.
    static constexpr double kSmallestFitScale = 1e-3;
    /// The pick button sits this far in from the left edge of the visible image.
    static constexpr double kFlagButtonInset = 5.0;
    /// The reject button sits this far in from the right edge and up from the bottom edge.
    static constexpr double kRejectButtonInset = 5.0;
    static constexpr double kRejectButtonLift = 2.0;

    /// What a wheel event does.
    enum class WheelAction
    {
        Ignore,
        Pan,
        ZoomIn,
        ZoomOut,
    };

    KTViewerGeometry() = default;
    KTViewerGeometry(const QSizeF &viewSize, const QSizeF &imageSize, double backingScale = 1.0);

    QSizeF viewSize() const { return m_viewSize; }
    void setViewSize(const QSizeF &size) { m_viewSize = size; }
    /// The container's bounds: the image size in points, one point per image pixel.
    QSizeF imageSize() const { return m_imageSize; }
    /// Changes the container's bounds; the anchor and the position stay.
    void setImageSize(const QSizeF &size) { m_imageSize = size; }
    /// Device pixels per point.
    double backingScale() const { return m_backingScale; }
    void setBackingScale(double scale);

    double scale() const { return m_scale; }
    QPointF anchorPoint() const { return m_anchorPoint; }
    QPointF position() const { return m_position; }
    void setPosition(const QPointF &position);

    QRectF viewBounds() const { return {QPointF(), m_viewSize}; }
    QPointF viewCenter() const { return viewBounds().center(); }
    /// The container's frame in view coordinates.
    QRectF containerFrame() const;
    static QRectF frameFor(const QPointF &position, double scale, const QPointF &anchorPoint,
                           const QSizeF &bounds);
    /// True when the image covers nothing.
    bool isEmpty() const { return containerFrame().isEmpty(); }

    // Zoom.

    /// min((W - 36) / w, (H - 36) / h), at least kSmallestFitScale; 1 for an image of no size.
    double fitScale() const;
    /// The largest scale setScale applies: 32 over the backing scale.
    double largestAppliedScale() const { return kLargestScale / m_backingScale; }
    /// The scale that shows one image pixel per device pixel.
    double actualSizeScale() const { return 1.0 / m_backingScale; }
    /// The scale of a zoom factor (1.0 = 100 %).
    double scaleForFactor(double factor) const { return factor / m_backingScale; }
    /// Layer scale x backing scale x 100.
    double zoomPercent() const { return m_scale * m_backingScale * 100.0; }
    /// The pinch floor: the fit scale when it is below 0.15, else 0.15.
    double minScale() const;
    /// min(32, s x sqrt 2); nothing when that equals the current scale.
    std::optional<double> zoomInTarget() const;
    /// s / sqrt 2, or 0.9 x fit when fit is larger; nothing when that equals the current scale.
    std::optional<double> zoomOutTarget() const;
    /// min(32, s + m), floored at minScale() when a shrinking pinch goes below 0.15; nothing
    /// when |m| is within the dead zone or the target equals the current scale.
    std::optional<double> pinchTarget(float magnification) const;
    /// What a double click does: true to fit, false to go to actual size. It fits when the view
    /// is not in fit mode and the image, at one point per pixel, does not lie within the view.
    bool doubleClickFits(bool fitMode) const;
    /// A trackpad (precise deltas) pans unless the zoom modifier is held; otherwise a vertical
    /// delta steps in (up) or out (down), except during momentum scrolling.
    static WheelAction wheelAction(bool hasPreciseDeltas, bool zoomModifier, double deltaY, bool momentum);

    /// Sets the scale about the anchor point, limited to largestAppliedScale(); there is no lower
    /// limit here. A non-finite or non-positive scale is ignored.
    void setScale(double scale);
    /// Moves the anchor to the unit point `anchor` without moving the image. Ignored (false)
    /// for an image of no size or a non-finite point.
    bool setAnchorPoint(const QPointF &anchor);
    /// The unit point of the image under `viewPoint`; nothing while the container's frame is
    /// empty (the division would give NaN).
    std::optional<QPointF> unitPointAtViewPoint(const QPointF &viewPoint) const;
    /// Moves the anchor under `viewPoint` (the image stays) and sets the scale, so the image
    /// point under the view point stays under it. With an empty frame the anchor stays.
    void scaleAboutViewPoint(double scale, const QPointF &viewPoint);
    /// Fit scale, then the clamp (which centres the fitted image).
    void fit();

    // Pan.

    /// The clamp rule: per axis, an image narrower than the view is centred; an image at least
    /// as large as the view keeps at most 18 points of gap at either edge (right and top tested
    /// first). Returns the clamped position for those placement values.
    QPointF adjustedPosition(const QPointF &position, double scale, const QPointF &anchorPoint,
                             const QSizeF &bounds) const;
    /// Clamps the current position; true when it moved.
    bool adjustPosition();
    /// Pans by `vector`, then clamps.
    void moveBy(const QPointF &vector);
    /// Per axis, for an image larger than the view: the gap at the near edge (left or bottom
    /// positive, right or top negative), else 0.
    QPointF layerOffset() const;

    // Geometry sync.

    /// The visible-geometry record of this placement (didAnimate false).
    KTVisibleGeometry geometryInfo() const;
    /// Shows the record's part of this image: scale min(32, sqrt(view area / (part x image
    /// area))), the record's anchor moved to the clamped view centre. A record with no part, or
    /// one that would give a non-finite scale, changes nothing (false).
    bool adjustGeometry(const KTVisibleGeometry &geometry);

    // Buttons.

    /// The pick button's frame: 5 points in from the visible image's left edge, at its top.
    QRectF flagButtonFrame(const QSizeF &buttonSize) const;
    /// The reject button's frame: 5 points in from the visible image's right edge, 2 points up
    /// from its bottom.
    QRectF rejectButtonFrame(const QSizeF &buttonSize) const;

    // The widget edge: y down, origin at the top left.

    QRectF toQt(const QRectF &rect) const;
    QPointF toQt(const QPointF &point) const;
    QPointF fromQt(const QPointF &point) const { return toQt(point); }

private:
    QSizeF m_viewSize;
    QSizeF m_imageSize;
    double m_backingScale = 1.0;
    double m_scale = 1.0;
    QPointF m_anchorPoint{0.5, 0.5};
    QPointF m_position;
};
