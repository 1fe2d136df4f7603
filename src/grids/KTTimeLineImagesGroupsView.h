#pragma once

#include "KTImagesGroupsView.h"

#include <QDateTime>

#include <vector>

/// The group list of the timeline: rows with the time axis, a day band above the first group of
/// each day, and no border lines. Days are calendar dates in the local time zone: groups on
/// 5 March and 5 April are two days.
///
/// Threading: main thread only.
class KTTimeLineImagesGroupsView : public KTImagesGroupsView
{
    Q_OBJECT
public:
    using KTImagesGroupsView::KTImagesGroupsView;

    /// Whether group `index` opens a new day, and whether it is the last group of its day;
    /// neither for a group whose first image has no time stamp.
    bool showsDaySectionForGroupAtIndex(qsizetype index) const;
    bool isLastInDayGroupAtIndex(qsizetype index) const;
    /// Two time stamps fall on one day: the same date in the local calendar. An invalid stamp is
    /// on no day.
    static bool isSameDay(const QDateTime &a, const QDateTime &b);

    void reloadData() override;

protected:
    KTGrouppedImagesCellView *newCell() override;
    KTGroupRowLayout rowLayoutForGroupAtIndex(qsizetype index) const override;
    void prepareRow(KTGrouppedImagesCellView *row, qsizetype index) override;
    void resetCell(KTGrouppedImagesCellView *row) override;

private:
    std::vector<bool> m_showDaySection;
    std::vector<bool> m_lastInDay;
};
