#include "KTEndToEndTest.h"

#include "KTDuplicatesImagesModeController.h"
#include "KTImageMO.h"
#include "KTImageSourcesWindowController.h"
#include "KTImageStorage.h"
#include "KTMainWindowController.h"
#include "KTNotificationCenter.h"
#include "KTProgressWindowController.h"
#include "KTTaskNotifications.h"
#include "KTTasksNotifier.h"
#include "KTTimelineImagesModeController.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>

#include <algorithm>
#include <map>
#include <set>
#include <string>

namespace {

class KTFirstLaunchTest : public KTEndToEndTest
{
protected:
    /// "Folder/name.jpg" of a photo under the home's Photos folder.
    static QString photoName(const QString &path)
    {
        const QFileInfo info(path);
        return info.dir().dirName() + QLatin1Char('/') + info.fileName();
    }
    /// The photos of each group the group mode lists, each group as its sorted names.
    static std::set<std::string> listedGroups(const KTGroupModeController &mode)
    {
        std::set<std::string> groups;
        for (qsizetype index = 0; index < mode.numberOfGroupsInList(); ++index) {
            QStringList names;
            for (const KTImageMO *image : mode.imagesForGroup(index))
                names.append(photoName(image->path()));
            names.sort();
            groups.insert(names.join(QLatin1Char(' ')).toStdString());
        }
        return groups;
    }
    /// The fixture's photos by the first `sections` parts of their names ("s00-b1-2": scene 0,
    /// burst 1, variant 2), the single shots ("u<k>") left out: the scenes or the bursts.
    static std::map<std::string, QStringList> photosBy(const QStringList &paths, int sections)
    {
        std::map<std::string, QStringList> sets;
        for (const QString &path : paths) {
            const QString name = photoName(path);
            if (QFileInfo(path).fileName().startsWith(QLatin1Char('s')))
                sets[name.section(QLatin1Char('-'), 0, sections - 1).toStdString()].append(name);
        }
        for (auto &[key, names] : sets)
            names.sort();
        return sets;
    }
};

/// What the progress sheet showed as each task began: its text and whether it was up.
struct SheetAtTaskStart
{
    QString task;
    QString text;
    bool shown = false;
    bool operator==(const SheetAtTaskStart &) const = default;
};

} // namespace

// The first launch opens the sources window; two folders are added and started; the progress
// sheet shows the count of the images and each task of the load as it begins; the similar-groups mode then
// lists every burst as a group of its own, and the time groups hold every photo, a burst never split between
// two.
TEST_F(KTFirstLaunchTest, TwoFoldersBecomeSimilarGroupsAndTimeGroups)
{
    const QString harbour = folder(QStringLiteral("Photos/Harbour"));
    const QStringList harbourPhotos = KTSessionPhotos::writeBursts(harbour, 2, 1, 21);
    const QString market = folder(QStringLiteral("Photos/Market"));
    const QStringList marketPhotos = KTSessionPhotos::writeBursts(market, 1, 1, 22);

    launch();
    ASSERT_TRUE(waitUntil([&] { return mainWindow().isImageSourcesWindowVisible(); }));
    EXPECT_EQ(quickTipsShown(), 1);
    addFoldersInSourcesWindow({harbour, market});
    EXPECT_EQ(sources().imageSources(), (QStringList{harbour, market}));

    // The sheet's controller observes the bus first: this observer sees what it shows.
    std::vector<SheetAtTaskStart> sheet;
    const KTObserverToken observer = KTNotificationCenter::defaultCenter().addObserver(
        KTTaskDidStartInfo::name(), nullptr, [&](const KTNotification &note) {
            KTProgressWindowController &progress = KTProgressWindowController::sharedController();
            sheet.push_back({KTTaskDidStartInfo::taskName(note.userInfo), progress.progressLabel()->text(),
                             progress.isSheetShown()});
        });
    startSessionAndWait();

    std::vector<SheetAtTaskStart> phases;
    for (const SheetAtTaskStart &start : sheet) {
        if (start.task != kAddSourcesTaskName)
            phases.push_back(start);
    }
    // The images are counted for the disk-space check off the main thread, under the sheet.
    const std::vector<SheetAtTaskStart> expected{
        {kCountingImagesTaskName, kCountingImagesTaskName, true},
        {kLoadImagesTaskName, kLoadImagesTaskName, true},
        {QStringLiteral("Analyzing Images"), QStringLiteral("Analyzing Images"), true},
        {kComparingImagesTaskName, kComparingImagesTaskName, true},
        {QStringLiteral("Finalizing"), QStringLiteral("Finalizing"), true},
        {kGrouppingImagesByTimeTaskName, kGrouppingImagesByTimeTaskName, true},
    };
    ASSERT_EQ(phases.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(phases[i].task, expected[i].task) << i;
        EXPECT_TRUE(phases[i].text.startsWith(expected[i].text)) << qPrintable(phases[i].text);
        EXPECT_TRUE(phases[i].shown) << qPrintable(phases[i].task);
    }
    EXPECT_FALSE(mainWindow().progressWindowController()->isSheetShown());

    ASSERT_EQ(catalogue().images().size(), harbourPhotos.size() + marketPhotos.size());
    ASSERT_EQ(mainWindow().UIMode(), kDuplicatesUIMode);
    auto *similar = dynamic_cast<KTDuplicatesImagesModeController *>(&activeMode());
    ASSERT_NE(similar, nullptr);
    EXPECT_EQ(similar->UIMode(), kUIModeGroups);
    // Each scene of the fixture is one group, its repeat two hours later included; single shots
    // are in none.
    const QStringList photos = harbourPhotos + marketPhotos;
    std::set<std::string> scenes;
    for (const auto &[scene, names] : photosBy(photos, 1))
        scenes.insert(names.join(QLatin1Char(' ')).toStdString());
    EXPECT_EQ(listedGroups(*similar), scenes);

    // The timeline: every photo in one time group, the photos of a burst together.
    press(Qt::Key_T);
    ASSERT_EQ(mainWindow().UIMode(), kAllImagesUIMode);
    auto *timeline = dynamic_cast<KTTimelineImagesModeController *>(&activeMode());
    ASSERT_NE(timeline, nullptr);
    EXPECT_FALSE(catalogue().timeGroups().isEmpty());
    const std::set<std::string> timeGroups = listedGroups(*timeline);
    EXPECT_EQ(qsizetype(timeGroups.size()), catalogue().timeGroups().size());
    qsizetype listed = 0;
    for (const std::string &group : timeGroups)
        listed += QString::fromStdString(group).split(QLatin1Char(' ')).size();
    EXPECT_EQ(listed, catalogue().images().size());
    for (const auto &[burst, names] : photosBy(photos, 2)) {
        const auto holding =
            std::count_if(timeGroups.begin(), timeGroups.end(), [&](const std::string &group) {
                return QString::fromStdString(group).split(QLatin1Char(' ')).contains(names.first());
            });
        EXPECT_EQ(holding, 1) << burst;
        const std::string together = names.join(QLatin1Char(' ')).toStdString();
        EXPECT_TRUE(
            std::any_of(timeGroups.begin(), timeGroups.end(),
                        [&](const std::string &group) { return group.find(together) != std::string::npos; }))
            << burst << " is split";
    }
}
