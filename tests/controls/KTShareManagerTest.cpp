#include "KTDesktopEntry.h"
#include "KTShareManager.h"
#include "KTShareMenu.h"
#include "KTShareSystem.h"
#include "KTTestFiles.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

/// Records what the manager asks of the desktop; starts nothing.
class FakeSystem : public KTShareSystem
{
public:
    void showItemsInFileManager(const QStringList &paths, std::function<void(bool)> done) override
    {
        revealed.append(paths);
        done(fileManagerAnswers);
    }
    bool openFolder(const QString &folder) override
    {
        openedFolders.append(folder);
        return true;
    }
    QList<KTDesktopEntry> imageEditors() override
    {
        ++editorLookups;
        return editors;
    }
    std::optional<KTDesktopEntry> applicationForExportTarget(const QString &id) override
    {
        if (id == kKTExportToLightroom && hasLightroom)
            return KTDesktopEntry{"lr.desktop", "Lightroom", "lr %F"};
        return std::nullopt;
    }
    bool openWithApplication(const KTDesktopEntry &application, const QStringList &paths) override
    {
        launched.append(application.id + ":" + paths.join(","));
        return true;
    }
    bool canSendEmail() override { return email; }
    bool sendEmail(const QStringList &paths) override
    {
        mailed.append(paths);
        return true;
    }

    bool fileManagerAnswers = true;
    bool hasLightroom = false;
    bool email = true;
    int editorLookups = 0;
    QList<KTDesktopEntry> editors{{"darktable.desktop", "darktable", "darktable %U"},
                                  {"gimp.desktop", "GNU Image Manipulation Program", "gimp %U"}};
    QStringList revealed, openedFolders, launched, mailed;
};

class ShareManager : public ::testing::Test
{
protected:
    ShareManager() { previous = KTShareSystem::install(system); }
    ~ShareManager() override { KTShareSystem::install(previous); }

    /// A paths block that counts how often it is asked.
    KTShareManager::PathsHandler paths()
    {
        return [this] {
            ++pathRequests;
            return QStringList{"/photos/a.jpg", "/photos/b.CR2"};
        };
    }
    static QStringList visibleEntries(QAction *item)
    {
        QStringList result;
        for (QAction *entry : item->menu()->actions()) {
            if (entry->isVisible())
                result.append(entry->isSeparator() ? QStringLiteral("--") : entry->objectName());
        }
        return result;
    }

    std::shared_ptr<FakeSystem> system = std::make_shared<FakeSystem>();
    std::shared_ptr<KTShareSystem> previous;
    int pathRequests = 0;
};

} // namespace

TEST_F(ShareManager, ExportListsTargetsThisDesktopHasThenItsEditorsAndAsksForPathsOnlyWhenUsed)
{
    system->hasLightroom = true;
    std::unique_ptr<QAction> item(
        KTShareManager::exportMenuItemWithImagesPaths(paths(), [] { return true; }));
    EXPECT_EQ(visibleEntries(item.get()),
              (QStringList{"KTExportToLightroom", "--", "darktable.desktop", "gimp.desktop"}));
    EXPECT_EQ(item->menu()->actions().size(), 8) << "the five named targets are all present";
    EXPECT_EQ(pathRequests, 0);

    KTShareManager::itemWithIdentifier(item.get(), "gimp.desktop")->trigger();
    EXPECT_EQ(pathRequests, 1);
    EXPECT_EQ(system->launched, QStringList{"gimp.desktop:/photos/a.jpg,/photos/b.CR2"});
    KTShareManager::hideExportItems({kKTExportToLightroom}, item.get());
    EXPECT_EQ(visibleEntries(item.get()), (QStringList{"--", "darktable.desktop", "gimp.desktop"}));

    EXPECT_TRUE(KTShareManager::canPerformExportWithExportItem("darktable.desktop"));
    EXPECT_FALSE(KTShareManager::canPerformExportWithExportItem(kKTExportToPhotoshop));
    EXPECT_FALSE(KTShareManager::performExportWithExportItem(kKTExportToPhotoshop, {"/photos/a.jpg"}));
    EXPECT_EQ(KTShareManager::linksToProductMenuItemWithExportItemIDs({kKTExportToVividor}), nullptr);
}

TEST_F(ShareManager, ExcludedTargetsAreLeftOutOfLaterMenus)
{
    const QStringList before = KTShareManager::excludedExportItems();
    KTShareManager::excludeExportItems({kKTExportToPhotoshop, kKTExportToPhotoshopElements,
                                        kKTExportToAperture, kKTExportToIPhoto, kKTExportToLightroom});
    system->hasLightroom = true;
    std::unique_ptr<QAction> item(KTShareManager::exportMenuItemWithImagesPaths(paths(), {}));
    EXPECT_EQ(item->menu()->actions().size(), 2) << "no separator without targets above the editors";
    EXPECT_EQ(KTShareManager::itemWithIdentifier(item.get(), kKTExportToLightroom), nullptr);
    KTShareManager::excludeExportItems(before);
}

TEST_F(ShareManager, ValidationBlocksEnableTheItemsAsTheirMenusOpen)
{
    bool selection = false;
    bool gimpAllowed = true;
    std::unique_ptr<QAction> item(
        KTShareManager::exportMenuItemWithImagesPaths(paths(), [&] { return selection; }));
    KTShareManager::configureValidationHandler([&] { return gimpAllowed; }, {"gimp.desktop", "unknown"},
                                               item.get());
    QMenu host;
    host.addAction(item.get());

    KTShareManager::validateMenu(&host);
    EXPECT_FALSE(item->isEnabled());
    selection = true;
    KTShareManager::validate(item.get());
    EXPECT_TRUE(item->isEnabled());

    gimpAllowed = false;
    emit item->menu()->aboutToShow();
    EXPECT_FALSE(KTShareManager::itemWithIdentifier(item.get(), "gimp.desktop")->isEnabled());
    EXPECT_TRUE(KTShareManager::itemWithIdentifier(item.get(), "darktable.desktop")->isEnabled());
}

TEST_F(ShareManager, ShowInFileManagerFallsBackToTheFolder)
{
    std::unique_ptr<QAction> item(KTShareManager::showInFinderMenuItemWithImagesPaths(paths(), {}));
    EXPECT_EQ(item->text(), "Show in File Manager");
    item->trigger();
    EXPECT_EQ(system->revealed, (QStringList{"/photos/a.jpg", "/photos/b.CR2"}));
    EXPECT_TRUE(system->openedFolders.isEmpty());
    system->fileManagerAnswers = false;
    item->trigger();
    EXPECT_EQ(system->openedFolders, QStringList{"/photos"});
}

TEST_F(ShareManager, ShareOffersEmailOnlyWhenTheDesktopCanSendIt)
{
    KTShareManager::configureShareMenuItemsOrderWithServices(
        {kKTShareServiceFlickr, kKTShareServiceFacebook, kKTShareServiceTwitter, kKTShareServiceEmail});
    std::unique_ptr<QAction> item(KTShareManager::shareMenuItemWithImagesPaths(paths(), {}));
    EXPECT_EQ(visibleEntries(item.get()), QStringList{kKTShareServiceEmail});
    KTShareManager::itemWithIdentifier(item.get(), kKTShareServiceEmail)->trigger();
    EXPECT_EQ(system->mailed, (QStringList{"/photos/a.jpg", "/photos/b.CR2"}));

    system->email = false;
    std::unique_ptr<QAction> none(KTShareManager::shareMenuItemWithImagesPaths(paths(), [] { return true; }));
    EXPECT_TRUE(none->menu()->actions().isEmpty());
    EXPECT_FALSE(none->isEnabled());
    KTShareManager::validate(none.get());
    EXPECT_FALSE(none->isEnabled()) << "an empty Share submenu was enabled";
}

// One rule for every menu that hands images to the desktop: reveal and share want a path, export
// exactly one; the photo managers' entries want a path, or are hidden in a menu about one image.
TEST_F(ShareManager, ShareMenuItemsFollowOneRuleInEveryMenu)
{
    system->hasLightroom = true;
    struct Case
    {
        int withPairs;
        int withoutPairs;
        KTShareMenu::PhotoManagers managers;
        bool reveal, exportOne, lightroomVisible, lightroomEnabled;
    };
    using M = KTShareMenu::PhotoManagers;
    const Case cases[] = {
        {2, 1, M::Offered, true, true, true, true},    // one RAW+JPEG pair
        {2, 2, M::Offered, true, false, true, true},   // two images: no editor, the managers take them
        {0, 0, M::Offered, false, false, true, false}, // files gone
        {1, 1, M::Hidden, true, true, false, false},   // one image's context menu
        {0, 0, M::Hidden, false, false, false, false},
    };
    for (const Case &c : cases) {
        const auto list = [](int count) {
            return [count] {
                QStringList paths;
                for (int i = 0; i < count; ++i)
                    paths.append(QStringLiteral("/photos/%1.jpg").arg(i));
                return paths;
            };
        };
        QMenu menu;
        const QList<QAction *> items =
            KTShareMenu::addItems(&menu, {list(c.withPairs), list(c.withoutPairs)}, c.managers);
        ASSERT_EQ(items.size(), 3);
        EXPECT_EQ(menu.actions(), items);
        QAction *lightroom = KTShareManager::itemWithIdentifier(items.at(1), kKTExportToLightroom);
        ASSERT_NE(lightroom, nullptr);
        KTShareManager::validateMenu(items.at(1)->menu());
        const std::string scenario = QStringLiteral("%1/%2 paths, managers %3")
                                         .arg(c.withPairs)
                                         .arg(c.withoutPairs)
                                         .arg(int(c.managers))
                                         .toStdString();
        EXPECT_EQ(items.at(0)->isEnabled(), c.reveal) << scenario;
        EXPECT_EQ(items.at(1)->isEnabled(), c.exportOne) << scenario;
        EXPECT_EQ(items.at(2)->isEnabled(), c.reveal) << scenario;
        EXPECT_EQ(lightroom->isVisible(), c.lightroomVisible) << scenario;
        if (c.lightroomVisible) {
            EXPECT_EQ(lightroom->isEnabled(), c.lightroomEnabled) << scenario;
        }
    }
}

TEST(KTDesktopEntryTest, EditorsAreTheVisibleApplicationsOpeningJpegOrRawFiles)
{
    QTemporaryDir home;
    QTemporaryDir system;
    const auto entry = [](const QString &folder, const QString &name, const QString &body) {
        const QString path = folder + "/applications/" + name;
        QDir().mkpath(QFileInfo(path).path());
        writeFile(path, ("[Desktop Entry]\nType=Application\n" + body).toUtf8());
    };
    entry(home.path(), "viewer.desktop", "Name=Viewer\nExec=viewer %f\nMimeType=image/jpeg;image/png;\n");
    entry(system.path(), "viewer.desktop", "Name=Hidden twin\nExec=other %f\nMimeType=image/jpeg;\n");
    entry(system.path(), "kde/raw.desktop",
          "Name=Raw Lab\nExec=\"raw lab\" --open %F\nMimeType=image/x-canon-cr2;\n");
    entry(system.path(), "text.desktop", "Name=Text\nExec=edit %f\nMimeType=text/plain;\n");
    entry(system.path(), "quiet.desktop",
          "Name=Quiet\nExec=quiet %f\nNoDisplay=true\nMimeType=image/jpeg;\n");
    entry(system.path(), "self.desktop", "Name=Self\nExec=/usr/bin/vireoscope %F\nMimeType=image/jpeg;\n");
    entry(system.path(), "gone.desktop",
          "Name=Gone\nTryExec=/no/such/program\nExec=gone %f\nMimeType=image/jpeg;\n");

    const QList<KTDesktopEntry> editors = KTDesktopEntry::applicationsForMimeTypes(
        ktImageEditorMimeTypes(), {home.path(), system.path()}, {"vireoscope"});
    QStringList found;
    for (const KTDesktopEntry &editor : editors)
        found.append(editor.id + "=" + editor.name);
    EXPECT_EQ(found, (QStringList{"kde-raw.desktop=Raw Lab", "viewer.desktop=Viewer"}));
}

TEST(KTDesktopEntryTest, ExecFieldCodesExpandToCommands)
{
    struct Case
    {
        QString exec;
        QList<QStringList> commands;
    };
    const QStringList two{"/p/a b.jpg", "/p/c.jpg"};
    const Case cases[] = {
        {"editor %F", {{"editor", "/p/a b.jpg", "/p/c.jpg"}}},
        {"editor --single %f", {{"editor", "--single", "/p/a b.jpg"}, {"editor", "--single", "/p/c.jpg"}}},
        {"editor %U", {{"editor", "file:///p/a%20b.jpg", "file:///p/c.jpg"}}},
        {"\"/opt/my editor/run\" --title=%c %i %%x %F",
         {{"/opt/my editor/run", "--title=Ed", "--icon", "ed-icon", "%x", "/p/a b.jpg", "/p/c.jpg"}}},
        {"editor %d", {{"editor", "/p/a b.jpg", "/p/c.jpg"}}},
        {"editor \"quoted \\\"arg\\\"\" %F", {{"editor", "quoted \"arg\"", "/p/a b.jpg", "/p/c.jpg"}}},
    };
    for (const Case &c : cases) {
        KTDesktopEntry entry;
        entry.name = "Ed";
        entry.icon = "ed-icon";
        entry.exec = c.exec;
        EXPECT_EQ(entry.commandsForPaths(two), c.commands) << c.exec.toStdString();
    }
}
