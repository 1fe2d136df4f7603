#include "KTShellFixture.h"

#include "KTAnimations.h"
#include "KTCatalogFixtures.h"
#include "KTExternalStatusFlows.h"
#include "KTExternalStatusHooks.h"
#include "KTExternalStatusSync.h"
#include "KTImageFixtures.h"
#include "KTTaskRecorder.h"
#include "KTTasksNotifier.h"
#include "KTTipsWindow.h"
#include "KTUserDefaults.h"

#include <QDir>
#include <QTest>

#include <algorithm>

KTAnsweringAlertPresenter::KTAnsweringAlertPresenter()
{
    // Installed by the owner (install() needs the shared pointer).
}

KTAnsweringAlertPresenter::~KTAnsweringAlertPresenter() = default;

void KTAnsweringAlertPresenter::answer(int returnCode)
{
    m_answers.push_back([returnCode](const KTAlert &) { return returnCode; });
}

void KTAnsweringAlertPresenter::answer(Answer answer)
{
    m_answers.push_back(std::move(answer));
}

KTAlertResponse KTAnsweringAlertPresenter::runModal(const KTAlert &alert)
{
    shown.push_back(alert);
    KTAlertResponse response;
    if (m_answers.empty()) {
        response.returnCode = alert.returnCodeForButton(0);
    } else {
        const Answer answer = std::move(m_answers.front());
        m_answers.pop_front();
        response.returnCode = answer(alert);
    }
    return response;
}

QStringList KTAnsweringAlertPresenter::messages() const
{
    QStringList texts;
    for (const KTAlert &alert : shown)
        texts.append(alert.messageText);
    return texts;
}

KTMainWindowController::Scheduler KTManualScheduler::scheduler()
{
    return [this](int milliseconds, QObject *context, std::function<void()> job) {
        m_jobs.push_back({m_now + milliseconds, m_order++, context, std::move(job)});
    };
}

void KTManualScheduler::advance(int milliseconds)
{
    const int until = m_now + milliseconds;
    for (;;) {
        const auto next = std::min_element(m_jobs.begin(), m_jobs.end(), [](const Job &a, const Job &b) {
            return a.due != b.due ? a.due < b.due : a.order < b.order;
        });
        if (next == m_jobs.end() || next->due > until)
            break;
        Job job = std::move(*next);
        m_jobs.erase(next);
        m_now = job.due;
        if (job.context)
            job.job();
    }
    m_now = until;
}

KTShellWorld::KTShellWorld()
{
    KTAnimations::setEnabled(false);
    KTUserDefaults &defaults = KTUserDefaults::standardUserDefaults();
    defaults.setBool(false, kKTShowTipsKey);
    defaults.removeObjectForKey(kUIModeKey);
    defaults.setBool(true, kLightroomSyncOptionPicksKey);
    defaults.setBool(true, kLightroomSyncOptionRejectsKey);
    defaults.setBool(false, QStringLiteral("kShowRAWandJPEGAsOneFileOption"));
    m_previousAlerts = KTAlertPresenter::install(alerts);
    KTMainWindowController::setModeControllerFactory(&KTFakeModeController::make);
    storage = std::make_unique<KTImageStorage>(KTImageStorage::Locations{
        dir.filePath(QStringLiteral("support")), dir.filePath(QStringLiteral("legacy"))});
    manager.setBusyTimeoutMs(50);
}

KTShellWorld::~KTShellWorld()
{
    controller.reset();
    if (m_flowsInstalled) {
        storage->resetImagesSyncing();
        KTExternalStatusSync::install(m_previousSync);
    }
    storage.reset();
    KTMainWindowController::setModeControllerFactory({});
    KTAlertPresenter::install(m_previousAlerts);
    drainMainQueue();
}

void KTShellWorld::launch()
{
    if (!controller)
        controller = std::make_unique<KTMainWindowController>(storage.get());
    controller->setScheduler(timers.scheduler());
    controller->showWindow();
}

void KTShellWorld::launchAndSettle()
{
    launch();
    settleLaunch();
}

void KTShellWorld::settleLaunch()
{
    KTTaskRecorder tasks(storage.get());
    // The set-up's steps: the undo clean-up, the sources window or the validation of the sources.
    timers.advance(1000);
    if (!storage->sources().isEmpty()) {
        EXPECT_TRUE(
            waitUntil([&] { return tasks.count(kTaskDidFinishNotification, kValidateTaskName) == 1; }));
    }
    drainMainQueue();
    settleExternalFlows();
}

KTSessionFlow::StartOutcome KTShellWorld::startSession(const KTSessionFlow::Sources &sources)
{
    std::optional<KTSessionFlow::StartOutcome> outcome;
    flow().startSessionWithSources(sources,
                                   [&outcome](KTSessionFlow::StartOutcome answer) { outcome = answer; });
    EXPECT_TRUE(waitUntil([&] { return outcome.has_value(); }));
    return outcome.value_or(KTSessionFlow::StartOutcome::Cancelled);
}

void KTShellWorld::settleExternalFlows()
{
    if (!flows)
        return;
    const QList<KTImageMO *> images = storage->imagesFromExternalSources();
    if (images.isEmpty())
        return;
    for (int round = 0; round < 2; ++round) {
        bool checked = false;
        flows->imagesUpdatedInExternalCatalogFromImages(
            images, [&checked](const KTExternalStatusFlows::ChangeCheck &) { checked = true; });
        EXPECT_TRUE(waitUntil([&] { return checked; }));
        drainMainQueue();
    }
}

KTFolderMO *KTShellWorld::addFolderSource(QString path)
{
    if (path.isEmpty()) {
        static int s_folders = 0;
        path = dir.filePath(QStringLiteral("Photos %1").arg(++s_folders));
    }
    QDir().mkpath(path);
    auto *folder = context()->insert<KTFolderMO>(kFolderEntityName);
    folder->setType(kFolderTypeFileSystem);
    folder->setPath(path);
    process();
    return folder;
}

KTFolderMO *KTShellWorld::addCatalogueSource(const QString &type, const QString &mediaSource)
{
    auto *folder = context()->insert<KTFolderMO>(kFolderEntityName);
    folder->setType(type);
    folder->setPath(mediaSource + QStringLiteral("#node"));
    folder->setMediaSource(mediaSource);
    process();
    return folder;
}

KTImageMO *KTShellWorld::addImage(KTFolderMO *folder, const QString &name, bool writeFile)
{
    const QString base = folder->type() == kFolderTypeFileSystem ? folder->path() : dir.path();
    const QString path = QDir(base).filePath(name + QStringLiteral(".jpg"));
    if (writeFile) {
        EXPECT_TRUE(writeJpegWithExif(path));
    }
    auto *image = context()->insert<KTImageMO>(kImageEntityName);
    image->setFolder(folder);
    image->setPath(path);
    image->setName(name);
    image->setOriginalFileExists(writeFile);
    return image;
}

bool KTShellWorld::saveAndContinue()
{
    auto answer = std::make_shared<std::optional<bool>>();
    writeBack().saveChangesAndContinue([answer](bool shouldContinue) { *answer = shouldContinue; });
    EXPECT_TRUE(waitUntil([&] { return answer->has_value(); }));
    return answer->value_or(false);
}

void KTShellWorld::process()
{
    storage->processPendingChanges();
}

QList<KTImageMO *> KTShellWorld::catalogueSession(const QString &type)
{
    installExternalFlows();
    QString mediaSource;
    QStringList ids;
    if (type == kFolderTypeLightroom5) {
        catalog = KTCatalogFixtures::createLightroomCatalog(dir.path());
        mediaSource = catalog;
        ids = QStringList{"101", "102", "103"};
    } else {
        const QString library = KTCatalogFixtures::createAppleLibrary(dir.path(), type);
        catalog = KTCatalogFixtures::appleDatabasePath(library);
        mediaSource = KTCatalogFixtures::appleMediaSource(library);
        ids = QStringList{"V01", "V02", "V03"};
    }
    KTFolderMO *source = addCatalogueSource(type, mediaSource);
    QList<KTImageMO *> images;
    for (const QString &id : ids) {
        KTImageMO *image = addImage(source, id);
        image->setExternalGUID(id);
        images.append(image);
    }
    process();
    storage->storeImageStatuses(images);
    return images;
}

void KTShellWorld::pickInCatalogue(const QString &type)
{
    if (type == kFolderTypeLightroom5) {
        KTCatalogFixtures::execute(catalog,
                                   "INSERT INTO AgLibraryCollection (id_local, name, creationId) VALUES "
                                   "(700, 'Vireoscope Picks', 'com.adobe.ag.library.collection');"
                                   "INSERT INTO AgLibraryCollectionImage (collection, image) VALUES "
                                   "(700, 102);");
    } else {
        KTCatalogFixtures::execute(catalog, "UPDATE RKVersion SET isFlagged = 1 WHERE uuid = 'V02';");
    }
}

void KTShellWorld::installExternalFlows()
{
    if (!m_flowsInstalled) {
        m_previousSync = KTExternalStatusSync::install(nullptr);
        m_flowsInstalled = true;
    }
    flows = KTExternalStatusHooks::install(*storage, manager);
}
