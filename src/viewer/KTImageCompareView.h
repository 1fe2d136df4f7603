#pragma once

#include "KTDrawView.h"
#include "KTNotificationCenter.h"
#include "KTZoomProtocol.h"

class KTImageInfoView;
class KTImageMO;
class KTImageView;
struct KTImageViewServices;

/// Two images of a group side by side, each over its information strip, for the "Compare"
/// sub-modes. One side is the selected one: it carries the mode's active image, its selection
/// mark and its strip's highlight, and it receives the zoom commands. With zoom lock on (the
/// default) both sides always show the same part of their images at the same zoom: every zoom
/// or pan on one side is repeated on the other through the sides' geometry broadcasts, which a
/// side never posts when it only follows.
///
/// Single presses on a side select it (an event filter watches them; a double click stays with
/// its side, which zooms); every single press is reported through
/// imageCompareViewDidChangeSelection, whether or not the selection changed.
///
/// Threading: main thread only.
class KTImageCompareView : public KTDrawView, public KTZoomProtocol
{
    Q_OBJECT
public:
    /// The height of each side's information strip.
    static constexpr double kStripHeight = 30.0;

    explicit KTImageCompareView(QWidget *parent = nullptr);
    /// Sides that take their services from `services` (tests).
    explicit KTImageCompareView(const KTImageViewServices &services, QWidget *parent = nullptr);
    ~KTImageCompareView() override;

    KTImageView *leftImageView() const { return m_leftImageView; }
    KTImageView *rightImageView() const { return m_rightImageView; }
    KTImageInfoView *leftInfoView() const { return m_leftInfoView; }
    KTImageInfoView *rightInfoView() const { return m_rightInfoView; }
    KTImageView *selectedImageView() const { return m_selectedImageView; }
    KTImageView *unselectedImageView() const { return m_unselectedImageView; }
    /// Selects one of the two sides; any other view is a programming error (asserted).
    void setSelectedImageView(KTImageView *side);

    /// Shows a new pair: `first` on the selected side, `second` on the other. With zoom lock on
    /// both open at the previous pair's zoom and visible part; a fitted selected side is fitted
    /// again.
    void compareImage(KTImageMO *first, KTImageMO *second);

    bool isZoomLock() const { return m_isZoomLock; }
    /// Switching the lock on makes the unselected side show the selected side's part at once;
    /// switching it off leaves both as they are.
    void setIsZoomLock(bool zoomLock);
    /// Under zoom lock, gives the unselected side the selected side's geometry.
    void adjustGeometry();

    /// Both sides' hover pick and reject buttons; true only when both answer true.
    bool showPickRejectButtons() const;
    void setShowPickRejectButtons(bool show);
    bool pickedAndRejectedButtonsEnabled() const;
    void setPickedAndRejectedButtonsEnabled(bool enabled);

    // KTZoomProtocol: each command goes to the selected side.
    bool isFitToScreen() const override;
    void fitToScreen() override;
    void fitToScreenAnimated(KTAnimated animated) override;
    void actualSize() override;
    void zoomIn() override;
    void zoomOut() override;
    void scale(double factor, KTAnimated animated) override;
    std::optional<double> scalePercent() const override;

signals:
    /// After every single press in the view.
    void imageCompareViewDidChangeSelection(KTImageCompareView *view);

protected:
    void drawInRect(QPainter &painter, const QRectF &dirty) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void initialize();
    void imageViewGeometryDidChange(const KTNotification &notification);
    void layoutSides();
    void singlePressAt(const QPoint &position);
    void updateStripSelection();

    KTImageView *m_leftImageView = nullptr;
    KTImageView *m_rightImageView = nullptr;
    // Children of this view: they live as long as it does.
    KTImageInfoView *m_leftInfoView = nullptr;
    KTImageInfoView *m_rightInfoView = nullptr;
    KTImageView *m_selectedImageView = nullptr;
    KTImageView *m_unselectedImageView = nullptr;
    bool m_isZoomLock = false;
    KTObserverToken m_leftGeometryObserver;
    KTObserverToken m_rightGeometryObserver;
};
