#include "KTBaseUIModeController.h"

#include "KTAbstractButton.h"
#include "KTBadgeButton.h"
#include "KTBindingSource.h"
#include "KTBinding.h"
#include "KTButton.h"
#include "KTExifViewController.h"
#include "KTGridServices.h"
#include "KTImageExifView.h"
#include "KTImageInfoView.h"
#include "KTImageListView.h"
#include "KTImageMO.h"
#include "KTImageNavigationView.h"
#include "KTImageStorage.h"
#include "KTImageView.h"
#include "KTImageViewServices.h"
#include "KTKeyEquivalent.h"
#include "KTModeChrome.h"
#include "KTResizablePopUpButton.h"
#include "KTSortDescriptor.h"
#include "KTUserDefaults.h"
#include "KTZoomProtocol.h"
#include "KTZoomSlider.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QThread>
#include <QTimer>

#include <cmath>

namespace {

// Tags of the zoom pop-up's items.
enum ZoomTag
{
    kZoom50 = 0,
    kZoomActualSize = 1,
    kZoom200 = 2,
    kZoom400 = 3,
    kZoomFit = 4,
};

/// The on state of a toggle: a framework button's pushed state, else the control's own state.
bool senderState(QObject *sender)
{
    if (auto *framework = qobject_cast<KTAbstractButton *>(sender))
        return framework->isPushed();
    if (auto *bitmap = qobject_cast<KTButton *>(sender))
        return bitmap->state() == 1;
    if (auto *platform = qobject_cast<QAbstractButton *>(sender))
        return platform->isChecked();
    if (auto *action = qobject_cast<QAction *>(sender))
        return action->isChecked();
    return false;
}

} // namespace

KTBaseUIModeController::KTBaseUIModeController(QObject *parent)
    : QObject(parent), m_settings(new KTModeViewSettings([this] { return modeID(); }, this)),
      m_chrome(new KTModeChrome(this)), m_shareActions(new KTModeShareActions(*this)),
      m_actions(new KTModeActions(this))
{}

KTBaseUIModeController::~KTBaseUIModeController()
{
    m_zoomObserver.reset();
    m_chrome->destroyView();
    m_exifViewController.reset();
}

KTUserDefaults &KTBaseUIModeController::userDefaults()
{
    return KTModeViewSettings::userDefaults();
}

void KTBaseUIModeController::setUserDefaults(KTUserDefaults *defaults)
{
    KTModeViewSettings::setUserDefaults(defaults);
}

// ---- Set-up ----

QWidget *KTBaseUIModeController::view() const
{
    return m_chrome->view();
}

void KTBaseUIModeController::setLoadingThumbnailsQueue(KTOperationQueue *queue)
{
    m_loadingThumbnailsQueue = queue;
}

void KTBaseUIModeController::setModeButton(KTButton *button)
{
    if (m_chrome->modeButton() == button)
        return;
    m_chrome->setModeButton(button);
    updateModeButtonBadge();
}

void KTBaseUIModeController::setShowPixelsButton(KTAbstractButton *button)
{
    m_chrome->setShowPixelsButton(button);
}

void KTBaseUIModeController::setShowFocusMaskButton(KTAbstractButton *button)
{
    m_chrome->setShowFocusMaskButton(button);
}

KTAbstractButton *KTBaseUIModeController::showPixelsButton() const
{
    return m_chrome->showPixelsButton();
}

KTAbstractButton *KTBaseUIModeController::showFocusMaskButton() const
{
    return m_chrome->showFocusMaskButton();
}

KTImageView *KTBaseUIModeController::imageView() const
{
    return m_chrome->imageView();
}

KTZoomSlider *KTBaseUIModeController::zoomSlider() const
{
    return m_chrome->zoomSlider();
}

KTBadgeButton *KTBaseUIModeController::flagImagesButton() const
{
    return m_chrome->flagImagesButton();
}

KTBadgeButton *KTBaseUIModeController::shareButton() const
{
    return m_chrome->shareButton();
}

void KTBaseUIModeController::setImageStorage(KTImageStorage *storage)
{
    m_imageStorage = storage;
}

KTImageStorage *KTBaseUIModeController::imageStorage() const
{
    return m_imageStorage;
}

void KTBaseUIModeController::setDelegate(KTBaseUIModeControllerDelegate *delegate)
{
    m_delegate = delegate;
}

QString KTBaseUIModeController::modeID() const
{
    Q_ASSERT_X(false, "modeID",
               qPrintable(QStringLiteral("%1 should be implemented by inherited class.")
                              .arg(QString::fromLatin1(metaObject()->className()))));
    return {};
}

// ---- Sub-modes ----

QString KTBaseUIModeController::UIMode() const
{
    return m_UIMode;
}

void KTBaseUIModeController::setUIMode(const QString &mode)
{
    if (mode == m_UIMode)
        return;
    m_UIMode = mode;
    saveDefaultsValue(mode, KTModeViewSettings::kUIModeKey);
    if (KTImageInfoView *info = m_chrome->infoView())
        info->setUIMode(mode);
    validateActions();
    if (m_delegate)
        m_delegate->controllerDidChangeUIMode(this);
}

void KTBaseUIModeController::switchToUIMode(const QString &mode)
{
    setUIMode(mode);
    adjustUI();
}

bool KTBaseUIModeController::canSwitchToUIMode(const QString &) const
{
    return true;
}

void KTBaseUIModeController::adjustUI() {}

// ---- Images and selection ----

QList<KTImageMO *> KTBaseUIModeController::images() const
{
    return m_selection.images();
}

void KTBaseUIModeController::setImages(const QList<KTImageMO *> &images)
{
    m_selection.setImages(images);
}

void KTBaseUIModeController::setSelectedImagesIndexes(const std::set<qsizetype> &indexes)
{
    m_selection.setIndexes(indexes);
}

void KTBaseUIModeController::setActiveImageIndex(std::optional<qsizetype> index)
{
    m_selection.setActiveIndex(index);
}

void KTBaseUIModeController::setSelectedGroupIndex(std::optional<qsizetype> index)
{
    m_selection.setGroupIndex(index);
}

void KTBaseUIModeController::enumerateSelectedImagesUsingBlock(
    const std::function<void(KTImageMO *image, bool isActive, bool &stop)> &block)
{
    m_selection.enumerateSelected(block);
}

void KTBaseUIModeController::enumerateImagesInArray(
    const QList<KTImageMO *> &array, const std::function<void(KTImageMO *image, bool &stop)> &block)
{
    if (!block)
        return;
    bool stop = false;
    for (KTImageMO *image : array) {
        block(image, stop);
        if (stop)
            break;
    }
}

void KTBaseUIModeController::enumerateImagesUsingBlock(
    const std::function<void(KTImageMO *image, bool &stop)> &block)
{
    enumerateImagesInArray(images(), block);
}

KTImageMO *KTBaseUIModeController::activeImageMO() const
{
    return m_selection.activeImage();
}

void KTBaseUIModeController::selectAllImagesInGroup()
{
    if (KTImageListView *list = listForSelectionCommand(QStringLiteral("selectAllImagesInGroup"))) {
        list->selectAllImages();
        imageListViewSelectionDidChange(list);
    }
}

void KTBaseUIModeController::deselectAllImagesInGroup()
{
    if (KTImageListView *list = listForSelectionCommand(QStringLiteral("deselectAllImagesInGroup"))) {
        list->deselectAllImages();
        imageListViewSelectionDidChange(list);
    }
}

KTImageListView *KTBaseUIModeController::listForSelectionCommand(const QString &) const
{
    return nullptr;
}

void KTBaseUIModeController::logUnexpectedUIMode(const QString &command) const
{
    qWarning().noquote() << QStringLiteral("Unexpected UIMode %1 for %2").arg(UIMode(), command);
}

void KTBaseUIModeController::notifyImagesListDidChange()
{
    validateActions();
    if (m_delegate)
        m_delegate->imagesListDidChange(this);
}

void KTBaseUIModeController::saveSelections()
{
    const QString className = QString::fromLatin1(metaObject()->className());
    KTUserDefaults &defaults = userDefaults();
    defaults.setObject(qint64(selectedGroupIndex().value_or(-1)),
                       QStringLiteral("kRestoredGroupIdx_") + className);
    defaults.synchronize();
    defaults.setObject(qint64(activeImageIndex().value_or(-1)),
                       QStringLiteral("kRestoredImageIdx_") + className);
    defaults.synchronize();
}

void KTBaseUIModeController::restoreAppLastLaunchSelection()
{
    const QString className = QString::fromLatin1(metaObject()->className());
    const auto stored = [](const QVariant &value) -> std::optional<qsizetype> {
        if (!value.isValid())
            return 0;
        bool ok = false;
        const qint64 index = value.toLongLong(&ok);
        if (!ok || index < 0)
            return std::nullopt;
        return qsizetype(index);
    };
    KTUserDefaults &defaults = userDefaults();
    setSelectedGroupIndex(stored(defaults.objectForKey(QStringLiteral("kRestoredGroupIdx_") + className)));
    setActiveImageIndex(stored(defaults.objectForKey(QStringLiteral("kRestoredImageIdx_") + className)));
    if (const std::optional<qsizetype> active = activeImageIndex())
        setSelectedImagesIndexes({*active});
}

// ---- Life cycle ----

void KTBaseUIModeController::initialize()
{
    Q_ASSERT(QThread::currentThread() == qApp->thread());
    observeZoomChanging();
    registerDefaults();
    bindDefaultsValues();
    QWidget *root = view();
    Q_ASSERT_X(root, "initialize", "View is nil");
    if (root) {
        // Keys the focused widget leaves unhandled rise to the root and reach the mode there.
        root->installEventFilter(this);
        m_actions->attachTo(root);
    }
    if (KTImageView *viewer = imageView()) {
        viewer->setShowsPickedAndRejectedButtons(false);
        viewer->installEventFilter(this);
    }
    KTImageViewServices services;
    services.entitiesManager = &KTGridServices::entitiesManager();
    m_exifViewController = std::make_unique<KTExifViewController>(services);
    if (!m_chrome->exifPanel())
        m_chrome->setExifPanel(m_exifViewController->exifView());
    registerActions();
    m_initialized = true;
}

void KTBaseUIModeController::registerDefaults()
{
    m_settings->registerDefaults();
}

void KTBaseUIModeController::bindDefaultsValues()
{
    using S = KTModeViewSettings;
    bindSharedDefault(S::kImageListZoomKey,
                      [this](const QVariant &value) { setImageListZoom(value.toDouble()); });
    bindPerModeDefault(S::kIsNavigationBarVisibleKey,
                       [this](const QVariant &value) { setIsNavigationBarVisible(value.toBool()); });
    bindSharedDefault(S::kIsExifPanelVisibleKey,
                      [this](const QVariant &value) { setIsExifPanelVisible(value.toBool()); });
    bindSharedDefault(S::kShowsExposurePixelsKey, [this](const QVariant &value) {
        if (value.toBool() != showsExposurePixels())
            setShowsExposurePixels(value.toBool());
    });
    bindPerModeDefault(S::kSortKeyKey, [this](const QVariant &value) { setSortKey(value.toString()); });
    bindPerModeDefault(S::kSortOrderKey, [this](const QVariant &value) { setSortOrder(value.toBool()); });
    bindPerModeDefault(S::kIsZoomLockKey, [this](const QVariant &value) { setIsZoomLock(value.toBool()); });
    bindPerModeDefault(S::kUIModeKey, [this](const QVariant &value) { setUIMode(value.toString()); });
}

void KTBaseUIModeController::setNeedsReload()
{
    m_isNeedReload = true;
    reloadIfNeed();
}

void KTBaseUIModeController::reloadIfNeed()
{
    if (!isViewShown() || !m_isNeedReload)
        return;
    m_isNeedReload = false;
    reload();
}

void KTBaseUIModeController::reload() {}

void KTBaseUIModeController::rootViewDidUnhide()
{
    reloadIfNeed();
}

bool KTBaseUIModeController::isViewShown() const
{
    QWidget *root = view();
    return root && root->isVisibleTo(root->window());
}

void KTBaseUIModeController::refresh()
{
    if (!isViewShown())
        return;
    validateUIVisibleElements();
    adjustExifViewVisibility();
    updateInfoView();
    updateExifView();
}

void KTBaseUIModeController::resetUI() {}

KTImageInfoView *KTBaseUIModeController::infoView() const
{
    return m_chrome->infoView();
}

KTExifViewController *KTBaseUIModeController::exifViewController() const
{
    return m_exifViewController.get();
}

bool KTBaseUIModeController::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::ShowToParent:
        if (watched == view()) {
            if (QWidget *foreground = m_chrome->foregroundView())
                foreground->setFocus();
            rootViewDidUnhide();
        }
        break;
    case QEvent::Resize:
    case QEvent::Show: {
        // A record given to a viewer that was not on screen was fitted to a size it never had;
        // zoom lock would keep that scale, so it is fitted again once the viewer is laid out.
        KTImageView *viewer = imageView();
        if (watched == viewer && m_viewerNeedsFit && viewer->isVisible() && !viewer->size().isEmpty()) {
            m_viewerNeedsFit = false;
            QTimer::singleShot(0, viewer, [viewer = QPointer<KTImageView>(viewer)] {
                if (viewer && viewer->imageMO())
                    viewer->fitToScreenAnimated(KTAnimated::No);
            });
        }
        break;
    }
    case QEvent::ShortcutOverride:
        // Sent before the shortcuts are matched, and only disabled actions are skipped: bring
        // them up to date with the selection as it is now.
        if (watched == view())
            validateActions();
        break;
    case QEvent::KeyPress:
        if (watched == view() && isViewShown() && keyDownInView(*static_cast<QKeyEvent *>(event))) {
            event->accept();
            return true;
        }
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

bool KTBaseUIModeController::performKeyEquivalent(const QKeyEvent &event)
{
    return isViewShown() && m_actions->trigger(event);
}

void KTBaseUIModeController::validateActions()
{
    m_actions->validate();
}

bool KTBaseUIModeController::keyDownInView(const QKeyEvent &event)
{
    // A key of the mode that rose here unhandled (the shortcut did not fire: the focus was not
    // in the screen when it was pressed) still does what it says.
    if (m_actions->trigger(event))
        return true;
    KTImageListView *list = listForKeys();
    // The list took the key already when it had the focus.
    if (!list || list->hasFocus() || !list->wantsKey(event))
        return false;
    return list->performKeyDown(event);
}

KTImageListView *KTBaseUIModeController::listForKeys() const
{
    return nullptr;
}

void KTBaseUIModeController::registerActions()
{
    using C = KTModeCommand;
    const auto ctrl = [](const char *keys) {
        return QKeySequence(QLatin1String("Ctrl+") + QLatin1String(keys));
    };
    // Nothing to act on without an image: no zoom, no overlay, nothing to copy.
    const auto hasImages = [this] { return !images().isEmpty(); };
    const auto inViewer = [this] { return canScale() && !images().isEmpty(); };
    const auto selectable = [this] {
        const QString mode = UIMode();
        return !images().isEmpty() && mode != kUIModeGroups && mode != kUIModeCompare;
    };
    const auto zoomable = [this] { return canZoom() && !images().isEmpty(); };
    KTModeActions &a = *m_actions;
    a.add(C::Copy, {tr("Copy"), {ctrl("C")}, [this] { copyImagesToPasteboard(); }, hasImages});
    a.add(C::SelectAll, {tr("Select All"), {ctrl("A")}, [this] { selectAllImagesInGroup(); }, selectable});
    a.add(C::DeselectAll,
          {tr("Deselect All"), {ctrl("D")}, [this] { deselectAllImagesInGroup(); }, selectable});
    a.add(C::ZoomIn, {tr("Zoom In"), {ctrl("=")}, [this] { onZoomViewIn(nullptr); }, zoomable});
    a.add(C::ZoomOut, {tr("Zoom Out"), {ctrl("-")}, [this] { onZoomViewOut(nullptr); }, zoomable});
    a.add(C::FitToScreen, {tr("Fit to Screen"), {ctrl("0")}, [this] { onFit(nullptr); }, inViewer});
    a.add(C::ActualSize, {tr("Actual Size"), {ctrl("Alt+0")}, [this] { onActualSize(nullptr); }, inViewer});
    a.add(C::SwitchFitAndActualSize, {tr("Switch Between Fit and Actual Size"),
                                      {ctrl("Alt+F")},
                                      [this] { onFitOrActualSize(nullptr); },
                                      inViewer});
    a.add(C::ShowExposurePixels, {tr("Show Clipped Exposure"),
                                  {ctrl("E")},
                                  [this] { setExposurePixelsShown(!showsExposurePixels()); },
                                  [this] { return canShowExposurePixels() && !images().isEmpty(); },
                                  [this] { return showsExposurePixels(); }});
    a.add(C::Pick,
          {tr("Pick"), {ctrl("P")}, [this] { flagActiveSelectedImages(!activeImagespicked()); }, hasImages});
    a.add(C::Reject, {tr("Reject"), {ctrl("R")}, [this] { rejectSelectedImages(); }, hasImages});

    // The keys of the screen. In the viewer "+", "-", "0" and "1" zoom as the README lists them,
    // before any control that would take a digit.
    const auto key = [](Qt::Key key) { return QKeySequence(key); };
    a.addKey(QStringLiteral("spaceKey"), {tr("Next View"), {key(Qt::Key_Space)}, [this] { onSpacePress(); }});
    a.addKey(QStringLiteral("listModeKey"), {tr("Grid"), {key(Qt::Key_G)}, [this] { onListMode(nullptr); }});
    a.addKey(QStringLiteral("actualSizeKey"),
             {tr("Actual Size"), {key(Qt::Key_D)}, [this] { onActualSize(nullptr); }});
    a.addKey(
        QStringLiteral("viewerZoomInKey"),
        {tr("Zoom In"), {key(Qt::Key_Plus), key(Qt::Key_Equal)}, [this] { onZoomIn(nullptr); }, inViewer});
    a.addKey(QStringLiteral("viewerZoomOutKey"),
             {tr("Zoom Out"), {key(Qt::Key_Minus)}, [this] { onZoomOut(nullptr); }, inViewer});
    a.addKey(QStringLiteral("viewerFitKey"),
             {tr("Fit to Screen"), {key(Qt::Key_0)}, [this] { onFit(nullptr); }, inViewer});
    a.addKey(QStringLiteral("viewerActualSizeKey"),
             {tr("Actual Size"), {key(Qt::Key_1)}, [this] { onActualSize(nullptr); }, inViewer});
    validateActions();
}

// ---- Hooks ----

void KTBaseUIModeController::onSpacePress()
{
    qInfo().noquote()
        << QStringLiteral("%1: Space pressed.").arg(QString::fromLatin1(metaObject()->className()));
}

void KTBaseUIModeController::onListMode(QObject *) {}
void KTBaseUIModeController::onZoomIn(QObject *) {}
void KTBaseUIModeController::onZoomOut(QObject *) {}
void KTBaseUIModeController::onZoomLock(QObject *) {}
void KTBaseUIModeController::onChangeZoom(QObject *) {}
void KTBaseUIModeController::updateExifView() {}
void KTBaseUIModeController::updateInfoView() {}

QString KTBaseUIModeController::modeButtonBadge() const
{
    return {};
}

bool KTBaseUIModeController::navigationBarShouldBeShown() const
{
    return isNavigationBarVisible();
}

bool KTBaseUIModeController::canShowExposurePixels() const
{
    return false;
}

void KTBaseUIModeController::showImageInViewer(KTImageMO *image)
{
    KTImageView *viewer = imageView();
    if (!viewer)
        return;
    // The viewer fits a new record to its size: lay the screen out first, so a viewer that was
    // just shown has its size.
    if (view() && view()->isVisible())
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    viewer->setImageMO(image);
    m_viewerNeedsFit = image && !viewer->isVisible();
    // The previous and the next image of the list are read ahead for the arrow keys.
    if (const std::optional<qsizetype> active = activeImageIndex(); image && active) {
        const QList<KTImageMO *> list = m_selection.images();
        if (list.value(*active) == image)
            viewer->setReadAheadImages({list.value(*active - 1), list.value(*active + 1)});
    }
}

KTZoomProtocol *KTBaseUIModeController::viewForZooming() const
{
    return imageView();
}

// ---- Panels and zoom ----

bool KTBaseUIModeController::exifPanelShouldBeShown() const
{
    return true;
}

bool KTBaseUIModeController::isExifPanelVisible() const
{
    return m_settings->isExifPanelVisible();
}

void KTBaseUIModeController::onShowExifView(QObject *sender)
{
    setIsExifPanelVisible(senderState(sender));
    adjustExifViewVisibility();
}

void KTBaseUIModeController::onShowExposurePixels(QObject *sender)
{
    setExposurePixelsShown(sender ? senderState(sender) : !showsExposurePixels());
}

void KTBaseUIModeController::setExposurePixelsShown(bool shown)
{
    KTImageView *viewer = imageView();
    if (!viewer) {
        setShowsExposurePixels(shown);
        return;
    }
    viewer->setShowsExposurePixels(shown);
    setShowsExposurePixels(viewer->showsExposurePixels());
    validateUIVisibleElements();
}

bool KTBaseUIModeController::canZoom() const
{
    return UIMode() != kUIModeGroup;
}

bool KTBaseUIModeController::canScale() const
{
    const QString mode = UIMode();
    return mode == kUIModeImage || mode == kUIModeCompare;
}

bool KTBaseUIModeController::canZoomListView() const
{
    return false;
}

double KTBaseUIModeController::zoomValue() const
{
    return 0.0;
}

void KTBaseUIModeController::setZoomValue(double) {}

void KTBaseUIModeController::onZoomViewIn(QObject *)
{
    zoomShortcutPressed(KTZoomDirection::In);
}

void KTBaseUIModeController::onZoomViewOut(QObject *)
{
    zoomShortcutPressed(KTZoomDirection::Out);
}

void KTBaseUIModeController::onFit(QObject *) {}

void KTBaseUIModeController::onActualSize(QObject *) {}

void KTBaseUIModeController::onFitOrActualSize(QObject *)
{
    KTZoomProtocol *zooming = viewForZooming();
    if (!zooming)
        return;
    if (zooming->isFitToScreen())
        onActualSize(nullptr);
    else
        onFit(nullptr);
}

void KTBaseUIModeController::zoomShortcutPressed(KTZoomDirection direction)
{
    const QString mode = UIMode();
    if (mode == kUIModeList || mode == kUIModeGroups) {
        KTZoomSlider *slider = zoomSlider();
        if (!slider || !slider->isEnabled())
            return;
        // A slider with fewer than two ticks has no step.
        const int ticks = slider->numberOfTickMarks();
        if (ticks < 2)
            return;
        const double step = (slider->maxValue() - slider->minValue()) / (ticks - 1);
        slider->setDoubleValue(slider->doubleValue() + (direction == KTZoomDirection::In ? step : -step));
        onChangeZoom(nullptr);
        return;
    }
    if (direction == KTZoomDirection::In)
        onZoomIn(nullptr);
    else
        onZoomOut(nullptr);
}

void KTBaseUIModeController::onSwitchZoom(QObject *)
{
    KTZoomProtocol *zooming = viewForZooming();
    KTResizablePopUpButton *button = m_chrome->switchZoomButton();
    if (!button || !zooming)
        return;
    switch (button->selectedTag()) {
    case kZoom50:
        zooming->scale(0.5, KTAnimated::Yes);
        break;
    case kZoomActualSize:
        onActualSize(nullptr);
        break;
    case kZoom200:
        zooming->scale(2.0, KTAnimated::Yes);
        break;
    case kZoom400:
        zooming->scale(4.0, KTAnimated::Yes);
        break;
    case kZoomFit:
        onFit(nullptr);
        break;
    default:
        break;
    }
}

void KTBaseUIModeController::validateSwitchZoomButtonState()
{
    KTZoomProtocol *zooming = viewForZooming();
    KTResizablePopUpButton *button = m_chrome->switchZoomButton();
    if (!button || !zooming)
        return;
    if (zooming->isFitToScreen()) {
        button->selectItemWithTag(kZoomFit);
        return;
    }
    const std::optional<int> percent = zooming->zoomPercentFigure();
    if (!percent)
        return;
    const int p = *percent;
    switch (p) {
    case 400:
        button->selectItemWithTag(kZoom400);
        return;
    case 200:
        button->selectItemWithTag(kZoom200);
        return;
    case 100:
        button->selectItemWithTag(kZoomActualSize);
        return;
    case 50:
        button->selectItemWithTag(kZoom50);
        return;
    default:
        button->unselectAllItems();
        button->setTitle(QStringLiteral("%1 %2%").arg(tr("Zoom")).arg(p));
        return;
    }
}

void KTBaseUIModeController::observeZoomChanging()
{
    m_zoomObserver = KTNotificationCenter::defaultCenter().addObserver(
        kZoomDidChangeNotification, nullptr,
        [self = QPointer<KTBaseUIModeController>(this)](const KTNotification &) {
            if (self)
                self->validateSwitchZoomButtonState();
        });
}

// ---- Decisions and files ----

void KTBaseUIModeController::onFlag(QObject *sender)
{
    auto *button = qobject_cast<KTAbstractButton *>(sender);
    if (!button)
        return;
    const bool target = button->isPushed();
    bool changed = false;
    enumerateSelectedImagesUsingBlock([&](KTImageMO *image, bool, bool &) {
        if (image->picked().value_or(false) != target) {
            image->setPicked(target);
            changed = true;
        }
    });
    if (changed && m_imageStorage)
        m_imageStorage->processPendingChanges();
}

void KTBaseUIModeController::flagActiveSelectedImages(bool picked)
{
    if (UIMode() == kUIModeCompare) {
        if (KTImageMO *active = activeImageMO())
            active->setPicked(picked);
        return;
    }
    enumerateSelectedImagesUsingBlock([picked](KTImageMO *image, bool, bool &) { image->setPicked(picked); });
}

bool KTBaseUIModeController::activeImagespicked() const
{
    KTBadgeButton *flag = flagImagesButton();
    return flag && flag->isPushed();
}

void KTBaseUIModeController::copyImagesToPasteboard() {}

void KTBaseUIModeController::onCopy(QObject *)
{
    m_shareActions->transferImagesToFolder(KTModeShareActions::Transfer::Copy);
}

void KTBaseUIModeController::onMove(QObject *)
{
    m_shareActions->transferImagesToFolder(KTModeShareActions::Transfer::Move);
}

void KTBaseUIModeController::onShare(QObject *sender)
{
    m_shareActions->popUpShareMenu(qobject_cast<QWidget *>(sender));
}

// ---- Panels and toolbar ----

void KTBaseUIModeController::adjustUIVisibleElements()
{
    adjustExifViewVisibility();
    adjustNavigationViewVisibility();
    if (QWidget *zoom = m_chrome->zoomView()) {
        const QString mode = UIMode();
        zoom->setVisible(mode == kUIModeImage || mode == kUIModeCompare);
    }
}

void KTBaseUIModeController::validateUIVisibleElements()
{
    if (KTAbstractButton *pixels = showPixelsButton())
        pixels->setPushed(showsExposurePixels());
    if (KTAbstractButton *navigation = m_chrome->showNavigationBarButton())
        navigation->setPushed(isNavigationBarVisible());
    updateModeButtonBadge();
    if (KTImageView *viewer = imageView())
        viewer->setShowsExposurePixels(showsExposurePixels());
    if (KTAbstractButton *move = m_chrome->imagesMoveButton())
        move->setHidden(m_imageStorage && m_imageStorage->hasExternalSources());
    validateSwitchZoomButtonState();
    validateFlagAndShareButtons();
    validateActions();
}

void KTBaseUIModeController::adjustExifViewVisibility()
{
    if (exifPanelShouldBeShown() && isExifPanelVisible())
        showExifView();
    else
        hideExifView();
}

void KTBaseUIModeController::showExifView()
{
    m_chrome->showExifPanel();
}

void KTBaseUIModeController::hideExifView()
{
    m_chrome->hideExifPanel();
}

void KTBaseUIModeController::onShowNavigationBar(QObject *)
{
    KTAbstractButton *navigation = m_chrome->showNavigationBarButton();
    setIsNavigationBarVisible(navigation && navigation->isPushed());
    adjustNavigationViewVisibility();
}

void KTBaseUIModeController::adjustNavigationViewVisibility()
{
    m_chrome->setNavigationStripShown(navigationBarShouldBeShown());
}

void KTBaseUIModeController::validateFlagAndShareButtons()
{
    const bool any = !images().isEmpty();
    if (KTBadgeButton *flag = flagImagesButton())
        flag->setButtonEnabled(any);
    if (KTBadgeButton *share = shareButton())
        share->setButtonEnabled(any);
}

void KTBaseUIModeController::adjustShareButtonState()
{
    if (KTBadgeButton *share = shareButton())
        share->setBadgeString(m_selection.countBadge());
}

void KTBaseUIModeController::adjustFlagImageButtonState()
{
    KTBadgeButton *flag = flagImagesButton();
    if (!flag)
        return;
    flag->setBadgeString(m_selection.countBadge());
    if (KTImageMO *active = activeImageMO())
        kt_bindStateToObject(flag, KTBindingSource(active), QStringLiteral("picked"));
}

void KTBaseUIModeController::adjustRatingIndicatorState()
{
    m_chrome->bindRating(activeImageMO());
}

void KTBaseUIModeController::updateModeButtonBadge()
{
    if (KTButton *button = m_chrome->modeButton())
        button->setBadge(modeButtonBadge());
}

// ---- Persisted view state ----

void KTBaseUIModeController::setIsZoomLock(bool zoomLock)
{
    m_settings->setIsZoomLock(zoomLock);
    if (KTImageView *viewer = imageView())
        viewer->setIsZoomLock(zoomLock);
}

// ---- KTImageListViewDelegate ----

bool KTBaseUIModeController::canImageListPerformKeyDownWithKeyEquivalent(const QString &keyEquivalent)
{
    return !(UIMode() == kUIModeCompare &&
             (keyEquivalent == QLatin1String("a") || keyEquivalent == QLatin1String("d")));
}

void KTBaseUIModeController::imageListViewSelectionDidChange(KTImageListView *) {}

void KTBaseUIModeController::imageListViewCellWasDoubleClickedAtIndex(KTImageListView *, qsizetype) {}
