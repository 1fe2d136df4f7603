#include "KTImageMover.h"

#include "KTDispatch.h"
#include "KTFilesManager.h"
#include "KTImageMO.h"
#include "KTObjectContext.h"
#include "KTTasksNotifier.h"

#include <QDir>
#include <QFileInfo>
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

/// Moves or copies the files of one record into the destination folder; everything it cannot do
/// is logged here.
class FileLanding
{
public:
    FileLanding(Operation operation, QString folder, KTImageMover::FileTransfer transfer)
        : m_operation(operation), m_folder(std::move(folder)), m_transfer(std::move(transfer))
    {}

    /// One file under its first free name; false after logging.
    bool transferFile(const QString &path) const
    {
        const QString fileName = QFileInfo(path).fileName();
        QString error;
        const QString landed = land(
            m_operation, path, m_folder,
            [&](quint64 n) { return KTImageMover::uniqueNameCandidate(m_folder, fileName, n); }, &error);
        if (landed.isEmpty())
            logFailure(path, error);
        return !landed.isEmpty();
    }

    /// A RAW and its JPEG under one suffix. True when the RAW has left (a move) or been copied,
    /// false when it is still where it was, with its JPEG beside it.
    bool transferPair(const QString &raw, const QString &jpeg) const
    {
        if (!nameIsTaken(jpeg)) {
            qWarning().noquote()
                << QStringLiteral("Warning: the JPEG %1 of %2 is missing; the RAW goes alone").arg(jpeg, raw);
            return transferFile(raw);
        }
        const QString rawName = QFileInfo(raw).fileName();
        const QString jpegName = QFileInfo(jpeg).fileName();
        QString error;
        QString rawLanded;
        QString jpegTarget;
        for (quint64 n = 0;; ++n) {
            const QString rawTarget = KTImageMover::uniqueNameCandidate(m_folder, rawName, n);
            jpegTarget = KTImageMover::uniqueNameCandidate(m_folder, jpegName, n);
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
        if (rawLanded.isEmpty()) {
            logFailure(raw, error);
            return false;
        }

        QString jpegLanded = land(m_operation, jpeg, m_folder, exactly(jpegTarget), &error);
        if (jpegLanded.isEmpty() && nameIsTaken(jpegTarget)) {
            // Something took the JPEG's name after it was checked: a name of its own beats a split pair
            // across folders.
            jpegLanded = land(
                m_operation, jpeg, m_folder,
                [&](quint64 n) { return KTImageMover::uniqueNameCandidate(m_folder, jpegName, n); }, &error);
            if (!jpegLanded.isEmpty())
                qWarning().noquote() << QStringLiteral(
                                            "Warning: %1 was taken meanwhile; the JPEG of %2 is %3")
                                            .arg(jpegTarget, rawLanded, jpegLanded);
        }
        if (!jpegLanded.isEmpty())
            return true;

        if (m_operation == Operation::Copy) {
            qWarning().noquote() << QStringLiteral(
                                        "Error: copied %1 to %2 but failed to copy its JPEG %3: %4")
                                        .arg(raw, rawLanded, jpeg, error);
            return true;
        }
        // Put the RAW back beside its JPEG, so the record still names both files where they are.
        QString backError;
        const QString back =
            land(Operation::Move, rawLanded, QFileInfo(raw).absolutePath(), exactly(raw), &backError);
        if (!back.isEmpty()) {
            qWarning().noquote()
                << QStringLiteral("Error: failed to move %1 into %2: %3; its RAW %4 was put back beside it")
                       .arg(jpeg, m_folder, error, raw);
            return false;
        }
        qWarning().noquote()
            << QStringLiteral("Error: moved %1 to %2 but failed to move its JPEG %3: %4; the JPEG stays "
                              "where it was (moving the RAW back failed: %5)")
                   .arg(raw, rawLanded, jpeg, error, backError);
        return true;
    }

private:
    static std::function<QString(quint64)> exactly(const QString &path)
    {
        return [path](quint64 n) { return n == 0 ? path : QString(); };
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

    void logFailure(const QString &path, const QString &error) const
    {
        qWarning().noquote() << QStringLiteral("Error: failed to %1 %2 into %3: %4")
                                    .arg(verb(m_operation), path, m_folder, error);
    }

    Operation m_operation;
    QString m_folder;
    KTImageMover::FileTransfer m_transfer;
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
        landing.emplace(Operation::Move, folder, m_fileTransfer);
    else if (taskName == kCopyItemsTaskName)
        landing.emplace(Operation::Copy, folder, m_fileTransfer);
    auto child = KTObjectContext::makeChildContext(m_mainContext);
    child->perform([child = child.get(), ids = std::move(ids), taskName, landing = std::move(landing),
                    sender = m_sender, cleanUndoStack = m_cleanUndoStack] {
        KTTasksNotifier &notifier = KTTasksNotifier::sharedNotifier();
        notifier.taskDidStart(taskName, sender);
        notifier.numberOfTaskStepsDidCalculate(qulonglong(ids.size()), sender);
        for (const KTObjectID &id : ids) {
            auto *image = child->objectWithIdAs<KTImageMO>(id);
            if (!image) {
                qWarning().noquote() << QStringLiteral(
                                            "Warning: image %1 was deleted before it could be handled; "
                                            "skipped")
                                            .arg(id.toString());
            } else if (landing) {
                const QString jpegPath = image->duplicateImagePath();
                const bool mainFileDone = jpegPath.isEmpty() ? landing->transferFile(image->path())
                                                             : landing->transferPair(image->path(), jpegPath);
                if (taskName == kMovingItemsTaskName && mainFileDone)
                    child->deleteObject(image);
            }
            notifier.stepsDidExecute(1, sender);
        }
        notifier.taskDidFinish(taskName, sender);
        QString error;
        if (!child->save(&error))
            qWarning().noquote()
                << QStringLiteral("Warning: %1 could not save its changes: %2").arg(taskName, error);
        if (cleanUndoStack)
            runOnMainSync(cleanUndoStack);
    });
}
