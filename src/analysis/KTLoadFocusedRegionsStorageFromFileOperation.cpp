#include "KTLoadFocusedRegionsStorageFromFileOperation.h"

#include <QFile>
#include <QFileInfo>

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
    std::shared_ptr<KTFocusedRegionsStorage> storage = KTFocusedRegionsStorage::storageWithContentsOfFile(m_path);
    // A damaged file would otherwise answer "nothing" for this image for ever: remove it, so the
    // next request builds the storage from the image again.
    if (!storage && QFileInfo::exists(m_path)) {
        qWarning().noquote() << QStringLiteral("Warning: unreadable focused regions file %1 removed").arg(m_path);
        QFile::remove(m_path);
    }
    return storage;
}
