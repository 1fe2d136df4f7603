#include "KTFocusPixelsView.h"

#include "KTDispatch.h"
#include "KTFocusMaskDefaults.h"
#include "KTPixelUtils.h"
#include "KTUserDefaults.h"

#include <QPointer>

KTFocusPixelsView::KTFocusPixelsView(QWidget *parent) : KTSpecialPixelsView(parent)
{
    m_reloadObserver = KTNotificationCenter::defaultCenter().addObserver(
        kReloadFocusMaskNotificationName, nullptr,
        [view = QPointer<KTFocusPixelsView>(this)](const KTNotification &) {
            // The settings may be applied from any thread; the overlay lives on the main one.
            if (isMainThread()) {
                if (view)
                    view->reload();
                return;
            }
            postToMain([view] {
                if (view)
                    view->reload();
            });
        });
}

double KTFocusPixelsView::fraction() const
{
    return KTUserDefaults::standardUserDefaults().doubleForKey(kFocusMaskOpacityDefaultsKey);
}

KTSpecialPixelsView::PixelsFunction KTFocusPixelsView::specialPixelsFunction() const
{
    return [](const QImage &thumbnail) { return KTPixelUtils::focusMaskImageFromImage(thumbnail); };
}
