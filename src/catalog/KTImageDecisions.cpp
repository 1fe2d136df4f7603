#include "KTImageDecisions.h"

#include "KTAlert.h"
#include "KTCatalogModel.h"
#include "KTDispatch.h"
#include "KTImageGroupMO.h"
#include "KTImageMO.h"
#include "KTNotificationCenter.h"
#include "KTObjectContext.h"
#include "KTPredicate.h"
#include "KTRecordRef.h"

#include <QDateTime>
#include <QFileInfo>
#include <QVariant>

#include <algorithm>

namespace {

bool isRejected(const KTImageMO &image)
{
    return image.rejected().value_or(false);
}

QString folderOfPath(const QString &path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? QString() : path.left(slash);
}

} // namespace

KTImageDecisions::KTImageDecisions(KTObjectContext &mainContext, QObject *sender)
    : m_context(mainContext), m_sender(sender)
{
    Q_ASSERT(isMainThread());
}

void KTImageDecisions::resolveGroups(const QList<KTImageGroupMO *> &groups)
{
    for (KTImageGroupMO *group : groups) {
        // A deleted group keeps its last images as a value: they are not its images any more.
        if (group->isDeleted())
            continue;
        const QDateTime now = QDateTime::currentDateTime();
        for (KTImageMO *image : group->images()) {
            image->setResolveDate(now);
            image->setResolvedGroupID(group->groupID());
            if (!image->picked().value_or(false))
                image->setRejected(true);
        }
        KTNotificationCenter::defaultCenter().post(KTImageGroupResolvedInfo::name(), m_sender,
                                                   KTImageGroupResolvedInfo::userInfo(group));
        m_context.deleteObject(group);
    }
    m_context.processPendingChanges();
}

void KTImageDecisions::deleteGroups(const QList<KTImageGroupMO *> &groups)
{
    for (KTImageGroupMO *group : groups) {
        if (group->isDeleted())
            continue;
        const QDateTime now = QDateTime::currentDateTime();
        for (KTImageMO *image : group->images()) {
            image->setRejected(true);
            image->setResolveDate(now);
            image->setResolvedGroupID(group->groupID());
        }
        m_context.deleteObject(group);
    }
    m_context.processPendingChanges();
}

void KTImageDecisions::moveImagesToTrash(const QList<KTImageMO *> &images)
{
    QSet<KTImageGroupMO *> groups;
    bool changed = false;
    for (KTImageMO *image : images) {
        if (isRejected(*image))
            continue;
        if (KTImageGroupMO *group = image->group())
            groups.insert(group);
        image->setRejected(true);
        image->setResolveDate(QDateTime::currentDateTime());
        changed = true;
    }
    if (!groups.isEmpty())
        validateUpdatedGroups(groups);
    if (changed)
        m_context.processPendingChanges();
}

void KTImageDecisions::moveImagesLocatedInSameFolderToTrashWithImage(KTImageMO *image,
                                                                     const QList<KTImageMO *> &imagesList)
{
    const QString folder = folderOfPath(image->path());
    QList<KTImageMO *> inFolder;
    for (KTImageMO *candidate : imagesList)
        if (folderOfPath(candidate->path()) == folder)
            inFolder.append(candidate);

    // The folder is named as the image's path less its extension and then its last component.
    const QString path = image->path();
    const QString suffix = QFileInfo(path).suffix();
    const QString shownFolder =
        folderOfPath(suffix.isEmpty() ? path : path.left(path.size() - suffix.size() - 1));
    KTAlert alert;
    const int count = int(inFolder.size());
    alert.messageText = (count == 1 ? tr("1 photo in \"%1\" will be rejected.")
                                    : tr("%n photos in \"%1\" will be rejected.", nullptr, count))
                            .arg(shownFolder);
    alert.informativeText = tr("Are you sure?");
    alert.buttons = {QStringLiteral("Yes"), QStringLiteral("No")};
    alert.buttonCodes = KTAlert::ButtonCodes::Classic;
    // The question's event loop runs on: the records are held through handles across it.
    const KTRecordList<KTImageMO> held(inFolder);
    if (KTAlertPresenter::shared().runModal(alert).returnCode != KTAlert::kDefaultReturn)
        return;
    moveImagesToTrash(held.records());
}

void KTImageDecisions::deleteImagesFromDB(const QList<KTImageMO *> &images)
{
    if (images.isEmpty())
        return;
    deleteTrashedImages(images);
}

void KTImageDecisions::deleteTrashedImages(const QList<KTImageMO *> &images)
{
    QSet<KTImageGroupMO *> groups;
    for (KTImageMO *image : images) {
        if (image->isDeleted())
            continue;
        if (KTImageGroupMO *group = image->group())
            groups.insert(group);
        m_context.deleteObject(image);
    }
    m_context.processPendingChanges();
    if (!groups.isEmpty())
        validateUpdatedGroups(groups);
}

void KTImageDecisions::deleteImagesFromGroups(const QList<KTImageMO *> &images)
{
    QSet<KTImageGroupMO *> groups;
    for (KTImageMO *image : images) {
        if (image->isDeleted())
            continue;
        if (KTImageGroupMO *group = image->group())
            groups.insert(group);
        image->setGroup(nullptr);
        image->setResolveDate(QDateTime::currentDateTime());
    }
    if (!groups.isEmpty())
        validateUpdatedGroups(groups);
}

void KTImageDecisions::validateUpdatedGroups(const QSet<KTImageGroupMO *> &groups)
{
    // Walked in a fixed order, so the resolution notifications do not depend on hashing.
    QList<KTImageGroupMO *> ordered(groups.begin(), groups.end());
    std::sort(ordered.begin(), ordered.end(),
              [](const KTImageGroupMO *a, const KTImageGroupMO *b) { return a->objectID() < b->objectID(); });
    QList<KTImageGroupMO *> settled;
    QList<KTImageGroupMO *> single;
    for (KTImageGroupMO *group : ordered) {
        if (group->isDeleted())
            continue;
        const QList<KTImageMO *> images = group->images();
        if (std::none_of(images.begin(), images.end(),
                         [](const KTImageMO *image) { return !isRejected(*image); }))
            settled.append(group);
        else if (images.size() < 2)
            single.append(group);
    }
    resolveGroups(settled);
    dissolveGroups(single);
}

void KTImageDecisions::dissolveGroups(const QList<KTImageGroupMO *> &groups)
{
    if (groups.isEmpty())
        return;
    // Nothing was decided about the image left behind: it only stops being a "group" of one.
    for (KTImageGroupMO *group : groups) {
        for (KTImageMO *image : group->images())
            image->setGroup(nullptr);
        m_context.deleteObject(group);
    }
    m_context.processPendingChanges();
}

void KTImageDecisions::regroupUndecidedImages(const QList<KTImageMO *> &images)
{
    for (KTImageMO *image : images) {
        if (image->isDeleted() || image->group() || isRejected(*image) || image->picked().value_or(false))
            continue;
        const QString groupID = image->resolvedGroupID();
        if (groupID.isEmpty())
            continue;
        const KTPredicate sameGroupID = KTKeyPath(kImageGroupIDValueKey) == groupID;
        const QList<KTImageGroupMO *> live =
            m_context.fetchAs<KTImageGroupMO>({kImageGroupEntityName, sameGroupID, {}});
        QList<KTImageMO *> members{image};
        if (live.isEmpty()) {
            members = m_context.fetchAs<KTImageMO>({kImageEntityName,
                                                    KTKeyPath(kImageResolvedGroupIDValueKey) == groupID &&
                                                        KTKeyPath(kImageGroupValueKey).isNil(),
                                                    {}});
        }
        for (KTImageMO *member : std::as_const(members))
            member->setResolvedGroupID({});
        // Its companions are gone (trashed, or regrouped by a later search): no group of one.
        if (live.isEmpty() && members.size() < 2)
            continue;
        KTImageGroupMO *group = live.isEmpty() ? nullptr : live.first();
        if (!group) {
            group = m_context.insert<KTImageGroupMO>(kImageGroupEntityName);
            group->setGroupID(groupID);
        }
        group->addImages(members);
    }
}
