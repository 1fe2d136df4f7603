#include "KTLoadFocusedRegionsStorageFromFileOperation.h"

std::shared_ptr<KTLoadFocusedRegionsStorageFromFileOperation>
KTLoadFocusedRegionsStorageFromFileOperation::initWithPath(QString path)
{
    std::shared_ptr<KTLoadFocusedRegionsStorageFromFileOperation> operation(
        new KTLoadFocusedRegionsStorageFromFileOperation(std::move(path)));
    attachQueueOperation(operation);
    return operation;
}

void KTLoadFocusedRegionsStorageFromFileOperation::adjustPriority()
{
    setQueuePriority(isActive() ? KTOperation::Priority::High : KTOperation::Priority::Normal);
}

void KTLoadFocusedRegionsStorageFromFileOperation::setDefaultQueuePriorityIfNeed()
{
    if (!isActive())
        queueOperation()->cancel();
}

std::shared_ptr<KTFocusedRegionsStorage> KTLoadFocusedRegionsStorageFromFileOperation::createStorage()
{
    return KTFocusedRegionsStorage::storageWithContentsOfFile(m_path);
}
