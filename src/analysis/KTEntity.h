#pragma once

#include <QCborMap>
#include <QString>
#include <QVariantMap>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <type_traits>

/// A piece of data derived from one image file and a set of parameters, expensive to compute
/// and cheap to keep (a thumbnail at one size). Subclasses add their fields and, as statics,
/// className(), currentVersion(), entityPathSuffixForAdditionalParameters(parameters),
/// initWithImageAtPath(imagePath, parameters) and initWithContentsOfFile(path); KTEntityClass
/// gathers those for the entities manager.
///
/// Files hold a KTCacheFile map with "Version" and the subclass's keys; a file of another
/// version reads as no entity, so it is made again.
///
/// Threading: an entity is built on one thread and not changed afterwards (except what a
/// subclass documents), so it may be read from any thread.
class KTEntity
{
public:
    virtual ~KTEntity() = default;

    /// The entity's weight in the memory cache.
    virtual int64_t cost() const = 0;

    /// Writes the entity's map atomically to `path`. Returns false, writing nothing, when the
    /// entity has nothing to write or the file could not be written. Blocks for the encoding.
    bool writeToFile(const QString &path) const;

protected:
    /// The version this entity's class writes.
    virtual int64_t version() const = 0;
    /// Adds the subclass's keys to `map`, which already holds "Version"; false when the entity
    /// has nothing to write.
    virtual bool encode(QCborMap &map) const = 0;

    /// The map of the file at `path` when it is readable and its "Version" equals
    /// `currentVersion`; nullopt otherwise.
    static std::optional<QCborMap> mapWithContentsOfFile(const QString &path, int64_t currentVersion);
};

/// What the entities manager needs of an entity class: its name and its class operations.
struct KTEntityClass
{
    QString name;
    std::function<QString(const QVariantMap &parameters)> pathSuffix;
    /// Null when the file gives no entity.
    std::function<std::shared_ptr<KTEntity>(const QString &entityPath)> load;
    /// Null when the image gives no entity.
    std::function<std::shared_ptr<KTEntity>(const QString &imagePath, const QVariantMap &parameters)> create;

    template <typename Entity> static KTEntityClass of()
    {
        static_assert(std::is_base_of_v<KTEntity, Entity>, "Error");
        return {Entity::className(), &Entity::entityPathSuffixForAdditionalParameters,
                [](const QString &path) -> std::shared_ptr<KTEntity> {
                    return Entity::initWithContentsOfFile(path);
                },
                [](const QString &imagePath, const QVariantMap &parameters) -> std::shared_ptr<KTEntity> {
                    return Entity::initWithImageAtPath(imagePath, parameters);
                }};
    }
};
