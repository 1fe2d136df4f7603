#pragma once

#include "KTGridServices.h"

#include <QList>
#include <QString>
#include <QTemporaryDir>

#include <chrono>
#include <functional>
#include <memory>
#include <vector>

#include <benchmark/benchmark.h>

class KTEntitiesManager;
class KTFocusedRegionsManager;
class KTImageMO;
class KTImageStorage;
class KTOperationQueue;
class QScrollBar;

/// A catalogue of `count` image records for the grid benchmarks: each record's file exists (a
/// small JPEG) and its 100-point thumbnail already sits in the entities cache, so binding a cell
/// shows a picture at once. The grids' services point at it while it lives.
class KTGridBenchSession
{
public:
    explicit KTGridBenchSession(int count);
    ~KTGridBenchSession();

    const QList<KTImageMO *> &images() const { return m_images; }
    KTImageStorage &storage() const { return *m_storage; }

private:
    QTemporaryDir m_dir;
    std::unique_ptr<KTImageStorage> m_storage;
    std::unique_ptr<KTOperationQueue> m_queue;
    std::unique_ptr<KTEntitiesManager> m_entities;
    std::unique_ptr<KTFocusedRegionsManager> m_focusedRegions;
    std::unique_ptr<KTGridServices::Scope> m_scope;
    QList<KTImageMO *> m_images;
};

/// The CPU time of the calling thread: the main thread's own work, whatever else the machine
/// runs meanwhile (a shared machine's load stretches wall time, not this).
struct KTThreadClock
{
    using duration = std::chrono::nanoseconds;
    using rep = duration::rep;
    using period = duration::period;
    using time_point = std::chrono::time_point<KTThreadClock>;
    static constexpr bool is_steady = true;
    static time_point now() noexcept;
};

/// Main-thread times of single steps, reported as the median, the 99th percentile and the worst
/// (milliseconds) in the benchmark's counters.
class KTStepTimes
{
public:
    using Clock = KTThreadClock;

    void add(Clock::duration duration) { m_steps.push_back(duration); }
    void report(benchmark::State &state, const char *prefix = "") const;

private:
    std::vector<Clock::duration> m_steps;
};

/// Times `step` in each iteration as main-thread time; between steps the event loop turns
/// (untimed), as it does between frames. Reports the times in the state's counters.
void measureSteps(benchmark::State &state, KTStepTimes &times, const std::function<void()> &step);

/// Scrolls `bar` by `distance` in each iteration, back and forth between its ends, and paints what
/// changed. `layoutTimes`, when given, gets the time up to the paint.
void measureScrollSteps(benchmark::State &state, QScrollBar *bar, int distance,
                        KTStepTimes *layoutTimes = nullptr);
