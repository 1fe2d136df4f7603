#pragma once

#include <QList>
#include <QString>

#include <functional>
#include <memory>

class KTImageMO;

/// The status flows between the session's records and their external catalogues (Lightroom
/// catalogues, iPhoto and Aperture libraries), as the session catalogue sees them. The catalogue
/// sits below the layer that reads and writes those catalogues, so that layer implements this
/// interface and installs it at start-up (the application's main); until then the catalogue's
/// forwarders have nothing to call and report so.
///
/// Threading: main thread only. The write pass and the import return at once: the catalogues are
/// read and written off the main thread, then the records are updated on the main thread in one
/// step, with the context's undo registration off, and the completion runs right after it. A
/// completion always runs, later, on the main thread, never inside the call. Records deleted
/// while the catalogues were worked on are left out of the update.
class KTExternalStatusSync
{
public:
    /// Whether the flow succeeded (see each flow).
    using Completion = std::function<void(bool succeeded)>;

    virtual ~KTExternalStatusSync() = default;

    /// The write pass: the session's decisions marked in the records' sync bits go to their
    /// catalogues. Succeeds when the pass ran and every write committed; fails for an empty list,
    /// a catalogue whose application runs, or any write that failed or was refused (the bits of
    /// the records that were not written stay set for the next pass, as do the bits of decisions
    /// changed while the pass ran).
    virtual void syncImagesStatuses(const QList<KTImageMO *> &images, Completion completion) = 0;
    /// The import: the catalogues' decisions replace the session's. Fails when a catalogue could
    /// not be read; then no record was changed.
    virtual void importImagesStatuses(const QList<KTImageMO *> &images, Completion completion) = 0;
    /// Marks both decisions of every record for the next write pass; touches no catalogue.
    virtual void overwriteImagesStatusesFromHalvard(const QList<KTImageMO *> &images) = 0;

    /// The catalogue kind of the record's source: 0 none, 1 Lightroom 4, 2 Lightroom 5, 3 iPhoto,
    /// 4 Aperture.
    virtual int externalCatalogTypeFromImageMO(const KTImageMO *image) const = 0;
    /// True while the record's catalogue must not be written (its application runs).
    virtual bool isExternalAppRunningForImage(const KTImageMO *image) const = 0;
    /// The name of the application of the record's catalogue kind while it runs; empty otherwise.
    virtual QString runningExternalAppNameForImage(const KTImageMO *image) const = 0;

    /// Installs the process's implementation (null removes it) and returns the previous one.
    static std::shared_ptr<KTExternalStatusSync> install(std::shared_ptr<KTExternalStatusSync> sync);
    /// The installed implementation, or null.
    static std::shared_ptr<KTExternalStatusSync> installed();
};
