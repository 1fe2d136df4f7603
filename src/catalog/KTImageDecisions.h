#pragma once

#include "KTCatalogNotifications.h"

#include <QCoreApplication>
#include <QList>
#include <QSet>
#include <QString>

class KTImageGroupMO;
class KTImageMO;
class KTObjectContext;
class QObject;

/// The culling decisions on records of the main context: rejecting images, resolving and
/// deleting similar groups, taking images out of their groups, and removing records. A group is
/// settled when none of its images is unrejected; every change of rejection or membership
/// resolves the groups it settled and dissolves those left with one image. The images of a
/// group a decision ended remember it, so that restoring one of them brings the group back. The changes are
/// ordinary main-context edits, so the undo manager records them; the caller clears the undo stack where
/// records were removed for good.
///
/// Threading: main thread only; every call finishes its work (change notifications included)
/// before it returns.
class KTImageDecisions
{
    Q_DECLARE_TR_FUNCTIONS(KTImageDecisions)

public:
    /// `sender` is the object of the resolution notifications.
    KTImageDecisions(KTObjectContext &mainContext, QObject *sender);

    /// Rejects every image of each group that is not picked (dates all of them), posts
    /// "ImageGroupHasBeenResolved" and deletes the group.
    void resolveGroups(const QList<KTImageGroupMO *> &groups);
    /// Rejects every image of each group, picked ones too, and deletes the group; no notification.
    void deleteGroups(const QList<KTImageGroupMO *> &groups);
    /// Rejects the images not rejected yet (files and records stay) and resolves the groups that
    /// became settled.
    void moveImagesToTrash(const QList<KTImageMO *> &images);
    /// Asks whether to reject the images of `imagesList` that lie in the folder of `image` (an
    /// exact string match of the folder, so subfolders are not included) and rejects them on "Yes".
    void moveImagesLocatedInSameFolderToTrashWithImage(KTImageMO *image,
                                                       const QList<KTImageMO *> &imagesList);
    /// Deletes the records (files stay) and resolves the groups that became settled.
    void deleteImagesFromDB(const QList<KTImageMO *> &images);
    /// Takes each image out of its group; a group is resolved only when it became settled.
    void deleteImagesFromGroups(const QList<KTImageMO *> &images);
    /// Deletes the records of trashed images and resolves the groups that became settled.
    void deleteTrashedImages(const QList<KTImageMO *> &images);
    /// Resolves the settled groups among `groups` and dissolves those left with a single
    /// unrejected image (it leaves the group, keeping its decisions).
    void validateUpdatedGroups(const QSet<KTImageGroupMO *> &groups);
    /// Brings back into their similar group the images among `images` that are undecided again
    /// (restored or unpicked) after a decision ended that group: the group is made again, under
    /// its old identifier, with every image it held that has no group now, whatever their
    /// decisions. Does not process the pending changes.
    void regroupUndecidedImages(const QList<KTImageMO *> &images);

private:
    void dissolveGroups(const QList<KTImageGroupMO *> &groups);

    KTObjectContext &m_context;
    QObject *m_sender;
};
