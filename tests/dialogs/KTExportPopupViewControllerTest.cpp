#include "KTExportPopupViewController.h"

#include "KTAbstractButton.h"
#include "KTPopoverManager.h"
#include "KTShareManager.h"
#include "KTShareSystem.h"

#include <QTest>

#include <gtest/gtest.h>

#include <set>

namespace {

/// A desktop that has the named targets it is told of, and records what is opened with them.
class FakeSystem : public KTShareSystem
{
public:
    void showItemsInFileManager(const QStringList &, std::function<void(bool)> done) override { done(true); }
    bool openFolder(const QString &) override { return true; }
    QList<KTDesktopEntry> imageEditors() override { return {}; }
    std::optional<KTDesktopEntry> applicationForExportTarget(const QString &id) override
    {
        if (targets.count(id) == 0)
            return std::nullopt;
        return KTDesktopEntry{id + ".desktop", id, id + " %F"};
    }
    bool openWithApplication(const KTDesktopEntry &application, const QStringList &paths) override
    {
        launched.append(application.id + ":" + paths.join(",") +
                        (KTPopoverManager::sharedManager().isShown() ? " (popover still open)" : ""));
        return true;
    }
    bool canSendEmail() override { return false; }
    bool sendEmail(const QStringList &) override { return false; }

    std::set<QString> targets{kKTExportToLightroom, kKTExportToIPhoto, kKTExportToAperture};
    QStringList launched;
};

class ExportPopup : public ::testing::Test
{
protected:
    ExportPopup()
    {
        previous = KTShareSystem::install(system);
        window.resize(400, 300);
        anchor = new QWidget(&window);
        anchor->setGeometry(150, 20, 60, 24);
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
    ~ExportPopup() override
    {
        KTPopoverManager::sharedManager().dismissPopover();
        KTShareSystem::install(previous);
    }

    /// Lightroom, iPhoto, Aperture, Move: "1" enabled, "0" disabled.
    QString enabled() const
    {
        QString result;
        for (KTAbstractButton *button : {popup.exportToLightroomButton(), popup.exportToiPhotoButton(),
                                         popup.exportToApertureButton(), popup.moveButton()})
            result += button->isButtonEnabled() ? '1' : '0';
        return result;
    }

    std::shared_ptr<FakeSystem> system = std::make_shared<FakeSystem>();
    std::shared_ptr<KTShareSystem> previous;
    int catalogType = 0;
    QWidget window;
    QWidget *anchor = nullptr;
    KTExportPopupViewController popup{[this] { return catalogType; }};
};

} // namespace

TEST_F(ExportPopup, ThePhotoManagerOfTheSessionsCatalogueIsNeverOffered)
{
    const std::set<QString> all{kKTExportToLightroom, kKTExportToIPhoto, kKTExportToAperture};
    const struct
    {
        const char *name;
        int catalogType;
        std::set<QString> targets;
        std::optional<QStringList> paths;
        const char *enabled;
    } cases[] = {
        {"folders", 0, all, QStringList{"/p/a.jpg"}, "1111"},
        {"Lightroom 4", 1, all, QStringList{"/p/a.jpg"}, "0111"},
        {"Lightroom 5", 2, all, QStringList{"/p/a.jpg"}, "0111"},
        {"iPhoto", 3, all, QStringList{"/p/a.jpg"}, "1011"},
        {"Aperture", 4, all, QStringList{"/p/a.jpg"}, "1101"},
        {"Lightroom 5, only Aperture here", 2, {kKTExportToAperture}, QStringList{"/p/a.jpg"}, "0011"},
        {"no photo manager here", 0, {}, QStringList{"/p/a.jpg"}, "0001"},
        {"an empty list of paths", 0, all, QStringList{}, "1111"},
        {"no list of paths", 0, all, std::nullopt, "0001"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        catalogType = c.catalogType;
        system->targets = c.targets;
        popup.setPathsToShareHandler([&] { return c.paths; });
        popup.reset();
        EXPECT_EQ(enabled(), QString::fromLatin1(c.enabled));
        EXPECT_TRUE(popup.copyButton()->isButtonEnabled());
    }
}

TEST_F(ExportPopup, MoveFollowsItsValidationBlockAndIsAllowedWithoutOne)
{
    popup.reset();
    EXPECT_TRUE(popup.moveButton()->isButtonEnabled());
    for (bool allowed : {false, true}) {
        popup.setMoveButtonValidationHandler([&] { return allowed; });
        popup.reset();
        EXPECT_EQ(popup.moveButton()->isButtonEnabled(), allowed);
        EXPECT_EQ(popup.canMove(), allowed);
    }
    // Without a paths block the list is empty, which still offers the photo managers.
    EXPECT_EQ(popup.pathsToShare(), QStringList());
}

TEST_F(ExportPopup, MoveAndCopyCloseThePopoverBeforeTheirBlockRuns)
{
    std::vector<std::pair<int, bool>> closes;
    popup.setCloseHandler(
        [&](int type) { closes.emplace_back(type, KTPopoverManager::sharedManager().isShown()); });
    for (KTAbstractButton *button : {popup.moveButton(), popup.copyButton()}) {
        popup.showFromView(anchor);
        ASSERT_TRUE(KTPopoverManager::sharedManager().isShown());
        button->click();
    }
    EXPECT_EQ(closes, (std::vector<std::pair<int, bool>>{{0, false}, {1, false}}));

    popup.setCloseHandler({});
    popup.showFromView(anchor);
    popup.moveButton()->click();
    EXPECT_FALSE(KTPopoverManager::sharedManager().isShown());
}

TEST_F(ExportPopup, AnExportClosesThePopoverThenHandsOverThePathsOfTheLastReset)
{
    QStringList selection{"/p/a.jpg", "/p/b.CR2"};
    popup.setPathsToShareHandler([&] { return selection; });
    popup.showFromView(anchor);
    selection = {"/p/changed.jpg"};
    popup.exportToApertureButton()->click();
    EXPECT_FALSE(KTPopoverManager::sharedManager().isShown());
    EXPECT_EQ(system->launched, QStringList{"KTExportToAperture.desktop:/p/a.jpg,/p/b.CR2"});

    catalogType = 4;
    popup.showFromView(anchor);
    popup.exportToApertureButton()->click();
    EXPECT_TRUE(KTPopoverManager::sharedManager().isShown()) << "a disabled export does nothing";
    EXPECT_EQ(system->launched.size(), 1);
}
