#pragma once

#include "KTFocusedRegionsView.h"

/// The autofocus-point overlay of a cell: the camera's autofocus rectangles of the image, filled
/// by their state, over the thumbnail. The picture is made for the overlay's inner size and kept
/// until the size or the storage changes.
///
/// Threading: as KTFocusedRegionsView.
class KTFocusPointLatticeView : public KTFocusedRegionsView
{
    Q_OBJECT
public:
    using KTFocusedRegionsView::KTFocusedRegionsView;

    QImage drawImage() const override;

private:
    mutable QImage m_lattice;
    mutable QSizeF m_latticeSize;
    mutable std::weak_ptr<KTFocusedRegionsStorage> m_latticeStorage;
};
