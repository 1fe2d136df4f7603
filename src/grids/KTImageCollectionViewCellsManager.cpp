#include "KTImageCollectionViewCellsManager.h"

#include "KTCatalogNotifications.h"
#include "KTDispatch.h"
#include "KTImageCollectionViewCell.h"
#include "KTImageCollectionViewCellRootView.h"

#include <QCoreApplication>
#include <QSet>

namespace {
KTImageCollectionViewCellsManager *s_manager = nullptr;
}

KTImageCollectionViewCellsManager &KTImageCollectionViewCellsManager::sharedManager()
{
    Q_ASSERT(isMainThread());
    if (!s_manager) {
        s_manager = new KTImageCollectionViewCellsManager;
        // The cells are widgets: they must go while the application object still exists.
        qAddPostRoutine(&KTImageCollectionViewCellsManager::destroySharedManager);
    }
    return *s_manager;
}

void KTImageCollectionViewCellsManager::destroySharedManager()
{
    delete s_manager;
    s_manager = nullptr;
}

KTImageCollectionViewCellsManager::KTImageCollectionViewCellsManager()
{
    m_imagesChanged = KTNotificationCenter::defaultCenter().addObserver(
        KTImagesChangedInfo::name(), nullptr,
        [this](const KTNotification &notification) { imagesDidChange(notification); });
}

KTImageCollectionViewCellsManager::~KTImageCollectionViewCellsManager() = default;

void KTImageCollectionViewCellsManager::imagesDidChange(const KTNotification &notification)
{
    const QList<KTImageMO *> deleted = KTImagesChangedInfo::deletedImages(notification.userInfo);
    if (deleted.isEmpty())
        return;
    const QSet<KTImageMO *> gone(deleted.cbegin(), deleted.cend());
    for (const std::unique_ptr<KTImageCollectionViewCell> &cell : m_all)
        if (cell->imageMO() && gone.contains(cell->imageMO()))
            cell->setImageMO(nullptr);
}

KTImageCollectionViewCell *KTImageCollectionViewCellsManager::cell()
{
    Q_ASSERT(isMainThread());
    if (m_idle.isEmpty()) {
        m_all.reserve(m_all.size() + kAllocationStep);
        for (int i = 0; i < kAllocationStep; ++i) {
            m_all.push_back(std::make_unique<KTImageCollectionViewCell>());
            m_idle.append(m_all.back().get());
        }
    }
    return m_idle.takeLast();
}

void KTImageCollectionViewCellsManager::hideCell(KTImageCollectionViewCell *cell)
{
    Q_ASSERT(isMainThread());
    if (!cell)
        return;
    Q_ASSERT(!m_idle.contains(cell));
    m_idle.append(cell);
    cell->rootView()->hide();
}

void KTImageCollectionViewCellsManager::releaseCellsOfView(QWidget *view)
{
    const QSet<KTImageCollectionViewCell *> idle(m_idle.cbegin(), m_idle.cend());
    for (const std::unique_ptr<KTImageCollectionViewCell> &cell : m_all) {
        KTImageCollectionViewCellRootView *root = cell->rootView();
        if (root->parentWidget() != view)
            continue;
        if (!idle.contains(cell.get())) {
            cell->setImageMO(nullptr);
            cell->setDelegate(nullptr);
            m_idle.append(cell.get());
        }
        root->hide();
        root->setParent(nullptr);
    }
}
