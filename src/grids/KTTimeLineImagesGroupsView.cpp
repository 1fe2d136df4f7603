#include "KTTimeLineImagesGroupsView.h"

#include "KTImageMO.h"
#include "KTTimeLineImagesGroupsCell.h"

bool KTTimeLineImagesGroupsView::isSameDay(const QDateTime &a, const QDateTime &b)
{
    return a.isValid() && b.isValid() && a.toLocalTime().date() == b.toLocalTime().date();
}

void KTTimeLineImagesGroupsView::reloadData()
{
    // The day flags decide the rows' heights, so they are known before the rows are measured.
    const qsizetype groups = numberOfGroups();
    std::vector<QDateTime> firstStamps(static_cast<std::size_t>(groups));
    for (qsizetype index = 0; index < groups; ++index) {
        const QList<KTImageMO *> images = imagesForGroupAtIndex(index);
        if (!images.isEmpty() && images.first())
            firstStamps[std::size_t(index)] = images.first()->timeStamp();
    }
    m_showDaySection.assign(std::size_t(groups), false);
    m_lastInDay.assign(std::size_t(groups), false);
    for (std::size_t index = 0; index < firstStamps.size(); ++index) {
        const QDateTime &stamp = firstStamps[index];
        if (!stamp.isValid())
            continue;
        m_showDaySection[index] = index == 0 || !isSameDay(firstStamps[index - 1], stamp);
        m_lastInDay[index] = index + 1 == firstStamps.size() || !isSameDay(firstStamps[index + 1], stamp);
    }
    KTImagesGroupsView::reloadData();
}

bool KTTimeLineImagesGroupsView::showsDaySectionForGroupAtIndex(qsizetype index) const
{
    return index >= 0 && index < qsizetype(m_showDaySection.size()) && m_showDaySection[std::size_t(index)];
}

bool KTTimeLineImagesGroupsView::isLastInDayGroupAtIndex(qsizetype index) const
{
    return index >= 0 && index < qsizetype(m_lastInDay.size()) && m_lastInDay[std::size_t(index)];
}

KTGrouppedImagesCellView *KTTimeLineImagesGroupsView::newCell()
{
    auto *row = new KTTimeLineImagesGroupsCell(this);
    row->setCellBordersHidden(true);
    return row;
}

KTGroupRowLayout KTTimeLineImagesGroupsView::rowLayoutForGroupAtIndex(qsizetype index) const
{
    return KTTimeLineImagesGroupsCell::timelineLayout(showsDaySectionForGroupAtIndex(index));
}

void KTTimeLineImagesGroupsView::prepareRow(KTGrouppedImagesCellView *row, qsizetype index)
{
    KTImagesGroupsView::prepareRow(row, index);
    if (auto *timeline = qobject_cast<KTTimeLineImagesGroupsCell *>(row)) {
        timeline->setShowDaySection(showsDaySectionForGroupAtIndex(index));
        timeline->setLastInDay(isLastInDayGroupAtIndex(index));
    }
}

void KTTimeLineImagesGroupsView::resetCell(KTGrouppedImagesCellView *row)
{
    KTImagesGroupsView::resetCell(row);
    if (auto *timeline = qobject_cast<KTTimeLineImagesGroupsCell *>(row)) {
        timeline->setLastInDay(false);
        timeline->setShowDaySection(false);
    }
}
