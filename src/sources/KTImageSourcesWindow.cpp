#include "KTImageSourcesWindow.h"

#include "KTDropView.h"
#include "KTSourcesTableView.h"

#include "KTAboutWindow.h"
#include "KTAbstractButton.h"
#include "KTColor.h"
#include "KTCommon.h"
#include "KTFont.h"
#include "KTNamedImages.h"
#include "KTSButton.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

namespace {

constexpr int kButtonHeight = 24;
constexpr int kColumnMaximumWidth = 760;

QLabel *textField(const QFont &font, const QColor &colour, QWidget *parent)
{
    auto *label = new QLabel(parent);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
    return label;
}

/// The hint of the empty drop area: a large, faint folder above its text. It paints both
/// itself, since a label's own margins do not survive being laid out.
class KTNoSourcesLabel : public QLabel
{
public:
    static constexpr int kPictureSize = 48;
    static constexpr int kGap = 16;

    using QLabel::QLabel;

    QSize sizeHint() const override
    {
        const QSize text = textRect(QRect(0, 0, QWIDGETSIZE_MAX, QWIDGETSIZE_MAX)).size();
        return QSize(text.width() + 48, kPictureSize + kGap + text.height());
    }
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.setOpacity(0.45);
        const QImage picture = KTNamedImages::shared().image(
            QStringLiteral("source_folder"), QSizeF(kPictureSize, kPictureSize), devicePixelRatioF());
        painter.drawImage(QPointF((width() - kPictureSize) / 2.0, 0), picture);
        painter.setOpacity(1.0);
        painter.setPen(palette().color(QPalette::WindowText));
        painter.setFont(font());
        painter.drawText(QRect(0, kPictureSize + kGap, width(), height() - kPictureSize - kGap),
                         Qt::AlignHCenter | Qt::AlignTop, text());
    }

private:
    QRect textRect(const QRect &bounds) const
    {
        return QFontMetrics(font()).boundingRect(bounds, Qt::AlignHCenter | Qt::AlignTop, text());
    }
};

KTAbstractButton *pictogramButton(const QString &pictogram, const QString &title, QWidget *parent)
{
    auto *button = new KTAbstractButton(parent);
    button->setNormalStateImageWithImageNames({}, {}, {});
    button->setPushedStateImageWithImageNames({}, {}, {});
    button->setPictogramPosition(KTAbstractButton::PictogramCentered);
    button->setPictogramName(pictogram);
    button->setPushedPictogramName(pictogram + QStringLiteral("_on"));
    button->setBehavior(KTAbstractButton::Momentary);
    button->setFixedSize(24, 24);
    button->setToolTip(title);
    button->setAccessibleName(title);
    return button;
}

KTSButton *pushButton(const QString &title, const QString &toolTip, QWidget *parent)
{
    auto *button = new KTSButton(title, parent);
    button->setToolTip(toolTip);
    button->setAccessibleName(title);
    button->setFocusPolicy(Qt::StrongFocus);
    return button;
}

/// Room for the title: its measured width with the button's padding, at least `minimum`.
void sizeButton(KTSButton *button, int minimum)
{
    button->setFixedSize(std::max(minimum, button->sizeHint().width() + 24), kButtonHeight);
}

} // namespace

KTImageSourcesWindow::KTImageSourcesWindow(QWidget *parent)
    // A dialog for the window system, so that the window manager keeps it above its parent, the
    // main window (X11 marks only dialogs, tools and the like as transient for their parent).
    : QWidget(parent, Qt::Dialog | Qt::FramelessWindowHint), m_tableView(new KTSourcesTableView),
      m_dropView(new KTDropView),
      m_versionTextField(textField(ktSmallFont(), KTPalette::kSecondaryText, this)),
      m_applicationDescriptionTextField(textField(ktBodyFont(), KTPalette::kSecondaryText, this)),
      m_copyrightTextField(textField(ktSmallFont(), KTPalette::kSecondaryText, this)),
      m_sourcesTextField(textField(ktBodyFont(), KTPalette::kText, this)),
      m_noSourcesTextField(new KTNoSourcesLabel(this)),
      m_closeButton(pictogramButton(QStringLiteral("sources_close"), tr("Close"), this)),
      m_helpButton(pictogramButton(QStringLiteral("sources_help"), tr("Help"), this)),
      m_startSessionButton(
          pushButton(tr("Start"), tr("Import the sources and look for similar shots"), this)),
      m_addFolderButton(pushButton(tr("Add Folder…"), tr("Add folders of photos"), this)),
      m_addCatalogButton(pushButton(tr("Add Catalog…"),
                                    tr("Open a Lightroom catalog, an iPhoto library or an Aperture library"),
                                    this)),
      m_openRecentCatalogButton(pushButton(tr("Recent Catalogs"), tr("Open a catalog opened before"), this))
{
    setWindowTitle(tr("Sources"));
    setMinimumSize(560, 420);
    resize(900, 600);

    m_closeButton->setShortcut(QKeySequence(Qt::Key_Escape));
    m_helpButton->setShortcut(QKeySequence(Qt::Key_F1));
    m_startSessionButton->setShortcut(QKeySequence(Qt::Key_Return));
    m_addFolderButton->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    m_addCatalogButton->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O));
    m_openRecentCatalogButton->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
    m_openRecentCatalogButton->setDropDown(true);
    sizeButton(m_addFolderButton, 112);
    sizeButton(m_addCatalogButton, 112);
    sizeButton(m_openRecentCatalogButton, 136);
    sizeButton(m_startSessionButton, 96);

    QFont nameFont = ktTitleFont();
    nameFont.setPixelSize(28);
    nameFont.setWeight(QFont::Light);
    auto *nameTextField = textField(nameFont, KTPalette::kText, this);
    nameTextField->setText(KTCommon::applicationName());
    m_applicationDescriptionTextField->setText(
        tr("Finds the similar shots of a shoot, so you keep the best of each."));
    m_versionTextField->setText(tr("Version %1").arg(KTAboutWindow::shortVersionString()));
    m_copyrightTextField->setText(tr("© The %1 developers").arg(KTCommon::applicationName()));
    QFont heading = ktBodyFont();
    heading.setBold(true);
    m_sourcesTextField->setFont(heading);
    m_sourcesTextField->setText(tr("Sources"));
    m_noSourcesTextField->setText(
        tr("Drop folders here, or one Lightroom catalog, iPhoto library or Aperture library.\n"
           "You can also add them with the buttons below."));
    m_noSourcesTextField->setFont(ktBodyFont());
    QPalette hint = m_noSourcesTextField->palette();
    hint.setColor(QPalette::WindowText, KTPalette::kSecondaryText);
    m_noSourcesTextField->setPalette(hint);
    m_noSourcesTextField->setAttribute(Qt::WA_TransparentForMouseEvents);

    // The table and the hint share the drop area; the hint lies on top, centred.
    m_dropView->setParent(this);
    auto *dropArea = new QGridLayout(m_dropView);
    dropArea->setContentsMargins(m_dropView->contentsMargins() + QMargins(2, 4, 2, 4));
    m_tableView->setParent(m_dropView);
    dropArea->addWidget(m_tableView, 0, 0);
    m_noSourcesTextField->setParent(m_dropView);
    dropArea->addWidget(m_noSourcesTextField, 0, 0, Qt::AlignCenter);

    auto *topRow = new QHBoxLayout;
    topRow->setContentsMargins(12, 12, 12, 0);
    topRow->setSpacing(4);
    topRow->addStretch(1);
    topRow->addWidget(m_helpButton);
    topRow->addWidget(m_closeButton);

    auto *buttons = new QHBoxLayout;
    buttons->setSpacing(8);
    buttons->addWidget(m_addFolderButton);
    buttons->addWidget(m_addCatalogButton);
    buttons->addWidget(m_openRecentCatalogButton);
    buttons->addStretch(1);
    buttons->addWidget(m_startSessionButton);

    auto *content = new QWidget(this);
    content->setMaximumWidth(kColumnMaximumWidth);
    auto *column = new QVBoxLayout(content);
    column->setContentsMargins(32, 0, 32, 0);
    column->setSpacing(0);
    column->addWidget(nameTextField, 0, Qt::AlignHCenter);
    column->addSpacing(4);
    column->addWidget(m_applicationDescriptionTextField, 0, Qt::AlignHCenter);
    column->addSpacing(28);
    column->addWidget(m_sourcesTextField);
    column->addSpacing(8);
    column->addWidget(m_dropView, 1);
    column->addSpacing(12);
    column->addLayout(buttons);

    auto *middle = new QHBoxLayout;
    // The column grows with the window up to its maximum width, then stays centred.
    middle->addStretch(1);
    middle->addWidget(content, 100);
    middle->addStretch(1);

    auto *footer = new QHBoxLayout;
    footer->setContentsMargins(16, 0, 16, 12);
    footer->addWidget(m_versionTextField);
    footer->addStretch(1);
    footer->addWidget(m_copyrightTextField);

    auto *root = new QVBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    root->setSpacing(0);
    root->addLayout(topRow);
    root->addLayout(middle, 1);
    root->addSpacing(28);
    root->addLayout(footer);
}

KTImageSourcesWindow::~KTImageSourcesWindow() = default;

void KTImageSourcesWindow::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), KTPalette::kWindow);
}
