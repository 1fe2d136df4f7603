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
    controller->showWindow();
}

void KTShellWorld::launchAndSettle()
{
    KTTaskRecorder tasks(storage.get());
    launch();
    if (!storage->sources().isEmpty())
        EXPECT_TRUE(
            waitUntil([&] { return tasks.count(kTaskDidFinishNotification, kValidateTaskName) == 1; }));
    else
        QTest::qWait(400);
    drainMainQueue();
    settleExternalFlows();
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
    window().saveChangesAndContinue([answer](bool shouldContinue) { *answer = shouldContinue; });
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
