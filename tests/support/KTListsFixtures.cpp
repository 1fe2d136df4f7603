#include "KTListsFixtures.h"

#include "KTCatalogModel.h"
#include "KTDispatch.h"
#include "KTFolderMO.h"
#include "KTImageMO.h"
#include "KTObjectContext.h"

QVariantMap makeFilter(const KTPredicate &predicate, const QList<KTSortDescriptor> &sorts,
                       bool applyPredicateAfterFetch)
{
    return {{kFilterPredicateKey, QVariant::fromValue(predicate)},
            {kFilterSortDescriptorsKey, QVariant::fromValue(sorts)},
            {kShouldApplyPredicateAfterFetch, applyPredicateAfterFetch}};
}

std::vector<std::pair<QString, QVariantMap>> reviewModeFilters()
{
    const KTPredicate notRejected = KTKeyPath(kImageRejectedValueKey) != true;
    const KTPredicate grouped = KTPredicate::fromCallback([](const KTStoreObject &object) {
        const auto &image = static_cast<const KTImageMO &>(object);
        return image.group() && image.rejected() != std::optional<bool>(true);
    });
    const KTSortDescriptor byName(kImageNameValueKey);
    return {
        {QStringLiteral("All"), makeFilter(KTPredicate::alwaysTrue(), {byName})},
        {QStringLiteral("Rejected"),
         makeFilter(KTKeyPath(kImageRejectedValueKey) == true,
                    {KTSortDescriptor(kImageResolveDateValueKey, KTSortOrder::Descending), byName}, false)},
        {QStringLiteral("Picked"), makeFilter(KTKeyPath(kImagePickedValueKey) == true, {byName})},
        {QStringLiteral("Grouped"),
         makeFilter(grouped, {KTSortDescriptor(kImageResolveDateValueKey), byName})},
        {QStringLiteral("Timeline"), makeFilter(KTKeyPath(kImageTimeGroupValueKey).isNotNil() && notRejected,
                                                {KTSortDescriptor(kImageTimeStampValueKey), byName})},
    };
}

KTListsSession::KTListsSession()
    : context(KTObjectContext::makeMainContext(KTCatalogModel::sharedModel())),
      handler(std::make_unique<KTCatalogChangeHandler>(&catalogue))
{
    handler->attach(context);
}

KTListsSession::~KTListsSession()
{
    handler.reset();
}

KTFolderMO *KTListsSession::addFolder(const QString &type)
{
    auto *folder = context->insert<KTFolderMO>(kFolderEntityName);
    folder->setType(type);
    folder->setPath(QStringLiteral("/photos/%1").arg(++created));
    return folder;
}

KTImageMO *KTListsSession::addImage(const QString &name, KTFolderMO *folder)
{
    auto *image = context->insert<KTImageMO>(kImageEntityName);
    image->setName(name);
    image->setPath(QStringLiteral("/photos/%1/%2.CR2").arg(++created).arg(name));
    if (folder)
        image->setFolder(folder);
    return image;
}

void KTListsSession::process()
{
    context->processPendingChanges();
}

KTNotificationRecorder::KTNotificationRecorder(const QObject *sender)
    : m_token(KTNotificationCenter::defaultCenter().addObserver(
          QString(), sender, [this](const KTNotification &n) {
              m_allOnMain = m_allOnMain && isMainThread();
              m_posted.push_back(n);
          }))
{}

QStringList KTNotificationRecorder::names() const
{
    QStringList names;
    for (const KTNotification &n : m_posted)
        names.append(n.name);
    return names;
}

int KTNotificationRecorder::count(const QString &name) const
{
    return int(std::count_if(m_posted.begin(), m_posted.end(),
                             [&](const KTNotification &n) { return n.name == name; }));
}

QVariantMap KTNotificationRecorder::userInfo(const QString &name) const
{
    for (auto it = m_posted.rbegin(); it != m_posted.rend(); ++it) {
        if (it->name == name)
            return it->userInfo;
    }
    return {};
}
