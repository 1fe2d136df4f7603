#pragma once

#include "KTCatalogBrowserDelegate.h"
#include "KTCatalogReader.h"
#include "KTDropViewDelegate.h"
#include "KTImageSourcesWindowControllerDelegate.h"
#include "KTSourcesTableDataSource.h"
#include "KTWeakDelegate.h"

#include "KTCancelTaskProtocol.h"
#include "KTNotificationCenter.h"

#include <QHash>
#include <QMap>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QStringList>
#include <QVariantMap>

#include <functional>
#include <memory>
#include <optional>

class KTCatalogBrowser;
class KTImageSourcesWindow;
class KTImageStorage;
class KTOpenPanel;
class KTOperation;
class KTOperationQueue;
struct KTOpenPanelOptions;

/// User-default keys of the sources window: the first folder of the last Add Folder choice
/// (where the folder panel opens), and the catalogues opened in the browser, oldest first.
inline const QString kImageSourcesLastOpenedSourceKey = QStringLiteral("KTImageSourcesLastOpenedSource");
inline const QString kRecentCatalogKey = QStringLiteral("kRecentCatalog");

/// Runs the window in which the user chooses the sources of a new session: folders, or one node
/// (a folder, collection or project) of an external catalogue chosen in the catalogue browser.
/// It keeps the list of sources and shows it in the table, loads the image list of a chosen
/// catalogue node, and, on Start, hands everything to its delegate (the main window), which
/// starts the session in the catalogue.
///
/// The source list holds either folders or one catalogue node: once a node is chosen the three
/// open buttons are off until it is deleted; once folders are chosen the catalogue buttons are,
/// and a node dragged from the browser is refused. Whatever the window is handed and cannot take
/// (a path that does not exist, a file that is neither a folder nor a catalogue, a catalogue with
/// folders, a catalogue of another version) is named to the user with the reason; a drag it
/// cannot take shows the reason in the drop area instead.
///
/// A chosen node's image list is read only when Start is pressed: the window then turns
/// transparent, the cancelable task "Loading images from catalog" runs (sender: this
/// controller, cancelled through cancelCurrentTask() or by closing the window), and Start runs
/// again when the last list has arrived. A node whose list cannot be read, or holds no images, is
/// taken off the list with a word to the user, so Start never begins an empty catalogue session.
/// Start leaves the list as it is: the delegate closes the window once the session has started,
/// and a start it refuses finds the window as the user left it.
///
/// Seams: open panels go through KTOpenPanelPresenter, alerts through KTAlertPresenter, the
/// recent-catalogues menu through KTMenuPresenter; the main window installs the help handler
/// and the progress sheet's time-label switch.
///
/// Threading: main thread only. Image lists are read on the controller's own queue, one at a
/// time; their completions come back through the main queue and are dropped when their node has
/// left the list (deleted, or the window was reset). Destroying the controller cancels pending
/// lists and waits for a list being read to end.
class KTImageSourcesWindowController : public QObject,
                                       public KTCancelTaskProtocol,
                                       public KTDropViewDelegate,
                                       public KTSourcesTableDataSource,
                                       public KTCatalogBrowserDelegate
{
    Q_OBJECT
public:
    /// The window is made as a window of its own above `parentWindow` (the main window), which
    /// then owns it; without one the controller does. Either way the controller deletes it when
    /// it goes first.
    explicit KTImageSourcesWindowController(QWidget *parentWindow = nullptr, QObject *parent = nullptr);
    ~KTImageSourcesWindowController() override;

    /// "lrcat", "lrdb", "aglib"; "photolibrary"; "aplibrary"; and the three joined in that order.
    static QStringList lightroomLibrariesExtensions();
    static QStringList iPhotoLibrariesExtensions();
    static QStringList apertureLibrariesExtensions();
    static QStringList externalLibrariesExtensions();
    /// Whether the path's extension (any case) is one of externalLibrariesExtensions(); false
    /// for an empty path.
    static bool isPathExternalLibraryPath(const QString &path);

    /// The user's home folder, which the table shows as "~".
    static QString userHomeDirectory();

    /// The window; it goes with its parent window, or with the controller.
    KTImageSourcesWindow *window() const;

    /// The session catalogue, set by the main window; not owned.
    KTImageStorage *imageStorage() const;
    void setImageStorage(KTImageStorage *storage);
    /// Not owned (see KTImageSourcesWindowControllerDelegate).
    KTImageSourcesWindowControllerDelegate *delegate() const { return m_delegate.get(); }
    void setDelegate(KTImageSourcesWindowControllerDelegate *delegate) { m_delegate = delegate; }

    /// Where Help goes (the main window's help); nothing without one.
    void setHelpHandler(std::function<void()> handler) { m_helpHandler = std::move(handler); }
    /// Switches the progress sheet's remaining-time label: off while image lists load, on again
    /// after. Nothing without one.
    void setShowsTimeLabelHandler(std::function<void(bool shows)> handler)
    {
        m_showsTimeLabelHandler = std::move(handler);
    }

    /// Empties the source list, the image lists and the display paths, cancels and drops the
    /// image lists not yet read (ending a start that waits for them), and brings the window's
    /// texts and buttons up to date. Sent each time the window is shown.
    void reset();
    /// Paths dropped on the application or given at start (non-empty; asserted): one catalogue
    /// path opens the browser on it while the list is empty; otherwise the folders among them
    /// become sources, and every other path is named to the user with the reason it is left out.
    void addPaths(const QStringList &paths);
    /// Hides the catalogue browser's panel when it is shown. Sent when the window closes.
    void hideIMediaBrowser();

    /// The sources in table order: folder paths, or a catalogue node's identifier.
    QStringList imageSources() const { return m_imageSourcesMutable; }
    /// The folder sources a session starts with: imageSources() without the catalogue nodes
    /// (whose image lists go in externalApplicationsImages()).
    QStringList sessionFolders() const;
    /// The loaded image list of each chosen catalogue node, by node identifier.
    QVariantMap externalApplicationsImages() const { return m_externalApplicationsImagesMutable; }
    /// The number of images of the chosen catalogue node; 0 without one.
    qint64 externalItemsCount() const { return m_externalItemsCount; }
    bool shouldGenerateThumbnails() const { return m_shouldGenerateThumbnails; }
    /// Start was pressed and waits for image lists.
    bool wantsToStartSession() const { return m_wantsToStartSession; }
    bool doesNotDisplayUserHomeDirectory() const { return m_doesNotDisplayUserHomeDirectory; }
    /// The catalogue nodes whose children the browser is reading now.
    QSet<QString> populatingNodes() const { return m_populatingNodes; }
    /// The chosen catalogue nodes whose image list has not arrived yet.
    QStringList pendingImageListNodes() const { return m_loadImagesListOperations.keys(); }
    /// The text a source's row shows: a catalogue node's display path, or the folder's path with
    /// the home folder as "~" when every source lies in it.
    QString displayTextForSource(const QString &source) const;
    /// The catalogue path last opened in the browser.
    QString addedCatalogPath() const { return m_addedCatalogPath; }

    /// What the user has chosen: the sources with their image lists and display paths. Taken at
    /// Start, it lets a session that did not go through give the window back as it was.
    struct Choice
    {
        QStringList sources;
        QVariantMap externalApplicationsImages;
        QHash<QString, QString> externalSourcesPathes;
        qint64 externalItemsCount = 0;
    };
    Choice choice() const;
    /// Replaces the list with `choice` (after a reset(): image lists not read yet are not kept).
    void restoreChoice(const Choice &choice);

    /// The catalogue browser, made on first use.
    KTCatalogBrowser &catalogBrowser();
    bool isCatalogBrowserLoaded() const { return m_catalogBrowser != nullptr; }

    // ---- Actions of the window's controls ----
    /// Add Folder: a folder panel taking several folders; the chosen ones are added.
    void onAddSources();
    /// Add Catalog: a panel taking one catalogue; the browser opens on it.
    void onAddCatalog();
    /// Recent Catalogs: a menu of the recent catalogues, the most recent at the button.
    void onOpenRecentCatalog();
    /// Removes the selected sources with their image lists and pending reads.
    void onDeleteSources();
    /// Start (see the class comment).
    void onStartSession();
    /// Close: a start that waits for image lists is withdrawn, then the delegate closes the window.
    void onCloseWindow();
    void onHelp();

    // ---- Recent catalogues ----
    /// The paths under "kRecentCatalog", or none.
    static QStringList recentCatalogsPaths();
    /// Moves (or adds) the path to the end of the list.
    static void addCatalogPathToRecent(const QString &path);
    /// A recent catalogue chosen from the menu: the browser opens on it, or the user is told
    /// that it is gone (it stays in the list).
    void openRecentCatalog(const QString &path);

    /// Opens the browser on a catalogue (nothing for an empty path) after adding it to the recent
    /// list. A Lightroom catalogue must be of version 4 or 5 by its own version table; any other
    /// is refused with its path and the reason.
    void showIMediaBrowserWithPath(const QString &path);
    /// Chooses a catalogue node (none: the browser's current node): it joins the list with its
    /// display path and its image list is prepared, to be read at Start. Refused, with a word to
    /// the user, while the list holds folders.
    void loadImagesForNode(const std::optional<KTCatalogNode> &node);
    /// Appends the paths not yet in the list, then refreshes the table and the buttons.
    void addSourcePaths(const QStringList &paths);
    /// Stores a loaded image list (non-empty; asserted) under its "nodeId".
    void addSourcesFromExternalApplicationImagesDictionary(const QVariantMap &imagesList);

    void checkForDoesNotDisplayUserHomeDirectory();
    void validateOpenButtons();

    // KTCancelTaskProtocol: ends a start that waits for image lists; lists still arriving are
    // kept, and no session starts.
    void cancelCurrentTask() override;

    // KTDropViewDelegate
    bool canReadDataFromPasteboard(const QMimeData *pasteboard) override;
    void readDataFromPasteboard(const QMimeData *pasteboard) override;
    QString refusalOfPasteboard(const QMimeData *pasteboard) override;

    // KTSourcesTableDataSource
    int numberOfRowsInTableView(KTSourcesTableView *tableView) override;
    KTSourceCell tableViewCellForRow(KTSourcesTableView *tableView, int row) override;

    // KTCatalogBrowserDelegate
    void catalogBrowserWillPopulateNode(KTCatalogBrowser *browser, const QString &nodeIdentifier) override;
    void catalogBrowserDidPopulateNode(KTCatalogBrowser *browser, const QString &nodeIdentifier) override;
    void catalogBrowserWantsToAddCurrentNode(KTCatalogBrowser *browser) override;
    void catalogBrowserWillClose(KTCatalogBrowser *browser) override;

private:
    struct PendingImagesList
    {
        std::shared_ptr<KTOperation> operation;
        bool isQueued = false;
    };

    void imagesListDidLoad(const QString &nodeIdentifier, const std::shared_ptr<KTOperation> &operation,
                           const QVariantMap &imagesList);
    /// Ends a start that waited for image lists once none is left, and runs Start again.
    void finishLoadingWhenListsArrived();
    void endLoadingTask();
    void removeSource(const QString &source);
    void sourcesDidChange();
    void validateStartButton();
    void validateNoSourcesText();
    void beginOpenPanel(const KTOpenPanelOptions &options, std::function<void(const QStringList &)> done);
    void cancelOpenPanel();
    void makeWindowKey();
    bool isCatalogBrowserVisible() const;
    KTOperationQueue &loadingImagesListOperationQueue();
    /// Adds the folders among `paths` and names the others to the user with the reason.
    void addFolderPaths(const QStringList &paths);
    /// Why `path` cannot join the list as a folder source; empty when it can.
    QString refusalOfFolderPath(const QString &path) const;
    /// Why a catalogue node (shown as `displayPath`, when known) cannot join the list now; empty
    /// when it can.
    QString refusalOfCatalogNode(const QString &displayPath = {}) const;
    /// One alert listing the refused items, each with its reason.
    void showRefusals(const QStringList &refusals);

    QPointer<KTImageSourcesWindow> m_window;
    QStringList m_imageSourcesMutable;
    QVariantMap m_externalApplicationsImagesMutable;
    QHash<QString, QString> m_externalSourcesPathes;
    QMap<QString, PendingImagesList> m_loadImagesListOperations;
    std::unique_ptr<KTOperationQueue> m_loadingImagesListOperationQueue;
    QSet<QString> m_populatingNodes;
    std::shared_ptr<KTOpenPanel> m_openPanel;
    qint64 m_externalItemsCount = 0;
    bool m_wantsToStartSession = false;
    bool m_shouldGenerateThumbnails = false;
    bool m_doesNotDisplayUserHomeDirectory = true;
    QPointer<KTImageStorage> m_imageStorage;
    KTWeakDelegate<KTImageSourcesWindowControllerDelegate> m_delegate;
    KTCatalogBrowser *m_catalogBrowser = nullptr;
    QString m_addedCatalogPath;
    std::function<void()> m_helpHandler;
    std::function<void(bool)> m_showsTimeLabelHandler;
    KTObserverToken m_deleteSourceObserver;
};
