#include "KTModesTestSession.h"

#include "KTAnimations.h"
#include "KTBaseUIModeController.h"
#include "KTCatalogModel.h"
#include "KTEntitiesManager.h"
#include "KTFocusedRegionsManager.h"
#include "KTFolderMO.h"
#include "KTGridServices.h"
#include "KTImageFixtures.h"
#include "KTImageMO.h"
#include "KTImageStorage.h"
#include "KTObjectContext.h"
#include "KTOperationQueue.h"
#include "KTTestSupport.h"
#include "KTUserDefaults.h"

#include <QApplication>
#include <QDir>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

struct KTModesTestSession::Scope
{
    Scope(KTEntitiesManager *entities, KTFocusedRegionsManager *focusedRegions, KTImageStorage *storage)
        : grids(entities, focusedRegions, storage)
    {}
    KTGridServices::Scope grids;
};

KTModesTestSession::KTModesTestSession()
{
    KTAnimations::setEnabled(false);
    m_defaults = std::make_unique<KTUserDefaults>(m_dir.filePath(QStringLiteral("defaults.ini")));
    KTBaseUIModeController::setUserDefaults(m_defaults.get());
    m_storage = std::make_unique<KTImageStorage>(KTImageStorage::Locations{
        m_dir.filePath(QStringLiteral("support")), m_dir.filePath(QStringLiteral("legacy"))});
    EXPECT_NE(m_storage->managedObjectContext(), nullptr);
    m_queue = std::make_unique<KTOperationQueue>();
    m_queue->setMaxConcurrentOperationCount(2);
    m_entities = std::make_unique<KTEntitiesManager>(*m_queue);
    m_focusedRegions = std::make_unique<KTFocusedRegionsManager>(*m_queue);
    m_scope = std::make_unique<Scope>(m_entities.get(), m_focusedRegions.get(), m_storage.get());
    QDir().mkpath(m_dir.filePath(QStringLiteral("Photos")));
}

KTModesTestSession::~KTModesTestSession()
{
    m_scope.reset();
    EXPECT_TRUE(waitUntil([&] { return m_queue->operationCount() == 0; }));
    drainMainQueue();
    m_focusedRegions.reset();
    m_entities.reset();
    m_storage.reset();
    KTBaseUIModeController::setUserDefaults(nullptr);
    m_defaults.reset();
    drainMainQueue();
}

KTFolderMO *KTModesTestSession::addSource(const QString &type)
{
    auto *folder = m_storage->managedObjectContext()->insert<KTFolderMO>(kFolderEntityName);
    folder->setType(type);
    folder->setPath(m_dir.filePath(QStringLiteral("Photos")));
    process();
    return folder;
}

QString KTModesTestSession::path(const QString &name) const
{
    return QDir(m_dir.filePath(QStringLiteral("Photos"))).filePath(name + QStringLiteral(".jpg"));
}

KTImageMO *KTModesTestSession::addImage(const QString &name, Decisions decisions, bool writeFile)
{
    if (!m_folder)
        m_folder = addSource();
    const QString file = path(name);
    if (writeFile) {
        EXPECT_TRUE(writeJpegWithExif(file)) << file.toStdString();
    }
    auto *image = m_storage->managedObjectContext()->insert<KTImageMO>(kImageEntityName);
    image->setFolder(m_folder);
    image->setPath(file);
    image->setName(name);
    image->setCreationDate(QDateTime(QDate(2024, 5, 6), QTime(7, 0)).addSecs(60 * ++m_created));
    image->setOriginalFileExists(writeFile);
    image->setPicked(decisions.picked);
    image->setRejected(decisions.rejected);
    process();
    return image;
}

QList<KTImageMO *> KTModesTestSession::addImages(int count, const QString &prefix, Decisions decisions)
{
    QList<KTImageMO *> images;
    for (int i = 1; i <= count; ++i)
        images.append(addImage(prefix + QString::number(i).rightJustified(3, QLatin1Char('0')), decisions));
    return images;
}

void KTModesTestSession::process()
{
    m_storage->processPendingChanges();
}

void KTModesTestSession::restartDefaults()
{
    const QString file = m_dir.filePath(QStringLiteral("defaults.ini"));
    KTBaseUIModeController::setUserDefaults(nullptr);
    // Gone first, so that its last changes are written before the next one reads the file.
    m_defaults.reset();
    m_defaults = std::make_unique<KTUserDefaults>(file);
    KTBaseUIModeController::setUserDefaults(m_defaults.get());
}

KTModeWindow::KTModeWindow(KTModesTestSession &session, KTBaseUIModeController &mode, QSize size)
    : m_mode(&mode)
{
    m_mode->setLoadingThumbnailsQueue(&session.thumbnailQueue());
    auto *layout = new QVBoxLayout(&m_window);
    layout->setContentsMargins(0, 0, 0, 0);
    m_mode->view()->hide();
    layout->addWidget(m_mode->view());
    m_mode->setImageStorage(&session.storage());
    m_mode->setDelegate(&delegate);
    m_window.resize(size);
    m_window.show();
    QApplication::processEvents();
}

KTModeWindow::~KTModeWindow()
{
    if (!m_mode)
        return;
    m_mode->setDelegate(nullptr);
    // The mode owns its view.
    if (QWidget *view = m_mode->view())
        view->setParent(nullptr);
}

void KTModeWindow::showMode()
{
    m_mode->view()->show();
    m_mode->refresh();
    QApplication::processEvents();
}

void KTModeWindow::clickAndDrag(QWidget *widget)
{
    const QPoint middle = widget->rect().center();
    QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier, middle);
    QTest::mousePress(widget, Qt::LeftButton, Qt::NoModifier, middle);
    QTest::mouseMove(widget, middle + QPoint(30, 20));
    QTest::mouseRelease(widget, Qt::LeftButton, Qt::NoModifier, middle + QPoint(30, 20));
    QApplication::processEvents();
}

void KTModeWindow::press(Qt::Key key, Qt::KeyboardModifiers modifiers)
{
    m_window.activateWindow();
    QWidget *target = QApplication::focusWidget();
    QTest::keyClick(target && target->window() == &m_window ? target : &m_window, key, modifiers);
    QApplication::processEvents();
}

void KTModeWindow::hideMode()
{
    m_mode->view()->hide();
}
