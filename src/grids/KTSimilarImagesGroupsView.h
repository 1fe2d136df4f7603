#pragma once

#include "KTImagesGroupsView.h"

/// The group list of the similar-groups mode: numbered rows with the last line centred.
///
/// Threading: main thread only.
class KTSimilarImagesGroupsView : public KTImagesGroupsView
{
    Q_OBJECT
public:
    using KTImagesGroupsView::KTImagesGroupsView;

protected:
    KTGrouppedImagesCellView *newCell() override;
    KTGroupRowLayout rowLayoutForGroupAtIndex(qsizetype index) const override;
};
