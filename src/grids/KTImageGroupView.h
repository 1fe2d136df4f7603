#pragma once

#include "KTImageListView.h"

/// The images of one group, as large as fit the visible area without scrolling: rows spread
/// evenly over the height, the last row centred, a single row grown to the width or the height,
/// framed in orange. Selection, keys, mouse and actions are those of the list.
///
/// Threading: main thread only.
class KTImageGroupView : public KTImageListView
{
    Q_OBJECT
public:
    explicit KTImageGroupView(QWidget *parent = nullptr);

    void adjustSize() override;
    unsigned cellTypeForIndex(qsizetype index) const override;
    QRectF frameForCellAtIndex(qsizetype index) const override;
    std::vector<qsizetype> indexesOfCellsThatIntersectRect(const QRectF &rect) const override;

protected:
    void drawInRect(QPainter &painter, const QRectF &dirty) override;
};
