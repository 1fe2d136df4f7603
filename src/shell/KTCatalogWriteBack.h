#pragma once

#include "KTExternalStatusFlows.h"

#include <QObject>

#include <functional>

class KTError;
class KTImageStorage;

/// Keeps the session catalogue and the session's external catalogue (Lightroom, iPhoto,
/// Aperture) in step, and owns the one way out of the application.
///
/// - The check after a load or a validation: what changed in the external catalogue since the
///   import, and the question it raises.
/// - The save before an action that ends the session (quit, close, new session): the session is
///   saved, and a catalogue session's changed picks and rejects are written back once the
///   catalogue's application is closed (asking "Try Again", "Cancel", "Don't Save" until then).
/// - quit(): every way the application ends goes through the save and the write-back, then the
///   active mode keeps its selection (willTerminate) and the application ends.
///
/// Threading: main thread only. The catalogue is checked and written off the main thread (the
/// progress sheet shows while it is written); the answers come back on the main thread, and not
/// at all once this object has gone.
class KTCatalogWriteBack : public QObject
{
    Q_OBJECT
public:
    /// What to do once the session is saved: `shouldContinue` is false when the user gave up
    /// the action (quit, close, new session).
    using ContinueAction = std::function<void(bool shouldContinue)>;
    enum class Asking
    {
        /// While the catalogue's application runs, ask until it is closed or the user gives up.
        WhileTheApplicationRuns,
        /// Never ask (the desktop is ending the session): with the application running, the
        /// decisions stay in the session, marked, for the next write-back.
        Never,
    };

    enum class TerminateReply
    {
        TerminateNow,
        TerminateCancel
    };

    /// Over `storage`, which must outlive it.
    explicit KTCatalogWriteBack(KTImageStorage *storage, QObject *parent = nullptr);
    ~KTCatalogWriteBack() override;

    /// Runs just before the application ends (the active mode keeps its selection).
    void setWillTerminate(std::function<void()> willTerminate) { m_willTerminate = std::move(willTerminate); }

    // ---- The check ----

    /// Asks about changes made in the session's external catalogue since the import. The check
    /// reads the catalogue off the main thread; `done` (may be empty) runs when it and the import
    /// or overwrite it led to are over.
    void checkExternalImagesForUpdatesAndShowAlert(const std::function<void()> &done = {});

    // ---- Saving ----

    /// Saves the catalogue and, for a catalogue session, writes the decisions back (saving the
    /// write-back's bookkeeping too). The result of the first save.
    bool saveChangesOrReturnError(KTError *error = nullptr);
    /// Saves, and for a catalogue session with changed decisions writes them back (see Asking);
    /// then calls `then`, possibly before returning.
    void saveChangesAndContinue(const ContinueAction &then, Asking asking = Asking::WhileTheApplicationRuns);
    /// The quit request: saves as above, then `reply` tells whether the application may end.
    void saveChangesAndReplyToTerminate(const std::function<void(TerminateReply)> &reply);
    /// The window is about to close: saves as above. True when it may close now; false
    /// otherwise, and when the save still runs `closeAgain` runs once it allows the close.
    bool windowShouldClose(const std::function<void()> &closeAgain);

    // ---- The way out ----

    /// Ends the application: saves and writes back as saveChangesAndContinue() does, then runs
    /// willTerminate and asks KTApplicationTerminator to end. A cancelled save keeps the
    /// application running; a quit while one is under way adds nothing.
    void quit(Asking asking = Asking::WhileTheApplicationRuns);
    /// True from quit() until its save was cancelled.
    bool isQuitting() const { return m_quitting; }

private:
    /// The question that a finished change check leads to (`newSession` as the check began).
    void externalImagesCheckDidEnd(const KTExternalStatusFlows::ChangeCheck &check, bool newSession,
                                   const std::function<void()> &done);
    /// Writes the decisions back (off the main thread, the progress sheet up meanwhile), saves
    /// the write-back's bookkeeping, tells the user when the catalogue could not be written, then
    /// calls `done` (not when this object went meanwhile). Asking::Never logs the failure instead.
    void writeBackImagesStatuses(Asking asking, const std::function<void()> &done);
    /// The write-back once the catalogue's application is closed, asking until then.
    void writeBackWhenTheCatalogueIsFree(const ContinueAction &then, Asking asking);

    KTImageStorage *m_storage;
    std::function<void()> m_willTerminate;
    bool m_quitting = false;
    /// A close waits for its save, or was allowed by it.
    bool m_savingForClose = false;
    bool m_closeApproved = false;
};
