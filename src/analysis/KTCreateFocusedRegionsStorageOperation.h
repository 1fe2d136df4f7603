#pragma once

#include "KTFocusedRegionsStorageOperation.h"

#include <functional>

/// Builds a focused-regions storage from its image and writes it to the write path. Normal
/// priority while someone waits, low when nobody does, very low (built and written, but not
/// cached) when the overlays change and still nobody waits.
///
/// A build cancelled while it runs still writes its file and delivers; the file is then deleted
/// on the main thread, unless a newer create for the same image has been registered meanwhile
/// (that one's file is the same path and must stay).
///
/// Threading: as KTFocusedRegionsStorageOperation.
class KTCreateFocusedRegionsStorageOperation : public KTFocusedRegionsStorageOperation
{
public:
    /// `writePath` may be empty: nothing is then written.
    static std::shared_ptr<KTCreateFocusedRegionsStorageOperation> initWithImageAtPath(QString imagePath,
                                                                                       QString writePath);

    const QString &imagePath() const { return m_imagePath; }
    const QString &writePath() const { return m_writePath; }

    /// Answers, on the main thread, whether a newer create for the same image is registered.
    void setHasNewerOperation(std::function<bool()> hasNewerOperation)
    {
        m_hasNewerOperation = std::move(hasNewerOperation);
    }

    void adjustPriority() override;
    void setDefaultQueuePriorityIfNeed() override;

protected:
    std::shared_ptr<KTFocusedRegionsStorage> createStorage() override;
    void prepareDelivery() override;

private:
    KTCreateFocusedRegionsStorageOperation(QString imagePath, QString writePath)
        : m_imagePath(std::move(imagePath)), m_writePath(std::move(writePath))
    {}

    QString m_imagePath;
    QString m_writePath;
    std::function<bool()> m_hasNewerOperation;
};
