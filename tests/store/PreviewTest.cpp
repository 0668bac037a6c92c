#include "StoreFixture.h"

namespace barquill::test {
namespace {

// Bar 2 previewed in 4 slices with the default 100 ms gap and no fades, so the output is the bar's
// own samples.
class StorePreview : public ClickStore {
protected:
    void SetUp() override {
        ClickStore::SetUp();
        store->setSlicesPerBar(4);
        store->seek(5.2, true);
    }

    static constexpr int64_t kSlice = 22050;
    static constexpr int64_t kGap = 4410;
    static constexpr int64_t kPreview = 4 * kSlice + 3 * kGap;

    // Each slice (forwards or backwards) in order, silence between them.
    std::vector<float> expectedPreview(bool reversed) const {
        std::vector<float> expected;
        for (int k = 0; k < 4; ++k) {
            const int64_t a = barFrame(2) + k * kSlice;
            expected =
                joined({expected, reversed ? sourceBackwards(a + kSlice - 1, kSlice) : source(a, kSlice),
                        std::vector<float>(k < 3 ? kGap : 0, 0.0f)});
        }
        return expected;
    }

    void expectReturnedPaused() const {
        EXPECT_FALSE(store->isPreviewing() || store->isPlaying());
        EXPECT_DOUBLE_EQ(store->currentTime(), 5.2);
        EXPECT_EQ(store->pausedFrame(), 229320); // 5.2 s
    }
};

TEST_F(StorePreview, PlaysTheBarsFourSlicesForwardsOrBackwardsWithGapsThenReturnsThePlayheadPaused) {
    store->togglePreview();
    // The playhead waits at the bar's start while the preview plays.
    render(kPreview - 441);
    EXPECT_TRUE(store->isPreviewing());
    EXPECT_EQ(store->pausedFrame(), barFrame(2));
    EXPECT_DOUBLE_EQ(store->currentTime(), store->effectiveBars()[2].startTime);
    render(441 + 882);
    expectReturnedPaused();
    // Nothing plays after the preview.
    EXPECT_EQ(captured(0), joined({expectedPreview(false), std::vector<float>(882, 0.0f)}));

    // Reversed, each slice plays backwards but the first slice still comes first.
    reverse();
    store->seek(5.2, true);
    engine->clearCapture();
    store->togglePreview();
    render(kPreview);
    EXPECT_EQ(captured(0), expectedPreview(true));
}

TEST_F(StorePreview, AtATargetTempoTheStretchedBarIsPreviewedOnceItIsReady) {
    store->setMatchTempo(150); // the 2 s bar becomes 1.6 s: 4 slices of 17640 frames
    store->togglePreview();
    EXPECT_FALSE(store->isPreviewing()); // the stretch runs on a worker
    ASSERT_TRUE(waitFor([&] { return store->isPreviewing(); }));
    render(70560 + 3 * kGap - 441);
    EXPECT_TRUE(store->isPreviewing());
    render(441 + 882);
    expectReturnedPaused();
    // The first gap after the first stretched slice is silent.
    EXPECT_EQ(slice(captured(0), 17640, kGap), std::vector<float>(kGap, 0.0f));
}

TEST_F(StorePreview, PressingPAgainOrPauseEndsItAndTheNextPressStartsAFreshPreviewAndStopRewinds) {
    for (const bool pause : {false, true}) {
        store->togglePreview();
        render(1000);
        pause ? store->pause() : store->togglePreview();
        expectReturnedPaused();
    }
    // A stopped preview's completion report must not end the next one.
    engine->clearCapture();
    store->togglePreview();
    render(kPreview);
    EXPECT_EQ(captured(0), expectedPreview(false));
    render(441);
    expectReturnedPaused();

    store->togglePreview();
    render(1000);
    store->stop();
    EXPECT_FALSE(store->isPreviewing() || store->isPlaying());
    EXPECT_EQ(store->currentTime(), 0);
}

TEST_F(StorePreview, ExportingDuringAPreviewEndsItAndCutsThePreviewedBar) {
    store->togglePreview();
    render(1000);
    store->exportSlices();
    expectReturnedPaused();
    EXPECT_EQ(fileNames(out.path()).size(), 4u);
    EXPECT_EQ(samplesOf(out / (stem + "_bar03_slice01of04.wav")), source(barFrame(2), kSlice));
}

TEST_F(StorePreview, AnEngineThatCannotStartShowsWhyAndPlaysNothing) {
    engine->setStartFailure(std::string("Device unavailable"));
    store->play();
    EXPECT_EQ(store->errorMessage(), QStringLiteral("Device unavailable"));
    EXPECT_FALSE(store->isPlaying());
    render(441);
    EXPECT_TRUE(engine->captured()[0].empty());
    store->clearErrorMessage();
    store->togglePreview();
    EXPECT_EQ(store->errorMessage(), QStringLiteral("Device unavailable"));
    expectReturnedPaused();
}

} // namespace
} // namespace barquill::test
