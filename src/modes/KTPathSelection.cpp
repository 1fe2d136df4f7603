#include "KTPathSelection.h"

#include "KTImageMO.h"

void KTPathSelection::setImages(const QList<KTImageMO *> &images)
{
    m_pathToIndex.clear();
    m_pathToIndex.reserve(images.size());
    for (qsizetype index = 0; index < images.size(); ++index) {
        const QString path = images.at(index)->path();
        if (!path.isEmpty())
            m_pathToIndex.insert(path, index);
    }
}

void KTPathSelection::clear()
{
    m_pathToIndex.clear();
}

std::optional<qsizetype> KTPathSelection::indexOf(const KTImageMO *image) const
{
    if (!image || image->path().isEmpty())
        return std::nullopt;
    const auto found = m_pathToIndex.constFind(image->path());
    if (found == m_pathToIndex.constEnd())
        return std::nullopt;
    return *found;
}

void KTPathSelection::remember(const QList<KTImageMO *> &images, const Selection &selection)
{
    m_selectedPaths.clear();
    for (qsizetype index : selection.indexes) {
        if (index >= 0 && index < images.size() && !images.at(index)->path().isEmpty())
            m_selectedPaths.insert(images.at(index)->path());
    }
    const std::optional<qsizetype> active = selection.active;
    m_activePath = active && *active >= 0 && *active < images.size() ? images.at(*active)->path() : QString();
}

KTPathSelection::Selection KTPathSelection::findRemembered() const
{
    Selection found;
    for (const QString &path : m_selectedPaths) {
        const auto index = m_pathToIndex.constFind(path);
        if (index != m_pathToIndex.constEnd())
            found.indexes.insert(*index);
    }
    const auto active = m_pathToIndex.constFind(m_activePath);
    if (!m_activePath.isEmpty() && active != m_pathToIndex.constEnd())
        found.active = *active;
    if (!found.indexes.empty() && (!found.active || !found.indexes.contains(*found.active)))
        found.active = *found.indexes.begin();
    return found;
}

KTPathSelection::Selection KTPathSelection::clipped(const Selection &selection, qsizetype count)
{
    Selection result;
    if (count <= 0)
        return result;
    for (qsizetype index : selection.indexes) {
        if (index >= 0 && index < count)
            result.indexes.insert(index);
    }
    if (result.indexes.empty())
        result.indexes.insert(0);
    result.active = selection.active;
    if (!result.active || !result.indexes.contains(*result.active))
        result.active = *result.indexes.begin();
    return result;
}
