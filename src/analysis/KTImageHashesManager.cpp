#include "KTImageHashesManager.h"

KTImageHashesManager &KTImageHashesManager::sharedManager()
{
    static KTImageHashesManager manager;
    return manager;
}

void KTImageHashesManager::deleteHashForImagePath(const QString &imagePath)
{
    if (imagePath.isEmpty())
        return;
    std::lock_guard lock(m_lock);
    m_hashes.remove(imagePath);
}

void KTImageHashesManager::cleanHashes()
{
    std::lock_guard lock(m_lock);
    m_hashes.clear();
}

std::optional<QByteArray> KTImageHashesManager::hashForKey(const QString &imagePath) const
{
    std::lock_guard lock(m_lock);
    const auto it = m_hashes.constFind(imagePath);
    if (it == m_hashes.cend())
        return std::nullopt;
    return *it;
}

void KTImageHashesManager::storeHash(const QByteArray &hash, const QString &imagePath)
{
    std::lock_guard lock(m_lock);
    m_hashes.insert(imagePath, hash);
}
