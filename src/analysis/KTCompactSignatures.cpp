#include "KTCompactSignatures.h"

#include "KTConcurrentQueue.h"
#include "KTSignatureComparison.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define VS_HAVE_X86_SAD 1
#endif

namespace {

constexpr std::size_t kAlignment = 64;
constexpr int kPrefilterBands = 8;
constexpr std::size_t kRowsPerChunk = 8;
constexpr int64_t kNeverSimilar = -1;

// Sum of absolute byte differences over n bytes. Alpha bytes are zero in both arrays, so this is
// the sum of the three colour differences of every pixel. All variants give the same integer.
uint64_t sadScalar(const uint8_t *a, const uint8_t *b, std::size_t n)
{
    uint64_t sum = 0;
    for (std::size_t k = 0; k < n; ++k)
        sum += uint64_t(std::abs(int(a[k]) - int(b[k])));
    return sum;
}

#ifdef VS_HAVE_X86_SAD
uint64_t sadSSE2(const uint8_t *a, const uint8_t *b, std::size_t n)
{
    __m128i acc = _mm_setzero_si128();
    std::size_t k = 0;
    for (; k + 16 <= n; k += 16) {
        const __m128i va = _mm_loadu_si128(reinterpret_cast<const __m128i *>(a + k));
        const __m128i vb = _mm_loadu_si128(reinterpret_cast<const __m128i *>(b + k));
        acc = _mm_add_epi64(acc, _mm_sad_epu8(va, vb));
    }
    uint64_t lanes[2];
    _mm_storeu_si128(reinterpret_cast<__m128i *>(lanes), acc);
    return lanes[0] + lanes[1] + sadScalar(a + k, b + k, n - k);
}

__attribute__((target("avx2"))) uint64_t sadAVX2(const uint8_t *a, const uint8_t *b, std::size_t n)
{
    __m256i acc = _mm256_setzero_si256();
    std::size_t k = 0;
    for (; k + 32 <= n; k += 32) {
        const __m256i va = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(a + k));
        const __m256i vb = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(b + k));
        acc = _mm256_add_epi64(acc, _mm256_sad_epu8(va, vb));
    }
    uint64_t lanes[4];
    _mm256_storeu_si256(reinterpret_cast<__m256i *>(lanes), acc);
    return lanes[0] + lanes[1] + lanes[2] + lanes[3] + sadSSE2(a + k, b + k, n - k);
}
#endif

using SadFunction = uint64_t (*)(const uint8_t *, const uint8_t *, std::size_t);

SadFunction chooseSad()
{
#ifdef VS_HAVE_X86_SAD
    if (__builtin_cpu_supports("avx2"))
        return sadAVX2;
    return sadSSE2;
#else
    return sadScalar;
#endif
}

const SadFunction sad = chooseSad();

// The largest sum for which `passes` holds, or kNeverSimilar when it fails at 0. `passes` falls
// from true to false once as the sum grows (the rules are monotone), so a bisection finds it.
template <typename Predicate> int64_t largestPassingSum(uint64_t maximum, Predicate passes)
{
    if (!passes(0))
        return kNeverSimilar;
    if (passes(maximum))
        return int64_t(maximum);
    uint64_t low = 0;
    uint64_t high = maximum;
    while (high - low > 1) {
        const uint64_t middle = low + (high - low) / 2;
        (passes(middle) ? low : high) = middle;
    }
    return int64_t(low);
}

bool isDated(double shotTime)
{
    return shotTime >= 0.0;
}

} // namespace

// The integer thresholds of the rules, remembered for the last weakening factor seen; without
// weakening points every pair has the factor 1.
struct KTCompactSignatures::Thresholds
{
    float factor = std::numeric_limits<float>::quiet_NaN();
    int64_t maxSum = kNeverSimilar;
};

KTCompactSignatures::KTCompactSignatures(const KTSearchSettings &settings, std::size_t capacity)
    : m_settings(settings), m_side(std::clamp(settings.imageSize, 1, KTSearchSettings::kMaxImageSize)),
      m_capacity(capacity)
{
    const std::size_t bytes = 4 * std::size_t(m_side) * std::size_t(m_side);
    m_stride = (bytes + kAlignment - 1) / kAlignment * kAlignment;
    m_pixels =
        static_cast<uint8_t *>(std::aligned_alloc(kAlignment, std::max<std::size_t>(1, capacity) * m_stride));
    if (m_settings.isUseZone) {
        const auto zones = KTSimilarityRules::zoneGeometry(m_side, m_settings);
        m_bandEdges = {0, zones.offset, zones.zoneSide, zones.offset + zones.zoneSide};
    } else {
        for (int k = 0; k <= kPrefilterBands; ++k)
            m_bandEdges.push_back(k * m_side / kPrefilterBands);
    }
    const std::size_t bands = m_bandEdges.size() - 1;
    m_blockValues = bands * bands * 3;
    m_blockSums.assign(capacity * m_blockValues, 0);
    m_shotTimes.assign(capacity, -1.0);
    m_exposureTimes.assign(capacity, -1.0);
}

KTCompactSignatures::~KTCompactSignatures()
{
    std::free(m_pixels);
}

void KTCompactSignatures::store(std::size_t slot, const KTImageSignature &signature)
{
    uint8_t *target = m_pixels + slot * m_stride;
    const std::size_t pixelCount = std::size_t(m_side) * std::size_t(m_side);
    std::memcpy(target, signature.pixels, 4 * pixelCount);
    for (std::size_t p = 0; p < pixelCount; ++p)
        target[4 * p + 3] = 0;

    const std::size_t bands = m_bandEdges.size() - 1;
    int32_t *sums = m_blockSums.data() + slot * m_blockValues;
    std::fill(sums, sums + m_blockValues, 0);
    for (std::size_t by = 0; by < bands; ++by) {
        for (int y = m_bandEdges[by]; y < m_bandEdges[by + 1]; ++y) {
            for (std::size_t bx = 0; bx < bands; ++bx) {
                int32_t *block = sums + (by * bands + bx) * 3;
                for (int x = m_bandEdges[bx]; x < m_bandEdges[bx + 1]; ++x) {
                    const uint8_t *pixel = target + 4 * (std::size_t(y) * m_side + x);
                    block[0] += pixel[0];
                    block[1] += pixel[1];
                    block[2] += pixel[2];
                }
            }
        }
    }
    m_shotTimes[slot] = signature.shotTime;
    m_exposureTimes[slot] = signature.exposureTime;
}

void KTCompactSignatures::setOrder(std::vector<uint32_t> order)
{
    m_order = std::move(order);
}

std::size_t KTCompactSignatures::memoryBytes() const
{
    return m_capacity * m_stride + m_blockSums.size() * sizeof(int32_t) +
           (m_shotTimes.size() + m_exposureTimes.size()) * sizeof(double) + m_order.size() * sizeof(uint32_t);
}

bool KTCompactSignatures::isSimilar(uint32_t slotA, uint32_t slotB, float factor, Thresholds &thresholds,
                                    Prefilter prefilter) const
{
    const int side = m_side;
    if (!(thresholds.factor == factor)) {
        thresholds.factor = factor;
        if (m_settings.isUseZone) {
            const auto zones = KTSimilarityRules::zoneGeometry(side, m_settings);
            const float threshold = KTSimilarityRules::zoneThreshold(factor, m_settings);
            const uint64_t maximum = 765ull * uint64_t(zones.zoneSide) * uint64_t(zones.zoneSide);
            thresholds.maxSum = largestPassingSum(maximum, [&](uint64_t sum) {
                return KTSimilarityRules::isZonePassing(sum, zones.zoneSide, threshold);
            });
        } else {
            const uint64_t maximum = 765ull * uint64_t(side) * uint64_t(side);
            thresholds.maxSum = largestPassingSum(maximum, [&](uint64_t sum) {
                return KTSimilarityRules::isSimilarBySum(sum, side, factor, m_settings);
            });
        }
    }
    const int64_t maxSum = thresholds.maxSum;
    if (maxSum == kNeverSimilar)
        return false;

    const int32_t *blocksA = blockSums(slotA);
    const int32_t *blocksB = blockSums(slotB);
    const uint8_t *a = pixels(slotA);
    const uint8_t *b = pixels(slotB);
    const std::size_t rowBytes = 4 * std::size_t(side);

    if (!m_settings.isUseZone) {
        if (prefilter == Prefilter::On) {
            int64_t bound = 0;
            for (std::size_t k = 0; k < m_blockValues; ++k)
                bound += std::abs(blocksA[k] - blocksB[k]);
            if (bound > maxSum)
                return false;
        }
        // Partial sums only grow, so a row total beyond the threshold settles the pair.
        uint64_t sum = 0;
        for (int y = 0; y < side; ++y) {
            sum += sad(a + y * rowBytes, b + y * rowBytes, rowBytes);
            if (sum > uint64_t(maxSum))
                return false;
        }
        return true;
    }

    // Zone rule: the nine blocks of bands [0, offset), [offset, zoneSide), [zoneSide, 2 half);
    // zone 0 is blocks (0..1, 0..1), zone 1 (1..2, 0..1), zone 2 (0..1, 1..2), zone 3 (1..2, 1..2).
    auto zonesPassing = [maxSum](const int64_t(&blocks)[3][3]) {
        int passing = 0;
        for (int zy = 0; zy < 2; ++zy) {
            for (int zx = 0; zx < 2; ++zx) {
                const int64_t sum =
                    blocks[zy][zx] + blocks[zy][zx + 1] + blocks[zy + 1][zx] + blocks[zy + 1][zx + 1];
                passing += sum <= maxSum ? 1 : 0;
            }
        }
        return passing;
    };
    if (prefilter == Prefilter::On) {
        int64_t bounds[3][3] = {};
        for (int k = 0; k < 9; ++k) {
            for (int c = 0; c < 3; ++c)
                bounds[k / 3][k % 3] += std::abs(blocksA[3 * k + c] - blocksB[3 * k + c]);
        }
        if (zonesPassing(bounds) < 3)
            return false;
    }
    int64_t blocks[3][3] = {};
    for (int by = 0; by < 3; ++by) {
        for (int y = m_bandEdges[by]; y < m_bandEdges[by + 1]; ++y) {
            const uint8_t *rowA = a + y * rowBytes;
            const uint8_t *rowB = b + y * rowBytes;
            for (int bx = 0; bx < 3; ++bx) {
                const std::size_t from = 4 * std::size_t(m_bandEdges[bx]);
                const std::size_t to = 4 * std::size_t(m_bandEdges[bx + 1]);
                blocks[by][bx] += int64_t(sad(rowA + from, rowB + from, to - from));
            }
        }
    }
    return zonesPassing(blocks) >= 3;
}

KTCompactSignatures::Rows KTCompactSignatures::compare(double timeRange, const std::atomic_bool *stop,
                                                       const std::function<void(std::size_t)> &rowDone,
                                                       Prefilter prefilter) const
{
    const std::size_t count = m_order.size();
    const std::size_t chunkCount = (count + kRowsPerChunk - 1) / kRowsPerChunk;
    std::vector<Rows> chunkRows(chunkCount);
    std::atomic<std::size_t> rowsDone{0};
    auto isStopped = [stop] { return stop && stop->load(std::memory_order_relaxed); };

    // A row may stop early only when every later photo is at least as late: the order must be
    // sorted by shot time with the undated photos first.
    bool sortedByTime = timeRange != 0.0;
    for (std::size_t k = 1; sortedByTime && k < count; ++k) {
        const double previous = m_shotTimes[m_order[k - 1]];
        const double current = m_shotTimes[m_order[k]];
        if (isDated(previous) && !(isDated(current) && current >= previous))
            sortedByTime = false;
    }

    // Chunks of neighbouring rows share each later signature while it is in cache; the queue hands
    // chunks out one by one, so the long early rows and the short late ones balance over the cores.
    KTConcurrentQueue::global().apply(chunkCount, [&](std::size_t chunk) {
        if (isStopped())
            return;
        const std::size_t first = chunk * kRowsPerChunk;
        const std::size_t last = std::min(count, first + kRowsPerChunk);
        Rows rows(last - first);
        bool finished[kRowsPerChunk] = {};
        double earlierEnds[kRowsPerChunk] = {};
        for (std::size_t i = first; i < last; ++i) {
            rows[i - first].push_back(uint32_t(i));
            earlierEnds[i - first] = m_shotTimes[m_order[i]] + m_exposureTimes[m_order[i]];
        }
        Thresholds thresholds;
        for (std::size_t j = first + 1; j < count; ++j) {
            if ((j & 63) == 0 && isStopped())
                break;
            const uint32_t slotJ = m_order[j];
            const double shotJ = m_shotTimes[slotJ];
            bool allFinished = true;
            for (std::size_t i = first; i < std::min(last, j); ++i) {
                if (finished[i - first])
                    continue;
                allFinished = false;
                const uint32_t slotI = m_order[i];
                const double shotI = m_shotTimes[slotI];
                const auto verdict = KTSimilarityRules::timeVerdict(m_settings, shotI, m_exposureTimes[slotI],
                                                                    shotJ, m_exposureTimes[slotJ], timeRange);
                if (verdict.refused) {
                    // The gap |end of i - start of j| only grows with later j once j starts
                    // after i and after i's exposure has ended.
                    if (sortedByTime && shotJ > shotI && shotJ >= earlierEnds[i - first])
                        finished[i - first] = true;
                    continue;
                }
                if (isSimilar(slotI, slotJ, verdict.factor, thresholds, prefilter))
                    rows[i - first].push_back(uint32_t(j));
            }
            if (allFinished && j >= last)
                break;
        }
        if (isStopped())
            return;
        for (auto &row : rows) {
            if (row.size() >= 2)
                chunkRows[chunk].push_back(std::move(row));
        }
        for (std::size_t i = first; i < last; ++i) {
            const std::size_t done = rowsDone.fetch_add(1) + 1;
            if (rowDone)
                rowDone(done);
        }
    });

    Rows result;
    for (auto &rows : chunkRows) {
        for (auto &row : rows)
            result.push_back(std::move(row));
    }
    return result;
}
