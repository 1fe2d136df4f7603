#include "KTMainWindowController.h"

#include "KTAboutWindow.h"
#include "KTAbstractButton.h"
#include "KTAbstractProgressIndicator.h"
#include "KTAlert.h"
#include "KTCatalogNotifications.h"
#include "KTDispatch.h"
#include "KTExternalImagesManager.h"
#include "KTExternalStatusFlows.h"
#include "KTFilesManager.h"
#include "KTFilteredImageLists.h"
#include "KTFocusedRegionsManager.h"
#include "KTImageImporter.h"
#include "KTImageInfoView.h"
#include "KTImageMO.h"
#include "KTImageSourcesWindow.h"
#include "KTImageSourcesWindowController.h"
#include "KTImageStorage.h"
#include "KTIndeterminateProgressIndicatorController.h"
#include "KTKeyEquivalent.h"
#include "KTMainToolbar.h"
#include "KTMainWindow.h"
#include "KTModeButton.h"
#include "KTNamedImages.h"
#include "KTOperationQueue.h"
#include "KTPreferencesWindowController.h"
#include "KTProgressWindowController.h"
#include "KTRateWindow.h"
#include "KTShareManager.h"
#include "KTSimilarFinder.h"
#include "KTTasksNotifier.h"
#include "KTTipsWindow.h"
#include "KTUndoManager.h"
#include "KTUserDefaults.h"

#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPainterPath>
#include <QSet>
#include <QStorageInfo>
#include <QThread>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

// A refusal that is not an error carries no message of its own.
QString failureReason(const KTCatalogOutcome &outcome)
{
    if (!outcome.errorMessage.isEmpty())
        return outcome.errorMessage;
    switch (outcome.status) {
    case KTCatalogStatus::ApplicationRunning:
        return QStringLiteral("its application is running");
    case KTCatalogStatus::Busy:
        return QStringLiteral("it is locked by another program");
    case KTCatalogStatus::Done:
    case KTCatalogStatus::Failed:
        break;
    }
    return QStringLiteral("no reason given");
}

/// Delays of the set-up's jobs.
constexpr int kShowSourcesWindowDelayMs = 100;
constexpr int kDroppedPathsDelayMs = 300;
constexpr int kCleanUndoDelayMs = 300;
constexpr int kValidationDelayMs = 800;

/// The share of the free disk space a session may take for its signatures.
constexpr double kDiskSpaceShare = 0.95;

const QString kGettingStartedAddress = QStringLiteral("https://www.vireoscope.example/getting-started");
const QString kMakerAddress = QStringLiteral("https://www.vireoscope.example");

void assertMainThread()
{
    Q_ASSERT(QThread::currentThread() == qApp->thread());
}

/// An alert whose buttons answer 1000, 1001, ... in their order.
KTAlert alertWithButtons(const QString &message, const QString &informative, const QStringList &buttons)
{
    KTAlert alert;
    alert.messageText = message;
    alert.informativeText = informative;
    alert.buttons = buttons;
    alert.buttonCodes = KTAlert::ButtonCodes::Added;
    return alert;
}

/// An alert with a default, an alternate and (optionally) an other button answering 1, 0 and -1.
KTAlert classicAlert(const QString &message, const QString &informative, const QStringList &buttons)
{
    KTAlert alert = alertWithButtons(message, informative, buttons);
    alert.buttonCodes = KTAlert::ButtonCodes::Classic;
    return alert;
}

int runAlert(const KTAlert &alert)
{
    return KTAlertPresenter::shared().runModal(alert).returnCode;
}

std::shared_ptr<KTExternalStatusFlows> installedFlows()
{
    return std::dynamic_pointer_cast<KTExternalStatusFlows>(KTExternalStatusSync::installed());
}

qint64 fileSystemFreeSpace(const QString &path)
{
    // A folder not made yet lies on the file system of its nearest existing parent.
    QFileInfo info(QDir::cleanPath(path));
    while (!info.exists() && !info.isRoot() && info.absolutePath() != info.absoluteFilePath())
        info = QFileInfo(info.absolutePath());
    const QStorageInfo storage(info.absoluteFilePath());
    return storage.isValid() ? storage.bytesAvailable() : -1;
}

} // namespace

// ---- Factory and shared instance ----

KTMainWindowController::ModeControllerFactory &KTMainWindowController::factoryStorage()
{
    static ModeControllerFactory s_factory;
    return s_factory;
}

void KTMainWindowController::setModeControllerFactory(ModeControllerFactory factory)
{
    factoryStorage() = std::move(factory);
}

const KTMainWindowController::ModeControllerFactory &KTMainWindowController::modeControllerFactory()
{
    return factoryStorage();
}

namespace {

QPointer<KTMainWindowController> s_sharedController;

} // namespace

KTMainWindowController *KTMainWindowController::sharedController()
{
    assertMainThread();
    if (!s_sharedController)
        s_sharedController = new KTMainWindowController(KTImageStorage::sharedStorage(), qApp);
    return s_sharedController;
}

void KTMainWindowController::destroySharedController()
{
    assertMainThread();
    delete s_sharedController.data();
}

KTMainWindowController::KTMainWindowController(KTImageStorage *storage, QObject *parent)
    : QObject(parent), m_storage(storage), m_freeDiskSpace(fileSystemFreeSpace)
{
    Q_ASSERT(storage);
}

KTMainWindowController::~KTMainWindowController()
{
    stopObservingNotificationsFromImageStorage(m_storage);
    m_observers.clear();
    if (m_storage)
        m_storage->setCleanSessionHandler({});
    cancelGeneratingPreviews();
    if (m_window)
        m_window->removeEventFilter(this);
    // The sources window is the window's child while shown: its controller deletes it first.
    m_imageSourcesController.reset();
    delete m_brokenImagesWindowController.data();
    // The modes' views live in the window; the modes go first, then the window.
    m_allImagesModeController.reset();
    m_duplicatesImagesController.reset();
    m_favoriteImagesModeController.reset();
    m_trashImagesController.reset();
    delete m_window.data();
}

// ---- Window ----

KTMainWindow *KTMainWindowController::window() const
{
    return m_window;
}

QMenuBar *KTMainWindowController::menuBar() const
{
    return m_window ? m_window->menuBar() : nullptr;
}

void KTMainWindowController::showWindow()
{
    assertMainThread();
    if (!m_window)
        loadWindow();
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}

void KTMainWindowController::loadWindow()
{
    auto *window = new KTMainWindow;
    m_window = window;
    window->setWindowTitle(QApplication::applicationDisplayName());
    window->resize(1280, 800);
    window->setMinimumSize(900, 600);
    window->shouldClose = [this] { return windowShouldClose(); };
    window->keyEquivalent = [this](const QKeyEvent &event) { return performKeyEquivalent(event); };
    window->keyDown = [this](const QKeyEvent &event) { return keyDown(event); };
    window->magnify = [this](double magnification) { this->magnify(magnification); };
    connect(window, &KTMainWindow::willClose, this, &KTMainWindowController::windowWillClose);

    m_toolbar = new KTMainToolbar;
    m_containerView = new QWidget;
    m_containerView->setObjectName(QStringLiteral("containerView"));
    m_containerView->setAutoFillBackground(true);
    // Every mode's view sits in the one cell; only the active one is shown.
    auto *stack = new QGridLayout(m_containerView);
    stack->setContentsMargins(0, 0, 0, 0);
    window->setContentView(m_containerView);

    auto *menuBar = new QMenuBar(window);
    KTMainMenu::build(menuBar);
    window->setMenuBar(menuBar);
    for (QAction *item : KTMainMenu::commandItems(menuBar))
        connect(item, &QAction::triggered, this, [this, item] { performMenuItem(item); });
    for (QAction *menuItem : menuBar->actions()) {
        if (QMenu *menu = menuItem->menu()) {
            connect(menu, &QMenu::aboutToShow, this, [this, menu] {
                for (QAction *item : menu->actions()) {
                    if (KTMainMenu::command(item) != KTMenuCommand::None)
                        item->setEnabled(validateMenuItem(item));
                }
                KTShareManager::validateMenu(menu);
            });
            // Closed, every item takes keys again; a command checks itself when it runs.
            connect(menu, &QMenu::aboutToHide, this, [menu] {
                for (QAction *item : menu->actions()) {
                    if (KTMainMenu::command(item) != KTMenuCommand::None)
                        item->setEnabled(true);
                }
            });
        }
    }

    windowDidLoad();
}

void KTMainWindowController::windowDidLoad()
{
    initialize();
    adjustUI();
    // The tools behind these buttons are not offered.
    for (KTAbstractButton *button : {m_toolbar->showFocusMaskButton(), m_toolbar->syncExternalImagesButton(),
                                     m_toolbar->focusRegionsButton(), m_toolbar->focusPointLatticeButton(),
                                     m_toolbar->showPixelsButton()})
        button->hide();
    createSharingMenus();
    if (KTBaseUIModeController *active = activeModeViewController())
        active->restoreAppLastLaunchSelection();
}

void KTMainWindowController::initialize()
{
    // 1. The quick tips, once per process, as soon as the window is up.
    static bool s_tipsShown = false;
    if (!s_tipsShown && KTTipsWindow::wantsShowAtStartup()) {
        s_tipsShown = true;
        QTimer::singleShot(0, this, [this] { presentQuickTips(); });
    }
    // 2.
    m_tasks.clear();
    // 3.
    assignWindowTitleBarDrawingBlock();
    // 4.
    m_progressWindowController = &KTProgressWindowController::sharedController();
    m_progressWindowController->setPresentingWindow(m_window);
    // 5.
    initializeImageStorage();
    // 6. The thumbnail queue keeps its width whether or not the application is active.
    m_loadingThumbnailsQueue = std::make_unique<KTOperationQueue>();
    m_loadingThumbnailsQueue->prepareForDeleting();
    m_loadingThumbnailsQueue->setMaxConcurrentOperationCount(QThread::idealThreadCount());
    // 7.
    initializeViewControllers();
    m_imageSourcesController = std::make_unique<KTImageSourcesWindowController>();
    m_imageSourcesController->setImageStorage(m_storage);
    m_imageSourcesController->setDelegate(this);
    m_imageSourcesController->setHelpHandler([this] { onHelp(); });
    m_imageSourcesController->setShowsTimeLabelHandler(
        [](bool shows) { KTProgressWindowController::sharedController().setShowsTimeLabel(shows); });
    connect(m_toolbar->showExifButton(), &KTControl::clicked, this,
            [this] { onShowExifView(m_toolbar->showExifButton()); });
    connect(m_toolbar->showPixelsButton(), &KTControl::clicked, this,
            [this] { onShowExposurePixels(m_toolbar->showPixelsButton()); });
    connect(m_toolbar->newSessionButton(), &KTControl::clicked, this,
            &KTMainWindowController::onStartNewSession);
    connect(m_toolbar->undoButton(), &KTControl::clicked, this, &KTMainWindowController::onUndo);
    connect(m_toolbar->redoButton(), &KTControl::clicked, this, &KTMainWindowController::onRedo);
    connect(m_toolbar->duplicatesModeButton(), &KTControl::clicked, this,
            &KTMainWindowController::onDuplicates);
    connect(m_toolbar->allImagesModeButton(), &KTControl::clicked, this,
            &KTMainWindowController::onAllImages);
    connect(m_toolbar->favoritesModeButton(), &KTControl::clicked, this,
            &KTMainWindowController::onFavorites);
    connect(m_toolbar->trashModeButton(), &KTControl::clicked, this, &KTMainWindowController::onTrash);
    connect(m_toolbar->resultModeButton(), &KTControl::clicked, this, &KTMainWindowController::onResult);
    connect(m_toolbar->syncExternalImagesButton(), &KTControl::clicked, this,
            &KTMainWindowController::onSyncExternalImagesStatuses);
    // 8.
    m_window->installEventFilter(this);
    // 9.
    if (!m_pathsToLoadAfterLaunch.isEmpty()) {
        QTimer::singleShot(kDroppedPathsDelayMs, this, [this, paths = m_pathsToLoadAfterLaunch] {
            showSourcesControllerWithPaths(paths);
        });
    } else if (m_storage->sources().isEmpty()) {
        // A session the user started meanwhile (from the sources window the set-up also opens)
        // must not be met by a second sources window.
        QTimer::singleShot(kDroppedPathsDelayMs, this, [this] {
            if (m_storage->sources().isEmpty() && m_tasks.isEmpty() && !m_storage->newSession())
                onStartNewSession();
        });
    }
    // 10.
    KTIndeterminateProgressIndicatorController::sharedController().setProgressIndicator(
        m_toolbar->exposurePixelsGenerationProgressIndicator());
    // 11. Only a session restored at launch has sources to check: a session the user starts in the
    // meantime has just read its own, and the check's sheet would take the keyboard from it.
    if (!m_storage->sources().isEmpty())
        validateImageStorageWithDelay(kValidationDelayMs);
    // 12. These two act on the press and again on the release.
    for (KTAbstractButton *button : {m_toolbar->focusRegionsButton(), m_toolbar->focusPointLatticeButton()}) {
        const auto action = button == m_toolbar->focusRegionsButton()
                                ? &KTMainWindowController::onFocusRegions
                                : &KTMainWindowController::onFocusPointLattice;
        connect(button, &KTControl::pressed, this, action);
        connect(button, &KTControl::released, this, action);
    }
    // 13.
    connect(m_window, &KTWindow::enteredFullScreen, this, [this] { fullScreenDidChange(true); });
    connect(m_window, &KTWindow::exitedFullScreen, this, [this] { fullScreenDidChange(false); });
    connect(m_window, &KTMainWindow::becameKey, this, &KTMainWindowController::validateTopBar);
    KTNotificationCenter &center = KTNotificationCenter::defaultCenter();
    const QPointer<KTMainWindowController> self(this);
    m_observers.push_back(
        center.addObserver(KTNoImagesParsedInfo::name(), m_storage, [self](const KTNotification &) {
            if (self)
                self->onStartNewSession();
        }));
    m_observers.push_back(center.addObserver(KTFailedToLoadSomeImagesInfo::name(), m_storage,
                                             [self](const KTNotification &notification) {
                                                 if (self)
                                                     self->failedToLoadSomeImages(notification);
                                             }));
    m_observers.push_back(
        center.addObserver(KTNoSimilarGroupsFoundInfo::name(), m_storage, [self](const KTNotification &) {
            if (self)
                self->onAllImages();
        }));
    KTFocusedRegionsManager &regions = KTFocusedRegionsManager::sharedManager();
    connect(&regions, &KTFocusedRegionsManager::focusedRegionsVisibleChanged, this,
            [this](bool visible) { m_toolbar->focusRegionsButton()->setPushed(visible); });
    connect(&regions, &KTFocusedRegionsManager::focusPointLatticeVisibleChanged, this,
            [this](bool visible) { m_toolbar->focusPointLatticeButton()->setPushed(visible); });
    if (KTUndoManager *undo = m_storage->undoManager()) {
        connect(undo, &KTUndoManager::checkpoint, this, &KTMainWindowController::validateUndoRedoButtons);
        connect(undo, &KTUndoManager::canUndoChanged, this, &KTMainWindowController::validateUndoRedoButtons);
        connect(undo, &KTUndoManager::canRedoChanged, this, &KTMainWindowController::validateUndoRedoButtons);
    }
}

void KTMainWindowController::assignWindowTitleBarDrawingBlock()
{
    m_window->setTitleBarHeight(KTWindow::kDefaultTitleBarHeight);
    QWidget *titleBarView = m_window->titleBarView();
    auto *layout = new QVBoxLayout(titleBarView);
    layout->setContentsMargins(titleBarView->contentsMargins());
    layout->addWidget(m_toolbar);
    m_window->setTitleBarDrawingBlock([](QPainter &painter, bool, const QRectF &rect,
                                         const QPainterPath &clip) {
        painter.save();
        if (!clip.isEmpty())
            painter.setClipPath(clip, Qt::IntersectClip);
        const qreal ratio = painter.device()->devicePixelRatioF();
        painter.drawImage(rect,
                          KTNamedImages::shared().image(QStringLiteral("toolbar_top"), rect.size(), ratio));
        painter.restore();
    });
}

void KTMainWindowController::initializeImageStorage()
{
    observeNotificationsFromImageStorage(m_storage);
    m_storage->setFindDuplicatesForAddedImages(true);
    m_storage->startAutosaving();
    QTimer::singleShot(kCleanUndoDelayMs, this, &KTMainWindowController::cleanUndoStack);

    // A load that was cancelled or found nothing clears the session through this handler, so
    // that a session start waiting for the load knows when the clearing is done.
    const QPointer<KTMainWindowController> self(this);
    m_storage->setCleanSessionHandler([self](std::function<void()> completion) {
        if (!self) {
            if (completion)
                completion();
            return;
        }
        ++self->m_clearingsInFlight;
        self->m_storage->cleanSessionWithCompletionBlock([self, completion = std::move(completion)] {
            if (self)
                --self->m_clearingsInFlight;
            if (completion)
                completion();
            if (self)
                self->startPendingSessionIfIdle();
        });
    });
}

void KTMainWindowController::initializeViewControllers()
{
    m_allImagesModeController = viewControllerWithClass(kAllImagesUIMode, m_toolbar->allImagesModeButton());
    m_favoriteImagesModeController =
        viewControllerWithClass(kFavoritesUIMode, m_toolbar->favoritesModeButton());
    m_trashImagesController = viewControllerWithClass(kTrashUIMode, m_toolbar->trashModeButton());
    m_duplicatesImagesController =
        viewControllerWithClass(kDuplicatesUIMode, m_toolbar->duplicatesModeButton());
    if (m_duplicatesImagesController) {
        m_storage->setAccuracyLevel(m_duplicatesImagesController->accuracyLevel());
        m_storage->setTimeRange(m_duplicatesImagesController->timeRange());
    }
}

std::unique_ptr<KTBaseUIModeController> KTMainWindowController::viewControllerWithClass(const QString &uiMode,
                                                                                        KTButton *modeButton)
{
    const ModeControllerFactory &factory = modeControllerFactory();
    std::unique_ptr<KTBaseUIModeController> controller = factory ? factory(uiMode) : nullptr;
    if (!controller)
        return nullptr;
    controller->setLoadingThumbnailsQueue(m_loadingThumbnailsQueue.get());
    if (QWidget *view = controller->view()) {
        view->hide();
        static_cast<QGridLayout *>(m_containerView->layout())->addWidget(view, 0, 0);
    }
    controller->setShowPixelsButton(m_toolbar->showPixelsButton());
    controller->setShowFocusMaskButton(m_toolbar->showFocusMaskButton());
    controller->setImageStorage(m_storage);
    controller->setDelegate(this);
    controller->setModeButton(modeButton);
    return controller;
}

void KTMainWindowController::validateImageStorageWithDelay(int milliseconds)
{
    QTimer::singleShot(milliseconds, this, [this] {
        if (!m_storage->sources().isEmpty() && UIMode() != kSourcesUIMode)
            m_storage->validate();
    });
}

// ---- UI modes ----

QString KTMainWindowController::UIMode()
{
    if (m_UIMode.isNull()) {
        KTUserDefaults &defaults = KTUserDefaults::standardUserDefaults();
        m_UIMode = defaults.stringForKey(kUIModeKey);
        if (m_UIMode.isEmpty()) {
            m_UIMode = kDuplicatesUIMode;
            defaults.setObject(m_UIMode, kUIModeKey);
            defaults.synchronize();
        }
    }
    return m_UIMode;
}

void KTMainWindowController::setUIMode(const QString &mode)
{
    if (mode == m_UIMode && !m_UIMode.isNull())
        return;
    m_UIMode = mode;
    KTUserDefaults &defaults = KTUserDefaults::standardUserDefaults();
    defaults.setObject(mode.isNull() ? QVariant() : QVariant(mode), kUIModeKey);
    defaults.synchronize();
}

void KTMainWindowController::switchToUIMode(const QString &mode)
{
    storeSelectionFromActiveController();
    setUIMode(mode);
    adjustUI();
}

void KTMainWindowController::onAllImages()
{
    switchToUIMode(kAllImagesUIMode);
}

void KTMainWindowController::onDuplicates()
{
    switchToUIMode(kDuplicatesUIMode);
    if (m_duplicatesImagesController)
        m_duplicatesImagesController->adjustUIVisibleElements();
}

void KTMainWindowController::onFavorites()
{
    switchToUIMode(kFavoritesUIMode);
}

void KTMainWindowController::onTrash()
{
    switchToUIMode(kTrashUIMode);
}

void KTMainWindowController::onResult()
{
    switchToUIMode(kLeftImagesUIMode);
}

void KTMainWindowController::setUIModeWithMenuItem(const QAction *item)
{
    switch (KTMainMenu::tag(item)) {
    case kDuplicatesModeTag:
    case kAllImagesModeTag:
    case kFavoritesModeTag:
    case kTrashModeTag:
        switchToUIMode(uiModeForTag(KTMainMenu::tag(item)));
        break;
    default:
        switchToUIMode(QString());
    }
}

void KTMainWindowController::setViewType(const QAction *item)
{
    KTBaseUIModeController *active = activeModeViewController();
    if (!active)
        return;
    QString subMode;
    switch (KTMainMenu::tag(item)) {
    case kGroupsViewTag:
        subMode = (active == m_favoriteImagesModeController.get() || active == m_trashImagesController.get())
                      ? kUIModeList
                      : kUIModeGroups;
        break;
    case kGroupViewTag:
        subMode = kUIModeGroup;
        break;
    case kImageViewTag:
        subMode = kUIModeImage;
        break;
    case kCompareViewTag:
        subMode = kUIModeCompare;
        break;
    default:
        break;
    }
    active->switchToUIMode(subMode);
}

int KTMainWindowController::tagForUIMode(const QString &mode)
{
    static const QHash<QString, int> s_tags{
        {kDuplicatesUIMode, kDuplicatesModeTag}, {kAllImagesUIMode, kAllImagesModeTag},
        {kFavoritesUIMode, kFavoritesModeTag},   {kTrashUIMode, kTrashModeTag},
        {kUIModeGroups, kGroupsViewTag},         {kUIModeList, kGroupsViewTag},
        {kUIModeGroup, kGroupViewTag},           {kUIModeImage, kImageViewTag},
        {kUIModeCompare, kCompareViewTag},
    };
    return s_tags.value(mode, 0);
}

QString KTMainWindowController::uiModeForTag(int tag)
{
    switch (tag) {
    case kDuplicatesModeTag:
        return kDuplicatesUIMode;
    case kFavoritesModeTag:
        return kFavoritesUIMode;
    case kTrashModeTag:
        return kTrashUIMode;
    case kGroupsViewTag:
        return kUIModeGroups;
    case kGroupViewTag:
        return kUIModeGroup;
    case kImageViewTag:
        return kUIModeImage;
    case kCompareViewTag:
        return kUIModeCompare;
    default:
        return kAllImagesUIMode;
    }
}

KTBaseUIModeController *KTMainWindowController::activeModeViewController()
{
    const QString mode = UIMode();
    if (mode == kAllImagesUIMode)
        return m_allImagesModeController.get();
    if (mode == kDuplicatesUIMode)
        return m_duplicatesImagesController.get();
    if (mode == kFavoritesUIMode)
        return m_favoriteImagesModeController.get();
    if (mode == kTrashUIMode)
        return m_trashImagesController.get();
    return nullptr;
}

QList<KTBaseUIModeController *> KTMainWindowController::viewControllers() const
{
    QList<KTBaseUIModeController *> controllers;
    for (KTBaseUIModeController *controller :
         {m_allImagesModeController.get(), m_favoriteImagesModeController.get(),
          m_trashImagesController.get(), m_duplicatesImagesController.get()}) {
        if (controller)
            controllers.append(controller);
    }
    return controllers;
}

void KTMainWindowController::adjustUI()
{
    if (!m_window)
        return;
    validateUIMode();
    adjustUIVisibleElements();
    validateUIVisibleElements();
    adjustViewMenuItems();
    if (UIMode() == kSourcesUIMode && m_pathsToLoadAfterLaunch.isEmpty())
        QTimer::singleShot(kShowSourcesWindowDelayMs, this, &KTMainWindowController::showImageSourcesWindow);
}

void KTMainWindowController::validateUIMode()
{
    if (m_storage->sources().isEmpty())
        setUIMode(kSourcesUIMode);
}

void KTMainWindowController::adjustUIVisibleElements()
{
    const QString mode = UIMode();
    KTBaseUIModeController *active = activeModeViewController();
    const auto isShown = [&](KTBaseUIModeController *controller) {
        return controller == active || (controller == m_allImagesModeController.get() &&
                                        (mode == kAllImagesUIMode || mode == kSourcesUIMode));
    };
    const QList<KTBaseUIModeController *> controllers = viewControllers();
    // Hide first, so that two modes are never shown at once.
    for (KTBaseUIModeController *controller : controllers) {
        if (QWidget *view = controller->view(); view && !isShown(controller))
            view->hide();
    }
    for (KTBaseUIModeController *controller : controllers) {
        if (QWidget *view = controller->view(); view && isShown(controller))
            view->show();
    }
    for (KTBaseUIModeController *controller : controllers)
        controller->refresh();
}

void KTMainWindowController::validateUIVisibleElements()
{
    const QString mode = UIMode();
    const QList<QPair<KTModeButton *, QString>> buttons{
        {m_toolbar->duplicatesModeButton(), kDuplicatesUIMode},
        {m_toolbar->allImagesModeButton(), kAllImagesUIMode},
        {m_toolbar->favoritesModeButton(), kFavoritesUIMode},
        {m_toolbar->trashModeButton(), kTrashUIMode},
        {m_toolbar->resultModeButton(), kLeftImagesUIMode},
    };
    for (const auto &[button, buttonMode] : buttons)
        button->setState(buttonMode == mode ? 1 : 0);
    if (mode == kSourcesUIMode) {
        if (m_allImagesModeController) {
            if (QWidget *button = m_allImagesModeController->rejectNotSelectedButton())
                button->setEnabled(false);
        }
    } else if (KTBaseUIModeController *active = activeModeViewController()) {
        active->setSelectedImages(m_selectedImages, m_activeImage, m_selectOnlyFirstImage);
    }
    validateTopBar();
}

void KTMainWindowController::validateTopBar()
{
    if (!m_toolbar)
        return;
    KTBaseUIModeController *active = activeModeViewController();
    KTAbstractButton *exif = m_toolbar->showExifButton();
    exif->setEnabled(active && active->exifPanelShouldBeShown());
    exif->setPushed(active && active->isExifPanelVisible());
    validateUndoRedoButtons();
}

void KTMainWindowController::validateUndoRedoButtons()
{
    if (!m_toolbar)
        return;
    const KTUndoManager *undo = m_storage->undoManager();
    m_toolbar->undoButton()->setEnabled(undo && undo->canUndo());
    m_toolbar->redoButton()->setEnabled(undo && undo->canRedo());
}

void KTMainWindowController::adjustViewMenuItems()
{
    QAction *viewItem = menuBar() ? KTMainMenu::itemWithTag(menuBar(), kViewMenuTag) : nullptr;
    if (!viewItem || !viewItem->menu())
        return;
    KTBaseUIModeController *active = activeModeViewController();
    const bool listMode =
        active && (active == m_favoriteImagesModeController.get() || active == m_trashImagesController.get());
    for (QAction *item : viewItem->menu()->actions()) {
        const int tag = KTMainMenu::tag(item);
        if (tag < kGroupsViewTag || tag > kCompareViewTag)
            continue;
        QString subMode = uiModeForTag(tag);
        if (tag == kGroupsViewTag && listMode)
            subMode = kUIModeList;
        item->setVisible(active && active->canSwitchToUIMode(subMode));
        if (tag == kImageViewTag)
            item->setShortcut(QKeySequence(listMode ? QStringLiteral("Ctrl+2") : QStringLiteral("Ctrl+3")));
    }
    validateAllMenuItems();
}

void KTMainWindowController::storeSelectionFromActiveController()
{
    m_selectOnlyFirstImage = false;
    KTBaseUIModeController *active = activeModeViewController();
    if (!active)
        return;
    const bool compare = active->UIMode() == kUIModeCompare;
    QList<KTImageMO *> selected;
    active->enumerateSelectedImagesUsingBlock([&](KTImageMO *image, bool isActive, bool &) {
        if (!compare || isActive)
            selected.append(image);
    });
    if (isGroupsMode(active) && active->UIMode() == kUIModeGroups)
        m_selectOnlyFirstImage = true;
    m_selectedImages = selected;
    m_activeImage = active->activeImageMO();
}

bool KTMainWindowController::isGroupsMode(KTBaseUIModeController *mode) const
{
    return mode && (mode == m_duplicatesImagesController.get() || mode == m_allImagesModeController.get());
}

bool KTMainWindowController::keyDown(const QKeyEvent &event)
{
    // The modes cannot be switched while the sources window covers them.
    if (isImageSourcesWindowVisible())
        return false;
    static const QList<QPair<QString, QString>> s_keys{
        {QStringLiteral("t"), kAllImagesUIMode},
        {QStringLiteral("s"), kDuplicatesUIMode},
        {QStringLiteral("p"), kFavoritesUIMode},
        {QStringLiteral("j"), kTrashUIMode},
    };
    for (const auto &[key, mode] : s_keys) {
        if (equalsToKeyEquivalent(event, key, {})) {
            if (mode == kDuplicatesUIMode)
                onDuplicates();
            else
                switchToUIMode(mode);
            return true;
        }
    }
    return false;
}

bool KTMainWindowController::performKeyEquivalent(const QKeyEvent &event)
{
    KTBaseUIModeController *active = activeModeViewController();
    return active && active->performKeyEquivalent(event);
}

void KTMainWindowController::magnify(double magnification)
{
    KTBaseUIModeController *active = activeModeViewController();
    if (!active || !active->canZoomListView() || std::abs(magnification) <= 0.01)
        return;
    active->setZoomValue(std::clamp(active->zoomValue() + 0.5 * magnification, 0.0, 1.0));
}

void KTMainWindowController::setImageListZoom(double zoom, KTBaseUIModeController *controllerToExclude)
{
    for (KTBaseUIModeController *controller : viewControllers()) {
        if (controller != controllerToExclude && controller->zoomValue() != zoom)
            controller->setZoomValue(zoom);
    }
}

void KTMainWindowController::cleanUndoStack()
{
    m_storage->cleanUndoStack();
    validateUndoRedoButtons();
}

void KTMainWindowController::onUndo()
{
    if (KTUndoManager *undo = m_storage->undoManager())
        undo->undo();
    validateUndoRedoButtons();
}

void KTMainWindowController::onRedo()
{
    if (KTUndoManager *undo = m_storage->undoManager())
        undo->redo();
    validateUndoRedoButtons();
}

void KTMainWindowController::fullScreenDidChange(bool fullScreen)
{
    QAction *viewItem = menuBar() ? KTMainMenu::itemWithTag(menuBar(), kViewMenuTag) : nullptr;
    if (!viewItem || !viewItem->menu())
        return;
    if (QAction *item = KTMainMenu::itemWithTag(viewItem->menu(), kFullScreenMenuItemTag))
        item->setText(fullScreen ? tr("Exit Full Screen") : tr("Enter Full Screen"));
}

void KTMainWindowController::toggleFullScreen()
{
    if (!m_window)
        return;
    if (m_window->isFullScreen())
        m_window->showNormal();
    else
        m_window->showFullScreen();
}

void KTMainWindowController::clearInfoView(KTBaseUIModeController *mode)
{
    if (!mode)
        return;
    if (KTImageInfoView *info = mode->infoView())
        info->setImageMO(nullptr);
}

// ---- KTBaseUIModeControllerDelegate ----

void KTMainWindowController::baseUIModeControllerStartedMovingImages(KTBaseUIModeController *,
                                                                     bool deleteOriginals,
                                                                     qint64 numberOfImages)
{
    KTProgressWindowController &sheet = KTProgressWindowController::sharedController();
    // The sheet looks its titles up in the string table itself.
    sheet.beginProgressSheetWithTitle(deleteOriginals ? QStringLiteral("Moving photos...")
                                                      : QStringLiteral("Copying photos..."));
    sheet.setNumberOfTaskSteps(double(numberOfImages));
}

void KTMainWindowController::baseUIModeControllerMovedImage(KTBaseUIModeController *)
{
    KTProgressWindowController::sharedController().setProgress(1.0);
}

void KTMainWindowController::baseUIModeControllerFinishedMovingImages(KTBaseUIModeController *)
{
    KTProgressWindowController::sharedController().stopProgressSheet();
}

void KTMainWindowController::controllerDidChangeUIMode(KTBaseUIModeController *)
{
    validateTopBar();
}

void KTMainWindowController::imagesListDidChange(KTBaseUIModeController *controller)
{
    if (controller == activeModeViewController())
        validateTopBar();
}

// ---- Session task chain ----

void KTMainWindowController::observeNotificationsFromImageStorage(KTImageStorage *storage)
{
    if (!storage)
        return;
    KTNotificationCenter &center = KTNotificationCenter::defaultCenter();
    const QPointer<KTMainWindowController> self(this);
    m_storageObservers.push_back(
        center.addObserver(KTTaskDidFinishInfo::name(), nullptr, [self](const KTNotification &notification) {
            if (self)
                self->imageStorageTaskDidFinish(notification);
        }));
    m_storageObservers.push_back(
        center.addObserver(KTTaskDidStartInfo::name(), nullptr, [self](const KTNotification &notification) {
            if (self)
                self->imageStorageTaskDidStart(notification);
        }));
}

void KTMainWindowController::stopObservingNotificationsFromImageStorage(KTImageStorage *)
{
    m_storageObservers.clear();
}

void KTMainWindowController::imageStorageTaskDidStart(const KTNotification &notification)
{
    m_tasks.append(KTTaskDidStartInfo::taskName(notification.userInfo));
}

void KTMainWindowController::imageStorageTaskDidFinish(const KTNotification &notification)
{
    const QString name = KTTaskDidFinishInfo::taskName(notification.userInfo);
    const QString last = m_tasks.isEmpty() ? QString() : m_tasks.last();
    if (name != last) {
        qWarning().noquote()
            << QStringLiteral("The finished task %1 should be equal to last started task %2").arg(name, last);
    }
    if (!m_tasks.isEmpty())
        m_tasks.removeLast();
    if (!m_tasks.isEmpty())
        return;

    // A newer session waits for this chain: none of the old session's steps is taken.
    if (m_pendingSessionStart) {
        cleanUndoStack();
        startPendingSessionIfIdle();
        return;
    }

    if (name == kAddSourcesTaskName) {
        startSession();
    } else if (name == kLoadImagesTaskName) {
        cleanUndoStack();
        if (m_storage->hasExternalSources() && !m_storage->isCurrentTaskCanceled())
            checkExternalImagesForUpdatesAndShowAlert();
        m_storage->setNewSession(false);
    } else if (name == kValidateTaskName) {
        cleanUndoStack();
        if (m_storage->sources().isEmpty()) {
            onStartNewSession();
            return;
        }
        if (KTTaskDidFinishInfo::hasInvalidSources(notification.userInfo).value_or(false)) {
            showInvalidSourcesAlert();
        } else {
            m_storage->setNewSession(false);
            if (m_storage->hasExternalSources() && !m_storage->isCurrentTaskCanceled())
                checkExternalImagesForUpdatesAndShowAlert();
        }
    } else if (name == kCleanSessionTaskName) {
        cleanUndoStack();
        // The cleared records must not be handed to a mode again.
        m_selectedImages.clear();
        m_activeImage = nullptr;
        clearInfoView(activeModeViewController());
        if (m_storage->isCurrentTaskCanceled())
            showImageSourcesWindow();
    } else if (name == kDeleteSourcesTaskName) {
        if (isImageSourcesWindowVisible()) {
            m_imageSourcesController->window()->raise();
            m_imageSourcesController->window()->activateWindow();
        }
    }
}

void KTMainWindowController::startSession()
{
    if (m_storage->sources().isEmpty())
        return;
    setUIMode(kDuplicatesUIMode);
    m_selectedImages.clear();
    m_activeImage = nullptr;
    for (KTBaseUIModeController *controller : viewControllers())
        controller->resetUI();
    adjustUI();
    if (m_duplicatesImagesController)
        m_storage->setAccuracyLevel(m_duplicatesImagesController->accuracyLevel());
    if (m_allImagesModeController)
        m_storage->setTimeLineInterval(m_allImagesModeController->timeRange());
    if (m_duplicatesImagesController)
        m_duplicatesImagesController->updateAccuracySettings();
    m_storage->loadImages();
    m_pathsToLoadAfterLaunch.clear();
}

void KTMainWindowController::checkExternalImagesForUpdatesAndShowAlert(const std::function<void()> &done)
{
    const std::shared_ptr<KTExternalStatusFlows> flows = installedFlows();
    if (!flows) {
        qWarning() << "Warning: no external catalogue flows are installed; the catalogue is not checked";
        if (done)
            done();
        return;
    }
    // The question depends on whether the session is new as the check begins: a load's end
    // clears the flag right after starting it.
    const bool newSession = m_storage->newSession();
    const QPointer<KTMainWindowController> self(this);
    flows->imagesUpdatedInExternalCatalogFromImages(
        m_storage->imagesFromExternalSources(),
        [self, newSession, done](const KTExternalStatusFlows::ChangeCheck &check) {
            if (self)
                self->externalImagesCheckDidEnd(check, newSession, done);
            else if (done)
                done();
        });
}

void KTMainWindowController::externalImagesCheckDidEnd(const KTExternalStatusFlows::ChangeCheck &check,
                                                       bool newSession, const std::function<void()> &done)
{
    const auto finished = [done](bool) {
        if (done)
            done();
    };
    // Nothing is known of a catalogue that could not be read: neither import nor ask.
    if (!check.outcome.succeeded()) {
        qWarning().noquote() << "Warning: the external catalogue could not be checked:"
                             << failureReason(check.outcome);
        finished(false);
        return;
    }
    // Kept through the question below: its event loop may see the records deleted or freed.
    const KTRecordList<KTImageMO> updated(check.changedImages);
    if (updated.isEmpty()) {
        // The change check may have dropped records the catalogue no longer holds.
        m_storage->importImagesStatuses(m_storage->imagesFromExternalSources(), finished);
        return;
    }

    const KTExternalImagesManager &manager = KTExternalImagesManager::sharedManager();
    const int type = m_storage->externalCatalogType();
    KTAlert alert;
    if (newSession && (type == 1 || type == 2)) {
        alert = alertWithButtons(
            tr("We found images in your collections: %1 and %2. These are the images from your previous "
               "session and it is highly recommended to move them to a different place. Would you like "
               "Vireoscope to clean up those collections now, or launch a session with those images "
               "included.")
                .arg(manager.selectedCollectionName(), manager.rejectedCollectionName()),
            {}, {tr("Launch Session"), tr("Clean Up Now")});
    } else if (newSession) {
        // Used as it stands, not translated.
        alert = alertWithButtons(
            QStringLiteral(
                "You have flagged and trashed images in your catalog. Vireoscope can move "
                "\"Flagged\" images to Picks View, and \"Trashed\" images to Rejects View. "
                "Alternatively Vireoscope can ignore your catalog flags and import these and other "
                "images together. What would you like to do?"),
            {}, {tr("Move to Picks & Rejects"), tr("Ignore Flags & Import All")});
    } else {
        const bool lightroom = type == 1 || type == 2;
        const QString appName =
            KTExternalImagesManager::appNameFromExternalCatalogType(KTExternalCatalogType(type));
        const QString message = tr("It looks like you've made changes in your %1 %2.")
                                    .arg(appName, lightroom ? tr("catalog") : tr("library"));
        alert = alertWithButtons(tr(message.toUtf8().constData()),
                                 tr("Do you want to sync these changes with Vireoscope?"),
                                 {tr("Yes, Sync"), tr("No, Don't Sync")});
    }
    if (runAlert(alert) == KTAlert::kFirstButtonReturn) {
        m_storage->importImagesStatuses(updated.records(), finished);
    } else {
        m_storage->overwriteImagesStatusesFromHalvard(updated.records());
        finished(true);
    }
}

void KTMainWindowController::showInvalidSourcesAlert()
{
    const KTAlert alert = classicAlert(
        tr("Some of picture sources are unavailable.") + QString(69, QLatin1Char(' ')) +
            tr("Please connect your external devices and relaunch Vireoscope or start New Session."),
        {}, {tr("New session"), tr("Close")});
    if (runAlert(alert) == KTAlert::kDefaultReturn)
        showImageSourcesWindowWithPaths({});
    else
        KTApplicationTerminator::shared().terminate(0);
}

void KTMainWindowController::failedToLoadSomeImages(const KTNotification &notification)
{
    const QList<KTBrokenImage> brokenImages =
        KTFailedToLoadSomeImagesInfo::brokenImages(notification.userInfo);
    const QPointer<KTMainWindowController> self(this);
    postToMain([self, brokenImages] {
        if (self)
            self->showBrokenImagesWindowWithImages(brokenImages);
    });
}

void KTMainWindowController::showBrokenImagesWindowWithImages(const QList<KTBrokenImage> &brokenImages)
{
    KTBrokenImagesWindowController *sheet = brokenImagesWindowController();
    sheet->setBrokenImages(brokenImages);
    sheet->beginSheet(m_window);
    sheet->raise();
    sheet->activateWindow();
}

void KTMainWindowController::hideBrokenImagesWindow()
{
    if (KTBrokenImagesWindowController *sheet = m_brokenImagesWindowController) {
        sheet->endSheet();
        sheet->deleteLater();
    }
    m_brokenImagesWindowController = nullptr;
}

KTBrokenImagesWindowController *KTMainWindowController::brokenImagesWindowController()
{
    if (!m_brokenImagesWindowController) {
        m_brokenImagesWindowController = new KTBrokenImagesWindowController(m_window);
        m_brokenImagesWindowController->setDelegate(this);
    }
    return m_brokenImagesWindowController;
}

// ---- Session start ----

bool KTMainWindowController::startSessionWithSources(const SessionSources &sources)
{
    assertMainThread();
    cancelGeneratingPreviews();
    clearInfoView(m_allImagesModeController.get());
    if (m_duplicatesImagesController)
        m_duplicatesImagesController->resetTimeRange();
    m_storage->setFindDuplicatesForAddedImages(sources.shouldGenerateThumbnails);
    const qint64 count = sources.externalItemsCount + countSourcesForSources(sources.folders);
    if (!validateRequiredDiskSpaceForItemsCount(count))
        return false;
    if (!m_tasks.isEmpty() || m_clearingsInFlight > 0) {
        // Clearing the session under a running load would leave it inserting images whose
        // sources are gone: the load is cancelled and the new sources wait for the chain's end.
        m_pendingSessionStart = sources;
        if (m_tasks.contains(kLoadImagesTaskName))
            m_storage->cancelCurrentTask();
    } else {
        addSessionSources(sources);
    }
    closeImageSourcesWindow();
    return true;
}

void KTMainWindowController::addSessionSources(const SessionSources &sources)
{
    m_selectedImages.clear();
    m_activeImage = nullptr;
    m_storage->addSourcesForPaths(sources.folders, sources.externalApplicationSources);
    m_storage->setNewSession(true);
}

void KTMainWindowController::startPendingSessionIfIdle()
{
    if (!m_pendingSessionStart || !m_tasks.isEmpty() || m_clearingsInFlight > 0)
        return;
    const SessionSources sources = *m_pendingSessionStart;
    m_pendingSessionStart.reset();
    addSessionSources(sources);
}

qint64 KTMainWindowController::countSourcesForSources(const QStringList &paths)
{
    QSet<QString> images;
    for (const QString &path : paths) {
        for (const QString &image : KTImageImporter::imagePathsInFolder(path))
            images.insert(image);
    }
    return images.size();
}

bool KTMainWindowController::validateRequiredDiskSpaceForItemsCount(qint64 count)
{
    // The signatures go to the cache folder, so its file system is the one that must have room.
    const QString hashes = KTFilesManager::sharedManager().hashesDirectoryPath();
    const qint64 free = std::max<qint64>(m_freeDiskSpace ? m_freeDiskSpace(hashes) : 0, 0);
    const qint64 needed = KTSimilarFinder::neededSizeInBytesOnDisk(hashes, count);
    if (double(needed) <= kDiskSpaceShare * double(free))
        return true;
    // Megabytes of 1,000,000 bytes, rounded up so the figure never understates the need.
    const qint64 megabytes = (needed + 999'999) / 1'000'000;
    KTAlert alert = alertWithButtons(tr("Vireoscope requires at least %1 free space on your hard disk. To "
                                        "proceed, please free up additional space or select fewer images to "
                                        "process.")
                                         .arg(QStringLiteral("%1 MB").arg(megabytes)),
                                     {}, {tr("OK")});
    runAlert(alert);
    return false;
}

void KTMainWindowController::showSourcesControllerWithPaths(const QStringList &paths)
{
    if (!m_tasks.isEmpty() || isImageSourcesWindowVisible())
        return;
    Q_ASSERT_X(!paths.isEmpty(), "showSourcesControllerWithPaths", "Empty paths array");
    if (paths.isEmpty())
        return;
    if (filteredCount(m_trashImagesController.get()) == 0) {
        showImageSourcesWindowWithPaths(paths);
        return;
    }
    askUserAboutTrashedImagesWithAlertBlock([this, paths](int returnCode) {
        if (returnCode == KTAlert::kDefaultReturn) {
            if (m_trashImagesController)
                m_trashImagesController->onMoveToSystemTrash(nullptr);
            showImageSourcesWindowWithPaths(paths);
        } else if (returnCode == KTAlert::kAlternateReturn) {
            showImageSourcesWindowWithPaths(paths);
        }
    });
}

void KTMainWindowController::askUserAboutTrashedImagesWithAlertBlock(const std::function<void(int)> &block)
{
    if (m_storage->hasExternalSources()) {
        block(KTAlert::kAlternateReturn);
        return;
    }
    const quint64 count = filteredCount(m_trashImagesController.get());
    const KTAlert alert =
        classicAlert(tr("There are %1 images in the Rejects. To get rid of them completely, move "
                        "them to trash. Otherwise, the images will be restored. What would you "
                        "like to do?")
                         .arg(count),
                     {}, {tr("Trash & Proceed"), tr("Don't Trash"), tr("Cancel")});
    block(runAlert(alert));
}

quint64 KTMainWindowController::filteredCount(KTBaseUIModeController *mode)
{
    if (!mode)
        return 0;
    const quint64 count = m_storage->countForImagesFilteredByFilterWithID(mode->imagesFilterID());
    return count == kFilteredCountNotFound ? 0 : count;
}

void KTMainWindowController::showImageSourcesWindowWithPaths(const QStringList &paths)
{
    if (!m_imageSourcesController || !m_window)
        return;
    // The quick tips come first: the sources window would cover them.
    if (m_presentingQuickTips) {
        m_sourcesWindowWaitsForTips = true;
        m_pathsWaitingForTips += paths;
        return;
    }
    QWidget *sources = m_imageSourcesController->window();
    // The set-up can ask for the window twice (no session, and no session started); a second
    // showing must not empty what the user has chosen since the first.
    if (!isImageSourcesWindowVisible()) {
        m_imageSourcesController->reset();
        // A window of its own, above the main window and kept over its content.
        sources->setParent(m_window, sources->windowFlags());
        frameDidChange();
        sources->show();
        m_toolbar->disableButtons();
    }
    sources->raise();
    sources->activateWindow();
    if (!paths.isEmpty())
        m_imageSourcesController->addPaths(paths);
}

void KTMainWindowController::closeImageSourcesWindow()
{
    if (!m_imageSourcesController)
        return;
    QWidget *sources = m_imageSourcesController->window();
    sources->hide();
    sources->setParent(nullptr, sources->windowFlags());
    m_imageSourcesController->hideIMediaBrowser();
    if (m_toolbar)
        m_toolbar->enableButtons();
}

bool KTMainWindowController::isImageSourcesWindowVisible() const
{
    return m_imageSourcesController && m_imageSourcesController->window()->isVisible();
}

void KTMainWindowController::frameDidChange()
{
    if (!m_window || !m_imageSourcesController)
        return;
    QWidget *sources = m_imageSourcesController->window();
    if (sources->parentWidget() != m_window)
        return;
    const int top = int(std::lround(m_window->sheetTopY()));
    sources->setGeometry(
        QRect(m_window->mapToGlobal(QPoint(0, top)), QSize(m_window->width(), m_window->height() - top)));
}

bool KTMainWindowController::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if ((type == QEvent::Move || type == QEvent::Resize || type == QEvent::WindowStateChange) &&
        watched == static_cast<QObject *>(m_window.data()))
        frameDidChange();
    return QObject::eventFilter(watched, event);
}

void KTMainWindowController::imageSourcesWindowControllerWantsToStartSession(
    KTImageSourcesWindowController *controller)
{
    SessionSources sources;
    sources.folders = controller->imageSources();
    sources.externalApplicationSources = controller->externalApplicationsImages().values();
    sources.externalItemsCount = controller->externalItemsCount();
    sources.shouldGenerateThumbnails = controller->shouldGenerateThumbnails();
    startSessionWithSources(sources);
}

void KTMainWindowController::imageSourcesWindowControllerWantsToCloseWindow(KTImageSourcesWindowController *)
{
    closeImageSourcesWindow();
    validateUIVisibleElements();
}

// ---- Save, quit and new session ----

bool KTMainWindowController::saveChangesOrReturnError(KTError *error)
{
    const bool saved = m_storage->saveChangesOrReturnError(error);
    if (m_storage->hasExternalSources())
        writeBackImagesStatuses([] {});
    return saved;
}

void KTMainWindowController::writeBackImagesStatuses(const std::function<void()> &done)
{
    // The catalogue is written off the main thread; the sheet shows that the quit or the new
    // session waits for it.
    KTProgressWindowController &sheet = KTProgressWindowController::sharedController();
    const bool showsSheet = sheet.presentingWindow() != nullptr;
    if (showsSheet)
        sheet.beginProgressSheetWithTitle(QStringLiteral("Writing Picks and Rejects"));
    const QPointer<KTMainWindowController> self(this);
    m_storage->syncImagesStatuses(m_storage->images(), false, [self, done, showsSheet](bool written) {
        if (showsSheet)
            KTProgressWindowController::sharedController().stopProgressSheet();
        if (!self)
            return;
        // The write pass clears the sync bits of what it wrote. Unsaved, the bits of the first
        // save would come back at the next launch and write stale decisions over the catalogue.
        KTError error;
        if (!self->m_storage->saveChangesOrReturnError(&error))
            qWarning().noquote() << "Warning: the session could not be saved after the write-back:"
                                 << error.localizedDescription;
        if (!written) {
            const QString appName = KTExternalImagesManager::appNameFromExternalCatalogType(
                KTExternalCatalogType(self->m_storage->externalCatalogType()));
            runAlert(alertWithButtons(tr("Your picks and rejects could not be written to %1.").arg(appName),
                                      tr("They are kept in this session."), {tr("OK")}));
        }
        done();
    });
}

void KTMainWindowController::saveChangesAndContinue(const ContinueAction &then)
{
    KTError error;
    if (!m_storage->saveChangesOrReturnError(&error))
        qWarning().noquote() << "Warning: the session could not be saved:" << error.localizedDescription;
    if (!m_storage->hasExternalSources() || !m_storage->hasStatusChanges()) {
        then(true);
        return;
    }
    writeBackWhenTheCatalogueIsFree(then);
}

void KTMainWindowController::writeBackWhenTheCatalogueIsFree(const ContinueAction &then)
{
    for (;;) {
        if (!m_storage->isExternalAppRunning()) {
            writeBackImagesStatuses([then] { then(true); });
            return;
        }
        const QString appName = m_storage->runningExternalAppName();
        const KTAlert alert = alertWithButtons(tr("Attention! We can't save changes when %1 is running. "
                                                  "Please close %1 to avoid losing progress.")
                                                   .arg(appName),
                                               {}, {tr("Try Again"), tr("Cancel"), tr("Don't Save")});
        const int answer = runAlert(alert);
        if (answer == KTAlert::kFirstButtonReturn + 1) {
            then(false);
            return;
        }
        if (answer == KTAlert::kFirstButtonReturn + 2) {
            then(true);
            return;
        }
    }
}

void KTMainWindowController::saveChangesAndReplyToTerminate(const std::function<void(TerminateReply)> &reply)
{
    saveChangesAndContinue([reply](bool shouldContinue) {
        reply(shouldContinue ? TerminateReply::TerminateNow : TerminateReply::TerminateCancel);
    });
}

bool KTMainWindowController::windowShouldClose()
{
    if (m_closeApproved) {
        m_closeApproved = false;
        return true;
    }
    if (m_savingForClose)
        return false;
    closeImageSourcesWindow();
    m_savingForClose = true;
    // The answer may come at once (nothing to write) or after the write-back; in the second case
    // the window closes again once it allows.
    struct Answer
    {
        bool inCall = true;
        std::optional<bool> shouldClose;
    };
    const auto answer = std::make_shared<Answer>();
    const QPointer<KTMainWindowController> self(this);
    saveChangesAndContinue([self, answer](bool shouldContinue) {
        if (answer->inCall) {
            answer->shouldClose = shouldContinue;
            return;
        }
        if (!self)
            return;
        self->m_savingForClose = false;
        if (shouldContinue && self->m_window) {
            self->m_closeApproved = true;
            self->m_window->close();
        }
    });
    answer->inCall = false;
    if (!answer->shouldClose)
        return false;
    m_savingForClose = false;
    return *answer->shouldClose;
}

void KTMainWindowController::windowWillClose()
{
    const QPointer<KTMainWindowController> self(this);
    postToMain([self] {
        if (!self)
            return;
        KTRateWindow::runWindowIfNeeded(self->m_window);
        if (self)
            emit self->windowDidClose();
    });
}

void KTMainWindowController::onStartNewSession()
{
    if (!m_storage->hasExternalSources()) {
        if (filteredCount(m_trashImagesController.get()) > 0) {
            askUserAboutTrashedImagesWithAlertBlock([this](int returnCode) {
                if (returnCode == KTAlert::kDefaultReturn) {
                    if (m_trashImagesController)
                        m_trashImagesController->onMoveToSystemTrash(nullptr);
                    showImageSourcesWindow();
                } else if (returnCode == KTAlert::kAlternateReturn) {
                    showImageSourcesWindow();
                }
            });
        } else {
            showImageSourcesWindow();
        }
        return;
    }
    const QPointer<KTMainWindowController> self(this);
    saveChangesAndContinue([self](bool shouldContinue) {
        if (self && shouldContinue)
            self->showImageSourcesWindow();
    });
}

void KTMainWindowController::onRestoreSession()
{
    adjustUI();
}

void KTMainWindowController::saveSelectionStateInActiveViewController()
{
    if (KTBaseUIModeController *active = activeModeViewController())
        active->saveSelections();
}

// ---- Menu and commands ----

void KTMainWindowController::validateAllMenuItems()
{
    if (!menuBar())
        return;
    for (QAction *item : KTMainMenu::commandItems(menuBar()))
        validateMenuItem(item);
}

bool KTMainWindowController::validateMenuItem(QAction *item)
{
    using C = KTMenuCommand;
    const bool sourcesShown = isImageSourcesWindowVisible();
    KTBaseUIModeController *active = activeModeViewController();
    const bool hasImages = active && !active->images().isEmpty();
    const QString subMode = active ? active->UIMode() : QString();
    const bool groupsMode = isGroupsMode(active);
    switch (KTMainMenu::command(item)) {
    case C::CopyFavorites:
    case C::MoveFavorites:
        return filteredCount(m_favoriteImagesModeController.get()) > 0;
    case C::CopyArchived:
    case C::MoveArchived:
        return filteredCount(m_trashImagesController.get()) > 0;
    case C::StartNewSession:
        return !sourcesShown && !m_storage->newSession();
    case C::ShowExifViewShortCut:
        return !sourcesShown && m_toolbar && m_toolbar->showExifButton()->isButtonEnabled();
    case C::ZoomImagesIn:
    case C::ZoomImagesOut:
        return !sourcesShown && active && active->canZoom();
    case C::OriginalSize:
    case C::FitToScreen:
        return !sourcesShown && active && active->canScale();
    case C::SetUIMode:
        item->setChecked(KTMainMenu::tag(item) == tagForUIMode(UIMode()));
        return !sourcesShown;
    case C::SetViewType:
        item->setChecked(active && KTMainMenu::tag(item) == tagForUIMode(subMode));
        return !sourcesShown && hasImages;
    case C::PreviousGroup:
    case C::NextGroup:
        item->setVisible(groupsMode);
        return groupsMode ? !sourcesShown && active->canSwitchGroups() : !sourcesShown;
    case C::RejectResolve: {
        item->setVisible(groupsMode);
        const bool similar = active && active == m_duplicatesImagesController.get();
        item->setText(similar ? tr("Resolve Group") : tr("Reject Unselected"));
        if (!groupsMode || sourcesShown)
            return false;
        return similar ? active->canResolve() : active->canRejectNotSelected();
    }
    case C::Pick:
    case C::Reject:
        return !sourcesShown && hasImages && active != m_trashImagesController.get();
    case C::Restore:
        return !sourcesShown && active && active == m_trashImagesController.get() && hasImages;
    case C::SwitchOriginalSizeOrFitToScreen:
        return !sourcesShown && (subMode == kUIModeImage || subMode == kUIModeCompare);
    case C::SelectAll:
    case C::DeselectAll:
        return subMode != kUIModeGroups && subMode != kUIModeCompare;
    case C::ShowPreferencesWindow:
        return !isPreferencesWindowVisible();
    case C::Undo:
    case C::Redo: {
        // "Undo Pick", "Redo Reject": the undo manager names its next steps.
        const KTUndoManager *undo = m_storage->undoManager();
        const bool isUndo = KTMainMenu::command(item) == C::Undo;
        if (undo)
            item->setText(isUndo ? undo->undoMenuItemTitle() : undo->redoMenuItemTitle());
        return undo && (isUndo ? undo->canUndo() : undo->canRedo());
    }
    default:
        return true;
    }
}

void KTMainWindowController::performMenuItem(QAction *item)
{
    if (!validateMenuItem(item))
        return;
    runMenuCommand(item);
}

void KTMainWindowController::runMenuCommand(QAction *item)
{
    using C = KTMenuCommand;
    KTBaseUIModeController *active = activeModeViewController();
    switch (KTMainMenu::command(item)) {
    case C::StartNewSession:
        onStartNewSession();
        break;
    case C::ShowPreferencesWindow:
        onShowPreferencesWindow();
        break;
    case C::CloseWindow:
        if (m_window)
            m_window->close();
        break;
    case C::Quit:
        emit terminateRequested();
        break;
    case C::Undo:
        onUndo();
        break;
    case C::Redo:
        onRedo();
        break;
    case C::CopyImages:
        if (active)
            active->copyImagesToPasteboard();
        break;
    case C::SelectAll:
        if (active)
            active->selectAllImagesInGroup();
        break;
    case C::DeselectAll:
        if (active)
            active->deselectAllImagesInGroup();
        break;
    case C::SetUIMode:
        if (KTMainMenu::tag(item) == kDuplicatesModeTag)
            onDuplicates();
        else
            setUIModeWithMenuItem(item);
        break;
    case C::SetViewType:
        setViewType(item);
        break;
    case C::ZoomImagesIn:
        if (active)
            active->onZoomViewIn(item);
        break;
    case C::ZoomImagesOut:
        if (active)
            active->onZoomViewOut(item);
        break;
    case C::FitToScreen:
        if (active)
            active->onFit(item);
        break;
    case C::OriginalSize:
        if (active)
            active->onActualSize(item);
        break;
    case C::SwitchOriginalSizeOrFitToScreen:
        if (active)
            active->onFitOrActualSize(nullptr);
        break;
    case C::ShowExifViewShortCut:
        onShowExifViewShortCut();
        break;
    case C::ShowExposurePixels:
        onShowExposurePixels(item);
        break;
    case C::ToggleFullScreen:
        toggleFullScreen();
        break;
    case C::Pick:
        onPickWithMenuItem();
        break;
    case C::Reject:
        onRejectWithMenuItem();
        break;
    case C::Restore:
        onRestoreWithMenuItem();
        break;
    case C::RejectResolve:
        onRejectResolve();
        break;
    case C::NextGroup:
        if (isGroupsMode(active))
            active->onNextGroup(nullptr);
        break;
    case C::PreviousGroup:
        if (isGroupsMode(active))
            active->onPreviousGroup(nullptr);
        break;
    case C::CopyFavorites:
        if (m_favoriteImagesModeController)
            m_favoriteImagesModeController->onCopy(item);
        break;
    case C::CopyArchived:
        if (m_trashImagesController)
            m_trashImagesController->onCopy(item);
        break;
    case C::MoveFavorites:
        onMoveFavorites(item);
        break;
    case C::MoveArchived:
        onMoveArchived(item);
        break;
    case C::ShowDuplicatesSearchSettings:
        if (m_duplicatesImagesController)
            m_duplicatesImagesController->onShowSearchSettings(item);
        break;
    case C::ShowQuickTips:
        onShowQuickTips();
        break;
    case C::Help:
        onHelp();
        break;
    case C::MButtonPress:
        onMButtonPress();
        break;
    case C::About:
        onAbout();
        break;
    case C::None:
        break;
    }
}

void KTMainWindowController::onPickWithMenuItem()
{
    if (KTBaseUIModeController *active = activeModeViewController())
        active->flagActiveSelectedImages(!active->activeImagespicked());
}

void KTMainWindowController::onRejectWithMenuItem()
{
    if (KTBaseUIModeController *active = activeModeViewController())
        active->rejectSelectedImages();
}

void KTMainWindowController::onRestoreWithMenuItem()
{
    KTBaseUIModeController *active = activeModeViewController();
    if (active && active == m_trashImagesController.get())
        active->onPutBack(nullptr);
}

void KTMainWindowController::onRejectResolve()
{
    KTBaseUIModeController *active = activeModeViewController();
    if (!active)
        return;
    if (active == m_allImagesModeController.get())
        active->onRejectNotSelected(nullptr);
    else if (active == m_duplicatesImagesController.get())
        active->onResolveGroup(nullptr);
}

void KTMainWindowController::onShowExifView(QObject *sender)
{
    if (KTBaseUIModeController *active = activeModeViewController())
        active->onShowExifView(sender);
}

void KTMainWindowController::onShowExifViewShortCut()
{
    KTAbstractButton *button = m_toolbar ? m_toolbar->showExifButton() : nullptr;
    if (!button || !button->isButtonEnabled())
        return;
    button->setPushed(!button->isPushed());
    onShowExifView(button);
}

void KTMainWindowController::onShowExposurePixels(QObject *sender)
{
    if (KTBaseUIModeController *active = activeModeViewController())
        active->onShowExposurePixels(sender);
}

void KTMainWindowController::askAboutMovingImages(KTBaseUIModeController *mode, QObject *sender)
{
    if (!mode)
        return;
    const KTAlert alert =
        classicAlert(tr("Moving images to other location will remove them from their original "
                        "locations and current session. Do you want to continue?"),
                     {}, {tr("Yes"), tr("No")});
    if (runAlert(alert) == KTAlert::kDefaultReturn)
        mode->onMove(sender);
}

void KTMainWindowController::onMoveFavorites(QObject *sender)
{
    askAboutMovingImages(m_favoriteImagesModeController.get(), sender);
}

void KTMainWindowController::onMoveArchived(QObject *sender)
{
    askAboutMovingImages(m_trashImagesController.get(), sender);
}

void KTMainWindowController::onSyncExternalImagesStatuses()
{
    if (m_allImagesModeController)
        m_storage->syncImagesStatuses(
            m_storage->imagesFilteredByFilterWithID(m_allImagesModeController->imagesFilterID()));
}

void KTMainWindowController::onFocusRegions()
{
    KTFocusedRegionsManager &regions = KTFocusedRegionsManager::sharedManager();
    regions.setFocusedRegionsVisible(!regions.isFocusedRegionsVisible());
}

void KTMainWindowController::onFocusPointLattice()
{
    KTFocusedRegionsManager &regions = KTFocusedRegionsManager::sharedManager();
    regions.setFocusPointLatticeVisible(!regions.isFocusPointLatticeVisible());
}

void KTMainWindowController::showFocusRegion(bool show)
{
    KTFocusedRegionsManager::sharedManager().setFocusedRegionsVisible(show);
}

void KTMainWindowController::onShowPreferencesWindow()
{
    if (!m_preferencesController)
        m_preferencesController = std::make_unique<KTPreferencesWindowController>(
            m_storage, KTUserDefaults::standardUserDefaults());
    m_preferencesController->runModal();
}

bool KTMainWindowController::isPreferencesWindowVisible() const
{
    return m_preferencesController && m_preferencesController->isRunningModal();
}

void KTMainWindowController::onAbout()
{
    KTAboutWindow::presentOver(m_window);
}

void KTMainWindowController::onShowQuickTips()
{
    presentQuickTips();
}

void KTMainWindowController::presentQuickTips()
{
    if (!m_window || m_presentingQuickTips)
        return;
    const QPointer<KTMainWindowController> self(this);
    m_presentingQuickTips = true;
    m_window->activateWindow();
    KTTipsWindow::presentOver(m_window);
    if (!self)
        return;
    m_presentingQuickTips = false;
    if (m_sourcesWindowWaitsForTips) {
        m_sourcesWindowWaitsForTips = false;
        showImageSourcesWindowWithPaths(std::exchange(m_pathsWaitingForTips, {}));
    }
}

void KTMainWindowController::onHelp()
{
    QDesktopServices::openUrl(QUrl(kGettingStartedAddress));
}

void KTMainWindowController::onMButtonPress()
{
    QDesktopServices::openUrl(QUrl(kMakerAddress));
}

QList<KTImageMO *> KTMainWindowController::selectedImagesFromActiveController()
{
    QList<KTImageMO *> images;
    if (KTBaseUIModeController *active = activeModeViewController())
        active->enumerateSelectedImagesUsingBlock(
            [&](KTImageMO *image, bool, bool &) { images.append(image); });
    return images;
}

void KTMainWindowController::cancelGeneratingPreviews()
{
    if (m_loadingThumbnailsQueue)
        m_loadingThumbnailsQueue->cancelAllOperations();
}

QStringList KTMainWindowController::sharedImagesPaths(bool withPairs)
{
    const bool pairsAsOne = KTImageStorage::showsRawAndJPEGAsOneFile();
    QStringList paths;
    for (KTImageMO *image : selectedImagesFromActiveController()) {
        if (!image->originalFileExists().value_or(false))
            continue;
        if (withPairs && pairsAsOne && !image->duplicateImagePath().isEmpty())
            paths.append(image->duplicateImagePath());
        paths.append(image->path());
    }
    return paths;
}

void KTMainWindowController::createSharingMenus()
{
    if (m_sharingMenusCreated || !menuBar())
        return;
    QAction *shareItem = KTMainMenu::itemWithTag(menuBar(), kShareMenuTag);
    if (!shareItem || !shareItem->menu())
        return;
    m_sharingMenusCreated = true;
    QMenu *menu = shareItem->menu();
    const QPointer<KTMainWindowController> self(this);
    const auto paths = [self](bool withPairs) {
        return [self, withPairs] { return self ? self->sharedImagesPaths(withPairs) : QStringList(); };
    };
    const auto atLeastOne = [self](bool withPairs) {
        return [self, withPairs] { return self && !self->sharedImagesPaths(withPairs).isEmpty(); };
    };
    const auto insertAt = [menu](int index, QAction *item) {
        const QList<QAction *> items = menu->actions();
        menu->insertAction(index < items.size() ? items.at(index) : nullptr, item);
    };
    QAction *reveal =
        KTShareManager::showInFinderMenuItemWithImagesPaths(paths(true), atLeastOne(true), menu);
    insertAt(0, reveal);
    QAction *exportItem = KTShareManager::exportMenuItemWithImagesPaths(
        paths(false), [self] { return self && self->sharedImagesPaths(false).size() == 1; }, menu);
    insertAt(1, exportItem);
    KTShareManager::configureValidationHandler(
        atLeastOne(false), {kKTExportToAperture, kKTExportToIPhoto, kKTExportToLightroom}, exportItem);
    insertAt(2, KTShareManager::shareMenuItemWithImagesPaths(paths(true), atLeastOne(true), menu));
    auto *first = new QAction(menu);
    first->setSeparator(true);
    insertAt(1, first);
    auto *second = new QAction(menu);
    second->setSeparator(true);
    insertAt(4, second);
}
