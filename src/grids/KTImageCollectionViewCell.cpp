#include "KTImageCollectionViewCell.h"

#include "KTAbstractButton.h"
#include "KTColor.h"
#include "KTDispatch.h"
#include "KTFont.h"
#include "KTImageCollectionViewCellDelegate.h"
#include "KTImageCollectionViewCellImageView.h"
#include "KTImageCollectionViewCellMark.h"
#include "KTImageCollectionViewCellMouseEventHandlingView.h"
#include "KTImageCollectionViewCellNumberField.h"
#include "KTImageCollectionViewCellRootView.h"
#include "KTImageCollectionViewCellSelectionView.h"
#include "KTImageCollectionViewImageFlagStatusView.h"
#include "KTImageMO.h"
#include "KTNamedImages.h"
#include "KTObjectContext.h"

#include <QEvent>

namespace {

constexpr int kButtonSide = 20;
constexpr int kGroupMarkSide = 16;
constexpr int kCornerInset = 3;

KTAbstractButton *makeButton(const QString &pictogram, const QString &toolTip, QWidget *parent)
{
    auto *button = new KTAbstractButton(parent);
    button->setToolTip(toolTip);
    // The owner sets the state from the record; a click never turns the button over.
    button->setBehavior(KTAbstractButton::Momentary);
    button->setPictogramName(pictogram);
    button->setPushedPictogramName(pictogram + QStringLiteral("_on"));
    button->setPictogramPosition(KTAbstractButton::PictogramCentered);
    button->resize(kButtonSide, kButtonSide);
    button->hide();
    return button;
}

/// Lays the cell's views out whenever its root view changes size.
class RootLayout : public QObject
{
public:
    RootLayout(KTImageCollectionViewCell *cell) : QObject(cell), m_cell(cell) {}

    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Resize)
            layOut();
        return false;
    }

    void layOut()
    {
        const QRect bounds = m_cell->rootView()->rect();
        m_cell->selectionView()->setGeometry(bounds);
        m_cell->imageView()->setGeometry(bounds);
        m_cell->mouseEventHandlingView()->setGeometry(bounds);
        KTImageCollectionViewCellNumberField *number = m_cell->cellNumberField();
        number->move(QPoint(kCornerInset, bounds.height() - number->height() - kCornerInset));
        // The number and the group mark share the band below the picture.
        m_cell->groupsStateView()->setGeometry(QRect(bounds.width() - kGroupMarkSide - kCornerInset,
                                                     bounds.height() - kGroupMarkSide - kCornerInset,
                                                     kGroupMarkSide, kGroupMarkSide));
        m_cell->adjustGeometry();
    }

private:
    KTImageCollectionViewCell *m_cell;
};

} // namespace

KTImageCollectionViewCell::KTImageCollectionViewCell()
    : m_rootView(new KTImageCollectionViewCellRootView(this)),
      m_selectionView(new KTImageCollectionViewCellSelectionView(m_rootView)),
      m_imageView(new KTImageCollectionViewCellImageView(m_rootView)),
      m_mouseView(new KTImageCollectionViewCellMouseEventHandlingView(this, m_rootView)),
      m_trashButton(makeButton(QStringLiteral("cell_reject"), tr("Reject or restore (Ctrl+R)"), m_mouseView)),
      m_flagButton(makeButton(QStringLiteral("cell_flag"), tr("Pick (Ctrl+P)"), m_mouseView)),
      m_flagStatusView(std::make_unique<KTImageCollectionViewImageFlagStatusView>(m_mouseView)),
      m_numberField(std::make_unique<KTImageCollectionViewCellNumberField>(m_mouseView)),
      m_groupsStateView(std::make_unique<KTImageCollectionViewCellMark>(m_mouseView))
{
    m_rootView->hide();
    m_mouseView->addMark(m_flagStatusView.get());
    m_mouseView->addMark(m_numberField.get());
    m_mouseView->addMark(m_groupsStateView.get());
    m_groupsStateView->setImage(KTNamedImages::shared().image(QStringLiteral("group_mark"),
                                                              QSizeF(kGroupMarkSide, kGroupMarkSide),
                                                              m_rootView->devicePixelRatioF()));

    connect(m_trashButton, &KTAbstractButton::clicked, this, &KTImageCollectionViewCell::onTrashClicked);
    connect(m_flagButton, &KTAbstractButton::clicked, this, &KTImageCollectionViewCell::onFlagClicked);
    connect(m_mouseView, &KTImageCollectionViewCellMouseEventHandlingView::mouseInBoundsChanged, this,
            [this] {
                updateTrashButtonState();
                updateFlagButtonState();
            });
    connect(m_imageView, &KTImageCollectionViewCellImageView::rectForDrawChanged, this,
            &KTImageCollectionViewCell::adjustGeometry);
    auto *layout = new RootLayout(this);
    m_rootView->installEventFilter(layout);

    updateNumberField();
    adjustSelection();
    layout->layOut();
}

KTImageCollectionViewCell::~KTImageCollectionViewCell()
{
    setImageMO(nullptr);
    delete m_rootView;
}

void KTImageCollectionViewCell::setImageMO(KTImageMO *record)
{
    Q_ASSERT(isMainThread());
    if (record == m_imageMO && !m_imageMO.isGone())
        return;
    m_recordObservation.reset();
    m_imageMO = record;
    if (record) {
        if (KTObjectContext *context = record->context()) {
            // One registration for the three keys: a cell is bound again at every scroll step.
            // A rejected image never shows its pick button, so both buttons follow either flag.
            m_recordObservation = context->observe(
                record, {QStringLiteral("rejected"), QStringLiteral("group"), QStringLiteral("picked")},
                [this](const KTValueChange &) {
                    updateTrashButtonState();
                    updateFlagButtonState();
                    adjustFlagStatusView();
                    updateGroupsState();
                });
        }
    }
    // Also for none: the picture view stops monitoring the old record and withdraws its requests.
    m_imageView->setImageMO(record);
    updateTrashButtonState();
    updateGroupsState();
    updateFlagButtonState();
    adjustFlagStatusView();
}

void KTImageCollectionViewCell::setDelegate(KTImageCollectionViewCellDelegate *delegate)
{
    m_delegate.set(delegate);
}

void KTImageCollectionViewCell::setIndex(unsigned index)
{
    if (index == m_index)
        return;
    m_index = index;
    updateNumberField();
}

void KTImageCollectionViewCell::updateNumberField()
{
    m_numberField->setText(QString::number(qulonglong(m_index) + 1));
    m_numberField->move(QPoint(kCornerInset, m_rootView->height() - m_numberField->height() - kCornerInset));
    m_numberField->setVisible(m_cellType & PlainGridCell);
}

void KTImageCollectionViewCell::setCellType(unsigned type)
{
    if (type == m_cellType)
        return;
    m_cellType = type;
    m_rootView->setCellType(type);
    emit cellTypeChanged(type);
    if (type & PlainGridCell) {
        setHideSelection(false);
        m_imageView->setShowGroupStatus(true);
    }
    updateNumberField();
    updateFlagButtonState();
    updateTrashButtonState();
    adjustSelection();
}

void KTImageCollectionViewCell::setIsSelected(bool selected)
{
    if (selected == m_isSelected)
        return;
    m_isSelected = selected;
    adjustSelection();
    updateFlagButtonState();
    updateTrashButtonState();
}

void KTImageCollectionViewCell::setIsActive(bool active)
{
    if (active == m_isActive)
        return;
    m_isActive = active;
    adjustSelection();
}

void KTImageCollectionViewCell::setHideSelection(bool hide)
{
    if (hide == m_hideSelection)
        return;
    m_hideSelection = hide;
    adjustSelection();
}

void KTImageCollectionViewCell::setHideGroupsStatus(bool hide)
{
    if (hide == m_hideGroupsStatus)
        return;
    m_hideGroupsStatus = hide;
    updateGroupsState();
}

void KTImageCollectionViewCell::setShowsExposurePixels(bool shows)
{
    if (shows == m_showsExposurePixels)
        return;
    m_showsExposurePixels = shows;
    m_imageView->setShowsExposurePixels(shows);
}

void KTImageCollectionViewCell::setShowsFocusMask(bool shows)
{
    if (shows == m_showsFocusMask)
        return;
    m_showsFocusMask = shows;
    m_imageView->setShowsFocusMask(shows);
}

void KTImageCollectionViewCell::setFocusedRegionsVisible(bool visible)
{
    if (visible == m_focusedRegionsVisible)
        return;
    m_focusedRegionsVisible = visible;
    m_imageView->setFocusedRegionsVisible(visible);
}

void KTImageCollectionViewCell::setFocusPointLatticeVisible(bool visible)
{
    if (visible == m_focusPointLatticeVisible)
        return;
    m_focusPointLatticeVisible = visible;
    m_imageView->setFocusPointLatticeVisible(visible);
}

void KTImageCollectionViewCell::setShowsTrashStatus(bool shows)
{
    if (shows == m_showsTrashStatus)
        return;
    m_showsTrashStatus = shows;
    m_imageView->setShowsRejectedStatus(shows);
}

void KTImageCollectionViewCell::setShowPickRejectButtons(bool shows)
{
    if (shows == m_showPickRejectButtons)
        return;
    m_showPickRejectButtons = shows;
    updateFlagButtonState();
    updateTrashButtonState();
}

bool KTImageCollectionViewCell::pickedAndRejectButtonsEnabled() const
{
    return m_trashButton->isButtonEnabled() && m_flagButton->isButtonEnabled();
}

void KTImageCollectionViewCell::setPickedAndRejectButtonsEnabled(bool enabled)
{
    // The grid sets it at every binding: a button already set so is left alone.
    for (KTAbstractButton *button : {m_trashButton, m_flagButton}) {
        if (button->testAttribute(Qt::WA_ForceDisabled) == enabled)
            button->setButtonEnabled(enabled);
    }
}

bool KTImageCollectionViewCell::isPicked() const
{
    return m_imageMO && m_imageMO->picked().value_or(false);
}

bool KTImageCollectionViewCell::isRejected() const
{
    return m_imageMO && m_imageMO->rejected().value_or(false);
}

unsigned KTImageCollectionViewCell::selectionTypeForState() const
{
    using Type = KTImageCollectionViewCellSelectionView::SelectionType;
    if (m_hideSelection || !m_isSelected)
        return Type::NotSelected;
    if (m_cellType & CompareColors)
        return m_isActive ? Type::CompareActive : Type::CompareInactive;
    return m_isActive ? Type::MainActive : Type::MainInactive;
}

void KTImageCollectionViewCell::adjustSelection()
{
    m_selectionView->setSelectionType(selectionTypeForState());
}

void KTImageCollectionViewCell::updateTrashButtonState()
{
    // A rejected image keeps its pushed reject button as its mark, as a picked one keeps its flag.
    const bool rejected = isRejected();
    m_trashButton->setPushed(rejected);
    m_trashButton->setVisible((m_mouseView->mouseInBounds() || rejected) && !(m_cellType & NavigationCell) &&
                              m_showPickRejectButtons);
}

void KTImageCollectionViewCell::updateFlagButtonState()
{
    const bool picked = isPicked();
    m_flagButton->setPushed(picked);
    m_flagButton->setVisible((m_mouseView->mouseInBounds() || picked) && !isRejected() &&
                             m_showPickRejectButtons);
}

void KTImageCollectionViewCell::adjustFlagStatusView()
{
    m_flagStatusView->setVisible(isPicked());
}

void KTImageCollectionViewCell::updateGroupsState()
{
    m_groupsStateView->setVisible(m_imageMO && m_imageMO->group() && !m_hideGroupsStatus);
}

void KTImageCollectionViewCell::adjustGeometry()
{
    // The rules are written with y up, as the thumbnail's corners are named: convert once here.
    const double height = m_rootView->height();
    const auto flip = [height](const QRectF &r) {
        return QRectF(r.x(), height - r.y() - r.height(), r.width(), r.height());
    };
    const QRectF bounds(QPointF(), QSizeF(m_rootView->size()));
    QRectF r = flip(QRectF(m_imageView->mapTo(m_rootView, m_imageView->rectForDraw().topLeft()),
                           m_imageView->rectForDraw().size()));
    QRectF flagStatus;
    if (m_imageView->rectForDraw().isEmpty()) {
        flagStatus = bounds;
        r = bounds;
    } else {
        flagStatus = r.adjusted(-3, -3, 3, 3);
    }
    const QSizeF trashSize = m_trashButton->size();
    const QSizeF flagSize = m_flagButton->size();
    const QRectF trash(QPointF(r.right() - trashSize.width() - 2, r.top() + 2), trashSize);
    QPointF flagOrigin(r.left(), r.bottom() - flagSize.height() + 5);
    if (flagOrigin.y() + flagSize.height() > bounds.bottom())
        flagOrigin.setY(bounds.bottom() - flagSize.height());
    m_trashButtonFrame = flip(trash);
    m_flagButtonFrame = flip(QRectF(flagOrigin, flagSize));
    m_flagStatusView->setGeometry(flip(flagStatus).toAlignedRect());
    m_trashButton->setGeometry(m_trashButtonFrame.toRect());
    m_flagButton->setGeometry(m_flagButtonFrame.toRect());
}

void KTImageCollectionViewCell::onTrashClicked()
{
    if (KTImageCollectionViewCellDelegate *delegate = m_delegate.get())
        delegate->onTrashClicked(this);
}

void KTImageCollectionViewCell::onFlagClicked()
{
    if (!m_imageMO)
        return;
    m_imageMO->setPicked(!isPicked());
    if (KTImageCollectionViewCellDelegate *delegate = m_delegate.get())
        delegate->onFlagClicked(this);
}
