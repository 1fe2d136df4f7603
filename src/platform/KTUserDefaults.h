#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QVariant>
#include <QVariantMap>

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

class KTSerialQueue;

/// Configuration under fixed keys, stored in an INI file (QSettings' format), with a layer of
/// registered defaults underneath: a key with no stored value reads its registered default, and a
/// numeric or boolean key registered nowhere reads 0 / false.
///
/// Values keep their exact type across a restart (a bool stays a bool, an empty list stays an
/// empty list, a one-element list stays a list), which QSettings' INI format alone does not do.
///
/// Values live in memory; the file is written behind them. Changes are coalesced: at most one
/// write a second, on a queue of its own, never on the calling thread; a write replaces the file
/// in one rename (QSettings writes through QSaveFile), so a crash leaves the old file or the new
/// one. flush() writes at once; the destructor and the end of the application flush.
///
/// Threading: every method may be called from any thread; access is serialised inside.
/// valueChanged() is emitted on the thread that made the change, after the lock is released;
/// observeKey() delivers on the receiver's thread. Writes are timed on the thread that made the
/// object (the main one for the application's defaults) and happen only while it turns its event
/// loop, or at flush().
class KTUserDefaults : public QObject
{
    Q_OBJECT
public:
    /// The quiet time between two writes.
    static constexpr std::chrono::milliseconds kWriteInterval{1000};

    /// The application's defaults, in the user's configuration folder; flushed when the
    /// application quits and when the process exits.
    static KTUserDefaults &standardUserDefaults();

    /// Defaults kept in the INI file at `path` (tests). Reads the file; blocks.
    explicit KTUserDefaults(const QString &path);
    /// Flushes; blocks until the file is written.
    ~KTUserDefaults() override;

    /// Adds to the registered layer; nothing is written to the file.
    void registerDefaults(const QVariantMap &defaults);

    /// The stored value, else the registered one, else an invalid QVariant.
    QVariant objectForKey(const QString &key) const;
    /// True when a value is stored under `key` (registered defaults do not count).
    bool hasStoredValue(const QString &key) const;

    bool boolForKey(const QString &key) const;
    qint64 integerForKey(const QString &key) const;
    double doubleForKey(const QString &key) const;
    float floatForKey(const QString &key) const;
    QString stringForKey(const QString &key) const;
    QStringList stringArrayForKey(const QString &key) const;
    QVariantList arrayForKey(const QString &key) const;
    QVariantMap dictionaryForKey(const QString &key) const;

    /// Stores `value`; an invalid value removes the key. The file follows within about a second.
    void setObject(const QVariant &value, const QString &key);
    void setBool(bool value, const QString &key) { setObject(value, key); }
    void setInteger(qint64 value, const QString &key) { setObject(value, key); }
    void setDouble(double value, const QString &key) { setObject(value, key); }
    void removeObjectForKey(const QString &key);

    /// Asks for the pending changes to be written soon (every change already does); returns at
    /// once. False when the last write could not write the file.
    bool synchronize();
    /// Writes the pending changes now and returns when they are written (after a write under
    /// way). Blocks: for the end of the application and tests. False when the file could not be
    /// written.
    bool flush();

    /// Calls `callback` on `receiver`'s thread whenever the value read for `key` changes; ends
    /// with the receiver or when the connection is disconnected.
    QMetaObject::Connection observeKey(const QString &key, QObject *receiver, std::function<void()> callback);

signals:
    /// The value read for `key` changed (a set, a removal, or a registration under no stored
    /// value). Setting an equal value emits nothing.
    void valueChanged(const QString &key);
    /// A write of the file ended, on the writing thread; `ok` is false when it failed.
    void written(bool ok);

private:
    /// The stored value, else the registered one; the lock must be held.
    QVariant effectiveValue(const QString &key) const;
    /// Notes a change of `key` for the next write and asks for one; the lock must be held.
    void noteChange(const QString &key, std::optional<QVariant> stored);
    /// Times the next write: at once, or a write interval after the last one.
    void scheduleWrite();
    /// Writes what is pending; runs on the write queue or in flush().
    bool writePending();

    const QString m_path;
    mutable std::mutex m_mutex;
    QVariantMap m_values;
    QVariantMap m_registered;
    /// Keys changed since the last write: their value as stored, or nothing for a removal.
    QHash<QString, std::optional<QVariant>> m_pending;
    bool m_writeScheduled = false;
    std::chrono::steady_clock::time_point m_lastWrite;
    bool m_lastWriteSucceeded = true;
    /// Held through a whole write, so writes reach the file in the order they took their changes.
    std::mutex m_writeMutex;
    QTimer m_writeTimer;
    std::unique_ptr<KTSerialQueue> m_writeQueue;
};
