#include "KTRecordDeletion.h"

#include "KTCatalogNotifications.h"

#include <QObject>
#include <QPointer>

KTObserverToken observeRecordDeletion(QObject *guard, std::function<const KTRecordRef<KTImageMO> &()> shown,
                                      std::function<void()> release)
{
    return KTNotificationCenter::defaultCenter().addObserver(
        KTImagesChangedInfo::name(), nullptr,
        [guard = QPointer<QObject>(guard), shown = std::move(shown),
         release = std::move(release)](const KTNotification &notification) {
            if (!guard)
                return;
            if (!shown().isGone())
                return;
            // The handle answers null already; the report names the record the view still holds.
            if (KTImagesChangedInfo::deletedImages(notification.userInfo).isEmpty())
                return;
            release();
        });
}
