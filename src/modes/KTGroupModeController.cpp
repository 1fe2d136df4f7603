#include "KTGroupModeController.h"

#include "KTAbstractButton.h"
#include "KTAlert.h"
#include "KTAnimations.h"
#include "KTBadgeButton.h"
#include "KTBinding.h"
#include "KTColor.h"
#include "KTCompareImagesInfoBar.h"
#include "KTExifViewController.h"
#include "KTGridScrollView.h"
#include "KTImageCompareView.h"
#include "KTImageGroupNavigationView.h"
#include "KTImageGroupView.h"
#include "KTImageInfoView.h"
#include "KTImageInfoViewsContainer.h"
#include "KTInfoTextField.h"
#include "KTImageMO.h"
#include "KTImageStorage.h"
#include "KTImageView.h"
#include "KTImagesGroupsView.h"
#include "KTLevelIndicator.h"
#include "KTModeChrome.h"
#include "KTModeToolbar.h"
#include "KTMultiBindingsController.h"
#include "KTMultipleLabelsView.h"
#include "KTResizablePopUpButton.h"
#include "KTSegmentedView.h"
#include "KTSimpleBackgroundView.h"
#include "KTTaskNotifications.h"
#include "KTTasksNotifier.h"
#include "KTSingeImageInfoBar.h"
#include "KTTimeRangePopoverWindowController.h"
#include "KTUIImageView.h"
#include "KTUserDefaults.h"
#include "KTUtils.h"
#include "KTZoomSlider.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QThread>
#include <QVBoxLayout>
#include <QVariantAnimation>

#include <algorithm>

namespace {

/// How long the content slides when the mode shows another group.
constexpr double kGroupSwitchSeconds = 0.5;

const QString kIsCompareZoomLockKey = QStringLiteral("isCompareZoomLock");
const QString kTimeRangeKey = QStringLiteral("timeRange");
const QString kShowsFocusMaskKey = QStringLiteral("showsFocusMask");

/// The still picture of the old content during a group switch.
class SnapshotView : public QWidget
{
public:
    SnapshotView(const QPixmap &picture, QWidget *parent) : QWidget(parent), m_picture(picture)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.drawPixmap(rect(), m_picture);
    }

private:
    QPixmap m_picture;
};

} // namespace

KTGroupModeController::KTGroupModeController(KTImagesGroupsView *groupsView, QObject *parent)
    : KTBaseUIModeController(parent), m_groupsView(groupsView)
{
    buildView();
    // For the mode's whole life, whichever catalogue it shows.
    m_taskObserver = KTNotificationCenter::defaultCenter().addObserver(
        kTaskDidFinishNotification, nullptr,
        [self = QPointer<KTGroupModeController>(this)](const KTNotification &notification) {
            if (self)
                self->taskDidFinish(notification.userInfo.value(kTaskNameKey).toString());
        });
}

KTGroupModeController::~KTGroupModeController()
{
    m_taskObserver.reset();
    if (m_switchAnimation)
        m_switchAnimation->stop();
    // The popover and the views call back into the mode: they go while it is still whole.
    m_timeRangePopover.reset();
    chrome().destroyView();
}

// ---- Life cycle ----

void KTGroupModeController::initialize()
{
    KTBaseUIModeController::initialize();
    view()->setObjectName(modeID());
    // 3. The group's own grids leave out the group mark of their thumbnails.
    m_groupNavigationView->setHideGroupsStatus(true);
    m_groupView->setHideGroupsStatus(true);
    m_selectAllButton->setTitle(QStringLiteral(" %1").arg(tr("Select All")));
    setSelectedGroupIndex(std::nullopt);
    KTZoomSlider *slider = zoomSlider();
    Q_ASSERT_X(slider->minValue() == kMinZoomSliderValue && slider->maxValue() == kMaxZoomSliderValue,
               "initialize", "Min or max zoom slider values differ from values defined in code");
    createTimeRangePopover();
    infoView()->startObservingImageView(imageView());
    slider->setNumberOfTickMarks(int(m_groupsView->numberOfZoomSteps()));
    connect(m_groupsView, &KTGrouppedImagesView::numberOfZoomStepsChanged, this,
            [slider](qsizetype steps) { slider->setNumberOfTickMarks(int(steps)); });
    m_groupsView->setZoomValue(imageListZoom());
    slider->setDoubleValue(imageListZoom());
    m_compareView->setIsZoomLock(m_isCompareZoomLock);
    // The single viewer keeps its zoom from image to image after every start.
    setIsZoomLock(true);
    m_compareImagesInfoBar->setCompareView(m_compareView);
}

void KTGroupModeController::registerDefaults()
{
    KTBaseUIModeController::registerDefaults();
    userDefaults().registerDefaults({
        {defaultsKeyPathForKey(QStringLiteral("UIMode")), kUIModeGroups},
        {defaultsKeyPathForKey(kIsCompareZoomLockKey), true},
    });
}

void KTGroupModeController::bindDefaultsValues()
{
    KTBaseUIModeController::bindDefaultsValues();
    bindPerModeDefault(kIsCompareZoomLockKey,
                       [this](const QVariant &value) { setIsCompareZoomLock(value.toBool()); });
    bindPerModeDefault(kTimeRangeKey, [this](const QVariant &value) { setTimeRange(value.toDouble()); });
    bindSharedDefault(kShowsFocusMaskKey,
                      [this](const QVariant &value) { setShowsFocusMask(value.toBool()); });
}

void KTGroupModeController::setTimeRange(double seconds)
{
    if (seconds == m_timeRange)
        return;
    m_timeRange = seconds;
    saveDefaultsValue(seconds, kTimeRangeKey);
}

void KTGroupModeController::setIsCompareZoomLock(bool zoomLock)
{
    if (zoomLock != m_isCompareZoomLock) {
        m_isCompareZoomLock = zoomLock;
        saveDefaultsValue(zoomLock, kIsCompareZoomLockKey);
    }
    if (m_compareView)
        m_compareView->setIsZoomLock(zoomLock);
}

void KTGroupModeController::setShowsFocusMask(bool shows)
{
    if (shows == m_showsFocusMask)
        return;
    m_showsFocusMask = shows;
    if (canShowExposurePixels() && m_groupView)
        m_groupView->setShowsFocusMask(shows);
}

// ---- Groups ----

qsizetype KTGroupModeController::numberOfGroupsInList() const
{
    return groupCount();
}

QList<KTImageMO *> KTGroupModeController::imagesForSelectedGroup() const
{
    const std::optional<qsizetype> index = selectedGroupIndex();
    return index ? imagesForGroup(*index) : QList<KTImageMO *>();
}

bool KTGroupModeController::canSwitchGroups() const
{
    return groupCount() > 1;
}

bool KTGroupModeController::isSwitchAvailableToGroupWithIndex(qsizetype index) const
{
    if (UIMode() != kUIModeCompare)
        return true;
    return index >= 0 && index < groupCount() && imagesForGroup(index).size() > 1;
}

bool KTGroupModeController::isSwitchingGroups() const
{
    return m_switchAnimation && m_switchAnimation->state() == QAbstractAnimation::Running;
}

void KTGroupModeController::switchToGroupAtIndex(qsizetype index, KTGroupSwitchAnimation animation,
                                                 std::function<void()> completion)
{
    Q_ASSERT(QThread::currentThread() == qApp->thread());
    groupSwitchWillStart();
    // A slide still running ends where it was going before the next one starts.
    if (m_switchAnimation) {
        m_switchAnimation->stop();
        finishGroupSwitch();
    }
    const bool slides = animation != KTGroupSwitchAnimation::None && KTAnimations::isEnabled() &&
                        m_animationContainerView && m_animationContainerView->isVisible();
    if (!slides) {
        setSelectedGroupIndex(index);
        adjustGroupSelection();
        validateImagesSelectionAfterGroupSwitch();
        adjustImagesSelectionFromImageListView(nullptr);
        if (completion)
            completion();
        return;
    }

    // The picture of the old content covers it exactly while the new group loads underneath.
    const QRect rest = m_containerView->rect();
    auto *snapshot = new SnapshotView(m_animationContainerView->grab(), m_containerView);
    snapshot->setObjectName(QStringLiteral("groupSwitchSnapshot"));
    snapshot->setGeometry(rest);
    snapshot->show();
    snapshot->raise();
    m_switchSnapshot = snapshot;
    m_switchCompletion = std::move(completion);

    setSelectedGroupIndex(index);
    adjustGroupSelection();
    validateImagesSelectionAfterGroupSwitch();
    adjustImagesSelectionFromImageListView(nullptr);

    // The new content enters from one edge while the picture leaves through the other.
    const int height = rest.height();
    const int direction = animation == KTGroupSwitchAnimation::PushFromBottom ? 1 : -1;
    m_animationContainerView->move(rest.left(), rest.top() + direction * height);
    auto *slide = new QVariantAnimation(this);
    slide->setStartValue(0.0);
    slide->setEndValue(1.0);
    slide->setEasingCurve(QEasingCurve::InOutQuad);
    connect(slide, &QVariantAnimation::valueChanged, this,
            [this, rest, height, direction](const QVariant &value) {
                const int offset = int(std::lround(value.toDouble() * height));
                m_animationContainerView->move(rest.left(), rest.top() + direction * (height - offset));
                if (m_switchSnapshot)
                    m_switchSnapshot->move(rest.left(), rest.top() - direction * offset);
            });
    connect(slide, &QVariantAnimation::finished, this, [this] { finishGroupSwitch(); });
    m_switchAnimation = slide;
    KTAnimations::start(slide, kGroupSwitchSeconds, QAbstractAnimation::DeleteWhenStopped);
}

void KTGroupModeController::finishGroupSwitch()
{
    if (m_switchSnapshot)
        delete m_switchSnapshot.data();
    if (m_containerView)
        m_animationContainerView->setGeometry(m_containerView->rect());
    m_switchAnimation = nullptr;
    if (std::function<void()> completion = std::exchange(m_switchCompletion, {}))
        completion();
}

void KTGroupModeController::onNextGroup(QObject *)
{
    const qsizetype count = groupCount();
    if (count == 0)
        return;
    const std::optional<qsizetype> selected = selectedGroupIndex();
    const qsizetype target = selected && *selected + 1 < count ? *selected + 1 : 0;
    if (!isSwitchAvailableToGroupWithIndex(target)) {
        KTAlert alert;
        alert.messageText = tr("Could not switch to next group");
        alert.informativeText = tr("Compare mode could not present group with images count less than 2");
        alert.buttons = {tr("OK")};
        KTAlertPresenter::shared().runModal(alert);
        return;
    }
    switchToGroupAtIndex(target, UIMode() == kUIModeGroups ? KTGroupSwitchAnimation::None
                                                           : KTGroupSwitchAnimation::PushFromBottom);
}

void KTGroupModeController::onPreviousGroup(QObject *)
{
    const qsizetype count = groupCount();
    if (count == 0)
        return;
    const std::optional<qsizetype> selected = selectedGroupIndex();
    const qsizetype target = !selected || *selected <= 0 || *selected > count ? count - 1 : *selected - 1;
    if (!isSwitchAvailableToGroupWithIndex(target)) {
        KTAlert alert;
        alert.messageText = tr("Could not switch to previous group");
        alert.informativeText = tr("Compare mode could not present group with images count less than 2");
        alert.buttons = {tr("OK")};
        KTAlertPresenter::shared().runModal(alert);
        return;
    }
    switchToGroupAtIndex(target, UIMode() == kUIModeGroups ? KTGroupSwitchAnimation::None
                                                           : KTGroupSwitchAnimation::PushFromTop);
}

// ---- Images of the selected group ----

void KTGroupModeController::reloadImagesForGroupWithIndex(std::optional<qsizetype> index)
{
    if (!index || *index < 0 || *index >= groupCount()) {
        setImages({});
        m_paths.clear();
        return;
    }
    const QList<KTImageMO *> list = imagesForGroup(*index);
    setImages(list);
    m_paths.setImages(list);
}

void KTGroupModeController::reloadImages()
{
    reloadImagesForGroupWithIndex(selectedGroupIndex());
    m_groupView->reloadData();
    m_groupNavigationView->reloadData();
    updateNeighbourGroupFaces();
    updateExifView();
}

void KTGroupModeController::updateNeighbourGroupFaces()
{
    // The strip's group buttons are not used (the toolbar has them); the faces are kept clear so
    // the strip holds no record of another group.
    m_groupNavigationView->setPrevGroupImage(nullptr);
    m_groupNavigationView->setNextGroupImage(nullptr);
}

KTImageMO *KTGroupModeController::imageAtIndex(qsizetype index) const
{
    const QList<KTImageMO *> list = images();
    return index >= 0 && index < list.size() ? list.at(index) : nullptr;
}

// ---- Image selection ----

void KTGroupModeController::setActiveImageIndex(std::optional<qsizetype> index)
{
    KTBaseUIModeController::setActiveImageIndex(index);
    updateSelectedImagesPaths();
    updateExifView();
}

void KTGroupModeController::updateSelectedImagesPaths()
{
    m_paths.remember(images(), {selectedImagesIndexes(), activeImageIndex()});
}

void KTGroupModeController::selectOnlyActiveImageIfNeed()
{
    const std::optional<qsizetype> active = activeImageIndex();
    if (UIMode() != kUIModeCompare || !active)
        return;
    setSelectedImagesIndexes({*active});
    updateSelectedImagesPaths();
}

void KTGroupModeController::validateImagesSelectionGroupChanged(bool groupChanged)
{
    const QString mode = UIMode();
    if (mode != kUIModeGroup && mode != kUIModeImage && mode != kUIModeCompare)
        return;
    // 1-2. The remembered paths, found again in the group; after a switch to another group the
    // ones found alone (possibly none), otherwise the previous positions when none is found.
    const KTPathSelection::Selection found = m_paths.findRemembered();
    if (groupChanged || !found.indexes.empty()) {
        setSelectedImagesIndexes(found.indexes);
        setActiveImageIndex(found.active);
    }
    // 3. Inside the group; the first image when nothing is left.
    const qsizetype count = images().size();
    KTPathSelection::Selection selection =
        KTPathSelection::clipped({selectedImagesIndexes(), activeImageIndex()}, count);
    // 4. "Compare" shows a pair: the active image and the lowest other one (of the selection
    // when it has more than two, else of the group).
    if (mode == kUIModeCompare && selection.active) {
        Q_ASSERT(count >= 2);
        const qsizetype active = *selection.active;
        if (selection.indexes.size() == 1) {
            selection.indexes = {active, active == 0 ? 1 : 0};
        } else if (selection.indexes.size() > 2) {
            const qsizetype other = *selection.indexes.begin() == active
                                        ? *std::next(selection.indexes.begin())
                                        : *selection.indexes.begin();
            selection.indexes = {active, other};
        }
    }
    setSelectedImagesIndexes(selection.indexes);
    setActiveImageIndex(selection.active);
    // 5.
    updateSelectedImagesPaths();
}

void KTGroupModeController::adjustImagesSelectionFromImageListView(QObject *sender)
{
    if (isNeedReload())
        return;
    const QString mode = UIMode();
    const bool scrolls = !m_doesNotScrollSelectionToVisible;
    if (mode == kUIModeGroup) {
        if (sender != m_groupView) {
            m_groupView->selectIndexes(selectedImagesIndexes(), activeImageIndex());
            if (scrolls)
                m_groupView->scrollSelectedCellToVisible();
        }
    } else if (mode == kUIModeImage) {
        showImageInViewer(activeImageMO());
    } else if (mode == kUIModeCompare) {
        showImageInCompareView();
    }
    if (sender != m_groupNavigationView) {
        m_groupNavigationView->selectIndexes(selectedImagesIndexes(), activeImageIndex());
        if (scrolls)
            m_groupNavigationView->scrollSelectedCellToVisible();
    }
    updateInfoView();
    adjustShareButtonState();
    adjustRatingIndicatorState();
    adjustFlagImageButtonState();
    adjustSelectAllButonState();
}

void KTGroupModeController::enumerateSelectedImagesUsingBlock(
    const std::function<void(KTImageMO *image, bool isActive, bool &stop)> &block)
{
    if (!block)
        return;
    if (UIMode() != kUIModeGroups) {
        KTBaseUIModeController::enumerateSelectedImagesUsingBlock(block);
        return;
    }
    bool stop = false;
    for (KTImageMO *image : imagesForSelectedGroup()) {
        block(image, false, stop);
        if (stop)
            break;
    }
}

void KTGroupModeController::setSelectedImages(const QList<KTImageMO *> &images, KTImageMO *activeImage,
                                              bool selectOnlyFirstImage)
{
    // 1-2. The first listed group that holds the active image.
    const qsizetype count = groupCount();
    std::optional<qsizetype> group;
    for (qsizetype index = 0; index < count && activeImage; ++index) {
        if (imagesForGroup(index).contains(activeImage)) {
            group = index;
            break;
        }
    }
    if (!group)
        return;
    // 3-4. Its images, and the active image among them.
    reloadImagesForGroupWithIndex(group);
    const std::optional<qsizetype> active = m_paths.indexOf(activeImage);
    if (!active) {
        qWarning().noquote() << activeImageAbsentMessage();
        return;
    }
    // 5. The given images of that group; the others are skipped.
    std::set<qsizetype> indexes;
    for (KTImageMO *image : images) {
        if (const std::optional<qsizetype> index = m_paths.indexOf(image))
            indexes.insert(*index);
    }
    // 6-7.
    setSelectedGroupIndex(group);
    std::optional<qsizetype> activeIndex = active;
    if (selectOnlyFirstImage && !indexes.empty()) {
        activeIndex = *indexes.begin();
        indexes = {*activeIndex};
    }
    setSelectedImagesIndexes(indexes);
    setActiveImageIndex(activeIndex);
    // 8.
    validateGroupSelection();
    adjustUI();
}

void KTGroupModeController::restoreAppLastLaunchSelection()
{
    KTBaseUIModeController::restoreAppLastLaunchSelection();
    updateSelectedImagesPaths();
    adjustUI();
}

KTImageListView *KTGroupModeController::listForSelectionCommand(const QString &command) const
{
    const QString mode = UIMode();
    if (mode == kUIModeGroup)
        return m_groupView;
    if (mode == kUIModeImage)
        return m_groupNavigationView;
    logUnexpectedUIMode(command);
    return nullptr;
}

void KTGroupModeController::onSelectAllButton(QObject *)
{
    if (m_selectAllButton->isPushed())
        selectAllImagesInGroup();
    else
        deselectAllImagesInGroup();
}

void KTGroupModeController::sendArrowKeyToStrip(Qt::Key key)
{
    // The strip moves its selection as for the arrow key itself, and reports it.
    const QKeyEvent event(QEvent::KeyPress, key, Qt::KeypadModifier);
    m_groupNavigationView->performKeyDown(event);
}

void KTGroupModeController::onNextImage(QObject *)
{
    sendArrowKeyToStrip(Qt::Key_Right);
}

void KTGroupModeController::onPrevImage(QObject *)
{
    sendArrowKeyToStrip(Qt::Key_Left);
}

// ---- The comparison view ----

void KTGroupModeController::showImageInCompareView()
{
    Q_ASSERT_X(UIMode() == kUIModeCompare, "showImageInCompareView", "The submode should be compare.");
    // A selection reset behind the mode's back (the end of a search or an import selects one
    // image) is made a pair again, so the view never keeps a pair from the list before.
    if (selectedImagesIndexes().size() != 2)
        validateImagesSelection();
    const std::set<qsizetype> &selection = selectedImagesIndexes();
    if (selection.size() != 2) {
        m_compareView->compareImage(nullptr, nullptr);
        return;
    }
    const std::optional<qsizetype> active = activeImageIndex();
    Q_ASSERT_X(active && selection.contains(*active), "showImageInCompareView", "Invalid selection.");
    if (!active || !selection.contains(*active))
        return;
    KTImageMO *first = imageAtIndex(*active);
    Q_ASSERT_X(first, "showImageInCompareView", "The first image for comparing should be not nil.");
    const qsizetype other = *selection.begin() == *active ? *selection.rbegin() : *selection.begin();
    KTImageMO *second = imageAtIndex(other);
    Q_ASSERT_X(second, "showImageInCompareView", "The second image for comparing should not be nil.");
    if (first && second)
        m_compareView->compareImage(first, second);
}

void KTGroupModeController::imageCompareViewDidChangeSelection(KTImageCompareView *view)
{
    const std::optional<qsizetype> a = m_paths.indexOf(view->selectedImageView()->imageMO());
    const std::optional<qsizetype> b = m_paths.indexOf(view->unselectedImageView()->imageMO());
    if (!a || !b) {
        // The view still shows images the group no longer lists: it shows the selection again.
        showImageInCompareView();
        return;
    }
    setSelectedImagesIndexes({*a, *b});
    setActiveImageIndex(*a);
    m_groupNavigationView->selectIndexes(selectedImagesIndexes(), activeImageIndex());
    updateSelectedImagesPaths();
    adjustRatingIndicatorState();
    adjustFlagImageButtonState();
    validateSwitchZoomButtonState();
}

KTZoomProtocol *KTGroupModeController::viewForZooming() const
{
    const QString mode = UIMode();
    if (mode == kUIModeImage)
        return imageView();
    if (mode == kUIModeCompare)
        return m_compareView;
    return nullptr;
}

// ---- Buttons that follow the selection ----

KTMultiBindingsController *KTGroupModeController::flagButtonMultiBindingsController()
{
    if (!m_flagButtonMultiBindingsController)
        m_flagButtonMultiBindingsController = std::make_unique<KTMultiBindingsController>();
    return m_flagButtonMultiBindingsController.get();
}

void KTGroupModeController::adjustFlagImageButtonState()
{
    KTBadgeButton *flag = flagImagesButton();
    if (!flag)
        return;
    const QString mode = UIMode();
    if (mode == kUIModeGroups) {
        // Pushed while every image of the group is picked.
        const QList<KTImageMO *> group = imagesForSelectedGroup();
        QList<KTBindingSource> sources;
        for (KTImageMO *image : group)
            sources.append(KTBindingSource(image));
        KTMultiBindingsController *all = flagButtonMultiBindingsController();
        all->bindBoolValueToObjects(sources, QStringLiteral("picked"));
        kt_bindStateToObject(flag, KTBindingSource(all), QStringLiteral("boolValue"));
        const QSet<KTImageMO *> distinct(group.begin(), group.end());
        flag->setBadgeString(distinct.size() >= 2 ? QString::number(distinct.size()) : QString());
    } else {
        KTBaseUIModeController::adjustFlagImageButtonState();
    }
    if (mode == kUIModeCompare)
        flag->setBadgeString(QString());
}

void KTGroupModeController::adjustShareButtonState()
{
    KTBadgeButton *share = shareButton();
    if (!share)
        return;
    const QString mode = UIMode();
    if (mode == kUIModeGroups) {
        const QList<KTImageMO *> group = imagesForSelectedGroup();
        const QSet<KTImageMO *> distinct(group.begin(), group.end());
        share->setBadgeString(distinct.size() >= 2 ? QString::number(distinct.size()) : QString());
    } else {
        KTBaseUIModeController::adjustShareButtonState();
    }
    if (mode == kUIModeCompare)
        share->setBadgeString(QString());
}

void KTGroupModeController::setPickAndRejectControlsEnabled(bool enabled)
{
    imageView()->setPickedAndRejectedButtonsEnabled(enabled);
    m_compareView->setPickedAndRejectedButtonsEnabled(enabled);
    m_groupView->setPickedAndRejectButtonsEnabled(enabled);
    flagImagesButton()->setButtonEnabled(enabled);
    m_groupNavigationView->setPickedAndRejectButtonsEnabled(enabled);
}

// ---- Commands ----

void KTGroupModeController::onFlag(QObject *sender)
{
    auto *button = qobject_cast<KTAbstractButton *>(sender);
    if (UIMode() == kUIModeCompare) {
        if (KTImageMO *active = activeImageMO(); active && button) {
            active->setPicked(button->isPushed());
            if (KTImageStorage *storage = imageStorage())
                storage->processPendingChanges();
        }
        return;
    }
    KTBaseUIModeController::onFlag(sender);
}

void KTGroupModeController::onToTrash(QObject *)
{
    KTImageStorage *storage = imageStorage();
    if (!storage)
        return;
    if (UIMode() == kUIModeCompare) {
        if (KTImageMO *active = activeImageMO())
            storage->moveImagesToTrash({active});
        return;
    }
    QList<KTImageMO *> selected;
    enumerateSelectedImagesUsingBlock([&](KTImageMO *image, bool, bool &) { selected.append(image); });
    if (!selected.isEmpty())
        storage->moveImagesToTrash(selected);
}

void KTGroupModeController::rejectSelectedImages()
{
    KTImageStorage *storage = imageStorage();
    if (!storage)
        return;
    QList<KTImageMO *> selected;
    if (UIMode() == kUIModeCompare) {
        if (KTImageMO *active = activeImageMO())
            selected.append(active);
    } else {
        enumerateSelectedImagesUsingBlock([&](KTImageMO *image, bool, bool &) { selected.append(image); });
    }
    storage->moveImagesToTrash(selected);
}

void KTGroupModeController::copyImagesToPasteboard()
{
    const QString mode = UIMode();
    if (mode == kUIModeGroups)
        m_groupsView->copySelectedImagesToPasteboard();
    else if (mode == kUIModeGroup)
        m_groupView->copySelectedImagesToPasteboard();
    else if (mode == kUIModeImage || mode == kUIModeCompare)
        m_groupNavigationView->copySelectedImagesToPasteboard();
}

void KTGroupModeController::onZoomIn(QObject *)
{
    if (KTZoomProtocol *zooming = viewForZooming())
        zooming->zoomIn();
}

void KTGroupModeController::onZoomOut(QObject *)
{
    if (KTZoomProtocol *zooming = viewForZooming())
        zooming->zoomOut();
}

void KTGroupModeController::onFit(QObject *)
{
    if (KTZoomProtocol *zooming = viewForZooming())
        zooming->fitToScreen();
}

void KTGroupModeController::onActualSize(QObject *)
{
    if (KTZoomProtocol *zooming = viewForZooming())
        zooming->actualSize();
}

void KTGroupModeController::onZoomLock(QObject *sender)
{
    auto *button = qobject_cast<KTAbstractButton *>(sender);
    if (!button)
        return;
    const QString mode = UIMode();
    if (mode == kUIModeImage)
        setIsZoomLock(button->isPushed());
    else if (mode == kUIModeCompare)
        setIsCompareZoomLock(button->isPushed());
}

void KTGroupModeController::onChangeZoom(QObject *)
{
    setImageListZoom(zoomSlider()->doubleValue());
    m_groupsView->scrollSelectedGroupToCenter();
}

double KTGroupModeController::zoomValue() const
{
    return imageListZoom();
}

void KTGroupModeController::setZoomValue(double value)
{
    setImageListZoom(value);
    m_groupsView->scrollSelectedGroupToCenter();
}

void KTGroupModeController::setImageListZoom(double zoom)
{
    KTBaseUIModeController::setImageListZoom(zoom);
    if (m_groupsView)
        m_groupsView->setZoomValue(imageListZoom());
    if (KTZoomSlider *slider = zoomSlider())
        slider->setDoubleValue(imageListZoom());
}

void KTGroupModeController::setExposurePixelsShown(bool shown)
{
    if (!canShowExposurePixels())
        return;
    imageView()->setShowsExposurePixels(shown);
    m_compareView->leftImageView()->setShowsExposurePixels(shown);
    m_compareView->rightImageView()->setShowsExposurePixels(shown);
    m_groupView->setShowsExposurePixels(shown);
    setShowsExposurePixels(shown);
    validateUIVisibleElements();
}

// ---- Actions and keys ----

void KTGroupModeController::registerActions()
{
    KTBaseUIModeController::registerActions();
    using C = KTModeCommand;
    const auto ctrl = [](const char *keys) {
        return QKeySequence(QLatin1String("Ctrl+") + QLatin1String(keys));
    };
    const auto subMode = [this](C command, const QString &title, const char *key, const QString &mode) {
        actions().add(command, {title,
                                {QKeySequence(QLatin1String("Ctrl+") + QLatin1String(key))},
                                [this, mode] { switchToUIMode(mode); },
                                [this, mode] {
                                    const qsizetype needed = mode == kUIModeCompare ? 2 : 1;
                                    return groupCount() > 0 && imagesForSelectedGroup().size() >= needed;
                                },
                                [this, mode] { return UIMode() == mode; }});
    };
    subMode(C::ShowGroups, tr("Grid"), "1", kUIModeGroups);
    subMode(C::ShowGroup, tr("Group"), "2", kUIModeGroup);
    subMode(C::ShowImage, tr("Single Image"), "3", kUIModeImage);
    subMode(C::ShowCompare, tr("Compare"), "4", kUIModeCompare);
    const auto switchable = [this] { return canSwitchGroups(); };
    actions().add(C::NextGroup,
                  {tr("Next Group"), {ctrl("]")}, [this] { onNextGroup(nullptr); }, switchable});
    actions().add(C::PreviousGroup,
                  {tr("Previous Group"), {ctrl("[")}, [this] { onPreviousGroup(nullptr); }, switchable});
}

KTImageListView *KTGroupModeController::listForKeys() const
{
    const QString mode = UIMode();
    if (mode == kUIModeGroup)
        return m_groupView;
    if (mode == kUIModeImage || mode == kUIModeCompare)
        return m_groupNavigationView;
    return nullptr;
}

// ---- Data sources and delegates ----

qsizetype KTGroupModeController::numberOfGroups(KTGrouppedImagesView *)
{
    return groupCount();
}

QList<KTImageMO *> KTGroupModeController::imagesForGroupAtIndex(qsizetype index, KTGrouppedImagesView *)
{
    return imagesForGroup(index);
}

void KTGroupModeController::imagesGroupsViewDoubleClickedInGroupAtIndex(KTImagesGroupsView *, qsizetype)
{
    setUIMode(kUIModeGroup);
    adjustUI();
}

qsizetype KTGroupModeController::numberOfImages(KTImageListView *view)
{
    if (view != m_groupView && view != m_groupNavigationView)
        return 0;
    return images().size();
}

KTImageMO *KTGroupModeController::imageMOAtIndex(qsizetype index, KTImageListView *view)
{
    if (view != m_groupView && view != m_groupNavigationView)
        return nullptr;
    return imageAtIndex(index);
}

void KTGroupModeController::imageListViewSelectionDidChange(KTImageListView *view)
{
    if (view != m_groupView && view != m_groupNavigationView)
        return;
    setSelectedImagesIndexes(view->selection());
    setActiveImageIndex(view->activeIndex());
    updateSelectedImagesPaths();
    adjustImagesSelectionFromImageListView(view);
}

void KTGroupModeController::imageListViewCellWasDoubleClickedAtIndex(KTImageListView *view, qsizetype)
{
    if (view == m_groupView) {
        setUIMode(selectedImagesIndexes().size() < 2 ? kUIModeImage : kUIModeCompare);
        adjustUI();
    } else if (view == m_groupNavigationView && UIMode() == kUIModeImage) {
        setUIMode(kUIModeCompare);
        adjustUI();
    }
}

// ---- Time range popover ----

void KTGroupModeController::createTimeRangePopover()
{
    if (m_timeRangePopover)
        return;
    m_timeRangePopover =
        std::make_unique<KTTimeRangePopoverWindowController>(timeRanges(), timeRangesStrings());
    m_timeRangePopover->setDescriptionString(timeRangeDescription());
    m_timeRangePopover->setDelegate(this);
    showTimeRangeInPopover(m_timeRange);
    updateTimeRangeButton();
}

void KTGroupModeController::showTimeRangeInPopover(double seconds)
{
    m_showingRangeInPopover = true;
    m_timeRangePopover->setTimeRange(seconds);
    m_showingRangeInPopover = false;
}

void KTGroupModeController::updateTimeRangeButton()
{
    m_timeRangeButton->setTitle(m_timeRangePopover->timeRangeString());
    m_timeRangeButton->setPictogram(m_timeRangePopover->timeRangeIcon());
    m_timeRangeButton->setPushedPictogram(m_timeRangePopover->pushedTimeRangeIcon());
}

void KTGroupModeController::timeRangeDidChange(KTTimeRangePopoverWindowController *popover)
{
    updateTimeRangeButton();
    // A choice is stored (again) when it is done; what else changes the popover's range without
    // the mode asking is its return to the previous range after the run was cancelled, which the
    // stored range follows too.
    if (!m_showingRangeInPopover && popover && !popover->isShown())
        setTimeRange(popover->timeRange());
}

void KTGroupModeController::onShowHideTimeRangePopover(QObject *)
{
    if (!m_timeRangeButton->isPushed()) {
        m_timeRangePopover->closePopover();
        return;
    }
    if (m_timeRangePopover->isShown())
        return;
    createTimeRangePopover();
    showTimeRangeInPopover(m_timeRange);
    const QPointer<KTAbstractButton> button(m_timeRangeButton);
    m_timeRangePopover->showRelativeToView(m_timeRangeButton, [button] {
        if (button)
            button->setPushed(false);
    });
}
