#include "KTImageMover.h"

#include "KTDispatch.h"
#include "KTFilesManager.h"
#include "KTImageDecisions.h"
#include "KTImageGroupMO.h"
#include "KTImageMO.h"
#include "KTObjectContext.h"
#include "KTTasksNotifier.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <QThread>
#include <QtDebug>

#include <optional>
#include <vector>

namespace {

// Far beyond any real clash; only stops a folder that refuses every name from looping forever.
constexpr quint64 kMaxNameAttempts = 10000;

using Operation = KTImageMover::Operation;

/// Something (a file, a folder, a link, even a dangling one) already has that name.
bool nameIsTaken(const QString &path)
{
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

QString verb(Operation operation)
{
    return operation == Operation::Move ? QStringLiteral("move") : QStringLiteral("copy");
}

using Choice = KTFilesManager::ConflictChoice;
/// How a taken name is changed: the candidate for attempt n (0: the name itself).
using Naming = QString (*)(const QString &folder, const QString &fileName, quint64 attempt);

enum class Outcome
{
    Landed,
    Failed,
    Cancelled
};

/// Moves or copies the files of one record into the destination folder; everything it cannot do
/// is logged here and listed in failures().
class FileLanding
{
public:
    FileLanding(Operation operation, QString folder, KTImageMover::FileTransfer transfer,
                KTImageMover::ConflictQuestion question)
        : m_operation(operation), m_folder(std::move(folder)), m_transfer(std::move(transfer)),
          m_question(std::move(question))
    {}

    bool isCancelled() const { return m_cancelled; }
    const QStringList &failures() const { return m_failures; }

    /// One file under its first free name, or the name the conflict question chose.
    Outcome transferFile(const QString &path)
    {
        const QString fileName = QFileInfo(path).fileName();
        const QString target = m_folder + QLatin1Char('/') + fileName;
        Naming naming = &KTImageMover::uniqueNameCandidate;
        QString error;
        QString landed;
        if (m_question && nameIsTaken(target)) {
            const std::optional<Choice> choice = resolve(path);
            if (!choice)
                return Outcome::Cancelled;
            if (*choice == Choice::Replace) {
                if (replaceFile(path, target, &error))
                    return Outcome::Landed;
                logFailure(path, error);
                return Outcome::Failed;
            }
            naming = &KTFilesManager::uniqueNameCandidate;
        }
        landed = land(m_operation, path, m_folder, candidates(naming, fileName), &error);
        if (landed.isEmpty()) {
            logFailure(path, error);
            return Outcome::Failed;
        }
        return Outcome::Landed;
    }

    /// A RAW and its JPEG under one suffix. Landed when the RAW has left (a move) or been copied;
    /// Failed when it is still where it was, with its JPEG beside it.
    Outcome transferPair(const QString &raw, const QString &jpeg)
    {
        if (!nameIsTaken(jpeg)) {
            qWarning().noquote()
                << QStringLiteral("Warning: the JPEG %1 of %2 is missing; the RAW goes alone").arg(jpeg, raw);
            return transferFile(raw);
        }
        const QString rawName = QFileInfo(raw).fileName();
        const QString jpegName = QFileInfo(jpeg).fileName();
        Naming naming = &KTImageMover::uniqueNameCandidate;
        bool replacing = false;
        if (m_question) {
            const bool rawTaken = nameIsTaken(naming(m_folder, rawName, 0));
            if (rawTaken || nameIsTaken(naming(m_folder, jpegName, 0))) {
                const std::optional<Choice> choice = resolve(rawTaken ? raw : jpeg);
                if (!choice)
                    return Outcome::Cancelled;
                replacing = *choice == Choice::Replace;
                naming = &KTFilesManager::uniqueNameCandidate;
            }
        }
        QString error;
        QString rawLanded;
        QString jpegTarget;
        if (replacing) {
            const QString rawTarget = naming(m_folder, rawName, 0);
            jpegTarget = naming(m_folder, jpegName, 0);
            if (replaceFile(raw, rawTarget, &error))
                rawLanded = rawTarget;
        } else {
            for (quint64 n = 0;; ++n) {
                const QString rawTarget = naming(m_folder, rawName, n);
                jpegTarget = naming(m_folder, jpegName, n);
                if (rawTarget.isEmpty() || jpegTarget.isEmpty()) {
                    error = QStringLiteral("no free name for the pair");
                    break;
                }
                if (nameIsTaken(rawTarget) || nameIsTaken(jpegTarget))
                    continue;
                rawLanded = land(m_operation, raw, m_folder, exactly(rawTarget), &error);
                // A failure with the name now taken lost a race for it; any other failure is final.
                if (!rawLanded.isEmpty() || !nameIsTaken(rawTarget))
                    break;
            }
        }
        if (rawLanded.isEmpty()) {
            logFailure(raw, error);
            return Outcome::Failed;
        }

        QString jpegLanded;
        if (replacing) {
            if (replaceFile(jpeg, jpegTarget, &error))
                jpegLanded = jpegTarget;
        } else {
            jpegLanded = land(m_operation, jpeg, m_folder, exactly(jpegTarget), &error);
            if (jpegLanded.isEmpty() && nameIsTaken(jpegTarget)) {
                // Something took the JPEG's name after it was checked: a name of its own beats a
                // split pair across folders.
                jpegLanded = land(m_operation, jpeg, m_folder, candidates(naming, jpegName), &error);
                if (!jpegLanded.isEmpty())
                    qWarning().noquote()
                        << QStringLiteral("Warning: %1 was taken meanwhile; the JPEG of %2 is %3")
                               .arg(jpegTarget, rawLanded, jpegLanded);
            }
        }
        if (!jpegLanded.isEmpty())
            return Outcome::Landed;

        noteFailure(jpeg, error);
        if (m_operation == Operation::Copy) {
            qWarning().noquote() << QStringLiteral(
                                        "Error: copied %1 to %2 but failed to copy its JPEG %3: %4")
                                        .arg(raw, rawLanded, jpeg, error);
            return Outcome::Landed;
        }
        // Put the RAW back beside its JPEG, so the record still names both files where they are.
        QString backError;
        const QString back =
            land(Operation::Move, rawLanded, QFileInfo(raw).absolutePath(), exactly(raw), &backError);
        if (!back.isEmpty()) {
            qWarning().noquote()
                << QStringLiteral("Error: failed to move %1 into %2: %3; its RAW %4 was put back beside it")
                       .arg(jpeg, m_folder, error, raw);
            return Outcome::Failed;
        }
        qWarning().noquote()
            << QStringLiteral("Error: moved %1 to %2 but failed to move its JPEG %3: %4; the JPEG stays "
                              "where it was (moving the RAW back failed: %5)")
                   .arg(raw, rawLanded, jpeg, error, backError);
        return Outcome::Landed;
    }

private:
    static std::function<QString(quint64)> exactly(const QString &path)
    {
        return [path](quint64 n) { return n == 0 ? path : QString(); };
    }

    std::function<QString(quint64)> candidates(Naming naming, const QString &fileName) const
    {
        return [naming, folder = m_folder, fileName](quint64 n) { return naming(folder, fileName, n); };
    }

    /// The conflict question's choice for `source`, asked on the main thread unless an earlier
    /// answer applies to all; nothing when the user cancelled (the rest of the job stops).
    std::optional<Choice> resolve(const QString &source)
    {
        if (m_choiceForAll)
            return m_choiceForAll;
        KTFilesManager::ConflictDecision decision;
        runOnMainSync([&] { decision = m_question(source); });
        if (decision.choice == Choice::Cancel || decision.choice == Choice::NoAnswer) {
            m_cancelled = true;
            return std::nullopt;
        }
        if (decision.appliesToAll)
            m_choiceForAll = decision.choice;
        return decision.choice;
    }

    bool replaceFile(const QString &source, const QString &target, QString *error) const
    {
        return m_operation == Operation::Move ? KTFilesManager::moveFileReplacing(source, target, error)
                                              : KTFilesManager::copyFileReplacing(source, target, error);
    }

    QString land(Operation operation, const QString &source, const QString &folder,
                 const std::function<QString(quint64)> &candidates, QString *error) const
    {
        if (m_transfer)
            return m_transfer(operation, source, folder, candidates, error);
        return operation == Operation::Move
                   ? KTFilesManager::moveFileToFreeName(source, folder, candidates, error)
                   : KTFilesManager::copyFileToFreeName(source, folder, candidates, error);
    }

    void noteFailure(const QString &path, const QString &error)
    {
        m_failures.append(QStringLiteral("%1: %2").arg(QFileInfo(path).fileName(), error));
    }

    void logFailure(const QString &path, const QString &error)
    {
        noteFailure(path, error);
        qWarning().noquote() << QStringLiteral("Error: failed to %1 %2 into %3: %4")
                                    .arg(verb(m_operation), path, m_folder, error);
    }

    Operation m_operation;
    QString m_folder;
    KTImageMover::FileTransfer m_transfer;
    KTImageMover::ConflictQuestion m_question;
    std::optional<Choice> m_choiceForAll;
    bool m_cancelled = false;
    QStringList m_failures;
};

} // namespace

KTImageMover::KTImageMover(std::shared_ptr<KTObjectContext> mainContext, QObject *sender,
                           std::function<void()> cleanUndoStack)
    : m_mainContext(std::move(mainContext)), m_sender(sender), m_cleanUndoStack(std::move(cleanUndoStack))
{}

void KTImageMover::moveImages(const QList<KTImageMO *> &images, const QString &destinationFolderPath)
{
    performTaskWithName(kMovingItemsTaskName, images, destinationFolderPath);
}

void KTImageMover::copyImages(const QList<KTImageMO *> &images, const QString &destinationFolderPath)
{
    performTaskWithName(kCopyItemsTaskName, images, destinationFolderPath);
}

QString KTImageMover::uniqueNameCandidate(const QString &folder, const QString &fileName, quint64 attempt)
{
    if (attempt >= kMaxNameAttempts)
        return {};
    if (attempt == 0)
        return folder + QLatin1Char('/') + fileName;
    const QFileInfo info(fileName);
    QString name = info.completeBaseName() + QLatin1Char(' ') + QString::number(attempt + 1);
    if (!info.suffix().isEmpty())
        name += QLatin1Char('.') + info.suffix();
    return folder + QLatin1Char('/') + name;
}

void KTImageMover::performTaskWithName(const QString &taskName, const QList<KTImageMO *> &images,
                                       const QString &destinationFolderPath)
{
    Q_ASSERT(QThread::currentThread() == qApp->thread());
    const QFileInfo destination(destinationFolderPath);
    if (!destination.isDir()) {
        qWarning().noquote() << QStringLiteral(
                                    "Dest path to move is not a folder or folder doesn't exist: %1")
                                    .arg(destinationFolderPath);
        return;
    }
    const QString folder = QDir::cleanPath(destination.absoluteFilePath());
    std::vector<KTObjectID> ids;
    ids.reserve(size_t(images.size()));
    for (const KTImageMO *image : images)
        ids.push_back(image->objectID());

    // Another task name does no file work (it still reports its steps).
    std::optional<FileLanding> landing;
    if (taskName == kMovingItemsTaskName)
        landing.emplace(Operation::Move, folder, m_fileTransfer, m_conflictQuestion);
    else if (taskName == kCopyItemsTaskName)
        landing.emplace(Operation::Copy, folder, m_fileTransfer, m_conflictQuestion);
    KTImageMover::Report report;
    report.operation = taskName == kMovingItemsTaskName ? Operation::Move : Operation::Copy;
    report.folder = folder;
    auto child = KTObjectContext::makeChildContext(m_mainContext);
    child->perform([child = child.get(), mainContext = m_mainContext, ids = std::move(ids), taskName,
                    landing = std::move(landing), sender = m_sender, cleanUndoStack = m_cleanUndoStack,
                    reportHandler = m_reportHandler, report = std::move(report)]() mutable {
        KTTasksNotifier &notifier = KTTasksNotifier::sharedNotifier();
        std::vector<KTObjectID> touchedGroups;
        notifier.taskDidStart(taskName, sender);
        notifier.numberOfTaskStepsDidCalculate(qulonglong(ids.size()), sender);
        for (const KTObjectID &id : ids) {
            auto *image = child->objectWithIdAs<KTImageMO>(id);
            if (!image) {
                qWarning().noquote() << QStringLiteral(
                                            "Warning: image %1 was deleted before it could be handled; "
                                            "skipped")
                                            .arg(id.toString());
            } else if (landing && landing->isCancelled()) {
                ++report.cancelled;
            } else if (landing) {
                const QString jpegPath = image->duplicateImagePath();
                const Outcome outcome = jpegPath.isEmpty() ? landing->transferFile(image->path())
                                                           : landing->transferPair(image->path(), jpegPath);
                if (outcome == Outcome::Cancelled)
                    ++report.cancelled;
                if (outcome == Outcome::Landed) {
                    ++report.transferred;
                    if (taskName == kMovingItemsTaskName) {
                        if (const KTImageGroupMO *group = image->group())
                            touchedGroups.push_back(group->objectID());
                        child->deleteObject(image);
                    }
                }
            }
            notifier.stepsDidExecute(1, sender);
        }
        notifier.taskDidFinish(taskName, sender);
        QString error;
        if (!child->save(&error))
            qWarning().noquote()
                << QStringLiteral("Warning: %1 could not save its changes: %2").arg(taskName, error);
        // A similar group the move left with one image (or only rejects) is dissolved (resolved)
        // as after a trash, before the undo stack forgets the moved records.
        runOnMainSync([&] {
            if (!touchedGroups.empty()) {
                QSet<KTImageGroupMO *> groups;
                for (const KTObjectID &id : touchedGroups) {
                    if (auto *group = mainContext->objectWithIdAs<KTImageGroupMO>(id))
                        groups.insert(group);
                }
                KTImageDecisions(*mainContext, sender.data()).validateUpdatedGroups(groups);
            }
            if (cleanUndoStack)
                cleanUndoStack();
        });
        if (landing && reportHandler) {
            report.failures = landing->failures();
            postToMain([reportHandler, report] { reportHandler(report); });
        }
    });
}
