#include "KTStoreObject.h"

#include "KTObjectContext.h"
#include "KTObjectContextState.h"

KTStoreObject::~KTStoreObject()
{
    if (m_anchor) {
        m_anchor->record = nullptr;
        noteLifetimeChange();
    }
}

const std::shared_ptr<KTRecordAnchor> &KTStoreObject::anchor() const
{
    if (!m_anchor)
        m_anchor = std::make_shared<KTRecordAnchor>(KTRecordAnchor{const_cast<KTStoreObject *>(this), m_id});
    return m_anchor;
}

int KTStoreObject::propertyForKey(const QString &key) const
{
    const int property = m_entity->propertyIndex(key);
    Q_ASSERT_X(property >= 0, "KTStoreObject",
               qPrintable(QStringLiteral("Unknown key %1 of entity %2").arg(key, m_entity->name())));
    return property;
}

QVariant KTStoreObject::value(const QString &key) const
{
    const int property = propertyForKey(key);
    return property < 0 ? QVariant() : value(property);
}

QVariant KTStoreObject::value(int property) const
{
    m_context->d->assertThread();
    return m_values[std::size_t(property)];
}

void KTStoreObject::setValue(const QString &key, const QVariant &value)
{
    const int property = propertyForKey(key);
    if (property >= 0)
        setValue(property, value);
}

void KTStoreObject::setValue(int property, const QVariant &value)
{
    m_context->d->assertThread();
    m_context->d->setValue(this, property, value);
}

KTStoreObject *KTStoreObject::relatedObject(const QString &key) const
{
    const int property = propertyForKey(key);
    return property < 0 ? nullptr : relatedObject(property);
}

KTStoreObject *KTStoreObject::relatedObject(int property) const
{
    m_context->d->assertThread();
    Q_ASSERT(m_entity->property(property).isToOne());
    const KTObjectID id = m_values[std::size_t(property)].value<KTObjectID>();
    return id.isNull() ? nullptr : m_context->d->resolve(id);
}

void KTStoreObject::setRelatedObject(const QString &key, KTStoreObject *target)
{
    const int property = propertyForKey(key);
    if (property >= 0)
        setRelatedObject(property, target);
}

void KTStoreObject::setRelatedObject(int property, KTStoreObject *target)
{
    setValue(property, target ? QVariant::fromValue(target->objectID()) : QVariant());
}

QList<KTStoreObject *> KTStoreObject::relatedObjects(const QString &key) const
{
    const int property = propertyForKey(key);
    return property < 0 ? QList<KTStoreObject *>() : relatedObjects(property);
}

QList<KTStoreObject *> KTStoreObject::relatedObjects(int property) const
{
    m_context->d->assertThread();
    const KTPropertyDescription &description = m_entity->property(property);
    Q_ASSERT(description.isToMany());
    return m_context->d->resolveAll(m_toMany[std::size_t(description.toManySlot)]);
}

void KTStoreObject::addRelatedObject(const QString &key, KTStoreObject *member)
{
    const int property = propertyForKey(key);
    if (property < 0 || !member)
        return;
    const KTPropertyDescription &description = m_entity->property(property);
    Q_ASSERT(description.isToMany());
    member->setRelatedObject(description.inverse, this);
}

QVariant KTStoreObject::valueForKeyPath(const QString &keyPath) const
{
    return valueForKeyPath(keyPath.split(QLatin1Char('.')));
}

QVariant KTStoreObject::valueForKeyPath(const QStringList &keyPath) const
{
    m_context->d->assertThread();
    const KTStoreObject *object = this;
    for (qsizetype i = 0; i < keyPath.size(); ++i) {
        const int property = object->m_entity->propertyIndex(keyPath[i]);
        if (property < 0)
            return {};
        const KTPropertyDescription &description = object->m_entity->property(property);
        if (description.isToMany())
            return {};
        const QVariant &value = object->m_values[std::size_t(property)];
        if (i + 1 == keyPath.size())
            return value;
        if (!description.isToOne() || !value.isValid())
            return {};
        object = m_context->d->resolve(value.value<KTObjectID>());
        if (!object)
            return {};
    }
    return {};
}

void KTStoreObject::setPrimitiveValue(const QString &key, const QVariant &value)
{
    const int property = propertyForKey(key);
    if (property >= 0)
        setPrimitiveValue(property, value);
}

void KTStoreObject::setPrimitiveValue(int property, const QVariant &value)
{
    if (m_entity->property(property).isAttribute())
        m_values[std::size_t(property)] = KTObjectContextState::normalized(value);
}
