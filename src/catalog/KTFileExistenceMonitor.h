#pragma once

#include "KTSerialQueue.h"

#include <QHash>
#include <QObject>
#include <QString>
#include <QTimer>

#include <chrono>
#include <functional>
#include <memory>

class KTImageMO;

/// Watches whether the files of the image records that views show still exist. Every 0.5 s one
/// batched pass asks the file system about all monitored records on a background serial queue,
/// and the answers come back in one main-queue job, which sets "originalFileExists" on the
/// records whose answer differs from it. A slow or network folder therefore delays the answers,
/// never the window; a pass that is still running when the next one is due is not doubled.
///
/// KTImageMO's startMonitoringFileSystem() and stopMonitoringFileSystem() add and remove their
/// record (a record never checked before is checked once on the spot by the record itself); a
/// record that joins is checked by a pass started on the next turn of the event loop (records
/// that join in one turn share it).
///
/// Threading: main thread only (asserted), except the pass itself. Records are never touched off
/// the main thread: a pass gets their paths by value, and an answer for a record that left the
/// monitor meanwhile, or whose path changed, is dropped. Destroying a monitor waits for a pass
/// that is running.
class KTFileExistenceMonitor : public QObject
{
    Q_OBJECT
public:
    using ExistenceCheck = std::function<bool(const QString &path)>;

    /// The monitor of the process's records; lives until the process ends.
    static KTFileExistenceMonitor &sharedMonitor();

    explicit KTFileExistenceMonitor(std::chrono::milliseconds interval = std::chrono::milliseconds(500),
                                    QObject *parent = nullptr);
    ~KTFileExistenceMonitor() override;

    /// Adds `record` (once; a second add does nothing) and asks for a pass soon.
    void addRecord(KTImageMO *record);
    /// Forgets `record`; an answer on its way is dropped. Unknown records are ignored.
    void removeRecord(KTImageMO *record);
    bool isMonitoring(const KTImageMO *record) const { return m_records.contains(record); }
    int count() const { return int(m_records.size()); }

    /// Starts a pass now, or right after the running one ends.
    void checkNow();

    /// Test seam: how one path is checked (default, and with an empty function: a file system
    /// entry is there). Called on the pass's queue, never on the main thread; passes already
    /// started keep the check they were given.
    void setExistenceCheck(ExistenceCheck check);

signals:
    /// A pass's answers were applied: `checked` records were asked about, `changed` of them had
    /// "originalFileExists" set.
    void passDelivered(int checked, int changed);

private:
    struct Entry;
    void startPass();
    void deliver(const std::vector<Entry> &entries, const std::vector<bool> &answers);

    // Keyed by the record itself: a record leaves the monitor when it is deleted or destroyed
    // (KTImageMO::finishMonitoringFileSystem), so no key outlives its record.
    QHash<const KTImageMO *, quint64> m_records;
    quint64 m_nextSerial = 0;
    QTimer m_timer;
    bool m_passRunning = false;
    bool m_passWanted = false;
    bool m_soonScheduled = false;
    ExistenceCheck m_check;
    // Last, so that a running pass ends before the state above goes.
    std::unique_ptr<KTSerialQueue> m_queue;
};
