#include "KTImageSourcesWindowController.h"

#include "KTCatalogBrowser.h"
#include "KTDropView.h"
#include "KTImageSourcesWindow.h"
#include "KTSourceCellView.h"
#include "KTSourcesTableView.h"

#include "KTCatalogFixtures.h"
#include "KTScriptedOpenPanel.h"
#include "KTSourcesTestSupport.h"
#include "KTTaskRecorder.h"
#include "KTTestFiles.h"
#include "KTTestSupport.h"

#include "KTAbstractButton.h"
#include "KTMenuPresenter.h"
#include "KTSButton.h"
#include "KTTableRowView.h"
#include "KTTasksNotifier.h"
#include "KTUserDefaults.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <optional>

namespace {

const QString kLoadingTask = QStringLiteral("Loading images from catalog");

/// Installs a menu presenter that records the menu and answers with the item at `choice`
/// (none for -1); the previous presenter comes back with it.
class ScriptedMenu
{
public:
    explicit ScriptedMenu(int choice)
    {
        m_previous =
            KTMenuPresenter::install([this, choice](QMenu *menu, const QPoint &, QAction *positioned) {
                items.clear();
                for (QAction *action : menu->actions())
                    items.append(action->text());
                positionedItem = positioned ? positioned->text() : QString();
                return choice >= 0 && choice < menu->actions().size() ? menu->actions().at(choice) : nullptr;
            });
    }
    ~ScriptedMenu() { KTMenuPresenter::install(std::move(m_previous)); }

    QStringList items;
    QString positionedItem;

private:
    KTMenuPresenter::Presenter m_previous;
};

} // namespace

class KTImageSourcesWindowControllerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        clearDefaults();
        m_home = makeFolder(m_dir.filePath("home/ann"));
        m_homeOverride.emplace(m_home);
        m_controller = std::make_unique<KTImageSourcesWindowController>();
        m_controller->setDelegate(&m_delegate);
        m_controller->setShowsTimeLabelHandler([this](bool shows) { m_timeLabel.append(shows); });
        m_tasks = std::make_unique<KTTaskRecorder>(m_controller.get());
        m_controller->reset();
    }

    void TearDown() override
    {
        m_tasks.reset();
        m_controller.reset();
        drainMainQueue();
        clearDefaults();
    }

    static void clearDefaults()
    {
        KTUserDefaults::standardUserDefaults().removeObjectForKey(kRecentCatalogKey);
        KTUserDefaults::standardUserDefaults().removeObjectForKey(kImageSourcesLastOpenedSourceKey);
    }

    KTImageSourcesWindow &window() { return *m_controller->window(); }
    KTSourcesTableView &table() { return *window().tableView(); }

    QStringList rowTexts()
    {
        QStringList texts;
        for (int row = 0; row < table().numberOfRows(); ++row)
            texts.append(table().cellViewAtRow(row)->text());
        return texts;
    }

    /// Open Recent, Add Catalog, Add Folder: "1" on, "0" off.
    QString openButtons()
    {
        QString states;
        for (const KTSButton *button :
             {window().openRecentCatalogButton(), window().addCatalogButton(), window().addFolderButton()})
            states += button->isButtonEnabled() ? QLatin1Char('1') : QLatin1Char('0');
        return states;
    }

    QString lightroomCatalog(const QString &name = QStringLiteral("Lightroom Catalog.lrcat"),
                             const QString &version = QStringLiteral("0500025"))
    {
        return KTCatalogFixtures::createLightroomCatalog(makeFolder(m_dir.filePath("catalogs")), 1234, name,
                                                         version);
    }

    /// Opens the browser on the catalogue and waits until its nodes are read.
    void openCatalog(const QString &path)
    {
        m_controller->showIMediaBrowserWithPath(path);
        ASSERT_TRUE(m_controller->isCatalogBrowserLoaded());
        ASSERT_TRUE(waitUntil([&] { return !m_controller->catalogBrowser().isPopulating(); }));
        EXPECT_TRUE(m_controller->populatingNodes().isEmpty());
    }

    /// The user selects the node named `name` in the browser and presses Add.
    KTCatalogNode chooseNode(const QString &name)
    {
        KTCatalogBrowser &browser = m_controller->catalogBrowser();
        for (const KTCatalogBrowser::Catalog &catalog : browser.catalogs()) {
            for (const KTCatalogNode &node : catalog.nodes) {
                if (node.name == name) {
                    browser.setCurrentNodeIdentifier(node.identifier);
                    m_controller->catalogBrowserWantsToAddCurrentNode(&browser);
                    return node;
                }
            }
        }
        ADD_FAILURE() << "no node named " << name.toStdString();
        return {};
    }

    QStringList taskTrail()
    {
        drainMainQueue();
        return m_tasks->trail();
    }

    QTemporaryDir m_dir;
    QString m_home;
    std::optional<KTHomeOverride> m_homeOverride;
    std::shared_ptr<KTScriptedAlertPresenter> m_alerts = KTScriptedAlertPresenter::install();
    std::shared_ptr<KTScriptedOpenPanelPresenter> m_panels = KTScriptedOpenPanelPresenter::install();
    KTRecordingSourcesDelegate m_delegate;
    QList<bool> m_timeLabel;
    std::unique_ptr<KTImageSourcesWindowController> m_controller;
    std::unique_ptr<KTTaskRecorder> m_tasks;
};

// Add Folder takes several folders; repeats are left out and a catalogue among them is named with
// the reason, the first choice is remembered for the next panel, and Start hands the folders over
// at once, leaving the list for the delegate to close the window on (or to give back).
TEST_F(KTImageSourcesWindowControllerTest, AddFolderAddsTheChosenFoldersOnceAndStartHandsThemOver)
{
    const QString first = makeFolder(m_home + "/Photos/Harbour");
    const QString second = makeFolder(m_dir.filePath("disk/Market"));
    EXPECT_EQ(openButtons(), "011");
    EXPECT_FALSE(window().startSessionButton()->isButtonEnabled());
    EXPECT_FALSE(window().noSourcesTextField()->isHidden());

    m_controller->onAddSources();
    ASSERT_TRUE(m_panels->isShowing());
    const KTOpenPanelOptions options = m_panels->lastPanel().options;
    EXPECT_TRUE(options.canChooseDirectories);
    EXPECT_FALSE(options.canChooseFiles);
    EXPECT_TRUE(options.allowsMultipleSelection);
    EXPECT_EQ(options.directory, m_home) << "no Pictures folder: the home folder";
    EXPECT_FALSE(window().addCatalogButton()->isButtonEnabled()) << "while the folder panel shows";
    const QString catalog = lightroomCatalog();
    m_panels->answer({first, second, catalog, first});

    EXPECT_EQ(m_controller->imageSources(), (QStringList{first, second}));
    ASSERT_EQ(m_alerts->shown().size(), 1u);
    EXPECT_EQ(m_alerts->shown().back().messageText, "This item cannot be added to the sources.");
    EXPECT_EQ(m_alerts->shown().back().informativeText,
              QStringLiteral("“%1” is a catalog: a session takes folders, or one catalog on its own.")
                  .arg(catalog));
    EXPECT_EQ(KTUserDefaults::standardUserDefaults().stringForKey(kImageSourcesLastOpenedSourceKey), first);
    EXPECT_EQ(openButtons(), "001");
    EXPECT_TRUE(window().startSessionButton()->isButtonEnabled());
    EXPECT_TRUE(window().noSourcesTextField()->isHidden());

    m_controller->onAddSources();
    EXPECT_EQ(m_panels->lastPanel().options.directory, first);
    m_panels->answer({});
    EXPECT_EQ(m_controller->imageSources().size(), 2);

    // Paths given to the application: only folders become sources, the others are named.
    const QString third = makeFolder(m_dir.filePath("disk/Hills"));
    writeFile(m_dir.filePath("disk/IMG_0001.JPG"), "jpeg");
    m_controller->addPaths({third, m_dir.filePath("disk/IMG_0001.JPG"), first, m_dir.filePath("disk/Gone")});
    EXPECT_EQ(m_controller->imageSources(), (QStringList{first, second, third}));
    ASSERT_EQ(m_alerts->shown().size(), 2u);
    EXPECT_EQ(m_alerts->shown().back().messageText, "These 2 items cannot be added to the sources.");
    EXPECT_EQ(m_alerts->shown().back().informativeText,
              QStringLiteral("“%1” is neither a folder nor a catalog.\n“%2” does not exist.")
                  .arg(m_dir.filePath("disk/IMG_0001.JPG"), m_dir.filePath("disk/Gone")));

    m_controller->onStartSession();
    ASSERT_EQ(m_delegate.starts.size(), 1u);
    const KTRecordingSourcesDelegate::Start &start = m_delegate.starts.front();
    EXPECT_EQ(start.sessionFolders, (QStringList{first, second, third}));
    EXPECT_TRUE(start.externalApplicationsImages.isEmpty());
    EXPECT_EQ(start.externalItemsCount, 0);
    EXPECT_TRUE(start.shouldGenerateThumbnails);
    EXPECT_EQ(m_controller->imageSources(), (QStringList{first, second, third}));
    EXPECT_TRUE(window().startSessionButton()->isButtonEnabled());
    EXPECT_TRUE(taskTrail().isEmpty()) << "nothing to load first";
}

// "~" stands for the home folder only while every source lies in it; a sibling folder whose
// name merely begins like the home folder's is not inside it.
TEST_F(KTImageSourcesWindowControllerTest, HomeFolderShowsAsTildeOnlyWhileEverySourceLiesInIt)
{
    const QString pictures = makeFolder(m_home + "/Pictures/2014");
    const QString exports = makeFolder(m_home + "/Aperture exports");
    const QString sibling = makeFolder(m_dir.filePath("home/anna/Shots"));
    m_controller->addPaths({pictures, exports});
    EXPECT_TRUE(m_controller->doesNotDisplayUserHomeDirectory());
    EXPECT_EQ(rowTexts(), (QStringList{"~/Pictures/2014", "~/Aperture exports"}));
    EXPECT_EQ(table().cellViewAtRow(0)->imageName(), "source_folder");
    EXPECT_EQ(table().cellViewAtRow(1)->imageName(), "source_aperture") << "the icon follows the shown text";

    m_controller->addPaths({sibling});
    EXPECT_FALSE(m_controller->doesNotDisplayUserHomeDirectory());
    EXPECT_EQ(rowTexts(), (QStringList{pictures, exports, sibling}));

    table().selectRowIndexes({2});
    m_controller->onDeleteSources();
    EXPECT_EQ(rowTexts(), (QStringList{"~/Pictures/2014", "~/Aperture exports"}));
}

TEST_F(KTImageSourcesWindowControllerTest, SelectedSourcesGoWithDeleteAndWithTheRowButton)
{
    const QStringList folders{makeFolder(m_home + "/A"), makeFolder(m_home + "/B"),
                              makeFolder(m_home + "/C")};
    m_controller->addPaths(folders);
    window().show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window()));

    table().selectRowIndexes({0, 2});
    table().setFocus();
    QTest::keyClick(&table(), Qt::Key_Backspace, Qt::ControlModifier);
    EXPECT_EQ(m_controller->imageSources(), QStringList{folders.at(1)});
    EXPECT_EQ(rowTexts(), QStringList{"~/B"});
    EXPECT_TRUE(window().startSessionButton()->isButtonEnabled());

    // With nothing selected the keys delete nothing.
    QTest::keyClick(&table(), Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(m_controller->imageSources().size(), 1);
    m_controller->addPaths({folders.at(0)});
    table().selectRowIndexes({1});
    QTest::keyClick(&table(), Qt::Key_Delete);
    EXPECT_EQ(m_controller->imageSources(), QStringList{folders.at(1)});

    table().selectRowIndexes({0});
    table().rowViewAtRow(0)->deleteSourceButton()->click();
    EXPECT_TRUE(m_controller->imageSources().isEmpty());
    EXPECT_FALSE(window().startSessionButton()->isButtonEnabled());
    EXPECT_FALSE(window().noSourcesTextField()->isHidden());
    EXPECT_EQ(openButtons(), "011");
}

// What the window takes: folders (not while a catalogue is chosen or the browser shows), one
// catalogue on an empty window, never a catalogue with anything else, never a file that is not
// a folder; browser nodes except while a catalogue is being read or onto folders (Start would
// drop the folders); and never its own rows. Every refusal has a reason the drop area shows.
TEST_F(KTImageSourcesWindowControllerTest, DropRulesDecideWhatTheWindowTakes)
{
    const QString catalog = lightroomCatalog();
    const QString folder = makeFolder(m_dir.filePath("disk/Harbour"));
    const QString other = makeFolder(m_dir.filePath("disk/Market"));
    writeFile(m_dir.filePath("disk/IMG_0001.JPG"), "jpeg");
    const QString image = m_dir.filePath("disk/IMG_0001.JPG");
    const QString node = catalog + "#folder:11";

    enum class State
    {
        Empty,
        Folders,
        CatalogNode,
        BrowserShown,
        Populating
    };
    struct Case
    {
        const char *name;
        State state;
        std::function<std::unique_ptr<QMimeData>()> drag;
        bool expected;
    };
    const Case cases[] = {
        {"folders on an empty window", State::Empty,
         [&] {
             return fileDrag({folder, other});
         },
         true},
        {"one catalogue on an empty window", State::Empty, [&] { return fileDrag({catalog}); }, true},
        {"a catalogue with a folder", State::Empty,
         [&] {
             return fileDrag({catalog, folder});
         },
         false},
        {"a catalogue over folders", State::Folders, [&] { return fileDrag({catalog}); }, false},
        {"more folders", State::Folders, [&] { return fileDrag({other}); }, true},
        {"folders over a catalogue node", State::CatalogNode, [&] { return fileDrag({other}); }, false},
        {"an image file", State::Empty, [&] { return fileDrag({image}); }, false},
        {"folders while the browser shows", State::BrowserShown, [&] { return fileDrag({folder}); }, false},
        {"a node while its catalogue is read", State::Populating, [&] { return nodeDrag(node); }, false},
        {"a node over folders", State::Folders, [&] { return nodeDrag(node); }, false},
        {"a node on an empty window", State::Empty, [&] { return nodeDrag(node); }, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        m_controller->reset();
        m_controller->hideIMediaBrowser();
        switch (c.state) {
        case State::Empty:
            break;
        case State::Folders:
            m_controller->addPaths({folder});
            break;
        case State::CatalogNode:
            openCatalog(catalog);
            chooseNode("Photos");
            break;
        case State::BrowserShown:
            openCatalog(catalog);
            break;
        case State::Populating:
            m_controller->showIMediaBrowserWithPath(catalog);
            break;
        }
        const std::unique_ptr<QMimeData> data = c.drag();
        EXPECT_EQ(m_controller->canReadDataFromPasteboard(data.get()), c.expected);
        EXPECT_EQ(m_controller->refusalOfPasteboard(data.get()).isEmpty(), c.expected)
            << m_controller->refusalOfPasteboard(data.get()).toStdString();
        EXPECT_EQ(window().dropView()->dragOperation(data.get(), Qt::CopyAction, nullptr),
                  c.expected ? Qt::CopyAction : Qt::IgnoreAction);
        if (c.state == State::Populating) {
            ASSERT_TRUE(waitUntil([&] { return m_controller->populatingNodes().isEmpty(); }));
        }
    }

    // A drag that starts in the window's own table is never taken back.
    m_controller->reset();
    const std::unique_ptr<QMimeData> folders = fileDrag({folder});
    EXPECT_EQ(window().dropView()->dragOperation(folders.get(), Qt::CopyAction, &table()), Qt::IgnoreAction);
    EXPECT_EQ(window().dropView()->dragOperation(folders.get(), Qt::CopyAction, nullptr), Qt::CopyAction);
    EXPECT_TRUE(window().dropView()->performDragOperation(folders.get(), Qt::CopyAction, nullptr));
    EXPECT_EQ(m_controller->imageSources(), QStringList{folder});
}

// One catalogue dropped on the empty window closes a catalogue panel that is showing and opens
// the browser on the catalogue on the next turn of the event loop; a dropped node is chosen.
TEST_F(KTImageSourcesWindowControllerTest, ADroppedCatalogueOpensTheBrowserAndADroppedNodeIsChosen)
{
    const QString catalog = lightroomCatalog();
    m_controller->onAddCatalog();
    ASSERT_TRUE(m_panels->isShowing());

    m_controller->readDataFromPasteboard(fileDrag({catalog}).get());
    EXPECT_TRUE(m_panels->lastPanel().isCancelled);
    EXPECT_EQ(openButtons(), "011");
    EXPECT_FALSE(m_controller->isCatalogBrowserLoaded() && m_controller->catalogBrowser().isWindowVisible());
    drainMainQueue();
    EXPECT_EQ(m_controller->addedCatalogPath(), catalog);
    EXPECT_EQ(KTImageSourcesWindowController::recentCatalogsPaths(), QStringList{catalog});
    ASSERT_TRUE(waitUntil([&] { return !m_controller->catalogBrowser().isPopulating(); }));
    EXPECT_TRUE(m_controller->catalogBrowser().isWindowVisible());

    const QString trip = m_controller->catalogBrowser().catalogs().first().nodes.at(2).identifier;
    m_controller->readDataFromPasteboard(nodeDrag(trip).get());
    EXPECT_EQ(m_controller->imageSources(), QStringList{trip});
    EXPECT_EQ(rowTexts(), QStringList{"Lightroom 5: Lightroom Catalog/Photos/Trip"});
    EXPECT_EQ(table().cellViewAtRow(0)->imageName(), "source_lightroom");
    EXPECT_EQ(m_controller->externalItemsCount(), 10);
    EXPECT_EQ(openButtons(), "000");
}

TEST_F(KTImageSourcesWindowControllerTest, AddCatalogPanelListsFoldersAndCataloguesAndOpensTheChoice)
{
    const QString catalog = lightroomCatalog();
    const QString library = KTCatalogFixtures::createAppleLibrary(m_dir.path(), "Aperture", "Family");
    m_controller->onAddCatalog();
    ASSERT_TRUE(m_panels->isShowing());
    EXPECT_FALSE(window().addFolderButton()->isButtonEnabled()) << "while the catalogue panel shows";
    KTOpenPanelOptions options = m_panels->lastPanel().options;
    EXPECT_TRUE(options.canChooseFiles);
    EXPECT_FALSE(options.allowsMultipleSelection);
    EXPECT_EQ(options.directory, m_home);
    EXPECT_TRUE(options.packageExtensions.contains("photolibrary"));
    EXPECT_TRUE(options.packageExtensions.contains("aplibrary"));
    EXPECT_EQ(options.nameFilters,
              (QStringList{"Catalogs and libraries (*.lrcat *.lrdb *.aglib *.photolibrary *.aplibrary)",
                           "All Files (*)"}));

    m_panels->answer({});
    EXPECT_EQ(openButtons(), "011");
    EXPECT_FALSE(m_controller->isCatalogBrowserLoaded());

    m_controller->onAddCatalog();
    m_panels->answer({library});
    drainMainQueue();
    ASSERT_TRUE(m_controller->isCatalogBrowserLoaded());
    EXPECT_EQ(m_controller->catalogBrowser().catalogs().first().path, library);

    // The next panel opens beside the most recent catalogue.
    m_controller->onAddCatalog();
    EXPECT_EQ(m_panels->lastPanel().options.directory, m_dir.path());
    // "All Files" lets a file that is no catalogue be chosen: it is named and nothing opens.
    writeFile(m_dir.filePath("IMG_0001.JPG"), "jpeg");
    m_panels->answer({m_dir.filePath("IMG_0001.JPG")});
    drainMainQueue();
    ASSERT_EQ(m_alerts->shown().size(), 1u);
    EXPECT_TRUE(m_alerts->shown().back().informativeText.contains(m_dir.filePath("IMG_0001.JPG")));
    EXPECT_EQ(m_controller->catalogBrowser().catalogs().first().path, library);
}

// The menu lists the recent catalogues oldest first, with the most recent at the button; a
// catalogue that is gone is reported and stays in the list.
TEST_F(KTImageSourcesWindowControllerTest, RecentCatalogsOpenFromTheMenuAndAMissingOneIsReported)
{
    EXPECT_EQ(openButtons(), "011") << "no recent catalogue";
    const QString kept = lightroomCatalog("Kept.lrcat");
    const QString gone = lightroomCatalog("Gone.lrcat");
    KTImageSourcesWindowController::addCatalogPathToRecent(gone);
    KTImageSourcesWindowController::addCatalogPathToRecent(kept);
    KTImageSourcesWindowController::addCatalogPathToRecent(gone);
    EXPECT_EQ(KTImageSourcesWindowController::recentCatalogsPaths(), (QStringList{kept, gone}));
    m_controller->reset();
    EXPECT_EQ(openButtons(), "111");

    ASSERT_TRUE(QFile::remove(gone));
    {
        ScriptedMenu menu(1);
        m_controller->onOpenRecentCatalog();
        EXPECT_EQ(menu.items, (QStringList{kept, gone}));
        EXPECT_EQ(menu.positionedItem, gone);
    }
    ASSERT_EQ(m_alerts->shown().size(), 1u);
    EXPECT_EQ(m_alerts->shown().front().messageText, "Catalog was not found");
    EXPECT_EQ(m_alerts->shown().front().informativeText, "Please choose different catalog");
    EXPECT_EQ(KTImageSourcesWindowController::recentCatalogsPaths(), (QStringList{kept, gone}));
    EXPECT_FALSE(m_controller->isCatalogBrowserLoaded());

    {
        ScriptedMenu menu(0);
        m_controller->onOpenRecentCatalog();
    }
    ASSERT_TRUE(m_controller->isCatalogBrowserLoaded());
    EXPECT_EQ(m_controller->catalogBrowser().catalogs().first().path, kept);
    EXPECT_EQ(KTImageSourcesWindowController::recentCatalogsPaths(), (QStringList{gone, kept}));
    EXPECT_EQ(m_alerts->shown().size(), 1u);
}

// Only a Lightroom catalogue whose version table says 4 or 5 reaches the browser; any other is
// refused with the reason, and stays in the recent list.
TEST_F(KTImageSourcesWindowControllerTest, OnlyLightroom4And5CataloguesOpenAndOthersAreRefusedWithTheReason)
{
    const QString unversioned = lightroomCatalog("Unversioned.lrcat");
    KTCatalogFixtures::execute(unversioned,
                               "DELETE FROM Adobe_variablesTable WHERE name = 'Adobe_DBVersion'");
    const QString damaged = lightroomCatalog("Damaged.lrcat");
    KTCatalogFixtures::corrupt(damaged);
    struct Case
    {
        QString path;
        QString reason;
    };
    const Case cases[] = {
        {lightroomCatalog("Three.lrcat", "0300025"), "made by Lightroom 3"},
        {lightroomCatalog("Six.lrcat", "0600008"), "made by Lightroom 6"},
        {lightroomCatalog("Old.lrdb", "0100004"), "made by Lightroom 1"},
        {unversioned, "names no Lightroom version"},
        {damaged, "cannot be read"},
        {lightroomCatalog("Four.lrcat", "0400020"), {}},
        {lightroomCatalog("Five.lrcat", "0500025"), {}},
        {KTCatalogFixtures::createAppleLibrary(m_dir.path(), "iPhoto"), {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        const size_t alertsBefore = m_alerts->shown().size();
        m_controller->showIMediaBrowserWithPath(c.path);
        EXPECT_TRUE(KTImageSourcesWindowController::recentCatalogsPaths().contains(c.path));
        const bool opened = m_controller->isCatalogBrowserLoaded() &&
                            !m_controller->catalogBrowser().catalogs().isEmpty() &&
                            m_controller->catalogBrowser().catalogs().first().path == c.path;
        if (c.reason.isEmpty()) {
            EXPECT_TRUE(opened);
            EXPECT_EQ(m_alerts->shown().size(), alertsBefore);
            ASSERT_TRUE(waitUntil([&] { return !m_controller->catalogBrowser().isPopulating(); }));
            EXPECT_FALSE(m_controller->catalogBrowser().catalogs().first().nodes.isEmpty());
        } else {
            EXPECT_FALSE(opened);
            ASSERT_EQ(m_alerts->shown().size(), alertsBefore + 1);
            const KTAlert alert = m_alerts->shown().back();
            EXPECT_EQ(alert.messageText, "Your version of Lightroom catalog is not supported.");
            EXPECT_TRUE(alert.informativeText.contains(c.reason)) << alert.informativeText.toStdString();
        }
    }
}

// Start with a chosen node: the window turns transparent while the cancelable task reads the
// node's image list, then the delegate gets the list alone (no folder paths).
TEST_F(KTImageSourcesWindowControllerTest, StartWithACatalogueNodeHandsItsImageListToTheDelegate)
{
    const QString catalog = lightroomCatalog();
    openCatalog(catalog);
    const KTCatalogNode family = chooseNode("Family");
    chooseNode("Family");
    EXPECT_EQ(m_controller->imageSources(), QStringList{family.identifier})
        << "one row for a node chosen twice";
    EXPECT_EQ(rowTexts(), QStringList{"Lightroom 5: Lightroom Catalog/Family"});
    EXPECT_EQ(m_controller->externalItemsCount(), 3);
    EXPECT_EQ(m_controller->pendingImageListNodes(), QStringList{family.identifier});
    EXPECT_TRUE(m_controller->externalApplicationsImages().isEmpty()) << "read only at Start";
    EXPECT_EQ(openButtons(), "000");
    EXPECT_FALSE(m_controller->catalogBrowser().isWindowVisible());

    m_controller->onStartSession();
    EXPECT_TRUE(m_controller->wantsToStartSession());
    EXPECT_EQ(window().windowOpacity(), 0.0);
    EXPECT_EQ(m_timeLabel, QList<bool>{false});
    ASSERT_TRUE(waitUntil([&] { return !m_delegate.starts.empty(); }));

    ASSERT_EQ(m_delegate.starts.size(), 1u);
    const KTRecordingSourcesDelegate::Start &start = m_delegate.starts.front();
    EXPECT_TRUE(start.sessionFolders.isEmpty());
    EXPECT_TRUE(start.shouldGenerateThumbnails);
    EXPECT_EQ(start.externalItemsCount, 3);
    ASSERT_EQ(start.externalApplicationsImages.keys(), QStringList{family.identifier});
    const QVariantMap list = start.externalApplicationsImages.value(family.identifier).toMap();
    EXPECT_EQ(list.value("nodeId").toString(), family.identifier);
    EXPECT_EQ(list.value("importSource").toString(), "Lightroom5");
    EXPECT_EQ(list.value("mediaSource").toString(), catalog);
    EXPECT_EQ(list.value("importSourceName").toString(), "Family");
    const QVariantList images = list.value("imagesArray").toList();
    ASSERT_EQ(images.size(), 3);
    EXPECT_EQ(images.first().toMap().value("idLocal").toLongLong(), 101);
    EXPECT_EQ(images.first().toMap().value("collectionID").toLongLong(), 500);
    EXPECT_TRUE(images.first().toMap().value("path").toString().endsWith("/Photos/IMG_0001.JPG"));

    EXPECT_FALSE(m_controller->wantsToStartSession());
    EXPECT_EQ(window().windowOpacity(), 1.0);
    EXPECT_EQ(m_timeLabel, (QList<bool>{false, true}));
    EXPECT_EQ(taskTrail(), (QStringList{"TaskDidStart:" + kLoadingTask, "TaskDidFinish:" + kLoadingTask}));
    EXPECT_TRUE(KTTaskDidStartInfo::isCancelable(m_tasks->events().front().userInfo));

    // A delegate that does not start the session (too little disk space) finds the window as the
    // user left it: the node, its row, its list, Start on and the open buttons off.
    EXPECT_EQ(m_controller->imageSources(), QStringList{family.identifier});
    EXPECT_EQ(rowTexts(), QStringList{"Lightroom 5: Lightroom Catalog/Family"});
    EXPECT_TRUE(window().startSessionButton()->isButtonEnabled());
    EXPECT_TRUE(window().noSourcesTextField()->isHidden());
    EXPECT_EQ(openButtons(), "000");
    // The choice taken at Start comes back whole after a reset (a load of it was cancelled).
    const KTImageSourcesWindowController::Choice choice = m_controller->choice();
    m_controller->reset();
    m_controller->restoreChoice(choice);
    EXPECT_EQ(rowTexts(), QStringList{"Lightroom 5: Lightroom Catalog/Family"});
    EXPECT_EQ(m_controller->externalApplicationsImages().keys(), QStringList{family.identifier});
    EXPECT_EQ(m_controller->externalItemsCount(), 3);
    m_controller->onStartSession();
    EXPECT_EQ(m_delegate.starts.size(), 2u);
}

// Closing the window while a node's list is read withdraws the start: the list still lands, and no
// session begins.
TEST_F(KTImageSourcesWindowControllerTest, CloseWhileTheListLoadsWithdrawsTheStart)
{
    openCatalog(lightroomCatalog());
    const KTCatalogNode photos = chooseNode("Photos");
    m_controller->onStartSession();
    ASSERT_TRUE(m_controller->wantsToStartSession());
    m_controller->onCloseWindow();
    EXPECT_EQ(m_delegate.closes, 1);
    EXPECT_FALSE(m_controller->wantsToStartSession());
    EXPECT_EQ(window().windowOpacity(), 1.0);
    ASSERT_TRUE(waitUntil([&] { return m_controller->pendingImageListNodes().isEmpty(); }));
    drainMainQueue();
    EXPECT_TRUE(m_delegate.starts.empty());
    EXPECT_EQ(m_controller->externalApplicationsImages().keys(), QStringList{photos.identifier});
    EXPECT_EQ(taskTrail(), (QStringList{"TaskDidStart:" + kLoadingTask, "TaskDidFinish:" + kLoadingTask}));
}

// A catalogue node cannot join folders, by the browser's Add button as by a drag: Start would hand
// over the catalogue's images alone. The user is told; the folders stay.
TEST_F(KTImageSourcesWindowControllerTest, ACatalogueNodeCannotJoinFolders)
{
    const QString folder = makeFolder(m_home + "/Harbour");
    openCatalog(lightroomCatalog());
    m_controller->addPaths({folder});
    chooseNode("Photos");
    EXPECT_EQ(m_controller->imageSources(), QStringList{folder});
    EXPECT_TRUE(m_controller->pendingImageListNodes().isEmpty());
    ASSERT_EQ(m_alerts->shown().size(), 1u);
    EXPECT_EQ(
        m_alerts->shown().back().informativeText,
        "“Lightroom 5: Lightroom Catalog/Photos” cannot join the folders chosen: a session takes folders, or "
        "one catalog on its own.");
}

// Cancel ends the waiting start: the window comes back and no session starts, while the list
// still lands, so the next Start goes straight through.
TEST_F(KTImageSourcesWindowControllerTest, CancelWhileTheListLoadsStartsNoSessionButKeepsTheList)
{
    openCatalog(lightroomCatalog());
    const KTCatalogNode photos = chooseNode("Photos");
    m_controller->onStartSession();
    // The list's completion comes through the main queue, so it cannot have landed yet.
    m_controller->cancelCurrentTask();
    EXPECT_FALSE(m_controller->wantsToStartSession());
    EXPECT_EQ(window().windowOpacity(), 1.0);
    EXPECT_EQ(m_timeLabel, (QList<bool>{false, true}));

    ASSERT_TRUE(waitUntil([&] { return m_controller->pendingImageListNodes().isEmpty(); }));
    drainMainQueue();
    EXPECT_TRUE(m_delegate.starts.empty());
    // A second cancel finds no task to end.
    m_controller->cancelCurrentTask();
    EXPECT_EQ(m_controller->externalApplicationsImages().keys(), QStringList{photos.identifier});
    EXPECT_EQ(taskTrail(), (QStringList{"TaskDidStart:" + kLoadingTask, "TaskDidFinish:" + kLoadingTask}));

    m_controller->onStartSession();
    ASSERT_EQ(m_delegate.starts.size(), 1u);
    EXPECT_EQ(m_delegate.starts.front().externalApplicationsImages.keys(), QStringList{photos.identifier});
}

// A node chosen before a reset never joins the next session, and a reset while lists load ends
// the waiting start.
TEST_F(KTImageSourcesWindowControllerTest, ResetDropsTheListsOfNodesChosenBeforeIt)
{
    openCatalog(lightroomCatalog());
    chooseNode("Family");
    m_controller->reset();
    EXPECT_TRUE(m_controller->pendingImageListNodes().isEmpty());
    const QString folder = makeFolder(m_home + "/Harbour");
    m_controller->addPaths({folder});
    m_controller->onStartSession();
    ASSERT_EQ(m_delegate.starts.size(), 1u);
    EXPECT_EQ(m_delegate.starts.front().imageSources, QStringList{folder});
    EXPECT_TRUE(m_delegate.starts.front().externalApplicationsImages.isEmpty());
    EXPECT_TRUE(taskTrail().isEmpty());

    // Reset while Family is read; Photos, chosen after, is read behind it on the one-wide queue,
    // so when its session starts the dropped Family list has had every chance to land.
    m_delegate.starts.clear();
    m_controller->reset();
    openCatalog(m_controller->addedCatalogPath());
    const KTCatalogNode family = chooseNode("Family");
    m_controller->onStartSession();
    m_controller->reset();
    EXPECT_FALSE(m_controller->wantsToStartSession());
    EXPECT_EQ(window().windowOpacity(), 1.0);
    EXPECT_EQ(taskTrail(), (QStringList{"TaskDidStart:" + kLoadingTask, "TaskDidFinish:" + kLoadingTask}));

    const KTCatalogNode photos = chooseNode("Photos");
    m_controller->onStartSession();
    ASSERT_TRUE(waitUntil([&] { return !m_delegate.starts.empty(); }));
    drainMainQueue();
    ASSERT_EQ(m_delegate.starts.size(), 1u);
    EXPECT_EQ(m_delegate.starts.front().externalApplicationsImages.keys(), QStringList{photos.identifier});
    EXPECT_FALSE(m_controller->externalApplicationsImages().contains(family.identifier));
}

// A node whose list holds no images, or cannot be read, leaves the list with a word to the
// user, and the start that waited for it begins no session.
TEST_F(KTImageSourcesWindowControllerTest, ANodeWithoutImagesLeavesTheListAndStartsNothing)
{
    struct Case
    {
        const char *name;
        QString node;
        bool damageCatalogue;
        QString message;
    };
    const Case cases[] = {
        {"an empty collection", "Empty", false, "“Lightroom 5: Empty/Empty” holds no images."},
        {"a catalogue damaged since", "Family", true,
         "The images of “Lightroom 5: Damaged/Family” could not be read from its catalog."},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        m_controller->reset();
        m_delegate.starts.clear();
        const QString catalog = lightroomCatalog(c.damageCatalogue ? "Damaged.lrcat" : "Empty.lrcat");
        KTCatalogFixtures::execute(catalog,
                                   "INSERT INTO AgLibraryCollection VALUES (502, "
                                   "'com.adobe.ag.library.collection', '/3502', NULL, 'Empty', NULL, 0)");
        openCatalog(catalog);
        chooseNode(c.node);
        ASSERT_EQ(m_controller->imageSources().size(), 1);
        if (c.damageCatalogue)
            KTCatalogFixtures::corrupt(catalog);
        const size_t alertsBefore = m_alerts->shown().size();

        m_controller->onStartSession();
        ASSERT_TRUE(waitUntil([&] { return !m_controller->wantsToStartSession(); }));
        ASSERT_EQ(m_alerts->shown().size(), alertsBefore + 1);
        EXPECT_EQ(m_alerts->shown().back().messageText, c.message);
        EXPECT_TRUE(m_controller->imageSources().isEmpty());
        EXPECT_TRUE(m_controller->externalApplicationsImages().isEmpty());
        EXPECT_EQ(m_controller->externalItemsCount(), 0);
        EXPECT_EQ(rowTexts(), QStringList{});
        EXPECT_EQ(window().windowOpacity(), 1.0);
        EXPECT_FALSE(window().startSessionButton()->isButtonEnabled());
        EXPECT_EQ(openButtons(), "111");
        drainMainQueue();
        EXPECT_TRUE(m_delegate.starts.empty());
        m_controller->onStartSession();
        EXPECT_TRUE(m_delegate.starts.empty()) << "Start has nothing to begin";
    }
}
