#pragma once

#include "KTBindingSource.h"

#include <QList>
#include <QObject>

#include <atomic>
#include <memory>
#include <vector>

/// One observable BOOL that is true only when a key is true for every object of a set: the
/// review modes show with it whether every selected image is picked.
///
/// Changes may arrive on any thread; the value is recomputed on the main thread, once per turn of
/// the event loop however many changes came (a whole selection picked costs one recomputation).
///
/// Threading: bind and read on the main thread.
class KTMultiBindingsController : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool boolValue READ boolValue NOTIFY boolValueChanged)
public:
    explicit KTMultiBindingsController(QObject *parent = nullptr);
    ~KTMultiBindingsController() override;

    /// Stops watching the previous objects, then watches `key` on `objects` and computes the value
    /// at once. An empty set gives false.
    void bindBoolValueToObjects(const QList<KTBindingSource> &objects, const QString &key);

    bool boolValue() const { return m_boolValue; }
    QList<KTBindingSource> boolBindingObjects() const { return m_objects; }
    QString boolBindingKeyPath() const { return m_key; }
    bool needsAdjustBoolValue() const { return m_needsAdjustBoolValue.load(); }
    /// How many recomputations ran (tests).
    int adjustCount() const { return m_adjustCount; }

    /// Recomputes now.
    void adjustBoolValue();

signals:
    void boolValueChanged(bool value);

private:
    void valueDidChange();

    QList<KTBindingSource> m_objects;
    QString m_key;
    std::vector<std::unique_ptr<QObject>> m_watches;
    bool m_boolValue = false;
    std::atomic<bool> m_needsAdjustBoolValue{false};
    int m_adjustCount = 0;
};
