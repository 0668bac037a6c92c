#include "store/WaveformPeaks.h"

#include <algorithm>
#include <cmath>

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
    for (int64_t i = 0; i < buckets; ++i) {
        const int64_t a = s + (i * span) / buckets;
        const int64_t b = std::max(s + ((i + 1) * span) / buckets, a + 1);
        const int64_t count = ((b - a) + stride - 1) / stride;
        peaks.left[i] = stridedPeak(left + a, count, stride);
        peaks.right[i] = right ? stridedPeak(right + a, count, stride) : peaks.left[i];
        peaks.mono[i] = std::max(peaks.left[i], peaks.right[i]);
    }
    return peaks;
}

} // namespace barquill
