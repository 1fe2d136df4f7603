#include "KTFocusPointLatticeView.h"

#include "KTFocusedRegionsStorage.h"

QImage KTFocusPointLatticeView::drawImage() const
{
    const std::shared_ptr<KTFocusedRegionsStorage> storage = focusedRegionsStorage();
    if (!storage)
        return {};
    const QSizeF size = innerSize();
    if (storage != m_latticeStorage.lock() || size != m_latticeSize) {
        m_lattice = storage->apropriateFocusPointLatticeOfSize(size);
        m_latticeStorage = storage;
        m_latticeSize = size;
    }
    return m_lattice;
}
