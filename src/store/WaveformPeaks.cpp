#include "store/WaveformPeaks.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <system_error>
#include <thread>
#include <tuple>
#include <utility>

#if defined(__SSE2__)
#include <immintrin.h>
#endif

namespace barquill {

namespace {

// Larger of |min| and |max| over count consecutive samples. The compiler will not vectorise a
// float minimum on its own (NaN and signed-zero rules), so the x86 path says it directly: four
// independent registers of four lanes. Minimum and maximum are exact, so the result equals a
// sequential pass.
float contiguousPeak(const float* from, int64_t count) {
    float lo = from[0];
    float hi = from[0];
    int64_t k = 0;
#if defined(__SSE2__)
    constexpr int64_t kBlock = 16;
    if (count >= kBlock) {
        __m128 lo4[4], hi4[4];
        for (int j = 0; j < 4; ++j)
            lo4[j] = hi4[j] = _mm_set1_ps(from[0]);
        for (; k + kBlock <= count; k += kBlock)
            for (int j = 0; j < 4; ++j) {
                const __m128 v = _mm_loadu_ps(from + k + 4 * j);
                lo4[j] = _mm_min_ps(v, lo4[j]);
                hi4[j] = _mm_max_ps(v, hi4[j]);
            }
        const __m128 low = _mm_min_ps(_mm_min_ps(lo4[0], lo4[1]), _mm_min_ps(lo4[2], lo4[3]));
        const __m128 high = _mm_max_ps(_mm_max_ps(hi4[0], hi4[1]), _mm_max_ps(hi4[2], hi4[3]));
        alignas(16) float lanes[8];
        _mm_store_ps(lanes, low);
        _mm_store_ps(lanes + 4, high);
        lo = std::min({lanes[0], lanes[1], lanes[2], lanes[3]});
        hi = std::max({lanes[4], lanes[5], lanes[6], lanes[7]});
    }
#endif
    for (; k < count; ++k) {
        lo = std::min(lo, from[k]);
        hi = std::max(hi, from[k]);
    }
    return std::max(std::abs(lo), std::abs(hi));
}

// Larger of |min| and |max| over samples from, from + stride, … (count of them).
float stridedPeak(const float* from, int64_t count, int64_t stride) {
    if (stride == 1) return contiguousPeak(from, count);
    float lo = from[0];
    float hi = from[0];
    for (int64_t k = 1; k < count; ++k) {
        const float v = from[k * stride];
        lo = std::min(lo, v);
        hi = std::max(hi, v);
    }
    return std::max(std::abs(lo), std::abs(hi));
}

// Larger of |min| and |max| of two channels read together, so both streams of cache misses overlap.
std::pair<float, float> stridedPeakPair(const float* left, const float* right, int64_t count,
                                        int64_t stride) {
    float loL = left[0], hiL = left[0], loR = right[0], hiR = right[0];
    for (int64_t k = 1; k < count; ++k) {
        const float l = left[k * stride];
        const float r = right[k * stride];
        loL = std::min(loL, l);
        hiL = std::max(hiL, l);
        loR = std::min(loR, r);
        hiR = std::max(hiR, r);
    }
    return {std::max(std::abs(loL), std::abs(hiL)), std::max(std::abs(loR), std::abs(hiR))};
}

// Strided reads of a wide window are bound by memory latency, not arithmetic: sharing the
// buckets with a second thread overlaps twice as many misses.
constexpr int64_t kParallelSampleThreshold = int64_t{1} << 16;

} // namespace

WaveformPeaks computePeaks(const PCMBuffer& buffer, double viewStart, double viewLength, int64_t resolution) {
    const int64_t n = buffer.frameLength();
    const double sr = buffer.sampleRate();
    const int64_t s = std::max<int64_t>(std::min<int64_t>(static_cast<int64_t>(sr * viewStart), n - 1), 0);
    const int64_t e =
        std::max<int64_t>(std::min<int64_t>(static_cast<int64_t>(sr * (viewStart + viewLength)), n), s + 1);
    const int64_t span = e - s;
    const int64_t buckets = std::max(resolution, kMinPeakBuckets);
    const int64_t stride = std::max<int64_t>(span / kPeakSampleBudget, 1);

    WaveformPeaks peaks;
    peaks.left.resize(buckets);
    peaks.right.resize(buckets);
    peaks.mono.resize(buckets);
    const float* left = buffer.channel(0);
    const float* right = buffer.channelCount() >= 2 ? buffer.channel(1) : nullptr;
    auto fill = [&](int64_t first, int64_t last) {
        for (int64_t i = first; i < last; ++i) {
            const int64_t a = s + (i * span) / buckets;
            const int64_t b = std::max(s + ((i + 1) * span) / buckets, a + 1);
            const int64_t count = ((b - a) + stride - 1) / stride;
            if (right && stride > 1) {
                std::tie(peaks.left[i], peaks.right[i]) = stridedPeakPair(left + a, right + a, count, stride);
            } else {
                peaks.left[i] = stridedPeak(left + a, count, stride);
                peaks.right[i] = right ? stridedPeak(right + a, count, stride) : peaks.left[i];
            }
            peaks.mono[i] = std::max(peaks.left[i], peaks.right[i]);
        }
    };
    const int64_t samplesRead = std::min(span, span / stride + buckets);
    if (stride > 1 && samplesRead >= kParallelSampleThreshold) {
        // Both threads claim small runs of buckets from a shared counter, so a helper that starts
        // late (or shares its core) costs at most one run; each run's entries are written by the
        // thread that claimed it only. Relaxed: join() orders the writes for the caller.
        const int64_t run = std::max<int64_t>(buckets / 32, 1);
        std::atomic<int64_t> next{0};
        auto claimRuns = [&] {
            for (int64_t first; (first = next.fetch_add(run, std::memory_order_relaxed)) < buckets;)
                fill(first, std::min(first + run, buckets));
        };
        try {
            std::thread helper(claimRuns);
            claimRuns();
            helper.join();
            return peaks;
        } catch (const std::system_error&) {
            // No thread to be had: fall through and do it all here.
        }
    }
    fill(0, buckets);
    return peaks;
}

} // namespace barquill
