#include "KTSyncStatusTracker.h"

#include "KTCatalogModel.h"
#include "KTDispatch.h"
#include "KTFolderMO.h"
#include "KTImageMO.h"
#include "KTObjectContext.h"
#include "KTSortDescriptor.h"

#include <QDebug>

KTSyncStatusTracker::KTSyncStatusTracker() : m_marker(&KTSyncStatusTracker::updateSyncingStatus) {}

QStringList KTSyncStatusTracker::autosyncParameters()
{
    return {kImageRejectedValueKey, kImagePickedValueKey};
}

bool KTSyncStatusTracker::isImageShouldBeAutosync(const KTImageMO *image)
{
    const KTFolderMO *folder = image ? image->folder() : nullptr;
    return folder && folder->type() != kFolderTypeFileSystem;
}

void KTSyncStatusTracker::updateSyncingStatus(const QList<KTImageMO *> &images, const QString &keyPath)
{
    qint64 bit = 0;
    if (keyPath == kImageRejectedValueKey)
        bit = kRejectSyncStatusBit;
    else if (keyPath == kImagePickedValueKey)
        bit = kPickSyncStatusBit;
    if (bit == 0)
        return;
    for (KTImageMO *image : images) {
        const qint64 mask = image->syncStatusBitmask().value_or(0);
        // Setting the same value is no change, so a marked image is not reported again.
        if ((mask & bit) == 0)
            image->setSyncStatusBitmask(mask | bit);
    }
}

void KTSyncStatusTracker::setMarker(Marker marker)
{
    m_marker = marker ? std::move(marker) : Marker(&KTSyncStatusTracker::updateSyncingStatus);
}

void KTSyncStatusTracker::setSyncQueue(SyncQueue queue)
{
    m_syncQueue = std::move(queue);
}

void KTSyncStatusTracker::updateAutosyncParametersForImages(const QList<KTImageMO *> &images)
{
    for (const KTImageMO *image : images)
        updateAutosyncParametersForImage(image);
}

void KTSyncStatusTracker::updateAutosyncParametersForImage(const KTImageMO *image)
{
    if (!isImageShouldBeAutosync(image))
        return;
    QVariantMap values;
    for (const QString &keyPath : autosyncParameters()) {
        const QVariant value = image->valueForKeyPath(keyPath);
        if (value.isValid())
            values.insert(keyPath, value);
    }
    m_parameters.insert(image->uuid(), values);
}

void KTSyncStatusTracker::trackChange(KTObjectContext &context, const QList<KTImageMO *> &added,
                                      const QList<KTImageMO *> &deleted, const QList<KTImageMO *> &updated)
{
    Q_ASSERT(isMainThread());
    updateAutosyncParametersForImages(added);

    for (const KTImageMO *image : deleted) {
        const QString uuid = image->uuid();
        if (isImageShouldBeAutosync(image) && !m_parameters.contains(uuid))
            qWarning().noquote() << QStringLiteral(
                                        "Error: AutosyncParameters for image %1 should be initialized.")
                                        .arg(image->path());
        m_parameters.remove(uuid);
    }

    const QStringList keyPaths = autosyncParameters();
    std::vector<QList<KTImageMO *>> changed(std::size_t(keyPaths.size()));
    for (KTImageMO *image : updated) {
        if (image->externalGUID().isNull())
            continue;
        const auto it = m_parameters.constFind(image->uuid());
        if (it == m_parameters.cend()) {
            qWarning().noquote() << QStringLiteral(
                                        "Error: Autosync parameters for image %1 should be initialized.")
                                        .arg(image->path());
        } else {
            for (qsizetype k = 0; k < keyPaths.size(); ++k) {
                const QVariant before = it->value(keyPaths.at(k));
                const QVariant now = image->valueForKeyPath(keyPaths.at(k));
                if ((before.isValid() || now.isValid()) && !KTSortDescriptor::valuesEqual(before, now))
                    changed[std::size_t(k)].append(image);
            }
        }
        updateAutosyncParametersForImage(image);
    }

    for (qsizetype k = 0; k < keyPaths.size(); ++k) {
        const QList<KTImageMO *> &images = changed[std::size_t(k)];
        if (images.isEmpty())
            continue;
        // Marking is bookkeeping of the sync, never a step the user could undo.
        context.disableUndoRegistration();
        m_marker(images, keyPaths.at(k));
        context.enableUndoRegistration();
        if (m_syncQueue)
            m_syncQueue(images);
    }
}
