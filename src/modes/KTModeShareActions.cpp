#include "KTModeShareActions.h"

#include "KTBaseUIModeController.h"
#include "KTImageMO.h"
#include "KTImageStorage.h"
#include "KTMenuPresenter.h"
#include "KTShareMenu.h"

#include <QFileDialog>
#include <QMenu>

namespace {

KTModeShareActions::FolderPanel &folderPanelStorage()
{
    static KTModeShareActions::FolderPanel s_panel;
    return s_panel;
}

/// The folder panel as a sheet on `window`: folders only, one of them, new folders allowed.
void runFolderPanel(QWidget *window, qsizetype count, bool moving,
                    std::function<void(const QString &)> completion)
{
    const QString title = moving ? KTModeShareActions::tr("Move %n Images to Folder", "", int(count))
                                 : KTModeShareActions::tr("Copy %n Images to Folder", "", int(count));
    auto *dialog = new QFileDialog(window, title);
    dialog->setFileMode(QFileDialog::Directory);
    dialog->setOption(QFileDialog::ShowDirsOnly);
    dialog->setLabelText(QFileDialog::Accept,
                         moving ? KTModeShareActions::tr("Move") : KTModeShareActions::tr("Copy"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::WindowModal);
    QObject::connect(
        dialog, &QFileDialog::finished, dialog, [dialog, completion = std::move(completion)](int result) {
            completion(result == QDialog::Accepted ? dialog->selectedFiles().value(0) : QString());
        });
    dialog->open();
}

QList<KTImageMO *> selectedImagesOf(KTBaseUIModeController *mode)
{
    QList<KTImageMO *> images;
    if (mode)
        mode->enumerateSelectedImagesUsingBlock(
            [&](KTImageMO *image, bool, bool &) { images.append(image); });
    return images;
}

} // namespace

KTModeShareActions::KTModeShareActions(KTBaseUIModeController &mode) : QObject(&mode), m_mode(&mode) {}

void KTModeShareActions::setFolderPanel(FolderPanel panel)
{
    folderPanelStorage() = std::move(panel);
}

QStringList KTModeShareActions::selectedImagesPaths(KTPairedPaths paired) const
{
    return KTSharedPaths::ofImages(selectedImagesOf(m_mode), paired);
}

std::unique_ptr<QMenu> KTModeShareActions::shareMenu() const
{
    auto menu = std::make_unique<QMenu>(QString());
    const auto selected = [mode = m_mode] { return selectedImagesOf(mode); };
    KTShareMenu::addItems(menu.get(),
                          {KTSharedPaths::producer(selected, KTPairedPaths::Include),
                           KTSharedPaths::producer(selected, KTPairedPaths::Exclude)},
                          KTShareMenu::PhotoManagers::Offered);
    return menu;
}

void KTModeShareActions::popUpShareMenu(QWidget *anchor) const
{
    std::unique_ptr<QMenu> menu = shareMenu();
    QPoint location;
    if (anchor)
        location = anchor->mapToGlobal(QPoint(0, 0));
    else if (m_mode && m_mode->view())
        location = m_mode->view()->mapToGlobal(QPoint(0, 0));
    const QList<QAction *> items = menu->actions();
    KTMenuPresenter::popUp(menu.get(), location, items.isEmpty() ? nullptr : items.last());
}

void KTModeShareActions::transferImagesToFolder(Transfer transfer)
{
    if (!m_mode)
        return;
    const FolderPanel &panel = folderPanelStorage() ? folderPanelStorage() : FolderPanel(&runFolderPanel);
    QWidget *window = m_mode->view() ? m_mode->view()->window() : nullptr;
    const bool moving = transfer == Transfer::Move;
    panel(window, m_mode->images().size(), moving, [mode = m_mode, moving](const QString &folder) {
        KTImageStorage *storage = mode ? mode->imageStorage() : nullptr;
        if (!storage || folder.isEmpty())
            return;
        // The mode's list as it is now: records deleted while the panel was open are gone from it.
        const QList<KTImageMO *> list = mode->images();
        if (moving)
            storage->moveImages(list, folder);
        else
            storage->copyImages(list, folder);
    });
}
