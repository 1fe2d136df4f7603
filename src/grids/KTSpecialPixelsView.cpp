#include "KTSpecialPixelsView.h"

#include "KTBackgroundWork.h"
#include "KTDispatch.h"
#include "KTImageMemoryBudget.h"
#include "KTIndeterminateProgressIndicatorController.h"
#include "KTThumbnailPainting.h"
#include "KTViewAdditions.h"

#include <QPainter>
#include <QPointer>
#include <QThreadPool>
#include <QTimer>

/// One queued computation. A job that has not started can be withdrawn; a running one finishes
/// and its result is sorted out on the main thread.
struct KTSpecialPixelsView::Job
{
    enum State
    {
        Pending,
        Running,
        Withdrawn,
        Finished
    };
    std::atomic<int> state{Pending};

    bool withdraw()
    {
        int expected = Pending;
        return state.compare_exchange_strong(expected, Withdrawn);
    }
};

KTSpecialPixelsView::KTSpecialPixelsView(QWidget *parent)
    : KTDrawView(parent), m_pixelsKey(KTImageMemoryBudget::newKey()),
      m_margins(kThumbnailMargin, kThumbnailMargin)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

KTSpecialPixelsView::~KTSpecialPixelsView()
{
    cancelLoadOperation();
    KTImageMemoryBudget::overlays().remove(m_pixelsKey);
}

QThreadPool &KTSpecialPixelsView::queue()
{
    static QThreadPool *pool = [] {
        auto *result = new QThreadPool;
        result->setMaxThreadCount(2);
        result->setObjectName(QStringLiteral("KTSpecialPixelsView"));
        KTBackgroundWork::addPool(result);
        return result;
    }();
    return *pool;
}

void KTSpecialPixelsView::setImage(const QImage &image)
{
    Q_ASSERT(isMainThread());
    if (image.cacheKey() == m_image.cacheKey() || (image.isNull() && m_image.isNull()))
        return;
    m_image = image;
    reload();
}

QImage KTSpecialPixelsView::specialPixels() const
{
    return m_pixelsSize.isEmpty() ? QImage() : KTImageMemoryBudget::overlays().image(m_pixelsKey);
}

void KTSpecialPixelsView::setSpecialPixels(const QImage &pixels)
{
    if (pixels.isNull() && m_pixelsSize.isEmpty())
        return;
    KTImageMemoryBudget::overlays().insert(m_pixelsKey, pixels);
    m_pixelsSize = pixels.size();
    update();
}

bool KTSpecialPixelsView::noteDroppedPixels()
{
    if (m_pixelsSize.isEmpty() || KTImageMemoryBudget::overlays().contains(m_pixelsKey))
        return false;
    m_pixelsSize = QSize();
    m_needsReload = !m_image.isNull();
    return true;
}

void KTSpecialPixelsView::reload()
{
    Q_ASSERT(isMainThread());
    cancelLoadOperation();
    setSpecialPixels({});
    m_needsReload = !m_image.isNull();
    reloadIfNeeds();
}

void KTSpecialPixelsView::cancelLoadOperation()
{
    if (m_loadOperation)
        m_loadOperation->withdraw();
    m_loadOperation.reset();
}

bool KTSpecialPixelsView::hasPendingComputation() const
{
    if (!m_loadOperation)
        return false;
    const int state = m_loadOperation->state.load();
    return state == Job::Pending || state == Job::Running;
}

void KTSpecialPixelsView::reloadIfNeeds()
{
    Q_ASSERT(isMainThread());
    if (!m_needsReload || m_image.isNull() || isHiddenOrHasHiddenAncestor(this))
        return;
    cancelLoadOperation();
    auto job = std::make_shared<Job>();
    m_loadOperation = job;
    queue().start([job, view = QPointer<KTSpecialPixelsView>(this), image = m_image,
                   compute = specialPixelsFunction()] {
        int expected = Job::Pending;
        if (!job->state.compare_exchange_strong(expected, Job::Running))
            return;
        KTIndeterminateProgressIndicatorController::sharedController().startAnimation();
        QImage pixels = compute ? compute(image) : QImage();
        job->state.store(Job::Finished);
        // The debt is settled on the main thread, where the view's thumbnail can be compared.
        postToMain([view, key = image.cacheKey(), pixels = std::move(pixels)] {
            if (view)
                view->deliver(key, pixels);
        });
        KTIndeterminateProgressIndicatorController::sharedController().stopAnimation();
    });
}

void KTSpecialPixelsView::deliver(qint64 imageKey, const QImage &pixels)
{
    if (m_image.isNull() || m_image.cacheKey() != imageKey)
        return;
    if (!pixels.isNull())
        setSpecialPixels(pixels);
    m_needsReload = false;
}

QRectF KTSpecialPixelsView::calculateRectForDraw() const
{
    // The overlay may have another resolution than the thumbnail; it covers the thumbnail's
    // rectangle exactly.
    if (m_pixelsSize.isEmpty())
        return {};
    return thumbnailFitRect(m_image.deviceIndependentSize(), QRectF(rect()), m_margins);
}

double KTSpecialPixelsView::fraction() const
{
    return 1.0;
}

KTSpecialPixelsView::PixelsFunction KTSpecialPixelsView::specialPixelsFunction() const
{
    return {};
}

void KTSpecialPixelsView::drawInRect(QPainter &painter, const QRectF &)
{
    if (m_pixelsSize.isEmpty())
        return;
    const QImage pixels = KTImageMemoryBudget::overlays().image(m_pixelsKey);
    if (pixels.isNull()) {
        // Dropped by the budget while shown: computed again after this paint.
        noteDroppedPixels();
        QTimer::singleShot(0, this, &KTSpecialPixelsView::reloadIfNeeds);
        return;
    }
    // Source-over: unlike a layer of its own, the overlay paints onto the thumbnail below it.
    painter.setOpacity(fraction());
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(calculateRectForDraw(), pixels);
}

void KTSpecialPixelsView::viewDidHide()
{
    cancelLoadOperation();
    KTDrawView::viewDidHide();
}

void KTSpecialPixelsView::viewDidUnhide()
{
    noteDroppedPixels();
    reloadIfNeeds();
    KTDrawView::viewDidUnhide();
}
