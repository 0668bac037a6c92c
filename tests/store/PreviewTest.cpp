#include "ExportFixture.h"

namespace barquill::test {
namespace {

// The click track's ten bars (bar k starts at 0.75 + 2k s, 88200 frames long), previewed in 4
// slices with the default 100 ms gap and no fades, so the output is the bar's own samples.
class StorePreview : public ExportTest {
protected:
    void SetUp() override {
        openAndSettle(writeClickTrack());
        ASSERT_EQ(store->effectiveBars().size(), 10u);
        store->setSlicesPerBar(4);
        store->seek(5.2, true); // bar 2
        returnFrame = store->pausedFrame();
    }

    static constexpr int64_t kBarTwo = 33075 + 2 * 88200;
    static constexpr int64_t kSlice = 22050;
    static constexpr int64_t kGap = 4410;
    static constexpr int64_t kPreview = 4 * kSlice + 3 * kGap; // 101430

    // The preview's expected output: each slice (forwards or backwards), silence between them.
    std::vector<float> expectedPreview(bool reversed) const {
        std::vector<float> expected;
        for (int k = 0; k < 4; ++k) {
            const int64_t a = kBarTwo + k * kSlice;
            const auto part = reversed ? sourceBackwards(a + kSlice - 1, kSlice) : source(a, kSlice);
            expected.insert(expected.end(), part.begin(), part.end());
            if (k < 3) expected.insert(expected.end(), kGap, 0.0f);
        }
        return expected;
    }

    void expectReturnedPaused() const {
        EXPECT_FALSE(store->isPreviewing());
        EXPECT_FALSE(store->isPlaying());
        EXPECT_DOUBLE_EQ(store->currentTime(), 5.2);
        EXPECT_EQ(store->pausedFrame(), returnFrame);
    }

    int64_t returnFrame = 0;
};

TEST_F(StorePreview, PlaysTheBarsFourSlicesWithGapsThenReturnsThePlayheadPaused) {
    store->togglePreview();
    ASSERT_TRUE(store->isPreviewing());
    EXPECT_TRUE(store->isPlaying());
    // The playhead waits at the bar's start while the preview plays.
    EXPECT_DOUBLE_EQ(store->currentTime(), store->effectiveBars()[2].startTime);
    EXPECT_EQ(store->pausedFrame(), kBarTwo);

    render(kPreview - 441);
    EXPECT_TRUE(store->isPreviewing());
    EXPECT_DOUBLE_EQ(store->currentTime(), store->effectiveBars()[2].startTime);
    render(441 + 882);
    EXPECT_EQ(slice(captured(0), 0, kPreview), expectedPreview(false));
    expectReturnedPaused();
    // Nothing plays after the preview.
    EXPECT_EQ(slice(captured(0), kPreview, 882), std::vector<float>(882, 0.0f));
}

TEST_F(StorePreview, AtATargetTempoTheStretchedBarIsPreviewedOnceItIsReady) {
    store->setMatchTempo(150); // the 2 s bar becomes 1.6 s: 70560 frames
    store->togglePreview();
    EXPECT_FALSE(store->isPreviewing()); // the stretch runs on a worker
    ASSERT_TRUE(waitFor([&] { return store->isPreviewing(); }));
    const int64_t stretchedPreview = 70560 + 3 * kGap;
    render(stretchedPreview - 441);
    EXPECT_TRUE(store->isPreviewing());
    render(441 + 882);
    expectReturnedPaused();
    // Sound in every slice, silence in every gap.
    for (int64_t k = 0; k < 4; ++k) {
        const auto part = slice(captured(0), k * (17640 + kGap), 17640);
        EXPECT_GT(*std::max_element(part.begin(), part.end()), 0.01f) << k;
        if (k < 3)
            EXPECT_EQ(slice(captured(0), k * (17640 + kGap) + 17640, kGap), std::vector<float>(kGap, 0.0f))
                << k;
    }
}

TEST_F(StorePreview, ReversedEachSlicePlaysBackwardsButTheFirstSliceStillComesFirst) {
    store->toggleReverse();
    ASSERT_TRUE(waitFor([&] { return !store->isReversing(); }));
    store->seek(5.2, true);
    store->togglePreview();
    render(kPreview);
    EXPECT_EQ(slice(captured(0), 0, kPreview), expectedPreview(true));
}

TEST_F(StorePreview, PressingPAgainStopsAtOnceAndTheNextPressStartsAFreshPreview) {
    store->togglePreview();
    render(1000);
    store->togglePreview();
    expectReturnedPaused();

    // The stopped preview's completion report must not end the next one.
    engine->clearCapture();
    store->togglePreview();
    ASSERT_TRUE(store->isPreviewing());
    render(kPreview);
    EXPECT_EQ(captured(0), expectedPreview(false));
    render(441);
    expectReturnedPaused();
}

TEST_F(StorePreview, PauseEndsThePreviewAndRestoresThePlayheadAndStopRewinds) {
    store->togglePreview();
    render(1000);
    store->pause();
    expectReturnedPaused();
    store->togglePreview();
    render(1000);
    store->stop();
    EXPECT_FALSE(store->isPreviewing());
    EXPECT_FALSE(store->isPlaying());
    EXPECT_EQ(store->currentTime(), 0);
    render(441);
    EXPECT_FALSE(store->isPreviewing());
}

TEST_F(StorePreview, ExportingDuringAPreviewEndsItBeforeWriting) {
    store->togglePreview();
    render(1000);
    store->exportSlices();
    expectReturnedPaused();
    EXPECT_EQ(fileNames(out.path()).size(), 4u);
    // The export cut the bar under the restored playhead, the one that was previewed.
    EXPECT_EQ(samplesOf(out / "44100-2-clicks-20s_bar03_slice01of04.wav"), source(kBarTwo, kSlice));
}

TEST_F(StorePreview, AnEngineThatCannotStartShowsTheErrorAndRestoresThePlayhead) {
    engine->stop();
    engine->setStartFailure("The output device is gone.");
    store->togglePreview();
    EXPECT_EQ(store->errorMessage(), QStringLiteral("The output device is gone."));
    expectReturnedPaused();
}

using StorePreviewWithoutBars = StoreTest;

TEST_F(StorePreviewWithoutBars, NothingHappens) {
    // Too short for bar detection.
    openAndSettle(writeWav("44100-2-noise-1s.wav", {noise(44100, 1), noise(44100, 2)}));
    ASSERT_TRUE(store->effectiveBars().empty());
    store->togglePreview();
    EXPECT_FALSE(store->isPreviewing());
    EXPECT_FALSE(store->isPlaying());
}

} // namespace
} // namespace barquill::test
