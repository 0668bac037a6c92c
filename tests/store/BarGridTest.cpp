#include "StoreFixture.h"

#include <QSignalSpy>

namespace barquill::test {
namespace {

TEST_F(ClickStore, ANudgeDropsBarsPastTheEndAndBeatsBeforeZeroFromTheNudgedGridOnly) {
    store->shiftGrid(3);
    const auto bars = store->effectiveBars();
    ASSERT_EQ(bars.size(), 9u);
    EXPECT_DOUBLE_EQ(bars.front().startTime, 2.25);
    EXPECT_EQ(store->effectiveDownbeats().size(), 9u);
    EXPECT_TRUE(store->analysisNote().startsWith(QStringLiteral("120.0 BPM · 10 bars")));
    store->shiftGrid(-4);
    EXPECT_EQ(store->effectiveBeats().size(), 39u);
    EXPECT_TRUE(store->analysisNote().endsWith(QStringLiteral(" · grid -1×¼")));
    // Two bars either way at most.
    for (int i = 0; i < 10; ++i)
        store->shiftGrid(1);
    EXPECT_EQ(store->gridShiftQuarters(), 8);
    EXPECT_TRUE(store->analysisNote().endsWith(QStringLiteral(" · grid +8×¼")));
}

TEST_F(ClickStore, BarLookupNearestDownbeatAndPlainSeeksFollowTheGrid) {
    EXPECT_EQ(store->barIndexAt(0.1), 0);
    EXPECT_EQ(store->barIndexAt(25), 9);
    // Halfway between two downbeats the earlier one wins.
    EXPECT_DOUBLE_EQ(*store->nearestDownbeat(3.75), 2.75);
    store->seek(3.1, false);
    EXPECT_DOUBLE_EQ(store->currentTime(), 2.75);
    store->seek(3.1, true);
    EXPECT_DOUBLE_EQ(store->currentTime(), 3.1);
    settings.setSnapToBar(false);
    store->seek(3.3, false);
    EXPECT_DOUBLE_EQ(store->currentTime(), 3.3);
}

TEST_F(ClickStore, ReanalysingWhileLoopingKeepsTheLoopOnTheSameBar) {
    loopAt(7.0);
    ASSERT_EQ(store->loopStartBar(), 3);
    store->shiftGrid(1);
    store->startAnalysis();
    EXPECT_EQ(store->analysisNote(), QStringLiteral("Analyzing tempo…"));
    ASSERT_TRUE(waitFor([&] { return !store->isAnalyzing(); }));
    EXPECT_TRUE(store->loopEnabled());
    EXPECT_EQ(store->gridShiftQuarters(), 0);
    EXPECT_EQ(store->loopStartFrame(), barFrame(3));
}

TEST_F(StoreTest, WithStartWithLoopEnabledASuccessfulAnalysisSwitchesTheLoopOn) {
    settings.setStartWithLoopEnabled(true);
    openAndSettle(writeClickTrack());
    EXPECT_TRUE(store->loopEnabled());
    EXPECT_EQ(store->loopStartFrame(), 33075);
}

// Opened while a long file is still being analysed, a file too short for bars never shows that
// analysis. Without bars the whole file stands in for the bar: it is looped, exported and sliced
// whole, and nothing can be nudged, stepped or previewed.
TEST_F(StoreTest, AFileTooShortForBarsIgnoresTheLastFilesAnalysisAndIsOneWholeBar) {
    open(writeWav("44100-1-clicks-180s.wav", {clickTrack(44100, 180)}));
    ASSERT_TRUE(waitFor([&] { return !store->isLoading(); }));
    ASSERT_TRUE(store->isAnalyzing());
    QSignalSpy analysisChanges(store.get(), &AudioStore::analysisChanged);
    openAndSettle(writeWav("44100-1-noise-1s.wav", {noise(44100, 4)}));
    drain();
    EXPECT_EQ(analysisChanges.count(), 0);
    EXPECT_FALSE(store->analysis() || store->isAnalyzing() || store->errorMessage());
    EXPECT_EQ(store->analysisNote(),
              QStringLiteral("Bar detection failed: Audio too short for bar detection (need ≥ 2 s)."));
    store->shiftGrid(1);
    EXPECT_EQ(store->gridShiftQuarters(), 0);
    loopAt(0.5);
    EXPECT_EQ(store->loopStartFrame(), 0);
    EXPECT_EQ(store->loopFrames(), 44100);
    store->moveLoop(1);
    EXPECT_EQ(store->pausedFrame(), 22050);
    store->togglePreview();
    EXPECT_FALSE(store->isPreviewing() || store->isPlaying());

    store->exportLoop();
    EXPECT_EQ(samplesOf(out / "44100-1-noise-1s_loop.wav"), source(0, 44100));
    EXPECT_TRUE(
        store->exportFlash().value_or(QString()).startsWith(QStringLiteral("Exported loop (whole file) → ")));
    store->setSlicesPerBar(4);
    store->exportSlices();
    for (int k = 0; k < 4; ++k)
        EXPECT_EQ(samplesOf(out / ("44100-1-noise-1s_slice0" + std::to_string(k + 1) + "of04.wav")),
                  source(k * 11025, 11025))
            << k;

    // A mono file draws the same peaks in every lane and zooms down to a quarter second.
    EXPECT_EQ(store->viewLeftPeaks(), store->viewRightPeaks());
    EXPECT_EQ(store->viewMonoPeaks(), store->viewLeftPeaks());
    for (int i = 0; i < 20; ++i)
        store->zoom(0.5, 0.5);
    EXPECT_DOUBLE_EQ(store->viewLength(), 0.25);
}

} // namespace
} // namespace barquill::test
