#include "KTShellFixture.h"

#include "KTAnimations.h"
#include "KTExternalStatusFlows.h"
#include "KTExternalStatusHooks.h"
#include "KTExternalStatusSync.h"
#include "KTImageFixtures.h"
#include "KTTipsWindow.h"
#include "KTUserDefaults.h"

#include <QDir>

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
    controller = std::make_unique<KTMainWindowController>(storage.get());
    controller->showWindow();
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

void KTShellWorld::process()
{
    storage->processPendingChanges();
}

void KTShellWorld::installExternalFlows()
{
    if (!m_flowsInstalled) {
        m_previousSync = KTExternalStatusSync::install(nullptr);
        m_flowsInstalled = true;
    }
    flows = KTExternalStatusHooks::install(*storage, manager);
}
