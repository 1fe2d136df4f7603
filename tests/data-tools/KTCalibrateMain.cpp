// calibrate_similarity SET [SETTINGS.plist ...]: imports the calibration set (calibration_set)
// into a session catalogue, runs the similarity search at each accuracy level from the
// catalogue's entry point, and prints pairwise precision, recall and F1 for each level and each
// kind of near-duplicate, with the share of the hard negatives that were put together. Settings
// files given after the set are run as manual settings beside the five presets.
//
// calibrate_similarity --sweep SET BASE.plist: the tuning aid. Keeps the treatments of BASE,
// makes every signature once, and prints the figures for a grid of matching levels, minimum
// levels and first weakening factors, from the same comparison and clustering as the search.
//
// calibrate_similarity --synthetic SETTINGS.plist ...: the same figures on the generated bursts
// of the search's tests, for comparison.
//
// A pair is true when both files come from one camera photo. Pairs with a mirror image are left
// out of recall (a pixel-grid signature cannot see a mirror as the same picture) but count for
// precision when they are put together with a different photo. A photo's scene with its subject
// moved ("moved") takes part in no pair: it is counted apart, as a pair that "highest" must not
// put together with its original. The renditions of renditionsOf() and of the RAW files (every
// kind that nearDuplicatesOf() does not make) are the real renditions; "R real" is the recall of
// the pairs with one of them, "R hdr" that of a photo with its HDR frames, and each kind's "orig"
// column the recall of the file beside its original alone.

#include "KTBurstFixture.h"
#include "KTCatalogModel.h"
#include "KTCompactSignatures.h"
#include "KTDuplicatesSeeker.h"
#include "KTFolderMO.h"
#include "KTImageGroupMO.h"
#include "KTImageMO.h"
#include "KTImageStorage.h"
#include "KTImageUtils.h"
#include "KTNearDuplicates.h"
#include "KTNotificationCenter.h"
#include "KTObjectContext.h"
#include "KTSearchSettings.h"
#include "KTSignatureMaker.h"
#include "KTSimilarFinder.h"
#include "KTTasksNotifier.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>

namespace {

struct File
{
    QString photo; // the camera photo it comes from
    QString kind;  // "orig", "ev+1_3", ...
    bool outOfReach = false;
    bool moved = false;
    bool real = false;
    bool hdr = false;
};

File fileOf(const QString &path)
{
    static const QStringList generated = [] {
        QStringList kinds = nearDuplicateKinds().replaceInStrings(QStringLiteral("/"), QStringLiteral("_"));
        kinds << QStringLiteral("orig") << QStringLiteral("view2");
        return kinds;
    }();
    const QString base = QFileInfo(path).completeBaseName();
    const qsizetype split = base.indexOf(QStringLiteral("--"));
    File file{base.left(split), base.mid(split + 2)};
    file.outOfReach = file.kind == QStringLiteral("mirror");
    file.moved = file.kind == QLatin1String(kSubjectMovedKind);
    file.real = !file.moved && !generated.contains(file.kind);
    file.hdr = file.kind.startsWith(QStringLiteral("hdr"));
    return file;
}

struct Counts
{
    long truePairs = 0, predicted = 0, correct = 0;
    double precision() const { return predicted ? double(correct) / double(predicted) : 1.0; }
    double recall() const { return truePairs ? double(correct) / double(truePairs) : 1.0; }
    double f1() const
    {
        const double p = precision(), r = recall();
        return p + r > 0 ? 2 * p * r / (p + r) : 0.0;
    }
};

struct Report
{
    Counts overall, real, hdr;
    std::map<QString, Counts> byKind, besideOriginal;
    int moved = 0, movedMerged = 0;
    int hardNegatives = 0, hardNegativesMerged = 0;
    int singles = 0, singlesGrouped = 0;
    std::set<std::pair<QString, QString>> mergedPhotos; // different photos that share a group
};

/// Scores a grouping: `groupOf[i]` is the group of files[i], -1 for none.
Report score(const std::vector<File> &files, const std::vector<int> &groupOf,
             const std::vector<std::pair<QString, QString>> &hardNegatives)
{
    Report report;
    std::set<QString> families;
    for (const File &f : files) {
        if (f.kind != QStringLiteral("orig"))
            families.insert(f.photo);
    }
    for (std::size_t i = 0; i < files.size(); ++i) {
        for (std::size_t j = i + 1; j < files.size(); ++j) {
            const bool same = files[i].photo == files[j].photo;
            const bool together = groupOf[i] >= 0 && groupOf[i] == groupOf[j];
            if (files[i].moved || files[j].moved) {
                const bool withOriginal = same && (files[i].kind == QStringLiteral("orig") ||
                                                   files[j].kind == QStringLiteral("orig"));
                report.moved += withOriginal ? 1 : 0;
                report.movedMerged += withOriginal && together ? 1 : 0;
                continue;
            }
            const bool counted = !files[i].outOfReach && !files[j].outOfReach;
            auto add = [&](Counts &c) {
                if (same && counted)
                    c.truePairs += 1;
                if (together && !(same && !counted)) {
                    c.predicted += 1;
                    c.correct += same ? 1 : 0;
                }
            };
            if (together && !same)
                report.mergedPhotos.insert(std::minmax(files[i].photo, files[j].photo));
            add(report.overall);
            add(report.byKind[files[i].kind]);
            if (files[j].kind != files[i].kind)
                add(report.byKind[files[j].kind]);
            if (files[i].real || files[j].real)
                add(report.real);
            const bool isFirstOriginal = files[i].kind == QStringLiteral("orig"), isSecondOriginal = files[j].kind == QStringLiteral("orig");
            if (same && (isFirstOriginal || isSecondOriginal)) {
                const File &other = isFirstOriginal ? files[j] : files[i];
                add(report.besideOriginal[other.kind]);
                if (other.hdr)
                    add(report.hdr);
            }
        }
    }
    std::map<QString, int> originalGroup;
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (files[i].kind == QStringLiteral("orig")) {
            originalGroup[files[i].photo] = groupOf[i];
            if (!families.count(files[i].photo)) {
                report.singles += 1;
                report.singlesGrouped += groupOf[i] >= 0 ? 1 : 0;
            }
        }
    }
    for (const auto &[a, b] : hardNegatives) {
        report.hardNegatives += 1;
        const int ga = originalGroup.count(a) ? originalGroup[a] : -1;
        const int gb = originalGroup.count(b) ? originalGroup[b] : -1;
        report.hardNegativesMerged += ga >= 0 && ga == gb ? 1 : 0;
    }
    return report;
}

void printReport(const QString &title, const Report &r, bool kinds)
{
    std::printf("%-22s P %.3f  R %.3f  F1 %.3f  R real %.3f  R hdr %.3f | hard negatives merged %d/%d (%.1f %%) | "
                "moved merged %d/%d | singles grouped %d/%d\n",
                qPrintable(title), r.overall.precision(), r.overall.recall(), r.overall.f1(), r.real.recall(),
                r.hdr.recall(), r.hardNegativesMerged, r.hardNegatives,
                r.hardNegatives ? 100.0 * r.hardNegativesMerged / r.hardNegatives : 0.0, r.movedMerged, r.moved,
                r.singlesGrouped, r.singles);
    if (!kinds)
        return;
    if (!r.mergedPhotos.empty()) {
        std::printf("    merged photos:");
        for (const auto &[a, b] : r.mergedPhotos)
            std::printf(" %s+%s", qPrintable(a), qPrintable(b));
        std::printf("\n");
    }
    for (const auto &[kind, c] : r.byKind) {
        const auto original = r.besideOriginal.find(kind);
        std::printf("    %-12s P %.3f  R %.3f  F1 %.3f  (%ld true pairs)  orig R %.3f (%ld)\n", qPrintable(kind),
                    c.precision(), c.recall(), c.f1(), c.truePairs,
                    original != r.besideOriginal.end() ? original->second.recall() : 1.0,
                    original != r.besideOriginal.end() ? original->second.truePairs : 0L);
    }
}

std::vector<std::pair<QString, QString>> readHardNegatives(const QDir &set)
{
    std::vector<std::pair<QString, QString>> pairs;
    QFile file(set.filePath(QStringLiteral("hard-negatives.txt")));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return pairs;
    QTextStream in(&file);
    while (!in.atEnd()) {
        const QStringList names = in.readLine().split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (names.size() == 2)
            pairs.emplace_back(names[0], names[1]);
    }
    return pairs;
}

void turnUntil(const bool &done)
{
    while (!done)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

/// The set imported into a catalogue with the seeker installed; searches from its entry point.
struct Session
{
    QTemporaryDir dir;
    std::unique_ptr<KTImageStorage> storage;
    std::unique_ptr<KTSimilarFinder> finder;
    KTDuplicatesSeeker *seeker = nullptr;

    explicit Session(const QString &photos)
    {
        storage = std::make_unique<KTImageStorage>(KTImageStorage::Locations{
            dir.filePath(QStringLiteral("app")), dir.filePath(QStringLiteral("old"))});
        finder = std::make_unique<KTSimilarFinder>(dir.filePath(QStringLiteral("Hashes")));
        seeker = KTDuplicatesSeeker::installInto(*storage, finder.get());
        auto *source = storage->managedObjectContext()->insert<KTFolderMO>(kFolderEntityName);
        source->setPath(photos);
        source->setType(kFolderTypeFileSystem);
        bool loaded = false;
        const KTObserverToken token = KTNotificationCenter::defaultCenter().addObserver(
            kTaskDidFinishNotification, storage.get(), [&](const KTNotification &notification) {
                loaded = loaded || notification.userInfo.value(kTaskNameKey) == kLoadImagesTaskName;
            });
        storage->loadImages();
        turnUntil(loaded);
    }

    /// One search at `level` (0: the manual settings), then every image's file and group.
    void search(const QVariant &level, std::vector<File> &files, std::vector<int> &groupOf)
    {
        bool finished = false;
        const KTObserverToken token = KTNotificationCenter::defaultCenter().addObserver(
            kTaskDidFinishNotification, seeker, [&](const KTNotification &notification) {
                finished = finished || notification.userInfo.value(kTaskNameKey) == kSearchDuplicatesTaskName;
            });
        storage->findImagesDuplicatesWithSimilarityLevel(level, 0);
        turnUntil(finished);
        files.clear();
        groupOf.clear();
        std::map<KTImageGroupMO *, int> groups;
        for (KTImageMO *image :
             storage->managedObjectContext()->fetchAs<KTImageMO>({kImageEntityName, {}, {}})) {
            files.push_back(fileOf(image->path()));
            KTImageGroupMO *group = image->group();
            groupOf.push_back(group ? groups.emplace(group, int(groups.size())).first->second : -1);
        }
    }
};

int runLevels(const QDir &set, const QStringList &settingsFiles)
{
    const auto hardNegatives = readHardNegatives(set);
    Session session(set.path());
    std::vector<File> files;
    std::vector<int> groupOf;
    for (int level = 1; level <= 5; ++level) {
        session.search(level, files, groupOf);
        printReport(QStringLiteral("%1 (%2 files)")
                        .arg(QLatin1String(KTSimilarFinderModes[level - 1]))
                        .arg(files.size()),
                    score(files, groupOf, hardNegatives), true);
    }
    for (const QString &path : settingsFiles) {
        const auto settings = loadSettingsFromFile(path);
        if (!settings)
            return 1;
        session.seeker->setManualSearchSettings(*settings);
        session.search(0, files, groupOf);
        printReport(QFileInfo(path).fileName(), score(files, groupOf, hardNegatives), true);
    }
    return 0;
}

/// The tuning grid: signatures once, then the comparison and clustering for each threshold set.
int sweep(const QDir &set, const QString &basePath)
{
    const auto base = loadSettingsFromFile(basePath);
    if (!base)
        return 1;
    const auto hardNegatives = readHardNegatives(set);
    const QStringList names = set.entryList({QStringLiteral("*.jpg")}, QDir::Files, QDir::Name);
    std::vector<File> files;
    std::vector<std::unique_ptr<KTImageSignature>> signatures;
    for (const QString &name : names) {
        const QString path = set.filePath(name);
        auto signature = CreateHashFromImagePath(path, *base, KTSignaturePreview::Yes);
        FillSignatureMetadataFromFile(signature.get(), path);
        if (!signature)
            continue;
        files.push_back(fileOf(path));
        signatures.push_back(std::move(signature));
    }
    std::vector<uint32_t> order(files.size());
    for (uint32_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) {
        const double ta = std::max(signatures[a]->shotTime, -1.0),
                     tb = std::max(signatures[b]->shotTime, -1.0);
        return ta < tb;
    });
    const auto firstDated =
        uint32_t(std::count_if(signatures.begin(), signatures.end(),
                               [](const auto &signature) { return signature->shotTime < 0.0; }));
    const auto firstFactors = {0.76, 0.8, 0.85, 0.9, 1.0};
    for (double y0 : firstFactors) {
        for (double matching = 60; matching <= 98; matching += 2) {
            for (double minimum : {0.0, 50.0, 60.0, 70.0, 80.0}) {
                KTSearchSettings settings = *base;
                settings.overalMatchingLevel = matching;
                settings.minimumMatchingLevel = minimum;
                if (settings.weakCount > 0)
                    settings.weakTimeKoeff[0] = y0;
                else if (y0 != 1.0)
                    continue;
                KTCompactSignatures compact(settings, signatures.size());
                for (std::size_t k = 0; k < signatures.size(); ++k)
                    compact.store(k, *signatures[k]);
                compact.setOrder(order);
                std::vector<int> groupOf(files.size(), -1);
                int group = 0;
                const auto rows = compact.compare(0);
                auto clusters = KTSimilarFinder::clusterRows(rows);
                KTSimilarFinder::joinDatedLeftovers(clusters, rows, firstDated);
                for (const auto &cluster : clusters) {
                    for (uint32_t position : cluster)
                        groupOf[order[position]] = group;
                    ++group;
                }
                printReport(QStringLiteral("y0 %1 m %2 min %3").arg(y0).arg(matching).arg(minimum),
                            score(files, groupOf, hardNegatives), false);
            }
        }
    }
    return 0;
}

/// The generated bursts of the search's tests, for comparison: their precision and recall with
/// each settings file, on the default fixture and on the larger one of the tests.
int synthetic(const QStringList &settingsFiles)
{
    KTBurstFixtureOptions larger;
    larger.scenes = 16;
    larger.singles = 16;
    larger.lookAlikes = 6;
    larger.sameSpots = 6;
    larger.seed = 77;
    const std::vector<std::vector<KTBurstPhoto>> fixtures{makeBurstFixture(), makeBurstFixture(larger)};
    for (const QString &path : settingsFiles) {
        const auto settings = loadSettingsFromFile(path);
        if (!settings)
            return 1;
        std::printf("%-22s", qPrintable(QFileInfo(path).fileName()));
        for (const auto &photos : fixtures) {
            KTCompactSignatures compact(*settings, photos.size());
            std::vector<uint32_t> order;
            for (std::size_t k = 0; k < photos.size(); ++k) {
                auto signature = KTImageSignature::create();
                CreateHashFromCGImageRef(photos[k].image, *signature, *settings);
                signature->shotTime = double(photos[k].shotTime.toSecsSinceEpoch());
                signature->exposureTime = photos[k].exposureTime;
                compact.store(k, *signature);
                order.push_back(uint32_t(k));
            }
            compact.setOrder(order);
            std::vector<int> groupOf(photos.size(), -1);
            int group = 0;
            for (const auto &cluster : KTSimilarFinder::clusterRows(compact.compare(0))) {
                for (uint32_t position : cluster)
                    groupOf[position] = group;
                ++group;
            }
            Counts c;
            for (std::size_t i = 0; i < photos.size(); ++i) {
                for (std::size_t j = i + 1; j < photos.size(); ++j) {
                    const bool same = photos[i].scene == photos[j].scene;
                    const bool together = groupOf[i] >= 0 && groupOf[i] == groupOf[j];
                    c.truePairs += same;
                    c.predicted += together;
                    c.correct += same && together;
                }
            }
            std::printf("  P %.3f R %.3f", c.precision(), c.recall());
        }
        std::printf("\n");
    }
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QTemporaryDir home;
    for (const char *variable : {"XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME"})
        qputenv(variable, home.path().toLocal8Bit());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    KTImageUtils::raiseImageAllocationLimit();
    QStringList arguments = app.arguments().mid(1);
    if (arguments.value(0) == QStringLiteral("--synthetic"))
        return synthetic(arguments.mid(1));
    if (arguments.value(0) == QStringLiteral("--sweep") && arguments.size() == 3)
        return sweep(QDir(arguments[1]), arguments[2]);
    if (arguments.isEmpty() || arguments.first().startsWith(QLatin1Char('-'))) {
        std::fprintf(stderr, "usage: calibrate_similarity SET [SETTINGS.plist ...]\n"
                             "       calibrate_similarity --sweep SET BASE.plist\n"
                             "       calibrate_similarity --synthetic SETTINGS.plist ...\n");
        return 2;
    }
    const QDir set(arguments.takeFirst());
    return runLevels(set, arguments);
}
