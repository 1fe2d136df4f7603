#include "KTImageModeController.h"

#include "KTAbstractButton.h"
#include "KTBadgeButton.h"
#include "KTColor.h"
#include "KTExifViewController.h"
#include "KTExportPopupViewController.h"
#include "KTGridScrollView.h"
#include "KTImageBrowserView.h"
#include "KTImageInfoView.h"
#include "KTImageMO.h"
#include "KTImageNavigationView.h"
#include "KTImageStorage.h"
#include "KTImageView.h"
#include "KTLevelIndicator.h"
#include "KTModeChrome.h"
#include "KTModeToolbar.h"
#include "KTMultipleLabelsView.h"
#include "KTPopoverManager.h"
#include "KTPopoverView.h"
#include "KTResizablePopUpButton.h"
#include "KTSegmentedView.h"
#include "KTSimpleBackgroundView.h"
#include "KTSingeImageInfoBar.h"
#include "KTUserDefaults.h"
#include "KTUtils.h"
#include "KTZoomSlider.h"

#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QMenu>
#include <QPointer>
#include <QScrollBar>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>

namespace {

/// When the grid scrolls its selection into view after the set-up.
constexpr int kInitialScrollDelayMs = 500;

const QStringList &sortKeysByTag()
{
    static const QStringList s_keys{QStringLiteral("creationDate"), QStringLiteral("modificationDate"),
                                    QStringLiteral("name"), QStringLiteral("size"),
                                    QStringLiteral("resolveDate")};
    return s_keys;
}

} // namespace

KTImageModeController::KTImageModeController(QObject *parent)
    : KTImageModeController(kAllImagesFilterID, KTPredicate::alwaysTrue(), parent)
{}

KTImageModeController::KTImageModeController(const QString &filterID, const KTPredicate &predicate,
                                             QObject *parent)
    : KTBaseUIModeController(parent), m_filterID(filterID), m_predicate(predicate)
{
    buildView();
    initialize();
}

KTImageModeController::~KTImageModeController()
{
    m_listObserver.reset();
    // The views call back into the mode: they go while it is still whole.
    chrome().destroyView();
}

// ---- Building ----

void KTImageModeController::buildView()
{
    auto *root = new QWidget;
    root->setObjectName(m_filterID);
    root->setAutoFillBackground(true);
    QPalette palette = root->palette();
    palette.setColor(QPalette::Window, KTPalette::kWindow);
    root->setPalette(palette);
    auto *column = new QVBoxLayout(root);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    // Information bar over the content: the active image's path, size and camera values, one
    // bar per sub-mode.
    auto *infoBarContainer = new QWidget(root);
    infoBarContainer->setObjectName(QStringLiteral("infoBarContainer"));
    infoBarContainer->setFixedHeight(KTSingeImageInfoBar::kHeight);
    auto *bars = new QHBoxLayout(infoBarContainer);
    bars->setContentsMargins(0, 0, 0, 0);
    m_allImagesInfoBar = new KTSingeImageInfoBar(infoBarContainer);
    m_allImagesInfoBar->setObjectName(QStringLiteral("allImagesInfoBar"));
    m_singleImageInfoBar = new KTSingeImageInfoBar(infoBarContainer);
    m_singleImageInfoBar->setObjectName(QStringLiteral("singleImageInfoBar"));
    bars->addWidget(m_allImagesInfoBar, 1);
    bars->addWidget(m_singleImageInfoBar, 1);
    m_totalsInfo = new KTMultipleLabelsView(infoBarContainer);
    m_totalsInfo->setObjectName(QStringLiteral("totalsInfo"));
    bars->addWidget(m_totalsInfo, 0);
    column->addWidget(infoBarContainer);

    // Content: the grid or the viewer, and the EXIF panel to their right.
    auto *row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    auto *container = new QWidget(root);
    container->setObjectName(QStringLiteral("containerView"));
    auto *stack = new QGridLayout(container);
    stack->setContentsMargins(0, 0, 0, 0);
    m_imageBrowserScrollView = new KTGridScrollView(Qt::Vertical, container);
    m_imageBrowserView = new KTImageBrowserView;
    m_imageBrowserView->setObjectName(QStringLiteral("imageBrowserView"));
    m_imageBrowserScrollView->setDocumentView(m_imageBrowserView.data());
    stack->addWidget(m_imageBrowserScrollView, 0, 0);
    m_backgroundView = new KTSimpleBackgroundView(container);
    m_backgroundView->setObjectName(QStringLiteral("backgroundView"));
    m_backgroundView->setBackgroundColor(KTPalette::kWindow);
    // The viewer over its information strip, placed by hand (see placeViewer()).
    auto *imageView = new KTImageView(m_backgroundView);
    imageView->setObjectName(QStringLiteral("imageView"));
    auto *infoView = new KTImageInfoView(m_backgroundView);
    infoView->setObjectName(QStringLiteral("infoView"));
    m_backgroundView->installEventFilter(this);
    stack->addWidget(m_backgroundView, 0, 0);
    row->addWidget(container, 1);
    column->addLayout(row, 1);

    // Bottom toolbar.
    m_toolBar = new KTModeToolbar(root);
    auto *subModes = new KTSegmentedView(m_toolBar);
    auto *subModesRow = new QHBoxLayout(subModes);
    subModesRow->setContentsMargins(0, 0, 0, 0);
    subModesRow->setSpacing(0);
    m_imagesModeButton =
        KTModeToolbar::segmentButton(KTModeToolbar::Segment::Left, QStringLiteral("view_grid"),
                                     tr("All images as thumbnails (G)"), subModes);
    auto *imageModeButton =
        KTModeToolbar::segmentButton(KTModeToolbar::Segment::Right, QStringLiteral("view_single"),
                                     tr("One image at a time (Space)"), subModes);
    for (KTAbstractButton *button : {m_imagesModeButton.data(), imageModeButton}) {
        subModes->addSubview(button);
        subModesRow->addWidget(button);
        connect(button, &KTControl::clicked, this, [this, button] { onSwitchUIMode(button); });
    }
    m_toolBar->leftLayout()->addWidget(subModes);
    m_toolBar->leftLayout()->addSpacing(6);

    m_switchSortKeyButton = KTModeToolbar::sortKeyPopUpButton(
        {tr("Date Created"), tr("Date Modified"), tr("Name"), tr("File Size"), tr("Date Decided")},
        tr("Sort by"), m_toolBar);
    connect(m_switchSortKeyButton, &KTControl::clicked, this,
            [this] { onSwitchSortKey(m_switchSortKeyButton); });
    m_toolBar->leftLayout()->addWidget(m_switchSortKeyButton);
    m_switchSortOrderButton = KTModeToolbar::roundButton(QStringLiteral("sort_ascending"), tr("Sort order"),
                                                         KTAbstractButton::Toggle, m_toolBar);
    m_switchSortOrderButton->setPushedPictogramName(QStringLiteral("sort_descending"));
    connect(m_switchSortOrderButton, &KTControl::clicked, this,
            [this] { onSwitchSortOrder(m_switchSortOrderButton); });
    m_toolBar->leftLayout()->addWidget(m_switchSortOrderButton);

    // Centre: the thumbnail zoom in "List", the viewer's zoom in "Image".
    m_toolBar->centerLayout()->addWidget(
        chrome().makeThumbnailZoom(m_toolBar, [this](QObject *sender) { onChangeZoom(sender); }));

    auto *imageControls = new QWidget(m_toolBar);
    imageControls->setObjectName(QStringLiteral("imageModeControlsView"));
    auto *imageControlsRow = new QHBoxLayout(imageControls);
    imageControlsRow->setContentsMargins(0, 0, 0, 0);
    imageControlsRow->setSpacing(6);
    KTAbstractButton *zoomLock = nullptr;
    QWidget *zoomView = chrome().makeViewerZoom(
        imageControls, [this](QObject *sender) { onSwitchZoom(sender); },
        [this](QObject *sender) { onZoomLock(sender); }, &zoomLock);
    m_zoomLockButton = zoomLock;
    // Previous and next image, wrapping at the ends.
    m_selectPreviousButton =
        KTModeToolbar::roundButton(QStringLiteral("chevron_left"), tr("Previous image (Left arrow)"),
                                   KTAbstractButton::Momentary, imageControls);
    connect(m_selectPreviousButton, &KTControl::clicked, this,
            [this] { onPrevImage(m_selectPreviousButton); });
    m_selectNextButton =
        KTModeToolbar::roundButton(QStringLiteral("chevron_right"), tr("Next image (Right arrow)"),
                                   KTAbstractButton::Momentary, imageControls);
    connect(m_selectNextButton, &KTControl::clicked, this, [this] { onNextImage(m_selectNextButton); });
    imageControlsRow->addWidget(m_selectPreviousButton);
    imageControlsRow->addWidget(m_selectNextButton);
    imageControlsRow->addSpacing(6);
    imageControlsRow->addWidget(zoomView);
    auto *navigationSwitch = KTModeToolbar::roundButton(
        QStringLiteral("filmstrip"), tr("Show the thumbnail strip"), KTAbstractButton::Toggle, imageControls);
    connect(navigationSwitch, &KTControl::clicked, this,
            [this, navigationSwitch] { onShowNavigationBar(navigationSwitch); });
    imageControlsRow->addWidget(navigationSwitch);
    m_toolBar->centerLayout()->addWidget(imageControls);

    // Right: rating, pick, share, export; the concrete modes add their own after these.
    chrome().addDecisionButtons(
        m_toolBar, [this](QObject *sender) { onFlag(sender); }, [this](QObject *sender) { onShare(sender); });
    m_exportButton =
        KTModeToolbar::roundButton(QStringLiteral("export"), tr("Move, copy or export the images"),
                                   KTAbstractButton::Momentary, m_toolBar);
    m_exportButton->setObjectName(QStringLiteral("exportButton"));
    connect(m_exportButton, &KTControl::clicked, this, [this] { onExport(m_exportButton); });
    m_toolBar->rightLayout()->addWidget(m_exportButton);
    column->addWidget(m_toolBar);

    // The thumbnail strip under the toolbar in "Image".
    m_navigationStrip = new KTImageNavigationView;
    // The strip is for the mouse: the keys stay with the viewer above it, which hands them on.
    m_navigationStrip->setFocusPolicy(Qt::NoFocus);
    chrome().addNavigationStrip(column, m_navigationStrip);

    for (KTImageListView *list : {static_cast<KTImageListView *>(m_imageBrowserView.data()),
                                  static_cast<KTImageListView *>(m_navigationStrip.data())}) {
        list->setDataSource(this);
        list->setDelegate(this);
    }

    chrome().setView(root);
    chrome().setContainerView(container, row);
    chrome().setInfoBarContainer(infoBarContainer);
    chrome().setBottomToolBar(m_toolBar);
    chrome().setImageView(imageView);
    chrome().setInfoView(infoView);
    chrome().setShowNavigationBarButton(navigationSwitch);
    chrome().setImageModeButton(imageModeButton);
    chrome().setImageModeControlsView(imageControls);
    chrome().setForegroundView(m_imageBrowserView);
}

void KTImageModeController::initialize()
{
    KTBaseUIModeController::initialize();
    infoView()->startObservingImageView(imageView());
    KTZoomSlider *slider = zoomSlider();
    Q_ASSERT_X(slider->minValue() == kMinZoomSliderValue && slider->maxValue() == kMaxZoomSliderValue,
               "initialize", "Min or max zoom slider values differ from values defined in code");
    slider->setNumberOfTickMarks(int(m_imageBrowserView->numberOfZoomSteps()));
    connect(m_imageBrowserView, &KTImageBrowserView::numberOfZoomStepsChanged, this,
            [slider](qsizetype steps) { slider->setNumberOfTickMarks(int(steps)); });
    m_imageBrowserView->setZoomValue(imageListZoom());
    slider->setDoubleValue(imageListZoom());
    setIsZoomLock(true);
    QTimer::singleShot(kInitialScrollDelayMs, this, [this] {
        if (m_imageBrowserView)
            m_imageBrowserView->scrollSelectedCellToVisible();
    });
}

void KTImageModeController::registerDefaults()
{
    KTBaseUIModeController::registerDefaults();
    userDefaults().registerDefaults({{defaultsKeyPathForKey(QStringLiteral("UIMode")), kUIModeList}});
}

QVariantMap KTImageModeController::imagesFilter() const
{
    return {
        {kFilterPredicateKey, QVariant::fromValue(m_predicate)},
        {kFilterSortDescriptorsKey, QVariant::fromValue(imagesSortDescriptors())},
        {kShouldApplyPredicateAfterFetch, true},
    };
}

// ---- Set-up ----

void KTImageModeController::setImageStorage(KTImageStorage *storage)
{
    KTImageStorage *previous = imageStorage();
    if (storage == previous)
        return;
    m_listObserver.reset();
    if (previous)
        previous->removeFilterWithID(m_filterID);
    KTBaseUIModeController::setImageStorage(storage);
    observeNotificationsFromImageStorage(storage);
    if (storage)
        storage->setFilter(imagesFilter(), m_filterID);
}

void KTImageModeController::observeNotificationsFromImageStorage(KTImageStorage *storage)
{
    if (!storage)
        return;
    m_listObserver = KTNotificationCenter::defaultCenter().addObserver(
        m_filterID, storage, [self = QPointer<KTImageModeController>(this)](const KTNotification &) {
            if (self)
                self->setNeedsReload();
        });
}

void KTImageModeController::setLoadingThumbnailsQueue(KTOperationQueue *queue)
{
    KTBaseUIModeController::setLoadingThumbnailsQueue(queue);
    m_imageBrowserView->setLoadingThumbnailsQueue(queue);
    m_navigationStrip->setLoadingThumbnailsQueue(queue);
}

// ---- List ----

void KTImageModeController::reload()
{
    KTBaseUIModeController::reload();
    reloadImagesList();
}

void KTImageModeController::reloadImagesList()
{
    KTImageStorage *storage = imageStorage();
    const QList<KTImageMO *> list =
        storage ? storage->imagesFilteredByFilterWithID(m_filterID) : QList<KTImageMO *>();
    setImages(list);
    m_paths.setImages(list);
    // A record may lack a path: it stays listed, but the selection cannot follow it by path.
    for (const KTImageMO *image : list) {
        if (image->path().isEmpty())
            qWarning().noquote() << QStringLiteral(
                                        "Warning: image %1 of %2 has no path; it is listed without one.")
                                        .arg(image->uuid(), m_filterID);
    }
    m_imageBrowserView->reloadData();
    m_navigationStrip->reloadData();
    updateTotalsInfo();
    adjustUI();
    notifyImagesListDidChange();
}

void KTImageModeController::updateTotalsInfo()
{
    const QList<KTImageMO *> list = images();
    if (list.isEmpty()) {
        m_totalsInfo->setStrings({});
        return;
    }
    qint64 bytes = 0;
    for (const KTImageMO *image : list)
        bytes += qint64(image->size().value_or(0));
    m_totalsInfo->setStrings({KTUtils::totalImagesString(list.size(), bytes)});
}

void KTImageModeController::clearImagesList()
{
    setImages({});
    m_paths.clear();
    m_totalsInfo->setStrings({});
    m_imageBrowserView->reloadData();
    m_navigationStrip->reloadData();
    if (KTLevelIndicator *rating = chrome().ratingIndicator())
        rating->setIntegerValue(0);
}

void KTImageModeController::setEmptyMessage(const QString &message)
{
    m_imageBrowserView->setEmptyMessage(message);
}

QList<KTImageMO *> KTImageModeController::selectedImages()
{
    QList<KTImageMO *> selected;
    enumerateSelectedImagesUsingBlock([&](KTImageMO *image, bool, bool &) { selected.append(image); });
    return selected;
}

// ---- Selection ----

void KTImageModeController::updateSelectedImagesPaths()
{
    m_paths.remember(images(), {selectedImagesIndexes(), activeImageIndex()});
}

void KTImageModeController::validateSelection()
{
    // 1-2. Find the remembered paths in the new list; none found keeps the indexes as they were.
    const KTPathSelection::Selection found = m_paths.findRemembered();
    if (!found.indexes.empty()) {
        setSelectedImagesIndexes(found.indexes);
        setActiveImageIndex(found.active);
    }
    // 3-4. Clipped to the list, falling back to the first image; an empty list has no selection.
    const KTPathSelection::Selection clipped =
        KTPathSelection::clipped({selectedImagesIndexes(), activeImageIndex()}, images().size());
    setSelectedImagesIndexes(clipped.indexes);
    setActiveImageIndex(clipped.active);
    // 5.
    updateSelectedImagesPaths();
}

void KTImageModeController::setSelectedImages(const QList<KTImageMO *> &images, KTImageMO *activeImage,
                                              bool selectOnlyFirstImage)
{
    std::set<qsizetype> indexes;
    for (KTImageMO *image : images) {
        if (const std::optional<qsizetype> index = m_paths.indexOf(image))
            indexes.insert(*index);
    }
    std::optional<qsizetype> active = m_paths.indexOf(activeImage);
    if (selectOnlyFirstImage && !indexes.empty()) {
        active = *indexes.begin();
        indexes = {*active};
    }
    setSelectedImagesIndexes(indexes);
    setActiveImageIndex(active);
    updateSelectedImagesPaths();
    adjustSelectionFromView(nullptr);
}

void KTImageModeController::adjustSelectionFromView(QObject *sender)
{
    validateSelection();
    const QString mode = UIMode();
    if (mode == kUIModeList) {
        if (sender != m_imageBrowserView) {
            m_imageBrowserView->selectIndexes(selectedImagesIndexes(), activeImageIndex());
            m_imageBrowserView->scrollSelectedCellToVisible();
        }
    } else if (mode == kUIModeImage) {
        showImageInViewer(activeImageMO());
        if (sender != m_navigationStrip) {
            m_navigationStrip->selectIndexes(selectedImagesIndexes(), activeImageIndex());
            m_navigationStrip->scrollSelectedCellToVisible();
        }
    }
    updateExifView();
    updateInfoView();
    adjustRatingIndicatorState();
    adjustFlagImageButtonState();
    adjustShareButtonState();
}

void KTImageModeController::storeSelectionFromImageListView(KTImageListView *view)
{
    setSelectedImagesIndexes(view->selection());
    setActiveImageIndex(view->activeIndex());
    updateSelectedImagesPaths();
}

void KTImageModeController::selectSingleImage(qsizetype index)
{
    setSelectedImagesIndexes({index});
    setActiveImageIndex(index);
    updateSelectedImagesPaths();
    adjustSelectionFromView(nullptr);
}

void KTImageModeController::onNextImage(QObject *)
{
    const qsizetype count = images().size();
    if (count == 0)
        return;
    const std::optional<qsizetype> active = activeImageIndex();
    selectSingleImage(!active || *active + 1 >= count ? 0 : *active + 1);
}

void KTImageModeController::onPrevImage(QObject *)
{
    const qsizetype count = images().size();
    if (count == 0)
        return;
    const std::optional<qsizetype> active = activeImageIndex();
    selectSingleImage(!active || *active <= 0 || *active > count ? count - 1 : *active - 1);
}

void KTImageModeController::registerActions()
{
    KTBaseUIModeController::registerActions();
    const auto subMode = [this](KTModeCommand command, const QString &title, const char *key,
                                const QString &mode) {
        actions().add(command, {title,
                                {QKeySequence(QLatin1String("Ctrl+") + QLatin1String(key))},
                                [this, mode] { switchToUIMode(mode); },
                                [this] { return !images().isEmpty(); },
                                [this, mode] { return UIMode() == mode; }});
    };
    subMode(KTModeCommand::ShowGroups, tr("Grid"), "1", kUIModeList);
    subMode(KTModeCommand::ShowImage, tr("Single Image"), "2", kUIModeImage);
}

KTImageListView *KTImageModeController::listForKeys() const
{
    const QString mode = UIMode();
    if (mode == kUIModeList)
        return m_imageBrowserView;
    if (mode == kUIModeImage)
        return m_navigationStrip;
    return nullptr;
}

bool KTImageModeController::canShowExposurePixels() const
{
    return UIMode() == kUIModeImage;
}

KTImageListView *KTImageModeController::listForSelectionCommand(const QString &command) const
{
    const QString mode = UIMode();
    if (mode == kUIModeList)
        return m_imageBrowserView;
    if (mode == kUIModeImage)
        return m_navigationStrip;
    logUnexpectedUIMode(command);
    return nullptr;
}

void KTImageModeController::restoreAppLastLaunchSelection()
{
    KTBaseUIModeController::restoreAppLastLaunchSelection();
    updateSelectedImagesPaths();
    adjustUI();
}

// ---- Data source and delegate ----

qsizetype KTImageModeController::numberOfImages(KTImageListView *)
{
    return images().size();
}

KTImageMO *KTImageModeController::imageMOAtIndex(qsizetype index, KTImageListView *)
{
    const QList<KTImageMO *> list = images();
    return index >= 0 && index < list.size() ? list.at(index) : nullptr;
}

void KTImageModeController::imageListViewSelectionDidChange(KTImageListView *view)
{
    storeSelectionFromImageListView(view);
    adjustSelectionFromView(view);
    adjustFlagImageButtonState();
    adjustShareButtonState();
}

void KTImageModeController::imageListViewCellWasDoubleClickedAtIndex(KTImageListView *, qsizetype)
{
    if (UIMode() != kUIModeList)
        return;
    setUIMode(kUIModeImage);
    adjustUI();
}

// ---- Sub-modes ----

void KTImageModeController::adjustUI()
{
    if (images().isEmpty())
        setUIMode(kUIModeList);
    adjustUIVisibleElements();
    validateUIVisibleElements();
    validateSelection();
    adjustSelectionFromView(nullptr);
}

void KTImageModeController::onSwitchUIMode(QObject *sender)
{
    QString mode;
    if (sender && sender == m_imagesModeButton)
        mode = kUIModeList;
    else if (sender && sender == chrome().imageModeButton())
        mode = kUIModeImage;
    else {
        qWarning("Unexpected sender");
        return;
    }
    static_cast<KTAbstractButton *>(sender)->setPushed(true);
    if (mode == UIMode())
        return;
    setUIMode(mode);
    adjustUI();
}

void KTImageModeController::onListMode(QObject *)
{
    onSwitchUIMode(m_imagesModeButton);
}

void KTImageModeController::onSpacePress()
{
    const QString mode = UIMode();
    if (mode == kUIModeGroups)
        setUIMode(kUIModeGroup);
    else if (mode == kUIModeList)
        setUIMode(kUIModeImage);
    else if (mode == kUIModeImage)
        setUIMode(kUIModeList);
    else
        return;
    adjustUI();
}

bool KTImageModeController::canSwitchToUIMode(const QString &mode) const
{
    return mode != kUIModeCompare && mode != kUIModeGroup;
}

bool KTImageModeController::canZoomListView() const
{
    return UIMode() == kUIModeList;
}

bool KTImageModeController::navigationBarShouldBeShown() const
{
    return isNavigationBarVisible() && UIMode() == kUIModeImage;
}

bool KTImageModeController::exifPanelShouldBeShown() const
{
    KTImageStorage *storage = imageStorage();
    return storage && !storage->imagesFilteredByFilterWithID(m_filterID).isEmpty();
}

QString KTImageModeController::modeButtonBadge() const
{
    return {};
}

// ---- Zoom ----

double KTImageModeController::zoomValue() const
{
    return imageListZoom();
}

void KTImageModeController::setZoomValue(double value)
{
    setImageListZoom(value);
}

void KTImageModeController::setImageListZoom(double zoom)
{
    KTBaseUIModeController::setImageListZoom(zoom);
    if (m_imageBrowserView)
        m_imageBrowserView->setZoomValue(imageListZoom());
    if (KTZoomSlider *slider = zoomSlider())
        slider->setDoubleValue(imageListZoom());
}

void KTImageModeController::onChangeZoom(QObject *)
{
    if (UIMode() == kUIModeList)
        setImageListZoom(zoomSlider()->doubleValue());
}

void KTImageModeController::onZoomIn(QObject *)
{
    imageView()->zoomIn();
}

void KTImageModeController::onZoomOut(QObject *)
{
    imageView()->zoomOut();
}

void KTImageModeController::onFit(QObject *)
{
    imageView()->fitToScreen();
}

void KTImageModeController::onActualSize(QObject *)
{
    imageView()->actualSize();
}

void KTImageModeController::onZoomLock(QObject *)
{
    setIsZoomLock(m_zoomLockButton->isPushed());
}

// ---- Sorting ----

QString KTImageModeController::sortKeyForTag(int tag)
{
    return sortKeysByTag().value(tag);
}

int KTImageModeController::tagForSortKey(const QString &key)
{
    return std::max(0, int(sortKeysByTag().indexOf(key)));
}

void KTImageModeController::onSwitchSortKey(QObject *)
{
    const QString key = sortKeyForTag(m_switchSortKeyButton->selectedTag());
    if (key.isEmpty() || key == sortKey())
        return;
    setSortKey(key);
    if (KTImageStorage *storage = imageStorage())
        storage->setFilter(imagesFilter(), m_filterID);
}

void KTImageModeController::onSwitchSortOrder(QObject *)
{
    const bool ascending = !m_switchSortOrderButton->isPushed();
    if (ascending == sortOrder())
        return;
    setSortOrder(ascending);
    if (KTImageStorage *storage = imageStorage())
        storage->setFilter(imagesFilter(), m_filterID);
}

// ---- Visible elements ----

void KTImageModeController::adjustUIVisibleElements()
{
    KTBaseUIModeController::adjustUIVisibleElements();
    const bool image = UIMode() == kUIModeImage;
    m_imageBrowserScrollView->setHidden(image);
    chrome().zoomSliderView()->setHidden(image);
    m_allImagesInfoBar->setHidden(image);
    m_singleImageInfoBar->setHidden(!image);
    chrome().imageModeControlsView()->setHidden(!image);
    imageView()->setHidden(!image);
    chrome().showNavigationBarButton()->setHidden(!image);
    m_backgroundView->setHidden(imageView()->isHidden());
    // The keys go to the grid, or to the viewer, whose keys the mode hands on to the strip
    // (keyDownInView()): a click on the photo keeps them working.
    chrome().setForegroundView(image ? static_cast<QWidget *>(imageView()) : m_imageBrowserView);
}

void KTImageModeController::validateUIVisibleElements()
{
    KTBaseUIModeController::validateUIVisibleElements();
    const QString mode = UIMode();
    const bool image = mode == kUIModeImage;
    m_imagesModeButton->setPushed(mode == kUIModeList);
    chrome().imageModeButton()->setPushed(image);
    m_switchSortKeyButton->selectItemWithTag(tagForSortKey(sortKey()));
    m_switchSortOrderButton->setPushed(!sortOrder());
    if (image)
        m_zoomLockButton->setPushed(isZoomLock());
    const bool hasImages = !images().isEmpty();
    setUIEnabled(hasImages);
    if (isViewShown()) {
        if (KTAbstractButton *pixels = showPixelsButton())
            pixels->setButtonEnabled(image);
        if (KTAbstractButton *focusMask = showFocusMaskButton())
            focusMask->setButtonEnabled(image);
        if (QWidget *foreground = chrome().foregroundView())
            foreground->setFocus();
    }
    m_switchSortOrderButton->setButtonEnabled(hasImages);
    m_exportButton->setButtonEnabled(hasImages);
}

void KTImageModeController::setUIEnabled(bool enabled)
{
    m_imagesModeButton->setButtonEnabled(enabled);
    chrome().imageModeButton()->setButtonEnabled(enabled);
    m_switchSortKeyButton->setButtonEnabled(enabled);
    m_switchSortOrderButton->setButtonEnabled(enabled);
    zoomSlider()->setEnabled(enabled);
}

void KTImageModeController::refresh()
{
    KTBaseUIModeController::refresh();
    // A hidden grid is laid out when it is shown again.
    if (!isViewShown())
        return;
    m_backgroundView->update();
    m_imageBrowserView->relayout();
}

void KTImageModeController::resetUI()
{
    setUIMode(kUIModeList);
    setIsExifPanelVisible(false);
    setIsNavigationBarVisible(false);
    setNeedsReload();
}

// ---- Info and EXIF ----

void KTImageModeController::updateInfoView()
{
    KTImageMO *active = activeImageMO();
    // Cleared first, so the strip refreshes even for the record it shows.
    infoView()->setImageMO(nullptr);
    infoView()->setImageMO(active);
    m_allImagesInfoBar->setImageMO(active);
    m_singleImageInfoBar->setImageMO(active);
}

void KTImageModeController::updateExifView()
{
    KTExifViewController *exif = exifViewController();
    if (!exif)
        return;
    exif->setImageMO(activeImageMO());
    const QScrollBar *scroller = m_imageBrowserScrollView->verticalScrollBar();
    exif->setDrawsShadow(!(UIMode() == kUIModeList && scroller && scroller->isVisible()));
}

void KTImageModeController::placeViewer()
{
    // The strip spans the bottom; the viewer takes the rest down to the strip's transparent band.
    const QRectF area = m_backgroundView->rect();
    const double strip = KTImageInfoView::kHeight;
    infoView()->setFrame(QRectF(area.left(), area.bottom() - strip, area.width(), strip));
    imageView()->setGeometry(QRectF(area.left(), area.top(), area.width(),
                                    std::max(0.0, area.height() - strip + kBackgroundTransparentAreaHeight))
                                 .toRect());
}

bool KTImageModeController::eventFilter(QObject *watched, QEvent *event)
{
    // The type first: during its destruction the background view is no longer one.
    if (event->type() == QEvent::Resize && watched == m_backgroundView)
        placeViewer();
    return KTBaseUIModeController::eventFilter(watched, event);
}

// ---- Decisions and files ----

void KTImageModeController::rejectSelectedImages()
{
    if (KTImageStorage *storage = imageStorage())
        storage->moveImagesToTrash(selectedImages());
}

void KTImageModeController::deleteImagesInArray(const QList<KTImageMO *> &images)
{
    KTImageStorage *storage = imageStorage();
    if (!images.isEmpty() && storage)
        storage->moveImagesToSystemTrash(images);
}

void KTImageModeController::deleteAllImages()
{
    deleteImagesInArray(images());
}

void KTImageModeController::copyImagesToPasteboard()
{
    const QString mode = UIMode();
    if (mode == kUIModeList)
        m_imageBrowserView->copySelectedImagesToPasteboard();
    else if (mode == kUIModeImage)
        m_navigationStrip->copySelectedImagesToPasteboard();
}

KTExportPopupViewController *KTImageModeController::exportViewController()
{
    if (m_exportViewController)
        return m_exportViewController.get();
    const QPointer<KTImageModeController> self(this);
    m_exportViewController = std::make_unique<KTExportPopupViewController>([self] {
        KTImageStorage *storage = self ? self->imageStorage() : nullptr;
        return storage ? storage->externalCatalogType() : 0;
    });
    m_exportViewController->setCloseHandler([self](int type) {
        if (!self)
            return;
        if (type == KTExportPopupViewController::CloseMove)
            self->onMove(nullptr);
        else if (type == KTExportPopupViewController::CloseCopy)
            self->onCopy(nullptr);
    });
    m_exportViewController->setPathsToShareHandler([self]() -> std::optional<QStringList> {
        return self ? KTSharedPaths::ofImages(self->images(), KTPairedPaths::Include) : QStringList();
    });
    m_exportViewController->setMoveButtonValidationHandler([self] {
        KTImageStorage *storage = self ? self->imageStorage() : nullptr;
        return !(storage && storage->hasExternalSources());
    });
    return m_exportViewController.get();
}

void KTImageModeController::onExport(QObject *sender)
{
    auto *anchor = qobject_cast<QWidget *>(sender);
    if (!anchor)
        anchor = m_exportButton;
    m_exportButton->setPushed(true);
    KTExportPopupViewController *content = exportViewController();
    content->reset();
    const QPointer<KTAbstractButton> button(m_exportButton);
    KTPopoverManager::sharedManager().showPopoverView(content, anchor, KTPopoverManager::Below, -20.0,
                                                      [button] {
                                                          if (button)
                                                              button->setPushed(false);
                                                      });
}

// ---- Parts of the screen ----

KTImageBrowserView *KTImageModeController::imageBrowserView() const
{
    return m_imageBrowserView;
}

KTGridScrollView *KTImageModeController::imageBrowserScrollView() const
{
    return m_imageBrowserScrollView;
}

KTSimpleBackgroundView *KTImageModeController::backgroundView() const
{
    return m_backgroundView;
}

KTAbstractButton *KTImageModeController::imagesModeButton() const
{
    return m_imagesModeButton;
}

KTAbstractButton *KTImageModeController::switchSortOrderButton() const
{
    return m_switchSortOrderButton;
}

KTResizablePopUpButton *KTImageModeController::switchSortKeyButton() const
{
    return m_switchSortKeyButton;
}

KTAbstractButton *KTImageModeController::zoomLockButton() const
{
    return m_zoomLockButton;
}

KTAbstractButton *KTImageModeController::exportButton() const
{
    return m_exportButton;
}

KTModeToolbar *KTImageModeController::toolBar() const
{
    return m_toolBar;
}

KTSingeImageInfoBar *KTImageModeController::allImagesInfoBar() const
{
    return m_allImagesInfoBar;
}

KTSingeImageInfoBar *KTImageModeController::singleImageInfoBar() const
{
    return m_singleImageInfoBar;
}

KTMultipleLabelsView *KTImageModeController::totalsInfo() const
{
    return m_totalsInfo;
}
