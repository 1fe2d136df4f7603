#include "KTBindingSource.h"

#include "KTObjectContext.h"
#include "KTObservationToken.h"
#include "KTStoreObject.h"

#include <QMetaMethod>
#include <QMetaProperty>

namespace {

/// Holds one watch: a signal connection or a record observation, ended with the holder.
class Watch : public QObject
{
    Q_OBJECT
public:
    explicit Watch(std::function<void()> changed) : m_changed(std::move(changed)) {}
    KTObservationToken token;

public slots:
    void fire() { m_changed(); }

private:
    std::function<void()> m_changed;
};

} // namespace

QVariant KTBindingSource::value(const QString &key) const
{
    if (m_record)
        return m_record->value(key);
    if (m_object)
        return m_object->property(key.toUtf8().constData());
    return {};
}

bool KTBindingSource::hasKey(const QString &key) const
{
    if (m_record)
        return m_record->entity().propertyIndex(key) >= 0;
    if (m_object)
        return m_object->metaObject()->indexOfProperty(key.toUtf8().constData()) >= 0;
    return false;
}

std::unique_ptr<QObject> KTBindingSource::observe(const QString &key, std::function<void()> changed) const
{
    auto watch = std::make_unique<Watch>(std::move(changed));
    if (m_record) {
        Watch *raw = watch.get();
        watch->token =
            m_record->context()->observe(m_record, key, [raw](const KTValueChange &) { raw->fire(); });
        return watch;
    }
    if (!m_object)
        return nullptr;
    const QMetaObject *meta = m_object->metaObject();
    const int index = meta->indexOfProperty(key.toUtf8().constData());
    const QMetaProperty property = index >= 0 ? meta->property(index) : QMetaProperty();
    if (!property.hasNotifySignal()) {
        qWarning("Warning: %s has no observable property %s", meta->className(), qPrintable(key));
        return nullptr;
    }
    const QMetaMethod fire = watch->metaObject()->method(watch->metaObject()->indexOfSlot("fire()"));
    // Direct: the change is taken on the thread that made it; the receivers decide where to act.
    QObject::connect(m_object.data(), property.notifySignal(), watch.get(), fire, Qt::DirectConnection);
    return watch;
}

#include "KTBindingSource.moc"
