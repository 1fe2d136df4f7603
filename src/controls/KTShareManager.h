#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class QAction;
class QMenu;
class QObject;

/// Export-item identifiers: the named targets of the Export submenu, and those of the links menu.
inline const QString kKTExportToPhotoshop = QStringLiteral("KTExportToPhotoshop");
inline const QString kKTExportToPhotoshopElements = QStringLiteral("KTExportToPhotoshopElements");
inline const QString kKTExportToAperture = QStringLiteral("KTExportToAperture");
inline const QString kKTExportToIPhoto = QStringLiteral("KTExportToIPhoto");
inline const QString kKTExportToLightroom = QStringLiteral("KTExportToLightroom");
inline const QString kKTExportToVividor = QStringLiteral("KTExportToVividor");
inline const QString kKTExportToGraystead = QStringLiteral("KTExportToGraystead");
inline const QString kKTExportToMendora = QStringLiteral("KTExportToMendora");
inline const QString kKTExportToTessmark = QStringLiteral("KTExportToTessmark");
inline const QString kKTExportToLumaquill = QStringLiteral("KTExportToLumaquill");

/// Share services, in the order the launch gives them.
inline const QString kKTShareServiceFlickr = QStringLiteral("KTShareServiceFlickr");
inline const QString kKTShareServiceFacebook = QStringLiteral("KTShareServiceFacebook");
inline const QString kKTShareServiceTwitter = QStringLiteral("KTShareServiceTwitter");
inline const QString kKTShareServiceEmail = QStringLiteral("KTShareServiceEmail");

/// The menu items that hand the selected images to the desktop: "Show in File Manager", the
/// Export submenu (the five named targets, hidden while this desktop has no such application,
/// then the image editors installed here) and the Share submenu (e-mail when available).
///
/// Each builder takes a block returning the file paths, asked only when an item is used, and a
/// block returning whether the item is enabled, run by validate() / validateMenu() (the submenus
/// validate their entries as they open). Items are identified by their objectName: the export-item
/// identifier, a desktop file id for an editor, a share service identifier.
///
/// Everything that reaches the system goes through KTShareSystem.
///
/// Threading: main thread only.
class KTShareManager
{
public:
    using PathsHandler = std::function<QStringList()>;
    using ValidationHandler = std::function<bool()>;

    /// Reveals the files in the file manager; with no file manager answering, opens the folder
    /// of the first file.
    static QAction *showInFinderMenuItemWithImagesPaths(PathsHandler paths, ValidationHandler validation,
                                                        QObject *parent = nullptr);
    static QAction *exportMenuItemWithImagesPaths(PathsHandler paths, ValidationHandler validation,
                                                  QObject *parent = nullptr);
    static QAction *shareMenuItemWithImagesPaths(PathsHandler paths, ValidationHandler validation,
                                                 QObject *parent = nullptr);

    /// The targets left out of every Export submenu built afterwards (replaces the list).
    static void excludeExportItems(const QStringList &exportItemIDs);
    static QStringList excludedExportItems();
    /// Hides those entries of an Export submenu.
    static void hideExportItems(const QStringList &exportItemIDs, QAction *exportMenuItem);
    /// Gives those entries of an Export submenu `validation` as their enabling block.
    static void configureValidationHandler(ValidationHandler validation, const QStringList &exportItemIDs,
                                           QAction *exportMenuItem);
    /// The order of the Share submenu's services; services not listed follow.
    static void configureShareMenuItemsOrderWithServices(const QStringList &services);
    /// Links to the maker's other products: none here, so null.
    static QAction *linksToProductMenuItemWithExportItemIDs(const QStringList &exportItemIDs);

    /// Whether this desktop has the application behind `exportItemID` (a named target or an
    /// editor's desktop file id).
    static bool canPerformExportWithExportItem(const QString &exportItemID);
    /// Opens `paths` with that application; false when there is none or it did not start.
    static bool performExportWithExportItem(const QString &exportItemID, const QStringList &paths);

    /// Enables `item` by its validation block (items without one stay as they are); a submenu
    /// item without a visible entry stays disabled.
    static void validate(QAction *item);
    /// Validates every item of `menu` that carries a validation block.
    static void validateMenu(QMenu *menu);

    /// The entry of an Export or Share submenu with that identifier, or null.
    static QAction *itemWithIdentifier(QAction *menuItem, const QString &identifier);

    /// Display names of the named targets.
    static QString exportItemTitle(const QString &exportItemID);
};
