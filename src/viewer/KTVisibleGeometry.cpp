#include "KTVisibleGeometry.h"

#include <cmath>

namespace {

QPointF finitePoint(const QVariant &value)
{
    const QPointF point = value.toPointF();
    return std::isfinite(point.x()) && std::isfinite(point.y()) ? point : QPointF();
}

} // namespace

QVariantMap KTVisibleGeometry::toUserInfo() const
{
    return {{kAnchorPointKey, anchorPoint},
            {kVisiblePartKey, visiblePart},
            {kOffsetKey, offset},
            {kDidAnimatedKey, didAnimate}};
}

KTVisibleGeometry KTVisibleGeometry::fromUserInfo(const QVariantMap &userInfo)
{
    KTVisibleGeometry geometry;
    geometry.anchorPoint = finitePoint(userInfo.value(kAnchorPointKey));
    const double part = userInfo.value(kVisiblePartKey).toDouble();
    geometry.visiblePart = std::isfinite(part) ? part : 0;
    geometry.offset = finitePoint(userInfo.value(kOffsetKey));
    geometry.didAnimate = userInfo.value(kDidAnimatedKey).toBool();
    return geometry;
}
