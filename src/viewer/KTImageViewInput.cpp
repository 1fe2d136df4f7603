#include "KTImageView.h"

#include "KTAnimations.h"
#include "KTBinding.h"
#include "KTDispatch.h"
#include "KTFocusMaskDefaults.h"
#include "KTFocusedRegionsManager.h"
#include "KTFullSizeImageCache.h"
#include "KTImageDocument.h"
#include "KTImageMO.h"
#include "KTImageSelectionView.h"
#include "KTLoadingBadge.h"
#include "KTImageStorage.h"
#include "KTMenuPresenter.h"
#include "KTObjectContext.h"
#include "KTOnOffButton.h"
#include "KTRecordDeletion.h"
#include "KTShareMenu.h"
#include "KTSharedPaths.h"
#include "KTSpinner.h"
#include "KTUserDefaults.h"
#include "KTViewAdditions.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QNativeGestureEvent>
#include <QVariantAnimation>

#include <cmath>
#include <utility>

// The viewer's input: the mouse, the wheel, the pinch and the keys.

// ---- Events ----

void KTImageView::resizeEvent(QResizeEvent *event)
{
    KTDrawView::resizeEvent(event);
    frameDidChange();
}

bool KTImageView::event(QEvent *event)
{
    if (event->type() == QEvent::NativeGesture) {
        auto *gesture = static_cast<QNativeGestureEvent *>(event);
        if (gesture->gestureType() != Qt::ZoomNativeGesture)
            return KTDrawView::event(event);
        event->accept();
        if (!recordFileExists())
            return true;
        const auto target = m_geometry.pinchTarget(float(gesture->value()));
        if (!target)
            return true;
        if (*target != m_geometry.scale()) {
            m_geometry.setBackingScale(devicePixelRatioF());
            m_geometry.scaleAboutViewPoint(*target, viewPoint(gesture->position()));
            m_geometry.adjustPosition();
            syncPresentation(KTAnimated::No);
            updateScalePercent();
            adjustImageLayerVisibility();
            notifyAboutVisibleGeometryChanges(KTAnimated::No);
        }
        setIsFitToScreen(false);
        return true;
    }
    return KTDrawView::event(event);
}

void KTImageView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        KTDrawView::mousePressEvent(event);
        return;
    }
    m_mouseDown = true;
    m_lastDragPoint = event->position();
    m_pointer = event->position();
    updateCursor();
    event->accept();
}

void KTImageView::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        KTDrawView::mouseDoubleClickEvent(event);
        return;
    }
    if (m_geometry.doubleClickFits(m_isFitToScreen))
        fitToScreen();
    else
        actualSizeWithUnmovedPoint(viewPoint(event->position()), KTAnimated::Yes);
    event->accept();
}

void KTImageView::mouseMoveEvent(QMouseEvent *event)
{
    m_pointer = event->position();
    if (m_mouseDown && (event->buttons() & Qt::LeftButton)) {
        const QPointF delta = event->position() - m_lastDragPoint;
        m_lastDragPoint = event->position();
        moveByVect(QPointF(delta.x(), -delta.y()), KTAnimated::No);
        notifyAboutVisibleGeometryChanges(KTAnimated::No);
    }
    updateCursor();
    adjustFlagButtonVisibility();
    adjustRejectButtonVisibility();
    event->accept();
}

void KTImageView::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        m_mouseDown = false;
    updateCursor();
    KTDrawView::mouseReleaseEvent(event);
}

void KTImageView::wheelEvent(QWheelEvent *event)
{
    event->accept();
    const bool zoomModifier = event->modifiers() & (Qt::ControlModifier | Qt::AltModifier);
    switch (KTViewerGeometry::wheelAction(!event->pixelDelta().isNull(), zoomModifier,
                                          event->angleDelta().y(), event->phase() == Qt::ScrollMomentum)) {
    case KTViewerGeometry::WheelAction::Ignore:
        return;
    case KTViewerGeometry::WheelAction::Pan:
        moveByVect(QPointF(event->pixelDelta().x(), -event->pixelDelta().y()), KTAnimated::No);
        notifyAboutVisibleGeometryChanges(KTAnimated::No);
        return;
    case KTViewerGeometry::WheelAction::ZoomIn:
        zoomInWithUnmovedPoint(viewPoint(event->position()), KTAnimated::No);
        break;
    case KTViewerGeometry::WheelAction::ZoomOut:
        zoomOutWithUnmovedPoint(viewPoint(event->position()), KTAnimated::No);
        break;
    }
    finishZoomCommand(KTAnimated::No);
}

void KTImageView::keyPressEvent(QKeyEvent *event)
{
    // The zoom keys, with or without Ctrl: "+" (or "=") in, "-" out, "0" fit, "1" actual size.
    // Arrow keys are left to the parent: they move between images in the review modes.
    switch (event->key()) {
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        zoomIn();
        break;
    case Qt::Key_Minus:
        zoomOut();
        break;
    case Qt::Key_0:
        fitToScreen();
        break;
    case Qt::Key_1:
        actualSize();
        break;
    default:
        KTDrawView::keyPressEvent(event);
        return;
    }
    event->accept();
}

void KTImageView::enterEvent(QEnterEvent *event)
{
    m_pointer = event->position();
    KTDrawView::enterEvent(event);
    updateCursor();
    adjustFlagButtonVisibility();
    adjustRejectButtonVisibility();
}

void KTImageView::leaveEvent(QEvent *event)
{
    m_pointer.reset();
    KTDrawView::leaveEvent(event);
    adjustFlagButtonVisibility();
    adjustRejectButtonVisibility();
}

void KTImageView::contextMenuEvent(QContextMenuEvent *event)
{
    std::unique_ptr<QMenu> menu(menuForEvent(event->pos()));
    if (!menu) {
        event->ignore();
        return;
    }
    KTMenuPresenter::popUp(menu.get(), event->globalPos(), nullptr);
    event->accept();
}

void KTImageView::viewDidHide()
{
    KTDrawView::viewDidHide();
    cancelObtainingFocusedRegions();
}

void KTImageView::viewDidUnhide()
{
    KTDrawView::viewDidUnhide();
    reloadFocusedRegionsIfNeed();
    // What the overlays asked for while the view was hidden.
    if (std::exchange(m_exposurePixelsAwaitsShow, false) ||
        (m_showsExposurePixels && layer(Layer::ExposurePixels).contents.isNull()))
        displayExposurePixels();
    if (std::exchange(m_focusMaskAwaitsShow, false) ||
        (m_showsFocusMask && layer(Layer::FocusMask).contents.isNull()))
        displayFocusMask();
    adjustImageLayerVisibility();
}
