#include "KTSimpleImageModeController.h"

#include "KTAbstractButton.h"
#include "KTBadgeButton.h"
#include "KTImageMO.h"
#include "KTImageStorage.h"
#include "KTModeToolbar.h"

#include <QHBoxLayout>

KTSimpleImageModeController::KTSimpleImageModeController(QObject *parent)
    : KTSimpleImageModeController(kTimeLineImagesFilterID, KTKeyPath(QStringLiteral("rejected")) != true,
                                  parent)
{
    // Shown as it stands, not looked up.
    setEmptyMessage(QStringLiteral("No Images"));
}

KTSimpleImageModeController::KTSimpleImageModeController(const QString &filterID,
                                                         const KTPredicate &predicate, QObject *parent)
    : KTImageModeController(filterID, predicate, parent)
{
    addTrashButton();
}

void KTSimpleImageModeController::addTrashButton()
{
    m_trashButton = KTModeToolbar::roundButton(QStringLiteral("reject"), tr("Reject or restore (Ctrl+R)"),
                                               KTAbstractButton::Momentary, toolBar());
    m_trashButton->setObjectName(QStringLiteral("trashButton"));
    connect(m_trashButton, &KTControl::clicked, this, [this] { onToTrash(m_trashButton); });
    toolBar()->rightLayout()->insertWidget(toolBar()->rightLayout()->indexOf(flagImagesButton()) + 1,
                                           m_trashButton);
}

KTAbstractButton *KTSimpleImageModeController::trashButton() const
{
    return m_trashButton;
}

void KTSimpleImageModeController::onToTrash(QObject *)
{
    KTImageMO *active = activeImageMO();
    if (!active || !active->originalFileExists().value_or(false)) {
        if (KTBadgeButton *share = shareButton())
            share->setPushed(false);
        return;
    }
    const bool reject = !active->rejected().value_or(false);
    QList<KTImageMO *> collected;
    enumerateSelectedImagesUsingBlock([&](KTImageMO *image, bool, bool &) {
        if (reject)
            collected.append(image);
        else
            image->setRejected(false);
    });
    KTImageStorage *storage = imageStorage();
    if (reject && !collected.isEmpty() && storage)
        storage->moveImagesToTrash(collected);
}

void KTSimpleImageModeController::setUIEnabled(bool enabled)
{
    KTImageModeController::setUIEnabled(enabled);
    if (KTBadgeButton *share = shareButton())
        share->setButtonEnabled(enabled);
}
