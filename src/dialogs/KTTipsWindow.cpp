#include "KTTipsWindow.h"

#include "KTAlert.h"
#include "KTColor.h"
#include "KTDialogPictures.h"
#include "KTFont.h"
#include "KTHelpPage.h"
#include "KTSubscriptionClient.h"
#include "KTUserDefaults.h"
#include "ServiceUtils.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QThread>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int kWindowWidth = 720;
constexpr int kTextWidth = 560;

QLabel *label(const QFont &font, const QColor &colour, QWidget *parent,
              Qt::Alignment alignment = Qt::AlignLeft)
{
    auto *result = new QLabel(parent);
    result->setFont(font);
    result->setAlignment(alignment | Qt::AlignVCenter);
    QPalette palette = result->palette();
    palette.setColor(QPalette::WindowText, colour);
    result->setPalette(palette);
    return result;
}

/// A flat button: a pictogram without a background.
KTAbstractButton *iconButton(const QString &pictogram, QWidget *parent)
{
    auto *button = new KTAbstractButton(parent);
    button->setNormalStateImageWithImageNames(QString(), QString(), QString());
    button->setPushedStateImageWithImageNames(QString(), QString(), QString());
    button->setPictogramName(pictogram);
    button->setPictogramPosition(KTAbstractButton::PictogramCentered);
    button->setFixedSize(24, 24);
    button->setCursor(Qt::PointingHandCursor);
    return button;
}

QFont descriptionFont()
{
    QFont font = ktFont(QFont().family(), KTTipsWindow::kDescriptionFontSize);
    font.setWeight(QFont::Light);
    return font;
}

} // namespace

KTTipsWindow::KTTipsWindow(QWidget *parent) : KTOverlayWindow(parent)
{
    KTDialogPictures::registerPictures();
    buildInterface();

    m_showAtStartupCheckbox->setChecked(wantsShowAtStartup());
    m_pageControl->setNumberOfItems(numberOfPages());
    KTUserDefaults &defaults = KTUserDefaults::standardUserDefaults();
    const qint64 opening = std::max<qint64>(0, defaults.integerForKey(kKTTipIndexKey));
    defaults.setInteger(opening + 1, kKTTipIndexKey);
    defaults.synchronize();
    // No page yet, so the first selection counts as a change.
    m_selectedIndex = -1;
    setSelectedIndex(int(opening % numberOfPages()));
}

KTTipsWindow::~KTTipsWindow() = default;

void KTTipsWindow::presentOver(QWidget *parent)
{
    Q_ASSERT(QThread::currentThread() == qApp->thread());
    KTOverlayWindow::present<KTTipsWindow>(parent, KTOverlayWindow::PositionKept);
}

bool KTTipsWindow::wantsShowAtStartup()
{
    KTUserDefaults &defaults = KTUserDefaults::standardUserDefaults();
    if (!defaults.hasStoredValue(kKTShowTipsKey)) {
        defaults.setBool(false, kKTShowTipsKey);
        defaults.synchronize();
        return true;
    }
    return defaults.boolForKey(kKTShowTipsKey);
}

void KTTipsWindow::setWantsShowAtStartup(bool show)
{
    KTUserDefaults &defaults = KTUserDefaults::standardUserDefaults();
    defaults.setBool(show, kKTShowTipsKey);
    defaults.synchronize();
}

const QVector<KTTipsWindow::Tip> &KTTipsWindow::tips()
{
    static const QVector<Tip> pages = [] {
        const auto page = [](int number, const char *title, const char *first, const char *second) {
            Tip tip{tr(title), {}, {}};
            if (first) {
                tip.desc = tr(first) + QStringLiteral("\n\n") + tr(second);
                tip.image = KTDialogPictures::tipImageName(number);
            }
            return tip;
        };
        return QVector<Tip>{
            page(1, "Welcome", nullptr, nullptr),
            page(2, "Where to Start?",
                 "Drag and drop your folder with images inside the Sources block or click Add Folder or Add "
                 "Catalog. Then click Start. ",
                 "Vireoscope will automatically scan your images, creating small thumbnail photos and decide "
                 "which images are duplicates or similar to others."),
            page(3, "Import from Libraries",
                 "Vireoscope integrates flawlessly with your Lightroom, Aperture and iPhoto libraries. To "
                 "import "
                 "from the library, click Add Catalog.",
                 "You’ll see a system window, which will let you find the library you wish to import. Click "
                 "the "
                 "“Add” button. Then click “Start” to proceed."),
            page(4, "Similars View",
                 "After the import, Vireoscope will display all of your photos in the Timeline View. It  "
                 "will also "
                 "automatically move similar photos & duplicates into the Similars View.",
                 "Images will be grouped, so you can easily pick the best ones from each group. You can open "
                 "the "
                 "group by double-clicking on it or simply pressing the spacebar."),
            page(5, "Custom Accuracy",
                 "You can customize the precision of how Vireoscope analyzes similar files and duplicates. "
                 "The "
                 "Highest accuracy means that the software will group only the images that are nearly 100% "
                 "the "
                 "same or are actual duplicates.",
                 "You can also sort by the Time Range within which the images were taken, ranging from "
                 "seconds to "
                 "minutes."),
            page(6, "Groups of Similars",
                 "Double click on the group in Similars View to enter that group. To select an image you "
                 "like, "
                 "mouse over the photo & click on the “Flag” icon in the upper left.",
                 "If there’s a single image you don’t like, click on the button with the “X” symbol to move "
                 "it to "
                 "the Rejects View."),
            page(7, "Select Multiple Images",
                 "A group of similars may have more than 1 image you want to keep. Simply hold the Ctrl key "
                 "and "
                 "click on those images.",
                 "Click on the “Flag” button to favorite all the images. Then click the “Resolve Group” "
                 "button to "
                 "move those you don’t like to the Rejects View. Favorited images will be moved to the Picks "
                 "View."),
            page(8, "Timeline View",
                 "The Timeline View shows you all the images you originally chose by opening up a specific "
                 "folder "
                 "or library. It conveniently groups them by the date they were taken.",
                 "Change the range by clicking on the drop-down menu. The Timeline View makes it easy to "
                 "pick the "
                 "best images that you took during a certain event."),
            page(9, "Picks View",
                 "Images that you decide to keep, get automatically moved to the Picks View. You can then "
                 "easily "
                 "move or copy them to a folder on your computer or in your library by highlighting them and "
                 "clicking on the “Export Picks” button.",
                 "You can also share them to social networks or export for editing into other Brontwell "
                 "apps."),
            page(10, "Rejects View",
                 "Those images you didn’t like or didn’t want to keep are moved to the Rejects View. You can "
                 "export "
                 "them to a separate folder by clicking Export, or remove them completely. ",
                 "If you find some images in the Rejects View that you actually want to keep, highlight "
                 "those and "
                 "click the “Restore” button."),
            page(11, "Get Started!", nullptr, nullptr),
        };
    }();
    return pages;
}

void KTTipsWindow::buildInterface()
{
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(32, 12, 32, 16);
    column->setSpacing(0);

    auto *top = new QHBoxLayout;
    top->addStretch(1);
    auto *close = iconButton(QStringLiteral("close_overlay"), this);
    close->setToolTip(tr("Close"));
    connect(close, &KTControl::clicked, this, &KTOverlayWindow::closeOverlay);
    top->addWidget(close);
    column->addLayout(top);

    QFont titleFont = ktTitleFont();
    titleFont.setPixelSize(22);
    m_tipTitleLabel = label(titleFont, KTPalette::kText, this, Qt::AlignHCenter);
    column->addWidget(m_tipTitleLabel);
    column->addSpacing(16);

    // The middle of the window keeps its height on every page, so the navigation stays put.
    auto *content = new QWidget(this);
    auto *contentColumn = new QVBoxLayout(content);
    contentColumn->setContentsMargins(0, 0, 0, 0);
    contentColumn->setSpacing(0);
    // Pages without a picture sit in the middle of the area.
    contentColumn->addStretch(1);

    m_tipsContainerView = new QWidget(content);
    auto *pictureRow = new QHBoxLayout(m_tipsContainerView);
    pictureRow->setContentsMargins(0, 0, 0, 20);
    m_tipImageView = new KTPictureView(m_tipsContainerView);
    m_tipImageView->setFixedSize(KTDialogPictures::kTipPictureSize.toSize());
    pictureRow->addWidget(m_tipImageView, 0, Qt::AlignHCenter);
    contentColumn->addWidget(m_tipsContainerView);

    m_tipDescriptionLabel = label(descriptionFont(), Qt::white, content);
    m_tipDescriptionLabel->setTextFormat(Qt::RichText);
    m_tipDescriptionLabel->setWordWrap(true);
    m_tipDescriptionLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_tipDescriptionLabel->setFixedWidth(kTextWidth);
    contentColumn->addWidget(m_tipDescriptionLabel, 0, Qt::AlignHCenter);

    // The first and the last page: the application's icon and name over their own content.
    m_infoContainerView = new QWidget(content);
    auto *info = new QVBoxLayout(m_infoContainerView);
    info->setContentsMargins(0, 0, 0, 20);
    info->setSpacing(10);
    auto *icon = new KTPictureView(m_infoContainerView);
    icon->setFixedSize(KTDialogPictures::kApplicationIconSize.toSize());
    icon->setImageName(KTDialogPictures::kApplicationIcon);
    info->addWidget(icon, 0, Qt::AlignHCenter);
    QFont nameFont = ktTitleFont();
    nameFont.setPixelSize(28);
    nameFont.setWeight(QFont::Light);
    QLabel *name = label(nameFont, KTPalette::kText, m_infoContainerView, Qt::AlignHCenter);
    name->setText(ServiceUtils::getApplicationName());
    info->addWidget(name);
    contentColumn->addWidget(m_infoContainerView);

    m_firstTipContent = new QWidget(content);
    auto *first = new QVBoxLayout(m_firstTipContent);
    first->setContentsMargins(0, 8, 0, 0);
    QLabel *welcome = label(descriptionFont(), Qt::white, m_firstTipContent, Qt::AlignHCenter);
    welcome->setTextFormat(Qt::RichText);
    welcome->setWordWrap(true);
    welcome->setFixedWidth(kTextWidth);
    welcome->setText(
        attributedDescriptionWithText(
            tr("A short tour in ten pages, from a folder of shots to the keepers. Turn the pages with "
               "the arrows or the Left and Right keys."))
            .replace(QStringLiteral("text-align:left"), QStringLiteral("text-align:center")));
    first->addWidget(welcome, 0, Qt::AlignHCenter);
    contentColumn->addWidget(m_firstTipContent);

    m_lastTipContent = new QWidget(content);
    auto *last = new QVBoxLayout(m_lastTipContent);
    last->setContentsMargins(0, 8, 0, 0);
    last->setSpacing(14);
    m_lastTipDescriptionLabel = label(descriptionFont(), Qt::white, m_lastTipContent);
    m_lastTipDescriptionLabel->setTextFormat(Qt::RichText);
    m_lastTipDescriptionLabel->setWordWrap(true);
    m_lastTipDescriptionLabel->setFixedWidth(kTextWidth);
    m_lastTipDescriptionLabel->setTextInteractionFlags(Qt::TextBrowserInteraction);
    m_lastTipDescriptionLabel->setOpenExternalLinks(true);
    last->addWidget(m_lastTipDescriptionLabel, 0, Qt::AlignHCenter);

    auto *form = new QHBoxLayout;
    form->setSpacing(8);
    form->addStretch(1);
    m_emailTextField = new QLineEdit(m_lastTipContent);
    m_emailTextField->setPlaceholderText(tr("Your e-mail address"));
    m_emailTextField->setFixedSize(260, 24);
    m_emailTextField->setFont(ktBodyFont());
    connect(m_emailTextField, &QLineEdit::returnPressed, this, &KTTipsWindow::subscribe);
    form->addWidget(m_emailTextField);
    m_subscribeButton = new KTSButton(tr("Subscribe"), m_lastTipContent);
    m_subscribeButton->setFixedSize(96, 24);
    m_subscribeButton->setFocusPolicy(Qt::StrongFocus);
    connect(m_subscribeButton, &KTControl::clicked, this, &KTTipsWindow::subscribe);
    form->addWidget(m_subscribeButton);
    m_progressIndicator = new KTAbstractProgressIndicator(m_lastTipContent);
    m_progressIndicator->setColor(KTPalette::kText);
    m_progressIndicator->setDisplayedWhenStopped(false);
    m_progressIndicator->setFixedSize(16, 16);
    form->addWidget(m_progressIndicator);
    form->addStretch(1);
    QLabel *newsletter = label(ktBodyFont(), KTPalette::kSecondaryText, m_lastTipContent, Qt::AlignHCenter);
    newsletter->setText(tr("News, tips and new versions by e-mail, a few times a year:"));
    last->addWidget(newsletter);
    last->addLayout(form);
    m_subscriptionNote = label(ktSmallFont(), KTPalette::kSecondaryText, m_lastTipContent, Qt::AlignHCenter);
    m_subscriptionNote->setText(tr("The newsletter sign-up is not set up in this copy of Vireoscope."));
    last->addWidget(m_subscriptionNote);
    m_helpButton = new KTSButton(tr("Open Help"), m_lastTipContent);
    m_helpButton->setFixedSize(128, 24);
    m_helpButton->setFocusPolicy(Qt::StrongFocus);
    connect(m_helpButton, &KTControl::clicked, this, &KTTipsWindow::openHelp);
    last->addWidget(m_helpButton, 0, Qt::AlignHCenter);
    contentColumn->addWidget(m_lastTipContent);
    contentColumn->addStretch(1);
    column->addWidget(content);
    // As tall as the tallest page needs: a picture over the longest description, or the icon
    // over the first or the last page's content.
    int tallest = 0;
    for (const Tip &tip : tips()) {
        if (tip.desc.isEmpty())
            continue;
        m_tipDescriptionLabel->setText(attributedDescriptionWithText(tip.desc));
        tallest = std::max(tallest, m_tipDescriptionLabel->heightForWidth(kTextWidth));
    }
    // Every description gets the room of the longest, so the text starts in the same place.
    m_tipDescriptionLabel->setFixedHeight(tallest);
    m_lastTipDescriptionLabel->setText(lastTipDescription());
    m_lastTipDescriptionLabel->setFixedHeight(m_lastTipDescriptionLabel->heightForWidth(kTextWidth));
    const int infoHeight = m_infoContainerView->sizeHint().height();
    content->setFixedHeight(std::max({m_tipsContainerView->sizeHint().height() + tallest,
                                      infoHeight + m_firstTipContent->sizeHint().height(),
                                      infoHeight + m_lastTipContent->sizeHint().height()}));

    // Without an endpoint the form cannot work: it says so and takes no input.
    const bool canSubscribe = KTSubscriptionClient::shared().isAvailable();
    m_emailTextField->setEnabled(canSubscribe);
    m_subscribeButton->setButtonEnabled(canSubscribe);
    m_subscriptionNote->setVisible(!canSubscribe);

    column->addSpacing(16);
    auto *navigation = new QHBoxLayout;
    navigation->setSpacing(0);
    const auto neighbour = [this](KTAbstractButton *button, QLabel *title, bool previous) {
        auto *container = new QWidget(this);
        container->setFixedWidth(220);
        auto *row = new QHBoxLayout(container);
        row->setContentsMargins(0, 0, 0, 0);
        row->setSpacing(4);
        title->setParent(container);
        title->setAlignment((previous ? Qt::AlignLeft : Qt::AlignRight) | Qt::AlignVCenter);
        if (previous) {
            row->addWidget(button);
            row->addWidget(title, 1);
        } else {
            row->addWidget(title, 1);
            row->addWidget(button);
        }
        return container;
    };
    m_prevButton = iconButton(QStringLiteral("chevron_left"), this);
    m_nextButton = iconButton(QStringLiteral("chevron_right"), this);
    m_prevButton->setToolTip(tr("Previous Tip"));
    m_nextButton->setToolTip(tr("Next Tip"));
    m_previousTipTitleLabel = label(ktBodyFont(), KTPalette::kSecondaryText, this);
    m_nextTipTitleLabel = label(ktBodyFont(), KTPalette::kSecondaryText, this);
    m_previousTipContainer = neighbour(m_prevButton, m_previousTipTitleLabel, true);
    m_nextTipContainer = neighbour(m_nextButton, m_nextTipTitleLabel, false);
    connect(m_prevButton, &KTControl::clicked, this, &KTTipsWindow::prevTip);
    connect(m_nextButton, &KTControl::clicked, this, &KTTipsWindow::nextTip);
    // Hidden neighbours keep their room, so the dots stay in the middle.
    for (QWidget *container : {m_previousTipContainer.data(), m_nextTipContainer.data()}) {
        QSizePolicy policy = container->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        container->setSizePolicy(policy);
    }
    navigation->addWidget(m_previousTipContainer);
    navigation->addStretch(1);
    m_pageControl = new KTPageControl(this);
    m_pageControl->setCursor(Qt::PointingHandCursor);
    connect(m_pageControl, &KTPageControl::clicked, this, &KTTipsWindow::selctedIndexChanged);
    navigation->addWidget(m_pageControl, 0, Qt::AlignVCenter);
    navigation->addStretch(1);
    navigation->addWidget(m_nextTipContainer);
    column->addLayout(navigation);

    column->addSpacing(12);
    m_showAtStartupCheckbox = new QCheckBox(tr("Show tips at startup"), this);
    m_showAtStartupCheckbox->setFont(ktSmallFont());
    QPalette boxPalette = m_showAtStartupCheckbox->palette();
    boxPalette.setColor(QPalette::WindowText, KTPalette::kSecondaryText);
    m_showAtStartupCheckbox->setPalette(boxPalette);
    connect(m_showAtStartupCheckbox, &QCheckBox::clicked, this, &KTTipsWindow::showAtStartup);
    column->addWidget(m_showAtStartupCheckbox, 0, Qt::AlignLeft);

    setFixedSize(kWindowWidth, sizeHint().height());
}

void KTTipsWindow::setSelectedIndex(int index)
{
    if (index == m_selectedIndex)
        return;
    const int count = numberOfPages();
    if (index >= count)
        index = 0;
    else if (index < 0)
        index = count - 1;

    const Tip &tip = tips()[index];
    m_pageControl->setSelectedIndex(index);
    m_tipTitleLabel->setText(tip.title);
    if (index > 0)
        m_previousTipTitleLabel->setText(tips()[index - 1].title);
    if (index < count - 1)
        m_nextTipTitleLabel->setText(tips()[index + 1].title);
    if (!tip.image.isEmpty())
        m_tipImageView->setImageName(tip.image, KTPictureView::Transition::CrossFade);
    if (!tip.desc.isEmpty())
        m_tipDescriptionLabel->setText(attributedDescriptionWithText(tip.desc));

    m_selectedIndex = index;
    const bool first = index == 0;
    const bool last = index == count - 1;
    m_tipsContainerView->setVisible(!tip.image.isEmpty());
    m_tipDescriptionLabel->setVisible(!tip.desc.isEmpty());
    m_previousTipContainer->setVisible(!first);
    m_nextTipContainer->setVisible(!last);
    m_infoContainerView->setVisible(first || last);
    m_firstTipContent->setVisible(first);
    m_lastTipContent->setVisible(last);
}

void KTTipsWindow::nextTip()
{
    setSelectedIndex(m_selectedIndex + 1);
}

void KTTipsWindow::prevTip()
{
    setSelectedIndex(m_selectedIndex - 1);
}

void KTTipsWindow::selctedIndexChanged()
{
    setSelectedIndex(m_pageControl->selectedIndex());
}

void KTTipsWindow::showAtStartup()
{
    setWantsShowAtStartup(m_showAtStartupCheckbox->isChecked());
}

void KTTipsWindow::subscribe()
{
    if (!m_subscribeButton->isButtonEnabled() || m_subscribeButton->isHidden())
        return;
    const QString address = m_emailTextField->text().trimmed();
    if (address.isEmpty()) {
        KTAlertPresenter::shared().runModal(
            KTAlert{tr("Error"), tr("E-mail Address field cannot be empty"), {tr("OK")}});
        return;
    }
    if (!ServiceUtils::validateEmail(address)) {
        KTAlertPresenter::shared().runModal(KTAlert{tr("Incorrect E-mail format"), QString(), {tr("OK")}});
        return;
    }
    m_emailTextField->setEnabled(false);
    m_subscribeButton->setButtonEnabled(false);
    m_progressIndicator->startAnimation();
    ServiceUtils::subscribeUserWithEmail(address, true,
                                         [window = QPointer<KTTipsWindow>(this)](bool succeeded) {
                                             if (window)
                                                 window->subscriptionDidEnd(succeeded);
                                         });
}

void KTTipsWindow::subscriptionDidEnd(bool succeeded)
{
    m_progressIndicator->stopAnimation();
    if (succeeded) {
        m_emailTextField->setText(tr("Thank you!"));
        m_subscribeButton->hide();
        return;
    }
    KTAlertPresenter::shared().runModal(KTAlert{
        tr("Error"), tr("Could not subscribe you. Please check your internet connection."), {tr("OK")}});
    m_subscribeButton->setButtonEnabled(true);
    m_emailTextField->setEnabled(true);
}

void KTTipsWindow::openHelp()
{
    KTHelpPage::open();
}

QString KTTipsWindow::attributedDescriptionWithText(const QString &text)
{
    QString html = text.toHtmlEscaped();
    html.replace(QLatin1Char('\n'), QStringLiteral("<br>"));
    return QStringLiteral("<div style=\"color:#ffffff; font-size:%1px; font-weight:300; line-height:%2px; "
                          "text-align:left\">%3</div>")
        .arg(kDescriptionFontSize)
        .arg(kDescriptionLineHeight)
        .arg(html);
}

QString KTTipsWindow::lastTipDescription()
{
    const QUrl help = KTHelpPage::url();
    const QString page = tr("help page");
    const QString link =
        help.isEmpty()
            ? page
            : QStringLiteral("<a href=\"%1\" style=\"color:#ffffff; text-decoration:underline\">%2</a>")
                  .arg(help.toString(QUrl::FullyEncoded), page.toHtmlEscaped());
    QString html = attributedDescriptionWithText(
        tr("You are ready to start your first session. The keys of the review, the modes and where "
           "things live are on the @HELP@, also under Help > Getting Started (F1)."));
    return html.replace(QStringLiteral("@HELP@"), link);
}

void KTTipsWindow::keyPressEvent(QKeyEvent *event)
{
    // The arrows turn the pages unless the e-mail field is being edited.
    const bool editing = m_emailTextField && m_emailTextField->hasFocus();
    if (!editing && event->modifiers() == Qt::NoModifier) {
        if (event->key() == Qt::Key_Left) {
            prevTip();
            return;
        }
        if (event->key() == Qt::Key_Right) {
            nextTip();
            return;
        }
    }
    KTOverlayWindow::keyPressEvent(event);
}
