#pragma once

#include "KTExternalCatalogTypes.h"
#include "KTExternalStatusSync.h"

#include <QList>
#include <QSet>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

class KTExternalImagesManager;
class KTImageMO;
class KTSerialQueue;

/// The status flows between the session's image records and their external catalogues: the
/// write pass (the session wins for the decisions marked in the sync bits), the import (the
/// catalogue wins), the change check (which records differ, and which the catalogue no longer
/// holds), the overwrite (mark every decision for the next write pass) and the catalogue half
/// of the trash hand-off. It copies the records' fields into KTExternalImage values, lets
/// KTExternalImagesManager do the database work, and applies the results to the same records.
///
/// A flow whose catalogue could not be read changes nothing: the change check deletes no record
/// and the import clears no decision. Sync bits change only for catalogues whose write committed.
///
/// Seam: `moveImagesToTrash` is the session catalogue's reject of records (it sets `rejected` and
/// the resolve date unless the record is rejected already), which the import uses for records
/// the catalogue rejects (KTExternalStatusHooks connects it).
///
/// Threading: main thread only; records of the main context. The write pass, the import and the
/// change check return at once: the records' fields are copied on the main thread, the database
/// work runs on the flows' serial queue (so two flows never work on the catalogues at once, and a
/// locked catalogue is waited for there, never on the main thread), and the result is applied to
/// the records on the main thread in one step, then the completion runs. A completion always
/// runs, on a later turn of the main event loop, unless the flows were destroyed meanwhile.
/// Records deleted while the queue worked are left out. The trash hand-off and the mark/unmark
/// writes stay synchronous: the trash asks for them in the middle of its own work.
class KTExternalStatusFlows : public KTExternalStatusSync
{
public:
    using MoveImagesToTrash = std::function<void(const QList<KTImageMO *> &images)>;

    /// Result of the change check: the records whose decisions differ from their catalogue. When
    /// the outcome did not succeed, nothing is known and nothing was deleted.
    struct ChangeCheck
    {
        KTCatalogOutcome outcome;
        QList<KTImageMO *> changedImages;
    };
    using OutcomeCompletion = std::function<void(const KTCatalogOutcome &outcome)>;
    using ChangeCheckCompletion = std::function<void(const ChangeCheck &check)>;

    /// Works through `manager`, which must outlive the flows. Destroying the flows waits for the
    /// database work already queued.
    explicit KTExternalStatusFlows(const KTExternalImagesManager &manager);
    ~KTExternalStatusFlows() override;

    void setMoveImagesToTrash(MoveImagesToTrash moveImagesToTrash)
    {
        m_moveImagesToTrash = std::move(moveImagesToTrash);
    }

    /// The record's fields as the catalogue layer reads them.
    static KTExternalImage externalImageFromImageMO(const KTImageMO &image);

    // --- KTExternalStatusSync ---

    /// The write pass. A list without marked records opens no catalogue and succeeds; an empty
    /// list fails.
    void syncImagesStatuses(const QList<KTImageMO *> &images, Completion completion) override;
    /// Lightroom import for a list with any Lightroom record, else the iPhoto/Aperture import.
    void importImagesStatuses(const QList<KTImageMO *> &images, Completion completion) override;
    void overwriteImagesStatusesFromHalvard(const QList<KTImageMO *> &images) override;
    int externalCatalogTypeFromImageMO(const KTImageMO *image) const override;
    bool isExternalAppRunningForImage(const KTImageMO *image) const override;
    QString runningExternalAppNameForImage(const KTImageMO *image) const override;

    /// The write pass with its outcome: Done when every write committed. A record's bit is
    /// cleared only when its write committed and its decision did not change while the pass ran.
    void syncImagesStatusesWithOutcome(const QList<KTImageMO *> &images, OutcomeCompletion completion);

    /// The catalogue wins for the records whose decisions differ (the Lightroom import table);
    /// what it changed then goes through the write pass so that the catalogue's collections and
    /// flags agree, and the completion runs after that pass. A catalogue that cannot be read
    /// changes nothing.
    void importLightroomImagesStatuses(const QList<KTImageMO *> &images, OutcomeCompletion completion);
    /// Every record takes its library's flag and trash mark. A library that cannot be read
    /// changes nothing.
    void importIPhotoOrAppertureImageStatuses(const QList<KTImageMO *> &images, OutcomeCompletion completion);

    /// The change check over the Lightroom records of the list when it has any, otherwise over
    /// the whole list. Records that the catalogue no longer holds are deleted from their context.
    void imagesUpdatedInExternalCatalogFromImages(const QList<KTImageMO *> &images,
                                                  ChangeCheckCompletion completion);
    /// The Lightroom records only; opens the catalogues for writing (a running Lightroom gives
    /// ApplicationRunning and deletes nothing).
    void imagesUpdatedInLightroomFromImages(const QList<KTImageMO *> &images,
                                            ChangeCheckCompletion completion);
    void imagesUpdatedInIPhotoOrApperture(const QList<KTImageMO *> &images, ChangeCheckCompletion completion);

    /// The catalogue half of the trash hand-off: rejects the records in their catalogues, one
    /// write per catalogue, and returns those whose reject was not committed (catalogue busy,
    /// locked or broken, or the record has no catalogue to write to). Their records must stay in
    /// the session: dropping them would lose the decision.
    QSet<KTImageMO *> rejectImagesOrReturnImagesWhichCouldNotBeRejected(const QList<KTImageMO *> &images);

    /// Write one kind of decision of the records to their catalogues; the records' bits follow
    /// the catalogues that committed.
    KTCatalogOutcome markImagesAsRejected(const QList<KTImageMO *> &images);
    KTCatalogOutcome unmarkImagesAsRejected(const QList<KTImageMO *> &images);
    KTCatalogOutcome markImagesAsPicked(const QList<KTImageMO *> &images);
    KTCatalogOutcome unmarkImagesAsPicked(const QList<KTImageMO *> &images);
    /// `bit` 16 or 32 (anything else, or an empty list, does nothing); `flagged` sets the
    /// decision, otherwise clears it.
    KTCatalogOutcome setSyncFlag(quint64 bit, const QList<KTImageMO *> &images, bool flagged);

    /// The records whose source type contains "Lightroom", in order.
    static QList<KTImageMO *> lightroomImagesInArray(const QList<KTImageMO *> &images);

    /// True from the start of a write pass, import or change check until its completion has run
    /// (and so while the flows a completion starts run).
    bool hasPendingWork() const { return *m_pendingFlows > 0; }

private:
    struct Snapshot;
    using ImportCompletion =
        std::function<void(const KTCatalogOutcome &outcome, const QList<KTImageMO *> &changed)>;

    void checkForChanges(const QList<KTImageMO *> &images, ChangeCheckCompletion completion);
    /// Stores the bits of a write pass into the records still alive, with undo registration off.
    static void applyWritePass(const Snapshot &snapshot, const KTCatalogWriteResult &result);
    /// Reads the catalogues' decisions and applies them, handing the records it changed to
    /// `completion`; changes nothing unless the read succeeded.
    void importStatuses(const QList<KTImageMO *> &images, ImportCompletion completion);
    /// Runs the manager's `work` over the values on the queue, then `apply` with its result on the
    /// main thread while the flows live.
    template <typename Result>
    void run(const std::vector<KTExternalImage> &values,
             Result (KTExternalImagesManager::*work)(const std::vector<KTExternalImage> &) const,
             std::function<void(const Result &)> apply);

    const KTExternalImagesManager &m_manager;
    MoveImagesToTrash m_moveImagesToTrash;
    // Jobs hold it weakly: a result that arrives after the flows are gone is dropped.
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
    std::shared_ptr<int> m_pendingFlows = std::make_shared<int>(0);
    std::unique_ptr<KTSerialQueue> m_queue;
};
