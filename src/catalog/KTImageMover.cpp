#include "KTImageMover.h"

#include "KTDispatch.h"
#include "KTFilesManager.h"
#include "KTImageMO.h"
#include "KTObjectContext.h"
#include "KTTasksNotifier.h"

#include <QFileInfo>
#include <QThread>
#include <QtDebug>

#include <vector>

namespace {

// Far beyond any real clash; only stops a folder that refuses every name from looping forever.
constexpr quint64 kMaxNameAttempts = 10000;

enum class Transfer
{
    Move,
    Copy,
    None
};

/// Moves or copies one file into `folder` under a free name; returns false after logging.
bool transferFile(Transfer transfer, const QString &path, const QString &folder)
{
    const QString fileName = QFileInfo(path).fileName();
    const auto candidates = [&](quint64 n) { return KTImageMover::uniqueNameCandidate(folder, fileName, n); };
    QString error;
    const QString landed = transfer == Transfer::Move
                               ? KTFilesManager::moveFileToFreeName(path, folder, candidates, &error)
                               : KTFilesManager::copyFileToFreeName(path, folder, candidates, &error);
    if (landed.isEmpty()) {
        qWarning().noquote() << QStringLiteral("Error: failed to %1 %2 into %3: %4")
                                    .arg(transfer == Transfer::Move ? QStringLiteral("move")
                                                                    : QStringLiteral("copy"),
                                         path, folder, error);
        return false;
    }
    return true;
}

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
    const QString folder = destination.absoluteFilePath();
    std::vector<KTObjectID> ids;
    ids.reserve(size_t(images.size()));
    for (const KTImageMO *image : images)
        ids.push_back(image->objectID());

    const Transfer transfer = taskName == kMovingItemsTaskName ? Transfer::Move
                              : taskName == kCopyItemsTaskName ? Transfer::Copy
                                                               : Transfer::None;
    auto child = KTObjectContext::makeChildContext(m_mainContext);
    child->perform([child = child.get(), ids = std::move(ids), taskName, transfer, folder, sender = m_sender,
                    cleanUndoStack = m_cleanUndoStack] {
        KTTasksNotifier &notifier = KTTasksNotifier::sharedNotifier();
        notifier.taskDidStart(taskName, sender.data());
        notifier.numberOfTaskStepsDidCalculate(qulonglong(ids.size()), sender.data());
        for (const KTObjectID &id : ids) {
            auto *image = child->objectWithIdAs<KTImageMO>(id);
            if (!image) {
                qWarning().noquote() << QStringLiteral(
                                            "Warning: image %1 was deleted before it could be handled; "
                                            "skipped")
                                            .arg(id.toString());
            } else if (transfer != Transfer::None) {
                const QString jpegPath = image->duplicateImagePath();
                const bool mainFileDone = transferFile(transfer, image->path(), folder);
                if (!jpegPath.isEmpty())
                    transferFile(transfer, jpegPath, folder);
                if (transfer == Transfer::Move && mainFileDone)
                    child->deleteObject(image);
            }
            notifier.stepsDidExecute(1, sender.data());
        }
        notifier.taskDidFinish(taskName, sender.data());
        QString error;
        if (!child->save(&error))
            qWarning().noquote()
                << QStringLiteral("Warning: %1 could not save its changes: %2").arg(taskName, error);
        if (cleanUndoStack)
            runOnMainSync(cleanUndoStack);
    });
}
