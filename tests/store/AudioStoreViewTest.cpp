#include "StoreFixture.h"

#include "store/WaveformPeaks.h"

#include <algorithm>

namespace barquill::test {
namespace {

// The rule itself, one sample at a time: the reference for the fast paths.
float naivePeak(const float* channel, int64_t a, int64_t b, int64_t stride) {
    float lo = channel[a], hi = channel[a];
    for (int64_t k = a; k < b; k += stride) {
        lo = std::min(lo, channel[k]);
        hi = std::max(hi, channel[k]);
    }
    return std::max(-lo, hi);
}

TEST(WaveformPeaks, MatchesTheSampleBySampleRuleOnNoiseAtEveryKindOfWindow) {
    constexpr int64_t frames = 3'000'000;
    const PCMBufferPtr buffer = makeBuffer({noise(frames, 1), noise(frames, 2)}, 1000);
    struct Window {
        int64_t start, length, buckets;
    };
    // Contiguous buckets of odd lengths (vector blocks plus a tail), then strided windows (2, 11
    // and 9) that are split over two threads; a window shorter than its buckets still fills them all.
    for (const Window w : {Window{17, 99'991, 64}, Window{5, 700'003, 333}, Window{0, frames, 2048},
                           Window{123'457, 2'500'000, 1000}, Window{100, 10, 1024}}) {
        SCOPED_TRACE(w.length);
        const WaveformPeaks peaks = computePeaks(*buffer, w.start / 1000.0, w.length / 1000.0, w.buckets);
        ASSERT_EQ(peaks.left.size(), static_cast<size_t>(w.buckets));
        const int64_t s = static_cast<int64_t>(1000 * (w.start / 1000.0));
        const int64_t span = static_cast<int64_t>(1000 * (w.start / 1000.0 + w.length / 1000.0)) - s;
        const int64_t stride = std::max<int64_t>(span / kPeakSampleBudget, 1);
        for (int64_t i = 0; i < w.buckets; ++i) {
            const int64_t a = s + i * span / w.buckets;
            const int64_t b = s + (i + 1) * span / w.buckets;
            ASSERT_EQ(peaks.left[i], naivePeak(buffer->channel(0), a, b, stride)) << i;
            ASSERT_EQ(peaks.right[i], naivePeak(buffer->channel(1), a, b, stride)) << i;
            ASSERT_EQ(peaks.mono[i], std::max(peaks.left[i], peaks.right[i])) << i;
        }
    }
}

TEST_F(ClickStore, ZoomKeepsTheAnchorBetweenFourMedianBarsAndTheWholeFileAndPlayFollowsThePlayhead) {
    store->zoom(0.5, 0.25);
    EXPECT_DOUBLE_EQ(store->timeAtFraction(0.25), 5.0);
    for (int i = 0; i < 20; ++i)
        store->zoom(0.625, 0.5);
    EXPECT_DOUBLE_EQ(store->viewLength(), 8.0);
    for (int i = 0; i < 20; ++i)
        store->zoom(1.6, 0.3);
    EXPECT_DOUBLE_EQ(store->viewLength(), 20.0);
    EXPECT_EQ(store->viewStart(), 0);
    store->zoom(0.5, 0);
    store->seek(15.0, true);
    store->play();
    EXPECT_DOUBLE_EQ(store->viewStart(), 10.0);
}

} // namespace
} // namespace barquill::test
