#include "StoreFixture.h"

#include "store/WaveformPeaks.h"

#include <algorithm>

namespace barquill::test {
namespace {

TEST(WaveformPeaks, EachBucketHoldsTheLargestMagnitudeOfItsSamplesPerChannel) {
    const auto ramp = makeRampBuffer(64000, 2);
    const WaveformPeaks peaks = computePeaks(*ramp, 0, 64000 / 44100.0, 64);
    ASSERT_EQ(peaks.left.size(), 64u);
    for (int i = 0; i < 64; ++i) {
        EXPECT_EQ(peaks.left[i], 1000 + (i + 1) * 1000 - 1);
        EXPECT_EQ(peaks.right[i], 2000 + (i + 1) * 1000 - 1);
        EXPECT_EQ(peaks.mono[i], peaks.right[i]);
    }
}

TEST(WaveformPeaks, WideWindowsAreReadWithAStride) {
    const auto ramp = makeRampBuffer(1 << 20, 1);
    const WaveformPeaks peaks = computePeaks(*ramp, 0, (1 << 20) / 44100.0, 64);
    // Stride 4: bucket i reads a, a+4, … a+16380 with a = 16384 i.
    EXPECT_EQ(peaks.left[0], 1000 + 16380);
    EXPECT_EQ(peaks.left[63], 1000 + 63 * 16384 + 16380);
}

TEST(WaveformPeaks, AWindowShorterThanTheBucketCountStillFillsEveryBucket) {
    // At 1000 Hz the window is frames 100…109.
    const auto ramp = makeRampBuffer(1000, 1, 1000);
    const WaveformPeaks peaks = computePeaks(*ramp, 0.1, 0.01, 1024);
    ASSERT_EQ(peaks.left.size(), 1024u);
    EXPECT_EQ(peaks.left.front(), 1100);
    EXPECT_EQ(peaks.left.back(), 1109);
    EXPECT_EQ(peaks.left[1], 1100);
}

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
    const PCMBufferPtr noise = PCMBuffer::create(1000, 2, frames);
    noise->setFrameLength(frames);
    uint32_t state = 0x9e3779b9u;
    for (uint32_t c = 0; c < 2; ++c)
        for (int64_t i = 0; i < frames; ++i) {
            state = state * 1664525u + 1013904223u;
            noise->channel(c)[i] = static_cast<float>(static_cast<int32_t>(state)) / 2147483648.0f;
        }
    struct Window {
        int64_t start, length, buckets;
    };
    // Contiguous buckets of odd lengths (vector blocks plus a tail), then strided windows (2, 11
    // and 9) that are split over two threads.
    for (const Window w : {Window{17, 99'991, 64}, Window{5, 700'003, 333}, Window{0, frames, 2048},
                           Window{123'457, 2'500'000, 1000}}) {
        SCOPED_TRACE(w.length);
        const WaveformPeaks peaks = computePeaks(*noise, w.start / 1000.0, w.length / 1000.0, w.buckets);
        const int64_t s = static_cast<int64_t>(1000 * (w.start / 1000.0));
        const int64_t span = static_cast<int64_t>(1000 * (w.start / 1000.0 + w.length / 1000.0)) - s;
        const int64_t stride = std::max<int64_t>(span / kPeakSampleBudget, 1);
        for (int64_t i = 0; i < w.buckets; ++i) {
            const int64_t a = s + i * span / w.buckets;
            const int64_t b = s + (i + 1) * span / w.buckets;
            ASSERT_EQ(peaks.left[i], naivePeak(noise->channel(0), a, b, stride)) << i;
            ASSERT_EQ(peaks.right[i], naivePeak(noise->channel(1), a, b, stride)) << i;
        }
    }
}

class StoreView : public StoreTest {
protected:
    void SetUp() override { openAndSettle(writeClickTrack()); }
};

TEST_F(StoreView, ZoomingInStopsAtFourMedianBarsAndZoomingOutAtTheWholeFile) {
    for (int i = 0; i < 20; ++i)
        store->zoom(0.625, 0.5);
    EXPECT_DOUBLE_EQ(store->viewLength(), 8.0);
    EXPECT_DOUBLE_EQ(store->minViewLength(), 8.0);
    for (int i = 0; i < 20; ++i)
        store->zoom(1.6, 0.3);
    EXPECT_DOUBLE_EQ(store->viewLength(), 20.0);
    EXPECT_EQ(store->viewStart(), 0);
}

TEST_F(StoreView, TheTimeUnderTheAnchorStaysPut) {
    store->zoom(0.5, 0.25);
    EXPECT_DOUBLE_EQ(store->viewLength(), 10.0);
    EXPECT_DOUBLE_EQ(store->timeAtFraction(0.25), 5.0);
    store->zoom(0.9, 0.75);
    EXPECT_NEAR(store->timeAtFraction(0.75), 10.0, 1e-12);
}

TEST_F(StoreView, PanningStaysInsideTheFileAndDoesNothingWhenAllIsVisible) {
    store->pan(0.25);
    EXPECT_EQ(store->viewStart(), 0);
    store->zoom(0.5, 0);
    store->pan(-0.25);
    EXPECT_EQ(store->viewStart(), 0);
    store->pan(5);
    EXPECT_DOUBLE_EQ(store->viewStart(), 10.0);
    store->beginDragPan(0.5);
    store->dragPan(0.7);
    EXPECT_DOUBLE_EQ(store->viewStart(), 8.0);
    store->endDragPan();
    store->dragPan(0.1);
    EXPECT_DOUBLE_EQ(store->viewStart(), 8.0);
}

TEST_F(StoreView, InteractionFlagClearsShortlyAfterTheLastZoom) {
    store->zoom(0.5, 0.5);
    EXPECT_TRUE(store->isInteracting());
    ASSERT_TRUE(waitFor([&] { return !store->isInteracting(); }));
    store->zoomToFit();
    EXPECT_FALSE(store->isInteracting());
    EXPECT_DOUBLE_EQ(store->viewLength(), 20.0);
}

TEST_F(StoreView, PlayFollowsAPlayheadOutsideTheZoomedWindow) {
    store->zoom(0.5, 0);
    store->seek(15.0, true);
    store->play();
    EXPECT_DOUBLE_EQ(store->viewStart(), 10.0);
}

TEST_F(StoreTest, AShortMonoFileGivesIdenticalPeakArraysAndZoomsDownToAQuarterSecond) {
    openAndSettle(writeWav("44100-1-noise-1s.wav", {noise(44100, 4)}));
    EXPECT_EQ(store->viewLeftPeaks(), store->viewRightPeaks());
    EXPECT_EQ(store->viewMonoPeaks(), store->viewLeftPeaks());
    EXPECT_EQ(store->viewMonoPeaks().size(), 1024);
    ASSERT_TRUE(store->effectiveBars().empty());
    for (int i = 0; i < 20; ++i)
        store->zoom(0.5, 0.5);
    EXPECT_DOUBLE_EQ(store->viewLength(), 0.25);
}

TEST_F(StoreTest, AResolutionBelowSixtyFourGivesSixtyFourBuckets) {
    settings.setWaveformResolution(16);
    openAndSettle(writeWav("44100-1-noise-1s.wav", {noise(44100, 4)}));
    EXPECT_EQ(store->viewMonoPeaks().size(), 64);
}

} // namespace
} // namespace barquill::test
