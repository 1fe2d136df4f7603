#include "KTBrokenImagesWindowController.h"

#include "KTAbstractButton.h"
#include "KTAnimations.h"
#include "KTColor.h"
#include "KTDialogControls.h"
#include "KTFont.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QTableView>
#include <QThread>
#include <QVBoxLayout>
#include <QVariantAnimation>

#include <algorithm>

namespace {

constexpr int kSheetWidth = 460;
constexpr int kTableHeight = 180;

/// The table's rows: the controller's list, one column per identifier.
class BrokenImagesModel : public QAbstractTableModel
{
public:
    explicit BrokenImagesModel(const KTBrokenImagesWindowController *controller)
        : QAbstractTableModel(nullptr), m_controller(controller)
    {}

    void reload()
    {
        beginResetModel();
        endResetModel();
    }

    int rowCount(const QModelIndex &parent) const override
    {
        return parent.isValid() ? 0 : int(m_controller->brokenImages().size());
    }
    int columnCount(const QModelIndex &parent) const override { return parent.isValid() ? 0 : 2; }

    QVariant data(const QModelIndex &index, int role) const override
    {
        if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::ToolTipRole))
            return {};
        return m_controller->objectValueForTableColumn(identifier(index.column()), index.row());
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
            return {};
        return section == 0 ? KTBrokenImagesWindowController::tr("Name")
                            : KTBrokenImagesWindowController::tr("Reason");
    }

private:
    static QString identifier(int column)
    {
        return column == 0 ? KTBrokenImagesWindowController::kImageNameColumn
                           : KTBrokenImagesWindowController::kReasonColumn;
    }

    const KTBrokenImagesWindowController *m_controller;
};

} // namespace

KTBrokenImagesWindowController::KTBrokenImagesWindowController(QWidget *parent) : KTSheetWindow(parent)
{
    setObjectName(QStringLiteral("KTBrokenImagesWindow"));
    auto *title = ktDialogLabel(tr("Some images could not be loaded"), ktTitleFont(), KTPalette::kText, this);
    m_imagesCountLabel = ktDialogLabel(countText(0), ktBodyFont(), KTPalette::kSecondaryText, this);
    m_detailsButton = ktPushButton(tr("Show Details"), this, 110);
    m_okButton = ktPushButton(tr("OK"), this);
    connect(m_detailsButton, &KTControl::clicked, this, &KTBrokenImagesWindowController::onShowDetails);
    connect(m_okButton, &KTControl::clicked, this, &KTBrokenImagesWindowController::onOKButton);

    m_tableView = new QTableView(this);
    auto *model = new BrokenImagesModel(this);
    model->setParent(m_tableView);
    m_tableView->setModel(model);
    m_tableView->setFont(ktSmallFont());
    m_tableView->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_tableView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_tableView->setShowGrid(false);
    m_tableView->setAlternatingRowColors(true);
    m_tableView->setWordWrap(false);
    m_tableView->verticalHeader()->hide();
    m_tableView->verticalHeader()->setDefaultSectionSize(QFontMetrics(ktSmallFont()).height() + 6);
    m_tableView->horizontalHeader()->setStretchLastSection(true);
    m_tableView->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_tableView->horizontalHeader()->resizeSection(0, 180);
    m_tableView->setMinimumHeight(60);
    m_tableView->hide();

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(20, 16, 20, 14);
    column->setSpacing(6);
    column->addWidget(title);
    column->addWidget(m_imagesCountLabel);
    column->addWidget(m_tableView);
    column->addSpacing(8);
    auto *buttons = new QHBoxLayout;
    buttons->setSpacing(8);
    buttons->addWidget(m_detailsButton);
    buttons->addStretch(1);
    buttons->addWidget(m_okButton);
    column->addLayout(buttons);

    m_originalTableHeight = kTableHeight;
    setFixedWidth(kSheetWidth);
    m_originalWindowSize = QSize(kSheetWidth, sizeHint().height());
    setFixedSize(m_originalWindowSize);
}

KTBrokenImagesWindowController::~KTBrokenImagesWindowController() = default;

QString KTBrokenImagesWindowController::countText(qsizetype images, qsizetype folders)
{
    const QString imagesText =
        images == 1 ? tr("1 total image") : tr("%n total images", nullptr, int(images));
    if (folders == 0)
        return imagesText;
    const QString foldersText = folders == 1 ? tr("1 folder") : tr("%n folders", nullptr, int(folders));
    return images == 0 ? foldersText : tr("%1, %2").arg(imagesText, foldersText);
}

void KTBrokenImagesWindowController::setBrokenImages(const QList<KTBrokenImage> &brokenImages)
{
    m_brokenImages = brokenImages;
    const auto folders =
        std::count_if(brokenImages.begin(), brokenImages.end(),
                      [](const KTBrokenImage &entry) { return entry.kind == KTBrokenImage::Kind::Folder; });
    m_imagesCountLabel->setText(countText(brokenImages.size() - folders, folders));
    static_cast<BrokenImagesModel *>(m_tableView->model())->reload();
}

QString KTBrokenImagesWindowController::objectValueForTableColumn(const QString &identifier, int row) const
{
    if (row < 0 || row >= m_brokenImages.size())
        return {};
    const KTBrokenImage &image = m_brokenImages[row];
    return identifier == kImageNameColumn ? image.name : image.reason;
}

bool KTBrokenImagesWindowController::isUnfolded() const
{
    return !m_tableView->isHidden();
}

void KTBrokenImagesWindowController::onShowDetails()
{
    Q_ASSERT(QThread::currentThread() == qApp->thread());
    const int unfoldedHeight = m_originalWindowSize.height() + m_originalTableHeight + layout()->spacing();
    if (!isUnfolded()) {
        m_tableView->show();
        m_detailsButton->setTitle(tr("Hide Details"));
        setMinimumSize(m_originalWindowSize.width(), m_originalWindowSize.height());
        setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        animateHeightTo(unfoldedHeight, [this, unfoldedHeight] {
            setMinimumSize(m_originalWindowSize.width(), unfoldedHeight);
        });
        return;
    }
    m_tableView->hide();
    m_detailsButton->setTitle(tr("Show Details"));
    setMinimumSize(width(), m_originalWindowSize.height());
    // Folded, the sheet is exactly as tall as it was made, at its current width.
    animateHeightTo(m_originalWindowSize.height(),
                    [this] { setFixedSize(width(), m_originalWindowSize.height()); });
}

void KTBrokenImagesWindowController::animateHeightTo(int height, std::function<void()> done)
{
    // A fold that starts mid-unfold (or the reverse) takes over from where the sheet stands.
    if (m_foldAnimation)
        m_foldAnimation->stop();
    auto *animation = new QVariantAnimation(this);
    m_foldAnimation = animation;
    animation->setStartValue(this->height());
    animation->setEndValue(height);
    connect(animation, &QVariantAnimation::valueChanged, this,
            [this](const QVariant &value) { resize(width(), value.toInt()); });
    connect(animation, &QVariantAnimation::finished, this, std::move(done));
    KTAnimations::start(animation, kFoldDuration, QAbstractAnimation::DeleteWhenStopped);
}

void KTBrokenImagesWindowController::onOKButton()
{
    if (auto *delegate = m_delegate.get())
        delegate->hideBrokenImagesWindow();
}
