#include "KTShellFixture.h"

#include "KTSessionFlow.h"
#include "KTTasksNotifier.h"

#include <gtest/gtest.h>

namespace {

/// A session flow on its own over the world's catalogue, its window steps recorded by name.
class FlowWorld : public KTShellWorld
{
public:
    FlowWorld()
    {
        KTSessionFlow::Steps steps;
        const auto record = [this](const char *name) {
            return [this, name] { taken.append(QString::fromLatin1(name)); };
        };
        steps.prepareLoad = record("prepareLoad");
        steps.checkExternalCatalogue = record("checkExternalCatalogue");
        steps.showInvalidSourcesAlert = record("showInvalidSourcesAlert");
        steps.startNewSession = record("startNewSession");
        steps.reopenSources = record("reopenSources");
        steps.sessionCleared = record("sessionCleared");
        steps.cleanUndoStack = record("cleanUndoStack");
        sessionFlow.setSteps(steps);
    }
    void post(const QString &name, bool start, const QVariantMap &userInfo = {})
    {
        if (start)
            KTTasksNotifier::sharedNotifier().taskDidStart(name, storage.get());
        else
            KTTasksNotifier::sharedNotifier().taskDidFinish(name, storage.get(), userInfo);
        drainMainQueue();
    }

    KTSessionFlow sessionFlow{storage.get()};
    QStringList taken;
};

} // namespace

// The end of the outermost task takes the session's next step, by the task and the catalogue's
// state; a nested end takes none, and nothing is left to act on "Deleting Sources", which no job
// posts.
TEST(KTSessionFlowTableTest, TheEndOfTheOutermostTaskTakesTheNextStep)
{
    enum Catalogue
    {
        Empty,
        Folders,
        ACatalogue,
    };
    const struct
    {
        const char *name;
        Catalogue catalogue;
        QStringList tasks;
        QVariantMap userInfo;
        bool cancelled;
        QStringList expected;
        bool newSessionAfter;
    } cases[] = {
        {"a folder load", Folders, {kLoadImagesTaskName}, {}, false, {"cleanUndoStack"}, false},
        {"a catalogue load",
         ACatalogue,
         {kLoadImagesTaskName},
         {},
         false,
         {"cleanUndoStack", "checkExternalCatalogue"},
         false},
        {"a cancelled catalogue load",
         ACatalogue,
         {kLoadImagesTaskName},
         {},
         true,
         {"cleanUndoStack"},
         false},
        {"a nested end", Folders, {kLoadImagesTaskName, kSearchDuplicatesTaskName}, {}, false, {}, true},
        {"a validation without sources",
         Empty,
         {kValidateTaskName},
         KTTaskDidFinishInfo::validated(true),
         false,
         {"cleanUndoStack", "startNewSession"},
         true},
        {"unavailable sources",
         Folders,
         {kValidateTaskName},
         KTTaskDidFinishInfo::validated(true),
         false,
         {"cleanUndoStack", "showInvalidSourcesAlert"},
         true},
        {"a valid catalogue",
         ACatalogue,
         {kValidateTaskName},
         KTTaskDidFinishInfo::validated(false),
         false,
         {"cleanUndoStack", "checkExternalCatalogue"},
         false},
        {"a clearing",
         Folders,
         {kCleanSessionTaskName},
         {},
         false,
         {"cleanUndoStack", "sessionCleared"},
         true},
        {"the clearing of a cancelled load",
         Folders,
         {kCleanSessionTaskName},
         {},
         true,
         {"cleanUndoStack", "sessionCleared", "reopenSources"},
         true},
        {"deleting sources", Folders, {kDeleteSourcesTaskName}, {}, false, {}, true},
        {"the count of a start", Folders, {kCountingImagesTaskName}, {}, false, {}, true},
    };
    for (const auto &row : cases) {
        SCOPED_TRACE(row.name);
        FlowWorld world;
        if (row.catalogue == Folders)
            world.addFolderSource();
        else if (row.catalogue == ACatalogue)
            world.addCatalogueSource(kFolderTypeLightroom5, world.dir.filePath(QStringLiteral("c.lrcat")));
        world.storage->setNewSession(true);
        for (const QString &task : row.tasks)
            world.post(task, true);
        if (row.cancelled)
            world.storage->cancelCurrentTask();
        world.post(row.tasks.last(), false, row.userInfo);
        EXPECT_EQ(world.taken, row.expected);
        EXPECT_EQ(world.storage->newSession(), row.newSessionAfter);
        EXPECT_EQ(world.sessionFlow.tasks(), row.tasks.mid(0, row.tasks.size() - 1));
        // The outer tasks end too, so the process's progress sheet keeps no row of them.
        world.sessionFlow.setSteps({});
        for (qsizetype i = row.tasks.size() - 2; i >= 0; --i)
            world.post(row.tasks.at(i), false);
    }
}
