#pragma once

#include <QImage>
#include <QPointF>
#include <QWidget>

#include <memory>

class KTImageCollectionViewCell;
class QMimeData;

/// The drag out of a grid: a press on a thumbnail arms it with the thumbnail's picture; once the
/// mouse has moved more than 5 points the grid starts one drag (a press starts at most one);
/// release disarms it.
///
/// Threading: main thread only.
class KTGridDragSource
{
public:
    /// Arms the drag with the picture of `cell`, pressed at `position` in `view`.
    void arm(const QWidget *view, const KTImageCollectionViewCell *cell, const QPointF &position);
    void disarm() { m_image = QImage(); }
    bool isArmed() const { return !m_image.isNull(); }
    /// True (and disarmed) when a move to `position` starts the drag.
    bool shouldStart(const QPointF &position);
    /// The picture for `count` files (with the count badge from two on).
    QImage picture(qsizetype count) const;
    /// Where the mouse holds the picture, so it starts exactly over the drawn thumbnail.
    QPoint hotSpot() const;

    /// Starts the platform drag of `data` from `source` and returns when it has ended.
    static void exec(QWidget *source, std::unique_ptr<QMimeData> data, const QImage &picture,
                     const QPoint &hotSpot);

private:
    QImage m_image;
    QPointF m_imageOrigin;
    QPointF m_pressLocation;
    QImage m_armedImage;
};
