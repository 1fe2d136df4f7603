#include "KTSimilarFinder.h"
#include "KTSignatureTestHelpers.h"
#include "KTDecodingFixtures.h"
#include "KTTestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <atomic>
#include <map>
#include <mutex>
#include <set>

namespace {

struct Report
{
    QString phase;
    double percent;
};

// A progress block that records every report; optionally stops in one phase.
struct Recorder
{
    std::mutex mutex;
    std::vector<Report> reports;
    QString stopIn;

    KTSimilarFinder::ProgressBlock block()
    {
        return [this](const QString &phase, std::atomic_bool *stop, double percent) {
            std::lock_guard lock(mutex);
            reports.push_back({phase, percent});
            if (phase == stopIn)
                *stop = true;
        };
    }
    std::vector<double> percentsOf(const QString &phase)
    {
        std::vector<double> result;
        for (const Report &report : reports) {
            if (report.phase == phase)
                result.push_back(report.percent);
        }
        return result;
    }
};

KTSimilarFinder::Clusters runFinder(KTSimilarFinder &finder, const KTSearchSettings &settings,
                                    double timeRange = 0, Recorder *recorder = nullptr)
{
    Recorder own;
    KTSimilarFinder::Clusters result;
    bool called = false;
    finder.clasterizeWithSettings(
        settings, timeRange,
        [&](const KTSimilarFinder::Clusters &clusters) {
            result = clusters;
            called = true;
        },
        (recorder ? recorder : &own)->block());
    EXPECT_TRUE(called);
    finder.waitForDiskOperations();
    return result;
}

// A maker that draws signatures from a table of path -> grey level and counts its calls.
struct FakeMaker
{
    QHash<QString, int> levels;
    std::atomic<int> calls{0};
    std::mutex mutex;
    std::vector<QString> paths;

    KTSimilarFinder::SignatureMaker maker()
    {
        return [this](const QString &path, const KTSearchSettings &settings, KTSimilarFinder::Preview) {
            ++calls;
            {
                std::lock_guard lock(mutex);
                paths.push_back(path);
            }
            if (!levels.contains(path))
                return std::unique_ptr<KTImageSignature>();
            return uniformSignature(settings.imageSize, uint8_t(levels.value(path)));
        };
    }
};

// A finder over a temporary cache whose pool holds the photos "a" and "b", of one grey level.
struct TwoPhotoFinder
{
    QTemporaryDir cache;
    FakeMaker fake;
    KTSimilarFinder finder{cache.path()};

    TwoPhotoFinder()
    {
        fake.levels = {{"/a", 10}, {"/b", 10}};
        finder.setSignatureMaker(fake.maker());
        finder.addPhotoWithID(QStringLiteral("a"), QStringLiteral("/a"));
        finder.addPhotoWithID(QStringLiteral("b"), QStringLiteral("/b"));
    }
};

std::set<std::set<QString>> asSets(const KTSimilarFinder::Clusters &clusters)
{
    std::set<std::set<QString>> sets;
    for (const QStringList &cluster : clusters)
        sets.insert(std::set<QString>(cluster.begin(), cluster.end()));
    return sets;
}

} // namespace

TEST(KTSimilarFinderTest, GreedyClusteringTakesTheLongestLaterRowOfTheBase)
{
    enum : uint32_t
    {
        A,
        B,
        C,
        D,
        E
    };
    struct Case
    {
        const char *name;
        std::vector<std::vector<uint32_t>> rows;
        std::vector<std::vector<uint32_t>> clusters;
    } cases[] = {
        {"a row with a used member is skipped", {{A, B}, {B, C}}, {{A, B}}},
        {"a longer later row with the base wins", {{A, B}, {C, A, D}}, {{C, A, D}}},
        {"of equally long rows the earliest wins", {{A, B}, {C, A}, {D, A}}, {{A, B}}},
        {"no rows", {}, {}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(KTSimilarFinder::clusterRows(c.rows), c.clusters) << c.name;
}

// A longer row is taken whole, so D would stand in {E, D} and {C, A, D}: it stays in the later
// cluster, and {E}, left alone, is dropped.
TEST(KTSimilarFinderTest, PhotoInTwoClustersStaysInTheLaterAndLoneRemaindersAreDropped)
{
    enum : uint32_t
    {
        A,
        B,
        C,
        D,
        E
    };
    KTLogCapture log;
    const auto clusters = KTSimilarFinder::clusterRows({{E, D}, {A, B}, {C, A, D}});
    EXPECT_EQ(clusters, (std::vector<std::vector<uint32_t>>{{C, A, D}}));
    EXPECT_TRUE(log.contains(QStringLiteral("Error: Group cannot contains less than 2 images.")));
}

// Positions 0 and 1 are undated (U0, U1), the rest dated in time order (D2 ... D5).
TEST(KTSimilarFinderTest, DatedLeftoversJoinTheClusterOfTheLatestDatedBaseThatHoldsThem)
{
    enum : uint32_t
    {
        U0,
        U1,
        D2,
        D3,
        D4,
        D5
    };
    using Rows = std::vector<std::vector<uint32_t>>;
    struct Case
    {
        const char *name;
        Rows rows;
        Rows clusters;
        Rows joined;
    } cases[] = {
        {"a frame beside its dated original joins the group an undated rendition founded",
         {{U0, D2}, {D2, D3}},
         {{U0, D2}},
         {{U0, D2, D3}}},
        {"the latest dated base wins",
         {{U0, D2}, {U1, D3}, {D2, D4}, {D3, D4}},
         {{U0, D2}, {U1, D3}},
         {{U0, D2}, {U1, D3, D4}}},
        {"an undated base pulls nothing", {{U0, D2}, {U1, D3}}, {{U0, D2}}, {{U0, D2}}},
        {"a base in no cluster pulls nothing", {{U0, D2}, {D3, D4}}, {{U0, D2}}, {{U0, D2}}},
        {"no chains through a joined photo", {{U0, D2}, {D2, D3}, {D3, D4}}, {{U0, D2}}, {{U0, D2, D3}}},
        {"grouped photos stay where they are",
         {{U0, D2}, {D2, D3, D5}, {D4, D5}},
         {{U0, D2}, {D4, D5}},
         {{U0, D2, D3}, {D4, D5}}},
    };
    for (Case &c : cases) {
        KTSimilarFinder::joinDatedLeftovers(c.clusters, c.rows, D2);
        EXPECT_EQ(c.clusters, c.joined) << c.name;
    }
}

TEST(KTSimilarFinderTest, EmptyPoolReportsOnlyCompletionOfEachPhase)
{
    const QTemporaryDir cache;
    KTSimilarFinder finder(cache.path());
    Recorder recorder;
    EXPECT_TRUE(runFinder(finder, plainSettings(8, 90), 0, &recorder).isEmpty());
    ASSERT_EQ(recorder.reports.size(), 3u);
    EXPECT_EQ(recorder.reports[0].phase, KTSimilarFinder::kAnalyzingPhase);
    EXPECT_EQ(recorder.reports[1].phase, KTSimilarFinder::kComparingPhase);
    EXPECT_EQ(recorder.reports[2].phase, KTSimilarFinder::kFinalizingPhase);
    for (const Report &report : recorder.reports)
        EXPECT_EQ(report.percent, 100.0);
}

TEST(KTSimilarFinderTest, GroupsSimilarPhotosAndDropsThoseWithoutSignature)
{
    const QTemporaryDir cache;
    KTSimilarFinder finder(cache.path());
    FakeMaker fake;
    fake.levels = {{"/a", 10}, {"/b", 11}, {"/c", 200}, {"/d", 201}, {"/e", 100}};
    finder.setSignatureMaker(fake.maker());
    for (const char *id : {"a", "b", "c", "d", "e", "x"})
        finder.addPhotoWithID(QString::fromLatin1(id), QStringLiteral("/") + QLatin1String(id));
    Recorder recorder;
    const auto clusters = runFinder(finder, plainSettings(8, 95), 0, &recorder);
    EXPECT_EQ(asSets(clusters), (std::set<std::set<QString>>{{"a", "b"}, {"c", "d"}}));

    // Analysing reports c / n before each increase, so 0 up to 5/6, then 100.
    auto analysing = recorder.percentsOf(KTSimilarFinder::kAnalyzingPhase);
    std::sort(analysing.begin(), analysing.end());
    ASSERT_EQ(analysing.size(), 7u);
    EXPECT_EQ(analysing.front(), 0.0);
    EXPECT_FLOAT_EQ(float(analysing[5]), 500.0f / 6.0f);
    EXPECT_EQ(analysing.back(), 100.0);
}

TEST(KTSimilarFinderTest, StopDuringComparisonEndsWithNoClusters)
{
    const QTemporaryDir cache;
    KTSimilarFinder finder(cache.path());
    FakeMaker fake;
    for (int k = 0; k < 40; ++k) {
        fake.levels.insert(QStringLiteral("/p%1").arg(k), 50);
        finder.addPhotoWithID(QStringLiteral("p%1").arg(k), QStringLiteral("/p%1").arg(k));
    }
    finder.setSignatureMaker(fake.maker());
    Recorder recorder;
    recorder.stopIn = KTSimilarFinder::kComparingPhase;
    EXPECT_TRUE(runFinder(finder, plainSettings(8, 90), 0, &recorder).isEmpty());
    EXPECT_TRUE(recorder.percentsOf(KTSimilarFinder::kFinalizingPhase).empty());
    // Without the stop, all 40 form one group.
    EXPECT_EQ(runFinder(finder, plainSettings(8, 90)).size(), 1);
}

TEST(KTSimilarFinderTest, RefusesRunsWithoutCallbacksOrWithAnImpossibleSide)
{
    TwoPhotoFinder setup;
    auto &[cache, fake, finder] = setup;
    {
        KTLogCapture log;
        finder.clasterizeWithSettings(plainSettings(8, 90), 0, {},
                                      [](const QString &, std::atomic_bool *, double) {});
        EXPECT_TRUE(log.contains(
            QStringLiteral("Clasterization were not setup properly! Set callback and progressBlock")));
    }
    for (int side : {0, -4, 129, 100000}) {
        KTLogCapture log;
        Recorder recorder;
        EXPECT_TRUE(runFinder(finder, plainSettings(side, 90), 0, &recorder).isEmpty()) << side;
        EXPECT_TRUE(recorder.reports.empty()) << side;
        EXPECT_TRUE(log.contains(QStringLiteral("outside 1 to 128"))) << side;
    }
    EXPECT_EQ(fake.calls.load(), 0);
}

TEST(KTSimilarFinderTest, SignaturesAreCachedPerSettingsAndReadBack)
{
    TwoPhotoFinder setup;
    auto &[cache, fake, finder] = setup;
    KTSearchSettings settings = plainSettings(8, 90);
    EXPECT_EQ(runFinder(finder, settings).size(), 1);
    EXPECT_EQ(fake.calls.load(), 2);
    const QString file = cache.filePath(QStringLiteral("a/") + settings.digest());
    EXPECT_EQ(QFileInfo(file).size(), qint64(KTImageSignature::kByteSize));

    EXPECT_EQ(runFinder(finder, settings).size(), 1);
    EXPECT_EQ(fake.calls.load(), 2) << "read from the cache";

    settings.blurRadius = 3; // treatments off, but a new record all the same
    runFinder(finder, settings);
    EXPECT_EQ(fake.calls.load(), 4);
    EXPECT_EQ(QDir(cache.filePath(QStringLiteral("a"))).entryList(QDir::Files).size(), 2);

    finder.deleteDiskCache();
    finder.waitForDiskOperations();
    EXPECT_FALSE(QFileInfo::exists(cache.path()));
}

// A file written by another version of the signature maker (an earlier one, or a later one before
// a downgrade) holds pixels that would not match the ones made now: it is remade and overwritten,
// silently, like a file that was never there.
TEST(KTSimilarFinderTest, CacheFilesOfAnotherMakerAreRemade)
{
    TwoPhotoFinder setup;
    auto &[cache, fake, finder] = setup;
    const KTSearchSettings settings = plainSettings(8, 90);
    runFinder(finder, settings);
    finder.waitForDiskOperations();
    ASSERT_EQ(fake.calls.load(), 2);
    const QString file = cache.filePath(QStringLiteral("a/") + settings.digest());
    const auto versionIn = [&] {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? uint8_t(f.readAll().at(offsetof(KTImageSignature, makerVersion)))
                                           : 0xFF;
    };
    EXPECT_EQ(versionIn(), KTImageSignature::kMakerVersion);

    for (uint8_t other : {uint8_t(0), uint8_t(KTImageSignature::kMakerVersion + 1)}) {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.seek(offsetof(KTImageSignature, makerVersion)));
        f.write(reinterpret_cast<const char *>(&other), 1);
        f.close();
        const int before = fake.calls.load();
        const KTLogCapture log;
        EXPECT_EQ(runFinder(finder, settings).size(), 1);
        finder.waitForDiskOperations();
        EXPECT_EQ(fake.calls.load(), before + 1) << "only that file is remade";
        EXPECT_EQ(versionIn(), KTImageSignature::kMakerVersion);
        EXPECT_FALSE(log.contains(QStringLiteral("Can't load cache")));
    }
}

// A damaged cache file is refused (so nothing reads past the pixels), logged, then remade and
// overwritten, so it does not keep the photo out of every later search.
TEST(KTSimilarFinderTest, DamagedCacheFilesAreRefusedAndRebuilt)
{
    const KTSearchSettings settings = plainSettings(8, 90);
    const QByteArray good = uniformSignature(8, 10)->bytes();
    auto patched = [&](auto change) {
        QByteArray bytes = good;
        change(*reinterpret_cast<KTImageSignature *>(bytes.data()));
        return bytes;
    };
    struct Case
    {
        const char *name;
        QByteArray bytes;
        const char *log;
    } cases[] = {
        {"one byte short", good.left(good.size() - 1), "Data is corrupted! data size#65975 (needed 65976)"},
        {"one byte long", good + 'x', "Data is corrupted! data size#65977 (needed 65976)"},
        {"size above 128", patched([](KTImageSignature &s) { s.size = 4000; }), "Data is corrupted!"},
        {"size 0", patched([](KTImageSignature &s) { s.size = 0; }), "Data is corrupted!"},
        {"another side", patched([](KTImageSignature &s) { s.size = 16; }), "Data is corrupted!"},
        {"not RGBA", patched([](KTImageSignature &s) { s.imageType = 32; }), "Data is corrupted!"},
    };
    for (const Case &c : cases) {
        TwoPhotoFinder setup;
        auto &[cache, fake, finder] = setup;
        const QString file = cache.filePath(QStringLiteral("a/") + settings.digest());
        QDir().mkpath(QFileInfo(file).path());
        ASSERT_TRUE(writeFileBytes(file, c.bytes)) << c.name;

        KTLogCapture log;
        EXPECT_EQ(runFinder(finder, settings).size(), 1) << c.name;
        EXPECT_TRUE(
            log.contains(QStringLiteral("Can't load cache with ID(%1)! ").arg(file) + QLatin1String(c.log)))
            << c.name;
        EXPECT_EQ(fake.calls.load(), 2) << c.name;
        QFile rewritten(file);
        ASSERT_TRUE(rewritten.open(QIODevice::ReadOnly));
        EXPECT_TRUE(KTImageSignature::fromBytes(rewritten.readAll(), 8)) << c.name;
    }
}

TEST(KTSimilarFinderTest, LoadedTextFieldsAlwaysEndInNul)
{
    const QTemporaryDir cache;
    KTSimilarFinder finder(cache.path());
    auto signature = uniformSignature(8, 10);
    std::memset(signature->cameraModel, 'x', sizeof signature->cameraModel);
    std::memset(signature->lensModel, 'y', sizeof signature->lensModel);
    std::memset(signature->exifDigest, 'z', sizeof signature->exifDigest);
    const QString file = cache.filePath(QStringLiteral("sig"));
    ASSERT_TRUE(writeFileBytes(file, signature->bytes()));
    const auto loaded = finder.loadSignatureAtPath(file, 8);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(std::strlen(loaded->cameraModel), 127u);
    EXPECT_EQ(std::strlen(loaded->lensModel), 127u);
    EXPECT_EQ(std::strlen(loaded->exifDigest), 127u);
}

TEST(KTSimilarFinderTest, ThumbnailIsUsedOnlyWhenAFileIsThere)
{
    const QTemporaryDir dir;
    const QString thumbnail = dir.filePath(QStringLiteral("thumb.jpg"));
    ASSERT_TRUE(writeFileBytes(thumbnail, "x"));
    struct Case
    {
        QString thumbnailPath;
        QString firstSource;
    } cases[] = {
        {thumbnail, thumbnail}, {QString(), "/img"}, {dir.filePath(QStringLiteral("none.jpg")), "/img"}};
    for (const Case &c : cases) {
        KTSimilarFinder finder(dir.filePath(QStringLiteral("cache")));
        FakeMaker fake; // knows no path, so every attempt is made
        finder.setSignatureMaker(fake.maker());
        EXPECT_FALSE(finder.cacheWithID(QStringLiteral("a"), QStringLiteral("/img"), c.thumbnailPath,
                                        plainSettings(8, 90)));
        ASSERT_EQ(fake.paths.size(), 3u);
        EXPECT_EQ(fake.paths[0], c.firstSource);
        EXPECT_EQ(fake.paths[1], QStringLiteral("/img"));
        EXPECT_EQ(fake.paths[2], QStringLiteral("/img"));
    }
}

TEST(KTSimilarFinderTest, DiskSizeRoundsEachFileUpToWholeBlocks)
{
    const QTemporaryDir dir;
    const qint64 perFile = KTSimilarFinder::neededSizeInBytesOnDisk(dir.path(), 1);
    EXPECT_GE(perFile, qint64(KTImageSignature::kByteSize));
    EXPECT_EQ(KTSimilarFinder::neededSizeInBytesOnDisk(dir.path(), 10), 10 * perFile);
    EXPECT_EQ(KTSimilarFinder::neededSizeInBytesOnDisk(dir.filePath(QStringLiteral("not/yet")), 1), perFile);
}

TEST(KTSimilarFinderTest, PresetIndexOutsideTheLevelsGivesNoClusters)
{
    const QTemporaryDir cache;
    KTSimilarFinder finder(cache.path());
    KTLogCapture log;
    bool called = false;
    finder.clasterizeWithMode(
        5, 0, [&](const KTSimilarFinder::Clusters &clusters) { called = clusters.isEmpty(); },
        [](const QString &, std::atomic_bool *, double) {});
    EXPECT_TRUE(called);
    EXPECT_TRUE(log.contains(QStringLiteral("Failed to initialize dictionary from path")));
}
