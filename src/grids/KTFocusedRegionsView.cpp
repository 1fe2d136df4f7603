#include "KTFocusedRegionsView.h"

#include "KTAbstractProgressIndicator.h"
#include "KTColor.h"
#include "KTDispatch.h"
#include "KTFocusedRegionsManager.h"
#include "KTFocusedRegionsStorage.h"
#include "KTGridServices.h"
#include "KTImageMO.h"
#include "KTThumbnailPainting.h"
#include "KTViewAdditions.h"

#include <QPainter>
#include <QPointer>
#include <QResizeEvent>

namespace {
constexpr int kSpinnerSide = 16;
}

KTFocusedRegionsView::KTFocusedRegionsView(QWidget *parent)
    : KTDrawView(parent), m_progressIndicator(new KTAbstractProgressIndicator(this)),
      m_margins(kThumbnailMargin, kThumbnailMargin)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    m_progressIndicator->setColor(KTPalette::kText);
    m_progressIndicator->resize(kSpinnerSide, kSpinnerSide);
    m_progressIndicator->hide();
}

KTFocusedRegionsView::~KTFocusedRegionsView()
{
    cancelObtainingFocusedRegions();
}

void KTFocusedRegionsView::setImageMO(KTImageMO *record)
{
    Q_ASSERT(isMainThread());
    if (record == m_imageMO && !m_imageMO.isGone())
        return;
    cancelObtainingFocusedRegions();
    m_imageMO = record;
    setFocusedRegionsStorage(nullptr);
    if (!isHiddenOrHasHiddenAncestor(this))
        reloadFocusedRegion();
}

void KTFocusedRegionsView::setFocusedRegionsStorage(const std::shared_ptr<KTFocusedRegionsStorage> &storage)
{
    if (storage == m_storage)
        return;
    m_storage = storage;
    update();
}

void KTFocusedRegionsView::reloadFocusedRegion()
{
    Q_ASSERT(isMainThread());
    cancelObtainingFocusedRegions();
    if (!m_imageMO)
        return;
    m_progressIndicator->show();
    m_progressIndicator->startAnimation();
    const quint64 request = ++m_request;
    auto answered = std::make_shared<bool>(false);
    const auto handler = [view = QPointer<KTFocusedRegionsView>(this), request,
                          answered](const std::shared_ptr<KTFocusedRegionsStorage> &storage, bool) {
        *answered = true;
        if (!view || view->m_request != request)
            return;
        view->m_callbackID.reset();
        view->setFocusedRegionsStorage(storage);
        view->stopSpinner();
    };
    std::optional<KTCallbackID> token = KTGridServices::focusedRegionsManager().obtainFocusedRegionStorage(
        handler, m_imageMO->uuid(), m_imageMO->path());
    // A cached storage has been handed over inside the request: no token to keep.
    if (!*answered && m_request == request)
        m_callbackID = std::move(token);
}

void KTFocusedRegionsView::cancelObtainingFocusedRegions()
{
    if (!m_callbackID)
        return;
    ++m_request;
    KTGridServices::focusedRegionsManager().cancelObtaining(m_callbackID);
    m_callbackID.reset();
    stopSpinner();
}

void KTFocusedRegionsView::stopSpinner()
{
    m_progressIndicator->stopAnimation();
    m_progressIndicator->hide();
}

QSizeF KTFocusedRegionsView::innerSize() const
{
    return {width() - 2 * m_margins.width(), height() - 2 * m_margins.height()};
}

QImage KTFocusedRegionsView::drawImage() const
{
    return m_storage ? m_storage->apropriateFocusedRegionOfSize(innerSize()) : QImage();
}

QRectF KTFocusedRegionsView::calculateRectForDrawImage(const QImage &picture) const
{
    return thumbnailFitRect(picture.deviceIndependentSize(), QRectF(rect()), m_margins);
}

void KTFocusedRegionsView::drawInRect(QPainter &painter, const QRectF &)
{
    if (!m_storage)
        return;
    const QImage picture = drawImage();
    if (picture.isNull())
        return;
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(calculateRectForDrawImage(picture), picture);
}

void KTFocusedRegionsView::resizeEvent(QResizeEvent *event)
{
    KTDrawView::resizeEvent(event);
    const QRect spinner(0, 0, kSpinnerSide, kSpinnerSide);
    m_progressIndicator->setGeometry(spinner.translated(rect().center() - spinner.center()));
}

void KTFocusedRegionsView::viewDidHide()
{
    cancelObtainingFocusedRegions();
}

void KTFocusedRegionsView::viewDidUnhide()
{
    if (!m_storage)
        reloadFocusedRegion();
}
