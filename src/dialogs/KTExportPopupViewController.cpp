#include "KTExportPopupViewController.h"

#include "KTAbstractButton.h"
#include "KTColor.h"
#include "KTFont.h"
#include "KTPopoverManager.h"
#include "KTShareManager.h"

#include <QGridLayout>
#include <QLabel>
#include <QThread>
#include <QVBoxLayout>

namespace {

constexpr int kButtonWidth = 96;
constexpr double kPopoverOffset = -20.0;

QLabel *caption(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setFont(ktSmallFont());
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, KTPalette::kSecondaryText);
    label->setPalette(palette);
    return label;
}

} // namespace

KTExportPopupViewController::KTExportPopupViewController(CatalogTypeHandler externalCatalogType,
                                                         QWidget *parent)
    : QWidget(parent), m_externalCatalogType(std::move(externalCatalogType))
{
    const auto button = [this](const QString &title) {
        auto *result = new KTAbstractButton(title, this);
        result->setFocusPolicy(Qt::StrongFocus);
        result->setFixedSize(std::max(result->sizeHint().width(), kButtonWidth), result->sizeHint().height());
        return result;
    };
    m_moveButton = button(tr("Move…"));
    m_copyButton = button(tr("Copy…"));
    m_exportToLightroomButton = button(KTShareManager::exportItemTitle(kKTExportToLightroom));
    m_exportToiPhotoButton = button(KTShareManager::exportItemTitle(kKTExportToIPhoto));
    m_exportToApertureButton = button(KTShareManager::exportItemTitle(kKTExportToAperture));

    auto *layout = new QGridLayout(this);
    layout->setContentsMargins(12, 10, 12, 12);
    layout->setHorizontalSpacing(8);
    layout->setVerticalSpacing(8);
    layout->addWidget(caption(tr("Move or copy to a folder"), this), 0, 0, 1, 3);
    layout->addWidget(m_moveButton, 1, 0);
    layout->addWidget(m_copyButton, 1, 1);
    layout->setRowMinimumHeight(2, 4);
    layout->addWidget(caption(tr("Open in a photo manager"), this), 3, 0, 1, 3);
    layout->addWidget(m_exportToLightroomButton, 4, 0);
    layout->addWidget(m_exportToiPhotoButton, 4, 1);
    layout->addWidget(m_exportToApertureButton, 4, 2);
    setFixedSize(sizeHint());

    connect(m_moveButton, &KTControl::clicked, this, [this] { closeWithType(CloseMove); });
    connect(m_copyButton, &KTControl::clicked, this, [this] { closeWithType(CloseCopy); });
    connect(m_exportToLightroomButton, &KTControl::clicked, this,
            [this] { performShareWithExportItem(kKTExportToLightroom); });
    connect(m_exportToiPhotoButton, &KTControl::clicked, this,
            [this] { performShareWithExportItem(kKTExportToIPhoto); });
    connect(m_exportToApertureButton, &KTControl::clicked, this,
            [this] { performShareWithExportItem(kKTExportToAperture); });
    reset();
}

KTExportPopupViewController::~KTExportPopupViewController() = default;

void KTExportPopupViewController::showFromView(QWidget *anchor)
{
    Q_ASSERT(QThread::currentThread() == qApp->thread());
    reset();
    KTPopoverManager::sharedManager().showPopoverView(this, anchor, KTPopoverManager::Below, kPopoverOffset,
                                                      {});
    m_moveButton->setFocus();
}

void KTExportPopupViewController::reset()
{
    m_canMove = m_moveButtonValidationHandler ? m_moveButtonValidationHandler() : true;
    m_pathsToShare =
        m_pathsToShareHandler ? m_pathsToShareHandler() : std::optional<QStringList>(QStringList());
    validateExportButtons();
}

void KTExportPopupViewController::validateExportButtons()
{
    const int type = m_externalCatalogType ? m_externalCatalogType() : 0;
    const bool hasPaths = m_pathsToShare.has_value();
    const auto offered = [&](const QString &exportItemID) {
        return hasPaths && KTShareManager::canPerformExportWithExportItem(exportItemID);
    };
    m_exportToApertureButton->setButtonEnabled(offered(kKTExportToAperture) && type != 4);
    m_exportToiPhotoButton->setButtonEnabled(offered(kKTExportToIPhoto) && type != 3);
    m_exportToLightroomButton->setButtonEnabled(offered(kKTExportToLightroom) && type != 1 && type != 2);
    m_moveButton->setButtonEnabled(m_canMove);
}

void KTExportPopupViewController::closeWithType(int type)
{
    KTPopoverManager::sharedManager().dismissPopover();
    if (m_closeHandler)
        m_closeHandler(type);
}

void KTExportPopupViewController::performShareWithExportItem(const QString &exportItemID)
{
    KTPopoverManager::sharedManager().dismissPopover();
    KTShareManager::performExportWithExportItem(exportItemID, m_pathsToShare.value_or(QStringList()));
}
