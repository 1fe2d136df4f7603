#pragma once

#include "KTCatalogChangeHandler.h"
#include "KTNotificationCenter.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QVariantMap>

#include <memory>
#include <utility>
#include <vector>

class KTFolderMO;
class KTImageMO;
class KTObjectContext;

/// A filter dictionary as the review modes register them.
QVariantMap makeFilter(const KTPredicate &predicate, const QList<KTSortDescriptor> &sorts,
                       bool applyPredicateAfterFetch = true);

/// Five filters like those of the review modes: every image by name, the rejects (a predicate
/// the store evaluates), the picks, the grouped images (a callback predicate) by resolve date,
/// and the time-grouped images.
std::vector<std::pair<QString, QVariantMap>> reviewModeFilters();

/// A main context of the catalogue model observed by a KTCatalogChangeHandler whose
/// notifications come from `catalogue`.
struct KTListsSession
{
    KTListsSession();
    ~KTListsSession();

    KTFolderMO *addFolder(const QString &type = QStringLiteral("fileSystem"));
    /// An image named `name` with the unique path "/photos/<n>/<name>.CR2".
    KTImageMO *addImage(const QString &name, KTFolderMO *folder = nullptr);
    void process();
    KTFilteredImageLists &lists() { return handler->filteredLists(); }

    QObject catalogue;
    std::shared_ptr<KTObjectContext> context;
    std::unique_ptr<KTCatalogChangeHandler> handler;
    int created = 0;
};

/// Records the notifications `sender` posts while it lives (names in order, with userInfo).
class KTNotificationRecorder
{
public:
    explicit KTNotificationRecorder(const QObject *sender);

    QStringList names() const;
    int count(const QString &name) const;
    /// The userInfo of the last notification of that name (empty when none).
    QVariantMap userInfo(const QString &name) const;
    /// Whether every notification was delivered on the main thread.
    bool allOnMainThread() const { return m_allOnMain; }
    void clear() { m_posted.clear(); }

private:
    std::vector<KTNotification> m_posted;
    bool m_allOnMain = true;
    KTObserverToken m_token;
};
