#include "KTMoveToTrashTipsViewController.h"

#include "KTColor.h"
#include "KTDialogPictures.h"
#include "KTExternalImagesManager.h"
#include "KTFont.h"
#include "KTPictureView.h"
#include "KTPopoverManager.h"
#include "KTSButton.h"
#include "KTViewAdditions.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QRegularExpression>
#include <QThread>
#include <QVBoxLayout>

namespace {

constexpr int kPanelWidth = 520;

QLabel *textField(const QFont &font, const QColor &colour, QWidget *parent)
{
    auto *label = new QLabel(parent);
    label->setFont(font);
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
    return label;
}

/// The headers carry a run of spaces between their two sentences, so that the sentences wrap
/// onto two lines; here the run becomes the line break it stands for.
QString headerLines(const QString &text)
{
    static const QRegularExpression run(QStringLiteral(" {2,}"));
    return QString(text).replace(run, QStringLiteral("\n"));
}

} // namespace

KTMoveToTrashTipsViewController::KTMoveToTrashTipsViewController(CatalogTypeHandler externalCatalogType,
                                                                 QWidget *parent)
    : QWidget(parent), m_externalCatalogType(std::move(externalCatalogType))
{
    KTDialogPictures::registerPictures();
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(20, 16, 20, 16);
    column->setSpacing(8);

    auto *picture = new KTPictureView(this);
    picture->setFixedSize(kPanelWidth - 40, KTDialogPictures::kTrashTipPictureSize.height());
    column->addWidget(picture);
    column->addSpacing(4);

    QFont headerFont = ktTitleFont();
    m_topHeaderTextField = textField(headerFont, KTPalette::kText, this);
    m_topDetailedTextField = textField(ktBodyFont(), KTPalette::kSecondaryText, this);
    m_bottomHeaderTextField = textField(ktBodyFont(), KTPalette::kText, this);
    QFont boldBody = ktBodyFont();
    boldBody.setWeight(QFont::DemiBold);
    m_bottomHeaderTextField->setFont(boldBody);
    m_bottomDetailedTextField = textField(ktBodyFont(), KTPalette::kSecondaryText, this);
    for (QLabel *field : {m_topHeaderTextField.data(), m_topDetailedTextField.data(),
                          m_bottomHeaderTextField.data(), m_bottomDetailedTextField.data()})
        field->setFixedWidth(kPanelWidth - 40);
    column->addWidget(m_topHeaderTextField);
    column->addWidget(m_topDetailedTextField);
    column->addSpacing(6);
    column->addWidget(m_bottomHeaderTextField);
    column->addWidget(m_bottomDetailedTextField);
    column->addSpacing(6);

    m_closeButton = new KTSButton(tr("Close"), this);
    m_closeButton->setFixedSize(88, 24);
    m_closeButton->setFocusPolicy(Qt::StrongFocus);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_closeButton);
    column->addLayout(buttons);
    connect(m_closeButton, &KTControl::clicked, this, &KTMoveToTrashTipsViewController::close);

    m_picture = picture;
    setFixedWidth(kPanelWidth);
    adjustUI();
}

KTMoveToTrashTipsViewController::~KTMoveToTrashTipsViewController() = default;

void KTMoveToTrashTipsViewController::showFromView(QWidget *anchor)
{
    Q_ASSERT(QThread::currentThread() == qApp->thread());
    adjustUI();
    KTPopoverManager::sharedManager().showPopoverView(this, anchor, KTPopoverManager::Centered, 0.0, {});
    m_closeButton->setFocus();
}

void KTMoveToTrashTipsViewController::adjustUI()
{
    const int type = m_externalCatalogType ? m_externalCatalogType() : 0;
    const QString stepsHeader = tr("How to delete rejected images:");
    if (type == 1 || type == 2) {
        m_tipImageName = KTDialogPictures::kLightroomRejectedTip;
        // The collection is named as the sync writes it.
        const QString collection = KTExternalImagesManager::sharedManager().rejectedCollectionName();
        setTexts(
            tr("Vireoscope doesn't delete your rejected photos.                                              "
               "                      You'll need to do that in Lightroom."),
            tr("Everything that you do in Vireoscope is automatically synchronized with Lightroom. In "
               "order to completely delete the rejected photos, you will need to do that in Lightroom. "
               "See instructions below."),
            stepsHeader,
            tr("1. Close Vireoscope and launch Lightroom.\n2. Got to the \"%1\" collection.\n3. Select all "
               "files in \"%1\" collection\n(LR shortcut - cmd+A).\n4. Completely trash images by pressing "
               "Cmd+Option+Shift+Delete.")
                .arg(collection));
    } else if (type == 3 || type == 4) {
        m_tipImageName =
            type == 3 ? KTDialogPictures::kIPhotoRejectedTip : KTDialogPictures::kApertureRejectedTip;
        QString texts[] = {
            tr("Preview rejected images in Vireoscope.                                                    "
               "Delete them completely in Aperture."),
            tr("Everything that you do in Vireoscope is automatically synchronized with Aperture. Rejected "
               "images are moved to the Aperture trash. Follow these steps to completely delete the images "
               "you "
               "don't want to keep."),
            stepsHeader,
            tr("1. Close Vireoscope and launch Aperture\n2. Go to the Trash and right click to open the "
               "context "
               "menu.\n3. Select Empty Trash to get rid of unwanted images."),
        };
        if (type == 3) {
            for (QString &text : texts)
                text.replace(QStringLiteral("Aperture"), QStringLiteral("iPhoto"));
        }
        setTexts(texts[0], texts[1], texts[2], texts[3]);
    } else {
        return;
    }
    m_picture->setImageName(m_tipImageName);
    // The texts wrap at the panel's width; the panel is as tall as they need.
    resize(kPanelWidth, layout()->totalHeightForWidth(kPanelWidth));
}

void KTMoveToTrashTipsViewController::setTexts(QString topHeader, QString topDetail, QString bottomHeader,
                                               QString bottomDetail)
{
    m_topHeaderTextField->setText(headerLines(topHeader));
    m_topDetailedTextField->setText(topDetail);
    m_bottomHeaderTextField->setText(bottomHeader);
    m_bottomDetailedTextField->setText(bottomDetail);
}

void KTMoveToTrashTipsViewController::close()
{
    KTPopoverManager::sharedManager().dismissPopover();
}

void KTMoveToTrashTipsViewController::centerInSuperview()
{
    if (QWidget *superview = parentWidget())
        setCenter(this, QRectF(superview->rect()).center());
}

QString KTMoveToTrashTipsViewController::topHeaderText() const
{
    return m_topHeaderTextField->text();
}

QString KTMoveToTrashTipsViewController::topDetailedText() const
{
    return m_topDetailedTextField->text();
}

QString KTMoveToTrashTipsViewController::bottomHeaderText() const
{
    return m_bottomHeaderTextField->text();
}

QString KTMoveToTrashTipsViewController::bottomDetailedText() const
{
    return m_bottomDetailedTextField->text();
}
