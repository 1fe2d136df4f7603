#include "KTImageMover.h"

#include "KTCatalogModel.h"
#include "KTDispatch.h"
#include "KTFilesManager.h"
#include "KTImageGroupMO.h"
#include "KTImageMO.h"
#include "KTObjectContext.h"
#include "KTTaskRecorder.h"
#include "KTTasksNotifier.h"
#include "KTTestFiles.h"
#include "KTTestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace {

/// A main context with images whose files live in "from", a destination folder "to", and a mover
/// that counts its undo-stack clearings.
struct MoverFixture
{
    QTemporaryDir dir;
    std::shared_ptr<KTObjectContext> context =
        KTObjectContext::makeMainContext(KTCatalogModel::sharedModel());
    QObject sender;
    KTTaskRecorder tasks{&sender};
    int undoClearings = 0;
    KTImageMover mover{context, &sender, [this] { ++undoClearings; }};

    MoverFixture()
    {
        QDir(dir.path()).mkdir("from");
        QDir(dir.path()).mkdir("to");
    }
    QString from(const QString &name) const { return dir.filePath("from/" + name); }
    QString to(const QString &name) const { return dir.filePath("to/" + name); }

    /// An image record for "from/<name>" (the file is written when `content` is set), with an
    /// optional JPEG twin.
    KTImageMO *addImage(const QString &name, const QByteArray &content, const QString &jpegName = {})
    {
        if (!content.isNull())
            writeFile(from(name), content);
        auto *image = context->insert<KTImageMO>(kImageEntityName);
        image->setPath(from(name));
        if (!jpegName.isEmpty()) {
            writeFile(from(jpegName), content + " jpeg");
            image->setDuplicateImagePath(from(jpegName));
        }
        return image;
    }
    bool waitForTask(const QString &name)
    {
        return waitUntil(
            [&] { return tasks.count(kTaskDidFinishNotification, name) == 1 && undoClearings == 1; });
    }
    QStringList destinationFiles() const { return QDir(to(QString())).entryList(QDir::Files, QDir::Name); }
};

} // namespace

TEST(KTImageMoverTest, CopiesTakeTheNextFreeNumberedNameAndKeepTheRecords)
{
    MoverFixture f;
    KTImageMO *raw = f.addImage("IMG_0001.CR2", "raw", "IMG_0001.JPG");
    KTImageMO *plain = f.addImage("a.b.png", "png");
    writeFile(f.to("IMG_0001.CR2"), "taken");
    writeFile(f.to("IMG_0001 2.CR2"), "taken too");
    writeFile(f.to("a.b.png"), "taken");
    f.context->save();

    f.mover.copyImages({raw, plain}, f.to(QString()));
    ASSERT_TRUE(f.waitForTask(kCopyItemsTaskName));
    // The pair keeps one stem: its JPEG takes the RAW's suffix although its own plain name is free.
    EXPECT_EQ(f.destinationFiles(), (QStringList{"IMG_0001 2.CR2", "IMG_0001 3.CR2", "IMG_0001 3.JPG",
                                                 "IMG_0001.CR2", "a.b 2.png", "a.b.png"}));
    EXPECT_EQ(readFile(f.to("IMG_0001 3.CR2")), "raw");
    EXPECT_EQ(readFile(f.to("IMG_0001.CR2")), "taken");
    EXPECT_EQ(readFile(f.to("IMG_0001 3.JPG")), "raw jpeg");
    EXPECT_EQ(readFile(f.to("a.b 2.png")), "png");
    EXPECT_FALSE(raw->isDeleted());
    EXPECT_EQ(raw->path(), f.from("IMG_0001.CR2"));
    EXPECT_FALSE(f.context->hasChanges());
    EXPECT_EQ(f.tasks.trail(),
              (QStringList{"TaskDidStart:Copying Images", "TaskStepsDidCalculate", "StepDidExecute",
                           "StepDidExecute", "TaskDidFinish:Copying Images"}));
}

TEST(KTImageMoverTest, MovingDeletesTheRecordsOfMovedFilesOnlyAndLogsFailures)
{
    MoverFixture f;
    KTImageMO *pair = f.addImage("IMG_0002.CR2", "raw", "IMG_0002.JPG");
    KTImageMO *missing = f.addImage("gone.jpg", QByteArray());
    KTImageMO *clash = f.addImage("IMG_0003.jpg", "third");
    writeFile(f.to("IMG_0002.JPG"), "taken");
    writeFile(f.to("IMG_0003.jpg"), "taken");
    f.context->save();

    KTLogCapture log;
    f.mover.moveImages({pair, missing, clash}, f.to(QString()));
    ASSERT_TRUE(f.waitForTask(kMovingItemsTaskName));
    EXPECT_TRUE(pair->isDeleted());
    EXPECT_TRUE(clash->isDeleted());
    EXPECT_FALSE(missing->isDeleted());
    // Only the JPEG's name was taken; the RAW follows it to " 2".
    EXPECT_EQ(readFile(f.to("IMG_0002 2.CR2")), "raw");
    EXPECT_EQ(readFile(f.to("IMG_0002 2.JPG")), "raw jpeg");
    EXPECT_FALSE(QFileInfo::exists(f.to("IMG_0002.CR2")));
    EXPECT_EQ(readFile(f.to("IMG_0003 2.jpg")), "third");
    EXPECT_EQ(readFile(f.to("IMG_0003.jpg")), "taken");
    EXPECT_TRUE(QDir(f.from(QString())).entryList(QDir::Files).isEmpty());
    EXPECT_TRUE(log.contains("Error: failed to move " + f.from("gone.jpg")));
    EXPECT_TRUE(log.contains("No such file or directory"));
    EXPECT_EQ(f.tasks.count("StepDidExecute", QString()), 3);
}

TEST(KTImageMoverTest, APairLandsUnderTheFirstSuffixFreeForBothFiles)
{
    MoverFixture f;
    KTImageMO *pair = f.addImage("P.CR2", "raw", "P.JPG");
    writeFile(f.to("P.CR2"), "taken");
    writeFile(f.to("P 2.JPG"), "taken");
    f.context->save();

    f.mover.moveImages({pair}, f.to(QString()));
    ASSERT_TRUE(f.waitForTask(kMovingItemsTaskName));
    EXPECT_EQ(f.destinationFiles(), (QStringList{"P 2.JPG", "P 3.CR2", "P 3.JPG", "P.CR2"}));
    EXPECT_EQ(readFile(f.to("P 3.CR2")), "raw");
    EXPECT_EQ(readFile(f.to("P 3.JPG")), "raw jpeg");
    EXPECT_TRUE(pair->isDeleted());
}

// When a file of a pair cannot move, the pair is never split silently: no file is lost and the
// log names both paths.
TEST(KTImageMoverTest, APairWhoseJPEGCannotFollowIsReportedWithBothPaths)
{
    struct Case
    {
        const char *name;
        bool move;
        /// The file that refuses to move or copy.
        const char *failing;
        /// Moves back into the source folder fail as well.
        bool sourceRefuses;
        const char *log;
        bool recordDeleted;
        QStringList sourceFiles;
        QStringList destinationFiles;
    };
    const Case cases[] = {
        {"move: the RAW is put back",
         true,
         ".JPG",
         false,
         "was put back beside it",
         false,
         {"P.CR2", "P.JPG"},
         {}},
        {"move: the RAW cannot return",
         true,
         ".JPG",
         true,
         "the JPEG stays where it was",
         true,
         {"P.JPG"},
         {"P.CR2"}},
        {"copy: the RAW's copy stays",
         false,
         ".JPG",
         false,
         "but failed to copy its JPEG",
         false,
         {"P.CR2", "P.JPG"},
         {"P.CR2"}},
        {"move: the RAW fails, its JPEG stays with it",
         true,
         ".CR2",
         false,
         "Error: failed to move",
         false,
         {"P.CR2", "P.JPG"},
         {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        MoverFixture f;
        KTImageMO *pair = f.addImage("P.CR2", "raw", "P.JPG");
        f.context->save();
        const QString sourceFolder = QFileInfo(f.from("P.CR2")).absolutePath();
        f.mover.setFileTransfer([&](KTImageMover::Operation operation, const QString &source,
                                    const QString &folder, const std::function<QString(quint64)> &candidates,
                                    QString *error) {
            if (source.endsWith(c.failing) || (c.sourceRefuses && folder == sourceFolder)) {
                *error = "Input/output error";
                return QString();
            }
            return operation == KTImageMover::Operation::Move
                       ? KTFilesManager::moveFileToFreeName(source, folder, candidates, error)
                       : KTFilesManager::copyFileToFreeName(source, folder, candidates, error);
        });

        KTLogCapture log;
        if (c.move)
            f.mover.moveImages({pair}, f.to(QString()));
        else
            f.mover.copyImages({pair}, f.to(QString()));
        ASSERT_TRUE(f.waitForTask(c.move ? kMovingItemsTaskName : kCopyItemsTaskName));
        EXPECT_TRUE(log.contains(c.log)) << log.lines().join('\n').toStdString();
        EXPECT_TRUE(log.contains(f.from("P.CR2")));
        if (QLatin1String(c.failing) == ".JPG") {
            EXPECT_TRUE(log.contains(f.from("P.JPG")));
        }
        EXPECT_EQ(pair->isDeleted(), c.recordDeleted);
        EXPECT_EQ(QDir(sourceFolder).entryList(QDir::Files, QDir::Name), c.sourceFiles);
        EXPECT_EQ(f.destinationFiles(), c.destinationFiles);
        if (!c.recordDeleted) {
            EXPECT_EQ(readFile(pair->path()), "raw");
        }
    }
}

TEST(KTImageMoverTest, APairWhoseJPEGIsMissingMovesItsRAWAlone)
{
    MoverFixture f;
    KTImageMO *pair = f.addImage("P.CR2", "raw", "P.JPG");
    QFile::remove(f.from("P.JPG"));
    f.context->save();

    KTLogCapture log;
    f.mover.moveImages({pair}, f.to(QString()));
    ASSERT_TRUE(f.waitForTask(kMovingItemsTaskName));
    EXPECT_EQ(f.destinationFiles(), QStringList{"P.CR2"});
    EXPECT_TRUE(pair->isDeleted());
    EXPECT_TRUE(
        log.contains("Warning: the JPEG " + f.from("P.JPG") + " of " + f.from("P.CR2") + " is missing"));
}

TEST(KTImageMoverTest, ARecordDeletedBeforeTheWorkReachesItIsSkipped)
{
    MoverFixture f;
    KTImageMO *kept = f.addImage("kept.jpg", "kept");
    KTImageMO *removed = f.addImage("removed.jpg", "removed");
    f.context->save();

    KTLogCapture log;
    f.mover.moveImages({removed, kept}, f.to(QString()));
    // The job reads its records from the main context through the main thread, so this delete
    // lands before it looks at either record.
    f.context->deleteObject(removed);
    ASSERT_TRUE(f.waitForTask(kMovingItemsTaskName));
    EXPECT_TRUE(kept->isDeleted());
    EXPECT_EQ(f.destinationFiles(), QStringList{"kept.jpg"});
    EXPECT_EQ(readFile(f.from("removed.jpg")), "removed");
    EXPECT_TRUE(log.contains("was deleted before it could be handled; skipped"));
    EXPECT_EQ(f.tasks.count("StepDidExecute", QString()), 2);
}

TEST(KTImageMoverTest, ADestinationThatIsNoFolderDoesNothing)
{
    MoverFixture f;
    KTImageMO *image = f.addImage("x.jpg", "x");
    writeFile(f.to("file"), "a file");
    KTLogCapture log;
    for (const QString &destination : {f.to("file"), f.to("missing")}) {
        f.mover.moveImages({image}, destination);
        EXPECT_TRUE(
            log.contains("Dest path to move is not a folder or folder doesn't exist: " + destination));
    }
    drainMainQueue();
    EXPECT_TRUE(f.tasks.events().empty());
    EXPECT_EQ(f.undoClearings, 0);
    EXPECT_EQ(readFile(f.from("x.jpg")), "x");
}

TEST(KTImageMoverTest, UniqueNameCandidates)
{
    EXPECT_EQ(KTImageMover::uniqueNameCandidate("/d", "IMG_0001.CR2", 0), "/d/IMG_0001.CR2");
    EXPECT_EQ(KTImageMover::uniqueNameCandidate("/d", "IMG_0001.CR2", 1), "/d/IMG_0001 2.CR2");
    EXPECT_EQ(KTImageMover::uniqueNameCandidate("/d", "IMG_0001.CR2", 2), "/d/IMG_0001 3.CR2");
    EXPECT_EQ(KTImageMover::uniqueNameCandidate("/d", "README", 1), "/d/README 2");
    EXPECT_TRUE(KTImageMover::uniqueNameCandidate("/d", "README", 100000).isEmpty());
}

// A second copy into one folder asks about each taken name: replace the file there, take the
// first free "_<n>" name, or stop the rest of the job; an answer for all is asked once. The
// report counts what landed and what the cancel left, and names each failed file with its reason.
TEST(KTImageMoverTest, TakenNamesFollowTheAnswersToTheConflictQuestion)
{
    using Choice = KTFilesManager::ConflictChoice;
    const struct
    {
        const char *scenario;
        KTImageMover::Operation operation;
        std::vector<KTFilesManager::ConflictDecision> answers;
        QStringList expectedFiles;
        int transferred;
        int cancelled;
        int asked;
    } cases[] = {
        {"copy: replace, unique, cancel",
         KTImageMover::Operation::Copy,
         {{Choice::Replace, false}, {Choice::UseUniqueNames, false}, {Choice::Cancel, false}},
         {"a.jpg=a", "b.jpg=old b", "b_1.jpg=b", "c.jpg=old c", "c_1.jpg=old c1"},
         2,
         2,
         3},
        {"copy: unique names for all",
         KTImageMover::Operation::Copy,
         {{Choice::UseUniqueNames, true}},
         {"a.jpg=old a", "a_1.jpg=a", "b.jpg=old b", "b_1.jpg=b", "c.jpg=old c", "c_1.jpg=old c1",
          "c_2.jpg=c", "d.jpg=d"},
         4,
         0,
         1},
        {"move: replace all",
         KTImageMover::Operation::Move,
         {{Choice::Replace, true}},
         {"a.jpg=a", "b.jpg=b", "c.jpg=c", "c_1.jpg=old c1", "d.jpg=d"},
         4,
         0,
         1},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.scenario);
        MoverFixture f;
        QList<KTImageMO *> images;
        for (const char *name : {"a", "b", "c", "d"})
            images.append(f.addImage(QString::fromLatin1(name) + ".jpg", name));
        for (const char *taken : {"a", "b", "c"})
            writeFile(f.to(QString::fromLatin1(taken) + ".jpg"), QByteArray("old ") + taken);
        writeFile(f.to("c_1.jpg"), "old c1");
        f.context->save();

        QStringList asked;
        std::size_t next = 0;
        f.mover.setConflictQuestion([&](const QString &source) {
            EXPECT_TRUE(isMainThread());
            asked.append(QFileInfo(source).fileName());
            return next < c.answers.size() ? c.answers[next++] : KTFilesManager::ConflictDecision{};
        });
        std::optional<KTImageMover::Report> report;
        f.mover.setReportHandler([&](const KTImageMover::Report &r) { report = r; });
        if (c.operation == KTImageMover::Operation::Move)
            f.mover.moveImages(images, f.to(QString()));
        else
            f.mover.copyImages(images, f.to(QString()));
        ASSERT_TRUE(waitUntil([&] { return report.has_value(); }));

        QStringList files;
        for (const QString &name : f.destinationFiles())
            files.append(name + "=" + QString::fromUtf8(readFile(f.to(name))));
        EXPECT_EQ(files, c.expectedFiles);
        EXPECT_EQ(asked.size(), c.asked);
        EXPECT_EQ(asked.value(0), QStringLiteral("a.jpg"));
        EXPECT_EQ(report->transferred, c.transferred);
        EXPECT_EQ(report->cancelled, c.cancelled);
        EXPECT_TRUE(report->failures.isEmpty()) << report->failures.join('\n').toStdString();
        EXPECT_EQ(report->folder, f.to(QString()).chopped(1));
        EXPECT_EQ(f.tasks.count("StepDidExecute", QString()), 4) << "the progress still counts every image";
        if (c.operation == KTImageMover::Operation::Move) {
            for (KTImageMO *image : images)
                EXPECT_TRUE(image->isDeleted());
        }
    }
}

TEST(KTImageMoverTest, ReportNamesEachFileThatFailedAndWhy)
{
    MoverFixture f;
    KTImageMO *missing = f.addImage("gone.jpg", QByteArray());
    KTImageMO *fine = f.addImage("fine.jpg", "fine");
    KTImageMO *pair = f.addImage("P.CR2", "raw", "P.JPG");
    f.context->save();
    std::optional<KTImageMover::Report> report;
    f.mover.setReportHandler([&](const KTImageMover::Report &r) { report = r; });
    f.mover.copyImages({missing, fine, pair}, f.to(QString()));
    ASSERT_TRUE(waitUntil([&] { return report.has_value(); }));
    EXPECT_EQ(report->operation, KTImageMover::Operation::Copy);
    EXPECT_EQ(report->transferred, 2);
    EXPECT_EQ(report->failures, QStringList{"gone.jpg: No such file or directory"});
    EXPECT_EQ(f.destinationFiles(), (QStringList{"P.CR2", "P.JPG", "fine.jpg"}));
}

TEST(KTImageMoverTest, UnderscoredUniqueNameCandidates)
{
    EXPECT_EQ(KTFilesManager::uniqueNameCandidate("/d", "IMG_0001.CR2", 0), "/d/IMG_0001.CR2");
    EXPECT_EQ(KTFilesManager::uniqueNameCandidate("/d", "IMG_0001.CR2", 1), "/d/IMG_0001_1.CR2");
    EXPECT_EQ(KTFilesManager::uniqueNameCandidate("/d", "a.b.png", 2), "/d/a.b_2.png");
    EXPECT_EQ(KTFilesManager::uniqueNameCandidate("/d", "README", 1), "/d/README_1");
}

// A similar group the move leaves with one image is dissolved, as after a trash; one it leaves
// with two keeps them; a copy leaves every group as it was.
TEST(KTImageMoverTest, MovingOutOfASimilarGroupDissolvesTheGroupOfOneItLeaves)
{
    MoverFixture f;
    const auto group = [&](const QList<KTImageMO *> &images) {
        auto *made = f.context->insert<KTImageGroupMO>(kImageGroupEntityName);
        made->addImages(images);
        return made;
    };
    KTImageMO *a1 = f.addImage("a1.jpg", "a1");
    KTImageMO *a2 = f.addImage("a2.jpg", "a2");
    KTImageMO *a3 = f.addImage("a3.jpg", "a3");
    KTImageMO *b1 = f.addImage("b1.jpg", "b1");
    KTImageMO *b2 = f.addImage("b2.jpg", "b2");
    KTImageMO *b3 = f.addImage("b3.jpg", "b3");
    KTImageGroupMO *left = group({a1, a2, a3});
    KTImageGroupMO *kept = group({b1, b2, b3});
    f.context->save();

    f.mover.copyImages({a1, a2}, f.to(QString()));
    ASSERT_TRUE(f.waitForTask(kCopyItemsTaskName));
    EXPECT_EQ(left->images().size(), 3);

    f.mover.moveImages({a1, a2, b1}, f.to(QString()));
    ASSERT_TRUE(waitUntil([&] {
        return f.tasks.count(kTaskDidFinishNotification, kMovingItemsTaskName) == 1 && f.undoClearings == 2;
    }));
    EXPECT_TRUE(left->isDeleted());
    EXPECT_EQ(a3->group(), nullptr);
    EXPECT_FALSE(kept->isDeleted());
    EXPECT_EQ(b2->group(), kept);
    EXPECT_EQ(kept->images().size(), 2);
}
