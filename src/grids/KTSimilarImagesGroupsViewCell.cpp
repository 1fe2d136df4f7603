#include "KTSimilarImagesGroupsViewCell.h"

#include "KTColor.h"
#include "KTFont.h"

#include <QFontMetricsF>
#include <QPainter>

KTSimilarImagesGroupsViewCell::KTSimilarImagesGroupsViewCell(QWidget *parent)
    : KTImagesGroupsViewCell(parent), m_titleColor(ktColor(105, 103, 96)),
      m_titleFont(ktFont(QStringLiteral("Helvetica"), m_titleFontSize))
{
    setRowLayout(similarLayout());
}

KTGroupRowLayout KTSimilarImagesGroupsViewCell::similarLayout()
{
    KTGroupRowLayout layout;
    layout.leftMargin = 100;
    layout.rightMargin = 100;
    return layout;
}

void KTSimilarImagesGroupsViewCell::setTitleFontSize(double size)
{
    m_titleFontSize = size;
    m_titleFont = ktFont(QStringLiteral("Helvetica"), size);
}

QRectF KTSimilarImagesGroupsViewCell::frameForCellAtIndex(qsizetype index) const
{
    return gridGeometry().centredLastLineFrameForCellAtIndex(index, width(), height());
}

std::vector<qsizetype>
KTSimilarImagesGroupsViewCell::indexesOfCellsThatIntersectRect(const QRectF &rect) const
{
    // A group holds few images: every frame is tested, so the centred line is matched exactly.
    std::vector<qsizetype> indexes;
    for (qsizetype index = 0; index < numberOfCells(); ++index)
        if (frameForCellAtIndex(index).intersects(rect))
            indexes.push_back(index);
    return indexes;
}

void KTSimilarImagesGroupsViewCell::drawInRect(QPainter &painter, const QRectF &dirty)
{
    KTImagesGroupsViewCell::drawInRect(painter, dirty);
    // The number's line sits with its lower edge titleFontSize + titleOffset.y below the top.
    const QString title = QString::number(qulonglong(groupIndex()) + 1);
    const QFontMetricsF metrics(m_titleFont);
    const double lineBottom = m_titleFontSize + m_titleOffset.y();
    painter.setFont(m_titleFont);
    painter.setPen(m_titleColor);
    painter.drawText(QRectF(m_titleOffset.x(), lineBottom - metrics.height(),
                            metrics.horizontalAdvance(title) + 2, metrics.height()),
                     Qt::AlignLeft | Qt::AlignBottom, title);
}
