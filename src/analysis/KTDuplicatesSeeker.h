#pragma once

#include "KTCancelablePerformer.h"
#include "KTSearchSettings.h"

#include <QString>
#include <QVariant>

#include <functional>
#include <memory>

class KTImageStorage;
class KTImagesSimilarityLevelsManager;
class KTObjectContext;
class KTOperationQueue;
class KTSimilarFinder;

/// Runs the similarity search over the session catalogue and stores its result as "Group"
/// records: drops every existing group, feeds every image that is neither picked nor rejected to
/// the finder, announces the finder's phases as cancelable tasks nested in "Searching Similars"
/// (sender: the seeker), and turns each cluster into one group.
///
/// Levels 1 to 5 run the presets "lowest" to "highest"; any other level (null included) runs
/// the manual search settings, which start as the "normal" preset's values until
/// setManualSearchSettings() replaces them.
///
/// Threading: construct on the main thread. The entry point without a context is main-thread only
/// and returns at once; the search in a context blocks that context's thread for the whole finder
/// run. Only one search runs at a time: a request while one runs is ignored, whoever makes it.
/// The cancel flag may be raised from any thread; the finder stops at its next progress report.
/// A search and the hooks installInto() hands to the catalogue keep the seeker's state by value,
/// never the seeker: a seeker destroyed meanwhile counts as a cancel (nothing is saved) and its
/// task notifications arrive without a sender.
class KTDuplicatesSeeker : public KTCancelablePerformer
{
    Q_OBJECT
public:
    /// The number of similarity levels of the levels store.
    static constexpr unsigned kNumberOfSimilarityLevels = 5;

    /// A seeker driving `finder` (the process's finder by default). Its levels store is read from
    /// `imagesSimilarityLevelsDataFilePath` (the files manager's path when empty).
    explicit KTDuplicatesSeeker(KTSimilarFinder *finder = nullptr,
                                QString imagesSimilarityLevelsDataFilePath = {}, QObject *parent = nullptr);
    ~KTDuplicatesSeeker() override;

    /// Main thread: makes a seeker owned by `storage`, gives it the catalogue's main context and
    /// installs it as the catalogue's similarity search (the import's search, the review modes'
    /// search and the session clearing's reset). Returns the seeker.
    static KTDuplicatesSeeker *installInto(KTImageStorage &storage, KTSimilarFinder *finder = nullptr);

    void setManagedObjectContext(std::shared_ptr<KTObjectContext> context);
    std::shared_ptr<KTObjectContext> managedObjectContext() const;

    /// True while a search runs.
    bool duplicatesSearchDidStart() const;

    /// Main thread: "Searching Similars" in a new child context of the main context; returns at
    /// once. A search that was not cancelled is saved into the main context (a failed save is
    /// logged); a cancelled one is dropped, so the groups shown before stay. Does nothing, and
    /// posts nothing, while a search runs or without a main context.
    void findImagesDuplicatesWithSimilarityLevel(const QVariant &level, double timeRange);
    /// The search itself in `context`, on its thread; returns when the finder is done. Deletes
    /// every "Group" of the context first; does not save. Returns at once while a search runs.
    /// Clears the cancel flag first: a cancel raised before the call does not stop it. Searches
    /// nothing once the seeker is destroyed (the hook installInto() gives the catalogue).
    void findImagesDuplicatesWithSimilarityLevel(const QVariant &level, double timeRange,
                                                 KTObjectContext &context);

    /// Drops the levels store, cancels the comparison queue and deletes the levels file (a failed
    /// delete is logged). For the session clearing.
    void reset();

    /// The levels store, made on first use: read from the levels file when a file is there,
    /// else empty. Any thread; a reset meanwhile leaves the caller's store alive but detached.
    std::shared_ptr<KTImagesSimilarityLevelsManager> imagesSimilarityLevels();
    /// Made on first use with at most 4 concurrent operations; the seeker only ever cancels it.
    KTOperationQueue &imagesComparisonQueue();

    /// The settings of a search without a preset level (the expert settings). Any thread.
    void setManualSearchSettings(const KTSearchSettings &settings);
    KTSearchSettings manualSearchSettings() const;

    /// Test seam: runs in the finder's progress handler, on its thread, before the cancel flag is
    /// read, with the phase and the percent.
    void setProgressHook(std::function<void(const QString &phase, double percent)> hook);

private:
    /// What a search and the catalogue's hooks need, shared with them by value.
    struct State;

    std::shared_ptr<State> m_state;
    std::shared_ptr<KTObjectContext> m_managedObjectContext; // main thread
};
