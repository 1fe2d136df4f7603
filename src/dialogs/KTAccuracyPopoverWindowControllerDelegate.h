#pragma once

/// What the accuracy popover tells its owner, the similar-groups mode. The popover holds it
/// weakly; an implementer that is also a QObject is forgotten when it is destroyed.
///
/// Threading: every call comes on the main thread.
class KTAccuracyPopoverWindowControllerDelegate
{
public:
    virtual ~KTAccuracyPopoverWindowControllerDelegate() = default;

    /// The user chose `level` (1 to 5), possibly the level in force. The popover does not change
    /// its own level: the owner stores the level and sets it back (setAccuracyLevel()).
    virtual void accuracyWindowControllerDidSelectAccuracyLevel(unsigned level) = 0;
    /// The work started by the last choice was cancelled from the progress sheet; the popover
    /// already shows `level`, the level before that choice, and the owner should take it again.
    virtual void accuracyWindowControllerDidCancelWithPreviousAccuracyLevel(unsigned level) = 0;
    /// The user asked for the expert settings window.
    virtual void accuracyWindowControllerWantsToShowExpertSettings() = 0;
};
