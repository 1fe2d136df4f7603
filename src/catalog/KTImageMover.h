#pragma once

#include "KTFilesManager.h"

#include <QList>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class KTImageMO;
class KTObjectContext;
class QObject;

/// Moves or copies image files (a RAW+JPEG pair's JPEG travels with its RAW) into a folder, as a
/// background task ("Moving Images" / "Copying Images"). A copied image stays in the catalogue; a
/// moved image's record is deleted once its main file has moved.
///
/// A file whose name is taken in the destination is the conflict question's (setConflictQuestion):
/// replace the file there, land under the first free "<base>_<n>.<ext>", or cancel the rest of
/// the job; an answer "for all" settles every later conflict of the job. Without a question a
/// taken name becomes "<base> 2.<ext>", then " 3" and so on. Names are claimed by a rename that
/// never replaces (unless the answer was to replace), so a file that appears at the destination
/// while the work runs is left alone. A RAW+JPEG pair lands under one suffix: both names must be
/// free for it, so the pair keeps its shared stem. When the pair's JPEG cannot follow a moved
/// RAW, the RAW is put back and the record stays (the pair is never split across folders unless
/// the RAW cannot return either); the log line names both paths. Every failure is logged with the
/// paths and the error text and listed in the job's report; the task always runs to its end.
///
/// Seam: KTImageStorage's moveImages/copyImages/performTaskWithName forward here with its main
/// context, itself as the task sender and its cleanUndoStack:
///     KTImageMover(managedObjectContext(), this, [this] { cleanUndoStack(); }).moveImages(images, folder);
///
/// Threading: construct and call on the main thread; the calls return at once. The file work
/// runs on a child context's queue; the conflict question, the child's save into the main
/// context, the undo-stack clearing and the report run on the main thread (the queue waits for
/// the first three). The mover may be destroyed while work runs.
class KTImageMover
{
public:
    /// `cleanUndoStack` runs on the main thread after each task (moved records must not come back
    /// through undo); it may be empty. `sender` is held weakly.
    KTImageMover(std::shared_ptr<KTObjectContext> mainContext, QObject *sender,
                 std::function<void()> cleanUndoStack);

    enum class Operation
    {
        Move,
        Copy
    };

    /// What one job did, for the window to tell the user.
    struct Report
    {
        Operation operation = Operation::Copy;
        QString folder;
        /// The images whose main file landed.
        int transferred = 0;
        /// "<file name>: <reason>" for every file that did not land, in the job's order.
        QStringList failures;
        /// The images left untouched because the conflict question was cancelled.
        int cancelled = 0;
    };
    /// Runs on the main thread once a job has saved its changes.
    using ReportHandler = std::function<void(const Report &report)>;
    void setReportHandler(ReportHandler handler) { m_reportHandler = std::move(handler); }

    /// Asked on the main thread (the work waits for the answer) when a file's name is taken in
    /// the destination; `source` is the file that would land there. Empty: no question, the
    /// numbered names.
    using ConflictQuestion = std::function<KTFilesManager::ConflictDecision(const QString &source)>;
    void setConflictQuestion(ConflictQuestion question) { m_conflictQuestion = std::move(question); }

    /// Images of the main context, moved into `destinationFolderPath`.
    void moveImages(const QList<KTImageMO *> &images, const QString &destinationFolderPath);
    void copyImages(const QList<KTImageMO *> &images, const QString &destinationFolderPath);
    /// The shared worker. A destination that is not an existing folder is logged and nothing
    /// happens (no task is announced). A task name other than the two above does no file work
    /// but still reports one step per image. Records deleted before the work reaches them are
    /// skipped (logged).
    void performTaskWithName(const QString &taskName, const QList<KTImageMO *> &images,
                             const QString &destinationFolderPath);

    /// How one file lands in the destination under the first free candidate: the path used, or
    /// empty with `error` set. KTFilesManager::moveFileToFreeName / copyFileToFreeName unless a
    /// test replaced it. Called on the work's queue.
    using FileTransfer =
        std::function<QString(Operation operation, const QString &source, const QString &folder,
                              const std::function<QString(quint64)> &candidates, QString *error)>;
    /// Test seam; an empty function restores the file manager's operations.
    void setFileTransfer(FileTransfer transfer) { m_fileTransfer = std::move(transfer); }

    /// "<folder>/<name>" at attempt 0, then "<folder>/<base> 2.<ext>", " 3"... (the base is the
    /// name without its last extension); empty after the last attempt.
    static QString uniqueNameCandidate(const QString &folder, const QString &fileName, quint64 attempt);

private:
    std::shared_ptr<KTObjectContext> m_mainContext;
    QPointer<QObject> m_sender;
    std::function<void()> m_cleanUndoStack;
    FileTransfer m_fileTransfer;
    ReportHandler m_reportHandler;
    ConflictQuestion m_conflictQuestion;
};
