#include "KTCreateFocusedRegionsStorageOperation.h"

#include <QFile>

std::shared_ptr<KTCreateFocusedRegionsStorageOperation>
KTCreateFocusedRegionsStorageOperation::initWithImageAtPath(QString imagePath, QString writePath)
{
    std::shared_ptr<KTCreateFocusedRegionsStorageOperation> operation(
        new KTCreateFocusedRegionsStorageOperation(std::move(imagePath), std::move(writePath)));
    attachQueueOperation(operation);
    return operation;
}

void KTCreateFocusedRegionsStorageOperation::adjustPriority()
{
    setQueuePriority(isActive() ? KTOperation::Priority::Normal : KTOperation::Priority::Low);
}

void KTCreateFocusedRegionsStorageOperation::setDefaultQueuePriorityIfNeed()
{
    if (!isActive())
        setQueuePriority(KTOperation::Priority::VeryLow);
}

std::shared_ptr<KTFocusedRegionsStorage> KTCreateFocusedRegionsStorageOperation::createStorage()
{
    std::shared_ptr<KTFocusedRegionsStorage> storage =
        KTFocusedRegionsStorage::initWithImageAtPath(m_imagePath, [this] { return isCancelled(); });
    // A cancelled build may have stopped short of its region: such a storage is never written,
    // so it cannot take the place of a newer build's file.
    if (!m_writePath.isEmpty() && !isCancelled())
        storage->writeToFile(m_writePath);
    return storage;
}

void KTCreateFocusedRegionsStorageOperation::prepareDelivery()
{
    if (!isCancelled() || m_writePath.isEmpty())
        return;
    if (m_hasNewerOperation && m_hasNewerOperation())
        return;
    QFile::remove(m_writePath);
}
