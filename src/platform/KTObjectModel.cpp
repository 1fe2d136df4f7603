#include "KTObjectModel.h"

#include "KTStoreObject.h"

std::unique_ptr<KTStoreObject> KTEntityDescription::makeObject() const
{
    return m_factory ? m_factory() : std::make_unique<KTStoreObject>();
}

KTEntityDescription &KTEntityDescription::addAttribute(const QString &name, KTAttributeType type,
                                                       KTPropertyStorage storage)
{
    KTPropertyDescription property;
    property.name = name;
    property.type = type;
    property.storage = storage;
    return addProperty(std::move(property));
}

KTEntityDescription &KTEntityDescription::addToOne(const QString &name, const QString &destination,
                                                   const QString &inverse)
{
    return addRelationship(KTPropertyKind::ToOne, name, destination, inverse);
}

KTEntityDescription &KTEntityDescription::addToMany(const QString &name, const QString &destination,
                                                    const QString &inverse)
{
    return addRelationship(KTPropertyKind::ToMany, name, destination, inverse);
}

KTEntityDescription &KTEntityDescription::addRelationship(KTPropertyKind kind, const QString &name,
                                                          const QString &destination, const QString &inverse)
{
    KTPropertyDescription property;
    property.name = name;
    property.kind = kind;
    property.destinationName = destination;
    property.inverseName = inverse;
    if (kind == KTPropertyKind::ToMany)
        property.toManySlot = m_toManyCount++;
    return addProperty(std::move(property));
}

KTEntityDescription &KTEntityDescription::addProperty(KTPropertyDescription property)
{
    Q_ASSERT_X(!m_byName.contains(property.name), "KTEntityDescription", "Duplicate property name.");
    // Changed keys are tracked in a 64-bit mask per record.
    Q_ASSERT_X(m_properties.size() < 64, "KTEntityDescription", "An entity holds at most 64 properties.");
    property.index = int(m_properties.size());
    m_byName.insert(property.name, property.index);
    m_properties.push_back(std::move(property));
    return *this;
}

KTEntityDescription &KTObjectModel::addEntity(const QString &name, KTEntityDescription::Factory factory)
{
    Q_ASSERT_X(!m_byName.contains(name), "KTObjectModel", "Duplicate entity name.");
    auto entity = std::make_unique<KTEntityDescription>();
    entity->m_name = name;
    entity->m_index = int(m_entities.size());
    entity->m_factory = std::move(factory);
    m_byName.insert(name, entity->m_index);
    m_entities.push_back(std::move(entity));
    return *m_entities.back();
}

void KTObjectModel::finalize()
{
    for (auto &entity : m_entities) {
        for (auto &property : entity->m_properties) {
            if (property.isAttribute())
                continue;
            const KTEntityDescription *destination = this->entity(property.destinationName);
            Q_ASSERT_X(destination, "KTObjectModel::finalize", "Relationship to an unknown entity.");
            property.destination = destination->index();
            property.inverse = destination->propertyIndex(property.inverseName);
            Q_ASSERT_X(property.inverse >= 0, "KTObjectModel::finalize", "Relationship without its inverse.");
            const KTPropertyDescription &inverse = destination->property(property.inverse);
            Q_ASSERT_X(inverse.isToOne() || property.isToOne(), "KTObjectModel::finalize",
                       "Many-to-many relationships are not supported.");
            Q_UNUSED(inverse);
        }
    }
}

const KTEntityDescription *KTObjectModel::entity(const QString &name) const
{
    const int index = m_byName.value(name, -1);
    return index < 0 ? nullptr : m_entities[std::size_t(index)].get();
}
