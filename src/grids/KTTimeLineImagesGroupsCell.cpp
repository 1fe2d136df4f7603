#include "KTTimeLineImagesGroupsCell.h"

#include "KTFont.h"
#include "KTImageMO.h"
#include "KTLocalization.h"

#include <QFontMetricsF>
#include <QLocale>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace {

constexpr double kDaySectionOffsetY = 5;
constexpr double kDaySectionHeight = 30;

} // namespace

KTTimeLineImagesGroupsCell::KTTimeLineImagesGroupsCell(QWidget *parent)
    : KTImagesGroupsViewCell(parent), m_dateTitleFont(ktFont(QStringLiteral("Helvetica"), 14.0)),
      m_dateTitleColor(100, 100, 100), m_dateArrowColor(30, 30, 30), m_dashedLineColor(2, 2, 2),
      m_daySectionFont(ktFont(QStringLiteral("Helvetica"), 24.0)), m_daySectionForegroundColor(100, 100, 100),
      m_daySectionBackgroundColor(30, 30, 30)
{
    setRowLayout(timelineLayout(false));
}

double KTTimeLineImagesGroupsCell::additionalOffsetFor(bool showDaySection)
{
    return showDaySection ? kDaySectionOffsetY + kDaySectionHeight : 0;
}

KTGroupRowLayout KTTimeLineImagesGroupsCell::timelineLayout(bool showDaySection)
{
    KTGroupRowLayout layout;
    layout.leftMargin = 90;
    layout.additionalOffset = additionalOffsetFor(showDaySection);
    return layout;
}

void KTTimeLineImagesGroupsCell::setShowDaySection(bool show)
{
    m_showDaySection = show;
    KTGroupRowLayout layout = rowLayout();
    layout.additionalOffset = additionalOffsetFor(show);
    setRowLayout(layout);
}

QPointF KTTimeLineImagesGroupsCell::dateTitleDrawPoint() const
{
    return {m_dateTitleOffset.x(), height() - m_dateTitleOffset.y() - m_dateTitleHeight - additionalOffset()};
}

QRectF KTTimeLineImagesGroupsCell::selectionRect() const
{
    const qsizetype rows = numberOfRows();
    const qsizetype columns = numberOfColumns();
    if (rows * columns == 0)
        return {};
    const QRectF first = frameForCellAtIndex(0);
    const QRectF last = frameForCellAtIndex(rows * columns - 1);
    const QRectF frame(first.left(), last.top(), last.right() - first.left(), first.bottom() - last.top());
    return KTGridGeometry::roundRect(frame.adjusted(-2, -2, 2, 2));
}

QString KTTimeLineImagesGroupsCell::timeTitle() const
{
    const KTImageMO *first = images().value(0);
    if (!first || !first->timeStamp().isValid())
        return {};
    return first->timeStamp().toLocalTime().toString(QStringLiteral("H:mm"));
}

QString KTTimeLineImagesGroupsCell::dayTitle() const
{
    const KTImageMO *first = images().value(0);
    if (!first || !first->timeStamp().isValid())
        return ktLocalizedString(QStringLiteral("No Day"));
    return QLocale().toString(first->timeStamp().toLocalTime().date(), QLocale::LongFormat);
}

void KTTimeLineImagesGroupsCell::drawTimeArrow(QPainter &painter)
{
    const QString time = timeTitle();
    if (time.isEmpty())
        return;
    // Described with y up: `up` turns a point into Qt's coordinates; points are floored first.
    const double h = height();
    const auto up = [h](double x, double y) { return QPointF(std::floor(x), h - std::floor(y)); };
    const QRectF b(0, 0, width(), height());
    const QRectF f0 = frameForCellAtIndex(0);
    const double aw = m_dateArrowSize.width();
    const double ah = m_dateArrowSize.height();
    const double cx = (b.left() + f0.left()) / 2;
    const double cy = f0.top() + f0.height() / 2;

    QPen dashed(m_dashedLineColor, 1.0);
    dashed.setDashPattern({2, 5});
    painter.setPen(dashed);
    painter.setBrush(Qt::NoBrush);
    QPainterPath upper;
    const double axisTop = b.bottom() - 1 - additionalOffset();
    upper.moveTo(up(cx, cy + ah / 2));
    upper.lineTo(up(cx, axisTop));
    if (!m_showDaySection)
        upper.lineTo(up(b.right(), axisTop));
    painter.drawPath(upper);
    if (!m_lastInDay) {
        QPainterPath lower;
        lower.moveTo(up(cx, cy - ah / 2));
        lower.lineTo(up(cx, b.top()));
        painter.drawPath(lower);
    }

    QPainterPath arrow;
    arrow.moveTo(up(cx - aw / 2, cy - ah / 2));
    arrow.lineTo(up(cx - aw / 2, cy + ah / 2));
    arrow.lineTo(up(cx + aw / 2, cy + ah / 2));
    arrow.lineTo(up(cx + aw / 2 + ah / 2, cy));
    arrow.lineTo(up(cx + aw / 2, cy - ah / 2));
    arrow.closeSubpath();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(arrow, m_dateArrowColor);

    const QFontMetricsF metrics(m_dateTitleFont);
    const QSizeF text(metrics.horizontalAdvance(time), metrics.height());
    const QPointF origin = up(cx - text.width() / 2 + 2, cy - text.height() / 2);
    painter.setFont(m_dateTitleFont);
    painter.setPen(m_dateTitleColor);
    painter.drawText(QRectF(QPointF(origin.x(), origin.y() - text.height()), text), Qt::AlignCenter, time);
}

void KTTimeLineImagesGroupsCell::drawInRect(QPainter &painter, const QRectF &dirty)
{
    painter.save();
    drawTimeArrow(painter);
    painter.restore();
    KTImagesGroupsViewCell::drawInRect(painter, dirty);
    if (!m_showDaySection)
        return;
    // The band lies daySectionOffset.y below the top edge.
    const double bandTop = m_daySectionOffset.y() - 0.5;
    painter.fillRect(QRectF(0, bandTop, width(), m_daySectionHeight), m_daySectionBackgroundColor);
    const QString title = dayTitle();
    const QFontMetricsF metrics(m_daySectionFont);
    const double lineBottom =
        m_daySectionOffset.y() + std::floor(m_daySectionHeight / 2 + m_daySectionTextHeight / 2) + 1;
    painter.setFont(m_daySectionFont);
    painter.setPen(m_daySectionForegroundColor);
    painter.drawText(QRectF(m_daySectionOffset.x(), lineBottom - metrics.height(), width(), metrics.height()),
                     Qt::AlignLeft | Qt::AlignBottom, title);
}
