#pragma once

class QObject;

/// What the main window needs of the mode that lists the rejects: moving them to the desktop's
/// trash when the user agrees to it from outside the mode (before a new session, at quit).
///
/// Threading: main thread only.
class KTSystemTrashCapability
{
public:
    virtual ~KTSystemTrashCapability() = default;

    /// Moves the rejected images to the desktop's trash (after the catalogue's question); in a
    /// catalogue session shows the move-to-trash tips instead. Returns before the files move.
    virtual void onMoveToSystemTrash(QObject *sender) = 0;
};
