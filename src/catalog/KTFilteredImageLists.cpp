#include "KTFilteredImageLists.h"

#include "KTCatalogModel.h"
#include "KTCatalogNotifications.h"
#include "KTDispatch.h"
#include "KTImageMO.h"
#include "KTNotificationCenter.h"
#include "KTObjectContext.h"

#include <QDebug>

#include <algorithm>

namespace {

// Below this many records, finding each by a linear scan beats hashing every list element.
constexpr qsizetype kLinearLookupLimit = 8;

// The sorted positions in `images` of the records of `records` that are there.
std::vector<qsizetype> positionsOf(const QList<KTImageMO *> &images, const QList<KTImageMO *> &records)
{
    std::vector<qsizetype> positions;
    if (records.isEmpty())
        return positions;
    if (records.size() <= kLinearLookupLimit) {
        for (KTImageMO *record : records) {
            const auto it = std::find(images.cbegin(), images.cend(), record);
            if (it != images.cend())
                positions.push_back(it - images.cbegin());
        }
        std::sort(positions.begin(), positions.end());
        positions.erase(std::unique(positions.begin(), positions.end()), positions.end());
        return positions;
    }
    const QSet<KTImageMO *> wanted(records.cbegin(), records.cend());
    for (qsizetype i = 0; i < images.size(); ++i) {
        if (wanted.contains(images.at(i)))
            positions.push_back(i);
    }
    return positions;
}

} // namespace

KTFilteredImageLists::KTFilteredImageLists(QObject *sender) : m_sender(sender) {}

KTFilteredImageLists::~KTFilteredImageLists() = default;

void KTFilteredImageLists::setContext(std::weak_ptr<KTObjectContext> context)
{
    m_context = std::move(context);
}

void KTFilteredImageLists::setFilter(const QVariantMap &filter, const QString &filterID)
{
    Q_ASSERT(isMainThread());
    Q_ASSERT_X(!filterID.isNull() && !filter.isEmpty(), "setFilter", "Filter and its id should not be nil.");
    if (filterID.isNull())
        return;
    if (m_filters.count(filterID))
        qWarning().noquote() << QStringLiteral("Warning: Filter with id: %1 already setted.").arg(filterID);
    Entry entry;
    entry.filter = filter;
    const QVariant predicate = filter.value(kFilterPredicateKey);
    if (predicate.canConvert<KTPredicate>())
        entry.predicate = predicate.value<KTPredicate>();
    entry.sortDescriptors = filter.value(kFilterSortDescriptorsKey).value<QList<KTSortDescriptor>>();
    entry.applyPredicateAfterFetch = filter.value(kShouldApplyPredicateAfterFetch).toBool();
    m_filters[filterID] = std::move(entry);
    cleanFilteredImagesForFilterWithID(filterID);
}

std::optional<QVariantMap> KTFilteredImageLists::filterForID(const QString &filterID) const
{
    const auto it = m_filters.find(filterID);
    if (it == m_filters.end())
        return std::nullopt;
    return it->second.filter;
}

void KTFilteredImageLists::removeFilterWithID(const QString &filterID)
{
    Q_ASSERT_X(!filterID.isNull(), "removeFilterWithID", "Filter id should not be nil.");
    m_filters.erase(filterID);
}

void KTFilteredImageLists::cleanFilteredImagesForFilterWithID(const QString &filterID)
{
    Q_ASSERT_X(!filterID.isNull(), "cleanFilteredImagesForFilterWithID", "Filter id should not be nil.");
    const auto it = m_filters.find(filterID);
    if (it == m_filters.end())
        return;
    it->second.list.reset();
    reloadImagesFilteredByFilterWithID(filterID);
    post(filterID);
}

QList<KTImageMO *> KTFilteredImageLists::imagesFilteredByFilterWithID(const QString &filterID)
{
    Q_ASSERT_X(!filterID.isNull(), "imagesFilteredByFilterWithID", "Filter id should not be nil.");
    auto it = m_filters.find(filterID);
    if (it == m_filters.end())
        return {};
    if (!it->second.list)
        reloadImagesFilteredByFilterWithID(filterID);
    return it->second.list ? it->second.list->images : QList<KTImageMO *>();
}

void KTFilteredImageLists::reloadImagesFilteredByFilterWithID(const QString &filterID)
{
    const auto it = m_filters.find(filterID);
    if (it == m_filters.end())
        return;
    std::optional<QList<KTImageMO *>> images = obtainImagesFilteredByFilterWithID(filterID);
    if (!images) {
        it->second.list.reset();
        return;
    }
    storeList(it->second, std::move(*images));
}

std::optional<QList<KTImageMO *>>
KTFilteredImageLists::obtainImagesFilteredByFilterWithID(const QString &filterID)
{
    Q_ASSERT(isMainThread());
    const auto it = m_filters.find(filterID);
    Q_ASSERT_X(it != m_filters.end(), "obtainImagesFilteredByFilterWithID",
               qPrintable(QStringLiteral("The filter with ID: %1 should be added.").arg(filterID)));
    if (it == m_filters.end())
        return std::nullopt;
    const Entry &entry = it->second;
    const std::shared_ptr<KTObjectContext> context = m_context.lock();
    if (!context) {
        qWarning().noquote() << QStringLiteral(
                                    "Error: %1. During obtaining filtered images for filter with id: %2")
                                    .arg(QStringLiteral("no managed object context"), filterID);
        return std::nullopt;
    }
    KTFetchRequest request{kImageEntityName, {}, entry.sortDescriptors};
    if (entry.predicate && !entry.applyPredicateAfterFetch)
        request.predicate = *entry.predicate;
    QList<KTImageMO *> images = context->fetchAs<KTImageMO>(request);
    if (entry.predicate && entry.applyPredicateAfterFetch) {
        const KTPredicate &predicate = *entry.predicate;
        images.removeIf([&](const KTImageMO *image) { return !predicate.evaluate(*image); });
    }
    return images;
}

std::optional<qsizetype> KTFilteredImageLists::keptCountForFilterWithID(const QString &filterID) const
{
    const auto it = m_filters.find(filterID);
    if (it == m_filters.end() || !it->second.list)
        return std::nullopt;
    return it->second.list->images.size();
}

quint64 KTFilteredImageLists::countForImagesFilteredByFilterWithID(const QString &filterID)
{
    Q_ASSERT(isMainThread());
    const auto it = m_filters.find(filterID);
    Q_ASSERT_X(it != m_filters.end(), "countForImagesFilteredByFilterWithID",
               qPrintable(QStringLiteral("The filter with ID: %1 should be added.").arg(filterID)));
    const std::shared_ptr<KTObjectContext> context = m_context.lock();
    if (it == m_filters.end() || !context) {
        qWarning().noquote() << QStringLiteral(
                                    "Failed to fetch number of entities with filter ID %1. Got error %2")
                                    .arg(filterID, QStringLiteral("no managed object context"));
        return kFilteredCountNotFound;
    }
    KTFetchRequest request{kImageEntityName, {}, {}};
    if (it->second.predicate)
        request.predicate = *it->second.predicate;
    return quint64(context->count(request));
}

void KTFilteredImageLists::validateFilteredImages(const QList<KTImageMO *> &added,
                                                  const QList<KTImageMO *> &deleted,
                                                  const QList<KTImageMO *> &updated)
{
    // A notification's observer may register or remove filters: walk a copy of the identifiers.
    for (const QString &filterID : filterIDs())
        validateImagesFilteredByFilterWithID(filterID, added, deleted, updated);
}

bool KTFilteredImageLists::validateImagesFilteredByFilterWithID(const QString &filterID,
                                                                const QList<KTImageMO *> &added,
                                                                const QList<KTImageMO *> &deleted,
                                                                const QList<KTImageMO *> &updated)
{
    Q_ASSERT(isMainThread());
    if (filterID.isNull()) {
        qWarning().noquote() << "Error: filter id should not be nil";
        return false;
    }
    const auto it = m_filters.find(filterID);
    if (it == m_filters.end()) {
        qWarning().noquote() << QStringLiteral("Warning: filter for id %1 does not specified.").arg(filterID);
        return false;
    }
    Entry &entry = it->second;
    if (!entry.predicate) {
        qWarning().noquote()
            << QStringLiteral("Warning: predicate for filter with id %1 does not specified").arg(filterID);
        return false;
    }
    // Merging into a list that was never fetched would make a partial list; the first read
    // fetches it whole instead.
    if (!entry.list)
        return false;
    List &list = *entry.list;
    const KTPredicate &predicate = *entry.predicate;
    const QList<KTSortDescriptor> &sorts = entry.sortDescriptors;

    QList<KTImageMO *> additions;
    QList<KTImageMO *> removals;
    QSet<const KTImageMO *> removalSet;
    QList<KTImageMO *> stayingUpdates;

    const auto remove = [&](KTImageMO *image) {
        if (!removalSet.contains(image)) {
            removalSet.insert(image);
            removals.append(image);
        }
    };
    // The member of the list that holds `path` now, or null.
    const auto holderOf = [&](const QString &path) -> const KTImageMO * {
        const KTImageMO *holder = list.paths.value(path);
        if (holder && list.members.contains(holder) && holder->path() == path)
            return holder;
        return nullptr;
    };

    for (KTImageMO *image : deleted) {
        if (image->path().isNull()) {
            qWarning().noquote() << "Error: Image path should not be nil";
            continue;
        }
        if (list.members.contains(image))
            remove(image);
    }
    for (KTImageMO *image : updated) {
        const QString path = image->path();
        if (path.isNull()) {
            qWarning().noquote() << "Error: image path should not be nil.";
            continue;
        }
        const bool holds = predicate.evaluate(*image);
        const bool member = list.members.contains(image);
        if (!holds) {
            if (member)
                remove(image);
        } else if (member) {
            stayingUpdates.append(image);
        } else if (const KTImageMO *holder = holderOf(path); holder && !removalSet.contains(holder)) {
            qWarning().noquote() << QStringLiteral("Error: Inconsistency in filter with ID %1").arg(filterID);
        } else {
            additions.append(image);
        }
    }
    for (KTImageMO *image : added) {
        const QString path = image->path();
        if (path.isNull()) {
            qWarning().noquote() << "Warning: image path should not be nil";
            continue;
        }
        if (list.members.contains(image) || !predicate.evaluate(*image))
            continue;
        if (const KTImageMO *holder = holderOf(path); holder && !removalSet.contains(holder))
            continue;
        additions.append(image);
    }

    // An updated member stays where it is when it is still in order with both neighbours that
    // stay (a removed record between them may have hidden the disorder); the list is sorted
    // exactly when every adjacent pair is, and only pairs with an updated member can have
    // changed. Otherwise every updated member is taken out and sorted back in, so a run of
    // members that changed together (a whole group) lands where a fetch puts it.
    const std::vector<qsizetype> updatedPositions = positionsOf(list.images, stayingUpdates);
    bool moves = false;
    const qsizetype count = list.images.size();
    for (const qsizetype i : updatedPositions) {
        const KTImageMO *image = list.images.at(i);
        qsizetype before = i - 1;
        while (before >= 0 && removalSet.contains(list.images.at(before)))
            --before;
        qsizetype after = i + 1;
        while (after < count && removalSet.contains(list.images.at(after)))
            ++after;
        if ((before >= 0 && KTSortDescriptor::compareObjects(sorts, list.images.at(before), image) > 0) ||
            (after < count && KTSortDescriptor::compareObjects(sorts, image, list.images.at(after)) > 0)) {
            moves = true;
            break;
        }
    }
    if (additions.isEmpty() && removals.isEmpty() && !moves)
        return false;

    std::vector<qsizetype> skipped = positionsOf(list.images, removals);
    QList<KTStoreObject *> incoming;
    incoming.reserve(additions.size() + (moves ? stayingUpdates.size() : 0));
    for (KTImageMO *image : additions)
        incoming.append(image);
    if (moves) {
        skipped.insert(skipped.end(), updatedPositions.begin(), updatedPositions.end());
        std::sort(skipped.begin(), skipped.end());
        for (KTImageMO *image : stayingUpdates) {
            if (!removalSet.contains(image))
                incoming.append(image);
        }
    }
    KTSortDescriptor::sortObjects(incoming, sorts);

    QList<KTImageMO *> kept;
    kept.reserve(list.images.size() - qsizetype(skipped.size()));
    {
        auto next = skipped.cbegin();
        for (qsizetype i = 0; i < list.images.size(); ++i) {
            if (next != skipped.cend() && *next == i) {
                ++next;
                continue;
            }
            kept.append(list.images.at(i));
        }
    }

    // Each incoming record goes after every kept record that sorts before or with it, so on
    // equal order the record already in the list comes first. The incoming records are sorted,
    // so each search starts where the previous one ended.
    QList<KTImageMO *> merged;
    merged.reserve(kept.size() + incoming.size());
    auto from = kept.cbegin();
    for (KTStoreObject *object : incoming) {
        auto *image = static_cast<KTImageMO *>(object);
        const auto at =
            std::upper_bound(from, kept.cend(), image, [&](const KTImageMO *a, const KTImageMO *b) {
                return KTSortDescriptor::compareObjects(sorts, a, b) < 0;
            });
        merged.append(QList<KTImageMO *>(from, at));
        merged.append(image);
        from = at;
    }
    merged.append(QList<KTImageMO *>(from, kept.cend()));

    if (additions.isEmpty() && removals.isEmpty() && merged == list.images)
        return false;

    for (KTImageMO *image : removals) {
        list.members.remove(image);
        const auto pathIt = list.paths.constFind(image->path());
        if (pathIt != list.paths.cend() && pathIt.value() == image)
            list.paths.erase(pathIt);
    }
    for (KTImageMO *image : additions) {
        list.members.insert(image);
        list.paths.insert(image->path(), image);
    }
    // A member may have changed its path.
    for (KTImageMO *image : stayingUpdates) {
        if (!removalSet.contains(image))
            list.paths.insert(image->path(), image);
    }
    list.images = std::move(merged);
    QList<KTImageMO *> moved;
    if (moves) {
        for (KTImageMO *image : std::as_const(stayingUpdates)) {
            if (!removalSet.contains(image))
                moved.append(image);
        }
    }
    post(filterID, KTFilteredListChangedInfo::userInfo(additions, removals, moved));
    return true;
}

QStringList KTFilteredImageLists::filterIDs() const
{
    QStringList ids;
    ids.reserve(qsizetype(m_filters.size()));
    for (const auto &[filterID, entry] : m_filters)
        ids.append(filterID);
    return ids;
}

void KTFilteredImageLists::storeList(Entry &entry, QList<KTImageMO *> images)
{
    List list;
    list.members.reserve(images.size());
    list.paths.reserve(images.size());
    for (KTImageMO *image : images) {
        list.members.insert(image);
        const QString path = image->path();
        if (!path.isNull())
            list.paths.insert(path, image);
    }
    list.images = std::move(images);
    entry.list = std::move(list);
}

void KTFilteredImageLists::post(const QString &filterID, const QVariantMap &userInfo)
{
    KTNotificationCenter::defaultCenter().post(filterID, m_sender.data(), userInfo);
}
