#include "KTShareMenu.h"

#include <QAction>
#include <QMenu>

const QStringList &KTShareMenu::photoManagerExportItems()
{
    static const QStringList s_items{kKTExportToLightroom, kKTExportToIPhoto, kKTExportToAperture};
    return s_items;
}

QList<QAction *> KTShareMenu::makeItems(const Paths &paths, PhotoManagers managers, QObject *parent)
{
    const KTShareManager::PathsHandler withPairs = paths.withPairs;
    const KTShareManager::PathsHandler withoutPairs = paths.withoutPairs;
    const auto any = [](const KTShareManager::PathsHandler &handler) {
        return [handler] { return handler && !handler().isEmpty(); };
    };
    QAction *reveal = KTShareManager::showInFinderMenuItemWithImagesPaths(withPairs, any(withPairs), parent);
    QAction *exportItem = KTShareManager::exportMenuItemWithImagesPaths(
        withoutPairs, [withoutPairs] { return withoutPairs && withoutPairs().size() == 1; }, parent);
    if (managers == PhotoManagers::Offered)
        KTShareManager::configureValidationHandler(any(withoutPairs), photoManagerExportItems(), exportItem);
    else
        KTShareManager::hideExportItems(photoManagerExportItems(), exportItem);
    QAction *share = KTShareManager::shareMenuItemWithImagesPaths(withPairs, any(withPairs), parent);
    return {reveal, exportItem, share};
}

QList<QAction *> KTShareMenu::addItems(QMenu *menu, const Paths &paths, PhotoManagers managers)
{
    const QList<QAction *> items = makeItems(paths, managers, menu);
    menu->addActions(items);
    for (QAction *item : items)
        KTShareManager::validate(item);
    return items;
}
