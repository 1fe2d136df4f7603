#include "KTCatalogWriteBack.h"

#include "KTAlert.h"
#include "KTError.h"
#include "KTExternalImagesManager.h"
#include "KTImageMO.h"
#include "KTImageStorage.h"
#include "KTProgressWindowController.h"
#include "KTRecordRef.h"

#include <QCoreApplication>
#include <QDebug>
#include <QPointer>
#include <QThread>

#include <optional>

namespace {

// A refusal that is not an error carries no message of its own.
QString failureReason(const KTCatalogOutcome &outcome)
{
    if (!outcome.errorMessage.isEmpty())
        return outcome.errorMessage;
    switch (outcome.status) {
    case KTCatalogStatus::ApplicationRunning:
        return QStringLiteral("its application is running");
    case KTCatalogStatus::Busy:
        return QStringLiteral("it is locked by another program");
    case KTCatalogStatus::Done:
    case KTCatalogStatus::Failed:
        break;
    }
    return QStringLiteral("no reason given");
}

std::shared_ptr<KTExternalStatusFlows> installedFlows()
{
    return std::dynamic_pointer_cast<KTExternalStatusFlows>(KTExternalStatusSync::installed());
}

} // namespace

KTCatalogWriteBack::KTCatalogWriteBack(KTImageStorage *storage, QObject *parent)
    : QObject(parent), m_storage(storage)
{
    Q_ASSERT(storage);
}

KTCatalogWriteBack::~KTCatalogWriteBack() = default;

// ---- The check ----

void KTCatalogWriteBack::checkExternalImagesForUpdatesAndShowAlert(const std::function<void()> &done)
{
    const std::shared_ptr<KTExternalStatusFlows> flows = installedFlows();
    if (!flows) {
        qWarning() << "Warning: no external catalogue flows are installed; the catalogue is not checked";
        if (done)
            done();
        return;
    }
    // The question depends on whether the session is new as the check begins: a load's end
    // clears the flag right after starting it.
    const bool newSession = m_storage->newSession();
    const QPointer<KTCatalogWriteBack> self(this);
    flows->imagesUpdatedInExternalCatalogFromImages(
        m_storage->imagesFromExternalSources(),
        [self, newSession, done](const KTExternalStatusFlows::ChangeCheck &check) {
            if (self)
                self->externalImagesCheckDidEnd(check, newSession, done);
            else if (done)
                done();
        });
}

void KTCatalogWriteBack::externalImagesCheckDidEnd(const KTExternalStatusFlows::ChangeCheck &check,
                                                   bool newSession, const std::function<void()> &done)
{
    const auto finished = [done](bool) {
        if (done)
            done();
    };
    // Nothing is known of a catalogue that could not be read: neither import nor ask.
    if (!check.outcome.succeeded()) {
        qWarning().noquote() << "Warning: the external catalogue could not be checked:"
                             << failureReason(check.outcome);
        finished(false);
        return;
    }
    // Kept through the question below: its event loop may see the records deleted or freed.
    const KTRecordList<KTImageMO> updated(check.changedImages);
    if (updated.isEmpty()) {
        // The change check may have dropped records the catalogue no longer holds.
        m_storage->importImagesStatuses(m_storage->imagesFromExternalSources(), finished);
        return;
    }

    const KTExternalImagesManager &manager = KTExternalImagesManager::sharedManager();
    const int type = m_storage->externalCatalogType();
    KTAlert alert;
    if (newSession && (type == 1 || type == 2)) {
        alert = KTAlert::withButtons(
            tr("We found images in your collections: %1 and %2. These are the images from your previous "
               "session and it is highly recommended to move them to a different place. Would you like "
               "Vireoscope to clean up those collections now, or launch a session with those images "
               "included.")
                .arg(manager.selectedCollectionName(), manager.rejectedCollectionName()),
            {}, {tr("Launch Session"), tr("Clean Up Now")});
    } else if (newSession) {
        // Used as it stands, not translated.
        alert = KTAlert::withButtons(
            QStringLiteral(
                "You have flagged and trashed images in your catalog. Vireoscope can move "
                "\"Flagged\" images to Picks View, and \"Trashed\" images to Rejects View. "
                "Alternatively Vireoscope can ignore your catalog flags and import these and other "
                "images together. What would you like to do?"),
            {}, {tr("Move to Picks & Rejects"), tr("Ignore Flags & Import All")});
    } else {
        const bool lightroom = type == 1 || type == 2;
        const QString appName =
            KTExternalImagesManager::appNameFromExternalCatalogType(KTExternalCatalogType(type));
        const QString message = tr("It looks like you've made changes in your %1 %2.")
                                    .arg(appName, lightroom ? tr("catalog") : tr("library"));
        alert = KTAlert::withButtons(tr(message.toUtf8().constData()),
                                     tr("Do you want to sync these changes with Vireoscope?"),
                                     {tr("Yes, Sync"), tr("No, Don't Sync")});
    }
    if (alert.run() == KTAlert::kFirstButtonReturn) {
        m_storage->importImagesStatuses(updated.records(), finished);
    } else {
        m_storage->overwriteImagesStatusesFromHalvard(updated.records());
        finished(true);
    }
}

// ---- Saving ----

bool KTCatalogWriteBack::saveChangesOrReturnError(KTError *error)
{
    const bool saved = m_storage->saveChangesOrReturnError(error);
    if (m_storage->hasExternalSources())
        writeBackImagesStatuses(Asking::WhileTheApplicationRuns, [] {});
    return saved;
}

void KTCatalogWriteBack::writeBackImagesStatuses(Asking asking, const std::function<void()> &done)
{
    // The catalogue is written off the main thread; the sheet shows that the quit or the new
    // session waits for it.
    KTProgressWindowController &sheet = KTProgressWindowController::sharedController();
    const bool showsSheet = sheet.presentingWindow() != nullptr;
    if (showsSheet)
        sheet.beginProgressSheetWithTitle(QStringLiteral("Writing Picks and Rejects"));
    const QPointer<KTCatalogWriteBack> self(this);
    m_storage->syncImagesStatuses(m_storage->images(), false, [self, asking, done, showsSheet](bool written) {
        if (showsSheet)
            KTProgressWindowController::sharedController().stopProgressSheet();
        if (!self)
            return;
        // The write pass clears the sync bits of what it wrote. Unsaved, the bits of the first
        // save would come back at the next launch and write stale decisions over the catalogue.
        KTError error;
        if (!self->m_storage->saveChangesOrReturnError(&error))
            qWarning().noquote() << "Warning: the session could not be saved after the write-back:"
                                 << error.localizedDescription;
        if (!written) {
            const QString appName = KTExternalImagesManager::appNameFromExternalCatalogType(
                KTExternalCatalogType(self->m_storage->externalCatalogType()));
            const QString message = tr("Your picks and rejects could not be written to %1.").arg(appName);
            if (asking == Asking::Never)
                qWarning().noquote() << "Warning:" << message;
            else
                KTAlert::withButtons(message, tr("They are kept in this session."), {tr("OK")}).run();
        }
        done();
    });
}

void KTCatalogWriteBack::saveChangesAndContinue(const ContinueAction &then, Asking asking)
{
    KTError error;
    if (!m_storage->saveChangesOrReturnError(&error))
        qWarning().noquote() << "Warning: the session could not be saved:" << error.localizedDescription;
    if (!m_storage->hasExternalSources() || !m_storage->hasStatusChanges()) {
        then(true);
        return;
    }
    writeBackWhenTheCatalogueIsFree(then, asking);
}

void KTCatalogWriteBack::writeBackWhenTheCatalogueIsFree(const ContinueAction &then, Asking asking)
{
    for (;;) {
        if (!m_storage->isExternalAppRunning()) {
            writeBackImagesStatuses(asking, [then] { then(true); });
            return;
        }
        if (asking == Asking::Never) {
            // The decisions keep their sync bits in the saved session: the next write-back
            // carries them over.
            qWarning().noquote() << "Warning: the picks and rejects are not written back while"
                                 << m_storage->runningExternalAppName() << "runs";
            then(true);
            return;
        }
        const QString appName = m_storage->runningExternalAppName();
        const KTAlert alert = KTAlert::withButtons(tr("Attention! We can't save changes when %1 is running. "
                                                      "Please close %1 to avoid losing progress.")
                                                       .arg(appName),
                                                   {}, {tr("Try Again"), tr("Cancel"), tr("Don't Save")});
        const int answer = alert.run();
        if (answer == KTAlert::kFirstButtonReturn + 1) {
            then(false);
            return;
        }
        if (answer == KTAlert::kFirstButtonReturn + 2) {
            then(true);
            return;
        }
    }
}

void KTCatalogWriteBack::saveChangesAndReplyToTerminate(const std::function<void(TerminateReply)> &reply)
{
    saveChangesAndContinue([reply](bool shouldContinue) {
        reply(shouldContinue ? TerminateReply::TerminateNow : TerminateReply::TerminateCancel);
    });
}

bool KTCatalogWriteBack::windowShouldClose(const std::function<void()> &closeAgain)
{
    if (m_closeApproved) {
        m_closeApproved = false;
        return true;
    }
    if (m_savingForClose)
        return false;
    m_savingForClose = true;
    // The answer may come at once (nothing to write) or after the write-back; in the second case
    // the window closes again once it allows.
    struct Answer
    {
        bool inCall = true;
        std::optional<bool> shouldClose;
    };
    const auto answer = std::make_shared<Answer>();
    const QPointer<KTCatalogWriteBack> self(this);
    saveChangesAndContinue([self, answer, closeAgain](bool shouldContinue) {
        if (answer->inCall) {
            answer->shouldClose = shouldContinue;
            return;
        }
        if (!self)
            return;
        self->m_savingForClose = false;
        if (shouldContinue) {
            self->m_closeApproved = true;
            closeAgain();
        }
    });
    answer->inCall = false;
    if (!answer->shouldClose)
        return false;
    m_savingForClose = false;
    return *answer->shouldClose;
}

// ---- The way out ----

void KTCatalogWriteBack::quit(Asking asking)
{
    Q_ASSERT(QThread::currentThread() == qApp->thread());
    if (m_quitting)
        return;
    m_quitting = true;
    const QPointer<KTCatalogWriteBack> self(this);
    saveChangesAndContinue(
        [self](bool shouldContinue) {
            if (!self)
                return;
            if (!shouldContinue) {
                self->m_quitting = false;
                return;
            }
            if (self->m_willTerminate)
                self->m_willTerminate();
            KTApplicationTerminator::shared().terminate(0);
        },
        asking);
}
