#pragma once

/// What the missing-images sheet tells the window that showed it (the main window). Held weakly;
/// an implementer that is also a QObject is forgotten when it is destroyed.
class KTBrokenImagesWindowControllerDelegate
{
public:
    virtual ~KTBrokenImagesWindowControllerDelegate() = default;
    /// The user pressed OK: end the sheet and let the controller go. Main thread.
    virtual void hideBrokenImagesWindow() = 0;
};
