#include "KTShareManager.h"

#include "KTShareSystem.h"

#include <QAction>
#include <QCoreApplication>
#include <QFileInfo>
#include <QIcon>
#include <QMenu>

#include <algorithm>

Q_DECLARE_METATYPE(KTShareManager::ValidationHandler)

namespace {

const char *const kValidationProperty = "ktShareValidation";

QStringList s_excludedExportItems;
QStringList s_shareOrder;

QString tr(const char *text)
{
    return QCoreApplication::translate("KTShareManager", text);
}

const QStringList &namedTargets()
{
    static const QStringList targets{kKTExportToPhotoshop, kKTExportToPhotoshopElements, kKTExportToAperture,
                                     kKTExportToIPhoto, kKTExportToLightroom};
    return targets;
}

void setValidation(QAction *item, KTShareManager::ValidationHandler validation)
{
    item->setProperty(kValidationProperty, validation ? QVariant::fromValue(validation) : QVariant());
}

QMenu *submenu(QAction *item, const QString &title)
{
    auto *menu = new QMenu(title);
    item->setMenu(menu);
    // The menu goes with its item.
    QObject::connect(item, &QObject::destroyed, menu, &QObject::deleteLater);
    QObject::connect(menu, &QMenu::aboutToShow, menu, [menu] { KTShareManager::validateMenu(menu); });
    return menu;
}

} // namespace

QString KTShareManager::exportItemTitle(const QString &exportItemID)
{
    if (exportItemID == kKTExportToPhotoshop)
        return QStringLiteral("Photoshop");
    if (exportItemID == kKTExportToPhotoshopElements)
        return QStringLiteral("Photoshop Elements");
    if (exportItemID == kKTExportToAperture)
        return QStringLiteral("Aperture");
    if (exportItemID == kKTExportToIPhoto)
        return QStringLiteral("iPhoto");
    if (exportItemID == kKTExportToLightroom)
        return QStringLiteral("Lightroom");
    return exportItemID;
}

QAction *KTShareManager::showInFinderMenuItemWithImagesPaths(PathsHandler paths, ValidationHandler validation,
                                                             QObject *parent)
{
    auto *item = new QAction(QIcon::fromTheme(QStringLiteral("system-file-manager")),
                             tr("Show in File Manager"), parent);
    item->setObjectName(QStringLiteral("KTShowInFileManager"));
    setValidation(item, std::move(validation));
    QObject::connect(item, &QAction::triggered, item, [paths] {
        const QStringList files = paths ? paths() : QStringList();
        if (files.isEmpty())
            return;
        KTShareSystem::shared().showItemsInFileManager(files, [files](bool shown) {
            if (!shown)
                KTShareSystem::shared().openFolder(QFileInfo(files.first()).absolutePath());
        });
    });
    return item;
}

QAction *KTShareManager::exportMenuItemWithImagesPaths(PathsHandler paths, ValidationHandler validation,
                                                       QObject *parent)
{
    auto *item = new QAction(tr("Export"), parent);
    item->setObjectName(QStringLiteral("KTExport"));
    setValidation(item, std::move(validation));
    QMenu *menu = submenu(item, tr("Export"));
    const auto addEntry = [&](const QString &id, const QString &title) {
        QAction *entry = menu->addAction(title);
        entry->setObjectName(id);
        QObject::connect(entry, &QAction::triggered, entry, [id, paths] {
            const QStringList files = paths ? paths() : QStringList();
            if (!files.isEmpty())
                performExportWithExportItem(id, files);
        });
        return entry;
    };
    for (const QString &id : namedTargets()) {
        if (s_excludedExportItems.contains(id))
            continue;
        addEntry(id, exportItemTitle(id))->setVisible(canPerformExportWithExportItem(id));
    }
    const QList<KTDesktopEntry> editors = KTShareSystem::shared().imageEditors();
    if (!editors.isEmpty() && !menu->actions().isEmpty())
        menu->addSeparator();
    for (const KTDesktopEntry &editor : editors) {
        QAction *entry = addEntry(editor.id, editor.name);
        if (!editor.icon.isEmpty())
            entry->setIcon(QIcon::fromTheme(editor.icon));
    }
    return item;
}

QAction *KTShareManager::shareMenuItemWithImagesPaths(PathsHandler paths, ValidationHandler validation,
                                                      QObject *parent)
{
    auto *item = new QAction(tr("Share"), parent);
    item->setObjectName(QStringLiteral("KTShare"));
    setValidation(item, std::move(validation));
    QMenu *menu = submenu(item, tr("Share"));
    // Only e-mail exists on this desktop; the order still follows the configured one.
    QStringList services = s_shareOrder;
    if (!services.contains(kKTShareServiceEmail))
        services.append(kKTShareServiceEmail);
    for (const QString &service : services) {
        if (service != kKTShareServiceEmail || !KTShareSystem::shared().canSendEmail())
            continue;
        QAction *entry = menu->addAction(QIcon::fromTheme(QStringLiteral("mail-message-new")), tr("Email"));
        entry->setObjectName(service);
        QObject::connect(entry, &QAction::triggered, entry, [paths] {
            const QStringList files = paths ? paths() : QStringList();
            if (!files.isEmpty())
                KTShareSystem::shared().sendEmail(files);
        });
    }
    item->setEnabled(!menu->actions().isEmpty());
    return item;
}

void KTShareManager::excludeExportItems(const QStringList &exportItemIDs)
{
    s_excludedExportItems = exportItemIDs;
}

QStringList KTShareManager::excludedExportItems()
{
    return s_excludedExportItems;
}

QAction *KTShareManager::itemWithIdentifier(QAction *menuItem, const QString &identifier)
{
    if (!menuItem || !menuItem->menu())
        return nullptr;
    for (QAction *entry : menuItem->menu()->actions()) {
        if (entry->objectName() == identifier)
            return entry;
    }
    return nullptr;
}

void KTShareManager::hideExportItems(const QStringList &exportItemIDs, QAction *exportMenuItem)
{
    for (const QString &id : exportItemIDs) {
        if (QAction *entry = itemWithIdentifier(exportMenuItem, id))
            entry->setVisible(false);
    }
}

void KTShareManager::configureValidationHandler(ValidationHandler validation,
                                                const QStringList &exportItemIDs, QAction *exportMenuItem)
{
    for (const QString &id : exportItemIDs) {
        if (QAction *entry = itemWithIdentifier(exportMenuItem, id))
            setValidation(entry, validation);
    }
}

void KTShareManager::configureShareMenuItemsOrderWithServices(const QStringList &services)
{
    s_shareOrder = services;
}

QAction *KTShareManager::linksToProductMenuItemWithExportItemIDs(const QStringList &)
{
    return nullptr;
}

bool KTShareManager::canPerformExportWithExportItem(const QString &exportItemID)
{
    KTShareSystem &system = KTShareSystem::shared();
    if (namedTargets().contains(exportItemID))
        return system.applicationForExportTarget(exportItemID).has_value();
    const QList<KTDesktopEntry> editors = system.imageEditors();
    return std::any_of(editors.begin(), editors.end(),
                       [&](const KTDesktopEntry &e) { return e.id == exportItemID; });
}

bool KTShareManager::performExportWithExportItem(const QString &exportItemID, const QStringList &paths)
{
    KTShareSystem &system = KTShareSystem::shared();
    std::optional<KTDesktopEntry> application;
    if (namedTargets().contains(exportItemID)) {
        application = system.applicationForExportTarget(exportItemID);
    } else {
        for (const KTDesktopEntry &editor : system.imageEditors()) {
            if (editor.id == exportItemID)
                application = editor;
        }
    }
    return application && !paths.isEmpty() && system.openWithApplication(*application, paths);
}

void KTShareManager::validate(QAction *item)
{
    if (!item)
        return;
    const QVariant stored = item->property(kValidationProperty);
    if (!stored.isValid())
        return;
    const auto validation = stored.value<ValidationHandler>();
    if (!validation)
        return;
    // A submenu with nothing visible in it stays disabled whatever the block says.
    bool hasEntries = !item->menu();
    if (item->menu()) {
        const QList<QAction *> entries = item->menu()->actions();
        hasEntries = std::any_of(entries.begin(), entries.end(),
                                 [](QAction *entry) { return entry->isVisible() && !entry->isSeparator(); });
    }
    item->setEnabled(hasEntries && validation());
}

void KTShareManager::validateMenu(QMenu *menu)
{
    if (!menu)
        return;
    for (QAction *item : menu->actions())
        validate(item);
}
