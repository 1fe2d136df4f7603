#pragma once

#include "KTImageCollectionViewCellMark.h"

/// The frame around a picked thumbnail: an orange line 2 points wide inside its bounds and a thin
/// black line inside that, so it reads on any photo. A mark of the cell (see
/// KTImageCollectionViewCellMark).
///
/// Threading: main thread only.
class KTImageCollectionViewImageFlagStatusView : public KTImageCollectionViewCellMark
{
public:
    using KTImageCollectionViewCellMark::KTImageCollectionViewCellMark;

    void draw(QPainter &painter) const override;
};
