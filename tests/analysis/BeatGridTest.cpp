#include "analysis/BeatGrid.h"
#include "AnalysisFixtures.h"
#include "analysis/BarPlacement.h"

#include <gtest/gtest.h>

namespace barquill {
namespace {

// An estimate at 100 frames per second with the given envelope and a level that follows it.
TempoEstimate estimateWith(std::vector<float> envelope, double bpm) {
    TempoEstimate e;
    e.frameRate = 100;
    e.frameCount = static_cast<int64_t>(envelope.size());
    e.frameRMS = envelope;
    e.onsetEnvelope = std::move(envelope);
    e.bpm = bpm;
    e.confidence = 0.5f;
    e.duration = static_cast<double>(e.frameCount) / 100.0;
    return e;
}

TEST(TrackBeatPath, NoWindowForTheLastBeatGivesNoPath) {
    // 2·p = 50 half-frames reach past the end of 40.
    EXPECT_FALSE(trackBeatPath(std::vector<float>(40, 0.0f), 25.0));
}

TEST(SnapBeats, MovesToTheFirstMaximumWithinTheRadius) {
    std::vector<float> env(100, 0.0f);
    env[23] = 2.0f;
    env[27] = 2.0f; // equal and later: loses
    env[52] = 1.0f;
    env[58] = 9.0f; // outside 50 ± 5
    const std::vector<int64_t> path = {0, 12, 25, 49};
    // Where the window is flat (half-frame 49 → frame 98, window 93…99) its first frame wins.
    EXPECT_EQ(snapBeats(path, env, 100, 5), (std::vector<double>{0.0, 0.23, 0.52, 0.93}));
}

TEST(DedupeBeats, DropsBeatsSixtyMillisecondsOrLessAfterTheLastKept) {
    EXPECT_EQ(dedupeBeats(std::vector<double>{0.25, 0.30, 0.37, 0.41, 0.5}),
              (std::vector<double>{0.25, 0.37, 0.5}));
    // A dropped beat does not become the reference.
    EXPECT_EQ(dedupeBeats(std::vector<double>{0.0, 0.05, 0.1}), (std::vector<double>{0.0, 0.1}));
}

TEST(DownbeatPhase, PicksTheStrongestMeanAndTheFirstOnTies) {
    EXPECT_EQ(downbeatPhase(std::vector<float>{1, 1, 5, 1, 1, 1, 3, 1}, 4), 2);
    EXPECT_EQ(downbeatPhase(std::vector<float>(8, 0.0f), 4), 0);
    EXPECT_EQ(downbeatPhase(std::vector<float>{1, 2, 2, 1}, 4), 1);
    // Phases without any beat are skipped.
    EXPECT_EQ(downbeatPhase(std::vector<float>{1, 2}, 4), 1);
}

TEST(PlaceBars, BarsOfAtMostPointTwoSecondsAreLeftOutAndLaterIdsKeepTheirPositions) {
    // The first bar is 0.1 s long, the last ends 0.15 s after its downbeat at the end of the audio.
    const std::vector<Bar> bars = placeBars(std::vector<double>{0.0, 0.1, 0.5, 1.0, 2.0}, 0.5, 2.15, 1.0f);
    ASSERT_EQ(bars.size(), 3u);
    for (size_t i = 0; i < bars.size(); ++i) {
        EXPECT_EQ(bars[i].id, static_cast<int64_t>(i + 1));
        EXPECT_EQ(bars[i].index, bars[i].id);
    }
    EXPECT_DOUBLE_EQ(bars[0].duration, 0.4);
    EXPECT_DOUBLE_EQ(bars[2].startTime, 1.0);
    EXPECT_DOUBLE_EQ(bars[2].duration, 1.0);
    EXPECT_TRUE(placeBars(std::vector<double>{1.0}, 2.0, 1.2, 1.0f).empty());
}

// A path of three beats, beats per bar below one, mismatched envelopes and no usable tempo are no grid.
TEST(LockBeatGrid, NeedsMoreThanThreeBeatsBarsOfABeatOrMoreAndAConsistentEstimate) {
    std::vector<float> env(1000, 0.0f);
    for (size_t i = 25; i < env.size(); i += 50)
        env[i] = 1.0f;
    EXPECT_TRUE(std::holds_alternative<BeatBarAnalysis>(lockBeatGrid(estimateWith(env, 120), 4)));
    TempoEstimate broken = estimateWith(env, 120);
    broken.frameRMS.pop_back();
    const std::string noGrid = "Could not lock a beat grid.";
    const struct {
        TempoEstimate estimate;
        int beatsPerBar;
        std::string text;
    } cases[] = {
        // 201 frames at 70 BPM: the best path from the last window back is 86 → 43 → 0.
        {estimateWith(std::vector<float>(201, 0.0f), 70), 4, noGrid},
        {estimateWith(env, 120), 0,
         "Invalid analyzer settings (need 0 < minimum BPM ≤ maximum BPM and at least 1 beat per bar)."},
        {broken, 4, noGrid},
        {estimateWith(env, 0.0), 4, noGrid},
        {estimateWith(env, 1e-300), 4, noGrid},
        {estimateWith(env, 1e-310), 4, noGrid}};
    for (const auto& c : cases)
        EXPECT_EQ(test::failureText(lockBeatGrid(c.estimate, c.beatsPerBar)), c.text) << c.estimate.bpm;
}

} // namespace
} // namespace barquill
