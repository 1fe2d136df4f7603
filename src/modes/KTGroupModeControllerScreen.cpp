#include "KTGroupModeController.h"

#include "KTAbstractButton.h"
#include "KTAlert.h"
#include "KTAnimations.h"
#include "KTBadgeButton.h"
#include "KTBinding.h"
#include "KTColor.h"
#include "KTCompareImagesInfoBar.h"
#include "KTExifViewController.h"
#include "KTGridScrollView.h"
#include "KTImageCompareView.h"
#include "KTImageGroupNavigationView.h"
#include "KTImageGroupView.h"
#include "KTImageInfoView.h"
#include "KTImageInfoViewsContainer.h"
#include "KTInfoTextField.h"
#include "KTImageMO.h"
#include "KTImageStorage.h"
#include "KTImageView.h"
#include "KTImagesGroupsView.h"
#include "KTLevelIndicator.h"
#include "KTModeChrome.h"
#include "KTModeToolbar.h"
#include "KTMultiBindingsController.h"
#include "KTMultipleLabelsView.h"
#include "KTResizablePopUpButton.h"
#include "KTSegmentedView.h"
#include "KTSimpleBackgroundView.h"
#include "KTTaskNotifications.h"
#include "KTTasksNotifier.h"
#include "KTSingeImageInfoBar.h"
#include "KTTimeRangePopoverWindowController.h"
#include "KTUIImageView.h"
#include "KTUserDefaults.h"
#include "KTUtils.h"
#include "KTZoomSlider.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QThread>
#include <QVBoxLayout>
#include <QVariantAnimation>

#include <algorithm>
#include <utility>

// The screen of the group modes: its parts and how they are built, where the content is placed,
// and what each sub-mode shows.

// ---- Building ----

void KTGroupModeController::buildView()
{
    auto *root = new QWidget;
    root->setAutoFillBackground(true);
    QPalette palette = root->palette();
    palette.setColor(QPalette::Window, KTPalette::kWindow);
    root->setPalette(palette);
    auto *column = new QVBoxLayout(root);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    // The information bar over the content: the groups' totals in "Groups", the active image in
    // "Group" and "Image", the two compared images in "Compare".
    m_infoViewsContainer = new KTImageInfoViewsContainer(root);
    m_infoViewsContainer->setObjectName(QStringLiteral("infoViewsContainer"));
    m_infoViewsContainer->setFixedHeight(KTSingeImageInfoBar::kHeight);
    auto *bars = new QHBoxLayout(m_infoViewsContainer);
    bars->setContentsMargins(0, 0, 0, 0);
    bars->setSpacing(0);
    m_singleImageInfoBar = new KTSingeImageInfoBar(m_infoViewsContainer);
    m_singleImageInfoBar->setObjectName(QStringLiteral("singleImageInfoBar"));
    m_compareImagesInfoBar = new KTCompareImagesInfoBar(m_infoViewsContainer);
    m_compareImagesInfoBar->setObjectName(QStringLiteral("compareImagesInfoBar"));
    m_groupsInfoBar = new QWidget(m_infoViewsContainer);
    m_groupsInfoBar->setObjectName(QStringLiteral("groupsInfoBar"));
    auto *groupsRow = new QHBoxLayout(m_groupsInfoBar);
    groupsRow->setContentsMargins(0, 0, 0, 0);
    m_groupsInfo = new KTMultipleLabelsView(m_groupsInfoBar);
    m_groupsInfo->setObjectName(QStringLiteral("groupsInfo"));
    groupsRow->addWidget(m_groupsInfo, 1);
    for (QWidget *bar : {static_cast<QWidget *>(m_singleImageInfoBar.data()),
                         static_cast<QWidget *>(m_compareImagesInfoBar.data()), m_groupsInfoBar.data()})
        bars->addWidget(bar);
    column->addWidget(m_infoViewsContainer);

    // Content: the group content (placed by hand, so the group switch can move it) and the EXIF
    // panel to its right.
    auto *row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    m_containerView = new QWidget(root);
    m_containerView->setObjectName(QStringLiteral("containerView"));
    m_containerView->installEventFilter(this);
    m_infoViewsContainer->setBackgroundView(m_containerView);
    m_animationContainerView = new QWidget(m_containerView);
    m_animationContainerView->setObjectName(QStringLiteral("animationContainerView"));
    m_animationContainerView->setAutoFillBackground(true);
    m_animationContainerView->setPalette(palette);
    m_animationContainerView->installEventFilter(this);

    m_groupsScrollView = new KTGridScrollView(Qt::Vertical, m_animationContainerView);
    m_groupsScrollView->setObjectName(QStringLiteral("groupsScrollView"));
    m_groupsView->setObjectName(QStringLiteral("groupsView"));
    m_groupsScrollView->setDocumentView(m_groupsView.data());
    m_groupScrollView = new KTGridScrollView(Qt::Vertical, m_animationContainerView);
    m_groupScrollView->setObjectName(QStringLiteral("groupScrollView"));
    m_groupView = new KTImageGroupView;
    m_groupView->setObjectName(QStringLiteral("groupView"));
    m_groupScrollView->setDocumentView(m_groupView.data());
    m_backgroundView = new KTSimpleBackgroundView(m_animationContainerView);
    m_backgroundView->setObjectName(QStringLiteral("backgroundView"));
    m_backgroundView->setBackgroundColor(KTPalette::kWindow);
    m_backgroundView->installEventFilter(this);
    auto *imageView = new KTImageView(m_backgroundView);
    imageView->setObjectName(QStringLiteral("imageView"));
    m_compareView = new KTImageCompareView(m_backgroundView);
    m_compareView->setObjectName(QStringLiteral("compareView"));
    connect(m_compareView, &KTImageCompareView::imageCompareViewDidChangeSelection, this,
            [this](KTImageCompareView *view) { imageCompareViewDidChangeSelection(view); });
    auto *infoView = new KTImageInfoView(m_animationContainerView);
    infoView->setObjectName(QStringLiteral("infoView"));
    row->addWidget(m_containerView, 1);
    column->addLayout(row, 1);

    // Bottom toolbar.
    m_toolBar = new KTModeToolbar(root);
    m_segmentedModeView = new KTSegmentedView(m_toolBar);
    m_segmentedModeView->setObjectName(QStringLiteral("segmentedModeView"));
    auto *subModesRow = new QHBoxLayout(m_segmentedModeView);
    subModesRow->setContentsMargins(0, 0, 0, 0);
    subModesRow->setSpacing(0);
    m_groupsModeButton =
        KTModeToolbar::segmentButton(KTModeToolbar::Segment::Left, QStringLiteral("view_groups"),
                                     tr("All groups (G, Ctrl+1)"), m_segmentedModeView);
    m_groupModeButton =
        KTModeToolbar::segmentButton(KTModeToolbar::Segment::Middle, QStringLiteral("view_grid"),
                                     tr("The images of the group (Ctrl+2)"), m_segmentedModeView);
    auto *imageModeButton =
        KTModeToolbar::segmentButton(KTModeToolbar::Segment::Middle, QStringLiteral("view_single"),
                                     tr("One image (Space, Ctrl+3)"), m_segmentedModeView);
    m_compareViewModeButton =
        KTModeToolbar::segmentButton(KTModeToolbar::Segment::Right, QStringLiteral("view_compare"),
                                     tr("Two images side by side (Ctrl+4)"), m_segmentedModeView);
    const QList<QPair<KTAbstractButton *, QString>> subModes{{m_groupsModeButton, kUIModeGroups},
                                                             {m_groupModeButton, kUIModeGroup},
                                                             {imageModeButton, kUIModeImage},
                                                             {m_compareViewModeButton, kUIModeCompare}};
    for (const auto &[button, mode] : subModes) {
        m_segmentedModeView->addSubview(button);
        subModesRow->addWidget(button);
        connect(button, &KTControl::clicked, this, [this, mode] { selectSubModeFromButton(mode); });
    }
    m_toolBar->leftLayout()->addWidget(m_segmentedModeView);
    m_toolBar->leftLayout()->addSpacing(6);

    // The controls of "Groups": the subclass puts its own before the time range.
    QHBoxLayout *groupsControlsRow = nullptr;
    m_groupsModeControls = KTModeToolbar::controlRow(m_toolBar, &groupsControlsRow);
    m_groupsModeControls->setObjectName(QStringLiteral("groupsModeControls"));
    m_timeRangeButton = new KTAbstractButton(m_groupsModeControls);
    m_timeRangeButton->setObjectName(QStringLiteral("timeRangeButton"));
    m_timeRangeButton->setNormalStateThreeImageName(QStringLiteral("dropdown"));
    m_timeRangeButton->setPushedStateThreeImageName(QStringLiteral("dropdown_on"));
    m_timeRangeButton->setPictogramPosition(KTAbstractButton::PictogramCentered);
    m_timeRangeButton->setBehavior(KTAbstractButton::Toggle);
    m_timeRangeButton->setFixedSize(76, 24);
    connect(m_timeRangeButton, &KTControl::clicked, this,
            [this] { onShowHideTimeRangePopover(m_timeRangeButton); });
    groupsControlsRow->addWidget(m_timeRangeButton);
    m_toolBar->leftLayout()->addWidget(m_groupsModeControls);

    // Centre: the thumbnail zoom in "Groups"; group navigation and selection in the other
    // sub-modes; the viewer's zoom in "Image" and "Compare".
    m_toolBar->centerLayout()->addWidget(
        chrome().makeThumbnailZoom(m_toolBar, [this](QObject *sender) { onChangeZoom(sender); }));

    QHBoxLayout *imageControlsRow = nullptr;
    m_imageControlsView = KTModeToolbar::controlRow(m_toolBar, &imageControlsRow);
    m_imageControlsView->setObjectName(QStringLiteral("imageControlsView"));
    m_prevGroupButton =
        KTModeToolbar::roundButton(QStringLiteral("chevron_up"), tr("Previous group (Ctrl+[)"),
                                   KTAbstractButton::Momentary, m_imageControlsView);
    m_prevGroupButton->setObjectName(QStringLiteral("prevGroupButton"));
    connect(m_prevGroupButton, &KTControl::clicked, this, [this] { onPreviousGroup(m_prevGroupButton); });
    m_nextGroupButton = KTModeToolbar::roundButton(QStringLiteral("chevron_down"), tr("Next group (Ctrl+])"),
                                                   KTAbstractButton::Momentary, m_imageControlsView);
    m_nextGroupButton->setObjectName(QStringLiteral("nextGroupButton"));
    connect(m_nextGroupButton, &KTControl::clicked, this, [this] { onNextGroup(m_nextGroupButton); });
    m_selectAllButton =
        new KTAbstractButton(QStringLiteral(" %1").arg(tr("Select All")), m_imageControlsView);
    m_selectAllButton->setObjectName(QStringLiteral("selectAllButton"));
    m_selectAllButton->setBehavior(KTAbstractButton::Toggle);
    m_selectAllButton->setFixedHeight(24);
    m_selectAllButton->setMinimumWidth(84);
    connect(m_selectAllButton, &KTControl::clicked, this, [this] { onSelectAllButton(m_selectAllButton); });
    imageControlsRow->addWidget(m_prevGroupButton);
    imageControlsRow->addWidget(m_nextGroupButton);
    imageControlsRow->addWidget(m_selectAllButton);
    m_toolBar->centerLayout()->addWidget(m_imageControlsView);

    QHBoxLayout *imageModeRow = nullptr;
    QWidget *imageModeControls = KTModeToolbar::controlRow(m_toolBar, &imageModeRow);
    imageModeControls->setObjectName(QStringLiteral("imageModeControlsView"));
    KTAbstractButton *zoomLock = nullptr;
    QWidget *zoomView = chrome().makeViewerZoom(
        imageModeControls, [this](QObject *sender) { onSwitchZoom(sender); },
        [this](QObject *sender) { onZoomLock(sender); }, &zoomLock);
    m_zoomLockButton = zoomLock;
    imageModeRow->addWidget(zoomView);
    auto *navigationSwitch =
        KTModeToolbar::roundButton(QStringLiteral("filmstrip"), tr("Show the thumbnail strip"),
                                   KTAbstractButton::Toggle, imageModeControls);
    connect(navigationSwitch, &KTControl::clicked, this,
            [this, navigationSwitch] { onShowNavigationBar(navigationSwitch); });
    imageModeRow->addWidget(navigationSwitch);
    m_toolBar->centerLayout()->addWidget(imageModeControls);

    // Right: the mode's group actions, then rating, pick and share.
    m_groupActions = KTModeToolbar::controlRow(m_toolBar, nullptr);
    m_groupActions->setObjectName(QStringLiteral("groupActions"));
    m_toolBar->rightLayout()->addWidget(m_groupActions);
    chrome().addDecisionButtons(
        m_toolBar, [this](QObject *sender) { onFlag(sender); }, [this](QObject *sender) { onShare(sender); });
    column->addWidget(m_toolBar);

    // The thumbnail strip of the group under the toolbar in "Image" and "Compare".
    m_groupNavigationView = new KTImageGroupNavigationView;
    // The strip is for the mouse: the keys stay with the viewer above it, which hands them on.
    m_groupNavigationView->setFocusPolicy(Qt::NoFocus);
    chrome().addNavigationStrip(column, m_groupNavigationView);

    m_groupsView->setDataSource(this);
    m_groupsView->setDelegate(this);
    for (KTImageListView *list : {static_cast<KTImageListView *>(m_groupView.data()),
                                  static_cast<KTImageListView *>(m_groupNavigationView.data())}) {
        list->setDataSource(this);
        list->setDelegate(this);
    }

    chrome().setView(root);
    chrome().setContainerView(m_containerView, row);
    chrome().setInfoBarContainer(m_infoViewsContainer);
    chrome().setBottomToolBar(m_toolBar);
    chrome().setImageView(imageView);
    chrome().setInfoView(infoView);
    chrome().setShowNavigationBarButton(navigationSwitch);
    chrome().setImageModeButton(imageModeButton);
    chrome().setImageModeControlsView(imageModeControls);
    chrome().setForegroundView(m_groupsView);
}

void KTGroupModeController::setLoadingThumbnailsQueue(KTOperationQueue *queue)
{
    KTBaseUIModeController::setLoadingThumbnailsQueue(queue);
    m_groupsView->setLoadingThumbnailsQueue(queue);
    m_groupView->setLoadingThumbnailsQueue(queue);
    m_groupNavigationView->setLoadingThumbnailsQueue(queue);
}

QHBoxLayout *KTGroupModeController::groupsModeControlsLayout() const
{
    return static_cast<QHBoxLayout *>(m_groupsModeControls->layout());
}

QHBoxLayout *KTGroupModeController::imageControlsLayout() const
{
    return static_cast<QHBoxLayout *>(m_imageControlsView->layout());
}

QHBoxLayout *KTGroupModeController::groupActionsLayout() const
{
    return static_cast<QHBoxLayout *>(m_groupActions->layout());
}

// ---- Placing the content ----

bool KTGroupModeController::eventFilter(QObject *watched, QEvent *event)
{
    // The type first: during their destruction the watched views are no longer what they were.
    if (event->type() == QEvent::Resize) {
        if (watched == m_containerView && !isSwitchingGroups())
            m_animationContainerView->setGeometry(m_containerView->rect());
        else if (watched == m_animationContainerView)
            placeContent();
        else if (watched == m_backgroundView)
            placeViewer();
    }
    return KTBaseUIModeController::eventFilter(watched, event);
}

void KTGroupModeController::placeContent()
{
    if (!m_animationContainerView)
        return;
    // The information strip spans the bottom while it is shown; the grids take the rest. The
    // viewers' background reaches under the strip, whose bottom band stays transparent.
    const QRect area = m_animationContainerView->rect();
    KTImageInfoView *strip = infoView();
    const bool stripShown = strip && !strip->isHidden();
    const int stripHeight = stripShown ? int(KTImageInfoView::kHeight) : 0;
    const QRect content(area.left(), area.top(), area.width(), std::max(0, area.height() - stripHeight));
    m_groupsScrollView->setGeometry(content);
    m_groupScrollView->setGeometry(content);
    m_backgroundView->setGeometry(area);
    if (stripShown) {
        strip->setFrame(QRectF(area.left(), area.bottom() + 1 - stripHeight, area.width(), stripHeight));
        strip->raise();
    }
    placeViewer();
}

void KTGroupModeController::placeViewer()
{
    const QRectF area = m_backgroundView->rect();
    KTImageInfoView *strip = infoView();
    const double stripHeight = strip && !strip->isHidden() ? KTImageInfoView::kHeight : 0.0;
    const double bottom = stripHeight > 0 ? stripHeight - kBackgroundTransparentAreaHeight : 0.0;
    imageView()->setGeometry(
        QRectF(area.left(), area.top(), area.width(), std::max(0.0, area.height() - bottom)).toRect());
    m_compareView->setGeometry(area.toRect());
}

// ---- Sub-modes and view rules ----

void KTGroupModeController::setUIMode(const QString &mode)
{
    selectOnlyActiveImageIfNeed();
    KTBaseUIModeController::setUIMode(mode);
}

void KTGroupModeController::selectSubModeFromButton(const QString &mode)
{
    setUIMode(mode);
    adjustUI();
}

void KTGroupModeController::onGroupsMode(QObject *)
{
    selectSubModeFromButton(kUIModeGroups);
}

void KTGroupModeController::onGroupMode(QObject *)
{
    selectSubModeFromButton(kUIModeGroup);
}

void KTGroupModeController::onImageViewMode(QObject *)
{
    selectSubModeFromButton(kUIModeImage);
}

void KTGroupModeController::onCompareViewMode(QObject *)
{
    selectSubModeFromButton(kUIModeCompare);
}

void KTGroupModeController::onListMode(QObject *sender)
{
    onGroupsMode(sender);
}

void KTGroupModeController::onSpacePress()
{
    const QString mode = UIMode();
    if (mode == kUIModeGroups || mode == kUIModeImage)
        setUIMode(kUIModeGroup);
    else if (mode == kUIModeGroup)
        setUIMode(kUIModeImage);
    else
        return;
    adjustUI();
}

void KTGroupModeController::validateUIMode()
{
    if (groupCount() == 0) {
        setUIMode(kUIModeGroups);
        return;
    }
    if (UIMode() == kUIModeCompare) {
        validateGroupSelection();
        if (imagesForSelectedGroup().size() < 2)
            setUIMode(kUIModeImage);
    }
}

void KTGroupModeController::adjustUI()
{
    validateUIMode();
    adjustUIVisibleElements();
    validateUIVisibleElements();
    validateGroupSelection();
    adjustGroupSelection();
    validateImagesSelection();
    adjustImagesSelectionFromImageListView(nullptr);
    updateInfoView();
}

void KTGroupModeController::adjustUIVisibleElements()
{
    KTBaseUIModeController::adjustUIVisibleElements();
    const QString mode = UIMode();
    const bool groups = mode == kUIModeGroups;
    const bool group = mode == kUIModeGroup;
    const bool image = mode == kUIModeImage;
    const bool compare = mode == kUIModeCompare;
    if (groups && m_groupsViewIsStale)
        reloadGroupsViewNow();
    m_groupsScrollView->setVisible(groups);
    m_groupsModeControls->setVisible(groups);
    m_groupScrollView->setVisible(group);
    chrome().showNavigationBarButton()->setVisible(image || compare);
    chrome().imageModeControlsView()->setVisible(image || compare);
    imageView()->setVisible(image);
    m_compareView->setVisible(compare);
    m_compareView->leftInfoView()->setVisible(compare);
    m_compareView->rightInfoView()->setVisible(compare);
    // The strip under the content describes the active image; in "Groups" the bar above the
    // list carries the groups' texts, so the strip would stay empty there.
    KTImageInfoView *strip = infoView();
    strip->setVisible(group || image);
    if (!strip->isHidden())
        strip->setUIMode(mode);
    m_imageControlsView->setVisible(!groups);
    chrome().zoomSliderView()->setVisible(groups);
    m_backgroundView->setVisible(image || compare);
    m_groupsInfoBar->setVisible(groups);
    m_singleImageInfoBar->setVisible(group || image);
    m_compareImagesInfoBar->setVisible(compare);
    // The keys go to the list on screen; in the viewers to the viewer, whose keys the mode hands
    // on to the strip (keyDownInView()), so a click on the photo keeps them working.
    if (groups)
        chrome().setForegroundView(m_groupsView);
    else if (group)
        chrome().setForegroundView(m_groupView);
    else if (image)
        chrome().setForegroundView(imageView());
    else
        chrome().setForegroundView(m_compareView->selectedImageView());
    setAllGroupsInfoBarEnabled(groupCount() > 0);
    adjustSelectAllButtonVisibility();
    placeContent();
}

void KTGroupModeController::validateUIModeButtons()
{
    const QString mode = UIMode();
    m_groupsModeButton->setPushed(mode == kUIModeGroups);
    m_groupModeButton->setPushed(mode == kUIModeGroup);
    chrome().imageModeButton()->setPushed(mode == kUIModeImage);
    m_compareViewModeButton->setPushed(mode == kUIModeCompare);
}

void KTGroupModeController::validateUIVisibleElements()
{
    KTBaseUIModeController::validateUIVisibleElements();
    validateUIModeButtons();
    const QString mode = UIMode();
    if (mode == kUIModeGroups)
        m_groupsView->setZoomValue(imageListZoom());
    else if (mode == kUIModeGroup)
        m_backgroundView->setGradientColor(m_groupView->gradientColor());
    else if (mode == kUIModeImage)
        m_zoomLockButton->setPushed(isZoomLock());
    else if (mode == kUIModeCompare)
        m_zoomLockButton->setPushed(m_compareView->isZoomLock());
    m_backgroundView->update();
    m_groupNavigationView->setCompareMode(mode == kUIModeCompare);
    const bool shown = isViewShown();
    if (shown) {
        if (KTAbstractButton *pixels = showPixelsButton()) {
            pixels->setButtonEnabled(canShowExposurePixels());
            if (KTAbstractButton *focusMask = showFocusMaskButton())
                focusMask->setButtonEnabled(pixels->isButtonEnabled());
        }
    }
    const bool hasGroups = groupCount() > 0;
    setUIEnabled(hasGroups);
    adjustExifViewVisibility();
    m_compareView->leftImageView()->setShowsExposurePixels(showsExposurePixels());
    m_compareView->rightImageView()->setShowsExposurePixels(showsExposurePixels());
    m_groupView->setShowsExposurePixels(showsExposurePixels());
    // A reload re-checks the controls too: the grid stays where the user scrolled it.
    if (!m_doesNotScrollSelectionToVisible)
        m_groupView->scrollSelectedCellToVisible();
    if (shown) {
        if (QWidget *foreground = chrome().foregroundView())
            foreground->setFocus();
    }
    const bool canSwitch = canSwitchGroups();
    m_nextGroupButton->setButtonEnabled(canSwitch);
    m_prevGroupButton->setButtonEnabled(canSwitch);
    validateCompareModeButton();
}

void KTGroupModeController::setUIEnabled(bool enabled)
{
    m_segmentedModeView->setSubviewsEnabled(enabled);
    zoomSlider()->setEnabled(enabled);
}

void KTGroupModeController::setAllGroupsInfoBarEnabled(bool enabled)
{
    m_groupsInfo->setVisible(enabled);
}

void KTGroupModeController::validateCompareModeButton()
{
    m_compareViewModeButton->setButtonEnabled(imagesForSelectedGroup().size() > 1);
}

void KTGroupModeController::adjustSelectAllButtonVisibility()
{
    const QString mode = UIMode();
    const bool hidden = mode == kUIModeCompare || mode == kUIModeGroups || images().size() < 2;
    m_selectAllButton->setHidden(hidden);
}

void KTGroupModeController::adjustSelectAllButonState()
{
    QSet<KTImageMO *> selected;
    enumerateSelectedImagesUsingBlock([&](KTImageMO *image, bool, bool &) { selected.insert(image); });
    const QList<KTImageMO *> list = images();
    const QSet<KTImageMO *> all(list.begin(), list.end());
    m_selectAllButton->setPushed(all == selected);
}

bool KTGroupModeController::exifPanelShouldBeShown() const
{
    return UIMode() != kUIModeGroups && groupCount() > 0;
}

bool KTGroupModeController::navigationBarShouldBeShown() const
{
    const QString mode = UIMode();
    return isNavigationBarVisible() && (mode == kUIModeImage || mode == kUIModeCompare);
}

bool KTGroupModeController::canShowExposurePixels() const
{
    return UIMode() != kUIModeGroups;
}

bool KTGroupModeController::canZoomListView() const
{
    return UIMode() == kUIModeGroups;
}

void KTGroupModeController::showExifView()
{
    KTBaseUIModeController::showExifView();
    m_infoViewsContainer->setDrawsSeparator(UIMode() == kUIModeCompare);
    m_infoViewsContainer->update();
}

void KTGroupModeController::hideExifView()
{
    KTBaseUIModeController::hideExifView();
    m_infoViewsContainer->setDrawsSeparator(false);
    m_infoViewsContainer->update();
}

QStringList KTGroupModeController::groupsInfoStrings() const
{
    const GroupsTotals totals = groupsTotals();
    return QStringList{KTUtils::totalImagesString(totals.images, totals.bytes)} + selectedGroupInfoStrings();
}

void KTGroupModeController::updateInfoView()
{
    const QString mode = UIMode();
    if (mode == kUIModeGroup || mode == kUIModeImage) {
        KTImageMO *active = activeImageMO();
        // Cleared first, so the strip refreshes even for the record it shows.
        infoView()->setImageMO(nullptr);
        infoView()->setImageMO(active);
        m_singleImageInfoBar->setImageMO(active);
    } else if (mode == kUIModeGroups) {
        const std::optional<qsizetype> selected = selectedGroupIndex();
        if (groupCount() == 0)
            infoView()->groupsInfoTextField()->setStringValue(QString());
        else if (selected && *selected >= 0 && *selected < groupCount())
            m_groupsInfo->setStrings(groupsInfoStrings());
    }
}

void KTGroupModeController::updateExifView()
{
    KTExifViewController *exif = exifViewController();
    const std::optional<qsizetype> active = activeImageIndex();
    const QList<KTImageMO *> list = images();
    if (!exif || list.isEmpty() || !active || *active < 0 || *active >= list.size())
        return;
    if (exif->imageMO() == list.at(*active))
        return;
    exif->setImageMO(list.at(*active));
    exif->setDrawsShadow(true);
}

void KTGroupModeController::refresh()
{
    // Refreshing the controls leaves the grids where they are.
    const bool doesNotScroll = std::exchange(m_doesNotScrollSelectionToVisible, true);
    KTBaseUIModeController::refresh();
    m_doesNotScrollSelectionToVisible = doesNotScroll;
    if (m_backgroundView)
        m_backgroundView->update();
}

void KTGroupModeController::resetUI()
{
    setUIMode(kUIModeGroups);
    setIsExifPanelVisible(false);
    setIsNavigationBarVisible(false);
    setNeedsReload();
}

void KTGroupModeController::reload()
{
    KTBaseUIModeController::reload();
    reloadGrouppedImages();
    showChangedList();
}

void KTGroupModeController::showChangedList()
{
    reloadGroupsView();
    listDidChange();
    // A change of the list never scrolls the views.
    m_doesNotScrollSelectionToVisible = true;
    adjustUI();
    m_doesNotScrollSelectionToVisible = false;
}

void KTGroupModeController::reloadGroupsViewNow()
{
    m_groupsViewIsStale = false;
    m_groupsView->reloadData();
}

void KTGroupModeController::reloadGroupsView()
{
    // A hidden list lays out every group for nothing: it reloads when it is shown.
    if (m_groupsScrollView->isHidden()) {
        m_groupsViewIsStale = true;
        return;
    }
    reloadGroupsViewNow();
}

void KTGroupModeController::taskDidFinish(const QString &taskName)
{
    // The records of a cleared session are freed once every observer has heard of the end; a
    // mode on screen has rebuilt its list from the catalogue's notifications already.
    if (taskName == kCleanSessionTaskName && !isViewShown())
        letGoOfRecords();
}

void KTGroupModeController::letGoOfRecords()
{
    clearGroupList();
    setImages({});
    m_paths.clear();
    setSelectedImagesIndexes({});
    setActiveImageIndex(std::nullopt);
    updateSelectedImagesPaths();
    reloadGroupsView();
    m_groupView->reloadData();
    m_groupNavigationView->reloadData();
    if (KTExifViewController *exif = exifViewController())
        exif->setImageMO(nullptr);
    setNeedsReload();
}

void KTGroupModeController::listDidChange()
{
    notifyImagesListDidChange();
}

// ---- Parts of the screen ----

KTImagesGroupsView *KTGroupModeController::groupsView() const
{
    return m_groupsView;
}

KTGridScrollView *KTGroupModeController::groupsScrollView() const
{
    return m_groupsScrollView;
}

KTImageGroupView *KTGroupModeController::groupView() const
{
    return m_groupView;
}

KTGridScrollView *KTGroupModeController::groupScrollView() const
{
    return m_groupScrollView;
}

KTImageGroupNavigationView *KTGroupModeController::groupNavigationView() const
{
    return m_groupNavigationView;
}

KTImageCompareView *KTGroupModeController::compareView() const
{
    return m_compareView;
}

KTSimpleBackgroundView *KTGroupModeController::backgroundView() const
{
    return m_backgroundView;
}

QWidget *KTGroupModeController::animationContainerView() const
{
    return m_animationContainerView;
}

KTAbstractButton *KTGroupModeController::groupsModeButton() const
{
    return m_groupsModeButton;
}

KTAbstractButton *KTGroupModeController::groupModeButton() const
{
    return m_groupModeButton;
}

KTAbstractButton *KTGroupModeController::compareViewModeButton() const
{
    return m_compareViewModeButton;
}

KTAbstractButton *KTGroupModeController::zoomLockButton() const
{
    return m_zoomLockButton;
}

KTAbstractButton *KTGroupModeController::nextGroupButton() const
{
    return m_nextGroupButton;
}

KTAbstractButton *KTGroupModeController::prevGroupButton() const
{
    return m_prevGroupButton;
}

KTAbstractButton *KTGroupModeController::selectAllButton() const
{
    return m_selectAllButton;
}

KTAbstractButton *KTGroupModeController::timeRangeButton() const
{
    return m_timeRangeButton;
}

QWidget *KTGroupModeController::groupsModeControls() const
{
    return m_groupsModeControls;
}

QWidget *KTGroupModeController::imageControlsView() const
{
    return m_imageControlsView;
}

KTImageInfoViewsContainer *KTGroupModeController::infoViewsContainer() const
{
    return m_infoViewsContainer;
}

KTSingeImageInfoBar *KTGroupModeController::singleImageInfoBar() const
{
    return m_singleImageInfoBar;
}

KTCompareImagesInfoBar *KTGroupModeController::compareImagesInfoBar() const
{
    return m_compareImagesInfoBar;
}

QWidget *KTGroupModeController::groupsInfoBar() const
{
    return m_groupsInfoBar;
}

KTMultipleLabelsView *KTGroupModeController::groupsInfo() const
{
    return m_groupsInfo;
}

KTModeToolbar *KTGroupModeController::toolBar() const
{
    return m_toolBar;
}
