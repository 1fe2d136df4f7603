#include "KTRecordDeletion.h"

#include "KTCatalogNotifications.h"

#include <QObject>
#include <QPointer>

KTObserverToken observeRecordDeletion(QObject *guard, std::function<KTImageMO *()> shown,
                                      std::function<void()> release)
{
    return KTNotificationCenter::defaultCenter().addObserver(
        KTImagesChangedInfo::name(), nullptr,
        [guard = QPointer<QObject>(guard), shown = std::move(shown),
         release = std::move(release)](const KTNotification &notification) {
            if (!guard)
                return;
            KTImageMO *image = shown();
            if (image && KTImagesChangedInfo::deletedImages(notification.userInfo).contains(image))
                release();
        });
}
