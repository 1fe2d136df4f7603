#include "KTImagesSimilarityLevelsManager.h"

#include "KTPropertyList.h"

#include <QVariantList>

KTImagesSimilarityLevelsManager::KTImagesSimilarityLevelsManager(unsigned numberOfLevels)
    : m_numberOfLevels(numberOfLevels)
{}

KTImagesSimilarityLevelsManager::KTImagesSimilarityLevelsManager(const QString &path, unsigned numberOfLevels)
    : m_numberOfLevels(numberOfLevels)
{
    const auto root = KTPropertyList::readFile(path);
    if (!root || root->typeId() != QMetaType::QVariantList)
        return;
    std::vector<Row> rows;
    for (const QVariant &rowValue : root->toList()) {
        if (rowValue.typeId() != QMetaType::QVariantList)
            return;
        Row row(m_numberOfLevels + 1);
        const QVariantList levels = rowValue.toList();
        for (qsizetype level = 0; level < levels.size() && level <= qsizetype(m_numberOfLevels); ++level) {
            for (const QVariant &index : levels.at(level).toList())
                row[std::size_t(level)].insert(index.toLongLong());
        }
        rows.push_back(std::move(row));
    }
    m_imagesLevels = std::move(rows);
}

std::vector<KTImagesSimilarityLevelsManager::Row> KTImagesSimilarityLevelsManager::imagesLevels() const
{
    std::lock_guard lock(m_lock);
    return m_imagesLevels;
}

void KTImagesSimilarityLevelsManager::clear()
{
    std::lock_guard lock(m_lock);
    m_imagesLevels.clear();
}
