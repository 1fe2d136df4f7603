#pragma once

#include "KTImagesGroupsViewCell.h"

#include <QFont>
#include <QPointF>
#include <QSizeF>

/// The row of the timeline: one time group with a wide left margin carrying the time axis. An
/// arrow shows the capture time of the group's first image ("H:mm"), dashed lines join the arrows
/// of one day into a vertical axis, a dashed line along the top separates groups of one day, and
/// the first group of a day carries a band with the day's date. The selection frames only the
/// thumbnails.
///
/// Threading: main thread only.
class KTTimeLineImagesGroupsCell : public KTImagesGroupsViewCell
{
    Q_OBJECT
public:
    explicit KTTimeLineImagesGroupsCell(QWidget *parent = nullptr);

    /// A 90-point left margin; the day band's room above the thumbnails when `showDaySection`.
    static KTGroupRowLayout timelineLayout(bool showDaySection);

    bool isShowDaySection() const { return m_showDaySection; }
    void setShowDaySection(bool show);
    bool isLastInDay() const { return m_lastInDay; }
    void setLastInDay(bool last) { m_lastInDay = last; }

    QPointF dateTitleOffset() const { return m_dateTitleOffset; }
    double dateTitleHeight() const { return m_dateTitleHeight; }
    QFont dateTitleFont() const { return m_dateTitleFont; }
    QColor dateTitleColor() const { return m_dateTitleColor; }
    QColor dateArrowColor() const { return m_dateArrowColor; }
    QSizeF dateArrowSize() const { return m_dateArrowSize; }
    QColor dashedLineColor() const { return m_dashedLineColor; }
    QPointF daySectionOffset() const { return m_daySectionOffset; }
    double daySectionHeight() const { return m_daySectionHeight; }
    double daySectionTextHeight() const { return m_daySectionTextHeight; }
    QFont daySectionFont() const { return m_daySectionFont; }

    /// The day band's room: 35 points with a band, else 0.
    static double additionalOffsetFor(bool showDaySection);
    /// The time title's origin (y up), for callers; the row's own drawing centres the time in
    /// its arrow.
    QPointF dateTitleDrawPoint() const;
    /// The thumbnails' grid grown by 2 points, whole points (y up).
    QRectF selectionRect() const override;
    /// The time of the first image ("H:mm", no leading zero), empty without a time stamp.
    QString timeTitle() const;
    /// The date of the first image in the long format of the locale, or "No Day".
    QString dayTitle() const;

protected:
    void drawInRect(QPainter &painter, const QRectF &dirty) override;
    void drawTimeArrow(QPainter &painter);

private:
    bool m_showDaySection = false;
    bool m_lastInDay = false;
    QPointF m_dateTitleOffset{10, 10};
    double m_dateTitleHeight = 14.0;
    QFont m_dateTitleFont;
    QColor m_dateTitleColor;
    QColor m_dateArrowColor;
    QSizeF m_dateArrowSize{50, 25};
    QColor m_dashedLineColor;
    QPointF m_daySectionOffset{10, 5};
    double m_daySectionHeight = 30.0;
    double m_daySectionTextHeight = 24.0;
    QFont m_daySectionFont;
    QColor m_daySectionForegroundColor;
    QColor m_daySectionBackgroundColor;
};
