#pragma once

#include "KTNotificationCenter.h"
#include "KTSpecialPixelsView.h"

/// The focus-mask overlay of a thumbnail, computed with the focus-mask settings of the moment and
/// drawn at the "focusMaskOpacity" of the moment of drawing. It recomputes whenever the settings
/// broadcast "reloadFocusMaskNotificationName", shown or not (a hidden overlay owes the
/// computation until it is shown).
///
/// Threading: as KTSpecialPixelsView.
class KTFocusPixelsView : public KTSpecialPixelsView
{
    Q_OBJECT
public:
    explicit KTFocusPixelsView(QWidget *parent = nullptr);

    double fraction() const override;

protected:
    PixelsFunction specialPixelsFunction() const override;

private:
    KTObserverToken m_reloadObserver;
};
