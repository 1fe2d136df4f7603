#include "KTModeShareActions.h"

#include "KTBaseUIModeController.h"
#include "KTImageMO.h"
#include "KTImageStorage.h"
#include "KTMenuPresenter.h"
#include "KTResolveGroupViewController.h"
#include "KTShareMenu.h"

#include <QDir>
#include <QFileDialog>
#include <QMenu>

namespace {

/// What a transfer takes: the mode's list, or the catalogue's when the mode is hidden and its list
/// waits for its next showing (Move Picks chosen from another mode).
QList<KTImageMO *> imagesToTransfer(const KTBaseUIModeController &mode)
{
    KTImageStorage *storage = mode.imageStorage();
    if (mode.isNeedReload() && storage)
        return storage->imagesFilteredByFilterWithID(mode.imagesFilterID());
    return mode.images();
}

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
    panel(window, imagesToTransfer(*m_mode).size(), moving, [mode = m_mode, moving](const QString &folder) {
        KTImageStorage *storage = mode ? mode->imageStorage() : nullptr;
        if (!storage || folder.isEmpty())
            return;
        // The mode's list as it is now: records deleted while the panel was open are gone from it.
        const QList<KTImageMO *> list = imagesToTransfer(*mode);
        const auto report = [mode](const KTImageMover::Report &report) {
            if (mode)
                reportTransfer(mode->view(), report);
        };
        if (moving)
            storage->moveImages(list, folder, report);
        else
            storage->copyImages(list, folder, report);
    });
}

QString KTModeShareActions::reportTitle(const KTImageMover::Report &report)
{
    const int count = report.transferred;
    if (report.operation == KTImageMover::Operation::Move)
        return count == 1 ? tr("Moved 1 image") : tr("Moved %n images", nullptr, count);
    return count == 1 ? tr("Copied 1 image") : tr("Copied %n images", nullptr, count);
}

QString KTModeShareActions::reportDetail(const KTImageMover::Report &report)
{
    const QString folder = QDir::toNativeSeparators(report.folder);
    if (report.cancelled == 0)
        return tr("to %1").arg(folder);
    return report.cancelled == 1
               ? tr("to %1; 1 image left out after Cancel").arg(folder)
               : tr("to %1; %n images left out after Cancel", nullptr, report.cancelled).arg(folder);
}

KTAlert KTModeShareActions::failureAlert(const KTImageMover::Report &report)
{
    const bool moving = report.operation == KTImageMover::Operation::Move;
    const int failed = int(report.failures.size());
    QString message;
    if (moving)
        message = failed == 1 ? tr("1 file could not be moved to “%1”.")
                              : tr("%n files could not be moved to “%1”.", nullptr, failed);
    else
        message = failed == 1 ? tr("1 file could not be copied to “%1”.")
                              : tr("%n files could not be copied to “%1”.", nullptr, failed);
    // A long list is cut: the alert must fit on the screen.
    constexpr int kListedFailures = 12;
    QStringList lines = report.failures.mid(0, kListedFailures);
    if (failed > kListedFailures) {
        const int more = failed - kListedFailures;
        lines.append(more == 1 ? tr("and 1 more") : tr("and %n more", nullptr, more));
    }
    QString informative = lines.join(QLatin1Char('\n'));
    if (report.transferred > 0)
        informative = reportTitle(report) + QLatin1Char('.') + QStringLiteral("\n\n") + informative;
    KTAlert alert =
        KTAlert::withButtons(message.arg(QDir::toNativeSeparators(report.folder)), informative, {tr("OK")});
    alert.style = KTAlert::Style::Warning;
    return alert;
}

void KTModeShareActions::reportTransfer(QWidget *view, const KTImageMover::Report &report)
{
    if (!report.failures.isEmpty()) {
        failureAlert(report).run();
        return;
    }
    if (report.transferred == 0 || !view)
        return;
    KTResolveGroupViewController::showMessageInView(view, reportTitle(report), reportDetail(report), 2.5);
}
