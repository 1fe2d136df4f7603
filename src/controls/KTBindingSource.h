#pragma once

#include "KTRecordRef.h"

#include <QPointer>
#include <QString>
#include <QVariant>

#include <functional>
#include <memory>

/// What a binding reads and watches: a QObject property (watched through its NOTIFY signal, on
/// the thread that emits it) or a key of a record of the main context (watched through the
/// context's key observers). A record that is deleted or freed reads as a gone source.
///
/// Threading: made and read on the main thread; a QObject source may notify from any thread.
class KTBindingSource
{
public:
    KTBindingSource() = default;
    KTBindingSource(QObject *object) : m_object(object), m_isObject(object != nullptr) {}
    KTBindingSource(KTStoreObject *record) : m_record(record) {}

    bool isNull() const { return !m_record.get() && !m_object; }
    /// The value of `key`; invalid when the source is gone or has no such key.
    QVariant value(const QString &key) const;
    /// Calls `changed` after each change of `key`; ends when the returned holder is destroyed.
    /// Null when the key cannot be watched (logged): a property without a NOTIFY signal.
    std::unique_ptr<QObject> observe(const QString &key, std::function<void()> changed) const;
    /// Whether the source answers `key` at all.
    bool hasKey(const QString &key) const;

    bool operator==(const KTBindingSource &other) const
    {
        return m_record.get() == other.m_record.get() && m_object.data() == other.m_object.data();
    }

private:
    KTRecordRef<KTStoreObject> m_record;
    QPointer<QObject> m_object;
    bool m_isObject = false;
};
