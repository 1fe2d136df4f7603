#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>

#include <functional>
#include <memory>
#include <mutex>

class QSettings;

/// Configuration under fixed keys, stored in QSettings, with a layer of registered defaults
/// underneath: a key with no stored value reads its registered default, and a numeric or boolean
/// key registered nowhere reads 0 / false.
///
/// Values keep their exact type across a restart (a bool stays a bool, an empty list stays an
/// empty list, a one-element list stays a list), which QSettings' INI format alone does not do.
///
/// Threading: every method may be called from any thread; access is serialised inside.
/// valueChanged() is emitted on the thread that made the change, after the lock is released;
/// observeKey() delivers on the receiver's thread.
class KTUserDefaults : public QObject
{
    Q_OBJECT
public:
    /// The application's defaults, in the user's configuration folder.
    static KTUserDefaults &standardUserDefaults();

    /// Defaults kept in the INI file at `path` (tests).
    explicit KTUserDefaults(const QString &path);
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

    /// Stores `value`; an invalid value removes the key.
    void setObject(const QVariant &value, const QString &key);
    void setBool(bool value, const QString &key) { setObject(value, key); }
    void setInteger(qint64 value, const QString &key) { setObject(value, key); }
    void setDouble(double value, const QString &key) { setObject(value, key); }
    void removeObjectForKey(const QString &key);

    /// Writes pending changes to disk. Returns false when the file could not be written.
    bool synchronize();

    /// Calls `callback` on `receiver`'s thread whenever the value read for `key` changes; ends
    /// with the receiver or when the connection is disconnected.
    QMetaObject::Connection observeKey(const QString &key, QObject *receiver, std::function<void()> callback);

signals:
    /// The value read for `key` changed (a set, a removal, or a registration under no stored
    /// value). Setting an equal value emits nothing.
    void valueChanged(const QString &key);

private:
    /// The stored value, else the registered one; the lock must be held.
    QVariant effectiveValue(const QString &key) const;

    mutable std::mutex m_mutex;
    std::unique_ptr<QSettings> m_settings;
    QVariantMap m_registered;
};
