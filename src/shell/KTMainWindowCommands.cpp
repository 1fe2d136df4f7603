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
#include "KTShareMenu.h"
#include "KTSharedPaths.h"
#include "KTSimilaritySearchCapability.h"
#include "KTUndoManager.h"
#include "KTUserDefaults.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>

namespace {} // namespace

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
            for (QAction *item : menu->actions()) {
                if (KTMainMenu::modeCommand(item))
                    m_places.push_back({menu, item, nullptr});
            }
            connect(menu, &QMenu::aboutToShow, this, [this, menu] {
                // The mode's actions are brought up to date by the mode itself.
                if (KTBaseUIModeController *active = modes().activeModeViewController())
                    active->validateActions();
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
        item->setChecked(active && active->isExifPanelVisible());
        return !sourcesShown && m_controller.toolbar() &&
               m_controller.toolbar()->showExifButton()->isButtonEnabled();
    case C::SetUIMode:
        item->setChecked(KTMainMenu::tag(item) == KTModeSwitcher::tagForUIMode(modes().UIMode()));
        return !sourcesShown;
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
    case C::SetUIMode:
        modes().setUIModeWithTag(KTMainMenu::tag(item));
        break;
    case C::ShowExifViewShortCut:
        onShowExifViewShortCut();
        break;
    case C::ToggleFullScreen:
        toggleFullScreen();
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
        if (auto *similar =
                dynamic_cast<KTSimilaritySearchCapability *>(modes().duplicatesImagesController()))
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

void KTMainWindowCommands::showModeActions(KTBaseUIModeController *active)
{
    for (Place &place : m_places) {
        QMenu *menu = place.menu;
        if (!menu)
            continue;
        QAction *wanted =
            active ? active->actions().action(*KTMainMenu::modeCommand(place.placeholder)) : nullptr;
        if (place.shown && place.shown != wanted)
            menu->removeAction(place.shown);
        // The place stays in the menu, hidden, and keeps the position of the mode's action.
        if (wanted && place.shown != wanted)
            menu->insertAction(place.placeholder, wanted);
        place.shown = wanted;
        place.placeholder->setVisible(!wanted && !KTMainMenu::hidesWithoutModeAction(place.placeholder));
    }
    if (active)
        active->validateActions();
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

void KTMainWindowCommands::createSharingMenus(QMenuBar *menuBar)
{
    QAction *shareItem = KTMainMenu::itemWithTag(menuBar, kShareMenuTag);
    if (!shareItem || !shareItem->menu())
        return;
    QMenu *menu = shareItem->menu();
    const QPointer<KTMainWindowCommands> self(this);
    const auto selected = [self] {
        return self ? self->selectedImagesFromActiveController() : QList<KTImageMO *>();
    };
    const QList<QAction *> items =
        KTShareMenu::makeItems({KTSharedPaths::producer(selected, KTPairedPaths::Include),
                                KTSharedPaths::producer(selected, KTPairedPaths::Exclude)},
                               KTShareMenu::PhotoManagers::Offered, menu);
    // Reveal, a separator, export and share, a separator, then what the menu had.
    QAction *first = menu->actions().value(0);
    menu->insertAction(first, items.at(0));
    menu->insertSeparator(first);
    menu->insertActions(first, {items.at(1), items.at(2)});
    menu->insertSeparator(first);
}
