#include "KTRedjectedImagesModeController.h"

#include "KTAbstractButton.h"
#include "KTBadgeButton.h"
#include "KTImageBrowserView.h"
#include "KTImageMO.h"
#include "KTImageNavigationView.h"
#include "KTImageStorage.h"
#include "KTImageView.h"
#include "KTModeChrome.h"
#include "KTModeToolbar.h"
#include "KTMoveToTrashTipsViewController.h"

#include <QFontMetricsF>
#include <QHBoxLayout>

#include <cmath>

KTRedjectedImagesModeController::KTRedjectedImagesModeController(QObject *parent)
    : KTImageModeController(kTrashImagesFilterID, KTKeyPath(QStringLiteral("rejected")) == true, parent)
{
    setEmptyMessage(tr("No Rejected Images"));
    // The rejects are shown as they are, without their rejected marking.
    imageBrowserView()->setShowsRejectedStatus(false);
    chrome().navigationView()->setShowsRejectedStatus(false);
    imageView()->setShowsRejectedStatus(false);

    m_putBackButton = KTModeToolbar::badgeButton(QStringLiteral("put_back"),
                                                 tr("Restore the selected images (Ctrl+Shift+R)"),
                                                 KTAbstractButton::Momentary, toolBar());
    m_putBackButton->setObjectName(QStringLiteral("putBackButton"));
    m_putBackButton->setPictogramPosition(KTAbstractButton::PictogramLeft);
    m_putBackButton->setTitle(tr("Restore"));
    // Wide enough for its title or a badge.
    const QFontMetricsF metrics(KTAbstractButton::defaultFont());
    m_putBackButton->setFixedWidth(int(std::ceil(metrics.horizontalAdvance(tr("Restore")))) + 48);
    connect(m_putBackButton, &KTControl::clicked, this, [this] { onPutBack(m_putBackButton); });
    m_moveToTrashButton =
        KTModeToolbar::roundButton(QStringLiteral("trash"), tr("Move every reject to the Trash"),
                                   KTAbstractButton::Momentary, toolBar());
    m_moveToTrashButton->setObjectName(QStringLiteral("moveToTrashButton"));
    connect(m_moveToTrashButton, &KTControl::clicked, this,
            [this] { onMoveToSystemTrash(m_moveToTrashButton); });
    QHBoxLayout *right = toolBar()->rightLayout();
    const int after = right->indexOf(flagImagesButton()) + 1;
    right->insertWidget(after, m_putBackButton);
    right->insertWidget(after + 1, m_moveToTrashButton);
    registerRestoreAction();
}

void KTRedjectedImagesModeController::registerRestoreAction()
{
    actions().remove(KTModeCommand::Pick);
    actions().remove(KTModeCommand::Reject);
    actions().add(KTModeCommand::Restore, {tr("Restore"),
                                           {QKeySequence(QStringLiteral("Ctrl+Shift+R"))},
                                           [this] { onPutBack(nullptr); },
                                           [this] { return !images().isEmpty(); }});
}

KTRedjectedImagesModeController::~KTRedjectedImagesModeController() = default;

void KTRedjectedImagesModeController::setUIEnabled(bool enabled)
{
    KTImageModeController::setUIEnabled(enabled);
    m_moveToTrashButton->setButtonEnabled(enabled);
    m_putBackButton->setButtonEnabled(enabled);
}

void KTRedjectedImagesModeController::validateSelection()
{
    KTImageModeController::validateSelection();
    adjustResotoreButtonUI();
}

void KTRedjectedImagesModeController::adjustResotoreButtonUI()
{
    if (!m_putBackButton)
        return;
    const qsizetype count = qsizetype(selectedImages().size());
    if (count < 2) {
        m_putBackButton->setBadgeString({});
        m_putBackButton->setTitle(tr("Restore"));
    } else {
        m_putBackButton->setBadgeString(QString::number(count));
        m_putBackButton->setTitle({});
    }
}

void KTRedjectedImagesModeController::onPutBack(QObject *)
{
    const QList<KTImageMO *> selected = selectedImages();
    if (selected.isEmpty())
        return;
    for (KTImageMO *image : selected)
        image->setRejected(false);
    if (KTImageStorage *storage = imageStorage())
        storage->processPendingChanges();
}

QList<KTImageMO *> KTRedjectedImagesModeController::currentRejects() const
{
    KTImageStorage *storage = imageStorage();
    if (!storage)
        return {};
    QList<KTImageMO *> rejects;
    for (KTImageMO *image : storage->imagesFilteredByFilterWithID(kTrashImagesFilterID)) {
        if (!image->isDeleted() && image->rejected().value_or(false))
            rejects.append(image);
    }
    return rejects;
}

void KTRedjectedImagesModeController::onMoveToSystemTrash(QObject *)
{
    KTImageStorage *storage = imageStorage();
    if (!storage)
        return;
    if (storage->hasExternalSources()) {
        showMoveToTrashTips();
        return;
    }
    deleteImagesInArray(currentRejects());
}

KTMoveToTrashTipsViewController *KTRedjectedImagesModeController::moveToTrashTipsController()
{
    if (!m_moveToTrashTipsController) {
        const QPointer<KTRedjectedImagesModeController> self(this);
        m_moveToTrashTipsController = std::make_unique<KTMoveToTrashTipsViewController>([self] {
            KTImageStorage *storage = self ? self->imageStorage() : nullptr;
            return storage ? storage->externalCatalogType() : 0;
        });
    }
    return m_moveToTrashTipsController.get();
}

void KTRedjectedImagesModeController::showMoveToTrashTips()
{
    moveToTrashTipsController()->showFromView(view());
}

KTBadgeButton *KTRedjectedImagesModeController::putBackButton() const
{
    return m_putBackButton;
}

KTAbstractButton *KTRedjectedImagesModeController::moveToTrashButton() const
{
    return m_moveToTrashButton;
}
