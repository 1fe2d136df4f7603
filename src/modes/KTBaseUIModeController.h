#pragma once

#include <QList>
#include <QObject>
#include <QString>

#include <functional>

class KTAbstractButton;
class KTBaseUIModeController;
class KTButton;
class KTImageInfoView;
class KTImageMO;
class KTImageStorage;
class KTOperationQueue;
class QKeyEvent;
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

/// What a review mode reports to the main window, its delegate. The modes hold their delegate
/// without owning it.
///
/// Threading: every call on the main thread.
class KTBaseUIModeControllerDelegate
{
public:
    virtual ~KTBaseUIModeControllerDelegate() = default;

    /// A mode starts moving (`deleteOriginals`) or copying `numberOfImages` images with progress;
    /// the main window opens the progress sheet for them.
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

/// A review mode as the main window and its menu drive it: the timeline, the similar groups, the
/// picks and the rejects. The main window makes one of each at start-up (through a factory, so
/// that tests can give it modes of their own), places each mode's view() in its container,
/// shows one mode at a time and sends its commands to the mode on screen.
///
/// The operations that only some modes have (next and previous group, reject unselected,
/// resolve, restore, move to the system trash, accuracy, time range) are declared here for all:
/// the main window sends them only to the modes that have them and validates its menu by which
/// mode is active; a mode without the operation does nothing and answers false, 0 or null.
///
/// `sender` arguments are the control or menu action that asked, or null.
///
/// Threading: main thread only; every operation returns without waiting for background work.
class KTBaseUIModeController : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~KTBaseUIModeController() override;

    // ---- Set-up by the main window, once, right after the mode is made ----

    /// The mode's screen; the main window puts it into its container and shows or hides it.
    virtual QWidget *view() const = 0;
    /// The main window's one thumbnail queue, shared by every mode and handed to its grids.
    virtual void setLoadingThumbnailsQueue(KTOperationQueue *queue) = 0;
    /// The main window's toolbar button of this mode (the mode keeps its badge current).
    virtual void setModeButton(KTButton *button) = 0;
    /// The toolbar's clipped-exposure and focus-mask buttons, which the mode on screen drives.
    virtual void setShowPixelsButton(KTAbstractButton *button) = 0;
    virtual void setShowFocusMaskButton(KTAbstractButton *button) = 0;
    /// The session catalogue; the mode registers its filtered list (imagesFilterID()) on it.
    virtual void setImageStorage(KTImageStorage *storage) = 0;
    /// Not owned; the main window outlives its modes.
    virtual void setDelegate(KTBaseUIModeControllerDelegate *delegate) = 0;

    // ---- Sub-modes ----

    /// The sub-mode on screen (kUIModeGroups, ...).
    virtual QString UIMode() const = 0;
    /// Shows `mode` (which canSwitchToUIMode() allowed) and adjusts the mode's screen.
    virtual void switchToUIMode(const QString &mode) = 0;
    virtual bool canSwitchToUIMode(const QString &mode) const = 0;

    // ---- Images and selection ----

    /// The records the mode lists now, in display order.
    virtual QList<KTImageMO *> images() const = 0;
    /// The identifier under which the mode's filtered list is registered on the catalogue; the
    /// catalogue counts that list for the main window's menu.
    virtual QString imagesFilterID() const = 0;
    /// Selects `images` (those the mode lists) with `activeImage` active; with
    /// `selectOnlyFirstImage` only the first of them. How the main window carries the selection
    /// from one mode to the next.
    virtual void setSelectedImages(const QList<KTImageMO *> &images, KTImageMO *activeImage,
                                   bool selectOnlyFirstImage) = 0;
    /// Calls `block` with each selected image in display order, `isActive` true for the active
    /// one; setting `stop` ends the walk.
    virtual void enumerateSelectedImagesUsingBlock(
        const std::function<void(KTImageMO *image, bool isActive, bool &stop)> &block) = 0;
    /// The active (focused) image, or null.
    virtual KTImageMO *activeImageMO() const = 0;
    virtual void selectAllImagesInGroup() = 0;
    virtual void deselectAllImagesInGroup() = 0;
    /// Stores the selection so that restoreAppLastLaunchSelection() finds it at the next launch.
    virtual void saveSelections() = 0;
    virtual void restoreAppLastLaunchSelection() = 0;

    // ---- Life cycle ----

    /// Brings the mode's screen up to date; sent to every mode whenever the main window changes
    /// which mode is shown (a hidden mode does nothing).
    virtual void refresh() = 0;
    /// Forgets the mode's view state for a new session.
    virtual void resetUI() = 0;
    /// Lays out the mode's own views for its sub-mode.
    virtual void adjustUIVisibleElements() = 0;
    /// The information strip of the mode's viewer; the main window clears it (setImageMO with
    /// null) when the records it shows go away. May be null.
    virtual KTImageInfoView *infoView() const = 0;
    /// Offers a key press with modifiers that reached the window; true when the mode used it.
    virtual bool performKeyEquivalent(const QKeyEvent &event) = 0;

    // ---- Panels and zoom ----

    /// Whether the EXIF panel can be shown now (the toolbar's EXIF button is enabled by it), and
    /// whether it is shown (the button is pushed by it).
    virtual bool exifPanelShouldBeShown() const = 0;
    virtual bool isExifPanelVisible() const = 0;
    virtual void onShowExifView(QObject *sender) = 0;
    virtual void onShowExposurePixels(QObject *sender) = 0;
    /// Whether the zoom commands and the fit and actual-size commands apply now.
    virtual bool canZoom() const = 0;
    virtual bool canScale() const = 0;
    /// Whether the thumbnail zoom (zoomValue()) applies now; the pinch gesture asks.
    virtual bool canZoomListView() const = 0;
    /// The thumbnail zoom, 0.0 to 1.0.
    virtual double zoomValue() const = 0;
    virtual void setZoomValue(double value) = 0;
    virtual void onZoomViewIn(QObject *sender) = 0;
    virtual void onZoomViewOut(QObject *sender) = 0;
    virtual void onFit(QObject *sender) = 0;
    virtual void onActualSize(QObject *sender) = 0;
    /// Actual size when the viewer fits the screen, otherwise fit.
    virtual void onFitOrActualSize(QObject *sender) = 0;

    // ---- Decisions and files ----

    /// Sets `picked` of the active image in "Compare", else of every selected image.
    virtual void flagActiveSelectedImages(bool picked) = 0;
    /// Whether the mode's pick button shows the selection as picked.
    virtual bool activeImagespicked() const = 0;
    virtual void rejectSelectedImages() = 0;
    /// Puts the selected images on the clipboard.
    virtual void copyImagesToPasteboard() = 0;
    /// Copies or moves all of the mode's images to a folder the user chooses.
    virtual void onCopy(QObject *sender) = 0;
    virtual void onMove(QObject *sender) = 0;

    // ---- Group modes (timeline and similar groups) ----

    virtual bool canSwitchGroups() const = 0;
    virtual void onNextGroup(QObject *sender) = 0;
    virtual void onPreviousGroup(QObject *sender) = 0;
    /// The mode's time range in seconds: the similar groups' search window, the timeline's
    /// grouping interval.
    virtual double timeRange() const = 0;
    virtual void resetTimeRange() = 0;

    // ---- Timeline ----

    virtual bool canRejectNotSelected() const = 0;
    virtual void onRejectNotSelected(QObject *sender) = 0;
    /// The timeline's reject-unselected button (the main window disables it while no session
    /// exists). May be null.
    virtual QWidget *rejectNotSelectedButton() const = 0;

    // ---- Similar groups ----

    /// 1 ("lowest") to 5 ("highest"); 0 for the manual search settings.
    virtual int accuracyLevel() const = 0;
    /// Loads the search settings of accuracyLevel() into the expert settings window.
    virtual void updateAccuracySettings() = 0;
    virtual bool canResolve() const = 0;
    virtual void onResolveGroup(QObject *sender) = 0;
    virtual void onShowSearchSettings(QObject *sender) = 0;

    // ---- Rejects ----

    /// Restores the selected rejected images.
    virtual void onPutBack(QObject *sender) = 0;
    /// Moves the rejected images to the desktop's trash (after the catalogue's question); in a
    /// catalogue session shows the move-to-trash tips instead. Returns before the files move.
    virtual void onMoveToSystemTrash(QObject *sender) = 0;
};
