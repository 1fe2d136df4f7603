#include "KTFileExistenceMonitor.h"

#include "KTDispatch.h"
#include "KTImageMO.h"
#include "KTRecordRef.h"

#include <QFileInfo>
#include <QPointer>

#include <utility>
#include <vector>

namespace {

bool fileExists(const QString &path)
{
    return QFileInfo::exists(path);
}

} // namespace

struct KTFileExistenceMonitor::Entry
{
    // Read only on the main thread; carried through the pass, so a handle.
    KTRecordRef<KTImageMO> record;
    quint64 serial = 0;
    QString path;
};

KTFileExistenceMonitor &KTFileExistenceMonitor::sharedMonitor()
{
    Q_ASSERT(isMainThread());
    static auto *monitor = new KTFileExistenceMonitor;
    return *monitor;
}

KTFileExistenceMonitor::KTFileExistenceMonitor(std::chrono::milliseconds interval, QObject *parent)
    : QObject(parent), m_check(&fileExists),
      m_queue(std::make_unique<KTSerialQueue>(QStringLiteral("file existence")))
{
    m_timer.setInterval(interval);
    m_timer.callOnTimeout(this, [this] { checkNow(); });
}

KTFileExistenceMonitor::~KTFileExistenceMonitor() = default;

void KTFileExistenceMonitor::addRecord(KTImageMO *record)
{
    Q_ASSERT(isMainThread());
    // A deleted record has no file to watch: a view that still shows it until its list reloads
    // would otherwise keep it in every pass for the rest of the run.
    if (!record || record->isDeleted() || m_records.contains(record))
        return;
    m_records.insert(record, ++m_nextSerial);
    if (!m_timer.isActive())
        m_timer.start();
    // Views take their records while a grid lays itself out: one pass for all of them.
    if (!m_soonScheduled) {
        m_soonScheduled = true;
        QTimer::singleShot(0, this, [this] {
            m_soonScheduled = false;
            checkNow();
        });
    }
}

void KTFileExistenceMonitor::removeRecord(KTImageMO *record)
{
    Q_ASSERT(isMainThread());
    m_records.remove(record);
    if (m_records.isEmpty())
        m_timer.stop();
}

void KTFileExistenceMonitor::setExistenceCheck(ExistenceCheck check)
{
    Q_ASSERT(isMainThread());
    m_check = check ? std::move(check) : ExistenceCheck(&fileExists);
}

void KTFileExistenceMonitor::checkNow()
{
    Q_ASSERT(isMainThread());
    if (m_passRunning) {
        m_passWanted = true;
        return;
    }
    startPass();
}

void KTFileExistenceMonitor::startPass()
{
    if (m_records.isEmpty())
        return;
    std::vector<Entry> entries;
    entries.reserve(std::size_t(m_records.size()));
    for (auto it = m_records.begin(); it != m_records.end();) {
        auto *record = const_cast<KTImageMO *>(it.key());
        if (record->isDeleted()) {
            it = m_records.erase(it);
            continue;
        }
        const QString path = record->path();
        if (!path.isNull())
            entries.push_back(Entry{record, it.value(), path});
        ++it;
    }
    if (m_records.isEmpty())
        m_timer.stop();
    if (entries.empty())
        return;
    m_passRunning = true;
    m_queue->async([self = QPointer(this), check = m_check, entries = std::move(entries)]() mutable {
        // Records of a RAW+JPEG folder often share nothing, but views may show one record twice.
        QHash<QString, bool> known;
        std::vector<bool> answers;
        answers.reserve(entries.size());
        for (const Entry &entry : entries) {
            auto found = known.constFind(entry.path);
            if (found == known.cend())
                found = known.insert(entry.path, check(entry.path));
            answers.push_back(found.value());
        }
        postToMain([self, entries = std::move(entries), answers = std::move(answers)] {
            if (self)
                self->deliver(entries, answers);
        });
    });
}

void KTFileExistenceMonitor::deliver(const std::vector<Entry> &entries, const std::vector<bool> &answers)
{
    m_passRunning = false;
    int changed = 0;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const Entry &entry = entries[i];
        // An observer of an earlier record may have let this one go, or the record may have moved
        // or gone.
        KTImageMO *record = entry.record.get();
        if (!record || m_records.value(record) != entry.serial || record->path() != entry.path)
            continue;
        if (record->isDeleted()) {
            m_records.remove(record);
            continue;
        }
        if (record->applyFileExistence(answers[i]))
            ++changed;
    }
    emit passDelivered(int(entries.size()), changed);
    if (std::exchange(m_passWanted, false))
        startPass();
}
