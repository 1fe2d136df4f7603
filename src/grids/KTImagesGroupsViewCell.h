#pragma once

#include "KTGrouppedImagesCellView.h"

/// A row of a selectable group list: thin border lines between the groups, and, while its group
/// is the selected one, a dark fill with a coloured frame. Its thumbnails show no selection of
/// their own; their reject button rejects that one image (the button shows the record's state).
///
/// Threading: main thread only.
class KTImagesGroupsViewCell : public KTGrouppedImagesCellView
{
    Q_OBJECT
public:
    explicit KTImagesGroupsViewCell(QWidget *parent = nullptr);

    bool isSelected() const { return m_selected; }
    /// Redraws only on a change.
    void setSelected(bool selected);
    bool isCellBordersHidden() const { return m_cellBordersHidden; }
    void setCellBordersHidden(bool hidden) { m_cellBordersHidden = hidden; }
    QColor selectionColor() const { return m_selectionColor; }
    void setSelectionColor(const QColor &color) { m_selectionColor = color; }
    /// Where the selection is drawn (y up): the whole row here.
    virtual QRectF selectionRect() const;

    KTImageCollectionViewCell *cellAtIndex(qsizetype index) override;
    unsigned cellTypeForIndex(qsizetype index) const override;
    /// Rejects the cell's image alone, never a selection.
    void onTrashClicked(KTImageCollectionViewCell *cell) override;
    /// Nothing more: the cell has turned its image's pick over.
    void onFlagClicked(KTImageCollectionViewCell *cell) override;

protected:
    void drawInRect(QPainter &painter, const QRectF &dirty) override;

private:
    bool m_selected = false;
    bool m_cellBordersHidden = false;
    QColor m_selectionColor;
};
