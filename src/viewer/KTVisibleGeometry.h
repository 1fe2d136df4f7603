#pragma once

#include <QPointF>
#include <QString>
#include <QVariantMap>

/// Posted by a viewer (as object) after every zoom command, pinch, wheel zoom, fit, drag step and
/// trackpad pan step, with its visible geometry as user info (KTVisibleGeometry::toUserInfo).
/// Never posted after applying another view's geometry, a resize or a new record, so two views
/// that follow each other never answer each other back.
inline const QString kVisibleGeometryDidChange = QStringLiteral("VisibleGeometryDidChange");

inline const QString kAnchorPointKey = QStringLiteral("AnchorPoint");
inline const QString kVisiblePartKey = QStringLiteral("VisiblePart");
inline const QString kOffsetKey = QStringLiteral("OffsetKey");
inline const QString kDidAnimatedKey = QStringLiteral("DidAnimated");

/// Which part of its image a viewer shows, independent of the image's pixel size, so that a
/// second viewer can show the same part of its own image: the unit point of the image under the
/// view's centre, and the ratio of the view's area to the shown image's area.
struct KTVisibleGeometry
{
    /// The unit point of the image (0 to 1 on each axis, y upwards) under the view's centre.
    QPointF anchorPoint;
    /// View area / shown image area: below 1 when the image overflows the view, 0 when the
    /// image has no area.
    double visiblePart = 0;
    /// Per axis, how far the near edge of an overflowing image lies inside the view; 0 on an
    /// axis where the image does not overflow. Only tells an empty record from a real one.
    QPointF offset;
    /// Whether the change that produced the record was animated (the follower animates too).
    bool didAnimate = false;

    /// A record of nothing: visible part 0, anchor point and offset (0, 0).
    bool isEmpty() const { return visiblePart == 0 && anchorPoint.isNull() && offset.isNull(); }

    /// The user info of kVisibleGeometryDidChange: points as QPointF, the part as a double, the
    /// flag as a bool.
    QVariantMap toUserInfo() const;
    /// Reads the keys of toUserInfo; a missing or unreadable value reads as 0 (NO).
    static KTVisibleGeometry fromUserInfo(const QVariantMap &userInfo);

    friend bool operator==(const KTVisibleGeometry &, const KTVisibleGeometry &) = default;
};
