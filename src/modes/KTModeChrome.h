#pragma once

#include <QObject>
#include <QPointer>

#include <functional>

class KTAbstractButton;
class KTBadgeButton;
class KTButton;
class KTImageInfoView;
class KTImageMO;
class KTImageNavigationView;
class KTImageView;
class KTLevelIndicator;
class KTModeToolbar;
class KTResizablePopUpButton;
class KTZoomSlider;
class QBoxLayout;
class QWidget;

/// The parts of a review mode's screen that every mode has, and the builders that make them:
/// the root view, the content container with the EXIF side panel beside it, the bottom toolbar
/// with its shadow, the information bar, the viewer and its strip, the thumbnail strip under
/// the toolbar, the zoom controls, and the rating, pick and share controls. Every part is
/// optional (null when a mode has none); the mode's code reaches them here.
///
/// Ownership: the mode's root view (view()) owns every part as its child, except the EXIF panel,
/// which moves in and out of the content row, and the main window's own toolbar buttons, which
/// the main window owns. destroyView() deletes the root view with its parts.
///
/// Threading: main thread only.
class KTModeChrome : public QObject
{
    Q_OBJECT
public:
    explicit KTModeChrome(QObject *parent = nullptr);
    ~KTModeChrome() override;

    // ---- The parts ----

    QWidget *view() const;
    void setView(QWidget *view);
    /// The widget given the keyboard focus whenever the view is shown; the mode sets it per sub-mode.
    QWidget *foregroundView() const;
    void setForegroundView(QWidget *view);
    /// The content; the EXIF panel is inserted into `contentRow` to its right when shown.
    QWidget *containerView() const;
    void setContainerView(QWidget *view, QBoxLayout *contentRow);
    QWidget *bottomToolBar() const;
    /// Also sets up the shadow under it.
    void setBottomToolBar(QWidget *toolBar);
    /// The widget behind the bottom toolbar's shadow, placed right under the toolbar.
    QWidget *bottomToolBarShadow() const;
    QWidget *infoBarContainer() const;
    void setInfoBarContainer(QWidget *container);
    KTImageView *imageView() const;
    void setImageView(KTImageView *view);
    KTImageInfoView *infoView() const;
    void setInfoView(KTImageInfoView *view);
    /// The EXIF side panel's widget (whether or not it is in the view now).
    QWidget *exifPanel() const;
    void setExifPanel(QWidget *panel);
    KTImageNavigationView *navigationView() const;
    /// The strip's scroll view, whose height the strip's space takes.
    QWidget *navigationScrollView() const;
    void setNavigationView(KTImageNavigationView *view, QWidget *scrollView);
    KTAbstractButton *showNavigationBarButton() const;
    void setShowNavigationBarButton(KTAbstractButton *button);
    KTZoomSlider *zoomSlider() const;
    QWidget *zoomSliderView() const;
    void setZoomSlider(KTZoomSlider *slider, QWidget *sliderView);
    KTAbstractButton *imageModeButton() const;
    void setImageModeButton(KTAbstractButton *button);
    QWidget *imageModeControlsView() const;
    void setImageModeControlsView(QWidget *view);
    KTLevelIndicator *ratingIndicator() const;
    /// Also sets it up: dots, with the picture "rate" for the inactive ones.
    void setRatingIndicator(KTLevelIndicator *indicator);
    KTBadgeButton *shareButton() const;
    void setShareButton(KTBadgeButton *button);
    KTBadgeButton *flagImagesButton() const;
    void setFlagImagesButton(KTBadgeButton *button);
    KTResizablePopUpButton *switchZoomButton() const;
    QWidget *zoomView() const;
    void setSwitchZoomButton(KTResizablePopUpButton *button, QWidget *zoomView);
    KTAbstractButton *imagesCopyButton() const;
    void setImagesCopyButton(KTAbstractButton *button);
    KTAbstractButton *imagesMoveButton() const;
    void setImagesMoveButton(KTAbstractButton *button);
    /// The main window's toolbar buttons that the mode on screen drives: its own mode button,
    /// the clipped-exposure and the focus-mask switches.
    KTButton *modeButton() const;
    void setModeButton(KTButton *button);
    KTAbstractButton *showPixelsButton() const;
    void setShowPixelsButton(KTAbstractButton *button);
    KTAbstractButton *showFocusMaskButton() const;
    void setShowFocusMaskButton(KTAbstractButton *button);

    // ---- Builders: each registers what it makes ----

    /// Rating, pick and share at the right of `toolBar`; the buttons call `onFlag` and `onShare`
    /// with themselves. The rating takes no keyboard focus: the mode's keys stay with the mode.
    void addDecisionButtons(KTModeToolbar *toolBar, std::function<void(QObject *sender)> onFlag,
                            std::function<void(QObject *sender)> onShare);
    /// The thumbnail zoom slider between its two pictograms; it calls `onChange` with itself.
    QWidget *makeThumbnailZoom(QWidget *parent, std::function<void(QObject *sender)> onChange);
    /// The viewer's zoom pop-up (calling `onSwitch`) and zoom-lock button (calling `onLock`),
    /// which is returned in `zoomLockButton`.
    QWidget *makeViewerZoom(QWidget *parent, std::function<void(QObject *sender)> onSwitch,
                            std::function<void(QObject *sender)> onLock, KTAbstractButton **zoomLockButton);
    /// The thumbnail strip in a sideways scroll view, added to `column`.
    QWidget *addNavigationStrip(QBoxLayout *column, KTImageNavigationView *strip);

    // ---- What every mode's screen does with them ----

    /// Inserts the EXIF panel right of the container (once) / takes it out again.
    void showExifPanel();
    void hideExifPanel();
    bool isExifPanelShown() const;
    /// Opens or closes the navigation strip's space.
    void setNavigationStripShown(bool shown);
    /// The rating indicator shows the rating of `active` and follows it (0 and no record without
    /// one; the records of this catalogue carry no rating, so it shows 0 for them).
    void bindRating(KTImageMO *active);
    /// Deletes the root view with its parts now; safe to call twice.
    void destroyView();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void setUpBottomToolBarShadow();
    void placeBottomToolBarShadow();

    QPointer<QWidget> m_view;
    QPointer<QWidget> m_foregroundView;
    QPointer<QWidget> m_containerView;
    QBoxLayout *m_contentRow = nullptr;
    QPointer<QWidget> m_bottomToolBar;
    QPointer<QWidget> m_bottomToolBarShadow;
    QPointer<QWidget> m_infoBarContainer;
    QPointer<KTImageView> m_imageView;
    QPointer<KTImageInfoView> m_infoView;
    QPointer<QWidget> m_exifPanel;
    QPointer<KTImageNavigationView> m_navigationView;
    QPointer<QWidget> m_navigationScrollView;
    QPointer<KTAbstractButton> m_showNavigationBarButton;
    QPointer<KTZoomSlider> m_zoomSlider;
    QPointer<QWidget> m_zoomSliderView;
    QPointer<KTAbstractButton> m_imageModeButton;
    QPointer<QWidget> m_imageModeControlsView;
    QPointer<KTLevelIndicator> m_ratingIndicator;
    QPointer<KTBadgeButton> m_shareButton;
    QPointer<KTBadgeButton> m_flagImagesButton;
    QPointer<KTResizablePopUpButton> m_switchZoomButton;
    QPointer<QWidget> m_zoomView;
    QPointer<KTAbstractButton> m_imagesCopyButton;
    QPointer<KTAbstractButton> m_imagesMoveButton;
    QPointer<KTButton> m_modeButton;
    QPointer<KTAbstractButton> m_showPixelsButton;
    QPointer<KTAbstractButton> m_showFocusMaskButton;
};
