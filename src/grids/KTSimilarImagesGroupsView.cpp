#include "KTSimilarImagesGroupsView.h"

#include "KTSimilarImagesGroupsViewCell.h"

KTGrouppedImagesCellView *KTSimilarImagesGroupsView::newCell()
{
    return new KTSimilarImagesGroupsViewCell(this);
}

KTGroupRowLayout KTSimilarImagesGroupsView::rowLayoutForGroupAtIndex(qsizetype) const
{
    return KTSimilarImagesGroupsViewCell::similarLayout();
}
