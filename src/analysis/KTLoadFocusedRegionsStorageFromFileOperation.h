#pragma once

#include "KTFocusedRegionsStorageOperation.h"

/// Reads a focused-regions storage from its file. High priority while someone waits, normal
/// when nobody does, cancelled when the overlays change and still nobody waits.
///
/// Threading: as KTFocusedRegionsStorageOperation.
class KTLoadFocusedRegionsStorageFromFileOperation : public KTFocusedRegionsStorageOperation
{
public:
    static std::shared_ptr<KTLoadFocusedRegionsStorageFromFileOperation> initWithPath(QString path);

    const QString &path() const { return m_path; }

    void adjustPriority() override;
    void setDefaultQueuePriorityIfNeed() override;

protected:
    /// Null for a missing or unreadable file.
    std::shared_ptr<KTFocusedRegionsStorage> createStorage() override;

private:
    explicit KTLoadFocusedRegionsStorageFromFileOperation(QString path) : m_path(std::move(path)) {}

    QString m_path;
};
