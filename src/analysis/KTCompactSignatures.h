#pragma once

#include "KTImageSignature.h"
#include "KTSearchSettings.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

/// The signatures of one search run, kept compactly for the all-pairs comparison: only the first
/// 4 N^2 bytes of each thumbnail (alpha cleared, as no rule reads it) in one contiguous 64-byte
/// aligned array, the shot and exposure times, and per-block channel sums for the prefilter.
///
/// compare() takes exactly the decisions of CompareHashes for every pair, faster:
/// - each rule reduces to "exact sum of absolute differences at most a threshold", the threshold
///   found once per weakening factor from the single-precision rule itself;
/// - the sums are taken with SIMD sums of absolute differences and integer totals;
/// - the zone rule takes its four zones from nine block sums;
/// - a lower bound from per-block channel sums (|sum a - sum b| <= sum |a - b|) rejects most
///   unrelated pairs before any pixel is read; the exact rule decides every other pair;
/// - with a time range, when the order is sorted by shot time (undated first), a row stops as soon
///   as no later photo can be within range.
///
/// Threading: store() may run on many threads at once for distinct slots; setOrder() and compare()
/// afterwards, from one thread. compare() spreads its rows over the global concurrent queue.
class KTCompactSignatures
{
public:
    /// Room for `capacity` signatures of side settings.imageSize, which must be 1 to 128.
    KTCompactSignatures(const KTSearchSettings &settings, std::size_t capacity);
    ~KTCompactSignatures();
    KTCompactSignatures(const KTCompactSignatures &) = delete;
    KTCompactSignatures &operator=(const KTCompactSignatures &) = delete;

    int side() const { return m_side; }
    std::size_t capacity() const { return m_capacity; }

    /// Copies what the comparison needs of `signature` (whose size must be side()) into `slot`.
    void store(std::size_t slot, const KTImageSignature &signature);
    double shotTime(std::size_t slot) const { return m_shotTimes[slot]; }

    /// The slots that take part, in the order of the comparison (positions 0 to count - 1).
    void setOrder(std::vector<uint32_t> order);
    const std::vector<uint32_t> &order() const { return m_order; }

    enum class Prefilter
    {
        On,
        Off
    };
    /// A row: the position of a base photo followed by the positions of every later photo similar
    /// to it; only rows of two or more, sorted by their base.
    using Rows = std::vector<std::vector<uint32_t>>;
    /// Compares every pair of positions i < j. `rowDone` is called from the worker threads once
    /// per finished row, with the number of rows finished so far. When `stop` becomes true, rows
    /// not yet started are skipped and the result is incomplete. Blocks until done.
    Rows compare(double timeRange, const std::atomic_bool *stop = nullptr,
                 const std::function<void(std::size_t rowsDone)> &rowDone = {},
                 Prefilter prefilter = Prefilter::On) const;

    /// Bytes held by the arrays.
    std::size_t memoryBytes() const;

private:
    struct Thresholds;
    const uint8_t *pixels(std::size_t slot) const { return m_pixels + slot * m_stride; }
    const int32_t *blockSums(std::size_t slot) const { return m_blockSums.data() + slot * m_blockValues; }
    bool isSimilar(uint32_t slotA, uint32_t slotB, float factor, Thresholds &thresholds,
                   Prefilter prefilter) const;

    KTSearchSettings m_settings;
    int m_side = 0;
    std::size_t m_capacity = 0;
    std::size_t m_stride = 0;
    uint8_t *m_pixels = nullptr;
    // Column and row band edges of the prefilter blocks (and, in zone mode, of the nine blocks).
    std::vector<int> m_bandEdges;
    std::size_t m_blockValues = 0;
    std::vector<int32_t> m_blockSums;
    std::vector<double> m_shotTimes;
    std::vector<double> m_exposureTimes;
    std::vector<uint32_t> m_order;
};
