#include "KTModeSelection.h"

#include "KTImageMO.h"

#include <algorithm>

QList<KTImageMO *> KTModeSelection::images() const
{
    return m_images.records();
}

void KTModeSelection::setImages(const QList<KTImageMO *> &images)
{
    m_images = images;
}

KTImageMO *KTModeSelection::imageAt(qsizetype index) const
{
    const QList<KTImageMO *> list = images();
    return index >= 0 && index < list.size() ? list.at(index) : nullptr;
}

KTImageMO *KTModeSelection::activeImage() const
{
    return m_activeIndex ? imageAt(*m_activeIndex) : nullptr;
}

void KTModeSelection::enumerateSelected(
    const std::function<void(KTImageMO *image, bool isActive, bool &stop)> &block) const
{
    if (!block)
        return;
    const QList<KTImageMO *> list = images();
    bool stop = false;
    for (qsizetype index : m_indexes) {
        if (index < 0 || index >= list.size())
            continue;
        block(list.at(index), m_activeIndex == index, stop);
        if (stop)
            break;
    }
}

QList<KTImageMO *> KTModeSelection::selectedImages() const
{
    QList<KTImageMO *> selected;
    enumerateSelected([&](KTImageMO *image, bool, bool &) { selected.append(image); });
    return selected;
}

qsizetype KTModeSelection::selectedCount() const
{
    const qsizetype size = images().size();
    return std::count_if(m_indexes.begin(), m_indexes.end(),
                         [size](qsizetype index) { return index >= 0 && index < size; });
}

QString KTModeSelection::countBadge() const
{
    const qsizetype count = selectedCount();
    return count >= 2 ? QString::number(count) : QString();
}
