#pragma once

#include "KTBaseUIModeController.h"
#include "KTGrouppedImagesViewDataSource.h"
#include "KTImageListViewDataSource.h"
#include "KTImagesGroupsViewDelegate.h"
#include "KTPathSelection.h"
#include "KTTimeRangePopoverDelegate.h"

#include <QHash>
#include <QSet>

#include <memory>

class KTAbstractButton;
class KTCompareImagesInfoBar;
class KTGridScrollView;
class KTImageCompareView;
class KTImageGroupNavigationView;
class KTImageGroupView;
class KTImageInfoViewsContainer;
class KTImagesGroupsView;
class KTModeToolbar;
class KTMultiBindingsController;
class KTMultipleLabelsView;
class KTSegmentedView;
class KTSimpleBackgroundView;
class KTSingeImageInfoBar;
class KTTimeRangePopoverWindowController;
class KTUIImageView;
class QHBoxLayout;
class QMenu;
class QVariantAnimation;

/// How the content of a group mode moves when it shows another group: the new group rises from
/// below (next) or sinks from above (previous) while a still picture of the old one leaves
/// through the opposite edge; or no movement at all.
enum class KTGroupSwitchAnimation
{
    None,
    PushFromBottom,
    PushFromTop,
};

/// What the two group modes (the similar groups and the time groups) share: a list of groups,
/// shown in four sub-modes ("Groups": every group; "Group": the images of the selected group;
/// "Image": one of them large over a thumbnail strip; "Compare": two of them side by side), the
/// selection inside the selected group, and the screen, commands and view rules that go with it.
///
/// The selection is kept twice: as indexes into the selected group's images (images()) and as
/// file paths. After every rebuild of the list the indexes are found again from the paths, so a
/// catalogue change keeps the images the user selected. In "Compare" exactly two images of the
/// group are selected, one of them active; the sub-mode leaves "Compare" (for "Image") before a
/// group with fewer than two images could be shown there.
///
/// A subclass supplies the groups (numberOfGroupsInList(), imagesForGroup(), reloadGrouppedImages()),
/// its group selection rule (validateGroupSelection(), adjustGroupSelection()), its own controls
/// (built in its constructor into the layouts given here, then initialize()), and its answers
/// to the time-range popover.
///
/// Moving to another group (switchToGroupAtIndex()) slides the content: a picture of the old
/// content (QWidget::grab) leaves while the new group, loaded under it, enters from the other
/// edge in 0.5 s. While KTAnimations are off the switch is immediate.
///
/// Threading: main thread only.
class KTGroupModeController : public KTBaseUIModeController,
                              public KTGrouppedImagesViewDataSource,
                              public KTImagesGroupsViewDelegate,
                              public KTImageListViewDataSource,
                              public KTTimeRangePopoverDelegate
{
    Q_OBJECT
public:
    ~KTGroupModeController() override;

    /// Also handed to the group list, the group grid and the strip.
    void setLoadingThumbnailsQueue(KTOperationQueue *queue) override;

    // ---- Groups ----

    qsizetype numberOfGroupsInList() const;
    /// The images of group `index` in display order; empty for an index out of range.
    virtual QList<KTImageMO *> imagesForGroup(qsizetype index) const = 0;
    /// imagesForGroup() of the selected group; empty without one.
    QList<KTImageMO *> imagesForSelectedGroup() const;
    /// YES with more than one group.
    bool canSwitchGroups() const;
    /// Outside "Compare" always; in "Compare" only for a group of at least two images.
    bool isSwitchAvailableToGroupWithIndex(qsizetype index) const;
    /// Makes group `index` the selected group, loads it and its image selection, slides the
    /// content as `animation` says (immediately while animations are off or for None) and then
    /// calls `completion` once.
    void switchToGroupAtIndex(qsizetype index, KTGroupSwitchAnimation animation,
                              std::function<void()> completion = {});
    /// True while a group switch slides.
    bool isSwitchingGroups() const;
    /// The next group (the first after the last) and the previous one (the last before the
    /// first), sliding outside "Groups". In "Compare" a group that cannot be compared is refused
    /// with an alert and nothing changes.
    void onNextGroup(QObject *sender);
    void onPreviousGroup(QObject *sender);

    // ---- Selection ----

    const QHash<QString, qsizetype> &imagePathToIndexMap() const { return m_paths.pathToIndexMap(); }
    const QSet<QString> &selectedImagesPaths() const { return m_paths.selectedPaths(); }
    QString activeImagePath() const { return m_paths.activePath(); }
    /// The image of the selected group at `index`, or null.
    KTImageMO *imageAtIndex(qsizetype index) const;
    /// In "Groups" every image of the selected group (none active); elsewhere the selection.
    void enumerateSelectedImagesUsingBlock(
        const std::function<void(KTImageMO *image, bool isActive, bool &stop)> &block) override;
    /// Selects `images` inside the first group that holds `activeImage`, which becomes active;
    /// with `selectOnlyFirstImage` the lowest of them alone. Nothing when no listed group holds
    /// the active image. Then the screen follows.
    void setSelectedImages(const QList<KTImageMO *> &images, KTImageMO *activeImage,
                           bool selectOnlyFirstImage) override;
    void restoreAppLastLaunchSelection() override;

    // ---- Answers to the main window ----

    bool canZoomListView() const override;
    bool exifPanelShouldBeShown() const override;
    double zoomValue() const override;
    void setZoomValue(double value) override;
    void setImageListZoom(double zoom) override;
    /// Seconds (see the modes).
    double timeRange() const { return m_timeRange; }
    void setTimeRange(double seconds);
    bool isCompareZoomLock() const { return m_isCompareZoomLock; }
    /// Stores it, and in any case hands it to the comparison view.
    void setIsCompareZoomLock(bool zoomLock);
    bool showsFocusMask() const { return m_showsFocusMask; }
    void setShowsFocusMask(bool shows);

    // ---- Commands ----

    void rejectSelectedImages() override;
    /// "Groups": the group list copies its selected group; "Group": the group grid its
    /// selection; "Image" and "Compare": the strip its selection.
    void copyImagesToPasteboard() override;
    void refresh() override;
    /// For a new session: "Groups", no EXIF panel, no strip, and a reload.
    void resetUI() override;
    void adjustUIVisibleElements() override;
    void validateUIVisibleElements() override;
    /// Every viewer of the mode, and the group grid, in "Group", "Image" and "Compare".
    void setExposurePixelsShown(bool shown) override;

    // ---- Data sources and delegates of the grids ----

    qsizetype numberOfGroups(KTGrouppedImagesView *view) override;
    QList<KTImageMO *> imagesForGroupAtIndex(qsizetype index, KTGrouppedImagesView *view) override;
    void imagesGroupsViewDoubleClickedInGroupAtIndex(KTImagesGroupsView *view, qsizetype groupIndex) override;
    qsizetype numberOfImages(KTImageListView *view) override;
    KTImageMO *imageMOAtIndex(qsizetype index, KTImageListView *view) override;
    void imageListViewSelectionDidChange(KTImageListView *view) override;
    void imageListViewCellWasDoubleClickedAtIndex(KTImageListView *view, qsizetype index) override;
    /// A click in the comparison view: the side clicked carries the active image.
    void imageCompareViewDidChangeSelection(KTImageCompareView *view);

    // ---- Time range popover ----

    /// Made once (at set-up); its range follows timeRange() when it is opened.
    KTTimeRangePopoverWindowController *timeRangePopover() const { return m_timeRangePopover.get(); }
    /// The range shown changed: the button follows, and a range the popover took back after a
    /// cancelled run is stored again.
    void timeRangeDidChange(KTTimeRangePopoverWindowController *popover) override;

public slots:
    void onGroupsMode(QObject *sender);
    void onGroupMode(QObject *sender);
    void onImageViewMode(QObject *sender);
    void onCompareViewMode(QObject *sender);
    void onListMode(QObject *sender) override;
    void onNextImage(QObject *sender);
    void onPrevImage(QObject *sender);
    void onSelectAllButton(QObject *sender);
    /// The flag button: in "Compare" the active image alone.
    void onFlag(QObject *sender) override;
    /// Rejects the active image in "Compare", else the selection ("Groups": the whole group).
    void onToTrash(QObject *sender);
    void onZoomIn(QObject *sender) override;
    void onZoomOut(QObject *sender) override;
    void onFit(QObject *sender) override;
    void onActualSize(QObject *sender) override;
    /// The zoom lock of the viewer in "Image", of the comparison view in "Compare".
    void onZoomLock(QObject *sender) override;
    void onChangeZoom(QObject *sender) override;
    /// Opens the time-range popover below its button, or closes it.
    void onShowHideTimeRangePopover(QObject *sender);

public:
    // ---- Parts of the screen (for the tests and the screens tool) ----

    KTImagesGroupsView *groupsView() const;
    KTGridScrollView *groupsScrollView() const;
    KTImageGroupView *groupView() const;
    KTGridScrollView *groupScrollView() const;
    KTImageGroupNavigationView *groupNavigationView() const;
    KTImageCompareView *compareView() const;
    KTSimpleBackgroundView *backgroundView() const;
    QWidget *animationContainerView() const;
    KTAbstractButton *groupsModeButton() const;
    KTAbstractButton *groupModeButton() const;
    KTAbstractButton *compareViewModeButton() const;
    KTAbstractButton *zoomLockButton() const;
    KTAbstractButton *nextGroupButton() const;
    KTAbstractButton *prevGroupButton() const;
    KTAbstractButton *selectAllButton() const;
    KTAbstractButton *timeRangeButton() const;
    QWidget *groupsModeControls() const;
    QWidget *imageControlsView() const;
    KTImageInfoViewsContainer *infoViewsContainer() const;
    KTSingeImageInfoBar *singleImageInfoBar() const;
    KTCompareImagesInfoBar *compareImagesInfoBar() const;
    QWidget *groupsInfoBar() const;
    KTMultipleLabelsView *groupsInfo() const;
    KTModeToolbar *toolBar() const;
    KTMultiBindingsController *flagButtonMultiBindingsController();

protected:
    /// Builds the screen around `groupsView` (the mode's group list, adopted). The subclass adds
    /// its controls, then calls initialize().
    KTGroupModeController(KTImagesGroupsView *groupsView, QObject *parent);

    void initialize() override;
    /// The base's, the four sub-modes (Ctrl+1 to Ctrl+4) and next and previous group.
    void registerActions() override;
    /// The group grid in "Group", the strip in "Image" and "Compare".
    KTImageListView *listForKeys() const override;
    void registerDefaults() override;
    void bindDefaultsValues() override;
    void reload() override;
    void setUIMode(const QString &mode) override;
    /// validateUIMode(), the visible elements, then the group and image selection pushed to the
    /// views, and the info texts.
    void adjustUI() override;
    void onSpacePress() override;
    bool navigationBarShouldBeShown() const override;
    bool canShowExposurePixels() const override;
    KTZoomProtocol *viewForZooming() const override;
    void updateExifView() override;
    void updateInfoView() override;
    void showExifView() override;
    void hideExifView() override;
    void adjustFlagImageButtonState() override;
    void adjustShareButtonState() override;
    void setActiveImageIndex(std::optional<qsizetype> index) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    /// Select all and deselect all: the group grid in "Group", the strip in "Image"; null
    /// (logged) in the other sub-modes.
    KTImageListView *listForSelectionCommand(const QString &command) const override;

    // ---- What the subclass supplies ----

    /// The number of groups listed.
    virtual qsizetype groupCount() const = 0;
    /// Rebuilds the list of groups (without touching the views).
    virtual void reloadGrouppedImages() = 0;
    /// Finds the selected group again after the list changed.
    virtual void validateGroupSelection() = 0;
    /// Shows the group selection in the views and loads the selected group.
    virtual void adjustGroupSelection() = 0;
    /// The image rule after a group switch.
    virtual void validateImagesSelectionAfterGroupSwitch() = 0;
    /// Called first by every group switch.
    virtual void groupSwitchWillStart() {}
    /// The group and size texts of the groups bar for the selected group (the totals come first).
    virtual QStringList selectedGroupInfoStrings() const = 0;
    /// The images of every listed group and their bytes: kept with the list, so a group switch
    /// does not walk every image.
    struct GroupsTotals
    {
        qint64 images = 0;
        qint64 bytes = 0;
    };
    virtual GroupsTotals groupsTotals() const = 0;
    /// Empties the list of groups (the records of a cleared session are about to be freed).
    virtual void clearGroupList() = 0;
    /// A task of the bus ended (any sender). The end of "Clearing Session" makes a hidden mode let
    /// go of every record it holds (see letGoOfRecords()); a mode adds its own reactions.
    virtual void taskDidFinish(const QString &taskName);
    /// What setSelectedImages() logs when the active image's group does not hold it by path.
    virtual QString activeImageAbsentMessage() const = 0;
    /// The popover's ranges in seconds, their labels and the text under them.
    virtual QList<double> timeRanges() const = 0;
    virtual QStringList timeRangesStrings() const = 0;
    virtual QString timeRangeDescription() const = 0;
    /// The title and pictograms of the time-range button for the popover's selection.
    virtual void updateTimeRangeButton();
    /// Enables the sub-mode buttons and the zoom slider (a mode adds its own controls).
    virtual void setUIEnabled(bool enabled);
    /// The texts of the groups bar shown or hidden with the list (a mode adds its own controls).
    virtual void setAllGroupsInfoBarEnabled(bool enabled);

    // ---- Shared rules ----

    /// The sub-mode the content allows: "Groups" without groups, "Image" for a "Compare" of a
    /// group with fewer than two images.
    void validateUIMode();
    /// Loads the selected group's images into images() and the path map, and reloads the group
    /// grid and the strip.
    void reloadImages();
    /// images() and the path map of group `index` (empty for an index out of range).
    void reloadImagesForGroupWithIndex(std::optional<qsizetype> index);
    /// The image rule: the remembered paths found again in the group; with `groupChanged` the
    /// found ones alone (possibly none); without, the previous indexes when none is found. Then
    /// clipped to the group, the first image when nothing is left, and the pair of "Compare".
    void validateImagesSelectionGroupChanged(bool groupChanged);
    void validateImagesSelection() { validateImagesSelectionGroupChanged(false); }
    void updateSelectedImagesPaths();
    /// In "Compare": the selection shrinks to the active image.
    void selectOnlyActiveImageIfNeed();
    /// Gives the selection to the views other than `sender` and refreshes the panels and buttons.
    void adjustImagesSelectionFromImageListView(QObject *sender);
    void showImageInCompareView();
    void validateCompareModeButton();
    void adjustSelectAllButtonVisibility();
    void adjustSelectAllButonState();
    void validateUIModeButtons();
    /// The strip's previous and next group faces.
    void updateNeighbourGroupFaces();
    /// The pick and reject controls of the viewers, grids and flag button.
    void setPickAndRejectControlsEnabled(bool enabled);
    /// The texts of the groups bar: totals, then selectedGroupInfoStrings().
    QStringList groupsInfoStrings() const;
    /// Tells the delegate the list changed.
    void listDidChange();
    /// What follows a change of the list, rebuilt or updated in place: the group list, the
    /// delegate, and the screen, none of it scrolled.
    void showChangedList();
    /// Reloads the group list, or, while it is hidden, when it is next shown.
    void reloadGroupsView();
    /// Makes the time-range popover (once).
    void createTimeRangePopover();
    /// Sets the popover's range without taking it as the user's.
    void showTimeRangeInPopover(double seconds);
    /// Drops the list, the selected group's images and what the views show of them, and marks
    /// the mode for reload: a mode that is not shown would otherwise keep records that are freed.
    void letGoOfRecords();

    bool doesNotScrollSelectionToVisible() const { return m_doesNotScrollSelectionToVisible; }
    void setDoesNotScrollSelectionToVisible(bool value) { m_doesNotScrollSelectionToVisible = value; }

    // Where the subclasses put their controls.
    QHBoxLayout *groupsModeControlsLayout() const;
    QHBoxLayout *imageControlsLayout() const;
    QHBoxLayout *groupActionsLayout() const;
    /// The sort menus and buttons live on the root view; a subclass adds its own children there.
    QWidget *rootView() const { return view(); }

private:
    void buildView();
    void placeContent();
    void placeViewer();
    void finishGroupSwitch();
    void reloadGroupsViewNow();
    void selectSubModeFromButton(const QString &mode);
    void sendArrowKeyToStrip(Qt::Key key);

    // ---- State ----
    KTPathSelection m_paths;
    bool m_doesNotScrollSelectionToVisible = false;
    bool m_showsFocusMask = false;
    bool m_isCompareZoomLock = true;
    double m_timeRange = 0.0;
    bool m_showingRangeInPopover = false;
    bool m_groupsViewIsStale = false;
    std::unique_ptr<KTMultiBindingsController> m_flagButtonMultiBindingsController;
    std::unique_ptr<KTTimeRangePopoverWindowController> m_timeRangePopover;
    QPointer<QVariantAnimation> m_switchAnimation;
    QPointer<QWidget> m_switchSnapshot;
    std::function<void()> m_switchCompletion;
    KTObserverToken m_taskObserver;

    // ---- Parts of the screen ----
    QPointer<KTImagesGroupsView> m_groupsView;
    QPointer<KTGridScrollView> m_groupsScrollView;
    QPointer<KTImageGroupView> m_groupView;
    QPointer<KTGridScrollView> m_groupScrollView;
    QPointer<KTImageGroupNavigationView> m_groupNavigationView;
    QPointer<KTImageCompareView> m_compareView;
    QPointer<KTSimpleBackgroundView> m_backgroundView;
    QPointer<QWidget> m_containerView;
    QPointer<QWidget> m_animationContainerView;
    QPointer<KTSegmentedView> m_segmentedModeView;
    QPointer<KTAbstractButton> m_groupsModeButton;
    QPointer<KTAbstractButton> m_groupModeButton;
    QPointer<KTAbstractButton> m_compareViewModeButton;
    QPointer<KTAbstractButton> m_zoomLockButton;
    QPointer<KTAbstractButton> m_nextGroupButton;
    QPointer<KTAbstractButton> m_prevGroupButton;
    QPointer<KTAbstractButton> m_selectAllButton;
    QPointer<KTAbstractButton> m_timeRangeButton;
    QPointer<QWidget> m_groupsModeControls;
    QPointer<QWidget> m_imageControlsView;
    QPointer<QWidget> m_groupActions;
    QPointer<KTImageInfoViewsContainer> m_infoViewsContainer;
    QPointer<KTSingeImageInfoBar> m_singleImageInfoBar;
    QPointer<KTCompareImagesInfoBar> m_compareImagesInfoBar;
    QPointer<QWidget> m_groupsInfoBar;
    QPointer<KTMultipleLabelsView> m_groupsInfo;
    QPointer<KTModeToolbar> m_toolBar;
};
