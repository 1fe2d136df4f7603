#include "KTBaseImagesGroupsController.h"

#include "KTModeChrome.h"
#include "KTAbstractButton.h"
#include "KTBindingSource.h"
#include "KTCatalogModel.h"
#include "KTCatalogNotifications.h"
#include "KTFilteredImageLists.h"
#include "KTImageMO.h"
#include "KTImageStorage.h"
#include "KTModeToolbar.h"
#include "KTMultiBindingsController.h"
#include "KTSortDescriptor.h"
#include "KTTimeGroupMO.h"
#include "KTTimeLineImagesGroupsView.h"
#include "KTTimeRangePopoverWindowController.h"
#include "KTUserDefaults.h"
#include "KTUtils.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QSet>

#include <algorithm>
#include <optional>

namespace {

const QString kTimeRangeKey = QStringLiteral("timeRange");

/// The images of `group` that are not rejected, sorted by `key` ascending.
QList<KTImageMO *> unrejectedImagesSortedBy(const KTTimeGroupMO *group, const QString &key)
{
    QList<KTStoreObject *> sorted;
    for (KTImageMO *image : group->images()) {
        if (!image->rejected().value_or(false))
            sorted.append(image);
    }
    KTSortDescriptor::sortObjects(sorted, {KTSortDescriptor(key)});
    QList<KTImageMO *> images;
    images.reserve(sorted.size());
    for (KTStoreObject *object : std::as_const(sorted))
        images.append(static_cast<KTImageMO *>(object));
    return images;
}

} // namespace

KTBaseImagesGroupsController::KTBaseImagesGroupsController(QObject *parent)
    : KTGroupModeController(new KTTimeLineImagesGroupsView, parent)
{
    m_rejectNotSelectedButton = KTModeToolbar::roundButton(
        QStringLiteral("reject"), tr("Reject the images of the group that are not picked"),
        KTAbstractButton::Momentary, groupActionsLayout()->parentWidget());
    m_rejectNotSelectedButton->setObjectName(QStringLiteral("rejectNotSelectedButton"));
    connect(m_rejectNotSelectedButton, &KTControl::clicked, this,
            [this] { onRejectNotSelected(m_rejectNotSelectedButton); });
    groupActionsLayout()->addWidget(m_rejectNotSelectedButton);
    groupActionsLayout()->addSpacing(10);
    timeRangeButton()->setToolTip(tr("Shots taken closer together than this share a group"));
}

KTBaseImagesGroupsController::~KTBaseImagesGroupsController()
{
    m_listObserver.reset();
    m_groupsObserver.reset();
    m_rejectNotSelectedButtonMultibindingsController.reset();
    chrome().destroyView();
}

QString KTBaseImagesGroupsController::imagesFilterID() const
{
    return QString::fromLatin1(metaObject()->className());
}

QVariantMap KTBaseImagesGroupsController::imagesFilter() const
{
    return {
        {kFilterPredicateKey, QVariant::fromValue(imagesFilterPredicate())},
        {kFilterSortDescriptorsKey, QVariant::fromValue(imagesSortDescriptors())},
        {kShouldApplyPredicateAfterFetch, true},
    };
}

void KTBaseImagesGroupsController::initialize()
{
    KTGroupModeController::initialize();
    groupsView()->setEmptyMessage(tr("No Images"));
    // The group selected at the last quit.
    const QVariant stored = userDefaults().objectForKey(QStringLiteral("kRestoredGroupIdx_") +
                                                        QString::fromLatin1(metaObject()->className()));
    if (stored.isValid() && stored.toLongLong() >= 0)
        setSelectedGroupIndex(qsizetype(stored.toLongLong()));
}

void KTBaseImagesGroupsController::registerActions()
{
    KTGroupModeController::registerActions();
    actions().add(KTModeCommand::ResolveGroup, {tr("Reject Unselected"),
                                                {QKeySequence(QStringLiteral("Ctrl+Return"))},
                                                [this] { onRejectNotSelected(nullptr); },
                                                [this] { return canRejectNotSelected(); }});
}

bool KTBaseImagesGroupsController::keyDownInView(const QKeyEvent &event)
{
    // Groups of one shot are common in a timeline: the arrows walk on into the neighbouring group
    // instead of stopping at the end of each.
    const bool plain = (event.modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    const std::optional<qsizetype> group = selectedGroupIndex();
    const std::optional<qsizetype> active = activeImageIndex();
    if (UIMode() == kUIModeImage && plain && group && active) {
        if (event.key() == Qt::Key_Right && *active + 1 >= images().size() && *group + 1 < groupCount()) {
            switchToGroupAtIndex(*group + 1, KTGroupSwitchAnimation::PushFromBottom);
            return true;
        }
        if (event.key() == Qt::Key_Left && *active == 0 && *group > 0) {
            switchToGroupAtIndex(*group - 1, KTGroupSwitchAnimation::PushFromTop);
            // Stepping back lands on the previous group's last shot.
            const qsizetype last = images().size() - 1;
            setSelectedImagesIndexes({last});
            setActiveImageIndex(last);
            updateSelectedImagesPaths();
            adjustImagesSelectionFromImageListView(nullptr);
            return true;
        }
    }
    return KTGroupModeController::keyDownInView(event);
}

void KTBaseImagesGroupsController::registerDefaults()
{
    KTGroupModeController::registerDefaults();
    userDefaults().registerDefaults({{defaultsKeyPathForKey(kTimeRangeKey), 300.0}});
}

// ---- Catalogue ----

void KTBaseImagesGroupsController::setImageStorage(KTImageStorage *storage)
{
    KTImageStorage *previous = imageStorage();
    if (storage == previous)
        return;
    m_listObserver.reset();
    m_groupsObserver.reset();
    if (previous)
        previous->removeFilterWithID(imagesFilterID());
    KTGroupModeController::setImageStorage(storage);
    observeNotificationsFromImageStorage(storage);
    if (storage)
        storage->setFilter(imagesFilter(), imagesFilterID());
}

void KTBaseImagesGroupsController::observeNotificationsFromImageStorage(KTImageStorage *storage)
{
    if (!storage)
        return;
    KTNotificationCenter &center = KTNotificationCenter::defaultCenter();
    const QPointer<KTBaseImagesGroupsController> self(this);
    m_listObserver =
        center.addObserver(imagesFilterID(), storage, [self](const KTNotification &notification) {
            if (self)
                self->filteredListDidChange(notification.userInfo);
        });
    m_groupsObserver =
        center.addObserver(KTTimeGroupsDidChangeInfo::name(), storage, [self](const KTNotification &) {
            if (self)
                self->setNeedsReload();
        });
}

void KTBaseImagesGroupsController::filteredListDidChange(const QVariantMap &userInfo)
{
    using Info = KTFilteredListChangedInfo;
    if (!isNeedReload() && isViewShown() && Info::isMerge(userInfo) &&
        Info::movedImages(userInfo).isEmpty() &&
        updateGroupsOfImages(Info::joinedImages(userInfo) + Info::leftImages(userInfo))) {
        showChangedList();
        return;
    }
    // Shown, the rebuild runs at once and replaces whatever the update left half done.
    setNeedsReload();
}

// ---- The list ----

QList<KTImageMO *> KTBaseImagesGroupsController::imagesForGroup(qsizetype index) const
{
    return index >= 0 && index < m_groups.size() ? m_groups.at(index).images.records() : QList<KTImageMO *>();
}

KTBaseImagesGroupsController::ListedGroup
KTBaseImagesGroupsController::listedGroup(const KTTimeGroupMO &group)
{
    // The images without a shooting time go by creation date.
    ListedGroup listed;
    listed.timeGroup = group.objectID();
    listed.withoutTimeStamp = group.timestampIsAbsent().value_or(false);
    const QList<KTImageMO *> images = unrejectedImagesSortedBy(
        &group, listed.withoutTimeStamp ? QStringLiteral("creationDate") : kImageTimeStampValueKey);
    if (!images.isEmpty())
        listed.firstTimeStamp = images.constFirst()->timeStamp();
    for (const KTImageMO *image : images)
        listed.bytes += qint64(image->size().value_or(0));
    listed.count = images.size();
    listed.images = images;
    return listed;
}

void KTBaseImagesGroupsController::reloadGrouppedImages()
{
    KTImageStorage *storage = imageStorage();
    if (!storage) {
        clearGroupList();
        return;
    }
    // 1. The catalogue keeps the filter's list current once asked for.
    storage->imagesFilteredByFilterWithID(imagesFilterID());
    // 2. Each time group's images that are not rejected, in shooting order; the group of the
    // images without a shooting time, by creation date, is held back for the end.
    QList<ListedGroup> groups;
    std::optional<ListedGroup> withoutTimeStamp;
    for (const KTTimeGroupMO *group : storage->timeGroups()) {
        ListedGroup listed = listedGroup(*group);
        if (listed.withoutTimeStamp)
            withoutTimeStamp = std::move(listed);
        else if (listed.count > 0)
            groups.append(std::move(listed));
    }
    // 3-4. The groups by the shooting time of their first image.
    std::stable_sort(groups.begin(), groups.end(), [](const ListedGroup &a, const ListedGroup &b) {
        return a.firstTimeStamp < b.firstTimeStamp;
    });
    if (withoutTimeStamp && withoutTimeStamp->count > 0)
        groups.append(std::move(*withoutTimeStamp));
    m_groups = std::move(groups);
    indexGroups();
}

bool KTBaseImagesGroupsController::updateGroupsOfImages(const QList<KTImageMO *> &images)
{
    // Each time group once; a deleted image or group (a session cleared, a regrouping) leaves the
    // groups to a rebuild.
    QList<const KTTimeGroupMO *> touched;
    QSet<KTObjectID> seen;
    for (const KTImageMO *image : images) {
        const KTTimeGroupMO *group = image->timeGroup();
        if (image->isDeleted() || !group || group->isDeleted())
            return false;
        if (!seen.contains(group->objectID())) {
            seen.insert(group->objectID());
            touched.append(group);
        }
    }
    for (const KTTimeGroupMO *group : std::as_const(touched)) {
        if (!placeGroup(listedGroup(*group)))
            return false;
    }
    return true;
}

bool KTBaseImagesGroupsController::placeGroup(ListedGroup group)
{
    const qsizetype index = m_indexOfTimeGroup.value(group.timeGroup, -1);
    const bool endsWithoutTimeStamp = !m_groups.isEmpty() && m_groups.constLast().withoutTimeStamp;
    if (index >= 0 && m_groups.at(index).withoutTimeStamp != group.withoutTimeStamp)
        return false;
    if (index >= 0 && group.count == 0) {
        m_groups.removeAt(index);
    } else if (index >= 0 &&
               (group.withoutTimeStamp || group.firstTimeStamp == m_groups.at(index).firstTimeStamp)) {
        // The same first shooting time keeps the place a stable sort gave the group.
        m_groups[index] = std::move(group);
    } else if (group.withoutTimeStamp) {
        // The group of the images without a shooting time comes last; a second one is the
        // rebuild's to place.
        if (group.count == 0)
            return true;
        if (endsWithoutTimeStamp)
            return false;
        m_groups.append(std::move(group));
    } else {
        if (index >= 0)
            m_groups.removeAt(index);
        else if (group.count == 0)
            return true;
        // After the groups shot earlier; a tie is the rebuild's, whose stable sort keeps the
        // catalogue's order among equal times.
        const auto begin = m_groups.begin();
        const auto end = m_groups.end() - (endsWithoutTimeStamp ? 1 : 0);
        const auto at = std::upper_bound(
            begin, end, group.firstTimeStamp,
            [](const QDateTime &time, const ListedGroup &listed) { return time < listed.firstTimeStamp; });
        if (at != begin && !(std::prev(at)->firstTimeStamp < group.firstTimeStamp))
            return false;
        m_groups.insert(at, std::move(group));
    }
    indexGroups();
    return true;
}

void KTBaseImagesGroupsController::indexGroups()
{
    m_groupsTotals = {};
    m_indexOfTimeGroup.clear();
    m_indexOfTimeGroup.reserve(m_groups.size());
    for (qsizetype index = 0; index < m_groups.size(); ++index) {
        const ListedGroup &group = m_groups.at(index);
        m_groupsTotals.images += group.count;
        m_groupsTotals.bytes += group.bytes;
        m_indexOfTimeGroup.insert(group.timeGroup, index);
    }
}

void KTBaseImagesGroupsController::clearGroupList()
{
    m_groups.clear();
    m_indexOfTimeGroup.clear();
    m_groupsTotals = {};
}

KTTimeLineImagesGroupsView *KTBaseImagesGroupsController::timeLineView() const
{
    return static_cast<KTTimeLineImagesGroupsView *>(groupsView());
}

QString KTBaseImagesGroupsController::modeButtonBadge() const
{
    return {};
}

QWidget *KTBaseImagesGroupsController::rejectNotSelectedButton() const
{
    return m_rejectNotSelectedButton;
}

// ---- Selection ----

void KTBaseImagesGroupsController::validateGroupSelection()
{
    // The same position stays selected; the first group when it is gone.
    const qsizetype count = m_groups.size();
    const std::optional<qsizetype> index = selectedGroupIndex();
    if (!index || *index < 0 || *index >= count)
        setSelectedGroupIndex(count > 0 ? std::optional<qsizetype>(0) : std::nullopt);
}

void KTBaseImagesGroupsController::adjustGroupSelection()
{
    // The group list shows the selection in every sub-mode.
    groupsView()->setSelectedGroupIndex(selectedGroupIndex());
    if (!doesNotScrollSelectionToVisible())
        groupsView()->scrollSelectedGroupToVisible();
    storeGroupSelection();
    adjustSelectAllButtonVisibility();
}

void KTBaseImagesGroupsController::storeGroupSelection()
{
    reloadImages();
    validateCompareModeButton();
    adjustShareButtonState();
    adjustFlagImageButtonState();
    adjustRejectNotSelectedButtonState();
    updateInfoView();
    validateFlagAndShareButtons();
}

void KTBaseImagesGroupsController::validateImagesSelectionAfterGroupSwitch()
{
    validateImagesSelectionGroupChanged(true);
}

void KTBaseImagesGroupsController::imagesGroupsViewSelectionDidChange(KTImagesGroupsView *view)
{
    setSelectedGroupIndex(view->selectedGroupIndex());
    storeGroupSelection();
}

void KTBaseImagesGroupsController::adjustRejectNotSelectedButtonState()
{
    if (!m_rejectNotSelectedButtonMultibindingsController) {
        m_rejectNotSelectedButtonMultibindingsController = std::make_unique<KTMultiBindingsController>();
        connect(m_rejectNotSelectedButtonMultibindingsController.get(),
                &KTMultiBindingsController::boolValueChanged, this, [this](bool allPicked) {
                    if (m_rejectNotSelectedButton)
                        m_rejectNotSelectedButton->setButtonEnabled(!allPicked);
                });
    }
    QList<KTBindingSource> sources;
    for (KTImageMO *image : imagesForSelectedGroup())
        sources.append(KTBindingSource(image));
    m_rejectNotSelectedButtonMultibindingsController->bindBoolValueToObjects(sources,
                                                                             QStringLiteral("picked"));
    // Enabled unless every image is picked (an empty group leaves it enabled).
    m_rejectNotSelectedButton->setButtonEnabled(
        !m_rejectNotSelectedButtonMultibindingsController->boolValue());
}

QString KTBaseImagesGroupsController::activeImageAbsentMessage() const
{
    return QStringLiteral("Error active image absent in groupped images.");
}

// ---- View rules ----

QStringList KTBaseImagesGroupsController::selectedGroupInfoStrings() const
{
    const QList<KTImageMO *> group = images();
    qint64 bytes = 0;
    for (const KTImageMO *image : group)
        bytes += qint64(image->size().value_or(0));
    const int count = int(group.size());
    return {count == 1 ? tr("Group of 1 image") : tr("Group of %n images", nullptr, count),
            KTUtils::stringFromByteCount(bytes)};
}

void KTBaseImagesGroupsController::setAllGroupsInfoBarEnabled(bool enabled)
{
    KTGroupModeController::setAllGroupsInfoBarEnabled(enabled);
    timeRangeButton()->setButtonEnabled(enabled);
}

// ---- Time range ----

QList<double> KTBaseImagesGroupsController::timeRanges() const
{
    return {2, 10, 30, 60, 300, 600, 1200};
}

QStringList KTBaseImagesGroupsController::timeRangesStrings() const
{
    // Shown as written.
    return {QStringLiteral("2 sec"),  QStringLiteral("10 sec"), QStringLiteral("30 sec"),
            QStringLiteral("60 sec"), QStringLiteral("5 min"),  QStringLiteral("10 min"),
            QStringLiteral("20 min")};
}

QString KTBaseImagesGroupsController::timeRangeDescription() const
{
    return tr("If shooting interval of photos is less than selected time range, they will be put in the same "
              "group.");
}

void KTBaseImagesGroupsController::timeRangePopoverDidDone(KTTimeRangePopoverWindowController *popover)
{
    setTimeRange(popover->timeRange());
    setSelectedGroupIndex(0);
    updateTimeRangeButton();
    // The catalogue regroups in the background; its "timeGroupsDidChange" brings the reload.
    if (KTImageStorage *storage = imageStorage())
        storage->groupImagesByTimeInterval(timeRange());
}

KTAbstractButton *KTBaseImagesGroupsController::rejectNotSelectedButtonControl() const
{
    return m_rejectNotSelectedButton;
}
