#include "KTSingeImageInfoBar.h"

#include "KTColor.h"
#include "KTImageDocument.h"
#include "KTImageMO.h"
#include "KTInfoStrings.h"
#include "KTInfoTextField.h"
#include "KTMultipleLabelsView.h"
#include "KTNamedImages.h"
#include "KTObjectContext.h"
#include "KTRecordDeletion.h"
#include "KTUIImageView.h"

#include <QHBoxLayout>

KTSingeImageInfoBar::KTSingeImageInfoBar(QWidget *parent) : QWidget(parent)
{
    m_deletionObserver = observeRecordDeletion(
        this, [this]() -> const KTRecordRef<KTImageMO> & { return m_imageMO; },
        [this] { setImageMO(nullptr); });
    setFixedHeight(kHeight);
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(8, 0, 0, 0);
    row->setSpacing(8);
    m_imagePathLabel = new KTInfoTextField(this);
    m_imagePathLabel->setTextColor(KTPalette::kText);
    m_imagePathLabel->setElision(KTInfoTextField::Elision::KeepingTheEnd);
    m_imagePathLabel->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    m_separator = new KTUIImageView(this);
    m_separator->setIsMouseDownCanMoveWindow(false);
    const QString separatorName = QStringLiteral("infobar-separator");
    m_separator->setImage(KTNamedImages::shared().image(separatorName, devicePixelRatioF()));
    m_separator->setFixedSize(KTNamedImages::shared().naturalSize(separatorName).toSize());
    m_imageSizeLabel = new KTInfoTextField(this);
    m_imageInfoView = new KTMultipleLabelsView(this);
    row->addWidget(m_imagePathLabel, 1);
    row->addWidget(m_imageSizeLabel);
    row->addWidget(m_separator, 0, Qt::AlignVCenter);
    row->addWidget(m_imageInfoView);
    setInfoHidden(true);
}

KTSingeImageInfoBar::~KTSingeImageInfoBar()
{
    stopFollowingRecord();
}

void KTSingeImageInfoBar::stopFollowingRecord()
{
    m_fileExistsObserver.reset();
    if (m_document)
        disconnect(m_document.get(), nullptr, this, nullptr);
    m_document.reset();
    if (m_imageMO && m_imageMO->isMonitoringFileSystem())
        m_imageMO->stopMonitoringFileSystem();
}

void KTSingeImageInfoBar::setImageMO(KTImageMO *image)
{
    if (image == m_imageMO && !m_imageMO.isGone())
        return;
    stopFollowingRecord();
    m_imageMO = image;
    if (image) {
        image->startMonitoringFileSystem();
        if (KTObjectContext *context = image->context(); context && context->isMainContext()) {
            m_fileExistsObserver = context->observe(image, QStringLiteral("originalFileExists"),
                                                    [this](const KTValueChange &change) {
                                                        if (change.newValue.isValid())
                                                            setInfoHidden(!change.newValue.toBool());
                                                    });
        }
        m_document = KTImageDocument::forImage(image);
        connect(m_document.get(), &KTImageDocument::propertiesLoaded, this,
                [this] { m_imageInfoView->setStrings(infoStringsFromImageMO()); });
    }
    m_imageInfoView->setStrings(infoStringsFromImageMO());
    m_imagePathLabel->setStringValue(image ? image->path() : QString());
    m_imageSizeLabel->setStringValue(image ? KTInfoStrings::byteCount(qint64(image->size().value_or(0)))
                                           : QString());
    setInfoHidden(!image);
}

void KTSingeImageInfoBar::setInfoHidden(bool hidden)
{
    m_infoHidden = hidden;
    for (QWidget *part : {static_cast<QWidget *>(m_separator), static_cast<QWidget *>(m_imageInfoView),
                          static_cast<QWidget *>(m_imagePathLabel), static_cast<QWidget *>(m_imageSizeLabel)})
        part->setVisible(!hidden);
}

QStringList KTSingeImageInfoBar::infoStringsFromImageMO() const
{
    return m_imageMO && m_document ? m_document->properties().infoBarStrings : QStringList();
}
