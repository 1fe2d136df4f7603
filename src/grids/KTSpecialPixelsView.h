#pragma once

#include "KTDrawView.h"

#include <QImage>
#include <QSizeF>

#include <atomic>
#include <functional>
#include <memory>

class QThreadPool;

/// An overlay computed from the pixels of the thumbnail under it (the clipped exposure, the focus
/// mask) and drawn over it with the thumbnail's fit rectangle.
///
/// Setting a new thumbnail owes a computation; it is queued on the one pool that every overlay of
/// every cell shares (two at a time), only while the overlay is shown. Hiding the overlay or a new
/// thumbnail withdraws a job that has not started; the debt stays, so showing it again queues a
/// new one. The result comes back on the main queue and is used, and the debt cleared, only when
/// the overlay still shows the thumbnail it was computed from.
///
/// The computed pixels live in the overlays' memory budget (KTImageMemoryBudget::overlays()),
/// shared with the viewers' overlays; the view keeps only their key. Pixels the budget dropped
/// are owed again: computed at the next paint of a shown overlay, or when a hidden one is shown.
///
/// Threading: create and use on the main thread; only the pixel function runs on the pool.
class KTSpecialPixelsView : public KTDrawView
{
    Q_OBJECT
public:
    /// Computes the overlay of a thumbnail; runs on the pool, so it must not touch any view.
    /// A null result leaves the overlay empty.
    using PixelsFunction = std::function<QImage(const QImage &thumbnail)>;

    explicit KTSpecialPixelsView(QWidget *parent = nullptr);
    ~KTSpecialPixelsView() override;

    /// The pool of every overlay computation: at most two run at once.
    static QThreadPool &queue();

    QImage image() const { return m_image; }
    /// The thumbnail the overlay is computed from; a different one (by its data) reloads.
    void setImage(const QImage &image);
    /// The computed overlay; null while there is none or after the budget dropped it.
    QImage specialPixels() const;
    /// Puts `pixels` into the budget as this overlay's picture (null: none) and redraws.
    void setSpecialPixels(const QImage &pixels);
    /// Withdraws a job that has not started, clears the overlay and owes a new computation when
    /// there is a thumbnail.
    void reload();
    /// Queues the owed computation when the overlay is shown and has a thumbnail.
    void reloadIfNeeds();
    bool isNeedsReload() const { return m_needsReload; }
    /// True while a job of this overlay waits in the pool or runs.
    bool hasPendingComputation() const;

    QSizeF margins() const { return m_margins; }
    /// The thumbnail's fit rectangle (y down); empty without a computed overlay.
    QRectF calculateRectForDraw() const;

    /// The opacity the overlay is drawn with; 1 here.
    virtual double fraction() const;

protected:
    /// The computation of this kind of overlay; none here.
    virtual PixelsFunction specialPixelsFunction() const;

    void drawInRect(QPainter &painter, const QRectF &dirty) override;
    void viewDidHide() override;
    void viewDidUnhide() override;

private:
    struct Job;
    void cancelLoadOperation();
    void deliver(qint64 imageKey, const QImage &pixels);
    /// Owes the computation again when the budget dropped the pixels; true then.
    bool noteDroppedPixels();

    QImage m_image;
    /// The key of this overlay's pixels in the budget, for the view's life.
    const quint64 m_pixelsKey;
    /// The size of the pixels put into the budget; empty without them.
    QSize m_pixelsSize;
    bool m_needsReload = false;
    std::shared_ptr<Job> m_loadOperation;
    QSizeF m_margins;
};
