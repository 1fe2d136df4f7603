#include "KTModeChrome.h"

#include "KTAbstractButton.h"
#include "KTBadgeButton.h"
#include "KTBindingSource.h"
#include "KTButton.h"
#include "KTGridScrollView.h"
#include "KTImageInfoView.h"
#include "KTImageMO.h"
#include "KTImageNavigationView.h"
#include "KTImageView.h"
#include "KTLevelIndicator.h"
#include "KTLevelIndicatorCell.h"
#include "KTModeToolbar.h"
#include "KTNamedImages.h"
#include "KTResizablePopUpButton.h"
#include "KTZoomSlider.h"

#include <QBoxLayout>
#include <QEvent>
#include <QPainter>

#include <cmath>

namespace {

/// An image stretched over the whole widget along both axes; lets the mouse through.
class StretchedImageView : public QWidget
{
public:
    StretchedImageView(const QImage &image, QWidget *parent) : QWidget(parent), m_image(image)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }
    int imageHeight() const { return int(std::ceil(m_image.deviceIndependentSize().height())); }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(rect(), m_image);
    }

private:
    QImage m_image;
};

} // namespace

KTModeChrome::KTModeChrome(QObject *parent) : QObject(parent) {}

KTModeChrome::~KTModeChrome()
{
    destroyView();
}

void KTModeChrome::setView(QWidget *view)
{
    m_view = view;
    setUpBottomToolBarShadow();
}

void KTModeChrome::setContainerView(QWidget *view, QBoxLayout *contentRow)
{
    m_containerView = view;
    m_contentRow = contentRow;
}

void KTModeChrome::setBottomToolBar(QWidget *toolBar)
{
    m_bottomToolBar = toolBar;
    setUpBottomToolBarShadow();
}

void KTModeChrome::setNavigationView(KTImageNavigationView *view, QWidget *scrollView)
{
    m_navigationView = view;
    m_navigationScrollView = scrollView;
}

void KTModeChrome::setZoomSlider(KTZoomSlider *slider, QWidget *sliderView)
{
    m_zoomSlider = slider;
    m_zoomSliderView = sliderView;
}

void KTModeChrome::setRatingIndicator(KTLevelIndicator *indicator)
{
    m_ratingIndicator = indicator;
    if (!indicator)
        return;
    indicator->cell()->setDisplayDots(true);
    indicator->setInactiveDotsImage(KTNamedImages::shared().image(QStringLiteral("rate"), 2.0));
}

void KTModeChrome::setSwitchZoomButton(KTResizablePopUpButton *button, QWidget *zoomView)
{
    m_switchZoomButton = button;
    m_zoomView = zoomView;
}

// ---- Accessors ----

QWidget *KTModeChrome::view() const
{
    return m_view;
}

QWidget *KTModeChrome::foregroundView() const
{
    return m_foregroundView;
}

QWidget *KTModeChrome::containerView() const
{
    return m_containerView;
}

QWidget *KTModeChrome::bottomToolBar() const
{
    return m_bottomToolBar;
}

QWidget *KTModeChrome::bottomToolBarShadow() const
{
    return m_bottomToolBarShadow;
}

QWidget *KTModeChrome::infoBarContainer() const
{
    return m_infoBarContainer;
}

KTImageView *KTModeChrome::imageView() const
{
    return m_imageView;
}

KTImageInfoView *KTModeChrome::infoView() const
{
    return m_infoView;
}

QWidget *KTModeChrome::exifPanel() const
{
    return m_exifPanel;
}

KTImageNavigationView *KTModeChrome::navigationView() const
{
    return m_navigationView;
}

QWidget *KTModeChrome::navigationScrollView() const
{
    return m_navigationScrollView;
}

KTAbstractButton *KTModeChrome::showNavigationBarButton() const
{
    return m_showNavigationBarButton;
}

KTZoomSlider *KTModeChrome::zoomSlider() const
{
    return m_zoomSlider;
}

QWidget *KTModeChrome::zoomSliderView() const
{
    return m_zoomSliderView;
}

KTAbstractButton *KTModeChrome::imageModeButton() const
{
    return m_imageModeButton;
}

QWidget *KTModeChrome::imageModeControlsView() const
{
    return m_imageModeControlsView;
}

KTLevelIndicator *KTModeChrome::ratingIndicator() const
{
    return m_ratingIndicator;
}

KTBadgeButton *KTModeChrome::shareButton() const
{
    return m_shareButton;
}

KTBadgeButton *KTModeChrome::flagImagesButton() const
{
    return m_flagImagesButton;
}

KTResizablePopUpButton *KTModeChrome::switchZoomButton() const
{
    return m_switchZoomButton;
}

QWidget *KTModeChrome::zoomView() const
{
    return m_zoomView;
}

KTAbstractButton *KTModeChrome::imagesCopyButton() const
{
    return m_imagesCopyButton;
}

KTAbstractButton *KTModeChrome::imagesMoveButton() const
{
    return m_imagesMoveButton;
}

KTButton *KTModeChrome::modeButton() const
{
    return m_modeButton;
}

KTAbstractButton *KTModeChrome::showPixelsButton() const
{
    return m_showPixelsButton;
}

KTAbstractButton *KTModeChrome::showFocusMaskButton() const
{
    return m_showFocusMaskButton;
}

void KTModeChrome::setForegroundView(QWidget *view)
{
    m_foregroundView = view;
}

void KTModeChrome::setInfoBarContainer(QWidget *container)
{
    m_infoBarContainer = container;
}

void KTModeChrome::setImageView(KTImageView *view)
{
    m_imageView = view;
}

void KTModeChrome::setInfoView(KTImageInfoView *view)
{
    m_infoView = view;
}

void KTModeChrome::setExifPanel(QWidget *panel)
{
    m_exifPanel = panel;
}

void KTModeChrome::setShowNavigationBarButton(KTAbstractButton *button)
{
    m_showNavigationBarButton = button;
}

void KTModeChrome::setImageModeButton(KTAbstractButton *button)
{
    m_imageModeButton = button;
}

void KTModeChrome::setImageModeControlsView(QWidget *view)
{
    m_imageModeControlsView = view;
}

void KTModeChrome::setShareButton(KTBadgeButton *button)
{
    m_shareButton = button;
}

void KTModeChrome::setFlagImagesButton(KTBadgeButton *button)
{
    m_flagImagesButton = button;
}

void KTModeChrome::setImagesCopyButton(KTAbstractButton *button)
{
    m_imagesCopyButton = button;
}

void KTModeChrome::setImagesMoveButton(KTAbstractButton *button)
{
    m_imagesMoveButton = button;
}

void KTModeChrome::setModeButton(KTButton *button)
{
    m_modeButton = button;
}

void KTModeChrome::setShowPixelsButton(KTAbstractButton *button)
{
    m_showPixelsButton = button;
}

void KTModeChrome::setShowFocusMaskButton(KTAbstractButton *button)
{
    m_showFocusMaskButton = button;
}

// ---- Builders ----

void KTModeChrome::addDecisionButtons(KTModeToolbar *toolBar, std::function<void(QObject *sender)> onFlag,
                                      std::function<void(QObject *sender)> onShare)
{
    auto *rating = new KTLevelIndicator(toolBar);
    rating->setObjectName(QStringLiteral("ratingIndicator"));
    // A click on the rating leaves the keys with the mode's list: digits and arrows would
    // otherwise rate.
    rating->setFocusPolicy(Qt::NoFocus);
    toolBar->rightLayout()->addWidget(rating);
    auto *flag = KTModeToolbar::badgeButton(QStringLiteral("flag"), tr("Pick (Ctrl+P)"),
                                            KTAbstractButton::Toggle, toolBar);
    flag->setObjectName(QStringLiteral("flagImagesButton"));
    QObject::connect(flag, &KTControl::clicked, this, [flag, onFlag = std::move(onFlag)] { onFlag(flag); });
    toolBar->rightLayout()->addWidget(flag);
    auto *share =
        KTModeToolbar::badgeButton(QStringLiteral("share"), tr("Show in File Manager, Export, Share"),
                                   KTAbstractButton::Momentary, toolBar);
    share->setObjectName(QStringLiteral("shareButton"));
    QObject::connect(share, &KTControl::clicked, this,
                     [share, onShare = std::move(onShare)] { onShare(share); });
    toolBar->rightLayout()->addWidget(share);
    setRatingIndicator(rating);
    setFlagImagesButton(flag);
    setShareButton(share);
}

QWidget *KTModeChrome::makeThumbnailZoom(QWidget *parent, std::function<void(QObject *sender)> onChange)
{
    KTZoomSlider *slider = nullptr;
    QWidget *view = KTModeToolbar::zoomSliderView(parent, &slider);
    QObject::connect(slider, &KTZoomSlider::doubleValueChanged, this,
                     [slider, onChange = std::move(onChange)] { onChange(slider); });
    setZoomSlider(slider, view);
    return view;
}

QWidget *KTModeChrome::makeViewerZoom(QWidget *parent, std::function<void(QObject *sender)> onSwitch,
                                      std::function<void(QObject *sender)> onLock,
                                      KTAbstractButton **zoomLockButton)
{
    QHBoxLayout *row = nullptr;
    QWidget *view = KTModeToolbar::controlRow(parent, &row);
    KTResizablePopUpButton *zoomButton = KTModeToolbar::zoomPopUpButton(view);
    QObject::connect(zoomButton, &KTControl::clicked, this,
                     [zoomButton, onSwitch = std::move(onSwitch)] { onSwitch(zoomButton); });
    row->addWidget(zoomButton);
    auto *lock = KTModeToolbar::roundButton(
        QStringLiteral("zoom_lock"), tr("Keep the zoom from image to image"), KTAbstractButton::Toggle, view);
    lock->setObjectName(QStringLiteral("zoomLockButton"));
    QObject::connect(lock, &KTControl::clicked, this, [lock, onLock = std::move(onLock)] { onLock(lock); });
    row->addWidget(lock);
    setSwitchZoomButton(zoomButton, view);
    if (zoomLockButton)
        *zoomLockButton = lock;
    return view;
}

QWidget *KTModeChrome::addNavigationStrip(QBoxLayout *column, KTImageNavigationView *strip)
{
    // Thumbnails of about 70 points with their margins.
    constexpr int kNavigationStripHeight = 92;
    auto *scrollView = new KTGridScrollView(Qt::Horizontal, column->parentWidget());
    scrollView->setObjectName(QStringLiteral("navigationScrollView"));
    scrollView->setFixedHeight(kNavigationStripHeight);
    strip->setObjectName(QStringLiteral("navigationView"));
    scrollView->setDocumentView(strip);
    column->addWidget(scrollView);
    setNavigationView(strip, scrollView);
    return scrollView;
}

// ---- Panels ----

void KTModeChrome::showExifPanel()
{
    if (!m_exifPanel || !m_contentRow || m_contentRow->indexOf(m_exifPanel) >= 0)
        return;
    m_contentRow->addWidget(m_exifPanel);
    m_exifPanel->show();
}

void KTModeChrome::hideExifPanel()
{
    if (!m_exifPanel || !m_contentRow || m_contentRow->indexOf(m_exifPanel) < 0)
        return;
    m_contentRow->removeWidget(m_exifPanel);
    m_exifPanel->hide();
}

bool KTModeChrome::isExifPanelShown() const
{
    return m_exifPanel && m_contentRow && m_contentRow->indexOf(m_exifPanel) >= 0;
}

void KTModeChrome::setNavigationStripShown(bool shown)
{
    if (m_navigationScrollView)
        m_navigationScrollView->setVisible(shown);
}

void KTModeChrome::bindRating(KTImageMO *active)
{
    if (!m_ratingIndicator)
        return;
    delete m_ratingIndicator->findChild<QObject *>(QStringLiteral("ratingBinding"),
                                                   Qt::FindDirectChildrenOnly);
    m_ratingIndicator->setIntegerValue(0);
    const KTBindingSource source(active);
    const QString key = QStringLiteral("rating");
    if (!active || !source.hasKey(key))
        return;
    QPointer<KTLevelIndicator> indicator(m_ratingIndicator);
    const auto apply = [indicator, source, key] {
        if (indicator)
            indicator->setIntegerValue(source.value(key).toInt());
    };
    apply();
    if (std::unique_ptr<QObject> watch = source.observe(key, apply)) {
        watch->setObjectName(QStringLiteral("ratingBinding"));
        watch.release()->setParent(m_ratingIndicator);
    }
}

void KTModeChrome::destroyView()
{
    if (m_view) {
        m_view->removeEventFilter(this);
        delete m_view.data();
    }
}

// ---- The toolbar's shadow ----

void KTModeChrome::setUpBottomToolBarShadow()
{
    if (!m_bottomToolBar || !m_view || m_bottomToolBarShadow)
        return;
    const QImage shadow = KTNamedImages::shared().image(QStringLiteral("bottom_toolbar_shadow"), 2.0);
    if (shadow.isNull())
        return;
    auto *shadowView = new StretchedImageView(shadow, m_view);
    shadowView->setObjectName(QStringLiteral("bottomToolBarShadow"));
    m_bottomToolBarShadow = shadowView;
    m_bottomToolBar->installEventFilter(this);
    m_view->installEventFilter(this);
    placeBottomToolBarShadow();
}

void KTModeChrome::placeBottomToolBarShadow()
{
    if (!m_bottomToolBarShadow || !m_bottomToolBar || !m_view)
        return;
    // Full width, right under the toolbar, above whatever lies there.
    const QPoint below = m_bottomToolBar->mapTo(m_view, QPoint(0, m_bottomToolBar->height()));
    const auto *shadow = static_cast<StretchedImageView *>(m_bottomToolBarShadow.data());
    m_bottomToolBarShadow->setGeometry(0, below.y(), m_view->width(), shadow->imageHeight());
    m_bottomToolBarShadow->setVisible(m_bottomToolBar->isVisible());
    m_bottomToolBarShadow->raise();
}

bool KTModeChrome::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::Resize:
    case QEvent::Show:
    case QEvent::Move:
    case QEvent::Hide:
        if (watched == m_bottomToolBar || watched == m_view)
            placeBottomToolBarShadow();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
