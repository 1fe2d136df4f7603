#include "KTMainWindowCommands.h"

#include "KTAboutWindow.h"
#include "KTAbstractButton.h"
#include "KTAlert.h"
#include "KTFocusedRegionsManager.h"
#include "KTHelpPage.h"
#include "KTImageMO.h"
#include "KTImageStorage.h"
#include "KTMainMenu.h"
#include "KTMainWindowController.h"
#include "KTPreferencesWindowController.h"
#include "KTShareManager.h"
#include "KTUndoManager.h"
#include "KTUserDefaults.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>

namespace {


} // namespace

KTMainWindowCommands::KTMainWindowCommands(KTMainWindowController &controller)
    : QObject(&controller), m_controller(controller), m_storage(controller.imageStorage())
{}

KTMainWindowCommands::~KTMainWindowCommands() = default;

KTModeSwitcher &KTMainWindowCommands::modes() const
{
    return m_controller.modeSwitcher();
}

void KTMainWindowCommands::connectMenuBar(QMenuBar *menuBar)
{
    m_menuBar = menuBar;
    for (QAction *item : KTMainMenu::commandItems(menuBar))
        connect(item, &QAction::triggered, this, [this, item] { performMenuItem(item); });
    for (QAction *menuItem : menuBar->actions()) {
        if (QMenu *menu = menuItem->menu()) {
            connect(menu, &QMenu::aboutToShow, this, [this, menu] {
                for (QAction *item : menu->actions()) {
                    if (KTMainMenu::command(item) != KTMenuCommand::None)
                        item->setEnabled(validateMenuItem(item));
                }
                KTShareManager::validateMenu(menu);
            });
            // Closed, every item takes keys again; a command checks itself when it runs.
            connect(menu, &QMenu::aboutToHide, this, [menu] {
                for (QAction *item : menu->actions()) {
                    if (KTMainMenu::command(item) != KTMenuCommand::None)
                        item->setEnabled(true);
                }
            });
        }
    }
    createSharingMenus(menuBar);
}

void KTMainWindowCommands::validateAllMenuItems()
{
    if (!m_menuBar)
        return;
    for (QAction *item : KTMainMenu::commandItems(m_menuBar))
        validateMenuItem(item);
}

void KTMainWindowCommands::onUndo()
{
    if (KTUndoManager *undo = m_storage->undoManager())
        undo->undo();
    m_controller.validateUndoRedoButtons();
}

void KTMainWindowCommands::onRedo()
{
    if (KTUndoManager *undo = m_storage->undoManager())
        undo->redo();
    m_controller.validateUndoRedoButtons();
}

void KTMainWindowCommands::toggleFullScreen()
{
    KTMainWindow *window = m_controller.window();
    if (!window)
        return;
    if (window->isFullScreen())
        window->showNormal();
    else
        window->showFullScreen();
}

bool KTMainWindowCommands::validateMenuItem(QAction *item)
{
    using C = KTMenuCommand;
    KTSourcesWindowHost *sources = m_controller.sourcesHost();
    const bool sourcesShown = sources && sources->isOpen();
    KTBaseUIModeController *active = modes().activeModeViewController();
    const bool hasImages = active && !active->images().isEmpty();
    const QString subMode = active ? active->UIMode() : QString();
    const bool groupsMode = modes().isGroupsMode(active);
    switch (KTMainMenu::command(item)) {
    case C::CopyFavorites:
    case C::MoveFavorites:
        return modes().filteredCount(modes().favoriteImagesModeController()) > 0;
    case C::CopyArchived:
    case C::MoveArchived:
        return modes().filteredCount(modes().trashImagesController()) > 0;
    case C::StartNewSession: {
        // Open, the sources window comes back to the front; a session being started takes none.
        const KTSessionFlow &flow = m_controller.sessionFlow();
        return !m_storage->newSession() && !flow.isCounting() && !flow.hasPendingSessionStart();
    }
    case C::ShowExifViewShortCut:
        return !sourcesShown && m_controller.toolbar() &&
               m_controller.toolbar()->showExifButton()->isButtonEnabled();
    case C::ZoomImagesIn:
    case C::ZoomImagesOut:
        return !sourcesShown && active && active->canZoom();
    case C::OriginalSize:
    case C::FitToScreen:
        return !sourcesShown && active && active->canScale();
    case C::SetUIMode:
        item->setChecked(KTMainMenu::tag(item) == KTModeSwitcher::tagForUIMode(modes().UIMode()));
        return !sourcesShown;
    case C::SetViewType:
        item->setChecked(active && KTMainMenu::tag(item) == KTModeSwitcher::tagForUIMode(subMode));
        return !sourcesShown && hasImages;
    case C::PreviousGroup:
    case C::NextGroup:
        item->setVisible(groupsMode);
        return groupsMode ? !sourcesShown && active->canSwitchGroups() : !sourcesShown;
    case C::RejectResolve: {
        item->setVisible(groupsMode);
        const bool similar = active && active == modes().duplicatesImagesController();
        item->setText(similar ? tr("Resolve Group") : tr("Reject Unselected"));
        if (!groupsMode || sourcesShown)
            return false;
        return similar ? active->canResolve() : active->canRejectNotSelected();
    }
    case C::Pick:
    case C::Reject:
        return !sourcesShown && hasImages && active != modes().trashImagesController();
    case C::Restore:
        return !sourcesShown && active && active == modes().trashImagesController() && hasImages;
    case C::SwitchOriginalSizeOrFitToScreen:
        return !sourcesShown && (subMode == kUIModeImage || subMode == kUIModeCompare);
    case C::SelectAll:
    case C::DeselectAll:
        return subMode != kUIModeGroups && subMode != kUIModeCompare;
    case C::ShowPreferencesWindow:
        return !isPreferencesWindowVisible();
    case C::Undo:
    case C::Redo: {
        // "Undo Pick", "Redo Reject": the undo manager names its next steps.
        const KTUndoManager *undo = m_storage->undoManager();
        const bool isUndo = KTMainMenu::command(item) == C::Undo;
        if (undo)
            item->setText(isUndo ? undo->undoMenuItemTitle() : undo->redoMenuItemTitle());
        return undo && (isUndo ? undo->canUndo() : undo->canRedo());
    }
    default:
        return true;
    }
}

void KTMainWindowCommands::performMenuItem(QAction *item)
{
    if (!validateMenuItem(item))
        return;
    runMenuCommand(item);
}

void KTMainWindowCommands::runMenuCommand(QAction *item)
{
    using C = KTMenuCommand;
    KTBaseUIModeController *active = modes().activeModeViewController();
    switch (KTMainMenu::command(item)) {
    case C::StartNewSession:
        m_controller.onStartNewSession();
        break;
    case C::ShowPreferencesWindow:
        onShowPreferencesWindow();
        break;
    case C::CloseWindow:
        if (KTMainWindow *window = m_controller.window())
            window->close();
        break;
    case C::Quit:
        m_controller.requestTermination();
        break;
    case C::Undo:
        onUndo();
        break;
    case C::Redo:
        onRedo();
        break;
    case C::CopyImages:
        if (active)
            active->copyImagesToPasteboard();
        break;
    case C::SelectAll:
        if (active)
            active->selectAllImagesInGroup();
        break;
    case C::DeselectAll:
        if (active)
            active->deselectAllImagesInGroup();
        break;
    case C::SetUIMode:
        modes().setUIModeWithTag(KTMainMenu::tag(item));
        break;
    case C::SetViewType:
        modes().setViewType(KTMainMenu::tag(item));
        break;
    case C::ZoomImagesIn:
        if (active)
            active->onZoomViewIn(item);
        break;
    case C::ZoomImagesOut:
        if (active)
            active->onZoomViewOut(item);
        break;
    case C::FitToScreen:
        if (active)
            active->onFit(item);
        break;
    case C::OriginalSize:
        if (active)
            active->onActualSize(item);
        break;
    case C::SwitchOriginalSizeOrFitToScreen:
        if (active)
            active->onFitOrActualSize(nullptr);
        break;
    case C::ShowExifViewShortCut:
        onShowExifViewShortCut();
        break;
    case C::ShowExposurePixels:
        onShowExposurePixels(item);
        break;
    case C::ToggleFullScreen:
        toggleFullScreen();
        break;
    case C::Pick:
        onPickWithMenuItem();
        break;
    case C::Reject:
        onRejectWithMenuItem();
        break;
    case C::Restore:
        onRestoreWithMenuItem();
        break;
    case C::RejectResolve:
        onRejectResolve();
        break;
    case C::NextGroup:
        if (modes().isGroupsMode(active))
            active->onNextGroup(nullptr);
        break;
    case C::PreviousGroup:
        if (modes().isGroupsMode(active))
            active->onPreviousGroup(nullptr);
        break;
    case C::CopyFavorites:
        if (KTBaseUIModeController *picks = modes().favoriteImagesModeController())
            picks->onCopy(item);
        break;
    case C::CopyArchived:
        if (KTBaseUIModeController *rejects = modes().trashImagesController())
            rejects->onCopy(item);
        break;
    case C::MoveFavorites:
        onMoveFavorites(item);
        break;
    case C::MoveArchived:
        onMoveArchived(item);
        break;
    case C::ShowDuplicatesSearchSettings:
        if (KTBaseUIModeController *similar = modes().duplicatesImagesController())
            similar->onShowSearchSettings(item);
        break;
    case C::ShowQuickTips:
        m_controller.presentQuickTips();
        break;
    case C::Help:
        onHelp();
        break;
    case C::About:
        onAbout();
        break;
    case C::None:
        break;
    }
}

void KTMainWindowCommands::onPickWithMenuItem()
{
    if (KTBaseUIModeController *active = modes().activeModeViewController())
        active->flagActiveSelectedImages(!active->activeImagespicked());
}

void KTMainWindowCommands::onRejectWithMenuItem()
{
    if (KTBaseUIModeController *active = modes().activeModeViewController())
        active->rejectSelectedImages();
}

void KTMainWindowCommands::onRestoreWithMenuItem()
{
    KTBaseUIModeController *active = modes().activeModeViewController();
    if (active && active == modes().trashImagesController())
        active->onPutBack(nullptr);
}

void KTMainWindowCommands::onRejectResolve()
{
    KTBaseUIModeController *active = modes().activeModeViewController();
    if (!active)
        return;
    if (active == modes().allImagesModeController())
        active->onRejectNotSelected(nullptr);
    else if (active == modes().duplicatesImagesController())
        active->onResolveGroup(nullptr);
}

void KTMainWindowCommands::onShowExifView(QObject *sender)
{
    if (KTBaseUIModeController *active = modes().activeModeViewController())
        active->onShowExifView(sender);
}

void KTMainWindowCommands::onShowExifViewShortCut()
{
    KTAbstractButton *button = m_controller.toolbar() ? m_controller.toolbar()->showExifButton() : nullptr;
    if (!button || !button->isButtonEnabled())
        return;
    button->setPushed(!button->isPushed());
    onShowExifView(button);
}

void KTMainWindowCommands::onShowExposurePixels(QObject *sender)
{
    if (KTBaseUIModeController *active = modes().activeModeViewController())
        active->onShowExposurePixels(sender);
}

void KTMainWindowCommands::askAboutMovingImages(KTBaseUIModeController *mode, QObject *sender)
{
    if (!mode)
        return;
    const KTAlert alert =
        KTAlert::withButtons(tr("Moving images to other location will remove them from their "
                                "original locations and current session. Do you want to "
                                "continue?"),
                             {}, {tr("Yes"), tr("No")}, KTAlert::ButtonCodes::Classic);
    if (alert.run() == KTAlert::kDefaultReturn)
        mode->onMove(sender);
}

void KTMainWindowCommands::onMoveFavorites(QObject *sender)
{
    askAboutMovingImages(modes().favoriteImagesModeController(), sender);
}

void KTMainWindowCommands::onMoveArchived(QObject *sender)
{
    askAboutMovingImages(modes().trashImagesController(), sender);
}

void KTMainWindowCommands::onSyncExternalImagesStatuses()
{
    if (KTBaseUIModeController *timeline = modes().allImagesModeController())
        m_storage->syncImagesStatuses(m_storage->imagesFilteredByFilterWithID(timeline->imagesFilterID()));
}

void KTMainWindowCommands::onFocusRegions()
{
    KTFocusedRegionsManager &regions = KTFocusedRegionsManager::sharedManager();
    regions.setFocusedRegionsVisible(!regions.isFocusedRegionsVisible());
}

void KTMainWindowCommands::onFocusPointLattice()
{
    KTFocusedRegionsManager &regions = KTFocusedRegionsManager::sharedManager();
    regions.setFocusPointLatticeVisible(!regions.isFocusPointLatticeVisible());
}

void KTMainWindowCommands::showFocusRegion(bool show)
{
    KTFocusedRegionsManager::sharedManager().setFocusedRegionsVisible(show);
}

void KTMainWindowCommands::onShowPreferencesWindow()
{
    if (!m_preferencesController)
        m_preferencesController = std::make_unique<KTPreferencesWindowController>(
            m_storage, KTUserDefaults::standardUserDefaults());
    m_preferencesController->runModal();
}

bool KTMainWindowCommands::isPreferencesWindowVisible() const
{
    return m_preferencesController && m_preferencesController->isRunningModal();
}

void KTMainWindowCommands::onAbout()
{
    KTAboutWindow::presentOver(m_controller.window());
}

void KTMainWindowCommands::onHelp()
{
    KTHelpPage::open();
}

QList<KTImageMO *> KTMainWindowCommands::selectedImagesFromActiveController()
{
    QList<KTImageMO *> images;
    if (KTBaseUIModeController *active = modes().activeModeViewController())
        active->enumerateSelectedImagesUsingBlock(
            [&](KTImageMO *image, bool, bool &) { images.append(image); });
    return images;
}

QStringList KTMainWindowCommands::sharedImagesPaths(bool withPairs)
{
    const bool pairsAsOne = KTImageStorage::showsRawAndJPEGAsOneFile();
    QStringList paths;
    for (KTImageMO *image : selectedImagesFromActiveController()) {
        if (!image->originalFileExists().value_or(false))
            continue;
        if (withPairs && pairsAsOne && !image->duplicateImagePath().isEmpty())
            paths.append(image->duplicateImagePath());
        paths.append(image->path());
    }
    return paths;
}

void KTMainWindowCommands::createSharingMenus(QMenuBar *menuBar)
{
    QAction *shareItem = KTMainMenu::itemWithTag(menuBar, kShareMenuTag);
    if (!shareItem || !shareItem->menu())
        return;
    QMenu *menu = shareItem->menu();
    const QPointer<KTMainWindowCommands> self(this);
    const auto paths = [self](bool withPairs) {
        return [self, withPairs] { return self ? self->sharedImagesPaths(withPairs) : QStringList(); };
    };
    const auto atLeastOne = [self](bool withPairs) {
        return [self, withPairs] { return self && !self->sharedImagesPaths(withPairs).isEmpty(); };
    };
    const auto insertAt = [menu](int index, QAction *item) {
        const QList<QAction *> items = menu->actions();
        menu->insertAction(index < items.size() ? items.at(index) : nullptr, item);
    };
    QAction *reveal =
        KTShareManager::showInFinderMenuItemWithImagesPaths(paths(true), atLeastOne(true), menu);
    insertAt(0, reveal);
    QAction *exportItem = KTShareManager::exportMenuItemWithImagesPaths(
        paths(false), [self] { return self && self->sharedImagesPaths(false).size() == 1; }, menu);
    insertAt(1, exportItem);
    KTShareManager::configureValidationHandler(
        atLeastOne(false), {kKTExportToAperture, kKTExportToIPhoto, kKTExportToLightroom}, exportItem);
    insertAt(2, KTShareManager::shareMenuItemWithImagesPaths(paths(true), atLeastOne(true), menu));
    auto *first = new QAction(menu);
    first->setSeparator(true);
    insertAt(1, first);
    auto *second = new QAction(menu);
    second->setSeparator(true);
    insertAt(4, second);
}
