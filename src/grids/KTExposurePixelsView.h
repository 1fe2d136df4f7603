#pragma once

#include "KTSpecialPixelsView.h"

/// The clipped-exposure overlay of a thumbnail: burnt highlights red, blocked shadows blue,
/// drawn opaque.
///
/// Threading: as KTSpecialPixelsView.
class KTExposurePixelsView : public KTSpecialPixelsView
{
    Q_OBJECT
public:
    using KTSpecialPixelsView::KTSpecialPixelsView;

protected:
    PixelsFunction specialPixelsFunction() const override;
};
