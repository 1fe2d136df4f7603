#pragma once

#include "KTRecordRef.h"

#include <QList>
#include <QString>

#include <functional>
#include <optional>
#include <set>

class KTImageMO;

/// The list a review mode shows and the selection in it: the image records in display order
/// (kept through their handles), the selected positions, the active (focused) one and, in the
/// group modes, the selected group. Positions past the end of the list are kept and skipped: a
/// list may shrink under its selection, and the mode finds the selection again after a rebuild.
///
/// Threading: a value; use it where its records may be used (the main thread).
class KTModeSelection
{
public:
    /// The live records, in display order.
    QList<KTImageMO *> images() const;
    void setImages(const QList<KTImageMO *> &images);
    /// The record at `index`, or null past the end.
    KTImageMO *imageAt(qsizetype index) const;

    const std::set<qsizetype> &indexes() const { return m_indexes; }
    void setIndexes(const std::set<qsizetype> &indexes) { m_indexes = indexes; }
    std::optional<qsizetype> activeIndex() const { return m_activeIndex; }
    void setActiveIndex(std::optional<qsizetype> index) { m_activeIndex = index; }
    std::optional<qsizetype> groupIndex() const { return m_groupIndex; }
    void setGroupIndex(std::optional<qsizetype> index) { m_groupIndex = index; }

    /// The record at the active index, or null (none, past the end, empty list).
    KTImageMO *activeImage() const;
    /// Calls `block` with each selected record in ascending position order, `isActive` true for
    /// the active one, until it sets `stop`; positions past the end are skipped.
    void
    enumerateSelected(const std::function<void(KTImageMO *image, bool isActive, bool &stop)> &block) const;
    /// The selected records, in position order.
    QList<KTImageMO *> selectedImages() const;
    /// The number of selected positions inside the list.
    qsizetype selectedCount() const;
    /// What a button shows for the selection: the count for two or more, else nothing.
    QString countBadge() const;

private:
    KTRecordList<KTImageMO> m_images;
    std::set<qsizetype> m_indexes;
    std::optional<qsizetype> m_activeIndex;
    std::optional<qsizetype> m_groupIndex;
};
