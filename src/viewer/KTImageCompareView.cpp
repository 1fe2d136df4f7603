#include "KTImageCompareView.h"

#include "KTImageInfoView.h"
#include "KTImageView.h"
#include "KTImageViewServices.h"
#include "KTVisibleGeometry.h"

#include <QMouseEvent>

KTImageCompareView::KTImageCompareView(QWidget *parent) : KTImageCompareView(KTImageViewServices{}, parent) {}

KTImageCompareView::KTImageCompareView(const KTImageViewServices &services, QWidget *parent)
    : KTDrawView(parent)
{
    // The sides and their strips, as the review mode's layout gives them.
    m_leftImageView = new KTImageView(services, this);
    m_rightImageView = new KTImageView(services, this);
    m_leftInfoView =
        new KTImageInfoView(QRectF(0, 0, KTImageInfoView::kDesignedWidth / 2, kStripHeight), this);
    m_rightInfoView =
        new KTImageInfoView(QRectF(0, 0, KTImageInfoView::kDesignedWidth / 2, kStripHeight), this);
    initialize();
}

KTImageCompareView::~KTImageCompareView() = default;

void KTImageCompareView::initialize()
{
    setShowPickRejectButtons(true);
    m_leftImageView->setSelectable(true);
    m_rightImageView->setSelectable(true);
    Q_ASSERT_X(m_leftImageView, "KTImageCompareView", "Left Image View should be Outlet");
    Q_ASSERT_X(m_rightImageView, "KTImageCompareView", "Right Image View should be Outlet");
    setSelectedImageView(m_leftImageView);
    m_leftGeometryObserver = KTNotificationCenter::defaultCenter().addObserver(
        kVisibleGeometryDidChange, m_leftImageView,
        [this](const KTNotification &notification) { imageViewGeometryDidChange(notification); });
    m_rightGeometryObserver = KTNotificationCenter::defaultCenter().addObserver(
        kVisibleGeometryDidChange, m_rightImageView,
        [this](const KTNotification &notification) { imageViewGeometryDidChange(notification); });
    setIsZoomLock(true);
    m_leftInfoView->setUIMode(QStringLiteral("Compare"));
    m_rightInfoView->setUIMode(QStringLiteral("Compare"));
    m_leftInfoView->startObservingImageView(m_leftImageView);
    m_rightInfoView->startObservingImageView(m_rightImageView);
    m_leftInfoView->setDrawsRightSpace(true);
    // Single presses on a side select it; the side still gets them (drags pan).
    m_leftImageView->installEventFilter(this);
    m_rightImageView->installEventFilter(this);
    layoutSides();
}

// ---- Selection ----

void KTImageCompareView::setSelectedImageView(KTImageView *side)
{
    if (side == m_selectedImageView)
        return;
    Q_ASSERT_X(side == m_leftImageView || side == m_rightImageView, "KTImageCompareView",
               "Selected image view should be left or right image view");
    if (side != m_leftImageView && side != m_rightImageView)
        return;
    if (m_selectedImageView)
        m_selectedImageView->setSelected(false);
    m_selectedImageView = side;
    m_unselectedImageView = side == m_leftImageView ? m_rightImageView : m_leftImageView;
    side->setSelected(true);
    updateStripSelection();
    update();
}

void KTImageCompareView::singlePressAt(const QPoint &position)
{
    if (m_leftImageView->geometry().contains(position))
        setSelectedImageView(m_leftImageView);
    else if (m_rightImageView->geometry().contains(position))
        setSelectedImageView(m_rightImageView);
    update();
    emit imageCompareViewDidChangeSelection(this);
}

void KTImageCompareView::mousePressEvent(QMouseEvent *event)
{
    // Presses between the sides, or on the strips, come here.
    if (event->button() == Qt::LeftButton) {
        singlePressAt(event->position().toPoint());
        event->accept();
        return;
    }
    KTDrawView::mousePressEvent(event);
}

bool KTImageCompareView::eventFilter(QObject *watched, QEvent *event)
{
    // A double click arrives as its own event type and stays with its side.
    if (event->type() == QEvent::MouseButtonPress &&
        (watched == m_leftImageView || watched == m_rightImageView)) {
        auto *press = static_cast<QMouseEvent *>(event);
        if (press->button() == Qt::LeftButton)
            singlePressAt(static_cast<QWidget *>(watched)->mapToParent(press->position().toPoint()));
    }
    return KTDrawView::eventFilter(watched, event);
}

void KTImageCompareView::drawInRect(QPainter &, const QRectF &)
{
    updateStripSelection();
}

void KTImageCompareView::updateStripSelection()
{
    // The strips follow the selection once the selected side shows an image.
    if (!m_selectedImageView || m_selectedImageView->selectionRect().isNull())
        return;
    const bool leftSelected = m_selectedImageView == m_leftImageView;
    m_leftInfoView->setSelected(leftSelected);
    m_rightInfoView->setSelected(!leftSelected);
}

// ---- Layout ----

void KTImageCompareView::resizeEvent(QResizeEvent *event)
{
    KTDrawView::resizeEvent(event);
    layoutSides();
    adjustGeometry();
    update();
}

void KTImageCompareView::layoutSides()
{
    const int half = width() / 2;
    const int strip = int(kStripHeight);
    const int imageHeight = std::max(0, height() - strip);
    m_leftImageView->setGeometry(0, 0, half, imageHeight);
    m_rightImageView->setGeometry(half, 0, width() - half, imageHeight);
    // The left strip grows by its right-edge band (6 points): asked 6 narrower, it ends at the
    // middle, where its band divides the two strips.
    m_leftInfoView->setFrame(QRectF(0, imageHeight, half - 6, strip));
    m_rightInfoView->setFrame(QRectF(half, imageHeight, width() - half, strip));
}

// ---- Zoom lock ----

void KTImageCompareView::setIsZoomLock(bool zoomLock)
{
    if (zoomLock == m_isZoomLock)
        return;
    m_isZoomLock = zoomLock;
    m_leftImageView->setIsZoomLock(zoomLock);
    m_rightImageView->setIsZoomLock(zoomLock);
    if (zoomLock)
        m_unselectedImageView->adjustGeometry(m_selectedImageView->geometryInfo());
}

void KTImageCompareView::imageViewGeometryDidChange(const KTNotification &notification)
{
    if (m_isZoomLock) {
        const KTVisibleGeometry geometry = KTVisibleGeometry::fromUserInfo(notification.userInfo);
        if (notification.object == m_leftImageView)
            m_rightImageView->adjustGeometry(geometry);
        else if (notification.object == m_rightImageView)
            m_leftImageView->adjustGeometry(geometry);
        else
            Q_ASSERT_X(false, "KTImageCompareView", "Notification object should be left or right image view");
    }
    update();
}

void KTImageCompareView::adjustGeometry()
{
    if (m_isZoomLock && m_selectedImageView)
        m_unselectedImageView->adjustGeometry(m_selectedImageView->geometryInfo());
}

void KTImageCompareView::compareImage(KTImageMO *first, KTImageMO *second)
{
    const bool fitted = m_selectedImageView->isFitToScreen();
    KTVisibleGeometry geometry;
    if (m_isZoomLock)
        geometry = m_selectedImageView->geometryInfo();
    m_selectedImageView->setImageMO(first);
    m_unselectedImageView->setImageMO(second);
    if (m_isZoomLock) {
        m_unselectedImageView->adjustGeometry(geometry);
        m_selectedImageView->adjustGeometry(geometry);
    }
    if (fitted)
        m_selectedImageView->fitToScreenAnimated(KTAnimated::No);
    updateStripSelection();
    update();
}

// ---- Buttons ----

bool KTImageCompareView::showPickRejectButtons() const
{
    return m_leftImageView->showPickRejectButtons() && m_rightImageView->showPickRejectButtons();
}

void KTImageCompareView::setShowPickRejectButtons(bool show)
{
    m_leftImageView->setShowPickRejectButtons(show);
    m_rightImageView->setShowPickRejectButtons(show);
}

bool KTImageCompareView::pickedAndRejectedButtonsEnabled() const
{
    return m_leftImageView->pickedAndRejectedButtonsEnabled() &&
           m_rightImageView->pickedAndRejectedButtonsEnabled();
}

void KTImageCompareView::setPickedAndRejectedButtonsEnabled(bool enabled)
{
    m_leftImageView->setPickedAndRejectedButtonsEnabled(enabled);
    m_rightImageView->setPickedAndRejectedButtonsEnabled(enabled);
}

// ---- Zoom commands ----

bool KTImageCompareView::isFitToScreen() const
{
    return m_selectedImageView->isFitToScreen();
}

void KTImageCompareView::fitToScreen()
{
    m_selectedImageView->fitToScreen();
}

void KTImageCompareView::fitToScreenAnimated(KTAnimated animated)
{
    m_selectedImageView->fitToScreenAnimated(animated);
}

void KTImageCompareView::actualSize()
{
    m_selectedImageView->actualSize();
}

void KTImageCompareView::zoomIn()
{
    m_selectedImageView->zoomIn();
}

void KTImageCompareView::zoomOut()
{
    m_selectedImageView->zoomOut();
}

void KTImageCompareView::scale(double factor, KTAnimated animated)
{
    m_selectedImageView->scale(factor, animated);
}

std::optional<double> KTImageCompareView::scalePercent() const
{
    return m_selectedImageView->scalePercent();
}
