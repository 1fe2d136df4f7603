// The similarity search end to end over a labelled set of bursts: JPEG files with EXIF times,
// decoded, cached and grouped by the finder with the shipped presets.

#include "KTCompactSignatures.h"
#include "KTSimilarFinder.h"
#include "KTSignatureTestHelpers.h"

#include <QHash>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>

namespace {

struct Quality
{
    double precision = 1; // of the pairs put together, the share that show one scene
    double recall = 1;    // of the pairs that show one scene, the share put together
};

Quality measure(const std::vector<std::vector<int>> &clustersOfIndexes,
                const std::vector<KTBurstPhoto> &photos)
{
    std::vector<int> clusterOf(photos.size(), -1);
    for (std::size_t c = 0; c < clustersOfIndexes.size(); ++c) {
        for (int index : clustersOfIndexes[c])
            clusterOf[std::size_t(index)] = int(c);
    }
    int together = 0, right = 0, truePairs = 0, found = 0;
    for (std::size_t i = 0; i < photos.size(); ++i) {
        for (std::size_t j = i + 1; j < photos.size(); ++j) {
            const bool sameScene = photos[i].scene == photos[j].scene;
            const bool grouped = clusterOf[i] >= 0 && clusterOf[i] == clusterOf[j];
            together += grouped;
            right += grouped && sameScene;
            truePairs += sameScene;
            found += grouped && sameScene;
        }
    }
    return {together ? double(right) / together : 1.0, truePairs ? double(found) / truePairs : 1.0};
}

std::vector<std::vector<int>> indexesOf(const KTSimilarFinder::Clusters &clusters,
                                        const std::vector<KTBurstPhoto> &photos)
{
    QHash<QString, int> indexOf;
    for (std::size_t k = 0; k < photos.size(); ++k)
        indexOf.insert(photos[k].id, int(k));
    std::vector<std::vector<int>> result;
    for (const QStringList &cluster : clusters) {
        std::vector<int> indexes;
        for (const QString &id : cluster)
            indexes.push_back(indexOf.value(id, -1));
        result.push_back(indexes);
    }
    return result;
}

class KTSimilarBurstsTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_folder = new QTemporaryDir;
        s_photos = new std::vector<KTBurstPhoto>(makeBurstFixture());
        s_paths = new std::vector<QString>(
            writeBurstFixture(*s_photos, s_folder->filePath(QStringLiteral("photos"))));
    }
    static void TearDownTestSuite()
    {
        delete s_paths;
        delete s_photos;
        delete s_folder;
    }

    KTSimilarFinder::Clusters search(int presetIndex, double timeRange, bool reversed = false)
    {
        KTSimilarFinder finder(s_folder->filePath(QStringLiteral("Hashes")));
        for (std::size_t k = 0; k < s_photos->size(); ++k) {
            const std::size_t i = reversed ? s_photos->size() - 1 - k : k;
            finder.addPhotoWithID((*s_photos)[i].id, (*s_paths)[i]);
        }
        KTSimilarFinder::Clusters result;
        finder.clasterizeWithMode(
            presetIndex, timeRange, [&](const KTSimilarFinder::Clusters &clusters) { result = clusters; },
            [](const QString &, std::atomic_bool *, double) {});
        finder.waitForDiskOperations();
        return result;
    }

    static QTemporaryDir *s_folder;
    static std::vector<KTBurstPhoto> *s_photos;
    static std::vector<QString> *s_paths;
};

QTemporaryDir *KTSimilarBurstsTest::s_folder = nullptr;
std::vector<KTBurstPhoto> *KTSimilarBurstsTest::s_photos = nullptr;
std::vector<QString> *KTSimilarBurstsTest::s_paths = nullptr;

} // namespace

TEST_F(KTSimilarBurstsTest, NormalGroupsEveryBurstAndMergesNoScenes)
{
    for (const QString &path : *s_paths)
        ASSERT_FALSE(path.isEmpty());
    for (double timeRange : {0.0, 3600.0}) {
        const auto clusters = indexesOf(search(2, timeRange), *s_photos);
        std::map<std::pair<int, int>, std::set<int>> clustersOfBurst;
        std::set<int> grouped;
        for (std::size_t c = 0; c < clusters.size(); ++c) {
            std::set<int> scenes;
            for (int index : clusters[c]) {
                ASSERT_GE(index, 0);
                const KTBurstPhoto &photo = (*s_photos)[std::size_t(index)];
                scenes.insert(photo.scene);
                clustersOfBurst[std::pair(photo.scene, photo.burst)].insert(int(c));
                grouped.insert(index);
            }
            EXPECT_EQ(scenes.size(), 1u) << "cluster " << c << " mixes scenes, time range " << timeRange;
        }
        for (std::size_t k = 0; k < s_photos->size(); ++k) {
            const KTBurstPhoto &photo = (*s_photos)[k];
            const bool single = photo.id.startsWith(QLatin1Char('u'));
            // Without a time range the repeat meets its first burst at the strict level of a two-hour
            // gap: the greedy clustering may take part of it into the first burst's group and leave
            // the rest out, so only its scene is checked.
            if (photo.burst == 1 && timeRange == 0.0)
                continue;
            EXPECT_EQ(grouped.count(int(k)), single ? 0u : 1u)
                << qPrintable(photo.id) << " time range " << timeRange;
            if (!single) {
                EXPECT_EQ(clustersOfBurst[std::pair(photo.scene, photo.burst)].size(), 1u)
                    << qPrintable(photo.id);
            }
        }
        // The scene shot again two hours later joins its first burst only without a time range.
        if (timeRange != 0.0) {
            EXPECT_NE(clustersOfBurst[std::pair(0, 0)], clustersOfBurst[std::pair(0, 1)]);
        }
    }
}

TEST_F(KTSimilarBurstsTest, SamePhotosGiveTheSameGroupsWhateverTheirOrder)
{
    const auto forward = search(2, 0);
    EXPECT_FALSE(forward.isEmpty());
    EXPECT_EQ(search(2, 0, true), forward);
}

// Measures each level on the fixture and on a larger one; the levels must run from permissive to
// strict. The figures are printed for the record.
TEST_F(KTSimilarBurstsTest, LevelsRunFromPermissiveToStrict)
{
    KTBurstFixtureOptions larger;
    larger.scenes = 16;
    larger.singles = 16;
    larger.lookAlikes = 6;
    larger.sameSpots = 6;
    larger.seed = 77;
    const auto big = makeBurstFixture(larger);

    Quality previous{0, 1};
    for (int index = 0; index < 5; ++index) {
        const Quality files = measure(indexesOf(search(index, 0), *s_photos), *s_photos);

        const auto settings = loadSettingsFromFile(presetPathForIndex(index));
        ASSERT_TRUE(settings);
        const auto signatures = fixtureSignatures(big, *settings);
        KTCompactSignatures compact(*settings, signatures.size());
        std::vector<uint32_t> order;
        for (std::size_t k = 0; k < signatures.size(); ++k) {
            compact.store(k, *signatures[k]);
            order.push_back(uint32_t(k));
        }
        compact.setOrder(order);
        std::vector<std::vector<int>> clusters;
        for (const auto &cluster : KTSimilarFinder::clusterRows(compact.compare(0)))
            clusters.emplace_back(cluster.begin(), cluster.end());
        const Quality larger = measure(clusters, big);

        std::printf("[ level %-7s ] fixture precision %.3f recall %.3f | larger precision %.3f recall %.3f\n",
                    KTSimilarFinderModes[index], files.precision, files.recall, larger.precision,
                    larger.recall);
        EXPECT_GE(larger.precision, previous.precision) << KTSimilarFinderModes[index];
        EXPECT_LE(larger.recall, previous.recall) << KTSimilarFinderModes[index];
        previous = larger;
    }
}
