#pragma once

#include <QHash>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

class KTStoreObject;

/// Value type of an attribute. Values are held in QVariant: QString, QDateTime, QByteArray, bool,
/// qint64, quint64 or double; an invalid QVariant is nil, and so are a null QString, an invalid
/// QDateTime and a null QByteArray. Dates are stored in UTC (a local time is converted when set).
enum class KTAttributeType
{
    String,
    Date,
    Data,
    Boolean,
    Integer64,
    UnsignedInteger64,
    Double,
};

enum class KTPropertyKind
{
    Attribute,
    ToOne,
    ToMany,
};

/// A transient attribute lives in the record object only: setting it notifies key observers but
/// is never a change (no objects-did-change entry, no undo, no update to save). The values of a
/// record a child inserted still travel with it into the parent, so a value given at insert
/// reaches the main context.
enum class KTPropertyStorage
{
    Stored,
    Transient,
};

/// One attribute or relationship of an entity. Relationships always have an inverse, and every
/// to-many has a to-one inverse: the to-one side holds the link (an object id), the to-many side
/// is derived from it. Many-to-many relationships are not supported.
struct KTPropertyDescription
{
    QString name;
    KTPropertyKind kind = KTPropertyKind::Attribute;
    KTAttributeType type = KTAttributeType::String;
    KTPropertyStorage storage = KTPropertyStorage::Stored;
    int index = -1;      // position among the entity's properties
    int toManySlot = -1; // position among the entity's to-many relationships
    QString destinationName;
    QString inverseName;
    int destination = -1; // entity index, resolved by KTObjectModel::finalize()
    int inverse = -1;     // property index in the destination, resolved by finalize()

    bool isAttribute() const { return kind == KTPropertyKind::Attribute; }
    bool isToOne() const { return kind == KTPropertyKind::ToOne; }
    bool isToMany() const { return kind == KTPropertyKind::ToMany; }
    bool isTransient() const { return storage == KTPropertyStorage::Transient; }
};

/// One entity: its name, its properties and the factory of its record class.
class KTEntityDescription
{
public:
    using Factory = std::function<std::unique_ptr<KTStoreObject>()>;

    const QString &name() const { return m_name; }
    int index() const { return m_index; }
    const std::vector<KTPropertyDescription> &properties() const { return m_properties; }
    const KTPropertyDescription &property(int index) const { return m_properties[std::size_t(index)]; }
    /// The property's index, or -1 when the entity has no property of that name.
    int propertyIndex(const QString &name) const { return m_byName.value(name, -1); }
    int toManyCount() const { return m_toManyCount; }
    std::unique_ptr<KTStoreObject> makeObject() const;

    KTEntityDescription &addAttribute(const QString &name, KTAttributeType type,
                                      KTPropertyStorage storage = KTPropertyStorage::Stored);
    KTEntityDescription &addToOne(const QString &name, const QString &destination, const QString &inverse);
    KTEntityDescription &addToMany(const QString &name, const QString &destination, const QString &inverse);

private:
    friend class KTObjectModel;
    KTEntityDescription &addRelationship(KTPropertyKind kind, const QString &name, const QString &destination,
                                         const QString &inverse);
    KTEntityDescription &addProperty(KTPropertyDescription property);

    QString m_name;
    int m_index = -1;
    Factory m_factory;
    std::vector<KTPropertyDescription> m_properties;
    QHash<QString, int> m_byName;
    int m_toManyCount = 0;
};

/// The entities of one object store. Built once (addEntity, then finalize) and then shared,
/// read-only, by every context of the store.
///
/// Threading: build on one thread; after finalize() it is immutable and may be read anywhere.
class KTObjectModel
{
public:
    /// Adds an entity whose records are made by `factory` (a KTStoreObject subclass).
    KTEntityDescription &addEntity(const QString &name, KTEntityDescription::Factory factory);
    /// Resolves destinations and inverses. A relationship naming an unknown entity or inverse,
    /// or a to-many without a to-one inverse, is a programming error (assertion).
    void finalize();

    /// The entity of that name, or null.
    const KTEntityDescription *entity(const QString &name) const;
    const KTEntityDescription &entity(int index) const { return *m_entities[std::size_t(index)]; }
    int entityCount() const { return int(m_entities.size()); }

private:
    std::vector<std::unique_ptr<KTEntityDescription>> m_entities;
    QHash<QString, int> m_byName;
};
