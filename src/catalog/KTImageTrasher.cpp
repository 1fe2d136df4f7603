#include "KTImageTrasher.h"

#include "KTConcurrentQueue.h"
#include "KTDispatch.h"
#include "KTImageMO.h"
#include "KTWorkspace.h"

#include <QDebug>

#include <utility>
#include <vector>

KTImageTrasher::KTImageTrasher(Recycler recycler, MarkRejected markRejected)
    : m_recycler(std::move(recycler)), m_markRejected(std::move(markRejected))
{
    if (!m_recycler)
        m_recycler = [](const QString &path, QString *error) {
            return KTWorkspace::sharedWorkspace().recycle(path, error);
        };
}

void KTImageTrasher::deleteImagesOrReturnImagesWhichCouldNotBeDeleted(
    const QList<KTImageMO *> &images, std::function<void(QSet<KTImageMO *> failed)> completion)
{
    Q_ASSERT(isMainThread());
    QList<KTImageMO *> external;
    QSet<KTImageMO *> failed;
    // Files are read here, on the main thread that owns the records, and handed on by value.
    std::vector<std::pair<KTImageMO *, QString>> files;
    for (KTImageMO *image : images) {
        if (!image->externalGUID().isNull()) {
            external.append(image);
            continue;
        }
        for (const QString &path : {image->path(), image->duplicateImagePath()})
            if (!path.isEmpty())
                files.emplace_back(image, path);
    }
    if (!external.isEmpty()) {
        if (m_markRejected) {
            failed.unite(m_markRejected(external));
        } else {
            qWarning().noquote()
                << "Images of an external catalogue cannot be trashed without its status bridge.";
            for (KTImageMO *image : external)
                failed.insert(image);
        }
    }
    if (files.empty()) {
        postToMain([completion = std::move(completion), failed] { completion(failed); });
        return;
    }
    KTConcurrentQueue::global().async([recycler = m_recycler, files = std::move(files),
                                       completion = std::move(completion), failed]() mutable {
        for (const auto &[image, path] : files) {
            QString error;
            if (!recycler(path, &error)) {
                qWarning().noquote() << error;
                failed.insert(image);
            }
        }
        postToMain([completion = std::move(completion), failed] { completion(failed); });
    });
}
