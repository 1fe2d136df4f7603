#pragma once

#include "KTEntity.h"
#include "KTOperationQueue.h"

#include <QHash>
#include <QString>
#include <QVariantMap>

#include <atomic>
#include <functional>
#include <memory>

/// Loads one entity from its file, or makes it from its image, on the shared operation queue,
/// then hands it to every registered callback on the main thread. A made entity is handed over
/// before its file is written: the run writes it after posting the delivery, so the file may
/// appear only after the callbacks ran. Any number of callbacks share the one run; its queue
/// priority follows whether any of them is active.
///
/// Threading: made and driven on the main thread (callbacks, priorities, delivery); only the
/// loading, making and writing run on a queue thread. The queue thread posts the delivery to
/// the main queue and does not wait for it. An operation cancelled before it started never runs
/// and never calls back.
class KTObtainEntityOperation : public std::enable_shared_from_this<KTObtainEntityOperation>
{
public:
    using Callback = std::function<void(const std::shared_ptr<KTEntity> &)>;

    /// Notes whether a file is at `entityPath` now: the run then loads before it makes.
    static std::shared_ptr<KTObtainEntityOperation> initWithImageAtPath(QString imagePath, QString entityPath,
                                                                        KTEntityClass entityClass,
                                                                        QVariantMap additionalParameters);

    const QString &imagePath() const { return m_imagePath; }
    const QString &entityPath() const { return m_entityPath; }
    const QVariantMap &params() const { return m_params; }
    bool isLoadFromFile() const { return m_loadFromFile; }

    /// The queue operation that runs this one; add it to a queue once.
    const std::shared_ptr<KTOperation> &queueOperation() const { return m_queueOperation; }

    /// Registers `callback` as active and returns its new identifier.
    QString addCallback(Callback callback);
    /// Unknown identifiers (a token of an older operation under the same key) are ignored.
    void removeCallbackWithID(const QString &callbackID);
    void activateCallbackWithID(const QString &callbackID);
    void deactivateCallbackWithID(const QString &callbackID);
    /// True while at least one callback is active.
    bool isActive() const;
    int callbackCount() const { return int(m_callbacks.size()); }

    /// Runs on the main thread after the callbacks, only when the operation is active then.
    void setCompletionCallback(Callback callback) { m_completionCallback = std::move(callback); }
    /// Runs once on the main thread when the operation is over: after its delivery, or when it
    /// was cancelled before it ran. Set before the operation is queued.
    void setEndCallback(std::function<void()> callback) { m_endCallback = std::move(callback); }

    /// True once the delivery has run on the main thread.
    bool hasDelivered() const { return m_delivered; }
    bool isCancelled() const { return m_queueOperation->isCancelled(); }

    /// The entity of the entity file; null when there is none. Blocks; not on the main thread.
    std::shared_ptr<KTEntity> loadEntity() const;
    /// The entity made from the image; null when the image gives none. Blocks; not on main.
    std::shared_ptr<KTEntity> createEntity() const;

private:
    KTObtainEntityOperation(QString imagePath, QString entityPath, KTEntityClass entityClass,
                            QVariantMap additionalParameters);
    void main();
    void deliver(const std::shared_ptr<KTEntity> &entity);
    void end();
    void setCallbackActive(const QString &callbackID, bool active);
    void adjustPriority();

    QString m_imagePath;
    QString m_entityPath;
    KTEntityClass m_entityClass;
    QVariantMap m_params;
    std::atomic<bool> m_loadFromFile;
    std::shared_ptr<KTOperation> m_queueOperation;
    QHash<QString, Callback> m_callbacks;
    QHash<QString, bool> m_callbacksActiveStatuses;
    Callback m_completionCallback;
    std::function<void()> m_endCallback;
    std::atomic<bool> m_started{false};
    bool m_delivered = false;
};
