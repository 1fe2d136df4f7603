#include "KTScreenSession.h"

#include "KTBurstFixture.h"
#include "KTImageGroupMO.h"
#include "KTImageMO.h"
#include "KTImageStorage.h"
#include "KTSessionImport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace {

struct FolderPlan
{
    const char *name;
    unsigned seed;
    int scenes;
    int singles;
};

} // namespace

std::unique_ptr<KTScreenSession> KTScreenSession::build(const QString &folder, QString *error)
{
    const auto fail = [&](const QString &message) {
        if (error)
            *error = message;
        return nullptr;
    };
    auto session = std::unique_ptr<KTScreenSession>(new KTScreenSession);
    const FolderPlan plans[] = {{"Harbour", 11, 3, 3}, {"Market", 23, 2, 4}, {"Hills", 37, 3, 2}};
    for (const FolderPlan &plan : plans) {
        KTBurstFixtureOptions options;
        options.width = 360;
        options.height = 240;
        options.scenes = plan.scenes;
        options.singles = plan.singles;
        options.lookAlikes = 1;
        options.sameSpots = 0;
        options.seed = plan.seed;
        const QString path = QDir(folder).filePath(QString::fromLatin1(plan.name));
        const std::vector<QString> written = writeBurstFixture(makeBurstFixture(options), path);
        if (std::any_of(written.begin(), written.end(), [](const QString &p) { return p.isEmpty(); }))
            return fail(QStringLiteral("could not write the photos of ") + path);
        session->m_folders.append(QFileInfo(path).absoluteFilePath());
    }

    KTImageStorage *storage = KTImageStorage::sharedStorage();
    if (!storage || !storage->managedObjectContext())
        return fail(QStringLiteral("the catalogue did not open"));
    session->m_storage = storage;
    QString importError;
    if (!importFolders(*storage, session->m_folders, 300, &importError))
        return fail(importError);

    // Cull a little, as a photographer halfway through would have.
    QList<KTImageMO *> rejects;
    for (KTImageGroupMO *group : storage->groups()) {
        QList<KTImageMO *> members = group->images();
        std::sort(members.begin(), members.end(),
                  [](KTImageMO *a, KTImageMO *b) { return a->path() < b->path(); });
        if (members.size() < 2)
            continue;
        members.first()->setPicked(true);
        rejects.append(members.last());
    }
    for (const QString &source : session->m_folders) {
        for (KTImageMO *image : storage->images()) {
            if (!image->group() && QFileInfo(image->path()).path() == source) {
                rejects.append(image);
                break;
            }
        }
    }
    storage->moveImagesToTrash(rejects);
    KTError saveError;
    if (!storage->saveChangesOrReturnError(&saveError))
        return fail(QStringLiteral("saving the culled session failed"));
    QCoreApplication::processEvents();
    return session;
}

QList<KTImageMO *> KTScreenSession::images() const
{
    return m_storage->images();
}

QList<KTImageMO *> KTScreenSession::picked() const
{
    QList<KTImageMO *> result;
    for (KTImageMO *image : images()) {
        if (image->picked().value_or(false))
            result.append(image);
    }
    return result;
}

QList<KTImageMO *> KTScreenSession::rejected() const
{
    QList<KTImageMO *> result;
    for (KTImageMO *image : images()) {
        if (image->rejected().value_or(false))
            result.append(image);
    }
    return result;
}

QString KTScreenSession::summary() const
{
    return QStringLiteral(
               "%1 images in %2 folders, %3 similar groups, %4 time groups, %5 picked, %6 rejected")
        .arg(images().size())
        .arg(m_folders.size())
        .arg(m_storage->groups().size())
        .arg(m_storage->timeGroups().size())
        .arg(picked().size())
        .arg(rejected().size());
}
