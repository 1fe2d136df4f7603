// Cost of the queue primitives every subsystem stands on.

#include "KTConcurrentQueue.h"
#include "KTSerialQueue.h"

#include <benchmark/benchmark.h>

#include <atomic>

static void BM_SerialQueueAsync(benchmark::State &state)
{
    KTSerialQueue queue;
    std::atomic<long> sum{0};
    for (auto _ : state)
        queue.async([&] { sum.fetch_add(1, std::memory_order_relaxed); });
    queue.waitUntilIdle();
    benchmark::DoNotOptimize(sum.load());
}
BENCHMARK(BM_SerialQueueAsync);

static void BM_ConcurrentApply(benchmark::State &state)
{
    std::atomic<long> sum{0};
    for (auto _ : state)
        KTConcurrentQueue::global().apply(std::size_t(state.range(0)), [&](std::size_t i) {
            sum.fetch_add(long(i), std::memory_order_relaxed);
        });
    benchmark::DoNotOptimize(sum.load());
}
BENCHMARK(BM_ConcurrentApply)->Arg(64)->Arg(4096);
