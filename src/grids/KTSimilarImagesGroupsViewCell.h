#pragma once

#include "KTImagesGroupsViewCell.h"

#include <QFont>
#include <QPointF>

/// The row of the similar-groups list: wide side margins, the group's number (from 1) at the top
/// of the left margin, and the last (or only) line of thumbnails centred.
///
/// Threading: main thread only.
class KTSimilarImagesGroupsViewCell : public KTImagesGroupsViewCell
{
    Q_OBJECT
public:
    explicit KTSimilarImagesGroupsViewCell(QWidget *parent = nullptr);

    /// Margins of 100 points at the sides.
    static KTGroupRowLayout similarLayout();

    QColor titleColor() const { return m_titleColor; }
    void setTitleColor(const QColor &color) { m_titleColor = color; }
    double titleFontSize() const { return m_titleFontSize; }
    void setTitleFontSize(double size);
    QFont titleFont() const { return m_titleFont; }
    void setTitleFont(const QFont &font) { m_titleFont = font; }
    QPointF titleOffset() const { return m_titleOffset; }
    void setTitleOffset(const QPointF &offset) { m_titleOffset = offset; }

    QRectF frameForCellAtIndex(qsizetype index) const override;
    std::vector<qsizetype> indexesOfCellsThatIntersectRect(const QRectF &rect) const override;

protected:
    void drawInRect(QPainter &painter, const QRectF &dirty) override;

private:
    QColor m_titleColor;
    double m_titleFontSize = 24.0;
    QFont m_titleFont;
    QPointF m_titleOffset{10, 10};
};
