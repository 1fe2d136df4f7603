#pragma once

#include "KTShareManager.h"

#include <QList>

class QAction;
class QMenu;
class QObject;

/// The reveal, export and share items of every menu that hands images to the desktop: the main
/// menu's, a mode's share button's and the context menus of the viewer and of a grid cell. One
/// set of rules for all of them:
/// - "Show in File Manager" and "Share" take the paths with pairs and are enabled while there is
///   at least one;
/// - "Export" takes the paths without pairs and is enabled for exactly one (an editor opens one
///   file); its entries for the photo managers (Lightroom, iPhoto, Aperture), which take many,
///   are enabled while there is at least one path, or hidden in a menu about one image.
/// The paths are asked for each time an item is validated or used; which images they are, and
/// which of their files count, is the caller's (KTSharedPaths gives them for records).
///
/// Threading: main thread only.
class KTShareMenu
{
public:
    struct Paths
    {
        /// The JPEG of a RAW+JPEG pair before its RAW file, when pairs are shown as one file.
        KTShareManager::PathsHandler withPairs;
        KTShareManager::PathsHandler withoutPairs;
    };
    /// What the Export submenu does with its photo-manager entries.
    enum class PhotoManagers
    {
        Offered,
        Hidden,
    };

    /// The three items, in the order reveal, export, share, made with `parent`.
    static QList<QAction *> makeItems(const Paths &paths, PhotoManagers managers, QObject *parent);
    /// Appends them to `menu` (which owns them), validates them and returns them.
    static QList<QAction *> addItems(QMenu *menu, const Paths &paths, PhotoManagers managers);
    /// The identifiers of the photo managers' export entries.
    static const QStringList &photoManagerExportItems();
};
