#pragma once

#include "KTImageListViewDelegate.h"
#include "KTModeActions.h"
#include "KTModeSelection.h"
#include "KTModeShareActions.h"
#include "KTModeViewSettings.h"
#include "KTNotificationCenter.h"
#include "KTSortDescriptor.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <vector>

class KTAbstractButton;
class KTBadgeButton;
class KTBaseUIModeController;
class KTButton;
class KTExifViewController;
class KTImageInfoView;
class KTImageMO;
class KTImageNavigationView;
class KTImageStorage;
class KTImageView;
class KTLevelIndicator;
class KTModeChrome;
class KTModeToolbar;
class KTOperationQueue;
class KTResizablePopUpButton;
class KTSortDescriptor;
class KTUserDefaults;
class KTZoomProtocol;
class KTZoomSlider;
class QBoxLayout;
class QKeyEvent;
class QMenu;
class QWidget;

// Sub-modes of a review mode: which of its views is on screen. The group modes (similar groups,
// timeline) use the first four, the list modes (picks, rejects) "List" and "Image". The main
// window maps them to the View menu's tags: "Groups" and "List" 214, "Group" 215, "Image" 216,
// "Compare" 217.
inline const QString kUIModeGroups = QStringLiteral("Groups");
inline const QString kUIModeGroup = QStringLiteral("Group");
inline const QString kUIModeImage = QStringLiteral("Image");
inline const QString kUIModeCompare = QStringLiteral("Compare");
inline const QString kUIModeList = QStringLiteral("List");

// Keys of a group record of the group modes: its image records in the mode's order, the group
// object and its size.
inline const QString kImagesKey = QStringLiteral("Images");
inline const QString kGroupKey = QStringLiteral("Group");
inline const QString kGroupSizeKey = QStringLiteral("GroupSize");

// The ends of the thumbnail zoom (the grids' zoom value and the modes' zoom sliders).
inline constexpr double kMinZoomSliderValue = 0.0;
inline constexpr double kMaxZoomSliderValue = 1.0;

/// Which way a zoom key goes.
enum class KTZoomDirection
{
    In,
    Out,
};

/// What a review mode reports to the main window, its delegate. The modes hold their delegate
/// without owning it.
///
/// Threading: every call on the main thread.
class KTBaseUIModeControllerDelegate
{
public:
    virtual ~KTBaseUIModeControllerDelegate() = default;

    /// A mode starts moving (`deleteOriginals`) or copying `numberOfImages` images with progress;
    /// the main window opens the progress sheet for them. (The modes move and copy through the
    /// catalogue's tasks, so none sends the three moving messages today.)
    virtual void baseUIModeControllerStartedMovingImages(KTBaseUIModeController *controller,
                                                         bool deleteOriginals, qint64 numberOfImages) = 0;
    /// One image of that move or copy is done; the sheet advances by one step.
    virtual void baseUIModeControllerMovedImage(KTBaseUIModeController *controller) = 0;
    /// The move or copy ended; the sheet closes.
    virtual void baseUIModeControllerFinishedMovingImages(KTBaseUIModeController *controller) = 0;
    /// Sent after the mode's sub-mode changed (stored, saved and handed to its info view).
    virtual void controllerDidChangeUIMode(KTBaseUIModeController *controller) = 0;
    /// Sent after the mode reloaded its list of images.
    virtual void imagesListDidChange(KTBaseUIModeController *controller) = 0;
};

/// The base of every review mode: the timeline, the similar groups, the picks, the remaining
/// images and the rejects. The main window makes one of each at start-up (through a factory, so
/// that tests can give it modes of their own), places each mode's view() in its container, shows
/// one mode at a time and sends its commands to the mode on screen.
///
/// What the base holds for every mode:
/// - the list of image records the mode shows (images()), the selection in it (indexes, with one
///   active index) and, for the group modes, the selected group;
/// - the sub-mode (UIMode()), stored per mode;
/// - the view state kept in the user defaults: per mode under "<modeID>_<setting>" ("sortKey",
///   "sortOrder", "isZoomLock", "isNavigationBarVisible", "UIMode"), shared by all modes under the
///   bare name ("imageListZoom", "isExifPanelVisible", "showsExposurePixels"); each with its
///   registered default, read at set-up, written at once on every change, and followed when
///   another mode changes a shared one;
/// - the life cycle by which a hidden mode reloads only when it is next shown (setNeedsReload());
/// - the commands every mode has (pick, zoom pop-up and zoom keys, the space, "g" and "d" keys,
///   the share menu, copy and move to a folder) and the panels and toolbar parts every mode
///   shows (EXIF panel, navigation strip, exposure switch, badges, rating, zoom control).
///
/// The base keeps these in pieces of their own: the list and the selection (KTModeSelection), the
/// view state (KTModeViewSettings), the parts of the screen with their builders (KTModeChrome)
/// and the share menu with copy and move (KTModeShareActions).
///
/// Building a mode on it. The class that builds the mode's screen, in its constructor:
/// 1. builds its view in code: a root widget and the shared parts it uses, registering them in
///    chrome() (all optional: the base skips a part the mode does not have);
/// 2. calls initialize() (its own override first calls the base's).
/// Virtual calls made from a constructor reach that class's overrides only, so modeID() must be
/// answerable by then (take the identity as a constructor argument, as KTImageModeController
/// does, or answer a constant), and subclasses below it finish their set-up in their own
/// constructors. The mode answers modeID(), imagesFilterID(), setSelectedImages() and
/// rejectSelectedImages(); registers its filter on the catalogue in setImageStorage(); calls
/// setNeedsReload() when the filter's notification arrives; rebuilds images() in reload(); and
/// tells the delegate after each rebuild (notifyImagesListDidChange()). A class whose views call
/// back into it deletes the view in its own destructor (chrome().destroyView()), while it is
/// still whole.
///
/// The grids call their owning mode through KTImageListViewDelegate, which the base adopts
/// (canImageListPerformKeyDownWithKeyEquivalent() answers for every mode); a mode that feeds a
/// grid also adopts KTImageListViewDataSource.
///
/// Commands: each mode owns its actions (actions(), KTModeActions): the menu commands every mode
/// has are registered here (copy, select all, zoom, pick, reject, the clipped exposure), the
/// others by the modes that have them (the sub-modes, next and previous group, resolve, restore).
/// The main menu shows the actions of the mode on screen. What only some modes can do and the
/// main window needs besides is a capability interface of its own (KTSimilaritySearchCapability,
/// KTTimeGroupingCapability, KTSystemTrashCapability).
///
/// Keys: the keys of the mode's screen are actions too (the space, "g", "d", and in the viewer
/// "+", "-", "0" and "1"), working wherever the focus is inside the screen; a key the focused
/// widget leaves unhandled reaches the mode (keyDownInView()), which hands the arrows and the
/// delete key to the list on screen. So a click on the photo never takes the keys away from the
/// mode.
///
/// `sender` arguments are the control or menu action that asked, or null.
///
/// Threading: main thread only; every operation returns without waiting for background work.
class KTBaseUIModeController : public QObject, public KTImageListViewDelegate
{
    Q_OBJECT
public:
    explicit KTBaseUIModeController(QObject *parent = nullptr);
    ~KTBaseUIModeController() override;

    /// The user defaults every mode reads and writes: the standard ones unless a test installed
    /// others (for a restart). Install before making modes; null restores the standard ones.
    static KTUserDefaults &userDefaults();
    static void setUserDefaults(KTUserDefaults *defaults);

    // ---- Set-up by the main window, once, right after the mode is made ----

    /// The mode's screen; the main window puts it into its container and shows or hides it.
    virtual QWidget *view() const;
    /// The main window's one thumbnail queue, shared by every mode and handed to its grids.
    virtual void setLoadingThumbnailsQueue(KTOperationQueue *queue);
    KTOperationQueue *loadingThumbnailsQueue() const { return m_loadingThumbnailsQueue; }
    /// The main window's toolbar button of this mode; a different button gets modeButtonBadge().
    virtual void setModeButton(KTButton *button);
    /// The toolbar's clipped-exposure and focus-mask buttons, which the mode on screen drives.
    virtual void setShowPixelsButton(KTAbstractButton *button);
    virtual void setShowFocusMaskButton(KTAbstractButton *button);
    /// The session catalogue. The base only stores it; a mode registers its filtered list
    /// (imagesFilterID()) on it and moves its observers to it.
    virtual void setImageStorage(KTImageStorage *storage);
    KTImageStorage *imageStorage() const;
    /// Not owned; the main window outlives its modes.
    virtual void setDelegate(KTBaseUIModeControllerDelegate *delegate);
    KTBaseUIModeControllerDelegate *delegate() const { return m_delegate; }

    // ---- Identity ----

    /// The prefix of the mode's per-mode defaults keys. Every mode answers it (the base asserts).
    virtual QString modeID() const;
    /// The identifier under which the mode's filtered list is registered on the catalogue; the
    /// catalogue counts that list for the main window's menu.
    virtual QString imagesFilterID() const = 0;

    // ---- Sub-modes ----

    /// The sub-mode on screen (kUIModeGroups, ...).
    virtual QString UIMode() const;
    /// setUIMode() followed by adjustUI(): the main window's view-type commands.
    virtual void switchToUIMode(const QString &mode);
    /// True in the base.
    virtual bool canSwitchToUIMode(const QString &mode) const;

    // ---- Images and selection ----

    /// The records the mode lists now, in display order.
    virtual QList<KTImageMO *> images() const;
    /// Selects `images` (those the mode lists) with `activeImage` active; with
    /// `selectOnlyFirstImage` only the first of them. How the main window carries the selection
    /// from one mode to the next.
    virtual void setSelectedImages(const QList<KTImageMO *> &images, KTImageMO *activeImage,
                                   bool selectOnlyFirstImage) = 0;
    /// Calls `block` with each selected image in ascending index order (indexes past the end of
    /// images() are skipped), `isActive` true for the active one; setting `stop` ends the walk.
    virtual void enumerateSelectedImagesUsingBlock(
        const std::function<void(KTImageMO *image, bool isActive, bool &stop)> &block);
    /// The element of images() at the active index, or null (none, out of range, empty list).
    virtual KTImageMO *activeImageMO() const;
    /// The list of listForSelectionCommand() selects all its images (or only its active one),
    /// and the mode hears of it as of a change the user made. Nothing without such a list.
    virtual void selectAllImagesInGroup();
    virtual void deselectAllImagesInGroup();
    /// Stores the selected group and the active image index under "kRestoredGroupIdx_<class>"
    /// and "kRestoredImageIdx_<class>" (-1 for none), so restoreAppLastLaunchSelection() finds
    /// them at the next launch.
    virtual void saveSelections();
    /// Sets the selected group, then the active image, to the stored indexes (0 when none is
    /// stored), through their setters; then the selection becomes the active index alone.
    virtual void restoreAppLastLaunchSelection();

    // ---- Life cycle ----

    /// Only while the view is shown: validateUIVisibleElements(), adjustExifViewVisibility(),
    /// updateInfoView(), updateExifView(). Sent to every mode whenever the main window changes
    /// which mode is shown.
    virtual void refresh();
    /// Forgets the mode's view state for a new session. Nothing in the base.
    virtual void resetUI();
    /// Lays out the parts of the screen for the sub-mode: the EXIF panel, the navigation strip,
    /// the zoom control (shown in "Image" and "Compare" only).
    virtual void adjustUIVisibleElements();
    /// Button states and badges: the navigation switch, the mode button's badge, the viewer's
    /// exposure overlay, the move button (hidden in catalogue sessions), the zoom pop-up, and
    /// the flag and share buttons (enabled while the list is not empty).
    virtual void validateUIVisibleElements();
    /// The information strip of the mode's viewer; the main window clears it (setImageMO with
    /// null) when the records it shows go away. May be null.
    virtual KTImageInfoView *infoView() const;
    /// The mode's own EXIF panel controller, made at set-up (null before).
    KTExifViewController *exifViewController() const;
    /// The mode's actions (menu commands and the keys of its screen).
    KTModeActions &actions() const { return *m_actions; }
    /// Brings the actions' enabled states, check marks and titles up to date.
    void validateActions();
    /// A key that reached the main window from outside the mode's screen: while the view is
    /// shown, the available action whose shortcut it is runs; true when one did.
    bool performKeyEquivalent(const QKeyEvent &event);

    // ---- Panels and zoom ----

    /// Whether the EXIF panel can be shown now (the toolbar's EXIF button is enabled by it); YES
    /// in the base.
    virtual bool exifPanelShouldBeShown() const;
    /// The stored wish (shared by all modes); the panel shows when both are true.
    virtual bool isExifPanelVisible() const;
    /// Takes the sender's pushed state (a KTAbstractButton) or its checked state as the wish, then
    /// adjustExifViewVisibility().
    virtual void onShowExifView(QObject *sender);
    /// The toolbar's clipped-exposure button: the overlay follows its pushed state.
    void onShowExposurePixels(QObject *sender);
    /// Shows or hides the clipped-exposure overlay of the mode's viewers and stores the shared
    /// "showsExposurePixels"; nothing while the mode cannot show it (canShowExposurePixels()).
    virtual void setExposurePixelsShown(bool shown);
    /// NO in "Group", else YES.
    virtual bool canZoom() const;
    /// YES in "Image" and "Compare" only.
    virtual bool canScale() const;
    /// Whether the thumbnail zoom (zoomValue()) applies now; NO in the base.
    virtual bool canZoomListView() const;
    /// The thumbnail zoom, 0.0 to 1.0; 0.0 and nothing in the base.
    virtual double zoomValue() const;
    virtual void setZoomValue(double value);
    /// zoomShortcutPressed() in or out.
    virtual void onZoomViewIn(QObject *sender);
    virtual void onZoomViewOut(QObject *sender);
    /// Nothing in the base.
    virtual void onFit(QObject *sender);
    virtual void onActualSize(QObject *sender);
    /// Actual size when viewForZooming() fits the screen, otherwise fit.
    virtual void onFitOrActualSize(QObject *sender);

    // ---- Decisions and files ----

    /// Sets `picked` of the active image in "Compare", else of every selected image; does not
    /// process the catalogue's pending changes.
    virtual void flagActiveSelectedImages(bool picked);
    /// The pushed state of the flag button (false without one).
    virtual bool activeImagespicked() const;
    /// Each mode rejects its selection.
    virtual void rejectSelectedImages() = 0;
    /// Puts the selected images on the clipboard; nothing in the base.
    virtual void copyImagesToPasteboard();
    /// Asks for a folder (folderPanel()), then has the catalogue copy or move all of the mode's
    /// images there as its tasks "Copying Images" / "Moving Images". A cancelled panel does
    /// nothing. Returns at once.
    virtual void onCopy(QObject *sender);
    virtual void onMove(QObject *sender);

    // ---- KTImageListViewDelegate ----

    /// NO for "a" and "d" in "Compare", else YES.
    bool canImageListPerformKeyDownWithKeyEquivalent(const QString &keyEquivalent) override;
    /// Nothing in the base.
    void imageListViewSelectionDidChange(KTImageListView *view) override;
    void imageListViewCellWasDoubleClickedAtIndex(KTImageListView *view, qsizetype index) override;

    // ---- State (for the modes, their tests and the screens tool) ----

    /// The selected positions in images() (those past the end are tolerated and skipped).
    const KTModeSelection &selection() const { return m_selection; }
    const std::set<qsizetype> &selectedImagesIndexes() const { return m_selection.indexes(); }
    std::optional<qsizetype> activeImageIndex() const { return m_selection.activeIndex(); }
    std::optional<qsizetype> selectedGroupIndex() const { return m_selection.groupIndex(); }
    /// A reload is pending until the view is next shown.
    bool isNeedReload() const { return m_isNeedReload; }
    /// True while the view exists and neither it nor an ancestor up to its window is hidden.
    bool isViewShown() const;

    // Persisted view state (see the class comment and KTModeViewSettings). Each setter stores the
    // value and writes it at once when it differs (showsExposurePixels on every call).
    QString sortKey() const { return m_settings->sortKey(); }
    void setSortKey(const QString &key) { m_settings->setSortKey(key); }
    /// YES = ascending.
    bool sortOrder() const { return m_settings->sortOrder(); }
    void setSortOrder(bool ascending) { m_settings->setSortOrder(ascending); }
    bool isZoomLock() const { return m_settings->isZoomLock(); }
    /// Also hands the value to the viewer.
    void setIsZoomLock(bool zoomLock);
    double imageListZoom() const { return m_settings->imageListZoom(); }
    /// Virtual so that a mode applies a zoom another mode chose to its grids.
    virtual void setImageListZoom(double zoom) { m_settings->setImageListZoom(zoom); }
    void setIsExifPanelVisible(bool visible) { m_settings->setIsExifPanelVisible(visible); }
    bool isNavigationBarVisible() const { return m_settings->isNavigationBarVisible(); }
    void setIsNavigationBarVisible(bool visible) { m_settings->setIsNavigationBarVisible(visible); }
    bool showsExposurePixels() const { return m_settings->showsExposurePixels(); }
    void setShowsExposurePixels(bool shows) { m_settings->setShowsExposurePixels(shows); }
    QString defaultsKeyPathForKey(const QString &key) const { return m_settings->defaultsKeyPathForKey(key); }
    void saveDefaultsValue(const QVariant &value, const QString &key) const
    {
        m_settings->savePerMode(value, key);
    }
    QList<KTSortDescriptor> imagesSortDescriptors() const { return m_settings->imagesSortDescriptors(); }

    // ---- The pieces ----

    /// The parts of the mode's screen.
    KTModeChrome &chrome() const { return *m_chrome; }
    KTModeViewSettings &settings() const { return *m_settings; }
    KTModeShareActions &shareActions() const { return *m_shareActions; }
    /// Shortcuts to the parts every mode's code reaches most.
    KTImageView *imageView() const;
    KTZoomSlider *zoomSlider() const;
    KTBadgeButton *flagImagesButton() const;
    KTBadgeButton *shareButton() const;
    KTAbstractButton *showPixelsButton() const;
    KTAbstractButton *showFocusMaskButton() const;

public slots:
    // ---- Commands of the mode's own controls ----

    /// The flag button: sets `picked` of every selected image to the button's pushed state and,
    /// when any changed, processes the catalogue's pending changes. Nothing for a sender that is
    /// not a KTAbstractButton; `rejected` is never touched.
    virtual void onFlag(QObject *sender);
    /// The zoom pop-up: tag 0 50 %, 1 actual size, 2 200 %, 3 400 %, 4 fit; other tags nothing.
    void onSwitchZoom(QObject *sender);
    /// The share button: pops the share menu up with its last item over the sender.
    void onShare(QObject *sender);
    /// The navigation switch: stores its pushed state and opens or closes the strip's space.
    void onShowNavigationBar(QObject *sender);

protected:
    /// The set-up after the view is built, in this order: observes "kZoomDidChangeNotification",
    /// registerDefaults(), bindDefaultsValues(), asserts the view ("View is nil"), watches the
    /// view's hiding and showing and its keys, the viewer's pick and reject buttons come and go
    /// together, makes the EXIF panel controller (its thumbnails from the grids' entities manager).
    virtual void initialize();
    /// Registers the defaults of the seven settings (all but "UIMode"); a mode adds its own.
    virtual void registerDefaults();
    /// Reads every setting (and "UIMode") into the controller through its setter and follows
    /// later changes of the stored values.
    virtual void bindDefaultsValues();
    /// Reads the setting "<modeID>_<name>" now and whenever it changes, into `apply`.
    void bindPerModeDefault(const QString &name, std::function<void(const QVariant &value)> apply)
    {
        m_settings->bindPerMode(name, std::move(apply));
    }
    /// The same for a setting shared by all modes.
    void bindSharedDefault(const QString &name, std::function<void(const QVariant &value)> apply)
    {
        m_settings->bindShared(name, std::move(apply));
    }

    // ---- Selection and list ----

    /// The base setters only store (the modes override them to keep their views in step).
    virtual void setImages(const QList<KTImageMO *> &images);
    virtual void setSelectedImagesIndexes(const std::set<qsizetype> &indexes);
    virtual void setActiveImageIndex(std::optional<qsizetype> index);
    virtual void setSelectedGroupIndex(std::optional<qsizetype> index);
    /// Calls `block` for each element of `array` until it sets `stop`.
    static void enumerateImagesInArray(const QList<KTImageMO *> &array,
                                       const std::function<void(KTImageMO *image, bool &stop)> &block);
    void enumerateImagesUsingBlock(const std::function<void(KTImageMO *image, bool &stop)> &block);
    /// Tells the delegate imagesListDidChange().
    void notifyImagesListDidChange();

    // ---- Life cycle ----

    /// Marks the mode for reload and reloads at once while the view is shown (reloadIfNeed()).
    void setNeedsReload();
    /// While the view is shown and a reload is pending: clears the mark, then reload().
    void reloadIfNeed();
    /// Rebuilds the mode's list; nothing in the base.
    virtual void reload();
    /// The view was shown: reloadIfNeed() in the base.
    virtual void rootViewDidUnhide();
    /// Stores the sub-mode, saves it, hands it to the info view and tells the delegate; nothing
    /// when it is the current one.
    virtual void setUIMode(const QString &mode);
    /// The mode's own adjustments after a sub-mode change; nothing in the base.
    virtual void adjustUI();

    // ---- Hooks the modes fill ----

    /// The list that select all and deselect all (`command`) act on in the sub-mode on screen;
    /// null in the base. A mode without such a list in the current sub-mode answers null and
    /// logs it (logUnexpectedUIMode()).
    virtual KTImageListView *listForSelectionCommand(const QString &command) const;
    /// Logs "Unexpected UIMode <sub-mode> for <command>".
    void logUnexpectedUIMode(const QString &command) const;

    virtual void onSpacePress();
    virtual void onListMode(QObject *sender);
    virtual void onZoomIn(QObject *sender);
    virtual void onZoomOut(QObject *sender);
    virtual void onZoomLock(QObject *sender);
    /// The thumbnail zoom slider moved (sender) or was stepped by a zoom key (null).
    virtual void onChangeZoom(QObject *sender);
    virtual void updateExifView();
    virtual void updateInfoView();
    /// The text of the mode button's badge; empty in the base.
    virtual QString modeButtonBadge() const;
    /// YES when isNavigationBarVisible() in the base.
    virtual bool navigationBarShouldBeShown() const;
    /// NO in the base.
    virtual bool canShowExposurePixels() const;
    /// Where zoom commands go: the viewer in the base (a group mode answers its comparison view
    /// in "Compare").
    virtual KTZoomProtocol *viewForZooming() const;

    /// Shows `image` in the viewer (after laying the view out, so the viewer fits it to its real
    /// size; a viewer not on screen fits it again when it appears).
    void showImageInViewer(KTImageMO *image);

    // ---- Commands ----

    /// In "List" and "Groups" steps the thumbnail zoom slider (while it is enabled) by one tick
    /// and runs onChangeZoom(null); in the other sub-modes onZoomIn / onZoomOut.
    void zoomShortcutPressed(KTZoomDirection direction);
    /// Shows the viewer's zoom in the pop-up (see onSwitchZoom()); a free percentage titles it
    /// "Zoom <n>%".
    void validateSwitchZoomButtonState();

    // ---- Panels and toolbar ----

    /// Shows the EXIF panel when exifPanelShouldBeShown() and isExifPanelVisible(), else hides it.
    void adjustExifViewVisibility();
    /// Inserts the panel right of the container (once) / takes it out again.
    virtual void showExifView();
    virtual void hideExifView();
    /// Opens the navigation strip's space when navigationBarShouldBeShown(), else closes it.
    void adjustNavigationViewVisibility();
    /// The flag and share buttons are enabled while the list is not empty.
    void validateFlagAndShareButtons();
    /// The flag button's badge is the number of selected images when two or more; the button
    /// follows the active image's "picked".
    virtual void adjustFlagImageButtonState();
    /// The share button's badge likewise.
    virtual void adjustShareButtonState();
    /// The rating indicator shows the active image's rating (0 and no record without one).
    void adjustRatingIndicatorState();
    /// The mode button gets modeButtonBadge().
    void updateModeButtonBadge();

    /// Registers the mode's actions; the base registers those every mode has. Called by
    /// initialize(); a mode adds or removes its own after the base's.
    virtual void registerActions();
    /// A key the focused widget inside the view left unhandled: the list that takes the keys in
    /// the sub-mode on screen (listForKeys()) gets it when the focus is elsewhere (on the photo,
    /// say). True when it was used.
    virtual bool keyDownInView(const QKeyEvent &event);
    /// The list of the sub-mode on screen that moves the selection by the arrow keys; null in
    /// the base.
    virtual KTImageListView *listForKeys() const;

    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void observeZoomChanging();

    // ---- State ----
    QPointer<KTImageStorage> m_imageStorage;
    KTModeSelection m_selection;
    QString m_UIMode;
    bool m_isNeedReload = false;
    bool m_initialized = false;
    bool m_viewerNeedsFit = false;
    KTOperationQueue *m_loadingThumbnailsQueue = nullptr;
    KTBaseUIModeControllerDelegate *m_delegate = nullptr;
    KTObserverToken m_zoomObserver;

    // ---- The pieces (children of the mode) ----
    KTModeViewSettings *m_settings = nullptr;
    KTModeChrome *m_chrome = nullptr;
    KTModeShareActions *m_shareActions = nullptr;
    KTModeActions *m_actions = nullptr;
    std::unique_ptr<KTExifViewController> m_exifViewController;
};
