#pragma once

#include "KTObjectID.h"
#include "KTObjectModel.h"

#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <atomic>
#include <memory>
#include <optional>
#include <vector>

class KTObjectContext;
class KTChangeTracker;
class KTStoreObject;
struct KTObjectContextState;

/// What a record shares with its handles (KTRecordRef): the record while it exists, null once it
/// is freed, and its id.
struct KTRecordAnchor
{
    KTStoreObject *record = nullptr;
    KTObjectID id;
};

/// Bookkeeping of one change tracker on one record (see KTChangeTracker).
struct KTChangeMark
{
    enum class State : quint8
    {
        None,
        Inserted,
        Updated,
        Deleted,
    };
    State state = State::None;
    bool listed = false;
    quint64 properties = 0;
};

/// One record of an object store, as one context sees it: the base of the record classes.
///
/// Attribute values are QVariant (invalid = nil, see KTAttributeType); a to-one relationship reads
/// as a QVariant holding the target's KTObjectID (nil when unset); a to-many relationship is read
/// with relatedObjects(). Setting a value that equals the current one is no change.
///
/// A record belongs to its context, which owns it until the context is destroyed or, once the
/// record is deleted, KTObjectContext::releaseDeletedObjects() frees it. A deleted record keeps
/// its last values readable until then; setting values on it is ignored with a warning. Whoever
/// keeps a record across an event-loop turn keeps a KTRecordRef, which answers null once the
/// record is deleted or freed.
///
/// Threading: use a record only where its context may be used (the main thread for the main
/// context, inside perform blocks for a child context); in debug builds a violation asserts.
class KTStoreObject
{
public:
    KTStoreObject() = default;
    virtual ~KTStoreObject();
    KTStoreObject(const KTStoreObject &) = delete;
    KTStoreObject &operator=(const KTStoreObject &) = delete;

    KTObjectID objectID() const { return m_id; }
    const KTEntityDescription &entity() const { return *m_entity; }
    KTObjectContext *context() const { return m_context; }
    /// True once the record was deleted in its context.
    bool isDeleted() const { return m_deleted; }

    /// The anchor this record shares with its handles; made on the first call. For KTRecordRef.
    const std::shared_ptr<KTRecordAnchor> &anchor() const;
    /// Counts every delete, undelete and free of a record in any context, so a holder can tell
    /// cheaply whether a record it holds may have gone since it last looked. Any thread.
    static quint64 lifetimeEpoch() { return s_lifetimeEpoch.load(std::memory_order_relaxed); }

    /// The value of an attribute or to-one relationship. An unknown key asserts and reads nil.
    QVariant value(const QString &key) const;
    QVariant value(int property) const;
    /// Sets an attribute, or a to-one relationship from a QVariant holding a KTObjectID (or nil).
    /// A to-one change updates the inverse to-many of the old and the new target.
    void setValue(const QString &key, const QVariant &value);
    void setValue(int property, const QVariant &value);

    /// The target of a to-one relationship in this context, or null.
    KTStoreObject *relatedObject(const QString &key) const;
    KTStoreObject *relatedObject(int property) const;
    void setRelatedObject(const QString &key, KTStoreObject *target);
    void setRelatedObject(int property, KTStoreObject *target);
    /// The members of a to-many relationship in this context, ordered by object id.
    QList<KTStoreObject *> relatedObjects(const QString &key) const;
    QList<KTStoreObject *> relatedObjects(int property) const;
    /// Adds `member` to a to-many relationship, by setting the member's to-one inverse.
    void addRelatedObject(const QString &key, KTStoreObject *member);

    /// Follows to-one relationships: "group.groupID" reads the groupID of the record's group;
    /// nil anywhere on the way gives nil. A to-many step also gives nil.
    QVariant valueForKeyPath(const QString &keyPath) const;
    QVariant valueForKeyPath(const QStringList &keyPath) const;

protected:
    /// Called once, in the context that inserts the record, right after the insert. Records that
    /// reach a parent through a save are not awoken again: they bring their values with them.
    virtual void awakeFromInsert() {}
    /// Called in every context that deletes the record (the parent too, when a child's save
    /// carries the delete), before relationships are cleared.
    virtual void prepareForDeletion() {}
    /// Stores a value without any change bookkeeping; for awakeFromInsert().
    void setPrimitiveValue(const QString &key, const QVariant &value);
    void setPrimitiveValue(int property, const QVariant &value);

    QString stringValue(int property) const { return value(property).toString(); }
    template <typename T> std::optional<T> optionalValue(int property) const
    {
        const QVariant v = value(property);
        return v.isValid() ? std::optional<T>(v.value<T>()) : std::nullopt;
    }
    template <typename T> static QVariant variantFrom(const std::optional<T> &value)
    {
        return value ? QVariant::fromValue(*value) : QVariant();
    }
    template <typename T> QList<T *> relatedObjectsAs(int property) const
    {
        QList<T *> result;
        const QList<KTStoreObject *> objects = relatedObjects(property);
        result.reserve(objects.size());
        for (KTStoreObject *object : objects)
            result.append(static_cast<T *>(object));
        return result;
    }

private:
    friend class KTObjectContext;
    friend struct KTObjectContextState;
    friend class KTChangeTracker;
    int propertyForKey(const QString &key) const;
    static void noteLifetimeChange() { s_lifetimeEpoch.fetch_add(1, std::memory_order_relaxed); }

    static inline std::atomic<quint64> s_lifetimeEpoch{1};

    KTObjectContext *m_context = nullptr;
    const KTEntityDescription *m_entity = nullptr;
    KTObjectID m_id;
    bool m_deleted = false;
    std::vector<QVariant> m_values;         // per property; to-many slots unused
    std::vector<QSet<KTObjectID>> m_toMany; // per to-many slot
    KTChangeMark m_saveMark;
    KTChangeMark m_pendingMark;
    mutable std::shared_ptr<KTRecordAnchor> m_anchor;
};
