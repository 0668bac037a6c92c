#include "StoreFixture.h"

#include <QCoreApplication>
#include <QSignalSpy>
#include <QThreadPool>

namespace barquill::test {
namespace {

class StoreAnalysis : public StoreTest {
protected:
    void SetUp() override { openAndSettle(writeClickTrack()); }
};

TEST_F(StoreAnalysis, NudgingNineTimesStopsAtEightQuartersAndSaysSo) {
    for (int i = 0; i < 9; ++i)
        store->shiftGrid(1);
    EXPECT_EQ(store->gridShiftQuarters(), 8);
    EXPECT_EQ(store->analysisNote(), QStringLiteral("120.0 BPM · 10 bars · 4/4 · Local DSP · grid +8×¼"));
    store->resetGridShift();
    EXPECT_EQ(store->gridShiftQuarters(), 0);
    EXPECT_EQ(store->analysisNote(), QStringLiteral("120.0 BPM · 10 bars · 4/4 · Local DSP"));
    store->shiftGrid(-1);
    EXPECT_TRUE(store->analysisNote().endsWith(QStringLiteral(" · grid -1×¼")));
}

TEST_F(StoreAnalysis, ANudgePushingTheLastBarPastTheEndDropsItFromTheNudgedBarsOnly) {
    store->shiftGrid(3);
    const auto bars = store->effectiveBars();
    ASSERT_EQ(bars.size(), 9u);
    EXPECT_DOUBLE_EQ(bars.front().startTime, 2.25);
    EXPECT_EQ(store->effectiveDownbeats().size(), 9u);
    EXPECT_TRUE(store->analysisNote().startsWith(QStringLiteral("120.0 BPM · 10 bars")));
    store->shiftGrid(-4); // beats nudged before 0 s are dropped
    const auto beats = store->effectiveBeats();
    ASSERT_FALSE(beats.empty());
    EXPECT_DOUBLE_EQ(beats.front(), 0.25);
    EXPECT_EQ(beats.size(), 39u);
}

TEST_F(StoreAnalysis, BarLookupAndNearestDownbeatFollowTheGrid) {
    EXPECT_FALSE(store->loopEnabled()); // "start with loop" is off by default
    EXPECT_EQ(store->barIndexAt(0.1), 0);
    EXPECT_EQ(store->barIndexAt(2.75), 1);
    EXPECT_EQ(store->barIndexAt(25), 9);
    // Halfway between two downbeats the earlier one wins.
    EXPECT_DOUBLE_EQ(*store->nearestDownbeat(3.75), 2.75);
    EXPECT_DOUBLE_EQ(*store->quarterBarSeconds(), 0.5);
}

TEST_F(StoreAnalysis, ReanalysingWhileLoopingKeepsTheLoopOnTheSameBar) {
    store->seek(7.0, true);
    store->setLoopEnabled(true);
    ASSERT_EQ(store->loopStartBar(), 3);
    store->shiftGrid(1);
    store->startAnalysis();
    EXPECT_EQ(store->analysisNote(), QStringLiteral("Analyzing tempo…"));
    ASSERT_TRUE(waitFor([&] { return !store->isAnalyzing(); }));
    EXPECT_TRUE(store->loopEnabled());
    EXPECT_EQ(store->loopStartBar(), 3);
    EXPECT_EQ(store->gridShiftQuarters(), 0);
    EXPECT_EQ(store->loopStartFrame(), static_cast<int64_t>(6.75 * 44100));
}

TEST_F(StoreTest, AnUncertainTempoIsMarkedAsApproximate) {
    // Noise locks only a weak grid: the first bar's confidence is far below 0.25.
    openAndSettle(writeWav("44100-1-noise-8s.wav", {noise(8 * 44100, 11)}));
    ASSERT_TRUE(store->analysis());
    ASSERT_FALSE(store->analysis()->bars.empty());
    ASSERT_LT(store->analysis()->bars.front().confidence, 0.25f);
    const QString expected = QStringLiteral("≈%1 BPM · %2 bars · 4/4 · Local DSP")
                                 .arg(QString::asprintf("%.1f", store->analysis()->bpm))
                                 .arg(store->analysis()->bars.size());
    EXPECT_EQ(store->analysisNote(), expected);
}

TEST_F(StoreTest, ATooShortFileReportsTheEnginesMessageAndCannotBeNudged) {
    openAndSettle(writeWav("44100-1-noise-1s.wav", {noise(44100, 3)}));
    EXPECT_FALSE(store->analysis());
    EXPECT_EQ(store->analysisNote(),
              QStringLiteral("Bar detection failed: Audio too short for bar detection (need ≥ 2 s)."));
    EXPECT_FALSE(store->errorMessage());
    store->shiftGrid(1);
    EXPECT_EQ(store->gridShiftQuarters(), 0);
}

TEST_F(StoreTest, AResultForAnOlderFileChangesNothing) {
    const auto clicks = clickTrack(44100, 180);
    store->open(QString::fromStdString(writeWav("44100-1-clicks-180s.wav", {clicks}).string()));
    ASSERT_TRUE(waitFor([&] { return !store->isLoading(); }));
    ASSERT_TRUE(store->isAnalyzing());

    QSignalSpy analysisChanges(store.get(), &AudioStore::analysisChanged);
    openAndSettle(writeWav("44100-1-noise-1s.wav", {noise(44100, 3)}));
    QThreadPool::globalInstance()->waitForDone();
    QCoreApplication::processEvents();

    EXPECT_EQ(analysisChanges.count(), 0);
    EXPECT_FALSE(store->analysis());
    EXPECT_FALSE(store->isAnalyzing());
    EXPECT_TRUE(store->analysisNote().startsWith(QStringLiteral("Bar detection failed: ")));
}

TEST_F(StoreTest, WithStartWithLoopEnabledASuccessfulAnalysisSwitchesTheLoopOn) {
    settings.setStartWithLoopEnabled(true);
    openAndSettle(writeClickTrack());
    EXPECT_TRUE(store->loopEnabled());
    EXPECT_EQ(store->loopStartBar(), 0);
    EXPECT_EQ(store->loopStartFrame(), 33075);
}

} // namespace
} // namespace barquill::test
