#pragma once

#include <QList>
#include <QWidget>

class KTImageCollectionViewCell;
class KTImageCollectionViewCellMark;

/// The hover area of a thumbnail cell: it covers the cell and knows whether the mouse is over
/// it. The cell's pick and reject buttons are its children, so moving onto a button does not
/// count as leaving the cell. Presses on it go on to the grid (which finds the cell through
/// cell()); a right press opens the cell image view's context menu.
///
/// Lying over the picture and its overlays, it also draws the cell's marks (the pick frame, the
/// number, the group mark), in the order they were added, in one pass; without a mark to draw
/// it draws nothing.
///
/// Threading: main thread only.
class KTImageCollectionViewCellMouseEventHandlingView : public QWidget
{
    Q_OBJECT
public:
    explicit KTImageCollectionViewCellMouseEventHandlingView(KTImageCollectionViewCell *cell,
                                                             QWidget *parent = nullptr);

    KTImageCollectionViewCell *cell() const { return m_cell; }
    /// The cell whose hover area lies under `position` in `view` (at any depth); null over a
    /// button or between cells.
    static KTImageCollectionViewCell *cellAt(const QWidget *view, const QPointF &position);
    bool mouseInBounds() const { return m_mouseInBounds; }
    /// Emits mouseInBoundsChanged() on a change; the grid also sets it at each layout.
    void setMouseInBounds(bool inBounds);
    /// Draws `mark` from now on, over the marks added before it; the mark outlives this view's
    /// painting (the cell owns both).
    void addMark(const KTImageCollectionViewCellMark *mark);

signals:
    void mouseInBoundsChanged();

protected:
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    KTImageCollectionViewCell *m_cell;
    bool m_mouseInBounds = false;
    QList<const KTImageCollectionViewCellMark *> m_marks;
};
