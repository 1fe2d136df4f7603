// The sources window: empty, with three folders, with a drag it refuses over them, with a
// catalogue node chosen, and with the catalogue browser open on a Lightroom catalogue over it.

#include "KTScreenRegistry.h"

#include "KTCatalogBrowser.h"
#include "KTCatalogBrowserWindow.h"
#include "KTCatalogFixtures.h"
#include "KTDropView.h"
#include "KTImageSourcesWindow.h"
#include "KTImageSourcesWindowController.h"
#include "KTSourcesTableView.h"

#include "KTColor.h"
#include "KTUserDefaults.h"

#include <QApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QElapsedTimer>
#include <QMimeData>
#include <QPainter>
#include <QTemporaryDir>
#include <QThread>
#include <QTreeView>
#include <QUrl>

#include <optional>

namespace {

const QSize kWindowSize(900, 600);

/// A sources window in a home of its own (so folders show as "~/..."), with nothing recent.
class SourcesScene
{
public:
    SourcesScene() : m_home(m_dir.filePath(QStringLiteral("home/ann")))
    {
        QDir().mkpath(m_home);
        if (qEnvironmentVariableIsSet("HOME"))
            m_previousHome = qgetenv("HOME");
        qputenv("HOME", m_home.toLocal8Bit());
        KTUserDefaults::standardUserDefaults().removeObjectForKey(kRecentCatalogKey);
        controller.reset();
        controller.window()->resize(kWindowSize);
    }
    ~SourcesScene()
    {
        controller.hideIMediaBrowser();
        KTUserDefaults::standardUserDefaults().removeObjectForKey(kRecentCatalogKey);
        if (m_previousHome)
            qputenv("HOME", *m_previousHome);
        else
            qunsetenv("HOME");
    }

    /// Makes the folder under the home folder and returns its path.
    QString folder(const QString &relative) const
    {
        const QString path = QDir(m_home).filePath(relative);
        QDir().mkpath(path);
        return path;
    }

    /// A Lightroom 5 catalogue of 30 images, opened in the browser and read.
    void openLightroomCatalog()
    {
        const QString catalog = KTCatalogFixtures::createLightroomCatalog(
            folder(QStringLiteral("Pictures/Lightroom")), 1234, QStringLiteral("Lightroom 5 Catalog.lrcat"));
        controller.showIMediaBrowserWithPath(catalog);
        QElapsedTimer timer;
        timer.start();
        while (controller.catalogBrowser().isPopulating() && timer.elapsed() < 10000) {
            QApplication::processEvents(QEventLoop::AllEvents, 10);
            QThread::yieldCurrentThread();
        }
    }

    /// Selects the node named `name` in the browser.
    KTCatalogNode selectNode(const QString &name)
    {
        KTCatalogBrowser &browser = controller.catalogBrowser();
        for (const KTCatalogNode &node : browser.catalogs().value(0).nodes) {
            if (node.name == name) {
                browser.setCurrentNodeIdentifier(node.identifier);
                return node;
            }
        }
        return {};
    }

    KTImageSourcesWindowController controller;

private:
    QTemporaryDir m_dir;
    QString m_home;
    std::optional<QByteArray> m_previousHome;
};

} // namespace

KT_SCREEN(sources_window_empty)
{
    SourcesScene scene;
    return context.capture(*scene.controller.window());
}

KT_SCREEN(sources_window_three_folders)
{
    SourcesScene scene;
    scene.controller.addPaths({scene.folder(QStringLiteral("Pictures/2014/Harbour")),
                               scene.folder(QStringLiteral("Pictures/2014/Spring in the South/Market")),
                               scene.folder(QStringLiteral("Pictures/2014/Hills"))});
    return context.capture(*scene.controller.window(),
                           [&] { scene.controller.window()->tableView()->selectRowIndexes({1}); });
}

// A catalogue dragged over folders: refused, with the reason over the drop area.
KT_SCREEN(sources_window_refused_drop)
{
    SourcesScene scene;
    scene.controller.addPaths({scene.folder(QStringLiteral("Pictures/2014/Harbour")),
                               scene.folder(QStringLiteral("Pictures/2014/Hills"))});
    const QString catalog =
        KTCatalogFixtures::createLightroomCatalog(scene.folder(QStringLiteral("Pictures/Lightroom")), 1234,
                                                  QStringLiteral("Lightroom 5 Catalog.lrcat"));
    QMimeData drag;
    drag.setUrls({QUrl::fromLocalFile(catalog)});
    return context.capture(*scene.controller.window(), [&] {
        KTDropView *view = scene.controller.window()->dropView();
        QDragEnterEvent enter(view->rect().center(), Qt::CopyAction, &drag, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(view, &enter);
    });
}

KT_SCREEN(sources_window_catalog_node)
{
    SourcesScene scene;
    scene.openLightroomCatalog();
    scene.selectNode(QStringLiteral("Photos/Trip"));
    scene.controller.catalogBrowserWantsToAddCurrentNode(&scene.controller.catalogBrowser());
    return context.capture(*scene.controller.window());
}

// The browser floats over the right of the sources window, as it opens beside it.
KT_SCREEN(sources_window_catalog_browser)
{
    SourcesScene scene;
    scene.openLightroomCatalog();
    scene.selectNode(QStringLiteral("Photos"));
    const QImage window = context.capture(*scene.controller.window());
    KTCatalogBrowserWindow *panel = scene.controller.catalogBrowser().window();
    const QImage browser = context.capture(*panel);

    const qreal ratio = window.devicePixelRatio();
    QImage composed = window;
    QPainter painter(&composed);
    const QPointF at(kWindowSize.width() - panel->width() - 24, 112);
    const QRectF frame(at, QSizeF(panel->size()));
    for (int step = 1; step <= 8; ++step)
        painter.fillRect(frame.adjusted(-step, -step + 4, step, step + 4), QColor(0, 0, 0, 10));
    painter.drawImage(at, browser);
    painter.setPen(QPen(KTPalette::kLine, 1.0));
    painter.drawRect(frame.adjusted(-0.5, -0.5, 0.5, 0.5));
    painter.end();
    composed.setDevicePixelRatio(ratio);
    return composed;
}
