#pragma once

#include "KTDrawView.h"

#include <QPainterPath>

/// The selection mark laid over each image of the side-by-side comparison: a right triangle of
/// 50-pixel legs in the bottom-left corner, in the active compare colour on the selected image
/// and the inactive one on the other, and a 6-pixel grey frame inside the bounds of the
/// selected image. Clicks pass through to the image view below.
///
/// Threading: main thread only.
class KTImageSelectionView : public KTDrawView
{
    Q_OBJECT
public:
    static constexpr double kTriangleSize = 50.0;

    explicit KTImageSelectionView(QWidget *parent = nullptr);

    bool isSelected() const { return m_selected; }
    /// Recolours the triangle and shows or hides the frame; nothing when unchanged.
    void setSelected(bool selected);

    /// The triangle's colour now.
    QColor triangleColor() const;

    /// The triangle over `bounds` in y-up coordinates: (0, 0), (0, height), (width, 0).
    static QPainterPath trianglePathForBounds(const QRectF &bounds);

protected:
    void drawInRect(QPainter &painter, const QRectF &dirty) override;

private:
    bool m_selected = false;
};
