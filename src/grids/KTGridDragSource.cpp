#include "KTGridDragSource.h"

#include "KTImageCollectionViewCell.h"
#include "KTImageCollectionViewCellImageView.h"
#include "KTImageListView.h"

#include <QDrag>
#include <QMimeData>
#include <QPixmap>

void KTGridDragSource::arm(const QWidget *view, const KTImageCollectionViewCell *cell,
                           const QPointF &position)
{
    const KTImageCollectionViewCellImageView *imageView = cell->imageView();
    m_image = imageView->imageForDragging();
    m_imageOrigin = QPointF(imageView->mapTo(view, imageView->rectForDraw().topLeft().toPoint()));
    m_pressLocation = position;
}

bool KTGridDragSource::shouldStart(const QPointF &position)
{
    if (m_image.isNull() || !KTImageListView::isDragDistance(position - m_pressLocation))
        return false;
    // One press starts at most one drag.
    m_armedImage = m_image;
    m_image = QImage();
    return true;
}

QImage KTGridDragSource::picture(qsizetype count) const
{
    return KTImageListView::dragPicture(m_armedImage, count);
}

QPoint KTGridDragSource::hotSpot() const
{
    return (m_pressLocation - m_imageOrigin).toPoint();
}

void KTGridDragSource::exec(QWidget *source, std::unique_ptr<QMimeData> data, const QImage &picture,
                            const QPoint &hotSpot)
{
    auto *drag = new QDrag(source);
    drag->setMimeData(data.release());
    drag->setPixmap(QPixmap::fromImage(picture));
    drag->setHotSpot(hotSpot);
    drag->exec(Qt::CopyAction);
}
