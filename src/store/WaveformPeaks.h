#pragma once

#include "buffer/PCMBuffer.h"

#include <cstdint>
#include <vector>

namespace barquill {

// Peak levels of one window of a buffer, one value per bucket; all three arrays have the same length.
struct WaveformPeaks {
    std::vector<float> mono;  // the larger of left and right
    std::vector<float> left;  // channel 0
    std::vector<float> right; // channel 1, or channel 0 for a mono buffer
};

// Most samples read per channel for one window: wider windows are read with a stride.
inline constexpr int64_t kPeakSampleBudget = int64_t{1} << 18;
// Fewest buckets, whatever the requested resolution.
inline constexpr int64_t kMinPeakBuckets = 64;

// The peaks of [viewStart, viewStart + viewLength) seconds in max(resolution, 64) buckets.
// Any thread; reads the buffer only. The buffer must hold at least one frame.
WaveformPeaks computePeaks(const PCMBuffer& buffer, double viewStart, double viewLength, int64_t resolution);

} // namespace barquill
