#pragma once

#include "KTAlert.h"
#include "KTImageMover.h"
#include "KTSharedPaths.h"

#include <QObject>
#include <QPointer>
#include <QStringList>

#include <functional>
#include <memory>

class KTBaseUIModeController;
class QMenu;
class QWidget;

/// What a review mode hands to the desktop and to other folders: the share menu of its share
/// button (reveal in the file manager, export, share, with the selection's paths), and copying or
/// moving all of its images to a folder the user picks.
///
/// Threading: main thread only. The menu and the folder panel refer to the mode without owning
/// it: used after the mode is gone they do nothing.
class KTModeShareActions : public QObject
{
    Q_OBJECT
public:
    explicit KTModeShareActions(KTBaseUIModeController &mode);

    /// KTSharedPaths of the mode's selected images, in selection order.
    QStringList selectedImagesPaths(KTPairedPaths paired) const;
    /// The share menu: reveal in the file manager, export, share (each enabled by its paths).
    /// The paths are produced anew each time an item is validated or used.
    std::unique_ptr<QMenu> shareMenu() const;
    /// Pops the share menu up with its last item over `anchor` (the mode's view without one).
    void popUpShareMenu(QWidget *anchor) const;

    /// How copy and move ask for a folder: `count` images will go there; `completion` gets the
    /// chosen folder, or an empty string when the user cancelled. The default runs the open
    /// panel as a sheet on the view's window; tests install their own (null restores it).
    using FolderPanel = std::function<void(QWidget *window, qsizetype count, bool moving,
                                           std::function<void(const QString &folder)> completion)>;
    static void setFolderPanel(FolderPanel panel);
    /// Asks for a folder, then has the catalogue copy or move all of the mode's images there as
    /// its tasks "Copying Images" / "Moving Images" (the list as it is when the panel closes). A
    /// cancelled panel does nothing. Returns at once. When the job is done the mode's view shows
    /// how many images went where; files that did not land are listed with their reasons in an
    /// alert instead (see reportTransfer()).
    enum class Transfer
    {
        Copy,
        Move,
    };
    void transferImagesToFolder(Transfer transfer);
    /// Tells the user how a copy or move ended: the short message over `view` when every file
    /// landed (nothing when no image was involved), else an alert naming each file that did not
    /// land and why.
    static void reportTransfer(QWidget *view, const KTImageMover::Report &report);
    /// The title and detail of the short message.
    static QString reportTitle(const KTImageMover::Report &report);
    static QString reportDetail(const KTImageMover::Report &report);
    /// The alert of a job with failures.
    static KTAlert failureAlert(const KTImageMover::Report &report);

private:
    QPointer<KTBaseUIModeController> m_mode;
};
