#include "KTViewerGeometry.h"

#include <algorithm>
#include <cmath>

namespace {

bool isFinite(const QPointF &point)
{
    return std::isfinite(point.x()) && std::isfinite(point.y());
}

/// The clamp rule on one axis: the shift that keeps the frame [frameMin, frameMax] in the view
/// [viewMin, viewMax].
double clampShift(double viewMin, double viewMax, double frameMin, double frameMax)
{
    const double viewLength = viewMax - viewMin;
    const double frameLength = frameMax - frameMin;
    if (viewLength > frameLength)
        return viewMin + (viewLength - frameLength) / 2 - frameMin;
    if (viewMax - frameMax > KTViewerGeometry::kEdgeMargin)
        return (viewMax - KTViewerGeometry::kEdgeMargin) - frameMax;
    if (frameMin - viewMin > KTViewerGeometry::kEdgeMargin)
        return (viewMin + KTViewerGeometry::kEdgeMargin) - frameMin;
    return 0;
}

/// The gap at the near edge of a frame that overflows the view on one axis.
double edgeOffset(double viewMin, double viewMax, double frameMin, double frameMax)
{
    if (frameMax - frameMin <= viewMax - viewMin)
        return 0;
    if (frameMin > viewMin)
        return frameMin - viewMin;
    if (viewMax > frameMax)
        return frameMax - viewMax;
    return 0;
}

} // namespace

KTViewerGeometry::KTViewerGeometry(const QSizeF &viewSize, const QSizeF &imageSize, double backingScale)
    : m_viewSize(viewSize), m_imageSize(imageSize)
{
    setBackingScale(backingScale);
}

void KTViewerGeometry::setBackingScale(double scale)
{
    m_backingScale = std::isfinite(scale) && scale > 0 ? scale : 1.0;
}

void KTViewerGeometry::setPosition(const QPointF &position)
{
    if (isFinite(position))
        m_position = position;
}

QRectF KTViewerGeometry::containerFrame() const
{
    return frameFor(m_position, m_scale, m_anchorPoint, m_imageSize);
}

QRectF KTViewerGeometry::frameFor(const QPointF &position, double scale, const QPointF &anchorPoint,
                                  const QSizeF &bounds)
{
    const QSizeF size = bounds * scale;
    return {position - QPointF(anchorPoint.x() * size.width(), anchorPoint.y() * size.height()), size};
}

double KTViewerGeometry::fitScale() const
{
    if (m_imageSize.isEmpty())
        return 1.0;
    const double fit = std::min((m_viewSize.width() - 2 * kFitMargin) / m_imageSize.width(),
                                (m_viewSize.height() - 2 * kFitMargin) / m_imageSize.height());
    return std::isfinite(fit) ? std::max(fit, kSmallestFitScale) : 1.0;
}

double KTViewerGeometry::minScale() const
{
    const double fit = fitScale();
    return fit < kPinchFloor ? fit : kPinchFloor;
}

std::optional<double> KTViewerGeometry::zoomInTarget() const
{
    const double target = std::min(kLargestScale, m_scale * kZoomStep);
    return target == m_scale ? std::nullopt : std::optional(target);
}

std::optional<double> KTViewerGeometry::zoomOutTarget() const
{
    double target = m_scale / kZoomStep;
    const double fit = fitScale();
    if (fit > target)
        target = kZoomOutLanding * fit;
    return target == m_scale ? std::nullopt : std::optional(target);
}

std::optional<double> KTViewerGeometry::pinchTarget(float magnification) const
{
    if (!(std::fabs(magnification) > kPinchDeadZone))
        return std::nullopt;
    double target = std::min(kLargestScale, m_scale + double(magnification));
    if (target < kPinchFloor && magnification < 0)
        target = minScale();
    return target;
}

bool KTViewerGeometry::doubleClickFits(bool fitMode) const
{
    const bool imageWithinView =
        m_imageSize.width() <= m_viewSize.width() && m_imageSize.height() <= m_viewSize.height();
    return !fitMode && !imageWithinView;
}

KTViewerGeometry::WheelAction KTViewerGeometry::wheelAction(bool hasPreciseDeltas, bool zoomModifier,
                                                            double deltaY, bool momentum)
{
    if (hasPreciseDeltas && !zoomModifier)
        return WheelAction::Pan;
    if (deltaY == 0 || momentum)
        return WheelAction::Ignore;
    return deltaY > 0 ? WheelAction::ZoomIn : WheelAction::ZoomOut;
}

void KTViewerGeometry::setScale(double scale)
{
    if (std::isfinite(scale) && scale > 0)
        m_scale = std::min(largestAppliedScale(), scale);
}

bool KTViewerGeometry::setAnchorPoint(const QPointF &anchor)
{
    if (m_imageSize.isEmpty() || !isFinite(anchor))
        return false;
    const QRectF frame = containerFrame();
    const QPointF converted =
        frame.topLeft() + QPointF(anchor.x() * frame.width(), anchor.y() * frame.height());
    m_anchorPoint = anchor;
    m_position = converted;
    return true;
}

std::optional<QPointF> KTViewerGeometry::unitPointAtViewPoint(const QPointF &viewPoint) const
{
    const QRectF frame = containerFrame();
    if (frame.isEmpty() || !isFinite(viewPoint))
        return std::nullopt;
    return QPointF((viewPoint.x() - frame.x()) / frame.width(), (viewPoint.y() - frame.y()) / frame.height());
}

void KTViewerGeometry::scaleAboutViewPoint(double scale, const QPointF &viewPoint)
{
    if (const auto unit = unitPointAtViewPoint(viewPoint))
        setAnchorPoint(*unit);
    setScale(scale);
}

void KTViewerGeometry::fit()
{
    setScale(fitScale());
    adjustPosition();
}

QPointF KTViewerGeometry::adjustedPosition(const QPointF &position, double scale, const QPointF &anchorPoint,
                                           const QSizeF &bounds) const
{
    const QRectF frame = frameFor(position, scale, anchorPoint, bounds);
    const QRectF view = viewBounds();
    const double dx = clampShift(view.left(), view.right(), frame.left(), frame.right());
    const double dy = clampShift(view.top(), view.bottom(), frame.top(), frame.bottom());
    return position + QPointF(dx, dy);
}

bool KTViewerGeometry::adjustPosition()
{
    const QPointF clamped = adjustedPosition(m_position, m_scale, m_anchorPoint, m_imageSize);
    if (clamped == m_position || !isFinite(clamped))
        return false;
    m_position = clamped;
    return true;
}

void KTViewerGeometry::moveBy(const QPointF &vector)
{
    setPosition(m_position + vector);
    adjustPosition();
}

QPointF KTViewerGeometry::layerOffset() const
{
    const QRectF frame = containerFrame();
    const QRectF view = viewBounds();
    return {edgeOffset(view.left(), view.right(), frame.left(), frame.right()),
            edgeOffset(view.top(), view.bottom(), frame.top(), frame.bottom())};
}

KTVisibleGeometry KTViewerGeometry::geometryInfo() const
{
    KTVisibleGeometry info;
    const QRectF frame = containerFrame();
    if (frame.isEmpty())
        return info;
    info.anchorPoint = *unitPointAtViewPoint(viewCenter());
    info.visiblePart = (m_viewSize.width() * m_viewSize.height()) / (frame.width() * frame.height());
    info.offset = layerOffset();
    return info;
}

bool KTViewerGeometry::adjustGeometry(const KTVisibleGeometry &geometry)
{
    const double part = geometry.visiblePart;
    if (!(part > 0) || m_imageSize.isEmpty() || !isFinite(geometry.anchorPoint))
        return false;
    const double viewArea = m_viewSize.width() * m_viewSize.height();
    const double imageArea = m_imageSize.width() * m_imageSize.height();
    const double scale = std::min(kLargestScale, std::sqrt(viewArea / (part * imageArea)));
    if (!std::isfinite(scale) || scale <= 0)
        return false;
    setAnchorPoint(geometry.anchorPoint);
    setPosition(adjustedPosition(viewCenter(), scale, geometry.anchorPoint, m_imageSize));
    if (m_scale != scale)
        setScale(scale);
    return true;
}

QRectF KTViewerGeometry::flagButtonFrame(const QSizeF &buttonSize) const
{
    const QRectF container = containerFrame();
    const double x = container.x() > 0 ? container.x() + kFlagButtonInset : kFlagButtonInset;
    const double y = std::min(container.bottom(), viewBounds().bottom()) - buttonSize.height();
    return {QPointF(x, y), buttonSize};
}

QRectF KTViewerGeometry::rejectButtonFrame(const QSizeF &buttonSize) const
{
    const QRectF container = containerFrame();
    const double width = m_viewSize.width();
    const double x = width >= container.right() ? container.right() - kRejectButtonInset - buttonSize.width()
                                                : width - kRejectButtonInset - buttonSize.width();
    const double y = container.y() > 0 ? container.y() + kRejectButtonLift : kRejectButtonLift;
    return {QPointF(x, y), buttonSize};
}

QRectF KTViewerGeometry::toQt(const QRectF &rect) const
{
    return {rect.x(), m_viewSize.height() - rect.y() - rect.height(), rect.width(), rect.height()};
}

QPointF KTViewerGeometry::toQt(const QPointF &point) const
{
    return {point.x(), m_viewSize.height() - point.y()};
}
