#pragma once

#include "KTStoreObject.h"

#include <QThread>

#include <atomic>

/// Common base of KTImageMO, KTFolderMO and KTTimeGroupMO: a record that remembers the thread it
/// is worked on.
///
/// Threading: as any record (see KTStoreObject); workThread() may be read from any thread.
class KTManagedObject : public KTStoreObject
{
public:
    QThread *workThread() const { return m_workThread.load(); }
    void setWorkThread(QThread *thread) { m_workThread.store(thread); }

    /// The first call stores the calling thread. A later call from another thread logs
    /// "Error: Invalid thread." and returns false; the stored thread stays.
    bool checkCurrentThread();

private:
    std::atomic<QThread *> m_workThread{nullptr};
};
