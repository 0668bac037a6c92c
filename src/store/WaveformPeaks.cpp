#include "store/WaveformPeaks.h"

#include <algorithm>
#include <cmath>
#include <system_error>
#include <thread>
#include <tuple>
#include <utility>

namespace barquill {

namespace {

// Larger of |min| and |max| over samples from, from + stride, … (count of them).
float stridedPeak(const float* from, int64_t count, int64_t stride) {
    float lo = from[0];
    float hi = from[0];
    if (stride == 1) {
        for (int64_t k = 1; k < count; ++k) {
            lo = std::min(lo, from[k]);
            hi = std::max(hi, from[k]);
        }
    } else {
        for (int64_t k = 1; k < count; ++k) {
            const float v = from[k * stride];
            lo = std::min(lo, v);
            hi = std::max(hi, v);
        }
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

// Strided reads of a wide window are bound by memory latency, not arithmetic: splitting
// the buckets over a second thread overlaps twice as many misses.
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
        // Each thread writes its own half of the arrays.
        const int64_t half = buckets / 2;
        try {
            std::thread worker(fill, half, buckets);
            fill(0, half);
            worker.join();
            return peaks;
        } catch (const std::system_error&) {
            // No thread to be had: fall through and do it all here.
        }
    }
    fill(0, buckets);
    return peaks;
}

} // namespace barquill
