#pragma once

#include "KTGrouppedImagesCellView.h"

#include <QFont>
#include <QPointF>

#include <optional>
#include <set>

/// The row of the grouped images browser: one group as a thumbnail grid, with room above the
/// thumbnails for the capture date of the group and, at the first group of a day, a day band
/// between two rules. It shows the part of the browser's selection that falls into its group and
/// hands the pick and reject clicks of its thumbnails to the browser.
///
/// Threading: main thread only.
class KTGrouppedImagesBrowserViewCell : public KTGrouppedImagesCellView
{
    Q_OBJECT
public:
    explicit KTGrouppedImagesBrowserViewCell(QWidget *parent = nullptr);

    /// The header's height: 25 for the title, 65 for the band, 90 for both.
    static double additionalOffsetFor(bool showDateTitle, bool showDaySection);
    static KTGroupRowLayout browserLayout(bool showDateTitle, bool showDaySection);

    bool showsRejectedStatus() const { return m_showsRejectedStatus; }
    void setShowsRejectedStatus(bool shows) { m_showsRejectedStatus = shows; }
    bool isShowDateTitle() const { return m_showDateTitle; }
    void setShowDateTitle(bool show);
    bool isShowDaySection() const { return m_showDaySection; }
    void setShowDaySection(bool show);

    const std::set<qsizetype> &selectedCellsIndexes() const { return m_selectedCellsIndexes; }
    std::optional<qsizetype> activeCellIndex() const { return m_activeCellIndex; }
    /// The selected positions within this row, and the active one when it lies here.
    void setSelectedCellsIndexes(const std::set<qsizetype> &indexes, std::optional<qsizetype> active);
    void adjustSelection();

    KTImageCollectionViewCell *cellAtIndex(qsizetype index) override;
    unsigned cellTypeForIndex(qsizetype index) const override;
    void onTrashClicked(KTImageCollectionViewCell *cell) override;
    void onFlagClicked(KTImageCollectionViewCell *cell) override;

    /// The first image's capture date and time (the locale's short format), or "No Capture Time".
    QString dateTitle() const;
    /// The first image's date in the long format, or "No Day".
    QString dayTitle() const;

protected:
    void drawInRect(QPainter &painter, const QRectF &dirty) override;

private:
    void updateLayout();

    bool m_showsRejectedStatus = true;
    bool m_showDateTitle = false;
    bool m_showDaySection = false;
    std::set<qsizetype> m_selectedCellsIndexes;
    std::optional<qsizetype> m_activeCellIndex;
    QFont m_dateTitleFont;
    QFont m_daySectionFont;
};
