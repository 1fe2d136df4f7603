#pragma once

#include "KTAccuracyPopoverWindowControllerDelegate.h"
#include "KTDuplicatesSearchSettingsApplyDelegate.h"
#include "KTGroupModeController.h"
#include "KTRecordRef.h"
#include "KTSimilaritySearchCapability.h"

#include <QHash>
#include <QVariantMap>

#include <memory>
#include <optional>
#include <vector>

class KTAccuracyPopoverWindowController;
class KTImageGroupMO;
class KTResizablePopUpButton;

/// One listed similar group: its images that are not rejected in the mode's order ("Images"),
/// its record ("Group") and the bytes of those images ("GroupSize").
struct KTSimilarGroupRecord
{
    KTRecordList<KTImageMO> images;
    KTRecordRef<KTImageGroupMO> group;
    quint64 groupSize = 0;
    /// The record's groupID, read once.
    QString groupID;
};

/// The similar-groups review mode (mode "Duplicates", filter "GrouppedImages"): the groups of
/// near-identical shots that the similarity search stored, each listed with its images that are
/// not rejected, in the mode's sort order.
///
/// Order: the groups are sorted in full when a group appears that the last sort did not know (a
/// new search, the first list) and whenever the mode is shown again; while it is on screen each
/// group keeps its place through picks and rejects. The selected group is found again by its
/// identifier after every rebuild, or keeps its position (the last group when that is gone).
///
/// Resolution: when the group on screen is resolved (outside "Groups"), a message shows for 1 s
/// with the pick and reject controls off and list changes held back; then the mode moves to the
/// neighbouring group (switching to "Image" first when "Compare" cannot show it) and reloads.
///
/// Accuracy and time range: the popovers rerun the similarity search with a new level or a new
/// time window; a cancelled search puts the previous level and range back. The expert settings
/// window applies its manual settings through applySettings().
///
/// Threading: main thread only.
class KTDuplicatesImagesModeController : public KTGroupModeController,
                                         public KTAccuracyPopoverWindowControllerDelegate,
                                         public KTDuplicatesSearchSettingsApplyDelegate,
                                         public KTSimilaritySearchCapability
{
    Q_OBJECT
public:
    explicit KTDuplicatesImagesModeController(QObject *parent = nullptr);
    ~KTDuplicatesImagesModeController() override;

    QString modeID() const override;
    QString imagesFilterID() const override;
    /// Records whose group is set and that are not rejected, after the fetch; the mode's order.
    QVariantMap imagesFilter() const;
    /// Moves the observers and the filter from the previous catalogue to `storage`.
    void setImageStorage(KTImageStorage *storage) override;

    // ---- The list ----

    /// The listed groups in display order.
    const QList<KTSimilarGroupRecord> &grouppedImages() const { return m_grouppedImages; }
    QList<KTImageMO *> imagesForGroup(qsizetype index) const override;
    /// The record of the selected group; null without one, and for a record already deleted.
    KTImageGroupMO *selectedGroupMO() const;
    QString selectedGroupID() const { return m_selectedGroupID; }
    /// Whether the last rebuild kept the previous order instead of sorting afresh.
    bool outOfDateSortOrder() const { return m_outOfDateSortOrder; }
    quint64 numberOfGrouppedImages() const { return m_numberOfGrouppedImages; }
    quint64 sizeOfGrouppedImages() const { return m_sizeOfGrouppedImages; }
    /// Rebuilds the list; with `reloadView` the group list reloads and the delegate is told.
    void reloadGrouppedImagesShouldReloadGroupsView(bool reloadView);

    // ---- Answers to the main window ----

    /// nil without a group, the count below 1000, "999+" from 1000 groups on.
    QString modeButtonBadge() const override;
    /// YES with a group listed, while no resolved message is showing.
    bool canResolve() const;
    int accuracyLevel() const override { return m_accuracyLevel; }
    double timeRange() const override { return KTGroupModeController::timeRange(); }
    void setAccuracyLevel(int level);
    /// The title of the accuracy button: the popover's name of the level.
    QString accuracyLevelName() const { return m_accuracyLevelName; }
    /// Loads the preset of accuracyLevel() ("normal" for a level outside 1 to 5) into the expert
    /// settings window.
    void updateAccuracySettings() override;
    /// The time range back to unlimited (a new session).
    void resetTimeRange() override;
    /// True from a resolution of the group on screen until its message has gone.
    bool isShowingResolvedMessage() const { return m_doesNotReloadGroupList; }

    // ---- Commands ----

    /// The selected group is resolved: its images that are not picked are rejected.
    void onResolveGroup(QObject *sender);
    void onShowSearchSettings(QObject *sender) override;
    /// The expert settings window's Apply: a search with its manual settings.
    void applySettings() override;
    /// Rejects the unpicked images of the selected group, then resolves it.
    void deleteUnflaggedImagesAndResolve();
    bool hasFlaggedImages() const;
    /// A search with `level` (null: the manual settings) and the mode's time range.
    void applySettingsWithAccuracy(const QVariant &level);

    // ---- KTAccuracyPopoverWindowControllerDelegate ----

    void accuracyWindowControllerDidSelectAccuracyLevel(unsigned level) override;
    void accuracyWindowControllerDidCancelWithPreviousAccuracyLevel(unsigned level) override;
    void accuracyWindowControllerWantsToShowExpertSettings() override;

    // ---- KTTimeRangePopoverDelegate ----

    void timeRangePopoverDidDone(KTTimeRangePopoverWindowController *popover) override;

    // ---- Delegates of the grids ----

    void imagesGroupsViewSelectionDidChange(KTImagesGroupsView *view) override;
    void imagesGroupsViewDoubleClickedInGroupAtIndex(KTImagesGroupsView *view, qsizetype groupIndex) override;
    void validateUIVisibleElements() override;
    void adjustUIVisibleElements() override;

public slots:
    /// Takes the selection (in "Compare" the active image) out of its group.
    void onNotDuplicate(QObject *sender);
    /// "Groups" with no pick in the group: the whole group is rejected and dropped; otherwise
    /// its unpicked images are rejected and it is resolved.
    void onDeleteGroup(QObject *sender);
    void onSwitchSortKey(QObject *sender);
    void onSwitchSortOrder(QObject *sender);
    void onShowAccuracyPopover(QObject *sender);

public:
    KTAbstractButton *accuracyButton() const;
    KTAbstractButton *resolveGroupButton() const;
    KTAbstractButton *trashGroupButton() const;
    KTAbstractButton *deleteUnflaggedImagesButton() const;
    KTAbstractButton *deleteGroupButton() const;
    KTAbstractButton *notDuplicateButton() const;
    KTResizablePopUpButton *switchSortKeyButton() const;
    KTAbstractButton *switchSortOrderButton() const;
    KTAccuracyPopoverWindowController *accuracyWindowController() const
    {
        return m_accuracyWindowController.get();
    }

    /// The sort key of a pop-up tag ("creationDate", "modificationDate", "name", "size"), and back
    /// (tag 0 for any other key).
    static QString sortKeyForTag(int tag);
    static int tagForSortKey(const QString &key);

protected:
    void initialize() override;
    /// The group actions, with "Resolve Group".
    void registerActions() override;
    void registerDefaults() override;
    void bindDefaultsValues() override;
    void rootViewDidUnhide() override;
    void setSelectedGroupIndex(std::optional<qsizetype> index) override;
    void setUIEnabled(bool enabled) override;

    qsizetype groupCount() const override { return m_grouppedImages.size(); }
    void reloadGrouppedImages() override;
    void validateGroupSelection() override;
    void adjustGroupSelection() override;
    void validateImagesSelectionAfterGroupSwitch() override;
    void groupSwitchWillStart() override;
    QStringList selectedGroupInfoStrings() const override;
    void clearGroupList() override;
    GroupsTotals groupsTotals() const override
    {
        return {qint64(m_numberOfGrouppedImages), qint64(m_sizeOfGrouppedImages)};
    }
    void taskDidFinish(const QString &taskName) override;
    QString activeImageAbsentMessage() const override;
    QList<double> timeRanges() const override;
    QStringList timeRangesStrings() const override;
    QString timeRangeDescription() const override;

private:
    void buildControls();
    void observeNotificationsFromImageStorage(KTImageStorage *storage);
    void stopObservingNotificationsFromImageStorage();
    void grouppedImagesListDidChange();
    /// Whether the catalogue's lists the rebuild reads (the filtered list and the living group
    /// records) differ from those of the last rebuild.
    bool listInputsChanged() const;
    std::vector<KTObjectID> livingGroups() const;
    void showResolvedMessage(const KTNotification &notification);
    void resolvedMessageDidEnd();
    /// Marks the mode for reload; a hidden mode rebuilds its list at once (for its badge).
    void markNeedsReload();
    void updateSelectedGroupID();
    void resetGroupsSelection();
    /// Remembers the selection before a search that the mode's own settings start, and drops the
    /// group selection while the search replaces the groups.
    void keepSelectionThroughSearch();
    /// After that search: the group that now holds the remembered active image, with the
    /// remembered images that are in it; else the group at the remembered position (or the last).
    void restoreSelectionKeptThroughSearch();
    void adjustSelection();
    void resolveSelectedGroup();
    void createAccuracyPopover();
    void applySortChange();
    /// Enables the group actions for the list and the resolved message.
    void validateGroupActions();

    QList<KTSimilarGroupRecord> m_grouppedImages;
    // What the last rebuild read: a copy shares the catalogue's list until the catalogue changes it.
    // What the list was built from: the catalogue's list (compared by identity) and the ids of
    // the living groups.
    KTRecordList<KTImageMO> m_lastGroupedImages;
    std::vector<KTObjectID> m_lastLivingGroups;
    // Keeps deleted records from being freed while the resolved message holds the list back.
    std::shared_ptr<void> m_heldListHold;
    QHash<QString, qsizetype> m_groupIDToIndexMap;
    std::optional<QHash<QString, qsizetype>> m_groupIDToSortOrderMap;
    bool m_outOfDateSortOrder = false;
    QString m_selectedGroupID;
    struct KeptSelection
    {
        KTRecordRef<KTImageMO> active;
        QList<KTRecordRef<KTImageMO>> selected;
        qsizetype groupIndex = 0;
    };
    std::optional<KeptSelection> m_selectionKeptThroughSearch;
    quint64 m_numberOfGrouppedImages = 0;
    quint64 m_sizeOfGrouppedImages = 0;
    int m_accuracyLevel = 3;
    QString m_accuracyLevelName;
    bool m_doesNotReloadGroupList = false;
    bool m_isSwitchToNextGroupAfterResolving = false;
    std::unique_ptr<KTAccuracyPopoverWindowController> m_accuracyWindowController;
    KTObserverToken m_listObserver;
    KTObserverToken m_resolvedObserver;
    KTObserverToken m_groupsObserver;

    QPointer<KTAbstractButton> m_accuracyButton;
    QPointer<KTAbstractButton> m_resolveGroupButton;
    QPointer<KTAbstractButton> m_trashGroupButton;
    QPointer<KTAbstractButton> m_deleteUnflaggedImagesButton;
    QPointer<KTAbstractButton> m_deleteGroupButton;
    QPointer<KTAbstractButton> m_notDuplicateButton;
    QPointer<KTResizablePopUpButton> m_switchSortKeyButton;
    QPointer<KTAbstractButton> m_switchSortOrderButton;
};
