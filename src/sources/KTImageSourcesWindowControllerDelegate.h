#pragma once

class KTImageSourcesWindowController;

/// The sources window reports to its delegate (the main window) through these two calls, each
/// on the main thread with the controller as argument. The controller holds its delegate without
/// ownership (see KTWeakDelegate): a delegate that is a QObject may go first, any other must
/// clear itself from the controller before it goes.
class KTImageSourcesWindowControllerDelegate
{
public:
    virtual ~KTImageSourcesWindowControllerDelegate() = default;

    /// The user pressed Start and the sources are ready. At this moment the controller answers:
    /// - shouldGenerateThumbnails(): true; copy it into the catalogue's
    ///   setFindDuplicatesForAddedImages();
    /// - externalItemsCount() plus the image files under imageSources(): what the free-space check
    ///   counts;
    /// - imageSources(): the folder paths (empty for a catalogue session);
    /// - externalApplicationsImages().values(): the one catalogue image list (empty for a folder
    ///   session), which goes with imageSources() to KTImageStorage::addSourcesForPaths().
    /// A catalogue session never reaches this call without images. The window stays as it is:
    /// close it when the session starts, keep it open when it does not.
    virtual void
    imageSourcesWindowControllerWantsToStartSession(KTImageSourcesWindowController *controller) = 0;

    /// The user pressed Close (or Escape): close the window and return to the session.
    virtual void
    imageSourcesWindowControllerWantsToCloseWindow(KTImageSourcesWindowController *controller) = 0;
};
