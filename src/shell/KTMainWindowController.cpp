#include "KTMainWindowController.h"

#include "KTSimilaritySearchCapability.h"
#include "KTSystemTrashCapability.h"
#include "KTTimeGroupingCapability.h"

#include "KTAbstractButton.h"
#include "KTAbstractProgressIndicator.h"
#include "KTAlert.h"
#include "KTCatalogNotifications.h"
#include "KTDispatch.h"
#include "KTFocusedRegionsManager.h"
#include "KTImageSourcesWindow.h"
#include "KTImageSourcesWindowController.h"
#include "KTImageStorage.h"
#include "KTIndeterminateProgressIndicatorController.h"
#include "KTMainWindowCommands.h"
#include "KTModeButton.h"
#include "KTNamedImages.h"
#include "KTOperationQueue.h"
#include "KTProgressWindowController.h"
#include "KTRateWindow.h"
#include "KTTipsWindow.h"
#include "KTUndoManager.h"

#include <QAction>
#include <QApplication>
#include <QGridLayout>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPainterPath>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>

#include <utility>

namespace {

/// Delays of the set-up's jobs.
constexpr int kShowSourcesWindowDelayMs = 100;
constexpr int kDroppedPathsDelayMs = 300;
constexpr int kCleanUndoDelayMs = 300;
constexpr int kValidationDelayMs = 800;

void assertMainThread()
{
    Q_ASSERT(QThread::currentThread() == qApp->thread());
}

KTMainWindowController::ModeControllerFactory &factoryStorage()
{
    static KTMainWindowController::ModeControllerFactory s_factory;
    return s_factory;
}

QPointer<KTMainWindowController> s_sharedController;

} // namespace

// ---- Factory and shared instance ----

void KTMainWindowController::setModeControllerFactory(ModeControllerFactory factory)
{
    factoryStorage() = std::move(factory);
}

const KTMainWindowController::ModeControllerFactory &KTMainWindowController::modeControllerFactory()
{
    return factoryStorage();
}

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
    : QObject(parent), m_storage(storage),
      m_scheduler([](int milliseconds, QObject *context, std::function<void()> job) {
          QTimer::singleShot(milliseconds, context, std::move(job));
      }),
      m_progressWindowController(&KTProgressWindowController::sharedController()),
      m_modeSwitcher(new KTModeSwitcher(storage, this)), m_sessionFlow(new KTSessionFlow(storage, this)),
      m_writeBack(new KTCatalogWriteBack(storage, this))
{
    Q_ASSERT(storage);
    m_sessionFlow->setSteps(sessionSteps());
    m_writeBack->setWillTerminate([this] { saveSelectionStateInActiveViewController(); });
    connect(m_modeSwitcher, &KTModeSwitcher::switched, this, &KTMainWindowController::adjustUI);
}

KTMainWindowController::~KTMainWindowController()
{
    m_observers.clear();
    cancelGeneratingPreviews();
    // The pieces that hold widgets of the window go before it: the sources window's controller,
    // the missing-images sheet, then the modes, whose views the container holds.
    delete m_sourcesHost;
    delete m_brokenImagesWindowController.data();
    m_modeSwitcher->deleteModes();
    delete m_window.data();
}

void KTMainWindowController::after(int milliseconds, std::function<void()> job)
{
    m_scheduler(milliseconds, this, std::move(job));
}

// ---- Window ----

QMenuBar *KTMainWindowController::menuBar() const
{
    return m_window ? m_window->menuBar() : nullptr;
}

QAction *KTMainWindowController::menuItem(KTMenuCommand command) const
{
    for (QAction *item : KTMainMenu::commandItems(menuBar())) {
        if (KTMainMenu::command(item) == command)
            return item;
    }
    return nullptr;
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
    window->setPreferredMinimumSize(QSize(900, 600));
    window->shouldClose = [this] { return windowShouldClose(); };
    window->keyEquivalent = [this](const QKeyEvent &event) {
        return m_modeSwitcher->performKeyEquivalent(event);
    };
    // The modes cannot be switched while the sources window covers them.
    window->keyDown = [this](const QKeyEvent &event) {
        return !(m_sourcesHost && m_sourcesHost->isOpen()) && m_modeSwitcher->keyDown(event);
    };
    window->magnify = [this](double magnification) { m_modeSwitcher->magnify(magnification); };
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
    m_commands = new KTMainWindowCommands(*this);
    m_commands->connectMenuBar(menuBar);

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
    if (KTBaseUIModeController *active = activeModeViewController())
        active->restoreAppLastLaunchSelection();
}

void KTMainWindowController::initialize()
{
    // The quick tips greet the user once per process, as soon as the window is up.
    static bool s_tipsShown = false;
    if (!s_tipsShown && KTTipsWindow::wantsShowAtStartup()) {
        s_tipsShown = true;
        after(0, [this] { presentQuickTips(); });
    }
    assignWindowTitleBarDrawingBlock();
    // The progress sheet must hang on this window before any task can start.
    m_progressWindowController->setPresentingWindow(m_window);
    // Quit answers while a sheet has the keyboard: the window under it takes no input then.
    if (QAction *quit = menuItem(KTMenuCommand::Quit))
        m_progressWindowController->window()->addAction(quit);
    initializeImageStorage();
    // The thumbnail queue keeps its width whether or not the application is active.
    m_loadingThumbnailsQueue = std::make_unique<KTOperationQueue>();
    m_loadingThumbnailsQueue->prepareForDeleting();
    m_loadingThumbnailsQueue->setMaxConcurrentOperationCount(QThread::idealThreadCount());
    m_modeSwitcher->createModes(modeControllerFactory(),
                                static_cast<QGridLayout *>(m_containerView->layout()), m_toolbar,
                                m_loadingThumbnailsQueue.get(), this);

    m_sourcesHost = new KTSourcesWindowHost(m_storage, m_window, m_toolbar, this);
    // The session about to be replaced goes through the same save and write-back as a quit, by
    // whichever way the sources window was opened.
    m_sourcesHost->setStartSession([this](const KTSessionFlow::Sources &sources, auto done) {
        const QPointer<KTMainWindowController> self(this);
        m_writeBack->saveChangesAndContinue([self, sources, done](bool shouldContinue) {
            if (!self)
                return;
            if (shouldContinue)
                self->m_sessionFlow->startSessionWithSources(sources, done);
            else
                done(KTSessionFlow::StartOutcome::Cancelled);
        });
    });
    m_sourcesHost->setDidClose([this] {
        m_modeSwitcher->validateUIVisibleElements();
        validateTopBar();
    });
    KTImageSourcesWindowController *sources = m_sourcesHost->controller();
    sources->setHelpHandler([this] { m_commands->onHelp(); });
    sources->setShowsTimeLabelHandler(
        [](bool shows) { KTProgressWindowController::sharedController().setShowsTimeLabel(shows); });
    // Quit answers in the sources window too: with no session it is the only window there is.
    if (QAction *quit = menuItem(KTMenuCommand::Quit))
        m_sourcesHost->addWindowAction(quit);
    connectToolbar();

    if (!m_pathsToLoadAfterLaunch.isEmpty()) {
        after(kDroppedPathsDelayMs,
              [this, paths = m_pathsToLoadAfterLaunch] { showSourcesControllerWithPaths(paths); });
    } else if (m_storage->sources().isEmpty()) {
        // A session the user started meanwhile (from the sources window adjustUI() also opens)
        // must not be met by a second sources window.
        after(kDroppedPathsDelayMs, [this] {
            if (m_storage->sources().isEmpty() && tasks().isEmpty() && !m_storage->newSession() &&
                !m_sessionFlow->isCounting())
                onStartNewSession();
        });
    }
    KTIndeterminateProgressIndicatorController::sharedController().setProgressIndicator(
        m_toolbar->exposurePixelsGenerationProgressIndicator());
    // Only a session restored at launch has sources to check: a session the user starts in the
    // meantime has just read its own, and the check's sheet would take the keyboard from it.
    if (!m_storage->sources().isEmpty()) {
        after(kValidationDelayMs, [this] {
            if (!m_storage->sources().isEmpty() && UIMode() != kSourcesUIMode)
                m_storage->validate();
        });
    }
    observeTheCatalogue();
}

void KTMainWindowController::connectToolbar()
{
    KTMainToolbar *toolbar = m_toolbar;
    connect(toolbar->showExifButton(), &KTControl::clicked, this,
            [this] { m_commands->onShowExifView(m_toolbar->showExifButton()); });
    connect(toolbar->showPixelsButton(), &KTControl::clicked, this,
            [this] { m_commands->onShowExposurePixels(m_toolbar->showPixelsButton()); });
    connect(toolbar->newSessionButton(), &KTControl::clicked, this,
            &KTMainWindowController::onStartNewSession);
    connect(toolbar->undoButton(), &KTControl::clicked, m_commands, &KTMainWindowCommands::onUndo);
    connect(toolbar->redoButton(), &KTControl::clicked, m_commands, &KTMainWindowCommands::onRedo);
    connect(toolbar->duplicatesModeButton(), &KTControl::clicked, m_modeSwitcher,
            &KTModeSwitcher::onDuplicates);
    connect(toolbar->allImagesModeButton(), &KTControl::clicked, m_modeSwitcher,
            &KTModeSwitcher::onAllImages);
    connect(toolbar->favoritesModeButton(), &KTControl::clicked, m_modeSwitcher,
            &KTModeSwitcher::onFavorites);
    connect(toolbar->trashModeButton(), &KTControl::clicked, m_modeSwitcher, &KTModeSwitcher::onTrash);
    connect(toolbar->resultModeButton(), &KTControl::clicked, m_modeSwitcher, &KTModeSwitcher::onResult);
    connect(toolbar->syncExternalImagesButton(), &KTControl::clicked, m_commands,
            &KTMainWindowCommands::onSyncExternalImagesStatuses);
    // These two act on the press and again on the release: the overlay shows while held.
    connect(toolbar->focusRegionsButton(), &KTControl::pressed, m_commands,
            &KTMainWindowCommands::onFocusRegions);
    connect(toolbar->focusRegionsButton(), &KTControl::released, m_commands,
            &KTMainWindowCommands::onFocusRegions);
    connect(toolbar->focusPointLatticeButton(), &KTControl::pressed, m_commands,
            &KTMainWindowCommands::onFocusPointLattice);
    connect(toolbar->focusPointLatticeButton(), &KTControl::released, m_commands,
            &KTMainWindowCommands::onFocusPointLattice);
}

void KTMainWindowController::observeTheCatalogue()
{
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
                self->m_modeSwitcher->onAllImages();
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
    m_storage->setFindDuplicatesForAddedImages(true);
    m_storage->startAutosaving();
    // What was done before the window (a migration, an import) is not the user's to undo.
    after(kCleanUndoDelayMs, [this] { cleanUndoStack(); });
}

// ---- The session's steps that touch the window ----

KTSessionFlow::Steps KTMainWindowController::sessionSteps()
{
    KTSessionFlow::Steps steps;
    steps.prepareLoad = [this] { prepareLoad(); };
    steps.checkExternalCatalogue = [this] { m_writeBack->checkExternalImagesForUpdatesAndShowAlert(); };
    steps.showInvalidSourcesAlert = [this] { showInvalidSourcesAlert(); };
    steps.startNewSession = [this] { onStartNewSession(); };
    steps.reopenSources = [this] {
        if (m_sourcesHost)
            m_sourcesHost->reopenWithLastChoice();
    };
    steps.sessionCleared = [this] { m_modeSwitcher->forgetSessionRecords(); };
    steps.cleanUndoStack = [this] { cleanUndoStack(); };
    steps.willAddSources = [this](const KTSessionFlow::Sources &sources) { willAddSources(sources); };
    return steps;
}

void KTMainWindowController::prepareLoad()
{
    // The new session opens on its similar groups, every mode starting over.
    m_modeSwitcher->setUIMode(kDuplicatesUIMode);
    m_modeSwitcher->resetModes();
    adjustUI();
    auto *similar =
        dynamic_cast<KTSimilaritySearchCapability *>(m_modeSwitcher->duplicatesImagesController());
    if (similar)
        m_storage->setAccuracyLevel(similar->accuracyLevel());
    if (auto *timeline = dynamic_cast<KTTimeGroupingCapability *>(m_modeSwitcher->allImagesModeController()))
        m_storage->setTimeLineInterval(timeline->timeRange());
    if (similar)
        similar->updateAccuracySettings();
    m_pathsToLoadAfterLaunch.clear();
}

void KTMainWindowController::willAddSources(const KTSessionFlow::Sources &)
{
    // The old session's thumbnails and strips are of no use to the new one.
    cancelGeneratingPreviews();
    KTModeSwitcher::clearInfoView(m_modeSwitcher->allImagesModeController());
    if (auto *similar =
            dynamic_cast<KTSimilaritySearchCapability *>(m_modeSwitcher->duplicatesImagesController()))
        similar->resetTimeRange();
    m_modeSwitcher->forgetSessionRecords();
}

// ---- Showing the modes ----

void KTMainWindowController::adjustUI()
{
    if (!m_window)
        return;
    m_modeSwitcher->showActiveMode();
    validateTopBar();
    if (m_commands) {
        m_commands->showModeActions(activeModeViewController());
        m_commands->validateAllMenuItems();
    }
    if (UIMode() == kSourcesUIMode && m_pathsToLoadAfterLaunch.isEmpty())
        after(kShowSourcesWindowDelayMs, [this] { showImageSourcesWindow(); });
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

void KTMainWindowController::fullScreenDidChange(bool fullScreen)
{
    QAction *viewItem = menuBar() ? KTMainMenu::itemWithTag(menuBar(), kViewMenuTag) : nullptr;
    if (!viewItem || !viewItem->menu())
        return;
    if (QAction *item = KTMainMenu::itemWithTag(viewItem->menu(), kFullScreenMenuItemTag))
        item->setText(fullScreen ? tr("Exit Full Screen") : tr("Enter Full Screen"));
}

void KTMainWindowController::cleanUndoStack()
{
    m_storage->cleanUndoStack();
    validateUndoRedoButtons();
}

void KTMainWindowController::cancelGeneratingPreviews()
{
    if (m_loadingThumbnailsQueue)
        m_loadingThumbnailsQueue->cancelAllOperations();
}

void KTMainWindowController::saveSelectionStateInActiveViewController()
{
    m_modeSwitcher->saveSelectionStateInActiveViewController();
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

// ---- Session ----

void KTMainWindowController::showInvalidSourcesAlert()
{
    const KTAlert alert = KTAlert::withButtons(
        tr("Some of picture sources are unavailable.") + QString(69, QLatin1Char(' ')) +
            tr("Please connect your external devices and relaunch Vireoscope or start New Session."),
        {}, {tr("New session"), tr("Close")}, KTAlert::ButtonCodes::Classic);
    if (alert.run() == KTAlert::kDefaultReturn)
        showImageSourcesWindowWithPaths({});
    else
        terminate();
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
        if (QAction *quit = menuItem(KTMenuCommand::Quit))
            m_brokenImagesWindowController->addAction(quit);
    }
    return m_brokenImagesWindowController;
}

KTImageSourcesWindowController *KTMainWindowController::imageSourcesController() const
{
    return m_sourcesHost ? m_sourcesHost->controller() : nullptr;
}

bool KTMainWindowController::isImageSourcesWindowVisible() const
{
    return m_sourcesHost && m_sourcesHost->isVisible();
}

void KTMainWindowController::showImageSourcesWindowWithPaths(const QStringList &paths)
{
    if (m_sourcesHost)
        m_sourcesHost->showWithPaths(paths);
}

void KTMainWindowController::closeImageSourcesWindow()
{
    if (m_sourcesHost)
        m_sourcesHost->close();
}

void KTMainWindowController::showSourcesControllerWithPaths(const QStringList &paths)
{
    Q_ASSERT_X(!paths.isEmpty(), "showSourcesControllerWithPaths", "Empty paths array");
    if (paths.isEmpty() || !m_sourcesHost)
        return;
    // An open window takes the paths as they come, telling the user what it cannot use.
    if (m_sourcesHost->isOpen()) {
        if (m_sourcesHost->isVisible())
            m_sourcesHost->showWithPaths(paths);
        return;
    }
    if (!tasks().isEmpty())
        return;
    if (m_modeSwitcher->filteredCount(m_modeSwitcher->trashImagesController()) == 0) {
        showImageSourcesWindowWithPaths(paths);
        return;
    }
    askUserAboutTrashedImagesWithAlertBlock([this, paths](int returnCode) {
        if (returnCode == KTAlert::kDefaultReturn) {
            if (auto *rejects =
                    dynamic_cast<KTSystemTrashCapability *>(m_modeSwitcher->trashImagesController()))
                rejects->onMoveToSystemTrash(nullptr);
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
    const int count = int(m_modeSwitcher->filteredCount(m_modeSwitcher->trashImagesController()));
    const KTAlert alert = KTAlert::withButtons(
        count == 1 ? tr("There is 1 image in the Rejects. To get rid of it completely, move it to trash. "
                        "Otherwise, the image will be restored. What would you like to do?")
                   : tr("There are %n images in the Rejects. To get rid of them completely, move them to "
                        "trash. Otherwise, the images will be restored. What would you like to do?",
                        nullptr, count),
        {}, {tr("Trash & Proceed"), tr("Don't Trash"), tr("Cancel")}, KTAlert::ButtonCodes::Classic);
    block(alert.run());
}

void KTMainWindowController::onStartNewSession()
{
    if (m_sourcesHost && m_sourcesHost->isOpen()) {
        m_sourcesHost->bringToFront();
        return;
    }
    if (!m_storage->hasExternalSources()) {
        if (m_modeSwitcher->filteredCount(m_modeSwitcher->trashImagesController()) > 0) {
            askUserAboutTrashedImagesWithAlertBlock([this](int returnCode) {
                if (returnCode == KTAlert::kDefaultReturn) {
                    if (auto *rejects =
                            dynamic_cast<KTSystemTrashCapability *>(m_modeSwitcher->trashImagesController()))
                        rejects->onMoveToSystemTrash(nullptr);
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
    m_writeBack->saveChangesAndContinue([self](bool shouldContinue) {
        if (self && shouldContinue)
            self->showImageSourcesWindow();
    });
}

void KTMainWindowController::onRestoreSession()
{
    adjustUI();
}

// ---- The way out ----

void KTMainWindowController::terminate(KTCatalogWriteBack::Asking asking)
{
    m_writeBack->quit(asking);
}

bool KTMainWindowController::windowShouldClose()
{
    closeImageSourcesWindow();
    const QPointer<KTMainWindowController> self(this);
    return m_writeBack->windowShouldClose([self] {
        if (self && self->m_window)
            self->m_window->close();
    });
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

void KTMainWindowController::presentQuickTips()
{
    if (!m_window || m_presentingQuickTips)
        return;
    const QPointer<KTMainWindowController> self(this);
    m_presentingQuickTips = true;
    // The tips run over the window: a sources window asked for meanwhile opens when they close.
    if (m_sourcesHost)
        m_sourcesHost->setHeldBack(true);
    m_window->activateWindow();
    KTTipsWindow::presentOver(m_window);
    if (!self)
        return;
    m_presentingQuickTips = false;
    if (m_sourcesHost)
        m_sourcesHost->setHeldBack(false);
}
