#include "KTDuplicatesImagesModeController.h"

#include "KTModeChrome.h"
#include "KTAbstractButton.h"
#include "KTAccuracyPopoverWindowController.h"
#include "KTCatalogNotifications.h"
#include "KTDuplicatesSearchSettingsController.h"
#include "KTDuplicatesSeeker.h"
#include "KTFilteredImageLists.h"
#include "KTImageGroupMO.h"
#include "KTImageGroupNavigationView.h"
#include "KTImageGroupView.h"
#include "KTImageMO.h"
#include "KTImageStorage.h"
#include "KTImageView.h"
#include "KTImagesGroupsView.h"
#include "KTModeToolbar.h"
#include "KTPredicate.h"
#include "KTResizablePopUpButton.h"
#include "KTResolveGroupViewController.h"
#include "KTSearchSettings.h"
#include "KTSimilarImagesGroupsView.h"
#include "KTSortDescriptor.h"
#include "KTTaskNotifications.h"
#include "KTTasksNotifier.h"
#include "KTTimeRangePopoverWindowController.h"
#include "KTUserDefaults.h"
#include "KTUtils.h"

#include <QHBoxLayout>
#include <QMenu>
#include <QTimer>

#include <algorithm>
#include <numeric>
#include <utility>

namespace {

const QString kGrouppedImagesFilterID = QStringLiteral("GrouppedImages");
const QString kDuplicatesModeID = QStringLiteral("Duplicates");
const QString kAccuracyLevelKey = QStringLiteral("accuracyLevel");
const QString kTimeRangeKey = QStringLiteral("timeRange");
const QString kSizeKey = QStringLiteral("size");

const QStringList &sortKeysByTag()
{
    static const QStringList s_keys{QStringLiteral("creationDate"), QStringLiteral("modificationDate"),
                                    QStringLiteral("name"), QStringLiteral("size")};
    return s_keys;
}

} // namespace

KTDuplicatesImagesModeController::KTDuplicatesImagesModeController(QObject *parent)
    : KTGroupModeController(new KTSimilarImagesGroupsView, parent)
{
    buildControls();
    initialize();
}

KTDuplicatesImagesModeController::~KTDuplicatesImagesModeController()
{
    stopObservingNotificationsFromImageStorage();
    m_accuracyWindowController.reset();
    chrome().destroyView();
}

QString KTDuplicatesImagesModeController::modeID() const
{
    return kDuplicatesModeID;
}

QString KTDuplicatesImagesModeController::imagesFilterID() const
{
    return kGrouppedImagesFilterID;
}

// ---- Building ----

void KTDuplicatesImagesModeController::buildControls()
{
    QWidget *groupsControls = groupsModeControls();
    QHBoxLayout *groupsRow = groupsModeControlsLayout();
    m_switchSortKeyButton = KTModeToolbar::sortKeyPopUpButton(
        {tr("Date Created"), tr("Date Modified"), tr("Name"), tr("Group Size")},
        tr("Sort the groups by their first image, or by size"), groupsControls);
    connect(m_switchSortKeyButton, &KTControl::clicked, this,
            [this] { onSwitchSortKey(m_switchSortKeyButton); });
    m_switchSortOrderButton = KTModeToolbar::roundButton(QStringLiteral("sort_ascending"), tr("Sort order"),
                                                         KTAbstractButton::Toggle, groupsControls);
    m_switchSortOrderButton->setObjectName(QStringLiteral("switchSortOrderButton"));
    m_switchSortOrderButton->setPushedPictogramName(QStringLiteral("sort_descending"));
    connect(m_switchSortOrderButton, &KTControl::clicked, this,
            [this] { onSwitchSortOrder(m_switchSortOrderButton); });
    m_accuracyButton = new KTAbstractButton(groupsControls);
    m_accuracyButton->setObjectName(QStringLiteral("accuracyButton"));
    m_accuracyButton->setNormalStateThreeImageName(QStringLiteral("dropdown"));
    m_accuracyButton->setPushedStateThreeImageName(QStringLiteral("dropdown_on"));
    m_accuracyButton->setBehavior(KTAbstractButton::Toggle);
    m_accuracyButton->setToolTip(tr("How alike the images of a group must be"));
    m_accuracyButton->setFixedSize(88, 24);
    connect(m_accuracyButton, &KTControl::clicked, this, [this] { onShowAccuracyPopover(m_accuracyButton); });
    timeRangeButton()->setToolTip(tr("Only images taken within this time are compared"));
    int position = 0;
    for (QWidget *control : {static_cast<QWidget *>(m_switchSortKeyButton.data()),
                             static_cast<QWidget *>(m_switchSortOrderButton.data()),
                             static_cast<QWidget *>(m_accuracyButton.data())})
        groupsRow->insertWidget(position++, control);

    // The group actions of the right side: what each sub-mode offers on the group and its images.
    QHBoxLayout *actions = groupActionsLayout();
    QWidget *holder = actions->parentWidget();
    m_notDuplicateButton =
        KTModeToolbar::roundButton(QStringLiteral("ungroup"), tr("Not similar: take out of the group"),
                                   KTAbstractButton::Momentary, holder);
    m_notDuplicateButton->setObjectName(QStringLiteral("notDuplicateButton"));
    connect(m_notDuplicateButton, &KTControl::clicked, this,
            [this] { onNotDuplicate(m_notDuplicateButton); });
    m_trashGroupButton = KTModeToolbar::roundButton(QStringLiteral("reject"), tr("Reject (Ctrl+R)"),
                                                    KTAbstractButton::Momentary, holder);
    m_trashGroupButton->setObjectName(QStringLiteral("trashGroupButton"));
    connect(m_trashGroupButton, &KTControl::clicked, this, [this] { onToTrash(m_trashGroupButton); });
    m_deleteUnflaggedImagesButton = KTModeToolbar::roundButton(
        QStringLiteral("trash"), tr("Reject the images not picked and resolve the group"),
        KTAbstractButton::Momentary, holder);
    m_deleteUnflaggedImagesButton->setObjectName(QStringLiteral("deleteUnflaggedImagesButton"));
    connect(m_deleteUnflaggedImagesButton, &KTControl::clicked, this,
            [this] { onDeleteGroup(m_deleteUnflaggedImagesButton); });
    m_deleteGroupButton = KTModeToolbar::roundButton(
        QStringLiteral("trash"), tr("Reject the group (the images not picked, when any is picked)"),
        KTAbstractButton::Momentary, holder);
    m_deleteGroupButton->setObjectName(QStringLiteral("deleteGroupButton"));
    connect(m_deleteGroupButton, &KTControl::clicked, this, [this] { onDeleteGroup(m_deleteGroupButton); });
    m_resolveGroupButton = KTModeToolbar::roundButton(
        QStringLiteral("resolve"), tr("Resolve the group: keep the picks, reject the rest (Ctrl+Return)"),
        KTAbstractButton::Momentary, holder);
    m_resolveGroupButton->setObjectName(QStringLiteral("resolveGroupButton"));
    connect(m_resolveGroupButton, &KTControl::clicked, this,
            [this] { onResolveGroup(m_resolveGroupButton); });
    for (QWidget *button : {static_cast<QWidget *>(m_notDuplicateButton.data()),
                            static_cast<QWidget *>(m_trashGroupButton.data()),
                            static_cast<QWidget *>(m_deleteUnflaggedImagesButton.data()),
                            static_cast<QWidget *>(m_deleteGroupButton.data()),
                            static_cast<QWidget *>(m_resolveGroupButton.data())})
        actions->addWidget(button);
    actions->addSpacing(10);
}

void KTDuplicatesImagesModeController::initialize()
{
    KTGroupModeController::initialize();
    groupsView()->setEmptyMessage(tr("No Similar Images"));
    createAccuracyPopover();
    updateAccuracySettings();
}

void KTDuplicatesImagesModeController::registerActions()
{
    KTGroupModeController::registerActions();
    actions().add(KTModeCommand::ResolveGroup, {tr("Resolve Group"),
                                                {QKeySequence(QStringLiteral("Ctrl+Return"))},
                                                [this] { onResolveGroup(nullptr); },
                                                [this] { return canResolve(); }});
}

void KTDuplicatesImagesModeController::registerDefaults()
{
    KTGroupModeController::registerDefaults();
    userDefaults().registerDefaults({
        {defaultsKeyPathForKey(kAccuracyLevelKey), 3},
        {defaultsKeyPathForKey(kTimeRangeKey), 0.0},
    });
}

void KTDuplicatesImagesModeController::bindDefaultsValues()
{
    KTGroupModeController::bindDefaultsValues();
    bindPerModeDefault(kAccuracyLevelKey, [this](const QVariant &value) { setAccuracyLevel(value.toInt()); });
}

// ---- Catalogue ----

QVariantMap KTDuplicatesImagesModeController::imagesFilter() const
{
    const KTPredicate inGroup = KTPredicate::fromCallback([](const KTStoreObject &object) {
        const auto *image = dynamic_cast<const KTImageMO *>(&object);
        return image && image->group() && !image->rejected().value_or(false);
    });
    return {
        {kFilterPredicateKey, QVariant::fromValue(inGroup)},
        {kFilterSortDescriptorsKey, QVariant::fromValue(imagesSortDescriptors())},
        {kShouldApplyPredicateAfterFetch, true},
    };
}

void KTDuplicatesImagesModeController::setImageStorage(KTImageStorage *storage)
{
    KTImageStorage *previous = imageStorage();
    if (storage == previous)
        return;
    stopObservingNotificationsFromImageStorage();
    if (previous)
        previous->removeFilterWithID(kGrouppedImagesFilterID);
    KTGroupModeController::setImageStorage(storage);
    observeNotificationsFromImageStorage(storage);
    if (storage)
        storage->setFilter(imagesFilter(), kGrouppedImagesFilterID);
}

void KTDuplicatesImagesModeController::observeNotificationsFromImageStorage(KTImageStorage *storage)
{
    if (!storage)
        return;
    KTNotificationCenter &center = KTNotificationCenter::defaultCenter();
    const QPointer<KTDuplicatesImagesModeController> self(this);
    m_listObserver = center.addObserver(kGrouppedImagesFilterID, storage, [self](const KTNotification &) {
        if (self)
            self->grouppedImagesListDidChange();
    });
    m_resolvedObserver = center.addObserver(KTImageGroupResolvedInfo::name(), storage,
                                            [self](const KTNotification &notification) {
                                                if (self)
                                                    self->showResolvedMessage(notification);
                                            });
    m_groupsObserver =
        center.addObserver(KTImageGroupsDidChangeInfo::name(), storage, [self](const KTNotification &) {
            if (self)
                self->grouppedImagesListDidChange();
        });
}

void KTDuplicatesImagesModeController::stopObservingNotificationsFromImageStorage()
{
    m_listObserver.reset();
    m_resolvedObserver.reset();
    m_groupsObserver.reset();
}

void KTDuplicatesImagesModeController::grouppedImagesListDidChange()
{
    // One change of the catalogue can post both notifications; the second finds nothing new.
    if (!m_doesNotReloadGroupList && listInputsChanged())
        markNeedsReload();
}

std::vector<KTObjectID> KTDuplicatesImagesModeController::livingGroups() const
{
    std::vector<KTObjectID> living;
    if (KTImageStorage *storage = imageStorage()) {
        for (KTImageGroupMO *group : storage->groups()) {
            if (!group->isDeleted())
                living.push_back(group->objectID());
        }
    }
    std::sort(living.begin(), living.end());
    return living;
}

bool KTDuplicatesImagesModeController::listInputsChanged() const
{
    KTImageStorage *storage = imageStorage();
    if (!storage)
        return true;
    const QList<KTImageMO *> grouped = storage->imagesFilteredByFilterWithID(kGrouppedImagesFilterID);
    // The kept list answers the catalogue's list itself until some record goes; then it is a list
    // of its own, and the mode rebuilds.
    const QList<KTImageMO *> last = m_lastGroupedImages.records();
    if (grouped.constData() != last.constData() || grouped.size() != last.size())
        return true;
    return livingGroups() != m_lastLivingGroups;
}

void KTDuplicatesImagesModeController::taskDidFinish(const QString &taskName)
{
    if (taskName == kSearchDuplicatesTaskName || taskName == kLoadImagesTaskName) {
        // Imports and searches the mode did not ask for end with the first group selected; a
        // search for the mode's new settings keeps the user's place. Both after the handler has
        // returned, so the lists are current.
        const bool keeps = taskName == kSearchDuplicatesTaskName && m_selectionKeptThroughSearch;
        if (!keeps)
            m_selectionKeptThroughSearch.reset();
        QTimer::singleShot(0, this, [this, keeps] {
            if (keeps && m_selectionKeptThroughSearch)
                restoreSelectionKeptThroughSearch();
            else
                resetGroupsSelection();
        });
        return;
    }
    if (taskName == kCleanSessionTaskName && m_doesNotReloadGroupList) {
        // A list held back by the resolved message must let go of the cleared records too.
        m_doesNotReloadGroupList = false;
        m_heldListHold.reset();
        m_isSwitchToNextGroupAfterResolving = false;
        markNeedsReload();
    }
    KTGroupModeController::taskDidFinish(taskName);
}

void KTDuplicatesImagesModeController::clearGroupList()
{
    m_grouppedImages.clear();
    m_groupIDToIndexMap.clear();
    m_lastGroupedImages.clear();
    m_lastLivingGroups.clear();
    m_numberOfGrouppedImages = 0;
    m_sizeOfGrouppedImages = 0;
}

QString KTDuplicatesImagesModeController::activeImageAbsentMessage() const
{
    return QStringLiteral("Error: Active image absent in selected group");
}

void KTDuplicatesImagesModeController::markNeedsReload()
{
    setNeedsReload();
    if (!isNeedReload())
        return;
    // Hidden: a fresh full sort that touches neither the views nor the delegate, so the mode
    // button's badge counts the current groups.
    m_groupIDToSortOrderMap.reset();
    reloadGrouppedImagesShouldReloadGroupsView(false);
    updateModeButtonBadge();
}

void KTDuplicatesImagesModeController::rootViewDidUnhide()
{
    // Shown again: the groups are sorted afresh.
    if (m_outOfDateSortOrder) {
        m_groupIDToSortOrderMap.reset();
        markNeedsReload();
    }
    KTGroupModeController::rootViewDidUnhide();
}

// ---- The list ----

QList<KTImageMO *> KTDuplicatesImagesModeController::imagesForGroup(qsizetype index) const
{
    if (index < 0 || index >= m_grouppedImages.size())
        return {};
    return m_grouppedImages.at(index).images.records();
}

void KTDuplicatesImagesModeController::reloadGrouppedImages()
{
    reloadGrouppedImagesShouldReloadGroupsView(false);
}

void KTDuplicatesImagesModeController::reloadGrouppedImagesShouldReloadGroupsView(bool reloadView)
{
    KTImageStorage *storage = imageStorage();
    const QList<KTImageGroupMO *> groups = storage ? storage->groups() : QList<KTImageGroupMO *>();
    // 1. A group the last full sort did not know makes the whole list sorted afresh.
    bool fullSort = !m_groupIDToSortOrderMap.has_value() && !groups.isEmpty();
    if (m_groupIDToSortOrderMap) {
        for (const KTImageGroupMO *group : groups) {
            if (!m_groupIDToSortOrderMap->contains(group->groupID())) {
                fullSort = true;
                break;
            }
        }
    }
    // 2-5. Each group's images that are not rejected, in the mode's order: the catalogue keeps
    // the filter's list of every grouped image sorted by the mode's descriptors, so each group
    // takes its images in that order. The rejected test is made again here: inside a change that
    // is still being delivered (a resolution's notice) the list has not caught up yet.
    const QList<KTImageMO *> grouped =
        storage ? storage->imagesFilteredByFilterWithID(kGrouppedImagesFilterID) : QList<KTImageMO *>();
    QHash<KTImageGroupMO *, qsizetype> recordOfGroup;
    recordOfGroup.reserve(groups.size());
    QList<KTSimilarGroupRecord> records;
    records.reserve(groups.size());
    m_sizeOfGrouppedImages = 0;
    m_numberOfGrouppedImages = 0;
    for (KTImageMO *image : grouped) {
        KTImageGroupMO *group = image->group();
        if (!group || group->isDeleted() || image->isDeleted() || image->rejected().value_or(false))
            continue;
        auto found = recordOfGroup.find(group);
        if (found == recordOfGroup.end()) {
            found = recordOfGroup.insert(group, records.size());
            KTSimilarGroupRecord record;
            record.group = group;
            record.groupID = group->groupID();
            records.append(std::move(record));
        }
        KTSimilarGroupRecord &record = records[*found];
        record.images.append(image);
        const quint64 size = image->size().value_or(0);
        record.groupSize += size;
        m_sizeOfGrouppedImages += size;
        ++m_numberOfGrouppedImages;
    }

    // 6-7. The order: the one of the last full sort, or a full sort by the first images (by the
    // group sizes for "size").
    std::vector<qsizetype> order(std::size_t(records.size()));
    std::iota(order.begin(), order.end(), 0);
    if (fullSort || !m_groupIDToSortOrderMap) {
        if (sortKey() == kSizeKey) {
            const bool ascending = sortOrder();
            std::stable_sort(order.begin(), order.end(), [&](qsizetype a, qsizetype b) {
                const quint64 sa = records.at(a).groupSize;
                const quint64 sb = records.at(b).groupSize;
                return ascending ? sa < sb : sa > sb;
            });
        } else {
            const QList<KTSortDescriptor> descriptors = imagesSortDescriptors();
            std::stable_sort(order.begin(), order.end(), [&](qsizetype a, qsizetype b) {
                return KTSortDescriptor::compareObjects(descriptors,
                                                        records.at(a).images.records().constFirst(),
                                                        records.at(b).images.records().constFirst()) < 0;
            });
        }
        QHash<QString, qsizetype> positions;
        positions.reserve(records.size());
        for (qsizetype position = 0; position < qsizetype(order.size()); ++position)
            positions.insert(records.at(order[std::size_t(position)]).groupID, position);
        m_groupIDToSortOrderMap = std::move(positions);
        m_outOfDateSortOrder = false;
    } else {
        std::vector<qsizetype> stored(std::size_t(records.size()));
        for (qsizetype index = 0; index < records.size(); ++index)
            stored[std::size_t(index)] = m_groupIDToSortOrderMap->value(records.at(index).groupID);
        std::stable_sort(order.begin(), order.end(), [&](qsizetype a, qsizetype b) {
            return stored[std::size_t(a)] < stored[std::size_t(b)];
        });
        m_outOfDateSortOrder = true;
    }
    QList<KTSimilarGroupRecord> sorted;
    sorted.reserve(records.size());
    for (qsizetype index : order)
        sorted.append(std::move(records[index]));
    m_grouppedImages = std::move(sorted);
    m_lastGroupedImages = grouped;
    m_lastLivingGroups = livingGroups();

    // 8.
    m_groupIDToIndexMap.clear();
    m_groupIDToIndexMap.reserve(m_grouppedImages.size());
    for (qsizetype position = 0; position < m_grouppedImages.size(); ++position)
        m_groupIDToIndexMap.insert(m_grouppedImages.at(position).groupID, position);

    // 9.
    if (reloadView) {
        reloadGroupsView();
        listDidChange();
    }
}

KTImageGroupMO *KTDuplicatesImagesModeController::selectedGroupMO() const
{
    const std::optional<qsizetype> index = selectedGroupIndex();
    if (!index || *index < 0 || *index >= m_grouppedImages.size())
        return nullptr;
    KTImageGroupMO *group = m_grouppedImages.at(*index).group.get();
    // While the resolved message holds the list back, its resolved group is already deleted.
    return group && !group->isDeleted() ? group : nullptr;
}

// ---- Group selection ----

void KTDuplicatesImagesModeController::setSelectedGroupIndex(std::optional<qsizetype> index)
{
    KTGroupModeController::setSelectedGroupIndex(index);
    updateSelectedGroupID();
}

void KTDuplicatesImagesModeController::updateSelectedGroupID()
{
    const QString previous = m_selectedGroupID;
    const std::optional<qsizetype> index = selectedGroupIndex();
    m_selectedGroupID = index && *index >= 0 && *index < m_grouppedImages.size()
                            ? m_grouppedImages.at(*index).groupID
                            : QString();
    // Another group starts on its first image; the same group keeps its selection.
    if (m_selectedGroupID.isEmpty() || m_selectedGroupID != previous) {
        setActiveImageIndex(0);
        setSelectedImagesIndexes({0});
    }
}

void KTDuplicatesImagesModeController::validateGroupSelection()
{
    const qsizetype count = m_grouppedImages.size();
    const auto last = [count]() -> std::optional<qsizetype> {
        return count > 0 ? std::optional<qsizetype>(count - 1) : std::nullopt;
    };
    // 1. The selected group at its new place; the position it had (or the last) when it is gone.
    if (!m_selectedGroupID.isEmpty()) {
        const auto found = m_groupIDToIndexMap.constFind(m_selectedGroupID);
        if (found != m_groupIDToIndexMap.constEnd())
            KTGroupModeController::setSelectedGroupIndex(*found);
        const std::optional<qsizetype> index = selectedGroupIndex();
        if (!index || *index >= count)
            KTGroupModeController::setSelectedGroupIndex(last());
    }
    // 2.
    const std::optional<qsizetype> index = selectedGroupIndex();
    if (!index)
        KTGroupModeController::setSelectedGroupIndex(0);
    else if (*index >= count || *index < 0)
        KTGroupModeController::setSelectedGroupIndex(last());
    // 3.
    updateSelectedGroupID();
}

void KTDuplicatesImagesModeController::adjustGroupSelection()
{
    if (isNeedReload())
        return;
    if (UIMode() == kUIModeGroups) {
        groupsView()->setSelectedGroupIndex(selectedGroupIndex());
        if (!doesNotScrollSelectionToVisible())
            groupsView()->scrollSelectedGroupToVisible();
    }
    reloadImages();
    updateInfoView();
    validateCompareModeButton();
    adjustSelectAllButtonVisibility();
    validateFlagAndShareButtons();
}

void KTDuplicatesImagesModeController::adjustSelection()
{
    adjustGroupSelection();
    updateSelectedImagesPaths();
    adjustImagesSelectionFromImageListView(nullptr);
}

void KTDuplicatesImagesModeController::resetGroupsSelection()
{
    m_selectedGroupID.clear();
    setSelectedGroupIndex(0);
    adjustSelection();
}

void KTDuplicatesImagesModeController::keepSelectionThroughSearch()
{
    if (!m_selectionKeptThroughSearch) {
        KeptSelection kept;
        kept.groupIndex = selectedGroupIndex().value_or(0);
        kept.active = activeImageMO();
        enumerateSelectedImagesUsingBlock(
            [&kept](KTImageMO *image, bool, bool &) { kept.selected.append(image); });
        m_selectionKeptThroughSearch = std::move(kept);
    }
    setSelectedGroupIndex(0);
    m_selectedGroupID.clear();
}

void KTDuplicatesImagesModeController::restoreSelectionKeptThroughSearch()
{
    const KeptSelection kept = *std::exchange(m_selectionKeptThroughSearch, std::nullopt);
    if (KTImageMO *active = kept.active.get()) {
        QList<KTImageMO *> selected;
        for (const KTRecordRef<KTImageMO> &image : kept.selected) {
            if (KTImageMO *record = image.get())
                selected.append(record);
        }
        setSelectedImages(selected, active, false);
        if (imagesForSelectedGroup().contains(active))
            return;
    }
    const qsizetype count = groupCount();
    if (count == 0) {
        resetGroupsSelection();
        return;
    }
    m_selectedGroupID.clear();
    setSelectedGroupIndex(std::min(kept.groupIndex, count - 1));
    adjustSelection();
}

void KTDuplicatesImagesModeController::validateImagesSelectionAfterGroupSwitch()
{
    validateImagesSelection();
}

void KTDuplicatesImagesModeController::groupSwitchWillStart()
{
    // A switch during the resolved message replaces the move that would follow it.
    m_isSwitchToNextGroupAfterResolving = false;
}

void KTDuplicatesImagesModeController::imagesGroupsViewSelectionDidChange(KTImagesGroupsView *view)
{
    setSelectedGroupIndex(view->selectedGroupIndex());
    adjustGroupSelection();
    adjustFlagImageButtonState();
    adjustShareButtonState();
}

void KTDuplicatesImagesModeController::imagesGroupsViewDoubleClickedInGroupAtIndex(KTImagesGroupsView *view,
                                                                                   qsizetype)
{
    setSelectedGroupIndex(view->selectedGroupIndex());
    setUIMode(kUIModeGroup);
    adjustUI();
}

// ---- View rules ----

QStringList KTDuplicatesImagesModeController::selectedGroupInfoStrings() const
{
    const std::optional<qsizetype> index = selectedGroupIndex();
    if (!index || *index < 0 || *index >= m_grouppedImages.size())
        return {};
    const KTSimilarGroupRecord &record = m_grouppedImages.at(*index);
    const int count = int(record.images.size());
    return {count == 1 ? tr("Group of 1 similar image") : tr("Group of %n similar images", nullptr, count),
            KTUtils::stringFromByteCount(qint64(record.groupSize))};
}

QString KTDuplicatesImagesModeController::modeButtonBadge() const
{
    const qsizetype count = m_grouppedImages.size();
    if (count == 0)
        return {};
    return count < 1000 ? QString::number(count) : QStringLiteral("999+");
}

void KTDuplicatesImagesModeController::adjustUIVisibleElements()
{
    KTGroupModeController::adjustUIVisibleElements();
    const QString mode = UIMode();
    const bool groups = mode == kUIModeGroups;
    m_trashGroupButton->setHidden(groups);
    m_notDuplicateButton->setHidden(groups);
    m_deleteUnflaggedImagesButton->setVisible(mode == kUIModeGroup);
    m_deleteGroupButton->setVisible(groups);
}

void KTDuplicatesImagesModeController::validateUIVisibleElements()
{
    KTGroupModeController::validateUIVisibleElements();
    m_switchSortKeyButton->selectItemWithTag(tagForSortKey(sortKey()));
    m_switchSortOrderButton->setPushed(!sortOrder());
    if (!m_doesNotReloadGroupList)
        imageView()->setPickedAndRejectedButtonsEnabled(true);
    validateGroupActions();
}

void KTDuplicatesImagesModeController::validateGroupActions()
{
    const bool hasGroups = !m_grouppedImages.isEmpty();
    const bool free = !m_doesNotReloadGroupList;
    m_resolveGroupButton->setButtonEnabled(hasGroups && free);
    m_deleteGroupButton->setButtonEnabled(hasGroups && free);
    m_deleteUnflaggedImagesButton->setButtonEnabled(hasGroups && free);
    m_notDuplicateButton->setButtonEnabled(hasGroups && free);
    // Off with the pick and reject controls while the resolved group is held on screen.
    m_trashGroupButton->setButtonEnabled(hasGroups && free);
}

void KTDuplicatesImagesModeController::setUIEnabled(bool enabled)
{
    KTGroupModeController::setUIEnabled(enabled);
    m_switchSortKeyButton->setButtonEnabled(enabled);
    m_switchSortOrderButton->setButtonEnabled(enabled);
}

bool KTDuplicatesImagesModeController::canResolve() const
{
    return !m_grouppedImages.isEmpty() && !m_doesNotReloadGroupList;
}

// ---- Resolution ----

void KTDuplicatesImagesModeController::resolveSelectedGroup()
{
    KTImageStorage *storage = imageStorage();
    if (KTImageGroupMO *group = selectedGroupMO(); group && storage)
        storage->resolveGroups({group});
}

void KTDuplicatesImagesModeController::onResolveGroup(QObject *)
{
    if (m_doesNotReloadGroupList)
        return;
    resolveSelectedGroup();
}

bool KTDuplicatesImagesModeController::hasFlaggedImages() const
{
    const QList<KTImageMO *> list = images();
    return std::any_of(list.begin(), list.end(),
                       [](const KTImageMO *image) { return image->picked().value_or(false); });
}

void KTDuplicatesImagesModeController::deleteUnflaggedImagesAndResolve()
{
    KTImageStorage *storage = imageStorage();
    // The group is read once: rejecting its images rebuilds the list, after which the selection
    // may stand on another group.
    KTImageGroupMO *group = selectedGroupMO();
    if (!storage || !group)
        return;
    QList<KTImageMO *> unpicked;
    for (KTImageMO *image : images()) {
        if (!image->picked().value_or(false))
            unpicked.append(image);
    }
    if (!unpicked.isEmpty())
        storage->moveImagesToTrash(unpicked);
    // Rejecting every image resolves the group already (and deletes it).
    if (!group->isDeleted())
        storage->resolveGroups({group});
}

void KTDuplicatesImagesModeController::onDeleteGroup(QObject *)
{
    KTImageStorage *storage = imageStorage();
    KTImageGroupMO *group = selectedGroupMO();
    if (!storage || !group || m_doesNotReloadGroupList)
        return;
    if (UIMode() == kUIModeGroups && !hasFlaggedImages())
        storage->deleteGroups({group});
    else
        deleteUnflaggedImagesAndResolve();
}

void KTDuplicatesImagesModeController::onNotDuplicate(QObject *)
{
    KTImageStorage *storage = imageStorage();
    if (!storage || m_doesNotReloadGroupList)
        return;
    QList<KTImageMO *> taken;
    if (UIMode() == kUIModeCompare) {
        if (KTImageMO *active = activeImageMO())
            taken.append(active);
    } else {
        for (qsizetype index : selectedImagesIndexes()) {
            if (KTImageMO *image = imageAtIndex(index))
                taken.append(image);
        }
    }
    if (!taken.isEmpty())
        storage->deleteImagesFromGroups(taken);
}

void KTDuplicatesImagesModeController::showResolvedMessage(const KTNotification &notification)
{
    if (!isViewShown() || UIMode() == kUIModeGroups)
        return;
    KTImageGroupMO *resolved = KTImageGroupResolvedInfo::resolvedGroup(notification.userInfo);
    if (!resolved || resolved != selectedGroupMO())
        return;
    // One message at a time: a second resolution during it changes nothing.
    if (KTResolveGroupViewController::sharedController()->isShown())
        return;
    setPickAndRejectControlsEnabled(false);
    m_doesNotReloadGroupList = true;
    if (KTImageStorage *storage = imageStorage())
        m_heldListHold = storage->holdClearedRecords();
    m_isSwitchToNextGroupAfterResolving = true;
    validateGroupActions();
    const QPointer<KTDuplicatesImagesModeController> self(this);
    KTResolveGroupViewController::showInView(view(), [self] {
        if (self)
            self->resolvedMessageDidEnd();
    });
}

void KTDuplicatesImagesModeController::resolvedMessageDidEnd()
{
    const bool wasHolding = m_doesNotReloadGroupList;
    m_doesNotReloadGroupList = false;
    m_heldListHold.reset();
    const QPointer<KTDuplicatesImagesModeController> self(this);
    const auto controlsBackOn = [self] {
        if (!self)
            return;
        self->setPickAndRejectControlsEnabled(true);
        self->validateGroupActions();
        self->markNeedsReload();
    };
    // The list still counts the resolved group: the notifications were held back.
    const qsizetype count = m_grouppedImages.size();
    const std::optional<qsizetype> current = selectedGroupIndex();
    const bool moves = wasHolding && m_isSwitchToNextGroupAfterResolving && count >= 2 && current &&
                       UIMode() != kUIModeGroups && isViewShown();
    m_isSwitchToNextGroupAfterResolving = false;
    if (!moves) {
        controlsBackOn();
        return;
    }
    const qsizetype target = *current + 1 < count ? *current + 1 : *current - 1;
    // "Compare" cannot show a neighbour of one image: the mode shows it as one image instead.
    if (!isSwitchAvailableToGroupWithIndex(target)) {
        setUIMode(kUIModeImage);
        adjustUI();
    }
    switchToGroupAtIndex(target,
                         target > *current ? KTGroupSwitchAnimation::PushFromBottom
                                           : KTGroupSwitchAnimation::PushFromTop,
                         controlsBackOn);
}

// ---- Sorting ----

QString KTDuplicatesImagesModeController::sortKeyForTag(int tag)
{
    return sortKeysByTag().value(tag);
}

int KTDuplicatesImagesModeController::tagForSortKey(const QString &key)
{
    return std::max(0, int(sortKeysByTag().indexOf(key)));
}

void KTDuplicatesImagesModeController::applySortChange()
{
    m_groupIDToSortOrderMap.reset();
    // The catalogue keeps the filter's list in the new order.
    if (KTImageStorage *storage = imageStorage())
        storage->setFilter(imagesFilter(), kGrouppedImagesFilterID);
    reloadGrouppedImagesShouldReloadGroupsView(true);
    validateGroupSelection();
    adjustGroupSelection();
    validateImagesSelection();
    adjustImagesSelectionFromImageListView(nullptr);
}

void KTDuplicatesImagesModeController::onSwitchSortKey(QObject *)
{
    const QString key = sortKeyForTag(m_switchSortKeyButton->selectedTag());
    if (key.isEmpty() || key == sortKey())
        return;
    setSortKey(key);
    applySortChange();
}

void KTDuplicatesImagesModeController::onSwitchSortOrder(QObject *)
{
    const bool ascending = !m_switchSortOrderButton->isPushed();
    if (ascending == sortOrder())
        return;
    setSortOrder(ascending);
    applySortChange();
}

// ---- Accuracy ----

void KTDuplicatesImagesModeController::createAccuracyPopover()
{
    if (m_accuracyWindowController)
        return;
    m_accuracyWindowController = std::make_unique<KTAccuracyPopoverWindowController>();
    m_accuracyWindowController->setDelegate(this);
    setAccuracyLevel(m_accuracyLevel);
    // The popover's name of the level follows its level, which follows the mode's.
    connect(m_accuracyWindowController.get(), &KTAccuracyPopoverWindowController::accuracyLevelChanged, this,
            [this] {
                m_accuracyLevelName = m_accuracyWindowController->accuracyLevelName();
                m_accuracyButton->setTitle(m_accuracyLevelName);
            });
    m_accuracyLevelName = m_accuracyWindowController->accuracyLevelName();
    m_accuracyButton->setTitle(m_accuracyLevelName);
}

void KTDuplicatesImagesModeController::setAccuracyLevel(int level)
{
    if (level != m_accuracyLevel) {
        m_accuracyLevel = level;
        saveDefaultsValue(level, kAccuracyLevelKey);
    }
    if (m_accuracyWindowController && level >= 1 &&
        level <= int(KTAccuracyPopoverWindowController::kLevelCount))
        m_accuracyWindowController->setAccuracyLevel(unsigned(level));
}

// ---- Parts of the screen ----

KTAbstractButton *KTDuplicatesImagesModeController::accuracyButton() const
{
    return m_accuracyButton;
}

KTAbstractButton *KTDuplicatesImagesModeController::resolveGroupButton() const
{
    return m_resolveGroupButton;
}

KTAbstractButton *KTDuplicatesImagesModeController::trashGroupButton() const
{
    return m_trashGroupButton;
}

KTAbstractButton *KTDuplicatesImagesModeController::deleteUnflaggedImagesButton() const
{
    return m_deleteUnflaggedImagesButton;
}

KTAbstractButton *KTDuplicatesImagesModeController::deleteGroupButton() const
{
    return m_deleteGroupButton;
}

KTAbstractButton *KTDuplicatesImagesModeController::notDuplicateButton() const
{
    return m_notDuplicateButton;
}

KTResizablePopUpButton *KTDuplicatesImagesModeController::switchSortKeyButton() const
{
    return m_switchSortKeyButton;
}

KTAbstractButton *KTDuplicatesImagesModeController::switchSortOrderButton() const
{
    return m_switchSortOrderButton;
}
