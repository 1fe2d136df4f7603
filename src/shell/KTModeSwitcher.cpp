#include "KTModeSwitcher.h"

#include "KTSimilaritySearchCapability.h"
#include "KTTimeGroupingCapability.h"

#include "KTFilteredImageLists.h"
#include "KTImageInfoView.h"
#include "KTImageMO.h"
#include "KTImageStorage.h"
#include "KTKeyEquivalent.h"
#include "KTMainMenu.h"
#include "KTMainToolbar.h"
#include "KTUserDefaults.h"

#include <QGridLayout>
#include <QHash>
#include <QKeyEvent>

#include <algorithm>
#include <cmath>

KTModeSwitcher::KTModeSwitcher(KTImageStorage *storage, QObject *parent) : QObject(parent), m_storage(storage)
{
    Q_ASSERT(storage);
}

KTModeSwitcher::~KTModeSwitcher()
{
    deleteModes();
}

void KTModeSwitcher::createModes(const ModeControllerFactory &factory, QGridLayout *container,
                                 KTMainToolbar *toolbar, KTOperationQueue *thumbnailQueue,
                                 KTBaseUIModeControllerDelegate *delegate)
{
    m_container = container;
    m_toolbar = toolbar;
    m_thumbnailQueue = thumbnailQueue;
    m_delegate = delegate;
    m_allImagesModeController = makeMode(factory, kAllImagesUIMode, toolbar->allImagesModeButton());
    m_favoriteImagesModeController = makeMode(factory, kFavoritesUIMode, toolbar->favoritesModeButton());
    m_trashImagesController = makeMode(factory, kTrashUIMode, toolbar->trashModeButton());
    m_duplicatesImagesController = makeMode(factory, kDuplicatesUIMode, toolbar->duplicatesModeButton());
    // The catalogue searches and groups with the similar groups' settings from the start.
    if (auto *similar = dynamic_cast<KTSimilaritySearchCapability *>(m_duplicatesImagesController.get())) {
        m_storage->setAccuracyLevel(similar->accuracyLevel());
        m_storage->setTimeRange(similar->timeRange());
    }
}

void KTModeSwitcher::deleteModes()
{
    m_selectedImages.clear();
    m_activeImage.reset();
    m_allImagesModeController.reset();
    m_duplicatesImagesController.reset();
    m_favoriteImagesModeController.reset();
    m_trashImagesController.reset();
}

std::unique_ptr<KTBaseUIModeController> KTModeSwitcher::makeMode(const ModeControllerFactory &factory,
                                                                 const QString &uiMode, KTButton *modeButton)
{
    std::unique_ptr<KTBaseUIModeController> controller = factory ? factory(uiMode) : nullptr;
    if (!controller)
        return nullptr;
    controller->setLoadingThumbnailsQueue(m_thumbnailQueue);
    if (QWidget *view = controller->view()) {
        view->hide();
        m_container->addWidget(view, 0, 0);
    }
    controller->setShowPixelsButton(m_toolbar->showPixelsButton());
    controller->setShowFocusMaskButton(m_toolbar->showFocusMaskButton());
    controller->setImageStorage(m_storage);
    controller->setDelegate(m_delegate);
    controller->setModeButton(modeButton);
    return controller;
}

QString KTModeSwitcher::UIMode()
{
    if (m_UIMode.isNull()) {
        KTUserDefaults &defaults = KTUserDefaults::standardUserDefaults();
        m_UIMode = defaults.stringForKey(kUIModeKey);
        if (m_UIMode.isEmpty()) {
            m_UIMode = kDuplicatesUIMode;
            defaults.setObject(m_UIMode, kUIModeKey);
            defaults.synchronize();
        }
    }
    return m_UIMode;
}

void KTModeSwitcher::setUIMode(const QString &mode)
{
    if (mode == m_UIMode && !m_UIMode.isNull())
        return;
    m_UIMode = mode;
    KTUserDefaults &defaults = KTUserDefaults::standardUserDefaults();
    defaults.setObject(mode.isNull() ? QVariant() : QVariant(mode), kUIModeKey);
    defaults.synchronize();
}

void KTModeSwitcher::switchToUIMode(const QString &mode)
{
    storeSelectionFromActiveController();
    setUIMode(mode);
    emit switched();
}

void KTModeSwitcher::onAllImages()
{
    switchToUIMode(kAllImagesUIMode);
}

void KTModeSwitcher::onDuplicates()
{
    switchToUIMode(kDuplicatesUIMode);
    if (m_duplicatesImagesController)
        m_duplicatesImagesController->adjustUIVisibleElements();
}

void KTModeSwitcher::onFavorites()
{
    switchToUIMode(kFavoritesUIMode);
}

void KTModeSwitcher::onTrash()
{
    switchToUIMode(kTrashUIMode);
}

void KTModeSwitcher::onResult()
{
    switchToUIMode(kLeftImagesUIMode);
}

void KTModeSwitcher::setUIModeWithTag(int tag)
{
    switch (tag) {
    case kDuplicatesModeTag:
        onDuplicates();
        break;
    case kAllImagesModeTag:
    case kFavoritesModeTag:
    case kTrashModeTag:
        switchToUIMode(uiModeForTag(tag));
        break;
    default:
        switchToUIMode(QString());
    }
}

int KTModeSwitcher::tagForUIMode(const QString &mode)
{
    static const QHash<QString, int> s_tags{
        {kDuplicatesUIMode, kDuplicatesModeTag}, {kAllImagesUIMode, kAllImagesModeTag},
        {kFavoritesUIMode, kFavoritesModeTag},   {kTrashUIMode, kTrashModeTag},
        {kUIModeGroups, kGroupsViewTag},         {kUIModeList, kGroupsViewTag},
        {kUIModeGroup, kGroupViewTag},           {kUIModeImage, kImageViewTag},
        {kUIModeCompare, kCompareViewTag},
    };
    return s_tags.value(mode, 0);
}

QString KTModeSwitcher::uiModeForTag(int tag)
{
    switch (tag) {
    case kDuplicatesModeTag:
        return kDuplicatesUIMode;
    case kFavoritesModeTag:
        return kFavoritesUIMode;
    case kTrashModeTag:
        return kTrashUIMode;
    case kGroupsViewTag:
        return kUIModeGroups;
    case kGroupViewTag:
        return kUIModeGroup;
    case kImageViewTag:
        return kUIModeImage;
    case kCompareViewTag:
        return kUIModeCompare;
    default:
        return kAllImagesUIMode;
    }
}

void KTModeSwitcher::showActiveMode()
{
    if (m_storage->sources().isEmpty())
        setUIMode(kSourcesUIMode);
    adjustUIVisibleElements();
    validateUIVisibleElements();
}

void KTModeSwitcher::validateUIVisibleElements()
{
    const QString mode = UIMode();
    if (m_toolbar) {
        const QList<QPair<KTModeButton *, QString>> buttons{
            {m_toolbar->duplicatesModeButton(), kDuplicatesUIMode},
            {m_toolbar->allImagesModeButton(), kAllImagesUIMode},
            {m_toolbar->favoritesModeButton(), kFavoritesUIMode},
            {m_toolbar->trashModeButton(), kTrashUIMode},
            {m_toolbar->resultModeButton(), kLeftImagesUIMode},
        };
        for (const auto &[button, buttonMode] : buttons)
            button->setState(buttonMode == mode ? 1 : 0);
    }
    if (mode == kSourcesUIMode) {
        // The timeline shows under the sources window, with nothing to resolve.
        if (auto *timeline = dynamic_cast<KTTimeGroupingCapability *>(m_allImagesModeController.get())) {
            if (QWidget *button = timeline->rejectNotSelectedButton())
                button->setEnabled(false);
        }
    } else if (KTBaseUIModeController *active = activeModeViewController()) {
        active->setSelectedImages(m_selectedImages, m_activeImage, m_selectOnlyFirstImage);
    }
}

void KTModeSwitcher::adjustUIVisibleElements()
{
    const QString mode = UIMode();
    KTBaseUIModeController *active = activeModeViewController();
    const auto isShown = [&](KTBaseUIModeController *controller) {
        return controller == active || (controller == m_allImagesModeController.get() &&
                                        (mode == kAllImagesUIMode || mode == kSourcesUIMode));
    };
    const QList<KTBaseUIModeController *> controllers = viewControllers();
    // Hide first, so that two modes are never shown at once.
    for (KTBaseUIModeController *controller : controllers) {
        if (QWidget *view = controller->view(); view && !isShown(controller))
            view->hide();
    }
    for (KTBaseUIModeController *controller : controllers) {
        if (QWidget *view = controller->view(); view && isShown(controller))
            view->show();
    }
    for (KTBaseUIModeController *controller : controllers)
        controller->refresh();
}

KTBaseUIModeController *KTModeSwitcher::activeModeViewController()
{
    const QString mode = UIMode();
    if (mode == kAllImagesUIMode)
        return m_allImagesModeController.get();
    if (mode == kDuplicatesUIMode)
        return m_duplicatesImagesController.get();
    if (mode == kFavoritesUIMode)
        return m_favoriteImagesModeController.get();
    if (mode == kTrashUIMode)
        return m_trashImagesController.get();
    return nullptr;
}

QList<KTBaseUIModeController *> KTModeSwitcher::viewControllers() const
{
    QList<KTBaseUIModeController *> controllers;
    for (KTBaseUIModeController *controller :
         {m_allImagesModeController.get(), m_favoriteImagesModeController.get(),
          m_trashImagesController.get(), m_duplicatesImagesController.get()}) {
        if (controller)
            controllers.append(controller);
    }
    return controllers;
}

bool KTModeSwitcher::isGroupsMode(const KTBaseUIModeController *mode) const
{
    return mode && (mode == m_duplicatesImagesController.get() || mode == m_allImagesModeController.get());
}

bool KTModeSwitcher::isListMode(const KTBaseUIModeController *mode) const
{
    return mode && (mode == m_favoriteImagesModeController.get() || mode == m_trashImagesController.get());
}

quint64 KTModeSwitcher::filteredCount(const KTBaseUIModeController *mode) const
{
    if (!mode)
        return 0;
    // The catalogue keeps the mode's list current: its size costs nothing, where a count fetches.
    if (const std::optional<qsizetype> kept = m_storage->keptCountForFilterWithID(mode->imagesFilterID()))
        return quint64(*kept);
    const quint64 count = m_storage->countForImagesFilteredByFilterWithID(mode->imagesFilterID());
    return count == kFilteredCountNotFound ? 0 : count;
}

bool KTModeSwitcher::keyDown(const QKeyEvent &event)
{
    static const QList<QPair<QString, QString>> s_keys{
        {QStringLiteral("t"), kAllImagesUIMode},
        {QStringLiteral("s"), kDuplicatesUIMode},
        {QStringLiteral("p"), kFavoritesUIMode},
        {QStringLiteral("j"), kTrashUIMode},
    };
    for (const auto &[key, mode] : s_keys) {
        if (equalsToKeyEquivalent(event, key, {})) {
            if (mode == kDuplicatesUIMode)
                onDuplicates();
            else
                switchToUIMode(mode);
            return true;
        }
    }
    return false;
}

bool KTModeSwitcher::performKeyEquivalent(const QKeyEvent &event)
{
    KTBaseUIModeController *active = activeModeViewController();
    return active && active->performKeyEquivalent(event);
}

void KTModeSwitcher::magnify(double magnification)
{
    KTBaseUIModeController *active = activeModeViewController();
    if (!active || !active->canZoomListView() || std::abs(magnification) <= 0.01)
        return;
    active->setZoomValue(std::clamp(active->zoomValue() + 0.5 * magnification, 0.0, 1.0));
}

void KTModeSwitcher::setImageListZoom(double zoom, KTBaseUIModeController *controllerToExclude)
{
    for (KTBaseUIModeController *controller : viewControllers()) {
        if (controller != controllerToExclude && controller->zoomValue() != zoom)
            controller->setZoomValue(zoom);
    }
}

void KTModeSwitcher::storeSelectionFromActiveController()
{
    m_selectOnlyFirstImage = false;
    KTBaseUIModeController *active = activeModeViewController();
    if (!active)
        return;
    // From a comparison only the image in front goes along; from a grid of groups only the
    // first image of the selected group.
    const bool compare = active->UIMode() == kUIModeCompare;
    QList<KTImageMO *> selected;
    active->enumerateSelectedImagesUsingBlock([&](KTImageMO *image, bool isActive, bool &) {
        if (!compare || isActive)
            selected.append(image);
    });
    if (isGroupsMode(active) && active->UIMode() == kUIModeGroups)
        m_selectOnlyFirstImage = true;
    m_selectedImages = selected;
    m_activeImage = active->activeImageMO();
}

void KTModeSwitcher::resetModes()
{
    m_selectedImages.clear();
    m_activeImage.reset();
    for (KTBaseUIModeController *controller : viewControllers())
        controller->resetUI();
}

void KTModeSwitcher::forgetSessionRecords()
{
    m_selectedImages.clear();
    m_activeImage.reset();
    clearInfoView(activeModeViewController());
}

void KTModeSwitcher::clearInfoView(KTBaseUIModeController *mode)
{
    if (!mode)
        return;
    if (KTImageInfoView *info = mode->infoView())
        info->setImageMO(nullptr);
}

void KTModeSwitcher::saveSelectionStateInActiveViewController()
{
    if (KTBaseUIModeController *active = activeModeViewController())
        active->saveSelections();
}
