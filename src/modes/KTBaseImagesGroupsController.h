#pragma once

#include "KTGroupModeController.h"
#include "KTPredicate.h"
#include "KTRecordRef.h"
#include "KTTimeGroupingCapability.h"

#include <QDateTime>
#include <QHash>
#include <QVariantMap>

#include <memory>

class KTMultiBindingsController;
class KTTimeGroupMO;
class KTTimeLineImagesGroupsView;

/// The review mode over the catalogue's time groups: every image that is not rejected, in
/// groups of shots taken close together, listed in shooting order (the images without a shooting
/// time last, by creation date), with a day band above the first group of each day.
///
/// The selected group is kept by position: after a change of the list the same position stays
/// selected (the first group when it fell off the end). A move to another group starts on its
/// first image unless a remembered image is in it; a group chosen in the list keeps the image
/// positions. The time range sets the grouping interval: a new one regroups the whole catalogue
/// and selects the first group.
///
/// A reject (or its undo) on screen touches only its time groups: the filtered list's merge names
/// the images that left or joined, and only their groups are made again and put back in place. What
/// a merge cannot place for certain (a deleted image, a tie of shooting times, members that
/// moved, a list fetched anew) and every change while the mode is hidden rebuild the whole list.
///
/// A concrete mode supplies its identity (modeID()) and its filter predicate.
///
/// Threading: main thread only; the regrouping runs in the catalogue's background task.
class KTBaseImagesGroupsController : public KTGroupModeController, public KTTimeGroupingCapability
{
    Q_OBJECT
public:
    ~KTBaseImagesGroupsController() override;

    /// The class's own name: the identifier of the filtered list and of its notification.
    QString imagesFilterID() const override;
    /// Which images the mode lists (before the time groups are taken into account).
    virtual KTPredicate imagesFilterPredicate() const = 0;
    /// The predicate (applied after the fetch) and imagesSortDescriptors().
    QVariantMap imagesFilter() const;
    /// Moves the observers and the filter from the previous catalogue to `storage`.
    void setImageStorage(KTImageStorage *storage) override;

    // ---- The list ----

    /// The listed time groups, each its images in shooting order.
    QList<KTImageMO *> imagesForGroup(qsizetype index) const override;
    /// No badge on the mode's button.
    QString modeButtonBadge() const override;
    KTTimeLineImagesGroupsView *timeLineView() const;
    /// The button that rejects the images of the selected group that are not picked; enabled
    /// unless every image of the group is picked.
    KTAbstractButton *rejectNotSelectedButtonControl() const;
    QWidget *rejectNotSelectedButton() const override;
    /// The grouping interval.
    double timeRange() const override { return KTGroupModeController::timeRange(); }
    /// Whether the reject-unselected command has something to do.
    virtual bool canRejectNotSelected() const = 0;
    /// The reject-unselected command (its button, its menu item).
    virtual void onRejectNotSelected(QObject *sender) = 0;

    // ---- Time range popover ----

    /// The chosen interval is stored, the first group selected, and the catalogue regroups.
    void timeRangePopoverDidDone(KTTimeRangePopoverWindowController *popover) override;

    // ---- Delegates of the grids ----

    void imagesGroupsViewSelectionDidChange(KTImagesGroupsView *view) override;

protected:
    explicit KTBaseImagesGroupsController(QObject *parent);

    void initialize() override;
    /// The group actions, and "Reject Unselected" in the place of the resolve command.
    void registerActions() override;
    /// In "Image" the right arrow on the group's last image shows the next group, the left arrow
    /// on its first image the previous one (from its last image): every image is one arrow away.
    bool keyDownInView(const QKeyEvent &event) override;
    void registerDefaults() override;

    qsizetype groupCount() const override { return m_groups.size(); }
    void reloadGrouppedImages() override;
    void validateGroupSelection() override;
    void adjustGroupSelection() override;
    void validateImagesSelectionAfterGroupSwitch() override;
    QStringList selectedGroupInfoStrings() const override;
    void clearGroupList() override;
    GroupsTotals groupsTotals() const override { return m_groupsTotals; }
    QString activeImageAbsentMessage() const override;
    QList<double> timeRanges() const override;
    QStringList timeRangesStrings() const override;
    QString timeRangeDescription() const override;
    void setAllGroupsInfoBarEnabled(bool enabled) override;

    /// Loads the selected group and refreshes what depends on it.
    void storeGroupSelection();
    /// The reject-not-selected button follows the picks of the selected group's images.
    void adjustRejectNotSelectedButtonState();

private:
    /// One listed time group: its images that are not rejected in display order, and what the
    /// list was ordered and totalled by when they were listed.
    struct ListedGroup
    {
        KTObjectID timeGroup;
        bool withoutTimeStamp = false;
        QDateTime firstTimeStamp;
        KTRecordList<KTImageMO> images;
        qsizetype count = 0;
        qint64 bytes = 0;
    };
    static ListedGroup listedGroup(const KTTimeGroupMO &group);

    void observeNotificationsFromImageStorage(KTImageStorage *storage);
    /// A merge of the filtered list, shown group by group when it can be; else a full rebuild.
    void filteredListDidChange(const QVariantMap &userInfo);
    /// Makes the time groups of `images` again and puts them in their places, as the full rebuild
    /// would. False when it cannot be sure to (the list may be left half done: rebuild it).
    bool updateGroupsOfImages(const QList<KTImageMO *> &images);
    bool placeGroup(ListedGroup group);
    /// The totals and the group look-up, after the list changed.
    void indexGroups();

    QList<ListedGroup> m_groups;
    QHash<KTObjectID, qsizetype> m_indexOfTimeGroup;
    GroupsTotals m_groupsTotals;
    KTObserverToken m_listObserver;
    KTObserverToken m_groupsObserver;
    std::unique_ptr<KTMultiBindingsController> m_rejectNotSelectedButtonMultibindingsController;
    QPointer<KTAbstractButton> m_rejectNotSelectedButton;
};
