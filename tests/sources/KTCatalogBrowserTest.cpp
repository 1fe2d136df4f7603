#include "KTCatalogBrowser.h"
#include "KTCatalogBrowserWindow.h"
#include "KTDropView.h"

#include "KTCatalogFixtures.h"
#include "KTSourcesTestSupport.h"
#include "KTTestSupport.h"

#include "KTSButton.h"

#include <QLabel>
#include <QMimeData>
#include <QStandardItemModel>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

#include <gtest/gtest.h>

namespace {

struct NodeSummary
{
    QString name;
    KTCatalogNode::Kind kind;
    qint64 count;
    bool operator==(const NodeSummary &) const = default;
};

std::vector<NodeSummary> summaries(const QList<KTCatalogNode> &nodes)
{
    std::vector<NodeSummary> result;
    for (const KTCatalogNode &node : nodes)
        result.push_back({node.name, node.kind, node.countOfBindableObjects});
    return result;
}

/// The texts of the tree, depth first, indented by two spaces a level.
QStringList treeTexts(const QStandardItemModel &model, const QModelIndex &parent = {}, int depth = 0)
{
    QStringList texts;
    for (int row = 0; row < model.rowCount(parent); ++row) {
        const QModelIndex index = model.index(row, 0, parent);
        QString line = QString(depth * 2, QLatin1Char(' ')) + index.data().toString();
        const QString count = model.index(row, 1, parent).data().toString();
        if (!count.isEmpty())
            line += QStringLiteral(" (") + count + QLatin1Char(')');
        texts.append(line);
        texts.append(treeTexts(model, index, depth + 1));
    }
    return texts;
}

QModelIndex indexOfNode(const QStandardItemModel &model, const QString &identifier,
                        const QModelIndex &parent = {})
{
    for (int row = 0; row < model.rowCount(parent); ++row) {
        const QModelIndex index = model.index(row, 0, parent);
        if (index.data(KTCatalogBrowserWindow::kNodeIdentifierRole).toString() == identifier)
            return index;
        if (const QModelIndex found = indexOfNode(model, identifier, index); found.isValid())
            return found;
    }
    return {};
}

bool populated(const KTCatalogBrowser &browser)
{
    return waitUntil([&] { return !browser.isPopulating(); });
}

/// A browser with a recording delegate, and the Lightroom fixture catalogue to open in it.
struct LightroomBrowser
{
    LightroomBrowser() { browser.setDelegate(&delegate); }

    QTemporaryDir dir;
    const QString catalog = KTCatalogFixtures::createLightroomCatalog(dir.path());
    KTRecordingBrowserDelegate delegate;
    KTCatalogBrowser browser;
};

} // namespace

// The root of a Lightroom catalogue holds its folders and its plain collections under two
// headings, each with its count of images; the delegate hears the reading begin and end.
TEST(KTCatalogBrowserTest, LightroomCatalogueOffersItsFoldersAndCollections)
{
    LightroomBrowser fixture;
    const QString &catalog = fixture.catalog;
    KTCatalogBrowser &browser = fixture.browser;
    const KTRecordingBrowserDelegate &delegate = fixture.delegate;

    browser.addCatalogAtPath(catalog);
    EXPECT_TRUE(browser.isPopulating());
    EXPECT_EQ(delegate.calls, QStringList{"will:" + catalog});
    ASSERT_TRUE(populated(browser));
    EXPECT_EQ(delegate.calls, (QStringList{"will:" + catalog, "did:" + catalog}));

    ASSERT_EQ(browser.catalogs().size(), 1);
    const KTCatalogBrowser::Catalog &read = browser.catalogs().first();
    EXPECT_EQ(read.importSource, "Lightroom5");
    EXPECT_TRUE(read.errorMessage.isEmpty()) << read.errorMessage.toStdString();
    EXPECT_EQ(summaries(read.nodes),
              (std::vector<NodeSummary>{{"Family", KTCatalogNode::Kind::Collection, 3},
                                        {"Photos", KTCatalogNode::Kind::Folder, 20},
                                        {"Photos/Trip", KTCatalogNode::Kind::Folder, 10}}));
    const KTCatalogNode family = read.nodes.first();
    EXPECT_EQ(browser.nodeWithIdentifier(family.identifier)->name, "Family");
    EXPECT_EQ(browser.topLevelNodeName(family), "Lightroom 5: Lightroom Catalog");
    EXPECT_EQ(KTCatalogBrowser::importSourceFromNode(family), "Lightroom");
    EXPECT_EQ(KTCatalogBrowser::catalogPathOfNode(family.identifier), catalog);

    KTCatalogBrowserWindow *window = browser.window();
    EXPECT_EQ(treeTexts(*window->nodesModel()),
              (QStringList{"Lightroom 5: Lightroom Catalog", "  Collections", "    Family (3)", "  Folders",
                           "    Photos (20)", "    Photos/Trip (10)"}));
}

TEST(KTCatalogBrowserTest, IPhotoAndApertureLibrariesOfferTheirProjects)
{
    QTemporaryDir dir;
    for (const QString kind : {"iPhoto", "Aperture"}) {
        SCOPED_TRACE(kind.toStdString());
        const QString library = KTCatalogFixtures::createAppleLibrary(dir.path(), kind, "Family");
        KTCatalogBrowser browser;
        browser.addCatalogAtPath(library);
        ASSERT_TRUE(populated(browser));
        const KTCatalogBrowser::Catalog &read = browser.catalogs().first();
        EXPECT_EQ(read.importSource, kind);
        EXPECT_EQ(summaries(read.nodes),
                  (std::vector<NodeSummary>{{"Summer", KTCatalogNode::Kind::Project, 20},
                                            {"Winter", KTCatalogNode::Kind::Project, 10}}));
        EXPECT_EQ(browser.topLevelNodeName(read.nodes.first()), kind + ": Family");
        EXPECT_EQ(KTCatalogBrowser::importSourceFromNode(read.nodes.first()), kind);
        EXPECT_EQ(treeTexts(*browser.window()->nodesModel()),
                  (QStringList{kind + ": Family", "  Summer (20)", "  Winter (10)"}));
    }
}

// A catalogue the browser cannot offer keeps no nodes and says why, in the panel too.
TEST(KTCatalogBrowserTest, ARefusedCatalogueShowsItsReason)
{
    QTemporaryDir dir;
    const QString lightroom3 =
        KTCatalogFixtures::createLightroomCatalog(dir.path(), 1, "Old.lrcat", QStringLiteral("0300025"));
    const QString damaged = KTCatalogFixtures::createLightroomCatalog(dir.path(), 1, "Damaged.lrcat");
    KTCatalogFixtures::corrupt(damaged);
    struct Case
    {
        QString path;
        QString reason;
    };
    for (const Case &c :
         {Case{lightroom3, "is not a Lightroom 4 or 5 catalog"}, Case{damaged, "cannot be read"},
          Case{dir.filePath("Gone.lrcat"), "cannot be read"}}) {
        SCOPED_TRACE(c.path.toStdString());
        KTCatalogBrowser browser;
        KTRecordingBrowserDelegate delegate;
        browser.setDelegate(&delegate);
        browser.addCatalogAtPath(c.path);
        ASSERT_TRUE(populated(browser));
        EXPECT_EQ(delegate.calls.size(), 2);
        const KTCatalogBrowser::Catalog &read = browser.catalogs().first();
        EXPECT_TRUE(read.nodes.isEmpty());
        EXPECT_TRUE(read.errorMessage.contains(c.reason)) << read.errorMessage.toStdString();
        EXPECT_TRUE(browser.window()->statusLabel()->text().contains(c.reason));
    }
}

// Clearing while a catalogue is read ends its populating at once (drops are held back while a
// node populates), and the late result is dropped rather than revived.
TEST(KTCatalogBrowserTest, ClearingWhileReadingEndsThePopulatingAtOnce)
{
    LightroomBrowser fixture;
    const QString &catalog = fixture.catalog;
    KTCatalogBrowser &browser = fixture.browser;
    const KTRecordingBrowserDelegate &delegate = fixture.delegate;
    browser.addCatalogAtPath(catalog);
    browser.addCatalogAtPath(catalog);
    browser.clear();
    EXPECT_EQ(delegate.calls, (QStringList{"will:" + catalog, "did:" + catalog}));
    EXPECT_FALSE(browser.isPopulating());

    // A second catalogue read after the clear is the only one that lands.
    const QString library = KTCatalogFixtures::createAppleLibrary(fixture.dir.path(), "iPhoto");
    browser.addCatalogAtPath(library);
    ASSERT_TRUE(populated(browser));
    drainMainQueue();
    ASSERT_EQ(browser.catalogs().size(), 1);
    EXPECT_EQ(browser.catalogs().first().path, library);
    EXPECT_EQ(delegate.calls.size(), 4);
}

TEST(KTCatalogBrowserTest, ANodeDragsOutAsItsIdentifierUnderBothBrowserTypes)
{
    LightroomBrowser fixture;
    const QString &catalog = fixture.catalog;
    KTCatalogBrowser &browser = fixture.browser;
    browser.addCatalogAtPath(catalog);
    ASSERT_TRUE(populated(browser));
    QStandardItemModel &model = *browser.window()->nodesModel();
    EXPECT_EQ(model.supportedDragActions(), Qt::CopyAction);

    const QString identifier = browser.catalogs().first().nodes.at(1).identifier;
    const QModelIndex node = indexOfNode(model, identifier);
    ASSERT_TRUE(node.isValid());
    const std::unique_ptr<QMimeData> data(model.mimeData({node}));
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(QString::fromUtf8(data->data(kNodeIdentifierPasteboardType)), identifier);
    EXPECT_EQ(QString::fromUtf8(data->data(kImageListPasteboardType)), identifier);

    // The root and the headings are not nodes of images.
    const QModelIndex root = indexOfNode(model, catalog);
    ASSERT_TRUE(root.isValid());
    EXPECT_EQ(model.mimeData({root}), nullptr);
    EXPECT_EQ(model.mimeData({model.index(0, 0, root)}), nullptr);
}

// Add is on only for a node (not a root) while no catalogue is being read; pressing it, or
// Return on the node, asks the delegate to add the current node. Closing the panel is reported.
TEST(KTCatalogBrowserTest, AddFollowsTheCurrentNodeAndThePopulating)
{
    LightroomBrowser fixture;
    const QString &catalog = fixture.catalog;
    KTCatalogBrowser &browser = fixture.browser;
    KTRecordingBrowserDelegate &delegate = fixture.delegate;
    browser.addCatalogAtPath(catalog);
    ASSERT_TRUE(populated(browser));
    delegate.calls.clear();
    KTCatalogBrowserWindow *window = browser.window();
    browser.showWindow(nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    KTSButton *add = window->addButton();

    EXPECT_FALSE(browser.currentNode());
    EXPECT_FALSE(add->isButtonEnabled());
    browser.setCurrentNodeIdentifier(catalog);
    EXPECT_EQ(browser.currentNodeIdentifier(), catalog);
    EXPECT_FALSE(add->isButtonEnabled()) << "a root is not a node of images";

    const KTCatalogNode photos = browser.catalogs().first().nodes.at(1);
    QTreeView *tree = window->nodesView();
    tree->setCurrentIndex(indexOfNode(*window->nodesModel(), photos.identifier));
    ASSERT_TRUE(browser.currentNode());
    EXPECT_EQ(browser.currentNode()->identifier, photos.identifier);
    EXPECT_TRUE(add->isButtonEnabled());
    browser.setImportButtonEnabled(false);
    EXPECT_FALSE(add->isButtonEnabled());
    add->click();
    EXPECT_TRUE(delegate.calls.isEmpty());
    browser.setImportButtonEnabled(true);
    add->click();
    tree->setFocus();
    QTest::keyClick(tree, Qt::Key_Return);
    EXPECT_EQ(delegate.calls, (QStringList{"add", "add"}));

    window->close();
    EXPECT_EQ(delegate.calls.last(), "close");
    EXPECT_FALSE(browser.isWindowVisible());
}
