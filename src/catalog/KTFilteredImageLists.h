#pragma once

#include "KTPredicate.h"
#include "KTSortDescriptor.h"

#include <QHash>
#include <QList>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <limits>
#include <map>
#include <memory>
#include <optional>

class KTImageMO;
class KTObjectContext;

// Keys of a filter dictionary. "FilterPredicate" holds a KTPredicate, "FilterSortDescriptor" a
// QList<KTSortDescriptor>, "ShouldApplePredicateAfterFetch" a bool: when true the fetch takes
// every image in the list's order and the predicate runs in memory on the fetched records (so
// callback predicates work); otherwise the predicate goes into the fetch itself.
inline const QString kFilterPredicateKey = QStringLiteral("FilterPredicate");
inline const QString kFilterSortDescriptorsKey = QStringLiteral("FilterSortDescriptor");
inline const QString kShouldApplyPredicateAfterFetch = QStringLiteral("ShouldApplePredicateAfterFetch");

/// What countForImagesFilteredByFilterWithID() answers when the count cannot be made.
inline constexpr quint64 kFilteredCountNotFound = quint64(std::numeric_limits<qint64>::max());

/// The filtered, sorted image lists of the review modes. Each mode registers a filter under an
/// identifier of its own; the list is fetched once and from then on kept current by merging
/// every change of the main context into it, and each change of a list posts a notification on
/// KTNotificationCenter::defaultCenter() named by the identifier, with the sender as object: a
/// merge's says what it changed (KTFilteredListChangedInfo), a list fetched anew's has no userInfo.
///
/// A merge gives exactly the list a fresh fetch would give: records are ordered by the filter's
/// sort descriptors with KTSortDescriptor::compareObjects (ties broken by object id), and a
/// record whose sort values changed is found by identity and moved to its new place. A list that
/// a change leaves as it was posts nothing. Records are also matched by path: a record whose path
/// another record of the list holds is not taken in (logged as an inconsistency for an update).
///
/// Threading: main thread only; every record is a main-context record.
class KTFilteredImageLists
{
public:
    /// `sender` is the object of the posted notifications (the catalogue).
    explicit KTFilteredImageLists(QObject *sender);
    ~KTFilteredImageLists();
    KTFilteredImageLists(const KTFilteredImageLists &) = delete;
    KTFilteredImageLists &operator=(const KTFilteredImageLists &) = delete;

    /// The context the lists are fetched from; without one every fetch fails (lists stay nil).
    void setContext(std::weak_ptr<KTObjectContext> context);

    /// Registers `filter` under `filterID` (both required), replacing one registered there with
    /// the warning "Warning: Filter with id: %@ already setted.", then fetches the list and posts.
    void setFilter(const QVariantMap &filter, const QString &filterID);
    /// The registered filter dictionary, or nothing.
    std::optional<QVariantMap> filterForID(const QString &filterID) const;
    /// Forgets the filter and its list; posts nothing.
    void removeFilterWithID(const QString &filterID);
    /// Fetches the list anew and posts the identifier's notification.
    void cleanFilteredImagesForFilterWithID(const QString &filterID);
    /// The current list, fetched first when there is none (empty when the fetch fails).
    QList<KTImageMO *> imagesFilteredByFilterWithID(const QString &filterID);
    /// Stores a fresh fetch as the list (a failed fetch leaves none). Posts nothing.
    void reloadImagesFilteredByFilterWithID(const QString &filterID);
    /// A fresh fetch of the filter's records in its order; nothing when it fails (logged).
    std::optional<QList<KTImageMO *>> obtainImagesFilteredByFilterWithID(const QString &filterID);
    /// The size of the list kept current, or nothing when there is none (not fetched yet, or the
    /// fetch failed). Costs no fetch.
    std::optional<qsizetype> keptCountForFilterWithID(const QString &filterID) const;
    /// A count of the records the filter's predicate selects, evaluated in the fetch whatever
    /// the filter says about applying it afterwards. kFilteredCountNotFound when it fails (logged).
    quint64 countForImagesFilteredByFilterWithID(const QString &filterID);

    /// Merges one change of the context into every list, in identifier order.
    void validateFilteredImages(const QList<KTImageMO *> &added, const QList<KTImageMO *> &deleted,
                                const QList<KTImageMO *> &updated);
    /// Merges one change into one list and posts its notification when the list changed.
    /// Returns whether it changed. A list not fetched yet is left to its first read.
    bool validateImagesFilteredByFilterWithID(const QString &filterID, const QList<KTImageMO *> &added,
                                              const QList<KTImageMO *> &deleted,
                                              const QList<KTImageMO *> &updated);

    /// The registered identifiers, in merge order.
    QStringList filterIDs() const;

private:
    struct List
    {
        QList<KTImageMO *> images;
        QSet<const KTImageMO *> members;
        // Path of each member as it was when the record last joined or moved; checked against
        // the record's current path before use.
        QHash<QString, const KTImageMO *> paths;
    };
    struct Entry
    {
        QVariantMap filter;
        std::optional<KTPredicate> predicate;
        QList<KTSortDescriptor> sortDescriptors;
        bool applyPredicateAfterFetch = false;
        std::optional<List> list;
    };

    void storeList(Entry &entry, QList<KTImageMO *> images);
    void post(const QString &filterID, const QVariantMap &userInfo = {});

    QPointer<QObject> m_sender;
    std::weak_ptr<KTObjectContext> m_context;
    std::map<QString, Entry> m_filters;
};
