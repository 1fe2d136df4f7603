#include "KTImageSourcesWindowController.h"

#include "KTCatalogBrowser.h"
#include "KTCatalogBrowserWindow.h"
#include "KTDropView.h"
#include "KTImageSourcesWindow.h"
#include "KTSourcesTableView.h"

#include "KTAbstractButton.h"
#include "KTAlert.h"
#include "KTDispatch.h"
#include "KTExternalImagesManager.h"
#include "KTImageStorage.h"
#include "KTMenuPresenter.h"
#include "KTOpenPanel.h"
#include "KTOperationQueue.h"
#include "KTSButton.h"
#include "KTSessionSources.h"
#include "KTTableRowView.h"
#include "KTTasksNotifier.h"
#include "KTUserDefaults.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QStandardPaths>
#include <QThread>
#include <QUrl>

#include <algorithm>

namespace {

void assertMainThread()
{
    Q_ASSERT(QThread::currentThread() == qApp->thread());
}

bool hasExtensionIn(const QString &path, const QStringList &extensions)
{
    return !path.isEmpty() && extensions.contains(QFileInfo(path).suffix(), Qt::CaseInsensitive);
}

/// Whether `path` is `home` or lies inside it: "/home/al" does not hold "/home/alice".
bool isInsideHome(const QString &path, const QString &home)
{
    if (home.isEmpty())
        return false;
    if (home == QLatin1String("/"))
        return path.startsWith(home);
    return path == home || path.startsWith(home + QLatin1Char('/'));
}

QString picturesFolder()
{
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    return QFileInfo(pictures).isDir() ? pictures : QDir::homePath();
}

/// The local paths of the dragged URLs, in order.
QStringList localPaths(const QMimeData *pasteboard)
{
    QStringList paths;
    for (const QUrl &url : pasteboard->urls()) {
        if (url.isLocalFile())
            paths.append(QDir::cleanPath(url.toLocalFile()));
    }
    return paths;
}

void showAlert(const QString &message, const QString &informative)
{
    KTAlert alert;
    alert.messageText = message;
    alert.informativeText = informative;
    alert.buttons = {KTImageSourcesWindowController::tr("OK")};
    KTAlertPresenter::shared().runModal(alert);
}

} // namespace

KTImageSourcesWindowController::KTImageSourcesWindowController(QWidget *parentWindow, QObject *parent)
    : QObject(parent), m_window(new KTImageSourcesWindow(parentWindow))
{
    assertMainThread();
    m_deleteSourceObserver = KTNotificationCenter::defaultCenter().addObserver(
        QString::fromLatin1(kDeleteImageSourceNotification), nullptr,
        [this](const KTNotification &) { onDeleteSources(); });

    KTImageSourcesWindow *window = m_window;
    window->tableView()->setDataSource(this);
    window->dropView()->setDelegate(this);
    connect(window->addFolderButton(), &KTControl::clicked, this,
            &KTImageSourcesWindowController::onAddSources);
    connect(window->addCatalogButton(), &KTControl::clicked, this,
            &KTImageSourcesWindowController::onAddCatalog);
    connect(window->openRecentCatalogButton(), &KTControl::clicked, this,
            &KTImageSourcesWindowController::onOpenRecentCatalog);
    connect(window->startSessionButton(), &KTControl::clicked, this,
            &KTImageSourcesWindowController::onStartSession);
    connect(window->closeButton(), &KTControl::clicked, this, &KTImageSourcesWindowController::onCloseWindow);
    connect(window->helpButton(), &KTControl::clicked, this, &KTImageSourcesWindowController::onHelp);
    sourcesDidChange();
}

KTImageSourcesWindowController::~KTImageSourcesWindowController()
{
    m_deleteSourceObserver.reset();
    cancelOpenPanel();
    for (const PendingImagesList &pending : std::as_const(m_loadImagesListOperations))
        pending.operation->cancel();
    m_loadImagesListOperations.clear();
    // The queue waits for a list being read; its completion finds no controller.
    m_loadingImagesListOperationQueue.reset();
    delete m_catalogBrowser;
    delete m_window.data();
}

KTImageSourcesWindow *KTImageSourcesWindowController::window() const
{
    return m_window;
}

QStringList KTImageSourcesWindowController::lightroomLibrariesExtensions()
{
    return {QStringLiteral("lrcat"), QStringLiteral("lrdb"), QStringLiteral("aglib")};
}

QStringList KTImageSourcesWindowController::iPhotoLibrariesExtensions()
{
    return {QStringLiteral("photolibrary")};
}

QStringList KTImageSourcesWindowController::apertureLibrariesExtensions()
{
    return {QStringLiteral("aplibrary")};
}

QStringList KTImageSourcesWindowController::externalLibrariesExtensions()
{
    return lightroomLibrariesExtensions() + iPhotoLibrariesExtensions() + apertureLibrariesExtensions();
}

bool KTImageSourcesWindowController::isPathExternalLibraryPath(const QString &path)
{
    return hasExtensionIn(path, externalLibrariesExtensions());
}

QString KTImageSourcesWindowController::userHomeDirectory()
{
    return QDir::cleanPath(QDir::homePath());
}

KTImageStorage *KTImageSourcesWindowController::imageStorage() const
{
    return m_imageStorage;
}

void KTImageSourcesWindowController::setImageStorage(KTImageStorage *storage)
{
    m_imageStorage = storage;
}

void KTImageSourcesWindowController::reset()
{
    assertMainThread();
    // A node chosen before the reset must not join the next session.
    for (const PendingImagesList &pending : std::as_const(m_loadImagesListOperations))
        pending.operation->cancel();
    m_loadImagesListOperations.clear();
    if (m_wantsToStartSession)
        endLoadingTask();
    m_externalApplicationsImagesMutable.clear();
    m_imageSourcesMutable.clear();
    m_externalSourcesPathes.clear();
    m_externalItemsCount = 0;
    sourcesDidChange();
}

void KTImageSourcesWindowController::addPaths(const QStringList &paths)
{
    Q_ASSERT_X(!paths.isEmpty(), "KTImageSourcesWindowController::addPaths", "Paths array is empty");
    if (paths.size() == 1 && isPathExternalLibraryPath(paths.first()) && QFileInfo::exists(paths.first()) &&
        m_imageSourcesMutable.isEmpty()) {
        showIMediaBrowserWithPath(paths.first());
        return;
    }
    addFolderPaths(paths);
}

QStringList KTImageSourcesWindowController::sessionFolders() const
{
    QStringList folders;
    for (const QString &source : m_imageSourcesMutable) {
        if (!m_externalSourcesPathes.contains(source) &&
            !m_externalApplicationsImagesMutable.contains(source))
            folders.append(source);
    }
    return folders;
}

KTImageSourcesWindowController::Choice KTImageSourcesWindowController::choice() const
{
    return {m_imageSourcesMutable, m_externalApplicationsImagesMutable, m_externalSourcesPathes,
            m_externalItemsCount};
}

void KTImageSourcesWindowController::restoreChoice(const Choice &choice)
{
    assertMainThread();
    m_imageSourcesMutable = choice.sources;
    m_externalApplicationsImagesMutable = choice.externalApplicationsImages;
    m_externalSourcesPathes = choice.externalSourcesPathes;
    m_externalItemsCount = choice.externalItemsCount;
    sourcesDidChange();
}

void KTImageSourcesWindowController::hideIMediaBrowser()
{
    if (isCatalogBrowserVisible())
        m_catalogBrowser->hideWindow();
}

QString KTImageSourcesWindowController::displayTextForSource(const QString &source) const
{
    const auto external = m_externalSourcesPathes.constFind(source);
    if (external != m_externalSourcesPathes.cend())
        return external.value();
    const QString home = userHomeDirectory();
    if (m_doesNotDisplayUserHomeDirectory && isInsideHome(source, home) && home != QLatin1String("/"))
        return QStringLiteral("~") + source.mid(home.size());
    return source;
}

KTCatalogBrowser &KTImageSourcesWindowController::catalogBrowser()
{
    if (!m_catalogBrowser) {
        m_catalogBrowser = new KTCatalogBrowser;
        m_catalogBrowser->setDelegate(this);
    }
    return *m_catalogBrowser;
}

bool KTImageSourcesWindowController::isCatalogBrowserVisible() const
{
    return m_catalogBrowser && m_catalogBrowser->isWindowVisible();
}

// ---- Actions ----

void KTImageSourcesWindowController::onAddSources()
{
    assertMainThread();
    hideIMediaBrowser();
    m_window->addCatalogButton()->setButtonEnabled(false);
    KTOpenPanelOptions options;
    options.title = tr("Add Folders");
    options.prompt = tr("Add");
    options.canChooseFiles = false;
    options.canChooseDirectories = true;
    options.allowsMultipleSelection = true;
    const QString last =
        KTUserDefaults::standardUserDefaults().stringForKey(kImageSourcesLastOpenedSourceKey);
    options.directory = !last.isEmpty() && QFileInfo(last).isDir() ? last : picturesFolder();
    beginOpenPanel(options, [this](const QStringList &chosen) {
        if (!chosen.isEmpty()) {
            addFolderPaths(chosen);
            KTUserDefaults &defaults = KTUserDefaults::standardUserDefaults();
            defaults.setObject(chosen.first(), kImageSourcesLastOpenedSourceKey);
            defaults.synchronize();
        }
    });
}

void KTImageSourcesWindowController::onAddCatalog()
{
    assertMainThread();
    m_externalItemsCount = 0;
    hideIMediaBrowser();
    m_window->addFolderButton()->setButtonEnabled(false);
    KTOpenPanelOptions options;
    options.title = tr("Open Catalog");
    options.prompt = tr("Open");
    options.canChooseFiles = true;
    options.allowsMultipleSelection = false;
    options.packageExtensions = iPhotoLibrariesExtensions() + apertureLibrariesExtensions();
    options.directory = picturesFolder();
    const QStringList recent = recentCatalogsPaths();
    if (!recent.isEmpty()) {
        const QFileInfo last(recent.last());
        if (last.exists())
            options.directory = last.absolutePath();
    }
    QStringList patterns;
    for (const QString &extension : externalLibrariesExtensions())
        patterns.append(QStringLiteral("*.") + extension);
    options.nameFilters = {tr("Catalogs and libraries (%1)").arg(patterns.join(QLatin1Char(' '))),
                           tr("All Files (*)")};
    beginOpenPanel(options, [this](const QStringList &chosen) {
        if (chosen.isEmpty())
            return;
        hideIMediaBrowser();
        const QString path = chosen.first();
        // "All Files" lets anything be chosen: only a catalogue opens.
        if (!isPathExternalLibraryPath(path)) {
            showRefusals({tr("“%1” is not a catalog or library that Vireoscope can open.").arg(path)});
            return;
        }
        QPointer<KTImageSourcesWindowController> self(this);
        postToMain([self, path] {
            if (self)
                self->showIMediaBrowserWithPath(path);
        });
    });
}

void KTImageSourcesWindowController::beginOpenPanel(const KTOpenPanelOptions &options,
                                                    std::function<void(const QStringList &)> done)
{
    cancelOpenPanel();
    QPointer<KTImageSourcesWindowController> self(this);
    m_openPanel = KTOpenPanelPresenter::shared().beginSheet(
        m_window, options, [self, done = std::move(done)](const QStringList &chosen) {
            if (!self)
                return;
            done(chosen);
            self->m_openPanel.reset();
            self->validateOpenButtons();
        });
}

void KTImageSourcesWindowController::cancelOpenPanel()
{
    if (std::shared_ptr<KTOpenPanel> panel = std::exchange(m_openPanel, nullptr))
        panel->cancel();
}

void KTImageSourcesWindowController::onOpenRecentCatalog()
{
    assertMainThread();
    QMenu menu;
    menu.setTitle(QString());
    QAction *last = nullptr;
    for (const QString &path : recentCatalogsPaths()) {
        last = menu.addAction(path);
        last->setData(path);
    }
    if (!last)
        return;
    KTSButton *button = m_window->openRecentCatalogButton();
    // The most recent catalogue (the last item) lies over the button's top-left corner.
    QAction *chosen = KTMenuPresenter::popUp(&menu, button->mapToGlobal(QPoint(0, 0)), last);
    if (chosen)
        openRecentCatalog(chosen->data().toString());
}

void KTImageSourcesWindowController::openRecentCatalog(const QString &path)
{
    hideIMediaBrowser();
    if (!QFileInfo::exists(path)) {
        showAlert(tr("Catalog was not found"), tr("Please choose different catalog"));
        return;
    }
    showIMediaBrowserWithPath(path);
}

void KTImageSourcesWindowController::onDeleteSources()
{
    assertMainThread();
    QList<int> rows = m_window->tableView()->selectedRowIndexes();
    // From the last row up, so each removal hits the row that was selected.
    std::sort(rows.begin(), rows.end(), std::greater<>());
    for (const int row : std::as_const(rows)) {
        if (row >= 0 && row < m_imageSourcesMutable.size())
            removeSource(m_imageSourcesMutable.at(row));
    }
    if (!rows.isEmpty())
        sourcesDidChange();
    finishLoadingWhenListsArrived();
}

void KTImageSourcesWindowController::removeSource(const QString &source)
{
    m_imageSourcesMutable.removeAll(source);
    m_externalApplicationsImagesMutable.remove(source);
    if (m_externalSourcesPathes.remove(source) && m_externalSourcesPathes.isEmpty())
        m_externalItemsCount = 0;
    const auto pending = m_loadImagesListOperations.constFind(source);
    if (pending != m_loadImagesListOperations.cend()) {
        pending->operation->cancel();
        m_loadImagesListOperations.erase(pending);
    }
}

void KTImageSourcesWindowController::onStartSession()
{
    assertMainThread();
    m_window->setWindowOpacity(1.0);
    if (m_imageSourcesMutable.isEmpty())
        return;
    hideIMediaBrowser();

    if (!m_loadImagesListOperations.isEmpty()) {
        for (PendingImagesList &pending : m_loadImagesListOperations) {
            if (!pending.isQueued) {
                pending.isQueued = true;
                loadingImagesListOperationQueue().addOperation(pending.operation);
            }
        }
        m_window->setWindowOpacity(0.0);
        const bool alreadyWaiting = std::exchange(m_wantsToStartSession, true);
        if (alreadyWaiting)
            return;
        if (m_showsTimeLabelHandler)
            m_showsTimeLabelHandler(false);
        KTTasksNotifier::sharedNotifier().taskDidStart(kLoadingImagesFromCatalogTaskName, this,
                                                       KTTaskDidStartInfo::cancelable());
        return;
    }

    // The list stays as it is: the delegate closes the window once the session has started, and
    // a start it refuses (too little disk space, the count cancelled) leaves the user's choice.
    m_shouldGenerateThumbnails = true;
    if (KTImageSourcesWindowControllerDelegate *delegate = m_delegate.get())
        delegate->imageSourcesWindowControllerWantsToStartSession(this);
}

void KTImageSourcesWindowController::onCloseWindow()
{
    // The user turned away from the window: image lists that arrive later start nothing.
    cancelCurrentTask();
    if (KTImageSourcesWindowControllerDelegate *delegate = m_delegate.get())
        delegate->imageSourcesWindowControllerWantsToCloseWindow(this);
}

void KTImageSourcesWindowController::onHelp()
{
    if (m_helpHandler)
        m_helpHandler();
}

void KTImageSourcesWindowController::cancelCurrentTask()
{
    assertMainThread();
    if (!m_wantsToStartSession)
        return;
    endLoadingTask();
}

void KTImageSourcesWindowController::endLoadingTask()
{
    m_wantsToStartSession = false;
    m_window->setWindowOpacity(1.0);
    if (m_showsTimeLabelHandler)
        m_showsTimeLabelHandler(true);
    KTTasksNotifier::sharedNotifier().taskDidFinish(kLoadingImagesFromCatalogTaskName, this);
}

// ---- Recent catalogues and the browser ----

QStringList KTImageSourcesWindowController::recentCatalogsPaths()
{
    return KTUserDefaults::standardUserDefaults().stringArrayForKey(kRecentCatalogKey);
}

void KTImageSourcesWindowController::addCatalogPathToRecent(const QString &path)
{
    QStringList recent = recentCatalogsPaths();
    recent.removeAll(path);
    recent.append(path);
    KTUserDefaults::standardUserDefaults().setObject(recent, kRecentCatalogKey);
}

void KTImageSourcesWindowController::showIMediaBrowserWithPath(const QString &path)
{
    assertMainThread();
    if (path.isEmpty())
        return;
    addCatalogPathToRecent(path);
    if (hasExtensionIn(path, lightroomLibrariesExtensions())) {
        // The statements of the sync fit only the schemas of Lightroom 4 and 5, so the catalogue's
        // own version table decides.
        QString reason;
        const int major = KTExternalImagesManager::lighroomCatalogMajorVersionFromPath(path, &reason);
        if (major != 4 && major != 5) {
            const QString why =
                major > 0
                    ? tr("“%1” was made by Lightroom %2. Only catalogs of Lightroom 4 and 5 can be opened.")
                          .arg(path)
                          .arg(major)
                : !reason.isEmpty() ? tr("The catalog “%1” cannot be read: %2").arg(path, reason)
                                    : tr("“%1” names no Lightroom version, so it is not a catalog of "
                                         "Lightroom 4 or 5.")
                                          .arg(path);
            showAlert(tr("Your version of Lightroom catalog is not supported."), why);
            return;
        }
    }
    m_addedCatalogPath = path;
    KTCatalogBrowser &browser = catalogBrowser();
    browser.clear();
    browser.setDelegate(this);
    browser.showWindow(m_window);
    browser.addCatalogAtPath(path);
}

void KTImageSourcesWindowController::catalogBrowserWillPopulateNode(KTCatalogBrowser *browser,
                                                                    const QString &nodeIdentifier)
{
    m_populatingNodes.insert(nodeIdentifier);
    browser->setImportButtonEnabled(false);
}

void KTImageSourcesWindowController::catalogBrowserDidPopulateNode(KTCatalogBrowser *browser,
                                                                   const QString &nodeIdentifier)
{
    m_populatingNodes.remove(nodeIdentifier);
    if (m_populatingNodes.isEmpty())
        browser->setImportButtonEnabled(true);
}

void KTImageSourcesWindowController::catalogBrowserWantsToAddCurrentNode(KTCatalogBrowser *browser)
{
    browser->hideWindow();
    loadImagesForNode(std::nullopt);
    makeWindowKey();
}

void KTImageSourcesWindowController::catalogBrowserWillClose(KTCatalogBrowser *)
{
    makeWindowKey();
}

void KTImageSourcesWindowController::loadImagesForNode(const std::optional<KTCatalogNode> &node)
{
    assertMainThread();
    KTCatalogBrowser &browser = catalogBrowser();
    const std::optional<KTCatalogNode> chosen = node ? node : browser.currentNode();
    if (!chosen || chosen->identifier.isEmpty() || m_imageSourcesMutable.contains(chosen->identifier))
        return;
    const QString displayPath = KTSessionSources::sourcePathFromTopLevelNodeName(
        browser.topLevelNodeName(*chosen), chosen->name, KTCatalogBrowser::importSourceFromNode(*chosen));
    if (const QString refusal = refusalOfCatalogNode(displayPath); !refusal.isEmpty()) {
        showRefusals({refusal});
        return;
    }
    const QString identifier = chosen->identifier;
    m_externalItemsCount = chosen->countOfBindableObjects;
    // The display path goes in first, so the row shows it from the start.
    m_externalSourcesPathes.insert(identifier, displayPath);
    addSourcePaths({identifier});
    validateOpenButtons();

    // The completion learns its own operation, so a list whose node left the list is dropped.
    auto operationOfList = std::make_shared<std::weak_ptr<KTOperation>>();
    QPointer<KTImageSourcesWindowController> self(this);
    std::shared_ptr<KTOperation> operation = browser.createOperationForLoadImagesListFromNodeIdentifier(
        identifier, [self, identifier, operationOfList](const QVariantMap &imagesList) {
            postToMain([self, identifier, operationOfList, imagesList] {
                if (self)
                    self->imagesListDidLoad(identifier, operationOfList->lock(), imagesList);
            });
        });
    *operationOfList = operation;
    m_loadImagesListOperations.insert(identifier, PendingImagesList{operation});
}

void KTImageSourcesWindowController::imagesListDidLoad(const QString &nodeIdentifier,
                                                       const std::shared_ptr<KTOperation> &operation,
                                                       const QVariantMap &imagesList)
{
    const auto pending = m_loadImagesListOperations.constFind(nodeIdentifier);
    if (pending == m_loadImagesListOperations.cend() || !operation || pending->operation != operation)
        return;
    m_loadImagesListOperations.erase(pending);

    // A node that cannot be read or holds nothing leaves the list: a session of it would be empty.
    QString problem;
    const QString shownName = displayTextForSource(nodeIdentifier);
    if (imagesList.isEmpty())
        problem = tr("The images of “%1” could not be read from its catalog.").arg(shownName);
    else if (imagesList.value(kImagesArrayKey).toList().isEmpty())
        problem = tr("“%1” holds no images.").arg(shownName);
    if (problem.isEmpty()) {
        addSourcesFromExternalApplicationImagesDictionary(imagesList);
    } else {
        removeSource(nodeIdentifier);
        sourcesDidChange();
    }
    finishLoadingWhenListsArrived();
    if (!problem.isEmpty())
        showAlert(problem, tr("Choose another folder, collection or project of the catalog."));
}

void KTImageSourcesWindowController::finishLoadingWhenListsArrived()
{
    if (!m_wantsToStartSession || !m_loadImagesListOperations.isEmpty())
        return;
    endLoadingTask();
    onStartSession();
}

void KTImageSourcesWindowController::addSourcePaths(const QStringList &paths)
{
    assertMainThread();
    for (const QString &path : paths) {
        if (!path.isEmpty() && !m_imageSourcesMutable.contains(path))
            m_imageSourcesMutable.append(path);
    }
    sourcesDidChange();
    makeWindowKey();
}

void KTImageSourcesWindowController::addSourcesFromExternalApplicationImagesDictionary(
    const QVariantMap &imagesList)
{
    Q_ASSERT_X(!imagesList.isEmpty(), "KTImageSourcesWindowController",
               "Cannot add external application sources from empty dictionary");
    const QString identifier = KTSessionSources::sourceIdFromExternalApplicationImages(imagesList);
    m_externalApplicationsImagesMutable.insert(identifier, imagesList);
    addSourcePaths({identifier});
}

// ---- Validation ----

void KTImageSourcesWindowController::sourcesDidChange()
{
    checkForDoesNotDisplayUserHomeDirectory();
    m_window->tableView()->reloadData();
    validateStartButton();
    validateOpenButtons();
    validateNoSourcesText();
}

void KTImageSourcesWindowController::checkForDoesNotDisplayUserHomeDirectory()
{
    const QString home = userHomeDirectory();
    m_doesNotDisplayUserHomeDirectory =
        std::all_of(m_imageSourcesMutable.cbegin(), m_imageSourcesMutable.cend(),
                    [&home](const QString &source) { return isInsideHome(source, home); });
}

void KTImageSourcesWindowController::validateOpenButtons()
{
    const bool hasCatalogNode = !m_externalSourcesPathes.isEmpty();
    const bool hasSources = !m_imageSourcesMutable.isEmpty();
    m_window->openRecentCatalogButton()->setButtonEnabled(!hasSources && !hasCatalogNode &&
                                                          !recentCatalogsPaths().isEmpty());
    m_window->addCatalogButton()->setButtonEnabled(!hasSources && !hasCatalogNode);
    m_window->addFolderButton()->setButtonEnabled(!hasCatalogNode);
}

void KTImageSourcesWindowController::validateStartButton()
{
    m_window->startSessionButton()->setButtonEnabled(!m_imageSourcesMutable.isEmpty());
}

void KTImageSourcesWindowController::validateNoSourcesText()
{
    m_window->noSourcesTextField()->setHidden(!m_imageSourcesMutable.isEmpty());
}

void KTImageSourcesWindowController::makeWindowKey()
{
    if (m_window->isVisible())
        m_window->activateWindow();
}

KTOperationQueue &KTImageSourcesWindowController::loadingImagesListOperationQueue()
{
    if (!m_loadingImagesListOperationQueue) {
        m_loadingImagesListOperationQueue = std::make_unique<KTOperationQueue>();
        // One list at a time, whatever the application's activity says.
        m_loadingImagesListOperationQueue->prepareForDeleting();
        m_loadingImagesListOperationQueue->setMaxConcurrentOperationCount(1);
    }
    return *m_loadingImagesListOperationQueue;
}

// ---- Table ----

int KTImageSourcesWindowController::numberOfRowsInTableView(KTSourcesTableView *)
{
    return int(m_imageSourcesMutable.size());
}

KTSourceCell KTImageSourcesWindowController::tableViewCellForRow(KTSourcesTableView *, int row)
{
    KTSourceCell cell;
    if (row < 0 || row >= m_imageSourcesMutable.size())
        return cell;
    cell.text = displayTextForSource(m_imageSourcesMutable.at(row));
    const QString lower = cell.text.toLower();
    cell.imageName = lower.contains(QLatin1String("aperture"))    ? QStringLiteral("source_aperture")
                     : lower.contains(QLatin1String("iphoto"))    ? QStringLiteral("source_iphoto")
                     : lower.contains(QLatin1String("lightroom")) ? QStringLiteral("source_lightroom")
                                                                  : QStringLiteral("source_folder");
    return cell;
}

// ---- Drops ----

void KTImageSourcesWindowController::addFolderPaths(const QStringList &paths)
{
    QStringList folders;
    QStringList refusals;
    for (const QString &path : paths) {
        const QString refusal = refusalOfFolderPath(path);
        if (refusal.isEmpty())
            folders.append(path);
        else
            refusals.append(refusal);
    }
    if (!folders.isEmpty())
        addSourcePaths(folders);
    if (!refusals.isEmpty())
        showRefusals(refusals);
}

QString KTImageSourcesWindowController::refusalOfFolderPath(const QString &path) const
{
    const QFileInfo info(path);
    if (!info.exists())
        return tr("“%1” does not exist.").arg(path);
    if (isPathExternalLibraryPath(path))
        return tr("“%1” is a catalog: a session takes folders, or one catalog on its own.").arg(path);
    if (!info.isDir())
        return tr("“%1” is neither a folder nor a catalog.").arg(path);
    if (!m_externalSourcesPathes.isEmpty())
        return tr("“%1” cannot join the catalog chosen: a session takes folders, or one catalog on its own.")
            .arg(path);
    return {};
}

QString KTImageSourcesWindowController::refusalOfCatalogNode(const QString &displayPath) const
{
    // Start would hand over only the catalogue's images and silently drop the folders.
    if (sessionFolders().isEmpty())
        return {};
    if (displayPath.isEmpty())
        return tr("A catalog cannot join the folders chosen: a session takes folders, or one catalog on "
                  "its own.");
    return tr("“%1” cannot join the folders chosen: a session takes folders, or one catalog on its own.")
        .arg(displayPath);
}

void KTImageSourcesWindowController::showRefusals(const QStringList &refusals)
{
    showAlert(refusals.size() == 1
                  ? tr("This item cannot be added to the sources.")
                  : tr("These %n items cannot be added to the sources.", nullptr, int(refusals.size())),
              refusals.join(QLatin1Char('\n')));
}

bool KTImageSourcesWindowController::canReadDataFromPasteboard(const QMimeData *pasteboard)
{
    if (!pasteboard || !refusalOfPasteboard(pasteboard).isEmpty())
        return false;
    if (pasteboard->hasFormat(kImageListPasteboardType) ||
        pasteboard->hasFormat(kNodeIdentifierPasteboardType))
        return true;
    return pasteboard->hasUrls() && !localPaths(pasteboard).isEmpty();
}

QString KTImageSourcesWindowController::refusalOfPasteboard(const QMimeData *pasteboard)
{
    if (!pasteboard)
        return {};
    if (!m_populatingNodes.isEmpty())
        return tr("Wait until the catalog has been read.");
    if (pasteboard->hasFormat(kImageListPasteboardType) ||
        pasteboard->hasFormat(kNodeIdentifierPasteboardType))
        return refusalOfCatalogNode();
    if (!pasteboard->hasUrls())
        return {};
    if (isCatalogBrowserVisible())
        return tr("Close the catalog browser to add folders.");
    const QStringList paths = localPaths(pasteboard);
    if (paths.isEmpty())
        return {};
    if (m_imageSourcesMutable.isEmpty() && paths.size() == 1 && isPathExternalLibraryPath(paths.first()) &&
        m_window->addCatalogButton()->isButtonEnabled()) {
        return {};
    }
    // A catalogue among other items, or over a list that is not empty, is refused as a whole.
    for (const QString &path : paths) {
        if (isPathExternalLibraryPath(path))
            return paths.size() == 1 ? refusalOfFolderPath(path)
                                     : tr("A session takes folders, or one catalog on its own.");
    }
    if (!m_window->addFolderButton()->isButtonEnabled())
        return tr("Folders cannot join the catalog chosen: a session takes folders, or one catalog on its "
                  "own.");
    // Nothing to take at all: say why for the first item.
    const auto usable = std::find_if(paths.cbegin(), paths.cend(), [this](const QString &path) {
        return refusalOfFolderPath(path).isEmpty();
    });
    return usable == paths.cend() ? refusalOfFolderPath(paths.first()) : QString();
}

void KTImageSourcesWindowController::readDataFromPasteboard(const QMimeData *pasteboard)
{
    if (!pasteboard)
        return;
    if (pasteboard->hasFormat(kImageListPasteboardType)) {
        loadImagesForNode(std::nullopt);
        return;
    }
    if (pasteboard->hasFormat(kNodeIdentifierPasteboardType)) {
        const QString identifier = QString::fromUtf8(pasteboard->data(kNodeIdentifierPasteboardType));
        if (const std::optional<KTCatalogNode> node = catalogBrowser().nodeWithIdentifier(identifier))
            loadImagesForNode(node);
        return;
    }
    if (!pasteboard->hasUrls() || isCatalogBrowserVisible())
        return;
    const QStringList paths = localPaths(pasteboard);
    if (paths.isEmpty())
        return;
    if (paths.size() == 1 && isPathExternalLibraryPath(paths.first()) && m_imageSourcesMutable.isEmpty() &&
        m_window->addCatalogButton()->isButtonEnabled()) {
        cancelOpenPanel();
        hideIMediaBrowser();
        validateOpenButtons();
        const QString path = paths.first();
        QPointer<KTImageSourcesWindowController> self(this);
        postToMain([self, path] {
            if (self)
                self->showIMediaBrowserWithPath(path);
        });
        return;
    }
    if (m_window->addFolderButton()->isButtonEnabled() && !isPathExternalLibraryPath(paths.first()))
        addFolderPaths(paths);
}
