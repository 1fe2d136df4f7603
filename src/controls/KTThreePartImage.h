#pragma once

#include <QImage>
#include <QRectF>
#include <QString>
#include <QStringList>

class QPainter;

/// The names of a three-part picture: left cap, stretched centre, right cap.
struct KTThreePartNames
{
    QString left;
    QString center;
    QString right;

    /// "<base>_left", "<base>_center", "<base>_right".
    static KTThreePartNames fromBase(const QString &base);
    /// Each name with `suffix` appended ("btn_left" -> "btn_left_on").
    KTThreePartNames withSuffix(const QString &suffix) const;
    bool isEmpty() const { return left.isEmpty() && center.isEmpty() && right.isEmpty(); }
    /// True when KTNamedImages knows all three.
    bool allExist() const;
};

/// Draws a horizontal three-part picture of named images over `rect`: the caps at their natural
/// width and the rectangle's height, the centre stretched over the rest. A part whose image is
/// missing draws nothing in its place (a missing cap takes no width).
void drawThreePartImage(QPainter &painter, const QRectF &rect, const KTThreePartNames &names,
                        qreal devicePixelRatio);

/// The three-part picture as an image of `size` (logical pixels) at `devicePixelRatio`.
QImage threePartImage(const KTThreePartNames &names, const QSizeF &size, qreal devicePixelRatio);
